#!/usr/bin/env python3
"""Checks every #include of the project against the layer rules.

The rules are the table under "The rules the build checks" in
docs/architecture.md, beside the drawing. Each row names a folder, the rule it
keeps, what it may include (folders such as `launch/`, single headers such as
`platform/platform.h`, and window layouts such as `ui_form1.h`) and which Qt
modules it may include ("any", or module names such as QtCore). A folder may
always include its own headers. Every folder with a CMakeLists.txt and C++
sources needs a row.

Each include that breaks a rule is printed as "RULE: <the rule> (file:line)",
and the exit status is 1. The build runs this before any library of the
program compiles (with --stamp and --depfile), and so does the check_layers test.

    check_layers.py [--root DIR] [--qt-headers DIR] [--stamp FILE --depfile FILE]
    check_layers.py --self-test     (checks the checker on a small copy)
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

TABLE_HEADING = "### The rules the build checks"
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
CODE = re.compile(r"`([^`]+)`")


class Row:
    def __init__(self, folder, rule, uses, qt, line):
        self.folder = folder
        self.rule = rule
        self.uses = uses
        self.qt = qt
        self.line = line


def read_table(path):
    """The rows of the rules table, by folder name ("launch")."""
    rows = {}
    problems = []
    with open(path, encoding="utf-8") as lines:
        text = lines.read().splitlines()
    try:
        start = text.index(TABLE_HEADING)
    except ValueError:
        return rows, [f"RULE: the rules table is missing: no heading '{TABLE_HEADING}' ({path})"]
    table_seen = False
    for number, line in enumerate(text[start + 1:], start + 2):
        if line.startswith("#"):
            break
        if not line.startswith("|"):
            if table_seen:
                break
            continue
        table_seen = True
        cells = [cell.strip() for cell in line.strip().strip("|").split("|")]
        if cells[0] == "Folder" or set("".join(cells)) <= set("-: "):
            continue
        if len(cells) != 4:
            problems.append(f"RULE: a row of the rules table has four cells ({path}:{number})")
            continue
        folders = CODE.findall(cells[0])
        uses = CODE.findall(cells[2])
        qt = cells[3].split()
        if len(folders) != 1 or not folders[0].endswith("/") or not qt:
            problems.append(f"RULE: a row of the rules table names one folder and its Qt modules ({path}:{number})")
            continue
        folder = folders[0].rstrip("/")
        rows[folder] = Row(folder, cells[1].replace("`", ""), uses, qt, f"{os.path.basename(path)}:{number}")
    if not rows:
        problems.append(f"RULE: the rules table has no rows ({path})")
    return rows, problems


def qt_module(header, qt_root):
    """The Qt module of an angle-bracket include, or None when it is not Qt's."""
    if "/" in header:
        module = header.split("/", 1)[0]
        return module if re.fullmatch(r"Qt[A-Za-z0-9]+", module) else None
    if not re.fullmatch(r"Q[A-Za-z0-9_]+", header):
        return None
    if re.fullmatch(r"Qt[A-Z][A-Za-z0-9]+", header) and os.path.isdir(os.path.join(qt_root, header)):
        return header
    for module in sorted(os.listdir(qt_root)):
        if os.path.isfile(os.path.join(qt_root, module, header)):
            return module
    return "an unknown Qt module"


