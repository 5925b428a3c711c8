#!/usr/bin/env bash
# The guide's Ansible play, run by Debian's ansible-core through a local connection against a
# fresh Wine prefix of its own: a check-mode run on a new host plans and writes nothing, the first
# run changes, the second changes nothing, drift shows in check mode with the plan as the diff and
# is then converged, a file that apply refuses fails the play and leaves the known-good file in
# place, and a run killed part-way is put back. Usage: ansibleTest.sh <build folder>
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
here=$top/tests/ansible
build=$(cd "$1" && pwd)
arch=$(basename "$build")
export BUILD_ROOT=${BUILD_ROOT:-$(dirname "$build")}
source "$top/scripts/wine-env.sh"
unset VOLMORA_WINE_READY DISPLAY
work=$(mktemp -d)
trap 'wine_stop; rm -rf "$work"' EXIT
wine_start test "$arch" "ansible-$arch" >/dev/null || exit 1
if [ "$arch" = i686 ] && [ -n "${VOLMORA_WOW64_PROBLEM:-}" ]; then
    echo "Skipped: $VOLMORA_WOW64_PROBLEM."
    exit 77
fi
drive_c=$WINEPREFIX/drive_c
view=/reg:64
[ "$arch" = i686 ] && view=/reg:32
export VOLMORA_TOOLS=$build/bin
export LC_ALL=C.UTF-8 ANSIBLE_NOCOLOR=1 ANSIBLE_FORCE_COLOR=0 ANSIBLE_HOME=$work/ansible
export ANSIBLE_LOCAL_TEMP=$work/ansible/tmp ANSIBLE_REMOTE_TEMP=$work/ansible/tmp
# No configuration of the machine's or the user's: an empty one of the test's own.
export ANSIBLE_RETRY_FILES_ENABLED=0 ANSIBLE_CONFIG=$work/ansible.cfg
: >"$ANSIBLE_CONFIG"
# Wine's own start-up processes, begun here, hold none of the play's pipes.
wine "$build/e2e/toolDriver.exe" --runtime </dev/null >"$work/runtime.log" 2>&1 ||
    { cat "$work/runtime.log"; exit 1; }

play=$work/play
mkdir -p "$play/files" "$play/action_plugins" "$drive_c/VOLM/config" "$drive_c/VOLM/lib" \
    "$drive_c/jvm"
python3 "$here/guidePlay.py" "$top/docs/volmoraConfig.md" "$play" "$here/volmoraConfig" \
    "$drive_c" || exit 1
printf '[volmora_servers]\nlocalhost ansible_connection=local ansible_python_interpreter=%s\n' \
    "$(command -v python3)" >"$play/inventory"
: >"$drive_c/jvm/jvm.dll"
: >"$drive_c/VOLM/lib/VOLM.jar"
cat >"$work/known-good.json" <<'EOF'
{
  "formatVersion": 1,
  "jvms": {
    "AnsibleJVM": {
      "DllPath": "C:\\jvm\\jvm.dll",
      "JvmOptions": "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar"
    }
  },
  "servers": {
    "AnsibleServer": {
      "Classpath": "C:\\VOLM\\lib\\VOLM.jar",
      "Imports": ""
    }
  },
  "classes": {
    "{A7C0FFEE-0000-4000-8000-000000000001}": {
      "JavaClassName": "com.tamsiver.ansible.Sample",
      "JvmId": "AnsibleJVM",
      "ProgId": "Ansible.Sample",
      "ServerId": "AnsibleServer"
    }
  }
}
EOF
cp "$work/known-good.json" "$play/files/volmora.json"
cp "$work/known-good.json" "$drive_c/known-good.json"
failures=0

# Runs the play with the options given; its output goes to play.log, its recap into the
# variables ok, changed and failed, its exit code into code.
play() {
    code=0
    (cd "$play" && timeout 300 ansible-playbook -v -i inventory playbook.yml \
        -e ansible_become=false "$@") \
        </dev/null >"$work/play.log" 2>&1 || code=$?
    local recap
    recap=$(grep -E '^localhost +: ok=' "$work/play.log" | tail -n1)
    ok=$(sed -nE 's/.* ok=([0-9]+).*/\1/p' <<<"$recap")
    changed=$(sed -nE 's/.* changed=([0-9]+).*/\1/p' <<<"$recap")
    failed=$(sed -nE 's/.* failed=([0-9]+).*/\1/p' <<<"$recap")
}

# What apply /check /detailed-exitcode says of the known-good file now: 0 when the machine holds
# it, 2 when it would change something.
drift() {
    local code=0
    wine "$VOLMORA_TOOLS/volmoraConfig.exe" apply /check /detailed-exitcode 'C:\known-good.json' \
        </dev/null >"$work/drift.log" 2>&1 || code=$?
    echo "$code"
}

