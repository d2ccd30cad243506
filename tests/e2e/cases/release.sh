# The release under Wine: LockbaySetup.exe of this build (4.0.0) and of the next version
# (4.0.1, made by the same build) installed, upgraded and uninstalled for real;
# the whole update from Lockbay's dialog through the updater into the new setup; and
# the setups the updater must refuse.

main=Lockbay_Form1
dialog=Lockbay_Dialog
chooser=Lockbay_Form3
updater=Lockbay_frmUpdate

setup_exe='C:\e2e\LockbaySetup.exe'
next_setup_exe='C:\e2e\LockbaySetup-4.0.1.exe'
install_win='C:\Program Files\Lockbay'
shortcut_win='C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Lockbay.lnk'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lockbay'
# The setup's window and its message boxes: dialogs titled after the version (each page
# may add to the title).
next_setup_window='#32770:Lockbay 4.0.1 Setup*'
uninstall_window='#32770:Lockbay 4.0.1 Uninstall*'
# Its buttons: Next, Install or Finish; Cancel; Retry in its message box.
setup_next=1
setup_retry=4
installed_files=(english.vlng francais.vlng german.vlng indonesian.vlng italian.vlng lockbay-cli.exe
    lockbay-watch.exe lockbay.exe policies romana.vlng spanish.vlng uninstall.exe update.exe)
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
watcher_entry="\"$install_win\\lockbay-watch.exe\" --at-sign-in"

# ---- Helpers of this case --------------------------------------------------------------

installed_dir() { c_path "$install_win"; }

# run_setup <windows-path> [args...] : runs a setup or uninstaller and waits for it; its
# exit code is the status.
run_setup() {
    note "running $*"
    wine_run "$@" >>"$E2E_LOG_DIR/setup.out" 2>&1
}

# install_silently <setup> [/D=folder]
install_silently() {
    run_setup "$1" /S "${@:2}" || fatal "the silent install of $1 failed (exit code $?)"
}

# reg_value <name> : a value of Lockbay's entry under Apps & features, as reg.exe shows it.
reg_value() {
    wine_run reg query "$uninstall_key" /v "$1" 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$1 *REG_[A-Z_]* *//p"
}

installed_version() { drv file-version "$install_win\\$1" | tr -d '\r'; }

# The watcher's machine-wide Run entry ("" when there is none), and how many run.
# Wine runs every program elevated and has no desktop shell through which the setup could
# start the watcher as the signed-in user: there the setup never starts it (it would run
# with the setup's rights), and its Run entry starts it at the next sign-in.
run_entry() {
    wine_run reg query "$run_key" /v LockbayWatch 2>/dev/null | tr -d '\r' |
        sed -n 's/^ *LockbayWatch *REG_SZ *//p'
}
run_entry_is() { [[ $(run_entry) == "$1" ]]; }
watchers_are() { [[ $(drv process-count lockbay-watch.exe) == "$1" ]]; }
# assert_watcher <run entry> <watchers running> <when>
assert_watcher() {
    wait_until 20 run_entry_is "$1" || fail "the watcher's Run entry $3: expected [$1], got [$(run_entry)]"
    wait_until 20 watchers_are "$2" || fail "watchers running $3: expected $2, got $(drv process-count lockbay-watch.exe)"
}

# The names in the program folder, sorted, one per line.
installed_names() { (cd "$(installed_dir)" && ls -A | LC_ALL=C sort); }

# The certificate this build signs with.
signing_certificate() {
    local cert
    cert=$(sed -n 's/^LOCKBAY_SIGNING_CERT:[A-Z]*=//p' "$E2E_BUILD_DIR/CMakeCache.txt")
    echo "${cert:-$E2E_BUILD_DIR/signing/development-certificate.pem}"
}

assert_signed() {
    osslsigncode verify -CAfile "$(signing_certificate)" -in "$1" >"$E2E_LOG_DIR/verify.out" 2>&1 ||
        fail "$2 does not carry a valid signature by the build's certificate (see verify.out)"
}

# The main window of the installed Lockbay, started through its Start-menu shortcut.
start_from_the_shortcut() {
    must drv shell-open "$shortcut_win" 1
    must drv wait-window "$main" 60000
}

