#!/usr/bin/env python3
"""Runs a host example as a user does, in a window on the test's X display,
and checks the frame it writes: a PNG file whose pixels are the stored
golden frame flat-8x8-512x384.

    check_host_example.py GOLDEN_FILE OUT_PNG -- COMMAND [ARGUMENT...]

A display that cannot be reached, or an example that does not finish within
the time limit, fails the test with a message instead of hanging it.
"""
import os
import socket
import struct
import subprocess
import sys
import zlib

TIME_LIMIT = 120  # seconds; the examples take a few
GOLDEN_NAME = "flat-8x8-512x384"


def fail(message):
    sys.exit(f"check_host_example: {message}")


def require_display():
    display = os.environ.get("DISPLAY", "")
    if not display:
        fail("no X display (DISPLAY is not set); run the tests under tools/run-x11.sh")
    host, _, number = display.rpartition(":")
    number = number.split(".")[0]
    try:
        if host in ("", "unix"):
            with socket.socket(socket.AF_UNIX) as s:
                s.settimeout(5)
                s.connect(f"/tmp/.X11-unix/X{number}")
        else:
            socket.create_connection((host, 6000 + int(number)), timeout=5).close()
    except (OSError, ValueError) as e:
        fail(f"cannot reach the X display {display}: {e}")


def png_pixels(path):
    """(width, height, rows of R, G, B bytes) of a non-interlaced PNG file of
    any colour type (encoders pick a palette or grey where the image allows)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail(f"{path} is not a PNG file")
    at, idat, header, palette = 8, b"", None, b""
    while at + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"PLTE":
            palette = body
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}.get(header[3]) if header else None
    if not channels or header[6] != 0:
        fail(f"{path}: not a non-interlaced PNG image (header {header})")
    width, height, depth, colour = header[0], header[1], header[2], header[3]
    bits = depth * channels
    unit, stride = max(1, bits // 8), (width * bits + 7) // 8
    raw = zlib.decompress(idat)
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - unit] if i >= unit else 0
            b = previous[i]
            c = previous[i - unit] if i >= unit else 0
            if kind == 1:
                line[i] = (line[i] + a) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + b) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 0xFF
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 0xFF
        previous = line
        # Samples (the high byte of 16-bit ones), then R, G, B per pixel.
        if depth >= 8:
            samples = line[::depth // 8]
        else:
            samples = [(line[k * depth // 8] >> (8 - depth - k * depth % 8)) & ((1 << depth) - 1)
                       for k in range(width * channels)]
        rgb = bytearray()
        for x in range(width):
            pixel = samples[x * channels:(x + 1) * channels]
            if colour == 3:
                rgb += palette[3 * pixel[0]:3 * pixel[0] + 3]
            elif colour in (0, 4):
                rgb += bytes([pixel[0] * 255 // ((1 << min(depth, 8)) - 1)] * 3)
            else:
                rgb += bytes(pixel[:3])
        rows.append(rgb)
    return width, height, rows


def checksum(rows):
    """The library's test checksum: 64-bit FNV-1a over blue, green, red of
    each pixel, rows from the top."""
    h = 1469598103934665603
    for row in rows:
        for i in range(0, len(row), 3):
            for byte in (row[i + 2], row[i + 1], row[i]):
                h = ((h ^ byte) * 1099511628211) & 0xFFFFFFFFFFFFFFFF
    return f"{h:016x}"


def main():
    if len(sys.argv) < 5 or sys.argv[3] != "--":
        fail("usage: check_host_example.py GOLDEN_FILE OUT_PNG -- COMMAND [ARGUMENT...]")
    golden_file, out, command = sys.argv[1], sys.argv[2], sys.argv[4:]
    require_display()
    if os.path.exists(out):
        os.remove(out)
    try:
        # A session of its own, so a timeout ends the example and its children.
        run = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, start_new_session=True)
    except OSError as e:
        fail(f"cannot run {command[0]}: {e} (make deps installs the examples' runtimes)")
    try:
        output, _ = run.communicate(timeout=TIME_LIMIT)
    except subprocess.TimeoutExpired:
        os.killpg(run.pid, 9)
        run.communicate()
        fail(f"{' '.join(command)} did not finish in {TIME_LIMIT} s")
    print(output.decode(errors="replace"), end="")
    if run.returncode != 0:
        fail(f"{' '.join(command)} failed (exit status {run.returncode})")
    if not os.path.exists(out):
        fail(f"the example wrote no {out}")
    width, height, rows = png_pixels(out)
    if (width, height) != (800, 600):
        fail(f"{out} is {width} x {height}, not the 800 x 600 back buffer")
    expected = None
    with open(golden_file) as f:
        for line in f:
            if line.startswith(GOLDEN_NAME + " "):
                expected = line.split()[1]
    actual = checksum(rows)
    if actual != expected:
        fail(f"{out} has checksum {actual}; the golden frame {GOLDEN_NAME} has {expected}")
    print(f"{out}: the golden frame {GOLDEN_NAME} ({actual})")


if __name__ == "__main__":
    main()