def check(root, qt_headers):
    """Every break of the rules under `root`, and every file and folder read."""
    table = os.path.join(root, "docs", "architecture.md")
    rows, problems = read_table(table)
    read = [table, os.path.abspath(__file__)]

    folders = sorted(name for name in os.listdir(root)
                     if not name.startswith(".") and os.path.isfile(os.path.join(root, name, "CMakeLists.txt")))
    for row in rows.values():
        if row.folder not in folders:
            problems.append(f"RULE: the rules table names `{row.folder}/`, which is no folder of the project ({row.line})")
        for entry in row.uses:
            first = entry.split("/", 1)[0]
            if "/" in entry and first not in folders:
                problems.append(f"RULE: the rules table names `{entry}`, which is in no folder of the project ({row.line})")
        if row.qt != ["any"] and not qt_headers:
            problems.append(f"RULE: `{row.folder}/` limits its Qt modules, which needs --qt-headers ({row.line})")

    for folder in folders:
        sources = []
        for directory, subdirectories, names in os.walk(os.path.join(root, folder)):
            subdirectories.sort()
            read.append(directory)
            sources += [os.path.join(directory, name) for name in sorted(names) if name.endswith(SOURCE_SUFFIXES)]
        if not sources:
            continue
        row = rows.get(folder)
        if row is None:
            problems.append(f"RULE: every folder with C++ sources has a row in the rules table of "
                            f"docs/architecture.md, and `{folder}/` has none ({folder}/)")
            continue
        for source in sources:
            read.append(source)
            problems += check_file(source, root, folders, row, qt_headers)
    return problems, read


def self_test(root, qt_headers):
    """Checks a small copy of the project that breaks each of the drawing's
    main rules once, beside includes that keep them: each break must be
    reported, with its place, and nothing else."""
    with tempfile.TemporaryDirectory(prefix="check-layers-") as copy:
        os.makedirs(os.path.join(copy, "docs"))
        shutil.copy(os.path.join(root, "docs", "architecture.md"), os.path.join(copy, "docs"))
        rows, problems = read_table(os.path.join(copy, "docs", "architecture.md"))
        for folder in rows:
            os.makedirs(os.path.join(copy, folder))
            open(os.path.join(copy, folder, "CMakeLists.txt"), "w").close()
        files = {
            "platform/platform.h": "",
            "platform/desktopplatform.h": '#include "platform/platform.h"\n',
            "system/filenames.h": "",
            "system/emulatorstart.h": '#include "system/filenames.h"\n',
            "system/soundeffect.h": "",
            "romchooser/form5.h": "#include <QDialog>\n",
            "launch/launchpress.cpp": '#include <QString>\n#include <QWidget>\n',
            "mainwindow/form1.cpp": '#include "platform/platform.h"\n#include "ui_form1.h"\n'
                                    '#include "romchooser/form5.h"\n#include "system/filenames.h"\n'
                                    '#include "system/emulatorstart.h"\n',
            "infowindows/about.cpp": '#include "system/soundeffect.h"\n',
            "romchooser/form5.cpp": '#include "romchooser/form5.h"\n#include "platform/desktopplatform.h"\n',
            "app/main.cpp": '#include "platform/desktopplatform.h"\n#include "romchooser/form5.h"\n',
        }
        for name, text in files.items():
            with open(os.path.join(copy, name), "w", encoding="utf-8") as source:
                source.write(text)
        problems, _ = check(copy, qt_headers)
    expected = ["<QWidget> is QtWidgets (launch/launchpress.cpp:2)",
                "not romchooser/form5.h (mainwindow/form1.cpp:3)",
                "not platform/desktopplatform.h (romchooser/form5.cpp:2)",
                "not system/emulatorstart.h (mainwindow/form1.cpp:5)",
                "not system/soundeffect.h (infowindows/about.cpp:1)"]
    found = [problem for problem in problems if problem.startswith("RULE: ")]
    missed = [text for text in expected if not any(problem.endswith(text) for problem in found)]
    for text in missed:
        print(f"self-test: no rule reported '... {text}'")
    extra = [problem for problem in found if not any(problem.endswith(text) for text in expected)]
    for problem in extra:
        print(f"self-test: reported although the include keeps the rules: {problem}")
    if missed or extra:
        return 1
    print(f"self-test: each of the {len(expected)} breaks was reported, and nothing else:")
    for problem in found:
        print("  " + problem)
    return 0


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description="Checks the includes against the layer rules.")
    parser.add_argument("--root", default=os.path.dirname(here), help="the source folder")
    parser.add_argument("--qt-headers", help="Qt's include folder, the one that holds QtCore/")
    parser.add_argument("--stamp", help="touched when every include keeps the rules")
    parser.add_argument("--depfile", help="written with every file and folder read, for the build")
    parser.add_argument("--self-test", action="store_true",
                        help="check that a copy with one break of each main rule fails as it should")
    options = parser.parse_args()

    root = os.path.abspath(options.root)
    if not options.qt_headers:
        # Run by hand: Qt's own answer, when its tools are there.
        try:
            found = subprocess.run(["qtpaths6", "--query", "QT_INSTALL_HEADERS"], capture_output=True,
                                   text=True, check=True).stdout.strip()
            options.qt_headers = found if os.path.isdir(os.path.join(found, "QtCore")) else None
        except (OSError, subprocess.CalledProcessError):
            pass
    if options.self_test:
        return self_test(root, options.qt_headers)
    problems, read = check(root, options.qt_headers)

    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} break(s) of the layer rules of docs/architecture.md "
              f"(the table under '{TABLE_HEADING.lstrip('# ')}')")
        return 1
    if options.depfile and options.stamp:
        def escaped(path):
            return path.replace("\\", "\\\\").replace(" ", "\\ ").replace("#", "\\#").replace("$", "$$")
        with open(options.depfile, "w", encoding="utf-8") as depfile:
            depfile.write(escaped(os.path.abspath(options.stamp)) + ": " +
                          " \\\n  ".join(escaped(path) for path in read) + "\n")
    if options.stamp:
        with open(options.stamp, "w", encoding="utf-8") as stamp:
            stamp.write("the includes keep the layer rules\n")
    return 0


