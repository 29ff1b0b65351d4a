#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program with two emulated
# boxes (numbers 0 and 2) that take as long per transfer as a real USB box.
# Extra arguments go to the program, e.g.
#   scripts/run.sh --emulate 0,1,5
# To drive real boxes instead, run build/bin/brenvar-rgb-fan-controller.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZALDO_BUILD_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)"
if [ $# -eq 0 ]; then
    set -- --emulate 0,2 --emulate-latency 1000
fi
exec build/bin/brenvar-rgb-fan-controller "$@"
