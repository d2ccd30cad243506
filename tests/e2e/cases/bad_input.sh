# Bad input and faults under Wine: damaged language and selection files, odd answers
# from the update and download hosts, drives that go away or cannot be written, and a
# missing updater. Each test ends with the program still working (the main window
# answers a click and its list reads right) or ended as it should, and with nothing of
# the user's lost on the drives it touched.

main=Lockbay_Form1
chooser=Lockbay_Form3
help=Lockbay_Form2
dialog=Lockbay_Dialog
updater=Lockbay_frmUpdate
message_box=$MessageBox_class

BAD_INPUT_HELPERS=$(cd "$(dirname "${BASH_SOURCE[0]}")/../bad_input" && pwd)

connection_failed_text="Connection failed. Please check the network connection. Retrying ..."

# ---- Helpers ---------------------------------------------------------------------

# The texts the program shows for a language file: line <n> as the driver reads it.
language_line() { python3 "$BAD_INPUT_HELPERS/language_files.py" line "$1" "$2"; }

# write_selection <bytes> : clng.vlng in Lockbay's working directory (printf format).
write_selection() {
    # shellcheck disable=SC2059  # the argument is the format on purpose
    printf "$1" >"$(lockbay_dir)/clng.vlng"
}

assert_no_message_box() {
    assert_eq "$(drv visible "$message_box")" "0" "a message box on screen ($1)"
}

# list_reads <line>... : the main window's list holds exactly these lines (as the
# driver writes them: backslash, CR and LF escaped), read until it does or 10 s pass. A
# mismatch shows the first 120 characters of each line, as texts may be very long.
list_reads() {
    local expected actual
    expected=$(printf '%s\n' "$@" '<end>')
    list_is_expected() { actual=$(drv list-items "$main" "$Form1_List1") && [[ $actual == "$expected" ]]; }
    wait_until 10 list_is_expected && return 0
    fail "the list does not read right; expected"
    printf '%s\n' "$expected" | cut -c1-120 | sed 's/^/    [/; s/$/]/' >&2
    note "but it holds"
    printf '%s\n' "$actual" | cut -c1-120 | sed 's/^/    [/; s/$/]/' >&2
    return 1
}

