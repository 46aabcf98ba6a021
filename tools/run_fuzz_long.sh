#!/usr/bin/env bash
# Long fuzzing of the portable core: every libFuzzer target, built with clang,
# AddressSanitizer and UBSan, runs for at least FUZZ_RUNS executions (ten
# million by default) from the seed corpus in tests/fuzz/corpus/. Prints the
# figures of each run and exits non-zero when a target finds a failure.
# Not part of the test command, which runs every target for a short time.
#
#   bash tools/run_fuzz_long.sh            (BUILD_ROOT defaults to ./build)
#   FUZZ_RUNS=50000000 bash tools/run_fuzz_long.sh
set -uo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_root="${BUILD_ROOT:-$repo/build}"
mkdir -p "$build_root"
build_root="$(cd "$build_root" && pwd)"
runs="${FUZZ_RUNS:-10000000}"
fuzz="$build_root/core-fuzz"

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

if ! command -v clang++ >/dev/null 2>&1; then
    echo "clang++ is not installed: run tools/setup.sh first" >&2
    exit 1
fi
echo "== building the fuzz targets in $fuzz"
CC=clang CXX=clang++ cmake -S "$repo" -B "$fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVTB_FUZZ=ON \
    >"$fuzz.configure.log" 2>&1 &&
    cmake --build "$fuzz" -j2 >"$fuzz.build.log" 2>&1 || {
    tail -n 30 "$fuzz.build.log"
    exit 1
}

status=0
printf '%-16s %12s %8s %10s %8s %8s\n' target executions seconds "exec/s" coverage corpus
for binary in "$fuzz"/fuzz_*; do
    [ -f "$binary" ] && [ -x "$binary" ] || continue
    target="$(basename "$binary")"
    seeds="$repo/tests/fuzz/corpus/${target#fuzz_}"
    corpus="$fuzz/corpus-${target#fuzz_}"
    artifacts="$fuzz/artifacts-${target#fuzz_}/"
    log="$fuzz/$target.long.log"
    mkdir -p "$corpus" "$artifacts"
    [ -d "$seeds" ] || seeds=""
    start=$(date +%s)
    rc=0
    "$binary" -runs="$runs" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$artifacts" "$corpus" $seeds >"$log" 2>&1 || rc=$?
    seconds=$(( $(date +%s) - start ))
    executed="$(awk '/^stat::number_of_executed_units/ {print $2}' "$log")"
    speed="$(awk '/^stat::average_exec_per_sec/ {print $2}' "$log")"
    coverage="$(grep -oE 'cov: [0-9]+' "$log" | tail -n 1 | awk '{print $2}')"
    inputs="$(find "$corpus" -type f | wc -l)"
    printf '%-16s %12s %8s %10s %8s %8s\n' "$target" "${executed:-?}" "$seconds" "${speed:-?}" \
        "${coverage:-?}" "$inputs"
    if [ "$rc" -ne 0 ]; then
        tail -n 40 "$log"
        echo "!! $target found a failure (exit code $rc, inputs in $artifacts, log $log)"
        status=1
    fi
done
exit "$status"
