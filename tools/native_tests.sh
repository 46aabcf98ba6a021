#!/usr/bin/env bash
# Native checks of the portable core (core/):
#   1. GoogleTest suites, normal build, and the configuration-reading benchmark;
#   2. the same suites built with AddressSanitizer and UBSan;
#   3. the libFuzzer targets built with clang, each run for a short fixed time
#      from the seed corpus in tests/fuzz/corpus/;
#   4. the configuration checker: its fuzz target, and the vtbcheck command
#      as operators run it (normal and sanitizer builds).
# Ends with a line "native: N passed, N failed" and exits non-zero on any
# failure.
#
#   bash tools/native_tests.sh           (BUILD_ROOT defaults to <repo>/build)
#   FUZZ_SECONDS=60 bash tools/native_tests.sh
set -uo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=tools/common.sh
source "$repo/tools/common.sh"
fuzz_seconds="${FUZZ_SECONDS:-20}"

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

# 1. Normal build: tests and benchmark.
native="$BUILD_ROOT/core-native"
echo "== core: normal build"
if vtb_build core-native; then
    rc=0
    "$native/core_tests" --gtest_color=no >"$native.tests.log" 2>&1 || rc=$?
    grep -E '^\[  FAILED  \]|: Failure$' "$native.tests.log" || true
    vtb_count_suite "core tests" "$native.tests.log" "$rc"

    echo "== benchmark: configuration reading"
    if "$native/bench_config_read"; then
        vtb_note_pass
    else
        vtb_note_failure "bench_config_read did not run"
    fi
else
    vtb_note_failure "normal build failed (see $native.build.log)"
fi

# 2. AddressSanitizer and UBSan.
asan="$BUILD_ROOT/core-asan"
echo "== core: AddressSanitizer and UBSan build"
if vtb_build core-asan; then
    rc=0
    "$asan/core_tests" --gtest_color=no >"$asan.tests.log" 2>&1 || rc=$?
    grep -E '^\[  FAILED  \]|: Failure$|ERROR: |runtime error' "$asan.tests.log" || true
    vtb_count_suite "core tests (sanitizers)" "$asan.tests.log" "$rc"
else
    vtb_note_failure "sanitizer build failed (see $asan.build.log)"
fi

# Runs a fuzz target for the set time from its seed folders; new inputs go
# into the build folder, not into the tree.
run_fuzz_target() {
    local target="$1" corpus artifacts log rc=0
    shift
    corpus="$fuzz/corpus-${target#fuzz_}"
    artifacts="$fuzz/artifacts-${target#fuzz_}/"
    log="$fuzz/$target.log"
    mkdir -p "$corpus" "$artifacts"
    "$fuzz/$target" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" "$@" >"$log" 2>&1 || rc=$?
    if [ "$rc" -eq 0 ]; then
        vtb_note_pass
        echo "== $target: $(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}') runs, no failure"
    else
        tail -n 40 "$log"
        vtb_note_failure "$target found a failure (exit code $rc, inputs in $artifacts, log $log)"
    fi
}

# 3. Fuzz targets, with clang.
fuzz="$BUILD_ROOT/core-fuzz"
echo "== core: fuzz targets (${fuzz_seconds}s each)"
if ! command -v clang++ >/dev/null 2>&1; then
    vtb_note_failure "clang++ is not installed: fuzz targets not built"
elif vtb_build core-fuzz; then
    for target in fuzz_config fuzz_bitmap; do
        run_fuzz_target "$target" "$repo/tests/fuzz/corpus/${target#fuzz_}"
    done
else
    vtb_note_failure "fuzz build failed (see $fuzz.build.log)"
fi

# 4. The configuration checker (vtbcheck) ---------------------------------
echo "== configuration checker: fuzz target (${fuzz_seconds}s)"
if [ -x "$fuzz/fuzz_check" ]; then
    run_fuzz_target fuzz_check "$repo/tests/fuzz/corpus/check" "$repo/tests/fuzz/corpus/config"
else
    vtb_note_failure "fuzz_check was not built (see $fuzz.build.log)"
fi

for build in "$native" "$asan"; do
    echo "== configuration checker: vtbcheck command ($(basename "$build"))"
    if [ -x "$build/vtbcheck" ]; then
        rc=0
        VTBCHECK="$build/vtbcheck" python3 "$repo/tests/vtbcheck/test_vtbcheck.py" >"$build.vtbcheck.log" 2>&1 || rc=$?
        grep -E '^\[  FAILED  \]|AssertionError|ERROR: |runtime error' "$build.vtbcheck.log" || true
        vtb_count_suite "vtbcheck command ($(basename "$build"))" "$build.vtbcheck.log" "$rc"
    else
        vtb_note_failure "vtbcheck was not built in $build"
    fi
done
# ---- end of the configuration checker ------------------------------------

vtb_finish native