# The main window is there, answers, and its list holds exactly these lines: a line is
# selected (an action appears), Refresh is clicked, the rebuilt list reads right and
# no action is offered any more.
assert_main_window_works() {
    must drv wait-window "$main" 60000
    list_reads "$@"
    if (($# > 0)); then
        must drv list-select "$main" "$Form1_List1" 0
        wait_until 10 action_offered || fail "selecting the first line offered no action"
    fi
    must drv click "$main" "$Form1_Label4"
    wait_until 10 no_action_offered || fail "Refresh did not rebuild the list (an action is still offered)"
    list_reads "$@"
    lockbay_running || fail "lockbay.exe is no longer running"
}
action_offered() { [[ $(ctl_visible "$main" "$Form1_Picture6")$(ctl_visible "$main" "$Form1_Picture7") == *1* ]]; }
no_action_offered() { [[ $(ctl_visible "$main" "$Form1_Picture6")$(ctl_visible "$main" "$Form1_Picture7") == 00 ]]; }

# The main window has left the busy state: the list and Refresh are back, the notice gone.
wait_not_busy() {
    must drv wait-visible "$main" "$Form1_List1" "${1:-30000}"
    must drv wait-visible "$main" "$Form1_Picture15" 10000
    must drv wait-hidden "$main" "$Form1_waitt" 10000
}

# snapshot_drive <letter> <name> : records what the user keeps on the drive.
snapshot_drive() {
    python3 "$BAD_INPUT_HELPERS/tree_hash.py" snapshot "$(drive_dir "$1")" >"$E2E_TEST_TMP/$2.tree" ||
        fatal "could not record drive $1:"
}

# assert_nothing_lost <letter> <before> <after> [--protect]
assert_nothing_lost() {
    local differences
    snapshot_drive "$1" "$3"
    if ! differences=$(python3 "$BAD_INPUT_HELPERS/tree_hash.py" compare \
        "$E2E_TEST_TMP/$2.tree" "$E2E_TEST_TMP/$3.tree" "${@:4}"); then
        fail "drive $1: the user's files changed"
        printf '    %s\n' "$differences" >&2
    fi
}

# Some ordinary user content on a drive: nested folders, a folder named a, binary data.
fill_drive() {
    local root
    root=$(drive_dir "$1")
    mkdir -p "$root/a" "$root/Photos/2023/summer" "$root/docs"
    printf 'keep me\r\n' >"$root/a/inside-a.txt"
    head -c 70000 /dev/urandom >"$root/Photos/2023/summer/beach.jpg"
    printf 'notes\n' >"$root/docs/notes.txt"
    head -c 3000 /dev/urandom >"$root/data.bin"
}

# The folder of staged volume facts (file system, free bytes, readiness) per drive.
volumes_win_dir='C:\volumes'
stage_volume() {
    mkdir -p "$(c_path "$volumes_win_dir")"
    printf '%s\n' "$2" >"$(c_path "$volumes_win_dir")/$1.txt"
}

script_file() { echo "$E2E_TEST_TMP/answers.json"; }

# start_stream_server <stream_server.py options...> : the large or slow answers.
start_stream_server() {
    port_open && fatal "port $SERVER_PORT is taken by another program"
    python3 "$BAD_INPUT_HELPERS/stream_server.py" --port "$SERVER_PORT" --log "$E2E_LOG_DIR/stream.log" "$@" \
        >"$E2E_LOG_DIR/stream-server.out" 2>&1 &
    SERVER_PID=$!  # stopped by the teardown like the usual server
    echo "$SERVER_PID" >"$E2E_TEST_TMP/server.pid"
    wait_until 10 port_open || fatal "the stream server did not start"
}
stream_log_has_entry() { [[ -s $E2E_LOG_DIR/stream.log ]]; }
stream_log_field() {
    python3 -c 'import json,sys
print(json.loads(open(sys.argv[1]).readline())[sys.argv[2]])' "$E2E_LOG_DIR/stream.log" "$1"
}

# ---- Language files ----------------------------------------------------------------

# A language file of the given kind is named by clng.vlng; the program starts, shows
# the lines it has where they belong and keeps working.
language_file_case() {
    local kind=$1 shot=$2
    local file
    file=$(lockbay_dir)/damaged.vlng
    add_drive E
    add_drive F
    mkdir "$(drive_dir F)/autorun.inf"
    python3 "$BAD_INPUT_HELPERS/language_files.py" make "$kind" "$file" || fatal "could not make the file"
    write_selection 'damaged.vlng\r\n'
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000

    local protected unprotected refresh heading
    protected=$(language_line "$file" 1)
    unprotected=$(language_line "$file" 3)
    # A file too short for a status word leaves that word English.
    [[ $protected == '<absent>' ]] && protected=PROTECTED
    [[ $unprotected == '<absent>' ]] && unprotected=UNPROTECTED
    refresh=$(language_line "$file" 14)
    [[ $refresh == '<absent>' ]] && refresh=Refresh
    heading=$(language_line "$file" 12)
    [[ $heading == '<absent>' ]] && heading='Select the drive to protect / restore:'

    # Raw driver texts (escaped as the helper escapes them).
    assert_eq "$(drv text "$main" "$Form1_Label4")" "$refresh" "the Refresh button's text"
    assert_eq "$(drv text "$main" "$Form1_Label1")" "$heading" "the heading over the list"
    list_reads "E:    $unprotected" "F:    $protected"
    assert_no_message_box "$kind language file"
    [[ -n $shot ]] && screenshot "$shot" "$main"
    # Still working: a selection offers an action, Refresh rebuilds.
    assert_main_window_works "E:    $unprotected" "F:    $protected"
}

# The help window: its welcome text comes from line 38, or stays English.
assert_help_welcome_text() {
    local expected=$1
    must drv click "$main" "$Form1_Label9"
    must drv wait-window "$help" 60000
    assert_eq "$(drv text "$help" "$Form2_Label1")" "$expected" "the help window's welcome text (line 38)"
    must drv close "$help"
    must drv wait-window "$main" 30000
}

test_language_file_empty() {
    language_file_case empty ""
}

test_language_file_binary_garbage() {
    language_file_case garbage bad-input-language-garbage
}

test_language_file_one_line_of_one_megabyte() {
    language_file_case one-mb-line ""
}

test_language_file_37_lines() {
    language_file_case 37-lines ""
    local english_welcome
    english_welcome=$(language_line "$(lockbay_dir)/english.vlng" 38)
    assert_help_welcome_text "$english_welcome"
    lockbay_running || fail "lockbay.exe is no longer running"
}

test_language_file_500_lines() {
    language_file_case 500-lines ""
    assert_help_welcome_text "Line 38"
    lockbay_running || fail "lockbay.exe is no longer running"
}

test_language_file_bytes_0x80_to_0xff() {
    language_file_case high-bytes bad-input-language-high-bytes
}

# Every one of the 38 lines 1 MB long: the program reads the file only as far as 38
# lines of 4096 characters reach, so line 1 is cut to its first 4096 characters and the
# lines beyond are missing, as from a short file. Every window must still come up and
# answer.
test_language_file_every_line_of_one_megabyte() {
    add_drive E
    mkdir "$(drive_dir E)/autorun.inf"
    python3 -c 'import sys
line = (b"Word " * 210000)[:1024 * 1024]
open(sys.argv[1], "wb").write(b"".join(line + b"\r\n" for _ in range(38)))' "$(lockbay_dir)/long.vlng" ||
        fatal "could not make the file"
    write_selection 'long.vlng\r\n'
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000
    list_shows_line_1() { [[ $(drv list-items "$main" "$Form1_List1" 2>/dev/null | head -c 100) == "E:    Word Word "* ]]; }
    wait_until 60 list_shows_line_1 || fail "the list does not answer or does not show line 1's word"
    local first_line
    first_line=$(drv list-items "$main" "$Form1_List1" | head -n 1)
    assert_eq "${#first_line}" $((6 + 4096)) "the length of the list's line: \"E:    \" and the first 4096 characters of line 1"
    assert_eq "$(drv text "$main" "$Form1_Label4")" "Refresh" "the Refresh button's text (line 14 lies beyond what is read)"

    must drv list-select "$main" "$Form1_List1" 0
    wait_until 30 action_offered || fail "selecting E: offered no action"
    must drv click "$main" "$Form1_Label4"
    wait_until 30 no_action_offered || fail "Refresh did not rebuild the list"

    must drv click "$main" "$Form1_Label9"
    must drv wait-window "$help" 60000
    must drv settle "$help"
    must drv close "$help"
    must drv wait-window "$main" 60000
    wait_until 60 list_shows_line_1 || fail "the list after the help window"
    lockbay_running || fail "lockbay.exe is no longer running"
}

# ---- The selection file clng.vlng ---------------------------------------------------

english_texts_shown() {
    assert_eq "$(ctl_text "$main" "$Form1_Label4")" "Refresh" "the Refresh button's text (English)"
    list_reads "E:    UNPROTECTED"
}

german_texts_shown() {
    local german
    german=$(lockbay_dir)/german.vlng
    must drv wait-text "$main" "$Form1_Label4" "$(language_line "$german" 14)" 30000
    list_reads "E:    $(language_line "$german" 3)"
}

# choose_german : the chooser opened from the flags, Deutsch clicked.
choose_german() {
    must drv click "$main" "$Form1_Image2"
    must drv wait-window "$chooser" 60000
    must drv click "$chooser" "$Form3_Label4"
}

test_selection_file_empty() {
    add_drive E
    write_selection ''
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000
    english_texts_shown
    assert_no_message_box "empty clng.vlng"

    # The chooser replaces the empty file.
    choose_german
    must drv wait-window "$main" 30000
    german_texts_shown
    assert_eq "$(od -An -c "$(lockbay_dir)/clng.vlng" | tr -s ' ')" " g e r m a n . v l n g \r \n" "clng.vlng"
    assert_main_window_works "E:    $(language_line "$(lockbay_dir)/german.vlng" 3)"
}

test_selection_file_quoted_name() {
    add_drive E
    write_selection '"german.vlng"\r\n'
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000
    german_texts_shown
    assert_no_message_box "quoted clng.vlng"
    assert_main_window_works "E:    $(language_line "$(lockbay_dir)/german.vlng" 3)"
}

test_selection_file_hidden() {
    add_drive E
    write_selection 'german.vlng\r\n'
    hide "$LOCKBAY_WIN_DIR\\clng.vlng"
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000
    # A hidden selection file counts as missing: English, and no message.
    english_texts_shown
    assert_no_message_box "hidden clng.vlng"

    # Choosing a language replaces it with an ordinary file, which then counts.
    choose_german
    must drv wait-window "$main" 30000
    german_texts_shown
    assert_no_message_box "choosing a language over a hidden clng.vlng"
    assert_eq "$(od -An -c "$(lockbay_dir)/clng.vlng" | tr -s ' ')" " g e r m a n . v l n g \r \n" "clng.vlng"
    assert_main_window_works "E:    $(language_line "$(lockbay_dir)/german.vlng" 3)"
}

test_selection_file_is_a_folder() {
    add_drive E
    mkdir "$(lockbay_dir)/clng.vlng"
    printf 'a file of the user\r\n' >"$(lockbay_dir)/clng.vlng/keep.txt"
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000
    english_texts_shown
    assert_no_message_box "a folder named clng.vlng"

    # The choice cannot be written there (as in Program Files for a standard user): it is
    # kept for this user under HKCU, applied, and read first at the next start.
    choose_german
    must drv wait-window "$main" 30000
    german_texts_shown
    assert_no_message_box "a choice kept for the user"
    wine_run reg query 'HKCU\Software\Lockbay' /v Language 2>/dev/null | tr -d '\r' | grep -q 'REG_SZ *german.vlng$' ||
        fail "the choice is not under HKCU\Software\Lockbay"
    must drv close "$main"
    wait_until 20 bash -c "! kill -0 $LOCKBAY_PID 2>/dev/null" || fatal "Lockbay did not end"
    start_lockbay
    must drv wait-window "$main" 60000
    german_texts_shown

    assert_dir "$(lockbay_dir)/clng.vlng" "the folder clng.vlng"
    assert_eq "$(cat "$(lockbay_dir)/clng.vlng/keep.txt")" $'a file of the user\r' "the user's file in the folder"
    local leftovers
    leftovers=$(find "$(lockbay_dir)" -maxdepth 1 -name 'clng.vlng?*')
    assert_eq "$leftovers" "" "temporary files left beside clng.vlng"
}

# The selection file names a device (COM1, here a serial line that never sends): it is
# no language file, so start-up reports it missing and goes on in English.
# Only a bare name ending in .vlng is opened: a path, even to a shipped language file,
# counts as missing too.
test_selection_file_names_a_device() {
    add_drive E
    mkfifo "$E2E_TEST_TMP/serial-line"
    ln -sfn "$E2E_TEST_TMP/serial-line" "$WINEPREFIX/dosdevices/com1"
    start_server --version 4.0.0
    local selection
    for selection in 'COM1' "$LOCKBAY_WIN_DIR\\german.vlng"; do
        write_selection "${selection//\\/\\\\}\r\n"
        start_lockbay
        some_window() { [[ $(drv visible "$message_box") == 1 || $(drv visible "$main") == 1 ]]; }
        wait_until 60 some_window || fatal "no window at all: start-up is stuck reading COM1"
        must drv wait-window "$message_box" 10000
        assert_eq "$(ctl_text "$message_box" "$MessageBox_Text")" "Language file is missing! The language is now English." \
            "the message at start-up"
        must drv click "$message_box" "$MessageBox_OK"
        must drv wait-window "$main" 60000
        english_texts_shown
        assert_main_window_works "E:    UNPROTECTED"
        must drv close "$main"
        wait_until 20 bash -c "! kill -0 $LOCKBAY_PID 2>/dev/null" || fatal "Lockbay did not end"
    done
}

# ---- Answers to the version request ---------------------------------------------------

# The update check failed or found nothing newer: the main window follows, no message
# box, no update dialog, and the program works.
assert_main_window_after_check() {
    must drv wait-window "$main" "${1:-60000}"
    assert_no_message_box "after the version check"
    assert_eq "$(drv visible "$dialog")" "0" "the update dialog"
    assert_main_window_works "E:    UNPROTECTED"
}

version_script_case() {
    printf '%s\n' "$1" >"$(script_file)"
    add_drive E
    start_server --script "$(script_file)"
    start_lockbay
    assert_main_window_after_check
    local asked
    asked=$(server_requests /LOCKBAY/updatever.php)
    ((asked >= 1)) || fail "the version was never asked for"
}

test_version_answer_empty() {
    version_script_case '{"/LOCKBAY/updatever.php": {"body": ""}}'
}

test_version_answer_one_byte() {
    version_script_case '{"/LOCKBAY/updatever.php": {"body": "4"}}'
}

test_version_answer_html_404_page() {
    version_script_case '{"/LOCKBAY/updatever.php": {"status": 404, "content_type": "text/html",
        "body": "<!DOCTYPE html><html><head><title>404 Not Found</title></head><body><h1>Not Found</h1><p>4.0.1</p></body></html>"}}'
}

