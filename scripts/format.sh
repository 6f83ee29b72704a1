#!/usr/bin/env bash
# Checks that every C and C++ file is as the repository's .clang-format gives it; with --fix, formats them in place.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.c' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
bad=()
for f in "${files[@]}"; do
  clang-format "$f" | cmp -s "$f" - || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
  echo "format: these files differ from .clang-format (scripts/format.sh --fix mends them):"
  printf '  %s\n' "${bad[@]}"
  exit 1
fi
echo "format: ${#files[@]} files ok"
