#!/usr/bin/env bash
# Builds and runs the benchmarks and prints their figures: the native ones of
# the portable core, then the Wine ones of the toolbar DLL. Not part of the
# test command; figures depend on the machine.
#
#   bash tools/run_benchmarks.sh        (BUILD_ROOT defaults to ./build)
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export BUILD_ROOT="${BUILD_ROOT:-$repo/build}"
native="$BUILD_ROOT/core-native"
cross="$BUILD_ROOT/cross"
stage="$BUILD_ROOT/bench-band"
mkdir -p "$BUILD_ROOT"

echo "== native build"
cmake -S "$repo" -B "$native" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVTB_SANITIZE=OFF -DVTB_FUZZ=OFF >/dev/null
cmake --build "$native" -j2 >/dev/null
for bench in "$native"/bench_*; do
    [ -x "$bench" ] || continue
    echo "== $(basename "$bench")"
    "$bench"
done

echo "== cross build"
cmake -S "$repo" -B "$cross" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/toolchain-i686-mingw.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$cross" -j2 >/dev/null

# The Wine benchmarks run beside a copy of the DLL and the sample
# configuration, away from the files the tests write.
# shellcheck source=tools/wine_env.sh
source "$repo/tools/wine_env.sh"
vtb_wine_start --xvfb
rm -rf "$stage"
mkdir -p "$stage"
cp "$cross/Veltrane_ToolBar.dll" "$cross"/bench_*.exe "$repo/resources/sample/"* "$stage/"
for bench in "$stage"/bench_*.exe; do
    echo "== $(basename "$bench")"
    (cd "$stage" && wine "./$(basename "$bench")") | tr -d '\r'
done
