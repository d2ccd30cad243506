# Languages under Wine: the chooser behind the flags, the selection file clng.vlng in
# Lockbay's working directory (C:\Lockbay), the shipped language files beside
# lockbay.exe, and the texts the windows show once a language is applied.

main=Lockbay_Form1
chooser=Lockbay_Form3
message_box="$MessageBox_class:Lockbay"

# The selection file, where start_lockbay's working directory puts it.
selection_file() { echo "$(lockbay_dir)/clng.vlng"; }

# language_line <file.vlng> <n> : line n of a shipped language file, decoded from
# Windows-1252, without its CR LF.
language_line() {
    local file=$1 n=$2
    iconv -f WINDOWS-1252 -t UTF-8 "$(lockbay_dir)/$file" | sed -n "${n}{s/\r\$//;p;q}"
}

# assert_bytes <file> <printf-format> <what> : the file holds exactly these bytes.
assert_bytes() {
    local file=$1 format=$2 what=$3 expected
    expected=$E2E_TEST_TMP/expected-bytes
    # shellcheck disable=SC2059  # the format is the expected content
    printf "$format" >"$expected"
    if [[ ! -f $file ]]; then
        fail "$what: no file at $file"
    elif ! cmp -s "$file" "$expected"; then
        fail "$what: expected the bytes"
        od -c "$expected" | sed 's/^/    /' >&2
        note "but it holds"
        od -c "$file" | sed 's/^/    /' >&2
    fi
}

# assert_text <class> <id> <text> <what> : the control reads exactly this text.
assert_text() {
    assert_eq "$(ctl_text "$1" "$2")" "$3" "$4"
}

# await_text <class> <id> <text> <what> : the control comes to read this text (a
# language is applied by a timer after the choice); a check, not a step.
await_text() {
    local class=$1 id=$2 text=$3 what=$4
    drv wait-text "$class" "$id" "$text" 30000 >/dev/null ||
        fail "$what: expected [$text], got [$(ctl_text "$class" "$id")]"
}

# One drive of each status: E: protected, F: infected, G: unprotected.
prepare_three_drives() {
    add_drive E
    mkdir "$(drive_dir E)/autorun.inf"
    add_drive F
    printf '[autorun]\r\nopen=virus.exe\r\n' >"$(drive_dir F)/autorun.inf"
    add_drive G
}

# The main window's texts are the built-in English ones.
assert_main_window_english() {
    local when=$1
    assert_text "$main" "$Form1_Label1" "Select the drive to protect / restore:" "heading $when"
    assert_text "$main" "$Form1_Label4" "Refresh" "Refresh button $when"
    assert_text "$main" "$Form1_Label7" "Protect" "Protect button $when"
    assert_text "$main" "$Form1_Label8" "Restore" "Restore button $when"
    assert_text "$main" "$Form1_Label5" "Simple" "first Simple label $when"
    assert_text "$main" "$Form1_Label3" "Simple" "second Simple label $when"
    assert_text "$main" "$Form1_Label2" "Advanced" "first Advanced label $when"
    assert_text "$main" "$Form1_Label6" "Advanced" "second Advanced label $when"
    assert_text "$main" "$Form1_Label9" "Program Support" "Program Support button $when"
}

# open_chooser : clicks the flags; the chooser shows and the main window hides.
open_chooser() {
    must drv click "$main" "$Form1_Image2"
    must drv wait-window "$chooser:Lockbay" 60000
    drv wait-gone "$main" 30000 >/dev/null || fail "the main window is still shown beside the chooser"
}

test_the_chooser_shows_the_seven_languages_in_their_own_names() {
    prepare_three_drives
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000

    open_chooser
    assert_eq "$(window_title "$chooser")" "Lockbay" "the chooser's title"
    assert_eq "$(drv visible "$main")" 0 "main window shown while the chooser is open"
    assert_text "$chooser" "$Form3_Label1" "English" "first language"
    assert_text "$chooser" "$Form3_Label2" "Français" "second language"
    assert_text "$chooser" "$Form3_Label3" "Românã" "third language"
    assert_text "$chooser" "$Form3_Label4" "Deutsch" "fourth language"
    assert_text "$chooser" "$Form3_Label5" "Español" "fifth language"
    assert_text "$chooser" "$Form3_Label7" "Italiano" "sixth language"
    assert_text "$chooser" "$Form3_Label6" "Bahasa Indonesia" "seventh language"
    assert_text "$chooser" "$Form3_Label8" "Cancel" "the Cancel button"
    local id
    for id in "$Form3_Label1" "$Form3_Label2" "$Form3_Label3" "$Form3_Label4" "$Form3_Label5" \
        "$Form3_Label7" "$Form3_Label6" "$Form3_Picture3" "$Form3_Label8"; do
        assert_visible "$chooser" "$id" 1 "chooser control $id"
    done
    screenshot language-chooser "$chooser"

    lockbay_running || fail "lockbay.exe is no longer running"
}

