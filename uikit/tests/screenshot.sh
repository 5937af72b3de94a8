#!/usr/bin/env bash
# Shows the demo host on the test display, takes a screenshot of the whole
# screen and compares the pixels the host expects from its skins.
#   screenshot.sh DEMO_EXE OUTPUT_PNG
set -euo pipefail
exe="$1"; shot="$2"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
run="$here/../../tests/wine/run"
work="$(mktemp -d)"
trap 'touch "$work/quit"; rm -rf "$work"' EXIT
to_windows() { echo "Z:${1//\//\\}"; }

"$run" "$exe" "$(to_windows "$work/expect")" "$(to_windows "$work/quit")" >"$work/log" 2>&1 &
host=$!
for _ in $(seq 300); do
  [ -s "$work/expect" ] && break
  kill -0 "$host" 2>/dev/null || { echo "demo host ended early"; cat "$work/log"; exit 1; }
  sleep 0.1
done
[ -s "$work/expect" ] || { echo "demo host never showed its windows"; exit 1; }
sleep 1 # let the X server catch up with the last paint
display="$(cat "$WINEPREFIX.session/display")"
DISPLAY="$display" import -window root "$shot"

failures=0
while read -r x y colour op; do
  actual="$(convert "$shot" -format "%[hex:p{$x,$y}]" info: | cut -c1-6)"
  if { [ "$op" = "=" ] && [ "$actual" != "$colour" ]; } || { [ "$op" = "!" ] && [ "$actual" = "$colour" ]; }; then
    echo "pixel $x,$y is $actual, expected $op $colour"
    failures=$((failures + 1))
  fi
done < "$work/expect"
touch "$work/quit"
wait "$host" || true
echo "$(wc -l < "$work/expect") pixels checked, $failures wrong; screenshot: $shot"
[ "$failures" -eq 0 ]
