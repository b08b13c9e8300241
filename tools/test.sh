#!/bin/bash
# Installs what the game and its tests need, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh test
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON
cmake --build build-test -j"$(nproc)"
cd build-test
ctest --output-on-failure -j2