def check_file(source, root, folders, row, qt_root):
    problems = []
    relative = os.path.relpath(source, root)
    here = os.path.dirname(source)
    with open(source, encoding="utf-8", errors="replace") as lines:
        for number, line in enumerate(lines, 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            bracket, header = match.groups()
            where = f"{relative}:{number}"
            target = project_header(header, bracket, here, root, folders)
            if target is None:
                if bracket == '"' and not header.endswith(".moc") and not header.startswith("ui_"):
                    problems.append(f"RULE: a quoted include names a header of the project: "
                                    f'"{header}" is none ({where})')
                elif header.startswith("ui_") and header not in row.uses:
                    problems.append(f"RULE: {row.rule}: {row.folder}/ may include "
                                    f"{', '.join(row.uses) or 'only its own headers'}, not the layout "
                                    f"{header} ({where})")
                elif bracket == "<" and row.qt != ["any"] and qt_root:
                    module = qt_module(header, qt_root)
                    if module is not None and module not in row.qt:
                        problems.append(f"RULE: {row.rule}: of Qt, {row.folder}/ includes "
                                        f"{' and '.join(row.qt)} only, and <{header}> is {module} ({where})")
                continue
            owner = target.split("/", 1)[0]
            if owner == row.folder or target in row.uses or owner + "/" in row.uses:
                continue
            problems.append(f"RULE: {row.rule}: {row.folder}/ may include "
                            f"{', '.join(row.uses) or 'only its own headers'}, not {target} ({where})")
    return problems


def project_header(header, bracket, here, root, folders):
    """The project header an include names, relative to the root, or None."""
    # Beside the including file (quoted only), then in each folder above it up
    # to the root: a folder's own include path (tests/ for "support/...") and
    # the project's ("launch/launchsettings.h").
    candidates = []
    directory = here
    while True:
        if directory != here or bracket == '"':
            candidates.append(os.path.normpath(os.path.join(directory, header)))
        if directory == root or os.path.dirname(directory) == directory:
            break
        directory = os.path.dirname(directory)
    for candidate in candidates:
        relative = os.path.relpath(candidate, root)
        if relative.split(os.sep, 1)[0] in folders and os.path.isfile(candidate):
            return relative.replace(os.sep, "/")
    return None


if __name__ == "__main__":
    sys.exit(main())
