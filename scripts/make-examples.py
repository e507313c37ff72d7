#!/usr/bin/env python3
"""Writes the example songs into a folder: make-examples.py FOLDER

deleika-waltz.mid    format 0, channel 1, only notes of the Deleika26 organ scale
not-for-organ.mid    format 0, a C sharp 4 and drums on channel 10: the organ check refuses it
format1-trio.mid     format 1: a conductor track, then a melody track and a bass track

All at 120 beats per minute, 480 ticks per quarter note, a few seconds each.
Standard library only, so a fresh machine needs nothing more.
"""
import os
import struct
import sys

DIVISION = 480
QUARTER = DIVISION
TEMPO_120 = 500000  # microseconds per quarter note
ORGAN_SCALE = {43, 48, 50, 55, 57, 59, 60, 62, 64, 65, 66, 67, 69, 71, 72, 73, 74, 76, 77,
               78, 79, 81, 83, 84, 86, 88}


def vlq(value):
    """A variable-length quantity: seven bits a byte, high bit set on all but the last."""
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, (value & 0x7F) | 0x80)
        value >>= 7
    return bytes(out)


def meta(kind, payload):
    return bytes([0xFF, kind]) + vlq(len(payload)) + payload


def tempo_meta():
    return meta(0x51, struct.pack(">I", TEMPO_120)[1:])


def notes(line, channel, velocity, start=0):
    """(tick, message) pairs for a line of (note, quarters) pairs; note None is a rest."""
    events = []
    tick = start
    for note, quarters in line:
        length = int(quarters * QUARTER)
        if note is not None:
            events.append((tick, bytes([0x90 | channel, note, velocity])))
            # Released a little early so repeated notes are heard as two.
            events.append((tick + length - 20, bytes([0x80 | channel, note, 0])))
        tick += length
    return events


def track(events, name=None):
    """A track chunk from (tick, message) pairs; note offs sort before note ons at one tick."""
    head = [(0, meta(0x03, name.encode()))] if name else []
    ordered = head + sorted(events, key=lambda e: (e[0], (e[1][0] & 0xF0) != 0x80))
    body = b""
    last = 0
    for tick, message in ordered:
        body += vlq(tick - last) + message
        last = tick
    body += vlq(0) + meta(0x2F, b"")
    return b"MTrk" + struct.pack(">I", len(body)) + body


def song(fmt, tracks):
    return b"MThd" + struct.pack(">IHHH", 6, fmt, len(tracks), DIVISION) + b"".join(tracks)


# A little waltz in G major, 3/4, eight bars: twelve seconds at 120 beats per minute.
WALTZ_TUNE = [(67, 1), (71, 1), (74, 1), (79, 2), (76, 1), (74, 1), (72, 1), (71, 1),
              (69, 3), (66, 1), (69, 1), (72, 1), (74, 2), (72, 1), (71, 1), (69, 1), (66, 1),
              (67, 3)]
WALTZ_BASS = [(43, 1), (59, 1), (62, 1), (48, 1), (64, 1), (67, 1), (43, 1), (59, 1), (62, 1),
              (50, 1), (57, 1), (66, 1), (50, 1), (57, 1), (66, 1), (48, 1), (64, 1), (67, 1),
              (50, 1), (57, 1), (66, 1), (43, 3)]


def deleika_waltz():
    events = notes(WALTZ_TUNE, 0, 96) + notes(WALTZ_BASS, 0, 70)
    events.append((0, meta(0x58, bytes([3, 2, 24, 8]))))
    events.append((0, tempo_meta()))
    return song(0, [track(events, "Deleika waltz")])


def not_for_organ():
    # D major: its C sharp 4 (61) is not on the organ, and the drums play on channel 10.
    tune = [(62, 1), (66, 1), (69, 1), (66, 1), (61, 1), (64, 1), (69, 2), (71, 1), (69, 1),
            (66, 1), (64, 1), (62, 4)]
    drums = [(36, 1), (42, 1), (38, 1), (42, 1)] * 4
    events = notes(tune, 0, 96) + notes(drums, 9, 80)
    events.append((0, tempo_meta()))
    return song(0, [track(events, "Not for the organ")])


def format1_trio():
    conductor = [(0, tempo_meta()), (0, meta(0x58, bytes([4, 2, 24, 8])))]
    melody = [(64, 1), (67, 1), (72, 2), (71, 1), (67, 1), (69, 2), (65, 1), (69, 1),
              (72, 1), (74, 1), (72, 4)]
    bass = [(48, 2), (55, 2), (43, 2), (50, 2), (41, 2), (45, 2), (48, 4)]
    flute = [(0, bytes([0xC0, 73]))] + notes(melody, 0, 90)
    double_bass = [(0, bytes([0xC1, 32]))] + notes(bass, 1, 80)
    return song(1, [track(conductor, "Trio"), track(flute, "Flute"),
                    track(double_bass, "Bass")])


EXAMPLES = {
    "deleika-waltz.mid": deleika_waltz,
    "not-for-organ.mid": not_for_organ,
    "format1-trio.mid": format1_trio,
}


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make-examples.py FOLDER")
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for name, build in EXAMPLES.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(build())
    print("Example songs in %s: %s" % (os.path.abspath(folder), ", ".join(EXAMPLES)))


if __name__ == "__main__":
    main()
