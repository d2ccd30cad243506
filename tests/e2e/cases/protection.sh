# Protect, Restore and the free-space dialog under Wine: what the user sees in the main
# window, what lands on the drive, and the command lines that reach the stand-ins for
# cacls, takeown and convert (recorded exactly as they received them).

main=Lockbay_Form1
frs=Lockbay_frs

# Where the tests stage a drive's file system, free space and readiness (the e2e
# build reads <folder>\<letter>.txt when LOCKBAY_E2E_VOLUMES names the folder).
volumes_win='C:\volumes'

# stage_volume <letter> "<file system> <free bytes> <ready|notready>" : replaced in
# one step, so that Lockbay never reads half a line.
stage_volume() {
    local folder
    folder=$(c_path "$volumes_win")
    mkdir -p "$folder"
    if ! printf '%s\r\n' "$2" >"$folder/$1.txt.new" || ! mv -f "$folder/$1.txt.new" "$folder/$1.txt"; then
        fatal "could not stage drive $1: $2"
    fi
}

# Wine keeps no access lists: the cacls stand-in records its entries where the e2e build
# reads them back, so the deny entry that Advanced protection checks before its marker is there.
record_access_entries() {
    mkdir -p "$(c_path 'C:\access')"
    export LOCKBAY_E2E_ACCESS='C:\access'
}

# message_says <text> : Lockbay's message box is open with this text; it is closed with
# its button <id> (OK unless given).
message_says() {
    local box="$MessageBox_class:Lockbay"
    must drv wait-window "$box" 60000
    assert_eq "$(ctl_text "$box" "$MessageBox_Text")" "$1" "the message"
    must drv click "$box" "${2:-$MessageBox_OK}"
    must drv wait-gone "$box" 30000
}

# The question before convert /X, answered Yes.
conversion_question() {
    message_says "Converting drive $1: to NTFS takes it off-line for a while: files that are open from it will be closed, and the conversion cannot be undone. Convert it now? (No keeps its Simple protection.)" \
        "$MessageBox_Yes"
}

# The main window's list reads exactly these lines.
list_reads() {
    [[ $(list_items "$main" "$Form1_List1") == "$(printf '%s\n' "$@")" ]]
}

# The main window is out of its busy state with a freshly built list: "Please Wait..."
# hidden, the list shown and nothing selected in it (a rebuild clears the selection,
# which the tests always set before they start an operation).
idle_with_fresh_list() {
    local reads
    reads=$(printf 'control-visible %s %s\ncontrol-visible %s %s\nlist-selected %s %s\n' \
        "$main" "$Form1_waitt" "$main" "$Form1_List1" "$main" "$Form1_List1" | drv_lines | tr -d '\r')
    [[ $reads == $'0\n1\n-1' ]]
}

# wait_for_refresh : until the operation has ended with the list rebuilt.
wait_for_refresh() {
    wait_until 90 idle_with_fresh_list ||
        fatal "the main window did not come back from its busy state with a fresh list"
}

# The main window is busy: "Please Wait..." shown, the list, its heading, Refresh,
# Protect, Restore and the mode panels hidden.
assert_busy() {
    local what=$1 id
    assert_visible "$main" "$Form1_waitt" 1 "Please Wait... ($what)"
    assert_eq "$(ctl_text "$main" "$Form1_waitt")" "Please Wait..." "the busy label's text ($what)"
    for id in List1 Label1 Picture15 Picture6 Picture7 Picture1 Picture2; do
        local var=Form1_$id
        assert_visible "$main" "${!var}" 0 "$id while busy ($what)"
    done
}

# Every command Lockbay started has run to its end: the stand-ins are started through
# cmd.exe, which waits for them.
commands_finished() {
    local exe
    for exe in cmd.exe cacls.exe takeown.exe convert.exe; do
        drv wait-process-gone "$exe" 60000 >/dev/null || fail "$exe is still running after 60 s"
    done
}