test_version_answer_reset_connection() {
    version_script_case '{"/LOCKBAY/updatever.php": {"mode": "reset"}}'
}

test_version_answer_redirect_loop() {
    version_script_case '{"/LOCKBAY/updatever.php": {"mode": "redirect-loop"}}'
    local asked
    asked=$(server_requests /LOCKBAY/updatever.php)
    ((asked <= 10)) || fail "the redirects were followed $asked times"
}

# 100 MB that begin with a newer version: read whole (and trimmed) it would offer the
# update; the program stops after the first bytes, so the main window follows. The server
# sends at a network's pace (6.5 MB/s): when a request is closed early, WinINet reads on
# whatever has already arrived (to keep the connection for reuse), which on a loopback
# server writing as fast as memory allows would never run dry.
test_version_answer_100_megabytes() {
    add_drive E
    start_stream_server --size $((100 * 1024 * 1024)) --start "4.0.1" --fill " " --interval 0.01 --chunk 65536
    start_lockbay
    assert_main_window_after_check
    wait_until 60 stream_log_has_entry || fatal "the server never finished its answer"
    assert_eq "$(stream_log_field client_closed)" "True" "the client closed the connection early"
    local sent
    sent=$(stream_log_field sent)
    note "bytes sent before the client hung up: $sent"
    ((sent < 10 * 1024 * 1024)) || fail "the program took $sent bytes of the 100 MB answer"
}

