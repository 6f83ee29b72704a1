#!/usr/bin/env bash
# Fuzzes each loader from the committed corpus (every file in it is replayed first, so each crash once found stays
# a regression test) and fails on any crash, hang, leak, sanitizer report or saved input.
#   scripts/test.d/fuzz.sh                              60 s a target (FUZZ_SECONDS), two at a time: the test stage
#   scripts/test.d/fuzz.sh --long [SECONDS] [TARGET...]  900 s a target by default, one at a time; the corpus
#                                                       grows in build-fuzz/long/<target>/corpus across runs
# Crash inputs land in build-fuzz/<run|long>/<target>/artifacts: copy each into tests/fuzz/corpus/<target>/ once fixed.
set -uo pipefail
cd "$(dirname "$0")/../.."
root="$PWD"
out="$root/build-fuzz"
# A smaller quarantine keeps two targets that allocate large pictures well inside memory.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=64}"

long=0
if [ "${1:-}" = "--long" ]; then
  long=1
  shift
fi
if [ $long -eq 1 ]; then
  secs="${1:-900}"
  shift || true
  runs="$out/long"
  at_once=1
else
  secs="${FUZZ_SECONDS:-60}"
  runs="$out/run"
  at_once=2  # one per core
  rm -rf "$runs"
fi
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in tests/fuzz/fuzz_*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi

mkdir -p "$out"
{ cmake -S . -B "$out" -DCMAKE_CXX_COMPILER="${CXX_FUZZ:-clang++}" -DCMAKE_BUILD_TYPE=Debug -DROOFRUNNER_FUZZ=ON \
    && cmake --build "$out" -j"$(nproc)" --target "${targets[@]}"; } >"$out/build.log" 2>&1 \
  || { tail -20 "$out/build.log"; echo "fuzz: FAILED to build the targets (see $out/build.log)"; exit 1; }

run() {
  local t="$1" dir="$runs/$1"
  mkdir -p "$dir/corpus" "$dir/artifacts"
  cp -n tests/fuzz/corpus/"$t"/* "$dir/corpus/"
  rm -f "$dir/log.txt" "$dir/rc"
  touch "$dir/started"
  # Absolute paths: the targets work in a scratch folder of their own.
  nice "$out/tests/fuzz/$t" -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
    -print_final_stats=1 -artifact_prefix="$dir/artifacts/" "$dir/corpus" >"$dir/log.txt" 2>&1
  echo $? >"$dir/rc"
}
for ((i = 0; i < ${#targets[@]}; i += at_once)); do
  pids=()
  for t in "${targets[@]:i:at_once}"; do
    [ $long -eq 1 ] && echo "== $t for ${secs}s (log: $runs/$t/log.txt)"
    run "$t" &
    pids+=("$!")
  done
  for p in "${pids[@]}"; do wait "$p" || true; done
done

fail=0
for t in "${targets[@]}"; do
  dir="$runs/$t"
  log="$dir/log.txt"
  stats="$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1)"
  # Inputs saved by an earlier long run stay until they are dealt with; only this run's count.
  if [ "$(cat "$dir/rc")" != 0 ] \
    || grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|SUMMARY: ' "$log" \
    || [ -n "$(find "$dir/artifacts" -type f -newer "$dir/started")" ] || [ -z "$stats" ]; then
    echo "fuzz: $t FAILED (see $log):"
    grep -E 'ERROR|runtime error|SUMMARY|artifact' "$log" | head -20
    fail=1
  else
    echo "fuzz: $t ok: $stats"
  fi
done
if [ "$fail" -ne 0 ]; then
  echo "fuzz: FAILED"
  exit 1
fi
echo "fuzz: all targets passed"
