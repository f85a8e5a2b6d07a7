#!/usr/bin/env python3
"""Generates the demo's sample world: textures, sprites, the logo and the
level file. Everything is drawn here from noise and simple shapes, so the
repository holds no binary artwork. Some art is written as BMP files (plain,
palette, run-length), some as PNG files (8- and 16-bit colour, a tRNS key,
an alpha channel), so the demo loads every kind. Standard library only.

usage: gen_assets.py OUTPUT_DIR
"""
import math
import os
import random
import struct
import sys
import zlib

SIZE = 64

# ---------------------------------------------------------------- helpers


def clamp8(v):
    return 0 if v < 0 else 255 if v > 255 else int(v + 0.5)


def shade(c, f):
    return tuple(clamp8(ch * f) for ch in c)


def add(c, d):
    return tuple(clamp8(ch + d) for ch in c)


def mix(a, b, t):
    return tuple(clamp8(x + (y - x) * t) for x, y in zip(a, b))


def opaque(c):
    # Pure black is the transparent texel of sprites, so solid pixels of a
    # sprite must never be exactly (0, 0, 0).
    return c if any(c) else (1, 1, 1)


def blank(colour=(0, 0, 0), w=SIZE, h=SIZE):
    return [[colour] * w for _ in range(h)]


class Noise:
    """Tileable value noise: a lattice of random values, smoothly interpolated
    and summed over octaves; it wraps at the texture's edges."""

    def __init__(self, seed, cells=8, octaves=3):
        rnd = random.Random(seed)
        self.layers = []
        for o in range(octaves):
            n = cells << o
            self.layers.append((n, [[rnd.random() for _ in range(n)] for _ in range(n)]))

    def __call__(self, x, y, stretch_x=1.0):
        total, weight, amp = 0.0, 0.0, 1.0
        for n, grid in self.layers:
            fx = (x / stretch_x) * n / SIZE
            fy = y * n / SIZE
            ix, iy = int(math.floor(fx)), int(math.floor(fy))
            tx, ty = fx - ix, fy - iy
            tx, ty = tx * tx * (3 - 2 * tx), ty * ty * (3 - 2 * ty)
            a = grid[iy % n][ix % n]
            b = grid[iy % n][(ix + 1) % n]
            c = grid[(iy + 1) % n][ix % n]
            d = grid[(iy + 1) % n][(ix + 1) % n]
            top, bottom = a + (b - a) * tx, c + (d - c) * tx
            total += amp * (top + (bottom - top) * ty)
            weight += amp
            amp *= 0.5
        return total / weight  # 0 .. 1


def grain(rnd, amount):
    return (rnd.random() - 0.5) * amount


# ---------------------------------------------------------------- textures


def brick_texture(seed=1, base=(150, 64, 44), mortar=(168, 160, 146)):
    rnd = random.Random(seed)
    noise = Noise(seed + 100, cells=8)
    img = blank()
    course = 8  # 8 courses of bricks 16 wide, every other course shifted
    tones = {}
    for y in range(SIZE):
        row = y // course
        yin = y % course
        shift = 8 if row % 2 else 0
        for x in range(SIZE):
            xs = (x + shift) % SIZE
            col = xs // 16
            xin = xs % 16
            n = noise(x, y)
            if yin == course - 1 or xin == 15:
                c = add(mortar, (n - 0.5) * 40 + grain(rnd, 14))
            else:
                key = (row, col)
                if key not in tones:
                    tones[key] = (0.82 + rnd.random() * 0.3, rnd.random())
                f, hue = tones[key]
                c = shade(mix(base, (170, 96, 60), hue * 0.5), f * (0.85 + n * 0.3))
                if yin == 0 or xin == 0:
                    c = add(c, 22)
                elif yin == course - 2 or xin == 14:
                    c = shade(c, 0.72)
                c = add(c, grain(rnd, 16))
            img[y][x] = c
    return img


def stone_texture(seed=2):
    """Irregular grey blocks in courses of varying height, dark grout."""
    rnd = random.Random(seed)
    noise = Noise(seed + 100, cells=4, octaves=4)
    heights = [14, 18, 16, 16]
    img = blank()
    y0 = 0
    for ci, h in enumerate(heights):
        x = rnd.randrange(16)
        edges = []
        while len(edges) == 0 or edges[-1] - edges[0] < SIZE:
            edges.append(x)
            x += rnd.choice([14, 18, 22, 26])
        edges[-1] = edges[0] + SIZE
        for bi in range(len(edges) - 1):
            tone = 0.75 + rnd.random() * 0.35
            tint = rnd.choice([(126, 124, 118), (118, 120, 126), (130, 122, 110)])
            for yy in range(h):
                for xx in range(edges[bi], edges[bi + 1]):
                    px, py = xx % SIZE, y0 + yy
                    n = noise(px, py)
                    if yy >= h - 2 or xx >= edges[bi + 1] - 2:
                        c = shade((52, 50, 48), 0.8 + n * 0.4)
                    else:
                        c = shade(tint, tone * (0.7 + n * 0.6))
                        if yy == 0 or xx == edges[bi]:
                            c = add(c, 26)
                        elif yy == h - 3 or xx == edges[bi + 1] - 3:
                            c = shade(c, 0.7)
                        if n > 0.72:  # a few pits and stains
                            c = shade(c, 0.82)
                    img[py][px] = c
        y0 += h
    return img


