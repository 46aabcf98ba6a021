#!/usr/bin/env bash
# The test command: the set-up, the native tests, the cross build and the
# check of the DLL's exception table, the Wine tests (once more with heap
# checking), the demonstration browser end to end, the installer's tests,
# then the checker's preview.
# Ends with one line "N passed, N failed" summing every suite and exits
# non-zero when anything failed.
#
#   bash tools/run_tests.sh        (BUILD_ROOT defaults to ./build)
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=tools/common.sh
source "$repo/tools/common.sh"
cross="$BUILD_ROOT/cross"
logs="$BUILD_ROOT/logs"
mkdir -p "$logs"

# 1. What the build needs.
echo "== setup"
# Installs what is missing: as root, or through sudo; says what is missing
# when neither is possible.
bash "$repo/tools/setup.sh"

# 2. The portable core: GoogleTest, sanitizers, short fuzz runs.
echo "== native tests"
rc=0
bash "$repo/tools/native_tests.sh" 2>&1 | tee "$logs/native.log" || rc=$?
vtb_count_suite "native tests" "$logs/native.log" "$rc"

# 3. The toolbar DLL, the Wine tests and the demonstration frame.
echo "== cross build"
if ! vtb_build cross; then
    vtb_note_failure "cross build failed (see $BUILD_ROOT/cross.build.log)"
    vtb_finish
    exit 1
fi
echo "cross build done"

# The DLL's exception table: every function the link keeps has its unwind
# entry; the shipped DLL is the image checked, stands alone and keeps to its size.
echo "== unwind entries"
rc=0
python3 "$repo/tests/unwind/test_unwind.py" "$cross" >"$logs/unwind.log" 2>&1 || rc=$?
cat "$logs/unwind.log"
vtb_count_suite "unwind entries" "$logs/unwind.log" "$rc"

# 4. The Wine tests: one process, GoogleTest output.
echo "== Wine tests"
# shellcheck source=tools/wine_env.sh
VTB_WINEPREFIX="$BUILD_ROOT/wineprefix-tests" source "$repo/tools/wine_env.sh"
vtb_wine_start --xvfb
# At 100 %, also when a run cut short left another scale behind.
vtb_wine_set_dpi 96
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
    vtb_count_suite "$name" "$logs/$log.log" "$rc"
}
run_wine_suite "Wine tests with Wine's browser" wine_browser "RealBrowser.*"
run_wine_suite "Wine tests" wine_tests "-RealBrowser.*:Japanese.*:EventLog.*"
# The event log: Wine's log is its debug channel "eventlog" (and the event's
# id is in advapi32's note of the call), read back by the tests from their
# own output; a process of their own, as each kind of event is said once a
# minute in a process.
VTB_EVENT_TRACE="$(vtb_winpath "$logs")\\wine_event_log.raw" WINEDEBUG=-all,+eventlog,fixme+advapi \
    run_wine_suite "Wine tests of the event log" wine_event_log "EventLog.*"
# The toolbar on scaled displays (125, 150 and 200 %): a process of its own
# at each DPI, which it reads when it starts.
for dpi in 120 144 192; do
    vtb_wine_set_dpi "$dpi"
    run_wine_suite "Wine tests at $dpi DPI" "wine_dpi$dpi" "Scaled.*:SearchBoxList.TheOpenListIsWholeRowsToThePixel"
done
vtb_wine_set_dpi 96
# Hosts that close the toolbar from inside its own handlers, a screen reader
# holding the toolbar after it closed, and toolbars on
# several threads, once more with Wine's heap checking: freed blocks are
# filled and checked, so a write into freed memory is caught, not only a crash.
WINEDEBUG=warn+heap run_wine_suite "Wine tests with heap checking" wine_heap \
    "*ClosingHost.*:*ManyHosts.FourThreads*:GlyphPaint.AGlyphWhose*:ScreenReaderLifetime.*"
if grep -q 'err:heap' "$logs/wine_heap.log"; then
    grep 'err:heap' "$logs/wine_heap.log" | head -n 5
    vtb_note_failure "Wine's heap checking found damaged heap blocks (see $logs/wine_heap.log)"
fi

# On a Japanese computer: Wine takes its code page (932) from the locale,
# which tools/setup.sh makes.
LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 run_wine_suite "Wine tests on a Japanese computer" wine_japanese "Japanese.*"

# 5. End to end: the toolbar installed with regsvr32 and hosted by the
# demonstration browser, a query typed into it, the browser closed.
echo "== browser frame"
rc=0
bash "$repo/tools/frame_check.sh" >"$logs/frame_check.log" 2>&1 || rc=$?
cat "$logs/frame_check.log"
vtb_count_suite "browser frame" "$logs/frame_check.log" "$rc"

# 6. The installer: built with makensis, then installed, upgraded and
# removed under Wine in a new prefix of its own (GoogleTest output).
echo "== installer"
rc=0
bash "$repo/tests/installer/run_installer_tests.sh" >"$logs/installer.log" 2>&1 || rc=$?
cat "$logs/installer.log"
vtb_count_suite "installer" "$logs/installer.log" "$rc"

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
vtb_count_suite "checker preview" "$logs/checker_preview.log" "$rc"
# ---- end of the checker preview -------------------------------------------

vtb_finish