# One byte a second: each gap is well within the HTTP time-out, but the whole check is
# limited (15 s), so the main window follows long before the 60 bytes are in. Read to
# its end, the answer ("4.0.1" and blanks) would offer the update after a minute.
test_version_answer_one_byte_a_second() {
    add_drive E
    start_stream_server --size 60 --start "4.0.1" --fill " " --interval 1 --chunk 1
    start_lockbay
    must drv wait-window Lockbay_frmSplash 60000
    assert_main_window_after_check 50000
    wait_until 60 stream_log_has_entry || fatal "the server never finished its answer"
    assert_eq "$(stream_log_field complete)" "False" "the answer was read to its end"
}

# ---- Answers to the setup download (update.exe started directly) --------------------------

setup_leftovers() {
    find "$WINEPREFIX/drive_c" -maxdepth 1 -iname 'LockbaySetup*' -printf '%f\n'
}

assert_setup_not_written() {
    assert_eq "$(setup_leftovers)" "" "files written in C:\\ ($1)"
    assert_missing "$(c_path "$LOCKBAY_SETUP_MARK")" "the setup program's mark ($1)"
}

second_setup_request() { (($(server_requests /LOCKBAY/LockbaySetup.exe) >= 2)); }

setup_answer_case() {
    printf '%s\n' "$1" >"$(script_file)"
    start_server --script "$(script_file)"
    start_windows_program "$(lockbay_dir)" update.out "$LOCKBAY_WIN_DIR\\update.exe"
    must drv wait-window "$updater" 60000
    # The first attempt ends with the connection message, or (wrongly) with the answer
    # saved and started, or a message box.
    attempt_over() {
        [[ $(ctl_text "$updater" "$frmUpdate_Label2" 2>/dev/null) == "$connection_failed_text" ||
            -e $(c_path 'C:\LockbaySetup.exe') || $(drv visible "$message_box") == 1 ]]
    }
    wait_until 60 attempt_over || fatal "the first attempt did not end"
    assert_setup_not_written "after the first attempt"
    [[ $(drv visible "$message_box") == 1 ]] &&
        fatal "the updater shows a message: $(ctl_text "$message_box" "$MessageBox_Text")"
    assert_eq "$(ctl_text "$updater" "$frmUpdate_Label2")" "$connection_failed_text" "the updater's status line"
    # Retried: a second request 5 s later, still nothing written or started.
    wait_until 60 second_setup_request || fail "the updater did not try again"
    assert_eq "$(drv process-running update.exe)" "1" "update.exe still running"
    assert_no_message_box "the updater"
    assert_setup_not_written "after the retry"
    [[ -n ${2:-} ]] && screenshot "$2" "$updater"
    must drv close "$updater"
    must drv wait-process-gone update.exe 30000
    assert_setup_not_written "after the updater ended"
}

