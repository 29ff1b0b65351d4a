#!/usr/bin/env python3
"""Reads scripts/planted-faults.txt and plants one fault; used by plant-faults.sh.

  planted_faults.py list [REGEX]   id<TAB>description of each fault whose id matches
  planted_faults.py locate ID      the one production file holding the fault's snippet
  planted_faults.py apply ID FILE  replaces the snippet in FILE (in place)

locate exits 3 when the snippet is nowhere, 4 when it is in several places.
Snippets are found by content, never by path, so that moving code between
folders does not break the list.
"""
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
DATA = os.path.join(HERE, "planted-faults.txt")
PRODUCTION = ["core", "app", "device", "commands", "storage", "ui", "monitor", "update"]
SOURCES = (".cpp", ".h")
NOT_FOUND, AMBIGUOUS = 3, 4


def load():
    """Entries of id/what/old/new lines, separated by blank lines; # starts a comment."""
    faults, entry = [], {}
    with open(DATA, encoding="utf-8") as f:
        lines = f.read().split("\n") + [""]
    for n, line in enumerate(lines, 1):
        if line.startswith("#"):
            continue
        if not line.strip():
            if entry:
                faults.append(check(entry, n))
                entry = {}
            continue
        key, sep, value = line.partition(": ")
        if not sep or key not in ("id", "what", "old", "new") or key in entry:
            sys.exit(f"{DATA}:{n}: expected one each of 'id: ', 'what: ', 'old: ', 'new: '")
        entry[key] = value
    ids = [f["id"] for f in faults]
    dupes = {i for i in ids if ids.count(i) > 1}
    if dupes:
        sys.exit(f"{DATA}: duplicate ids: {', '.join(sorted(dupes))}")
    return faults


def check(entry, n):
    if set(entry) != {"id", "what", "old", "new"} or entry["old"] == entry["new"]:
        sys.exit(f"{DATA}: entry ending at line {n} is incomplete or changes nothing")
    return entry


def find(fault_id):
    for f in load():
        if f["id"] == fault_id:
            return f
    sys.exit(f"no fault with id {fault_id}")


def occurrences(snippet):
    """(path, count) of every production source holding the snippet."""
    hits = []
    for top in PRODUCTION:
        for dirpath, _, files in os.walk(os.path.join(ROOT, top)):
            for name in sorted(files):
                if name.endswith(SOURCES):
                    path = os.path.join(dirpath, name)
                    with open(path, encoding="utf-8", errors="surrogateescape") as f:
                        count = f.read().count(snippet)
                    if count:
                        hits.append((os.path.relpath(path, ROOT), count))
    return hits


def main(argv):
    if len(argv) >= 1 and argv[0] == "list":
        pattern = re.compile(argv[1] if len(argv) > 1 else "")
        for f in load():
            if pattern.search(f["id"]):
                print(f"{f['id']}\t{f['what']}")
        return 0
    if len(argv) == 2 and argv[0] == "locate":
        hits = occurrences(find(argv[1])["old"])
        if not hits:
            return NOT_FOUND
        if len(hits) > 1 or hits[0][1] > 1:
            print(" ".join(f"{p}({c})" for p, c in hits))
            return AMBIGUOUS
        print(hits[0][0])
        return 0
    if len(argv) == 3 and argv[0] == "apply":
        fault = find(argv[1])
        path = os.path.join(ROOT, argv[2])
        with open(path, encoding="utf-8", errors="surrogateescape", newline="") as f:
            text = f.read()
        if text.count(fault["old"]) != 1:
            sys.exit(f"{argv[2]}: snippet of {argv[1]} is not there exactly once")
        with open(path, "w", encoding="utf-8", errors="surrogateescape", newline="") as f:
            f.write(text.replace(fault["old"], fault["new"]))
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
