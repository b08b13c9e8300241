#!/bin/bash
# Screenshots of the first dealt table at the toolkit scales 1, 2 and 3, for
# looking at how the game draws on high-density screens. Each run starts the
# program on a private Xvfb display with a fresh settings folder and a fixed
# clock, so every shot shows the same deal.
#
#   tools/screenshots.sh [-e EXE] [-s "1 2 3"] [OUTDIR]
#
# Writes OUTDIR/table-1x.png, table-2x.png, table-3x.png (default OUTDIR:
# screenshots/ here) and prints their paths. Without -e it builds the program
# in build-screenshots/ of the source tree first. Needs Xvfb, xdotool,
# faketime and ImageMagick (tools/deps.sh installs them).
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
exe=""
scales="1 2 3"
while getopts "e:s:" opt; do
  case "$opt" in
    e) exe="$(realpath "$OPTARG")" ;;
    s) scales="$OPTARG" ;;
    *) echo "usage: $0 [-e EXE] [-s SCALES] [OUTDIR]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
out="$(realpath -m "${1:-screenshots}")"
mkdir -p "$out"
if [ -z "$exe" ]; then
  build="$src/build-screenshots"
  [ -f "$build/CMakeCache.txt" ] || cmake -S "$src" -B "$build" -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$build" --target tolvane32 -j"$(nproc)" >/dev/null
  exe="$build/tolvane32"
fi

tmp="$(mktemp -d)"
game=""
xvfb=""
cleanup() {
  set +e
  [ -n "$game" ] && kill -KILL -- "-$game" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

# Polls cmd (a shell snippet) every tenth of a second for up to a minute.
wait_for() {
  for _ in $(seq 600); do
    eval "$1" && return 0
    sleep 0.1
  done
  echo "$0: timed out waiting for: $2" >&2
  return 1
}

# The server picks a display number nobody uses and tells it; 3 x the
# 640 x 512 window must fit on its screen.
Xvfb -displayfd 3 -screen 0 2000x1600x24 -nolisten tcp 3>"$tmp/display" >/dev/null 2>&1 &
xvfb=$!
wait_for '[ -s "$tmp/display" ]' "the X server"
export DISPLAY=":$(cat "$tmp/display")" NO_AT_BRIDGE=1 GTK_A11Y=none SDL_AUDIODRIVER=dummy

# The main window at the scale s of the run in progress: 640 x 512 logical
# pixels, s times that on the screen.
frame() {
  local w
  for w in $(xdotool search --onlyvisible --classname tolvane32 2>/dev/null); do
    WIDTH=0
    eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null)"
    if [ "$WIDTH" = $((640 * s)) ]; then
      geometry="${WIDTH}x${HEIGHT}+${X}+${Y}"
      return 0
    fi
  done
  return 1
}
# From the root window: import asks for a click when a window it was
# given has gone.
grab() { timeout 20 import -window root -crop "$geometry" +repage "$1" 2>/dev/null; }
# The table is dealt when the apex card's column, below the first row of
# table green (the client's top, under the menu bar), is no longer all green.
dealt() {
  grab "$tmp/shot.png" &&
    convert "$tmp/shot.png" -crop "1x$((160 * s))+$(( (271 + 38) * s ))+0" +repage txt:- |
    awk 'NR > 1 { if ($3 == "#007F00") green = 1; else if (green) { found = 1; exit } } END { exit !found }'
}

for s in $scales; do
  home="$tmp/home-$s"
  mkdir -p "$home/config" "$home/cache"
  # In a session of its own: faketime runs the game as its child, and both
  # must go at the end.
  (cd "$home" && HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache" GDK_SCALE="$s" \
     exec setsid faketime -f '@2027-01-01 00:00:00' "$exe") >"$home/log" 2>&1 &
  game=$!
  wait_for frame "the window at scale $s" || { cat "$home/log" >&2; exit 1; }
  wait_for dealt "the dealt table at scale $s"
  grab "$out/table-${s}x.png"
  kill -KILL -- "-$game" 2>/dev/null
  wait "$game" 2>/dev/null || true
  game=""
  echo "$out/table-${s}x.png"
done
