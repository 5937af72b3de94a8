#!/usr/bin/env bash
# Shows the demo host on a display of its own (no other test's window can
# cover it), takes a screenshot of the whole screen and compares the pixels
# the host expects from its skins.
#   screenshot.sh DEMO_EXE OUTPUT_PNG
set -euo pipefail
exe="$1"; shot="$2"
wine="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../tests/wine" && pwd)"
. "$wine/lib.sh"
work="$(mktemp -d)"
wine_start_xvfb "$work/xvfb.pid"
trap 'touch "$work/quit"; kill "$(cat "$work/xvfb.pid")" 2>/dev/null; rm -rf "$work"' EXIT

"$wine/own-prefix" "$wine/run" "$shot.prefix" "$exe" "$(wine_path "$work/expect")" "$(wine_path "$work/quit")" \
  >"$work/log" 2>&1 &
host=$!
for _ in $(seq 300); do
  [ -s "$work/expect" ] && break
  kill -0 "$host" 2>/dev/null || { echo "demo host ended early"; cat "$work/log"; exit 1; }
  sleep 0.1
done
[ -s "$work/expect" ] || { echo "demo host never showed its windows"; exit 1; }

# Counts the expected pixels the screenshot misses; with -v names them.
wrong_pixels() {
  local failures=0 x y colour op actual
  while read -r x y colour op; do
    actual="$(convert "$shot" -format "%[hex:p{$x,$y}]" info: | cut -c1-6)"
    if { [ "$op" = "=" ] && [ "$actual" != "$colour" ]; } || { [ "$op" = "!" ] && [ "$actual" = "$colour" ]; }; then
      [ "${1:-}" = -v ] && echo "pixel $x,$y is $actual, expected $op $colour" >&2
      failures=$((failures + 1))
    fi
  done < "$work/expect"
  echo "$failures"
}

# The X server may not have shown the last paint yet: shoot again until the
# pixels agree, for at most ten seconds.
for _ in $(seq 20); do
  import -window root "$shot"
  [ "$(wrong_pixels)" -eq 0 ] && break
  sleep 0.5
done
failures="$(wrong_pixels -v)"
touch "$work/quit"
wait "$host" || true
echo "$(wc -l < "$work/expect") pixels checked, $failures wrong; screenshot: $shot"
[ "$failures" -eq 0 ]
