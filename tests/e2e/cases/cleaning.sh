# Cleaning an infected stick under Wine: sticks built from typical infections (a hidden
# program in a hidden folder that autorun.inf starts, a UTF-16 autorun.inf, a
# shell\open\command with arguments, user folders hidden behind decoy shortcuts, a folder
# the user hid on purpose), Protect, and the main window's question. Checks what is
# quarantined and unhidden, the README's hashes, the PROTECTED status, that No changes
# nothing, that nothing on the stick is lost, and that bad autorun.inf files and damaged
# shortcuts end clearly without touching anything off the drive.

main=Lockbay_Form1
box=$MessageBox_class
CLEANING_HELPERS=$(cd "$(dirname "${BASH_SOURCE[0]}")/../bad_input" && pwd)
MAKE_LNK=$E2E_LIB/make_lnk.py

# ---- Sticks ------------------------------------------------------------------------------

# set_attributes <+h|+s...> <windows-path>... : the attributes set the Windows way, in one
# start of cmd (Wine's attrib takes one attribute per call).
set_attributes() {
    local flags=$1 line="" path flag
    shift
    for path in "$@"; do
        for flag in $flags; do line+="attrib $flag $path & "; done
    done
    wine_run cmd /c "${line% & }" >/dev/null 2>&1 || fatal "could not set $flags on $*"
}

random_bytes() { head -c "$2" /dev/urandom >"$1"; }

# make_infected_stick <letter> : what a worm of the autorun family leaves on a stick. The
# program autorun.inf starts sits hidden in a hidden folder; three of the user's folders
# are Hidden and System, each behind a decoy shortcut of another kind (a relative target,
# cmd through %windir% starting the worm by a name without .exe, the system's rundll32
# running the worm's library); Private is hidden by the user and has no shortcut.
make_infected_stick() {
    local d=$1 root
    add_drive "$d"
    root=$(drive_dir "$d")
    mkdir -p "$root/RECYCLER/S-1-5-21-1004" "$root/Photos/2019" "$root/Music" "$root/Work" "$root/Private"
    random_bytes "$root/RECYCLER/S-1-5-21-1004/autorun.exe" 70000
    random_bytes "$root/RECYCLER/x.dll" 30000
    printf '[autorun]\r\nopen=RECYCLER\\S-1-5-21-1004\\autorun.exe\r\nicon=%%SystemRoot%%\\system32\\SHELL32.dll,4\r\n' \
        >"$root/autorun.inf"
    printf 'shell\\explore\\command=RECYCLER\\S-1-5-21-1004\\autorun.exe -explore\r\n' >>"$root/autorun.inf"
    random_bytes "$root/Photos/2019/beach.jpg" 120000
    random_bytes "$root/Photos/cat.jpg" 80000
    printf 'track list\r\n' >"$root/Music/list.txt"
    random_bytes "$root/Work/budget.xls" 20000
    printf 'my diary\r\n' >"$root/Private/diary.txt"
    random_bytes "$root/report.docx" 50000
    python3 "$MAKE_LNK" "$root/Photos.lnk" --relative '.\RECYCLER\S-1-5-21-1004\autorun.exe' \
        --local 'G:\RECYCLER\S-1-5-21-1004\' --suffix autorun.exe
    python3 "$MAKE_LNK" "$root/Music.lnk" --env-target '%windir%\system32\cmd.exe' \
        --args '/c start "" "RECYCLER\S-1-5-21-1004\autorun" & start explorer Music'
    python3 "$MAKE_LNK" "$root/Work.lnk" --local 'C:\Windows\system32\rundll32.exe' --args 'RECYCLER\x.dll,Entry'
    set_attributes '+h +s' "$d:\\RECYCLER" "$d:\\RECYCLER\\S-1-5-21-1004\\autorun.exe" "$d:\\RECYCLER\\x.dll" \
        "$d:\\Photos" "$d:\\Music" "$d:\\Work" "$d:\\Private"
    set_attributes '+h' "$d:\\RECYCLER\\S-1-5-21-1004"
}

contents() { python3 "$CLEANING_HELPERS/quarantine.py" contents "$@"; }
tree() { python3 "$CLEANING_HELPERS/tree_hash.py" snapshot "$1"; }
status_of() { python3 "$CLEANING_HELPERS/tree_hash.py" status "$1"; }

# ---- The main window ---------------------------------------------------------------------

