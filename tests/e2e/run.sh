#!/usr/bin/env bash
# Runs the end-to-end tests: the real Windows programs of a mingw build under Wine, on
# a virtual X display, against drives that are temporary folders.
#
#   tests/e2e/run.sh [--build-dir DIR] [PATTERN...]
#
# DIR is the build of the mingw-e2e preset (default build/mingw-e2e), which also makes
# the next version's setup for the upgrade and update tests. Every function
# named test_* in tests/e2e/cases/*.sh is one test; PATTERNs keep only the tests whose
# "case.test_name" contains one of them. The last line is "N passed, N failed"; the
# exit status is non-zero when a test failed or none ran.
#
# Screenshots go to build/e2e-screens/, each test's logs to build/e2e-logs/<case.test>/.
# E2E_KEEP=1 keeps the temporary folders (drives and prefixes) for a look afterwards;
# E2E_TEST_TIMEOUT (seconds, default 900) stops a test that hangs.
set -uo pipefail

# Debian's Wine starts its programs without Wine's preloader, so nothing stops Linux from
# placing a program's heap, at random, where Wine must then map the fixed page it shares
# with its server (0x7ffe0000): one start in a few thousand then ends with exit code 1 before
# any code of the program runs. Without address randomization the heap follows the loader
# and never reaches that page. Every process of the suite inherits this.
# Where that is not allowed, Wine still says so on the program's standard error (see
# wine_environment) and the runner gives the test a second run.
if [[ ${E2E_FIXED_LAYOUT:-0} != 1 ]] && setarch -R true 2>/dev/null; then
    E2E_FIXED_LAYOUT=1 exec setarch -R bash "$0" "$@"
fi
WINE_START_FAILURE="failed to map the shared user data"

E2E_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO=$(cd "$E2E_ROOT/../.." && pwd)
BUILD_DIR=$REPO/build/mingw-e2e
patterns=()
while (($#)); do
    case $1 in
        --build-dir)
            BUILD_DIR=$(cd "$2" && pwd) || exit 2
            shift 2
            ;;
        -h | --help)
            awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$0"
            exit 0
            ;;
        *)
            patterns+=("$1")
            shift
            ;;
    esac
done

# shellcheck source=lib/wine.sh
source "$E2E_ROOT/lib/wine.sh"

die() {
    echo "error: $*" >&2
    echo "0 passed, 1 failed"
    exit 1
}

# ---- What the suite needs --------------------------------------------------------------

for tool in wineboot wineserver Xvfb import python3 tar osslsigncode; do
    command -v "$tool" >/dev/null || die "$tool is missing (tools/run-tests.sh installs it)"
done
programs=(
    "$BUILD_DIR/lockbay/lockbay.exe"
    "$BUILD_DIR/update/update.exe"
    "$BUILD_DIR/watch/lockbay-watch.exe"
    "$BUILD_DIR/cli/lockbay-cli.exe"
    "$BUILD_DIR/LockbaySetup.exe"
    "$BUILD_DIR/tests/e2e/next-version/LockbaySetup.exe"
    "$BUILD_DIR/Lockbay.msi"
    "$BUILD_DIR/tests/e2e/next-version/Lockbay.msi"
    "$BUILD_DIR/tests/e2e/driver.exe"
    "$BUILD_DIR/tests/e2e/fake_setup.exe"
    "$BUILD_DIR/tests/e2e/as_standard_user.exe"
    "$BUILD_DIR/tests/e2e/http_probe.exe"
    "$BUILD_DIR/tests/e2e/stand-ins/cacls.exe"
    "$BUILD_DIR/tests/e2e/stand-ins/takeown.exe"
    "$BUILD_DIR/tests/e2e/stand-ins/convert.exe"
    "$BUILD_DIR/tests/e2e/stand-ins/icacls.exe"
)
for program in "${programs[@]}"; do
    [[ -f $program ]] || die "$program is missing: build the mingw-e2e preset first"
done
compgen -G "$BUILD_DIR/lockbay/*.vlng" >/dev/null || die "no language files in $BUILD_DIR/lockbay"

# ---- The tests -------------------------------------------------------------------------

