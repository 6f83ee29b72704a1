#!/usr/bin/env bash
# Fuzzes each loader for a bounded time, starting from the committed corpus (every file in it is replayed first,
# so each crash once found stays a regression test). Fails on any crash, hang, leak or sanitizer report.
set -uo pipefail
cd "$(dirname "$0")/../.."
root="$PWD"
out="$root/build-fuzz"
# A smaller quarantine keeps two targets that allocate large pictures well inside memory.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=64}"
secs="${FUZZ_SECONDS:-60}"
bash tests/fuzz/build.sh "$out" >/dev/null || { echo "fuzz: FAILED to build the targets"; exit 1; }
rm -rf "$out/run" && mkdir -p "$out/run"
run() {
  local t="$1" dir="$out/run/$1"
  mkdir -p "$dir/corpus" "$dir/artifacts"
  cp tests/fuzz/corpus/"$t"/* "$dir/corpus/"
  # Absolute paths: the targets work in a scratch folder of their own.
  nice "$out/$t" -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="$dir/artifacts/" "$dir/corpus" >"$dir/log.txt" 2>&1
  echo $? >"$dir/rc"
}
targets=()
for f in tests/fuzz/fuzz_*.cpp; do targets+=("$(basename "$f" .cpp)"); done
# Two at a time: one per core.
fail=0
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  pids=()
  for t in "${targets[@]:i:2}"; do run "$t" & pids+=("$!"); done
  for p in "${pids[@]}"; do wait "$p" || true; done
done
for t in "${targets[@]}"; do
  log="$out/run/$t/log.txt"
  stats="$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1)"
  if [ "$(cat "$out/run/$t/rc")" != 0 ] \
     || grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|SUMMARY: ' "$log" \
     || [ -n "$(ls -A "$out/run/$t/artifacts")" ] || [ -z "$stats" ]; then
    echo "fuzz: $t FAILED (see $log):"
    grep -E 'ERROR|runtime error|SUMMARY|artifact' "$log" | head -20
    fail=1
  else
    echo "fuzz: $t ok: $stats"
  fi
done
if [ "$fail" -ne 0 ]; then echo "fuzz: FAILED"; exit 1; fi
echo "fuzz: all targets passed"
