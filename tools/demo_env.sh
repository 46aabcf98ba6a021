# shellcheck shell=bash
# Sourced after tools/wine_env.sh: puts the toolbar with the sample
# configuration into a folder of its own and installs it in the Wine prefix
# with the system's regsvr32, as a user would.

# vtb_stage_demo CROSS_BUILD_DIR DEST_DIR
# Copies the DLL, the frame and the sample configuration with its glyphs.
# The sample settings (which link buttons show, the search method) are
# copied when DEST_DIR has none yet, or always with VTB_FRESH_SETTINGS=1.
vtb_stage_demo() {
    local cross="$1" dest="$2" sample
    sample="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/resources/sample"
    mkdir -p "$dest"
    cp "$cross/Veltrane_ToolBar.dll" "$cross/browser_frame.exe" "$dest/"
    cp "$sample/Veltrane_ToolBar.cfg" "$sample"/*.bmp "$dest/"
    if [ "${VTB_FRESH_SETTINGS:-0}" = 1 ] || [ ! -f "$dest/Veltrane_ToolBar.ini" ]; then
        cp "$sample/Veltrane_ToolBar.ini" "$dest/"
    fi
}

# vtb_regsvr32 DLL [switches...]: the system's regsvr32 on the DLL.
vtb_regsvr32() {
    local dll="$1"
    shift
    wine regsvr32 "$@" "$(vtb_winpath "$dll")"
}
