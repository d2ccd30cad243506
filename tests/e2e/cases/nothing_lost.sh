# Nothing of the user's is ever lost: random sequences of Protect (Simple and Advanced)
# and Restore, clicked through the main window, on drives that hold user files and
# folders, and infections of those drives as a worm would leave them (a hidden program,
# an autorun.inf that starts it when the drive is not protected, a user folder hidden
# behind a decoy shortcut). After every step each drive is compared with what it held
# before: the only changes allowed are that an autorun.inf file in the root of the drive
# just protected went into its quarantine, and, when the question after Protect was
# answered Yes, what cleaning does (files moved into the quarantine as they were, folders
# shown again). The multiset of the contents of every drive must stay the same through
# each step. The protection and marker folders
# that the program makes and removes are left out of the comparison, but user files
# inside them count.
#
# The sequence is random from a seed that the log shows; NOTHING_LOST_SEED=<seed>
# repeats a run, NOTHING_LOST_STEPS=<n> changes its length (default 36).

main=Lockbay_Form1
free_space_dialog=Lockbay_frs
message_box=$MessageBox_class
question=Lockbay_CleaningQuestion

NOTHING_LOST_HELPERS=$(cd "$(dirname "${BASH_SOURCE[0]}")/../bad_input" && pwd)
MAKE_LNK=$E2E_LIB/make_lnk.py
nl_letters=(E F G H I)  # listed, in list order
nl_unlisted=(J)         # not listed: its root holds a file named a, so the write probe fails
nl_volumes='C:\volumes'

# ---- One driver for the whole sequence (actions in, one result line each) ------------

nl_start_driver() {
    coproc NL_DRIVER { cd "$WINEPREFIX/drive_c" && exec "$(wine_loader)" "$DRIVER_EXE" 2>>"$E2E_LOG_DIR/driver.err"; }
    E2E_PIDS+=("$NL_DRIVER_PID")
}

# ask <action> [args...] : the result line in $reply; a failed action ends the test.
ask() {
    printf '%s\n' "$*" >&"${NL_DRIVER[1]}" || fatal "the driver has gone (action: $*)"
    IFS= read -r -t 180 reply <&"${NL_DRIVER[0]}" || fatal "the driver gave no answer to: $*"
    [[ $reply == error:* ]] && fatal "$* -> $reply"
    return 0
}

# ask_list : the main window's list, one item per line, in $reply.
ask_list() {
    local line items=()
    ask list-items "$main" "$Form1_List1"
    line=$reply
    while [[ $line != '<end>' ]]; do
        items+=("$line")
        IFS= read -r -t 60 line <&"${NL_DRIVER[0]}" || fatal "the list was not read to its end"
    done
    reply=$(printf '%s\n' "${items[@]}")
}

nl_visible() {
    ask control-visible "$main" "$1"
    [[ $reply == 1 ]]
}

# Until the busy state is over: list and Refresh back, the notice hidden.
nl_wait_not_busy() {
    ask wait-visible "$main" "$Form1_List1" 60000
    ask wait-visible "$main" "$Form1_Picture15" 10000
    ask wait-hidden "$main" "$Form1_waitt" 10000
}

# ---- The drives ------------------------------------------------------------------------

random_file() { head -c "$2" /dev/urandom >"$1"; }

