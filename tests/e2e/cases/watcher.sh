# The watcher, lockbay-watch.exe, under Wine: USB drives protected as they are plugged
# in, with every user file kept; one watcher per user; --stop for an uninstaller; its
# menu (Start with Windows, Open Lockbay, Exit).
#
# Wine shows the notification area, when there is no tray on the display, as a small
# framed window of its own; the icon sits at the top left of its client area, and each
# notification is a balloon beside it. The watcher of the e2e build also writes every
# notification, "<title><tab><text>", to the file LOCKBAY_E2E_NOTIFICATIONS names.

watch_exe='C:\Lockbay\lockbay-watch.exe'
tray=__winex11_standalone_tray
tree_hash=$E2E_ROOT/bad_input/tree_hash.py
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
choice_key='HKCU\Software\Lockbay'

export LOCKBAY_E2E_NOTIFICATIONS='C:\notifications.txt'
notifications() {
    local file
    file=$(c_path "$LOCKBAY_E2E_NOTIFICATIONS")
    [[ -f $file ]] && cat "$file"
    return 0
}
notification_count() { notifications | wc -l; }
has_notifications() { (($(notification_count) >= $1)); }

# wait_notification <n> <title> <text> : the n-th notification is there and reads so.
wait_notification() {
    local n=$1 expected=$2$'\t'$3
    wait_until 30 has_notifications "$n" || fatal "notification $n did not come (see $E2E_LOG_DIR)"
    assert_eq "$(notifications | sed -n "${n}p")" "$expected" "notification $n"
}

# The watcher, started as a sign-in entry starts it: from another folder than its own.
start_watcher() {
    start_windows_program "$WINEPREFIX/drive_c" watcher.out "$watch_exe" "$@"
    must drv wait-window "$tray" 60000
}

watcher_count() { drv process-count lockbay-watch.exe; }

# The icon's menu, opened with a right click; items are chosen from the keyboard. The
# click goes to the icon's upper half: a balloon shown below it reaches over its lower half.
open_menu() {
    must drv mouse "$tray" right 10 5
    must drv wait-window '#32768' 10000
}
choose_item() {
    local downs=$1 i
    for ((i = 0; i < downs; i++)); do must drv key DOWN; done
    must drv key RETURN
    must drv wait-gone '#32768' 10000
}

# The user's "Start with Windows" (0x0 or 0x1; empty: never chosen, on).
start_choice() {
    wine_run reg query "$choice_key" /v StartWithWindows 2>/dev/null | tr -d '\r' |
        sed -n 's/^ *StartWithWindows *REG_DWORD *//p'
}
start_choice_is() { [[ $(start_choice) == "$1" ]]; }

snapshot() {
    python3 "$tree_hash" snapshot "$(drive_dir "$1")" >"$E2E_TEST_TMP/$1.$2.tree" || fatal "could not record $1:"
}
# assert_files_kept <letter> [--protect] : every file of the user is byte-identical.
assert_files_kept() {
    local differences
    snapshot "$1" after
    if ! differences=$(python3 "$tree_hash" compare "$E2E_TEST_TMP/$1.before.tree" "$E2E_TEST_TMP/$1.after.tree" \
        "${@:2}"); then
        fail "drive $1: the user's files changed"
        printf '    %s\n' "$differences" >&2
    fi
}

# A stick's worth of the user's files: nested folders, a folder named a, binary data,
# a hidden and a read-only file.
fill_stick() {
    local root
    root=$(drive_dir "$1")
    mkdir -p "$root/a" "$root/Photos/2024" "$root/docs"
    printf 'keep me\r\n' >"$root/a/inside-a.txt"
    head -c 70000 /dev/urandom >"$root/Photos/2024/beach.jpg"
    printf 'notes\n' >"$root/docs/notes.txt"
    printf 'secret\n' >"$root/docs/hidden.txt"
    printf 'fixed\n' >"$root/docs/read-only.txt"
    chmod a-w "$root/docs/read-only.txt"
    head -c 3000 /dev/urandom >"$root/data.bin"
}

