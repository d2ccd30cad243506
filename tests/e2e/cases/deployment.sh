# Deployment to many computers under Wine: the organisation's policies, written with
# `reg add` under HKLM\Software\Policies\Lockbay as Group Policy writes them, and what
# each program does with them (the requests the test's update host sees, the watcher's
# process and menu, lockbay-cli's exit codes, the main window's and update.exe's messages).

main=Lockbay_Form1
tray=__winex11_standalone_tray
policy_key='HKLM\Software\Policies\Lockbay'
volumes_win='C:\volumes'

# policy <value> <REG_DWORD|REG_SZ> <data> : sets one policy as Group Policy would.
policy() { must wine_run reg add "$policy_key" /v "$1" /t "$2" /d "$3" /f; }

box_says() { [[ $(ctl_text "$MessageBox_class" "$MessageBox_Text" 2>/dev/null) == "$1"* ]]; }
# wait_box <start of its text> <screenshot name> : the message, seen and closed.
wait_box() {
    wait_until 30 box_says "$1" || fatal "no message starting with [$1]"
    screenshot "$2" "$MessageBox_class"
    must drv click "$MessageBox_class" "$MessageBox_OK"
}
# The Host header of each request for the version, in order.
version_hosts() { grep updatever "$E2E_LOG_DIR/requests.log" 2>/dev/null | sed 's/.*"host": "\([^"]*\)".*/\1/' | xargs; }

# ---- lockbay-cli: one row per policy -------------------------------------------------------

test_cli_and_main_window_follow_each_drive_policy() {
    add_drive E
    add_drive G  # FAT32, as the e2e build reads volume facts
    mkdir -p "$(c_path "$volumes_win")"
    printf 'FAT32 1073741824 ready\r\n' >"$(c_path "$volumes_win")/G.txt"
    export LOCKBAY_E2E_VOLUMES=$volumes_win
    printf '[autorun]\r\nopen=virus.exe\r\n' >"$(drive_dir E)/autorun.inf"
    printf 'MZ' >"$(drive_dir E)/virus.exe"
    local rows=(
        # value|data|arguments|exit code|start of the output
        'OfferCleaning|0|protect E: --clean|5|Cleaning drives is turned off by your organisation'
        'AllowNtfsConversion|0|protect G: --advanced --yes|5|G: is not NTFS, and your organisation does not allow'
        'AllowNtfsConversion|0|policy --json|0|"setting":null},{"policy":"cleaning","registryValue":"OfferCleaning","setting":"disabled"}'
    )
    local row value data arguments code says out
    for row in "${rows[@]}"; do
        IFS='|' read -r value data arguments code says <<<"$row"
        policy "$value" REG_DWORD "$data"
        # shellcheck disable=SC2086  # the arguments are words
        out=$(wine_run "$LOCKBAY_WIN_DIR\\lockbay-cli.exe" $arguments </dev/null 2>&1)
        assert_eq "$?" "$code" "exit code of lockbay-cli $arguments with $value=$data"
        [[ $out == *"$says"* ]] || fail "lockbay-cli $arguments: expected [$says], got [$out]"
    done
    assert_file "$(drive_dir E)/autorun.inf" "E:\\autorun.inf, untouched by the refusal"

    # The main window refuses Advanced protection of G: as well, before anything changes.
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000
    must drv list-select "$main" "$Form1_List1" 1
    must drv wait-visible "$main" "$Form1_Picture6" 10000
    must drv click "$main" "$Form1_Label2"
    must drv wait-visible "$main" "$Form1_Picture2" 10000
    must drv click "$main" "$Form1_Label7"
    wait_box "Drive G: is not NTFS, and your organisation does not allow converting drives to NTFS (set by your organisation)" policy-conversion-refused
    sleep 1
    assert_missing "$(drive_dir G)/autorun.inf" "G:\\autorun.inf after both refusals"

    # Cleaning turned off: Simple protection of E: reports what it started and moves nothing.
    must drv list-select "$main" "$Form1_List1" 0
    must drv wait-visible "$main" "$Form1_Picture6" 10000
    must drv wait-visible "$main" "$Form1_Picture1" 10000  # Simple: the refresh went back to it
    must drv click "$main" "$Form1_Label7"
    wait_box "Lockbay has removed the autorun.inf file of drive E:" policy-cleaning-off
    assert_file "$(drive_dir E)/virus.exe" "E:\\virus.exe, reported only"
}

# ---- Updates ---------------------------------------------------------------------------------

