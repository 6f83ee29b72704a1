#!/usr/bin/env bash
# Soak: the sanitizer build of the real game under its own Xvfb for MINUTES (default 10), driven by random
# menu choices and held keys through games, levels, pauses, game overs and wins, then Exit.
#   tools/soak.sh [MINUTES]        env: SOAK_BUILD (default build-asan), SOAK_SEED, SOAK_KEEP=1 keeps the folder
# Fails on a sanitizer report, a leak at exit, an unclean shut-down or resident memory that keeps growing.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
minutes="${1:-10}"
build="${SOAK_BUILD:-$root/build-asan}"
if [ ! -x "$build/roofrunner" ] || [ ! -x "$build/tests/e2e/rr_wm_close" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DROOFRUNNER_SANITIZE=ON >/dev/null
  cmake --build "$build" -j"$(nproc)" --target roofrunner rr_wm_close >/dev/null
fi
# xdotool warns on every key sent to a window of its own choosing: noise, filtered out.
python3 - "$root" "$build" "$minutes" 2> >(grep -v --line-buffered XGetInputFocus >&2) <<'EOF'
import os, random, re, shutil, subprocess, sys, time
root, build, minutes = sys.argv[1], sys.argv[2], float(sys.argv[3])
os.environ.update(RR_SOURCE_DIR=root, RR_BINARY=os.path.join(build, "roofrunner"), RR_BUILD_DIR=build)
sys.path.insert(0, os.path.join(root, "tests", "e2e"))
import rr  # noqa: E402

seed = int(os.environ.get("SOAK_SEED", time.time()))
rnd = random.Random(seed)
work = rr.make_workdir(data="copy")
data = os.path.join(work, "Data")
reports = os.path.join(work, "sanitizer")
os.mkdir(reports)

# Shorter trains (the last two cars of each level) so that holding RIGHT reaches the engine: wins and the
# victory screen come up too, not only game overs. The pictures and world sizes stay the shipped ones.
with open(os.path.join(data, "levels.txt")) as f:
    names = f.read().split()[1:]
for name in names:
    with open(os.path.join(data, "Levels", name, "level.txt")) as f:
        w = f.read().split()
    for i in range(1, len(w) - 1, 2):
        if w[i].lower() != "attr":
            continue
        p = os.path.join(data, "Levels", name, w[i + 1])
        with open(p) as f:
            n = f.read().split()
        count = int(n[4])
        if count > 2:
            n = n[:4] + ["2"] + n[5 + count - 2:]
            with open(p, "w") as f:
                f.write(" ".join(n) + "\n")

env = {
    "ASAN_OPTIONS": "detect_leaks=1:log_path=%s/asan:quarantine_size_mb=4:malloc_context_size=20" % reports,
    "UBSAN_OPTIONS": "print_stacktrace=1:halt_on_error=1:log_path=%s/ubsan" % reports,
    "LSAN_OPTIONS": "log_path=%s/lsan" % reports,
}
failures = []
counts = {"games": 0, "menu help visits": 0, "pauses": 0, "escapes": 0, "held keys": 0}


def rss_kb(pid):
    with open("/proc/%d/status" % pid) as f:
        m = re.search(r"VmRSS:\s+(\d+)", f.read())
    return int(m.group(1))


def item_lit(game, i):
    """Which menu item is drawn bright red, or None off the menu."""
    shot = game.shot8()
    return shot.count((255, 0, 0), (280, 144 + 20 * i, 360, 160 + 20 * i), tol=24) >= 10


def menu_item(game):
    for i in range(3):
        if item_lit(game, i):
            return i
    return None


def press(game, k, hold=0.08):
    game.press(k, hold=hold, after=0.1)


with rr.Display() as d:
    game = rr.start_game(d, work, env=env)
    assert game.wait_log("Initialized Game", 30), game.log()
    pid = game.proc.pid
    samples = []
    start = time.time()
    end = start + minutes * 60
    next_sample = start
    while time.time() < end and game.proc.poll() is None:
        if time.time() >= next_sample:
            samples.append((time.time() - start, rss_kb(pid)))
            next_sample += 5
        item = menu_item(game)
        if item == 0:
            if rnd.random() < 0.15:
                press(game, "Down")
                if menu_item(game) == 1:
                    press(game, "Return")
                    time.sleep(rnd.uniform(0.2, 1))
                    press(game, "Return")
                    counts["menu help visits"] += 1
            else:
                press(game, "Return")
                counts["games"] += 1
        elif item is not None:
            press(game, "Up")
        else:
            r = rnd.random()
            if r < 0.45:
                game.key_down("Right")
                if rnd.random() < 0.3:
                    time.sleep(rnd.uniform(0.1, 0.8))
                    press(game, rnd.choice(["space", "c", "Prior", "Next"]))
                time.sleep(rnd.uniform(0.2, 3))
                game.key_up("Right")
                counts["held keys"] += 1
            elif r < 0.6:
                press(game, rnd.choice(["space", "c", "Prior", "Next"]), hold=rnd.uniform(0.05, 0.6))
            elif r < 0.7:
                press(game, "F1")
                time.sleep(rnd.uniform(0.2, 1))
                press(game, "Return")
                counts["pauses"] += 1
            elif r < 0.8:
                press(game, "Escape")
                counts["escapes"] += 1
            elif r < 0.95:
                press(game, "Return")  # game over, you win, victory: on to the next screen
            else:
                time.sleep(rnd.uniform(0.5, 3))  # let the clock or the camera end it
    # Exit through the menu.
    alive = game.proc.poll() is None
    if not alive:
        failures.append("the game ended during the soak (exit %s): %s" % (game.proc.returncode, game.stderr()[-3000:]))
    else:
        samples.append((time.time() - start, rss_kb(pid)))
        for _ in range(30):
            item = menu_item(game)
            if item == 2:
                break
            press(game, "Down" if item is not None else rnd.choice(["Escape", "Return"]))
        # The window goes at once: a plain key click, quiet about the key's release finding no window.
        subprocess.run(["xdotool", "key", "--window", game.window, "Return"], env=d.env, stderr=subprocess.DEVNULL)
        code = game.wait_exit(60)
        if code != 0:
            failures.append("exit code %s: %s" % (code, game.stderr()[-3000:]))
            game.kill()
    log = game.log()
    try:
        rr.check_run(rr.runs(log)[-1])
    except AssertionError as e:
        failures.append("log: %s" % e)

for name in sorted(os.listdir(reports)):
    with open(os.path.join(reports, name), errors="replace") as f:
        failures.append("sanitizer report %s:\n%s" % (name, f.read()[:4000]))

levels = [int(m.group(1)) for m in (re.match(r"Next Level, @Level (\d+)", x) for x in log) if m]
print("soak: seed %d, %.1f min, %s, first levels %d, next levels %d (furthest index %d)" % (
    seed, minutes, ", ".join("%s %d" % kv for kv in counts.items()), log.count("First Level"), len(levels),
    max(levels, default=0)))
if samples:
    # Every screen and level has been through several times in the first half; from there on the resident size
    # stays flat: the second half may not rise above the first half's peak by more than the allocator's slack.
    half = samples[-1][0] / 2
    first_half = max(kb for t, kb in samples if t <= half)
    second_half = max(kb for t, kb in samples if t > half)
    print("soak: VmRSS first %d kB, peak of the first half %d kB, of the second half %d kB, last %d kB" % (
        samples[0][1], first_half, second_half, samples[-1][1]))
    print("soak: VmRSS every 30 s (kB): " + " ".join(str(kb) for t, kb in samples[::6]))
    if second_half > first_half + 16 * 1024:
        failures.append("resident memory kept growing: %d kB -> %d kB" % (first_half, second_half))
if failures:
    print("\n".join(failures))
    print("soak: FAILED (folder kept: %s)" % work)
    sys.exit(1)
if not os.environ.get("SOAK_KEEP"):
    shutil.rmtree(work)
print("soak: passed")
EOF