def wood_texture(seed=3, base=(132, 86, 46)):
    rnd = random.Random(seed)
    noise = Noise(seed + 100, cells=4, octaves=3)
    widths = [12, 10, 14, 12, 16]
    img = blank()
    x0 = 0
    for pi, w in enumerate(widths):
        tone = 0.8 + rnd.random() * 0.3
        phase = rnd.random() * 10
        knot = (x0 + rnd.randrange(3, w - 3), rnd.randrange(8, 56)) if rnd.random() < 0.7 else None
        for x in range(x0, x0 + w):
            for y in range(SIZE):
                n = noise(x * 3, y, stretch_x=1.0)
                ring = math.sin((x - x0) * 0.9 + phase + n * 6.0)
                c = shade(base, tone * (0.86 + 0.14 * ring + (n - 0.5) * 0.2))
                if knot:
                    d = math.hypot((x - knot[0]) * 1.6, y - knot[1])
                    if d < 4:
                        c = shade(c, 0.55 + d * 0.1)
                if x == x0:
                    c = shade(c, 0.45)
                elif x == x0 + 1:
                    c = add(c, 14)
                elif x == x0 + w - 1:
                    c = shade(c, 0.75)
                c = add(c, grain(rnd, 8))
                img[y][x] = c
        for ny in (5, 58):  # two nails per plank
            nx = x0 + w // 2
            img[ny][nx] = (196, 190, 176)
            img[ny + 1][nx] = (60, 52, 44)
        x0 += w
    return img


def metal_texture(seed=4, base=(112, 122, 138)):
    rnd = random.Random(seed)
    noise = Noise(seed + 100, cells=8, octaves=3)
    img = blank()
    for y in range(SIZE):
        for x in range(SIZE):
            n = noise(x, y * 4, stretch_x=6.0)  # brushed: streaks along x
            c = shade(base, 0.85 + n * 0.3)
            py = y % 32
            if py in (0, 1) or x in (0, 1):
                c = add(c, 34)
            elif py in (30, 31) or x in (62, 63):
                c = shade(c, 0.55)
            c = add(c, grain(rnd, 10))
            img[y][x] = c
    for cy in (6, 25, 38, 57):  # rivets
        for cx in (6, 22, 42, 57):
            for dy in range(-2, 3):
                for dx in range(-2, 3):
                    d = dx * dx + dy * dy
                    if d <= 5:
                        light = 1.25 - 0.12 * (dx + dy)
                        img[cy + dy][cx + dx] = shade((150, 158, 170), light)
            img[cy + 3][cx + 1] = shade(base, 0.5)
    return img


def door_texture(seed=5):
    rnd = random.Random(seed)
    wood = wood_texture(seed=seed + 30, base=(118, 70, 36))
    noise = Noise(seed + 100, cells=8)
    iron = (70, 72, 78)
    img = blank()
    for y in range(SIZE):
        for x in range(SIZE):
            n = noise(x, y)
            frame = x < 5 or x > 58 or y < 4
            band = 12 <= y <= 16 or 46 <= y <= 50
            if frame or band:
                c = shade(iron, 0.8 + n * 0.45)
                if (frame and (x in (0, 63) or y == 0)) or y in (12, 46):
                    c = add(c, 30)
                if y in (16, 50) or x in (4, 59):
                    c = shade(c, 0.6)
            else:
                c = wood[y][x]
                if x == 32:
                    c = shade(c, 0.5)
            img[y][x] = add(c, grain(rnd, 6))
    for by in (14, 48):  # rivets on the bands
        for bx in range(9, 60, 8):
            img[by][bx] = (168, 170, 178)
            img[by + 1][bx] = (40, 40, 44)
    # ring handle and keyhole
    for a in range(0, 360, 6):
        rx = int(round(46 + 4.5 * math.cos(math.radians(a))))
        ry = int(round(33 + 4.5 * math.sin(math.radians(a))))
        img[ry][rx] = (196, 168, 82) if a < 180 else (120, 100, 48)
    for y in range(36, 41):
        img[y][52] = (20, 16, 12)
    img[35][52] = (20, 16, 12)
    return img


