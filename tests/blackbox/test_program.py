"""Black-box tests of the built program with emulated boxes.

Usage: test_program.py PATH-TO-PROGRAM [unittest args]
"""

import json
import select
import os
import shutil
import signal
import socket
import struct
import subprocess
import sys
import time
import unittest

from programrunner import Program, free_port

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

    def emulated(self, boxes="0,2", extra=(), start=True):
        p = Program(BINARY)
        p.args = ["--emulate", boxes, "--emulate-trace", p.trace] + list(extra)
        self.addCleanup(shutil.rmtree, p.dir, True)
        self.addCleanup(p.stop)
        return p.start() if start else p

    def new_lines(self, p, before):
        return p.trace_lines()[before:]


class StartUp(ProgramTest):
    def test_connects_only_emulated_boxes_and_applies_them(self):
        p = self.emulated("0,2")
        _, reply = p.companion("000")
        self.assertEqual(reply, b"1010000000000000")
        lines = p.trace_lines()
        # Each box has its own worker: the order across boxes is not fixed.
        probes = [l for l in lines if l.split()[1:3] == ["fe", "33"]]
        self.assertEqual(sorted(probes), ["0 fe 33 00 00 00 00 00 00", "2 fe 33 00 00 00 00 00 00"])
        self.assertIn("0 33 50 00 00 00 00 00 00", lines)  # firmware of the selected box
        for box in (0, 2):
            for port in (1, 2, 3):
                self.assertIn("%d 32 52 %02x 00 ff 00 00 00" % (box, port), lines)
        # Fresh settings: the device file exists with its defaults, no profile yet.
        ini = p.device_ini()
        self.assertEqual(ini["Device15"]["Monitor"].strip('"'), "1,1,1")
        self.assertEqual(ini["Main"]["Password"], "7391")
        self.assertFalse(os.path.exists(os.path.join(p.config, "Bv", "RGBZaldo", "Zaldo", "Profile1.ini")))
        self.assertFalse(os.path.exists(os.path.join(p.config, "autostart")))  # a try-out leaves log-in alone
        self.assertTrue(all("box %d found" % b in p.read_log() for b in (1, 3)), p.read_log())  # as the panel counts

    def test_second_start_signals_first_and_exits(self):
        for runtime in (None, "/proc/sys"):  # a runtime folder that cannot take the lock, even for root
            p = self.emulated("0", start=False)
            p.env["XDG_RUNTIME_DIR"] = runtime or p.runtime
            p.start()
            second = subprocess.run([BINARY], env=p.env, capture_output=True, timeout=20)
            self.assertEqual(second.returncode, 0, second.stderr)
            self.assertTrue(wait_for(lambda: "isShow===================true" in p.read_log()))
            self.assertIn("0x8101", p.read_log())
        no_lock = dict(p.env, XDG_RUNTIME_DIR="/proc/sys", XDG_CACHE_HOME="/proc/sys", TMPDIR="/proc/sys")
        r = subprocess.run([BINARY, "--emulate", "0"], env=no_lock, capture_output=True, text=True, timeout=20)
        self.assertEqual((r.returncode, "not starting" in r.stderr), (1, True), r.stderr)

    def test_leftovers_of_a_crash_are_cleared(self):
        p = self.emulated("0", start=False)
        lock, data = os.path.join(p.runtime, "Zaldo RGB.lock"), os.path.join(p.config, "Bv", "RGBZaldo")
        os.makedirs(data)
        leftovers = [os.path.join(data, "Device.ini.saving-%d-1%s" % (os.getpid(), end)) for end in ("", ".lock")]
        for path in [lock] + leftovers:
            open(path, "w").write("unreadable")
        p.start()
        self.assertIn(lock + " cannot be read", p.read_log())
        self.assertFalse([path for path in leftovers if os.path.exists(path)])
        p.send(0x8104, 123)
        self.assertEqual(p.device_ini()["Main"]["Password"], "0123")

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



class DemoCommand(unittest.TestCase):
    def test_emulated_runs_keep_their_own_settings(self):
        root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
        env = dict(os.environ, XDG_CONFIG_HOME="/users/own/config")
        for args, own in (([], True), (["--emulate", "1"], True), (["--verbose"], False)):
            r = subprocess.run([os.path.join(root, "scripts", "run.sh"), "--dry-run"] + args, env=env,
                               capture_output=True, text=True, timeout=30)
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertEqual("XDG_CONFIG_HOME=%s/build/" % root in r.stdout, own, r.stdout)


