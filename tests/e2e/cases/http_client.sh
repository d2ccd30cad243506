# The platform's HTTP client under Wine, watched from inside a small program
# (http_probe.exe) that records every WinINet call it makes.

# A cancel that falls between the transfer thread announcing a wait on the network and
# its next WinINet call (the time running out, or the caller stopping after a piece)
# never leaves that thread with a handle someone else closed, and the caller returns at
# once; a transfer limited to 64 bytes asks the server for no more (a Range header) and
# reads no more than 65.
#
# Not seen here: that connecting, sending and the first answer each wait at most 10 s
# (they shared one 20 s deadline). Wine's WinINet ends a wait for the first answer by its
# own 10 s receive time-out, so the shared deadline never showed under Wine; Windows
# versions that do not apply that time-out there would have waited up to 20 s. The
# benchmark figure 2b measures the wait for a host that never answers.
test_a_cancelled_transfer_never_uses_a_closed_handle_and_asks_only_for_what_it_needs() {
    local script=$E2E_TEST_TMP/answers.json
    cat >"$script" <<'JSON'
{
  "/answer": {"body": "hello"},
  "/trickle": {"body": "0123456789", "mode": "trickle", "chunk": 5, "interval": 1},
  "/long": {"body": "4.0.1                                                                                                                                                                                                  "}
}
JSON
    start_server --script "$script"
    local output status
    wine_run 'C:\e2e\http_probe.exe' "$SERVER_PORT" >"$E2E_LOG_DIR/http_probe.out" 2>"$E2E_LOG_DIR/http_probe.err"
    status=$?
    output=$(tr -d '\r' <"$E2E_LOG_DIR/http_probe.out")
    note "$(printf '%s\n' "$output" | sed 's/^/  /')"
    assert_eq "$status" "0" "http_probe.exe's exit status"
    assert_eq "$(printf '%s\n' "$output" | tail -n 1)" "ok" "http_probe.exe's verdict"
}
