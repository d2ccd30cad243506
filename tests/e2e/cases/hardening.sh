# Attacks on the elevated programs through what a stick, a file or another program of the
# user can write, each shown to come to nothing: each test stages one, lets Lockbay, the
# watcher, lockbay-cli, the updater or the setup act, and checks that nothing happens
# outside the drive or the file that was asked about.

main=Lockbay_Form1
box=$MessageBox_class
HARDENING_HELPERS=$(cd "$(dirname "${BASH_SOURCE[0]}")/../bad_input" && pwd)

# ---- Links on a stick ----------------------------------------------------------------------

# Under Wine a Unix symbolic link to a folder inside a mapped drive is what a junction is
# on an NTFS stick: a folder with FILE_ATTRIBUTE_REPARSE_POINT whose paths lead to its
# target. Only folder links are used: Wine 8 deletes the target of a link to a file,
# not the link, which no stick on Windows does.

# make_linked_stick <letter> <outside folder> : a stick whose folder "docs" (Hidden and
# System, as its target is) leads to the outside folder; autorun.inf opens a document
# through it and starts one program of the stick itself; the decoy "docs.lnk" starts a
# program through the link; "Lockbay quarantine" leads to an empty folder outside.
make_linked_stick() {
    local d=$1 outside=$2 root
    add_drive "$d"
    root=$(drive_dir "$d")
    mkdir -p "$root/RECYCLER" "$outside/docs" "$outside/quarantine"
    head -c 3000 /dev/urandom >"$root/RECYCLER/virus.exe"
    head -c 5000 /dev/urandom >"$outside/docs/thesis.docx"
    head -c 2000 /dev/urandom >"$outside/docs/run.exe"
    ln -s "$outside/docs" "$root/docs"
    ln -s "$outside/quarantine" "$root/Lockbay quarantine"
    printf '[autorun]\r\nopen=docs\\thesis.docx\r\nshell\\open\\command=RECYCLER\\virus.exe\r\n' >"$root/autorun.inf"
    python3 "$E2E_LIB/make_lnk.py" "$root/docs.lnk" --relative 'docs\run.exe'
}

# The record of everything outside the drives that a link there could reach, and of what
# lies beside them: compared before and after, it shows that nothing there changed or
# appeared.
outside_record() {
    local folder
    for folder in "$@"; do python3 "$HARDENING_HELPERS/tree_hash.py" snapshot "$folder"; done
    ls -A "$E2E_TEST_TMP/drives" "$(c_path 'C:\')"
}

test_links_on_a_stick_lead_neither_yes_nor_clean_off_the_drive() {
    local outside_e outside_f before
    outside_e=$(c_path 'C:\users\Public\Documents\E')
    outside_f=$E2E_TEST_TMP/outside-every-drive
    make_linked_stick E "$outside_e"
    make_linked_stick F "$outside_f"
    # Hidden and System, through the links (Wine's attrib takes one attribute per call).
    wine_run cmd /c 'attrib +h E:\docs & attrib +s E:\docs & attrib +h F:\docs & attrib +s F:\docs' >/dev/null 2>&1
    [[ $(windows_attributes "$WINEPREFIX" 'E:\docs') == *S*H* ]] || wine_start_failed "E:\docs is not Hidden and System"
    before=$(outside_record "$outside_e" "$outside_f")

    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000
    must drv list-select "$main" "$Form1_List1" 0
    must drv wait-visible "$main" "$Form1_Picture6" 10000
    must drv click "$main" "$Form1_Label7"
    # No quarantine can be made where it would lead off the drive: the file goes without a
    # copy, and Lockbay says so before it asks.
    wait_until 30 hardening_box_starts_with 'No copy of E:\autorun.inf could be kept' ||
        fatal "no word that no copy was kept; the screen shows: $(hardening_box_text 2>&1)"
    must drv click "$box" "$MessageBox_OK"
    wait_question "Lockbay has removed the autorun.inf file of drive E:"
    [[ $(question_text) == *$'Programs that the virus runs:\n    E:\\RECYCLER\\virus.exe\n\nNot moved, and why:\n    open=docs\\thesis.docx (it leads off the drive)\n    E:\\docs.lnk -> docs\\run.exe (it leads off the drive)\n\nClean'* ]] ||
        fail "the question names what leads off the drive: [$(question_text)]"
    screenshot hardening-links-question "$question"
    answer_yes
    wait_until 30 hardening_box_starts_with "Nothing has been moved: the folder \"E:\\Lockbay quarantine\" on the drive is a link" ||
        fatal "no summary: $(hardening_box_text 2>&1)"
    [[ $(hardening_box_text) == *$'Not moved, and why:\n'*$'\n    E:\\Lockbay quarantine (it leads off the drive)' ]] ||
        fail "the summary names the quarantine folder that is a link: [$(hardening_box_text)]"
    screenshot hardening-links-summary "$box"
    must drv click "$box" "$MessageBox_OK"
    assert_eq "$(python3 "$HARDENING_HELPERS/tree_hash.py" status "$(drive_dir E)")" PROTECTED "E:'s status"

    hardening_cli protect F: --clean --json
    assert_eq "$CLI_CODE" 1 "exit code of protect F: --clean: nothing could be moved"
    assert_eq "$(python3 -c 'import json, sys
r = json.loads(sys.argv[1])["results"][0]
print(r["status"], r["cleaned"]["quarantineFolder"], *r["found"]["programs"])
for item in r["found"]["refused"] + r["cleaned"]["refused"][-1:]:
    print(item["source"], item["name"], item["reason"], item["text"])' "$CLI_OUT")" \
        "PROTECTED None F:\\RECYCLER\\virus.exe
open docs\\thesis.docx off-drive it leads off the drive
F:\\docs.lnk docs\\run.exe off-drive it leads off the drive
None F:\\Lockbay quarantine off-drive it leads off the drive" "what --clean found and left alone, in JSON"

    assert_eq "$(outside_record "$outside_e" "$outside_f")" "$before" "everything outside the sticks"
    assert_file "$(drive_dir E)/RECYCLER/virus.exe" "the stick's own program, with no quarantine to take it"
}

