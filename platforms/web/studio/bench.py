"""Measures the level studio in headless Chromium (run by bench.sh beside this file): the time from opening the page
to its first picture, from an edit to the next picture, a check of the largest shipped level and of the whole
shipped pack, each shipped level's link length, and what the studio's files add to the browser zip."""
import os
import statistics
import subprocess
import sys

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "web"))
import rrstudio  # noqa: E402
from rrweb import rr  # noqa: E402

STUDIO_FILES = ("studio.html", "studio.js", "studio.css", "pack.js", "zip.js", "link.js", "roofrunner_studio.js",
                "roofrunner_studio.wasm", "roofrunner_studio.data")


def zip_sizes(path):
    out = subprocess.run(["unzip", "-v", path], capture_output=True, text=True, check=True).stdout
    sizes = {}
    for line in out.splitlines():
        f = line.split()
        if len(f) == 8 and f[0].isdigit():
            sizes[f[7]] = (int(f[0]), int(f[2]))
    return sizes


def edit_ms(s, rounds):
    """The time the page takes from a changed grid to its new picture drawn: the edit's handler writes the file,
    reloads the level, draws it and puts it on the canvas, all before it returns."""
    return s.eval("""(() => { const g = document.querySelector('textarea.grid'), times = [];
        for (let i = 0; i < %d; i++) {
            g.value = (i %% 2 ? 'x' : 'y') + g.value.slice(1);
            const t0 = performance.now();
            g.dispatchEvent(new Event('input', {bubbles: true}));
            document.getElementById('preview').getContext('2d').getImageData(0, 0, 1, 1);
            times.push(performance.now() - t0);
        }
        return times; })()""" % rounds)


def main():
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    names = rr.level_names()
    sizes = {n: sum(len(b) for b in rrstudio.shipped_files(n).values()) for n in names}
    largest = max(names, key=lambda n: sizes[n])

    starts = []
    for _ in range(rounds):
        s = rrstudio.Studio()
        try:
            s.wait("performance.getEntriesByName('studio-first-preview').length")
            starts.append(s.eval("performance.getEntriesByName('studio-first-preview')[0].startTime"))
        finally:
            s.close()
    print("studio start to first picture: median %.0f ms (of %s)" % (statistics.median(starts),
                                                                     ", ".join("%.0f" % t for t in starts)))

    s = rrstudio.Studio()
    try:
        for name in ("my-level", largest):
            if name != "my-level":
                s.start_from_shipped(name)
            times = edit_ms(s, 40)
            print("an edit to the next picture, %s: median %.1f ms, slowest %.1f ms" %
                  (name, statistics.median(times), max(times)))
        s.eval("studio.pack.levels.splice(0, 1); studio.pack.current = 0")
        s.eval("document.getElementById('level-name').value = '%s-x'; "
               "document.getElementById('level-name').dispatchEvent(new Event('input'))" % largest)
        s.settled()
        checks = []
        for _ in range(rounds):
            s.eval("document.getElementById('check').click()")
            checks.append(s.eval("studio.results().ms"))
        r = s.eval("studio.results()")
        print("a check of the largest shipped level (%s, %d bytes), alone: median %.0f ms (%d levels played, %d "
              "problems)" % (largest, sizes[largest], statistics.median(checks), len(r["plays"]), r["problems"]))
        for n in names:
            if n != largest:
                s.start_from_shipped(n)
        checks = []
        for _ in range(rounds):
            s.eval("document.getElementById('check').click()")
            checks.append(s.eval("studio.results().ms"))
        r = s.eval("studio.results()")
        print("a check of all %d shipped levels as one pack: median %.0f ms (%d levels played, %d problems)" %
              (len(names), statistics.median(checks), len(r["plays"]), r["problems"]))
        print("each shipped level's link (the whole address):")
        for n in names:
            s.start_from_shipped(n)
            print("  %-10s %5d characters" % (n, len(s.share())))
    finally:
        s.close()

    z = os.path.join(ROOT, "dist", "roofrunner-web.zip")
    sz = zip_sizes(z)
    added = sum(sz[f][1] for f in STUDIO_FILES if f in sz)
    print("the browser zip: %d bytes; the studio's files in it: %d bytes packed (%d unpacked)" %
          (os.path.getsize(z), added, sum(sz[f][0] for f in STUDIO_FILES if f in sz)))
    for f in STUDIO_FILES:
        if f in sz:
            print("  %-24s %8d bytes, %7d packed" % (f, sz[f][0], sz[f][1]))


if __name__ == "__main__":
    main()
