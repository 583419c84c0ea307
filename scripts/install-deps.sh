#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need.
set -euo pipefail

packages=(lv2-dev libx11-dev libxext-dev libxtst-dev libstb-dev fonts-dejavu-core libgtest-dev libbenchmark-dev
          lilv-utils lv2file jalv jackd2 xvfb xdotool imagemagick raptor2-utils sordi sox x11-utils xxd
          gnuplot-nox libsleef-dev cmake g++ make
          clang-14 libclang-rt-14-dev dpkg-dev lintian file)
sudo_cmd=()
if [ "$(id -u)" != 0 ]; then
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update
"${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${packages[@]}"
