#!/usr/bin/env bash
# Whole-program figures: start-up until the panel is shown, idle CPU and
# resident memory with 2 and with 16 emulated boxes. Loopback only, private
# settings tree, fake hardware-monitor tree.
#
#   bench/whole-program.sh [PROGRAM] [IDLE_SECONDS]
# PROGRAM defaults to build-bench/bin/brenvar-rgb-fan-controller (Release).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$root/build-bench/bin/brenvar-rgb-fan-controller}
idle=${2:-60}
[ -x "$program" ] || { echo "no program at $program (build it first, see BENCHMARKS.md)" >&2; exit 1; }
hz=$(getconf CLK_TCK)

now_ms() { date +%s%3N; }
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
status_kb() { awk -v k="$2:" '$1 == k {print $2}' "/proc/$1/status"; }

run_one() {
    local boxes=$1 curves=${2:-} tmp pid t0 t1 t2 c0 c1 send_ms
    tmp=$(mktemp -d)
    mkdir -p "$tmp/config" "$tmp/runtime" "$tmp/hwmon/hwmon0"
    chmod 700 "$tmp/runtime"
    printf 'coretemp\n' >"$tmp/hwmon/hwmon0/name"
    printf 'Package id 0\n' >"$tmp/hwmon/hwmon0/temp1_label"
    printf '45000\n' >"$tmp/hwmon/hwmon0/temp1_input"
    local port
    port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
    export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$tmp/config XDG_RUNTIME_DIR=$tmp/runtime \
           ZALDO_COMPANION_PORT=$port ZALDO_HWMON_ROOT=$tmp/hwmon

    t0=$(now_ms)
    "$program" --emulate "$boxes" --companion-address 127.0.0.1 --update-url http://127.0.0.1:9 \
        >"$tmp/program.log" 2>&1 &
    pid=$!
    until "$program" --send 0x8101 1 1 >/dev/null 2>&1; do
        kill -0 "$pid" 2>/dev/null || { echo "program ended at start"; cat "$tmp/program.log"; exit 1; }
        [ $(( $(now_ms) - t0 )) -lt 30000 ] || { echo "no answer within 30 s"; kill "$pid"; exit 1; }
        sleep 0.02
    done
    t1=$(now_ms)
    # What one --send costs by itself, to read the start-up figure against.
    "$program" --send 0x8101 1 1 >/dev/null
    t2=$(now_ms)
    send_ms=$((t2 - t1))
    # Every fan of every box on a curve of its own: the pass runs each second.
    if [ -n "$curves" ]; then
        for b in $(seq "$(echo "$boxes" | tr ',' '\n' | wc -l)"); do
            for f in 1 2 3; do
                "$program" set --box "$b" --fan "$f" --curve "30:20,50:40,70:80,85:100" --hysteresis 2 >/dev/null
            done
        done
    fi

    sleep 5  # let the first poll, CPU-temperature tick and layout settle
    c0=$(cpu_ticks "$pid")
    sleep "$idle"
    c1=$(cpu_ticks "$pid")
    local rss hwm
    rss=$(status_kb "$pid" VmRSS)
    hwm=$(status_kb "$pid" VmHWM)

    "$program" --send 0x8101 0 0 >/dev/null || true
    "$program" --send 0x8105 1 0 >/dev/null || true
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    rm -rf "$tmp"

    local nboxes
    nboxes=$(echo "$boxes" | tr ',' '\n' | wc -l)
    awk -v n="$nboxes" -v c="${curves:+ on user curves}" -v up=$((t1 - t0)) -v s="$send_ms" -v d=$((c1 - c0)) -v hz="$hz" -v t="$idle" \
        -v rss="$rss" -v hwm="$hwm" 'BEGIN {
        printf "%2d boxes%s: panel shown after %d ms (one --send alone: %d ms); idle CPU %.2f %% of one core over %d s; VmRSS %.1f MB, VmHWM %.1f MB\n",
               n, c, up, s, 100.0 * d / hz / t, t, rss / 1024.0, hwm / 1024.0 }'
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "program: $program"
run_one 0,1
run_one 0,1 curves
run_one 0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15
