#!/usr/bin/env bash
# Installs what the game, its tools and its tests need on Debian 12 (through sudo when not root).
#   scripts/deps.sh [--check] [GROUP...]    groups: game (the default), test, deb, windows, web, webtest
# --check installs nothing: it names what is missing and fails if anything is.
set -euo pipefail
check=0
if [ "${1:-}" = "--check" ]; then
  check=1
  shift
fi
declare -A groups
groups[game]="build-essential cmake pkg-config liballegro4-dev freepats imagemagick"
groups[test]="googletest libgtest-dev libbenchmark-dev clang libclang-rt-14-dev clang-format git
  xvfb xauth xdotool x11-utils x11-xserver-utils python3 procps gdb stress-ng"
# Building the Debian package and checking it as the distribution does.
groups[deb]="debhelper dpkg-dev fakeroot lintian desktop-file-utils appstream"
# The browser build: Emscripten (whose emcc needs Debian's acorn, node-acorn), the patch set, the home screen's
# icons (imagemagick), the zip and advzip, which packs it tighter.
groups[web]="emscripten node-acorn cmake make python3 freepats imagemagick zip unzip advancecomp"
# Testing the browser build: Debian's chromium and firefox-esr, driven by puppeteer-core from the npm registry,
# and WebKitGTK's MiniBrowser (Safari's engine) under its WebDriver in Xvfb.
groups[webtest]="chromium firefox-esr python3 zip unzip webkit2gtk-driver libwebkit2gtk-4.1-0
  xvfb xauth x11-utils x11-xserver-utils"
# The Windows build: the cross compilers, the library's source through apt, the icon, the zip, and Wine to test it.
groups[windows]="g++-mingw-w64-x86-64 mingw-w64-tools cmake make patch imagemagick zip unzip python3
  wine wine64 xvfb xauth xdotool x11-utils x11-xserver-utils"
[ $# -gt 0 ] || set -- game
packages=()
for g in "$@"; do
  [ -n "${groups[$g]:-}" ] || { echo "deps: no group '$g' (have: ${!groups[*]})" >&2; exit 2; }
  # -d '': a group spans several lines, and a plain read would stop at the first.
  read -r -d '' -a list <<<"${groups[$g]}" || true
  packages+=("${list[@]}")
done
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# npm comes with Debian's nodejs as its own package, and inside the nodejs some machines have from elsewhere.
for g in "$@"; do
  if [ "$g" = webtest ] && ! command -v npm >/dev/null; then missing+=(nodejs npm); fi
done
if [ ${#missing[@]} -gt 0 ] && [ $check -eq 1 ]; then
  echo "deps: not installed: ${missing[*]} (bash scripts/deps.sh $* installs them)" >&2
  exit 1
fi
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  # Another apt run (an unattended upgrade, a second build) may hold the lock for a while.
  $sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends \
    "${missing[@]}"
fi
