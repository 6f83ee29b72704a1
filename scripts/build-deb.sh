#!/usr/bin/env bash
# Builds the Debian package dist/roofrunner_<version>_<arch>.deb from this source tree (Debian 12): installs what
# the build needs, copies the tree to build-deb/ (so the build leaves the tree as it was), writes the package's
# changelog entry for the version in VERSION, and runs the standard Debian build (debhelper) there.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/deps.sh game deb

version=$(head -n 1 VERSION)
arch=$(dpkg --print-architecture)
stage=$root/build-deb
rm -rf "$stage"
mkdir -p "$stage/src"
tar -C "$root" --exclude-vcs --exclude='./build*' --exclude=./dist --exclude=__pycache__ --exclude=gamelog.txt \
  -cf - . | tar -C "$stage/src" -xf -

# The changelog entry: dated by the last commit, so that the same commit builds the same package.
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}
commit=$(git rev-parse --short HEAD 2>/dev/null || true)
if [ -n "$commit" ] && [ -n "$(git status --porcelain --untracked-files=no 2>/dev/null)" ]; then
  commit="$commit with local changes"
fi
maintainer=$(sed -n 's/^Maintainer: //p' debian/control)
{
  echo "roofrunner ($version) unstable; urgency=medium"
  echo
  echo "  * Roofrunner $version${commit:+, built from commit $commit}."
  echo
  echo " -- $maintainer  $(LC_ALL=C date -u -R -d "@$epoch")"
} >"$stage/src/debian/changelog"

(cd "$stage/src" && DEB_BUILD_OPTIONS="noddebs parallel=$(nproc) ${DEB_BUILD_OPTIONS:-}" \
  dpkg-buildpackage -us -uc >"$stage/build.log" 2>&1) || {
  tail -n 40 "$stage/build.log"
  echo "build-deb: FAILED (the whole log: $stage/build.log)"
  exit 1
}
deb=roofrunner_${version}_${arch}.deb
mkdir -p dist
cp "$stage/$deb" dist/
echo "build-deb: dist/$deb ($(du -k "dist/$deb" | cut -f1) KiB)"
