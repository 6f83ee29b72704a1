#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: the plain build, then the sanitizer build, then the stages of
# scripts/test.d (fuzzing, soak, the Debian package, Windows, the browser). CI runs this.
#   --quick   for day-to-day work: the format check, the plain build, its unit tests and its end-to-end tests, side
#             by side; installs and removes nothing (scripts/deps.sh game test installs what it needs, once).
set -euo pipefail
cd "$(dirname "$0")/.."
quick=0
case "${1:-}" in
  --quick) quick=1 ;;
  "") ;;
  *) echo "usage: scripts/test.sh [--quick]" >&2; exit 2 ;;
esac
start=$SECONDS
if [ $quick -eq 1 ]; then
  bash scripts/deps.sh --check game test
else
  bash scripts/deps.sh game test
fi
jobs="$(nproc)"
bash scripts/format.sh

# The benchmarks are built, not run: they use the game's globals, and a rename must fail here.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DROOFRUNNER_BENCHMARKS=ON
cmake --build build -j"$jobs"
(cd build && xvfb-run -a -s "-screen 0 1024x768x24 -noreset" ctest --output-on-failure -j"$jobs" -LE e2e)
if [ $quick -eq 1 ]; then
  # Each end-to-end test has an Xvfb of its own, so they can play side by side.
  (cd build && ctest --output-on-failure -j"$jobs" -L e2e)
  echo "quick tests passed in $((SECONDS - start)) s (the full run: bash scripts/test.sh)"
  exit 0
fi
# The end-to-end tests one at a time here, as CI has always run them; --quick runs them side by side.
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
echo "all test stages passed in $((SECONDS - start)) s"
