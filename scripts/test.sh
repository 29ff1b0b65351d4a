#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite: once as a
# normal build, once with AddressSanitizer and UndefinedBehaviorSanitizer, the
# tests that cross threads with ThreadSanitizer, every fuzz harness for a short
# time, and the Debian package's checks.
#   scripts/test.sh          everything
#   scripts/test.sh --quick  the normal build only
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== normal build (the benchmarks are built too, not run, so they keep up with the code)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZALDO_BUILD_TESTS=ON -DZALDO_BENCH=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"
scripts/test-ratio.sh

[ "${1:-}" = "--quick" ] && exit 0

echo "== sanitizer build"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DZALDO_SANITIZE=ON -DZALDO_BUILD_TESTS=ON >/dev/null
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan --output-on-failure -j"$jobs"

echo "== thread sanitizer build"
# The box workers, the device link on them, and the whole program driven from outside.
tsan_tests="tst_boxworkers test_devicelink tst_devicefaults"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DZALDO_TSAN=ON -DZALDO_BUILD_TESTS=ON >/dev/null
cmake --build build-tsan -j"$jobs" --target brenvar-rgb-fan-controller fake_notifications $tsan_tests
TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tests/tsan.supp" \
    ctest --test-dir build-tsan --output-on-failure -j"$jobs" \
    -R "^($(echo $tsan_tests | tr ' ' '|')|blackbox_program)\$"

if [ -x fuzz/run-fuzzers.sh ]; then
    echo "== fuzzing"
    fuzz/run-fuzzers.sh "${ZALDO_FUZZ_SECONDS:-30}"
fi

echo "== package"
scripts/check-package.sh