test_setup_answer_one_byte() {
    setup_answer_case '{"/LOCKBAY/LockbaySetup.exe": {"body": "M"}}'
}

test_setup_answer_html_page() {
    setup_answer_case '{"/LOCKBAY/LockbaySetup.exe": {"content_type": "text/html",
        "body": "<html><body><h1>Download</h1><p>Your download will start shortly.</p></body></html>"}}' \
        bad-input-updater-retrying
}

test_setup_answer_404() {
    setup_answer_case '{"/LOCKBAY/LockbaySetup.exe": {"status": 404, "content_type": "text/html",
        "body": "<html><body>Not Found</body></html>"}}'
}

# The whole length is announced, half of it arrives, then the connection closes.
test_setup_answer_truncated_connection() {
    local setup
    setup=$(c_path "$FAKE_SETUP_EXE")
    setup_answer_case "{\"/LOCKBAY/LockbaySetup.exe\": {\"file\": \"$setup\", \"mode\": \"truncate\",
        \"send_bytes\": $(($(stat -c %s "$setup") / 2))}}"
}

# The first half of the setup program, answered as if it were all of it.
test_setup_answer_first_half_of_the_executable() {
    local setup half
    setup=$(c_path "$FAKE_SETUP_EXE")
    half=$E2E_TEST_TMP/half-setup.exe
    head -c $(($(stat -c %s "$setup") / 2)) "$setup" >"$half"
    setup_answer_case "{\"/LOCKBAY/LockbaySetup.exe\": {\"file\": \"$half\"}}"
}

