#!/usr/bin/env python3
"""Mutation score of the test suite, folder by folder.

Makes regular-expression mutants of the C++ sources, in the manner of
universalmutator (operators swapped, conditions negated, constants changed,
statements deleted), and for each one builds the test programs that cover its
folder and runs them. A mutant is killed when a test fails or times out,
survives when every test passes, and is left out when it does not compile.

    scripts/mutate.py [--sample N] [--seed S] [--folders launch,system ...]

Each mutant is written into the source file in place and the file is put
back afterwards (also on Ctrl-C, and on the next start after a kill: a copy
of the file is kept beside the build until it is back).

The mutants are built in a build of their own, build/mutate: unoptimised, and
with the project's libraries shared, so that a mutant recompiles one source
and relinks one library, and no test program. The sound tests play into a
private sound server with a null sink, as in the test command.
"""
import argparse
import ast
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build", "mutate")
# The originals of the files being mutated, until they are written back.
SAVED = os.path.join(BUILD, "originals")

# The folders measured and the test programs that cover each, the quickest
# first: a mutant is killed at its first failing test. The random walk runs a
# short walk.
FOLDERS = {
    "launch": (["launch"], ["test_commandline", "test_form1_behaviour", "test_interlocks", "test_form1_layout"]),
    "system+platform": (["system", "platform"],
                        ["test_argumentsplitter", "test_commandline", "test_folderreading",
                         "test_emulatorstart", "test_window_system", "test_soundeffect", "test_givenfile"]),
    "mainwindow": (["mainwindow"],
                   ["test_form1_behaviour", "test_interlocks", "test_infowindows_help_grip",
                    "test_window_system", "test_accessibility", "test_form1_layout",
                    "test_appearance", "test_random_ui", "test_openfile"]),
    "romchooser": (["romchooser"], ["test_romchooser", "test_folderreading", "test_random_ui"]),
    "app": (["app"], ["test_window_system", "test_openfile", "test_form1_behaviour", "test_romchooser"]),
    "appearance": (["appearance"], ["test_appearance", "test_accessibility", "test_form1_layout",
                                    "test_window_system", "test_random_ui"]),
    "infowindows": (["infowindows"], ["test_splash", "test_readme", "test_infowindows_help_grip",
                                      "test_accessibility", "test_appearance", "test_random_ui"]),
}
# A test that runs this many times longer than unmutated, plus the margin,
# counts as hung (a mutant that loops).
SLOWDOWN = 5
MARGIN_S = 10

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
    # A digit group of a number written with separators (1'000'000) is left
    # alone; a character constant such as '0' is not.
    ("constant + 1", r"(?<![\w.])(?<!\d')(\d+)(?![\w.])(?!'\d)", lambda m: str(int(m.group(1)) + 1)),
    ("constant to 0", r"(?<![\w.])(?<!\d')([1-9]\d*)(?![\w.])(?!'\d)", "0"),
    ("break to continue", r"\bbreak;", "continue;"),
    ("return early", r"^(\s*)(?=\S.*;\s*$)(?!return|case|default|break|continue|\}|//)", r"\1return;"),
]
# A statement on one line of its own, which can be deleted.
# (The look-ahead is anchored at the first non-blank: deleting a `return x;`
# leaves a function that returns nothing, which is undefined, not a mutant.)
STATEMENT = re.compile(r"^(?!\s*(?:return\b|case\b|default\b|[{}]|//|#|public:|private:|protected:))\s*[^;{}]*;\s*$")


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
        # (A defaulted or deleted member is a definition, not a statement:
        # without it the shared library would link and fail only when loaded.)
        if STATEMENT.match(line) and not re.search(r"=\s*(default|delete)\s*;", line) and not re.match(r"^\s*(const\s+)?[\w:<>,\s*&]+\s+\w+\s*[=({;]", line):
            yield (path, number, "statement deleted", "")


def configure():
    subprocess.run(["cmake", "-S", ROOT, "-B", BUILD, "-G", "Ninja", "-DCMAKE_CXX_COMPILER=clang++",
                    "-DCMAKE_BUILD_TYPE=Release", "-DCMAKE_CXX_FLAGS_RELEASE=-O0 -DNDEBUG",
                    "-DTAVIK_LIBRARY_TYPE=SHARED"], capture_output=True, check=True)


def build(targets):
    result = subprocess.run(["cmake", "--build", BUILD, "--target", *targets],
                            capture_output=True, text=True)
    return result.returncode == 0


def run_test(test, env, timeout):
    started = time.monotonic()
    try:
        result = subprocess.run([os.path.join(BUILD, "tests", test)], capture_output=True,
                                env=env, timeout=timeout)
    except subprocess.TimeoutExpired:
        return False, timeout
    return result.returncode == 0, time.monotonic() - started


def tests_pass(tests, env, limits):
    return all(run_test(test, env, limits[test])[0] for test in tests)


class SoundServer:
    """A private PulseAudio with a null sink, in a folder of its own."""

    def __enter__(self):
        self.runtime = tempfile.mkdtemp(prefix="tavik-mutate-")
        self.env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime, QT_QPA_PLATFORM="offscreen",
                        PULSE_SERVER=f"unix:{self.runtime}/pulse/native", TAVIK_TEST_SOUND_SERVER="1",
                        TAVIK_RANDOM_UI_STEPS="300")
        subprocess.run(["pulseaudio", "--daemonize=yes", "--exit-idle-time=-1", "-n",
                        "--load=module-null-sink sink_name=tavik_mutate", "--load=module-native-protocol-unix"],
                       env=self.env, capture_output=True)
        for _ in range(50):
            if subprocess.run(["pactl", "info"], env=self.env, capture_output=True).returncode == 0:
                break
            time.sleep(0.1)
        else:
            sys.exit("the private sound server did not start")
        return self

    def __exit__(self, *_):
        subprocess.run(["pactl", "exit"], env=self.env, capture_output=True)
        shutil.rmtree(self.runtime, ignore_errors=True)