fill_drives() {
    local e f g h i j
    for letter in "${nl_letters[@]}" "${nl_unlisted[@]}"; do add_drive "$letter"; done
    e=$(drive_dir E) f=$(drive_dir F) g=$(drive_dir G) h=$(drive_dir H) i=$(drive_dir I) j=$(drive_dir J)

    # E: infected, with a folder named a, nested folders, hidden, read-only and empty things.
    printf '[autorun]\r\nopen=virus.exe\r\nicon=virus.exe,0\r\n' >"$e/autorun.inf"
    mkdir -p "$e/a" "$e/Documents/Old/2019" "$e/secret" "$e/empty folder"
    printf 'a file named a\r\n' >"$e/a/a"
    printf 'notes in a\r\n' >"$e/a/notes.txt"
    random_file "$e/Documents/report.docx" 50000
    random_file "$e/Documents/Old/2019/budget.xls" 20000
    printf 'another a\r\n' >"$e/Documents/a"
    printf 'hidden\r\n' >"$e/hidden.txt"
    random_file "$e/secret/key.bin" 4096
    printf 'do not change\r\n' >"$e/readonly.txt"
    random_file "$e/photo.jpg" 300000
    : >"$e/empty.txt"
    printf 'blanks\r\n' >"$e/name with blanks.txt"

    # F: the user's own autorun.inf and advancedlockbay folders, holding user files.
    mkdir -p "$f/autorun.inf/a" "$f/advancedlockbay" "$f/music"
    printf 'kept inside autorun.inf\r\n' >"$f/autorun.inf/readme.txt"
    random_file "$f/autorun.inf/a/inside.bin" 10000
    printf 'kept inside the marker folder\r\n' >"$f/advancedlockbay/mine.txt"
    random_file "$f/music/track01.mp3" 200000

    # G: a FAT32 stick with an empty folder named a; Advanced converts it to NTFS.
    mkdir -p "$g/a" "$g/DCIM/100PHOTO"
    random_file "$g/DCIM/100PHOTO/IMG_0001.JPG" 150000
    random_file "$g/DCIM/100PHOTO/IMG_0002.JPG" 120000

    # H: a nearly full FAT32 stick (Advanced ends at the free-space dialog) with a hidden
    # autorun.inf file, INFECTED as any other.
    printf '[autorun]\r\nopen=hidden-virus.exe\r\n' >"$h/autorun.inf"
    mkdir -p "$h/work"
    random_file "$h/work/thesis.pdf" 80000

    # I: a read-only autorun.inf file, which Protect takes the attribute off to move it.
    # Its folder a (with more folders inside) is hidden.
    printf '[autorun]\r\nopen=stubborn.exe\r\n' >"$i/autorun.inf"
    mkdir -p "$i/a/b/c"
    random_file "$i/a/b/c/deep.bin" 5000

    # J: a file named a in the root.
    printf 'a file named a, not a folder\r\n' >"$j/a"
    random_file "$j/backup.zip" 40000

    hide 'E:\hidden.txt' 'E:\secret' 'H:\autorun.inf' 'I:\a'
    # Wine shows a file without write permission as read-only, and refuses to delete it.
    chmod a-w "$e/readonly.txt" "$i/autorun.inf"

    mkdir -p "$(c_path "$nl_volumes")"
    nl_stage G "FAT32 104857600 ready"
    nl_stage H "FAT32 5242880 ready"
    export LOCKBAY_E2E_VOLUMES=$nl_volumes LOCKBAY_STANDIN_CONVERT_TO_NTFS=1
}

# nl_message <start of its text> : Lockbay's message box is open with such a text; OK.
nl_message() {
    ask wait-window "$message_box" 30000
    ask text "$message_box" "$MessageBox_Text"
    [[ $reply == "$1"* ]] || fail "the message: expected [$1...], got [$reply]"
    ask click "$message_box" "$MessageBox_OK"
    ask wait-gone "$message_box" 30000
}

nl_stage() { printf '%s\n' "$2" >"$(c_path "$nl_volumes")/$1.txt"; }