idle_with_fresh_list() {
    local reads
    reads=$(printf 'control-visible %s %s\ncontrol-visible %s %s\nlist-selected %s %s\n' \
        "$main" "$Form1_waitt" "$main" "$Form1_List1" "$main" "$Form1_List1" | drv_lines | tr -d '\r')
    [[ $reads == $'0\n1\n-1' ]]
}

# protect <list index> : selects the line, clicks Protect (Simple) and waits until the
# operation is over.
protect() {
    must drv list-select "$main" "$Form1_List1" "$1"
    must drv wait-visible "$main" "$Form1_Picture6" 10000
    must drv click "$main" "$Form1_Label7"
    wait_until 90 idle_with_fresh_list || fatal "the main window did not come back from its busy state"
}

box_text() { ctl_text "$box" "$MessageBox_Text"; }
box_starts_with() { [[ $(box_text 2>/dev/null) == "$1"* ]]; }

# wait_box <start of its text> : a message box whose text starts so.
wait_box() {
    wait_until 30 box_starts_with "$1" || fatal "no message starting with [$1]; the screen shows: $(box_text 2>&1)"
    must drv settle "$box"
}

# no_box_after_refresh : a second after the refresh, no message box is open.
no_box_after_refresh() {
    sleep 1
    if drv windows | grep -q "^$box"; then
        fail "a message appeared: $(box_text)"
        must drv click "$box" "$MessageBox_OK"
    fi
}


question_intro() { echo "Lockbay has removed the autorun.inf file of drive $1:, but the virus that it started is still on the drive."; }

assert_attributes() { assert_eq "$(windows_attributes "$WINEPREFIX" "$1")" "$2" "attributes of $1"; }

# ---- Yes ---------------------------------------------------------------------------------

test_yes_quarantines_what_autorun_starts_and_shows_the_hidden_folders() {
    make_infected_stick E
    local root before_tree before_contents
    root=$(drive_dir E)
    before_contents=$(contents "$root")
    tree "$root" >"$E2E_TEST_TMP/before.tree"
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000
    assert_list "$main" "$Form1_List1" "E:    INFECTED"
    protect 0

    wait_question "$(question_intro E)"
    assert_eq "$(question_text)" "$(question_intro E)

Programs that the virus runs:
    E:\\RECYCLER\\S-1-5-21-1004\\autorun.exe
    E:\\RECYCLER\\x.dll

Shortcuts that pose as folders:
    E:\\Music.lnk
    E:\\Photos.lnk
    E:\\Work.lnk

Folders that the virus has hidden:
    E:\\Music
    E:\\Photos
    E:\\Work

Clean the drive now? Lockbay moves the programs and shortcuts into the folder \"E:\\Lockbay quarantine\" on the drive (nothing is deleted) and shows the hidden folders again." "the question"
    assert_list "$main" "$Form1_List1" "E:    PROTECTED"
    screenshot cleaning-question
    screenshot cleaning-question-window "$question"
    answer_yes

    wait_box "Drive E: has been cleaned."
    local stamp
    stamp=$(ls "$root/Lockbay quarantine" | tail -n 1)
    assert_eq "$(box_text)" "Drive E: has been cleaned. The files have been moved into \"E:\\Lockbay quarantine\\$stamp\"; README.txt there lists them and tells how to put each one back.

Moved:
    E:\\RECYCLER\\S-1-5-21-1004\\autorun.exe
    E:\\RECYCLER\\x.dll
    E:\\Music.lnk
    E:\\Photos.lnk
    E:\\Work.lnk

Shown again:
    E:\\Music
    E:\\Photos
    E:\\Work" "the summary"
    screenshot cleaning-done
    must drv click "$box" "$MessageBox_OK"
    must drv wait-gone "$box" 10000

    [[ $stamp =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}\ [0-9]{2}\.[0-9]{2}\.[0-9]{2}( \(2\))?$ ]] || fail "quarantine folder named [$stamp]"
    local q="$root/Lockbay quarantine/$stamp"
    assert_file "$q/RECYCLER/S-1-5-21-1004/autorun.exe.quarantined"
    assert_file "$q/RECYCLER/x.dll.quarantined"
    assert_file "$q/Photos.lnk.quarantined"
    assert_file "$q/autorun.inf.quarantined"
    assert_missing "$root/RECYCLER/x.dll"
    assert_missing "$root/Music.lnk"
    local checked
    checked=$(python3 "$CLEANING_HELPERS/quarantine.py" readme "$root" E) || fail "README.txt: $(grep PROBLEM <<<"$checked")"
    assert_eq "$(grep -c '^MOVED' <<<"$checked")" 5 "files the README lists as moved"
    assert_eq "$(grep -c '^COPY' <<<"$checked")" 1 "the copy of autorun.inf in the README"
    # The folders are the user's again; the one hidden on purpose stays hidden.
    assert_attributes 'E:\Photos' ""
    assert_attributes 'E:\Music' ""
    assert_attributes 'E:\Work' ""
    assert_attributes 'E:\Private' "SH"
    assert_eq "$(status_of "$root")" PROTECTED "the drive's status"
    assert_list "$main" "$Form1_List1" "E:    PROTECTED"
    # Nothing lost: every content is still on the stick, autorun.inf as its copy; and
    # nothing changed but what cleaning does (files moved as they were, folders shown).
    assert_eq "$(contents "$root")" "$before_contents" "the multiset of contents on the stick"
    tree "$root" >"$E2E_TEST_TMP/after.tree"
    local differences
    differences=$(python3 "$CLEANING_HELPERS/tree_hash.py" compare "$E2E_TEST_TMP/before.tree" "$E2E_TEST_TMP/after.tree" \
        --protect --clean) || fail "cleaning changed more than it should: $differences"
}

