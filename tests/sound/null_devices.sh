# Sourced by a test script: sound through a private PulseAudio server, a null
# sink to play into and a null source to record from, for the test and the
# Wine programs it starts. The server and its home go when the script exits.
sound_home="$(mktemp -d)"
export HOME="$sound_home" XDG_RUNTIME_DIR="$sound_home/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
stop_sound_server() {
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
  rm -rf "$sound_home" || true
}
trap stop_sound_server EXIT
pulseaudio --daemonize=yes --exit-idle-time=-1 --disallow-exit=no --log-target=stderr 2>/dev/null
pactl load-module module-null-sink sink_name=test_null >/dev/null
pactl set-default-sink test_null
pactl load-module module-null-source source_name=test_nullsrc >/dev/null
pactl set-default-source test_nullsrc
