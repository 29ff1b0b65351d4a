#!/usr/bin/env bash
# Lines of test code (tests/, fuzz/) against lines of production code.
#   scripts/test-ratio.sh          print the ratio
#   scripts/test-ratio.sh --check  also exit 1 when it is above the limit
set -euo pipefail
cd "$(dirname "$0")/.."

limit=0.40
production="core app device commands storage ui monitor update"

# Lines of .cpp/.h/.py/.sh files under the given folders (missing ones skipped).
count() {
    local dirs=() d
    for d in "$@"; do [ -d "$d" ] && dirs+=("$d"); done
    [ ${#dirs[@]} -eq 0 ] && { echo 0; return; }
    find "${dirs[@]}" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.py' -o -name '*.sh' \) -print0 \
        | xargs -0 cat | wc -l
}

tests=$(count tests fuzz)
code=$(count $production)
ratio=$(awk -v t="$tests" -v c="$code" 'BEGIN { printf "%.2f", c ? t / c : 0 }')
echo "tests $tests / code $code = $ratio"

# The printed, rounded ratio is the one checked, so the two never disagree.
if [ "${1:-}" = "--check" ] && awk -v r="$ratio" -v l="$limit" 'BEGIN { exit !(r > l) }'; then
    echo "test code is above $limit of the production code" >&2
    exit 1
fi
exit 0
