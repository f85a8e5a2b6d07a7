#!/usr/bin/env python3
"""A Velmora host in Python, using nothing but the standard library.

Loads libvelmora.so (Velmora.dll on Windows) with ctypes, builds a small
walled room, walks the camera across it without a window (window 0: the
frames are rendered but shown nowhere), and writes the last frame as a PNG
file, copied out of the library with vlCopyBackBuffer.

    python3 walk.py [--library PATH] [--out walk.png] [--frames N]

Without --library the library is looked for beside this script and in the
two folders above it (the top of a release package).
"""
import argparse
import ctypes
import os
import struct
import sys
import zlib

WIDTH, HEIGHT = 800, 600  # the back buffer, whatever the view's size
LIBRARY = "Velmora.dll" if os.name == "nt" else "libvelmora.so"

# The room: one string per world column x, one digit per cell (x, y);
# 0 is open floor, 1 to 9 a wall whose number picks its colour.
ROOM = ["11111111", "10000001", "10000001", "10000001",
        "10000001", "12000001", "10000001", "11111111"]

D = ctypes.c_double
TEXT = ctypes.c_char_p
SIGNATURES = {
    "vlInit": [D], "vlSetWindowSize": [D, D], "vlSetRenderMode": [D],
    "vlSetMapSize": [D, D], "vlSetFlatWallColor": [D, D, D, D],
    "vlSetPlayerPos": [D, D], "vlSetPlayerDir": [D, D], "vlSetPlane": [D, D],
    "vlDrawColor": [D, D, D], "vlDrawRectangle": [D, D, D, D],
    "vlRaycastingScreen": [], "vlDrawScreen": [],
    # Where a string argument goes, any pointer can: a host whose extension
    # mechanism passes only doubles and strings hands over its own buffer
    # this way, and the library writes the frame into it.
    "vlCopyBackBuffer": [TEXT, D],
}


def find_library(given):
    if given:
        return given
    here = os.path.dirname(os.path.abspath(__file__))
    for folder in (here, os.path.dirname(here), os.path.dirname(os.path.dirname(here))):
        path = os.path.join(folder, LIBRARY)
        if os.path.exists(path):
            return path
    sys.exit(f"walk.py: no {LIBRARY} beside the script; give its path with --library")


def load(path):
    lib = ctypes.CDLL(path)  # every export uses the C calling convention
    for name, arguments in SIGNATURES.items():
        function = getattr(lib, name)
        function.argtypes = arguments
        function.restype = D
    lib.vlLoadMap.argtypes = [D, TEXT]
    lib.vlLoadMap.restype = TEXT
    lib.vlGetLastError.restype = TEXT
    return lib


def check(lib, result, call):
    """A call that fails returns -1.0 and leaves its reason behind."""
    if result == -1.0:
        sys.exit(f"walk.py: {call} failed: {lib.vlGetLastError().decode()}")
    return result


def write_png(path, rgba, width, height):
    """8-bit RGBA rows, each after a filter byte of 0, in one zlib stream."""
    stride = width * 4
    rows = b"".join(b"\0" + rgba[y * stride:(y + 1) * stride] for y in range(height))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def checksum(rgba):
    """The checksum the library's own tests keep for their frames: 64-bit
    FNV-1a steps over blue, green, red of each pixel, rows from the top,
    from their starting value."""
    h = 1469598103934665603
    for i in range(0, len(rgba), 4):
        for byte in (rgba[i + 2], rgba[i + 1], rgba[i]):
            h = ((h ^ byte) * 1099511628211) & 0xFFFFFFFFFFFFFFFF
    return h


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--library", help=f"path of {LIBRARY}")
    parser.add_argument("--out", default="walk.png", help="the PNG file to write")
    parser.add_argument("--frames", type=int, default=11, help="frames of the walk (at least 2)")
    args = parser.parse_args()

    lib = load(find_library(args.library))
    check(lib, lib.vlInit(0), "vlInit")  # window 0: no window, nothing presented
    lib.vlSetWindowSize(512, 384)
    lib.vlSetRenderMode(1)  # flat walls; y-facing sides are drawn at half brightness
    lib.vlSetFlatWallColor(1, 64, 128, 255)
    lib.vlSetFlatWallColor(2, 64, 128, 255)
    lib.vlSetMapSize(len(ROOM[0]), len(ROOM))
    for x, row in enumerate(ROOM):
        if not lib.vlLoadMap(x, row.encode("ascii")):
            check(lib, -1.0, f"vlLoadMap({x})")

    # One cell along the room, looking along +x: position x goes from 1.5 to
    # exactly 2.5 in the last frame.
    frames = max(args.frames, 2)
    for k in range(frames):
        # The library never clears the back buffer: sky and ground first.
        lib.vlDrawColor(90, 140, 200)
        lib.vlDrawRectangle(0, 0, WIDTH, HEIGHT // 2)
        lib.vlDrawColor(60, 50, 40)
        lib.vlDrawRectangle(0, HEIGHT // 2, WIDTH, HEIGHT)
        lib.vlSetPlayerPos(1.5 + k / (frames - 1), 2.5)
        lib.vlSetPlayerDir(1, 0)
        lib.vlSetPlane(0, 0.66)
        check(lib, lib.vlRaycastingScreen(), "vlRaycastingScreen")
        check(lib, lib.vlDrawScreen(), "vlDrawScreen")

    frame = ctypes.create_string_buffer(WIDTH * HEIGHT * 4)
    check(lib, lib.vlCopyBackBuffer(frame, 0), "vlCopyBackBuffer")  # 0: R, G, B, 255 per pixel
    write_png(args.out, frame.raw, WIDTH, HEIGHT)
    print(f"frames: {frames}")
    print(f"checksum: {checksum(frame.raw):016x}")
    print(f"wrote {args.out}")


if __name__ == "__main__":
    main()