def put_back_saved():
    """Writes back the originals a killed run left mutated."""
    if not os.path.isdir(SAVED):
        return
    for name in os.listdir(SAVED):
        path = os.path.join(ROOT, name.replace("%", "/"))
        shutil.copyfile(os.path.join(SAVED, name), path)
        os.remove(os.path.join(SAVED, name))
        print(f"put back {os.path.relpath(path, ROOT)} from a run that was stopped", flush=True)


def survivors_in(log):
    """The mutants a run printed as SURVIVED, as (folder, path, line index, rule, old, new)."""
    pattern = re.compile(r"^SURVIVED (\S+):(\d+) ([^:]+): (.*) -> (.*)$")
    for line in open(log, encoding="utf-8"):
        match = pattern.match(line.rstrip("\n"))
        if match:
            path, number, rule, old, new = match.groups()
            folder = next(f for f, (dirs, _) in FOLDERS.items() if path.split("/")[0] in dirs)
            yield folder, path, int(number) - 1, rule, ast.literal_eval(old), ast.literal_eval(new)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--sample", type=int, default=25, help="mutants per folder (0: all)")
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--folders", default=",".join(FOLDERS))
    parser.add_argument("--rerun", metavar="LOG",
                        help="run again only the mutants that the run printed into LOG saw survive")
    args = parser.parse_args()
    folders = args.folders.split(",")
    seed = args.seed if args.seed is not None else random.SystemRandom().randrange(2**32)
    if args.rerun:
        print(f"the survivors in {args.rerun}", flush=True)
    else:
        print(f"seed {seed} (replay: scripts/mutate.py --sample {args.sample} --seed {seed} "
              f"--folders {args.folders})", flush=True)
    rng = random.Random(seed)

    put_back_saved()
    configure()
    all_tests = sorted({t for f in folders for t in FOLDERS[f][1]})
    if not build(all_tests):
        sys.exit("the unmutated build fails")
    with SoundServer() as sound:
        limits = {}
        for test in all_tests:
            passed, took = run_test(test, sound.env, 120)
            if not passed:
                sys.exit(f"the unmutated {test} fails")
            limits[test] = SLOWDOWN * took + MARGIN_S
        chosen = {}
        if args.rerun:
            for folder, path, index, rule, old, new in survivors_in(args.rerun):
                lines = open(os.path.join(ROOT, path), encoding="utf-8").read().split("\n")
                # The line may have moved since: the nearest line that reads as before.
                near = [i for i in range(len(lines)) if lines[i].strip() == old]
                if not near:
                    print(f"  gone     {path}:{index + 1}: {old!r} is no longer there", flush=True)
                    continue
                index = min(near, key=lambda i: abs(i - index))
                indent = lines[index][:len(lines[index]) - len(lines[index].lstrip())]
                chosen.setdefault(folder, []).append((path, index, rule, indent + new if new else ""))
            folders = [f for f in folders if f in chosen]
        else:
            for folder in folders:
                candidates = [m for path in source_files(FOLDERS[folder][0]) for m in mutants_of(path)]
                rng.shuffle(candidates)
                chosen[folder] = candidates
        scores, survivors = evaluate(folders, chosen, 0 if args.rerun else args.sample, sound.env, limits)

    if args.rerun:
        print(f"\nthe survivors in {args.rerun}, run again")
    else:
        print(f"\nseed {seed}, up to {args.sample} mutants per folder")
    killed = sum(k for k, _, _ in scores.values())
    total = sum(t for _, t, _ in scores.values())
    for folder, (k, t, i) in scores.items():
        print(f"  {folder:16} {k:3}/{t:<3} killed  {100 * k / t if t else 0:5.1f}%   ({i} did not compile)")
    print(f"  {'all':16} {killed:3}/{total:<3} killed  {100 * killed / total if total else 0:5.1f}%")
    for folder, path, line, rule, old, new in survivors:
        print(f"SURVIVED {path}:{line} {rule}: {old!r} -> {new!r}")
    return 0


def evaluate(folders, chosen, sample, env, limits):
    scores = {}
    survivors = []
    os.makedirs(SAVED, exist_ok=True)
    try:
        for folder in folders:
            tests = FOLDERS[folder][1]
            killed = survived = invalid = 0
            for path, number, rule, new in chosen[folder]:
                if sample and killed + survived >= sample:
                    break
                full = os.path.join(ROOT, path)
                saved = os.path.join(SAVED, path.replace("/", "%"))
                original = open(full, encoding="utf-8").read()
                shutil.copyfile(full, saved)
                lines = original.split("\n")
                old = lines[number]
                lines[number] = new
                started = time.monotonic()
                try:
                    open(full, "w", encoding="utf-8").write("\n".join(lines))
                    if not build(tests):
                        invalid += 1
                        continue
                    if tests_pass(tests, env, limits):
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
                    os.remove(saved)
            total = killed + survived
            scores[folder] = (killed, total, invalid)
            print(f"{folder}: {killed}/{total} killed"
                  f" ({100 * killed / total if total else 0:.0f}%), {invalid} did not compile", flush=True)
    finally:
        # The unmutated libraries, for the next run.
        build(sorted({t for f in folders for t in FOLDERS[f][1]}))
    return scores, survivors


if __name__ == "__main__":
    sys.exit(main())
