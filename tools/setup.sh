#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine. Safe to
# run again: when everything is there it changes nothing and needs no rights.
# Otherwise it installs as root, through sudo for another user, or says what
# is missing.
set -euo pipefail

need=()
add_i386=0
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    add_i386=1
fi

for p in cmake make g++ googletest libgtest-dev clang libclang-rt-14-dev \
         g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 mingw-w64-tools mingw-w64-i686-dev \
         wine wine32:i386 fonts-wine xvfb x11-apps imagemagick python3 xauth \
         nsis wixl msitools locales osslsigncode openssl; do
    have "$p" || need+=("$p")
done

# One suite of the Wine tests runs as a Japanese computer does (code page
# 932): Wine takes its code page from the locale, which must exist.
add_locale=0
locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8' || add_locale=1

if [ ${#need[@]} -eq 0 ] && [ "$add_i386" = 0 ] && [ "$add_locale" = 0 ]; then
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
        exec sudo bash "${BASH_SOURCE[0]}"
    fi
    missing="${need[*]}"
    [ "$add_i386" = 1 ] && missing="$missing (and the i386 architecture for wine32)"
    [ "$add_locale" = 1 ] && missing="$missing (and the locale ja_JP.UTF-8)"
    echo "setup: missing: $missing" >&2
    echo "setup: installing needs root and there is no sudo: run 'bash tools/setup.sh' as root, then this command again" >&2
    exit 1
fi

export DEBIAN_FRONTEND=noninteractive
if [ "$add_i386" = 1 ]; then
    dpkg --add-architecture i386
fi
if [ ${#need[@]} -gt 0 ] || [ "$add_i386" = 1 ]; then
    # A newly added architecture has no package lists until the update.
    apt-get update -qq
fi
if [ ${#need[@]} -gt 0 ]; then
    echo "setup: installing ${need[*]}"
    apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
if [ "$add_locale" = 1 ]; then
    echo "setup: generating the locale ja_JP.UTF-8"
    localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
