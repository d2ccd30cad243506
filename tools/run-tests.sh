#!/usr/bin/env bash
# Builds everything and runs every test: the unit tests natively (GoogleTest), again
# under ASan and UBSan, each fuzz target for 30 s, then the real Windows programs under
# Wine (tests/e2e/run.sh). Installs what it needs from
# Debian first when something is missing (as root, or with sudo).
#
#   tools/run-tests.sh [E2E-PATTERN...]
#
# Patterns are passed to tests/e2e/run.sh to run only some end-to-end tests. Exits
# non-zero when a build or any test fails.
set -euo pipefail

REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$REPO"
# shellcheck source=../tests/e2e/lib/packages.sh
source tests/e2e/lib/packages.sh

jobs=$(nproc 2>/dev/null || echo 2)

ensure_packages

echo "== unit tests (native build)"
unit_summary="not run: the native build failed"
unit_ok=0
if cmake --preset native && cmake --build --preset native -j "$jobs"; then
    unit_log=$(mktemp)
    if ctest --preset native -j "$jobs" 2>&1 | tee "$unit_log"; then
        unit_ok=1
    fi
    unit_summary=$(grep -E 'tests passed|tests failed' "$unit_log" | tail -n 1 || true)
    [[ -n $unit_summary ]] || unit_summary="no ctest summary"
    rm -f "$unit_log"
fi

echo "== unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
sanitize_summary="not run: the sanitize build failed"
sanitize_ok=0
if cmake --preset sanitize && cmake --build --preset sanitize -j "$jobs"; then
    sanitize_log=$(mktemp)
    if ctest --preset sanitize -j "$jobs" 2>&1 | tee "$sanitize_log"; then
        sanitize_ok=1
    fi
    sanitize_summary=$(grep -E 'tests passed|tests failed' "$sanitize_log" | tail -n 1 || true)
    [[ -n $sanitize_summary ]] || sanitize_summary="no ctest summary"
    rm -f "$sanitize_log"
fi

echo "== fuzzers (${LOCKBAY_FUZZ_SECONDS:-30} s each)"
fuzz_log=$(mktemp)
fuzz_ok=0
if LOCKBAY_FUZZ_JOBS=${LOCKBAY_FUZZ_JOBS:-2} bash tools/run-fuzzers.sh "${LOCKBAY_FUZZ_SECONDS:-30}" 2>&1 | tee "$fuzz_log"; then
    fuzz_ok=1
fi
fuzz_summary=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$fuzz_log" | tail -n 1 || true)
[[ -n $fuzz_summary ]] || fuzz_summary="no fuzz summary"
rm -f "$fuzz_log"

echo "== end-to-end tests (mingw-e2e build under Wine)"
e2e_summary="not run: the mingw-e2e build failed"
e2e_ok=0
if cmake --preset mingw-e2e && cmake --build --preset mingw-e2e -j "$jobs"; then
    e2e_log=$(mktemp)
    if bash tests/e2e/run.sh --build-dir build/mingw-e2e "$@" 2>&1 | tee "$e2e_log"; then
        e2e_ok=1
    fi
    e2e_summary=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$e2e_log" | tail -n 1 || true)
    [[ -n $e2e_summary ]] || e2e_summary="no e2e summary"
    rm -f "$e2e_log"
fi

echo "== summary"
echo "unit tests: $unit_summary"
echo "unit tests with sanitizers: $sanitize_summary"
echo "fuzz targets: $fuzz_summary"
echo "e2e tests:"
echo "$e2e_summary"
((unit_ok && sanitize_ok && fuzz_ok && e2e_ok))
