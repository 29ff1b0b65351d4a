#!/usr/bin/env python3
"""Soak test: the built program with sixteen emulated boxes under a steady mix
of phone-app commands, remote-control messages and device changes, for a
bounded time. At the end the program must still run, its resident memory must
not keep growing, the settings files must parse and the presence query "000"
must list exactly the boxes that are plugged in.

    soak.py --program build/bin/brenvar-rgb-fan-controller [--seconds 120 | --minutes 30]
"""

import argparse
import configparser
import os
import random
import shutil
import signal
import socket
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "blackbox"))
from programrunner import Program  # noqa: E402

BOXES = list(range(16))


def log(msg):
    print(f"[soak {time.strftime('%H:%M:%S')}] {msg}", flush=True)


def flags(selected):
    return "".join("1" if b in selected else "0" for b in range(16))


class Soak:
    def __init__(self, args):
        self.rng = random.Random(args.seed)
        self.args = args
        self.p = Program(args.program)
        self.boxes = os.path.join(self.p.dir, "boxes")
        self.hwmon = os.path.join(self.p.dir, "hwmon", "hwmon0")
        self.p.args = ["--emulate", "@" + self.boxes, "--emulate-stalled", "3.1,7.0,12.2"]
        self.p.env.update({"ZALDO_HWMON_ROOT": os.path.dirname(self.hwmon), "QT_LOGGING_RULES": "*.debug=false"})
        with open(args.program, "rb") as f:
            self.sanitized = b"__asan_init" in f.read()
        if self.sanitized:  # a small quarantine, so memory held for checking does not look like growth
            self.p.env["ASAN_OPTIONS"] = "quarantine_size_mb=16:detect_leaks=0"
        self.plug(BOXES)
        self.temperature(45)
        self.samples, self.failures = [], []

    def plug(self, boxes):
        self.plugged = sorted(boxes)
        with open(self.boxes + ".new", "w") as f:
            f.write(",".join(map(str, self.plugged)))
        os.replace(self.boxes + ".new", self.boxes)

    def temperature(self, celsius):
        os.makedirs(self.hwmon, exist_ok=True)
        for name, text in (("name", "coretemp"), ("temp1_label", "Package id 0"), ("temp1_input", celsius * 1000)):
            with open(os.path.join(self.hwmon, name), "w") as f:
                f.write(f"{text}\n")

    def send(self, *m):
        r = self.p.send(*m, check=False)
        if r.returncode != 0 and "did not carry out" not in r.stderr:
            self.failures.append(f"--send {m} failed: {r.stderr.strip()}")

    def phone_command(self):
        r, mask, sel = self.rng, str(self.rng.randint(1, 7)), flags(self.rng.sample(BOXES, self.rng.randint(1, 16)))
        cmd = r.choice([
            "01" + mask + "x" + sel, "06x@@", "999", f"06{mask}{r.randint(0, 99):02d}x6x{r.randint(0, 99):02d}",
            f"20{mask}x{r.randint(0, 99):02d}x" + sel, f"30{mask}xx{r.randint(0, 5)}x" + sel,
            f"32x52xx{mask}x00x{r.randint(0, 255):02X}x{r.randint(0, 255):02X}x{r.randint(0, 255):02X}xx" + sel,
            "0" + r.choice("2345789") + mask + "x" + sel, f"426x{r.randint(1, 5)}x" + sel, f"427x{r.randint(1, 5)}x",
        ])
        self.phone.sendall(cmd.encode("latin-1"))
        time.sleep(0.03)  # commands are not delimited: one read per command on the server

    def remote_message(self):
        r, fan = self.rng, self.rng.randint(0, 2)
        self.send(*r.choice([
            (0x8106, r.choice(self.plugged or [0]), 0), (0x8107, r.randint(0, 4), 0), (0x8108, r.randint(0, 1), fan),
            (0x8109, 0, fan), (0x8110, 0, fan), (0x8111, r.randint(0, 1), fan), (0x8112, r.randint(0, 5), fan),
            (0x8113, r.randint(0, 1), fan), (0x8114, r.randint(0, 1), fan), (0x8115, r.randint(0, 1), fan),
            (0x8116, 0, fan), (0x8117, r.randint(0, 100), fan), (0x8118, r.randint(0, 0xFFFFFF), fan),
            (0x8119, 0, 0), (0x8102, r.randint(0, 1), 0), (0x8101, 1, 1)]))

    def check_presence(self, when, boxes):
        self.plug(boxes)
        self.send(0x219)
        _, got = self.p.companion("000")  # a fresh connection: no replies still queued
        if got.decode() != flags(self.plugged):
            self.failures.append(f"presence {when}: got {got!r}, expected {flags(self.plugged)!r}")

    def sample(self):
        with open(f"/proc/{self.p.proc.pid}/status") as f:
            self.samples += [(time.monotonic(), int(l.split()[1])) for l in f if l.startswith("VmRSS:")]

    def run(self):
        self.p.start()
        self.phone = socket.create_connection(("127.0.0.1", self.p.port), timeout=10)
        deadline, next_sample = time.monotonic() + self.args.seconds, 0.0
        while time.monotonic() < deadline and self.p.proc.poll() is None:
            x = self.rng.random()
            if x < 0.60:
                self.phone_command()
            elif x < 0.92:
                self.remote_message()
            elif x < 0.98:
                self.check_presence("after a device change", BOXES if self.rng.random() < 0.3
                                    else self.rng.sample(BOXES, self.rng.randint(0, 16)))
            else:
                self.temperature(self.rng.randint(30, 75))
            if time.monotonic() >= next_sample:
                self.sample()
                next_sample = time.monotonic() + 1.0
        if self.p.proc.poll() is not None:
            self.failures.append(f"program ended during the soak with {self.p.proc.returncode}")
        else:
            self.check_presence("at the end", BOXES)
            self.check_memory()
        self.check_files()
        self.stop()
        for f in self.failures:
            log("FAIL " + f)
        log("passed" if not self.failures else f"program log in {self.p.log}")
        return 1 if self.failures else 0

    def check_memory(self):
        """Growth after the warm-up counts: the least-squares slope over the
        samples after the first quarter, and the second quarter against the last."""
        kbs = [kb for _, kb in self.samples]
        if len(kbs) < 8:
            return self.failures.append(f"too few memory samples: {len(kbs)}")
        q = len(kbs) // 4
        early, late = statistics.median(kbs[q:2 * q]), statistics.median(kbs[-q:])
        xs = [(t - self.samples[q][0]) / 60.0 for t, _ in self.samples[q:]]
        mx, my = statistics.fmean(xs), statistics.fmean(kbs[q:])
        sxx = sum((x - mx) ** 2 for x in xs)
        slope = sum((x - mx) * (y - my) for x, y in zip(xs, kbs[q:])) / sxx if sxx else 0.0
        log(f"VmRSS {kbs[0]} -> {late:.0f} kB, peak {max(kbs)} kB, trend after warm-up {slope:.0f} kB/min")
        limit = self.args.max_growth_kb_per_min * (2 if self.sanitized else 1)
        if slope > limit and late - early > 2048:
            self.failures.append(f"resident memory keeps growing: {slope:.0f} kB/min, {early:.0f} -> {late:.0f} kB")

    def check_files(self):
        ini = self.p.device_ini()
        if not ini.has_section("Main"):
            self.failures.append("Device.ini: missing or no [Main] group")
        bad = [n for n in BOXES if ini.get(f"Device{n}", "Profile", fallback=None) not in list("12345")]
        if bad:
            self.failures.append(f"Device.ini: boxes {bad} have no valid profile")
        for n in range(1, 6):
            path = os.path.join(self.p.config, "Bv", "RGBZaldo", "Zaldo", f"Profile{n}.ini")
            cp = configparser.ConfigParser(interpolation=None, strict=False)
            try:
                cp.read(path, encoding="latin-1")
            except configparser.Error as e:
                self.failures.append(f"Profile{n}.ini does not parse: {e}")
            if os.path.exists(path) and not all(cp.has_option(f"Fan{f}", "RColor") for f in range(3)):
                self.failures.append(f"Profile{n}.ini: a fan's RColor is missing")

    def stop(self):
        self.phone.close()
        self.p.stop()  # SIGTERM, then a kill after 10 s
        if self.p.proc.returncode not in (0, -signal.SIGTERM):
            self.failures.append(f"program exit status {self.p.proc.returncode}")


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--program", required=True)
    p.add_argument("--seconds", type=float, default=120)
    p.add_argument("--minutes", type=float, help="run this long instead (for runs by hand)")
    p.add_argument("--seed", type=int, default=random.randrange(1 << 30))
    p.add_argument("--max-growth-kb-per-min", type=int, default=512)
    args = p.parse_args()
    args.seconds = args.minutes * 60 if args.minutes else args.seconds
    log(f"seed {args.seed}, {args.seconds:.0f} s, program {args.program}")
    soak, rc = Soak(args), 1
    try:
        rc = soak.run()
    except Exception as e:  # a failed start or a dead connection is a failure, not a traceback
        log(f"FAIL {type(e).__name__}: {e}; program log in {soak.p.log}")
    soak.p.stop()
    if rc == 0:
        shutil.rmtree(soak.p.dir, True)
    return rc


if __name__ == "__main__":
    sys.exit(main())
