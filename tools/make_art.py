#!/usr/bin/env python3
"""Draws DORVAN's pictures and icon; every pixel comes from here.

Writes into the folder given as the only argument:
  fis_1.bmp, fis_2.bmp  the plug-state pictures (unplugged, plugged), 147 x 53, 24-bit
  dorvan.ico            the clock-face icon, 32 x 32 and 16 x 16, 16 colours, with mask
  dorvan.png            the same clock face, 48 x 48, for Linux desktops
  pictures.inc          C++ byte arrays: the picture stored with the window and the two
                        plug-state pictures, built in for when their files cannot be read
"""
import math
import os
import struct
import sys
import zlib

W, H = 147, 53

GRID_BG = (244, 246, 250)
GRID_LINE = (214, 222, 235)
BEIGE = (226, 206, 160)
BEIGE_DARK = (170, 146, 98)
METAL = (190, 194, 200)
METAL_DARK = (110, 114, 122)
GOLD = (212, 170, 60)
CABLE = (40, 40, 46)
BLACK = (0, 0, 0)
RED = (220, 30, 30)
GREEN = (30, 160, 60)

# 3 x 5 glyphs for the pin names.
GLYPHS = {
    "G": ["111", "100", "101", "101", "111"],
    "N": ["101", "111", "111", "111", "101"],
    "D": ["110", "101", "101", "101", "110"],
    "V": ["101", "101", "101", "101", "010"],
    "C": ["111", "100", "100", "100", "111"],
    "+": ["000", "010", "111", "010", "000"],
    "-": ["000", "000", "111", "000", "000"],
}


