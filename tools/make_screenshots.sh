#!/usr/bin/env bash
# Pictures of the real toolbar for the README, taken on a private Xvfb
# display: idle, with the pointer over a link button, and with the Settings
# menu open; then idle and hovered again on a display at 150 % (144 DPI).
#
#   sudo bash tools/make_screenshots.sh [OUTPUT_DIR]   (default: docs/)
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=tools/common.sh
source "$repo/tools/common.sh"
cross="$BUILD_ROOT/cross"
demo="$BUILD_ROOT/screenshots"
out="${1:-$repo/docs}"

bash "$repo/tools/setup.sh"
vtb_build cross Veltrane_ToolBar browser_frame

# Room for the frame at 150 %; the pictures at 100 % are cut from its corner.
export VTB_SCREEN=1500x570x24 VTB_FRESH_SETTINGS=1
unset DISPLAY
source "$repo/tools/wine_env.sh"
source "$repo/tools/demo_env.sh"
vtb_wine_start --xvfb
rm -rf "$demo"
vtb_stage_demo "$cross" "$demo"
vtb_regsvr32 "$demo/Veltrane_ToolBar.dll" /s
mkdir -p "$out"

# The display's DPI, set before the frame starts.
dpi=96
set_dpi() {
    dpi="$1"
    vtb_wine_set_dpi "$dpi"
}
trap 'set_dpi 96; vtb_wine_stop' EXIT
# A length of the 96-DPI design at the current DPI, rounded as the toolbar rounds.
px() { echo $((($1 * dpi + 48) / 96)); }

# shot NAME HEIGHT [frame options...]: runs the frame, waits for the
# toolbar and what the options do, and keeps the top HEIGHT rows of the
# frame (HEIGHT and the frame's width at the current DPI).
shot() {
    local name="$1" height log="$demo/frame.log"
    height="$(px "$2")"
    shift 2
    rm -f "$log"
    (cd "$demo" && wine ./browser_frame.exe --exit-after 7 --log "$(vtb_winpath "$demo")\\frame.log" "$@") &
    local pid=$!
    for _ in $(seq 1 200); do
        grep -q '^band: .* shown' "$log" 2>/dev/null && break
        sleep 0.1
    done
    sleep 2.5
    import -window root -crop "$(px 1000)x${height}+0+0" +repage "$out/$name.png"
    echo "saved $out/$name.png"
    # The frame closes itself; one held up by its menu is stopped.
    for _ in $(seq 1 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.2
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

# Points in the toolbar's own window: the first link button, the Settings button.
set_dpi 96
shot toolbar-idle 90
shot toolbar-hover 90 --hover 470,12
shot toolbar-menu 230 --hover 400,12 --click 400,12
set_dpi 144
shot toolbar-idle-150 90
shot toolbar-hover-150 90 --hover "$(px 470),$(px 12)"
