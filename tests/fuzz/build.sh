#!/usr/bin/env bash
# Builds the libFuzzer targets with clang straight from the game's sources: build.sh OUTDIR
# (the normal CMake build never builds them). The game's modules get coverage and sanitizers too.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
src="$here/../../src"
out="${1:?usage: build.sh OUTDIR}"
mkdir -p "$out/obj"
cxx="${CXX_FUZZ:-clang++}"
flags=(-std=c++17 -g -O1 -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=undefined
       -I"$src" -I"$here" $(pkg-config --cflags allegro))
libs=($(pkg-config --libs allegro))
# Only what the loaders and the level renderer need; the rest of the game stays out.
modules=(app/log ascii/datafile ascii/sprite ascii/draw level/level level/level_render)
objs=()
for m in "${modules[@]}"; do
  o="$out/obj/${m//\//_}.o"
  "$cxx" "${flags[@]}" -fsanitize=fuzzer-no-link -c "$src/$m.cpp" -o "$o"
  objs+=("$o")
done
for t in "$here"/fuzz_*.cpp; do
  name="$(basename "$t" .cpp)"
  "$cxx" "${flags[@]}" -fsanitize=fuzzer "$t" "${objs[@]}" "${libs[@]}" -o "$out/$name"
  echo "built $out/$name"
done
