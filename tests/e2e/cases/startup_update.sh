# Start-up and updates under Wine: the splash window and its version check against the
# loopback server, the "Update Available" dialog, and update.exe, which fetches the setup
# program, saves it as C:\LockbaySetup.exe and starts it, or keeps retrying.

splash=Lockbay_frmSplash
main=Lockbay_Form1
dialog=Lockbay_Dialog
updater=Lockbay_frmUpdate

version_path=/LOCKBAY/updatever.php
setup_path=/LOCKBAY/LockbaySetup.exe

update_title='Lockbay - Update Available'
updater_title='Lockbay Updater'
downloading_text='Downloading files...'
connection_failed_text='Connection failed. Please check the network connection. Retrying ...'

# ---- Helpers of this case ----------------------------------------------------------

# serve <json> : starts the server with these scripted answers (see lib/server.py).
serve() {
    local script=$E2E_TEST_TMP/answers.json
    printf '%s\n' "$1" >"$script"
    start_server --script "$script"
}

# requests_of <method> <path> : how many requests of that method for that path the
# server has seen.
requests_of() {
    local log=$E2E_LOG_DIR/requests.log
    [[ -f $log ]] || { echo 0; return; }
    python3 -c 'import json,sys
print(sum(1 for line in open(sys.argv[1])
          if json.loads(line)["method"] == sys.argv[2] and json.loads(line)["path"].split("?")[0] == sys.argv[3]))' \
        "$log" "$1" "$2"
}

# request_ranges <path> : the Range header of each request for that path, one per line
# ("none" where there was none).
request_ranges() {
    python3 -c 'import json,sys
for line in open(sys.argv[1]):
    entry = json.loads(line)
    if entry["path"].split("?")[0] == sys.argv[2]:
        print(entry.get("range") or "none")' "$E2E_LOG_DIR/requests.log" "$1"
}

# window_exists <class> : a window of that class exists, shown or hidden.
window_exists() { drv title "$1" >/dev/null 2>&1; }

# The files in the root of C: whose names start with LockbaySetup, one per line.
setup_files_in_c_root() {
    local file
    for file in "$WINEPREFIX/drive_c"/[Ll][Oo][Cc][Kk][Bb][Aa][Yy][Ss][Ee][Tt][Uu][Pp]*; do
        [[ -e $file || -L $file ]] && basename "$file"
    done
    return 0
}

the_fake_setup() { c_path "$FAKE_SETUP_EXE"; }
setup_mark() { c_path "$LOCKBAY_SETUP_MARK"; }

# Watches C:\LockbaySetup.exe in the background until stop_watching_setup_file; the
# file found there at any moment is recorded in the file named by SETUP_SEEN.
SETUP_SEEN=""
WATCH_PID=""
watch_setup_file() {
    SETUP_SEEN=$E2E_TEST_TMP/setup-seen.txt
    rm -f "$SETUP_SEEN"
    local target
    target=$(c_path 'C:\LockbaySetup.exe')
    # It also ends with the test's own process, however the test ends.
    local test_pid=$$
    (
        while kill -0 "$test_pid" 2>/dev/null; do
            [[ -e $target ]] && echo "seen" >"$SETUP_SEEN"
            sleep 0.05
        done
    ) &
    WATCH_PID=$!
}

stop_watching_setup_file() {
    [[ -n $WATCH_PID ]] || return 0
    kill "$WATCH_PID" 2>/dev/null
    wait "$WATCH_PID" 2>/dev/null
    WATCH_PID=""
}

assert_setup_file_never_appeared() {
    stop_watching_setup_file
    [[ -f $SETUP_SEEN ]] && fail "C:\\LockbaySetup.exe appeared while the updater was retrying"
    assert_missing "$(c_path 'C:\LockbaySetup.exe')" "C:\\LockbaySetup.exe"
}

start_updater() {
    start_windows_program "$(lockbay_dir)" update.out "$LOCKBAY_WIN_DIR\\update.exe"
}

# Lockbay reaches its main window and no update dialog was ever made.
assert_main_window_without_update_offer() {
    must drv wait-window "$main" 60000
    assert_eq "$(window_title "$main")" "Lockbay" "main window title"
    window_exists "$dialog" && fail "an update dialog exists although no update was offered"
    window_exists "$splash" && fail "the splash window is still there after the main window appeared"
    lockbay_running || fail "lockbay.exe is no longer running"
}

