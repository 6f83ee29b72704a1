#!/usr/bin/env python3
"""Writes the kept files' line of a browser build's service worker (sw.js): the version and the SHA-256 of every
file the page plays from, and a key made of them. Run on the folder that is uploaded, after every change to it.
    stamp_sw.py FOLDER VERSION"""
import hashlib
import json
import os
import re
import sys

# What the page loads to play; README.txt and the licences are not needed offline.
# A shared level (link.js) plays offline too; the level studio (studio.html) is the network's.
KEPT = ["index.html", "controls.js", "layout.js", "offline.js", "audio-worklet.js", "link.js", "roofrunner.js",
        "roofrunner.wasm", "roofrunner.data", "manifest.webmanifest", "icon-192.png", "icon-512.png"]


def main():
    folder, version = sys.argv[1], sys.argv[2]
    files = {}
    for name in KEPT:
        with open(os.path.join(folder, name), "rb") as f:
            files[name] = hashlib.sha256(f.read()).hexdigest()
    key = hashlib.sha256("".join("%s %s\n" % kv for kv in sorted(files.items())).encode()).hexdigest()[:16]
    line = "var KEPT = %s;" % json.dumps({"version": version, "key": key, "files": files}, sort_keys=True)
    path = os.path.join(folder, "sw.js")
    with open(path) as f:
        text = f.read()
    text, n = re.subn(r"^var KEPT = .*;$", lambda m: line, text, count=1, flags=re.M)
    if n != 1:
        sys.exit("stamp_sw.py: no 'var KEPT = ...;' line in %s" % path)
    with open(path, "w") as f:
        f.write(text)


if __name__ == "__main__":
    main()