# The setup's page has settled: its Next/Install/Finish button reads `text`.
wait_for_setup_button() {
    local window=$1 text=$2
    button_reads() { [[ $(ctl_text "$window" "$setup_next" 2>/dev/null) == "$text" ]]; }
    wait_until 60 button_reads || fatal "the setup's button never read [$text]: $(ctl_text "$window" "$setup_next")"
}

# The text of the setup's page: every visible control's text, one line.
page_text() { unescape "$(drv controls "$1" | grep -a $'\tvisible\t' | cut -f4- | tr '\n' ' ')"; }

# ---- Install, run, uninstall -----------------------------------------------------------

test_silent_install_run_and_uninstall() {
    add_drive E
    mkdir "$(drive_dir E)/autorun.inf" "$(drive_dir E)/advancedlockbay"
    printf 'holiday pictures' >"$(drive_dir E)/photos.txt"
    hide 'E:\autorun.inf' 'E:\advancedlockbay'
    local before
    before=$(cd "$(drive_dir E)" && find . -exec stat -c '%n %F %s %a' {} + | sort && cat photos.txt &&
        wine_run cmd /c attrib 'E:\autorun.inf' 'E:\advancedlockbay' | tr -d '\r')

    install_silently "$setup_exe"
    assert_eq "$(installed_names)" "$(printf '%s\n' "${installed_files[@]}")" "the files in $install_win"
    assert_eq "$(installed_version lockbay.exe)" "4.0.0.0" "lockbay.exe's version"
    assert_eq "$(installed_version update.exe)" "4.0.0.0" "update.exe's version"
    cmp "$E2E_BUILD_DIR/lockbay/german.vlng" "$(installed_dir)/german.vlng" >&2 || fail "german.vlng differs from the build's"
    assert_signed "$(installed_dir)/lockbay.exe" lockbay.exe
    assert_signed "$(installed_dir)/update.exe" update.exe
    assert_signed "$(installed_dir)/lockbay-watch.exe" lockbay-watch.exe
    assert_signed "$(installed_dir)/lockbay-cli.exe" lockbay-cli.exe
    assert_signed "$(installed_dir)/uninstall.exe" "the uninstaller"
    assert_signed "$E2E_BUILD_DIR/LockbaySetup.exe" LockbaySetup.exe

    # The Start-menu shortcut starts Lockbay in its program folder.
    local shortcut
    shortcut=$(unescape "$(drv shortcut "$shortcut_win" | tr -d '\r')")
    assert_eq "$shortcut" "$(printf '%s\n\n%s' "$install_win\\lockbay.exe" "$install_win")" \
        "the shortcut's target, arguments and working folder"

    # Apps & features.
    assert_eq "$(reg_value DisplayName)" "Lockbay" "DisplayName"
    assert_eq "$(reg_value DisplayVersion)" "4.0.0" "DisplayVersion"
    assert_eq "$(reg_value Publisher)" "Lockbay Labs" "Publisher"
    assert_eq "$(reg_value DisplayIcon)" "$install_win\\lockbay.exe,0" "DisplayIcon"
    assert_eq "$(reg_value InstallLocation)" "$install_win" "InstallLocation"
    assert_eq "$(reg_value UninstallString)" "\"$install_win\\uninstall.exe\"" "UninstallString"
    assert_eq "$(reg_value QuietUninstallString)" "\"$install_win\\uninstall.exe\" /S" "QuietUninstallString"
    # "Protect USB drives automatically" is on by default.
    assert_watcher "$watcher_entry" 0 "after the install"
    local size
    size=$(reg_value EstimatedSize)
    (($(printf '%d' "$size") >= 500)) || fail "EstimatedSize is $size KB, less than the programs take"

    start_server --version 4.0.0
    start_from_the_shortcut
    assert_list "$main" "$Form1_List1" "E:    PROTECTED"
    must drv close "$main"
    must drv wait-process-gone lockbay.exe 30000
    printf 'german.vlng\r\n' >"$(installed_dir)/clng.vlng"
    wine_run reg add 'HKCU\Software\Lockbay\Drives to clean' /v E: /t REG_BINARY /d 00 /f >/dev/null 2>&1 ||
        wine_start_failed "could not write a handed-over drive"

    # The quiet uninstall command as Apps & features runs it; the uninstaller goes on from
    # a copy of itself, so its end is the program folder's.
    run_setup "$install_win\\uninstall.exe" /S || fail "the quiet uninstall command failed"
    wait_until 60 eval '[[ ! -e $(installed_dir) ]]' || fail "$install_win is still there: $(installed_names | tr '\n' ' ')"
    assert_missing "$(c_path "$shortcut_win")" "the Start-menu shortcut"
    wine_run reg query "$uninstall_key" >/dev/null 2>&1 && fail "Lockbay is still registered under Apps & features"
    assert_watcher "" 0 "after the uninstall"
    wine_run reg query 'HKCU\Software\Lockbay' >/dev/null 2>&1 && fail "the uninstaller left HKCU\Software\Lockbay"
    local after
    after=$(cd "$(drive_dir E)" && find . -exec stat -c '%n %F %s %a' {} + | sort && cat photos.txt &&
        wine_run cmd /c attrib 'E:\autorun.inf' 'E:\advancedlockbay' | tr -d '\r')
    assert_eq "$after" "$before" "the protected drive E: after the uninstall"

    # Another folder, given on the command line, and without the watcher.
    install_silently "$setup_exe" /NOWATCHER '/D=C:\Apps\Lockbay'
    assert_file "$(c_path 'C:\Apps\Lockbay')/lockbay.exe" 'C:\Apps\Lockbay\lockbay.exe'
    assert_eq "$(reg_value InstallLocation)" 'C:\Apps\Lockbay' "InstallLocation after /D"
    assert_eq "$(reg_value ProtectOnPlugIn)" "0x0" "ProtectOnPlugIn after /NOWATCHER"
    assert_watcher "" 0 "after an install with /NOWATCHER"
}

