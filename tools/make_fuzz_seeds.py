#!/usr/bin/env python3
"""Writes the seed inputs of the export-call fuzzer (fuzz/corpus/exports/):
short scripts in the byte language of fuzz/call_script.h that do what a host
does: size and load a map, set colours, load a texture from a small BMP, add
sprites, and render in both modes. Run from the repo root."""
import os
import struct

def num(v):
    """A small number: whole part in -128..127 plus a quarter step."""
    whole = int(v // 1)
    quarters = int(round((v - whole) * 4))
    return bytes([48 + quarters, whole & 0xFF])

def text(s):
    return bytes([len(s)]) + s

def bmp24(w, h, colour):
    stride = (w * 3 + 3) // 4 * 4
    row = bytes(colour) * w + b"\0" * (stride - 3 * w)
    pixels = row * h
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 0, 0, 0, 0)
    return header + info + pixels

def op(code, *parts):
    return bytes([code]) + b"".join(parts)

MAP = [b"11111111", b"10000001", b"10020001", b"10000001", b"10000301", b"10000001", b"10000001", b"11111111"]

def world():
    out = op(9, num(8), num(8))
    for r, row in enumerate(MAP):
        out += op(10, num(r), text(row), b"\1")
    out += op(11, num(1), num(100), num(50), num(25))
    out += op(11, num(2), num(20), num(90), num(120))
    out += op(4, num(64), num(64))
    out += op(5, num(2.5), num(2.5)) + op(6, num(1), num(0)) + op(7, num(0), num(0.75))
    return out

def texture(index, colour):
    return op(12, num(index), bytes([3]), text(bmp24(4, 4, colour)[2:]), b"\1")

seeds = {
    "flat": bytes([1, 64, 48]) + world() + op(2, b"\1") + op(16) + op(21),
    "textured": bytes([1, 64, 48]) + world() + texture(1, (10, 200, 30)) + texture(2, (200, 10, 30))
                + op(8, num(1), num(2)) + op(13, num(4.5), num(3.5), num(2)) + op(2, b"\2") + op(16),
    "overlay": bytes([1, 32, 24]) + op(15, bytes([3]), text(bmp24(3, 2, (1, 2, 3))[2:]), b"\1")
               + op(17, num(90), num(0), num(0)) + op(18, num(1), num(1), num(20), num(10))
               + op(19, num(2), num(2), text(b"Hello"), b"\1") + op(20, num(0), num(-1), num(-1)) + op(21),
    "before-init": bytes([0, 10, 10]) + op(16) + op(18, num(0), num(0), num(5), num(5)) + op(23),
}
folder = os.path.join("fuzz", "corpus", "exports")
os.makedirs(folder, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(folder, name + ".bin"), "wb") as f:
        f.write(data)
map_folder = os.path.join("fuzz", "corpus", "map")
os.makedirs(map_folder, exist_ok=True)
with open(os.path.join(map_folder, "rows.bin"), "wb") as f:
    f.write(bytes([8, 8, 0, 1]) + bytes([8]) + b"11111111" + bytes([4]) + b"10x1" + bytes([3]) + b"102")
