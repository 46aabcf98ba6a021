#!/usr/bin/env bash
# The test command: native tests, the cross build and the check of the DLL's
# exception table, the Wine tests, then the installer's tests.
# Ends with one line "N passed, N failed" summing every suite and exits
# non-zero when anything failed.
#
#   bash tools/run_tests.sh        (BUILD_ROOT defaults to ./build)
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=tools/test_common.sh
source "$repo/tools/test_common.sh"
BUILD_ROOT="$(vtb_build_root)"
export BUILD_ROOT
mkdir -p "$BUILD_ROOT"
cross="$BUILD_ROOT/cross"
logs="$BUILD_ROOT/logs"
mkdir -p "$logs"

passed=0
failed=0
failures=()

note_failure() { failed=$((failed + 1)); failures+=("$1"); }

# Adds the results of a finished suite from its log. A suite that exited
# non-zero without a failed test (a crash, a timeout, a build error) counts
# as one failure.
count_suite() {
    local name="$1" log="$2" rc="$3" p f
    read -r p f < <(vtb_count_results "$log")
    passed=$((passed + p))
    failed=$((failed + f))
    if [ "$f" -gt 0 ]; then
        failures+=("$name: $f failed")
    elif [ "$rc" -ne 0 ]; then
        note_failure "$name: exited with code $rc (see $log)"
    fi
    echo "== $name: $p passed, $f failed (exit code $rc)"
}

finish() {
    echo
    if [ ${#failures[@]} -gt 0 ]; then
        echo "Failures:"
        printf '  %s\n' "${failures[@]}"
    fi
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}

# 1. What the build needs.
echo "== setup"
# Installs what is missing: as root, or through sudo; says what is missing
# when neither is possible.
bash "$repo/tools/setup.sh"

# 2. The portable core: GoogleTest, sanitizers, short fuzz runs.
echo "== native tests"
rc=0
bash "$repo/tools/native_tests.sh" 2>&1 | tee "$logs/native.log" || rc=$?
count_suite "native tests" "$logs/native.log" "$rc"

# 3. The toolbar DLL, the Wine tests and the demonstration frame.
echo "== cross build"
rc=0
{
    cmake -S "$repo" -B "$cross" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/toolchain-i686-mingw.cmake" \
        -DCMAKE_BUILD_TYPE=Release &&
    cmake --build "$cross" -j2
} >"$logs/cross_build.log" 2>&1 || rc=$?
if [ "$rc" -ne 0 ]; then
    tail -n 60 "$logs/cross_build.log"
    note_failure "cross build failed (see $logs/cross_build.log)"
    finish
    exit 1
fi
echo "cross build done"

# The DLL's exception table: every function the link keeps has its unwind
# entry; the shipped DLL is the image checked, stands alone and keeps to its size.
echo "== unwind entries"
rc=0
python3 "$repo/tests/unwind/test_unwind.py" "$cross" >"$logs/unwind.log" 2>&1 || rc=$?
cat "$logs/unwind.log"
count_suite "unwind entries" "$logs/unwind.log" "$rc"

# 4. The Wine tests: one process, GoogleTest output.
echo "== Wine tests"
# shellcheck source=tools/wine_env.sh
VTB_WINEPREFIX="$BUILD_ROOT/wineprefix-tests" source "$repo/tools/wine_env.sh"
vtb_wine_start --xvfb
# The scripts run from here use this environment (tools/frame_check.sh).
export VTB_WINE_READY=1
# Output goes to a file, not a pipe: helper processes that Wine starts
# inherit it and live on with the server, so a pipe would never close.
# Wine's own browser object gets a process of its own (RealBrowser.*).
run_wine_suite() {
    local name="$1" log="$2" filter="$3" rc=0
    (cd "$cross" && timeout --kill-after=10 2400 wine ./wine_tests.exe --gtest_color=no \
        --gtest_filter="$filter" >"$logs/$log.raw" 2>&1) || rc=$?
    tr -d '\r' <"$logs/$log.raw" >"$logs/$log.log"
    cat "$logs/$log.log"
    count_suite "$name" "$logs/$log.log" "$rc"
}
run_wine_suite "Wine tests with Wine's browser" wine_browser "RealBrowser.*"
run_wine_suite "Wine tests" wine_tests "-RealBrowser.*"
# Hosts that close the toolbar from inside its own handlers, a screen reader
# holding the toolbar after it closed, and toolbars on
# several threads, once more with Wine's heap checking: freed blocks are
# filled and checked, so a write into freed memory is caught, not only a crash.
WINEDEBUG=warn+heap run_wine_suite "Wine tests with heap checking" wine_heap \
    "*ClosingHost.*:*ManyHosts.FourThreads*:GlyphPaint.AGlyphWhose*:ScreenReaderLifetime.*"
if grep -q 'err:heap' "$logs/wine_heap.log"; then
    grep 'err:heap' "$logs/wine_heap.log" | head -n 5
    note_failure "Wine's heap checking found damaged heap blocks (see $logs/wine_heap.log)"
fi

# 5. End to end: the toolbar installed with regsvr32 and hosted by the
# demonstration browser, a query typed into it, the browser closed.
echo "== browser frame"
rc=0
bash "$repo/tools/frame_check.sh" >"$logs/frame_check.log" 2>&1 || rc=$?
cat "$logs/frame_check.log"
count_suite "browser frame" "$logs/frame_check.log" "$rc"

# 6. The installer: built with makensis, then installed, upgraded and
# removed under Wine in a new prefix of its own (GoogleTest output).
echo "== installer"
rc=0
bash "$repo/tests/installer/run_installer_tests.sh" >"$logs/installer.log" 2>&1 || rc=$?
cat "$logs/installer.log"
count_suite "installer" "$logs/installer.log" "$rc"

# 7. The configuration checker's preview: the native vtbcheck paints the
# sample toolbar with the DLL under Wine, in a Wine prefix and on an Xvfb
# display of its own, and must leave neither running.
echo "== checker preview"
rc=0
# vtbcheck.exe, the Windows build, runs in the Wine environment of the tests.
(
    export VTBCHECK_WINDOWS_PREFIX="$WINEPREFIX" VTBCHECK_WINDOWS_DISPLAY="$DISPLAY"
    unset DISPLAY WINEPREFIX
    VTBCHECK="$BUILD_ROOT/core-native/vtbcheck" VTBCHECK_WINEPREFIX="$BUILD_ROOT/wineprefix-vtbcheck" \
        timeout --kill-after=10 900 python3 "$repo/tests/vtbcheck/test_preview.py"
) >"$logs/checker_preview.log" 2>&1 || rc=$?
cat "$logs/checker_preview.log"
count_suite "checker preview" "$logs/checker_preview.log" "$rc"
# ---- end of the checker preview -------------------------------------------

finish