# check_drives <what> <protected letter or -> [cleaned letter or -] [contents lost or -] :
# records every drive, compares each with its record after the previous step (paths and
# the multiset of contents), and reads the list against the drives' statuses.
check_drives() {
    local what=$1 protected=$2 cleaned=${3:--} losses=${4:--} output pairs=() letter listed
    for letter in "${nl_letters[@]}" "${nl_unlisted[@]}"; do pairs+=("$letter=$(drive_dir "$letter")"); done
    output=$(python3 "$NOTHING_LOST_HELPERS/tree_hash.py" drives "$E2E_TEST_TMP/trees" "$protected" "$cleaned" "${pairs[@]}")
    if grep -q $'^DIFF\t' <<<"$output"; then
        fail "after $what, the user's files changed"
        grep $'^DIFF\t' <<<"$output" | cut -f2- | sed 's/^/    /' >&2
    fi
    local contents
    if ! contents=$(python3 "$NOTHING_LOST_HELPERS/quarantine.py" step "$E2E_TEST_TMP/contents" "$losses" "${pairs[@]}"); then
        fail "after $what, the multiset of contents changed"
        sed 's/^/    /' <<<"$contents" >&2
    fi
    listed=$(for letter in "${nl_letters[@]}"; do grep $'^LIST\t'"$letter:" <<<"$output" | cut -f2-; done)
    ask_list
    assert_eq "$reply" "$listed" "the list after $what"
}

# compare_whole_run <letter> [--protect] : the drive now against its record at the start.
compare_whole_run() {
    local differences
    if ! differences=$(python3 "$NOTHING_LOST_HELPERS/tree_hash.py" compare \
        "$E2E_TEST_TMP/$1.start.tree" "$E2E_TEST_TMP/trees/$1.last.tree" "${@:2}"); then
        fail "drive $1 over the whole sequence: the user's files changed"
        printf '    %s\n' "$differences" >&2
    fi
}

# ---- Infections ----------------------------------------------------------------------------

# The drives a worm may visit (I: and H: start with an autorun.inf of their own), the
# user folders it may hide on each, and what the test knows the worm left there that
# cleaning must find: the program its autorun.inf names (while that file is there), and
# each decoy shortcut in place with its program and the folder it hides.
nl_infectable=(E F G)
declare -A nl_victims=([E]="Documents|empty folder" [F]="music" [G]="DCIM")
declare -A nl_autorun_program=()  # relative path, "/" separated
declare -A nl_decoys=()           # "<decoy>|<program>|<folder>;" entries

# nl_set_attributes <entry>... : each entry "<+h|+s...>|<windows path>", set the Windows
# way by one batch file (names with blanks stay whole; Wine's attrib takes one flag a call).
nl_set_attributes() {
    local batch entry flag
    batch=$(c_path 'C:\attributes.bat')
    : >"$batch"
    for entry in "$@"; do
        for flag in ${entry%%|*}; do printf 'attrib %s "%s"\r\n' "$flag" "${entry#*|}" >>"$batch"; done
    done
    wine_run cmd /c 'C:\attributes.bat' >/dev/null 2>&1
    rm -f "$batch"
}