# Closing the updater while the setup program is arriving leaves nothing behind in C:\.
test_setup_download_closed_midway_leaves_nothing() {
    printf '{"/LOCKBAY/LockbaySetup.exe": {"file": "%s", "mode": "trickle", "chunk": 2048, "interval": 0.5}}\n' \
        "$(c_path "$FAKE_SETUP_EXE")" >"$(script_file)"
    start_server --script "$(script_file)"
    start_windows_program "$(lockbay_dir)" update.out "$LOCKBAY_WIN_DIR\\update.exe"
    must drv wait-window "$updater" 60000
    partial_file_there() { [[ -n $(setup_leftovers) ]]; }
    wait_until 60 partial_file_there || fatal "the download never began writing"
    note "while downloading: $(setup_leftovers)"
    must drv close "$updater"
    must drv wait-process-gone update.exe 30000
    assert_setup_not_written "after closing the updater during the download"
}

# ---- Drives ---------------------------------------------------------------------------

# An autorun.inf that another program holds open cannot be moved or deleted; while
# Protect asks to retry, the drive is unplugged. Retry finds no file any more, the busy
# state ends, and the drive comes back as it was.
test_drive_removed_while_protect_asks_to_retry() {
    add_drive E
    add_drive F
    fill_drive E
    printf '[autorun]\r\nopen=virus.exe\r\n' >"$(drive_dir E)/autorun.inf"
    start_windows_program "$WINEPREFIX/drive_c" holder.out "$DRIVER_EXE" hold-file 'E:\autorun.inf' 600000
    held() { grep -q held "$E2E_LOG_DIR/holder.out"; }
    wait_until 60 held || fatal "E:\\autorun.inf could not be held open: $(cat "$E2E_LOG_DIR/holder.out")"
    snapshot_drive E before
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000
    list_reads "E:    INFECTED" "F:    UNPROTECTED"

    must drv list-select "$main" "$Form1_List1" 0
    must drv wait-visible "$main" "$Form1_Picture6" 10000
    must drv click "$main" "$Form1_Label7"
    must drv wait-window "$message_box" 30000
    assert_eq "$(ctl_text "$message_box" "$MessageBox_Text")" "Cannot remove autorun.inf file, please scan drive E" \
        "the retry message"

    rm "$WINEPREFIX/dosdevices/e:"  # unplugged
    must drv click "$message_box" "$MessageBox_Retry"
    must drv wait-gone "$message_box" 30000
    wait_not_busy
    list_reads "F:    UNPROTECTED"
    assert_no_message_box "after Retry on a removed drive"
    lockbay_running || fail "lockbay.exe ended"

    add_drive E  # plugged in again
    must drv click "$main" "$Form1_Label4"
    assert_main_window_works "E:    INFECTED" "F:    UNPROTECTED"
    assert_file "$(drive_dir E)/autorun.inf" "the held autorun.inf"
    assert_nothing_lost E before after --protect
}