# ---- Upgrade ---------------------------------------------------------------------------

test_upgrade_replaces_the_programs_and_keeps_the_language_choice() {
    install_silently "$setup_exe"
    start_server --version 4.0.0
    start_from_the_shortcut
    must drv click "$main" "$Form1_Image2"
    must drv wait-window "$chooser:Lockbay" 60000
    must drv click "$chooser" "$Form3_Label4"  # Deutsch
    must drv wait-window "$main" 60000
    must drv close "$main"
    must drv wait-process-gone lockbay.exe 30000
    assert_eq "$(tr -d '\r' <"$(installed_dir)/clng.vlng")" "german.vlng" "clng.vlng after choosing Deutsch"

    # The user signs in (the watcher starts). As with a version that gave each user a Run
    # entry of their own, which the user took away in the watcher's menu, there is none:
    # the upgrade stops the running watcher to replace it, never starts it with its own
    # rights, writes the machine-wide entry and keeps the user's choice (off).
    assert_watcher "$watcher_entry" 0 "after the install"
    start_windows_program "$(installed_dir)" watch.out "$install_win\\lockbay-watch.exe"
    must wine_run reg delete "$run_key" /v LockbayWatch /f
    assert_watcher "" 1 "after signing in"

    install_silently "$next_setup_exe"
    assert_watcher "$watcher_entry" 0 "after the upgrade"
    assert_eq "$(wine_run reg query 'HKCU\Software\Lockbay' /v StartWithWindows | tr -d '\r' | grep -o '0x.*')" 0x0 \
        "Start with Windows after the upgrade"
    assert_eq "$(installed_version lockbay-watch.exe)" "4.0.1.0" "lockbay-watch.exe's version after the upgrade"
    assert_eq "$(installed_version lockbay-cli.exe)" "4.0.1.0" "lockbay-cli.exe's version after the upgrade"
    assert_eq "$(installed_version lockbay.exe)" "4.0.1.0" "lockbay.exe's version after the upgrade"
    assert_eq "$(installed_version update.exe)" "4.0.1.0" "update.exe's version after the upgrade"
    assert_eq "$(reg_value DisplayVersion)" "4.0.1" "DisplayVersion after the upgrade"
    assert_eq "$(tr -d '\r' <"$(installed_dir)/clng.vlng")" "german.vlng" "clng.vlng after the upgrade"
    assert_eq "$(installed_names)" "$(printf '%s\n' clng.vlng "${installed_files[@]}" | LC_ALL=C sort)" \
        "the files in $install_win after the upgrade"
}