def banner_texture(seed=6):
    img = stone_texture()  # banners hang in the stone crypt
    cloth, trim, gold = (36, 62, 150), (200, 168, 64), (232, 200, 90)
    noise = Noise(seed + 100, cells=8)
    for x in range(16, 48):
        img[5][x] = (90, 70, 40)  # the rod
        img[6][x] = (60, 44, 26)
    for y in range(7, 58):
        for x in range(20, 44):
            if y > 50 and y > 57 - abs(x - 31.5) * 0.55:  # pointed end
                continue
            fold = 0.85 + 0.15 * math.sin((x - 20) * 0.8)
            c = shade(cloth, fold * (0.9 + noise(x, y) * 0.2))
            if x in (20, 21, 42, 43):
                c = trim
            img[y][x] = c
    for y in range(18, 40):  # a diamond emblem
        half = 9 - abs(y - 29)
        for x in range(32 - half, 32 + half):
            img[y][x] = gold if abs(x - 31.5) + abs(y - 29) < 7 else trim
    for y in range(26, 33):
        for x in range(29, 35):
            if abs(x - 31.5) + abs(y - 29) < 3:
                img[y][x] = (150, 30, 30)
    return img


def floor_texture(seed=7):
    """Two-tone stone tiles; the renderer halves floor texels, so these are bright."""
    rnd = random.Random(seed)
    noise = Noise(seed + 100, cells=8, octaves=3)
    light, dark = (226, 214, 188), (176, 168, 152)
    img = blank()
    for y in range(SIZE):
        for x in range(SIZE):
            tile = ((x // 32) + (y // 32)) % 2
            n = noise(x, y)
            c = shade(light if tile == 0 else dark, 0.86 + n * 0.26)
            if x % 32 == 0 or y % 32 == 0:
                c = (96, 88, 76)
            elif x % 32 == 1 or y % 32 == 1:
                c = add(c, 16)
            elif x % 32 == 31 or y % 32 == 31:
                c = shade(c, 0.8)
            img[y][x] = add(c, grain(rnd, 10))
    return img


def ceiling_texture(seed=8):
    rnd = random.Random(seed)
    noise = Noise(seed + 100, cells=4, octaves=3)
    plank, beam = (92, 66, 44), (58, 40, 26)
    img = blank()
    for y in range(SIZE):
        for x in range(SIZE):
            n = noise(x, y * 3, stretch_x=0.5)
            if x < 8:  # a beam across every texture
                c = shade(beam, 0.8 + n * 0.4)
                if x == 0:
                    c = add(c, 20)
                if x == 7:
                    c = shade(c, 0.55)
            else:
                c = shade(plank, 0.8 + n * 0.35)
                if y % 16 == 0:
                    c = shade(c, 0.5)
            img[y][x] = add(c, grain(rnd, 8))
    return img


# ---------------------------------------------------------------- sprites


def pillar_sprite(seed=9):
    rnd = random.Random(seed)
    stone = (206, 198, 180)
    img = blank()

    def put(x, y, width_half, centre=31.5, flutes=False):
        d = (x - centre) / width_half
        if abs(d) > 1:
            return
        light = 0.55 + 0.55 * math.cos(d * 1.35 - 0.35)
        if flutes and (x - int(centre - width_half)) % 4 == 0:
            light *= 0.78
        img[y][x] = opaque(add(shade(stone, light), grain(rnd, 10)))

    for y in range(SIZE):
        for x in range(SIZE):
            if y < 3:
                put(x, y, 15.5)        # abacus
            elif y < 8:
                put(x, y, 13.5 - (y - 3) * 0.8)  # capital
            elif y < 56:
                put(x, y, 8.5, flutes=True)
            elif y < 60:
                put(x, y, 11.5)
            else:
                put(x, y, 14.5)
    for y in (2, 7, 56, 59):
        for x in range(SIZE):
            if img[y][x] != (0, 0, 0):
                img[y][x] = opaque(shade(img[y][x], 0.7))
    return img


def barrel_sprite(seed=10):
    """The whole texture: the level shows barrels half a wall high."""
    rnd = random.Random(seed)
    wood, hoop = (150, 96, 50), (96, 96, 104)
    img = blank()
    top, bottom = 6, 63
    for y in range(top, bottom + 1):
        t = (y - top) / (bottom - top)
        half = 20 + 5 * math.sin(t * math.pi)  # the bulge
        for x in range(SIZE):
            d = (x - 31.5) / half
            if abs(d) > 1:
                continue
            light = 0.5 + 0.6 * math.cos(d * 1.4 - 0.3)
            c = shade(wood, light)
            if int((x - 31.5 + half) / (2 * half) * 8) != int((x - 30.5 + half) / (2 * half) * 8):
                c = shade(c, 0.7)  # gaps between staves
            if y in (15, 16, 17, 51, 52, 53):
                c = shade(hoop, light * 1.1)
            img[y][x] = opaque(add(c, grain(rnd, 10)))
    for y in range(top - 4, top + 5):  # the lid, seen from slightly above
        for x in range(SIZE):
            d = ((x - 31.5) / 20) ** 2 + ((y - top) / 4.2) ** 2
            if d <= 1:
                img[y][x] = opaque(shade((120, 78, 40), 0.7 + 0.3 * (y - top + 4) / 8))
    return img


def lamp_sprite():
    iron = (54, 52, 58)
    img = blank()
    for y in range(22, 60):  # the pole
        for x in range(30, 34):
            img[y][x] = opaque(shade(iron, 0.8 + 0.25 * (x == 31)))
    for y in range(58, 64):  # the feet
        spread = (y - 58) * 2 + 3
        for x in range(32 - spread, 32 + spread):
            if y >= 62 or abs(x - 31.5) > spread - 3:
                img[y][x] = opaque(shade(iron, 0.9))
    for y in range(8, 24):  # the lantern: glass with a glow
        half = 7 if 10 <= y <= 20 else 5
        for x in range(32 - half, 32 + half):
            if x in (32 - half, 31 + half) or y in (8, 9, 22, 23):
                img[y][x] = opaque(shade(iron, 1.2))
            else:
                d = math.hypot(x - 31.5, (y - 15.5) * 0.8)
                glow = max(0.0, 1 - d / 8)
                img[y][x] = mix((200, 120, 40), (255, 244, 200), glow)
    for y in range(4, 8):  # cap and hook
        for x in range(32 - (y - 3) * 2, 32 + (y - 3) * 2):
            img[y][x] = opaque(shade(iron, 1.1))
    img[3][31] = img[3][32] = opaque(iron)
    return img


# ---------------------------------------------------------------- the logo

GLYPHS = {
    'V': ["10001", "10001", "10001", "10001", "01010", "01010", "00100"],
    'E': ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    'L': ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    'M': ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    'O': ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    'R': ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    'A': ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
}


def logo_image():
    """The word mark on a dark plate, built as palette indexes."""
    scale, word = 4, "VELMORA"
    w, h = 188, 44
    palette = [(22, 20, 34), (200, 160, 60), (10, 8, 16)]  # plate, border, shadow
    rows = 7 * scale
    gradient_base = len(palette)
    for i in range(rows):  # gold at the top to copper at the bottom
        palette.append(mix((255, 226, 120), (214, 104, 44), i / (rows - 1)))
    img = [[0] * w for _ in range(h)]
    for y in range(h):
        for x in range(w):
            if x < 2 or y < 2 or x >= w - 2 or y >= h - 2:
                img[y][x] = 1
    x0 = (w - (len(word) * 6 - 1) * scale) // 2
    y0 = (h - rows) // 2
    for k, ch in enumerate(word):
        for gy, line in enumerate(GLYPHS[ch]):
            for gx, bit in enumerate(line):
                if bit != '1':
                    continue
                for sy in range(scale):
                    for sx in range(scale):
                        x = x0 + (k * 6 + gx) * scale + sx
                        y = y0 + gy * scale + sy
                        if img[y + 2][x + 2] == 0:
                            img[y + 2][x + 2] = 2
                        img[y][x] = gradient_base + gy * scale + sy
    return img, palette


# ---------------------------------------------------------------- BMP files


def bmp_file(width, height, bits, pixel_data, palette=(), compression=0, colours_used=0):
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    offset = 14 + 40 + len(table)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression,
                       len(pixel_data), 2835, 2835, colours_used, 0)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixel_data), 0, 0, offset)
    return header + info + table + pixel_data