class Canvas:
    def __init__(self, w, h, colour):
        self.w, self.h = w, h
        self.px = [[colour] * w for _ in range(h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.put(x, y0, c)
            self.put(x, y1, c)
        for y in range(y0, y1 + 1):
            self.put(x0, y, c)
            self.put(x1, y, c)

    def line(self, x0, y0, x1, y1, c):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            self.put(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps), c)

    def text_mirrored(self, x, y, text, c):
        # mirror writing: the glyphs flipped and the word read from the right
        for ch in reversed(text):
            for row, bits in enumerate(GLYPHS[ch]):
                for col, bit in enumerate(reversed(bits)):
                    if bit == "1":
                        self.put(x + col, y + row, c)
            x += 4


def grid(c):
    for y in range(0, H, 6):
        for x in range(W):
            c.put(x, y, GRID_LINE)
    for x in range(0, W, 6):
        for y in range(H):
            c.put(x, y, GRID_LINE)


def trident(c, x, y):
    c.line(x, y + 6, x + 16, y + 6, BLACK)
    c.line(x + 16, y + 6, x + 13, y + 4, BLACK)
    c.line(x + 16, y + 6, x + 13, y + 8, BLACK)
    c.line(x + 5, y + 6, x + 8, y + 1, BLACK)
    c.line(x + 8, y + 1, x + 11, y + 1, BLACK)
    c.rect(x + 11, y, x + 12, y + 2, BLACK)
    c.line(x + 7, y + 6, x + 9, y + 11, BLACK)
    c.line(x + 9, y + 11, x + 12, y + 11, BLACK)
    c.frame(x + 12, y + 10, x + 14, y + 12, BLACK)
    c.rect(x - 2, y + 5, x, y + 7, BLACK)


def socket(c, x0):
    """The socket on the right: beige body, metal mouth, pin names in mirror writing."""
    c.rect(x0, 4, W - 6, H - 5, BEIGE)
    c.frame(x0, 4, W - 6, H - 5, BEIGE_DARK)
    c.rect(x0, 17, x0 + 6, 35, METAL_DARK)
    trident(c, x0 + 16, 7)
    for i, name in enumerate(["GND", "D-", "D+", "VCC"]):
        c.text_mirrored(x0 + 14 + (i % 2) * 22, 30 + (i // 2) * 8, name, BEIGE_DARK)


def plug(c, tip_x):
    """A USB-A plug whose metal shell ends at tip_x, cable to the left."""
    c.rect(0, 24, tip_x - 46, 28, CABLE)
    c.rect(tip_x - 46, 15, tip_x - 22, 37, CABLE)
    c.frame(tip_x - 46, 15, tip_x - 22, 37, METAL_DARK)
    c.rect(tip_x - 22, 18, tip_x, 34, METAL)
    c.frame(tip_x - 22, 18, tip_x, 34, METAL_DARK)
    for i in range(4):
        c.rect(tip_x - 16 + i * 4, 21, tip_x - 14 + i * 4, 23, GOLD)
    c.rect(tip_x - 18, 28, tip_x - 4, 30, METAL_DARK)


def lamp(c, colour):
    c.rect(3, 3, 9, 9, colour)
    c.frame(3, 3, 9, 9, BLACK)


def stored_picture():
    c = Canvas(W, H, GRID_BG)
    grid(c)
    socket(c, 88)
    plug(c, 94)
    return c


def plugged_picture():
    c = stored_picture()
    lamp(c, GREEN)
    return c


def unplugged_picture():
    c = Canvas(W, H, GRID_BG)
    grid(c)
    socket(c, 88)
    plug(c, 66)
    lamp(c, RED)
    return c


def bmp24(c):
    row_bytes = (c.w * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(c.h - 1, -1, -1):
        row = bytearray()
        for r, g, b in c.px[y]:
            row += bytes((b, g, r))
        row += b"\0" * (row_bytes - len(row))
        pixels += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, c.w, c.h, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    return header + info + bytes(pixels)


# The 16-colour VGA palette, as icons of this depth use it.
PALETTE16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
             (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
             (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
P_BLACK, P_RED, P_WHITE, P_GREY = 0, 9, 15, 8


def clock_face(size):
    """Palette indices, None for transparent."""
    img = [[None] * size for _ in range(size)]
    cx = cy = (size - 1) / 2
    radius = size / 2 - 0.5
    for y in range(size):
        for x in range(size):
            d = math.hypot(x - cx, y - cy)
            if d <= radius:
                img[y][x] = P_BLACK if d > radius - max(1.5, size / 14) else P_WHITE

    def stroke(angle_deg, r0, r1, colour, width=1):
        a = math.radians(angle_deg)
        steps = int(size * 2)
        for i in range(steps + 1):
            r = r0 + (r1 - r0) * i / steps
            x = cx + r * math.sin(a)
            y = cy - r * math.cos(a)
            for dx in range(width):
                for dy in range(width):
                    xi, yi = int(round(x)) + dx - width // 2, int(round(y)) + dy - width // 2
                    if 0 <= xi < size and 0 <= yi < size:
                        img[yi][xi] = colour

    rim = radius - max(1.5, size / 14)
    for hour in range(12):
        if hour % 3 == 0:
            stroke(hour * 30, rim - size / 6, rim - 0.5, P_BLACK)
        else:
            a = math.radians(hour * 30)
            r = rim - size / 10
            x, y = int(round(cx + r * math.sin(a))), int(round(cy - r * math.cos(a)))
            img[y][x] = P_BLACK
    stroke(300, 0, radius * 0.45, P_BLACK, 2 if size >= 32 else 1)   # hour hand at ten
    stroke(60, 0, radius * 0.7, P_BLACK, 1)                         # minute hand at ten past
    stroke(200, -radius * 0.15, radius * 0.8, P_RED, 1)             # second hand
    c = int(round(cx))
    img[c][c] = P_BLACK
    return img


def ico_image(img):
    size = len(img)
    xor_row = ((size * 4 + 31) // 32) * 4
    and_row = ((size + 31) // 32) * 4
    xor, mask = bytearray(), bytearray()
    for y in range(size - 1, -1, -1):
        row = bytearray(xor_row)
        mrow = bytearray(and_row)
        for x in range(size):
            v = img[y][x]
            idx = 0 if v is None else v
            row[x // 2] |= idx << (4 if x % 2 == 0 else 0)
            if v is None:
                mrow[x // 8] |= 0x80 >> (x % 8)
        xor += row
        mask += mrow
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE16)
    return header + palette + bytes(xor) + bytes(mask)


def ico(sizes):
    images = [ico_image(clock_face(s)) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def png(img):
    size = len(img)
    raw = bytearray()
    for row in img:
        raw.append(0)
        for v in row:
            raw += bytes((0, 0, 0, 0)) if v is None else bytes(PALETTE16[v] + (255,))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def c_array(name, data):
    body = ",".join(str(b) for b in data)
    return f"inline constexpr unsigned char {name}[{len(data)}] = {{{body}}};\n"


def write(path, data):
    # leave the file alone when nothing changed, so builds stay incremental
    if os.path.exists(path):
        with open(path, "rb") as f:
            if f.read() == data:
                return
    with open(path, "wb") as f:
        f.write(data)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    stored, unplugged, plugged = bmp24(stored_picture()), bmp24(unplugged_picture()), bmp24(plugged_picture())
    write(os.path.join(out, "fis_1.bmp"), unplugged)
    write(os.path.join(out, "fis_2.bmp"), plugged)
    write(os.path.join(out, "dorvan.ico"), ico([32, 16]))
    write(os.path.join(out, "dorvan.png"), png(clock_face(48)))
    inc = ("// Drawn by tools/make_art.py; do not edit.\n" + c_array("kStoredBmp", stored) +
           c_array("kUnpluggedBmp", unplugged) + c_array("kPluggedBmp", plugged))
    write(os.path.join(out, "pictures.inc"), inc.encode())


if __name__ == "__main__":
    main()
