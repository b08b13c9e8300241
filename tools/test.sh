#!/bin/bash
# Installs what the game and its tests need, builds everything and runs every
# test: unit, gui and e2e levels and the package checks on the ordinary build,
# a bounded fuzzing run of the settings reader, and the unit and gui levels
# again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash tools/deps.sh test
jobs=$(nproc)
start=$SECONDS
stage() { echo "== $1 ($((SECONDS - start)) s)"; }

stage "build and test"
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON >/dev/null
cmake --build build-test -j"$jobs"
(cd build-test && ctest --output-on-failure -j2 --timeout 300)

stage "fuzz the settings reader"
CXX=clang++ CC=clang cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DTOLVANE_FUZZ=ON >/dev/null
cmake --build build-fuzz -j"$jobs" --target fuzz_settings
mkdir -p build-fuzz/corpus
build-fuzz/tests/fuzz/fuzz_settings -max_total_time=30 -timeout=10 build-fuzz/corpus 2>&1 | tail -n 3

stage "unit and gui tests with sanitizers"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=ON -DTOLVANE_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs" --target unit_tests gui_tests
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export LSAN_OPTIONS=suppressions=$root/tools/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-asan && ctest --output-on-failure -j2 --timeout 300 -L 'unit|gui')
stage "done"
