#!/usr/bin/env bash
# Plants the faults of scripts/planted-faults.txt in the production code one at
# a time, rebuilds, runs the test suite and counts how many faults it catches.
# Run by hand; not part of CI. Each fault's build and test output is kept in
# BUILD/plant-faults/ID.log.
#
#   scripts/plant-faults.sh [-b BUILD] [-o REGEX] [--no-baseline]
#     -b BUILD       build directory (default build-mutants; configured if missing)
#     -o REGEX       only the faults whose id matches REGEX
#     --no-baseline  skip the check that the unchanged tree builds and passes
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-mutants
only=
baseline=1
while [ $# -gt 0 ]; do
    case "$1" in
        -b) build=$2; shift 2 ;;
        -o) only=$2; shift 2 ;;
        --no-baseline) baseline=0; shift ;;
        *) sed -n '2,10s/^# \{0,1\}//p' "$0" >&2; exit 2 ;;
    esac
done

helper=scripts/planted_faults.py
export QT_QPA_PLATFORM=offscreen
state=$build/plant-faults
backup=$state/original
planted=$state/planted-file   # holds the path of the file changed right now
mkdir -p "$state"

# Puts the changed file back byte for byte. Its time stamp stays new, so the
# next build recompiles it.
restore() {
    if [ -s "$planted" ]; then
        cat "$backup" > "$(cat "$planted")"
        rm -f "$planted"
    fi
}
# A run killed without a chance to clean up left its file behind.
restore
trap restore EXIT
trap 'restore; echo "interrupted" >&2; exit 130' INT TERM

build_tree() { cmake --build "$build" -j2; }
run_suite() { ctest --test-dir "$build" --stop-on-failure --timeout 120; }

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZALDO_BUILD_TESTS=ON >/dev/null
fi
if [ "$baseline" = 1 ]; then
    echo "baseline: building and testing the unchanged tree"
    if ! { build_tree && run_suite; } >"$state/baseline.log" 2>&1; then
        echo "the unchanged tree does not build or pass; see $state/baseline.log" >&2
        exit 1
    fi
fi

start=$SECONDS
caught=0 missed=0 broken=0 absent=0
missed_ids=()
while IFS=$'\t' read -r id what; do
    t0=$SECONDS
    log=$state/$id.log
    rc=0
    file=$("$helper" locate "$id") || rc=$?
    if [ "$rc" -ne 0 ]; then
        case $rc in
            3) result="not found" ;;
            4) result="ambiguous: $file" ;;
            *) echo "$helper failed on $id" >&2; exit 1 ;;
        esac
        absent=$((absent + 1))
        printf '%-28s %-12s %s\n' "$id" "n/a" "$result"
        continue
    fi
    cp "$file" "$backup"
    echo "$file" > "$planted"
    "$helper" apply "$id" "$file"
    detail=
    if ! build_tree >"$log" 2>&1; then
        result="build error"
        broken=$((broken + 1))
    elif run_suite >>"$log" 2>&1; then
        result=missed
        missed=$((missed + 1))
        missed_ids+=("$id")
    else
        result=caught
        caught=$((caught + 1))
        detail=$(grep -m1 -oE '[^ ]+ \.+\**(Failed|Timeout|Exception|Not Run)' "$log" | cut -d' ' -f1 || true)
    fi
    restore
    printf '%-28s %-12s %-34s %4ss %s\n' "$id" "$result" "$file" $((SECONDS - t0)) "$detail"
done < <("$helper" list "$only")

echo "rebuilding the unchanged tree"
build_tree >"$state/final.log" 2>&1 || echo "final rebuild failed; see $state/final.log" >&2

total=$((caught + missed + broken))
echo "caught $caught of $total ($absent not applicable)"
[ "$broken" -gt 0 ] && echo "build errors: $broken (counted as not caught)"
[ ${#missed_ids[@]} -gt 0 ] && echo "missed: ${missed_ids[*]}"
echo "time: $(( (SECONDS - start) / 60 )) min $(( (SECONDS - start) % 60 )) s"
exit 0
