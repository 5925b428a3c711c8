#!/usr/bin/env bash
# ./run as a user or a wrapping script meets it: its exit code is the program's (255 above 255,
# 125 for its own failures), a console program's output comes through byte for byte, two runs at
# once both succeed, and nothing it started is left running. It runs in a prefix of its own, on
# a display of its own. Usage: runScriptTest.sh <build folder>
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
arch=$(basename "$build")
export BUILD_ROOT=${BUILD_ROOT:-$(dirname "$build")}
prefix=run-test-$arch
export VOLMORA_RUN_PREFIX=$prefix
# Every process ./run starts inherits this mark (given to ./run alone): none may hold it once
# ./run has ended.
mark=$(od -An -N8 -tx1 /dev/urandom | tr -d ' \n')
unset DISPLAY WINEPREFIX VOLMORA_WINE_READY
work=$(mktemp -d)
rm -rf "$BUILD_ROOT/wine/$prefix"
trap 'rm -rf "$work" "$BUILD_ROOT/wine/$prefix"' EXIT
cd "$work" || exit 1
run=(env "VOLMORA_RUN_TEST_MARK=$mark" "$top/run" "--$arch")
failures=0

# The processes that still carry the mark, after a short bounded grace for them to end.
marked_processes() {
    local found=() pid
    for _ in $(seq 50); do
        found=()
        for pid in /proc/[0-9]*; do
            tr "\\0" "\\n" 2>/dev/null <"$pid/environ" | grep -qx "VOLMORA_RUN_TEST_MARK=$mark" &&
                found+=("${pid#/proc/}:$(tr "\\0" " " 2>/dev/null <"$pid/cmdline")")
        done
        [ ${#found[@]} -eq 0 ] && return 0
        sleep 0.2
    done
    printf '%s\n' "${found[@]}"
}

report() {  # case, problems...
    local name=$1
    shift
    if [ $# -eq 0 ]; then
        echo "ok: $name"
    else
        echo "FAILED: $name: $*"
        echo "    standard output:"
        sed 's/^/      /' out 2>/dev/null
        echo "    standard error:"
        sed 's/^/      /' err 2>/dev/null
        failures=$((failures + 1))
    fi
}

# expect <case> <exit code> <standard output: "empty", "any" or a line it holds> <a line of the
# standard error> -- <./run arguments...>
expect() {
    local name=$1 code=$2 outLine=$3 errLine=$4
    shift 5
    local got=0
    "${run[@]}" "$@" >out 2>err </dev/null || got=$?
    # Once in several full runs under load, an i686 run right after another ended with 1 and
    # printed nothing at all, not even the driver's exit code line (cause not found yet): such a
    # run is tried once more, and said, so that a fault that repeats still fails.
    if [ "$got" != 0 ] && [ ! -s out ] && [ ! -s err ]; then
        echo "retried: $name (./run ended with $got and printed nothing)"
        got=0
        "${run[@]}" "$@" >out 2>err </dev/null || got=$?
    fi
    local problems=()
    [ "$got" = "$code" ] || problems+=("exit code $got, not $code")
    case $outLine in
        empty) [ ! -s out ] || problems+=("standard output is not empty") ;;
        any) ;;
        *) grep -qxF -- "$outLine" out || problems+=("no line \"$outLine\" on standard output") ;;
    esac
    grep -qF -- "$errLine" err || problems+=("no \"$errLine\" on standard error")
    ! grep -q $'\r' out || problems+=("a carriage return on standard output")
    ! grep -q '^exit code: ' out || problems+=("the driver's exit code line on standard output")
    report "$name" "${problems[@]}"
}

# Where this machine starts no 32-bit program, the i686 build's runs are skipped.
if [ "$arch" = i686 ]; then
    code=0
    "${run[@]}" volmoraConfig /? >out 2>err </dev/null || code=$?
    if [ "$code" = 125 ] && grep -q "cannot start a 32-bit program" err; then
        echo "Skipped: $(sed 's/^\.\/run: //' err)"
        exit 77
    fi
fi

printf '{"formatVersion": 1, "jvms": {' >broken.json
winePath="Z:${work//\//\\}\\broken.json"

