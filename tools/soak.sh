#!/usr/bin/env bash
# Soak: the sanitizer build of the real game under its own Xvfb for MINUTES (default 10), driven by random
# menu choices and held keys through games, levels, pauses, game overs and wins, then Exit.
#   tools/soak.sh [MINUTES]        env: SOAK_BUILD (default build-asan), SOAK_SEED, SOAK_KEEP=1 keeps the folder
# Fails on a sanitizer report, a leak at exit, an unclean shut-down or resident memory that keeps growing.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
minutes="${1:-10}"
build="${SOAK_BUILD:-$root/build-asan}"
if [ ! -x "$build/roofrunner" ] || [ ! -x "$build/tests/e2e/rr_wm_close" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DROOFRUNNER_SANITIZE=ON >/dev/null
  cmake --build "$build" -j"$(nproc)" --target roofrunner rr_wm_close >/dev/null
fi
export RR_SOURCE_DIR="$root" RR_BINARY="$build/roofrunner" RR_BUILD_DIR="$build"
# xdotool warns on every key sent to a window of its own choosing: noise, filtered out.
python3 tests/e2e/soak.py "$minutes" 2> >(grep -v --line-buffered XGetInputFocus >&2)