test_choosing_deutsch_writes_the_selection_and_turns_the_main_window_german() {
    prepare_three_drives
    # A longer selection than the one a choice writes: all of it must go.
    printf 'english.vlng,an older choice that is longer than the new one\r\nsecond line\r\n' >"$(selection_file)"
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000

    # English first: the shipped english.vlng holds the built-in texts.
    assert_main_window_english "with english.vlng"
    assert_list "$main" "$Form1_List1" "E:    PROTECTED" "F:    INFECTED" "G:    UNPROTECTED"
    screenshot main-window-english "$main"

    open_chooser
    must drv click "$chooser" "$Form3_Label4"
    must drv wait-window "$main" 60000
    drv wait-gone "$chooser" 30000 >/dev/null || fail "the chooser is still shown after the choice"
    assert_bytes "$(selection_file)" 'german.vlng\r\n' "clng.vlng after choosing Deutsch"

    # Without a restart, the texts turn German.
    await_text "$main" "$Form1_Label1" "$(language_line german.vlng 12)" "heading in German"
    assert_text "$main" "$Form1_Label4" "$(language_line german.vlng 14)" "Refresh button in German"
    assert_text "$main" "$Form1_Label7" "$(language_line german.vlng 15)" "Protect button in German"
    assert_text "$main" "$Form1_Label8" "$(language_line german.vlng 16)" "Restore button in German"
    assert_text "$main" "$Form1_Label5" "$(language_line german.vlng 17)" "first Simple label in German"
    assert_text "$main" "$Form1_Label3" "$(language_line german.vlng 17)" "second Simple label in German"
    assert_text "$main" "$Form1_Label2" "$(language_line german.vlng 18)" "first Advanced label in German"
    assert_text "$main" "$Form1_Label6" "$(language_line german.vlng 18)" "second Advanced label in German"
    assert_text "$main" "$Form1_Label9" "$(language_line german.vlng 19)" "Program Support button in German"
    assert_list "$main" "$Form1_List1" \
        "E:    $(language_line german.vlng 1)" \
        "F:    $(language_line german.vlng 2)" \
        "G:    $(language_line german.vlng 3)"
    assert_eq "$(window_title "$main")" "Lockbay" "main window title (no language changes it)"
    # The German words are really German, not English ones read back.
    assert_ne "$(ctl_text "$main" "$Form1_Label4")" "Refresh" "Refresh button after choosing Deutsch"
    screenshot main-window-german "$main"

    # The chooser's Cancel follows the language too; its language names do not.
    open_chooser
    await_text "$chooser" "$Form3_Label8" "$(language_line german.vlng 7)" "the chooser's Cancel in German"
    assert_text "$chooser" "$Form3_Label2" "Français" "second language with German applied"
    assert_text "$chooser" "$Form3_Label4" "Deutsch" "fourth language with German applied"
    screenshot language-chooser-german "$chooser"
    must drv click "$chooser" "$Form3_Label8"
    must drv wait-window "$main" 60000
    assert_bytes "$(selection_file)" 'german.vlng\r\n' "clng.vlng after Cancel"

    lockbay_running || fail "lockbay.exe is no longer running"
}