def bmp24(img):
    h, w = len(img), len(img[0])
    pad = (4 - (w * 3) % 4) % 4
    data = bytearray()
    for row in reversed(img):  # bottom-up
        for r, g, b in row:
            data += bytes((b, g, r))
        data += b"\0" * pad
    return bmp_file(w, h, 24, bytes(data))


def bmp8(indexes, palette, colours_used=0):
    h, w = len(indexes), len(indexes[0])
    pad = (4 - w % 4) % 4
    data = bytearray()
    for row in reversed(indexes):
        data += bytes(row) + b"\0" * pad
    table = list(palette) + [(0, 0, 0)] * (256 - len(palette)) if colours_used == 0 else palette
    return bmp_file(w, h, 8, bytes(data), table, 0, colours_used)


def rle8_row(row):
    """One row in 8-bit run-length form: runs of equal bytes as (count, value),
    stretches without runs in absolute mode (0, n, bytes, padded to a word)."""
    out = bytearray()
    i, n = 0, len(row)
    while i < n:
        run = 1
        while i + run < n and run < 255 and row[i + run] == row[i]:
            run += 1
        if run >= 3:
            out += bytes((run, row[i]))
            i += run
            continue
        j = i  # gather literals up to the next run of three
        while j < n and j - i < 255:
            if j + 2 < n and row[j] == row[j + 1] == row[j + 2]:
                break
            j += 1
        lit = row[i:j]
        if len(lit) < 3:  # absolute mode needs at least 3 bytes
            for v in lit:
                out += bytes((1, v))
        else:
            out += bytes((0, len(lit))) + bytes(lit) + (b"\0" if len(lit) % 2 else b"")
        i = j
    return out + b"\0\0"  # end of line


