#!/usr/bin/env bash
# Builds the Windows Installer package Veltrane_ToolBar.msi with wixl from a
# payload folder (the files tools/build_installer.sh installs).
#
#   bash tools/build_msi.sh PAYLOAD_DIR OUT.msi [+N]
#
# The package's version is the DLL's own, read from its version resource;
# +N adds N to its last field (a later build, for the tests). Prints the
# package's size last.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
payload="$(cd "$1" && pwd)"
out="$2"
later="${3:-+0}"
band_clsid="{9C7E4B7F-1648-49D4-9A3E-CCDF350E36F8}"
desk_band_category="{00021492-0000-0000-C000-000000000046}"

for tool in wixl msibuild; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "build_msi: $tool is missing (Debian packages wixl and msitools, installed by tools/setup.sh)" >&2
        exit 1
    fi
done

# The fixed file information of the version resource: its signature, its
# structure version, then the file version's high and low words.
version="$(python3 - "$payload/Veltrane_ToolBar.dll" "${later#+}" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
at = data.find(struct.pack("<I", 0xFEEF04BD))
if at < 0:
    sys.exit("build_msi: the DLL has no version resource")
ms, ls = struct.unpack_from("<II", data, at + 8)
print("%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, (ls & 0xFFFF) + int(sys.argv[2])))
PY
)"

# Windows Installer compares the first three fields of a product version,
# each at most 255.255.65535: builds a.b.c.d become a.b.(1000 c + d), so
# every later build, whichever field grew, is a newer product.
IFS=. read -r major minor build revision <<<"$version"
if [ "$major" -gt 255 ] || [ "$minor" -gt 255 ] || [ "$build" -gt 64 ] || [ "$revision" -gt 999 ]; then
    echo "build_msi: version $version does not map to a product version (a, b <= 255, c <= 64, d <= 999)" >&2
    exit 1
fi
product_version="$major.$minor.$((build * 1000 + revision))"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
{
    echo '<?xml version="1.0" encoding="utf-8"?>'
    echo '<Include>'
    for g in "$payload"/*.bmp; do
        name="$(basename "$g")"
        id="glyph_$(tr -c 'A-Za-z0-9_.\n' '_' <<<"$name")"
        echo "  <File Id=\"$id\" Name=\"$name\" Source=\"$name\"/>"
    done
    echo '</Include>'
} >"$work/glyphs.wxi"

rm -f "$out"
mkdir -p "$(dirname "$out")"
out="$(cd "$(dirname "$out")" && pwd)/$(basename "$out")"
# wixl finds the files named in the package relative to its working folder.
(cd "$payload" && wixl -a x86 -o "$out" \
    -D "ProductVersion=$product_version" -D "DllVersion=$version" \
    -I "$work" -D "GlyphsWxi=glyphs.wxi" \
    "$repo/installer/veltrane_toolbar.wxs")

# Two more rows of the DLL's component, as DllRegisterServer and
# DllUnregisterServer do it: the key of the desk-band category, created
# empty ("*": made at install, removed at uninstall), and the system's cache
# of the category's members, removed at uninstall ("-").
component="ToolbarDll"
msibuild "$out" -q "INSERT INTO \`Registry\` (\`Registry\`, \`Root\`, \`Key\`, \`Name\`, \`Component_\`) VALUES \
('DeskBandCategory', 0, 'CLSID\\$band_clsid\\Implemented Categories\\$desk_band_category', '*', '$component')"
msibuild "$out" -q "INSERT INTO \`Registry\` (\`Registry\`, \`Root\`, \`Key\`, \`Name\`, \`Component_\`) VALUES \
('DeskBandCategoryCache', 0, 'Component Categories\\$desk_band_category\\Enum', '-', '$component')"

# The server's path as DllRegisterServer writes it: its 8.3 form when the
# path has a space ("><" is "contains").
msibuild "$out" -q "UPDATE \`Component\` SET \`Condition\` = 'INSTALLDIR >< \" \"' WHERE \`Component\` = 'ServerByShortPath'"
msibuild "$out" -q "UPDATE \`Component\` SET \`Condition\` = 'NOT (INSTALLDIR >< \" \")' WHERE \`Component\` = 'ServerByLongPath'"

# The Add/Remove entry's install location: the folder, once it is known
# (a property set right after CostFinalize).
msibuild "$out" -q "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES \
('SetArpInstallLocation', 51, 'ARPINSTALLLOCATION', '[INSTALLDIR]')"
msibuild "$out" -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('SetArpInstallLocation', 1001)"

echo "msi: $(stat -c %s "$out") bytes, product version $product_version (DLL $version)"