# Advanced protection of a FAT32 stick: the stick is pulled while convert runs (held by
# the test) and comes back converted. convert ends, the deny command runs, the busy state ends.
test_drive_removed_during_the_conversion_watch() {
    add_drive E
    fill_drive E
    stage_volume E "FAT32 104857600 ready"
    export LOCKBAY_E2E_VOLUMES=$volumes_win_dir
    # The cacls stand-in records its entry where the e2e build reads it back.
    export LOCKBAY_E2E_ACCESS='C:\access' LOCKBAY_STANDIN_HOLD='C:\hold-convert'
    mkdir -p "$(c_path "$LOCKBAY_E2E_ACCESS")"
    : >"$(c_path "$LOCKBAY_STANDIN_HOLD")"
    snapshot_drive E before
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000
    list_reads "E:    UNPROTECTED"

    must drv list-select "$main" "$Form1_List1" 0
    must drv wait-visible "$main" "$Form1_Picture1" 10000
    must drv click "$main" "$Form1_Label2"
    must drv wait-visible "$main" "$Form1_Picture2" 10000
    must drv click "$main" "$Form1_Label7"
    must drv wait-window "$message_box" 30000  # may the drive be taken off-line?
    must drv click "$message_box" "$MessageBox_Yes"
    convert_started() { standin_commands | grep -qF 'convert E: /FS:NTFS /X'; }
    wait_until 30 convert_started || fatal "the conversion was not started"

    rm "$WINEPREFIX/dosdevices/e:"
    stage_volume E "FAT32 0 notready"
    sleep 3  # several ticks of the watch with the drive away
    assert_eq "$(ctl_visible "$main" "$Form1_waitt")" "1" "the busy notice while the drive is away"
    assert_no_message_box "while the drive is away"
    lockbay_running || fail "lockbay.exe ended while the drive was away"

    add_drive E
    stage_volume E "NTFS 104857600 ready"
    rm -f "$(c_path "$LOCKBAY_STANDIN_HOLD")"  # convert ends
    wait_not_busy 60000
    deny_sent() { standin_commands | grep -qxF 'cacls E:\autorun.inf /e /c /d Everyone'; }
    wait_until 10 deny_sent || fail "the deny command did not follow the conversion"
    assert_main_window_works "E:    PROTECTED"
    assert_nothing_lost E before after --protect
}

