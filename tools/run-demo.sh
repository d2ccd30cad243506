#!/usr/bin/env bash
# Builds Lockbay and runs it under Wine on three demo drives, Wine drive letters mapped
# onto folders under build/demo/drives:
#   E:  infected      (a plain autorun.inf file)
#   F:  unprotected   (empty)
#   G:  protected     (a hidden autorun.inf folder)
# The drives are made afresh at every run. Once the main window is up, a screenshot of
# it is written to build/demo/main-window.png and its path printed. On a display, Lockbay
# then runs until Ctrl+C (or until its window is closed). Without one ($DISPLAY empty)
# it runs on a virtual display that nobody can see, and ends with the screenshot.
#
#   tools/run-demo.sh [--screenshot-only | --keep-running]
#
# --screenshot-only ends Lockbay after the screenshot, also on a display.
# --keep-running keeps it running on the virtual display too (to reach it with the test
# driver, or with a viewer on that display). Installs what it needs from Debian first
# when something is missing (as root, or with sudo).
set -euo pipefail

REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$REPO"
screenshot_only=0
keep_running=0
for arg in "$@"; do
    case $arg in
        --screenshot-only) screenshot_only=1 ;;
        --keep-running) keep_running=1 ;;
        -h | --help)
            awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$0"
            exit 0
            ;;
        *)
            echo "error: unknown argument $arg (try --help)" >&2
            exit 2
            ;;
    esac
done

# shellcheck source=../tests/e2e/lib/packages.sh
source tests/e2e/lib/packages.sh
# shellcheck source=../tests/e2e/lib/wine.sh
source tests/e2e/lib/wine.sh

ensure_packages

echo "== building Lockbay (mingw)"
cmake --preset mingw
cmake --build --preset mingw -j "$(nproc 2>/dev/null || echo 2)"
BUILD=$REPO/build/mingw

DEMO=$REPO/build/demo
PREFIX=$DEMO/prefix
DRIVES=$DEMO/drives
SHOT=$DEMO/main-window.png
mkdir -p "$DEMO"
wine_environment
export WINEPREFIX=$PREFIX

XVFB_PID=""
LOCKBAY_PID=""
stop_everything() {
    trap - EXIT INT TERM
    wineserver -k 2>/dev/null || true
    [[ -n $LOCKBAY_PID ]] && wait "$LOCKBAY_PID" 2>/dev/null || true
    [[ -n $XVFB_PID ]] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null || true
}
trap stop_everything EXIT
trap 'echo; echo "stopping Lockbay"; exit 0' INT TERM

if [[ -z ${DISPLAY:-} ]]; then
    start_xvfb XVFB_PID
    echo "no display: started a virtual one ($DISPLAY)"
fi

# The prefix is kept between runs (making one takes a while); a running Wine of an
# earlier demo is stopped first.
wineserver -k 2>/dev/null || true
if [[ ! -f $PREFIX/system.reg ]]; then
    echo "== preparing a Wine prefix in $PREFIX (once)"
    rm -rf "$PREFIX"
    make_prefix "$PREFIX"
fi
keep_only_drive_c "$PREFIX"

echo "== demo drives in $DRIVES"
rm -rf "$DRIVES"
map_drive "$PREFIX" e "$DRIVES/e"
printf '[autorun]\r\nopen=autorun-virus.exe\r\n' >"$DRIVES/e/autorun.inf"
map_drive "$PREFIX" f "$DRIVES/f"
map_drive "$PREFIX" g "$DRIVES/g"
mkdir "$DRIVES/g/autorun.inf"
set_hidden "$PREFIX" 'G:\autorun.inf'
echo "  E: infected, F: unprotected, G: protected"

PROGRAM_DIR=$PREFIX/drive_c/Lockbay
TOOLS_DIR=$PREFIX/drive_c/demo-tools
mkdir -p "$PROGRAM_DIR" "$TOOLS_DIR"
cp "$BUILD/lockbay/lockbay.exe" "$BUILD"/lockbay/*.vlng "$PROGRAM_DIR/"
[[ -f $BUILD/update/update.exe ]] && cp "$BUILD/update/update.exe" "$PROGRAM_DIR/"
cp "$BUILD/tests/e2e/driver.exe" "$TOOLS_DIR/"

echo "== starting Lockbay"
(cd "$PROGRAM_DIR" && exec "$(wine_loader)" 'C:\Lockbay\lockbay.exe') >"$DEMO/lockbay.log" 2>&1 &
LOCKBAY_PID=$!

driver() { wine_in "$PREFIX" "$PREFIX/drive_c" 'C:\demo-tools\driver.exe' "$@"; }
# The start-up asks the vendor's update host first, which may take until its time-out
# where there is no network.
if ! driver wait-window Lockbay_Form1 90000 >/dev/null; then
    echo "error: the main window did not appear (log: $DEMO/lockbay.log)" >&2
    exit 1
fi
driver wait-gone Lockbay_frmSplash 30000 >/dev/null || true
driver settle Lockbay_Form1 >/dev/null || true
rect=$(driver client-rect Lockbay_Form1)
# shellcheck disable=SC2086  # four numbers
screenshot_root "$SHOT" $rect
echo "screenshot of the main window: $SHOT"

if ((screenshot_only)); then
    exit 0
fi
if [[ -n $XVFB_PID ]] && ((!keep_running)); then
    echo "There is no display here, so Lockbay ran on a virtual one that nobody can see; it ends now."
    echo "To keep it running there: tools/run-demo.sh --keep-running (or run this on a desktop to use it)."
    exit 0
fi
echo "Lockbay is running on display $DISPLAY. Press Ctrl+C to stop."
wait "$LOCKBAY_PID" || true
echo "Lockbay has ended."