test_utf16_autorun_with_arguments_and_a_file_that_cannot_be_moved() {
    add_drive F
    local root
    root=$(drive_dir F)
    mkdir -p "$root/RECYCLER" "$root/inuse"
    random_bytes "$root/RECYCLER/svchost.exe" 40000
    random_bytes "$root/inuse/helper.exe" 10000
    random_bytes "$root/holiday.jpg" 90000
    printf '[AutoRun]\r\nshell\\open\\command=RECYCLER\\svchost.exe -open "holiday.jpg"\r\nshellexecute=inuse\\helper.exe\r\nshell\\open=Open\r\n' |
        iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$root/autorun.inf"
    set_attributes '+h +s' 'F:\RECYCLER\svchost.exe'
    local before_contents
    before_contents=$(contents "$root")
    # A program that is running: another process holds it open, so it cannot be moved.
    start_windows_program "$WINEPREFIX/drive_c" holder.out "$DRIVER_EXE" hold-file 'F:\inuse\helper.exe' 600000
    held() { grep -q held "$E2E_LOG_DIR/holder.out"; }
    wait_until 60 held || fatal "helper.exe could not be held open: $(cat "$E2E_LOG_DIR/holder.out")"
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000
    protect 0
    wait_question "$(question_intro F)"
    assert_eq "$(question_text)" "$(question_intro F)

Programs that the virus runs:
    F:\\RECYCLER\\svchost.exe
    F:\\inuse\\helper.exe

Clean the drive now? Lockbay moves the programs and shortcuts into the folder \"F:\\Lockbay quarantine\" on the drive (nothing is deleted) and shows the hidden folders again." "the question"
    answer_yes

    wait_box "Drive F: has been cleaned only in part."
    local stamp text
    stamp=$(ls "$root/Lockbay quarantine" | tail -n 1)
    text=$(box_text)
    screenshot cleaning-partly-done
    assert_eq "${text%%$'\n'*}" "Drive F: has been cleaned only in part. README.txt in \"F:\\Lockbay quarantine\\$stamp\" lists what has been moved and tells how to put each file back." "the summary's first line"
    [[ $text == *$'Moved:\n    F:\\RECYCLER\\svchost.exe\n\nCould not be moved, still in place:\n    F:\\inuse\\helper.exe ('* ]] ||
        fail "the summary names what was moved and what was not: [$text]"
    # The system's own reason (Wine says "Sharing violation.").
    [[ ${text##*$'\n'} == "    F:\\inuse\\helper.exe ("?*")" ]] || fail "the summary gives no reason: [${text##*$'\n'}]"
    must drv click "$box" "$MessageBox_OK"

    assert_file "$root/inuse/helper.exe"
    assert_file "$root/Lockbay quarantine/$stamp/RECYCLER/svchost.exe.quarantined"
    [[ $(windows_attributes "$WINEPREFIX" "F:\\Lockbay quarantine\\$stamp\\RECYCLER\\svchost.exe.quarantined") != *[HS]* ]] ||
        fail "the quarantined svchost.exe is still Hidden or System"
    grep -q 'attrib +H +S "F:\\RECYCLER\\svchost.exe"' "$root/Lockbay quarantine/$stamp/README.txt" ||
        fail "README.txt does not tell how to give svchost.exe its attributes back"
    local checked
    checked=$(python3 "$CLEANING_HELPERS/quarantine.py" readme "$root" F) || fail "README.txt: $(grep PROBLEM <<<"$checked")"
    assert_eq "$(grep '^MOVED\|^NOTMOVED' <<<"$checked")" $'MOVED\tF:\\RECYCLER\\svchost.exe\nNOTMOVED\tF:\\inuse\\helper.exe' \
        "the README's entries"
    assert_eq "$(contents "$root")" "$before_contents" "the multiset of contents on the stick"
    assert_eq "$(status_of "$root")" PROTECTED "the drive's status"
}

# ---- No ----------------------------------------------------------------------------------

test_no_changes_nothing_and_says_the_files_are_still_there() {
    make_infected_stick E
    local root n
    root=$(drive_dir E)
    # Ten more programs, each behind a verb of its own: the question lists every one, in a
    # list that scrolls.
    for n in 1 2 3 4 5 6 7 8 9 10; do
        random_bytes "$root/RECYCLER/part$n.exe" 2000
        printf 'shell\\verb%s\\command=RECYCLER\\part%s.exe\r\n' "$n" "$n" >>"$root/autorun.inf"
    done
    tree "$root" >"$E2E_TEST_TMP/before.tree"
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000
    protect 0
    wait_question "$(question_intro E)"
    local text
    text=$(question_text)
    [[ $text == *$'\n    E:\\RECYCLER\\part9.exe\n    E:\\RECYCLER\\part10.exe\n    E:\\RECYCLER\\x.dll\n\nShortcuts that pose as folders:\n'* ]] ||
        fail "the question does not list every program: [$text]"
    local rect
    rect=$(drv rect "$question")
    (($(cut -d' ' -f4 <<<"$rect") < 700)) || fail "the question is taller than the screen allows: $rect"
    screenshot cleaning-question-long-list "$question"
    # The keyboard: Escape answers No.
    must drv key ESCAPE "$question"
    wait_box "Nothing has been changed."
    assert_eq "$(box_text)" "Nothing has been changed. Drive E: still carries the files that were listed, and opening one of them can start the virus again." "the answer to No"
    screenshot cleaning-declined
    screenshot cleaning-declined-box "$box"
    must drv click "$box" "$MessageBox_OK"
    must drv wait-gone "$box" 10000

    tree "$root" >"$E2E_TEST_TMP/after.tree"
    local differences
    differences=$(python3 "$CLEANING_HELPERS/tree_hash.py" compare "$E2E_TEST_TMP/before.tree" "$E2E_TEST_TMP/after.tree" --protect) ||
        fail "No changed the stick: $differences"
    assert_eq "$(ls "$root/Lockbay quarantine"/*)" $'README.txt\nautorun.inf.quarantined' "the quarantine: Protect's autorun.inf alone"
    assert_attributes 'E:\Photos' "SH"
    assert_eq "$(status_of "$root")" PROTECTED "the drive's status"
    lockbay_running || fail "lockbay.exe ended"
}

# ---- Bad input -----------------------------------------------------------------------------

# One drive per bad autorun.inf (or damaged shortcut). None of them names anything on its
# drive, so Protect removes autorun.inf as always and asks nothing; nothing else on the
# drives changes, and nothing off them: C:'s notepad and the folders around the drives.
test_bad_autorun_files_end_clearly_and_touch_nothing_off_the_drive() {
    local letters=(E F G H I J K L) letter root
    for letter in "${letters[@]}"; do add_drive "$letter"; done
    printf '[autorun]\r\nopen=..\\..\\Windows\\notepad.exe\r\nopen=..\\..\\..\\bait.exe\r\n' >"$(drive_dir E)/autorun.inf"
    printf '[autorun]\r\nopen=C:\\Windows\\notepad.exe\r\nshell\\open\\command=C:\\Windows\\notepad.exe x\r\n' >"$(drive_dir F)/autorun.inf"
    printf '[autorun]\r\nopen=CON\r\nshellexecute=NUL.exe\r\n' >"$(drive_dir G)/autorun.inf"
    printf '[autorun]\r\nopen=\\\\server\\share\\x.exe\r\n' >"$(drive_dir H)/autorun.inf"
    # 10 MB: the program it names lies past the 64 KB that are read.
    { printf '[autorun]\r\n'; head -c 10485760 /dev/zero | tr '\0' ';'; printf '\r\nopen=late.exe\r\n'; } >"$(drive_dir I)/autorun.inf"
    random_bytes "$(drive_dir I)/late.exe" 1000
    random_bytes "$(drive_dir J)/autorun.inf" 4096
    # Damaged shortcuts beside hidden folders: cut short, and a header of junk.
    root=$(drive_dir K)
    mkdir -p "$root/Photos" "$root/Music" "$root/RECYCLER"
    random_bytes "$root/RECYCLER/x.exe" 5000
    python3 "$MAKE_LNK" "$root/Photos.lnk" --relative 'RECYCLER\x.exe' --truncate 90
    { printf 'L\0\0\0'; head -c 200 /dev/urandom; } >"$root/Music.lnk"
    printf '[autorun]\r\nopen=missing.exe\r\n' >"$root/autorun.inf"
    # 300 characters, the file really there.
    root=$(drive_dir L)
    local long="" part
    for part in 1 2 3 4 5; do long+="$(printf 'd%.0s' {1..55})$part\\"; done
    long+="$(printf 'v%.0s' {1..11}).exe"  # 5 * 57 + 15 = 300
    mkdir -p "$root/$(dirname "${long//\\//}")"
    random_bytes "$root/${long//\\//}" 1000
    printf '[autorun]\r\nopen=%s\r\n' "$long" >"$root/autorun.inf"
    assert_eq "${#long}" 300 "the long path's length"

    set_attributes '+h +s' 'K:\Photos' 'K:\Music'
    local bait_dir=$E2E_TEST_TMP/drives
    printf 'bait\r\n' >"$bait_dir/bait.exe"
    local c_before outside_before
    c_before=$(sha256sum "$(c_path 'C:\windows\notepad.exe')" "$(c_path 'C:\windows\system32\notepad.exe')")
    outside_before=$(ls -A "$bait_dir" "$(c_path 'C:\')")
    for letter in "${letters[@]}"; do tree "$(drive_dir "$letter")" >"$E2E_TEST_TMP/$letter.before.tree"; done

    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000
    local index=0 listed=()
    for letter in "${letters[@]}"; do
        note "drive $letter:"
        protect "$index"
        no_box_after_refresh
        index=$((index + 1))
    done
    for letter in "${letters[@]}"; do listed+=("$letter:    PROTECTED"); done
    assert_list "$main" "$Form1_List1" "${listed[@]}"
    lockbay_running || fail "lockbay.exe ended"

    local differences
    for letter in "${letters[@]}"; do
        tree "$(drive_dir "$letter")" >"$E2E_TEST_TMP/$letter.after.tree"
        differences=$(python3 "$CLEANING_HELPERS/tree_hash.py" compare "$E2E_TEST_TMP/$letter.before.tree" \
            "$E2E_TEST_TMP/$letter.after.tree" --protect) || fail "drive $letter: changed: $differences"
    done
    assert_attributes 'K:\Photos' "SH"
    assert_eq "$(sha256sum "$(c_path 'C:\windows\notepad.exe')" "$(c_path 'C:\windows\system32\notepad.exe')")" \
        "$c_before" "the system's notepad"
    assert_eq "$(ls -A "$bait_dir" "$(c_path 'C:\')")" "$outside_before" "the folders around the drives and C:\\"
    assert_eq "$(cat "$bait_dir/bait.exe")" $'bait\r' "the file beside the drives"
}

# ---- The watcher and the command line ----------------------------------------------------

watch_exe='C:\Lockbay\lockbay-watch.exe'
handover_key='HKCU\Software\Lockbay\Drives to clean'
export LOCKBAY_E2E_NOTIFICATIONS='C:\notifications.txt'

first_notification() { head -n 1 "$(c_path "$LOCKBAY_E2E_NOTIFICATIONS")" 2>/dev/null; }
has_notification() { [[ -n $(first_notification) ]]; }
balloon_reads() { [[ $(unescape "$(drv title tooltips_class32 2>/dev/null)") == "$1" ]]; }
# handover_entry [letter] : how many entries were handed over under that letter ("E: 1A2B3C4D").
handover_entry() { wine_run reg query "$handover_key" 2>/dev/null | tr -d '\r' | grep -c "^ *${1:-E}: [0-9A-F]\{8\} *REG_BINARY"; }
notification_count() { wc -l <"$(c_path "$LOCKBAY_E2E_NOTIFICATIONS")"; }
two_notifications() { (($(notification_count) >= 2)); }

# The stick arrives while the watcher runs: it protects the stick, reports what the stick
# still carries and moves nothing. Lockbay, opened afterwards, asks as after Protect; Yes
# quarantines what the removed autorun.inf started, known from the bytes the watcher kept.
# F:, handed over too, has been formatted since (a new volume serial, which Wine reads
# from .windows-serial): Lockbay asks nothing about it, and the old volume's entry waits
# for that stick to come back.
test_watcher_reports_an_infected_stick_and_lockbay_asks_when_opened() {
    make_infected_stick E
    make_infected_stick F
    local root before_contents
    root=$(drive_dir E)
    before_contents=$(contents "$root")
    tree "$root" >"$E2E_TEST_TMP/before.tree"
    start_windows_program "$WINEPREFIX/drive_c" watcher.out "$watch_exe"
    must drv wait-window __winex11_standalone_tray 60000
    plug_drive E removable

    local text="E: still carries 5 files that its autorun.inf started. Open Lockbay to clean it"
    wait_until 30 has_notification || fatal "no notification (see $E2E_LOG_DIR)"
    assert_eq "$(first_notification)" "Drive protected"$'\t'"$text" "the watcher's notification"
    wait_until 20 balloon_reads "$text" || fail "the balloon does not show the notification"
    screenshot_root "$E2E_SCREENS/watcher-still-carries.png" 0 0 700 130 || fail "no screenshot"
    local differences
    tree "$root" >"$E2E_TEST_TMP/after-watcher.tree"
    differences=$(python3 "$CLEANING_HELPERS/tree_hash.py" compare "$E2E_TEST_TMP/before.tree" \
        "$E2E_TEST_TMP/after-watcher.tree" --protect) || fail "the watcher changed more than the protection: $differences"
    assert_eq "$(ls "$root/Lockbay quarantine"/*)" $'README.txt\nautorun.inf.quarantined' "the watcher's quarantine: autorun.inf alone"
    assert_eq "$(handover_entry)" 1 "the entry the watcher left for Lockbay"
    plug_drive F removable
    wait_until 30 two_notifications || fatal "no notification for F:"
    assert_eq "$(handover_entry F)" 1 "the entry the watcher left for F:"
    # Formatted elsewhere meanwhile: Wine reads the serial as the drive is mounted.
    wine_run "$watch_exe" --stop || fail "the watcher did not stop"
    unplug_drive F
    printf '0BADF00D' >"$(drive_dir F)/.windows-serial"
    plug_drive F removable

    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000
    wait_question "$(question_intro E)"
    [[ $(question_text) == *$'Programs that the virus runs:\n    E:\\RECYCLER\\S-1-5-21-1004\\autorun.exe\n    E:\\RECYCLER\\x.dll\n\nShortcuts'* ]] ||
        fail "the question lists the programs that autorun.inf started: [$(question_text)]"
    assert_list "$main" "$Form1_List1" "E:    PROTECTED" "F:    PROTECTED"
    screenshot cleaning-handover-question
    # The keyboard: the list has the focus, Tab goes on to Yes, Space presses it.
    must drv key TAB "$question"
    must drv key SPACE "$question"
    wait_box "Drive E: has been cleaned."
    must drv click "$box" "$MessageBox_OK"
    must drv wait-gone "$box" 10000

    local checked stamp
    stamp=$(ls "$root/Lockbay quarantine" | tail -n 1)
    assert_file "$root/Lockbay quarantine/$stamp/RECYCLER/S-1-5-21-1004/autorun.exe.quarantined"
    checked=$(python3 "$CLEANING_HELPERS/quarantine.py" readme "$root" E) || fail "README.txt: $(grep PROBLEM <<<"$checked")"
    assert_eq "$(grep -c '^MOVED' <<<"$checked")" 5 "files the README lists as moved"
    assert_eq "$(grep -c '^COPY' <<<"$checked")" 1 "the copy of autorun.inf the watcher kept"
    assert_attributes 'E:\Photos' ""
    assert_eq "$(contents "$root")" "$before_contents" "the multiset of contents on the stick"
    assert_eq "$(handover_entry)" 0 "the entry after the question"
    assert_eq "$(handover_entry F)" 1 "the entry of F:'s old volume, which is not here"
    assert_eq "$(ls "$(drive_dir F)/Lockbay quarantine"/*)" $'README.txt\nautorun.inf.quarantined' "F:'s quarantine: autorun.inf alone"
    assert_file "$(drive_dir F)/RECYCLER/x.dll"
    if drv windows | grep -q "^$question"; then fail "a second question came: $(question_text)"; fi
}

# cli [arguments...] : lockbay-cli from C:\; its output in CLI_OUT, its exit code in CLI_CODE.
cli() {
    local out=$E2E_TEST_TMP/cli.out
    wine_run "$LOCKBAY_WIN_DIR\\lockbay-cli.exe" "$@" </dev/null >"$out" 2>>"$E2E_LOG_DIR/cli.err"
    CLI_CODE=$?
    CLI_OUT=$(tr -d '\r' <"$out")
    { printf '$ lockbay-cli %s  (exit %s)\n' "$*" "$CLI_CODE"; cat "$out"; } >>"$E2E_LOG_DIR/cli.log"
}

# protect reports what the stick still carries and moves nothing; --clean quarantines it,
# also on a stick whose autorun.inf an earlier protect removed.
test_command_line_reports_an_infected_stick_and_cleans_it_with_clean() {
    make_infected_stick E
    make_infected_stick F
    local e f before_e before_f
    e=$(drive_dir E) f=$(drive_dir F)
    before_e=$(contents "$e") before_f=$(contents "$f")
    tree "$e" >"$E2E_TEST_TMP/before.tree"
    # A stick: only a drive the watcher would watch is handed over.
    set_drive_type E floppy

    cli protect E:
    assert_eq "$CLI_CODE" 0 "exit code of protect E:"
    [[ $CLI_OUT == "E: protected: E:\\autorun.inf is a hidden folder."$'\nE: holds files that its autorun.inf started, or that pose as your folders:\n  Programs that the virus runs:\n    E:\\RECYCLER\\S-1-5-21-1004\\autorun.exe\n'*$'  Folders that the virus has hidden:\n    E:\\Music\n'*"run: lockbay-cli protect E: --clean" ]] ||
        fail "protect E: reports what the stick carries: [$CLI_OUT]"
    local differences
    tree "$e" >"$E2E_TEST_TMP/after.tree"
    differences=$(python3 "$CLEANING_HELPERS/tree_hash.py" compare "$E2E_TEST_TMP/before.tree" "$E2E_TEST_TMP/after.tree" \
        --protect) || fail "protect without --clean changed more than the protection: $differences"
    assert_eq "$(ls "$e/Lockbay quarantine"/*)" $'README.txt\nautorun.inf.quarantined' "E:'s quarantine: autorun.inf alone"

    cli protect F: --clean
    assert_eq "$CLI_CODE" 0 "exit code of protect F: --clean"
    [[ $CLI_OUT == *$'\nF: cleaned into "F:\\Lockbay quarantine\\'* ]] || fail "protect F: --clean: [$CLI_OUT]"
    assert_file "$f/Lockbay quarantine/$(ls "$f/Lockbay quarantine" | tail -n 1)/RECYCLER/S-1-5-21-1004/autorun.exe.quarantined"
    python3 "$CLEANING_HELPERS/quarantine.py" readme "$f" F >/dev/null || fail "F:'s README.txt does not match its quarantine"
    assert_eq "$(status_of "$f")" PROTECTED "F:'s status"
    assert_eq "$(contents "$f")" "$before_f" "the multiset of contents on F:"

    # E:'s autorun.inf is gone; the first protect handed over what it started.
    cli protect E: --clean --json
    assert_eq "$CLI_CODE" 0 "exit code of protect E: --clean --json"
    assert_eq "$(python3 -c 'import json, sys
r = json.loads(sys.argv[1])["results"][0]
print(r["cleaned"]["ok"], sorted(i["kind"] for i in r["cleaned"]["items"] if i["ok"]))' "$CLI_OUT")" \
        "True ['autorunCopy', 'hiddenFolder', 'hiddenFolder', 'hiddenFolder', 'program', 'program', 'shortcut', 'shortcut', 'shortcut']" \
        "what --clean did, in JSON"
    assert_missing "$e/RECYCLER/S-1-5-21-1004/autorun.exe"
    assert_attributes 'E:\Music' ""
    assert_eq "$(contents "$e")" "$before_e" "the multiset of contents on E:"
}