test_update_policies_decide_the_request_and_update_exe() {
    start_server --version 9.0.0
    # The organisation's host: the same server under another name.
    policy UpdateHost REG_SZ "localhost:$SERVER_PORT"
    start_lockbay
    must drv wait-window Lockbay_Dialog 60000
    assert_eq "$(version_hosts)" "localhost:$SERVER_PORT" "hosts asked for the version"
    must drv close Lockbay_Dialog
    must drv wait-window "$main" 60000
    must drv close "$main"
    must drv wait-process-gone lockbay.exe 30000

    # The check turned off: no request, and the main window after the splash.
    policy UpdateCheck REG_DWORD 0
    start_lockbay
    must drv wait-window "$main" 60000
    assert_eq "$(version_hosts)" "localhost:$SERVER_PORT" "hosts asked, after a start with the check off"
    must drv close "$main"
    must drv wait-process-gone lockbay.exe 30000

    start_windows_program "$(lockbay_dir)" update.out "$LOCKBAY_WIN_DIR\\update.exe"
    wait_box "Updates of Lockbay are managed by your organisation (set by your organisation)." policy-update-exe
    must drv wait-process-gone update.exe 10000
}

# ---- The watcher -----------------------------------------------------------------------------

test_watcher_policy_off_says_so_and_on_fixes_its_menu() {
    policy ProtectOnPlugIn REG_DWORD 0
    start_windows_program "$WINEPREFIX/drive_c" watcher.out "$LOCKBAY_WIN_DIR\\lockbay-watch.exe"
    wait_box "The Lockbay plug-in watcher is turned off by your organisation" policy-watcher-off
    must drv wait-process-gone lockbay-watch.exe 10000

    # Kept on, it runs at sign-in although the user's own choice is off.
    policy ProtectOnPlugIn REG_DWORD 1
    must wine_run "$LOCKBAY_WIN_DIR\\lockbay-watch.exe" --disable-start-with-windows
    start_windows_program "$WINEPREFIX/drive_c" watcher.out "$LOCKBAY_WIN_DIR\\lockbay-watch.exe" --at-sign-in
    must drv wait-window "$tray" 60000
    must drv mouse "$tray" right 10 5
    must drv wait-window '#32768' 10000
    screenshot_root "$E2E_SCREENS/policy-watcher-menu.png" 0 0 360 120 || fail "no screenshot"
    # Two items: Start with Windows (fixed) is the last; choosing it ends nothing.
    for key in DOWN DOWN DOWN RETURN; do must drv key $key; done
    sleep 1
    assert_eq "$(drv process-count lockbay-watch.exe)" 1 "watchers running: the menu has no Exit"

    # Turned off while it runs: Windows announces the change, the watcher ends.
    policy ProtectOnPlugIn REG_DWORD 0
    must drv setting-change Policy
    must drv wait-process-gone lockbay-watch.exe 10000
}

# ---- Lockbay.msi -----------------------------------------------------------------------------

msi_log() { note "$*" && wine_run "$@" >>"$E2E_LOG_DIR/msiexec.out" 2>&1; }
# The keys of the Apps & features entries named Lockbay, and one value of a key.
lockbay_entries() { wine_run reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s |
    tr -d '\r' | awk '/^HKEY/ {key=$0} /DisplayName +REG_SZ +Lockbay$/ {print key}'; }