# infect_step <letter> <step> : a worm visits the drive: a hidden program in a hidden
# folder; an autorun.inf that starts it (when the drive is not protected); one of the
# user's folders made Hidden and System behind a decoy shortcut that starts the program.
infect_step() {
    local letter=$1 n=$2 root folder victims=() program windows decoy="" attributes=()
    root=$(drive_dir "$letter")
    program="RECYCLER/S-1-5-$n/w$n.exe"
    windows=${program//\//\\}
    mkdir -p "$root/RECYCLER/S-1-5-$n"
    random_file "$root/$program" $((2000 + RANDOM % 30000))
    attributes+=("+h +s|$letter:\\RECYCLER" "+h +s|$letter:\\$windows" "+h|$letter:\\RECYCLER\\S-1-5-$n")
    if [[ $(python3 "$NOTHING_LOST_HELPERS/tree_hash.py" status "$root") != PROTECTED ]]; then
        printf '[autorun]\r\nopen=%s\r\nshell\\open\\command=%s -open\r\n' "$windows" "$windows" >"$root/autorun.inf"
        nl_autorun_program[$letter]=$program
    fi
    IFS='|' read -r -a victims <<<"${nl_victims[$letter]}"
    folder=${victims[RANDOM % ${#victims[@]}]}
    if [[ ! -e $root/$folder.lnk ]]; then
        decoy="$folder.lnk"
        if ((RANDOM % 2)); then
            python3 "$MAKE_LNK" "$root/$decoy" --relative ".\\$windows"
        else
            python3 "$MAKE_LNK" "$root/$decoy" --env-target '%windir%\system32\cmd.exe' \
                --args "/c start \"\" \"$windows\" & start explorer \"$folder\""
        fi
        attributes+=("+h +s|$letter:\\$folder")
        nl_decoys[$letter]+="$decoy|$program|$folder;"
    fi
    nl_set_attributes "${attributes[@]}"
    local record
    record=$(python3 "$NOTHING_LOST_HELPERS/tree_hash.py" snapshot "$root" | awk -F'\t' -v f="$folder" '$1 == f { print $2 }')
    [[ -z $decoy || $record == "dir HS" ]] || fatal "$letter:\\$folder did not become Hidden and System ($record)"
    note "infected $letter: $program${decoy:+, $decoy beside $folder}$([[ -f $root/autorun.inf ]] && echo ", autorun.inf")"
}

# A question comes after Protect removed an infected autorun.inf from a drive that
# carries what cleaning finds.
expects_question() {
    [[ -n ${nl_autorun_program[$1]:-} || -n ${nl_decoys[$1]:-} ]]
}

# After Yes: what cleaning must find is no longer at its place, and the hidden folders
# are shown. After any Protect that removed autorun.inf, its program is no longer named.
after_protect() {
    local letter=$1 answer=$2 root entry decoy program folder entries=()
    root=$(drive_dir "$letter")
    if [[ $answer == yes ]]; then
        [[ -z ${nl_autorun_program[$letter]:-} || ! -e $root/${nl_autorun_program[$letter]} ]] ||
            fail "$letter:\\${nl_autorun_program[$letter]} is still in place after cleaning"
        IFS=';' read -r -a entries <<<"${nl_decoys[$letter]:-}"
        for entry in "${entries[@]}"; do
            [[ -z $entry ]] && continue
            IFS='|' read -r decoy program folder <<<"$entry"
            [[ ! -e $root/$decoy ]] || fail "$letter:\\$decoy is still in place after cleaning"
            [[ ! -e $root/$program ]] || fail "$letter:\\$program is still in place after cleaning"
            grep -qx "$folder"$'\tdir -' "$E2E_TEST_TMP/trees/$letter.last.tree" || fail "$letter:\\$folder is still hidden"
        done
        nl_decoys[$letter]=""
    fi
    [[ -f $root/autorun.inf ]] || nl_autorun_program[$letter]=""
}

# answer_with <button> <text of the next message> <letter> : clicks the question's button
# and waits for the message that follows. Under load Wine once dropped such a click (the
# question stayed, seen in a long run); a question still open after 10 s gets the click
# once more, and the log says so. A question that has gone never gets a second click.
answer_with() {
    local button=$1 next=$2 letter=$3
    ask click "$question" "$button"
    printf '%s\n' "wait-text-start $message_box $MessageBox_Text \"$next\" 10000" >&"${NL_DRIVER[1]}"
    IFS= read -r -t 180 reply <&"${NL_DRIVER[0]}" || fatal "the driver gave no answer"
    if [[ $reply == error:* ]]; then
        ask visible "$question"
        if [[ $reply == 1 ]]; then
            note "  the click on the question's button was lost; clicking again"
            ask settle "$question"
            ask click "$question" "$button"
        fi
    fi
    ask wait-text-start "$message_box" "$MessageBox_Text" "\"$next\"" 30000
}

# The question after Protect: answered Yes or No at random. Sets `nl_answer`.
answer_question() {
    local letter=$1
    ask wait-text-start "$question" "$CleaningQuestion_Label1" "\"Lockbay has removed the autorun.inf file of drive $letter:\"" 30000
    # A window that has just appeared may still be placed and activated: clicks wait for it.
    ask settle "$question"
    if ((RANDOM % 2)); then
        nl_answer=yes
        answer_with "$CleaningQuestion_Label3" "Drive $letter: has been cleaned." "$letter"
    else
        nl_answer=no
        answer_with "$CleaningQuestion_Label4" "Nothing has been changed. Drive $letter:" "$letter"
    fi
    note "  answered $nl_answer"
    ask settle "$message_box"
    ask click "$message_box" "$MessageBox_OK"
    ask wait-gone "$message_box" 30000
}

# No message box is open a second after the operation ended.
nl_no_box() {
    local line
    sleep 1
    ask windows
    line=$reply
    while [[ $line != '<end>' ]]; do
        [[ $line == "$message_box"* ]] && fail "a message is open: $line"
        IFS= read -r -t 60 line <&"${NL_DRIVER[0]}" || fatal "the window list was not read to its end"
    done
}

# ---- The steps -------------------------------------------------------------------------

g_file_system=FAT32
convert_count() { standin_commands | grep -c 'convert G: /FS:NTFS /X' || true; }

# protect_step <letter> <index> <simple|advanced>
protect_step() {
    local letter=$1 mode=$3
    if [[ $mode == advanced ]]; then
        ask click "$main" "$Form1_Label2"
        ask wait-visible "$main" "$Form1_Picture2" 10000
    fi
    local converts
    converts=$(convert_count)
    nl_answer=none
    nl_autorun_sha=""
    local root
    root=$(drive_dir "$letter")
    # A question comes when Protect removes an infected autorun.inf from a drive that
    # carries what a worm left.
    nl_question=0
    if [[ $(python3 "$NOTHING_LOST_HELPERS/tree_hash.py" status "$root") == INFECTED ]]; then
        nl_autorun_sha=$(sha256sum "$root/autorun.inf" | cut -d' ' -f1)
        expects_question "$letter" && nl_question=1
    fi
    ask click "$main" "$Form1_Label7"

    if [[ $mode == advanced && $letter == G && $g_file_system == FAT32 ]]; then
        # Yes to the question before convert /X; the stand-in turns G's staged facts into
        # NTFS, and the deny entry follows once it has ended.
        ask wait-window "$message_box" 30000
        ask click "$message_box" "$MessageBox_Yes"
        conversion_started() { (($(convert_count) > converts)); }
        wait_until 30 conversion_started || fatal "the conversion of G: was not started"
        g_file_system=NTFS
    elif [[ $mode == advanced && $letter == H ]]; then
        # Too little room to convert: the free-space dialog, left with Cancel (Simple
        # protection stays), after a Continue that finds the room still short.
        ask wait-window "$free_space_dialog" 30000
        if ((RANDOM % 2)); then
            ask click "$free_space_dialog" "$frs_Label4"
            ask settle "$free_space_dialog"
            ask visible "$free_space_dialog"
            [[ $reply == 1 ]] || fail "the free-space dialog went away on Continue without enough space"
        fi
        ask click "$free_space_dialog" "$frs_Label2"
        ask wait-window "$main" 30000
    fi
    # Elsewhere the deny entry does not read back (Wine keeps no access list, and nothing
    # here records one): the drive keeps its Simple protection and the user is told.
    if [[ $mode == advanced && $letter != H ]]; then
        nl_message "Advanced protection could not be applied to drive $letter:"
    fi
    nl_wait_not_busy
    if ((nl_question)); then
        answer_question "$letter"
    else
        nl_no_box
    fi
}

restore_step() {
    ask click "$main" "$Form1_Label8"
    # A protection folder that holds files stays, and Restore says so.
    if [[ -n $(ls -A "$(drive_dir "$1")/autorun.inf" 2>/dev/null) ]]; then
        nl_message "The autorun.inf folder of drive $1: could not be removed"
    fi
    nl_wait_not_busy
}

# ---- The test ----------------------------------------------------------------------------

test_random_protect_and_restore_lose_nothing() {
    local seed=${NOTHING_LOST_SEED:-$(((RANDOM << 15 | RANDOM) % 1000000))}
    local steps=${NOTHING_LOST_STEPS:-36}
    note "seed $seed, $steps steps (NOTHING_LOST_SEED=$seed repeats this sequence)"
    RANDOM=$seed

    fill_drives
    local letter
    for letter in "${nl_letters[@]}" "${nl_unlisted[@]}"; do
        python3 "$NOTHING_LOST_HELPERS/tree_hash.py" snapshot "$(drive_dir "$letter")" \
            >"$E2E_TEST_TMP/$letter.start.tree" || fatal "could not record drive $letter:"
    done
    mkdir -p "$E2E_TEST_TMP/trees"
    start_server --version 4.0.0
    start_lockbay
    nl_start_driver
    ask wait-window "$main" 60000
    check_drives "the start" -

    local step index mode action protected_ever="" infected_ever="" losses
    for ((step = 1; step <= steps; step++)); do
        if ((RANDOM % 4 == 0)); then
            # A worm prefers a drive it can write autorun.inf on.
            local open=() candidate
            for candidate in "${nl_infectable[@]}"; do
                [[ $(python3 "$NOTHING_LOST_HELPERS/tree_hash.py" status "$(drive_dir "$candidate")") == PROTECTED ]] ||
                    open+=("$candidate")
            done
            ((${#open[@]} && RANDOM % 4)) || open=("${nl_infectable[@]}")
            letter=${open[RANDOM % ${#open[@]}]}
            note "step $step: a worm visits $letter:"
            infect_step "$letter" "$step"
            infected_ever+=$letter
            # The worm's files are new: they become part of what the drive holds.
            python3 "$NOTHING_LOST_HELPERS/tree_hash.py" snapshot "$(drive_dir "$letter")" \
                >"$E2E_TEST_TMP/trees/$letter.last.tree"
            python3 "$NOTHING_LOST_HELPERS/quarantine.py" step "$E2E_TEST_TMP/contents" - \
                "$letter=$(drive_dir "$letter")" >/dev/null
            continue
        fi
        index=$((RANDOM % ${#nl_letters[@]}))
        letter=${nl_letters[$index]}
        ask list-select "$main" "$Form1_List1" "$index"
        if nl_visible "$Form1_Picture7"; then
            action="Restore $letter:"
            note "step $step: $action"
            restore_step "$letter"
            check_drives "step $step ($action)" -
        elif nl_visible "$Form1_Picture6"; then
            if ((RANDOM % 2)); then mode=advanced; else mode=simple; fi
            action="Protect $letter: ($mode)"
            note "step $step: $action"
            protect_step "$letter" "$index" "$mode"
            protected_ever+=$letter
            # A removed autorun.inf is kept in the quarantine: nothing is lost.
            losses=-
            case $nl_answer in
                yes)
                    check_drives "step $step ($action, cleaned)" "$letter" "$letter" "$losses"
                    ;;
                no) check_drives "step $step ($action, not cleaned)" "$letter" - "$losses" ;;
                *) check_drives "step $step ($action)" "$letter" - "$losses" ;;
            esac
            after_protect "$letter" "$nl_answer"
        else
            fatal "step $step: selecting $letter: offered neither Protect nor Restore"
        fi
        lockbay_running || fatal "lockbay.exe ended at step $step"
        ((E2E_FAILURES == 0)) || fatal "stopped at step $step (seed $seed)"
    done

    # And over the whole run: only the autorun.inf files of drives that were protected,
    # moved into their quarantines.
    # A drive a worm visited changed by the test's own hand; the step-by-step checks of its
    # paths and of its multiset of contents cover it.
    for letter in "${nl_letters[@]}" "${nl_unlisted[@]}"; do
        if [[ $infected_ever == *$letter* ]]; then
            continue
        elif [[ $protected_ever == *$letter* ]]; then
            compare_whole_run "$letter" --protect
        else
            compare_whole_run "$letter"
        fi
    done
    note "stand-in commands: $(standin_commands | wc -l)"
    screenshot nothing-lost-after-the-sequence "$main"
}
