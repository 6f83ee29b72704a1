#!/usr/bin/env bash
# Builds the game for the browser with Emscripten on Debian 12 and writes dist/roofrunner-web.zip: index.html at
# its root with the page's scripts, its service worker and manifest and the game's .js, .wasm and .data beside it, and studio.html, the level studio, with its own (every address relative, so the folder plays from any
# path of any web server), and the licence texts of everything in it.
#
# The library's platform-independent C files are built from Debian's own allegro4.4 source (as for Windows) and
# kept in ${XDG_CACHE_HOME:-~/.cache}/roofrunner/ under a key made of the source's hash, the browser build's
# library files and the compiler's version, so a second run (or a second clone) builds the game alone.
# The work folder is build-web/.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
bash scripts/deps.sh web
# Debian's emcc finds its JavaScript modules (acorn) only through NODE_PATH when the node first on PATH is
# not Debian's own.
export NODE_PATH=/usr/share/nodejs

work="$root/build-web"
jobs="$(nproc)"
mkdir -p "$work" "$root/dist"
bash scripts/allegro-source.sh "$work"
orig="$work/allegro4.4_4.4.3.1.orig.tar.gz"

# The configuration's files by their contents and their names inside its folder, so that the key outlives a move.
# The compiler's first line through sed, which reads it all: head would close the pipe on emcc, whose broken pipe
# fails this script now and then.
key="$({ sha256sum <"$orig"; (cd platforms/web/allegro && find . -type f | sort | xargs sha256sum)
  emcc --version | sed -n 1p; } | sha256sum | cut -c1-16)"
cache_root="${XDG_CACHE_HOME:-$HOME/.cache}/roofrunner"
allegro="$cache_root/allegro-4.4.3.1-web-$key"
mkdir -p "$cache_root"
# Two builds at once (a second clone, a second checkout) take turns here instead of building into one folder.
exec 9>"$allegro.lock"
flock 9
if [ -f "$allegro/lib/liballeg.a" ]; then
  echo "build-web: the library from the cache, $allegro"
else
  echo "build-web: building the library into $allegro"
  src="$work/allegro-src"
  rm -rf "$src" "$work/allegro-build" && mkdir -p "$src"
  tar -xzf "$orig" -C "$src" --strip-components=1
  emcmake cmake -S platforms/web/allegro -B "$work/allegro-build" -DALLEGRO_SRC="$src" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$allegro.part" >"$work/allegro-configure.log"
  cmake --build "$work/allegro-build" -j"$jobs" >"$work/allegro-build.log" 2>&1 ||
    { tail -30 "$work/allegro-build.log"; exit 1; }
  rm -rf "$allegro.part"
  cmake --install "$work/allegro-build" >/dev/null
  # Its licence goes into the zip with it.
  cp "$src/docs/txt/license.txt" "$allegro.part/license.txt"
  # Whole or not at all: a build cut short must not pass for a cached one.
  mv "$allegro.part" "$allegro"
fi
flock -u 9

emcmake cmake -S . -B "$work/game" -DCMAKE_BUILD_TYPE=Release -DROOFRUNNER_ALLEGRO_PREFIX="$allegro" \
  >"$work/game-configure.log"
cmake --build "$work/game" -j"$jobs" --target roofrunner roofrunner_studio

stage="$work/stage"
rm -rf "$stage" && mkdir -p "$stage/licences"
cp "$work/game"/{index.html,controls.js,layout.js,offline.js,sw.js,manifest.webmanifest,icon-192.png,icon-512.png} \
  "$work/game"/{audio-worklet.js,link.js,roofrunner.js,roofrunner.wasm,roofrunner.data} "$stage/"
# The level studio, which only studio.html loads.
cp "$work/game"/{studio.html,studio.js,studio.css,pack.js,zip.js} "$work/game"/roofrunner_studio.{js,wasm,data} "$stage/"
# The service worker names this upload's files by their hashes (a new upload is a new offline copy).
python3 platforms/web/stamp_sw.py "$stage" "$(cat VERSION)"
cp LICENSE "$stage/licences/roofrunner.txt"
cp "$allegro/license.txt" "$stage/licences/allegro.txt"
cp /usr/share/doc/freepats/copyright "$stage/licences/freepats.txt"
cp /usr/share/doc/emscripten/copyright "$stage/licences/emscripten.txt"
cp platforms/web/README.txt "$stage/README.txt"
zip_file="$root/dist/roofrunner-web.zip"
rm -f "$zip_file"
(cd "$stage" && zip -q -r -X "$zip_file" .)
# Packed again with a stronger deflate than zip's own (the same format, any unzip reads it): it keeps the zip, the
# level studio included, under 2.5 MB.
advzip -q -z -3 "$zip_file"
echo "build-web: wrote dist/roofrunner-web.zip ($(stat -c %s "$zip_file") bytes)"
