#!/usr/bin/env bash
# Fetches Debian's source of the Allegro 4.4.3.1 library into WORK (once) and checks its hash:
#   scripts/allegro-source.sh WORK    leaves WORK/allegro4.4_4.4.3.1.orig.tar.gz
# The source comes through apt with a source list, indexes and downloads of its own inside WORK/apt, so the
# machine's apt set-up is left as it is. The list is the machine's own Debian mirrors, as deb-src.
# Shared by the Windows and the browser builds, which both build the library from this tarball.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: scripts/allegro-source.sh WORK" >&2; exit 2; }
work="$1"
orig=allegro4.4_4.4.3.1.orig.tar.gz
orig_sha256=ec19dbc9a021244582b4819b3583ee594b50141f9fcf6944a4ed8069cbf8d4d4
mkdir -p "$work"
if [ -f "$work/$orig" ] && echo "$orig_sha256  $work/$orig" | sha256sum -c --quiet - 2>/dev/null; then
  exit 0
fi

apt="$work/apt"
rm -rf "$apt" && mkdir -p "$apt/sources.d" "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/src"
for f in /etc/apt/sources.list.d/*.sources; do
  [ -e "$f" ] || continue
  awk -v RS= -v ORS='\n\n' '/URIs:[^\n]*debian/ { sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$f"
done >"$apt/sources.d/roofrunner-src.sources"
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [ -e "$f" ] || continue
  sed -n -E 's/^[[:space:]]*deb([[:space:]].*debian.*)$/deb-src\1/p' "$f"
done >"$apt/sources.d/roofrunner-src.list"
[ -s "$apt/sources.d/roofrunner-src.list" ] || rm "$apt/sources.d/roofrunner-src.list"
opts=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt/sources.d"
  -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache" -o APT::Sandbox::User=root)
apt-get "${opts[@]}" -qq update
# The package's .debian.tar.xz may be missing on the mirror (apt then exits 100); the .dsc and the original
# tarball are all we use, and the tarball's hash is checked below.
(cd "$apt/src" && apt-get "${opts[@]}" -qq source --download-only allegro4.4) >"$apt/source.log" 2>&1 || true
[ -f "$apt/src/$orig" ] || { cat "$apt/source.log"; echo "allegro-source: apt did not fetch $orig" >&2; exit 1; }
echo "$orig_sha256  $apt/src/$orig" | sha256sum -c --quiet - ||
  { echo "allegro-source: $orig is not the tarball the builds were made for" >&2; exit 1; }
mv "$apt/src/$orig" "$work/$orig"