def quantise(img, colours):
    """Reduces an RGB image to at most 'colours' palette entries by median
    cut: split the box of pixels with the widest channel range at its median
    until there are enough boxes; each box's mean is a palette entry."""
    pixels = sorted({c for row in img for c in row})
    boxes = [pixels]
    while len(boxes) < colours:
        best, axis, spread = -1, 0, 0
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            for ch in range(3):
                values = [c[ch] for c in box]
                if max(values) - min(values) > spread:
                    best, axis, spread = i, ch, max(values) - min(values)
        if best < 0:
            break
        box = sorted(boxes.pop(best), key=lambda c: c[axis])
        boxes += [box[:len(box) // 2], box[len(box) // 2:]]
    palette, index = [], {}
    for box in boxes:
        mean = tuple(clamp8(sum(c[ch] for c in box) / len(box)) for ch in range(3))
        for c in box:
            index[c] = len(palette)
        palette.append(mean)
    return [[index[c] for c in row] for row in img], palette


def bmp_rle8(img):
    indexes, palette = quantise(img, 48)  # few colours: longer runs
    h, w = len(indexes), len(indexes[0])
    data = bytearray()
    for row in reversed(indexes):
        data += rle8_row(row)
    data[-2:] = b"\0\1"  # the last end of line becomes end of bitmap
    return bmp_file(w, h, 8, bytes(data), palette, 1, len(palette))


# ---------------------------------------------------------------- PNG files


def png_file(width, height, colour_type, depth, rows, chunks=()):
    """Rows of raw samples, each stored with filter type 0, in one IDAT."""
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    header = struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, 0)
    data = zlib.compress(b"".join(b"\0" + row for row in rows), 9)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + b"".join(chunk(k, b) for k, b in chunks)
            + chunk(b"IDAT", data) + chunk(b"IEND", b""))


def png_rgb(img, key=None):
    """8-bit RGB; with a key, the sprite's empty texels take that colour and
    a tRNS chunk names it transparent."""
    rows = [b"".join(bytes(key if key and c == (0, 0, 0) else c) for c in row) for row in img]
    chunks = [(b"tRNS", struct.pack(">HHH", *key))] if key else []
    return png_file(len(img[0]), len(img), 2, 8, rows, chunks)


def png_rgb16(img, seed=11):
    """16-bit RGB: each colour in the high bytes, the low bytes noise the
    loader drops."""
    rnd = random.Random(seed)
    rows = [b"".join(struct.pack(">HHH", *(ch << 8 | rnd.randrange(256) for ch in c)) for c in row) for row in img]
    return png_file(len(img[0]), len(img), 2, 16, rows)


def png_glow(img, centre=(31.5, 15.5), radius=14.0):
    """8-bit RGBA: texels keep full alpha; the empty ones become a faint warm
    halo around the lantern, its alpha fading from 100 to 0. Alpha below 128
    loads as transparent, so the halo is there for paint programs only and
    the sprite draws as before."""
    rows = []
    for y, row in enumerate(img):
        out = bytearray()
        for x, c in enumerate(row):
            if c != (0, 0, 0):
                out += bytes(c) + b"\xff"
                continue
            d = math.hypot(x - centre[0], y - centre[1])
            out += bytes((255, 196, 120, max(0, int(100 * (1 - d / radius)))))
        rows.append(bytes(out))
    return png_file(len(img[0]), len(img), 6, 8, rows)


# ---------------------------------------------------------------- the level

# Rooms and corridors as rectangles of open cells, x and y inclusive; every
# wall cell takes the material of the room or corridor it faces.
ROOMS = {  # name: (x0, y0, x1, y1) inclusive, material
    "hall": ((1, 1, 6, 6), 1),
    "library": ((10, 1, 15, 5), 3),
    "lab": ((18, 1, 22, 7), 4),
    "crypt": ((8, 10, 16, 18), 2),
    "store": ((1, 10, 5, 16), 3),
    "vault": ((19, 11, 22, 16), 4),
    "cloister": ((2, 21, 21, 22), 1),
}
CORRIDORS = [  # (x0, y0, x1, y1) inclusive, material
    ((7, 3, 9, 3), 1),
    ((16, 3, 17, 3), 3),
    ((3, 7, 3, 9), 1),
    ((6, 13, 7, 13), 2),
    ((20, 8, 20, 10), 4),
    ((17, 14, 18, 14), 4),
    ((12, 19, 12, 20), 2),
    ((3, 17, 3, 20), 3),
    ((21, 17, 21, 20), 4),
]
DOORS = [(0, 4), (12, 0), (23, 4), (23, 21), (0, 22), (16, 19), (8, 19)]
BANNERS = [(10, 9), (14, 9), (7, 12), (7, 16), (17, 12), (17, 16)]  # around the crypt