tests=()
for case_file in "$E2E_ROOT"/cases/*.sh; do
    [[ -e $case_file ]] || continue
    case_name=$(basename "$case_file" .sh)
    while read -r test_name; do
        id=$case_name.$test_name
        if ((${#patterns[@]})); then
            keep=0
            for pattern in "${patterns[@]}"; do [[ $id == *"$pattern"* ]] && keep=1; done
            ((keep)) || continue
        fi
        tests+=("$case_file:$test_name")
    done < <(grep -oE '^test_[A-Za-z0-9_]+[[:space:]]*\(\)' "$case_file" | sed 's/[[:space:]]*()$//')
done
((${#tests[@]})) || die "no tests found"

# ---- The suite's display and pristine prefix -------------------------------------------

export E2E_TMP
E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/lockbay-e2e.XXXXXX")
XVFB_PID=""
cleanup() {
    WINEPREFIX=$E2E_TMP/pristine wineserver -k 2>/dev/null
    [[ -n $XVFB_PID ]] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    [[ ${E2E_KEEP:-0} == 1 ]] && echo "kept: $E2E_TMP" || rm -rf "$E2E_TMP"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

wine_environment
if [[ ${E2E_USE_DISPLAY:-0} == 1 && -n ${DISPLAY:-} ]]; then
    echo "using display $DISPLAY"
else
    start_xvfb XVFB_PID || die "no virtual display"
fi

export E2E_PRISTINE=$E2E_TMP/pristine
echo "preparing a Wine prefix..."
# wineboot of a new prefix runs nothing of ours: should it fail, Wine is made to boot it
# once more in a new folder, and the summary says so.
if ! make_prefix "$E2E_PRISTINE" unmanaged; then
    tail -n 20 "$E2E_PRISTINE.boot.log" | sed 's/^/    /' >&2
    WINEPREFIX=$E2E_PRISTINE wineserver -k 2>/dev/null
    rm -rf "$E2E_PRISTINE"
    echo "preparing the Wine prefix a second time..."
    make_prefix "$E2E_PRISTINE" unmanaged || die "could not make a Wine prefix"
    echo "the Wine prefix" >"$E2E_TMP/prefix-second-time"
fi
install_into_prefix() {
    local c=$E2E_PRISTINE/drive_c tool
    mkdir -p "$c/Lockbay" "$c/stand-ins" "$c/e2e"
    cp "$BUILD_DIR/lockbay/lockbay.exe" "$BUILD_DIR/update/update.exe" "$BUILD_DIR/watch/lockbay-watch.exe" \
        "$BUILD_DIR/cli/lockbay-cli.exe" "$BUILD_DIR"/lockbay/*.vlng "$c/Lockbay/" &&
        cp "$BUILD_DIR"/tests/e2e/stand-ins/*.exe "$c/stand-ins/" &&
        cp "$BUILD_DIR/tests/e2e/driver.exe" "$BUILD_DIR/tests/e2e/fake_setup.exe" \
            "$BUILD_DIR/tests/e2e/as_standard_user.exe" "$BUILD_DIR/tests/e2e/http_probe.exe" "$c/e2e/" &&
        cp "$BUILD_DIR/LockbaySetup.exe" "$c/e2e/LockbaySetup.exe" &&
        cp "$BUILD_DIR/tests/e2e/next-version/LockbaySetup.exe" "$c/e2e/LockbaySetup-4.0.1.exe" &&
        cp "$BUILD_DIR/Lockbay.msi" "$c/e2e/Lockbay.msi" &&
        cp "$BUILD_DIR/tests/e2e/next-version/Lockbay.msi" "$c/e2e/Lockbay-4.0.1.msi" || return 1
    # Lockbay starts its tools in the system folder, where Wine's cmd finds Wine's own
    # cacls before any on the search path (it ignores NoDefaultCurrentDirectoryInExePath),
    # and the setup runs icacls from there by its full path: the stand-ins take the place
    # of Wine's tools (removed first, so that nothing is written through a link).
    for tool in "$BUILD_DIR"/tests/e2e/stand-ins/*.exe; do rm -f "$c/windows/system32/${tool##*/}" && cp "$tool" "$c/windows/system32/" || return 1; done
}
install_into_prefix || die "could not copy the programs into the prefix"

export E2E_ROOT E2E_BUILD_DIR=$BUILD_DIR
# Several runs in one tree (each with its own build) keep apart by setting these.
export E2E_SCREENS=${E2E_SCREENS:-$REPO/build/e2e-screens}
export E2E_LOGS=${E2E_LOGS:-$REPO/build/e2e-logs}
rm -rf "$E2E_LOGS"  # logs of this run only
mkdir -p "$E2E_SCREENS" "$E2E_LOGS"

# ---- Run ---------------------------------------------------------------------------
#
# Tests run side by side in E2E_JOBS workers (default 3 where a test can have a network of
# its own, else 1). Each worker has its own virtual display, since the tests click with
# real input and take screenshots of the whole screen; each test runs in a network
# namespace of its own, where the loopback port of the e2e build is free for its server.
# A test mostly waits for Wine, so the workers share the processors well.

# True when this machine lets a test have a loopback network of its own (root, or user
# namespaces, and iproute2).
own_network_works() {
    command -v unshare >/dev/null && command -v ip >/dev/null &&
        unshare --net --fork -- sh -c 'ip link set lo up' 2>/dev/null
}

workers=${E2E_JOBS:-}
if [[ -z $workers ]]; then
    if own_network_works; then workers=3; else workers=1; fi
fi
if ((workers > 1)) && ! own_network_works; then
    echo "E2E_JOBS=$workers needs network namespaces (unshare and ip, as root); running one test at a time"
    workers=1
fi
if [[ ${E2E_USE_DISPLAY:-0} == 1 && -n ${DISPLAY:-} ]]; then
    workers=1  # one real display: one test at a time