expect "a refused command line of a tool" 1 empty 'exit code: 1 (0x00000001)' -- bindObject /x
expect "a console program's usage" 1 empty "Usage: volmoraConfig export [FILE]" -- \
    volmoraConfig /nosuch
expect "a file that is not JSON" 3 empty "broken.json" -- volmoraConfig apply broken.json
expect "a file that is not there" 7 empty "missing.json" -- volmoraConfig apply missing.json
expect "a Linux path, read as a switch" 1 empty "as $winePath" -- \
    volmoraConfig apply "$work/broken.json"
expect "the same file as a Windows path" 3 empty "broken.json" -- \
    volmoraConfig apply "$winePath"
expect "no program named" 125 empty "usage: ./run" --
expect "a program that does not exist" 125 empty "cannot run noSuchTool" -- noSuchTool /?

# An internal error's code is an HRESULT: above 255, so ./run gives 255 and the full code.
got=0
WINEDLLOVERRIDES=scrrun= "${run[@]}" bindRuntime /s /u NoSuchJvm >out 2>err </dev/null || got=$?
full=$(sed -n 's/^exit code: \([0-9]*\) (0x[0-9A-F]\{8\})$/\1/p' err)
problems=()
[ "$got" = 255 ] || problems+=("exit code $got, not 255")
[ -n "$full" ] && [ "$full" -gt 255 ] || problems+=("no full exit code above 255 on standard error")
report "an exit code above 255" "${problems[@]}"

# What export prints, redirected to a file, is what export FILE writes, and apply takes it.
"${run[@]}" bindRuntime /s RunTestJvm C:\\jvm.dll "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar" \
    >/dev/null 2>&1 </dev/null
expect "export to standard output" 0 '  "formatVersion": 1,' "exit code: 0" -- volmoraConfig export
cp out printed.json
expect "export to a file" 0 empty "exit code: 0" -- volmoraConfig export written.json
problems=()
cmp -s printed.json written.json || problems+=("the printed export differs from export FILE")
grep -q RunTestJvm printed.json || problems+=("the export lacks the JVM registered")
report "export > file holds exactly what export FILE writes" "${problems[@]}"
expect "apply of the printed export" 0 "No changes." "exit code: 0" -- \
    volmoraConfig apply printed.json

# The runtime library: bindSchema's removal needs it, and --runtime puts the stand-in in place.
schema=sampleSchema-win64.tlb
[ "$arch" = i686 ] && schema=sampleSchema-win32.tlb
cp "$build/testFiles/$schema" sample.tlb
expect "a type library registered" 0 empty "exit code: 0" -- bindSchema /s sample.tlb
expect "its removal without a runtime" 126 empty "exit code: 126 (0x0000007E)" -- \
    bindSchema /s /u sample.tlb
expect "the stand-in runtime put in place" 0 empty "stand-in runtime library is in place" -- \
    --runtime
expect "its removal with the stand-in" 0 empty "exit code: 0" -- bindSchema /s /u sample.tlb

# The lock: a second ./run waits for the prefix within its bound, and says why it gave up.
exec 7>>"$BUILD_ROOT/wine/$prefix.run.lock"
flock 7
VOLMORA_RUN_WAIT=1 expect "the prefix held past the wait" 125 empty "stayed busy for 1 s" -- \
    volmoraConfig export
flock -u 7
exec 7>&-

# Two at once: both end with the program's code and the same output.
"${run[@]}" volmoraConfig export >first.json 2>first.err </dev/null &
firstRun=$!
"${run[@]}" volmoraConfig export >second.json 2>second.err </dev/null &
secondRun=$!
firstCode=0
secondCode=0
wait "$firstRun" || firstCode=$?
wait "$secondRun" || secondCode=$?
problems=()
[ "$firstCode" = 0 ] && [ "$secondCode" = 0 ] ||
    problems+=("exit codes $firstCode and $secondCode, not 0 and 0")
cmp -s first.json printed.json && cmp -s second.json printed.json ||
    problems+=("the two exports differ from the one before")
cat first.err second.err >err
: >out
report "two runs at once" "${problems[@]}"

left=$(marked_processes)
[ -z "$left" ] && report "nothing left running" || report "nothing left running" "$left"

echo "$failures failed"
[ "$failures" -eq 0 ]
