#!/usr/bin/python3
"""Drives the built tavik as a user would, on a real window manager.

A private X server (Xvfb) with openbox, a private sound server with a null
sink and a private session bus with its own accessibility bus. The program is
found and read through the accessibility tree; it is driven with clicks and
keys sent through the X server. A stand-in snes9x.exe on PATH records the
arguments and the folder it was started with.

    tavik_e2e.py PATH/TO/tavik [JOURNEY ...] [--awaiting=TAG,...] [--screen=WxH]

Each journey checks what the user sees or what the emulator receives. On a
failure a screenshot of the screen is saved and its path printed.
"""
import json
import os
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import threading
import time
import traceback
import wave

from Xlib import Xatom

HERE = os.path.dirname(os.path.abspath(__file__))
SCREEN = (1280, 1024)
MAIN_TITLE = "Tavik for SNES9x 2.5"


# TAVIK_E2E_TRACE=1 prints how long each wait took.
TRACE = bool(os.environ.get("TAVIK_E2E_TRACE"))


class JourneyFailed(Exception):
    pass


def check(condition, message):
    if not condition:
        raise JourneyFailed(message)


# Failures that do not stop the journey: it goes on to check the rest, and
# fails at its end with all of them. Each has a tag; a tag named in
# --awaiting marks a fault known and not yet mended: its failure is reported
# and tolerated, and its passing fails the run until the tag is taken out.
later = []
awaiting = set()
awaited_seen = {}


def check_later(condition, message, tag):
    if tag in awaiting:
        awaited_seen.setdefault(tag, []).append(None if condition else message)
    elif not condition:
        later.append(message)


def wait_for(what, probe, timeout=5.0, interval=0.05):
    """Polls probe() until it returns something true; fails with `what`."""
    started = time.monotonic()
    deadline = started + timeout
    while True:
        value = probe()
        if value:
            if TRACE:
                print(f"  {time.monotonic() - started:5.2f} s  {what}", file=sys.stderr)
            return value
        if time.monotonic() > deadline:
            raise JourneyFailed(f"waited {timeout:g} s for {what}")
        time.sleep(interval)


def run(*command, check_status=True):
    result = subprocess.run(command, capture_output=True, text=True, timeout=20)
    if check_status and result.returncode != 0:
        raise RuntimeError(f"{' '.join(command)}: {result.stderr.strip()}")
    return result.stdout


# --- the X server, as the window manager shows it ----------------------------

def visible_windows(title):
    out = run("xdotool", "search", "--onlyvisible", "--name", f"^{title}$", check_status=False)
    return [int(w) for w in out.split()]


def visible_window(title):
    windows = visible_windows(title)
    return windows[0] if windows else None


def client_rect(window):
    """The client area's position on the screen and its size."""
    info = run("xwininfo", "-id", str(window))
    values = {}
    for line in info.splitlines():
        key, _, value = line.strip().partition(":")
        values[key] = value.strip()
    return (int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"]),
            int(values["Width"]), int(values["Height"]))


def frame_extents(window):
    out = run("xprop", "-id", str(window), "_NET_FRAME_EXTENTS", check_status=False)
    if "=" not in out:
        return (0, 0, 0, 0)
    left, right, top, bottom = (int(v) for v in out.split("=")[1].split(","))
    return left, right, top, bottom


def frame_rect(window):
    x, y, w, h = client_rect(window)
    left, right, top, bottom = frame_extents(window)
    return x - left, y - top, w + left + right, h + top + bottom


def transient_for(window):
    out = run("xprop", "-id", str(window), "WM_TRANSIENT_FOR", check_status=False)
    if "window id #" not in out:
        return None
    return int(out.split("#")[1].split()[0], 16)


def is_viewable(window):
    return "IsViewable" in run("xwininfo", "-id", str(window), check_status=False)


def click_at(x, y):
    # No --sync: it waits for a motion that never comes when the pointer is
    # already there. The server handles the move and the click in order.
    run("xdotool", "mousemove", str(x), str(y), "click", "1")


def keys(*names):
    run("xdotool", "key", "--delay", "30", *names)


