#!/usr/bin/env bash
# Long fuzzing of the portable core: every libFuzzer target, built with clang,
# AddressSanitizer and UBSan, runs for at least FUZZ_RUNS executions (ten
# million by default) from the seed corpus in tests/fuzz/corpus/, in
# FUZZ_JOBS processes at once (JOBS, the number of processors, by default) that share the
# target's corpus and split its executions. Prints the figures of each
# target and exits non-zero when one finds a failure. Not part of the test
# command, which runs every target for a short time.
#
#   bash tools/run_fuzz_long.sh            (BUILD_ROOT defaults to ./build)
#   FUZZ_RUNS=50000000 FUZZ_JOBS=1 bash tools/run_fuzz_long.sh [TARGET...]
#
# FUZZ_TIMEOUT (seconds, 10 by default) is wall-clock time per input: raise it
# when the run shares the machine at a low priority, or a starved job reports
# a slow input that is not slow.
#
# A run stopped early (pkill -INT fuzz_) keeps what it found: its corpus stays
# for the next run, and every run of a target adds a line to runs.log in the
# fuzz build, so the executions of several runs on one corpus add up there.
set -uo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=tools/common.sh
source "$repo/tools/common.sh"
runs="${FUZZ_RUNS:-10000000}"
jobs="${FUZZ_JOBS:-$JOBS}"
timeout="${FUZZ_TIMEOUT:-10}"
fuzz="$BUILD_ROOT/core-fuzz"

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

if ! command -v clang++ >/dev/null 2>&1; then
    echo "clang++ is not installed: run tools/setup.sh first" >&2
    exit 1
fi
echo "== building the fuzz targets in $fuzz"
vtb_build core-fuzz || exit 1

status=0
printf '%-16s %12s %8s %10s %8s %8s\n' target executions seconds "exec/s" coverage corpus
targets=("$@")
[ ${#targets[@]} -gt 0 ] || for binary in "$fuzz"/fuzz_*; do
    [ -f "$binary" ] && [ -x "$binary" ] && targets+=("$(basename "$binary")")
done
for target in "${targets[@]}"; do
    binary="$fuzz/$target"
    seeds="$repo/tests/fuzz/corpus/${target#fuzz_}"
    corpus="$fuzz/corpus-${target#fuzz_}"
    artifacts="$fuzz/artifacts-${target#fuzz_}/"
    work="$fuzz/long-${target#fuzz_}"  # the jobs' logs, fuzz-N.log
    rm -rf "$work"
    mkdir -p "$corpus" "$artifacts" "$work"
    [ -d "$seeds" ] || seeds=""
    start=$(date +%s)
    rc=0
    # shellcheck disable=SC2086  # no seeds folder: no argument
    # The jobs look at each other's finds every 30 s: reading a corpus of
    # thousands of inputs every second (the default) halves their speed.
    (cd "$work" && "$binary" -jobs="$jobs" -workers="$jobs" -runs=$(((runs + jobs - 1) / jobs)) -reload=30 -timeout="$timeout" \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" $seeds \
        >"$work/main.log" 2>&1) || rc=$?
    seconds=$(( $(date +%s) - start ))
    executed="$(cat "$work"/fuzz-*.log | awk '/^stat::number_of_executed_units/ {n += $2} END {print n + 0}')"
    coverage="$(cat "$work"/fuzz-*.log | grep -oE 'cov: [0-9]+' | awk '{if ($2 > c) c = $2} END {print c + 0}')"
    inputs="$(find "$corpus" -type f | wc -l)"
    printf '%-16s %12s %8s %10s %8s %8s\n' "$target" "$executed" "$seconds" \
        "$(( executed / (seconds > 0 ? seconds : 1) ))" "$coverage" "$inputs"
    # A slow unit is worth a look, not a failure: it is listed beside the
    # figures (a job stopped or starved by the machine writes one too).
    grep -hoE 'Test unit written to .*slow-unit-[0-9a-f]+' "$work"/fuzz-*.log | sed 's/^Test unit written to /  slow unit: /'
    result=done
    # Jobs stopped by hand leave non-zero: stopped, not failed (a job's own
    # failure still shows in its log below).
    if grep -q 'libFuzzer: run interrupted' "$work"/fuzz-*.log; then
        result=stopped
        rc=0
    fi
    if [ "$rc" -ne 0 ] || grep -qE '^==[0-9]+==ERROR|deadly signal|Test unit written to .*/(crash|leak|timeout|oom)-' "$work"/fuzz-*.log; then
        tail -n 40 "$work"/fuzz-*.log
        echo "!! $target found a failure (inputs in $artifacts, logs in $work)"
        result=failed
        status=1
    fi
    printf '%s %s %s %s %s\n' "$(date -u +%Y-%m-%dT%H:%M:%SZ)" "$target" "$executed" "$seconds" "$result" >>"$fuzz/runs.log"
    awk -v t="$target" '$2 == t {n += $3; r++; if ($5 == "failed") f++}
        END {printf "  %s on this corpus: %d executions in %d runs, %d failed (%s)\n", t, n, r, f, FILENAME}' "$fuzz/runs.log"
done
exit "$status"
