#!/usr/bin/env bash
# Builds the browser zip (scripts/build-web.sh; a second build only redoes what changed), unpacks it and serves it
# on this machine alone. Open the address it prints; Ctrl+C stops the server.
#   scripts/play-web.sh [PORT]      (8000 by default)
set -euo pipefail
cd "$(dirname "$0")/.."
port="${1:-8000}"
bash scripts/build-web.sh
site="$PWD/build-web/site"
rm -rf "$site" && mkdir -p "$site/roofrunner"
unzip -q dist/roofrunner-web.zip -d "$site/roofrunner"
echo "play-web: open http://127.0.0.1:$port/roofrunner/ in a browser (Ctrl+C stops the server)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site"
