#!/usr/bin/env bash
# Configures and builds the configurations through the presets of CMakePresets.json: native
# (portable logic and unit tests), sanitize (the same under sanitizers, with the fuzz targets),
# i686 and x86_64 (the Windows programs). BUILD_ROOT selects the build folder (default: build);
# JOBS the number of parallel compile jobs (default: the number of processors).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
root=${BUILD_ROOT:-$top/build}
jobs=${JOBS:-$(nproc)}

build() {  # preset
    local preset=$1 dir=$root/$1
    # The presets build in ./build; another BUILD_ROOT overrides their folder.
    local where=()
    [ "$root" = "$top/build" ] || [ "$root" -ef "$top/build" ] || where=(-B "$dir")
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        (cd "$top" && cmake --preset "$preset" "${where[@]}" >/dev/null)
    fi
    if [ ${#where[@]} -eq 0 ]; then
        (cd "$top" && cmake --build --preset "$preset" -j "$jobs")
    else
        cmake --build "$dir" -j "$jobs"
    fi
}

for config in "${@:-native i686 x86_64}"; do
    for one in $config; do
        case $one in
            native | sanitize | i686 | x86_64) build "$one" ;;
            *) echo "unknown configuration: $one" >&2; exit 2 ;;
        esac
    done
done
