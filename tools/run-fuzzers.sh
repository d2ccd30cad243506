#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer into build/fuzz and runs each for a while on a scratch copy
# of its seed corpus (the committed corpus never grows). Prints, per target, the
# executions and "no crash" or the crash, then "N passed, N failed"; exits non-zero
# when any target crashed or could not run.
#
# Usage: tools/run-fuzzers.sh [seconds]     (default 30 seconds per target)
# LOCKBAY_FUZZ_JOBS=2 runs that many targets at the same time (default 1).
set -euo pipefail

seconds="${1:-30}"
jobs="${LOCKBAY_FUZZ_JOBS:-1}"
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ && "$jobs" =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 [seconds]   (LOCKBAY_FUZZ_JOBS=n to run n targets at once)" >&2
    exit 2
fi

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source_dir="$root/tests/fuzz"
build_dir="$root/build/fuzz"
runs_dir="$build_dir/runs"
targets=(selection_file language_file version_rule setup_check autorun_file shell_link)

# clang with its fuzzer and sanitizer runtimes (Debian 12: clang and libclang-rt-14-dev).
fuzzer_runtime_present() {
    command -v clang++ >/dev/null 2>&1 || return 1
    local lib_dir
    lib_dir="$(clang++ -print-resource-dir)/lib/linux"
    [[ -f "$lib_dir/libclang_rt.fuzzer-x86_64.a" && -f "$lib_dir/libclang_rt.asan-x86_64.a" ]]
}
if ! fuzzer_runtime_present; then
    echo "Installing clang and its fuzzer runtime ..."
    sudo_cmd=()
    [[ "$(id -u)" -eq 0 ]] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y --no-install-recommends clang libclang-rt-14-dev
    fuzzer_runtime_present || { echo "clang's libFuzzer runtime is still missing" >&2; exit 2; }
fi

cmake -S "$source_dir" -B "$build_dir" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" -j "$(nproc)" >/dev/null

# Runs one target; its log and any crash input stay in build/fuzz/runs/<target>/.
run_target() {
    local target="$1"
    local work="$runs_dir/$target"
    rm -rf "$work"
    mkdir -p "$work/corpus"
    cp -R "$source_dir/corpus/$target/." "$work/corpus/"
    local status=0
    "$build_dir/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$work/" "$work/corpus" >"$work/log" 2>&1 || status=$?
    echo "$status" >"$work/status"
}

running=0
for target in "${targets[@]}"; do
    run_target "$target" &
    running=$((running + 1))
    if ((running >= jobs)); then
        wait -n || true
        running=$((running - 1))
    fi
done
wait

passed=0
failed=0
for target in "${targets[@]}"; do
    work="$runs_dir/$target"
    status="$(cat "$work/status" 2>/dev/null || echo missing)"
    executions="$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -n 1)"
    artifact="$(find "$work" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
        -o -name 'oom-*' \) | head -n 1)"
    if [[ "$status" == 0 && -z "$artifact" && -n "$executions" ]]; then
        printf '%-15s %12s executions in %ss, no crash\n' "$target" "$executions" "$seconds"
        passed=$((passed + 1))
    else
        printf '%-15s %12s executions, CRASH (exit status %s)\n' "$target" "${executions:-?}" "$status"
        [[ -n "$artifact" ]] && echo "    input: $artifact"
        echo "    log: $work/log"
        grep -E 'property violated|ERROR: (AddressSanitizer|libFuzzer|LeakSanitizer)|runtime error|SUMMARY' \
            "$work/log" | head -n 5 | sed 's/^/    /' || true
        failed=$((failed + 1))
    fi
done

echo "$passed passed, $failed failed"
((failed == 0))
