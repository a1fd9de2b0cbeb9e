#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite. Three builds, one after
# another: the default one, the window-free code under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the fuzz targets. Then their suites run side
# by side: every test of the default build, the window-free tests under the
# sanitizers, and the fuzz targets over their seed corpus. Last, it installs
# the default build into a temporary prefix and checks the installed desktop
# files and manual page.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

export QT_QPA_PLATFORM=offscreen

# The suites run beside a private sound server with a null sink, so the sound
# tests play for real without a sound card; it is stopped when they end.
if [ -z "${TAVIK_TEST_SOUND_SERVER:-}" ]; then
  exec bash scripts/with_sound_server.sh bash scripts/test.sh
fi
presets=(default debug-asan fuzz)
for preset in "${presets[@]}"; do
  echo "== build $preset"
  # Configured when new, after a change of the presets, or when a
  # configuration failed half-way (it leaves no build.ninja); a change of a
  # CMakeLists.txt is picked up by the build itself.
  dir=build/$preset
  if [ ! -f "$dir/build.ninja" ] || [ CMakePresets.json -nt "$dir/CMakeCache.txt" ]; then
    cmake --preset "$preset" >/dev/null
  fi
  cmake --build --preset "$preset"
done

# The three suites run side by side: most of their time is spent waiting on
# sounds and timers, not on the processor. Each one's report is shown whole.
logs=$(mktemp -d /tmp/tavik-test-logs-XXXXXX)
pids=()
for preset in "${presets[@]}"; do
  # Eight tests at a time: the sound tests and the journeys spend seconds
  # waiting (for playback to drain, a server's grace, the splash), not
  # computing, and the others run beside them.
  ctest --preset "$preset" --parallel 8 >"$logs/$preset.log" 2>&1 &
  pids+=($!)
done
status=0
for i in "${!presets[@]}"; do
  wait "${pids[$i]}" || status=1
  echo "== test ${presets[$i]}"
  cat "$logs/${presets[$i]}.log"
done
rm -rf "$logs"
[ "$status" -eq 0 ] || exit "$status"

echo "== install"
bash scripts/check_install.sh build/default
