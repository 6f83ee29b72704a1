#!/usr/bin/env bash
# The browser build: builds dist/roofrunner-web.zip with scripts/build-web.sh, unzips it, and runs tests/web in
# Debian's headless chromium and firefox-esr (driven by puppeteer-core from the npm registry) and in WebKitGTK's
# MiniBrowser (under WebKitWebDriver, in Xvfb), served from a sub-folder of a local web server, beside the Linux
# build in build/ (the plain stage's).
set -euo pipefail
cd "$(dirname "$0")/../.."
root="$PWD"
started="$(date +%s)"
bash scripts/build-web.sh
bash scripts/deps.sh webtest
web="$root/build-web"
rm -rf "$web/unzipped" && mkdir -p "$web/unzipped"
(cd "$web/unzipped" && unzip -q "$root/dist/roofrunner-web.zip")
# puppeteer-core, at the version tests/web/package.json names, without its own browser download.
mkdir -p "$web/node"
cp tests/web/package.json "$web/node/package.json"
(cd "$web/node" && PUPPETEER_SKIP_DOWNLOAD=1 npm install --no-audit --no-fund --loglevel=error >/dev/null)
# The Linux game, the frame tool and the checker to compare with; built here when this stage runs on its own.
if [ ! -x build/roofrunner ] || [ ! -x build/tests/web/rr_frames ] || [ ! -x build/tools/check/roofrunner-check ]; then
  bash scripts/deps.sh game test
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build -j"$(nproc)" --target roofrunner rr_frames roofrunner-check
fi
export RR_WEB_DIR="$web/unzipped" RR_WEB_NODE="$web/node" RR_LINUX_BUILD="$root/build"
export RR_BUILD_DIR="$root/build" RR_BINARY="$root/build/roofrunner"
if python3 -m unittest discover -s tests/web -p 'test_*.py' -v; then
  echo "web: passed in $(($(date +%s) - started)) s"
else
  echo "web: FAILED"
  exit 1
fi
