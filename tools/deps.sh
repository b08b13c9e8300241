#!/bin/bash
# Installs the Debian 12 packages the game needs: "play" for building and
# running it, "test" for that and everything the test suite uses.
set -euo pipefail
mode=${1:-play}

play_packages=(
  cmake g++ make pkg-config
  libwxgtk3.2-dev libgtk-3-dev libsdl2-mixer-dev libcairo2-dev libpng-dev
  timgm6mb-soundfont fonts-ipafont-gothic
  wx3.2-i18n
)
test_packages=(
  libgtest-dev libgmock-dev
  xvfb xauth xdotool imagemagick faketime fluidsynth python3 libx11-dev weston
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
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${packages[@]}"
