#!/usr/bin/env bash
# The benchmark under Wine, as ./bench starts it and as nothing else may: without the marker of
# its token it refuses and writes nothing; with it, it runs once and leaves every registration it
# did not write, and none of its own. Usage: guardTest.sh <build folder>; exit code 77 where the
# build's programs cannot run here.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
arch=$(basename "$build")
export BUILD_ROOT=${BUILD_ROOT:-$(dirname "$build")}
source "$top/scripts/wine-env.sh"
# A prefix of its own: the end-to-end suites of this build may be running in theirs.
if [ -z "${VOLMORA_WINE_READY:-}" ]; then
    wine_start test "$arch" "bench-guard-$arch"
    trap wine_stop EXIT
fi
if [ "$arch" = i686 ]; then
    [ -n "${VOLMORA_WOW64_PROBLEM+set}" ] || wine_check_wow64
    if [ -n "$VOLMORA_WOW64_PROBLEM" ]; then
        echo "Skipped: $VOLMORA_WOW64_PROBLEM."
        exit 77
    fi
fi
view=/reg:64
[ "$arch" = i686 ] && view=/reg:32
classes='HKLM\SOFTWARE\Tamsiver Software\VOLM\CLSIDs'
foreign='{0F0E1D2C-3B4A-4958-8776-A5B4C3D2E1F0}'
marker=$WINEPREFIX/drive_c/windows/volmoraBench.marker
token=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
failures=0

# A record that belongs to someone else, which no run of the benchmark may touch.
wine reg add "$classes\\$foreign" /v ProgId /d Foreign.Class "$view" /f >/dev/null 2>&1

# check <case> <marker text, "none" or "kept"> <token> <expected exit code> <expected line>
check() {
    local name=$1 markerText=$2 runToken=$3 expectedCode=$4 expectedLine=$5 out code=0
    if [ "$markerText" != kept ]; then
        rm -f "$marker"
        [ "$markerText" = none ] || printf '%s\n' "$markerText" >"$marker"
    fi
    out=$(mktemp)
    wine "$build/bench/volmoraBench.exe" "$runToken" 1 quick </dev/null >"$out" 2>&1 || code=$?
    local records
    records=$(wine reg query "$classes" /s "$view" 2>/dev/null | tr -d '\r')
    local problems=()
    [ "$code" = "$expectedCode" ] || problems+=("exit code $code, not $expectedCode")
    grep -aqF -- "$expectedLine" "$out" || problems+=("no line \"$expectedLine\"")
    grep -qF "$foreign" <<<"$records" || problems+=("the foreign record is gone")
    ! grep -qi 'BE4C000' <<<"$records" || problems+=("a record of the benchmark is left")
    if [ ${#problems[@]} -eq 0 ]; then
        echo "ok: $name"
    else
        echo "FAILED: $name: ${problems[*]}"
        tr -d '\r' <"$out" | sed 's/^/    /'
        failures=$((failures + 1))
    fi
    rm -f "$out"
}

check "empty token" "" "" 3 "volmoraBench refuses to run: no run token"
check "no marker" none "$token" 3 "volmoraBench refuses to run: this is not the private prefix"
check "marker of another run" "0123456789abcdef0123456789abcdef" "$token" 3 \
    "volmoraBench refuses to run: the marker in this prefix belongs to another run"
check "short token matching its marker" "abc" "abc" 3 \
    "volmoraBench refuses to run: no run token of at least 16 characters"
check "marker of this run" "$token" "$token" 0 "Medians of 1 runs under Wine"
# The marker names one run: what it was written for has used it.
[ ! -e "$marker" ] || { echo "FAILED: the run left its marker"; failures=$((failures + 1)); }
check "second run on the same marker" kept "$token" 3 "volmoraBench refuses to run"

wine reg delete "$classes\\$foreign" "$view" /f >/dev/null 2>&1 || true
echo "$failures failed"
[ "$failures" -eq 0 ]
