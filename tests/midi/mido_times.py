#!/usr/bin/env python3
# Prints "seconds bytes" per event, seconds since the start, in playing order, for each of
# the timeline's modes in turn: format 2 tracks one after another, otherwise all tracks merged
# by tick (stable sort) and timed by the tempo events of every one. Mode bit 1 plays every
# track, not the first alone; bit 2 follows tempo events and SMPTE divisions instead of 120
# beats a minute.
import itertools, sys, mido
mid = mido.MidiFile(sys.argv[1])
tpb, count = mid.ticks_per_beat % 65536, len(mid.tracks)
fps, tpf = 256 - (tpb >> 8), tpb & 255
for every, follow in [(0, 0), (1, 0), (0, 2), (1, 2)]:
    frame = 1 / ((30000 / 1001 if fps == 29 else fps) * tpf) if tpb >= 0x8000 and tpf and follow else 0
    seconds = 0
    for seq in [[i] for i in range(count if every else min(count, 1))] if mid.type == 2 else [range(count)]:
        tempo, last = 500000, 0
        ticks = lambda i: itertools.accumulate(m.time for m in mid.tracks[i])
        timed = [(t, i, m) for i in seq for t, m in zip(ticks(i), mid.tracks[i])]
        for t, i, m in sorted(timed, key=lambda e: e[0]):
            seconds += (t - last) * (tempo * 1e-6 / tpb if 0 < tpb < 0x8000 else frame)
            last, tempo = t, m.tempo if follow and m.type == 'set_tempo' and m.tempo else tempo
            b = bytes(m.bytes())  # as the reader keeps it: no meta length, no closing F7
            b = b[:2] + b[3:] if m.is_meta else b[:-1] if b[0] == 0xF0 else b
            if every or i == 0: print(f'{seconds:.9g}', b.hex())
