# shellcheck shell=bash
# Sourced by the scripts that run Windows programs: a Wine prefix of the
# project's own, an X display, and one wineserver kept alive for the run.
#
#   BUILD_ROOT=... source tools/wine_env.sh
#   vtb_wine_start [--xvfb]    # --xvfb: always run on a private Xvfb display
#   wine some.exe ...
#   (the EXIT trap stops the wineserver and Xvfb again)
#
# VTB_WINEPREFIX overrides the prefix ($BUILD_ROOT/wineprefix by default).

: "${BUILD_ROOT:?BUILD_ROOT must be set before sourcing wine_env.sh}"

export WINEPREFIX="${VTB_WINEPREFIX:-$BUILD_ROOT/wineprefix}"
export WINEARCH=win32
export WINEDEBUG=-all
# No .NET and no HTML engine: skips the installers that would be downloaded.
export WINEDLLOVERRIDES="mscoree,mshtml="

VTB_XVFB_PID=""
VTB_WINE_LOG="$BUILD_ROOT/wine_env.log"

# Xvfb picks a free display number itself and writes it to the pipe once it
# listens: two runs started at the same moment never share a display.
vtb_start_xvfb() {
    local fifo n=""
    fifo="$(mktemp -u "$BUILD_ROOT/xvfb.XXXXXX")"
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 "${VTB_SCREEN:-1024x768x24}" -nolisten tcp 3>"$fifo" >>"$VTB_WINE_LOG" 2>&1 &
    VTB_XVFB_PID=$!
    read -r -t 15 n <"$fifo" || true
    rm -f "$fifo"
    if [ -z "$n" ] || ! kill -0 "$VTB_XVFB_PID" 2>/dev/null; then
        echo "wine_env: Xvfb did not start (see $VTB_WINE_LOG)" >&2
        return 1
    fi
    export DISPLAY=":$n"
}

vtb_wine_stop() {
    # Only this prefix's server; another prefix's Wine keeps running.
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$VTB_XVFB_PID" ]; then
        kill "$VTB_XVFB_PID" 2>/dev/null || true
        wait "$VTB_XVFB_PID" 2>/dev/null || true
        VTB_XVFB_PID=""
    fi
}

vtb_wine_start() {
    mkdir -p "$BUILD_ROOT" "$WINEPREFIX"
    : >"$VTB_WINE_LOG"
    trap vtb_wine_stop EXIT
    if [ "${1:-}" = "--xvfb" ] || [ -z "${DISPLAY:-}" ]; then
        vtb_start_xvfb
    fi
    # A server left over from an interrupted run would hold stale state.
    wineserver -k >/dev/null 2>&1 || true
    wineserver -p
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "wine_env: creating the Wine prefix $WINEPREFIX"
        (cd "$WINEPREFIX" && wineboot -i >>"$VTB_WINE_LOG" 2>&1)
        # Services started while the prefix was being made are left half
        # set up (Wine's browser object then fails to start): a new server
        # session starts them afresh.
        wineserver -k >/dev/null 2>&1 || true
        wineserver -p
    fi
    # On Xvfb there is no window manager: Wine then draws the window frames
    # itself, and closing a window does not wait for a manager that never
    # answers (two seconds for each message box otherwise).
    if [ -n "$VTB_XVFB_PID" ]; then
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$VTB_WINE_LOG" 2>&1
    else
        wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >>"$VTB_WINE_LOG" 2>&1 || true
    fi
    echo "wine_env: prefix $WINEPREFIX, display $DISPLAY"
}

# The display's DPI (96 is 100 %) for the programs started from now on: each
# reads it once, when it starts.
vtb_wine_set_dpi() {
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >>"$VTB_WINE_LOG" 2>&1
}

# A Linux path as Wine sees it (drive Z: maps the root directory).
vtb_winpath() {
    local p
    p="$(realpath "$1")"
    echo "Z:${p//\//\\}"
}