test_cancel_and_closing_the_chooser_bring_back_the_main_window_and_keep_the_selection() {
    prepare_three_drives
    # A content the chooser never writes, so any rewrite would show.
    printf '"english.vlng",kept as it is\r\n' >"$(selection_file)"
    cp "$(selection_file)" "$E2E_TEST_TMP/selection-before"
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000

    open_chooser
    must drv click "$chooser" "$Form3_Label8"
    must drv wait-window "$main" 60000
    drv wait-gone "$chooser" 30000 >/dev/null || fail "the chooser is still shown after Cancel"
    cmp -s "$(selection_file)" "$E2E_TEST_TMP/selection-before" || fail "Cancel changed clng.vlng"
    assert_main_window_english "after Cancel"
    assert_list "$main" "$Form1_List1" "E:    PROTECTED" "F:    INFECTED" "G:    UNPROTECTED"

    open_chooser
    must drv close "$chooser"
    must drv wait-window "$main" 60000
    drv wait-gone "$chooser" 30000 >/dev/null || fail "the chooser is still shown after closing it"
    cmp -s "$(selection_file)" "$E2E_TEST_TMP/selection-before" || fail "closing the chooser changed clng.vlng"
    assert_main_window_english "after closing the chooser"

    # The main window still works: the chooser opens again.
    open_chooser
    must drv click "$chooser" "$Form3_Label8"
    must drv wait-window "$main" 60000
    lockbay_running || fail "lockbay.exe is no longer running"
}

test_a_missing_language_file_is_reported_at_start_and_english_is_shown() {
    prepare_three_drives
    printf 'missing.vlng\r\n' >"$(selection_file)"
    start_server --version 4.0.0
    start_lockbay

    must drv wait-window "$MessageBox_class" 60000
    assert_eq "$(window_title "$MessageBox_class")" "Lockbay" "the message box's title"
    assert_text "$message_box" "$MessageBox_Text" "Language file is missing! The language is now English." \
        "the start-up message"
    screenshot language-file-missing
    must drv click "$message_box" "$MessageBox_OK"

    must drv wait-window "$main" 60000
    assert_eq "$(drv visible "$message_box")" 0 "a message box still shown with the main window"
    assert_main_window_english "after the missing-file message"
    assert_list "$main" "$Form1_List1" "E:    PROTECTED" "F:    INFECTED" "G:    UNPROTECTED"
    assert_bytes "$(selection_file)" 'missing.vlng\r\n' "clng.vlng after the message"
    lockbay_running || fail "lockbay.exe is no longer running"
}

test_a_hidden_selection_file_counts_as_missing() {
    prepare_three_drives
    printf 'german.vlng\r\n' >"$(selection_file)"
    hide "$LOCKBAY_WIN_DIR\\clng.vlng"
    start_server --version 4.0.0
    start_lockbay

    # No message stands in the way: the main window comes, in English.
    must drv wait-window "$main" 60000
    assert_eq "$(drv visible "$message_box")" 0 "a message box shown at start"
    assert_main_window_english "with a hidden clng.vlng"
    assert_list "$main" "$Form1_List1" "E:    PROTECTED" "F:    INFECTED" "G:    UNPROTECTED"
    # Refreshing applies the selection again (the chooser's load does): still English.
    open_chooser
    must drv click "$chooser" "$Form3_Label8"
    must drv wait-window "$main" 60000
    assert_main_window_english "after the chooser's round trip"
    assert_eq "$(drv visible "$message_box")" 0 "a message box shown after the chooser"
    assert_bytes "$(selection_file)" 'german.vlng\r\n' "the hidden clng.vlng"
    lockbay_running || fail "lockbay.exe is no longer running"
}

test_the_chosen_language_is_applied_at_start() {
    prepare_three_drives
    printf 'german.vlng\r\n' >"$(selection_file)"
    start_server --version 4.0.0
    start_lockbay

    must drv wait-window "$main" 60000
    assert_eq "$(drv visible "$message_box")" 0 "a message box shown at start"
    await_text "$main" "$Form1_Label1" "$(language_line german.vlng 12)" "heading in German at start"
    assert_text "$main" "$Form1_Label4" "$(language_line german.vlng 14)" "Refresh button in German at start"
    assert_text "$main" "$Form1_Label9" "$(language_line german.vlng 19)" "Program Support button in German at start"
    # The first filling of the list already uses the German status words.
    assert_list "$main" "$Form1_List1" \
        "E:    $(language_line german.vlng 1)" \
        "F:    $(language_line german.vlng 2)" \
        "G:    $(language_line german.vlng 3)"
    assert_bytes "$(selection_file)" 'german.vlng\r\n' "clng.vlng after a start in German"
    lockbay_running || fail "lockbay.exe is no longer running"
}

