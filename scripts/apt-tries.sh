# Sourced by the set-up scripts: runs an apt-get step after an index update, up to three times.
#
# A Debian mirror in the middle of a sync often serves one index of the wrong size, and
# "apt-get update" then ends with 100 although the index that the step needs was read. So the
# update alone never stops the set-up: the step that follows decides. When the step fails three
# times, with 20 and then 40 seconds between the tries, what apt said on the last try is printed.
# The step's own output is shown as it comes; the update's only when it matters.
#
# apt_root runs apt-get as root (through sudo when not root), waiting up to five minutes for
# another apt or dpkg to let go of its lock; apt_tries UPDATE STEP takes UPDATE and STEP as names
# of functions (or commands) of no argument.
apt_sudo=()
[ "$(id -u)" -eq 0 ] || apt_sudo=(sudo)
apt_root() { "${apt_sudo[@]}" apt-get -o DPkg::Lock::Timeout=300 "$@"; }

apt_tries() {
    local update=$1 step=$2 try log status updated
    log=$(mktemp)
    for try in 1 2 3; do
        : >"$log"
        updated=0
        "$update" >>"$log" 2>&1 || updated=$?
        { "$step" 2>&1 | tee -a "$log"; status=${PIPESTATUS[0]}; } || true
        if [ "$status" -eq 0 ]; then
            if [ "$updated" -ne 0 ]; then
                echo "apt-get update could not read every index, and what was needed was there:"
                grep '^E: ' "$log" | head -n 3 | sed 's/^/  /'
            fi
            rm -f "$log"
            return 0
        fi
        if [ "$try" -lt 3 ]; then
            echo "apt-get failed (try $try of 3); trying again in $((try * 20)) s" >&2
            sleep $((try * 20))
        fi
    done
    echo "apt-get failed three times; what apt said the last time:" >&2
    grep -v '^\(Get\|Hit\|Ign\):' "$log" >&2 || true
    rm -f "$log"
    return 1
}
