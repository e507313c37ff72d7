#!/usr/bin/env python3
"""Plants one fault at a time into the code and runs the release suite against each.

    scripts/mutation.sh [--list tests/mutants.txt] [--build DIR] [--timeout SECONDS] [--only N,M]

Each fault comes from the list: file, line, text before, text after, why (tab-separated, '#'
starts a comment). The text before must stand on that line, or, where lines have shifted,
once within a few lines of it. The file is changed, the tree rebuilt incrementally, the
suite run; the file is always put back. A fault is caught when a test fails (the first
failing test is named), missed when the whole suite passes, and left out of the score when
it does not compile or its text is no longer found.
"""
import argparse
import os
import pathlib
import re
import shutil
import signal
import subprocess
import sys
import time

TOP = pathlib.Path(__file__).resolve().parent.parent
NEARBY_LINES = 15
# The suites that test each folder's code first (the organ report's suite tests ports/).
OWN_SUITES = {"midi": "^midi_", "ports": "^(ports|organ)_", "flt": "^flt_", "app": "^app_"}


class Mutant:
    def __init__(self, number, path, line, before, after, why):
        self.number, self.path, self.line = number, path, line
        self.before, self.after, self.why = before, after, why

    def label(self):
        return f"#{self.number} {self.path}:{self.line} '{self.before}' -> '{self.after}'"


def read_list(path):
    mutants = []
    for number, raw in enumerate(path.read_text().splitlines(), 1):
        if not raw.strip() or raw.lstrip().startswith("#"):
            continue
        fields = raw.split("\t")
        if len(fields) != 5:
            sys.exit(f"{path}:{number}: want 5 tab-separated fields, found {len(fields)}")
        file, line, before, after, why = fields
        mutants.append(Mutant(len(mutants) + 1, file, int(line), before, after, why))
    return mutants


def locate(lines, mutant):
    """The index of the line that holds the text before, or None when it is not there once."""
    wanted = mutant.line - 1
    if 0 <= wanted < len(lines) and lines[wanted].count(mutant.before) == 1:
        return wanted
    low, high = max(0, wanted - NEARBY_LINES), min(len(lines), wanted + NEARBY_LINES + 1)
    found = [i for i in range(low, high) if lines[i].count(mutant.before) == 1]
    return found[0] if len(found) == 1 else None


def run(command, timeout, **kwargs):
    try:
        return subprocess.run(command, capture_output=True, text=True, timeout=timeout, **kwargs)
    except subprocess.TimeoutExpired:
        return None


def build(tree):
    done = run(["cmake", "--build", str(tree), "-j", str(os.cpu_count() or 2)], 1800)
    return done is not None and done.returncode == 0


def first_failure(tree, timeout, first=""):
    """The name of the first failing test, or None when the suite passed. The suites matching
    the regular expression `first` run before the rest: a fault is most often caught by the
    suite of its own folder, and each run stops at its first failure."""
    env = dict(os.environ)
    parts = [["-R", first], ["-E", first]] if first else [[]]
    for part in parts:
        command = ["bash", "-c", f"source '{TOP}/scripts/suite-env.sh' && runSuite \"$@\"",
                   "runSuite", str(tree), "--stop-on-failure", "--timeout", str(timeout), *part]
        done = run(command, timeout * 3, env=env)
        if done is None:
            return "(the suite timed out)"
        if done.returncode != 0:
            failed = re.findall(r"\d+ - (\S+) \(", done.stdout)
            return failed[0] if failed else "(the suite failed: " + done.stdout[-200:].strip() + ")"
    return None


class Planted:
    """Puts the fault in on entry and the original back on exit, whatever happens."""

    def __init__(self, path, text):
        self.path, self.text = path, text
        self.original = path.read_bytes()

    def __enter__(self):
        self.path.write_text(self.text)
        return self

    def __exit__(self, *exc):
        self.path.write_bytes(self.original)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--list", default=str(TOP / "tests/mutants.txt"))
    parser.add_argument("--build", default=str(TOP / "build/mutation"))
    parser.add_argument("--timeout", type=int, default=300, help="seconds per test")
    parser.add_argument("--only", default="", help="comma-separated fault numbers")
    args = parser.parse_args()
    # A signal ends the run by an exception, so that the file being mutated is put back.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped"))

    mutants = read_list(pathlib.Path(args.list))
    if args.only:
        chosen = {int(n) for n in args.only.split(",")}
        mutants = [m for m in mutants if m.number in chosen]
    tree = pathlib.Path(args.build)
    subprocess.run(["cmake", "-S", str(TOP), "-B", str(tree), "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                    "-DVELTRANO_BENCH=OFF"], check=True, capture_output=True)
    if not build(tree) or first_failure(tree, args.timeout) is not None:
        sys.exit("the unchanged tree does not build or pass its suite; nothing to measure")

    caught, missed, left_out = [], [], []
    started = time.monotonic()
    for mutant in mutants:
        path = TOP / mutant.path
        lines = path.read_text().split("\n")
        index = locate(lines, mutant)
        if index is None:
            left_out.append((mutant, "text not found"))
            print(f"STALE    {mutant.label()}", flush=True)
            continue
        lines[index] = lines[index].replace(mutant.before, mutant.after, 1)
        with Planted(path, "\n".join(lines)):
            if not build(tree):
                left_out.append((mutant, "does not compile"))
                print(f"NOCOMP   {mutant.label()}", flush=True)
                continue
            failing = first_failure(tree, args.timeout, OWN_SUITES[mutant.path.split('/')[0]])
        if failing:
            caught.append(mutant)
            print(f"CAUGHT   {mutant.label()} by {failing}", flush=True)
        else:
            missed.append(mutant)
            print(f"MISSED   {mutant.label()}  ({mutant.why})", flush=True)
    build(tree)  # leaves the tree built from the unchanged sources

    counted = len(caught) + len(missed)
    print(f"\n{len(caught)} caught, {len(missed)} missed, {len(left_out)} left out "
          f"in {time.monotonic() - started:.0f} s")
    for mutant in missed:
        print(f"  missed {mutant.label()}: {mutant.why}")
    for mutant, reason in left_out:
        print(f"  left out ({reason}) {mutant.label()}")
    if counted:
        print(f"score: {100.0 * len(caught) / counted:.1f}% ({len(caught)}/{counted})")


if __name__ == "__main__":
    main()
