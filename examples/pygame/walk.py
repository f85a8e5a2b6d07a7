#!/usr/bin/env python3
"""A Velmora host in pygame: a window that Velmora draws into.

Opens an 800x600 pygame window, builds a small walled room, walks the camera
across it with vlDrawScreen presenting every frame straight into the
window, then copies the last frame with vlCopyBackBuffer into a pygame
surface and saves that as a PNG file. Closing the window ends the walk.

    python3 walk.py [--library PATH] [--out walk.png] [--frames N]

Without --library the library is looked for beside this script and in the
two folders above it (the top of a release package).
"""
import argparse
import ctypes
import os
import sys

os.environ.setdefault("PYGAME_HIDE_SUPPORT_PROMPT", "1")
import pygame  # noqa: E402  (after the variable above)

WIDTH, HEIGHT = 800, 600  # the back buffer, whatever the view's size
LIBRARY = "Velmora.dll" if os.name == "nt" else "libvelmora.so"

# The room: one string per world column x, one digit per cell (x, y);
# 0 is open floor, 1 to 9 a wall whose number picks its colour.
ROOM = ["11111111", "10000001", "10000001", "10000001",
        "10000001", "12000001", "10000001", "11111111"]

D = ctypes.c_double
SIGNATURES = {
    "vlInit": [D], "vlSetWindowSize": [D, D], "vlSetRenderMode": [D],
    "vlSetMapSize": [D, D], "vlSetFlatWallColor": [D, D, D, D],
    "vlSetPlayerPos": [D, D], "vlSetPlayerDir": [D, D], "vlSetPlane": [D, D],
    "vlDrawColor": [D, D, D], "vlDrawRectangle": [D, D, D, D],
    "vlRaycastingScreen": [], "vlDrawScreen": [],
    "vlCopyBackBuffer": [ctypes.c_void_p, D],
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
    lib.vlLoadMap.argtypes = [D, ctypes.c_char_p]
    lib.vlLoadMap.restype = ctypes.c_char_p
    lib.vlGetLastError.restype = ctypes.c_char_p
    return lib


def check(lib, result, call):
    """A call that fails returns -1.0 and leaves its reason behind."""
    if result == -1.0:
        sys.exit(f"walk.py: {call} failed: {lib.vlGetLastError().decode()}")
    return result


def window_handle():
    """What vlInit takes: the X11 window id on Linux, the HWND on Windows."""
    info = pygame.display.get_wm_info()
    if "window" not in info:
        sys.exit(f"walk.py: pygame's video driver ({pygame.display.get_driver()}) gives no window handle")
    return info["window"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--library", help=f"path of {LIBRARY}")
    parser.add_argument("--out", default="walk.png", help="the PNG file to write")
    parser.add_argument("--frames", type=int, default=120, help="frames of the walk (at least 2)")
    args = parser.parse_args()

    lib = load(find_library(args.library))
    pygame.display.init()
    pygame.display.set_caption("Velmora in pygame")
    pygame.display.set_mode((WIDTH, HEIGHT))
    # A second set_mode may make a new window: pass its handle to Velmora again.
    check(lib, lib.vlInit(window_handle()), "vlInit")
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
    clock = pygame.time.Clock()
    for k in range(frames):
        if any(event.type == pygame.QUIT for event in pygame.event.get()):
            return
        # The library never clears the back buffer: sky and ground first.
        lib.vlDrawColor(90, 140, 200)
        lib.vlDrawRectangle(0, 0, WIDTH, HEIGHT // 2)
        lib.vlDrawColor(60, 50, 40)
        lib.vlDrawRectangle(0, HEIGHT // 2, WIDTH, HEIGHT)
        lib.vlSetPlayerPos(1.5 + k / (frames - 1), 2.5)
        lib.vlSetPlayerDir(1, 0)
        lib.vlSetPlane(0, 0.66)
        check(lib, lib.vlRaycastingScreen(), "vlRaycastingScreen")
        # Into the window itself: no pygame.display.flip(), which would put
        # pygame's own (unused) display surface over the frame.
        check(lib, lib.vlDrawScreen(), "vlDrawScreen")
        clock.tick(60)

    # The last frame into a pygame surface of 32-bit pixels whose rows are
    # exactly 3200 bytes, laid out as format 1 (B, G, R, 255): Velmora
    # writes the surface's own pixels, no copy in between. (Blit it and
    # flip to show the frame through pygame, with your own drawing on top.)
    surface = pygame.Surface((WIDTH, HEIGHT), 0, 32)
    if surface.get_pitch() != WIDTH * 4 or surface.get_masks()[:3] != (0xFF0000, 0xFF00, 0xFF):
        sys.exit("walk.py: this pygame lays pixels out otherwise; copy with format 0 and pygame.image.frombuffer")
    pixels = surface.get_view("1")  # the surface stays locked while the view lives
    destination = (ctypes.c_char * pixels.length).from_buffer(pixels)
    check(lib, lib.vlCopyBackBuffer(ctypes.addressof(destination), 1), "vlCopyBackBuffer")
    del destination, pixels
    pygame.image.save(surface, args.out)
    print(f"frames: {frames}")
    print(f"wrote {args.out}")


if __name__ == "__main__":
    main()
