#!/bin/bash
# Writes a contact sheet of every built-in picture (the 52 faces, the jokers,
# the four backs, the two stock tiles and the icon at all its sizes), once at
# 1:1, then the versions drawn for high-density screens at 2x, and once
# enlarged 3:1, on the table's green.
#
#   tools/contact-sheet.sh [OUTPUT.png]     (default: contact-sheet.png here)
#
# Builds the picture generator and the sheet tool first if needed, in
# build-contact-sheet/ of the source tree.
set -euo pipefail
out=${1:-contact-sheet.png}
case "$out" in /*) ;; *) out="$PWD/$out" ;; esac
src="$(cd "$(dirname "$0")/.." && pwd)"
build="$src/build-contact-sheet"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$src" -B "$build" -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target tolvane_contact_sheet -j"$(nproc)" >/dev/null
"$build/res/tolvane_contact_sheet" "$out"
echo "$out"