TEXTURES = [  # index, file, builder, flat colour
    (1, "brick.png", brick_texture, (164, 72, 50)),
    (2, "stone.bmp", stone_texture, (128, 126, 120)),
    (3, "wood.bmp", wood_texture, (140, 92, 50)),
    (4, "metal.png", metal_texture, (112, 124, 142)),
    (5, "door.bmp", door_texture, (110, 66, 36)),
    (6, "banner.bmp", banner_texture, (92, 100, 150)),
    (12, "floor.bmp", floor_texture, None),
    (13, "ceiling.bmp", ceiling_texture, None),
    (9, "pillar.bmp", pillar_sprite, None),
    (10, "barrel.png", barrel_sprite, None),
    (11, "lamp.png", lamp_sprite, None),
]
FLOOR, CEILING, PILLAR, BARREL, LAMP = 12, 13, 9, 10, 11

SPRITES = [
    (10.5, 12.5, PILLAR), (14.5, 12.5, PILLAR), (10.5, 16.5, PILLAR), (14.5, 16.5, PILLAR),
    (12.5, 14.5, LAMP), (1.5, 1.5, LAMP), (6.5, 6.5, LAMP), (12.5, 1.5, LAMP),
    (20.5, 4.5, LAMP), (6.5, 21.5, LAMP), (17.5, 22.5, LAMP),
    (1.5, 10.5, BARREL), (2.5, 10.5, BARREL), (1.5, 11.5, BARREL), (5.5, 16.5, BARREL),
    (15.5, 5.5, BARREL), (22.5, 11.5, BARREL), (22.5, 16.5, BARREL),
    (2.5, 21.5, PILLAR), (21.5, 22.5, PILLAR),
    (9.5, 21.5, BARREL),  # rolls along the cloister (see "patrol")
]
PATROL = (len(SPRITES) - 1, 9.5, 21.5, 15.5, 21.5, 6.0)  # sprite, from, to, seconds per round trip

START = (3.5, 3.5, 1.0, 0.0)
WALK = [  # a tour through every room, as waypoints
    (5.5, 3.5), (8.5, 3.5), (12.5, 3.5), (16.5, 3.5), (20.5, 3.5), (20.5, 6.5),
    (20.5, 9.5), (20.5, 13.5), (18.5, 14.5), (14.5, 14.5), (12.5, 17.5), (12.5, 19.5),
    (12.5, 21.5), (4.5, 21.5), (3.5, 19.5), (3.5, 15.5), (3.5, 12.5), (7.5, 13.5),
    (10.5, 14.5), (3.5, 13.5), (3.5, 8.5), (3.5, 3.5),
]


def build_map():
    n = 24
    cells = [[None] * n for _ in range(n)]  # cells[y][x]: None wall, 0 open
    owner = {}
    for (x0, y0, x1, y1), material in list(ROOMS.values()) + CORRIDORS:
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                cells[y][x] = 0
                owner.setdefault((x, y), material)
    grid = [[0] * n for _ in range(n)]
    for y in range(n):
        for x in range(n):
            if cells[y][x] == 0:
                continue
            material = 2  # solid rock where no room faces
            for dy, dx in ((0, -1), (0, 1), (-1, 0), (1, 0), (-1, -1), (-1, 1), (1, -1), (1, 1)):
                m = owner.get((x + dx, y + dy))
                if m is not None:
                    material = m
                    break
            grid[y][x] = material
    for x, y in BANNERS:
        assert grid[y][x] != 0, (x, y)
        grid[y][x] = 6
    for x, y in DOORS:
        assert grid[y][x] != 0, (x, y)
        grid[y][x] = 5
    for i in range(n):  # the border must be closed for every ray to end
        assert grid[0][i] and grid[n - 1][i] and grid[i][0] and grid[i][n - 1]
    for sx, sy, _ in SPRITES:
        assert grid[int(sy)][int(sx)] == 0, (sx, sy)
    for wx, wy in WALK:
        assert grid[int(wy)][int(wx)] == 0, (wx, wy)
    return grid