# Advanced Restore: the stick's folder disappears right after the click (the letter stays,
# with no medium behind it). The remaining steps find nothing; the busy state ends.
test_drive_removed_while_restore_runs() {
    add_drive E
    add_drive F
    fill_drive E
    mkdir "$(drive_dir E)/autorun.inf" "$(drive_dir E)/advancedlockbay"
    hide 'E:\autorun.inf' 'E:\advancedlockbay'
    snapshot_drive E before
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000
    list_reads "E:    PROTECTED" "F:    UNPROTECTED"

    must drv list-select "$main" "$Form1_List1" 0
    must drv wait-visible "$main" "$Form1_Picture7" 10000
    must drv click "$main" "$Form1_Label8"
    mv "$(drive_dir E)" "$E2E_TEST_TMP/e-away"
    wait_not_busy 30000
    list_reads "F:    UNPROTECTED"
    assert_no_message_box "after Restore on a removed drive"
    lockbay_running || fail "lockbay.exe ended"

    mv "$E2E_TEST_TMP/e-away" "$(drive_dir E)"
    must drv click "$main" "$Form1_Label4"
    local status
    status=$(python3 "$BAD_INPUT_HELPERS/tree_hash.py" status "$(drive_dir E)")
    assert_main_window_works "E:    $status" "F:    UNPROTECTED"
    assert_nothing_lost E before after
}

# A drive whose root cannot be written is not listed (the write probe fails). One that
# already holds a folder named a counts as writable and is listed; Protect cannot change
# anything there, and the drive stays as it was.
test_drive_with_read_only_root() {
    # The folders must be writable again for the clean-up, however the test ends.
    trap 'status=$?; chmod -R u+w "$E2E_TEST_TMP/drives" 2>/dev/null; (exit $status); e2e_teardown' EXIT
    start_wine_without_override
    add_drive E
    add_drive F
    add_drive G
    fill_drive F
    rm -r "$(drive_dir F)/a"
    fill_drive G
    printf '[autorun]\r\nopen=virus.exe\r\n' >"$(drive_dir G)/autorun.inf"
    chmod a-w "$(drive_dir F)" "$(drive_dir G)"
    snapshot_drive F f-before
    snapshot_drive G g-before
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000
    list_reads "E:    UNPROTECTED" "G:    INFECTED"
    assert_missing "$(drive_dir F)/a" "a probe folder on the read-only F:"

    must drv list-select "$main" "$Form1_List1" 1
    must drv wait-visible "$main" "$Form1_Picture6" 10000
    must drv click "$main" "$Form1_Label7"
    # The file cannot leave a root that cannot be written (Wine accepts the deletion and
    # keeps the file, which Protect reads back): the retry step asks 2 s after the click.
    must drv wait-window "$message_box" 30000
    assert_eq "$(ctl_text "$message_box" "$MessageBox_Text")" \
        "Cannot remove autorun.inf file, please scan drive G" "the retry message"
    must drv click "$message_box" "$MessageBox_Cancel"
    must drv wait-gone "$message_box" 30000
    wait_not_busy
    assert_main_window_works "E:    UNPROTECTED" "G:    INFECTED"
    assert_nothing_lost F f-before f-after
    assert_nothing_lost G g-before g-after --protect
    assert_file "$(drive_dir G)/autorun.inf" "G:\\autorun.inf on the read-only root"
    chmod u+w "$(drive_dir F)" "$(drive_dir G)"
}

# The update dialog's Update with no update.exe beside lockbay.exe: the user is told
# which file was missing, and the main window follows.
test_update_exe_missing() {
    add_drive E
    start_server --version 4.0.1
    start_lockbay
    must drv wait-window "$dialog" 60000
    rm "$(lockbay_dir)/update.exe"
    must drv click "$dialog" "$Dialog_Label8"
    must drv wait-window "$message_box" 30000
    local text
    text=$(ctl_text "$message_box" "$MessageBox_Text")
    [[ $text == *'C:\Lockbay\update.exe'* ]] || fail "the message does not name the updater's path: [$text]"
    assert_eq "$(window_title "$message_box")" "Lockbay" "the message box's title"
    screenshot bad-input-updater-missing "$message_box"
    must drv click "$message_box" "$MessageBox_OK"
    must drv wait-gone "$message_box" 30000
    must drv wait-window "$main" 30000
    assert_eq "$(drv visible "$dialog")" "0" "the update dialog after the message"
    assert_main_window_works "E:    UNPROTECTED"
}
