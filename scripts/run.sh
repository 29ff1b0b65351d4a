#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program with two emulated
# boxes (numbers 0 and 2) that take as long per transfer as a real USB box.
# Extra arguments go to the program, e.g.
#   scripts/run.sh --emulate 0,1,5
# Emulated runs keep their settings in build/demo-config, so trying the program
# changes nothing of a real setup. To drive real boxes instead, run
# build/bin/brenvar-rgb-fan-controller. With --dry-run first, the script only
# prints the command it would run.
set -euo pipefail
cd "$(dirname "$0")/.."
dry=0
if [ "${1:-}" = "--dry-run" ]; then
    dry=1
    shift
fi
if [ $# -eq 0 ]; then
    set -- --emulate 0,2 --emulate-latency 1000
fi
command=(build/bin/brenvar-rgb-fan-controller "$@")
for arg in "$@"; do
    case "$arg" in
        --emulate*) command=(env XDG_CONFIG_HOME="$PWD/build/demo-config" "${command[@]}"); break ;;
    esac
done
if [ $dry = 1 ]; then
    printf '%q ' "${command[@]}"
    echo
    exit 0
fi
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZALDO_BUILD_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)"
exec "${command[@]}"
