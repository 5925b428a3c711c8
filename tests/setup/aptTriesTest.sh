#!/usr/bin/env bash
# The set-up's apt step after an index update: an update that failed never decides, the step
# does; a step that fails is tried three times in all and then fails with what apt said.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=../../scripts/apt-tries.sh
. "$top/scripts/apt-tries.sh"
sleep() { :; }
failures=0
calls=$(mktemp)
trap 'rm -f "$calls"' EXIT

updateFails() { echo update >>"$calls"; echo "E: index of the wrong size"; return 100; }
updateWorks() { echo update >>"$calls"; echo "Hit:1 mirror"; }
stepWorks() { echo step >>"$calls"; echo "Get:1 package"; }
stepFails() { echo step >>"$calls"; echo "E: Unable to locate package"; return 100; }
stepWorksSecondTime() {
    echo step >>"$calls"
    [ "$(grep -c step "$calls")" -ge 2 ] || return 100
}

# case: update step expected-code expected-calls line-expected-in-output
while read -r update step code expectedCalls expected; do
    : >"$calls"
    status=0
    out=$(apt_tries "$update" "$step" 2>&1) || status=$?
    got=$(tr '\n' ' ' <"$calls")
    if [ "$status" != "$code" ] || [ "$got" != "${expectedCalls//_/ }" ] ||
        ! grep -qF -- "${expected//_/ }" <<<"$out"; then
        echo "FAILED $update $step: ended with $status, calls '$got', output:"
        sed 's/^/  /' <<<"$out"
        failures=$((failures + 1))
    fi
done <<'CASES'
updateWorks stepWorks 0 update_step_ Get:1_package
updateFails stepWorks 0 update_step_ could_not_read_every_index
updateFails stepFails 1 update_step_update_step_update_step_ E:_index_of_the_wrong_size
updateWorks stepWorksSecondTime 0 update_step_update_step_ try_1_of_3
CASES
[ "$failures" -eq 0 ] && echo "aptTries: 4 passed, 0 failed" || exit 1
