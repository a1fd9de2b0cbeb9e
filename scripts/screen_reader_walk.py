"""The walk behind check_screen_reader.sh, run inside its private session.

Starts a window manager, Orca and the program; then presses keys with xdotool
as a user would and, after each key, reads two things: what Orca said (the
"SPEECH OUTPUT" lines of its debug file) and which object has the focus (from
the accessibility tree, which is what Orca itself reads). Each Tab stop must
be spoken with its name and its role.

    screen_reader_walk.py PROGRAM WORKDIR [TRANSCRIPT]
"""

import os
import re
import subprocess
import sys
import threading
import time
import tty
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

PROGRAM, WORK = sys.argv[1], sys.argv[2]
TRANSCRIPT = sys.argv[3] if len(sys.argv) > 3 else ""
ORCA_LOG = os.path.join(WORK, "orca.log")
MAIN_TITLE = "Tavik for SNES9x 2.5"
ROM_MARKER = "Select a SNES Rom File"
ABOUT_TITLE = "About Tavik 2.0"
# The stops of the main window outside the panels.
MAIN_STOPS = {"Tavik logo", "Sound", "Video", "ROM Type", "Joystick", "Miscellanous", "Game Cheats", "Help",
              "Readme", "ROM Loaded:", "Load ROM", "< EMULATE! >", "Exit"}
# The panel buttons in the order of the walk, and the name each panel reads as.
PANELS = [("Sound", "Sound options"), ("Video", "Video options"), ("ROM Type", "ROM Type options"),
          ("Joystick", "Joystick options"), ("Miscellanous", "Miscellanous options"),
          ("Game Cheats", "Game Cheats options")]
# How long the walk waits for what Orca should say after a key or an action:
# it goes on as soon as that has been said, and fails naming what it expected
# once the bound passes. About is built the first time it opens; a first
# start of the program on a fresh machine can take many seconds.
SPEECH_WAIT = 5
ABOUT_WAIT = 10
START_WAIT = 30

# Orca 43 logs "SPEECH OUTPUT: 'text'" and a voice after it; later Orcas log
# the same prefix with the text quoted, possibly followed by other fields.
SPEECH = re.compile(r"SPEECH OUTPUT: '(.*?)'(?=[\s{]|$)")

processes = []
failures = []
transcript = []


def start(args, **kwargs):
    process = subprocess.Popen(args, stdin=subprocess.DEVNULL, **kwargs)
    processes.append(process)
    return process


def stop_all():
    for process in reversed(processes):
        if process.poll() is None:
            process.terminate()
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()


class SpeechLog:
    """What Orca has said since the last look. Orca writes its debug file
    through a buffer that a file would fill for seconds; a terminal is written
    line by line, so the debug file is a pseudo-terminal read here as it comes
    (and copied to orca.log)."""

    def __init__(self):
        self.master, slave = os.openpty()
        tty.setraw(slave)
        self.path = os.ttyname(slave)
        self.slave = slave
        self.lines = []
        self.seen = 0
        self.lock = threading.Lock()
        threading.Thread(target=self._pump, daemon=True).start()

    def _pump(self):
        pending = b""
        with open(ORCA_LOG, "wb") as copy:
            while True:
                try:
                    data = os.read(self.master, 65536)
                except OSError:
                    return
                if not data:
                    return
                copy.write(data)
                pending += data
                *whole, pending = pending.split(b"\n")
                with self.lock:
                    self.lines += [line.decode("utf-8", "replace") for line in whole]

    def quiet_for(self, seconds, timeout):
        """Waits until Orca has written nothing at all for a while."""
        deadline = time.monotonic() + timeout
        with self.lock:
            count = len(self.lines)
        since = time.monotonic()
        while time.monotonic() < deadline:
            with self.lock:
                now_count = len(self.lines)
            if now_count != count:
                count, since = now_count, time.monotonic()
            elif time.monotonic() - since > seconds:
                return True
            time.sleep(0.1)
        return False

    def _read(self):
        with self.lock:
            new = self.lines[self.seen:]
            self.seen = len(self.lines)
        return [m.group(1) for line in new for m in [SPEECH.search(line)] if m]

    def skip(self):
        self._read()

    def hear(self, heard, timeout):
        """The utterances that follow an action: reads them until heard(said)
        holds or `timeout` seconds have passed, and once it holds, also the
        rest of the same announcement (until Orca has written nothing for a
        moment), so that it is not taken for the next action's. Returns the
        utterances and whether heard(said) held in time."""
        said = []
        deadline = time.monotonic() + timeout
        while True:
            said += self._read()
            if heard(said):
                self.quiet_for(0.3, 2)
                return said + self._read(), True
            if time.monotonic() >= deadline:
                return said, False
            time.sleep(0.05)


def key(*names):
    subprocess.run(["xdotool", "key", "--clearmodifiers", *names], check=True)


