#!/usr/bin/env python3
"""OpenRGB effect frames against 16 emulated boxes with real USB timing: how
often each box shows a new colour, whether the last frame is what every box
ends on, the program's memory over the run, and the remote-message round trip
during the frames against idle.

    bench/openrgb-frames.py [PROGRAM] [--latency US] [--seconds S] [--fps F]

A client negotiates version 4 and sends update-LEDs to every box each frame,
a new colour per frame. Goal: at least 35 new colours per box per second at
60 frames/s, the last frame last on every box, flat memory, and a round trip
within 20 ms of idle.
"""
import argparse
import importlib.util
import os
import socket
import statistics
import struct
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
_spec = importlib.util.spec_from_file_location("box_io", os.path.join(ROOT, "bench", "box-io.py"))
box_io = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(box_io)


def packet(dev, pid, payload=b""):
    return b"ORGB" + struct.pack("<III", dev, pid, len(payload)) + payload


def colour(frame):
    return bytes([frame % 251, (frame // 251) % 251, 7, 0])


def frame_packets(frame, boxes):
    body = struct.pack("<H", 3) + colour(frame) * 3
    leds = struct.pack("<I", len(body) + 4) + body
    return b"".join(packet(i, 1050, leds) for i in range(len(boxes)))


def rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        return next(int(l.split()[1]) for l in f if l.startswith("VmRSS:"))


def steady_colours(trace):
    """Per box, the fan-1 steady colours in order."""
    seen = {}
    with open(trace, errors="replace") as f:
        for line in f:
            p = line.split()
            if len(p) >= 7 and p[1:5] == ["32", "52", "01", "00"]:
                seen.setdefault(int(p[0]), []).append(tuple(p[5:8]))
    return seen


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("program", nargs="?", default=os.path.join(ROOT, "build/bin/brenvar-rgb-fan-controller"))
    ap.add_argument("--latency", type=int, default=1000)
    ap.add_argument("--seconds", type=float, default=30)
    ap.add_argument("--fps", type=float, default=60)
    args = ap.parse_args()
    boxes = list(range(16))
    port = box_io.free_port()
    p = box_io.Program(args.program, boxes, [], args.latency, False, ["--openrgb-server", "127.0.0.1:%d" % port])
    try:
        time.sleep(2)
        idle = p.round_trips(10)
        s = socket.create_connection(("127.0.0.1", port), timeout=5)
        s.sendall(packet(0, 40, struct.pack("<I", 4)))
        s.recv(20)
        before = steady_colours(p.trace)
        rss = [rss_kib(p.proc.pid)]
        t0, frame, busy = time.time(), 0, []
        while time.time() - t0 < args.seconds:
            s.sendall(frame_packets(frame, boxes))
            frame += 1
            if frame % int(args.fps) == 0:
                rss.append(rss_kib(p.proc.pid))
                t = time.perf_counter()
                p.send("0x8101", "1", "1")
                busy.append((time.perf_counter() - t) * 1000)
            time.sleep(max(0.0, t0 + frame / args.fps - time.time()))
        elapsed = time.time() - t0
        time.sleep(1)
        after = steady_colours(p.trace)
        last = tuple("%02x" % b for b in colour(frame - 1)[:3])
        rates = [(len(after.get(b, [])) - len(before.get(b, []))) / elapsed for b in boxes]
        ends = sum(1 for b in boxes if after.get(b) and after[b][-1] == last)
        print("| frames/s sent | new colours per box per s (min / median) | boxes ending on the last frame "
              "| RSS start / max / end | round trip idle / during (median, max) |")
        print("|---|---|---|---|---|")
        print("| %.0f | %.0f / %.0f | %d of %d | %d / %d / %d KiB | %.0f / %.0f ms, %.0f / %.0f ms |" % (
            frame / elapsed, min(rates), statistics.median(rates), ends, len(boxes), rss[0], max(rss), rss[-1],
            statistics.median(idle), max(idle), statistics.median(busy), max(busy)))
        s.close()
    finally:
        p.close()


if __name__ == "__main__":
    main()
