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

# A private sound server with a null sink, so the sound tests play for real
# without a sound card; it is stopped when the tests end.
export XDG_RUNTIME_DIR
XDG_RUNTIME_DIR=$(mktemp -d /tmp/tavik-test-XXXXXX)
export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
stop_sound_server() {
  pactl exit >/dev/null 2>&1 || true
  rm -rf "$XDG_RUNTIME_DIR"
}
trap stop_sound_server EXIT
# Its messages are shown only when it does not come up.
pulseaudio --daemonize=yes --exit-idle-time=-1 -n \
  --load="module-null-sink sink_name=tavik_null" --load=module-native-protocol-unix \
  --log-target=file:"$XDG_RUNTIME_DIR/pulseaudio.log" || true
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
if ! pactl info >/dev/null 2>&1; then
  echo "$0: the private PulseAudio server did not start:" >&2
  cat "$XDG_RUNTIME_DIR/pulseaudio.log" >&2 2>/dev/null || true
  exit 1
fi
export TAVIK_TEST_SOUND_SERVER=1
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