def level_text(grid):
    n = len(grid)
    out = ["# Velmora sample world, generated by demo/gen_assets.py",
           "# texture INDEX FILE | flat INDEX R G B | floor T | ceiling T | map W H",
           "# row X DIGITS (cells y = 0..H-1 of world column x) | sprite X Y T",
           "# start X Y DIRX DIRY | walk X Y | logo FILE | patrol SPRITE X1 Y1 X2 Y2 SECONDS"]
    for index, name, _, flat in TEXTURES:
        out.append(f"texture {index} {name}")
    for index, name, _, flat in TEXTURES:
        if flat:
            out.append(f"flat {index} {flat[0]} {flat[1]} {flat[2]}")
    out.append(f"floor {FLOOR}")
    out.append(f"ceiling {CEILING}")
    out.append(f"map {n} {n}")
    for x in range(n):  # the engine's rows are world x; a row lists y
        out.append(f"row {x} " + "".join(str(grid[y][x]) for y in range(n)))
    for sx, sy, t in SPRITES:
        out.append(f"sprite {sx} {sy} {t}")
    out.append("start {} {} {} {}".format(*START))
    for wx, wy in WALK:
        out.append(f"walk {wx} {wy}")
    out.append("logo logo.bmp")
    out.append("patrol {} {} {} {} {} {}".format(*PATROL))
    return "\n".join(out) + "\n"


# ---------------------------------------------------------------- the look

# Fog in the far halls, the tour's view tilting up and down, floor and
# ceiling tiles of their own in some rooms, half-height barrels and lanterns
# hanging from the ceiling. The floor and ceiling maps name a texture by one
# digit per cell, so 1..9 are kept for what a cell can show (the walls and
# the tiles here); the default floor and ceiling (a cell's 0) and the
# sprites take the numbers above.
TILES, VAULT, LANTERN = 7, 8, 14