report() {  # case, problems...
    local name=$1
    shift
    if [ $# -eq 0 ]; then
        echo "ok: $name"
    else
        echo "FAILED: $name: $*"
        sed 's/^/    /' "$work/play.log"
        failures=$((failures + 1))
    fi
}

# expect <case> <changed: 0, "some" or "any"> <failed: 0 or "some"> -- <ansible-playbook options>
# and then the checks of the machine, as problems, in the caller.
expect_recap() {
    local wantChanged=$1 wantFailed=$2
    problems=()
    [ -n "$ok" ] || { problems+=("no recap"); return; }
    case $wantChanged in
        0) [ "$changed" = 0 ] || problems+=("changed=$changed, not 0") ;;
        some) [ "$changed" -gt 0 ] || problems+=("changed=0, not more") ;;
    esac
    case $wantFailed in
        0) [ "$failed" = 0 ] && [ "$code" = 0 ] ||
            problems+=("failed=$failed, exit code $code, not a green play") ;;
        some) [ "$failed" -gt 0 ] && [ "$code" != 0 ] ||
            problems+=("failed=$failed, exit code $code, not a failed play") ;;
    esac
}

play --check --diff
expect_recap some 0
[ "$(drift)" = 2 ] || problems+=("check mode changed the machine")
[ ! -e "$drive_c/VOLM/config/volmora.json" ] || problems+=("check mode put the file in place")
grep -qF '+    JvmOptions = "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar"' "$work/play.log" ||
    problems+=("no plan of the new JVM in the diff")
report "a new host in check mode: the plan as the diff, nothing written" "${problems[@]}"

play
expect_recap some 0
[ "$(drift)" = 0 ] || problems+=("the machine does not hold the file")
cmp -s "$drive_c/VOLM/config/volmora.json" "$work/known-good.json" ||
    problems+=("the known-good file is not in place")
report "the first run changes" "${problems[@]}"

play
expect_recap 0 0
report "the second run changes nothing" "${problems[@]}"

# Drift: someone changed a JVM's options by hand.
jvmKey='HKLM\SOFTWARE\Tamsiver Software\VOLM\JVMs\AnsibleJVM'
wine reg add "$jvmKey" /v JvmOptions /d '-Djava.class.path=C:\VOLM\lib\VOLM.jar;C:\drift.jar' \
    /f "$view" </dev/null >/dev/null 2>&1
play --check --diff
expect_recap some 0
[ "$(drift)" = 2 ] || problems+=("check mode converged the drift")
grep -qF -- '-    JvmOptions = "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar;C:\\drift.jar"' \
    "$work/play.log" || problems+=("no line of the drifted value in the diff")
report "drift in check mode: reported with the plan as the diff, left alone" "${problems[@]}"
play
expect_recap some 0
[ "$(drift)" = 0 ] || problems+=("the drift is still there")
report "drift converged" "${problems[@]}"

# A file apply refuses: the play fails with the tool's message, and the known-good file stays.
printf '{"formatVersion": 1, "jvms": {"Broken": {"DllPath": 7}}}\n' >"$play/files/volmora.json"
play
expect_recap any some
grep -qF 'volmora.staged.json' "$work/play.log" && grep -qF 'Nothing was changed.' "$work/play.log" ||
    problems+=("the tool's refusal is not in the play's output")
cmp -s "$drive_c/VOLM/config/volmora.json" "$work/known-good.json" ||
    problems+=("the refused file replaced the known-good one")
[ "$(drift)" = 0 ] || problems+=("the machine changed")
report "a refused file fails the play and replaces nothing" "${problems[@]}"
cp "$work/known-good.json" "$play/files/volmora.json"

# A run killed part-way leaves its journal; the next play puts it back and converges.
python3 - "$drive_c/big.json" <<'EOF'
import json, sys
classes = {
    "{A7C0FFEE-0000-4000-8000-%012d}" % i: {
        "JavaClassName": "com.tamsiver.ansible.Big%d" % i, "JvmId": "AnsibleJVM",
        "ProgId": "Ansible.Big%d" % i}
    for i in range(2, 3002)}
json.dump({"formatVersion": 1,
           "jvms": {"AnsibleJVM": {"DllPath": "C:\\jvm\\jvm.dll",
                                   "JvmOptions": "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar"}},
           "classes": classes}, open(sys.argv[1], "w"))
EOF
journal=$drive_c/ProgramData/volmoraConfig/journal
wine "$VOLMORA_TOOLS/volmoraConfig.exe" apply 'C:\big.json' </dev/null >"$work/big.log" 2>&1 &
big=$!
# Stopped as soon as its journal is there, within the apply's own time.
while kill -0 "$big" 2>/dev/null && [ ! -e "$journal" ]; do
    sleep 0.05
done
kill -9 "$big" 2>/dev/null
wait "$big" 2>/dev/null
problems=()
if [ ! -e "$journal" ]; then
    problems+=("the apply ended before it could be stopped part-way: no journal to put back")
else
    play
    expect_recap some 0
    grep -qF 'Recover complete: ' "$work/play.log" || problems+=("the play did not recover")
    [ ! -e "$journal" ] || problems+=("the journal is still there")
    [ "$(drift)" = 0 ] || problems+=("the machine does not hold the file")
fi
report "a run killed part-way is put back" "${problems[@]}"

echo "$failures failed"
[ "$failures" -eq 0 ]
