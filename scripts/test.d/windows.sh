#!/usr/bin/env bash
# The Windows build under Wine: builds dist/roofrunner-windows-x64.zip with scripts/build-windows.sh, unzips it,
# and runs tests/windows from the unzipped folder, beside the Linux build in build/ (the plain stage's).
set -euo pipefail
cd "$(dirname "$0")/../.."
root="$PWD"
started="$(date +%s)"
bash scripts/build-windows.sh
win="$root/build-windows"
rm -rf "$win/unzipped" && mkdir -p "$win/unzipped"
(cd "$win/unzipped" && unzip -q "$root/dist/roofrunner-windows-x64.zip")
cmake --build "$win/game" --target rr_high_memory >/dev/null
# The Linux game, checker and window closer to compare with; built here when this stage runs on its own.
if [ ! -x build/roofrunner ] || [ ! -x build/tools/check/roofrunner-check ] || [ ! -x build/tests/e2e/rr_wm_close ]; then
  bash scripts/deps.sh game test
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build -j"$(nproc)" --target roofrunner roofrunner-check rr_wm_close
fi

export RR_WIN_DIR="$win/unzipped/roofrunner" RR_WINEPREFIX="$win/wineprefix" RR_LINUX_BUILD="$root/build"
export RR_WIN_BUILD="$win/game" RR_BUILD_DIR="$root/build" RR_BINARY="$root/build/roofrunner"
export WINEPREFIX="$RR_WINEPREFIX" WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
(cd tests/windows && python3 -c 'import rrwine; rrwine.ensure_prefix()')
# One server for the whole stage, instead of one started and stopped around every program.
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
if python3 -m unittest discover -s tests/windows -p 'test_*.py' -v; then
  echo "windows: passed in $(($(date +%s) - started)) s"
else
  echo "windows: FAILED"
  exit 1
fi
