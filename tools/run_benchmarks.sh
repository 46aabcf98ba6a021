#!/usr/bin/env bash
# Builds and runs the benchmarks and prints their figures: the native one of
# the portable core, then the Wine ones of the toolbar DLL, and at the end one
# short table of every figure beside its floor or baseline from the same run.
# Not part of the test command; figures depend on the machine. Takes about
# nine minutes, most of it the idle measurement (2 rounds of 20 s for each
# of ten phases: the toolbar's six states and four of the host alone).
#
#   bash tools/run_benchmarks.sh        (BUILD_ROOT defaults to ./build)
#
# VTB_IDLE_SECONDS and VTB_IDLE_ROUNDS change the idle measurement,
# VTB_FIRST_RUNS the number of new processes of the first open.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=tools/common.sh
source "$repo/tools/common.sh"
native="$BUILD_ROOT/core-native"
cross="$BUILD_ROOT/cross"
stage="$BUILD_ROOT/bench-band"
logs="$BUILD_ROOT/logs/bench"
idle_seconds="${VTB_IDLE_SECONDS:-20}"
idle_rounds="${VTB_IDLE_ROUNDS:-2}"
mkdir -p "$logs"

rows=()      # "figure|measured|floor or baseline|comparison"
failures=()

# Runs one benchmark with its output in a log (Wine's helper processes
# inherit the output and outlive the program: a pipe would never close),
# prints it without the table lines and keeps those for the summary.
run_bench() {
    local name="$1" rc=0
    shift
    echo "== $name"
    "$@" >"$logs/$name.raw" 2>&1 || rc=$?
    tr -d '\r' <"$logs/$name.raw" >"$logs/$name.log"
    grep -v '^table|' "$logs/$name.log" || true
    while IFS= read -r line; do
        rows+=("${line#table|}")
    done < <(grep '^table|' "$logs/$name.log" || true)
    if [ "$rc" -ne 0 ]; then
        failures+=("$name (exit $rc, see $logs/$name.log)")
        rows+=("$name|FAILED|see $logs/$name.log|")
    fi
}

echo "== native build"
vtb_build core-native
for bench in "$native"/bench_*; do
    [ -x "$bench" ] || continue
    run_bench "$(basename "$bench")" "$bench"
done

echo "== cross build"
vtb_build cross

# The Wine benchmarks run beside a copy of the DLL and the sample
# configuration, away from the files the tests write.
rm -rf "$stage"
mkdir -p "$stage"
cp "$cross/Veltrane_ToolBar.dll" "$cross"/bench_*.exe "$repo/resources/sample/"* "$stage/"

# The shipped DLL: as the build produces it, and a stripped copy.
i686-w64-mingw32-strip -o "$stage/stripped.dll" "$cross/Veltrane_ToolBar.dll"
built=$(stat -c %s "$cross/Veltrane_ToolBar.dll")
stripped=$(stat -c %s "$stage/stripped.dll")
rm -f "$stage/stripped.dll"
kb() { awk -v n="$1" 'BEGIN { printf "%.0f KB", n / 1000 }'; }  # KB of 1000 bytes
echo "== DLL size"
printf '  as built      %9d bytes (%s)\n  stripped copy %9d bytes (%s)\n' \
    "$built" "$(kb "$built")" "$stripped" "$(kb "$stripped")"
rows+=("shipped DLL, as built|$(kb "$built")|$(kb "$stripped") (stripped copy)|$(awk -v a="$built" -v b="$stripped" 'BEGIN { printf "%.2fx", a / b }')")

# shellcheck source=tools/wine_env.sh
source "$repo/tools/wine_env.sh"
vtb_wine_start --xvfb
vtb_wine_set_dpi 96

# The wineserver of this prefix: it works in a directory named after the
# prefix's device and inode.
wineserver_pid() {
    local dir pid
    dir="server-$(printf '%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))"
    for pid in /proc/[0-9]*; do
        case "$(cat "$pid/comm" 2>/dev/null)" in
        wineserver*) [[ "$(readlink "$pid/cwd" 2>/dev/null)" == */"$dir" ]] && { echo "${pid#/proc/}"; return 0; } ;;
        esac
    done
    return 1
}
server="$(wineserver_pid || true)"
[ -n "$server" ] || echo "warning: the wineserver of $WINEPREFIX was not found; its figure is left out" >&2

for bench in "$stage"/bench_*.exe; do
    name="$(basename "$bench" .exe)"
    args=()
    [ "$name" = bench_band_open ] && args=(100)
    if [ "$name" = bench_idle_cpu ]; then
        # The tag lets the program find its own Linux process.
        args=(--seconds "$idle_seconds" --rounds "$idle_rounds" --xserver "$VTB_XVFB_PID"
              --tag "vtb-idle-$$-$RANDOM")
        [ -n "$server" ] && args+=(--wineserver "$server")
    fi
    run_bench "$name" bash -c 'cd "$1" && shift && exec wine "$@"' _ "$stage" "./$name.exe" "${args[@]}"
done

# The band's open and a face's paint on a display at 150 %, each beside its
# floor at the same DPI: a process of its own, which reads the DPI when it starts.
vtb_wine_set_dpi 144
for name in bench_band_open bench_glyph_paint; do
    args=()
    [ "$name" = bench_band_open ] && args=(100)
    run_bench "${name}_144" bash -c 'cd "$1" && shift && exec wine "$@"' _ "$stage" "./$name.exe" "${args[@]}"
done
vtb_wine_set_dpi 96

# The first open in a new process, the DLL's loading included: one figure
# per process, so the program runs several times and the medians are taken.
first_runs="${VTB_FIRST_RUNS:-15}"
echo "== first open in a new process ($first_runs processes)"
: >"$logs/bench_first_open.raw"
for _ in $(seq 1 "$first_runs"); do
    (cd "$stage" && wine ./bench_band_open.exe --first) >>"$logs/bench_first_open.raw" 2>&1 || true
done
tr -d '\r' <"$logs/bench_first_open.raw" | grep '^first|' >"$logs/bench_first_open.log" || true
rm -f "$logs/bench_first_open.raw"
if [ "$(wc -l <"$logs/bench_first_open.log")" -lt "$first_runs" ]; then
    failures+=("bench_first_open (see $logs/bench_first_open.log)")
    rows+=("first open in a new process|FAILED|see $logs/bench_first_open.log|")
else
    median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
    band_first="$(cut -d'|' -f2 "$logs/bench_first_open.log" | median)"
    floor_first="$(cut -d'|' -f3 "$logs/bench_first_open.log" | median)"
    printf '  band (LoadLibrary + DllGetClassObject + open) %s ms, floor %s ms (medians)\n' "$band_first" "$floor_first"
    rows+=("first open in a new process (LoadLibrary + DllGetClassObject + open), median of $first_runs|$(printf '%.1f' "$band_first") ms|$(printf '%.1f' "$floor_first") ms (first child window holding a combo box)|$(awk -v a="$band_first" -v b="$floor_first" 'BEGIN { printf "%.1fx", a / b }')")
fi

echo
echo "== summary ($(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg))"
echo "| figure | measured | floor or baseline, same run | comparison |"
echo "|---|---|---|---|"
for row in "${rows[@]}"; do
    echo "| ${row//|/ | } |"
done
if [ ${#failures[@]} -gt 0 ]; then
    printf 'FAILED: %s\n' "${failures[@]}"
    exit 1
fi
