#!/usr/bin/env bash
# Runs the real-sound smoke test with a private PulseAudio server whose only
# sink is a null sink, and stops the server afterwards.
#   real_sound_smoke.sh WINE_RUN TEST_EXE
set -euo pipefail
run="$1"; exe="$2"

home="$(mktemp -d)"
export HOME="$home" XDG_RUNTIME_DIR="$home/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
stop_server() {
  pulseaudio --kill 2>/dev/null || true
  rm -rf "$home"
}
trap stop_server EXIT

pulseaudio --daemonize=yes --exit-idle-time=-1 --disallow-exit=no --log-target=stderr 2>/dev/null
pactl load-module module-null-sink sink_name=aviplay_null >/dev/null
pactl set-default-sink aviplay_null

"$run" "$exe"
