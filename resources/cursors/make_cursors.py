#!/usr/bin/env python3
"""Writes the four animated busy cursors (crCursor_ajax01.ani ... 04.ani)
beside this script. The output is a pure function of this file: pixels are
computed with fixed supersampling and no randomness, so rerunning it gives
byte-identical files and a diff of the committed cursors only ever shows a
deliberate change of the artwork.

Usage: python3 make_cursors.py [output folder]
"""
import math
import os
import struct
import sys

SIZE = 32
HOTSPOT = (15, 15)
SUBSAMPLES = 4  # per axis; 16 samples per pixel give smooth dot edges

# name, frames, jiffies (1/60 s) per frame, mark shape, rgb, halo rgb
CURSORS = [
    ("crCursor_ajax01", 12, 4, "dot", (0x40, 0x40, 0x40), (0xFF, 0xFF, 0xFF)),
    ("crCursor_ajax02", 12, 4, "bar", (0x20, 0x60, 0xC0), (0xFF, 0xFF, 0xFF)),
    ("crCursor_ajax03", 8, 6, "dot", (0x18, 0x18, 0x18), (0xFF, 0xFF, 0xFF)),
    ("crCursor_ajax04", 12, 4, "bar", (0x20, 0x90, 0x30), (0xFF, 0xFF, 0xFF)),
]


def mark_coverage(shape, marks, index, x, y):
    """How much of the point (x, y) lies inside mark `index` (0 or 1), and
    whether it lies in the halo around it."""
    angle = 2 * math.pi * index / marks - math.pi / 2
    cx, cy = SIZE / 2 + 10.5 * math.cos(angle), SIZE / 2 + 10.5 * math.sin(angle)
    if shape == "dot":
        d = math.hypot(x - cx, y - cy)
        return d <= 3.0, d <= 4.2
    # A bar along the radius: distance along and across the spoke.
    ux, uy = math.cos(angle), math.sin(angle)
    along = (x - cx) * ux + (y - cy) * uy
    across = -(x - cx) * uy + (y - cy) * ux
    inside = abs(along) <= 4.0 and abs(across) <= 1.6
    halo = abs(along) <= 5.2 and abs(across) <= 2.8
    return inside, halo


def frame_pixels(shape, marks, frame, rgb, halo_rgb):
    """Rows top to bottom of (b, g, r, a) tuples. The mark at the frame's
    position is darkest; the ones behind it fade, which reads as rotation."""
    rows = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            best = None  # (alpha of mark, mark colour weight)
            halo_hits = 0
            mark_hits = {}
            for sy in range(SUBSAMPLES):
                for sx in range(SUBSAMPLES):
                    x = px + (sx + 0.5) / SUBSAMPLES
                    y = py + (sy + 0.5) / SUBSAMPLES
                    in_halo = False
                    for i in range(marks):
                        inside, halo = mark_coverage(shape, marks, i, x, y)
                        if inside:
                            mark_hits[i] = mark_hits.get(i, 0) + 1
                            break
                        in_halo = in_halo or halo
                    else:
                        if in_halo:
                            halo_hits += 1
            total = SUBSAMPLES * SUBSAMPLES
            if mark_hits:
                i, hits = max(mark_hits.items(), key=lambda kv: kv[1])
                age = (frame - i) % marks
                fade = 1.0 - 0.75 * age / (marks - 1)
                # Faded marks blend toward the halo colour, not transparency,
                # so the ring stays visible on any background.
                colour = tuple(round(c * fade + h * (1 - fade)) for c, h in zip(rgb, halo_rgb))
                alpha = round(255 * min(1.0, (hits + halo_hits) / total))
                best = (colour, alpha)
            elif halo_hits:
                best = (halo_rgb, round(255 * halo_hits / total * 0.85))
            if best is None or best[1] == 0:
                row.append((0, 0, 0, 0))
            else:
                (r, g, b), a = best
                row.append((b, g, r, a))
        rows.append(row)
    return rows


def cur_file(rows):
    """One cursor image (.cur): a 32-bit bitmap with its AND mask."""
    xor = b"".join(bytes(p) for row in reversed(rows) for p in row)
    mask = b""
    for row in reversed(rows):
        bits = 0
        for px, p in enumerate(row):
            if p[3] == 0:
                bits |= 1 << (31 - px)
        mask += struct.pack(">I", bits)  # rows are 32 bits, already 4-aligned
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, HOTSPOT[0], HOTSPOT[1], len(image), 6 + 16)
    return directory + entry + image


def chunk(tag, data):
    pad = b"\0" if len(data) % 2 else b""
    return tag + struct.pack("<I", len(data)) + data + pad


def ani_file(name, frames, rate, shape, rgb, halo_rgb):
    images = [cur_file(frame_pixels(shape, frames, f, rgb, halo_rgb)) for f in range(frames)]
    info = chunk(b"INAM", name.encode("ascii") + b"\0")
    anih = struct.pack("<9I", 36, frames, frames, SIZE, SIZE, 32, 1, rate, 3)  # icon frames, with seq
    body = (
        b"ACON"
        + chunk(b"LIST", b"INFO" + info)
        + chunk(b"anih", anih)
        + chunk(b"rate", struct.pack("<%dI" % frames, *([rate] * frames)))
        + chunk(b"seq ", struct.pack("<%dI" % frames, *range(frames)))
        + chunk(b"LIST", b"fram" + b"".join(chunk(b"icon", i) for i in images))
    )
    return b"RIFF" + struct.pack("<I", len(body)) + body


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, frames, rate, shape, rgb, halo_rgb in CURSORS:
        with open(os.path.join(out, name + ".ani"), "wb") as f:
            f.write(ani_file(name, frames, rate, shape, rgb, halo_rgb))


if __name__ == "__main__":
    main()
