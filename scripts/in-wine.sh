#!/usr/bin/env bash
# Runs a Windows program under Wine for CTest: in the environment that ./test prepared
# (scripts/wine-env.sh), or, when run alone, in one it starts and stops itself.
# Usage: scripts/in-wine.sh program.exe [arguments...]; exits with the program's exit code, or 77
# when the program is 32-bit and this machine cannot run it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
program=$1
shift
build=$(cd "$(dirname "$program")/.." && pwd)
export BUILD_ROOT=${BUILD_ROOT:-$(dirname "$build")}
source "$top/scripts/wine-env.sh"
if [ -z "${VOLMORA_WINE_READY:-}" ]; then
    # The build folder is named after its architecture (scripts/build.sh).
    wine_start test "$(basename "$build")"
    trap wine_stop EXIT
fi
# A 32-bit program on a machine that runs no 32-bit code: reported as skipped (exit code 77,
# CTest's SKIP_RETURN_CODE for these tests), with the reason.
if [ "$(basename "$build")" = i686 ]; then
    [ -n "${VOLMORA_WOW64_PROBLEM+set}" ] || wine_check_wow64
    if [ -n "$VOLMORA_WOW64_PROBLEM" ]; then
        echo "Skipped: $VOLMORA_WOW64_PROBLEM."
        exit 77
    fi
fi
output=$(mktemp)
set +e
# Wine's background processes may keep a pipe open: send the output to a file.
wine "$program" "$@" </dev/null >"$output" 2>&1
code=$?
set -e
cat "$output"
rm -f "$output"
exit $code
