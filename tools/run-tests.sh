#!/usr/bin/env bash
# Builds everything and runs every test: xmllint on the administrative templates, the
# unit tests natively (GoogleTest), again
# under ASan and UBSan, each fuzz target for 30 s, then the real Windows programs under
# Wine (tests/e2e/run.sh). Installs what it needs from
# Debian first when something is missing (as root, or with sudo).
#
#   tools/run-tests.sh [E2E-PATTERN...]
#
# Patterns are passed to tests/e2e/run.sh to run only some end-to-end tests. Exits
# non-zero when a build or any test fails. LOCKBAY_E2E_PORT=<port> points the end-to-end
# build's hosts and the tests' server at another loopback port than 18080 (for runs side
# by side on one machine).
set -euo pipefail

REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$REPO"
# shellcheck source=../tests/e2e/lib/packages.sh
source tests/e2e/lib/packages.sh

jobs=$(nproc 2>/dev/null || echo 2)

ensure_packages

# Runs one stage: its build (none when BUILD is empty), then its tests, echoing their
# output and keeping the last line that matches SUMMARY, after every line that matches
# NOTES when given. Sets <NAME>_ok (1 when the build and the tests passed) and
# <NAME>_summary.
run_stage() {
    local name=$1 summary_pattern=$2 build=$3 run=$4 notes_pattern=${5:-}
    local ok=0 summary="not run: the build failed" log
    if [[ -z $build ]] || eval "$build"; then
        log=$(mktemp)
        if eval "$run" 2>&1 | tee "$log"; then
            ok=1
        fi
        summary=$(grep -E "$summary_pattern" "$log" | tail -n 1 || true)
        [[ -n $summary ]] || summary="no summary"
        if [[ -n $notes_pattern ]] && grep -qE "$notes_pattern" "$log"; then
            summary="$(grep -E "$notes_pattern" "$log")"$'\n'"$summary"
        fi
        rm -f "$log"
    fi
    printf -v "${name}_ok" '%s' "$ok"
    printf -v "${name}_summary" '%s' "$summary"
}

ctest_summary='tests passed|tests failed'
count_summary='^[0-9]+ passed, [0-9]+ failed$'

echo "== administrative templates (well-formed XML)"
run_stage templates 'templates' "" \
    'xmllint --noout installer/policies/Lockbay.admx installer/policies/en-US/Lockbay.adml && echo "templates: well-formed"'

echo "== unit tests (native build)"
run_stage unit "$ctest_summary" \
    'cmake --preset native && cmake --build --preset native -j "$jobs"' \
    'ctest --preset native -j "$jobs"'

echo "== unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
run_stage sanitize "$ctest_summary" \
    'cmake --preset sanitize && cmake --build --preset sanitize -j "$jobs"' \
    'ctest --preset sanitize -j "$jobs"'

echo "== fuzzers (${LOCKBAY_FUZZ_SECONDS:-30} s each)"
run_stage fuzz "$count_summary" "" \
    'LOCKBAY_FUZZ_JOBS=${LOCKBAY_FUZZ_JOBS:-2} bash tools/run-fuzzers.sh "${LOCKBAY_FUZZ_SECONDS:-30}"'

echo "== end-to-end tests (mingw-e2e build under Wine)"
e2e_patterns=${*@Q}
e2e_hosts=()
if [[ -n ${LOCKBAY_E2E_PORT:-} ]]; then
    for host in UPDATE DOWNLOAD WEB; do e2e_hosts+=("-DLOCKBAY_${host}_HOST=127.0.0.1:$LOCKBAY_E2E_PORT"); done
fi
run_stage e2e "$count_summary" \
    'cmake --preset mingw-e2e "${e2e_hosts[@]}" && cmake --build --preset mingw-e2e -j "$jobs"' \
    "bash tests/e2e/run.sh --build-dir build/mingw-e2e $e2e_patterns" '^ran a second time'

echo "== summary"
echo "administrative templates: $templates_summary"
echo "unit tests: $unit_summary"
echo "unit tests with sanitizers: $sanitize_summary"
echo "fuzz targets: $fuzz_summary"
echo "e2e tests:"
echo "$e2e_summary"
((templates_ok && unit_ok && sanitize_ok && fuzz_ok && e2e_ok))
