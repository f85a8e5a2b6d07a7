#!/usr/bin/env python3
"""Writes the seed corpus of the PNG fuzz target: one small PNG of every
colour type and bit depth, with and without tRNS, plain and interlaced, its
rows using every filter type. Standard library only (zlib).

usage: png_seeds.py OUTPUT_DIR
"""
import os
import struct
import sys
import zlib

WIDTH, HEIGHT = 7, 5
ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def sample(x, y, c, depth):
    return (x * 7 + y * 13 + c * 29 + x * y * 3) * 2654435761 % (1 << depth)


def pack(samples, depth):
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    bits, held, out = 0, 0, bytearray()
    for s in samples:
        held, bits = (held << depth) | s, bits + depth
        if bits == 8:
            out.append(held)
            bits = held = 0
    if bits:
        out.append(held << (8 - bits))
    return bytes(out)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else b if pb <= pc else c


def filtered(row, prior, kind, bpp):
    out = bytearray([kind])
    for i, v in enumerate(row):
        a = row[i - bpp] if i >= bpp else 0
        b = prior[i] if prior else 0
        c = prior[i - bpp] if prior and i >= bpp else 0
        predictor = [0, a, b, (a + b) // 2, paeth(a, b, c)][kind]
        out.append((v - predictor) & 0xFF)
    return bytes(out)


def png(colour, depth, trns=False, interlaced=False):
    n = CHANNELS[colour]
    bpp = max(1, n * depth // 8)
    passes = ADAM7 if interlaced else [(0, 0, 1, 1)]
    data = bytearray()
    for x0, y0, dx, dy in passes:
        prior = None
        for y in range(y0, HEIGHT, dy):
            xs = range(x0, WIDTH, dx)
            if not xs:
                break
            row = pack([sample(x, y, c, depth) for x in xs for c in range(n)], depth)
            data += filtered(row, prior, y % 5, bpp)
            prior = row
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", WIDTH, HEIGHT, depth, colour, 0, 0,
                                                              int(interlaced)))
    if colour == 3:
        out += chunk(b"PLTE", bytes((i * 37 + 5) % 256 for i in range(3 << depth)))
        if trns:
            out += chunk(b"tRNS", bytes([0, 127, 128, 255][: 1 << depth]))
    elif trns:
        out += chunk(b"tRNS", b"".join(struct.pack(">H", sample(1, 1, c, depth)) for c in range(n)))
    return out + chunk(b"IDAT", zlib.compress(bytes(data), 9)) + chunk(b"IEND", b"")


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    os.makedirs(sys.argv[1], exist_ok=True)
    names = {0: "grey", 2: "rgb", 3: "palette", 4: "grey-alpha", 6: "rgba"}
    depths = {0: (1, 2, 4, 8, 16), 2: (8, 16), 3: (1, 2, 4, 8), 4: (8, 16), 6: (8, 16)}
    for colour, name in names.items():
        for depth in depths[colour]:
            for trns in (False, True) if colour in (0, 2, 3) else (False,):
                for interlaced in (False, True):
                    file = f"{name}{depth}{'-trns' if trns else ''}{'-interlaced' if interlaced else ''}.png"
                    with open(os.path.join(sys.argv[1], file), "wb") as f:
                        f.write(png(colour, depth, trns, interlaced))


if __name__ == "__main__":
    main()
