"""Black-box tests of the built program with emulated boxes.

Usage: test_program.py PATH-TO-PROGRAM [unittest args]
"""

import os
import shutil
import socket
import subprocess
import sys
import time
import unittest

from programrunner import Program

BINARY = None


def wait_for(predicate, timeout=10.0, interval=0.05):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if predicate():
            return True
        time.sleep(interval)
    return predicate()


class ProgramTest(unittest.TestCase):
    def start(self, args, **kw):
        p = Program(BINARY, args, **kw)
        self.addCleanup(shutil.rmtree, p.dir, True)
        self.addCleanup(p.stop)
        return p.start()

    def emulated(self, boxes="0,2", extra=()):
        p = Program(BINARY)
        p.args = ["--emulate", boxes, "--emulate-trace", p.trace] + list(extra)
        self.addCleanup(shutil.rmtree, p.dir, True)
        self.addCleanup(p.stop)
        return p.start()

    def new_lines(self, p, before):
        return p.trace_lines()[before:]


class StartUp(ProgramTest):
    def test_connects_only_emulated_boxes_and_applies_them(self):
        p = self.emulated("0,2")
        _, reply = p.companion("000")
        self.assertEqual(reply, b"1010000000000000")
        lines = p.trace_lines()
        probes = [l for l in lines if l.split()[1:3] == ["fe", "33"]]
        self.assertEqual(probes, ["0 fe 33 00 00 00 00 00 00", "2 fe 33 00 00 00 00 00 00"])
        self.assertIn("0 33 50 00 00 00 00 00 00", lines)  # firmware of the selected box
        for box in (0, 2):
            for port in (1, 2, 3):
                self.assertIn("%d 32 52 %02x 00 ff 00 00 00" % (box, port), lines)
        # Fresh settings: the device file exists with its defaults, no profile yet.
        ini = p.device_ini()
        self.assertEqual(ini["Device15"]["Monitor"].strip('"'), "1,1,1")
        self.assertEqual(ini["Main"]["Password"], "7391")
        self.assertFalse(os.path.exists(os.path.join(p.config, "Bv", "RGBZaldo", "Zaldo", "Profile1.ini")))

    def test_second_start_signals_first_and_exits(self):
        p = self.emulated("0")
        second = subprocess.run([BINARY], env=p.env, capture_output=True, timeout=20)
        self.assertEqual(second.returncode, 0, second.stderr)
        self.assertTrue(wait_for(lambda: "isShow===================true" in p.read_log()))
        self.assertIn("0x8101", p.read_log())

    def start_pair(self):
        """Two copies in the same private dirs, released from one pipe at the same moment."""
        p = Program(BINARY, ["--emulate", "0"])
        self.addCleanup(shutil.rmtree, p.dir, True)
        r, w = os.pipe()
        pair = [subprocess.Popen(["sh", "-c", 'read go; exec "$0" "$@"', BINARY] + p.args, env=p.env, stdin=r,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL) for _ in range(2)]
        for q in pair:
            self.addCleanup(q.wait, 10)
            self.addCleanup(q.terminate)
        os.write(w, b"\n\n")
        os.close(w)
        os.close(r)
        return pair

    def test_simultaneous_starts_leave_one_copy(self):
        for attempt in range(20):
            pair = self.start_pair()
            wait_for(lambda: any(q.poll() is not None for q in pair), timeout=20)
            self.assertEqual(sorted(q.poll() is None for q in pair), [False, True], "attempt %d" % attempt)
            self.assertEqual([q.returncode for q in pair if q.returncode is not None], [0])
            for q in pair:
                q.terminate()
                q.wait(10)

    def test_runs_without_remote_control_when_socket_cannot_be_made(self):
        p = Program(BINARY, ["--emulate", "0"])
        self.addCleanup(shutil.rmtree, p.dir, True)
        self.addCleanup(p.stop)
        p.env["XDG_RUNTIME_DIR"] = os.path.join(p.runtime, "d" * 110)  # longer than a socket path may be
        os.makedirs(p.env["XDG_RUNTIME_DIR"], mode=0o700)
        p.start(wait=False)

        def greets():
            try:
                return p.companion()[0].startswith(b"BvFan!")
            except OSError:
                return False
        self.assertTrue(wait_for(greets, timeout=20), p.read_log())
        self.assertIsNone(p.proc.poll())
        self.assertEqual(p.read_log().count("without remote control"), 1, p.read_log())



class RemoteControl(ProgramTest):
    def test_pin_is_stored_with_leading_zero(self):
        p = self.emulated("0")
        p.send(0x8104, 123)
        main = p.device_ini()["Main"]
        self.assertEqual(main["Password"], "0123")
        self.assertEqual(main["OpenPassword"], "1")



class Companion(ProgramTest):
    def test_profile_reply_and_password_in_greeting_after_restart(self):
        p = self.emulated("0")
        self.assertEqual(p.companion("426x3x10")[1].decode(), "{" + "[255:0:0:1:5:2:0]" * 3 + "}")
        p.send(0x8104, 4321)
        greeting, _ = p.companion()
        self.assertEqual(greeting, ("BvFan!%s&" % socket.gethostname()).encode())
        p.stop()
        p.start()
        greeting, _ = p.companion()
        self.assertEqual(greeting, ("BvFan!%s!4321&" % socket.gethostname()).encode())



if __name__ == "__main__":
    BINARY = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