def application():
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_name() == "tavik":
            return app
    return None


def find(node, wanted, depth=0):
    """The first showing object under node for which wanted(object) holds."""
    if node is None or depth > 30:
        return None
    try:
        states = node.get_state_set()
        if depth > 1 and not states.contains(Atspi.StateType.SHOWING):
            return None
        if wanted(node):
            return node
        for i in range(node.get_child_count()):
            found = find(node.get_child_at_index(i), wanted, depth + 1)
            if found is not None:
                return found
    except gi.repository.GLib.Error:
        return None
    return None


def focused():
    return find(application(), lambda o: o.get_state_set().contains(Atspi.StateType.FOCUSED))


PUSH_BUTTON = ("push button", "button")


def describe(obj):
    if obj is None:
        return ("", "", "")
    return (obj.get_name(), obj.get_role_name(), obj.get_localized_role_name())


def spoken(said, *parts):
    words = " ".join(said).lower()
    return all(part.lower() in words for part in parts)


def check(condition, message):
    if not condition:
        failures.append(message)


def tab():
    """Presses Tab and returns the object the focus moves to. A look through
    the tree while the focus moves can pass the new object before it takes
    the focus and the old one after it has lost it, and find none: the walk
    looks again until it finds another object with the focus, or the bound
    passes."""
    before = describe(focused())
    key("Tab")
    deadline = time.monotonic() + SPEECH_WAIT
    obj = focused()
    while (obj is None or describe(obj) == before) and time.monotonic() < deadline:
        time.sleep(0.05)
        obj = focused()
    return obj


def stop_extras(name):
    """What else a stop must be spoken with: the ROM field its text, the logo
    its description."""
    return {"ROM Loaded:": [ROM_MARKER], "Tavik logo": ["Shows who made Tavik"]}.get(name, [])


def walk_stop(label, more=stop_extras):
    """Presses Tab and records the stop it reaches; the stop must be spoken
    with its name and its role. The walk waits until Orca has said those and
    what more(name) adds, which the caller checks, or until the bound passes."""
    obj = tab()
    name, role, localized = describe(obj)
    # A field inside an editable combo box is announced as the combo box.
    roles = [localized]
    parent = obj.get_parent() if obj is not None else None
    if parent is not None and parent.get_role() == Atspi.Role.COMBO_BOX:
        roles.append(parent.get_localized_role_name())
    extras = more(name)
    said, _ = speech.hear(lambda s: spoken(s, name, *extras) and any(spoken(s, r) for r in roles), SPEECH_WAIT)
    transcript.append(f"[{label}] {localized} '{name}': " + " | ".join(said))
    check(obj is not None, f"{label}: no object has the focus")
    check(name != "", f"{label}: a {localized} with no name")
    check(spoken(said, name) and any(spoken(said, r) for r in roles),
          f"{label}: the {localized} '{name}' was not spoken with its name and its role ({' or '.join(roles)})"
          f" within {SPEECH_WAIT} s; Orca said: {' | '.join(said) or '(nothing)'}")
    return obj, name, role, said


def check_rom_field(said, where):
    whole = [s for s in said if "Select a SNES Rom Fil" in s]
    check(whole and all(ROM_MARKER in s for s in whole),
          f"{where}: the ROM field's text was not spoken whole: {' | '.join(said)}")


def find_named(name, role):
    return find(application(), lambda o: o.get_name() == name and o.get_role() == role)


def open_about(how):
    """Waits for About's title after a press of the logo, then closes About
    with Escape and waits for the main window to be announced again."""
    said, opened = speech.hear(lambda s: spoken(s, ABOUT_TITLE), ABOUT_WAIT)
    transcript.append(f"[logo] {how}: " + " | ".join(said))
    check(opened, f"{how} on the logo did not open About: '{ABOUT_TITLE}' was not spoken within {ABOUT_WAIT} s;"
                  f" Orca said: {' | '.join(said) or '(nothing)'}")
    key("Escape")
    said, back = speech.hear(lambda s: spoken(s, MAIN_TITLE), SPEECH_WAIT)
    check(back or not opened, f"Escape did not close About: '{MAIN_TITLE}' was not spoken within {SPEECH_WAIT} s;"
                              f" Orca said: {' | '.join(said) or '(nothing)'}")


def press_logo():
    """Orca's left-click key on the focused logo, then the press action
    itself, as a braille display or another reader would call it: each opens
    the About window, which Escape closes again."""
    key("KP_Divide")
    open_about("Orca's left click (KP_Divide)")
    logo = find_named("Tavik logo", Atspi.Role.PUSH_BUTTON)
    check(logo is not None, "the logo is not a push button named 'Tavik logo'")
    if logo is None:
        return
    with warnings.catch_warnings():
        # Newer AT-SPI names the call get_name; 2.46 has only this one.
        warnings.simplefilter("ignore", DeprecationWarning)
        actions = [logo.get_action_name(i) for i in range(logo.get_n_actions())]
    check(any(a.lower() == "press" for a in actions), f"the logo has no press action: {actions}")
    if any(a.lower() == "press" for a in actions):
        logo.do_action([a.lower() for a in actions].index("press"))
        open_about("the press action")