class RemoteControl(ProgramTest):
    def test_pin_is_stored_with_leading_zero(self):
        p = self.emulated("0")
        p.send(0x8104, 123)
        main = p.device_ini()["Main"]
        self.assertEqual(main["Password"], "0123")
        self.assertEqual(main["OpenPassword"], "1")

class StopSignals(ProgramTest):
    def test_stop_signal_runs_what_is_queued_then_exits(self):
        for sig, windows in ((signal.SIGTERM, True), (signal.SIGINT, False), (signal.SIGHUP, True)):
            p = self.emulated(",".join(str(b) for b in range(16)), ["--emulate-latency", "50000"], start=False)
            for k in () if windows else ("QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"):
                p.env.pop(k, None)
            p.start()
            save = subprocess.Popen([BINARY, "profile", "save"], env=p.env, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.PIPE, text=True)
            self.assertTrue(wait_for(lambda: "SSSSAVE: 15" in p.read_log(), interval=0.01), p.read_log())
            p.proc.send_signal(sig)  # the saves are still queued
            self.assertEqual(p.proc.wait(30), 0, sig)
            saved = sorted(int(l.split()[0]) for l in p.trace_lines() if l.split()[1:3] == ["32", "53"])
            self.assertEqual(saved, list(range(16)), sig)
            self.assertEqual(save.wait(30), 0, save.stderr.read())  # answered once the boxes were
            self.assertEqual(os.listdir(p.runtime), [])  # lock and socket gone


