#!/usr/bin/env bash
# Builds the Windows Installer package Veltrane_ToolBar.msi with wixl from a
# payload folder (the files tools/build_installer.sh installs).
#
#   bash tools/build_msi.sh PAYLOAD_DIR OUT.msi
#
# The package's version is the DLL's own, read from its version resource.
# The check of a firm's configuration, vtb_config_check.dll, lies beside the
# payload folder (tools/build_installer.sh puts it there). With a
# certificate (tools/sign.sh) the package is signed. Prints the package's
# size last.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
payload="$(cd "$1" && pwd)"
out="$2"
check_dll="$(dirname "$payload")/vtb_config_check.dll"
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
version="$(python3 "$repo/tools/dll_version.py" "$payload/Veltrane_ToolBar.dll")"
if [ ! -f "$check_dll" ]; then
    echo "build_msi: $check_dll is missing; build the installer first (tools/build_installer.sh)" >&2
    exit 1
fi

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
    -I "$work" -D "GlyphsWxi=glyphs.wxi" -D "CheckDll=$(realpath --relative-to="$payload" "$check_dll")" \
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

# The event source's message file is an expandable string ("#%"), as the
# event log reads it; its key goes at uninstall with its values ("-").
msibuild "$out" -q "UPDATE \`Registry\` SET \`Value\` = '#%[#Veltrane_ToolBar.dll]' WHERE \`Name\` = 'EventMessageFile'"
msibuild "$out" -q "INSERT INTO \`Registry\` (\`Registry\`, \`Root\`, \`Key\`, \`Name\`, \`Component_\`) VALUES \
('EventSourceKey', 2, 'SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Veltrane ToolBar', '-', '$component')"

# The firm's configuration remembered by an earlier installation, unless
# the command line names one: before the components' conditions are weighed.
msibuild "$out" -q "UPDATE \`InstallExecuteSequence\` SET \`Sequence\` = 51 WHERE \`Action\` = 'UseRememberedConfigFile'"

# The sample configuration, or the firm's in its place.
msibuild "$out" -q "UPDATE \`Component\` SET \`Condition\` = 'NOT CONFIGFILE' WHERE \`Component\` = 'Configuration'"
msibuild "$out" -q "UPDATE \`Component\` SET \`Condition\` = 'CONFIGFILE' WHERE \`Component\` = 'FirmConfiguration'"

# A firm's configuration: copied from the path CONFIGFILE holds (no source
# name: the property is the file's full path) into the folder, under the
# toolbar's name, when its component is installed.
msibuild "$out" -q "CREATE TABLE \`MoveFile\` (\`FileKey\` CHAR(72) NOT NULL, \`Component_\` CHAR(72) NOT NULL, \
\`SourceName\` CHAR(255) LOCALIZABLE, \`DestName\` CHAR(255) LOCALIZABLE, \`SourceFolder\` CHAR(72), \
\`DestFolder\` CHAR(72) NOT NULL, \`Options\` SHORT NOT NULL PRIMARY KEY \`FileKey\`)"
msibuild "$out" -q "INSERT INTO \`MoveFile\` (\`FileKey\`, \`Component_\`, \`DestName\`, \`SourceFolder\`, \`DestFolder\`, \`Options\`) \
VALUES ('FirmConfiguration', 'FirmConfiguration', 'Veltrane_ToolBar.cfg', 'CONFIGFILE', 'INSTALLDIR', 0)"
msibuild "$out" -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('MoveFiles', 3800)"
# The copy is no file of the package's: it goes at uninstall (mode 2).
msibuild "$out" -q "INSERT INTO \`RemoveFile\` (\`FileKey\`, \`Component_\`, \`FileName\`, \`DirProperty\`, \`InstallMode\`) \
VALUES ('FirmConfiguration', 'FirmConfiguration', 'Veltrane_ToolBar.cfg', 'INSTALLDIR', 2)"

# Signed last, when a certificate is given.
bash "$repo/tools/sign.sh" "$out"

echo "msi: $(stat -c %s "$out") bytes, product version $product_version (DLL $version)"
