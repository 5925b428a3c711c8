#!/usr/bin/env bash
# Runs a Windows program under Wine for CTest: in the environment that ./test prepared
# (scripts/wine-env.sh), or, when run alone, in one it starts and stops itself.
# Usage: scripts/in-wine.sh program.exe [arguments...]; exits with the program's exit code.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
program=$1
shift
build=$(cd "$(dirname "$program")/.." && pwd)
if [ -z "${VOLMORA_WINE_READY:-}" ]; then
    export BUILD_ROOT=${BUILD_ROOT:-$(dirname "$build")}
    source "$top/scripts/wine-env.sh"
    wine_start test
    trap wine_stop EXIT
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
