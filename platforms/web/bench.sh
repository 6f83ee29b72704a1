#!/usr/bin/env bash
# Measures the browser build (bench.js): its download, the time to its first menu frame and its CPU against a
# bare canvas page, on a desktop-sized page and on a phone-sized one with the touch buttons shown. Builds the zip
# first (scripts/build-web.sh). Run it on a quiet machine.
#   platforms/web/bench.sh [SECONDS]     (30 by default, for each of the four CPU measurements)
set -euo pipefail
cd "$(dirname "$0")/../.."
root="$PWD"
bash scripts/build-web.sh >/dev/null
bash scripts/deps.sh webtest
work="$root/build-web/bench"
rm -rf "$work" && mkdir -p "$work/site/games/roofrunner" "$work/node"
(cd "$work/site/games/roofrunner" && unzip -q "$root/dist/roofrunner-web.zip")
cp platforms/web/bare.html "$work/site/bare.html"
cp tests/web/package.json "$work/node/package.json"
(cd "$work/node" && PUPPETEER_SKIP_DOWNLOAD=1 npm install --no-audit --no-fund --loglevel=error >/dev/null)

echo "download: the zip $(stat -c %s dist/roofrunner-web.zip) bytes; each file served with gzip -9:"
total=0
# Every file the page loads (sw.js lists them; README.txt and the licences are not loaded).
kept="$(sed -n 's/^var KEPT = \(.*\);$/\1/p' "$work/site/games/roofrunner/sw.js" |
  python3 -c 'import json, sys; print(" ".join(json.load(sys.stdin)["files"]))') sw.js"
for name in $kept; do
  f="$work/site/games/roofrunner/$name"
  n="$(gzip -9 -c "$f" | wc -c)"
  total=$((total + n))
  printf '  %-20s %9d bytes, %9d gzipped\n' "$name" "$(stat -c %s "$f")" "$n"
done
echo "  in all                         $total bytes gzipped"

port_file="$work/port"
python3 - "$work/site" "$port_file" <<'PY' &
import functools, http.server, sys
class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *a):
        pass
httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Quiet, directory=sys.argv[1]))
open(sys.argv[2], "w").write(str(httpd.server_address[1]))
httpd.serve_forever()
PY
server=$!
trap 'kill $server 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$port_file" ] && break; sleep 0.1; done
port="$(cat "$port_file")"
NODE_PATH="$work/node/node_modules" node platforms/web/bench.js "http://127.0.0.1:$port/games/roofrunner/" \
  "http://127.0.0.1:$port/bare.html" "${1:-30}"