class Desktops(ProgramTest):
    """Where the program runs: no display at all, or a Wayland compositor only."""

    def without_display(self, p, **env):
        for k in ("QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "QT_LOGGING_RULES"):
            p.env.pop(k, None)
        p.env.update(env)
        return p.start()

    def test_service_without_display(self):
        p = self.without_display(self.emulated("0,2", ["--emulate-stalled", "2.1"], start=False))
        p.send(0x8113, 1, 1)  # colour cycle on fan 2 of box 1
        self.assertIn("0 32 52 02 01 00 00 00 00", p.trace_lines())
        self.assertEqual(p.companion("000")[1], b"1010000000000000")
        # After the warm-up and the kick.
        self.assertTrue(wait_for(lambda: "fan stopped, box 3 fan 2" in p.read_log(), 30), p.read_log())
        self.assertNotIn("hid_open_false", p.read_log())  # diagnostics only when asked for
        p.send(0x8105, 1)  # nothing is shown: closing ends it
        self.assertEqual(p.proc.wait(10), 0)

    @unittest.skipUnless(shutil.which("dbus-daemon") and os.environ.get("ZALDO_FAKE_NOTIFICATIONS"),
                         "no dbus-daemon or no stand-in notification service")
    def test_service_notifies_a_stalled_fan(self):
        config = os.path.join(self.emulated("0", start=False).dir, "bus.conf")
        with open(config, "w") as f:
            f.write('<busconfig><listen>unix:tmpdir=/tmp</listen><policy context="default">'
                    '<allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/>'
                    '</policy></busconfig>')
        bus = subprocess.Popen(["dbus-daemon", "--config-file=" + config, "--nofork", "--print-address"],
                               stdout=subprocess.PIPE, text=True)
        for end in (bus.stdout.close, bus.wait, bus.kill):
            self.addCleanup(end)
        address = bus.stdout.readline().strip()
        fake = subprocess.Popen([os.environ["ZALDO_FAKE_NOTIFICATIONS"]], stdout=subprocess.PIPE, text=True,
                                env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=address))
        for end in (fake.stdout.close, fake.wait, fake.kill):
            self.addCleanup(end)
        self.assertEqual(fake.stdout.readline().strip(), "ready")
        self.without_display(self.emulated("0", ["--emulate-stall", "0.1@1"], start=False),
                             DBUS_SESSION_BUS_ADDRESS=address)
        self.assertTrue(select.select([fake.stdout], [], [], 30)[0], "no notification")
        summary, body, urgency = fake.stdout.readline().strip().split("|")
        self.assertEqual((summary, urgency), ("Fan stopped", "2"))
        self.assertTrue(body.startswith("Box 1, Fan 2: last "), body)

    @unittest.skipUnless(shutil.which("weston"), "weston is not installed")
    def test_panel_on_wayland(self):
        p = self.emulated("0,2", start=False)
        weston = subprocess.Popen(["weston", "--backend=headless-backend.so", "--socket=wayland-zaldo"],
                                  env=dict(p.env, XDG_RUNTIME_DIR=p.runtime), stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        self.addCleanup(weston.wait, 10)
        self.addCleanup(weston.terminate)
        self.addCleanup(p.stop)  # before the compositor goes
        self.assertTrue(wait_for(lambda: os.path.exists(os.path.join(p.runtime, "wayland-zaldo"))))
        self.without_display(p, WAYLAND_DISPLAY="wayland-zaldo", WAYLAND_DEBUG="client")
        p.send(0x8113, 1, 1)  # colour cycle on fan 2 of box 1
        self.assertIn("0 32 52 02 01 00 00 00 00", p.trace_lines())
        self.assertIn('set_title("Zaldo RGB")', p.read_log())
        self.assertRegex(p.read_log(), r"wl_surface@\d+\.attach\(")


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



class OpenRgbClient(ProgramTest):
    @staticmethod
    def packet(dev, pid, payload=b""):
        return b"ORGB" + struct.pack("<III", dev, pid, len(payload)) + payload

    @staticmethod
    def answer(s):
        head = b""
        while len(head) < 16:
            head += s.recv(16 - len(head))
        body = b""
        while len(body) < struct.unpack("<I", head[12:])[0]:
            body += s.recv(65536)
        return head[8:12], body

    def test_driven_over_tcp(self):
        port = free_port()
        p = self.emulated("0,2", extra=["--openrgb-server", "127.0.0.1:%d" % port])
        s = socket.create_connection(("127.0.0.1", port), timeout=5)
        self.addCleanup(s.close)
        s.sendall(self.packet(0, 40, struct.pack("<I", 4)))
        self.assertEqual(self.answer(s), (struct.pack("<I", 40), struct.pack("<I", 4)))
        s.sendall(self.packet(0, 0))
        self.assertEqual(self.answer(s)[1], struct.pack("<I", 2))
        s.sendall(self.packet(1, 1, struct.pack("<I", 4)))
        self.assertIn(b"Box 3\0", self.answer(s)[1])
        n = len(p.trace_lines())
        s.sendall(self.packet(1, 1050, struct.pack("<IH", 18, 3) + bytes([255, 128, 0, 0]) * 3))
        wanted = {"2 32 52 %02x 00 ff 80 00 00" % port for port in (1, 2, 3)}
        self.assertTrue(wait_for(lambda: wanted <= set(self.new_lines(p, n))), self.new_lines(p, n))
        r = subprocess.run([BINARY, "status", "--json"], env=p.env, capture_output=True, text=True, timeout=30)
        fans = json.loads(r.stdout)["boxes"][1]["fans"]
        self.assertEqual([f["color"] for f in fans], ["FF8000"] * 3)



class CommandLine(ProgramTest):
    def cli(self, env, *args):
        return subprocess.run([BINARY] + list(args), env=env, capture_output=True, text=True, timeout=30)

    def fan(self, p, box, fan):
        r = self.cli(p.env, "status", "--json")
        self.assertEqual(r.returncode, 0, r.stderr)
        boxes = {b["box"]: b for b in json.loads(r.stdout)["boxes"]}
        return boxes[box]["fans"][fan - 1]

    def test_set_changes_fan_like_the_panel(self):
        p = self.emulated("0,2")
        cases = [  # setting on box 3 fan 2, fields afterwards, report box 2 (zero-based) receives
            (["--color", "ff8000"], {"color": "FF8000", "mode": "steady"}, "2 32 52 02 00 ff 80 00 00"),
            (["--brightness", "50"], {"brightness": 50}, "2 32 52 02 00 7f 40 00 00"),
            (["--mode", "flash"], {"mode": "flash", "ledsOff": False}, "2 32 52 02 02 7f 40 00 00"),
            (["--mode", "off"], {"mode": "flash", "ledsOff": True}, "2 32 52 02 00 00 00 00 00"),
            (["--color", "0000FF"], {"color": "0000FF", "ledsOff": False}, "2 32 52 02 02 00 00 7f 00"),
            (["--mode", "cycle"], {"mode": "cycle"}, "2 32 52 02 01 00 00 00 00"),
            (["--speed", "2"], {"speedLevel": 2, "temperatureMode": False}, "2 32 51 02 03 28 00 00 00"),
            (["--speed", "curve"], {"speedLevel": 2, "temperatureMode": True}, None),
        ]
        for args, fields, report in cases:
            n = len(p.trace_lines())
            r = self.cli(p.env, "set", "--box", "3", "--fan", "2", "--json", *args)
            self.assertEqual(r.returncode, 0, r.stderr)
            shown, printed = self.fan(p, 3, 2), json.loads(r.stdout)
            shown.pop("rpm"), printed.pop("rpm")  # the poll may read between the two
            self.assertEqual(printed, shown, args)
            self.assertEqual({k: shown[k] for k in fields}, fields, args)
            sent = [l for l in self.new_lines(p, n) if l.split()[1:3] == ["32", "51" if "--speed" in args else "52"]]
            self.assertEqual(sent, [report] if report else [], args)
        self.assertEqual(self.fan(p, 1, 2)["color"], "FF0000")  # other boxes untouched

    def test_profile_save_and_load(self):
        p = self.emulated("0")
        for args in (["set", "--box", "1", "--fan", "1", "--color", "123456"], ["profile", "save"],
                     ["set", "--box", "1", "--fan", "1", "--color", "ABCDEF"], ["profile", "load", "1"]):
            self.assertEqual(self.cli(p.env, *args).returncode, 0, args)
        self.assertEqual(self.fan(p, 1, 1)["color"], "123456")

    def test_answers_wait_for_the_boxes_and_name_a_silent_one(self):
        p = self.emulated("0,1", ["--emulate-silent", "1"])
        for args, code in ((["profile", "save"], 1), (["set", "--box", "2", "--fan", "1", "--color", "FF0000"], 1),
                           (["set", "--box", "1", "--fan", "1", "--color", "FF0000"], 0),
                           (["--send", "0x8106", "1"], 1), (["--send", "0x8106", "0"], 0)):  # select box 2, 1
            r = self.cli(p.env, *args)
            self.assertEqual(r.returncode, code, (args, r.stderr))
            self.assertEqual("box 2 did not answer" in r.stderr, code == 1 and args[0] != "--send", r.stderr)

    def test_slow_box_is_reported_and_exit_stays_bounded(self):
        p = self.emulated("0,1", ["--emulate-latency", "1000000", "--emulate-slow", "1"])
        r = self.cli(p.env, "status", "--json")
        self.assertEqual([b["answered"] for b in json.loads(r.stdout)["boxes"]], [True, False], r.stderr)
        self.assertIn("Box 2: did not answer", self.cli(p.env, "status").stdout)
        for _ in range(2):  # each save queues seven exchanges of two seconds behind the slow box
            self.assertIn("box 2 did not answer", self.cli(p.env, "profile", "save").stderr)
        p.proc.terminate()
        self.assertEqual(p.proc.wait(15), 0)  # a guard against running the whole queue, not a figure
        self.assertEqual(os.listdir(p.runtime), [])

    def test_list_colour_names_box_for_profile_and_quit(self):
        p = self.emulated("0,2")
        r = self.cli(p.env, "--send", "0x9999")
        self.assertEqual((r.returncode, r.stderr), (1, "brenvar-rgb-fan-controller: unknown message 0x9999\n"))
        for colour, shown in (("#00ff80", "00FF80"), ("teal", "008080")):
            self.assertEqual(self.cli(p.env, "set", "--box", "3", "--fan", "1", "--color", colour).returncode, 0)
            self.assertEqual(self.fan(p, 3, 1)["color"], shown)
        self.cli(p.env, "set", "--box", "1", "--fan", "1", "--color", "ABCDEF")
        self.assertEqual(self.cli(p.env, "profile", "load", "2", "--box", "3").returncode, 0)
        self.assertEqual((self.fan(p, 3, 1)["color"], self.fan(p, 1, 1)["color"]), ("FF0000", "ABCDEF"))
        self.assertRegex(self.cli(p.env, "list").stdout, r"^Box 1: firmware \S+\nBox 3: firmware \S+\n$")
        boxes = json.loads(self.cli(p.env, "list", "--json").stdout)["boxes"]
        self.assertEqual([sorted(b) for b in boxes], [["accessible", "answered", "box", "firmware"]] * 2)
        r = self.cli(p.env, "quit")
        self.assertEqual((r.returncode, r.stderr), (0, ""))
        self.assertEqual(p.proc.wait(15), 0)
        self.assertEqual(os.listdir(p.runtime), [])  # lock and socket gone

    def test_curve_over_a_sensor_by_id_kept_in_the_profile(self):
        p = self.emulated("0", start=False)
        for chip, name, label, milli in (("hwmon0", "coretemp", "Core 0", "45000"), ("hwmon1", "nvme", "Composite", "38000"),
                                         ("hwmon2", "nvme", "Composite", "41500")):
            os.makedirs(os.path.join(p.env["ZALDO_HWMON_ROOT"], chip))
            for f, text in (("name", name), ("temp1_label", label), ("temp1_input", milli)):
                with open(os.path.join(p.env["ZALDO_HWMON_ROOT"], chip, f), "w") as out:
                    out.write(text + "\n")
        p.start()
        for args in (["--curve", "30:20,50:40", "--sensor", "coretemp/Core 0"], ["profile", "save"], ["--curve", "30:2,3:4"]):
            r = self.cli(p.env, *(args if args[0] == "profile" else ["set", "--box", "1", "--fan", "1"] + args))
            self.assertEqual((r.returncode, len(r.stderr.splitlines())), (2, 1) if "30:2,3:4" in args else (0, 0), r.stderr)
        self.assertTrue(wait_for(lambda: "0 32 51 01 03 23 00 00 00" in p.trace_lines()))  # 45 °C: 35 %
        sensors = json.loads(self.cli(p.env, "sensors", "--json").stdout)["sensors"]
        self.assertEqual([(s["id"], s["reading"]) for s in sensors], [("cpu", 45), ("coretemp/Core 0", 45),
                                                                      ("nvme/Composite", 38), ("nvme#2/Composite", 41.5)])
        probe = os.path.join(p.env["ZALDO_HWMON_ROOT"], "coolant probe")
        with open(probe, "w") as out: out.write("33500\n")
        for args, code in ((["--add-mix", "hot", "max", "nvme/Composite*2"], 2), (["--add-file", "coolant", probe + "x"], 0),
                           (["--add-file", "coolant", probe], 0), (["--add-mix", "hot", "max", "coolant,cpu"], 0),
                           (["--add-mix", "m", "max", "hot"], 2), (["--remove", "hot"], 0), (["--remove", "hot"], 2)):
            r = self.cli(p.env, "sensors", *args)
            self.assertEqual((r.returncode, len(r.stderr.splitlines())), (code, 1 if code else 0), r.stderr)
        sensors = lambda: [(s["id"], s["source"], s["reading"]) for s in json.loads(self.cli(p.env, "sensors", "--json").stdout)["sensors"]]
        self.assertEqual(sensors()[-1], ("coolant", "file", 33.5))
        p.stop()
        p.start()
        self.assertTrue(wait_for(lambda: sensors()[-1:] == [("coolant", "file", 33.5)]))
        self.assertTrue(wait_for(lambda: self.fan(p, 1, 1)["percentSent"] == 35))
        fan = self.fan(p, 1, 1)
        self.assertEqual([fan[k] for k in ("source", "sensor", "reading", "curve")],
                         ["curve", "coretemp/Core 0", 45, "30:20,50:40;sensor=coretemp/Core 0"])

    def test_wrong_input_and_no_running_copy(self):
        p = self.emulated("0")
        for args, code in ((["set", "--box", "17", "--fan", "1", "--mode", "on"], 2),
                           (["set", "--box", "1", "--fan", "1", "--color", "reddish"], 2),
                           (["set", "--box", "1", "--fan", "1", "--brightness", "150"], 2),
                           (["set", "--box", "2", "--fan", "1", "--mode", "on"], 2),  # not attached
                           (["set", "--box", "1", "--fan", "1"], 2), (["profile", "load", "6"], 2), (["--frobnicate"], 2),
                           (["status"], 0)):
            r = self.cli(p.env, *args)
            self.assertEqual(r.returncode, code, args)
            self.assertEqual(len(r.stderr.splitlines()), 1 if code else 0, r.stderr)
        p.stop()
        r = self.cli(p.env, "status")
        self.assertEqual((r.returncode, r.stdout), (1, ""))
        self.assertIn("start the program", r.stderr)


if __name__ == "__main__":
    BINARY = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
