# Attacks on the elevated programs, each shown to come to nothing: whatever lies on a
# stick, in the working folder or in C:\ never steers what Lockbay, the command line, the
# updater or the setup run.

# ---- updater, tools and setup

updater=Lockbay_frmUpdate

# lockbay-cli run on the stick itself: cmd.exe /c cacls (convert, takeown) looks in its
# working folder first. Only the system's tools (the stand-ins, which record their command
# lines) may run, for an Advanced Protect with a conversion and its Restore. The main
# window's case: protection.test_a_cmd_exe_planted_beside_lockbay_or_in_its_working_folder_...
test_tools_planted_on_the_stick_never_run_from_the_command_line_started_there() {
    add_drive F
    plant_tools "$(drive_dir F)"
    mkdir -p "$(c_path 'C:\volumes')" "$(c_path 'C:\access')"
    printf 'FAT32 1073741824 ready\r\n' >"$(c_path 'C:\volumes')/F.txt"
    export LOCKBAY_E2E_VOLUMES='C:\volumes' LOCKBAY_STANDIN_CONVERT_TO_NTFS=1 LOCKBAY_E2E_ACCESS='C:\access'
    local command
    for command in "protect F: --advanced --yes" "restore F:"; do
        # shellcheck disable=SC2086  # the words of the command
        E2E_CWD=$(drive_dir F) wine_run "$LOCKBAY_WIN_DIR\\lockbay-cli.exe" $command >>"$E2E_LOG_DIR/cli.log" 2>&1 ||
            fail "lockbay-cli $command from F:\\ ended with exit code $?"
    done
    assert_no_planted_tool_ran
    assert_eq "$(standin_commands)" "$(printf '%s\n' 'convert F: /FS:NTFS /X ' 'cacls F:\autorun.inf /e /c /d Everyone' \
        'takeown /f F:\autorun.inf' 'cacls F:\autorun.inf /e /c /g Everyone:F')" "the system's tools that ran"
}

# Wine keeps no access lists, so the test shows the command the setup runs: only for a
# folder outside Program Files, from the system folder.
test_setup_gives_an_install_folder_outside_program_files_a_protected_access_list() {
    local entry icacls='"C:\windows\system32\icacls.exe" "C:\Lockbay"'
    for entry in "|" "/D=C:\Lockbay|$icacls /setowner *S-1-5-32-544 /T /C;$icacls /reset /T /C;$icacls /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F *S-1-5-32-544:(OI)(CI)F *S-1-5-32-545:(OI)(CI)RX;"; do
        rm -f "$(standin_log)"
        wine_run 'C:\e2e\LockbaySetup.exe' /S /NOWATCHER ${entry%%|*} >>"$E2E_LOG_DIR/setup.out" 2>&1 || fail "the install [${entry%%|*}] failed"
        assert_eq "$(standin_commands | tr '\n' ';')" "${entry#*|}" "the commands of the setup [${entry%%|*}]"
    done
}

# Any user can make a folder named C:\LockbaySetup.exe. The updater never writes into it
# or starts anything, says so on its status line and goes on trying every 5 s.
test_a_folder_in_the_way_of_the_setup_file_keeps_the_updater_retrying() {
    local folder=$WINEPREFIX/drive_c/LockbaySetup.exe
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
