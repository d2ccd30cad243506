# lockbay-cli under Wine: the drive list against the main window's, Protect and Restore
# waiting for the stand-ins and reading the drive back, its messages and exit codes for
# bad input, the computer's AutoRun switch (the registry byte for byte as before after
# protect and restore), and the main window's AutoRun line.

main=Lockbay_Form1
CLI_EXE="$LOCKBAY_WIN_DIR\\lockbay-cli.exe"
AS_STANDARD_USER='C:\e2e\as_standard_user.exe'
access_win='C:\access'
volumes_win='C:\volumes'

# cli [arguments...] : runs lockbay-cli from C:\ (standard input from CLI_INPUT, or
# empty); its output in CLI_OUT and CLI_ERR (without CRs), its exit code in CLI_CODE.
cli() {
    local out=$E2E_TEST_TMP/cli.out err=$E2E_TEST_TMP/cli.err
    wine_run "$CLI_EXE" "$@" <"${CLI_INPUT:-/dev/null}" >"$out" 2>"$err"
    CLI_CODE=$?
    CLI_OUT=$(tr -d '\r' <"$out")
    CLI_ERR=$(tr -d '\r' <"$err")
    note "lockbay-cli $* -> exit $CLI_CODE"
    { printf '$ lockbay-cli %s  (exit %s)\n' "$*" "$CLI_CODE"; cat "$out" "$err"; } >>"$E2E_LOG_DIR/cli.log"
}

# json <python expression on d> : evaluates it on the last output, parsed as JSON; fails
# (and says so) when the output is not valid JSON.
json() {
    python3 -c 'import json, sys
d = json.loads(sys.argv[1])
print(eval(sys.argv[2], {"d": d}))' "$CLI_OUT" "$1" || fail "not valid JSON: $CLI_OUT"
}

assert_code() { assert_eq "$CLI_CODE" "$1" "exit code of lockbay-cli ($2)"; }
assert_says() {
    [[ $CLI_ERR$CLI_OUT == *"$1"* ]] || fail "$2: expected the message [$1], got [$CLI_OUT] [$CLI_ERR]"
}

# Cacls writes its entry for real and records it where the e2e build reads it back.
record_access_entries() {
    mkdir -p "$(c_path "$access_win")"
    export LOCKBAY_E2E_ACCESS=$access_win
}

stage_volume() {
    mkdir -p "$(c_path "$volumes_win")"
    printf '%s\r\n' "$2" >"$(c_path "$volumes_win")/$1.txt"
    export LOCKBAY_E2E_VOLUMES=$volumes_win
}

# ---- list ------------------------------------------------------------------------------

test_list_matches_the_main_windows_statuses() {
    add_drive E
    add_drive F
    add_drive G
    add_drive H
    mkdir "$(drive_dir E)/autorun.inf"
    printf '[autorun]\r\nopen=virus.exe\r\n' >"$(drive_dir F)/autorun.inf"
    set_drive_type H floppy
    hide 'E:\autorun.inf'

    cli list --json
    assert_code 0 "list --json"
    assert_eq "$(json '" ".join(r["drive"] + r["status"] for r in d["drives"] if r["drive"] != "C:")')" \
        "E:PROTECTED F:INFECTED G:UNPROTECTED H:UNPROTECTED" "statuses from list --json"
    assert_eq "$(json '[r["type"] for r in d["drives"] if r["drive"] == "H:"][0]')" "removable" "type of H:"
    local listed
    listed=$(json '"\n".join(r["drive"] + "    " + r["status"] for r in d["drives"] if r["drive"] != "C:")')

    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000
    assert_eq "$(list_items "$main" "$Form1_List1")" "$listed" "the main window's list against lockbay-cli list"

    cli list
    assert_code 0 "list"
    assert_eq "$(sed -n 1p <<<"$CLI_OUT")" "DRIVE  TYPE       FILE SYSTEM  STATUS       ADVANCED" "heading of list"
    assert_says "F:     fixed      NTFS         INFECTED     no" "the row of F:"
}

# ---- protect and restore -----------------------------------------------------------------