# The updater shows the connection message for a setup answer that is not a setup
# program, asks again, and never saves or starts anything.
updater_retries_after() {
    local answer=$1 screenshot_name=$2
    serve "{\"$setup_path\": $answer}"
    watch_setup_file
    start_updater

    must drv wait-window "$updater:$updater_title" 60000
    must drv wait-text "$updater" "$frmUpdate_Label2" "$connection_failed_text" 60000
    screenshot "$screenshot_name" "$updater"
    assert_eq "$(ctl_text "$updater" "$frmUpdate_Label2")" "$connection_failed_text" "the updater's status line"

    # The retry: a second request comes after the pause.
    second_request() { (($(requests_of GET "$setup_path") >= 2)); }
    wait_until 60 second_request
    local count
    count=$(requests_of GET "$setup_path")
    ((count >= 2)) || fail "the updater asked for the setup program $count time(s), expected a retry"

    # Between two attempts (the status line reads the connection message again after
    # the second request), no setup program and no partial file lies in C:\.
    after_second_attempt() {
        second_request && [[ $(ctl_text "$updater" "$frmUpdate_Label2") == "$connection_failed_text" ]]
    }
    wait_until 60 after_second_attempt || fail "the status line did not return to the connection message"
    assert_eq "$(setup_files_in_c_root)" "" "files named LockbaySetup* in C:\\ between attempts"
    assert_eq "$(drv process-running update.exe)" "1" "update.exe still running (retrying)"
    assert_missing "$(setup_mark)" "mark of a started setup program"
    assert_setup_file_never_appeared
}

# ---- Start-up ----------------------------------------------------------------------

test_current_version_shows_the_splash_then_the_main_window() {
    # The answer comes after a pause, so that the splash window can be looked at while
    # the check is running.
    serve "{\"$version_path\": {\"body\": \"4.0.0\", \"delay\": 8}}"
    start_lockbay

    must drv wait-window "$splash" 60000
    assert_eq "$(ctl_text "$splash" "$frmSplash_lblVersion")" "Ver: 4.0" "the splash window's version"
    assert_eq "$(ctl_text "$splash" "$frmSplash_lblPlatform")" "Windows" "the splash window's platform"
    assert_eq "$(drv visible "$main")" "0" "main window visible while the splash window checks"
    screenshot splash "$splash"
    # A fixed dialog frame without a title bar: the window reaches past its client area
    # by the same border on every side.
    local outer inner
    read -r -a outer <<<"$(drv rect "$splash")"
    read -r -a inner <<<"$(drv client-rect "$splash")"
    local left=$((inner[0] - outer[0])) top=$((inner[1] - outer[1]))
    local right=$((outer[0] + outer[2] - inner[0] - inner[2])) bottom=$((outer[1] + outer[3] - inner[1] - inner[3]))
    ((left > 0)) || fail "the splash window has no frame (window ${outer[*]}, client ${inner[*]})"
    assert_eq "$top $right $bottom" "$left $left $left" "the splash frame's top, right and bottom against its left (no title bar)"
    screenshot_root "$E2E_SCREENS/splash-with-frame.png" "${outer[@]}" || fail "could not save the framed splash"
    assert_eq "$(drv visible "$splash")" "1" "splash window still up after its screenshot"

    assert_main_window_without_update_offer
    assert_eq "$(drv visible "$splash")" "0" "splash window visible beside the main window"
    assert_eq "$(requests_of GET "$version_path")" "1" "GET requests for the version"
    assert_eq "$(server_requests "$version_path")" "1" "requests of any kind for the version"
    assert_eq "$(request_ranges "$version_path")" "bytes=0-64" "the part of the answer the version request asks for"
}

# Alt+F4 on the splash while it checks is ignored: the splash stays, the one check
# ends, and the main window follows. (Unloaded mid-check, the splash was loaded again
# by its own timer and asked the host a second time.)
test_closing_the_splash_during_the_check_changes_nothing() {
    serve "{\"$version_path\": {\"body\": \"4.0.0\", \"delay\": 6}}"
    start_lockbay
    must drv wait-window "$splash" 60000
    must drv close "$splash"
    must drv settle "$splash"
    assert_eq "$(drv visible "$splash")" "1" "splash window visible after the close request"
    assert_main_window_without_update_offer
    assert_eq "$(requests_of GET "$version_path")" "1" "GET requests for the version"
}

test_a_file_named_updatever_php_in_the_working_directory_is_deleted_at_start() {
    printf '4.0.1' >"$(lockbay_dir)/updatever.php"
    start_server --version 4.0.0
    start_lockbay
    assert_main_window_without_update_offer
    assert_missing "$(lockbay_dir)/updatever.php" "C:\\Lockbay\\updatever.php"
    assert_file "$(lockbay_dir)/lockbay.exe" "C:\\Lockbay\\lockbay.exe"
}

