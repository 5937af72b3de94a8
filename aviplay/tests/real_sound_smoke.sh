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
  local pid
  pid="$(cat "$XDG_RUNTIME_DIR/pulse/pid" 2>/dev/null || true)"
  pulseaudio --kill 2>/dev/null || true
  # --kill only signals the server, which still writes under $HOME while it
  # exits; removing the directory before it is gone races with those writes.
  if [ -n "$pid" ]; then
    for _ in $(seq 100); do
      case "$(ps -o stat= -p "$pid" 2>/dev/null)" in ""|Z*) break ;; esac
      sleep 0.1
    done
  fi
  rm -rf "$home" || true
}
trap stop_server EXIT

pulseaudio --daemonize=yes --exit-idle-time=-1 --disallow-exit=no --log-target=stderr 2>/dev/null
pactl load-module module-null-sink sink_name=aviplay_null >/dev/null
pactl set-default-sink aviplay_null

"$run" "$exe"
