# What the Wine test scripts and scripts/run-console share; source it:
#   . tests/wine/lib.sh

# Starts a private Xvfb screen and sets DISPLAY to it; the server's process
# id goes to PIDFILE. The screen keeps its state (the pointer's place among
# it) when its last client leaves.
wine_start_xvfb() {  # PIDFILE
  local pidfile="$1" fdfile
  fdfile="$(mktemp)"
  exec 3> "$fdfile"
  Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 1280x1024x24 </dev/null >/dev/null 2>&1 9>&- &
  echo $! > "$pidfile"
  for _ in $(seq 100); do
    [ -s "$fdfile" ] && break
    sleep 0.1
  done
  exec 3>&-
  DISPLAY=":$(tr -d '[:space:]' < "$fdfile")"
  export DISPLAY
  rm -f "$fdfile"
}

# Generates the named locales (de_DE en_US ...) as UTF-8 into DIR, once, and
# points LOCPATH there, so that the machine's own locales stay as they are.
wine_use_locales() {  # DIR LOCALE...
  local dir="$1" l
  shift
  mkdir -p "$dir"
  for l in "$@"; do
    [ -d "$dir/$l.UTF-8" ] || localedef -i "$l" -f UTF-8 "$dir/$l.UTF-8" 2>/dev/null || true
  done
  export LOCPATH="$dir"
}

# The Windows path of a Unix file (its parent folder must exist), as
# programs in the prefix see it through drive Z:.
wine_path() {  # FILE
  local p
  p="$(readlink -f "$1")"
  echo "Z:${p//\//\\}"
}