test_a_folder_named_updatever_php_in_the_working_directory_is_left_alone() {
    mkdir "$(lockbay_dir)/updatever.php"
    printf 'kept' >"$(lockbay_dir)/updatever.php/inside.txt"
    start_server --version 4.0.0
    start_lockbay
    assert_main_window_without_update_offer
    assert_dir "$(lockbay_dir)/updatever.php" "the folder C:\\Lockbay\\updatever.php"
    assert_eq "$(cat "$(lockbay_dir)/updatever.php/inside.txt" 2>&1)" "kept" "the file inside the folder"
}

# ---- The update dialog ---------------------------------------------------------------

# Lockbay, offered 4.0.1, shows the update dialog instead of the main window.
reach_the_update_dialog() {
    start_server --version "${1:-4.0.1}"
    start_lockbay
    must drv wait-window "$dialog" 60000
    # The captions are applied by a timer soon after the dialog shows.
    dialog_titled() { [[ $(window_title "$dialog") == "$update_title" ]]; }
    wait_until 10 dialog_titled
    assert_eq "$(window_title "$dialog")" "$update_title" "update dialog title"
    assert_eq "$(drv visible "$main")" "0" "main window visible beside the update dialog"
    window_exists "$splash" && fail "the splash window is still there after the update dialog appeared"
}

test_newer_version_offers_the_update_and_cancel_goes_on_to_the_main_window() {
    reach_the_update_dialog 4.0.1
    assert_eq "$(ctl_text "$dialog" "$Dialog_Label1")" \
        "An update is available. Updates are very important. They include security and bug fixes, as well as new features for this program. Would you like to update?" \
        "the update question"
    assert_eq "$(ctl_text "$dialog" "$Dialog_Label8")" "Update" "the Update button"
    assert_eq "$(ctl_text "$dialog" "$Dialog_Label2")" "Cancel" "the Cancel button"
    screenshot update-dialog "$dialog"

    must drv click "$dialog" "$Dialog_Label2"
    must drv wait-window "$main" 60000
    must drv wait-gone "$dialog" 10000
    assert_eq "$(window_title "$main")" "Lockbay" "main window title"
    lockbay_running || fail "lockbay.exe is no longer running after Cancel"
    assert_eq "$(drv process-running update.exe)" "0" "update.exe running after Cancel"
    assert_eq "$(requests_of GET "$version_path")" "1" "GET requests for the version"
}

test_closing_the_update_dialog_through_its_frame_goes_on_to_the_main_window() {
    reach_the_update_dialog 4.0.1
    must drv close "$dialog"
    must drv wait-window "$main" 60000
    must drv wait-gone "$dialog" 10000
    lockbay_running || fail "lockbay.exe is no longer running after the dialog was closed"
    assert_eq "$(drv process-running update.exe)" "0" "update.exe running after closing the dialog"
}

test_update_hands_over_to_the_updater_which_saves_and_starts_the_setup() {
    # The setup program comes after a pause, so that the updater can be looked at.
    serve "{\"$version_path\": {\"body\": \"4.0.1\"},
            \"$setup_path\": {\"file\": \"$(the_fake_setup)\", \"delay\": 6}}"
    start_lockbay
    must drv wait-window "$dialog" 60000
    must drv click "$dialog" "$Dialog_Label8"

    # Lockbay ends at once; the updater takes over.
    wait_until 60 eval '! lockbay_running' || fail "lockbay.exe did not end after Update"
    must drv wait-window "$updater:$updater_title" 60000
    assert_eq "$(drv visible "$main")" "0" "Lockbay's main window after Update"
    assert_eq "$(ctl_text "$updater" "$frmUpdate_Label2")" "$downloading_text" "the updater's status line"
    assert_eq "$(ctl_text "$updater" "$frmUpdate_Label1")" "Updater" "the updater's heading"
    screenshot updater "$updater"

    # The setup program is saved, started, and the updater ends.
    wait_until 90 [ -f "$(setup_mark)" ] || fail "the setup program was not started (no mark at $LOCKBAY_SETUP_MARK)"
    must drv wait-process-gone update.exe 60000
    assert_file "$(c_path 'C:\LockbaySetup.exe')" "C:\\LockbaySetup.exe"
    cmp "$(the_fake_setup)" "$(c_path 'C:\LockbaySetup.exe')" >&2 ||
        fail "C:\\LockbaySetup.exe differs from the served setup program"
    grep -qi 'LockbaySetup\.exe' "$(setup_mark)" 2>/dev/null ||
        fail "the mark does not name C:\\LockbaySetup.exe: $(cat "$(setup_mark)" 2>&1)"
    assert_eq "$(setup_files_in_c_root)" "LockbaySetup.exe" "files named LockbaySetup* in C:\\"
    assert_eq "$(requests_of GET "$setup_path")" "1" "GET requests for the setup program"
    assert_eq "$(request_ranges "$setup_path")" "none" "the part of the setup program asked for (all of it)"
    assert_eq "$(drv process-running lockbay.exe)" "0" "lockbay.exe running after the update"
}

