#!/usr/bin/env python3
"""Mutation score of the test suite, folder by folder.

Makes regular-expression mutants of the C++ sources, in the manner of
universalmutator (operators swapped, conditions negated, constants changed,
statements deleted), and for each one builds the test programs that cover its
folder and runs them. A mutant is killed when a test fails or times out,
survives when every test passes, and is left out when it does not compile.

    scripts/mutate.py [--sample N] [--seed S] [--folders launch,system ...]

Each mutant is written into the source file in place and the file is put
back afterwards (also on Ctrl-C); the default build is rebuilt at the end.
"""
import argparse
import os
import random
import re
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build", "default")

# The folders measured and the fast test programs that cover each; the
# random walk runs a short walk.
FOLDERS = {
    "launch": (["launch"], ["test_commandline", "test_form1_behaviour"]),
    "system+platform": (["system", "platform"],
                        ["test_argumentsplitter", "test_emulatorstart", "test_folderreading",
                         "test_soundeffect", "test_commandline"]),
    "mainwindow": (["mainwindow"],
                   ["test_form1_behaviour", "test_interlocks", "test_infowindows_help_grip",
                    "test_accessibility", "test_appearance", "test_form1_layout", "test_random_ui"]),
    "romchooser": (["romchooser"], ["test_romchooser", "test_folderreading"]),
}
TEST_ARGS = {"test_soundeffect": ["duration", "noSoundServerReturnsAtOnce"]}
TEST_TIMEOUT = 60

# (name, pattern, replacement): each match of the pattern on a line gives one mutant.
RULES = [
    ("== to !=", r"==", "!="),
    ("!= to ==", r"!=", "=="),
    # Only a comparison has blanks on both sides; template brackets do not.
    ("< to <=", r"(?<= )<(?= )", "<="),
    ("> to >=", r"(?<= )>(?= )", ">="),
    ("<= to <", r"<=", "<"),
    (">= to >", r">=", ">"),
    ("&& to ||", r"&&", "||"),
    ("|| to &&", r"\|\|", "&&"),
    ("+ to -", r"(?<![+])\+(?![+=])", "-"),
    ("- to +", r"(?<![\->])-(?![\->=])", "+"),
    ("true to false", r"\btrue\b", "false"),
    ("false to true", r"\bfalse\b", "true"),
    ("condition negated", r"\bif \((.*)\)(\s*\{?\s*)$", r"if (!(\1))\2"),
    ("! dropped", r"!(?=[A-Za-z_(])", ""),
    ("constant + 1", r"(?<![\w.])(\d+)(?![\w.])", lambda m: str(int(m.group(1)) + 1)),
    ("constant to 0", r"(?<![\w.])([1-9]\d*)(?![\w.])", "0"),
    ("break to continue", r"\bbreak;", "continue;"),
    ("return early", r"^(\s*)(?=\S.*;\s*$)(?!return|case|default|break|continue|\}|//)", r"\1return;"),
]
# A statement on one line of its own, which can be deleted.
STATEMENT = re.compile(r"^\s*(?!return\b|case\b|default\b|[{}]|//|#|public:|private:|protected:)[^;{}]*;\s*$")


def source_files(folders):
    for folder in folders:
        for name in sorted(os.listdir(os.path.join(ROOT, folder))):
            if name.endswith(".cpp") and name != "pch.cpp":
                yield os.path.join(folder, name)


def mutants_of(path):
    """Every mutant of one file as (path, line number, rule, new line)."""
    lines = open(os.path.join(ROOT, path), encoding="utf-8").read().split("\n")
    in_comment = False
    for number, line in enumerate(lines):
        stripped = line.strip()
        if in_comment:
            in_comment = "*/" not in stripped
            continue
        if stripped.startswith("/*"):
            in_comment = "*/" not in stripped
            continue
        if not stripped or stripped.startswith(("//", "#", "namespace", "}")) or "static_assert" in stripped:
            continue
        code = line.split("//")[0]
        if '"' in code:
            # Texts are checked by the layout and text tests; leave their
            # characters alone and mutate only what lies outside them.
            code = re.sub(r'"(?:[^"\\]|\\.)*"', lambda m: "\0" * len(m.group(0)), code)
        for name, pattern, replacement in RULES:
            if name == "return early":
                continue  # only for void functions; too often invalid elsewhere
            for match in re.finditer(pattern, code):
                if "\0" in match.group(0):
                    continue
                new = (line[:match.start()] + match.expand(replacement) if isinstance(replacement, str)
                       else line[:match.start()] + replacement(match))
                new += line[match.end():]
                if new != line:
                    yield (path, number, name, new)
        if STATEMENT.match(line) and not re.match(r"^\s*(const\s+)?[\w:<>,\s*&]+\s+\w+\s*[=({;]", line):
            yield (path, number, "statement deleted", "")