class MapRecord:
    """What the X server maps and unmaps, recorded from before the program starts.

    A window that shows only for a moment (the splash) is checked from this
    record, not looked for while it may already be gone. Its own connection to
    the server watches the root for new windows and each new window for its
    mapping; a window mapped before its watch began is recorded as found mapped."""

    def __init__(self):
        from Xlib import X, display
        self.X = X
        self.display = self._connect(display)
        self.display.set_error_handler(lambda *args: None)  # windows may go at any time
        self.pid_atom = self.display.intern_atom("_NET_WM_PID")
        self.name_atom = self.display.intern_atom("_NET_WM_NAME")
        self.utf8 = self.display.intern_atom("UTF8_STRING")
        self.started = time.monotonic()
        self.events = []  # (seconds, "map" or "unmap", window, pid, title, (width, height))
        self.lock = threading.Lock()
        self.stopping = False
        self.display.screen().root.change_attributes(event_mask=X.SubstructureNotifyMask)
        self.display.sync()
        self.thread = threading.Thread(target=self._watch, daemon=True)
        self.thread.start()

    @staticmethod
    def _connect(display):
        # python-xlib takes the server's file socket whenever such a file
        # exists, and a file left behind by an earlier server of the same
        # number refuses it; the private servers listen only on the abstract
        # socket, which is where this connection goes.
        from Xlib.support import unix_connect
        plain = unix_connect._get_unix_socket
        unix_connect._get_unix_socket = lambda address: plain(
            address if address.startswith("\0") else "\0" + address)
        try:
            return display.Display()
        finally:
            unix_connect._get_unix_socket = plain

    def restart_clock(self):
        self.started = time.monotonic()

    def _describe(self, window):
        try:
            pid = window.get_full_property(self.pid_atom, self.X.AnyPropertyType)
            name = window.get_full_property(self.name_atom, self.utf8) or \
                window.get_full_property(Xatom.WM_NAME, Xatom.STRING)
            title = name.value if name else b""
            title = title.decode("utf-8", "replace") if isinstance(title, bytes) else title
            geometry = window.get_geometry()
            return (pid.value[0] if pid else None, title, (geometry.width, geometry.height))
        except Exception:
            return (None, "", (0, 0))

    def _add(self, kind, window):
        """Records the program's windows: those with a process number (the
        window manager's frames have none)."""
        pid, title, size = self._describe(window) if kind == "map" else (None, "", (0, 0))
        with self.lock:
            if kind != "map":
                # An unmapped or destroyed window is described as it was mapped.
                for _, k, w, p, t, z in reversed(self.events):
                    if w == window.id and k == "map":
                        pid, title, size = p, t, z
                        break
            if pid is not None:
                self.events.append((time.monotonic() - self.started, kind, window.id, pid, title, size))

    def _watch(self):
        X = self.X
        while not self.stopping:
            if not self.display.pending_events():
                select.select([self.display.fileno()], [], [], 0.1)
                if not self.display.pending_events():
                    continue
            event = self.display.next_event()
            if event.type == X.CreateNotify:
                window = event.window
                window.change_attributes(event_mask=X.StructureNotifyMask)
                try:
                    if window.get_attributes().map_state == X.IsViewable:
                        self._add("map", window)
                except Exception:
                    pass
            elif event.type == X.MapNotify and event.event == event.window:
                self._add("map", event.window)
            elif event.type == X.UnmapNotify and event.event == event.window:
                self._add("unmap", event.window)
            elif event.type == X.DestroyNotify and event.event == event.window:
                self._add("destroy", event.window)

    def stop(self):
        self.stopping = True
        self.thread.join(timeout=2)

    def find(self, pid, kinds=("map",), title=None, size=None, window=None):
        """The first event of those kinds for one of the program's windows."""
        with self.lock:
            for event in self.events:
                t, k, w, p, name, z = event
                if (k in kinds and p == pid and (window is None or w == window)
                        and (title is None or name == title) and (size is None or z == size)):
                    return event
        return None

    def report(self):
        with self.lock:
            lines = [f"{t:6.2f} s  {k:5}  0x{w:x}  pid {p}  {n!r} {z[0]}x{z[1]}"
                     for t, k, w, p, n, z in self.events]
        return "what the X server mapped and unmapped, in order:\n       " + ("\n       ".join(lines) or "nothing")


# --- the accessibility tree ---------------------------------------------------

# Imported once the private session bus is up (see inner()).
pyatspi = None


def application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            pass
    return None


def role_name(acc):
    """The role's name as Debian 12's AT-SPI gives it; Debian 13's calls a
    push button just "button"."""
    name = acc.getRoleName()
    return "push button" if name == "button" else name


def find(root, name, role=None, showing=True):
    """The first object under root with that name (and role), breadth first."""
    queue = [root]
    while queue:
        node = queue.pop(0)
        try:
            children = list(node)
        except Exception:
            continue
        for child in children:
            if child is None:
                continue
            try:
                state = child.getState()
                if showing and not state.contains(pyatspi.STATE_SHOWING):
                    continue
                if child.name == name and (role is None or role_name(child) == role):
                    return child
            except Exception:
                continue
            queue.append(child)
    return None


def top_level(app, title):
    for window in app:
        if window is not None and window.name == title:
            return window
    return None


def centre(acc):
    ext = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return ext.x + ext.width // 2, ext.y + ext.height // 2


def click(acc):
    click_at(*centre(acc))


def is_checked(acc):
    return acc.getState().contains(pyatspi.STATE_CHECKED)


def text_of(acc):
    text = acc.queryText()
    return text.getText(0, text.characterCount)


def focused(root):
    queue = [root]
    while queue:
        node = queue.pop(0)
        for child in node:
            if child is None:
                continue
            state = child.getState()
            if not state.contains(pyatspi.STATE_SHOWING):
                continue
            if state.contains(pyatspi.STATE_FOCUSED):
                return child
            queue.append(child)
    return None


# --- the program under test ----------------------------------------------------

