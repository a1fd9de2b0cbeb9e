#!/usr/bin/env bash
# Walks the main window with the Orca screen reader, as a blind user would:
# every Tab stop of the main window and of each option panel must be spoken
# with its name and role, the logo must be a button Orca can press, and the
# ROM field's text must be spoken whole. Orca runs on a private X server with
# its own session and accessibility bus, without sound: what it says is read
# from its debug output.
#   check_screen_reader.sh [PROGRAM] [TRANSCRIPT]
# PROGRAM defaults to build/default/app/tavik; TRANSCRIPT, when given,
# receives what Orca said at each stop.
set -euo pipefail
cd "$(dirname "$0")/.."

program=$(realpath "${1:-build/default/app/tavik}")
transcript=${2:-}
[ -n "$transcript" ] && transcript=$(realpath "$transcript")
for tool in orca Xvfb openbox xdotool dbus-run-session; do
  if ! command -v "$tool" >/dev/null; then
    echo "$0: $tool is missing (scripts/setup.sh screen-reader installs it)" >&2
    exit 1
  fi
done

work=$(mktemp -d /tmp/tavik-orca-XXXXXX)
xvfb=
stop_all() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  if [ -n "${TAVIK_ORCA_KEEP:-}" ]; then echo "kept $work" >&2; else rm -rf "$work"; fi
}
trap stop_all EXIT

# A display of our own: Xvfb picks a free number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -nolisten unix 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(cat "$work/display")"

# Orca keeps its settings under a home of its own, so the user's settings
# neither shape the check nor change; the runtime folder keeps every socket
# private. No sound device and no speech server: the speech server's start
# command is one that refuses, and Orca, without a server, logs what it
# would have said.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_CACHE_HOME="$work/home/.cache" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export SPEECHD_CMD=/bin/false
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=0 GTK_MODULES=
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY PULSE_SERVER SESSION_MANAGER

# The session bus, the accessibility bus it starts, the window manager, Orca
# and the program all end with dbus-run-session.
dbus-run-session -- /usr/bin/python3 scripts/screen_reader_walk.py "$program" "$work" "$transcript"