test_protect_and_restore_reach_the_states_they_report() {
    record_access_entries
    add_drive E
    printf '[autorun]\r\nopen=virus.exe\r\n' >"$(drive_dir E)/autorun.inf"
    printf 'keep me\r\n' >"$(drive_dir E)/notes.txt"
    add_drive F

    cli protect E: --json
    assert_code 0 "protect E:"
    assert_eq "$(json 'd["ok"], d["results"][0]["status"], d["results"][0]["advanced"]')" \
        "(True, 'PROTECTED', False)" "protect E: in JSON"
    assert_dir "$(drive_dir E)/autorun.inf" 'E:\autorun.inf'
    assert_eq "$(windows_attributes "$WINEPREFIX" 'E:\autorun.inf')" "H" "attributes of E:\\autorun.inf"
    assert_eq "$(cat "$(drive_dir E)/notes.txt")" $'keep me\r' "the other file on E:"

    cli protect F: --advanced --json
    assert_code 0 "protect F: --advanced"
    assert_eq "$(json 'd["results"][0]["advanced"], [s["exitCode"] for s in d["results"][0]["steps"] if s["command"]]')" \
        "(True, [0])" "protect F: --advanced in JSON"
    assert_eq "$(standin_commands)" 'cacls F:\autorun.inf /e /c /d Everyone ' "the command lockbay-cli waited for"
    # Wine turns the entry into Unix permissions (none at all) and keeps no access list;
    # the e2e build reads the entry the stand-in recorded.
    assert_eq "$(stat -c %a "$(drive_dir F)/autorun.inf")" "0" "Unix permissions of F:\\autorun.inf under Wine"
    assert_eq "$(cat "$(c_path "$access_win")/F__autorun.inf.txt")" "deny Everyone" "the entry cacls wrote"
    assert_eq "$(windows_attributes "$WINEPREFIX" 'F:\advancedlockbay')" "H" "attributes of F:\\advancedlockbay"
    cli list --json
    assert_eq "$(json '[(r["status"], r["advanced"]) for r in d["drives"] if r["drive"] == "F:"][0]')" \
        "('PROTECTED', True)" "F: in list --json"

    cli restore F: E: --json
    assert_code 0 "restore F: E:"
    assert_eq "$(json '[(r["drive"], r["ok"], r["status"]) for r in d["results"]]')" \
        "[('F:', True, 'UNPROTECTED'), ('E:', True, 'UNPROTECTED')]" "restore in JSON"
    assert_eq "$(standin_commands | tail -n 2)" $'takeown /f F:\\autorun.inf\ncacls F:\\autorun.inf /e /c /g Everyone:F' \
        "the commands of the Advanced restore"
    assert_missing "$(drive_dir F)/autorun.inf" 'F:\autorun.inf after restore'
    assert_missing "$(drive_dir F)/advancedlockbay" 'F:\advancedlockbay after restore'
    assert_missing "$(drive_dir E)/autorun.inf" 'E:\autorun.inf after restore'
}

test_advanced_protect_of_a_fat_drive_converts_only_when_confirmed() {
    record_access_entries
    add_drive E
    stage_volume E "FAT32 1073741824 ready"
    # convert asks for E's label on its input, and gets it from lockbay-cli.
    export LOCKBAY_STANDIN_CONVERT=label:MYSTICK
    printf 'MYSTICK\n' >"$(drive_dir E)/.windows-label"
    add_drive F
    stage_volume F "exFAT 1073741824 ready"
    cli protect F: --advanced --yes
    assert_code 1 "protect --advanced of an exFAT drive"
    assert_says "F: reads as exFAT, which cannot be converted to NTFS" "the refusal"
    assert_missing "$(drive_dir F)/autorun.inf" 'F:\autorun.inf after the refusal'

    # convert needs administrator rights: without them it is refused before anything changes.
    wine_run "$AS_STANDARD_USER" "$CLI_EXE" protect E: --advanced --yes >"$E2E_TEST_TMP/out" 2>&1
    assert_eq "$?" "3" "protect --advanced of a FAT drive with a standard user's rights"
    grep -q "which needs administrator rights" "$E2E_TEST_TMP/out" || fail "no word of administrator rights: $(cat "$E2E_TEST_TMP/out")"
    assert_missing "$(drive_dir E)/autorun.inf" 'E:\autorun.inf after the refusal'

    cli protect E: --advanced
    assert_code 1 "protect --advanced without an answer"
    assert_says "E: is FAT32. Advanced protection converts it to NTFS first, and a conversion cannot be undone. Convert E: to NTFS? [y/N]" \
        "the question"
    assert_says "E: was not converted to NTFS" "the refusal"
    assert_missing "$(drive_dir E)/autorun.inf" 'E:\autorun.inf after a refused conversion'
    assert_eq "$(standin_commands)" "" "commands after a refused conversion"

    printf 'y\r\n' >"$E2E_TEST_TMP/yes.txt"
    CLI_INPUT=$E2E_TEST_TMP/yes.txt cli protect E: --advanced
    assert_code 0 "protect --advanced answered yes"
    assert_says "E: protected (Advanced, converted to NTFS)" "the result"
    assert_eq "$(standin_commands)" $'convert E: /FS:NTFS /X \ncacls E:\\autorun.inf /e /c /d Everyone' \
        "convert, then the deny entry without a trailing blank"
    assert_eq "$(tr -d '\r' <"$(c_path "$volumes_win")/E.txt")" "NTFS 1073741824 ready" "E: after the conversion"
}

