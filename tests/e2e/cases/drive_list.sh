# The main window's drive list under Wine: one line per writable drive with its status,
# in drive order, C: (the first drive) never listed; the write probe leaves nothing
# behind; selecting a line offers the action that fits the drive.

main=Lockbay_Form1

prepare_four_drives() {
    add_drive E
    mkdir "$(drive_dir E)/autorun.inf"
    add_drive F
    printf '[autorun]\r\nopen=virus.exe\r\n' >"$(drive_dir F)/autorun.inf"
    add_drive G
    mkdir "$(drive_dir G)/a"
    add_drive H
    printf '[autorun]\r\nopen=virus.exe\r\n' >"$(drive_dir H)/autorun.inf"
    hide 'H:\autorun.inf'
}

test_lists_each_drive_with_its_status_and_offers_the_fitting_action() {
    prepare_four_drives
    start_server --version 4.0.0
    start_lockbay

    must drv wait-window "$main" 60000
    assert_eq "$(window_title "$main")" "Lockbay" "main window title"
    assert_list "$main" "$Form1_List1" \
        "E:    PROTECTED" \
        "F:    INFECTED" \
        "G:    UNPROTECTED" \
        "H:    INFECTED"
    screenshot main-window "$main"

    # The write probe: nothing left behind, and a folder of the user's survives.
    local letter
    for letter in E F H; do
        assert_missing "$(drive_dir "$letter")/a" "probe folder on $letter:"
    done
    assert_dir "$(drive_dir G)/a" "pre-existing folder a on G:"
    assert_eq "$(ls -A "$(drive_dir G)/a" 2>&1)" "" "contents of G:\\a"
    # The statuses were read, not made: the drives are as they were.
    assert_dir "$(drive_dir E)/autorun.inf" "E:\\autorun.inf"
    assert_file "$(drive_dir F)/autorun.inf" "F:\\autorun.inf"
    assert_missing "$(drive_dir G)/autorun.inf" "G:\\autorun.inf"

    # Nothing is offered before a line is selected.
    assert_visible "$main" "$Form1_Picture6" 0 "Protect before a selection"
    assert_visible "$main" "$Form1_Picture7" 0 "Restore before a selection"
    assert_visible "$main" "$Form1_Picture1" 0 "Simple panel before a selection"

    # E: is protected: Restore, and neither Protect nor a mode panel.
    must drv list-select "$main" "$Form1_List1" 0
    must drv wait-visible "$main" "$Form1_Picture7" 10000
    assert_visible "$main" "$Form1_Label8" 1 "the Restore label"
    assert_eq "$(ctl_text "$main" "$Form1_Label8")" "Restore" "the Restore label's text"
    assert_visible "$main" "$Form1_Picture6" 0 "Protect for E:"
    assert_visible "$main" "$Form1_Picture1" 0 "Simple panel for E:"
    assert_visible "$main" "$Form1_Picture2" 0 "Advanced panel for E:"

    # G: is not protected: Protect with the Simple panel, no Restore.
    must drv list-select "$main" "$Form1_List1" 2
    must drv wait-visible "$main" "$Form1_Picture6" 10000
    assert_visible "$main" "$Form1_Label7" 1 "the Protect label"
    assert_eq "$(ctl_text "$main" "$Form1_Label7")" "Protect" "the Protect label's text"
    assert_visible "$main" "$Form1_Picture1" 1 "Simple panel for G:"
    assert_visible "$main" "$Form1_Picture2" 0 "Advanced panel for G:"
    assert_visible "$main" "$Form1_Picture7" 0 "Restore for G:"
    screenshot main-window-unprotected-selected "$main"

    # F: (infected) and H: (a hidden autorun.inf, INFECTED as well) are offered Protect too.
    for index in 1 3; do
        must drv list-select "$main" "$Form1_List1" "$index"
        must drv wait-visible "$main" "$Form1_Picture6" 10000
        assert_visible "$main" "$Form1_Picture7" 0 "Restore for line $index"
        assert_visible "$main" "$Form1_Picture1" 1 "Simple panel for line $index"
    done

    # Back to E: hides Protect again.
    must drv list-select "$main" "$Form1_List1" 0
    must drv wait-visible "$main" "$Form1_Picture7" 10000
    assert_visible "$main" "$Form1_Picture6" 0 "Protect after selecting E: again"
    screenshot main-window-protected-selected "$main"

    lockbay_running || fail "lockbay.exe is no longer running"
}

# Windows announces a stick plugged in or pulled out to every window; Wine does not for
# a drive mapped onto a folder, so the test sends the same broadcast. The list follows
# without Refresh.
test_follows_drives_plugged_in_and_pulled_out() {
    add_drive E
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000
    assert_list "$main" "$Form1_List1" "E:    UNPROTECTED"

    mkdir -p "$(drive_dir F)/autorun.inf"
    plug_drive F removable
    assert_list "$main" "$Form1_List1" "E:    UNPROTECTED" "F:    PROTECTED"
    screenshot live-list-after-arrival "$main"

    unplug_drive E
    assert_list "$main" "$Form1_List1" "F:    PROTECTED"
    assert_visible "$main" "$Form1_List1" 1 "the drive list"
    lockbay_running || fail "lockbay.exe is no longer running"
}

protect_offered() { [[ $(ctl_visible "$main" "$Form1_Picture6") == 1 ]]; }
second_line_protected() { [[ $(list_items "$main" "$Form1_List1" | sed -n 2p) == "F:    PROTECTED" ]]; }

test_buttons_work_from_the_keyboard() {
    add_drive E
    add_drive F
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000
    assert_list "$main" "$Form1_List1" "E:    UNPROTECTED" "F:    UNPROTECTED"

    # From the list, Tab reaches Refresh and then Protect; Space presses it.
    must drv list-select "$main" "$Form1_List1" 1
    wait_until 30 protect_offered || fail "Protect after selecting F:"
    must drv key TAB "$main"
    must drv key TAB "$main"
    screenshot keyboard-focus-on-protect "$main"
    must drv key SPACE "$main"
    wait_until 60 second_line_protected ||
        fail "Space on the focused Protect button did not protect F:"
    assert_dir "$(drive_dir F)/autorun.inf" "F:\\autorun.inf after Protect from the keyboard"
    assert_missing "$(drive_dir E)/autorun.inf" "E: is untouched"
}
