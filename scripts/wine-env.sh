# Sourced by the scripts that run Windows programs: a display, a Wine prefix under the build
# folder, and a wineserver kept alive while they run. Call wine_start [user|test], then wine_stop.
#
# Prefixes (under $BUILD_ROOT/x86_64):
#   wineprefix-template  made once by wineboot and never run in; the others are copies of it
#   wineprefix           the one ./run uses; what a user registers there stays
#   wineprefix-test      made afresh from the template for every test run
# A copy hard-links the template's files (Wine never writes its installed DLLs; it saves the
# registry by writing a new file and renaming it) and copies the registry and user files.

wine_build_dir() { echo "${BUILD_ROOT:-$top/build}/x86_64"; }

wine_make_template() {
    local template=$1
    [ -f "$template/system.reg" ] && [ -f "$template/.volmora-ready" ] && return 0
    rm -rf "$template"
    mkdir -p "$template"
    WINEPREFIX=$template wineboot -i >/dev/null 2>&1
    WINEPREFIX=$template wineserver -w
    # Unmanaged windows: closing a window then does not wait for a window manager.
    WINEPREFIX=$template wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
        >/dev/null 2>&1
    WINEPREFIX=$template wineserver -w
    touch "$template/.volmora-ready"
}

wine_copy_prefix() {  # template, target
    local template=$1 target=$2
    rm -rf "$target"
    cp -al "$template" "$target"
    local file
    while IFS= read -r -d '' file; do
        cp --remove-destination "$template/${file#"$target"/}" "$file"
    done < <(find "$target" -maxdepth 1 -type f -print0; find "$target/drive_c/users" -type f -print0)
}

wine_start_display() {
    [ -n "${DISPLAY:-}" ] && return 0
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
}

wine_start() {  # user (default): the lasting prefix of ./run; test: a fresh one
    local kind=${1:-user}
    local dir
    dir=$(wine_build_dir)
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    wine_start_display
    wine_make_template "$dir/wineprefix-template"
    case $kind in
        test)
            wine_copy_prefix "$dir/wineprefix-template" "$dir/wineprefix-test"
            WINEPREFIX=$dir/wineprefix-test
            ;;
        *)
            [ -f "$dir/wineprefix/system.reg" ] ||
                wine_copy_prefix "$dir/wineprefix-template" "$dir/wineprefix"
            WINEPREFIX=$dir/wineprefix
            ;;
    esac
    export WINEPREFIX
    wineserver -p
    export VOLMORA_WINE_READY=1
}

wine_stop() {
    unset VOLMORA_WINE_READY
    wineserver -k 2>/dev/null || true
    if [ -n "${VOLMORA_XVFB_PID:-}" ]; then
        kill "$VOLMORA_XVFB_PID" 2>/dev/null || true
        unset VOLMORA_XVFB_PID DISPLAY
    fi
}
