#!/usr/bin/env bash
# Configures and builds the configurations: native (portable logic and unit tests), sanitize
# (the same under sanitizers, with the fuzz targets), i686 and x86_64 (the Windows programs).
# BUILD_ROOT selects the build folder (default: build).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
root=${BUILD_ROOT:-$top/build}
jobs=$(nproc)

configure() {  # folder, extra cmake arguments
    local dir=$root/$1
    shift
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
    fi
    cmake --build "$dir" -j "$jobs"
}

for config in "${@:-native i686 x86_64}"; do
    for one in $config; do
        case $one in
            native) configure native ;;
            sanitize) CC=clang CXX=clang++ configure sanitize -DVOLMORA_SANITIZE=ON ;;
            i686 | x86_64) configure "$one" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-$one.cmake" ;;
            *) echo "unknown configuration: $one" >&2; exit 2 ;;
        esac
    done
done
