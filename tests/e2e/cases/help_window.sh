# The help window under Wine: Program Support on the main window opens it in place of
# the main window; four tabs, each showing only its own topics; the fixed lines with
# the build's identity; closing it brings the main window back; it follows the chosen
# language.

main=Lockbay_Form1
help=Lockbay_Form2
chooser=Lockbay_Form3

# language_line <file.vlng> <n> : line n of a shipped language file, decoded from
# Windows-1252, without its CR LF.
language_line() {
    local file=$1 n=$2
    iconv -f WINDOWS-1252 -t UTF-8 "$(lockbay_dir)/$file" | sed -n "${n}{s/\r\$//;p;q}"
}

assert_text() {
    assert_eq "$(ctl_text "$1" "$2")" "$3" "$4"
}

# await_text <class> <id> <text> <what> : the control comes to read this text (a
# language is applied by a timer); a check, not a step.
await_text() {
    local class=$1 id=$2 text=$3 what=$4
    drv wait-text "$class" "$id" "$text" 30000 >/dev/null ||
        fail "$what: expected [$text], got [$(ctl_text "$class" "$id")]"
}

# The topic labels in layout order, and the ones each tab shows.
topic_labels=(Label10 Label9 Label13 Label8 Label11 Label2 Label12 Label14 Label1 Label3)
declare -A tab_topics=(
    [Label16]="Label8 Label1"
    [Label17]="Label10 Label2 Label11 Label3"
    [Label18]="Label9 Label12"
    [Label19]="Label13 Label14"
)

# assert_topics_of <tab label> <what> : exactly that tab's topic labels are visible.
assert_topics_of() {
    local tab=$1 what=$2 name id shown
    for name in "${topic_labels[@]}"; do
        id=Form2_$name
        shown=0
        [[ " ${tab_topics[$tab]} " == *" $name "* ]] && shown=1
        assert_visible "$help" "${!id}" "$shown" "$what: $name"
    done
}

# select_tab <tab label> : clicks the tab; its first topic label shows.
select_tab() {
    local tab=$1 first id
    id=Form2_$tab
    must drv click "$help" "${!id}"
    first=${tab_topics[$tab]%% *}
    id=Form2_$first
    must drv wait-visible "$help" "${!id}" 10000
}

# open_help : Program Support hides the main window and shows the help window.
open_help() {
    must drv click "$main" "$Form1_Label9"
    must drv wait-window "$help:Lockbay" 60000
    drv wait-gone "$main" 30000 >/dev/null || fail "the main window is still shown beside the help window"
}

close_help() {
    must drv close "$help"
    must drv wait-window "$main" 60000
    drv wait-gone "$help" 30000 >/dev/null || fail "the help window is still shown after closing it"
}

