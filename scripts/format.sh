#!/usr/bin/env bash
# Checks that every C and C++ file is as the repository's .clang-format gives it; with --fix, formats them in place.
# The files are those on disk, tracked by git or not, so that a new file is checked before it is added: every .c,
# .cpp and .h of the tree but those the builds write (the build*/ folders and dist/ at the top, as .gitignore says).
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null; then
  echo "format: clang-format is not installed (bash scripts/deps.sh test installs it)" >&2
  exit 1
fi
mapfile -t files < <(find . \( -path './build*' -o -path ./dist -o -name .git -o -name node_modules \) -prune \
  -o -type f \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \) -print | sed 's|^\./||' | LC_ALL=C sort)
# Nothing found is a tree that is not whole (or a find gone wrong), never a pass.
if [ ${#files[@]} -eq 0 ]; then
  echo "format: no C or C++ files under $PWD: run it in a whole source tree" >&2
  exit 1
fi
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
