#!/usr/bin/env bash
# Builds the screenshot tour and runs it under a private X server at display
# scales 1 and 2: every window and every panel in the states a user can see.
#   bash scripts/screenshots.sh [OUTPUT_FOLDER]   (default build/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/screenshots}
cmake --preset default >/dev/null
cmake --build --preset default --target screenshot_tour
for scale in 1 2; do
  display=:$((90 + scale))
  Xvfb "$display" -screen 0 $((1024 * scale))x$((768 * scale))x24 -nolisten tcp &
  server=$!
  sleep 1
  DISPLAY=$display QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale \
    ./build/default/tools/screenshot_tour "$out/scale$scale"
  kill "$server"
  wait "$server" 2>/dev/null || true
done
echo "Screenshots in $out/scale1 and $out/scale2"