balloon_reads() { [[ $(unescape "$(drv title tooltips_class32 2>/dev/null)") == "$1" ]]; }

test_protects_usb_drives_as_they_arrive() {
    # The folders must be writable again for the clean-up, however the test ends.
    trap 'status=$?; chmod -R u+w "$E2E_TEST_TMP/drives" 2>/dev/null; (exit $status); e2e_teardown' EXIT
    start_wine_without_override
    local letter
    for letter in E F G H; do fill_stick "$letter"; done
    printf 'MYSTICK\n' >"$(drive_dir E)/.windows-label"                 # Wine's volume label
    printf '[autorun]\r\nopen=virus.exe\r\n' >"$(drive_dir F)/autorun.inf"  # infected
    mkdir "$(drive_dir G)/autorun.inf"                                    # protected by the user,
    printf 'mine\n' >"$(drive_dir G)/autorun.inf/inside.txt"               # with a file inside
    chmod -R a-w "$(drive_dir H)"                                         # write-protected
    for letter in E F G H; do snapshot "$letter" before; done
    start_watcher

    plug_drive E removable
    wait_notification 1 "Drive protected" "MYSTICK (E:) is now protected against autorun viruses."
    assert_dir "$(drive_dir E)/autorun.inf" "E:\\autorun.inf"
    assert_eq "$(windows_attributes "$WINEPREFIX" 'E:\autorun.inf')" "H" "attributes of E:\\autorun.inf"
    # What the user sees: the balloon beside the icon.
    wait_until 20 balloon_reads "MYSTICK (E:) is now protected against autorun viruses." ||
        fail "the balloon does not show the notification"
    screenshot_root "$E2E_SCREENS/watcher-notification.png" 0 0 700 130 || fail "no screenshot"

    plug_drive F removable
    wait_notification 2 "Drive protected" \
        "An autorun.inf file was removed from F:, and the drive is now protected."
    assert_dir "$(drive_dir F)/autorun.inf" "F:\\autorun.inf"
    assert_eq "$(windows_attributes "$WINEPREFIX" 'F:\autorun.inf')" "H" "attributes of F:\\autorun.inf"

    plug_drive G removable
    wait_notification 3 "Drive protected" "G: is already protected."
    [[ $(windows_attributes "$WINEPREFIX" 'G:\autorun.inf') != *H* ]] ||
        fail "G:\\autorun.inf was made hidden: a protected drive is left as it was"

    plug_drive H removable
    wait_notification 4 "Drive not protected" \
        "H: could not be protected. It may be write-protected: remove the write protection, then plug it in again."
    assert_missing "$(drive_dir H)/autorun.inf" "H:\\autorun.inf"

    # A disk that is not removable (Wine cannot tell a USB disk) is not the watcher's.
    plug_drive I fixed
    plug_drive J removable
    wait_notification 5 "Drive protected" "J: is now protected against autorun viruses."
    assert_missing "$(drive_dir I)/autorun.inf" "I:\\autorun.inf on a fixed disk"

    # autorun.inf as worms leave it: K: Hidden and System, L: Read-only, M: all three. Each
    # goes into the stick's quarantine, and the stick is protected.
    local n=6 attributes
    for letter in K L M; do
        case $letter in K) attributes=0x6 ;; L) attributes=0x1 ;; M) attributes=0x7 ;; esac
        mkdir -p "$(drive_dir "$letter")"
        printf '[autorun]\r\nopen=virus.exe\r\n' >"$(drive_dir "$letter")/autorun.inf"
        python3 -c 'import os, sys; os.setxattr(sys.argv[1], "user.DOSATTRIB", sys.argv[2].encode())' \
            "$(drive_dir "$letter")/autorun.inf" "$attributes" || fatal "could not set the attributes on $letter:"
        [[ $letter == K ]] || chmod a-w "$(drive_dir "$letter")/autorun.inf"
        snapshot "$letter" before
        plug_drive "$letter" removable
        wait_notification "$n" "Drive protected" \
            "An autorun.inf file was removed from $letter:, and the drive is now protected."
        assert_dir "$(drive_dir "$letter")/autorun.inf" "$letter:\\autorun.inf"
        assert_eq "$(cat "$(drive_dir "$letter")/Lockbay quarantine/"*/autorun.inf.quarantined)" $'[autorun]\r\nopen=virus.exe\r' \
            "$letter:'s autorun.inf in the quarantine"
        assert_files_kept "$letter" --protect
        n=$((n + 1))
    done
    sleep 1
    assert_eq "$(notification_count)" 8 "notifications: one for each drive it looks after"

    assert_files_kept E
    assert_files_kept F --protect
    assert_file "$(drive_dir F)/Lockbay quarantine/"*/autorun.inf.quarantined "F:'s autorun.inf in the quarantine"
    assert_files_kept G
    assert_files_kept H
    assert_eq "$(cat "$(drive_dir G)/autorun.inf/inside.txt")" "mine" "the file inside G:\\autorun.inf"
    assert_eq "$(watcher_count)" 1 "watchers running"
}

