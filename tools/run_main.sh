#!/usr/bin/env bash
# The main job: builds the toolbar, its Windows installer and its Windows
# Installer package (build/installer/), installs the toolbar in the
# project's Wine prefix with the system's regsvr32 and shows it in the
# demonstration browser.
#
#   bash tools/run_main.sh [SCREENSHOT.png]
#
# With a display (DISPLAY set) the browser window stays open until you close
# it. Without one it runs on a private Xvfb display, types a query into the
# toolbar, saves a screenshot (docs/screenshot-toolbar.png by default) and
# exits.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=tools/common.sh
source "$repo/tools/common.sh"
cross="$BUILD_ROOT/cross"
demo="$BUILD_ROOT/demo"
shot="${1:-$repo/docs/screenshot-toolbar.png}"
query="${VTB_DEMO_QUERY:-contract law}"
headless=0
[ -z "${DISPLAY:-}" ] && headless=1

echo "== setup"
# Installs what is missing: as root, or through sudo; says what is missing
# when neither is possible.
bash "$repo/tools/setup.sh"

echo "== build"
vtb_build cross Veltrane_ToolBar vtb_config_check browser_frame

echo "== installers"
bash "$repo/tools/build_installer.sh" "$cross" "$BUILD_ROOT/installer"
# For central deployment: the same files as a Windows Installer package.
bash "$repo/tools/build_msi.sh" "$BUILD_ROOT/installer/payload" "$BUILD_ROOT/installer/Veltrane_ToolBar.msi"

# shellcheck source=tools/wine_env.sh
source "$repo/tools/wine_env.sh"
# shellcheck source=tools/demo_env.sh
source "$repo/tools/demo_env.sh"
if [ "$headless" = 1 ]; then
    # The screen is the size of the frame window, so the screenshot is the window.
    export VTB_SCREEN=1000x380x24
    export VTB_FRESH_SETTINGS=1
fi
vtb_wine_start ""
rm -rf "$demo/"*.bmp
vtb_stage_demo "$cross" "$demo"

echo "== install the toolbar: regsvr32 $(vtb_winpath "$demo/Veltrane_ToolBar.dll")"
vtb_regsvr32 "$demo/Veltrane_ToolBar.dll" /s

log="$demo/frame.log"
rm -f "$log"
if [ "$headless" = 0 ]; then
    echo "== browser frame: close its window to finish"
    (cd "$demo" && wine ./browser_frame.exe --log "$(vtb_winpath "$demo")\\frame.log")
    exit 0
fi

echo "== browser frame on Xvfb display $DISPLAY"
(cd "$demo" && wine ./browser_frame.exe --exit-after 30 --type "$query" \
    --log "$(vtb_winpath "$demo")\\frame.log") &
frame_pid=$!

# Waits until the frame's log has a line matching the pattern.
wait_for_log() {
    local pattern="$1" seconds="$2"
    for _ in $(seq 1 $((seconds * 10))); do
        grep -q "$pattern" "$log" 2>/dev/null && return 0
        kill -0 "$frame_pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

if ! wait_for_log '^band: .* shown' 40; then
    echo "the toolbar did not show; frame log:" >&2
    cat "$log" >&2 || true
    exit 1
fi
# The typed query and its navigation, or give up on them after a while.
wait_for_log '^navigate: ' 15 || echo "note: no navigation was seen"
sleep 1
mkdir -p "$(dirname "$shot")"
import -window root "$shot"
echo "screenshot saved: $shot"
sed 's/^/  frame: /' "$log"

kill "$frame_pid" 2>/dev/null || true
wait "$frame_pid" 2>/dev/null || true
