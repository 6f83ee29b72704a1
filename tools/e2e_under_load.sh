#!/usr/bin/env bash
# The end-to-end tests of the plain and the sanitizer build while two stress-ng workers keep both cores busy, as
# on a player's machine that is doing other work: a test that only passes on a quiet machine fails here.
#   tools/e2e_under_load.sh [RUNS (default 1)]    builds build/ and build-asan/ first if they are missing
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-1}"
bash scripts/deps.sh game test
jobs="$(nproc)"
for dir in build build-asan; do
  if [ ! -x "$dir/roofrunner" ]; then
    extra=()
    [ "$dir" = build-asan ] && extra=(-DCMAKE_BUILD_TYPE=Debug -DROOFRUNNER_SANITIZE=ON)
    cmake -S . -B "$dir" "${extra[@]}" >/dev/null
    cmake --build "$dir" -j"$jobs" >/dev/null
  fi
done

stress_pid=""
trap '[ -z "$stress_pid" ] || kill "$stress_pid" 2>/dev/null || true' EXIT
status=0
for ((n = 1; n <= runs; n++)); do
  stress-ng --cpu "$jobs" --timeout 0 --quiet &
  stress_pid=$!
  start=$(date +%s)
  plain=0 asan=0
  (cd build && ctest --output-on-failure -L e2e) || plain=1
  mid=$(date +%s)
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --output-on-failure -L e2e -LE nosan) || asan=1
  end=$(date +%s)
  kill "$stress_pid" 2>/dev/null || true
  wait "$stress_pid" 2>/dev/null || true
  stress_pid=""
  echo "under load, run $n of $runs: plain $((mid - start)) s ($([ $plain = 0 ] && echo passed || echo FAILED)), sanitizer $((end - mid)) s ($([ $asan = 0 ] && echo passed || echo FAILED))"
  [ $plain = 0 ] && [ $asan = 0 ] || status=1
done
exit $status