test_the_help_window_shows_each_tab_with_its_own_texts() {
    add_drive E
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000

    open_help
    assert_eq "$(window_title "$help")" "Lockbay" "the help window's title"
    assert_eq "$(drv visible "$main")" 0 "main window shown while the help window is open"

    # The tabs and the lines that every tab shows.
    assert_text "$help" "$Form2_Label16" "About Lockbay" "About tab"
    assert_text "$help" "$Form2_Label17" "How does it work?" "How does it work tab"
    assert_text "$help" "$Form2_Label18" "How to protect a drive?" "How to protect tab"
    assert_text "$help" "$Form2_Label19" "How to restore a drive?" "How to restore tab"
    assert_text "$help" "$Form2_Label15" "Click here to see the online FAQ section." "FAQ link"
    assert_text "$help" "$Form2_Label4" "TITLE: Lockbay" "title line"
    assert_text "$help" "$Form2_Label5" "VERSION: 4.0.0" "version line"
    assert_text "$help" "$Form2_Label6" "SUPPORT: support@lockbay.example" "support line"
    assert_text "$help" "$Form2_Label7" "CREATED BY: www.lockbay.example" "credit line"
    always_visible() {
        local what=$1 id
        for id in "$Form2_Image1" "$Form2_Label16" "$Form2_Label17" "$Form2_Label18" "$Form2_Label19" \
            "$Form2_Label15" "$Form2_Label4" "$Form2_Label5" "$Form2_Label6" "$Form2_Label7"; do
            assert_visible "$help" "$id" 1 "$what: control $id"
        done
    }

    # About first.
    assert_topics_of Label16 "on opening"
    always_visible "on opening"
    assert_text "$help" "$Form2_Label8" "Application description:" "About heading"
    assert_text "$help" "$Form2_Label1" "Welcome to Lockbay. This is a simple application that helps you to protect your USB flash drive against autorun viruses. You can also protect your hard-disk drives against this type of viruses." \
        "About text"
    screenshot help-about "$help"

    select_tab Label17
    assert_topics_of Label17 "How does it work"
    always_visible "How does it work"
    assert_text "$help" "$Form2_Label10" "Simple protection method:" "Simple method heading"
    assert_text "$help" "$Form2_Label2" "The simple protection method creates a hidden folder on your (flash) drive that will block Windows and the virus to copy a bad autorun file on your drive. Your drive won't crash and will function as always. The program even deletes existing autorun files to make sure that your drive is protected. You can restore the drive later by clicking the Restore button instead of Protect." \
        "Simple method text"
    assert_text "$help" "$Form2_Label11" "Advanced protection method:" "Advanced method heading"
    assert_text "$help" "$Form2_Label3" "The advanced protection method applies the simple protection and sets additional permissions to that folder, so no virus could delete it. If you want to restore the drive, just click Restore. Don't worry, your activities with the USB Drive won't be affected in any way. The program will automatically convert your drive to NTFS file system without interfering with your files. However you need at least 10 MB free on your drive for the conversion to succeed." \
        "Advanced method text"
    screenshot help-how-it-works "$help"

    select_tab Label18
    assert_topics_of Label18 "How to protect"
    always_visible "How to protect"
    assert_text "$help" "$Form2_Label9" "How to protect a drive or USB" "How to protect heading"
    local protect_text
    protect_text=$(ctl_text "$help" "$Form2_Label12")
    assert_eq "$protect_text" "You can protect your USB drive against autorun viruses, as well as your hard drive. Just select the desired drive and click Protect. If your USB flash drive is not formatted in NTFS, the program will automatically convert it to NTFS  if you want Advanced Protection. Your files won't be affected in any way. However, we don't take responsibility in case of data loss during this process, so it's better to back-up your files before applying advanced protection." \
        "How to protect text"
    [[ $protect_text == *"to NTFS  if you want Advanced Protection"* ]] ||
        fail "How to protect text: the two blanks after the second NTFS are not there"
    screenshot help-how-to-protect "$help"

    select_tab Label19
    assert_topics_of Label19 "How to restore"
    always_visible "How to restore"
    assert_text "$help" "$Form2_Label13" "How to restore a drive or USB" "How to restore heading"
    assert_text "$help" "$Form2_Label14" "You can restore your drive to its initial state. Just select the desired drive and click Restore. The protection will be removed, but if you formatted the disk in NTFS, it will keep the NTFS format. If you want to format it to FAT, go to My Computer and right click the drive, format, and choose FAT32 option." \
        "How to restore text"
    screenshot help-how-to-restore "$help"

    # Back to About, and a click on the selected tab changes nothing.
    select_tab Label16
    assert_topics_of Label16 "About again"
    select_tab Label16
    assert_topics_of Label16 "About clicked twice"

    # Closing brings the main window back; the next opening starts on About.
    select_tab Label18
    close_help
    assert_eq "$(window_title "$main")" "Lockbay" "main window title after the help window"
    open_help
    assert_topics_of Label16 "on opening again"
    always_visible "on opening again"
    close_help
    lockbay_running || fail "lockbay.exe is no longer running"
}

