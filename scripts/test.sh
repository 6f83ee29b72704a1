#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: the plain build, then the sanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs="$(nproc)"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
(cd build && xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j"$jobs")

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DROOFRUNNER_SANITIZE=ON
cmake --build build-asan -j"$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j"$jobs" -LE nosan)

for extra in scripts/test.d/*.sh; do
  [ -e "$extra" ] || continue
  echo "== $extra"
  bash "$extra"
done
echo "all test stages passed"
