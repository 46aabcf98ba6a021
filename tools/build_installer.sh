#!/usr/bin/env bash
# Builds the Windows installer Veltrane_ToolBar_Setup.exe with makensis from
# the cross-built DLL and the sample configuration with its glyphs.
#
#   bash tools/build_installer.sh [CROSS_BUILD_DIR [OUT_DIR]]
#
# CROSS_BUILD_DIR holds Veltrane_ToolBar.dll and vtb_config_check.dll
# ($BUILD_ROOT/cross by default);
# the installer goes to OUT_DIR ($BUILD_ROOT/installer by default), BUILD_ROOT
# being ./build unless set. Prints the installer's path last.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=tools/common.sh
source "$repo/tools/common.sh"
cross="${1:-$BUILD_ROOT/cross}"
out="${2:-$BUILD_ROOT/installer}"
sample="$repo/resources/sample"
dll="$cross/Veltrane_ToolBar.dll"

for f in "$dll" "$cross/vtb_config_check.dll"; do
    if [ ! -f "$f" ]; then
        echo "build_installer: $f is missing; run the cross build first" >&2
        exit 1
    fi
done
if ! command -v makensis >/dev/null 2>&1; then
    echo "build_installer: makensis is missing (Debian package nsis, installed by tools/setup.sh)" >&2
    exit 1
fi

mkdir -p "$out"
out="$(cd "$out" && pwd)"
payload="$out/payload"
setup="$out/Veltrane_ToolBar_Setup.exe"

# The payload folder holds exactly the files that are installed: the DLL
# without its symbol tables, the configuration file and its glyphs, and the
# settings file of a new installation. The check of a firm's configuration
# lies beside it: the packages run it, they do not install it. What a
# package holds is signed before it goes in (tools/sign.sh: when a
# certificate is given).
rm -rf "$payload"
mkdir -p "$payload"
i686-w64-mingw32-strip -s -o "$payload/Veltrane_ToolBar.dll" "$dll"
cp "$cross/vtb_config_check.dll" "$out/vtb_config_check.dll"
bash "$repo/tools/sign.sh" "$payload/Veltrane_ToolBar.dll" "$out/vtb_config_check.dll"
cp "$sample/Veltrane_ToolBar.cfg" "$sample"/*.bmp "$payload/"
# The sample's choices (shown buttons, search method) without its example
# search history.
grep -v '^Search History' "$sample/Veltrane_ToolBar.ini" >"$payload/Veltrane_ToolBar.ini"

# The glyphs, named once for the installer and once for the uninstaller,
# which removes exactly what was installed.
glyphs=("$payload"/*.bmp)
{
    echo "; Written by tools/build_installer.sh: the glyphs of the configuration."
    echo '!macro INSTALL_GLYPHS'
    for g in "${glyphs[@]}"; do echo "  File \"$g\""; done
    echo '!macroend'
    echo '!macro REMOVE_GLYPHS'
    for g in "${glyphs[@]}"; do echo "  Delete \"\$INSTDIR\\$(basename "$g")\""; done
    echo '!macroend'
    echo '!macro CHECK_GLYPHS'
    for g in "${glyphs[@]}"; do echo "  !insertmacro CheckWritable \"\$INSTDIR\\$(basename "$g")\""; done
    echo '!macroend'
} >"$out/glyphs.nsh"

rm -f "$setup"
# -WX: a warning (a missing file, a misspelt instruction) fails the build.
makensis -V2 -WX -NOCD \
    "-DDLL_FILE=$payload/Veltrane_ToolBar.dll" \
    "-DCONFIG_FILE=$payload/Veltrane_ToolBar.cfg" \
    "-DSETTINGS_FILE=$payload/Veltrane_ToolBar.ini" \
    "-DGLYPHS_NSH=$out/glyphs.nsh" \
    "-DCHECK_DLL=$out/vtb_config_check.dll" \
    "-DSIGN_COMMAND=bash $repo/tools/sign.sh" \
    "-DOUT_FILE=$setup" \
    "$repo/installer/veltrane_toolbar.nsi"

# The administrative templates of the toolbar's policies, beside the packages.
rm -rf "$out/policies"
cp -r "$repo/installer/policies" "$out/policies"

echo "installer: $(stat -c %s "$setup") bytes"
echo "$setup"
