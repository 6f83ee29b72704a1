#!/usr/bin/env bash
# Plays the real game for a while in a private Xvfb (ENTER on "Game", then RIGHT held) and reports the game
# process's CPU time as a share of one core and its peak resident memory; the X server's share beside it.
# Usage: tools/cpu_share.sh [binary] [seconds]   (default build/roofrunner, 30 seconds)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
binary="$(realpath "${1:-$root/build/roofrunner}")"
seconds="${2:-30}"
[ -x "$binary" ] || { echo "cpu_share: no game binary at $binary" >&2; exit 2; }

work="$(mktemp -d)"
xvfb_pid=""
game_pid=""
# Ends what this script started, by id: the game is given two seconds for its own shut-down, then killed
# (the library's handler of SIGTERM can hang there), and only then its X server.
stop() {
  local pid="$1"
  [ -n "$pid" ] || return 0
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 20); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}
cleanup() {
  stop "$game_pid"
  stop "$xvfb_pid"
  rm -rf "$work"
}
trap cleanup EXIT

# A display of its own, so that nothing else running on the machine takes the keyboard focus.
Xvfb -displayfd 5 -screen 0 800x600x24 -nolisten tcp -noreset 5>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "cpu_share: Xvfb did not start" >&2; exit 2; }
export DISPLAY=":$(head -n1 "$work/display")"
# Without auto-repeat a held key is one press until it is let go, as on a desktop that repeats nothing.
xset r off

# The game reads Data from its working folder and appends its log there: a scratch folder, not the tree.
ln -s "$root/Data" "$work/Data"
(cd "$work" && exec "$binary") >/dev/null 2>&1 &
game_pid=$!

window=""
for _ in $(seq 150); do
  window="$(xdotool search --name '^Roofrunner$' 2>/dev/null | head -n1 || true)"
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "cpu_share: the game window did not appear" >&2; exit 2; }
xdotool windowfocus --sync "$window" 2>/dev/null || true
sleep 1

# "Game" is the menu's first entry.
xdotool keydown --window "$window" Return 2>/dev/null
sleep 0.1
xdotool keyup --window "$window" Return 2>/dev/null
sleep 1

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }  # utime + stime (the name holds no spaces)
hz="$(getconf CLK_TCK)"
game0="$(ticks "$game_pid")"
xvfb0="$(ticks "$xvfb_pid")"
t0="$(date +%s.%N)"
xdotool keydown --window "$window" Right 2>/dev/null
sleep "$seconds"
xdotool keyup --window "$window" Right 2>/dev/null
t1="$(date +%s.%N)"
game1="$(ticks "$game_pid")"
xvfb1="$(ticks "$xvfb_pid")"
hwm="$(awk '/^VmHWM/ { print $2 " " $3 }' "/proc/$game_pid/status")"

awk -v g0="$game0" -v g1="$game1" -v x0="$xvfb0" -v x1="$xvfb1" -v t0="$t0" -v t1="$t1" -v hz="$hz" -v hwm="$hwm" \
  'BEGIN {
     wall = t1 - t0
     printf "played %.1f s\n", wall
     printf "game CPU:  %.2f s = %.1f%% of one core\n", (g1 - g0) / hz, 100 * (g1 - g0) / hz / wall
     printf "Xvfb CPU:  %.2f s = %.1f%% of one core\n", (x1 - x0) / hz, 100 * (x1 - x0) / hz / wall
     printf "game peak resident memory (VmHWM): %s\n", hwm
   }'
# What the game went through meanwhile, from its own log.
if [ -f "$work/gamelog.txt" ]; then
  echo "log: $(grep -c 'Level' "$work/gamelog.txt" || true) level lines; last: $(tail -n1 "$work/gamelog.txt")"
fi
