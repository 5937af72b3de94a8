#!/usr/bin/env bash
# Runs the real-sound smoke test with a private PulseAudio server whose
# sinks are null devices, and stops the server afterwards.
#   real_sound_smoke.sh WINE_RUN TEST_EXE
set -euo pipefail
run="$1"; exe="$2"

. "$(dirname "$(readlink -f "$0")")/../../tests/sound/null_devices.sh"

"$run" "$exe"