# ---- The whole update ------------------------------------------------------------------

test_update_from_the_dialog_installs_the_signed_next_version() {
    install_silently "$setup_exe"
    local served
    served=$(c_path "$next_setup_exe")
    start_server --version 4.0.1 --setup "$served"
    start_from_the_shortcut_to_the_dialog() {
        must drv shell-open "$shortcut_win" 1
        must drv wait-window "$dialog" 60000
    }
    start_from_the_shortcut_to_the_dialog
    must drv click "$dialog" "$Dialog_Label8"

    # The updater downloads the setup, checks it and starts it (minimized with the focus;
    # Wine shows a program's first window as the program asks, whatever it was started
    # with), then ends.
    must drv wait-window "$next_setup_window" 120000
    must drv wait-process-gone update.exe 30000
    cmp "$served" "$(c_path 'C:\LockbaySetup.exe')" >&2 || fail "C:\\LockbaySetup.exe is not the served setup"

    # The user brings it up from the taskbar and goes through its pages.
    must drv restore "$next_setup_window"
    wait_for_setup_button "$next_setup_window" "&Next >"
    local text
    text=$(page_text "$next_setup_window")
    [[ $text == *"Lockbay 4.0.0 is installed on this computer. Setup will update it to version 4.0.1."* ]] ||
        fail "the welcome page does not say what it updates: $text"
    screenshot setup-welcome
    must drv click "$next_setup_window" "$setup_next"
    wait_for_setup_button "$next_setup_window" "&Next >"
    text=$(page_text "$next_setup_window")
    [[ $text == *"$install_win"* ]] || fail "the folder page does not offer $install_win: $text"
    screenshot setup-folder
    must drv click "$next_setup_window" "$setup_next"
    wait_for_setup_button "$next_setup_window" "&Install"
    text=$(page_text "$next_setup_window")
    [[ $text == *"Protect USB drives automatically when they are plugged in"* ]] ||
        fail "the options page does not offer the watcher: $text"
    screenshot setup-options
    must drv click "$next_setup_window" "$setup_next"
    wait_for_setup_button "$next_setup_window" "&Finish"
    [[ $(page_text "$next_setup_window") == *"The USB drive watcher starts the next time you sign in to Windows."* ]] ||
        fail "the finish page does not say when the watcher starts: $(page_text "$next_setup_window")"
    screenshot setup-finish-watcher-at-sign-in
    screenshot setup-finish
    must drv click "$next_setup_window" "$setup_next"

    # "Start Lockbay now": the new version, in its program folder.
    must drv wait-window "$main" 60000
    assert_eq "$(installed_version lockbay.exe)" "4.0.1.0" "lockbay.exe's version after the update"
    assert_eq "$(installed_version update.exe)" "4.0.1.0" "update.exe's version after the update"
    assert_eq "$(reg_value DisplayVersion)" "4.0.1" "DisplayVersion after the update"
}

# ---- A running Lockbay -----------------------------------------------------------------

