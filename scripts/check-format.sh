#!/usr/bin/env bash
# Fails, naming the files, when a tracked C++ file differs from what clang-format makes of it
# with the tree's .clang-format. Fix with: clang-format -i <file>.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
report=$(mktemp)
trap 'rm -f "$report"' EXIT
if git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror 2>"$report"; then
    exit 0
fi
echo "not formatted as .clang-format says (clang-format -i them):" >&2
grep -o '^[^:]*:[0-9]*:[0-9]*: error' "$report" | cut -d: -f1 | sort -u | sed 's/^/  /' >&2
# Anything else clang-format said (a missing file, an unreadable style) is shown whole.
grep -q ': error: code should be clang-formatted' "$report" || cat "$report" >&2
exit 1
