#!/usr/bin/env python3
"""Cuts the General MIDI patch set down to what one tune plays, for the browser build's download.

    pick_patches.py TUNE.mid FULL.cfg OUTDIR

FULL.cfg is the whole set's index (the one platforms/linux/patches.cmake makes from freepats). OUTDIR receives
default.cfg, listing only the instruments and drum keys the tune uses, and those .pat files beside it, named
relative to it. The choice follows the library's player: every program a program change names on a melodic
channel, the piano (program 0) for a channel that plays a note before its first program change, and every key
played on the drum channel (10).
"""
import os
import shutil
import sys


def var_len(data, i):
    value = 0
    while True:
        b = data[i]
        i += 1
        value = (value << 7) | (b & 0x7F)
        if not b & 0x80:
            return value, i


def used(midi):
    """(programs, drum keys) that a standard MIDI file plays."""
    if midi[:4] != b"MThd":
        raise ValueError("not a standard MIDI file")
    i = 8 + int.from_bytes(midi[4:8], "big")
    programs, drums = set(), set()
    first_program, first_note = {}, {}  # channel: (time, track, order)
    track_number = 0
    while i + 8 <= len(midi):
        kind, length = midi[i:i + 4], int.from_bytes(midi[i + 4:i + 8], "big")
        track = midi[i + 8:i + 8 + length]
        i += 8 + length
        if kind != b"MTrk":
            continue
        track_number += 1
        j, status, time, order = 0, 0, 0, 0
        while j < len(track):
            delta, j = var_len(track, j)
            time += delta
            order += 1
            when = (time, track_number, order)
            if j >= len(track):
                break
            if track[j] & 0x80:
                status = track[j]
                j += 1
            if status in (0xF0, 0xF7):
                n, j = var_len(track, j)
                j += n
                status = 0
                continue
            if status == 0xFF:
                j += 1
                n, j = var_len(track, j)
                j += n
                status = 0
                continue
            kind, channel = status >> 4, status & 0x0F
            if kind == 0xC and channel == 9:
                j += 1  # the drum channel's program picks a kit, and the set has one kit
            elif kind == 0xC:
                programs.add(track[j])
                first_program[channel] = min(first_program.get(channel, when), when)
                j += 1
            elif kind == 0xD:
                j += 1
            elif kind == 0x9:
                if channel == 9:
                    drums.add(track[j])
                elif track[j + 1] > 0:
                    first_note[channel] = min(first_note.get(channel, when), when)
                j += 2
            elif kind in (0x8, 0xA, 0xB, 0xE):
                j += 2
            else:
                raise ValueError("bad MIDI event %#x" % status)
    # Tracks play side by side: what comes first is what has the earlier time.
    for channel, when in first_note.items():
        if channel not in first_program or when < first_program[channel]:
            programs.add(0)
    return programs, drums


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    tune, full, out = sys.argv[1:]
    with open(tune, "rb") as f:
        programs, drums = used(f.read())
    os.makedirs(out, exist_ok=True)
    lines, files, drum_mode = [], [], False
    with open(full) as f:
        for line in f:
            words = line.split()
            if not words or words[0].startswith("#"):
                continue
            if words[-1] == "begin_multipatch":
                drum_mode = True
                lines.append(line.strip())
            elif words[0] == "end_multipatch":
                drum_mode = False
                lines.append(line.strip())
            elif len(words) >= 2:
                number = int(words[0])
                wanted = number in drums if drum_mode else number - 1 in programs
                if wanted:
                    name = os.path.basename(words[1])
                    files.append((words[1], name))
                    lines.append("%d %s" % (number, name))
    with open(os.path.join(out, "default.cfg"), "w") as f:
        f.write("# The patches the tune plays, cut from the whole set at build time.\n")
        f.write("\n".join(lines) + "\n")
    for path, name in files:
        shutil.copyfile(path, os.path.join(out, name))
    size = sum(os.path.getsize(os.path.join(out, n)) for _, n in files)
    print("pick_patches: %d patches, %d bytes" % (len(files), size))


if __name__ == "__main__":
    main()
