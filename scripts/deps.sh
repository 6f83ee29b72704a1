#!/usr/bin/env bash
# Installs everything the game, its tools and its tests need on Debian 12 (through sudo when not root).
set -euo pipefail
packages=(
  build-essential cmake pkg-config liballegro4-dev
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  xvfb xauth xdotool x11-utils x11-xserver-utils imagemagick
  freepats python3 procps
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
