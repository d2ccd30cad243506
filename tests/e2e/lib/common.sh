# Helpers for one end-to-end test (sourced by run_test.sh before the case file).
#
# Each test runs in its own bash process with its own copy of the suite's Wine prefix,
# its own drives and its own logs. Checks (assert_*) report what failed and let the
# test go on; `must` and the waits end the test at once, since nothing after them can
# mean anything.

E2E_LIB=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=wine.sh
source "$E2E_LIB/wine.sh"
# shellcheck source=ids.sh
source "$E2E_LIB/ids.sh"

E2E_FAILURES=0
LOCKBAY_PID=""
SERVER_PID=""
E2E_PIDS=()
declare -A E2E_PROGRAM_NAMES=()  # process id -> program, of those start_windows_program started

# Where our programs sit inside the prefix (Windows paths and their Linux folders).
LOCKBAY_WIN_DIR='C:\Lockbay'
DRIVER_EXE='C:\e2e\driver.exe'
FAKE_SETUP_EXE='C:\e2e\fake_setup.exe'
STANDIN_WIN_DIR='C:\stand-ins'
SERVER_PORT=${LOCKBAY_E2E_PORT:-18080}  # the update and download host of the e2e build (a build with other hosts sets this)

# ---- Reporting -----------------------------------------------------------------------

fail() {
    echo "FAIL: $*" >&2
    E2E_FAILURES=$((E2E_FAILURES + 1))
}

# Ends the test now; the teardown still runs.
fatal() {
    fail "$@"
    exit 1
}

note() { echo "  $*" >&2; }

# Ends the test because Wine did not do what one of the test's own preparing steps asked
# (a `cmd /c attrib` in a fresh prefix on a loaded machine, say), before Lockbay had any
# part in it. The runner gives such a test one more run and names it in its summary.
wine_start_failed() {
    : >"$E2E_LOG_DIR/wine-start-failed"
    fatal "Wine did not carry out a preparing step: $*"
}

# must <command...> : runs the command (a step, logged; its output is not needed);
# if it fails, the test ends.
must() {
    note "$*"
    "$@" >/dev/null
    local status=$?
    ((status == 0)) || fatal "command failed (exit $status): $*"
}

assert_eq() {
    local actual=$1 expected=$2 what=$3
    [[ $actual == "$expected" ]] || fail "$what: expected [$expected], got [$actual]"
}

assert_ne() {
    local actual=$1 unexpected=$2 what=$3
    [[ $actual != "$unexpected" ]] || fail "$what: got [$actual], which it must not be"
}

assert_dir() { [[ -d $1 ]] || fail "${2:-$1}: expected a folder at $1"; }
assert_file() { [[ -f $1 ]] || fail "${2:-$1}: expected a file at $1"; }
assert_missing() { [[ ! -e $1 && ! -L $1 ]] || fail "${2:-$1}: expected nothing at $1"; }

# wait_until <seconds> <command...> : true as soon as the command succeeds, false when
# it has not within the time-out. Waiting is never what a test asserts on.
wait_until() {
    local seconds=$1
    shift
    local end=$((SECONDS + seconds))
    while true; do
        "$@" && return 0
        ((SECONDS >= end)) && return 1
        sleep 0.2
    done
}

# ---- Wine ----------------------------------------------------------------------------

# Runs a Windows program in the test's prefix, from C:\ (or from the folder in
# E2E_CWD, a Linux path inside the prefix).
wine_run() {
    wine_in "$WINEPREFIX" "${E2E_CWD:-$WINEPREFIX/drive_c}" "$@"
}

