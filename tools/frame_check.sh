#!/usr/bin/env bash
# End to end: the toolbar installed with regsvr32 and hosted by the
# demonstration browser, a click on a link button, a query typed into it,
# the browser closed; then the toolbar reached from the keyboard. Prints GoogleTest-style lines and "frame: N passed,
# N failed"; exits non-zero on a failure.
#
#   bash tools/frame_check.sh      (needs the cross build in $BUILD_ROOT/cross)
#
# Run by tools/run_tests.sh inside its Wine environment (VTB_WINE_READY=1);
# alone, it starts one of its own on a private Xvfb display.
set -uo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=tools/common.sh
source "$repo/tools/common.sh"
cross="$BUILD_ROOT/cross"
# shellcheck source=tools/wine_env.sh
VTB_WINEPREFIX="${WINEPREFIX:-$BUILD_ROOT/wineprefix-tests}" source "$repo/tools/wine_env.sh"
[ "${VTB_WINE_READY:-}" = 1 ] || vtb_wine_start --xvfb
# shellcheck source=tools/demo_env.sh
source "$repo/tools/demo_env.sh"

dir="$BUILD_ROOT/frame-check"
log="$dir/frame.log"
expected='navigate: https://search.veltrane.example/find?method=fulltext&q=contract+law&src=toolbar'
ok=0
bad=0
frc=0
rm -rf "$dir"
VTB_FRESH_SETTINGS=1 vtb_stage_demo "$cross" "$dir"

check() {
    local name="$1"
    shift
    if "$@"; then ok=$((ok + 1)); echo "[       OK ] BrowserFrame.$name"
    else bad=$((bad + 1)); echo "[  FAILED  ] BrowserFrame.$name"; fi
}
# shellcheck disable=SC2317  # called through check
closed_cleanly() { [ "$frc" = 0 ] && grep -q '^bands closed' "$log"; }
# shellcheck disable=SC2317
query_saved() { tr -d '\r' <"$dir/Veltrane_ToolBar.ini" | grep -qx 'Search History[0-9]=contract law'; }

check RegisteredWithRegsvr32 vtb_regsvr32 "$dir/Veltrane_ToolBar.dll" /s
# The click lands on the third link button, "Lookup", which opens a new window.
(cd "$dir" && timeout --kill-after=5 90 wine ./browser_frame.exe --exit-after 8 \
    --click 600,12 --type "contract law" --log "$(vtb_winpath "$dir")\\frame.log") || frc=$?
sed 's/^/  frame: /' "$log" 2>/dev/null || true
check ToolbarShownInTheRebar grep -q '^band: {9C7E4B7F-1648-49D4-9A3E-CCDF350E36F8} shown' "$log"
check TypedQueryNavigatesTheBrowser grep -qxF "$expected" "$log"
check LookupButtonOpensNewWindow grep -qxF 'new window: https://lookup.veltrane.example/citation' "$log"
check ClosedLikeTheBrowser closed_cleanly
check SearchSavedInTheSettingsAtClose query_saved
# Without the mouse: F6 takes the focus into the toolbar, Alt+C presses "&Cases".
keys_log="$dir/keys.log"
(cd "$dir" && timeout --kill-after=5 90 wine ./browser_frame.exe --exit-after 6 \
    --keys F6,Alt+C --log "$(vtb_winpath "$dir")\\keys.log") || true
sed 's/^/  frame: /' "$keys_log" 2>/dev/null || true
check KeyboardReachesTheToolbarWithF6 grep -qxF 'focus: toolbar 1' "$keys_log"
check AltAndALetterPressesItsButton grep -qxF 'navigate: https://www.veltrane.example/cases' "$keys_log"
check UnregisteredWithRegsvr32 vtb_regsvr32 "$dir/Veltrane_ToolBar.dll" /u /s
echo "frame: $ok passed, $bad failed"
[ "$bad" = 0 ]