test_a_failing_cacls_makes_protect_advanced_fail_and_says_which_step() {
    record_access_entries
    add_drive E
    export LOCKBAY_STANDIN_FAIL=cacls
    cli protect E: --advanced
    assert_code 1 "protect --advanced with a failing cacls"
    assert_says 'The step "deny Everyone access to E:\autorun.inf" failed: "cmd.exe /c cacls E:\autorun.inf /e /c /d Everyone " ended with exit code 5.' \
        "the failed step"
    assert_eq "$(standin_commands)" 'cacls E:\autorun.inf /e /c /d Everyone ' "the command that failed"
    assert_missing "$(drive_dir E)/advancedlockbay" "the marker after a failed deny step"
}

# An autorun.inf file is INFECTED whatever its attributes, and protect moves it into the
# quarantine with no grant: E: Hidden+System+Read-only, F: Read-only, G: Hidden. E: also
# carries shortcuts the system's shell wrote (IShellLinkW): decoys starting the worm and,
# through rundll32, its library, and one to a document, which is no decoy.
test_protect_quarantines_an_autorun_file_whatever_its_attributes() {
    local d e
    for d in E F G; do
        add_drive "$d"
        printf '[autorun]\r\nopen=virus.exe\r\n' >"$(drive_dir "$d")/autorun.inf"
    done
    e=$(drive_dir E)
    mkdir -p "$e/RECYCLER" "$e/Photos" "$e/Work" "$e/Letters"
    printf 'MZ' | tee "$e/RECYCLER/x.exe" "$e/RECYCLER/x.dll" >"$e/report.docx"
    must drv make-shortcut 'E:\Photos.lnk' 'E:\RECYCLER\x.exe'
    must drv make-shortcut 'E:\Work.lnk' 'C:\windows\system32\rundll32.exe' 'RECYCLER\x.dll,Entry'
    must drv make-shortcut 'E:\Letters.lnk' 'E:\report.docx'
    local line='attrib +h G:\autorun.inf'
    for d in autorun.inf Photos Work Letters; do line+=" & attrib +h E:\\$d & attrib +s E:\\$d"; done
    wine_run cmd /c "$line & attrib +r E:\\autorun.inf & attrib +r F:\\autorun.inf" >/dev/null 2>&1
    [[ $(windows_attributes "$WINEPREFIX" 'E:\autorun.inf') == *S*H*R* ]] || fatal "E:\\autorun.inf is not SHR"

    cli list --json
    assert_eq "$(json '[r["status"] for r in d["drives"] if r["drive"] != "C:"]')" "['INFECTED', 'INFECTED', 'INFECTED']" "list"
    cli protect E: F: G: --json
    assert_code 0 "protect E: F: G:"
    assert_eq "$(json '[r["status"] for r in d["results"]], sorted(d["results"][0]["found"]["programs"])')" \
        "(['PROTECTED', 'PROTECTED', 'PROTECTED'], ['E:\\\\RECYCLER\\\\x.dll', 'E:\\\\RECYCLER\\\\x.exe'])" "protect"
    assert_eq "$(json 'd["results"][0]["found"]["shortcuts"], d["results"][0]["found"]["hiddenFolders"]')" \
        "(['E:\\\\Photos.lnk', 'E:\\\\Work.lnk'], ['E:\\\\Photos', 'E:\\\\Work'])" "the system's shortcuts as decoys"
    assert_eq "$(standin_commands)" "" "commands: no grant was needed"
    for d in E F G; do
        assert_eq "$(cat "$(drive_dir "$d")/Lockbay quarantine"/*/autorun.inf.quarantined)" $'[autorun]\r\nopen=virus.exe\r' \
            "$d:'s autorun.inf in the quarantine"
    done
    grep -q 'attrib +R +H +S "E:\\autorun.inf"' "$e/Lockbay quarantine/"*/README.txt || fail "E:'s README.txt lacks the attributes"
}

# ---- bad input -----------------------------------------------------------------------

