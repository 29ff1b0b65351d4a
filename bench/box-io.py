#!/usr/bin/env python3
"""Box I/O figures with real USB timing: the music effect's rate per box and the
remote-message round trip while it runs, against the idle round trip measured
in the same run.

    bench/box-io.py [PROGRAM] [--latency US] [--seconds S] [--modes threaded,inline]

Each emulated write and reply read takes --latency microseconds (1000, about
one USB frame). The music effect is started over the phone-app server; the
round trip is `PROGRAM --send 0x8101 1 1`. "inline" runs the program with
--io-inline, every exchange on the GUI thread, as before the box workers.
"""
import argparse
import os
import shutil
import socket
import statistics
import subprocess
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCENARIOS = [  # (label, boxes, silent boxes)
    ("2 boxes", list(range(2)), []),
    ("4 boxes", list(range(4)), []),
    ("16 boxes", list(range(16)), []),
    ("16 boxes, box 16 silent", list(range(16)), [15]),
]


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Program:
    def __init__(self, path, boxes, silent, latency, inline, extra=()):
        self.path = path
        self.tmp = tempfile.mkdtemp(prefix="zaldo-bench-")
        for d in ("config", "runtime", "hwmon/hwmon0"):
            os.makedirs(os.path.join(self.tmp, d), mode=0o700)
        for name, text in (("name", "coretemp"), ("temp1_label", "Package id 0"), ("temp1_input", "45000")):
            with open(os.path.join(self.tmp, "hwmon/hwmon0", name), "w") as f:
                f.write(text + "\n")
        self.port = free_port()
        self.env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_CONFIG_HOME=self.tmp + "/config",
                        XDG_RUNTIME_DIR=self.tmp + "/runtime", ZALDO_COMPANION_PORT=str(self.port),
                        ZALDO_HWMON_ROOT=self.tmp + "/hwmon", QT_LOGGING_RULES="*.debug=false")
        self.trace = os.path.join(self.tmp, "trace")
        args = [path, "--emulate", ",".join(map(str, boxes)), "--emulate-latency", str(latency),
                "--emulate-trace", self.trace, "--companion-address", "127.0.0.1",
                "--update-url", "http://127.0.0.1:9"]
        if silent:
            args += ["--emulate-silent", ",".join(map(str, silent))]
        if inline:
            args.append("--io-inline")
        args += list(extra)
        self.proc = subprocess.Popen(args, env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 30
        while self.send("0x8101", "1", "1") != 0:
            if self.proc.poll() is not None or time.time() > deadline:
                raise SystemExit("program did not start")
            time.sleep(0.05)

    def send(self, *words):
        return subprocess.run([self.path, "--send", *words], env=self.env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode

    def round_trips(self, count):
        times = []
        for _ in range(count):
            t0 = time.perf_counter()
            self.send("0x8101", "1", "1")
            times.append((time.perf_counter() - t0) * 1000)
            time.sleep(0.05)
        return times

    def led_reports(self):
        counts = {}
        with open(self.trace, errors="replace") as f:
            for line in f:
                parts = line.split()
                if len(parts) >= 3 and parts[1:3] == ["32", "52"]:
                    counts[int(parts[0])] = counts.get(int(parts[0]), 0) + 1
        return counts

    def cpu_seconds(self):
        with open("/proc/%d/stat" % self.proc.pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def close(self):
        self.send("0x8105", "1", "0")
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        shutil.rmtree(self.tmp, ignore_errors=True)


def effect_row(path, label, boxes, silent, args, inline):
    p = Program(path, boxes, silent, args.latency, inline)
    try:
        time.sleep(2)
        idle = p.round_trips(args.trips)
        phone = socket.create_connection(("127.0.0.1", p.port), timeout=5)
        phone.sendall(b"06x45")
        time.sleep(1)
        c0, t0 = p.led_reports(), time.time()
        busy = p.round_trips(args.trips)
        time.sleep(max(0.0, args.seconds - (time.time() - t0)))
        c1, t1 = p.led_reports(), time.time()
        phone.sendall(b"06x@@")
        phone.close()
        rates = [(c1.get(b, 0) - c0.get(b, 0)) / 3 / (t1 - t0) for b in boxes if b not in silent]
        print("| %s | %s | %.0f (min over boxes) | %.0f / %.0f ms | %.0f / %.0f ms |" % (
            "inline (before)" if inline else "box workers (after)", label, min(rates),
            statistics.median(idle), max(idle), statistics.median(busy), max(busy)), flush=True)
    finally:
        p.close()


def idle_cpu_row(path, args, inline):
    p = Program(path, [0, 1], [], args.latency, inline)
    try:
        time.sleep(3)
        c0, t0 = p.cpu_seconds(), time.time()
        time.sleep(args.seconds * 4)
        c1, t1 = p.cpu_seconds(), time.time()
        print("| %s | idle CPU, 2 boxes, %.0f s | %.2f %% of a core |" % (
            "inline (before)" if inline else "box workers (after)", t1 - t0, 100 * (c1 - c0) / (t1 - t0)), flush=True)
    finally:
        p.close()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("program", nargs="?", default=os.path.join(ROOT, "build-bench/bin/brenvar-rgb-fan-controller"))
    ap.add_argument("--latency", type=int, default=1000)
    ap.add_argument("--seconds", type=float, default=5)
    ap.add_argument("--trips", type=int, default=20)
    ap.add_argument("--modes", default="inline,threaded")
    args = ap.parse_args()
    print("machine: %d cores; %d us per transfer; effect measured over %.0f s; %d round trips each" % (
        os.cpu_count(), args.latency, args.seconds, args.trips))
    print("| I/O | boxes | music ticks/s per box (goal 40) | idle round trip median / max | round trip during effect median / max |")
    print("|---|---|---|---|---|")
    for mode in args.modes.split(","):
        for label, boxes, silent in SCENARIOS:
            effect_row(args.program, label, boxes, silent, args, mode == "inline")
    for mode in args.modes.split(","):
        idle_cpu_row(args.program, args, mode == "inline")


if __name__ == "__main__":
    main()