test_the_help_window_follows_the_chosen_language() {
    add_drive E
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000

    must drv click "$main" "$Form1_Image2"
    must drv wait-window "$chooser:Lockbay" 60000
    must drv click "$chooser" "$Form3_Label4"
    must drv wait-window "$main" 60000
    await_text "$main" "$Form1_Label9" "$(language_line german.vlng 19)" "Program Support button in German"

    open_help
    assert_eq "$(window_title "$help")" "Lockbay" "the help window's title in German"
    await_text "$help" "$Form2_Label16" "$(language_line german.vlng 20)" "About tab in German"
    assert_ne "$(ctl_text "$help" "$Form2_Label16")" "About Lockbay" "About tab after choosing Deutsch"
    assert_text "$help" "$Form2_Label17" "$(language_line german.vlng 21)" "How does it work tab in German"
    assert_text "$help" "$Form2_Label18" "$(language_line german.vlng 22)" "How to protect tab in German"
    assert_text "$help" "$Form2_Label19" "$(language_line german.vlng 23)" "How to restore tab in German"
    assert_text "$help" "$Form2_Label15" "$(language_line german.vlng 24)" "FAQ link in German"
    assert_text "$help" "$Form2_Label4" "$(language_line german.vlng 25)" "title line in German"
    assert_text "$help" "$Form2_Label5" "$(language_line german.vlng 26)" "version line in German"
    assert_text "$help" "$Form2_Label7" "$(language_line german.vlng 27)" "credit line in German"
    assert_text "$help" "$Form2_Label6" "$(language_line german.vlng 28)" "support line in German"
    assert_topics_of Label16 "German, on opening"
    assert_text "$help" "$Form2_Label8" "$(language_line german.vlng 36)" "About heading in German"
    assert_text "$help" "$Form2_Label1" "$(language_line german.vlng 38)" "About text in German"
    screenshot help-about-german "$help"

    select_tab Label17
    assert_topics_of Label17 "German, How does it work"
    assert_text "$help" "$Form2_Label10" "$(language_line german.vlng 29)" "Simple method heading in German"
    assert_text "$help" "$Form2_Label11" "$(language_line german.vlng 30)" "Advanced method heading in German"
    assert_text "$help" "$Form2_Label2" "$(language_line german.vlng 34)" "Simple method text in German"
    assert_text "$help" "$Form2_Label3" "$(language_line german.vlng 35)" "Advanced method text in German"
    screenshot help-how-it-works-german "$help"

    select_tab Label18
    assert_topics_of Label18 "German, How to protect"
    assert_text "$help" "$Form2_Label9" "$(language_line german.vlng 37)" "How to protect heading in German"
    assert_text "$help" "$Form2_Label12" "$(language_line german.vlng 31)" "How to protect text in German"
    screenshot help-how-to-protect-german "$help"

    select_tab Label19
    assert_topics_of Label19 "German, How to restore"
    assert_text "$help" "$Form2_Label13" "$(language_line german.vlng 32)" "How to restore heading in German"
    assert_text "$help" "$Form2_Label14" "$(language_line german.vlng 33)" "How to restore text in German"
    screenshot help-how-to-restore-german "$help"

    close_help
    assert_text "$main" "$Form1_Label9" "$(language_line german.vlng 19)" "Program Support button after the help window"
    lockbay_running || fail "lockbay.exe is no longer running"
}

# The web link and the FAQ open the browser. Windows would be asked through the desktop's
# shell, so that the browser gets the signed-in user's own rights rather than Lockbay's;
# under Wine the page is opened by the shell directly. Wine hands web addresses to the
# Linux program its registry names, here one that records them.
test_the_web_link_and_the_faq_open_the_browser() {
    local opened=$E2E_TEST_TMP/opened.txt recorder=$E2E_TEST_TMP/browser.sh
    printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s"\n' "$opened" >"$recorder"
    chmod +x "$recorder"
    wine_run reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d "$recorder" /f >/dev/null ||
        fatal "could not name the recording browser"
    start_server --version 4.0.0
    start_lockbay
    must drv wait-window "$main" 60000
    must drv click "$main" "$Form1_Label10"
    wait_until 30 [ -s "$opened" ] || fail "the web link opened nothing"
    open_help
    must drv click "$help" "$Form2_Label15"
    two_pages() { (($(wc -l <"$opened") >= 2)); }
    wait_until 30 two_pages || fail "the FAQ link opened nothing"
    assert_eq "$(cat "$opened")" "$(printf 'http://127.0.0.1:%s/\nhttp://127.0.0.1:%s/faq.html' "$SERVER_PORT" "$SERVER_PORT")" \
        "the pages the browser was asked to open"
    assert_eq "$(drv visible "$help")" "1" "the help window after the FAQ link"
}
