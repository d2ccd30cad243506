#!/usr/bin/env bash
# Lockbay's benchmarks, run on purpose (never part of a test run): builds what they
# need, then measures under Wine every figure beside its baseline in the same run and
# prints each with its target and PASS or FAIL, and a summary. Exit status 1 when a
# target is missed.
#
#   tools/run-benchmarks.sh [--quick] [--only DIGITS]
#
#   1  drive list rebuild on 20 drives against the bare file-system calls
#   2  start-up against a minimal window; with a silent update host; with one that
#      trickles its answer, then falls silent
#   3  the updater's download of a 64 MB setup against curl; its peak memory
#   4  size and imports of the release build; processor use of the idle main window
#   5  the watcher: arrival broadcast to the protection folder, idle processor use,
#      private memory
#   6  size of the release build's LockbaySetup.exe; a silent install under Wine, and
#      msiexec /i Lockbay.msi /qn, each beside
#      a plain copy of the same files
#   7  cleaning and the watcher's scan on roots of 1,000 to 65,536 entries against the bare
#      Win32 calls the same job needs; the cleaning question's first screen with 65,536 items
#
# Builds: build/bench-e2e (the mingw-e2e preset with its hosts on 127.0.0.1:PORT, for
# the programs run under Wine) and build/bench-mingw (the release preset, for the
# footprint), under LOCKBAY_BENCH_BUILDS (default build/). PORT is LOCKBAY_BENCH_PORT
# (default 18095); nothing may listen there.
# --quick takes fewer rounds (to try the script out); --only 13 runs figures 1 and 3.
# The machine's load touches every figure's two sides alike (they are interleaved), but
# take final figures when the machine is quiet.
set -uo pipefail

REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
PORT=${LOCKBAY_BENCH_PORT:-18095}
BUILDS=${LOCKBAY_BENCH_BUILDS:-$REPO/build}
E2E_BUILD=$BUILDS/bench-e2e
RELEASE_BUILD=$BUILDS/bench-mingw
bench_args=()
while (($#)); do
    case $1 in
        --quick) bench_args+=(--quick); shift ;;
        --only) bench_args+=(--only "$2"); shift 2 ;;
        -h | --help)
            awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$0"
            exit 0
            ;;
        *) echo "unknown argument: $1" >&2; exit 2 ;;
    esac
done

die() {
    echo "error: $*" >&2
    exit 1
}

# shellcheck source=../tests/e2e/lib/wine.sh
source "$REPO/tests/e2e/lib/wine.sh"

# ---- What the benchmarks need ------------------------------------------------------------

if ! command -v curl >/dev/null; then
    echo "installing curl (the download benchmark's baseline)..."
    { apt-get update -qq && apt-get install -y -qq --no-install-recommends curl; } >/dev/null || die "could not install curl"
fi
for tool in cmake x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-objdump wineboot wineserver Xvfb python3 curl \
    makensis osslsigncode openssl wixl; do
    command -v "$tool" >/dev/null || die "$tool is missing (tools/run-tests.sh installs the toolchain and Wine)"
done

# ---- Builds --------------------------------------------------------------------------------

mkdir -p "$BUILDS"
echo "building $E2E_BUILD and $RELEASE_BUILD..."
hosts=(-DLOCKBAY_UPDATE_HOST="127.0.0.1:$PORT" -DLOCKBAY_DOWNLOAD_HOST="127.0.0.1:$PORT"
    -DLOCKBAY_WEB_HOST="127.0.0.1:$PORT")
{
    cmake --preset mingw-e2e -B "$E2E_BUILD" "${hosts[@]}" &&
        cmake --build "$E2E_BUILD" -j2 &&
        cmake --preset mingw -B "$RELEASE_BUILD" &&
        cmake --build "$RELEASE_BUILD" -j2 --target lockbay update lockbay-watch lockbay_setup lockbay_msi
} >"$BUILDS/bench-build.log" 2>&1 || die "the build failed (see $BUILDS/bench-build.log)"

# ---- A virtual display and a Wine prefix of our own -------------------------------------------

BENCH_TMP=$(mktemp -d "${TMPDIR:-/tmp}/lockbay-bench.XXXXXX")
XVFB_PID=""
cleanup() {
    WINEPREFIX=$BENCH_TMP/prefix wineserver -k 2>/dev/null
    [[ -n $XVFB_PID ]] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    rm -rf "$BENCH_TMP"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

wine_environment
# Wine's own cacls and icacls here (the tests put recording stand-ins in their place): a
# setup into a folder outside Program Files gives it its access list with icacls.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
start_xvfb XVFB_PID || die "no virtual display"
export WINEPREFIX=$BENCH_TMP/prefix
echo "preparing a Wine prefix..."
make_prefix "$WINEPREFIX" unmanaged || die "could not make a Wine prefix"
c=$WINEPREFIX/drive_c
mkdir -p "$c/Lockbay" "$c/bench"
cp "$E2E_BUILD/lockbay/lockbay.exe" "$E2E_BUILD/update/update.exe" "$E2E_BUILD/watch/lockbay-watch.exe" \
    "$E2E_BUILD"/lockbay/*.vlng "$c/Lockbay/" &&
    cp "$E2E_BUILD"/tests/bench/*.exe "$E2E_BUILD/tests/e2e/driver.exe" "$c/bench/" ||
    die "could not install the programs into the prefix"

# Twenty drives E: to X:, each a folder: two protected (a folder autorun.inf), two
# infected (a plain file autorun.inf), one with a hidden autorun.inf, one with a user's
# folder "a" (the write probe's name), the rest empty.
drives=$BENCH_TMP/drives
for letter in E F G H I J K L M N O P Q R S T U V W X; do
    map_drive "$WINEPREFIX" "$letter" "$drives/${letter,,}"
done
mkdir "$drives/e/autorun.inf" "$drives/i/autorun.inf" "$drives/g/a"
printf '[autorun]\r\nopen=virus.exe\r\n' >"$drives/f/autorun.inf"
printf '[autorun]\r\nopen=virus.exe\r\n' >"$drives/j/autorun.inf"
printf '[autorun]\r\nopen=virus.exe\r\n' >"$drives/h/autorun.inf"
set_hidden "$WINEPREFIX" 'H:\autorun.inf' || die "could not hide H:\\autorun.inf"

# One wineserver for the whole run, started now: every program, ours and the
# baselines, starts against the same warm server.
wineserver -p

mkdir -p "$BENCH_TMP/work"
echo "measuring (port $PORT)..."
# The download is signed with the e2e build's certificate, as its updater demands.
cert=$(sed -n 's/^LOCKBAY_SIGNING_CERT:[A-Z]*=//p' "$E2E_BUILD/CMakeCache.txt")
key=$(sed -n 's/^LOCKBAY_SIGNING_KEY:[A-Z]*=//p' "$E2E_BUILD/CMakeCache.txt")
if [[ -z $cert ]]; then
    cert=$E2E_BUILD/signing/development-certificate.pem
    key=$E2E_BUILD/signing/development-key.pem
fi
python3 "$REPO/tests/bench/run_benchmarks.py" --wine "$(wine_loader)" --port "$PORT" \
    --footprint-build "$RELEASE_BUILD" --work-dir "$BENCH_TMP/work" --signing-cert "$cert" --signing-key "$key" \
    "${bench_args[@]}"
