# What a screen reader hears, read back the way one reads it: AccessibleObjectFromWindow
# from another process (the driver's "accessible" action: role number, a tab, name).

main=Lockbay_Form1
chooser=Lockbay_Form3
role_push_button=43
role_static_text=41

tab=$'\t'

# assert_heard <window> <control name> <role> : the control's role, and its caption as
# its name.
assert_heard() {
    local window=$1 name=$2 role=$3 id_var=${1#Lockbay_}_$2
    local id=${!id_var}
    assert_eq "$(drv accessible "$window" "$id")" "$role$tab$(drv text "$window" "$id")" "what a reader hears of $name"
}

# Every label that can be pressed is a push button named by its caption, plain labels
# are text, and the drive list is named by the heading above it.
test_screen_readers_hear_buttons_by_their_captions_and_the_drive_list_by_its_heading() {
    add_drive E
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000
    local button
    for button in Label4 Label7 Label8 Label2 Label3 Label10 Label9; do
        assert_heard "$main" "$button" "$role_push_button"
    done
    assert_heard "$main" Label1 "$role_static_text"
    assert_heard "$main" Label5 "$role_static_text"
    local heading list_name
    heading=$(drv text "$main" "$Form1_Label1")
    list_name=$(drv accessible "$main" "$Form1_List1" | cut -f2)
    assert_eq "$list_name" "$heading" "the drive list's name"

    # The chooser's language names are buttons too.
    must drv click "$main" "$Form1_Image2"
    must drv wait-window "$chooser" 60000
    for button in Label1 Label2 Label6 Label8; do
        assert_heard "$chooser" "$button" "$role_push_button"
    done
}