# assert_commands [line...] : the stand-ins recorded exactly these command lines, in
# this order (none when no line is given). Waits until the expected number of lines is
# there and every started command has ended.
assert_commands() {
    local expected actual count=$#
    expected=$( (($#)) && printf '%s\n' "$@")
    recorded_enough() { (($(standin_commands | wc -l) >= count)); }
    wait_until 60 recorded_enough
    commands_finished
    actual=$(standin_commands)
    [[ $actual == "$expected" ]] && return 0
    fail "recorded command lines: expected"
    (($#)) && printf '    [%s]\n' "$@" >&2
    note "but the stand-ins recorded"
    [[ -n $actual ]] && printf '%s\n' "$actual" | sed 's/^/    [/; s/$/]/' >&2
}

# assert_hidden_folder <windows-path> <linux-path> : a folder whose attributes are
# Hidden alone (attrib shows no other letter).
assert_hidden_folder() {
    assert_dir "$2" "$1"
    assert_eq "$(windows_attributes "$WINEPREFIX" "$1")" "H" "attributes of $1"
}

# assert_denied_folder <windows-path> <linux-path> : the hidden folder after the cacls
# stand-in wrote its deny entry for real, which Wine keeps only as the folder's Unix mode
# (it reads as Read-only besides Hidden).
assert_denied_folder() {
    assert_dir "$2" "$1"
    assert_eq "$(windows_attributes "$WINEPREFIX" "$1")" "HR" "attributes of $1"
}

# Contents of every file on a drive outside its autorun.inf, with their checksums.
drive_files() {
    (cd "$(drive_dir "$1")" && find . -path ./autorun.inf -prune -o -type f -print0 | sort -z |
        xargs -0 -r sha256sum)
}

# select_line <index> <Protect|Restore> : selects a line and waits for the button
# that fits it.
select_line() {
    must drv list-select "$main" "$Form1_List1" "$1"
    case $2 in
        Protect) must drv wait-visible "$main" "$Form1_Picture6" 10000 ;;
        Restore) must drv wait-visible "$main" "$Form1_Picture7" 10000 ;;
    esac
}

switch_to_advanced() {
    must drv click "$main" "$Form1_Label2"
    must drv wait-visible "$main" "$Form1_Picture2" 10000
    assert_visible "$main" "$Form1_Picture1" 0 "the Simple panel after choosing Advanced"
}

start_main_window() {
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000
}

# ---- Protect ---------------------------------------------------------------------------

test_simple_protect_of_an_empty_drive_leaves_a_hidden_folder() {
    add_drive E
    start_main_window
    assert_list "$main" "$Form1_List1" "E:    UNPROTECTED"
    select_line 0 Protect
    assert_visible "$main" "$Form1_Picture1" 1 "the Simple panel"

    # The busy state itself is checked during a conversion, where it lasts as long as
    # the test wants; here it ends half a second after the click.
    must drv click "$main" "$Form1_Label7"

    wait_for_refresh
    assert_list "$main" "$Form1_List1" "E:    PROTECTED"
    assert_visible "$main" "$Form1_Picture15" 1 "Refresh after the operation"
    assert_hidden_folder 'E:\autorun.inf' "$(drive_dir E)/autorun.inf"
    assert_eq "$(ls -A "$(drive_dir E)/autorun.inf" 2>&1)" "" "contents of E:\\autorun.inf"
    assert_missing "$(drive_dir E)/advancedlockbay" "marker folder of a Simple protection"
    assert_commands
    screenshot protect-simple-done "$main"

    # The new line offers Restore.
    select_line 0 Restore
    assert_visible "$main" "$Form1_Picture6" 0 "Protect for the protected drive"
}

# E: a plain autorun.inf; F: Hidden and System; G: Read-only; H: all three, as worms leave
# it. Each reads INFECTED, and Protect moves the file into the drive's quarantine (no
# grant needed) and leaves the hidden folder. On I: a file named "Lockbay quarantine"
# leaves no room for a quarantine: autorun.inf is deleted, and the user is told.
test_protect_of_an_infected_drive_replaces_the_file_with_a_hidden_folder() {
    local d root
    for d in E F G H I; do
        add_drive "$d"
        root=$(drive_dir "$d")
        printf '[autorun]\r\nopen=virus.exe\r\nshell\\open\\command=virus.exe\r\n' >"$root/autorun.inf"
    done
    root=$(drive_dir E)
    printf 'quarterly figures\r\n' >"$root/report.txt"
    mkdir -p "$root/photos"
    head -c 70000 /dev/urandom >"$root/photos/holiday.jpg"
    printf 'in the way\r\n' >"$(drive_dir I)/Lockbay quarantine"
    wine_run cmd /c 'attrib +h F:\autorun.inf & attrib +s F:\autorun.inf & attrib +r G:\autorun.inf & attrib +h H:\autorun.inf & attrib +s H:\autorun.inf & attrib +r H:\autorun.inf & attrib +h I:\autorun.inf & attrib +s I:\autorun.inf & attrib +r I:\autorun.inf' >/dev/null 2>&1 ||
        fatal "could not set the attributes"
    local before
    before=$(drive_files E)
    start_main_window
    assert_list "$main" "$Form1_List1" "E:    INFECTED" "F:    INFECTED" "G:    INFECTED" "H:    INFECTED" "I:    INFECTED"

    local index=0
    for d in E F G H I; do
        select_line "$index" Protect
        must drv click "$main" "$Form1_Label7"
        index=$((index + 1))
        [[ $d == I ]] && break
        wait_for_refresh
    done
    must drv wait-text-start "$MessageBox_class" "$MessageBox_Text" \
        "No copy of I:\\autorun.inf could be kept: the folder \"I:\\Lockbay quarantine\" could not be made" 30000
    screenshot protect-no-copy-kept
    must drv click "$MessageBox_class" "$MessageBox_OK"
    wait_for_refresh
    assert_list "$main" "$Form1_List1" "E:    PROTECTED" "F:    PROTECTED" "G:    PROTECTED" "H:    PROTECTED" "I:    PROTECTED"
    for d in E F G H I; do assert_hidden_folder "$d:\\autorun.inf" "$(drive_dir "$d")/autorun.inf"; done
    assert_eq "$(ls -A "$root/autorun.inf" 2>&1)" "" "contents of the new E:\\autorun.inf folder"
    assert_eq "$(drive_files E | grep -v 'Lockbay quarantine')" "$before" "the other files on E: and their contents"
    for d in E F G H; do
        assert_eq "$(cat "$(drive_dir "$d")/Lockbay quarantine"/*/autorun.inf.quarantined 2>&1)" \
            $'[autorun]\r\nopen=virus.exe\r\nshell\\open\\command=virus.exe\r' "$d:'s autorun.inf in the quarantine"
    done
    grep -q 'attrib +R +H +S "H:\\autorun.inf"' "$(drive_dir H)/Lockbay quarantine/"*/README.txt ||
        fail "H:'s README.txt does not tell the attributes autorun.inf had"
    # Every file could be moved, so no permission had to be granted first.
    assert_commands
}

test_advanced_protect_of_an_ntfs_drive_denies_everyone_and_leaves_the_marker() {
    add_drive E  # Wine reports a folder-backed drive as NTFS
    record_access_entries
    start_main_window
    select_line 0 Protect
    switch_to_advanced
    must drv click "$main" "$Form1_Label7"
    wait_for_refresh

    assert_list "$main" "$Form1_List1" "E:    PROTECTED"
    assert_denied_folder 'E:\autorun.inf' "$(drive_dir E)/autorun.inf"
    assert_hidden_folder 'E:\advancedlockbay' "$(drive_dir E)/advancedlockbay"
    # cmd.exe passes the rest of its line on as it stands: the blank at the end too.
    assert_commands 'cacls E:\autorun.inf /e /c /d Everyone '
}

# ---- Restore ---------------------------------------------------------------------------

test_restore_of_a_simple_protection_removes_the_folder() {
    add_drive E
    mkdir "$(drive_dir E)/autorun.inf"
    hide 'E:\autorun.inf'
    start_main_window
    assert_list "$main" "$Form1_List1" "E:    PROTECTED"

    select_line 0 Restore
    assert_eq "$(ctl_text "$main" "$Form1_Label8")" "Restore" "the Restore label's text"
    assert_visible "$main" "$Form1_Picture6" 0 "Protect for the protected drive"
    must drv click "$main" "$Form1_Label8"
    wait_for_refresh

    assert_list "$main" "$Form1_List1" "E:    UNPROTECTED"
    assert_missing "$(drive_dir E)/autorun.inf" "E:\\autorun.inf after Restore"
    assert_commands
}

test_restore_of_an_advanced_protection_gives_access_back_and_removes_marker_and_folder() {
    add_drive E
    mkdir "$(drive_dir E)/autorun.inf" "$(drive_dir E)/advancedlockbay"
    hide 'E:\autorun.inf' 'E:\advancedlockbay'
    start_main_window
    assert_list "$main" "$Form1_List1" "E:    PROTECTED"

    select_line 0 Restore
    must drv click "$main" "$Form1_Label8"
    wait_for_refresh

    assert_list "$main" "$Form1_List1" "E:    UNPROTECTED"
    assert_missing "$(drive_dir E)/autorun.inf" "E:\\autorun.inf after Restore"
    assert_missing "$(drive_dir E)/advancedlockbay" "E:\\advancedlockbay after Restore"
    assert_commands 'takeown /f E:\autorun.inf' 'cacls E:\autorun.inf /e /c /g Everyone:F'
}

test_restore_keeps_a_protection_folder_that_holds_a_file() {
    add_drive E
    mkdir "$(drive_dir E)/autorun.inf"
    printf 'my own notes\r\n' >"$(drive_dir E)/autorun.inf/notes.txt"
    hide 'E:\autorun.inf'
    start_main_window
    assert_list "$main" "$Form1_List1" "E:    PROTECTED"

    select_line 0 Restore
    must drv click "$main" "$Form1_Label8"
    message_says "The autorun.inf folder of drive E: could not be removed, so the drive is still protected. The folder may hold files (Lockbay never deletes them), or its access could not be given back."
    wait_for_refresh

    assert_list "$main" "$Form1_List1" "E:    PROTECTED"
    assert_dir "$(drive_dir E)/autorun.inf" "E:\\autorun.inf holding a file"
    assert_eq "$(cat "$(drive_dir E)/autorun.inf/notes.txt" 2>&1)" $'my own notes\r' "E:\\autorun.inf\\notes.txt"
    assert_commands
}

# ---- The free-space dialog and the conversion ------------------------------------------

# Drive G: (FAT32, 1 MB free) selected in Advanced mode and Protect clicked: the
# free-space dialog takes over from the hidden main window.
protect_g_with_too_little_space() {
    add_drive G
    record_access_entries
    export LOCKBAY_STANDIN_CONVERT_TO_NTFS=1 LOCKBAY_STANDIN_HOLD='C:\hold-convert'
    export LOCKBAY_E2E_VOLUMES=$volumes_win
    stage_volume G "FAT32 1048576 ready"
    start_main_window
    assert_list "$main" "$Form1_List1" "G:    UNPROTECTED"
    select_line 0 Protect
    switch_to_advanced
    must drv click "$main" "$Form1_Label7"

    must drv wait-window "$frs" 60000
    assert_eq "$(window_title "$frs")" "Lockbay - Free up some space" "the free-space dialog's title"
    assert_eq "$(drv visible "$main")" 0 "the main window shown (1) or hidden (0) behind the dialog"
    assert_eq "$(ctl_text "$frs" "$frs_Label1")" \
        "You don't have enough free space on your drive. Please make sure you have at least 10 MB free space on your drive. The program needs this space to convert your USB to NTFS, which will enable Advanced Protection." \
        "the free-space message"
    assert_eq "$(ctl_text "$frs" "$frs_Label4")" "Continue" "the Continue label"
    assert_eq "$(ctl_text "$frs" "$frs_Label2")" "Cancel" "the Cancel label"
    # The Simple part is done before the dialog shows.
    assert_hidden_folder 'G:\autorun.inf' "$(drive_dir G)/autorun.inf"
}

test_free_space_dialog_continue_converts_once_there_is_room() {
    protect_g_with_too_little_space
    screenshot free-space-dialog "$frs"

    # Still 1 MB free: Continue does nothing.
    must drv click "$frs" "$frs_Label4"
    must drv settle "$frs"
    assert_eq "$(drv visible "$frs")" 1 "the dialog after Continue with 1 MB free"
    assert_eq "$(drv visible "$main")" 0 "the main window after Continue with 1 MB free"
    assert_commands

    # 20 MB free: after the question, the conversion starts, the main window comes back,
    # still busy while convert runs (held by the test).
    stage_volume G "FAT32 20971520 ready"
    local hold
    hold=$(c_path 'C:\hold-convert')
    : >"$hold"
    must drv click "$frs" "$frs_Label4"
    conversion_question G
    must drv wait-gone "$frs" 60000
    must drv wait-window "$main" 60000
    recorded() { standin_commands | grep -qF 'convert G: /FS:NTFS /X '; }
    wait_until 60 recorded || fail "convert was not started"
    assert_busy "during the conversion"
    screenshot protect-busy "$main"

    # The drive goes and comes back while convert still runs: not the end.
    stage_volume G "FAT32 20971520 notready"
    sleep 2
    stage_volume G "FAT32 20971520 ready"
    sleep 2
    assert_busy "while convert still runs"
    # convert ends, the drive reads NTFS: the permission, then the marker, then the list.
    rm -f "$hold"
    wait_for_refresh
    assert_list "$main" "$Form1_List1" "G:    PROTECTED"
    assert_commands 'convert G: /FS:NTFS /X ' 'cacls G:\autorun.inf /e /c /d Everyone'
    assert_denied_folder 'G:\autorun.inf' "$(drive_dir G)/autorun.inf"
    assert_hidden_folder 'G:\advancedlockbay' "$(drive_dir G)/advancedlockbay"
    assert_eq "$(drv visible "$frs")" 0 "the free-space dialog at the end"
}

# convert's own result decides: a drive it refuses (exFAT) is refused before anything
# changes; a refusal (exit code 1) is told at once; a labelled FAT32 drive is given its
# label on convert's input and converts without anyone typing.
test_the_conversion_is_decided_by_convert_itself() {
    add_drive G
    add_drive H
    add_drive J
    record_access_entries
    export LOCKBAY_E2E_VOLUMES=$volumes_win LOCKBAY_STANDIN_CONVERT_TO_NTFS=1
    export LOCKBAY_STANDIN_CONVERT_H=label:MYSTICK LOCKBAY_STANDIN_CONVERT_J=refuse
    stage_volume G "exFAT 1073741824 ready"
    stage_volume H "FAT32 1073741824 ready"
    stage_volume J "FAT32 1073741824 ready"
    printf 'MYSTICK\n' >"$(drive_dir H)/.windows-label"  # Wine's volume label
    start_main_window

    select_line 0 Protect
    switch_to_advanced
    must drv click "$main" "$Form1_Label7"
    message_says "Drive G: uses exFAT, which cannot be converted to NTFS: only FAT and FAT32 drives can. Advanced protection needs NTFS, so nothing on the drive has been changed. Protect it in Simple mode instead."
    wait_for_refresh
    assert_missing "$(drive_dir G)/autorun.inf" "G:\\autorun.inf after the refusal"

    select_line 2 Protect
    switch_to_advanced
    must drv click "$main" "$Form1_Label7"
    conversion_question J
    message_says "The conversion of drive J: to NTFS did not succeed (convert ended with exit code 1, and the drive reads as FAT32), so Everyone has not been denied access to its autorun.inf folder.

The drive keeps its Simple protection. To try Advanced protection again, select the drive, click Restore, then Protect it in Advanced mode."
    wait_for_refresh

    select_line 1 Protect
    switch_to_advanced
    must drv click "$main" "$Form1_Label7"
    must drv wait-window "$MessageBox_class:Lockbay" 60000
    screenshot conversion-question
    conversion_question H
    wait_for_refresh
    assert_list "$main" "$Form1_List1" "G:    UNPROTECTED" "H:    PROTECTED" "J:    PROTECTED"
    assert_commands 'convert J: /FS:NTFS /X ' 'convert H: /FS:NTFS /X ' 'cacls H:\autorun.inf /e /c /d Everyone'
    assert_hidden_folder 'H:\advancedlockbay' "$(drive_dir H)/advancedlockbay"
    assert_missing "$(drive_dir J)/advancedlockbay" "J:\\advancedlockbay after the refusal"
}

test_free_space_dialog_cancel_leaves_a_simple_protection() {
    protect_g_with_too_little_space
    must drv click "$frs" "$frs_Label2"
    must drv wait-gone "$frs" 60000
    must drv wait-window "$main" 60000
    wait_for_refresh

    assert_list "$main" "$Form1_List1" "G:    PROTECTED"
    assert_hidden_folder 'G:\autorun.inf' "$(drive_dir G)/autorun.inf"
    assert_missing "$(drive_dir G)/advancedlockbay" "G:\\advancedlockbay after Cancel"
    assert_commands
}

test_closing_the_free_space_dialog_acts_as_cancel() {
    protect_g_with_too_little_space
    must drv close "$frs"
    must drv wait-gone "$frs" 60000
    must drv wait-window "$main" 60000
    wait_for_refresh

    assert_list "$main" "$Form1_List1" "G:    PROTECTED"
    assert_commands
    lockbay_running || fail "lockbay.exe ended when the dialog was closed"
}

# ---- Programs started by Lockbay -----------------------------------------------------

# Lockbay starts cmd.exe from the system folder. Left to the search, Windows would take a
# cmd.exe from Lockbay's own folder or from the folder it was started in (a USB stick,
# say) first, and run it with Lockbay's rights. Stand-ins planted in both places would
# record their command line; only the tools that the real cmd.exe starts may.
test_a_cmd_exe_planted_beside_lockbay_or_in_its_working_folder_is_never_started() {
    add_drive E
    local work='C:\work' standin
    standin=$(c_path "$STANDIN_WIN_DIR")/cacls.exe
    mkdir -p "$(c_path "$work")"
    cp "$standin" "$(c_path "$work")/cmd.exe" || fatal "could not plant cmd.exe in $work"
    record_access_entries
    plant_tools "$(c_path "$work")"  # where cmd.exe looked for its tools first
    plant_tools "$(drive_dir E)"
    LOCKBAY_CWD=$(c_path "$work") start_main_window
    select_line 0 Protect
    switch_to_advanced
    must drv click "$main" "$Form1_Label7"
    wait_for_refresh
    assert_list "$main" "$Form1_List1" "E:    PROTECTED"

    cp "$standin" "$(lockbay_dir)/cmd.exe" || fatal "could not plant cmd.exe in $LOCKBAY_WIN_DIR"
    select_line 0 Restore
    must drv click "$main" "$Form1_Label8"
    wait_for_refresh
    assert_list "$main" "$Form1_List1" "E:    UNPROTECTED"
    # In any order: on a busy machine the second command of Restore may reach its tool
    # before the first.
    three_recorded() { (($(standin_commands | wc -l) >= 3)); }
    wait_until 60 three_recorded
    commands_finished
    assert_eq "$(standin_commands | LC_ALL=C sort)" "$(printf '%s\n' 'cacls E:\autorun.inf /e /c /d Everyone ' \
        'cacls E:\autorun.inf /e /c /g Everyone:F' 'takeown /f E:\autorun.inf')" \
        "the command lines the stand-ins recorded (a planted cmd.exe records its own)"
    assert_no_planted_tool_ran
}
