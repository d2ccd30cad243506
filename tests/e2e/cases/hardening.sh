# Attacks on the elevated programs, each shown to come to nothing: whatever lies on a
# stick, in the working folder or in C:\ never steers what Lockbay, the command line, the
# updater or the setup run.

# ---- updater, tools and setup

main=Lockbay_Form1
updater=Lockbay_frmUpdate

# plant_tools <linux folder> : cacls, convert and takeown as .exe, .com and .bat, each of
# which leaves a line in the mark file (C:\setup-ran.txt) when it runs.
plant_tools() {
    local tool
    for tool in cacls convert takeown; do
        cp "$(c_path "$FAKE_SETUP_EXE")" "$1/$tool.exe" && cp "$1/$tool.exe" "$1/$tool.com" &&
            printf '@echo planted %%~f0>>%%LOCKBAY_SETUP_MARK%%\r\n' >"$1/$tool.bat" || fatal "could not plant $tool in $1"
    done
}

fat32() { printf 'FAT32 1073741824 ready\r\n' >"$(c_path 'C:\volumes')/$1.txt"; }

# click_and_wait <button id> : Protect or Restore clicked; the list comes back (the busy
# label hidden, nothing selected).
click_and_wait() {
    must drv click "$main" "$1"
    idle() { [[ $(drv control-visible "$main" "$Form1_waitt" | tr -d '\r'):$(drv list-selected "$main" "$Form1_List1" | tr -d '\r') == 0:-1 ]]; }
    wait_until 90 idle || fatal "the main window did not come back from its busy state"
}

# cmd.exe /c cacls (convert, takeown) looks in its working folder first. Lockbay's is C:\work,
# the command line's the stick itself; both hold planted tools, as do the sticks' roots.
# Every tool must be the system's (the stand-in, which records its command line), for
# Advanced Protect (with a conversion) and Restore from the main window and the command line.
test_tools_planted_in_the_working_folder_or_on_the_stick_never_run() {
    add_drive E
    add_drive F
    mkdir -p "$(c_path 'C:\work')" "$(c_path 'C:\volumes')" "$(c_path 'C:\access')" "$(drive_dir F)/autorun.inf" \
        "$(drive_dir F)/advancedlockbay"
    hide 'F:\autorun.inf' 'F:\advancedlockbay'
    local folder command
    for folder in "$(c_path 'C:\work')" "$(drive_dir E)" "$(drive_dir F)"; do plant_tools "$folder"; done
    fat32 E
    export LOCKBAY_E2E_VOLUMES='C:\volumes' LOCKBAY_STANDIN_CONVERT_TO_NTFS=1 LOCKBAY_E2E_ACCESS='C:\access'

    start_server --version 4.0.0
    LOCKBAY_CWD=$(c_path 'C:\work') start_lockbay
    must drv wait-window "$main" 60000
    must drv list-select "$main" "$Form1_List1" 0
    must drv click "$main" "$Form1_Label2"  # Advanced
    must drv wait-visible "$main" "$Form1_Picture2" 10000
    click_and_wait "$Form1_Label7"  # Protect E: (FAT32: converted, then the deny entry)
    must drv list-select "$main" "$Form1_List1" 1
    must drv wait-visible "$main" "$Form1_Picture7" 10000
    click_and_wait "$Form1_Label8"  # Restore F: (Advanced: takeown, then the grant)
    assert_list "$main" "$Form1_List1" "E:    PROTECTED" "F:    UNPROTECTED"
    must drv close "$main"

    fat32 F
    for command in "protect F: --advanced --yes" "restore F:"; do
        # shellcheck disable=SC2086  # the words of the command
        E2E_CWD=$(drive_dir F) wine_run "$LOCKBAY_WIN_DIR\\lockbay-cli.exe" $command >>"$E2E_LOG_DIR/cli.log" 2>&1 ||
            fail "lockbay-cli $command from F:\\ ended with exit code $?"
    done
    for command in cmd.exe cacls.exe convert.exe takeown.exe; do must drv wait-process-gone "$command" 60000; done
    sleep 1  # a planted window program would not be waited for by cmd
    assert_missing "$(c_path "$LOCKBAY_SETUP_MARK")" "a planted tool's mark ($(cat "$(c_path "$LOCKBAY_SETUP_MARK")" 2>/dev/null))"
    assert_eq "$(standin_commands | LC_ALL=C sort | uniq -c | tr -s ' ')" "$(printf ' %s\n' '1 cacls E:\autorun.inf /e /c /d Everyone' \
        '1 cacls F:\autorun.inf /e /c /d Everyone' '2 cacls F:\autorun.inf /e /c /g Everyone:F' \
        '1 convert E: /FS:NTFS /X ' '1 convert F: /FS:NTFS /X ' '2 takeown /f F:\autorun.inf')" "the system's tools that ran"
}

# Wine keeps no access lists, so the test shows the command the setup runs: only for a
# folder outside Program Files, from the system folder.
test_setup_gives_an_install_folder_outside_program_files_a_protected_access_list() {
    local entry
    for entry in "|" '/D=C:\Lockbay|"C:\windows\system32\icacls.exe" "C:\Lockbay" /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F *S-1-5-32-544:(OI)(CI)F *S-1-5-32-545:(OI)(CI)RX'; do
        rm -f "$(standin_log)"
        wine_run 'C:\e2e\LockbaySetup.exe' /S /NOWATCHER ${entry%%|*} >>"$E2E_LOG_DIR/setup.out" 2>&1 || fail "the install [${entry%%|*}] failed"
        assert_eq "$(standin_commands)" "${entry#*|}" "the commands of the setup [${entry%%|*}]"
    done
    assert_file "$(lockbay_dir)/uninstall.exe" 'C:\Lockbay\uninstall.exe'
}

# Any user can make a folder named C:\LockbaySetup.exe. The updater never writes into it
# or starts anything, says so on its status line and goes on trying every 5 s.
test_a_folder_in_the_way_of_the_setup_file_keeps_the_updater_retrying() {
    local folder
    folder=$(c_path 'C:\LockbaySetup.exe')
    mkdir "$folder" && printf 'mine' >"$folder/note.txt" || fatal "could not make $folder"
    start_server --setup "$(c_path "$FAKE_SETUP_EXE")"
    start_windows_program "$(lockbay_dir)" update.out "$LOCKBAY_WIN_DIR\\update.exe"
    must drv wait-window "$updater" 60000
    must drv wait-text "$updater" "$frmUpdate_Label2" 'Not started: C:\LockbaySetup.exe is a folder in the way. Retrying ...' 60000
    screenshot updater-folder-in-the-way "$updater"
    wait_until 30 eval '(($(server_requests /LOCKBAY/LockbaySetup.exe) >= 2))' || fail "the updater did not try again"
    assert_eq "$(ls -A "$folder")" "note.txt" "the folder in the way"
    assert_missing "$(c_path "$LOCKBAY_SETUP_MARK")" "the mark of a started setup program"
}
