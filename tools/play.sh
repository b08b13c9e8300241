#!/bin/bash
# Installs what the game needs, builds it and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh play
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
cmake --build build -j"$(nproc)" --target tolvane32
exec ./build/tolvane32
