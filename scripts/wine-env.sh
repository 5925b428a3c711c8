# Sourced by the scripts that run Windows programs: a display, a Wine prefix under the build
# folder, and a wineserver kept alive while they run. Call wine_start, then wine_stop.

wine_prefix_dir() { echo "${BUILD_ROOT:-$top/build}/x86_64/wineprefix"; }

wine_start() {
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    WINEPREFIX=$(wine_prefix_dir)
    export WINEPREFIX
    if [ -z "${DISPLAY:-}" ]; then
        local fdfile
        fdfile=$(mktemp)
        Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
        VOLMORA_XVFB_PID=$!
        for _ in $(seq 100); do
            [ -s "$fdfile" ] && break
            sleep 0.1
        done
        DISPLAY=:$(head -n1 "$fdfile")
        export DISPLAY
        rm -f "$fdfile"
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1
        wineserver -w
        # Unmanaged windows: closing a window then does not wait for a window manager.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        wineserver -w
    fi
    wineserver -p
    export VOLMORA_WINE_READY=1
}

wine_stop() {
    unset VOLMORA_WINE_READY
    wineserver -k 2>/dev/null || true
    if [ -n "${VOLMORA_XVFB_PID:-}" ]; then
        kill "$VOLMORA_XVFB_PID" 2>/dev/null || true
        unset VOLMORA_XVFB_PID
    fi
}
