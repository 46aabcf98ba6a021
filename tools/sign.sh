#!/usr/bin/env bash
# Signs Windows files (DLL, EXE, MSI) with Authenticode, in place, when a
# certificate is given; otherwise says that they stay unsigned.
#
#   bash tools/sign.sh FILE...
#
#   VTB_SIGN_PFX        the certificate with its private key (.pfx)
#   VTB_SIGN_PASSWORD   its password (may be empty)
#   VTB_SIGN_TIMESTAMP  an RFC 3161 time-stamping address (optional): the
#                       signature then outlives the certificate
# The signatures use SHA-256 (osslsigncode, Debian package osslsigncode).
set -euo pipefail

if [ -z "${VTB_SIGN_PFX:-}" ]; then
    for f in "$@"; do echo "sign: no certificate (VTB_SIGN_PFX): $(basename "$f") is not signed"; done
    exit 0
fi
if ! command -v osslsigncode >/dev/null 2>&1; then
    echo "sign: osslsigncode is missing (Debian package osslsigncode, installed by tools/setup.sh)" >&2
    exit 1
fi
if [ ! -r "$VTB_SIGN_PFX" ]; then
    echo "sign: the certificate $VTB_SIGN_PFX cannot be read" >&2
    exit 1
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# The password from a file only this user reads, not from the command line.
umask 077
printf '%s' "${VTB_SIGN_PASSWORD:-}" >"$work/password"
timestamp=()
[ -n "${VTB_SIGN_TIMESTAMP:-}" ] && timestamp=(-ts "$VTB_SIGN_TIMESTAMP")
for f in "$@"; do
    rm -f "$work/signed"
    osslsigncode sign -pkcs12 "$VTB_SIGN_PFX" -readpass "$work/password" -h sha256 \
        -n "Veltrane ToolBar" -i "https://www.veltrane.example/toolbar/help" "${timestamp[@]}" \
        -in "$f" -out "$work/signed" >"$work/log" 2>&1 || {
        cat "$work/log" >&2
        echo "sign: $f could not be signed" >&2
        exit 1
    }
    # Keeps the file's own rights; only its bytes change.
    cat "$work/signed" >"$f"
    echo "sign: $(basename "$f") signed"
done
