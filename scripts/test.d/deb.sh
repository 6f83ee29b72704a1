#!/usr/bin/env bash
# The Debian package: built by scripts/build-deb.sh, checked as the distribution checks packages (lintian, the
# desktop entry, the AppStream metadata), then installed with apt, played and removed (tests/package/).
set -euo pipefail
cd "$(dirname "$0")/../.."
start=$(date +%s)
bash scripts/deps.sh game test deb
bash scripts/build-deb.sh
version=$(head -n 1 VERSION)
arch=$(dpkg --print-architecture)
deb=dist/roofrunner_${version}_${arch}.deb

fail() {
  echo "deb: FAILED: $*"
  exit 1
}
# The source and the binary package: no error and no warning. Every other hint is shown; overridden ones are counted
# by tag (debian/*.lintian-overrides gives the reason for each).
rc=0
out=$(lintian --fail-on error,warning --display-info --pedantic --show-overrides \
  "build-deb/roofrunner_${version}_${arch}.changes" 2>&1) || rc=$?
grep -E '^[EWIPX]: ' <<<"$out" || true
grep -E '^O: ' <<<"$out" | sed -E 's/^O: [^:]+: ([a-z0-9-]+).*/\1/' | sort | uniq -c |
  sed 's/^ */lintian: overridden: /' || true
[ "$rc" -eq 0 ] || fail "lintian found errors or warnings"

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
out=$(desktop-file-validate "$tree/usr/share/applications/roofrunner.desktop" 2>&1) || fail "desktop entry: $out"
[ -z "$out" ] || fail "desktop entry: $out"
for info in "$tree"/usr/share/metainfo/*.metainfo.xml; do
  out=$(appstreamcli validate --no-net --pedantic --no-color "$info" 2>&1) || fail "AppStream metadata: $out"
  ! grep -qE '^[EWI]: ' <<<"$out" || fail "AppStream metadata: $out"
done
echo "deb: lintian, desktop-file-validate and appstreamcli validate --no-net are clean"

RR_DEB=$deb python3 tests/package/test_package.py || fail "the installed package (tests/package/test_package.py)"
echo "deb: $deb ($(du -k "$deb" | cut -f1) KiB) built, checked, installed, played and removed in $(($(date +%s) - start)) s"
