# Sourced by the scripts that run Windows programs: a display, a Wine prefix under the build
# folder, and a wineserver kept alive while they run. Call wine_start [user|test] [i686|x86_64],
# then wine_stop.
#
# 64-bit Wine runs the 32-bit (i686) programs too, in its WoW64 mode, with the 32-bit Windows
# DLLs that scripts/wow64-dlls.sh lays out once per build folder; WINEDLLPATH points at them for
# every Wine run, and the template prefix is made with it set, so its syswow64 folder is filled.
# Folders holding 32-bit mingw DLLs stay off WINEPATH: the 64-bit wineboot would load them.
#
# Prefixes (under $BUILD_ROOT/wine, one set for both builds, like one 64-bit Windows machine):
#   template     made once by wineboot and never run in; the others are copies of it
#   user         the one ./run uses; what a user registers there stays
#   test-<arch>  made afresh from the template for every test run of that build
# A copy hard-links the template's files (Wine never writes its installed DLLs; it saves the
# registry by writing a new file and renaming it) and copies the registry and user files.

wine_root() { echo "${BUILD_ROOT:-$top/build}/wine"; }
wine_build_dir() { echo "${BUILD_ROOT:-$top/build}/${1:-x86_64}"; }  # [i686|x86_64]

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
    if ! [ -s "$fdfile" ]; then
        rm -f "$fdfile"
        echo "Xvfb did not start within 10 s" >&2
        return 1
    fi
    DISPLAY=:$(head -n1 "$fdfile")
    export DISPLAY
    rm -f "$fdfile"
}

# user (default): a lasting prefix, "user" (the one of ./run) unless a third argument names
# another; test: a fresh one for the build given (default x86_64), named test-<arch> unless a
# third argument names it (runs that may overlap take prefixes of their own). For i686, also finds
# out whether this machine starts 32-bit programs. Returns non-zero when a step fails; what it
# started by then is ended by wine_stop.
wine_start() {
    local kind=${1:-user} arch=${2:-x86_64} name=${3:-}
    local dir
    dir=$(wine_root)
    "$top/scripts/wow64-dlls.sh" || return 1
    export WINEDLLPATH=$dir/dlls
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    wine_start_display || return 1
    wine_make_template "$dir/template" || return 1
    case $kind in
        test)
            name=${name:-test-$arch}
            wine_copy_prefix "$dir/template" "$dir/$name" || return 1
            ;;
        *)
            name=${name:-user}
            [ -f "$dir/$name/system.reg" ] || wine_copy_prefix "$dir/template" "$dir/$name" ||
                return 1
            ;;
    esac
    export WINEPREFIX=$dir/$name
    # The server outlives this call: it must hold none of the caller's output streams.
    wineserver -p </dev/null >/dev/null 2>&1 || {
        echo "wineserver cannot start in $WINEPREFIX (is another one running there?)" >&2
        return 1
    }
    VOLMORA_WINESERVER_STARTED=1
    export VOLMORA_WINE_READY=1
    [ "$arch" = i686 ] && wine_check_wow64
    return 0
}

# Whether Wine starts 32-bit programs here: a machine whose kernel runs no 32-bit code at all
# (IA-32 emulation off) cannot, whatever Wine has. Leaves the reason in VOLMORA_WOW64_PROBLEM,
# empty when they start.
wine_check_wow64() {
    VOLMORA_WOW64_PROBLEM=
    local out
    out=$(mktemp)
    if ! wine "$WINEDLLPATH/i386-windows/hostname.exe" </dev/null >"$out" 2>&1; then
        VOLMORA_WOW64_PROBLEM="Wine cannot start a 32-bit program on this machine (its kernel runs\
 no 32-bit code), so the i686 programs cannot run here"
    fi
    rm -f "$out"
    export VOLMORA_WOW64_PROBLEM
}

wine_stop() {
    unset VOLMORA_WINE_READY
    if [ -n "${VOLMORA_WINESERVER_STARTED:-}" ]; then
        wineserver -k 2>/dev/null || true
        # Its processes end with it; bounded, so a stuck server cannot hold the caller.
        timeout 30 wineserver -w 2>/dev/null || true
        unset VOLMORA_WINESERVER_STARTED
    fi
    if [ -n "${VOLMORA_XVFB_PID:-}" ]; then
        kill "$VOLMORA_XVFB_PID" 2>/dev/null || true
        wait "$VOLMORA_XVFB_PID" 2>/dev/null || true
        unset VOLMORA_XVFB_PID DISPLAY
    fi
}
