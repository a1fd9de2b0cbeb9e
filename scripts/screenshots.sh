#!/usr/bin/env bash
# Builds the screenshot tour and runs it under a private X server at display
# scales 1 and 2: every window and every panel in the states a user can see.
#   bash scripts/screenshots.sh [OUTPUT_FOLDER]   (default build/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/screenshots}
cmake --preset default >/dev/null
cmake --build --preset default --target screenshot_tour

work=$(mktemp -d /tmp/tavik-screenshots-XXXXXX)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
for scale in 1 2; do
  # The server picks a free display and writes its number once it is ready.
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 $((1024 * scale))x$((768 * scale))x24 -nolisten tcp -nolisten unix \
    3>"$work/display" 2>/dev/null &
  server=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
  [ -s "$work/display" ] || { echo "$0: the X server did not start" >&2; exit 1; }
  DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale \
    ./build/default/tools/screenshot_tour "$out/scale$scale"
  kill "$server"
  wait "$server" 2>/dev/null || true
  server=
done
echo "Screenshots in $out/scale1 and $out/scale2"
