#!/usr/bin/env python3
"""Soak test: the built program with sixteen emulated boxes under a steady mix
of companion-app commands, remote-control messages and device changes, for a
bounded time, on loopback only and with a private settings tree.

At the end the program must still run, its resident memory must not have kept
growing, the settings files must parse and the presence query "000" must list
exactly the boxes that are plugged in.

    soak.py --program build/bin/brenvar-rgb-fan-controller [--seconds 120 | --minutes 30]
"""

import argparse
import configparser
import os
import random
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import time

BOXES = list(range(16))
STALLED = "3.1,7.0,12.2"


def log(msg):
    print(f"[soak {time.strftime('%H:%M:%S')}] {msg}", flush=True)


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def rss_kb(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        return None
    return None


def is_sanitized(path):
    with open(path, "rb") as f:
        return b"__asan_init" in f.read()


def flags(selected):
    return "".join("1" if b in selected else "0" for b in range(16))


class Companion:
    """One phone-app connection; each send is one read on the server side."""

    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=10)
        self.greeting = self._read_until(b"&")

    def _read_until(self, end, limit=4096):
        data = b""
        while not data.endswith(end) and len(data) < limit:
            chunk = self.sock.recv(limit)
            if not chunk:
                raise RuntimeError("companion connection closed")
            data += chunk
        return data.decode("utf-8", "replace")

    def send(self, text):
        self.sock.sendall(text.encode("latin-1"))
        # Commands are not delimited: give the server its read before the next one.
        time.sleep(0.03)

    def query(self, text, length):
        self.sock.settimeout(10)
        self.sock.sendall(text.encode("latin-1"))
        data = b""
        while len(data) < length:
            chunk = self.sock.recv(length - len(data))
            if not chunk:
                raise RuntimeError("companion connection closed")
            data += chunk
        return data.decode("utf-8", "replace")

    def drain(self):
        self.sock.settimeout(0.2)
        try:
            while self.sock.recv(65536):
                pass
        except (socket.timeout, BlockingIOError):
            pass
        self.sock.settimeout(10)

    def close(self):
        self.sock.close()


