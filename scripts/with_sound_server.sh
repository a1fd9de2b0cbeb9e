#!/usr/bin/env bash
# Runs a command beside a private PulseAudio server with a null sink, in a
# runtime folder of its own, so that the sound tests play for real without a
# sound card and without touching the user's sound server; the server is
# stopped when the command ends.
#     scripts/with_sound_server.sh COMMAND [ARGUMENT ...]
set -euo pipefail
export XDG_RUNTIME_DIR
XDG_RUNTIME_DIR=$(mktemp -d /tmp/tavik-sound-XXXXXX)
export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
stop() {
  pactl exit >/dev/null 2>&1 || true
  rm -rf "$XDG_RUNTIME_DIR"
}
trap stop EXIT
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
"$@"