fi
((workers > ${#tests[@]})) && workers=${#tests[@]}
echo "running ${#tests[@]} tests, $workers at a time"

reap_test() {
    local dir=$1 pid
    if [[ -f $dir/server.pid ]]; then
        pid=$(<"$dir/server.pid")
        kill "$pid" 2>/dev/null
    fi
    [[ -d $dir/prefix ]] && WINEPREFIX=$dir/prefix wineserver -k 2>/dev/null
    [[ ${E2E_KEEP:-0} == 1 ]] || rm -rf "$dir"
}

# The next test's number from the shared queue, or nothing when all are taken.
next_test() {
    local next
    exec 9>>"$E2E_TMP/queue.lock"
    flock 9
    next=$(<"$E2E_TMP/queue")
    echo $((next + 1)) >"$E2E_TMP/queue"
    flock -u 9
    exec 9>&-
    ((next < ${#tests[@]})) && echo "$next"
}

# Runs one test and records "PASS|FAIL <id> <seconds>" in the results file.
run_one() {
    local entry=$1 case_file test_name id log started test_tmp verdict
    case_file=${entry%:*}
    test_name=${entry##*:}
    id=$(basename "$case_file" .sh).$test_name
    log=$E2E_LOGS/$id.log
    started=$SECONDS
    local -a command=(bash "$E2E_ROOT/lib/run_test.sh" "$case_file" "$test_name")
    if ((workers > 1)); then
        command=(unshare --net --fork --kill-child -- sh -c 'ip link set lo up && exec "$@"' sh "${command[@]}")
    fi
    local attempt
    for attempt in 1 2; do
        test_tmp=$(mktemp -d "$E2E_TMP/test.XXXXXX")
        # A test that hangs is stopped after a generous time; its teardown runs, and what
        # a killed test may have left running is stopped here too.
        if E2E_TEST_TMP=$test_tmp timeout --foreground --kill-after=30 "${E2E_TEST_TIMEOUT:-900}" \
            "${command[@]}" >"$log" 2>&1; then
            verdict=PASS
        else
            verdict=FAIL
        fi
        reap_test "$test_tmp"
        # Only a test that Wine let down runs once more: in a preparing step, or by ending
        # its own services under the running programs (the test marks it so), or by not
        # starting one of its programs at all (Wine's own words, above); a failure of
        # Lockbay's own never does.
        [[ $verdict == FAIL && $attempt == 1 ]] || break
        [[ -f $E2E_LOGS/$id/wine-start-failed ]] ||
            grep -qsF "$WINE_START_FAILURE" "$log" "$E2E_LOGS/$id"/*.out || break
        cp "$log" "$E2E_LOGS/$id.first-run.log"
        echo "$id" >>"$E2E_TMP/second-runs"
    done
    echo "$verdict $id ($((SECONDS - started)) s)$( ((attempt > 1)) && echo ', second run')"
    echo "$verdict $id" >>"$E2E_TMP/results"
}

run_worker() {
    local number=$1 index
    if ((workers > 1)) || [[ -z ${DISPLAY:-} ]]; then
        start_xvfb WORKER_XVFB_PID || { echo "error: worker $number has no virtual display" >&2; return 1; }
    fi
    while index=$(next_test); do
        run_one "${tests[$index]}"
    done
    [[ -n ${WORKER_XVFB_PID:-} ]] && kill "$WORKER_XVFB_PID" 2>/dev/null && wait "$WORKER_XVFB_PID" 2>/dev/null
    return 0
}

echo 0 >"$E2E_TMP/queue"
: >"$E2E_TMP/results"
worker_pids=()
for ((w = 1; w <= workers; w++)); do
    if ((workers == 1)); then
        run_worker "$w"
    else
        (
            unset XVFB_PID
            run_worker "$w"
        ) &
        worker_pids+=($!)
    fi
done
for pid in "${worker_pids[@]}"; do wait "$pid"; done

passed=$(grep -c '^PASS ' "$E2E_TMP/results")
failed=$(grep -c '^FAIL ' "$E2E_TMP/results")
mapfile -t failed_names < <(sed -n 's/^FAIL //p' "$E2E_TMP/results")
missing=$((${#tests[@]} - passed - failed))
for id in "${failed_names[@]}"; do
    echo "---- $id"
    sed 's/^/    /' "$E2E_LOGS/$id.log"
done
if ((missing > 0)); then
    echo "error: $missing tests did not run (a worker failed)"
    failed=$((failed + missing))
fi
if [[ -s $E2E_TMP/prefix-second-time ]]; then
    echo "made a second time after wineboot failed: the Wine prefix"
fi
if [[ -s $E2E_TMP/second-runs ]]; then
    echo "ran a second time after Wine itself failed (a preparing step, its services ended under the test, or a program it could not start; first runs' logs beside the others):" \
        "$(sort "$E2E_TMP/second-runs" | paste -sd ' ')"
fi
if ((${#failed_names[@]})); then
    echo "failed tests: ${failed_names[*]} (logs in $E2E_LOGS)"
fi
echo "$passed passed, $failed failed"
((failed == 0 && passed > 0))