test_setup_waits_for_a_running_lockbay_and_the_uninstaller_says_to_restore_drives_first() {
    install_silently "$setup_exe"
    start_server --version 4.0.0
    start_from_the_shortcut

    # Silent: after a few seconds' wait it ends with an error and changes nothing.
    local status=0
    run_setup "$next_setup_exe" /S || status=$?
    assert_eq "$status" "3" "the silent setup's exit code while Lockbay runs"
    assert_watcher "$watcher_entry" 0 "after the refused install"
    assert_eq "$(installed_version lockbay.exe)" "4.0.0.0" "lockbay.exe's version after the refused install"
    assert_eq "$(reg_value DisplayVersion)" "4.0.0" "DisplayVersion after the refused install"

    # With its pages: the user is asked to close Lockbay, and Retry goes on.
    start_windows_program "$(c_path 'C:\e2e')" setup.out "$next_setup_exe"
    must drv wait-window "$next_setup_window" 60000
    local step
    for step in "&Next >" "&Next >" "&Install"; do
        wait_for_setup_button "$next_setup_window" "$step"
        must drv click "$next_setup_window" "$setup_next"
    done
    # The progress page says what it waits for, then the user is asked.
    prompt_shown() { [[ $(ctl_text "$next_setup_window" "$MessageBox_Text" 2>/dev/null) == *"Lockbay or its updater is running"* ]]; }
    wait_until 60 prompt_shown || fatal "no request to close Lockbay appeared"
    screenshot setup-progress-and-close-lockbay
    assert_eq "$(installed_version lockbay.exe)" "4.0.0.0" "lockbay.exe's version while the setup waits"
    must drv close "$main"
    must drv wait-process-gone lockbay.exe 30000
    must drv click "$next_setup_window" "$setup_retry"
    wait_for_setup_button "$next_setup_window" "&Finish"
    must drv click "$next_setup_window" 1203  # "Start Lockbay now": off
    must drv click "$next_setup_window" "$setup_next"
    must drv wait-process-gone LockbaySetup-4.0.1.exe 30000
    assert_eq "$(installed_version lockbay.exe)" "4.0.1.0" "lockbay.exe's version after Retry"

    # The uninstaller's first page says that protected drives stay protected.
    start_windows_program "$(installed_dir)" uninstall.out "$install_win\\uninstall.exe"
    must drv wait-window "$uninstall_window" 60000
    wait_for_setup_button "$uninstall_window" "&Next >"
    local text
    text=$(page_text "$uninstall_window")
    [[ $text == *"click Cancel and restore the drive with Lockbay first"* ]] ||
        fail "the uninstaller does not say to restore drives first: $text"
    screenshot uninstall-welcome
    must drv click "$uninstall_window" "$setup_next"
    wait_for_setup_button "$uninstall_window" "&Uninstall"
    screenshot uninstall-confirm
    must drv click "$uninstall_window" "$setup_next"
    wait_for_setup_button "$uninstall_window" "&Close"
    must drv click "$uninstall_window" "$setup_next"
    wait_until 60 eval '[[ ! -e $(installed_dir) ]]' || fail "$install_win is still there: $(installed_names | tr '\n' ' ')"
}

# ---- Setups that are not ours ----------------------------------------------------------

test_updater_refuses_setups_that_are_not_ours() {
    local refused=$E2E_BUILD_DIR/tests/e2e/refused-setups
    local connection_failed='Connection failed. Please check the network connection. Retrying ...'
    local -a cases=(
        "altered-section|Not started: the setup program was altered after signing. Retrying ..."
        "altered-appended-data|Not started: the setup program was altered after signing. Retrying ..."
        "unsigned|Not started: the setup program is not signed. Retrying ..."
        "other-signer|Not started: the setup program is signed by someone else. Retrying ..."
        "cut-short|$connection_failed"
    )
    # What a killed updater left behind goes at the next start.
    printf 'partial' >"$(c_path 'C:\LockbaySetup.exe.part-4242')"
    local entry name expected
    for entry in "${cases[@]}"; do
        name=${entry%%|*}
        expected=${entry#*|}
        note "serving $name.exe"
        start_server --setup "$refused/$name.exe"
        start_windows_program "$(lockbay_dir)" "update-$name.out" "$LOCKBAY_WIN_DIR\\update.exe"
        must drv wait-window "$updater" 60000
        must drv wait-text "$updater" "$frmUpdate_Label2" "$expected" 60000
        [[ $name == other-signer || $name == altered-appended-data ]] && screenshot "updater-refused-$name" "$updater"
        assert_eq "$(find "$WINEPREFIX/drive_c" -maxdepth 1 -iname 'LockbaySetup*' -printf '%f\n')" "" \
            "files named LockbaySetup* in C:\\ after refusing $name.exe"
        assert_eq "$(drv process-running LockbaySetup.exe)" "0" "a setup process after refusing $name.exe"
        must drv close "$updater"
        must drv wait-process-gone update.exe 30000
        stop_server
    done
}