test_bad_input_gets_a_clear_message_and_its_exit_code() {
    add_drive E
    add_drive D
    set_drive_type D cdrom
    local case
    while IFS='|' read -r code message args; do
        # shellcheck disable=SC2086  # the arguments are words
        cli $args
        assert_code "$code" "$args"
        assert_says "$message" "$args"
        [[ $CLI_OUT$CLI_ERR == *"Segmentation"* || $CLI_OUT$CLI_ERR == *"exception"* ]] && fail "$args crashed"
    done <<'EOF'
2|Unknown command "frobnicate".|frobnicate E:
2|"1:" is not a drive letter: drive letters go from A: to Z:.|protect 1:
2|"E" is not a drive: write the letter with its colon, E:.|protect E
2|"E:\photos" is a path: give the drive alone, a letter and a colon, such as E:.|protect E:\photos
4|D: is a CD or DVD drive: it cannot be protected.|protect D:
4|Q: is not there: no drive has that letter.|restore Q:
2|Give drives or --all-removable, not both.|protect C: --all-removable
EOF
    assert_eq "$(standin_commands)" "" "commands started for bad input"
    assert_missing "$(drive_dir E)/autorun.inf" "E:\\autorun.inf after bad input"

    # The system drive, even when it reads as removable, is never part of --all-removable.
    set_drive_type C floppy
    set_drive_type E floppy
    cli protect --all-removable --json
    assert_code 0 "protect --all-removable"
    assert_eq "$(json '[r["drive"] for r in d["results"]], [s["drive"] for s in d["skipped"]]')" \
        "(['E:'], ['C:'])" "drives protected and left out"
    assert_eq "$(json 'd["skipped"][0]["reason"]')" \
        "C: is left out: it is the system drive, which --all-removable never includes." "why C: is left out"
    assert_missing "$(c_path 'C:\autorun.inf')" 'C:\autorun.inf'
    assert_dir "$(drive_dir E)/autorun.inf" 'E:\autorun.inf'

    cli frobnicate --json
    assert_eq "$(json 'd["error"]["code"]')" "2" "a usage error in JSON"
}

# ---- the computer's AutoRun ----------------------------------------------------------

# export_registry <name> : the machine's and the user's software settings, where every
# AutoRun setting and Lockbay's own key live. (The rest of HKLM is no good for a
# comparison: Wine rewrites its video devices' keys whenever a program starts.) Wine
# registers its fonts when the first program of a prefix starts: lockbay-cli runs once
# before, so that this is done before anything is compared.
export_registry() {
    local name=$1
    wine_run "$CLI_EXE" --version >/dev/null 2>&1
    end_wine_server
    wine_run reg export 'HKLM\Software' "C:\\$name-machine.reg" >/dev/null 2>&1 || fatal "reg export HKLM failed"
    wine_run reg export 'HKCU\Software' "C:\\$name-user.reg" >/dev/null 2>&1 || fatal "reg export HKCU failed"
}

test_computer_protect_then_restore_leaves_the_registry_byte_identical() {
    # A value of the administrator's own, and one that is absent (with its key).
    wine_run reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Policies\Explorer' /v NoDriveTypeAutoRun \
        /t REG_DWORD /d 0x91 /f >/dev/null 2>&1 || fatal "could not set NoDriveTypeAutoRun"
    wine_run reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\IniFileMapping\autorun.inf' /f \
        >/dev/null 2>&1
    export_registry before

    cli computer protect
    assert_code 0 "computer protect"
    assert_says "AutoRun is now off on this computer." "computer protect"
    cli computer status --json
    assert_eq "$(json 'd["autoRun"], d["saved"], [(s["name"], s["value"]) for s in d["settings"] if s["changedByLockbay"]]')" \
        "('off', True, [('NoDriveTypeAutoRun', 255), ('', '@SYS:DoesNotExist')])" "status after protect"
    cli computer status
    assert_says $'    value:   0x000000ff (255)\n    meaning: AutoRun is off for every type of drive.' "status text"

    cli computer restore
    assert_code 0 "computer restore"
    export_registry after
    cmp -s "$(c_path 'C:\before-machine.reg')" "$(c_path 'C:\after-machine.reg')" ||
        fail "HKLM differs after protect and restore: $(diff <(iconv -f UTF-16 -t UTF-8 "$(c_path 'C:\before-machine.reg')") \
            <(iconv -f UTF-16 -t UTF-8 "$(c_path 'C:\after-machine.reg')") | head -20)"
    cmp -s "$(c_path 'C:\before-user.reg')" "$(c_path 'C:\after-user.reg')" || fail "HKCU differs after protect and restore"

    cli computer restore
    assert_code 1 "a second computer restore"
    assert_says "there are no saved settings to put back" "a second computer restore"
}