def tiles_texture(seed=12):
    """Marble squares, cream and green, set in brass; bright, as the renderer
    halves floor texels."""
    rnd = random.Random(seed)
    noise = Noise(seed + 100, cells=4, octaves=4)
    cream, green, brass = (240, 232, 214), (92, 150, 128), (222, 186, 96)
    img = blank()
    for y in range(SIZE):
        for x in range(SIZE):
            n = noise(x, y)
            base = cream if ((x // 32) + (y // 32)) % 2 == 0 else green
            vein = abs(math.sin((x + y) * 0.16 + n * 9.0))  # dark where the sine crosses 0
            c = shade(base, 0.84 + n * 0.22 - (0.22 if vein < 0.12 else 0))
            u, v = x % 32, y % 32
            if u in (0, 31) or v in (0, 31):
                c = shade(brass, 0.8 + n * 0.4)
            elif abs(u - 15.5) + abs(v - 15.5) < 3:  # a brass stud in each square
                c = brass
            img[y][x] = add(c, grain(rnd, 8))
    return img


def vault_texture(seed=13):
    """Stone ribs around deep blue panels with gilt stars."""
    rnd = random.Random(seed)
    noise = Noise(seed + 100, cells=8, octaves=3)
    rib, sky, gold = (168, 160, 142), (34, 44, 104), (240, 206, 104)
    stars = [(rnd.randrange(5, 27), rnd.randrange(5, 27)) for _ in range(3)]
    img = blank()
    for y in range(SIZE):
        for x in range(SIZE):
            n = noise(x, y)
            u, v = x % 32, y % 32
            edge = min(u, v, 31 - u, 31 - v)
            if edge < 3:
                c = shade(rib, 0.8 + n * 0.35)
                if edge == 0:
                    c = shade(c, 0.6)
                elif edge == 2:
                    c = shade(c, 0.75)  # the rib's shadow on the panel's side
            else:
                c = shade(sky, 0.8 + n * 0.4 + 0.3 * (1 - min(edge, 12) / 12))
            img[y][x] = add(c, grain(rnd, 6))
    for oy in (0, 32):
        for ox in (0, 32):
            for sx, sy in stars:
                cx, cy = ox + (sx + oy // 3) % 22 + 5, oy + (sy + ox // 3) % 22 + 5
                for dx, dy in ((0, 0), (1, 0), (-1, 0), (0, 1), (0, -1)):
                    img[cy + dy][cx + dx] = gold if (dx, dy) == (0, 0) else shade(gold, 0.7)
    return img


def lantern_sprite():
    """A lantern on a chain, to hang from the ceiling in a sprite 0.3 wide and
    0.45 high: the texture shows at two thirds of its width, so the art is
    drawn wide."""
    iron = (54, 52, 58)
    img = blank()
    for y in range(0, 20):  # the chain, links alternately seen edge-on
        for x in (31, 32) if y % 6 < 3 else (30, 31, 32, 33):
            img[y][x] = opaque(shade(iron, 1.3 if y % 6 in (0, 3) else 1.0))
    for y in range(20, 26):  # the cap
        half = (y - 19) * 2
        for x in range(32 - half, 32 + half):
            img[y][x] = opaque(shade(iron, 1.2 - 0.05 * abs(x - 31.5) / half))
    for y in range(26, 54):  # glass with a flame's glow, in an iron frame
        half = 11
        for x in range(32 - half, 32 + half):
            if x in (32 - half, 31 + half) or y in (26, 27, 52, 53) or x in (31, 32):
                img[y][x] = opaque(shade(iron, 1.15))
            else:
                d = math.hypot((x - 31.5) * 1.5, y - 40)
                img[y][x] = mix((190, 110, 36), (255, 246, 206), max(0.0, 1 - d / 14))
    for y in range(54, 62):  # the bottom and its finial
        half = max(1, 10 - (y - 54) * 2)
        for x in range(32 - half, 32 + half):
            img[y][x] = opaque(shade(iron, 0.95))
    return img


LOOK_TEXTURES = [(TILES, "tiles.bmp", tiles_texture), (VAULT, "vault.bmp", vault_texture),
                 (LANTERN, "lantern.bmp", lantern_sprite)]
LOOK_ROOMS = {"crypt": (TILES, VAULT), "library": (3, 0)}  # floor and ceiling texture, 0 the default
LOOK_SPRITES = [  # lanterns over the tour's path, barrels against the walls
    (6.5, 2.5, LANTERN), (6.5, 4.5, LANTERN), (8.5, 3.5, LANTERN), (11.5, 3.5, LANTERN), (14.5, 3.5, LANTERN),
    (12.5, 12.5, LANTERN), (12.5, 16.5, LANTERN), (20.5, 8.5, LANTERN), (9.5, 21.5, LANTERN), (15.5, 21.5, LANTERN),
    (10.5, 1.5, BARREL), (10.5, 5.5, BARREL), (11.3, 5.4, BARREL), (8.5, 10.5, BARREL), (8.5, 11.4, BARREL),
    (9.4, 10.5, BARREL), (16.5, 18.5, BARREL), (8.5, 18.5, BARREL),
]
SCALES = [(BARREL, 0.5, 0.5, 0.0), (LANTERN, 0.3, 0.45, 0.55)]  # texture, width, height, lift
FOG = ((108, 114, 134), 1.5, 12.0)  # colour, start, end
LOOKS = [(0, 90), (1, 0), (2, -50), (3, 0), (9, 50), (10, 0)]  # from this tour waypoint on, this pitch


def look_text(grid):
    n = len(grid)
    out = ["# fog R G B START END | floorrow X DIGITS | ceilingrow X DIGITS (0: the default floor or ceiling)",
           "# scale TEXTURE WIDTH HEIGHT LIFT (every sprite of that texture) | look WAYPOINT PITCH (the tour's view)"]
    for index, name, _ in LOOK_TEXTURES:
        out.append(f"texture {index} {name}")
    (r, g, b), start, end = FOG
    out.append(f"fog {r} {g} {b} {start} {end}")
    layers = [[[0] * n for _ in range(n)] for _ in range(2)]  # [floor, ceiling][x][y]
    for room, textures in LOOK_ROOMS.items():
        (x0, y0, x1, y1), _ = ROOMS[room]
        for layer, texture in zip(layers, textures):
            for x in range(x0, x1 + 1):
                for y in range(y0, y1 + 1):
                    layer[x][y] = texture
    for key, layer in zip(("floorrow", "ceilingrow"), layers):
        for x in range(n):
            if any(layer[x]):
                out.append(f"{key} {x} " + "".join(str(t) for t in layer[x]))
    for sx, sy, t in LOOK_SPRITES:
        assert grid[int(sy)][int(sx)] == 0, (sx, sy)
        out.append(f"sprite {sx} {sy} {t}")
    for t, w, h, lift in SCALES:
        out.append(f"scale {t} {w} {h} {lift}")
    for waypoint, pitch in LOOKS:
        out.append(f"look {waypoint} {pitch}")
    return "\n".join(out) + "\n"


def write_look_art(write):
    for _, name, build in LOOK_TEXTURES:
        write(name, bmp24(build()))


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    outdir = sys.argv[1]
    os.makedirs(outdir, exist_ok=True)

    def write(name, data):
        path = os.path.join(outdir, name)
        with open(path + ".tmp", "wb") as f:
            f.write(data)
        os.replace(path + ".tmp", path)

    for index, name, build, _ in TEXTURES:
        img = build()
        # One texture in run-length form and one as palette indexes, so the
        # demo reads several kinds of BMP file; PNG files in 8- and 16-bit
        # colour, and sprites made transparent by a tRNS key and by alpha.
        if name == "stone.bmp":
            write(name, bmp_rle8(img))
        elif name == "wood.bmp":
            indexes, palette = quantise(img, 256)
            write(name, bmp8(indexes, palette, colours_used=len(palette)))
        elif name == "brick.png":
            write(name, png_rgb(img))
        elif name == "metal.png":
            write(name, png_rgb16(img))
        elif name == "barrel.png":
            write(name, png_rgb(img, key=(255, 0, 255)))
        elif name == "lamp.png":
            write(name, png_glow(img))
        else:
            write(name, bmp24(img))
    logo, palette = logo_image()
    write("logo.bmp", bmp8(logo, palette))
    grid = build_map()
    write("world.txt", (level_text(grid) + look_text(grid)).encode("ascii"))
    write_look_art(write)


if __name__ == "__main__":
    main()