test_a_hidden_language_file_is_reported_as_missing_at_start() {
    prepare_three_drives
    printf 'german.vlng\r\n' >"$(selection_file)"
    hide "$LOCKBAY_WIN_DIR\\german.vlng"
    start_server --version 4.0.0
    start_lockbay

    must drv wait-window "$MessageBox_class" 60000
    assert_eq "$(window_title "$MessageBox_class")" "Lockbay" "the message box's title"
    assert_text "$message_box" "$MessageBox_Text" "Language file is missing! The language is now English." \
        "the start-up message for a hidden language file"
    must drv click "$message_box" "$MessageBox_OK"
    must drv wait-window "$main" 60000
    assert_main_window_english "after the message for a hidden language file"
    assert_list "$main" "$Form1_List1" "E:    PROTECTED" "F:    INFECTED" "G:    UNPROTECTED"
    lockbay_running || fail "lockbay.exe is no longer running"
}

# A choice whose file is not there: no message now; the status words turn English and
# every other text keeps the language it had.
test_choosing_a_language_whose_file_is_gone_keeps_the_texts_and_makes_the_status_words_english() {
    prepare_three_drives
    printf 'german.vlng\r\n' >"$(selection_file)"
    rm "$(lockbay_dir)/italian.vlng"
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000
    await_text "$main" "$Form1_Label1" "$(language_line german.vlng 12)" "heading in German at start"

    open_chooser
    must drv click "$chooser" "$Form3_Label7"
    must drv wait-window "$main" 60000
    assert_bytes "$(selection_file)" 'italian.vlng\r\n' "clng.vlng after choosing Italiano"
    assert_list "$main" "$Form1_List1" "E:    PROTECTED" "F:    INFECTED" "G:    UNPROTECTED"
    assert_eq "$(drv visible "$message_box")" 0 "a message box shown after the choice"
    assert_text "$main" "$Form1_Label1" "$(language_line german.vlng 12)" "heading after choosing a missing file"
    assert_text "$main" "$Form1_Label4" "$(language_line german.vlng 14)" "Refresh button after choosing a missing file"
    assert_text "$main" "$Form1_Label9" "$(language_line german.vlng 19)" \
        "Program Support button after choosing a missing file"
    lockbay_running || fail "lockbay.exe is no longer running"
}

# Each of the seven choices writes its own file name and applies that file: the main
# window, the list's status words and the help window's tabs follow it.
test_every_language_choice_writes_its_name_and_applies_its_file() {
    prepare_three_drives
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000

    local choice id file name
    for choice in "$Form3_Label2:francais" "$Form3_Label3:romana" "$Form3_Label5:spanish" \
        "$Form3_Label7:italian" "$Form3_Label6:indonesian" "$Form3_Label4:german" "$Form3_Label1:english"; do
        id=${choice%%:*}
        name=${choice#*:}
        file=$name.vlng
        open_chooser
        must drv click "$chooser" "$id"
        must drv wait-window "$main" 60000
        assert_bytes "$(selection_file)" "$file\\r\\n" "clng.vlng after choosing $name"
        await_text "$main" "$Form1_Label1" "$(language_line "$file" 12)" "heading in $name"
        assert_text "$main" "$Form1_Label4" "$(language_line "$file" 14)" "Refresh button in $name"
        assert_text "$main" "$Form1_Label9" "$(language_line "$file" 19)" "Program Support button in $name"
        assert_list "$main" "$Form1_List1" \
            "E:    $(language_line "$file" 1)" \
            "F:    $(language_line "$file" 2)" \
            "G:    $(language_line "$file" 3)"
        # Protect and the mode labels show once an unprotected drive is selected.
        must drv list-select "$main" "$Form1_List1" 2
        must drv wait-visible "$main" "$Form1_Picture6" 10000
        assert_text "$main" "$Form1_Label7" "$(language_line "$file" 15)" "Protect button in $name"
        assert_text "$main" "$Form1_Label5" "$(language_line "$file" 17)" "Simple label in $name"
        assert_text "$main" "$Form1_Label2" "$(language_line "$file" 18)" "Advanced label in $name"
        screenshot "main-window-language-$name" "$main"
    done
    assert_main_window_english "after choosing English again"
    lockbay_running || fail "lockbay.exe is no longer running"
}