reg_data() { wine_run reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }
run_entry() { reg_data 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' LockbayWatch; }
shortcut() { find "$WINEPREFIX/drive_c/ProgramData" "$WINEPREFIX/drive_c/users" -name Lockbay.lnk; }
version_in() { drv file-version "$1\\lockbay.exe" | tr -d '\r'; }
# refused_with_a_box <start of its text> <screenshot> <command...> : the command's window says it.
refused_with_a_box() {
    start_windows_program "$WINEPREFIX/drive_c" refused.out "${@:3}"
    wait_box "$1" "$2"
    must drv wait-process-gone "${3##*\\}" 30000
}

test_msi_installs_upgrades_and_removes_and_never_over_the_setup() {
    local msi='C:\e2e\Lockbay.msi' next='C:\e2e\Lockbay-4.0.1.msi' dir='C:\Program Files\Lockbay' entry status=0
    local cert
    cert=$(sed -n 's/^LOCKBAY_SIGNING_CERT:[A-Z]*=//p' "$E2E_BUILD_DIR/CMakeCache.txt")
    osslsigncode verify -CAfile "${cert:-$E2E_BUILD_DIR/signing/development-certificate.pem}" -in "$(c_path "$msi")" \
        >&2 || fail "Lockbay.msi does not carry a valid signature by the build's certificate"
    rm -f "$(standin_log)"  # no access list is set in Program Files
    msi_log msiexec /i "$msi" /qn || fail "msiexec /i Lockbay.msi /qn ended with $?"
    assert_eq "$(cd "$(c_path "$dir")" && ls -A | LC_ALL=C sort | xargs)" "english.vlng francais.vlng german.vlng \
indonesian.vlng italian.vlng lockbay-cli.exe lockbay-watch.exe lockbay.exe policies romana.vlng spanish.vlng update.exe" \
        "the files the package installed"
    assert_file "$(c_path "$dir")/policies/en-US/Lockbay.adml"
    entry=$(lockbay_entries)
    assert_eq "$(reg_data "$entry" DisplayVersion), $(reg_data "$entry" Publisher)" "4.0.0, Lockbay Labs" "[$entry]"
    # Wine's Windows Installer puts ProgramMenuFolder into the user's Start menu, even
    # for a package per machine: the shortcut is looked for in both.
    [[ $(shortcut) == *'/Start Menu/Programs/Lockbay.lnk' ]] || fail "no Start-menu shortcut"
    assert_eq "$(run_entry)" "\"$dir\\lockbay-watch.exe\" --at-sign-in" "the watcher's Run entry"
    [[ $(wine_run "$dir\\lockbay-cli.exe" policy) == *"update-check"*"disabled"* ]] || fail "updates are not managed"

    # The setup refuses to install over it, silent or not.
    wine_run 'C:\e2e\LockbaySetup.exe' /S >>"$E2E_LOG_DIR/setup.out" 2>&1 || status=$?
    assert_eq "$status" 4 "the silent setup's exit code over the package"
    refused_with_a_box "Lockbay is installed on this computer from its Windows Installer package" \
        setup-refuses-msi-installation 'C:\e2e\LockbaySetup.exe'

    # Newer over older in place, the language choice kept; older over newer refused.
    printf 'german.vlng\r\n' >"$(c_path "$dir")/clng.vlng"
    msi_log msiexec /i "$next" /qn || fail "the upgrade ended with $?"
    msi_log msiexec /i "$msi" /qn && fail "the older package installed over the newer"
    assert_eq "$(version_in "$dir"), $(lockbay_entries | wc -l), $(tr -d '\r' <"$(c_path "$dir")/clng.vlng")" \
        "4.0.1.0, 1, german.vlng" "version, Apps & features entries and language choice after the upgrade"

    # Removal leaves nothing.
    msi_log msiexec /x "$next" /qn || fail "msiexec /x ended with $?"
    assert_missing "$(c_path "$dir")"
    assert_eq "$(shortcut)" "" "the Start-menu shortcut after removal"
    assert_eq "$(lockbay_entries)|$(run_entry)|$(reg_data 'HKLM\Software\Lockbay' UpdatesManaged)" "||" "after removal"

    # Outside Program Files, with no watcher: its own access list (Wine keeps none: the
    # commands are seen), no Run entry.
    msi_log msiexec /i "$msi" /qn WATCHER=0 'INSTALLDIR=C:\Apps\Lockbay' || fail "the install with WATCHER=0 failed"
    assert_eq "$(run_entry)" "" "the watcher's Run entry with WATCHER=0"
    local icacls='icacls "C:\Apps\Lockbay\."'
    assert_eq "$(standin_commands | tr '\n' ';')" "$icacls /setowner *S-1-5-32-544 /T /C ;$icacls /reset /T /C ;$icacls \
/inheritance:r /grant:r \"*S-1-5-18:(OI)(CI)F\" \"*S-1-5-32-544:(OI)(CI)F\" \"*S-1-5-32-545:(OI)(CI)RX\";" "the access list"

    # The package refuses to install over the setup's installation.
    msi_log msiexec /x "$msi" /qn || fail "the removal of C:\\Apps\\Lockbay failed"
    assert_missing "$(c_path 'C:\Apps\Lockbay')"
    wine_run 'C:\e2e\LockbaySetup.exe' /S >>"$E2E_LOG_DIR/setup.out" 2>&1 || fail "the setup did not install"
    msi_log msiexec /i "$msi" /qn && fail "the package installed over the setup's installation"
    refused_with_a_box "Lockbay is installed on this computer by LockbaySetup.exe" msi-refuses-setup-installation \
        msiexec /i "$msi"
    assert_eq "$(lockbay_entries)" 'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lockbay' \
        "Apps & features after the refusal"
}
