#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, when
# any of them is missing. Quick and silent when everything is there.
# `setup.sh run` installs only what building and running the launcher need;
# `setup.sh packaging` adds the tools that build and check the Debian package;
# `setup.sh screen-reader` adds Orca and what its check needs (a private X
# server, a window manager, a session bus, key presses, the AT-SPI bindings).
set -euo pipefail

# What building and running the launcher need.
packages=(
  cmake ninja-build pkg-config
  clang
  qt6-base-dev qt6-base-dev-tools
  fonts-wine fonts-liberation
  libcanberra-dev libcanberra-pulse sound-theme-freedesktop libsndfile1-dev
)
# What the test command adds: the sanitizer and fuzzer runtimes, a sound
# server for the null sink the sound tests play into, an X server with openbox
# and an accessibility bus for the end-to-end journeys, GLib's launcher and a
# GTK program to drag files from (as a file manager opens and drags them), and
# the checkers of the installed files.
test_packages=(
  libclang-rt-dev
  pulseaudio pulseaudio-utils
  desktop-file-utils appstream man-db groff-base
  xvfb openbox xdotool wmctrl x11-utils imagemagick
  dbus at-spi2-core python3 python3-pyatspi python3-xlib
  libglib2.0-bin python3-gi gir1.2-gtk-3.0
)
case "${1:-}" in
  run) ;;
  '') packages+=("${test_packages[@]}") ;;
  packaging) packages+=("${test_packages[@]}" dpkg-dev file lintian) ;;
  screen-reader) packages+=("${test_packages[@]}" orca gir1.2-atspi-2.0 dbus-daemon) ;;
  *)
    echo "usage: $0 [run|packaging|screen-reader]" >&2
    exit 2
    ;;
esac

if ! command -v dpkg-query >/dev/null || ! command -v apt-get >/dev/null; then
  echo "$0: this set-up needs Debian 12 or 13 (dpkg-query and apt-get were not found)." >&2
  exit 1
fi

# One query for all of them: the test command runs this every time.
declare -A installed=()
while read -r package status; do
  [ "$status" = "install ok installed" ] && installed[$package]=1
done < <(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null || true)
missing=()
for package in "${packages[@]}"; do
  [ -n "${installed[$package]:-}" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "$0: the Debian packages ${missing[*]} are missing and sudo is not available to" \
         "install them, so run this as root and start again:" \
         "apt-get update && apt-get install -y --no-install-recommends ${missing[*]}" >&2
    exit 1
  fi
  as_root=(sudo)
fi
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
