#!/usr/bin/env bash
# Measures the level studio (bench.py): start to first picture, an edit to the next picture, the check of the
# largest shipped level, each shipped level's link and what the studio adds to the zip. Builds the zip first
# (scripts/build-web.sh). Run it on a quiet machine.
#   platforms/web/studio/bench.sh [ROUNDS]     (5 by default)
set -euo pipefail
cd "$(dirname "$0")/../../.."
root="$PWD"
bash scripts/build-web.sh >/dev/null
bash scripts/deps.sh webtest
work="$root/build-web/studio-bench"
rm -rf "$work" && mkdir -p "$work/site" "$work/node"
(cd "$work/site" && unzip -q "$root/dist/roofrunner-web.zip")
cp tests/web/package.json "$work/node/package.json"
(cd "$work/node" && PUPPETEER_SKIP_DOWNLOAD=1 npm install --no-audit --no-fund --loglevel=error >/dev/null)
RR_WEB_DIR="$work/site" RR_WEB_NODE="$work/node" python3 platforms/web/studio/bench.py "${1:-5}"