class Soak:
    def __init__(self, args):
        self.args = args
        self.rng = random.Random(args.seed)
        self.tmp = tempfile.TemporaryDirectory(prefix="zaldo-soak-")
        root = self.tmp.name
        self.config = os.path.join(root, "config")
        self.runtime = os.path.join(root, "runtime")
        self.hwmon = os.path.join(root, "hwmon")
        self.box_file = os.path.join(root, "boxes")
        os.makedirs(self.config)
        os.makedirs(self.runtime, mode=0o700)
        self._write_hwmon(45)
        self.plugged = list(BOXES)
        self._write_boxes(self.plugged)
        self.port = free_port()
        self.env = dict(os.environ)
        self.env.update({
            "QT_QPA_PLATFORM": "offscreen",
            "XDG_CONFIG_HOME": self.config,
            "XDG_RUNTIME_DIR": self.runtime,
            "ZALDO_COMPANION_PORT": str(self.port),
            "ZALDO_HWMON_ROOT": self.hwmon,
            "QT_LOGGING_RULES": "*.debug=false",
        })
        self.sanitized = is_sanitized(args.program)
        if self.sanitized:
            # A small quarantine, so freed memory held for checking does not
            # look like growth.
            self.env["ASAN_OPTIONS"] = "quarantine_size_mb=16:detect_leaks=0"
        self.samples = []
        self.counts = {"companion": 0, "send": 0, "device": 0, "presence": 0}
        self.failures = []

    def _write_hwmon(self, celsius):
        d = os.path.join(self.hwmon, "hwmon0")
        os.makedirs(d, exist_ok=True)
        for name, text in (("name", "coretemp\n"), ("temp1_label", "Package id 0\n"),
                           ("temp1_input", f"{celsius * 1000}\n")):
            with open(os.path.join(d, name), "w") as f:
                f.write(text)

    def _write_boxes(self, boxes):
        tmp = self.box_file + ".new"
        with open(tmp, "w") as f:
            f.write(",".join(str(b) for b in boxes))
        os.replace(tmp, self.box_file)

    def send(self, message, w=0, l=0, timeout=15):
        cmd = [self.args.program, "--send", hex(message), str(w), str(l)]
        r = subprocess.run(cmd, env=self.env, capture_output=True, timeout=timeout)
        self.counts["send"] += 1
        if r.returncode != 0:
            self.failures.append(f"--send {hex(message)} {w} {l} failed ({r.returncode}): "
                                 f"{r.stderr.decode(errors='replace').strip()}")
        return r.returncode == 0

    def start(self):
        cmd = [self.args.program, "--emulate", "@" + self.box_file, "--emulate-stalled", STALLED,
               "--companion-address", "127.0.0.1", "--update-url", "http://127.0.0.1:9"]
        self.logfile = open(os.path.join(self.tmp.name, "program.log"), "wb")
        self.proc = subprocess.Popen(cmd, env=self.env, stdout=self.logfile, stderr=subprocess.STDOUT)
        t0 = time.monotonic()
        while time.monotonic() - t0 < 30:
            if self.proc.poll() is not None:
                raise RuntimeError(f"program ended at start with {self.proc.returncode}")
            r = subprocess.run([self.args.program, "--send", "0x8101", "1", "1"], env=self.env,
                               capture_output=True, timeout=15)
            if r.returncode == 0:
                break
            time.sleep(0.2)
        else:
            raise RuntimeError("program did not answer within 30 s")
        log(f"started pid {self.proc.pid} in {time.monotonic() - t0:.2f} s, port {self.port}")
        t0 = time.monotonic()
        while True:
            try:
                self.phone = Companion(self.port)
                break
            except OSError:
                if time.monotonic() - t0 > 10:
                    raise
                time.sleep(0.2)
        log(f"companion greeting {self.phone.greeting!r}")

    def sample(self):
        kb = rss_kb(self.proc.pid)
        if kb is not None:
            self.samples.append((time.monotonic(), kb))

    # --- the actions ---------------------------------------------------
    def companion_command(self):
        r = self.rng
        sel = set(r.sample(BOXES, r.randint(1, 16)))
        mask = str(r.randint(1, 7))
        choice = r.randrange(11)
        if choice == 0:
            cmd = "01" + mask + "x" + flags(sel)                         # random colour on/off
        elif choice in (1, 2):
            vols = [f"{r.randint(0, 99):02d}" for _ in range(r.randint(1, 4))]
            cmd = "".join(f"{'0' if i == 0 else 'x'}6{mask if i == 0 else 'x'}{v}" for i, v in enumerate(vols))
        elif choice == 3:
            cmd = "06x@@"
        elif choice == 4:
            cmd = f"20{mask}x{r.randint(0, 99):02d}x" + flags(sel)       # brightness
        elif choice == 5:
            cmd = f"30{mask}xx{r.randint(0, 5)}x" + flags(sel)           # speed level
        elif choice == 6:
            cmd = f"32x52xx{mask}x00x{r.randint(0, 255):02X}x{r.randint(0, 255):02X}x{r.randint(0, 255):02X}xx" + flags(sel)
        elif choice == 7:
            cmd = "0" + r.choice("2345789") + mask + "x" + flags(sel)   # mode commands
        elif choice == 8:
            cmd = f"426x{r.randint(1, 5)}x" + flags(sel)                 # apply a profile
        elif choice == 9:
            cmd = f"427x{r.randint(1, 5)}x"                              # save a profile
        else:
            cmd = "999"
        self.phone.send(cmd)
        self.counts["companion"] += 1

    def remote_message(self):
        r = self.rng
        fan = r.randint(0, 2)
        m = r.choice([
            (0x8106, r.choice(self.plugged or [0]), 0), (0x8107, r.randint(0, 4), 0),
            (0x8108, r.randint(0, 1), fan), (0x8109, 0, fan), (0x8110, 0, fan),
            (0x8111, r.randint(0, 1), fan), (0x8112, r.randint(0, 5), fan),
            (0x8113, r.randint(0, 1), fan), (0x8114, r.randint(0, 1), fan),
            (0x8115, r.randint(0, 1), fan), (0x8116, 0, fan), (0x8117, r.randint(0, 100), fan),
            (0x8118, r.randint(0, 0xFFFFFF), fan), (0x8119, 0, 0), (0x8102, r.randint(0, 1), 0),
            (0x8101, 1, 1),
        ])
        self.send(*m)

    def device_change(self):
        r = self.rng
        if r.random() < 0.3:
            self.plugged = list(BOXES)
        else:
            self.plugged = sorted(r.sample(BOXES, r.randint(0, 16)))
        self._write_boxes(self.plugged)
        self.send(0x219)
        self.counts["device"] += 1

    def presence(self):
        # Replies to earlier commands (profile texts) may still be queued.
        self.phone.drain()
        reply = self.phone.query("000", 16)
        self.counts["presence"] += 1
        return reply

    def check_presence(self, when):
        expected = flags(set(self.plugged))
        got = self.presence()
        if got != expected:
            self.failures.append(f"presence {when}: got {got!r}, expected {expected!r}")

    # --- the run -----------------------------------------------------------
    def run(self):
        self.start()
        self.sample()
        deadline = time.monotonic() + self.args.seconds
        next_sample = 0.0
        temperature = 45
        while time.monotonic() < deadline:
            if self.proc.poll() is not None:
                self.failures.append(f"program ended during the soak with {self.proc.returncode}")
                break
            x = self.rng.random()
            if self.args.only == "companion":
                x = x * 0.60
            elif self.args.only == "send":
                x = 0.60 + x * 0.32
            elif self.args.only == "device":
                x = 0.92 + x * 0.06
            if x < 0.60:
                self.companion_command()
            elif x < 0.92:
                self.remote_message()
            elif x < 0.98:
                self.device_change()
                self.check_presence("after a device change")
            else:
                temperature = self.rng.randint(30, 75)
                self._write_hwmon(temperature)
            if time.monotonic() >= next_sample:
                self.sample()
                next_sample = time.monotonic() + 1.0
        self.finish()

    def finish(self):
        alive = self.proc.poll() is None
        if alive:
            # Everything plugged back in, music and effects still running.
            self.plugged = list(BOXES)
            self._write_boxes(self.plugged)
            self.send(0x219)
            self.phone.send("06x50")
            self.check_presence("at the end")
            self.sample()
        self.check_memory()
        self.check_files()
        self.stop()
        log(f"actions: {self.counts}")
        if self.failures:
            for f in self.failures:
                log("FAIL " + f)
            log(f"program log kept at {self.keep_log()}")
            return 1
        log("passed")
        return 0

    def check_memory(self):
        """Growth that goes on after the warm-up is what counts: a least-squares
        slope over the samples after the first quarter of the run, plus the
        difference between the second quarter and the last one."""
        if len(self.samples) < 8:
            self.failures.append(f"too few memory samples: {len(self.samples)}")
            return
        kbs = [kb for _, kb in self.samples]
        quarter = len(kbs) // 4
        early = statistics.median(kbs[quarter:2 * quarter])
        late = statistics.median(kbs[-quarter:])
        tail = self.samples[quarter:]
        t0 = tail[0][0]
        xs = [(t - t0) / 60.0 for t, _ in tail]
        ys = [kb for _, kb in tail]
        mx, my = statistics.fmean(xs), statistics.fmean(ys)
        sxx = sum((x - mx) ** 2 for x in xs)
        slope = sum((x - mx) * (y - my) for x, y in zip(xs, ys)) / sxx if sxx else 0.0
        log(f"VmRSS: first {kbs[0]} kB, early median {early:.0f} kB, late median {late:.0f} kB, "
            f"peak {max(kbs)} kB over {len(kbs)} samples; trend after warm-up {slope:.0f} kB/min")
        limit_kb_per_min = self.args.max_growth_kb_per_min * (2 if self.sanitized else 1)
        if slope > limit_kb_per_min and late - early > 2048:
            self.failures.append(f"resident memory keeps growing: {slope:.0f} kB/min "
                                 f"(limit {limit_kb_per_min} kB/min), {early:.0f} kB -> {late:.0f} kB")

    def check_files(self):
        base = os.path.join(self.config, "Bv", "RGBZaldo")
        device = os.path.join(base, "Device.ini")
        paths = [device] + [os.path.join(base, "Zaldo", f"Profile{n}.ini") for n in range(1, 6)]
        if not os.path.exists(device):
            self.failures.append("Device.ini missing")
        for p in paths:
            if not os.path.exists(p):
                continue
            cp = configparser.ConfigParser(interpolation=None, strict=False)
            try:
                cp.read(p, encoding="latin-1")
            except configparser.Error as e:
                self.failures.append(f"{p} does not parse: {e}")
                continue
            if p == device:
                for n in range(16):
                    prof = cp.get(f"Device{n}", "Profile", fallback=None)
                    if prof not in ("1", "2", "3", "4", "5"):
                        self.failures.append(f"Device.ini: Device{n}/Profile is {prof!r}")
                if not cp.has_section("Main"):
                    self.failures.append("Device.ini: no [Main] group")
            else:
                for f in range(3):
                    if not cp.has_option(f"Fan{f}", "RColor"):
                        self.failures.append(f"{os.path.basename(p)}: Fan{f}/RColor missing")

    def stop(self):
        if self.proc.poll() is None:
            self.phone.close()
            # 0x8105 ends the program only when no window is left shown; the
            # stopped-fan alert of the stalled fans usually is, so SIGTERM
            # finishes the job then.
            self.send(0x8101, 0, 0)
            self.send(0x8105, 1, 0)
            try:
                self.proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.proc.send_signal(signal.SIGTERM)
                try:
                    self.proc.wait(timeout=15)
                except subprocess.TimeoutExpired:
                    self.failures.append("program did not end on SIGTERM")
                    self.proc.kill()
                    self.proc.wait()
            if self.proc.returncode not in (0, -signal.SIGTERM):
                self.failures.append(f"program exit status {self.proc.returncode}")
        self.logfile.close()

    def keep_log(self):
        kept = os.path.join(tempfile.gettempdir(), f"zaldo-soak-{os.getpid()}.log")
        with open(os.path.join(self.tmp.name, "program.log"), "rb") as src, open(kept, "wb") as dst:
            dst.write(src.read())
        return kept


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--program", required=True)
    p.add_argument("--seconds", type=float, default=120)
    p.add_argument("--minutes", type=float, help="run this long instead (for runs by hand)")
    p.add_argument("--seed", type=int, default=None)
    p.add_argument("--max-growth-kb-per-min", type=int, default=512,
                   help="resident-memory trend after warm-up that counts as unbounded growth")
    p.add_argument("--only", choices=("companion", "send", "device"),
                   help="one kind of action only, to find which one a growth comes from")
    args = p.parse_args()
    if args.minutes:
        args.seconds = args.minutes * 60
    if args.seed is None:
        args.seed = random.randrange(1 << 30)
    log(f"seed {args.seed}, {args.seconds:.0f} s, program {args.program}")
    soak = Soak(args)
    try:
        rc = soak.run()
    except Exception as e:  # a failed start or a dead connection is a failure, not a traceback
        log(f"FAIL {type(e).__name__}: {e}")
        if getattr(soak, "proc", None) and soak.proc.poll() is None:
            soak.proc.kill()
            soak.proc.wait()
        if getattr(soak, "logfile", None):
            soak.logfile.close()
            log(f"program log kept at {soak.keep_log()}")
        rc = 1
    return rc


if __name__ == "__main__":
    sys.exit(main())