test_update_without_an_updater_says_so_and_goes_on_to_the_main_window() {
    rm "$(lockbay_dir)/update.exe" || fatal "could not remove C:\\Lockbay\\update.exe"
    reach_the_update_dialog 4.0.1
    must drv click "$dialog" "$Dialog_Label8"

    must drv wait-window "$MessageBox_class" 60000
    local message
    message=$(ctl_text "$MessageBox_class" "$MessageBox_Text")
    [[ $message == *'C:\Lockbay\update.exe'* ]] ||
        fail "the message does not name the updater it looked for: [$message]"
    screenshot update-without-updater
    lockbay_running || fail "lockbay.exe ended although the updater could not be started"

    must drv click "$MessageBox_class" "$MessageBox_OK"
    must drv wait-window "$main" 60000
    must drv wait-gone "$dialog" 10000
    lockbay_running || fail "lockbay.exe is no longer running"
}

# ---- The updater on its own ----------------------------------------------------------

test_updater_retries_after_an_error_page() {
    updater_retries_after \
        '{"status": 404, "body": "<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1></body></html>", "content_type": "text/html"}' \
        updater-retrying
}

test_updater_retries_after_an_html_page_with_a_success_status() {
    updater_retries_after \
        '{"status": 200, "body": "<html><head><title>Download</title></head><body><p>Please try again later.</p></body></html>", "content_type": "text/html"}' \
        updater-retrying-html-page
}

# The update dialog starts the updater through the shell with show command 0. Windows
# applies a starter's show state to a program's first ShowWindow, so the updater shows
# its window a second time; Wine does not copy that rule, so what this shows is the start
# as the shell makes it, and that the window is then there, not minimized.
test_the_updater_started_hidden_through_the_shell_shows_its_window() {
    serve "{\"$setup_path\": {\"status\": 404, \"body\": \"gone\"}}"
    must drv shell-open "$LOCKBAY_WIN_DIR\\update.exe" 0
    must drv wait-window "$updater:$updater_title" 60000
    assert_eq "$(drv minimized "$updater")" "0" "the updater minimized"
    must drv wait-text "$updater" "$frmUpdate_Label2" "$connection_failed_text" 60000
    must drv close "$updater"
    must drv wait-process-gone update.exe 30000
}

# ---- With the server down ------------------------------------------------------------

test_with_the_server_down_lockbay_reaches_the_main_window_and_the_updater_keeps_trying() {
    port_open && fatal "something answers on port $SERVER_PORT; this test needs it unused"
    printf '4.0.1' >"$(lockbay_dir)/updatever.php"
    start_lockbay
    must drv wait-window "$main" 120000
    assert_main_window_without_update_offer
    assert_eq "$(drv visible "$MessageBox_class")" "0" "a message box after a failed update check"
    assert_missing "$(lockbay_dir)/updatever.php" "C:\\Lockbay\\updatever.php (deleted although the check failed)"

    watch_setup_file
    start_updater
    must drv wait-window "$updater:$updater_title" 60000
    must drv wait-text "$updater" "$frmUpdate_Label2" "$connection_failed_text" 60000
    screenshot updater-no-server "$updater"
    assert_eq "$(drv visible "$MessageBox_class")" "0" "a message box from the updater without a server"
    assert_eq "$(drv process-running update.exe)" "1" "update.exe still running (retrying)"
    assert_setup_file_never_appeared
}

# ---- What counts as a newer version --------------------------------------------------

test_newer_version_followed_by_a_line_break_offers_the_update() {
    serve "{\"$version_path\": {\"body\": \"4.0.1\\r\\n\"}}"
    start_lockbay
    must drv wait-window "$dialog" 60000
    assert_eq "$(drv visible "$main")" "0" "main window visible beside the update dialog"
    assert_eq "$(requests_of GET "$version_path")" "1" "GET requests for the version"
}

test_two_part_version_does_not_offer_the_update() {
    start_server --version 4.1
    start_lockbay
    assert_main_window_without_update_offer
    assert_eq "$(requests_of GET "$version_path")" "1" "GET requests for the version"
}

test_html_page_does_not_offer_the_update() {
    serve "{\"$version_path\": {\"body\": \"<html><body><p>Latest version: 4.0.1</p></body></html>\", \"content_type\": \"text/html\"}}"
    start_lockbay
    assert_main_window_without_update_offer
    assert_eq "$(requests_of GET "$version_path")" "1" "GET requests for the version"
}

test_error_page_holding_a_newer_version_does_not_offer_the_update() {
    serve "{\"$version_path\": {\"status\": 404, \"body\": \"4.0.1\"}}"
    start_lockbay
    assert_main_window_without_update_offer
    assert_eq "$(requests_of GET "$version_path")" "1" "GET requests for the version"
}