test_computer_commands_need_administrator_rights() {
    export_registry before
    wine_run "$AS_STANDARD_USER" "$CLI_EXE" computer protect >"$E2E_TEST_TMP/out" 2>&1
    assert_eq "$?" "3" "computer protect with a standard user's rights"
    grep -q "needs administrator rights" "$E2E_TEST_TMP/out" || fail "no word of administrator rights: $(cat "$E2E_TEST_TMP/out")"
    export_registry after
    cmp -s "$(c_path 'C:\before-machine.reg')" "$(c_path 'C:\after-machine.reg')" || fail "the registry changed"
}

# ---- the main window's line ------------------------------------------------------------

test_main_window_line_switches_autorun_off_and_back_on() {
    add_drive E
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000
    assert_eq "$(ctl_text "$main" "$Form1_Label11")" "This computer: AutoRun is on" "the AutoRun line"
    assert_eq "$(ctl_text "$main" "$Form1_Label12")" "Turn off" "the AutoRun action"
    screenshot autorun-line-english-on "$main"

    must drv click "$main" "$Form1_Label12"
    must drv wait-text "$main" "$Form1_Label11" "This computer: AutoRun is off" 10000
    assert_eq "$(ctl_text "$main" "$Form1_Label12")" "Turn on" "the action once AutoRun is off"
    cli computer status --json
    assert_eq "$(json 'd["autoRun"], d["saved"]')" "('off', True)" "lockbay-cli's view of the switch"
    # With the list and Protect shown, nothing touches the line.
    must drv list-select "$main" "$Form1_List1" 0
    must drv wait-visible "$main" "$Form1_Picture6" 10000
    screenshot autorun-line-english-off "$main"

    must drv click "$main" "$Form1_Label12"
    must drv wait-text "$main" "$Form1_Label11" "This computer: AutoRun is on" 10000
    cli computer status --json
    assert_eq "$(json 'd["autoRun"], d["saved"]')" "('on', False)" "after Turn on"
}

test_main_window_line_in_every_language() {
    add_drive E
    start_server --version 4.0.0
    local language expected
    while IFS='|' read -r language expected; do
        printf '%s\r\n' "$language.vlng" >"$(lockbay_dir)/clng.vlng"
        start_lockbay
        must drv wait-window "$main" 60000
        must drv wait-text "$main" "$Form1_Label11" "$expected" 10000
        must drv list-select "$main" "$Form1_List1" 0
        must drv click "$main" "$Form1_Label2"
        must drv wait-visible "$main" "$Form1_Picture2" 10000
        screenshot "autorun-line-$language" "$main"
        must drv close "$main"
        wait_until 20 bash -c "! kill -0 $LOCKBAY_PID 2>/dev/null" || fatal "Lockbay did not end"
    done <<'EOF'
english|This computer: AutoRun is on
german|Dieser Computer: AutoRun ist an
francais|Cet ordinateur : AutoRun est activé
spanish|Este equipo: AutoRun está activado
italian|Questo computer: AutoRun è attivo
romana|Acest calculator: AutoRun este pornit
indonesian|Komputer ini: AutoRun aktif
EOF
}

test_main_window_without_rights_starts_the_command_line_and_reports_its_failure() {
    # Wine grants no rights to a program started with the runas verb from a standard
    # user's process, so the command line says it needs them and the window tells the user.
    start_server --version 4.0.0
    (cd "$(lockbay_dir)" && exec "$(wine_loader)" "$AS_STANDARD_USER" "$LOCKBAY_WIN_DIR\\lockbay.exe") \
        >"$E2E_LOG_DIR/lockbay.out" 2>&1 &
    LOCKBAY_PID=$!
    E2E_PIDS+=("$LOCKBAY_PID")
    must drv wait-window "$main" 60000
    must drv click "$main" "$Form1_Label12"
    must drv wait-window "$MessageBox_class:Lockbay" 30000
    assert_eq "$(ctl_text "$MessageBox_class:Lockbay" "$MessageBox_Text")" \
        "This computer's AutoRun setting was not changed." "the message"
    screenshot autorun-not-changed
    must drv click "$MessageBox_class:Lockbay" "$MessageBox_OK"
    assert_eq "$(ctl_text "$main" "$Form1_Label11")" "This computer: AutoRun is on" "the line after the failure"
    must drv wait-visible "$main" "$Form1_Picture16" 10000
}