test_one_watcher_per_user_and_stop_for_an_uninstaller() {
    start_watcher
    # A second start (the sign-in entry and the installer both start it) ends at once.
    wine_run "$watch_exe" || fail "the second start ended with status $?"
    assert_eq "$(watcher_count)" 1 "watchers running after a second start"
    plug_drive E removable
    wait_notification 1 "Drive protected" "E: is now protected against autorun viruses."
    sleep 1
    assert_eq "$(notification_count)" 1 "notifications for one arrival"

    wine_run "$watch_exe" --stop || fail "--stop ended with status $?"
    assert_eq "$(watcher_count)" 0 "watchers running after --stop"
    must drv wait-gone "$tray" 10000
    wine_run "$watch_exe" --stop || fail "--stop with no watcher running ended with status $?"
    wine_run "$watch_exe" --no-such-option
    assert_eq "$?" 2 "exit status for an unknown option"
    assert_eq "$(watcher_count)" 0 "watchers running after the other commands"
}

test_menu_starts_with_windows_opens_lockbay_and_exits() {
    # The language chosen in Lockbay, in Lockbay's folder: the watcher reads it there
    # although it was started elsewhere.
    printf 'german.vlng\r\n' >"$(lockbay_dir)/clng.vlng"
    start_watcher
    plug_drive E removable
    wait_notification 1 "Laufwerk geschützt" "E: ist jetzt vor Autorun-Viren geschützt."

    open_menu
    screenshot_root "$E2E_SCREENS/watcher-menu.png" 0 0 320 140 || fail "no screenshot"
    choose_item 2  # Start with Windows: on until the user turns it off
    wait_until 10 start_choice_is 0x0 || fail "Start with Windows: [$(start_choice)]"
    open_menu
    screenshot_root "$E2E_SCREENS/watcher-menu-start-with-windows.png" 0 0 320 140 || fail "no screenshot"
    choose_item 2
    wait_until 10 start_choice_is 0x1 || fail "Start with Windows is still off: [$(start_choice)]"

    # Open Lockbay: from its folder, which is its working folder (it shows German too).
    open_menu
    choose_item 1
    must drv wait-window Lockbay_Form1 60000
    must drv wait-text Lockbay_Form1 "$Form1_Label1" "Wählen Sie das Laufwerk zum Schützen / Zurücksetzen:" 10000
    must drv close Lockbay_Form1
    must drv wait-process-gone lockbay.exe 30000

    open_menu
    choose_item 3  # Exit
    must drv wait-process-gone lockbay-watch.exe 10000
    assert_eq "$(start_choice)" 0x1 "Start with Windows after Exit"

    # At sign-in, the choice turned off keeps it from watching; a user's own Run entry of
    # an older version goes.
    must wine_run reg add "$run_key" /v LockbayWatch /d "\"$watch_exe\"" /f
    must wine_run "$watch_exe" --disable-start-with-windows
    wine_run "$watch_exe" --at-sign-in || fail "--at-sign-in ended with $?"
    assert_eq "$(watcher_count) $(wine_run reg query "$run_key" | grep -c LockbayWatch)" "0 0" "after --at-sign-in"
}
