#!/usr/bin/env bash
# Long local fuzzing: tools/fuzz.sh [SECONDS_PER_TARGET (default 900)] [TARGET...]
# One target at a time, niced. The corpus grows in build-fuzz/long/<target> (seeded from tests/fuzz/corpus);
# crashes land in build-fuzz/long/<target>-crash-*: copy each into tests/fuzz/corpus/<target>/ once fixed.
set -uo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
out="$root/build-fuzz"
# A smaller quarantine keeps two targets that allocate large pictures well inside memory.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=64}"
secs="${1:-900}"
shift || true
bash tests/fuzz/build.sh "$out" >/dev/null || { echo "fuzz: build failed"; exit 1; }
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in tests/fuzz/fuzz_*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
status=0
for t in "${targets[@]}"; do
  dir="$out/long/$t"
  mkdir -p "$dir"
  cp -n tests/fuzz/corpus/"$t"/* "$dir/"
  echo "== $t for ${secs}s (log: $out/long/$t.log)"
  nice -n 10 "$out/$t" -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="$out/long/$t-" "$dir" >"$out/long/$t.log" 2>&1 || status=1
  grep -E '^#[0-9]+[[:space:]]+DONE|ERROR|SUMMARY' "$out/long/$t.log" | tail -3
done
exit $status