# An autorun.inf that is a link to a folder elsewhere reads as a protected drive, but no
# cacls runs on it (it would change the target's access list) and its target stays as it
# is: not hidden, not written.
test_no_command_runs_on_an_autorun_inf_that_is_a_link() {
    local outside before
    outside=$(c_path 'C:\users\Public\Documents\G')
    add_drive G
    mkdir -p "$outside"
    printf 'mine\r\n' >"$outside/notes.txt"
    ln -s "$outside" "$(drive_dir G)/autorun.inf"
    before=$(outside_record "$outside")
    hardening_cli protect G: --advanced --yes
    assert_eq "$CLI_CODE" 1 "exit code of protect G: --advanced"
    [[ $(cat "$E2E_LOG_DIR/cli.err") == *'G:\autorun.inf is a link'* ]] || fail "no reason given: $(cat "$E2E_LOG_DIR/cli.err")"
    assert_eq "$(standin_commands)" "" "the commands the stand-ins recorded"
    assert_eq "$(outside_record "$outside")" "$before" "the link's target"
}

# ---- The hand-over -------------------------------------------------------------------------

# An unelevated program writes an entry for C: (made a removable drive here, so that only
# the rule about the system drive keeps it out) with C:'s serial, naming a file on C:.
# Lockbay asks nothing, the file stays, and the entry is dropped.
test_a_handover_for_the_system_drive_is_dropped_unasked() {
    set_drive_type C floppy
    local victim serial
    victim=$(c_path 'C:\users\Public\victim.exe')
    head -c 1000 /dev/urandom >"$victim"
    serial=$(wine_run cmd /c vol C: | tr -d '\r-' | sed -n 's/.*Serial Number is \([0-9A-F]\{8\}\)$/\1/p')
    [[ -n $serial ]] || fatal "C:'s serial could not be read"
    wine_run reg add 'HKCU\Software\Lockbay\Drives to clean' /v "C: $serial" /t REG_BINARY /f /d "$(python3 -c '
import struct, sys, time; body = b"[autorun]\r\nopen=users\\Public\\victim.exe\r\n"
print((struct.pack("<IBQQ", int(sys.argv[1], 16), 1, len(body), int(time.time()) - 60) + body).hex())' "$serial")" >/dev/null ||
        fatal "could not write the entry"

    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000
    sleep 2
    if drv windows | grep -q "^$box\|^$question"; then fail "Lockbay asked: $(hardening_box_text)$(question_text 2>/dev/null)"; fi
    assert_file "$victim" "the file the entry names"
    assert_eq "$(wine_run reg query 'HKCU\Software\Lockbay\Drives to clean' 2>/dev/null | grep -c 'REG_BINARY')" 0 \
        "entries left"
}

# ---- Helpers of these tests ----------------------------------------------------------------

hardening_box_text() { ctl_text "$box" "$MessageBox_Text"; }
hardening_box_starts_with() { [[ $(hardening_box_text 2>/dev/null) == "$1"* ]]; }

# hardening_cli [arguments...] : lockbay-cli from C:\; its output in CLI_OUT, its exit code
# in CLI_CODE, its standard error appended to cli.err in the test's logs.
hardening_cli() {
    wine_run "$LOCKBAY_WIN_DIR\\lockbay-cli.exe" "$@" </dev/null >"$E2E_TEST_TMP/cli.out" 2>>"$E2E_LOG_DIR/cli.err"
    CLI_CODE=$? CLI_OUT=$(tr -d '\r' <"$E2E_TEST_TMP/cli.out")
}

# ---- Updater, tools and setup ------------------------------------------------------------

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
