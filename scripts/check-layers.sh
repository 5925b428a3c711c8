#!/usr/bin/env bash
# Fails, naming the line, when a volmoraConfig file includes a header of a layer above its own,
# or one of its headers without the folder. The layers, top to bottom, and what each may include:
#   command  everything below          plan   journal host model
#   check    host model                journal host model
#   host     (itself alone)            model  (itself alone)
#   win32    host model (it implements host)
# exitCodes.h, at the top of the tree, includes none of them and may be included by all.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top/volmoraConfig"
declare -A allowed=(
    [command]="command plan check journal host model"
    [plan]="plan journal host model"
    [check]="check host model"
    [journal]="journal host model"
    [host]="host"
    [model]="model"
    [win32]="win32 host model"
    [.]="command win32"
)
layers=" ${!allowed[*]} "
# Every header of a layer folder, by its plain name, so that an include without its folder shows.
headers=$(find . -mindepth 2 -name '*.h' -printf '%f\n' | sort -u)
faults=0
while IFS= read -r file; do
    layer=$(dirname "$file" | cut -d/ -f2)
    [ -n "${allowed[$layer]+set}" ] || { echo "$file: not in a layer folder" >&2; faults=1; continue; }
    while IFS=: read -r line included; do
        case $included in
            */*)
                folder=${included%%/*}
                if [[ $layers == *" $folder "* ]] && [[ " ${allowed[$layer]} " != *" $folder "* ]]; then
                    echo "volmoraConfig/${file#./}:$line: $layer may not include $included" >&2
                    faults=1
                fi
                ;;
            *)
                if grep -qxF "$included" <<<"$headers"; then
                    echo "volmoraConfig/${file#./}:$line: include \"$included\" by its folder" >&2
                    faults=1
                fi
                ;;
        esac
    done < <(grep -n '^#include "' "$file" | sed 's/^\([0-9]*\):#include "\([^"]*\)".*/\1:\2/' || true)
done < <(find . -name '*.cpp' -o -name '*.h' | sort)
exit "$faults"
