#!/usr/bin/env bash
# Builds every libFuzzer harness with clang and the sanitizers, replays the kept
# regression inputs, then fuzzes each harness for SECONDS seconds (default 30)
# on a copy of its seed corpus. Exits non-zero when any harness finds a crash,
# a leak, a time-out or a failed check.
#
#   fuzz/run-fuzzers.sh [SECONDS] [HARNESS...]
#
# ZALDO_FUZZ_BUILD_DIR  build directory (default: fuzz-build/ at the top)
# ZALDO_FUZZ_SKIP_BUILD=1  use the harnesses already built
# ZALDO_JOBS            parallel compile jobs (default 2)
set -uo pipefail

seconds=${1:-30}
[ $# -gt 0 ] && shift
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZALDO_FUZZ_BUILD_DIR:-$root/fuzz-build}
all=(fuzz_appcommand fuzz_paneldispatch fuzz_deviceini fuzz_profileini
     fuzz_xmlprofile fuzz_updatereply fuzz_devicereply)
harnesses=("$@")
[ ${#harnesses[@]} -eq 0 ] && harnesses=("${all[@]}")

if [ "${ZALDO_FUZZ_SKIP_BUILD:-0}" != 1 ]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DZALDO_FUZZ=ON -DZALDO_SANITIZE=ON -DZALDO_BUILD_TESTS=OFF \
        -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null || exit 1
    cmake --build "$build" --target "${harnesses[@]}" -j"${ZALDO_JOBS:-2}" || exit 1
fi

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
for h in "${harnesses[@]}"; do
    bin=$build/fuzz/$h
    work=$build/fuzz-work/$h
    mkdir -p "$work/corpus" "$work/artifacts"
    # Earlier findings first: each kept input must now pass.
    regressions=("$root"/fuzz/regressions/"$h"/*)
    if [ -e "${regressions[0]}" ]; then
        if ! "$bin" -timeout=10 "${regressions[@]}" >"$work/regressions.log" 2>&1; then
            echo "FAIL $h: a kept regression input fails again, see $work/regressions.log"
            failed+=("$h")
            continue
        fi
    fi
    cp -n "$root"/fuzz/corpus/"$h"/* "$work/corpus/" 2>/dev/null
    dict=()
    [ -f "$root/fuzz/dict/$h.dict" ] && dict=(-dict="$root/fuzz/dict/$h.dict")
    "$bin" "${dict[@]}" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/" "$work/corpus" >"$work/fuzz.log" 2>&1
    rc=$?
    stats=$(grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::average_exec_per_sec)' "$work/fuzz.log" \
            | tr '\n' ' ')
    if [ $rc -ne 0 ]; then
        echo "FAIL $h (exit $rc): see $work/fuzz.log and $work/artifacts/"
        grep -m1 -E 'ERROR|runtime error|SUMMARY' "$work/fuzz.log"
        failed+=("$h")
    else
        echo "ok   $h: $stats"
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing failed: ${failed[*]}"
    exit 1
fi
echo "fuzzing passed: ${#harnesses[@]} harnesses, ${seconds}s each"
