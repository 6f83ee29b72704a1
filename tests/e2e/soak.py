"""Soak: the (sanitizer) build of the real game under its own Xvfb for some minutes, driven by random menu choices
and held keys through games, levels, pauses, game overs and wins, then Exit. Run by tools/soak.sh.

    python3 tests/e2e/soak.py MINUTES      env: RR_BINARY, RR_BUILD_DIR, SOAK_SEED, SOAK_KEEP=1 keeps the folder

Fails on a sanitizer report, a leak at exit, an unclean shut-down or resident memory that keeps growing. Prints
what it went through (games, levels, wins, pauses, escapes) and the resident memory every 30 seconds."""
import os
import random
import re
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import rr  # noqa: E402


def shorten_trains(data):
    """Shorter trains (the last two cars of each level) so that holding RIGHT reaches the engine: wins and the
    victory screen come up too, not only game overs. The pictures and world sizes stay the shipped ones."""
    for name in rr.level_names(data):
        p = os.path.join(data, rr.level_attr_path(name, data))
        with open(p) as f:
            n = f.read().split()
        count = int(n[4])
        if count > 2:
            n = n[:4] + ["2"] + n[5 + count - 2:]
            with open(p, "w") as f:
                f.write(" ".join(n) + "\n")


def rss_kb(pid):
    with open("/proc/%d/status" % pid) as f:
        return int(re.search(r"VmRSS:\s+(\d+)", f.read()).group(1))


def is_you_win(s):
    """The you-win text: a colour on black that is not the game over's red."""
    c, n = rr.text_colour(s)
    return n > 100 and not rr.is_game_over(s) and s.count((0, 0, 0)) > 250000


def main(minutes):
    seed = int(os.environ.get("SOAK_SEED", time.time()))
    rnd = random.Random(seed)
    work = rr.make_workdir(data="copy")
    shorten_trains(os.path.join(work, "Data"))
    reports = os.path.join(work, "sanitizer")
    os.mkdir(reports)
    env = {
        "ASAN_OPTIONS": "detect_leaks=1:log_path=%s/asan:quarantine_size_mb=4:malloc_context_size=20" % reports,
        "UBSAN_OPTIONS": "print_stacktrace=1:halt_on_error=1:log_path=%s/ubsan" % reports,
        "LSAN_OPTIONS": "log_path=%s/lsan" % reports,
    }
    failures = []
    counts = {"games": 0, "wins": 0, "menu help visits": 0, "pauses": 0, "escapes": 0, "held keys": 0}

    def press(game, k, hold=rr.HOLD):
        game.press(k, hold=hold, after=0.1)

    with rr.Display() as d:
        game = rr.start_game(d, work, env=env)
        pid = game.proc.pid
        samples = []
        start = time.time()
        end = start + minutes * 60
        next_sample = start
        won_shown = False
        while time.time() < end and game.proc.poll() is None:
            if time.time() >= next_sample:
                samples.append((time.time() - start, rss_kb(pid)))
                next_sample += 5
            shot = game.shot()
            item = rr.menu_item(shot)
            you_win = is_you_win(shot)
            if you_win and not won_shown:
                counts["wins"] += 1
            won_shown = you_win
            if item == 0:
                if rnd.random() < 0.15:
                    press(game, "Down")
                    if game.wait_menu(1, 2) is not None:
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
                    press(game, rnd.choice(["space", "c", "Prior", "Next"]), hold=rnd.uniform(0.1, 0.6))
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
        if game.proc.poll() is not None:
            failures.append("the game ended during the soak (exit %s): %s"
                            % (game.proc.returncode, game.stderr()[-3000:]))
        else:
            samples.append((time.time() - start, rss_kb(pid)))
            for _ in range(30):
                if game.wait_menu(timeout=1) is not None:
                    break
                press(game, rnd.choice(["Escape", "Return"]))
            code = game.exit_through_menu(60)
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
    print("soak: seed %d, %.1f min, %s, first levels %d, next levels %d (furthest index %d), errors %d" % (
        seed, minutes, ", ".join("%s %d" % kv for kv in counts.items()), log.count("First Level"), len(levels),
        max(levels, default=0), len(failures)))
    if samples:
        # Every screen and level has been through several times in the first half; from there on the resident
        # size stays flat: the second half may not rise above the first half's peak by more than the allocator's
        # slack.
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
        return 1
    if not os.environ.get("SOAK_KEEP"):
        shutil.rmtree(work)
    print("soak: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main(float(sys.argv[1]) if len(sys.argv) > 1 else 10))
