#!/usr/bin/env bash
# Prepares the 32-bit Windows DLLs that let 64-bit Wine run 32-bit programs (its WoW64 mode):
# downloads the libwine:i386 package of exactly the installed libwine version, unpacks it into
# the build folder (never installs it, never adds the i386 architecture) and lays out the folder
# that WINEDLLPATH points at:
#   $BUILD_ROOT/wine/dlls/i386-windows  the package's 32-bit Windows DLLs
#   $BUILD_ROOT/wine/dlls/x86_64-unix   -> the installed 64-bit Unix side (the display driver
#                                           of a 32-bit process loads from there)
# Done once per build folder: nothing happens when the folder is complete.
# Usage: scripts/wow64-dlls.sh  (prints nothing when the DLLs are already there)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
root=${BUILD_ROOT:-$top/build}
dlls=$root/wine/dlls
work=$root/wine/dlls-download
unixSide=/usr/lib/x86_64-linux-gnu/wine/x86_64-unix

[ -f "$dlls/.complete" ] && exit 0

version=$(dpkg-query -W -f='${Version}' libwine:amd64)
[ -n "$version" ] || { echo "libwine is not installed" >&2; exit 1; }
echo "Fetching the 32-bit Wine DLLs (libwine:i386 $version) into $dlls"

# The package is kept, by version, outside the build folder: a new clone or build folder on the
# same machine unpacks it again without going to the mirror.
cache=${XDG_CACHE_HOME:-${HOME:-$root}/.cache}/volmora-build
cached=$cache/libwine_${version}_i386.deb
rm -rf "$dlls" "$work"
mkdir -p "$work"
if [ "$(dpkg-deb -f "$cached" Package Version Architecture 2>/dev/null | tr '\n' ' ')" = \
    "Package: libwine Version: $version Architecture: i386 " ]; then
    if ! dpkg-deb -x "$cached" "$work/unpacked"; then
        # A kept package that cannot be unpacked goes, and the next try downloads it again.
        echo "The kept $cached cannot be unpacked: removed, fetching it again" >&2
        rm -f "$cached"
        exec "$0"
    fi
else
    # shellcheck source=apt-tries.sh
    . "$top/scripts/apt-tries.sh"
    # Both architectures for this one look-up and download only; dpkg's own list stays amd64.
    both=(-o APT::Architectures::=amd64 -o APT::Architectures::=i386)
    restore_lists() { apt_root update -q >/dev/null || true; }
    trap restore_lists EXIT
    update() { apt_root "${both[@]}" update -q; }
    # apt-get download writes into the current folder, as the calling user, and checks the
    # package against the index it was listed in.
    download() {
        (cd "$work" && apt-get "${both[@]}" -o APT::Sandbox::User=root download -q "libwine:i386=$version")
    }
    apt_tries update download
    trap - EXIT
    restore_lists
    package=$(find "$work" -name 'libwine_*_i386.deb' | head -n1)
    [ -n "$package" ] || { echo "libwine:i386 $version was not downloaded" >&2; exit 1; }
    dpkg-deb -x "$package" "$work/unpacked"
    # A copy that cannot be kept (no home folder to write, a full disk) costs only the next
    # download.
    if mkdir -p "$cache" 2>/dev/null && kept=$(mktemp "$cache/.libwine.XXXXXX" 2>/dev/null); then
        { cp "$package" "$kept" && chmod 644 "$kept" && mv "$kept" "$cached"; } || rm -f "$kept"
    fi
fi
mkdir -p "$dlls"
mv "$work/unpacked/usr/lib/i386-linux-gnu/wine/i386-windows" "$dlls/i386-windows"
ln -s "$unixSide" "$dlls/x86_64-unix"
rm -rf "$work"
touch "$dlls/.complete"
