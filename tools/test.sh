#!/bin/bash
# Installs what the game and its tests need, builds everything and runs every
# test: unit, gui and e2e levels and the package checks on the ordinary build,
# a bounded fuzzing run of the settings reader, and the unit and gui levels
# again under AddressSanitizer and UndefinedBehaviorSanitizer.
#
# The first build's tests spend much of their time waiting for windows,
# servers and the clock, so the fuzzing and sanitizer builds run meanwhile at
# idle priority, on whatever the tests leave of the processors; the fuzzing
# runs beside the sanitizer build's tests. A compiler warning in any build
# fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash tools/deps.sh test
jobs=$(nproc)
start=$SECONDS
stage() { echo "== $1 ($((SECONDS - start)) s)"; }

# Builds in folder $1 (the rest are cmake --build arguments), keeping the log
# in $1/build.log; fails on a warning.
build() {
  local dir=$1
  shift
  cmake --build "$dir" -j"$jobs" "$@" 2>&1 | tee "$dir/build.log"
  if grep 'warning:' "$dir/build.log" >&2; then
    echo "the build in $dir printed compiler warnings" >&2
    return 1
  fi
}

side_builds() {
  CXX=clang++ CC=clang cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DTOLVANE_FUZZ=ON >/dev/null
  build build-fuzz --target fuzz_settings
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=ON -DTOLVANE_SANITIZE=ON >/dev/null
  build build-asan --target unit_tests gui_tests
}

stage "build"
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON >/dev/null
build build-test

stage "test, with the fuzzing and sanitizer builds beside"
# A session of its own, so that a failed run ends the whole side build.
setsid --wait bash -c "set -euo pipefail; jobs=$jobs; $(declare -f build side_builds)
  chrt --idle -p 0 \$\$ >/dev/null 2>&1 || renice -n 19 -p \$\$ >/dev/null
  side_builds" >build-test/side-builds.log 2>&1 &
side=$!
trap 'kill -- -"$side" 2>/dev/null || true' EXIT
(cd build-test && ctest --output-on-failure -j2 --timeout 300)
stage "finish the fuzzing and sanitizer builds"
side_status=0
wait "$side" || side_status=$?
cat build-test/side-builds.log
trap - EXIT
[ "$side_status" = 0 ]

stage "fuzz the settings reader, and the unit and gui tests with sanitizers"
mkdir -p build-fuzz/corpus
build-fuzz/tests/fuzz/fuzz_settings -max_total_time=30 -timeout=10 build-fuzz/corpus >build-fuzz/fuzz.log 2>&1 &
fuzz=$!
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export LSAN_OPTIONS=suppressions=$root/tools/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
asan_status=0
(cd build-asan && ctest --output-on-failure -j2 --timeout 300 -L 'unit|gui') || asan_status=$?
fuzz_status=0
wait "$fuzz" || fuzz_status=$?
tail -n "$([ "$fuzz_status" = 0 ] && echo 3 || echo 40)" build-fuzz/fuzz.log
[ "$asan_status" = 0 ] && [ "$fuzz_status" = 0 ]
stage "done"
