#!/bin/bash
# Installs the Debian 12 packages the game needs: "play" for building,
# running and packing it, "test" for that and everything the test suite uses.
set -euo pipefail
mode=${1:-play}

play_packages=(
  cmake g++ make pkg-config
  libwxgtk3.2-dev libgtk-3-dev libsdl2-dev libfluidsynth-dev libcairo2-dev libpng-dev
  timgm6mb-soundfont fonts-ipafont-gothic
  wx3.2-i18n dpkg-dev
)
test_packages=(
  libgtest-dev libgmock-dev
  xvfb xauth xdotool imagemagick faketime fluidsynth python3 libx11-dev mutter
  pulseaudio pulseaudio-utils
  procps clang libclang-rt-14-dev
  desktop-file-utils appstream lintian dpkg-dev
)

packages=("${play_packages[@]}")
if [ "$mode" = test ]; then
  packages+=("${test_packages[@]}")
fi

SUDO=
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive
# Another apt (the desktop's own updates) may hold a lock for minutes: wait for
# it rather than stop. apt-get waits by itself for dpkg's lock only; for the
# package lists' lock, ask again every few seconds for as long.
lock=(-o DPkg::Lock::Timeout=600)
for try in $(seq 120); do
  if out=$($SUDO env LC_ALL=C apt-get "${lock[@]}" update -qq 2>&1); then
    printf '%s' "$out"
    break
  fi
  if [ "$try" = 120 ] || ! grep -q 'Could not get lock' <<<"$out"; then
    printf '%s\n' "$out" >&2
    exit 1
  fi
  [ "$try" = 1 ] && echo "Waiting for another apt to release the package lists..." >&2
  sleep 5
done
$SUDO apt-get "${lock[@]}" install -y -qq --no-install-recommends "${packages[@]}"
