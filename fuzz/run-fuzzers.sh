#!/usr/bin/env bash
# Builds every libFuzzer harness with clang and the sanitizers, replays the kept
# regression inputs (fuzz/regressions/<harness>/), then fuzzes each harness for
# SECONDS seconds (default 30) on a copy of its seed corpus. Exits non-zero when
# any harness finds a crash, a leak, a time-out or a failed check.
#   fuzz/run-fuzzers.sh [SECONDS] [HARNESS...]
# ZALDO_FUZZ_BUILD_DIR (default fuzz-build/), ZALDO_FUZZ_SKIP_BUILD=1, ZALDO_JOBS (default 2)
set -uo pipefail
seconds=${1:-30}
[ $# -gt 0 ] && shift
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZALDO_FUZZ_BUILD_DIR:-$root/fuzz-build}
harnesses=("$@")
[ ${#harnesses[@]} -eq 0 ] && harnesses=(fuzz_appcommand fuzz_paneldispatch fuzz_deviceini fuzz_profileini
                                         fuzz_xmlprofile fuzz_updatereply fuzz_devicereply fuzz_remoterequest fuzz_openrgb
                                         fuzz_curveparser)
if [ "${ZALDO_FUZZ_SKIP_BUILD:-0}" != 1 ]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZALDO_FUZZ=ON \
        -DZALDO_SANITIZE=ON -DZALDO_BUILD_TESTS=OFF -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null || exit 1
    cmake --build "$build" --target "${harnesses[@]}" -j"${ZALDO_JOBS:-2}" || exit 1
fi
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=()
for h in "${harnesses[@]}"; do
    bin=$build/fuzz/$h work=$build/fuzz-work/$h
    mkdir -p "$work/corpus" "$work/artifacts"
    regressions=("$root"/fuzz/regressions/"$h"/*)
    if [ -e "${regressions[0]}" ] && ! "$bin" -timeout=10 "${regressions[@]}" >"$work/regressions.log" 2>&1; then
        echo "FAIL $h: a kept regression input fails again, see $work/regressions.log"
        failed+=("$h")
        continue
    fi
    cp -n "$root"/fuzz/corpus/"$h"/* "$work/corpus/" 2>/dev/null
    dict=()
    [ -f "$root/fuzz/dict/$h.dict" ] && dict=(-dict="$root/fuzz/dict/$h.dict")
    if "$bin" "${dict[@]}" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/" "$work/corpus" >"$work/fuzz.log" 2>&1; then
        echo "ok   $h: $(grep -E '^stat::number_of_executed_units' "$work/fuzz.log")"
    else
        echo "FAIL $h: see $work/fuzz.log and $work/artifacts/"
        grep -m1 -E 'ERROR|runtime error|SUMMARY' "$work/fuzz.log"
        failed+=("$h")
    fi
done
[ ${#failed[@]} -gt 0 ] && { echo "fuzzing failed: ${failed[*]}"; exit 1; }
echo "fuzzing passed: ${#harnesses[@]} harnesses, ${seconds}s each"
