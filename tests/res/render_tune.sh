#!/bin/bash
# Renders the built-in tune with FluidSynth and the default General MIDI
# soundfont, as the game's music player does, and checks that it plays to
# its end (87 s of music and the last notes' release: 87 to 92 s of audio)
# and that FluidSynth had nothing to warn about.
#
#   render_tune.sh PATH/TO/tolvane_dump_asset
set -euo pipefail
dump=$1
soundfont=/usr/share/sounds/sf3/default-GM.sf3
if ! command -v fluidsynth >/dev/null || [ ! -e "$soundfont" ]; then
  echo "fluidsynth or $soundfont missing: skipped"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$dump" midi 350 "$work/tune.mid"
fluidsynth -ni -F "$work/tune.wav" "$soundfont" "$work/tune.mid" >"$work/log" 2>&1 || {
  cat "$work/log"
  echo "FAIL: fluidsynth exited with an error"
  exit 1
}
if grep -Eiq 'warning|error|fail|invalid' "$work/log"; then
  cat "$work/log"
  echo "FAIL: fluidsynth complained about the tune"
  exit 1
fi
python3 - "$work/tune.wav" <<'PY'
import sys, wave
with wave.open(sys.argv[1]) as w:
    seconds = w.getnframes() / w.getframerate()
print(f"rendered {seconds:.2f} s")
if not 87.0 <= seconds <= 92.0:
    sys.exit(f"FAIL: the tune renders to {seconds:.2f} s, not 87 to 92 s")
PY
