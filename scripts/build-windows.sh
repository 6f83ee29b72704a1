#!/usr/bin/env bash
# Cross-builds the game for 64-bit Windows on Debian 12 and writes dist/roofrunner-windows-x64.zip: a folder
# "roofrunner" holding roofrunner.exe, roofrunner-check.exe, Data\, README.txt and LICENSE.txt.
#
# The library is built static from Debian's own allegro4.4 source (fetched by scripts/allegro-source.sh) with
# platforms/windows/allegro-4.4.3.1-windows.patch, and kept in ${XDG_CACHE_HOME:-~/.cache}/roofrunner/ under a key
# made of the source's, the patch's and this build's hashes, so a second run (or a second clone) builds the game
# alone. The work folder is build-windows/.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
bash scripts/deps.sh windows

work="$root/build-windows"
triple=x86_64-w64-mingw32
toolchain="$root/platforms/windows/mingw-w64-x86_64.cmake"
patch_file="$root/platforms/windows/allegro-4.4.3.1-windows.patch"
orig=allegro4.4_4.4.3.1.orig.tar.gz
orig_sha256=ec19dbc9a021244582b4819b3583ee594b50141f9fcf6944a4ed8069cbf8d4d4
allegro_options=(-DCMAKE_BUILD_TYPE=Release -DSHARED=OFF -DWANT_EXAMPLES=OFF -DWANT_TOOLS=OFF -DWANT_TESTS=OFF
  -DWANT_DOCS=OFF -DWANT_ALLEGROGL=OFF -DWANT_LOADPNG=OFF -DWANT_LOGG=OFF -DWANT_JPGALLEG=OFF)
jobs="$(nproc)"
mkdir -p "$work" "$root/dist"

key="$({ echo "$orig_sha256"; sha256sum <"$patch_file"; sha256sum <"$toolchain"; echo "${allegro_options[*]}";
  $triple-gcc --version | head -1; } | sha256sum | cut -c1-16)"
cache_root="${XDG_CACHE_HOME:-$HOME/.cache}/roofrunner"
allegro="$cache_root/allegro-4.4.3.1-win64-$key"

build_allegro() {
  bash scripts/allegro-source.sh "$work"
  local src="$work/allegro-src"
  rm -rf "$src" "$work/allegro-build" && mkdir -p "$src"
  tar -xzf "$work/$orig" -C "$src" --strip-components=1
  patch -d "$src" -p1 --quiet <"$patch_file"
  cmake -S "$src" -B "$work/allegro-build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" "${allegro_options[@]}" \
    -DCMAKE_INSTALL_PREFIX="$allegro.part" -Wno-dev >"$work/allegro-configure.log"
  cmake --build "$work/allegro-build" -j"$jobs" >"$work/allegro-build.log" 2>&1 ||
    { tail -30 "$work/allegro-build.log"; exit 1; }
  rm -rf "$allegro.part"
  cmake --install "$work/allegro-build" >/dev/null
  # Whole or not at all: a build cut short must not pass for a cached one.
  mv "$allegro.part" "$allegro"
}

mkdir -p "$cache_root"
# Two builds at once (a second clone, a second checkout) take turns here instead of building into one folder.
exec 9>"$allegro.lock"
flock 9
if [ -f "$allegro/lib/liballeg.a" ]; then
  echo "build-windows: the library from the cache, $allegro"
else
  echo "build-windows: building the library into $allegro"
  build_allegro
fi
flock -u 9

cmake -S . -B "$work/game" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DROOFRUNNER_ALLEGRO_PREFIX="$allegro" >"$work/game-configure.log"
cmake --build "$work/game" -j"$jobs" --target roofrunner roofrunner-check

stage="$work/stage/roofrunner"
rm -rf "$work/stage" && mkdir -p "$stage"
$triple-strip -o "$stage/roofrunner.exe" "$work/game/roofrunner.exe"
$triple-strip -o "$stage/roofrunner-check.exe" "$work/game/tools/check/roofrunner-check.exe"
cp -r Data "$stage/Data"
# Windows' own line ends, for Notepad.
sed 's/$/\r/' platforms/windows/README.txt >"$stage/README.txt"
sed 's/$/\r/' LICENSE >"$stage/LICENSE.txt"
zip_file="$root/dist/roofrunner-windows-x64.zip"
rm -f "$zip_file"
(cd "$work/stage" && zip -q -r -X "$zip_file" roofrunner)
echo "build-windows: wrote dist/roofrunner-windows-x64.zip ($(stat -c %s "$zip_file") bytes)"