def build(targets):
    result = subprocess.run(["cmake", "--build", BUILD, "--target", *targets],
                            capture_output=True, text=True)
    return result.returncode == 0


def tests_pass(tests):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", TAVIK_RANDOM_UI_STEPS="300")
    for test in tests:
        try:
            result = subprocess.run([os.path.join(BUILD, "tests", test), *TEST_ARGS.get(test, [])],
                                    capture_output=True, env=env, timeout=TEST_TIMEOUT)
        except subprocess.TimeoutExpired:
            return False
        if result.returncode != 0:
            return False
    return True


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--sample", type=int, default=25, help="mutants per folder (0: all)")
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--folders", default=",".join(FOLDERS))
    args = parser.parse_args()
    seed = args.seed if args.seed is not None else random.SystemRandom().randrange(2**32)
    print(f"seed {seed} (replay: scripts/mutate.py --sample {args.sample} --seed {seed} "
          f"--folders {args.folders})", flush=True)
    rng = random.Random(seed)

    subprocess.run(["cmake", "--preset", "default"], cwd=ROOT, capture_output=True, check=True)
    all_tests = sorted({t for f in args.folders.split(",") for t in FOLDERS[f][1]})
    if not build(all_tests):
        sys.exit("the unmutated build fails")
    if not tests_pass(all_tests):
        sys.exit("the unmutated tests fail")

    scores = {}
    survivors = []
    originals = {}
    try:
        for folder in args.folders.split(","):
            dirs, tests = FOLDERS[folder]
            candidates = [m for path in source_files(dirs) for m in mutants_of(path)]
            rng.shuffle(candidates)
            killed = survived = invalid = 0
            for path, number, rule, new in candidates:
                if args.sample and killed + survived >= args.sample:
                    break
                full = os.path.join(ROOT, path)
                original = originals.setdefault(full, open(full, encoding="utf-8").read())
                lines = original.split("\n")
                old = lines[number]
                lines[number] = new
                open(full, "w", encoding="utf-8").write("\n".join(lines))
                started = time.monotonic()
                try:
                    if not build(tests):
                        invalid += 1
                        continue
                    if tests_pass(tests):
                        survived += 1
                        survivors.append((folder, path, number + 1, rule, old.strip(), new.strip()))
                        verdict = "SURVIVED"
                    else:
                        killed += 1
                        verdict = "killed"
                    print(f"  {verdict:8} {path}:{number + 1} {rule}: {old.strip()!r} -> {new.strip()!r}"
                          f" ({time.monotonic() - started:.0f} s)", flush=True)
                finally:
                    open(full, "w", encoding="utf-8").write(original)
            total = killed + survived
            scores[folder] = (killed, total, invalid)
            print(f"{folder}: {killed}/{total} killed"
                  f" ({100 * killed / total if total else 0:.0f}%), {invalid} did not compile", flush=True)
    finally:
        for full, original in originals.items():
            open(full, "w", encoding="utf-8").write(original)
        build(all_tests)

    print(f"\nseed {seed}, up to {args.sample} mutants per folder")
    killed = sum(k for k, _, _ in scores.values())
    total = sum(t for _, t, _ in scores.values())
    for folder, (k, t, i) in scores.items():
        print(f"  {folder:16} {k:3}/{t:<3} killed  {100 * k / t if t else 0:5.1f}%")
    print(f"  {'all':16} {killed:3}/{total:<3} killed  {100 * killed / total if total else 0:5.1f}%")
    for folder, path, line, rule, old, new in survivors:
        print(f"SURVIVED {path}:{line} {rule}: {old!r} -> {new!r}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
