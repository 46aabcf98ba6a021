#!/usr/bin/env bash
# The installer's tests: builds Veltrane_ToolBar_Setup.exe and
# Veltrane_ToolBar.msi (and a later build of the package), makes a new Wine
# prefix of their own and runs installer_tests.exe in it, which installs,
# upgrades and removes the toolbar there with each (GoogleTest output).
#
#   bash tests/installer/run_installer_tests.sh [--timing] [GoogleTest options]
#
# --timing runs only the timing of repeated silent installations and
# removals instead of the tests. Needs the cross build ($BUILD_ROOT/cross:
# the DLL, installer_tests.exe, browser_frame.exe); BUILD_ROOT is ./build
# unless set.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
# shellcheck source=tools/common.sh
source "$repo/tools/common.sh"
cross="$BUILD_ROOT/cross"
out="$BUILD_ROOT/installer"
logs="$BUILD_ROOT/logs"
mkdir -p "$logs"

args=(--gtest_color=no)
if [ "${1:-}" = "--timing" ]; then
    shift
    args+=(--gtest_also_run_disabled_tests --gtest_filter='DISABLED_Timing.*')
fi

for f in Veltrane_ToolBar.dll vtb_config_check.dll installer_tests.exe; do
    if [ ! -f "$cross/$f" ]; then
        echo "run_installer_tests: $cross/$f is missing; run the cross build first" >&2
        exit 1
    fi
done

# Everything is built signed, with a certificate made for this run alone:
# what is tested is what a firm with its own certificate ships.
sign_dir="$BUILD_ROOT/signing"
rm -rf "$sign_dir"
mkdir -p "$sign_dir"
openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -subj "/CN=Veltrane ToolBar test signing" \
    -addext "extendedKeyUsage=codeSigning" -keyout "$sign_dir/key.pem" -out "$sign_dir/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$sign_dir/key.pem" -in "$sign_dir/cert.pem" -passout pass:test-only \
    -out "$sign_dir/signing.pfx"
export VTB_SIGN_PFX="$sign_dir/signing.pfx" VTB_SIGN_PASSWORD=test-only

echo "== build the installer and the Windows Installer package"
bash "$repo/tools/build_installer.sh" "$cross" "$out"
bash "$repo/tools/build_msi.sh" "$out/payload" "$out/Veltrane_ToolBar.msi"
# A later build of the package: its DLL the next build number's (the same
# code, its version resource as a build one number on would have it), its
# configuration file marked at the end (the line is outside every section).
later="$out/payload-later"
rm -rf "$later"
cp -r "$out/payload" "$later"
printf '; a later build of the package\r\n' >>"$later/Veltrane_ToolBar.cfg"
i686-w64-mingw32-strip -s -o "$later/Veltrane_ToolBar.dll" "$cross/Veltrane_ToolBar.dll"
next="$(python3 "$repo/tools/dll_version.py" "$later/Veltrane_ToolBar.dll" | awk -F. '{ print $1 "." $2 "." $3 "." $4 + 1 }')"
python3 "$repo/tools/dll_version.py" --set "$next" "$later/Veltrane_ToolBar.dll"
bash "$repo/tools/sign.sh" "$later/Veltrane_ToolBar.dll"
bash "$repo/tools/build_msi.sh" "$later" "$out/later/Veltrane_ToolBar.msi"

# A new prefix each run: nothing of an earlier installation may help.
export VTB_WINEPREFIX="$BUILD_ROOT/wineprefix-installer"
rm -rf "$VTB_WINEPREFIX"
# shellcheck source=tools/wine_env.sh
source "$repo/tools/wine_env.sh"
VTB_WINE_LOG="$logs/installer_wine.log"
vtb_wine_start --xvfb

args+=("--setup=$(vtb_winpath "$out/Veltrane_ToolBar_Setup.exe")" "--payload=$(vtb_winpath "$out/payload")"
    "--msi=$(vtb_winpath "$out/Veltrane_ToolBar.msi")" "--msi-newer=$(vtb_winpath "$out/later/Veltrane_ToolBar.msi")")
[ -f "$cross/browser_frame.exe" ] && args+=("--frame=$(vtb_winpath "$cross/browser_frame.exe")")

echo "== installer tests"
# Output goes to a file, not a pipe: Wine's helper processes inherit it.
rc=0
(cd "$cross" && timeout --kill-after=10 1800 wine ./installer_tests.exe "${args[@]}" "$@" \
    >"$logs/installer_tests.raw" 2>&1) || rc=$?
tr -d '\r' <"$logs/installer_tests.raw"

# Every file shipped carries a signature that verifies against the run's
# certificate: the DLL and the check in the packages, both packages, and the
# uninstaller the setup writes (installed once more to read it).
echo "== signatures"
signed=("$out/payload/Veltrane_ToolBar.dll" "$out/vtb_config_check.dll" "$out/Veltrane_ToolBar_Setup.exe"
    "$out/Veltrane_ToolBar.msi" "$out/later/Veltrane_ToolBar.msi" "$out/payload-later/Veltrane_ToolBar.dll")
installed="$WINEPREFIX/drive_c/Program Files/Veltrane ToolBar"
if wine "$out/Veltrane_ToolBar_Setup.exe" /S >>"$VTB_WINE_LOG" 2>&1; then
    signed+=("$installed/uninstall.exe" "$installed/Veltrane_ToolBar.dll")
else
    echo "!! the signed setup did not install"
    rc=1
fi
for f in "${signed[@]}"; do
    if osslsigncode verify -CAfile "$sign_dir/cert.pem" -in "$f" >"$logs/signature.log" 2>&1; then
        echo "signature verified: ${f#"$BUILD_ROOT"/}"
    else
        echo "!! no signature that verifies: $f"
        cat "$logs/signature.log"
        rc=1
    fi
done
wine "$installed/uninstall.exe" /S /KEEPSETTINGS=0 >>"$VTB_WINE_LOG" 2>&1 || true
exit "$rc"
