#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine. Safe to run again.
set -euo pipefail

need=()
apt_stale=0
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    apt_stale=1
fi

for p in cmake make g++ googletest libgtest-dev clang libclang-rt-14-dev \
         g++-mingw-w64-i686-posix mingw-w64-tools mingw-w64-i686-dev \
         wine wine32:i386 fonts-wine xvfb x11-apps imagemagick python3 xauth; do
    have "$p" || need+=("$p")
done

if [ ${#need[@]} -gt 0 ] || [ "$apt_stale" = 1 ]; then
    export DEBIAN_FRONTEND=noninteractive
    # A newly added architecture has no package lists until the update.
    apt-get update -qq
fi
if [ ${#need[@]} -gt 0 ]; then
    echo "setup: installing ${need[*]}"
    apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
