#!/usr/bin/env python3
"""The catalogue of plausible faults (tests/faults.json), each applied alone.

Each entry names a source file, an exact text in it, the text that replaces
it, the fault it stands for, and the tests that cover it. For each entry the
text is replaced, the covering tests are built in build/mutate (as by
scripts/mutate.py: unoptimised, shared libraries, so an entry relinks one
library) and run; the entry is killed when one of them fails or hangs.

    scripts/faults.py [--only WORD] [--catalogue PATH]

A test is named as its program ("test_soundeffect"), optionally with the test
functions to run after a colon ("test_soundeffect:playsTheTrueLengthOrTheBell"),
or as a group of journeys ("e2e:about,grip", on a private X server). An entry
that names no tests is covered by the test programs of its folder, as
scripts/mutate.py runs them.

Exits non-zero when an entry survives, does not compile, or its text is no
longer in its file (once, exactly): such an entry is to be derived anew from
the code as it is now. Every file is put back, also on Ctrl-C, and on the next
start after a kill (as scripts/mutate.py does).
"""
import argparse
import json
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import mutate  # noqa: E402  (the mutants' build, sound server and put-back)

ROOT = mutate.ROOT
CATALOGUE = os.path.join(ROOT, "tests", "faults.json")


def command_of(test):
    """The command that runs one covering test, and the target it needs."""
    program, _, functions = test.partition(":")
    if program == "e2e":
        # The journeys need the system's Python, with its X and accessibility modules.
        return (["/usr/bin/python3", os.path.join(ROOT, "tests", "e2e", "tavik_e2e.py"),
                 os.path.join(mutate.BUILD, "app", "tavik"), *functions.split(",")], "tavik")
    return [os.path.join(mutate.BUILD, "tests", program), *filter(None, functions.split(","))], program


def run(command, env, timeout):
    started = time.monotonic()
    try:
        result = subprocess.run(command, capture_output=True, env=env, timeout=timeout)
    except subprocess.TimeoutExpired:
        return False, timeout, "timed out"
    tail = (result.stdout + result.stderr).decode(errors="replace").strip().splitlines()
    # A test's own failure first; a warning that merely says "failed" last.
    failures = ([line for line in tail if line.startswith(("FAIL!", "FAIL ")) or "JourneyFailed" in line]
                + [line for line in tail if "failed" in line])
    return result.returncode == 0, time.monotonic() - started, (failures or tail[-1:] or [""])[0][:200]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--only", help="only the entries whose fault or file contains this word")
    parser.add_argument("--catalogue", default=CATALOGUE, help="another catalogue of the same form")
    args = parser.parse_args()
    entries = json.load(open(args.catalogue, encoding="utf-8"))
    for entry in entries:
        if "tests" not in entry:
            top = entry["file"].split("/")[0]
            entry["tests"] = next(tests for dirs, tests in mutate.FOLDERS.values() if top in dirs)
    if args.only:
        entries = [e for e in entries if args.only in e["fault"] or args.only in e["file"]]

    began = time.monotonic()
    mutate.put_back_saved()
    # Every text first: an entry whose text moved is told before anything is built.
    gone = []
    for entry in entries:
        found = open(os.path.join(ROOT, entry["file"]), encoding="utf-8").read().count(entry["text"])
        if found != 1:
            gone.append(entry)
            print(f"GONE     {entry['file']}: {entry['fault']}\n         its text is there {found} times, "
                  f"not once: {entry['text']!r}", flush=True)
    entries = [e for e in entries if e not in gone]

    mutate.configure()
    targets = sorted({command_of(t)[1] for e in entries for t in e["tests"]})
    if not mutate.build(targets):
        sys.exit("the build without faults fails")
    survived, invalid = [], []
    with mutate.SoundServer() as sound:
        limits = {}
        for test in sorted({t for e in entries for t in e["tests"]}):
            passed, took, why = run(command_of(test)[0], sound.env, 300)
            if not passed:
                sys.exit(f"{test} fails without any fault: {why}")
            limits[test] = mutate.SLOWDOWN * took + mutate.MARGIN_S
        os.makedirs(mutate.SAVED, exist_ok=True)
        try:
            for entry in entries:
                verdict, why = apply_and_test(entry, sound.env, limits)
                if verdict == "SURVIVED":
                    survived.append(entry)
                elif verdict == "INVALID":
                    invalid.append(entry)
                print(f"{verdict:8} {entry['file']}: {entry['fault']}\n         {why}", flush=True)
        finally:
            mutate.build(targets)

    total = len(entries) + len(gone)
    killed = len(entries) - len(survived) - len(invalid)
    print(f"\n{killed}/{total} faults killed, {len(survived)} survived, {len(invalid)} did not compile, "
          f"{len(gone)} gone, in {time.monotonic() - began:.0f} s")
    return 1 if survived or invalid or gone else 0


def apply_and_test(entry, env, limits):
    full = os.path.join(ROOT, entry["file"])
    saved = os.path.join(mutate.SAVED, entry["file"].replace("/", "%"))
    original = open(full, encoding="utf-8").read()
    shutil.copyfile(full, saved)
    started = time.monotonic()
    try:
        open(full, "w", encoding="utf-8").write(original.replace(entry["text"], entry["replacement"]))
        if not mutate.build(sorted({command_of(t)[1] for t in entry["tests"]})):
            return "INVALID", "it does not compile"
        for test in entry["tests"]:
            passed, _, why = run(command_of(test)[0], env, limits[test])
            if not passed:
                return "killed", f"by {test} ({time.monotonic() - started:.0f} s): {why}"
        return "SURVIVED", f"{', '.join(entry['tests'])} all pass"
    finally:
        open(full, "w", encoding="utf-8").write(original)
        os.remove(saved)


if __name__ == "__main__":
    sys.exit(main())