class Session:
    def __init__(self, tavik, workdir):
        self.tavik = tavik
        self.workdir = workdir
        self.record = os.path.join(workdir, "emulator-record.json")
        self.work = os.path.join(workdir, "games")
        self.roms = os.path.join(self.work, "roms")
        os.makedirs(self.roms)
        for name in ("GAME.SMC", "OTHER.SMC"):
            open(os.path.join(self.roms, name), "wb").close()
        write_silence(os.path.join(self.work, "qblaster.wav"), seconds=0.3)
        bindir = self.bindir = os.path.join(workdir, "bin")
        os.makedirs(bindir)
        standin = os.path.join(bindir, "snes9x.exe")
        # While the flag file exists, the stand-in fails at once as wine does
        # when it cannot run a 32-bit program.
        self.fail_flag = os.path.join(workdir, "fail-at-once")
        with open(standin, "w") as f:
            f.write("#!/usr/bin/python3\nimport json, os, sys\n"
                    f"if os.path.exists({self.fail_flag!r}):\n"
                    "    sys.stderr.write('wine: could not load kernel32.dll, status c0000135\\n'\n"
                    "                     'it looks like wine32 is missing, you should install it.\\n')\n"
                    "    sys.exit(1)\n"
                    f"with open({self.record!r} + '.tmp', 'w') as f:\n"
                    "    json.dump({'argv': sys.argv[1:], 'cwd': os.getcwd()}, f)\n"
                    f"os.replace({self.record!r} + '.tmp', {self.record!r})\n")
        os.chmod(standin, 0o755)
        self.env = dict(os.environ, PATH=bindir + os.pathsep + os.environ["PATH"],
                        QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
                        QT_ACCESSIBILITY="1")
        self.env.pop("QT_SCALE_FACTOR", None)
        self.process = None
        self.app = None
        self.maps = None

    def start(self, arguments=(), errors_closed=False):
        if os.path.exists(self.record):
            os.remove(self.record)
        if self.maps is None:
            self.maps = MapRecord()
        self.maps.restart_clock()
        # What the program writes to its error output is kept, and shown once
        # the journeys are over.
        self.errors = open(os.path.join(self.workdir, "tavik-errors.txt"), "ab")
        self.process = subprocess.Popen([self.tavik, *arguments], cwd=self.work, env=self.env, stderr=self.errors,
                                        preexec_fn=(lambda: os.close(2)) if errors_closed else None)
        self.app = None

    def accessible(self):
        if self.app is None:
            # As long as a first start on a fresh machine may take.
            self.app = wait_for("tavik on the accessibility bus", lambda: application(self.process.pid),
                                timeout=30)
        return self.app

    def main_window(self):
        return wait_for("the main window on the screen", lambda: visible_window(MAIN_TITLE), timeout=30)

    def main(self):
        return wait_for("the main window in the accessibility tree",
                        lambda: top_level(self.accessible(), MAIN_TITLE), timeout=30)

    def control(self, name, role=None, window=MAIN_TITLE):
        def probe():
            if self.process.poll() is not None:
                raise JourneyFailed(f"the program ended (status {self.process.returncode}) "
                                    f"while looking for {name!r}")
            win = top_level(self.accessible(), window)
            return find(win, name, role) if win is not None else None
        return wait_for(f"{role or 'control'} {name!r} in {window!r}", probe)

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        if self.maps is not None:
            self.maps.stop()
        if self.process:
            self.errors.close()
            with open(self.errors.name, "rb") as f:
                sys.stderr.buffer.write(f.read()[-4000:])

    def emulator_received(self):
        return wait_for("the emulator to start", lambda: os.path.exists(self.record) and
                        json.load(open(self.record)), timeout=5)


def write_silence(path, seconds):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(22050)
        w.writeframes(struct.pack("<h", 0) * int(22050 * seconds))


def assert_centred(window, what):
    x, y, w, h = frame_rect(window)
    dx = abs(x + w / 2 - SCREEN[0] / 2)
    dy = abs(y + h / 2 - SCREEN[1] / 2)
    check_later(dx <= 1 and dy <= 1,
          f"{what} is not centred with its frame: frame {w}x{h} at ({x}, {y}) on a "
          f"{SCREEN[0]}x{SCREEN[1]} screen, {dx:g}, {dy:g} off", "frame-centring")


def assert_owned_by_main(window, what, main):
    owner = transient_for(window)
    check_later(owner == main, f"{what} belongs to window {owner}, not to the main window {main}", "modal-owner")


# --- the journeys ---------------------------------------------------------------

def journey_start(s):
    """Splash, then the main window, centred, with the keys in the ROM field."""
    # The first start on a fresh machine also builds the font cache, which
    # takes seconds; the splash promises nothing about how soon it shows.
    # It shows for a moment only, so it is read from what the X server has
    # mapped since the start, not looked for on the screen.
    pid = s.process.pid

    def recorded(what, **which):
        try:
            return wait_for(what, lambda: s.maps.find(pid, **which), timeout=30)
        except JourneyFailed as error:
            raise JourneyFailed(f"{error}; {s.maps.report()}")
    splash = recorded("the splash", size=(323, 265))
    main_mapped = recorded("the main window mapped", title=MAIN_TITLE)
    check(main_mapped[0] > splash[0], f"the main window showed before the splash; {s.maps.report()}")
    main = s.main_window()
    recorded("the splash to go", kinds=("unmap", "destroy"), window=splash[2])
    check(client_rect(main)[2:] == (678, 372), f"main window client area {client_rect(main)[2:]}")
    assert_centred(main, "the main window")
    rom = s.control("ROM Loaded:", "text")
    check(text_of(rom) == "Select a SNES Rom File", f"ROM field shows {text_of(rom)!r}")
    has_focus = wait_for("a focused control", lambda: focused(s.main()))
    check(has_focus.name == "ROM Loaded:" and role_name(has_focus) == "text",
          f"the keyboard focus is on {role_name(has_focus)} {has_focus.name!r}, not the ROM field")


