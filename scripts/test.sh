#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: the plain build, then the sanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh game test
jobs="$(nproc)"
bash scripts/format.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
# Unit tests side by side; the end-to-end tests one at a time, since they play in real time.
(cd build && xvfb-run -a -s "-screen 0 1024x768x24 -noreset" ctest --output-on-failure -j"$jobs" -LE e2e)
(cd build && ctest --output-on-failure -L e2e)

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DROOFRUNNER_SANITIZE=ON
cmake --build build-asan -j"$jobs"
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-asan && xvfb-run -a -s "-screen 0 1024x768x24 -noreset" ctest --output-on-failure -j"$jobs" -LE "nosan|e2e")
(cd build-asan && ctest --output-on-failure -L e2e -LE nosan)
unset ASAN_OPTIONS UBSAN_OPTIONS

for extra in scripts/test.d/*.sh; do
  [ -e "$extra" ] || continue
  echo "== $extra"
  bash "$extra"
done
echo "all test stages passed"
