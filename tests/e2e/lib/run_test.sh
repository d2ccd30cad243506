#!/usr/bin/env bash
# Runs one test function of one case file in a fresh copy of the suite's Wine prefix.
#   run_test.sh <case-file> <test-function>
# Called by run.sh, which exports the suite's settings (E2E_*, DISPLAY). Exit status 0
# when the test passed.
set -uo pipefail

case_file=$1
test_name=$2
case_name=$(basename "$case_file" .sh)

# shellcheck source=common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

e2e_setup_test "$case_name.$test_name"
trap e2e_teardown EXIT
trap 'fatal "the test was stopped by a signal (time-out or Ctrl+C)"' TERM INT

# shellcheck disable=SC1090
source "$case_file"
"$test_name"
status=$?
if ((status != 0)); then
    fail "$test_name returned $status"
fi
((E2E_FAILURES == 0))