def main():
    global speech
    start(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    prefs = os.path.join(WORK, "orca-prefs")
    os.makedirs(prefs, exist_ok=True)
    speech = SpeechLog()
    # Orca's own windows stay closed where this Orca can be told so.
    usage = subprocess.run(["orca", "--help"], capture_output=True, text=True).stdout
    quiet_windows = ["-d", "main-window", "-d", "splash-window"] if "--disable" in usage else []
    start(["orca", "-u", prefs, *quiet_windows, "--debug-file", speech.path],
          stdout=subprocess.DEVNULL, stderr=open(os.path.join(WORK, "orca.err"), "w"))
    if not speech.quiet_for(1.5, 30):
        print("Orca did not start", file=sys.stderr)
        return 1
    speech.skip()
    start([PROGRAM], cwd=WORK, stdout=subprocess.DEVNULL, stderr=open(os.path.join(WORK, "tavik.err"), "w"))
    # The splash stays 1.5 s; then the main window comes, its ROM field focused.
    said, _ = speech.hear(lambda s: spoken(s, MAIN_TITLE, "frame", ROM_MARKER), START_WAIT)
    if not spoken(said, MAIN_TITLE):
        print(f"Orca did not announce the main window ('{MAIN_TITLE}') within {START_WAIT} s;"
              f" it said: {' | '.join(said) or '(nothing)'}", file=sys.stderr)
        return 1
    transcript.append("[start] " + " | ".join(said))
    check(spoken(said, MAIN_TITLE, "frame"), f"the main window was not announced as a window: {' | '.join(said)}")
    check_rom_field(said, "the first focus")

    # The main window: round the Tab chain once, back to the ROM field.
    first = describe(focused())
    for _ in range(40):
        obj, name, role, said = walk_stop("main")
        if name == "ROM Loaded:":
            check_rom_field(said, "the ROM field")
        if name == "Tavik logo":
            # Older AT-SPI names the role "push button", newer "button".
            check(role in PUSH_BUTTON and spoken(said, "button", "Shows who made Tavik"),
                  f"the logo was not spoken as a button with its description: {' | '.join(said)}")
        if describe(obj) == first:
            break
    else:
        check(False, "the Tab chain of the main window never came back to the ROM field")

    # Each panel: its button, Space, then Tab through its controls; the logo
    # follows the last of them.
    for button, panel in PANELS:
        obj = focused()
        for _ in range(20):
            name, role = describe(obj)[:2]
            if name == button and role in PUSH_BUTTON:
                break
            # On the way to the button: its stops were checked in the round
            # above, and what Orca says of them is only kept from the next.
            obj = tab()
            name = describe(obj)[0]
            speech.hear(lambda s: spoken(s, name), SPEECH_WAIT)
        # Space shows the panel; Orca only echoes the key, which the first
        # stop's speech takes in.
        key("space")
        deadline = time.monotonic() + SPEECH_WAIT
        while find_named(panel, Atspi.Role.PANEL) is None and time.monotonic() < deadline:
            time.sleep(0.05)
        entered = False

        def panel_extras(name):
            # The first stop inside the panel announces it.
            first_inside = not entered and name not in MAIN_STOPS
            return stop_extras(name) + ([panel] if first_inside else [])

        for _ in range(40):
            obj, name, role, said = walk_stop(button, panel_extras)
            if not entered and name not in MAIN_STOPS:
                entered = True
                check(spoken(said, panel), f"entering '{panel}' was not announced: {' | '.join(said)}")
            if name == "Tavik logo":
                break
        else:
            check(False, f"the Tab chain through '{panel}' never reached the logo")
        check(entered, f"the Tab chain never entered '{panel}'")

    # The logo, focused now: Orca's click and the press action.
    press_logo()
    return 0


def report():
    text = "\n".join(transcript) + "\n"
    if TRANSCRIPT:
        with open(TRANSCRIPT, "w") as out:
            out.write(text)
    stops = sum(1 for line in transcript if not line.startswith(("[start]", "[logo]")))
    if failures:
        print(text, file=sys.stderr)
        print(f"{len(failures)} of the checks failed over {stops} Tab stops:", file=sys.stderr)
        for failure in failures:
            print("  " + failure, file=sys.stderr)
        return 1
    print(f"Orca spoke each of {stops} Tab stops with its name and role; the logo was pressed twice.")
    return 0


if __name__ == "__main__":
    try:
        status = main()
        if status == 0:
            status = report()
    finally:
        stop_all()
    sys.exit(status)
