"""Starts the built program in a private environment and drives it from outside."""

import configparser
import os
import random
import socket
import subprocess
import tempfile
import time


def free_port():
    """A port below the kernel's ephemeral range, so no test's client or
    ephemeral server takes it between this check and the program's listen."""
    while True:
        port = random.randint(20000, 30000)
        with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
            try:
                s.bind(("127.0.0.1", port))
            except OSError:
                continue
            return port


class Program:
    """One running copy with its own config, runtime dir, companion port and trace."""

    def __init__(self, binary, args=()):
        self.binary = binary
        self.dir = tempfile.mkdtemp(prefix="zaldo-bb-")
        self.config = os.path.join(self.dir, "config")
        self.runtime = os.path.join(self.dir, "runtime")
        os.makedirs(self.config, exist_ok=True)
        os.makedirs(self.runtime, mode=0o700, exist_ok=True)
        self.trace = os.path.join(self.dir, "trace.txt")
        self.log = os.path.join(self.dir, "log.txt")
        self.port = free_port()
        self.env = dict(os.environ)
        self.env.update({
            "QT_QPA_PLATFORM": "offscreen",
            "XDG_CONFIG_HOME": self.config,
            "XDG_RUNTIME_DIR": self.runtime,
            "XDG_CACHE_HOME": os.path.join(self.dir, "cache"),
            "TMPDIR": self.dir,
            "ZALDO_COMPANION_PORT": str(self.port),
            "ZALDO_HWMON_ROOT": os.path.join(self.dir, "no-hwmon"),
            # Nothing listens there: the update check ends at once.
            "ZALDO_UPDATE_URL": "http://127.0.0.1:9",
            "QT_LOGGING_RULES": "zaldo.*.debug=true;zaldo.device.hid.debug=false",
        })
        self.args = list(args)
        self.proc = None

    def start(self, wait=True):
        for _ in range(5):
            self._start(wait)
            # The phone-app port can still be taken by another program
            # meanwhile: then try another one.
            if not wait or "Listening: false" not in self.read_log():
                return self
            self.stop()
            os.remove(self.log)
            self.port = free_port()
            self.env["ZALDO_COMPANION_PORT"] = str(self.port)
        raise RuntimeError("the program found no free phone-app port")

    def _start(self, wait):
        self.logfile = open(self.log, "ab")
        self.proc = subprocess.Popen([self.binary] + self.args, env=self.env, stdout=self.logfile,
                                     stderr=subprocess.STDOUT)
        if wait:
            self.wait_ready()

    def wait_ready(self, timeout=30):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if self.proc.poll() is not None:
                raise RuntimeError("program exited with %s:\n%s" % (self.proc.returncode, self.read_log()))
            # 0x810A is outside the message set: answered as unknown (older copies: not carried out).
            r = self.send(0x810A, check=False)
            if r.returncode == 0 or "did not carry out" in r.stderr or "unknown message" in r.stderr:
                return
            time.sleep(0.1)
        raise RuntimeError("program did not become ready:\n" + self.read_log())

    def send(self, message, wparam=0, lparam=0, check=True):
        r = subprocess.run([self.binary, "--send", hex(message), str(wparam), str(lparam)], env=self.env,
                           capture_output=True, text=True, timeout=30)
        if check and r.returncode != 0:
            raise AssertionError("--send %x failed: %s" % (message, r.stderr))
        return r

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        if self.proc:
            self.logfile.close()

    def read_log(self):
        try:
            with open(self.log, "rb") as f:
                return f.read().decode("utf-8", "replace")
        except OSError:
            return ""

    def trace_lines(self):
        # Reports reach the boxes on their own threads, shortly after the
        # program has answered: read once the trace has been still for a moment.
        size, deadline = -1, time.time() + 2
        while time.time() < deadline:
            now = os.path.getsize(self.trace) if os.path.exists(self.trace) else 0
            if now == size:
                break
            size = now
            time.sleep(0.05)
        try:
            with open(self.trace) as f:
                return [l.rstrip("\n") for l in f]
        except OSError:
            return []

    def device_ini(self):
        p = configparser.ConfigParser(interpolation=None)
        p.optionxform = str
        p.read(os.path.join(self.config, "Bv", "RGBZaldo", "Device.ini"))
        return p

    def companion(self, command=None, expect_reply=True, timeout=5):
        """Connects, returns (greeting, reply) for one command."""
        with socket.create_connection(("127.0.0.1", self.port), timeout=timeout) as s:
            greeting = b""
            while not greeting.endswith(b"&"):
                chunk = s.recv(256)
                if not chunk:
                    break
                greeting += chunk
            reply = b""
            if command is not None:
                s.sendall(command.encode("latin-1"))
                if expect_reply:
                    s.settimeout(timeout)
                    reply = s.recv(4096)
                else:
                    time.sleep(0.3)
            return greeting, reply