def journey_panel(s):
    """Two ticks on the Video panel; the frame-skip slider moved by two steps."""
    click(s.control("Video", "push button"))
    hires = s.control("High Resolution", "check box")
    trans = s.control("Transparencies", "check box")
    for box in (hires, trans):
        click(box)
        wait_for(f"{box.name} ticked", lambda: is_checked(box))
    click(s.control("Miscellanous", "push button"))
    wait_for("the Video panel hidden", lambda: find(s.main(), "High Resolution", "check box") is None)
    slider = s.control("Frameskip", "slider")
    ext = slider.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    # The handle sits at the left end; a click on it takes the focus and moves nothing.
    click_at(ext.x + 6, ext.y + ext.height // 2)
    wait_for("the slider focused", lambda: slider.getState().contains(pyatspi.STATE_FOCUSED))
    keys("Right", "Right")
    wait_for("the slider at 2", lambda: slider.queryValue().currentValue == 2)


def pick_rom(s, main):
    click(s.control("Load ROM", "push button"))
    chooser = wait_for("the chooser", lambda: visible_window("Choose ROM"))
    assert_owned_by_main(chooser, "the chooser", main)
    folder = s.control("roms", window="Choose ROM")
    click(folder)
    run("xdotool", "click", "--repeat", "2", "--delay", "80", "1")
    game = s.control("GAME.SMC", window="Choose ROM")
    click(game)
    rom = s.control("ROM Loaded:", "text")
    wait_for("GAME.SMC in the ROM field", lambda: text_of(rom) == "GAME.SMC")
    click(s.control("OK", "push button", window="Choose ROM"))
    wait_for("the chooser to close", lambda: visible_window("Choose ROM") is None)


def journey_launch(s):
    """Pick a ROM in a sub-folder, launch: the emulator gets the exact arguments."""
    main = s.main_window()
    pick_rom(s, main)
    click(s.control("< EMULATE! >", "push button"))
    got = s.emulator_received()
    expected = ["-m", "9", "-h", "-tr", "-f", "2", "-ratio", "1+", "-h", "100", "GAME.SMC"]
    check(got["argv"] == expected, f"the emulator received {got['argv']}, expected {expected}")
    check(os.path.realpath(got["cwd"]) == os.path.realpath(s.roms),
          f"the emulator ran in {got['cwd']}, not in the ROM's folder {s.roms}")
    check(s.process.poll() is None, "the launcher ended after the launch")


def text_containing(root, fragment):
    """The first showing object under root whose name contains fragment."""
    queue = [root]
    while queue:
        node = queue.pop(0)
        for child in node:
            if child is None or not child.getState().contains(pyatspi.STATE_SHOWING):
                continue
            if fragment in (child.name or ""):
                return child
            queue.append(child)
    return None


def journey_early_end(s):
    """An emulator that fails at once is reported in its own words; one that
    ends well at once is not."""
    main = s.main_window()
    open(s.fail_flag, "w").close()
    try:
        click(s.control("< EMULATE! >", "push button"))
        box = wait_for("the early end's message", lambda: visible_window("Tavik 2.5"))
        assert_owned_by_main(box, "the early end's message", main)
        words = wait_for("wine's words in the message", lambda: top_level(s.accessible(), "Tavik 2.5") and
                         text_containing(top_level(s.accessible(), "Tavik 2.5"), "wine32 is missing"))
        check("exit code 1" in words.name and "snes9x.exe" in words.name, f"the message says {words.name!r}")
        click(s.control("OK", "push button", window="Tavik 2.5"))
        wait_for("the message to close", lambda: visible_window("Tavik 2.5") is None)
    finally:
        os.remove(s.fail_flag)
    os.remove(s.record)
    click(s.control("< EMULATE! >", "push button"))
    s.emulator_received()
    settle(s)
    check(visible_window("Tavik 2.5") is None, "an emulator that ended well was reported")


def journey_wrapper(s):
    """A wrapper script under set -e that logs through /dev/stderr starts its
    game, which keeps running and writing to its error output: every line
    reaches the launcher's error output, and no write fails, also after the
    launcher was killed."""
    main = s.main_window()
    if text_of(s.control("ROM Loaded:", "text")) != "GAME.SMC":
        pick_rom(s, main)
    standin = os.path.join(s.bindir, "snes9x.exe")
    game = os.path.join(s.bindir, "game")
    stop = os.path.join(s.workdir, "game-stop")
    done = os.path.join(s.workdir, "game-done")
    original = open(standin).read()
    os.rename(standin, game)
    try:
        with open(standin, "w") as f:
            f.write("#!/bin/sh\nset -e\necho 'wrapper: starting the game' > /dev/stderr\n"
                    f"echo 'wrapper: appended' >> /dev/stderr\nexec {game} \"$@\"\n")
        os.chmod(standin, 0o755)
        # The game records its start as the stand-in does, then writes a line
        # every 10 ms (Python raises on a failed write) until it is told to stop.
        with open(game, "a") as f:
            f.write("import time\nn = 0\n"
                    f"while not os.path.exists({stop!r}) and n < 3000:\n"
                    "    n += 1\n    print(f'game line {n}', file=sys.stderr, flush=True)\n    time.sleep(0.01)\n"
                    f"open({done!r} + '.tmp', 'w').write(str(n))\nos.replace({done!r} + '.tmp', {done!r})\n")
        click(s.control("< EMULATE! >", "push button"))
        s.emulator_received()
        wait_for("the game's lines in the launcher's error output",
                 lambda: b"game line 20\n" in open(s.errors.name, "rb").read())
        check(visible_window("Tavik 2.5") is None, "a game that runs was reported")
        s.process.kill()
        s.process.wait()
        time.sleep(0.5)
        open(stop, "w").close()
        lines = int(wait_for("the game to end well", lambda: os.path.exists(done) and open(done).read(), timeout=10))
        written = open(s.errors.name, "rb").read()
        for line in (b"wrapper: starting the game\nwrapper: appended\n", b"game line %d\n" % lines):
            check(line in written, f"{line!r} did not reach the launcher's error output")
    finally:
        with open(game, "w") as f:
            f.write(original)
        os.replace(game, standin)
        s.start()


def journey_errors_closed(s):
    """Started with its error output closed, the launcher logs an early end
    where nothing of its own is, and shows the message; in the style asked
    for on the command line, which lays the message's button out at its right
    (the classic look centres it)."""
    s.process.kill()
    s.process.wait()
    s.start(["-style", "fusion", "roms/GAME.SMC"], errors_closed=True)

    def shown():
        check(s.process.poll() is None, f"the launcher ended at its start (status {s.process.returncode})")
        return visible_window(MAIN_TITLE)
    wait_for("the main window on the screen", shown, timeout=30)
    open(s.fail_flag, "w").close()
    try:
        click(s.control("< EMULATE! >", "push button"))
        x, _, width, _ = client_rect(wait_for("the early end's message", lambda: visible_window("Tavik 2.5")))
        ok = s.control("OK", "push button", window="Tavik 2.5")
        at = ok.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        check(at.x + at.width / 2 > x + width * 3 / 4, f"the message's button is at {at.x}..{at.x + at.width} "
              f"in {x}..{x + width}, not at its right: the style asked for was not taken")
        click(ok)
        wait_for("the message to close", lambda: visible_window("Tavik 2.5") is None)
        check(s.process.poll() is None, f"the launcher ended (status {s.process.returncode})")
    finally:
        os.remove(s.fail_flag)


def sound_events():
    """A listener that records the streams the sound server is asked to play."""
    return subprocess.Popen(["pactl", "subscribe"], stdout=subprocess.PIPE, text=True, bufsize=1)


def journey_about(s):
    """The logo opens About over the main window; once it is gone, the sound plays."""
    main = s.main_window()
    listener = sound_events()
    try:
        time.sleep(0.2)
        click(s.control("Tavik logo"))
        about = wait_for("the About window", lambda: visible_window("About Tavik 2.0"))
        assert_owned_by_main(about, "the About window", main)
        assert_centred(about, "the About window")
        click(s.control("Return to Tavik 2.0", "push button", window="About Tavik 2.0"))
        wait_for("About to close", lambda: visible_window("About Tavik 2.0") is None)
        os.set_blocking(listener.stdout.fileno(), False)
        seen = []

        def played():
            line = listener.stdout.readline()
            while line:
                seen.append(line)
                line = listener.stdout.readline()
            return any("'new' on sink-input" in l for l in seen)
        wait_for("the sound to play on the sound server", played, timeout=5)
    finally:
        listener.kill()
        listener.wait()
    # The main window answers again once the sound is over.
    click(s.control("Video", "push button"))
    box = s.control("High Resolution", "check box")
    before = is_checked(box)
    click(box)
    wait_for("the main window to take a click after the sound", lambda: is_checked(box) != before)
    click(box)
    wait_for("High Resolution back as it was", lambda: is_checked(box) == before)


def journey_grip(s):
    """GrIP: the main window takes nothing and refuses to close; the button ends it."""
    main = s.main_window()
    click(s.control("Joystick", "push button"))
    click(s.control("For GrIP Info", "push button"))
    dialog = wait_for("the GrIP dialog", lambda: visible_window("GrIP Info"))
    assert_centred(dialog, "the GrIP dialog")
    # A close request through the window manager, as a task bar sends it, and
    # a click on the main window: neither may do anything. What does not happen
    # has no moment to wait for; both have had the time to act once the
    # program has answered three times on the accessibility bus.
    run("wmctrl", "-i", "-c", hex(main))
    click(s.control("Video", "push button"))
    settle(s)
    check(s.process.poll() is None and is_viewable(main), "a close request ended the program while GrIP showed")
    check(find(s.main(), "High Resolution", "check box") is None,
          "the main window took a click on Video while GrIP showed")
    dialog = visible_window("GrIP Info")
    check(dialog is not None, "the GrIP dialog went away on the main window's close request")
    click(s.control("Return to Tavik", "push button", window="GrIP Info"))
    wait_for("GrIP to close", lambda: visible_window("GrIP Info") is None)
    click(s.control("Video", "push button"))
    s.control("High Resolution", "check box")
    check(s.process.poll() is None, "the program ended once GrIP closed")


def journey_minimised_modal(s):
    """A modal minimised, the main window activated: the modal is back."""
    main = s.main_window()
    click(s.control("Tavik logo"))
    about = wait_for("the About window", lambda: visible_window("About Tavik 2.0"))
    run("xdotool", "windowminimize", "--sync", str(about), check_status=False)
    run("xdotool", "windowactivate", str(main), check_status=False)
    deadline = time.monotonic() + 1
    while not is_viewable(about) and time.monotonic() < deadline:
        time.sleep(0.05)
    back = is_viewable(about)
    # Either way, About goes, so the journeys after this one can go on.
    if not back:
        run("xdotool", "windowactivate", "--sync", str(about), check_status=False)
        wait_for("About restored", lambda: is_viewable(about))
    # Once restored, the window can take a moment before it answers a click
    # (what is checked here is only whether it came back): the click is
    # repeated until About goes.
    button = s.control("Return to Tavik 2.0", "push button", window="About Tavik 2.0")
    for attempt in range(5):
        click(button)
        try:
            wait_for("About to close", lambda: visible_window("About Tavik 2.0") is None, timeout=1)
            break
        except JourneyFailed:
            if attempt == 4:
                raise
    check_later(back, "the About window stayed minimised when the main window was activated",
                "minimised-modal")


def settle(s):
    """Gives the program the time to act on what it was sent.

    Three round trips through its event loop on the accessibility bus, and at
    least 0.2 s, for the steps where the check is that nothing happens."""
    started = time.monotonic()
    for _ in range(3):
        try:
            window = top_level(s.accessible(), MAIN_TITLE)
            if window is not None:
                find(window, "Exit", "push button")
        except Exception:
            break  # the program is gone, as the check after this finds
    time.sleep(max(0.0, 0.2 - (time.monotonic() - started)))


def question_box():
    return wait_for("the exit question", lambda: visible_window("Tavik 2.5"))


def journey_exit(s):
    """Exit: No keeps the program; Yes ends it."""
    main = s.main_window()
    click(s.control("Exit", "push button"))
    box = question_box()
    assert_owned_by_main(box, "the exit question", main)
    click(s.control("No", "push button", window="Tavik 2.5"))
    wait_for("the question to close", lambda: visible_window("Tavik 2.5") is None)
    settle(s)
    check(s.process.poll() is None and is_viewable(main), "No ended the program")
    click(s.control("Exit", "push button"))
    question_box()
    click(s.control("Yes", "push button", window="Tavik 2.5"))
    wait_for("the program to end", lambda: s.process.poll() is not None, timeout=5)
    check(s.process.returncode == 0, f"the program ended with status {s.process.returncode}")


class Launched:
    """The program as GLib's launcher started it: not this script's child."""
    def __init__(self, pid):
        self.pid, self.returncode = pid, None
    def poll(self):
        return None if os.path.exists(f"/proc/{self.pid}") else "gone"
    def kill(self):
        os.kill(self.pid, signal.SIGKILL)
    def wait(self):
        pass


def journey_open_with(s):
    """Opened with a ROM as GNOME's file manager opens it: GLib's launcher
    runs the installed menu entry with the file."""
    prefix = os.path.join(s.workdir, "installed")
    run("cmake", "--install", os.path.dirname(os.path.dirname(s.tavik)), "--prefix", prefix)
    # Answered without a display, Qt's own options set aside.
    for args, status, want in ((["--version"], 0, "tavik 2.5\n"), (["-platformtheme", "x", "-h"], 0, "Usage: tavik "),
                               (["a.smc", "b.smc"], 1, "tavik: one file at most"), (["--bogus"], 1, "tavik: Unknown")):
        got = subprocess.run([os.path.join(prefix, "bin", "tavik"), *args], capture_output=True, text=True,
                             env={k: v for k, v in s.env.items() if k not in ("DISPLAY", "QT_QPA_PLATFORM")})
        check(got.returncode == status and (got.stdout or got.stderr).startswith(want), f"tavik {args}: {got}")
    s.stop()
    env = dict(s.env, PATH=os.path.join(prefix, "bin") + os.pathsep + s.env["PATH"],
               XDG_DATA_DIRS=os.path.join(prefix, "share") + os.pathsep + "/usr/share")
    entry = os.path.join(prefix, "share", "applications", "net.tavik.Tavik.desktop")
    # As dpkg's trigger does when the package is installed; then GLib offers
    # the entry for a SNES ROM ("Open With").
    run("update-desktop-database", os.path.dirname(entry))
    offered = subprocess.run(["gio", "mime", "application/vnd.nintendo.snes.rom"], env=env,
                             capture_output=True, text=True).stdout
    check("\tnet.tavik.Tavik.desktop" in offered, f"GLib does not offer Tavik for a SNES ROM: {offered}")
    subprocess.run(["gio", "launch", entry, "roms/GAME.SMC"], cwd=s.work, env=env, check=True, timeout=20)
    main = s.main_window()
    pid = int(run("xprop", "-id", str(main), "_NET_WM_PID").split("=")[1])
    s.process, s.app, s.maps = Launched(pid), None, None
    rom = s.control("ROM Loaded:", "text")
    wait_for("GAME.SMC in the ROM field", lambda: text_of(rom) == "GAME.SMC")
    click(s.control("< EMULATE! >", "push button"))
    got = s.emulator_received()
    check(got["argv"][-1] == "GAME.SMC", f"the emulator received {got['argv']}")
    check(os.path.realpath(got["cwd"]) == os.path.realpath(s.roms), f"the emulator ran in {got['cwd']}")


def drag_onto_main(s, *uris):
    """Drags from a GTK window onto the main window; how the drag ended."""
    source = subprocess.Popen([sys.executable, os.path.join(HERE, "drag_source.py"), *uris],
                              stdout=subprocess.PIPE, text=True, env=s.env)
    try:
        check(source.stdout.readline().strip() == "ready", "the drag source did not start")
        wait_for("the drag source on the screen", lambda: visible_window("drag source"))
        tx, ty, w, h = client_rect(s.main_window())

        # GTK begins the drag once the pointer has moved far enough with the
        # button held, whenever it gets to it on a busy machine; a press that
        # came before the window took it is made again.
        def begun():
            run("xdotool", "mousemove_relative", "--", "2", "2")
            return select.select([source.stdout], [], [], 0.1)[0] and source.stdout.readline().strip() == "dragging"
        for attempt in range(3):
            x, y = centre(find(wait_for("the drag source", lambda: application(source.pid)), "drag me"))
            run("xdotool", "mousemove", str(x), str(y), "mousedown", "1")
            try:
                wait_for("the drag to begin", begun, timeout=4)
                break
            except JourneyFailed:
                run("xdotool", "mouseup", "1")
                if attempt == 2:
                    raise
        for step in range(1, 11):
            run("xdotool", "mousemove", str(x + (tx + w // 2 - x) * step // 10),
                str(y + (ty + h // 3 - y) * step // 10), "sleep", "0.05")
        # The release comes once the program has answered where the drag is.
        settle(s)
        run("xdotool", "mouseup", "1")
        wait_for("the drag to end", lambda: select.select([source.stdout], [], [], 0.1)[0])
        return source.stdout.readline().strip()
    finally:
        source.kill()
        source.wait()


def journey_drop(s):
    """A web address dragged from a GTK program is refused; a ROM fills the
    ROM field and stays where it was."""
    rom = s.control("ROM Loaded:", "text")
    before = text_of(rom)
    check(drag_onto_main(s, "https://example.com/OTHER.SMC") == "refused", "a web address was taken")
    check(text_of(rom) == before, f"a refused drop changed the ROM field to {text_of(rom)!r}")
    check(drag_onto_main(s, "file://" + os.path.join(s.roms, "OTHER.SMC")) == "accepted", "the ROM was refused")
    wait_for("OTHER.SMC in the ROM field", lambda: text_of(rom) == "OTHER.SMC")
    check(os.path.exists(os.path.join(s.roms, "OTHER.SMC")), "the dropped file was moved away")


def journey_small_screen(s):
    """On a screen smaller than the window, its title bar and left edge stay on it."""
    main = s.main_window()
    x, y, w, h = frame_rect(main)
    check(x >= 0 and y >= 0, f"the main window's frame {w}x{h} is at ({x}, {y}) on a "
          f"{SCREEN[0]}x{SCREEN[1]} screen: its title bar or left edge is off the screen")


def dump(node, depth=0):
    for child in node:
        if child is None or not child.getState().contains(pyatspi.STATE_SHOWING):
            continue
        print("  " * depth + f"{role_name(child)} {child.name!r}")
        dump(child, depth + 1)


def journey_dump(s):
    """Prints the showing accessibility tree (for writing journeys)."""
    s.main()
    for button in os.environ.get("TAVIK_E2E_DUMP_CLICK", "").split(","):
        if button:
            click(s.control(button))
            time.sleep(0.5)
    dump(s.accessible())


JOURNEYS = [
    ("start", journey_start),
    ("panel", journey_panel),
    ("launch", journey_launch),
    ("early-end", journey_early_end),
    ("about", journey_about),
    ("grip", journey_grip),
    ("minimised-modal", journey_minimised_modal),
    ("exit", journey_exit),
]
# Only when asked for by name; small-screen with --screen=640x480; open-with
# starts the program anew, so it comes before the others of its group.
EXTRA_JOURNEYS = [("dump", journey_dump), ("small-screen", journey_small_screen), ("wrapper", journey_wrapper),
                  ("errors-closed", journey_errors_closed),
                  ("open-with", journey_open_with), ("drop", journey_drop)]


def screenshot(workdir, name):
    path = os.path.join(tempfile.gettempdir(), f"tavik-e2e-{name}-{os.getpid()}.png")
    subprocess.run(["import", "-window", "root", path], capture_output=True, timeout=20)
    return path


def inner(tavik, selected):
    """Runs under the private session bus, with DISPLAY and the sound server set."""
    global pyatspi
    import pyatspi as module
    pyatspi = module
    workdir = tempfile.mkdtemp(prefix="tavik-e2e-")
    wm_log = open(os.path.join(workdir, "openbox.log"), "w+")
    wm = subprocess.Popen(["openbox", "--sm-disable"], stdout=wm_log, stderr=subprocess.STDOUT)
    session = Session(tavik, workdir)
    failures = []
    try:
        def window_manager_up():
            if wm.poll() is not None:
                wm_log.seek(0)
                reach = subprocess.run(["xprop", "-root"], capture_output=True, text=True, timeout=20)
                raise JourneyFailed(f"openbox ended (status {wm.returncode}): {wm_log.read().strip()}; "
                                    f"xprop -root on {os.environ.get('DISPLAY')} then: status {reach.returncode} "
                                    f"{reach.stderr.strip()}")
            return "_NET_SUPPORTING_WM_CHECK(WINDOW)" in run(
                "xprop", "-root", "_NET_SUPPORTING_WM_CHECK", check_status=False)
        wait_for("openbox", window_manager_up, timeout=10)
        session.start()
        for name, journey in JOURNEYS + EXTRA_JOURNEYS:
            if not selected and (name, journey) in EXTRA_JOURNEYS:
                continue
            if selected and name not in selected:
                # The program still needs the state an earlier journey leaves.
                if name in ("start",):
                    session.main_window()
                    session.main()
                continue
            started = time.monotonic()
            try:
                if session.process.poll() is not None:
                    raise JourneyFailed(f"the program had ended (status {session.process.returncode})")
                later.clear()
                journey(session)
                if later:
                    raise JourneyFailed("; ".join(later))
                print(f"PASS {name} ({time.monotonic() - started:.1f} s)", flush=True)
            except Exception as error:
                shot = screenshot(workdir, name)
                detail = str(error) if isinstance(error, JourneyFailed) else traceback.format_exc()
                print(f"FAIL {name}: {detail}\n     screenshot: {shot}", flush=True)
                failures.append(name)
                if session.process.poll() is not None:
                    break
    finally:
        session.stop()
        wm.terminate()
        wm.wait()
        wm_log.close()
        shutil.rmtree(workdir, ignore_errors=True)
    for tag in sorted(awaiting):
        results = awaited_seen.get(tag, [])
        failed = [m for m in results if m]
        if failed:
            print(f"AWAITING {tag}: " + "; ".join(failed), flush=True)
        elif results:
            print(f"FAIL {tag} now passes: take it out of --awaiting", flush=True)
            failures.append(tag)
    return 1 if failures else 0


def start_x_server():
    """A private X server, and its display once a client can reach it.

    Xvfb picks a free display number itself. Its socket in the file system
    could be taken while another server of that number was going away, which
    then removed it, leaving the new server out of reach; so it listens only
    on the abstract socket, which the kernel hands over whole. And it does not
    reset when its last client leaves (a first client that only looks, such
    as the accessibility bus's launcher, would otherwise leave the next one,
    the window manager, refused during the reset). A server that still cannot
    be reached is replaced."""
    for attempt in range(3):
        read_end, write_end = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                                 f"{SCREEN[0]}x{SCREEN[1]}x24", "-nolisten", "tcp", "-nolisten", "unix", "-noreset"],
                                pass_fds=(write_end,), stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as r:
            display = ":" + r.readline().strip()
        try:
            wait_for(f"the X server on {display}", lambda: display != ":" and subprocess.run(
                ["xprop", "-display", display, "-root"], capture_output=True, timeout=20).returncode == 0,
                timeout=5, interval=0.1)
            return xvfb, display
        except JourneyFailed as error:
            print(f"{error}; starting another", file=sys.stderr, flush=True)
            xvfb.terminate()
            xvfb.wait()
    raise JourneyFailed("no private X server could be reached")


def outer(tavik, selected):
    """Starts the X server and the sound server, then the journeys on a private bus."""
    runtime = tempfile.mkdtemp(prefix="tavik-e2e-run-")
    os.chmod(runtime, 0o700)
    xvfb, display = start_x_server()
    env = dict(os.environ, DISPLAY=display, XDG_RUNTIME_DIR=runtime,
               PULSE_SERVER=f"unix:{runtime}/pulse/native", TAVIK_E2E_INNER="1")
    env.pop("WAYLAND_DISPLAY", None)
    env.pop("DBUS_SESSION_BUS_ADDRESS", None)
    env.pop("AT_SPI_BUS_ADDRESS", None)
    pulse = None
    try:
        subprocess.run(["pulseaudio", "--daemonize=yes", "--exit-idle-time=-1", "-n",
                        "--load=module-null-sink sink_name=tavik_e2e",
                        "--load=module-native-protocol-unix"],
                       env=env, stderr=subprocess.DEVNULL, check=True, timeout=20)
        pulse = True
        wait_for("the sound server", lambda: subprocess.run(["pactl", "info"], env=env,
                 capture_output=True).returncode == 0, timeout=5)
        started = time.monotonic()
        status = subprocess.run(["dbus-run-session", "--", sys.executable, os.path.abspath(__file__),
                                 tavik] + sys.argv[2:], env=env).returncode
        if status != 0 and xvfb.poll() is not None:
            print(f"the X server on {display} had ended (status {xvfb.returncode})", flush=True)
        print(f"journeys took {time.monotonic() - started:.1f} s", flush=True)
        return status
    finally:
        if pulse:
            subprocess.run(["pactl", "exit"], env=env, capture_output=True)
        xvfb.send_signal(signal.SIGTERM)
        xvfb.wait()
        shutil.rmtree(runtime, ignore_errors=True)


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    tavik = os.path.abspath(sys.argv[1])
    global SCREEN
    selected = [a for a in sys.argv[2:] if not a.startswith("--")]
    for a in sys.argv[2:]:
        if a.startswith("--awaiting="):
            awaiting.update(t for t in a.split("=", 1)[1].split(",") if t)
        elif a.startswith("--screen="):
            SCREEN = tuple(int(v) for v in a.split("=", 1)[1].split("x"))
    if os.environ.get("TAVIK_E2E_INNER"):
        return inner(tavik, selected)
    return outer(tavik, selected)


if __name__ == "__main__":
    sys.exit(main())
