#!/usr/bin/env bash
# Checks the Debian package made by scripts/package.sh: its files, its
# dependencies, lintian (no errors), and that the packaged program starts on an
# X server and names its windows with the desktop entry's StartupWMClass.
# Usage: check_package.sh [PACKAGE.deb]
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -gt 0 ]; then
  deb=$1
else
  debs=(build/default/tavik_*.deb)
  [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "Expected one build/default/tavik_*.deb; run scripts/package.sh first." >&2; exit 1; }
  deb=${debs[0]}
fi
echo "Checking $deb"

failed=0
fail() {
  echo "FAIL: $*" >&2
  failed=1
}

id=net.tavik.Tavik
expected=(
  ./usr/games/tavik
  "./usr/share/applications/$id.desktop"
  "./usr/share/metainfo/$id.metainfo.xml"
  "./usr/share/icons/hicolor/scalable/apps/$id.svg"
  ./usr/share/man/man1/tavik.1.gz
  ./usr/share/doc/tavik/copyright
  ./usr/share/doc/tavik/changelog.Debian.gz
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/$id.png")
done
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for file in "${expected[@]}"; do
  grep -qxF -- "$file" <<<"$contents" || fail "$file is not in the package"
done

# Depends: the Qt and sound libraries found by dpkg-shlibdeps, and what the
# program needs at run time without linking it.
depends=$(dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | awk '{print $1}')
# Debian 13 renamed some libraries in its 64-bit time transition (a "t64"
# suffix), so either name will do.
for package in libqt6core6 libqt6gui6 libqt6widgets6 libcanberra0 libsndfile1 libc6 libstdc++6 \
               fonts-wine fonts-liberation libcanberra-pulse sound-theme-freedesktop qt6-qpa-plugins; do
  grep -qxE -- "${package//+/\\+}(t64)?" <<<"$depends" || fail "Depends lacks $package"
done

if ! lintian --fail-on error "$deb"; then
  fail "lintian reports errors"
fi

# Start the packaged program on a private X server.
work=$(mktemp -d /tmp/tavik-package-XXXXXX)
xserver=
program=
cleanup() {
  [ -z "$program" ] || kill "$program" 2>/dev/null || true
  [ -z "$xserver" ] || kill "$xserver" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
dpkg-deb -x "$deb" "$work/root"
mkdir -m 700 "$work/runtime"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -nolisten unix 3>"$work/display" 2>/dev/null &
xserver=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
(cd "$work" && exec env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime" root/usr/games/tavik) \
  >"$work/tavik.log" 2>&1 &
program=$!

# The splash hands over to the main window after 1.5 s.
window=
for _ in $(seq 100); do
  window=$(xwininfo -root -tree 2>/dev/null | awk '/"Tavik for SNES9x 2.5"/ {print $1; exit}')
  [ -n "$window" ] && break
  kill -0 "$program" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$window" ]; then
  fail "the packaged program showed no main window; its output:"
  cat "$work/tavik.log" >&2
else
  sleep 1
  kill -0 "$program" 2>/dev/null || fail "the packaged program ended by itself"
  wm_class=$(xprop -id "$window" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = "[^"]*", "\(.*\)"$/\1/p')
  startup_wm_class=$(sed -n 's/^StartupWMClass=//p' "$work/root/usr/share/applications/$id.desktop")
  [ "$wm_class" = "$startup_wm_class" ] ||
    fail "the main window's WM_CLASS class is \"$wm_class\", the desktop entry's StartupWMClass \"$startup_wm_class\""
fi

[ "$failed" -eq 0 ] && echo "Package: files, dependencies, lintian and start-up all good."
exit "$failed"
