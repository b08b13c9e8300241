#!/bin/bash
# Installs what the game and its tests need, builds everything and runs every
# test: the ordinary build, a bounded run of each fuzz target, and the whole
# suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash tools/deps.sh test
jobs=$(nproc)

echo "== build and test"
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON
cmake --build build-test -j"$jobs"
(cd build-test && ctest --output-on-failure -j2 --timeout 600)

echo "== fuzz"
CXX=clang++ CC=clang cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DTOLVANE_FUZZ=ON
cmake --build build-fuzz -j"$jobs" --target fuzz_model fuzz_settings
for target in fuzz_model fuzz_settings; do
  mkdir -p "build-fuzz/corpus-$target"
  "build-fuzz/tests/fuzz/$target" -max_total_time=60 -timeout=10 "build-fuzz/corpus-$target"
done

echo "== build and test with sanitizers"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=ON -DTOLVANE_SANITIZE=ON
cmake --build build-asan -j"$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export LSAN_OPTIONS=suppressions=$root/tools/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-asan && ctest --output-on-failure -j2 --timeout 900 -LE packaging)