# Linux folder of a Windows path on C: (C:\Lockbay -> .../drive_c/Lockbay).
c_path() {
    local path=${1#[Cc]:}
    echo "$WINEPREFIX/drive_c${path//\\//}"
}

lockbay_dir() { c_path "$LOCKBAY_WIN_DIR"; }

# ---- The driver ----------------------------------------------------------------------

# drv <action> [args...] : one action of the test driver; its result on standard
# output, its error (if any) on standard error, and its exit status.
drv() {
    wine_run "$DRIVER_EXE" "$@"
}

# drv_lines : actions on standard input, one per line, results one per line.
drv_lines() {
    wine_run "$DRIVER_EXE"
}

# Turns the driver's escapes (\\, \n, \r) back into the characters.
unescape() { printf '%b' "$1"; }

# drv_text <action> [args...] : the driver's answer with its escapes undone. A driver
# that failed says so in the log, so that its empty answer is not taken for an empty text.
drv_text() {
    local answer
    answer=$(drv "$@") || note "(the driver failed, exit $?: drv $*)"
    unescape "$answer"
}
ctl_text() { drv_text text "$1" "$2"; }
window_title() { drv_text title "$1"; }
ctl_visible() { drv control-visible "$1" "$2"; }

# list_items <class> <id> : the list box's items, one per line, without the end mark.
list_items() {
    local out line
    out=$(drv list-items "$1" "$2") || return 1
    while IFS= read -r line; do
        [[ $line == '<end>' ]] && break
        printf '%s\n' "$(unescape "$line")"
    done <<<"$out"
}

# assert_list <class> <id> <item>... : the list box holds exactly these items, in this
# order. The list may still be filling, so it is read until it matches or 10 s pass.
assert_list() {
    local class=$1 id=$2
    shift 2
    local expected actual
    expected=$(printf '%s\n' "$@")
    list_matches() {
        actual=$(list_items "$class" "$id")
        [[ $actual == "$expected" ]]
    }
    wait_until 10 list_matches && return 0
    fail "list $id of $class: expected"
    printf '    [%s]\n' "$@" >&2
    note "but it holds"
    printf '%s\n' "$actual" | sed 's/^/    [/; s/$/]/' >&2
}

# assert_visible <class> <id> <0|1> <what>
assert_visible() {
    local class=$1 id=$2 expected=$3 what=$4
    assert_eq "$(ctl_visible "$class" "$id")" "$expected" "$what visible (1) or hidden (0)"
}

# ---- Drives --------------------------------------------------------------------------

drive_dir() { echo "$E2E_TEST_TMP/drives/${1,,}"; }

# add_drive <letter> : a new, empty drive, a folder of its own.
# Wine reads its letters when its server starts, so a server that already runs (the test
# ran a program before) starts anew, as long as no program of the test runs: a letter added
# while one runs stays unknown to it, as a drive mapped behind Windows' back would.
add_drive() {
    map_drive "$WINEPREFIX" "$1" "$(drive_dir "$1")"
    if wine_server_running && ! test_programs_running; then
        end_wine_server
    fi
}

# plug_drive <letter> [removable|fixed] : a drive that appears while the programs run, as
# a stick plugged in: its folder (drive_dir, made when missing) gets the letter through
# Wine's mount manager, then the driver broadcasts the arrival Windows would send.
plug_drive() {
    local letter=$1 kind=${2:-fixed}
    mkdir -p "$(drive_dir "$letter")"
    must drv mount-drive "$letter" "$(drive_dir "$letter")" "$kind"
    # Every Wine process reads the drive letters' folders at most once a second: a program
    # that looked at its drives earlier in the second of the mount would not find the new
    # drive's files under it, and its on-drive checks would read them as lying elsewhere.
    # Windows announces a drive once its letter works; so does the test.
    local rest=$((1050 - 10#$(date +%3N)))
    sleep "$((rest / 1000)).$(printf '%03d' $((rest % 1000)))"
    must drv volume-change arrival "$letter"
}

# set_drive_type <letter> <floppy|cdrom|hd> : how Wine reports the drive's type. Wine
# reads the drives (letters and types) when its server starts, so the server is ended
# here and the next program finds them anew.
set_drive_type() {
    wine_run reg add 'HKLM\Software\Wine\Drives' /v "${1,,}:" /d "$2" /f >/dev/null 2>&1 ||
        fatal "could not make $1: a $2 drive"
    end_wine_server
}

# unplug_drive <letter> : the letter goes away (its folder stays) and the removal is
# broadcast.
unplug_drive() {
    must drv unmount-drive "$1"
    must drv volume-change removal "$1"
}

# Runs when the test's Wine server has started (keep_wine_server): waits until Wine has
# booted its services and its mount manager shows every drive letter the prefix maps.
# Wine's drive list (GetLogicalDrives, GetDriveType) is the mount manager's; a program
# started before it is up finds no drive and keeps that list until it reads the drives
# again. Should it never come, Wine let the test down, not the program.
wine_server_started() {
    local mapped
    mapped=$(find "$WINEPREFIX/dosdevices" -maxdepth 1 -name '[a-z]:' -printf '%f\n' | tr a-z A-Z | sort | paste -sd' ')
    wine_shows_mapped_letters() {
        [[ $(drv drives 2>/dev/null | sed -n 's/^\([A-Z]:\).*/\1/p' | paste -sd' ') == "$mapped" ]]
    }
    wait_until 60 wine_shows_mapped_letters ||
        wine_start_failed "Wine's mount manager did not show the drives $mapped within 60 s"
}

# A drive root that cannot be written. chmod takes write access away, but root (the
# usual user in containers) writes anyway; there the Wine server, which makes files and
# folders for the programs, is started without the right to override permissions.
# Call it before the test's first Windows program; every server of the test after it
# (keep_wine_server) is started so too.
start_wine_without_override() {
    ((EUID == 0)) || return 0
    export WINE_SERVER_PREFIX_COMMAND="setpriv --bounding-set -dac_override,-dac_read_search,-fowner"
    keep_wine_server || fatal "could not start a Wine server without the right to override permissions"
}

# hide <windows-path>... : sets the Hidden attribute.
hide() {
    set_hidden "$WINEPREFIX" "$@" || wine_start_failed "could not hide $*"
    local path
    for path in "$@"; do
        [[ $(windows_attributes "$WINEPREFIX" "$path") == *H* ]] || wine_start_failed "$path did not become hidden"
    done
}

# ---- Programs ------------------------------------------------------------------------

# start_windows_program <linux-working-dir> <log-name> <program> [args...] : starts it in
# the background; its process id is in LAST_PID.
start_windows_program() {
    local dir=$1 log=$2
    shift 2
    keep_wine_server
    (cd "$dir" && exec "$(wine_loader)" "$@") >"$E2E_LOG_DIR/$log" 2>&1 &
    LAST_PID=$!
    E2E_PIDS+=("$LAST_PID")
    E2E_PROGRAM_NAMES[$LAST_PID]=${1##*\\}
}

# start_lockbay [args...] : Lockbay from its folder, which is also its working
# directory unless LOCKBAY_CWD names another (Linux path inside the prefix).
start_lockbay() {
    start_windows_program "${LOCKBAY_CWD:-$(lockbay_dir)}" lockbay.out "$LOCKBAY_WIN_DIR\\lockbay.exe" "$@"
    LOCKBAY_PID=$LAST_PID
}

# windows_processes [ps-columns] : the Windows programs running in this test's prefix, by
# default pid, state, time and command line: on failure, whether the program under test
# was still there, or hanging, tells much.
windows_processes() {
    local pid columns=${1:-pid=,stat=,etime=,args=}
    for pid in $(pgrep -f '[.]exe'); do
        grep -qxzF "WINEPREFIX=$WINEPREFIX" "/proc/$pid/environ" 2>/dev/null &&
            ps -o "$columns" -p "$pid"
    done
}

# True when Wine's own services (services.exe, which runs the mount manager that tells a
# drive's root and type) are missing or started well after the oldest program of ours
# that still runs: Wine ended them under the test, so that whatever failed next was Wine's
# doing, not the program's. The test's one Wine server boots them with its first program.
wine_services_restarted() {
    local pid age args oldest=-1 services=-1
    while read -r pid age args; do
        if [[ $args == *'\services.exe'* ]]; then
            ((services < 0 || age < services)) && services=$age
        elif [[ $args != [Cc]:\\windows\\* ]]; then
            ((age > oldest)) && oldest=$age
        fi
    done < <(windows_processes pid=,etimes=,args=)
    ((oldest >= 0)) && ((services < 0 || services + 10 < oldest))
}

# True when a program of the test (anything but Wine's own, in C:\windows) runs.
test_programs_running() {
    local programs
    programs=$(windows_processes args=)
    [[ -n $programs ]] && grep -qv '^[Cc]:\\windows\\' <<<"$programs"
}

lockbay_running() { [[ -n $LOCKBAY_PID ]] && kill -0 "$LOCKBAY_PID" 2>/dev/null; }

# ---- The cleaning question (lockbay/operations/cleaning_question.cpp) ---------------------

question=Lockbay_CleaningQuestion

# Its first line, every line of its list and the question, as one text (an empty list line
# between groups), and its answers.
question_text() {
    printf '%s\n\n' "$(ctl_text "$question" "$CleaningQuestion_Label1")"
    list_items "$question" "$CleaningQuestion_List1"
    printf '\n%s' "$(ctl_text "$question" "$CleaningQuestion_Label2")"
}
question_starts_with() { [[ $(ctl_text "$question" "$CleaningQuestion_Label1" 2>/dev/null) == "$1"* ]]; }
wait_question() {
    wait_until 30 question_starts_with "$1" || fatal "no cleaning question starting with [$1]"
    must drv settle "$question"
}
answer_yes() { must drv click "$question" "$CleaningQuestion_Label3"; }
answer_no() { must drv click "$question" "$CleaningQuestion_Label4"; }

# ---- The loopback server -------------------------------------------------------------

# start_server [server.py options...] : e.g. --version 4.0.1, --setup <file>,
# --script <answers.json>. Requests are logged for server_requests.
start_server() {
    if port_open; then
        fatal "port $SERVER_PORT is taken by another program; the e2e build's hosts point there"
    fi
    python3 "$E2E_LIB/server.py" --port "$SERVER_PORT" --log "$E2E_LOG_DIR/requests.log" "$@" \
        >"$E2E_LOG_DIR/server.out" 2>&1 &
    SERVER_PID=$!
    echo "$SERVER_PID" >"$E2E_TEST_TMP/server.pid"
    wait_until 10 port_open || fatal "the test server did not start (see $E2E_LOG_DIR/server.out)"
}

stop_server() {
    [[ -n $SERVER_PID ]] || return 0
    kill "$SERVER_PID" 2>/dev/null
    wait "$SERVER_PID" 2>/dev/null
    rm -f "$E2E_TEST_TMP/server.pid"
    SERVER_PID=""
}

port_open() { (exec 3<>"/dev/tcp/127.0.0.1/$SERVER_PORT") 2>/dev/null; }

# server_requests <path> : how many requests for that path the server has seen.
server_requests() {
    local log=$E2E_LOG_DIR/requests.log
    [[ -f $log ]] || { echo 0; return; }
    python3 -c 'import json,sys
print(sum(1 for line in open(sys.argv[1]) if json.loads(line)["path"].split("?")[0] == sys.argv[2]))' "$log" "$1"
}

# ---- Stand-ins -----------------------------------------------------------------------

standin_log() { c_path "$LOCKBAY_STANDIN_LOG"; }

# The command lines the stand-ins have recorded, one per line.
standin_commands() {
    local log
    log=$(standin_log)
    [[ -f $log ]] && cat "$log"
    return 0
}

# plant_tools <linux folder> : cacls, convert and takeown as .exe, .com and .bat, each of
# which leaves a line in the mark file (LOCKBAY_SETUP_MARK) when it runs.
plant_tools() {
    local tool
    for tool in cacls convert takeown; do
        cp "$(c_path "$FAKE_SETUP_EXE")" "$1/$tool.exe" && cp "$1/$tool.exe" "$1/$tool.com" &&
            printf '@echo planted %%~f0>>%%LOCKBAY_SETUP_MARK%%\r\n' >"$1/$tool.bat" || fatal "could not plant $tool in $1"
    done
}

# (cmd does not wait for a window program that it starts.)
assert_no_planted_tool_ran() { sleep 1 && assert_missing "$(c_path "$LOCKBAY_SETUP_MARK")" "a planted tool's mark"; }

# ---- Screenshots ---------------------------------------------------------------------

# screenshot <name> [class] : build/e2e-screens/<name>.png, of the whole virtual screen
# or cropped to the client area of the window of that class (without a window manager
# there is no frame to show).
screenshot() {
    local name=$1 class=${2:-} rect
    local file=$E2E_SCREENS/$name.png
    if [[ -n $class ]] && drv settle "$class" >/dev/null && rect=$(drv client-rect "$class" 2>/dev/null); then
        # shellcheck disable=SC2086  # the rectangle is four numbers
        screenshot_root "$file" $rect || fail "could not save $file"
    else
        screenshot_root "$file" || fail "could not save $file"
    fi
    note "screenshot: $file"
}

# ---- Set-up and teardown (run_test.sh) -----------------------------------------------

e2e_setup_test() {
    local id=$1
    # run.sh gives each test its folder, so that it can clean up after a killed test.
    E2E_TEST_TMP=${E2E_TEST_TMP:-$(mktemp -d "$E2E_TMP/test.XXXXXX")}
    E2E_LOG_DIR=$E2E_LOGS/$id
    rm -rf "$E2E_LOG_DIR"
    mkdir -p "$E2E_LOG_DIR" "$E2E_SCREENS"
    export WINEPREFIX=$E2E_TEST_TMP/prefix
    copy_prefix "$E2E_PRISTINE" "$WINEPREFIX" || fatal "could not copy the Wine prefix"
    wine_environment
    export WINE_KEEP_SERVER=1
    # What the Wine server says (a protocol error it kills a program for) shows on failure.
    export WINE_SERVER_LOG=$E2E_LOG_DIR/wineserver.out
    export WINEPATH=$STANDIN_WIN_DIR
    export LOCKBAY_STANDIN_LOG="$STANDIN_WIN_DIR\\commands.log"
    export LOCKBAY_SETUP_MARK='C:\setup-ran.txt'
}

e2e_teardown() {
    local status=$?
    if ((status != 0 || E2E_FAILURES > 0)); then
        if wine_services_restarted; then
            : >"$E2E_LOG_DIR/wine-start-failed"
            note "Wine's services ended under the test and were started again (or are gone): Wine's own failure"
        fi
        screenshot_root "$E2E_LOG_DIR/failure.png" 2>/dev/null && note "screen at the end: $E2E_LOG_DIR/failure.png"
        drv windows 2>/dev/null | sed '$d' | sed 's/^/  window: /' >&2
        drv drives 2>/dev/null | sed '$d' | sed 's/^/  drive: /' >&2
        windows_processes | sed 's/^/  process: /' >&2
        # Whether each program the test started was still there tells much: one that ended
        # before its window came shows only here.
        local pid
        [[ -n $LOCKBAY_PID && -z ${E2E_PROGRAM_NAMES[$LOCKBAY_PID]:-} ]] && E2E_PROGRAM_NAMES[$LOCKBAY_PID]=lockbay.exe
        for pid in "${!E2E_PROGRAM_NAMES[@]}"; do
            kill -0 "$pid" 2>/dev/null && continue
            wait "$pid" 2>/dev/null
            note "${E2E_PROGRAM_NAMES[$pid]} had ended, exit code $?"
        done
        # What the programs printed and the server saw, in the log itself (CI shows only that).
        local file
        for file in "$E2E_LOG_DIR"/*.out "$E2E_LOG_DIR/requests.log"; do
            [[ -s $file ]] || continue
            note "$(basename "$file"), last lines:"
            tail -n 20 "$file" | sed 's/^/    /' >&2
        done
    fi
    [[ -f $(standin_log) ]] && cp "$(standin_log)" "$E2E_LOG_DIR/standin-commands.log"
    stop_server
    wineserver -k 2>/dev/null
    for pid in "${E2E_PIDS[@]}"; do wait "$pid" 2>/dev/null; done
    [[ ${E2E_KEEP:-0} == 1 ]] || rm -rf "$E2E_TEST_TMP"
}
