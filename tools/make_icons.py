#!/usr/bin/env python3
"""Draws the programs' icons and writes them as 16-colour .ico files.

Usage: make_icons.py NAME OUTPUT.ico
Each NAME below is a small drawing: shapes filled pixel by pixel in the
standard 16-colour palette, everything not drawn left transparent.
"""
import math
import struct
import sys

PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)


class Canvas:
    def __init__(self, size):
        self.size = size
        self.pixels = [[None] * size for _ in range(size)]

    def put(self, x, y, colour):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.pixels[y][x] = colour

    def fill(self, inside, colour):
        for y in range(self.size):
            for x in range(self.size):
                if inside(x + 0.5, y + 0.5):
                    self.pixels[y][x] = colour

    def polygon(self, points, colour, outline=None):
        s = self.size / 32.0
        pts = [(px * s, py * s) for px, py in points]
        self.fill(lambda x, y: _in_polygon(pts, x, y), colour)
        if outline is not None:
            for (ax, ay), (bx, by) in zip(pts, pts[1:] + pts[:1]):
                self.line(ax, ay, bx, by, outline)

    def line(self, ax, ay, bx, by, colour):
        steps = int(max(abs(bx - ax), abs(by - ay)) * 2) + 1
        for k in range(steps + 1):
            t = k / steps
            x = ax + (bx - ax) * t
            y = ay + (by - ay) * t
            self.put(min(int(x), self.size - 1), min(int(y), self.size - 1), colour)

    def disc(self, cx, cy, r, colour):
        s = self.size / 32.0
        self.fill(lambda x, y: (x - cx * s) ** 2 + (y - cy * s) ** 2 <= (r * s) ** 2, colour)


def _in_polygon(pts, x, y):
    inside = False
    for (ax, ay), (bx, by) in zip(pts, pts[1:] + pts[:1]):
        if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
            inside = not inside
    return inside


def draw_cloud(c):
    """A dark globe with a ring of bright points: the saver's show."""
    c.disc(16, 16, 15, BLACK)
    colours = [RED, YELLOW, LIME, AQUA, BLUE, FUCHSIA, WHITE]
    k = 0
    for row in range(1, 8):
        phi = row * math.pi / 8
        for col in range(10):
            theta = col * 2 * math.pi / 10 + row * 0.4
            x, y, z = math.sin(phi) * math.cos(theta), math.cos(phi), math.sin(phi) * math.sin(theta)
            if z < -0.2:
                continue
            px = 16 + 12 * x
            py = 16 - 12 * y * 0.95 + 3 * z * 0.1
            c.put(int(px), int(py), colours[k % len(colours)])
            k += 1
    for a in range(0, 360, 12):
        t = math.radians(a)
        c.put(int(16 + 14 * math.cos(t)), int(16 + 5 * math.sin(t)), AQUA)


def draw_folder_back(c):
    """The folder's back with its tab: the same in both states."""
    c.polygon([(2, 7), (11, 7), (13, 10), (28, 10), (28, 27), (2, 27)], OLIVE, BLACK)


def draw_folder_closed(c):
    draw_folder_back(c)
    c.polygon([(2, 12), (28, 12), (28, 27), (2, 27)], YELLOW, OLIVE)
    c.line(3 * c.size / 32, 13.2 * c.size / 32, 27 * c.size / 32, 13.2 * c.size / 32, WHITE)
    c.line(2 * c.size / 32, 27 * c.size / 32, 28 * c.size / 32, 27 * c.size / 32, BLACK)


def draw_folder_open(c):
    """The same folder opened: a sheet shows and the front flap tips forward."""
    draw_folder_back(c)
    c.polygon([(5, 9), (24, 9), (24, 20), (5, 20)], WHITE, GREY)
    c.line(8 * c.size / 32, 12 * c.size / 32, 20 * c.size / 32, 12 * c.size / 32, SILVER)
    c.line(8 * c.size / 32, 15 * c.size / 32, 21 * c.size / 32, 15 * c.size / 32, SILVER)
    c.polygon([(7, 15), (31, 15), (26, 27), (2, 27)], YELLOW, OLIVE)
    c.line(8 * c.size / 32, 16.2 * c.size / 32, 29.5 * c.size / 32, 16.2 * c.size / 32, WHITE)
    c.line(2 * c.size / 32, 27 * c.size / 32, 26 * c.size / 32, 27 * c.size / 32, BLACK)


def draw_product(c):
    """A folder wearing a small star: the extension itself."""
    draw_folder_closed(c)
    c.polygon([(22, 1), (24, 7), (30, 7), (25, 11), (27, 17), (22, 13),
               (17, 17), (19, 11), (14, 7), (20, 7)], RED, MAROON)


ICONS = {
    "saver": (draw_cloud, [32]),
    "product": (draw_product, [16, 32]),
    "tab": (draw_product, [16]),
    # Both sizes, so small views get a drawing of their own, not a shrunk one.
    "folder_closed": (draw_folder_closed, [16, 32]),
    "folder_open": (draw_folder_open, [16, 32]),
}


def image_bytes(canvas):
    size = canvas.size
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor_rows, and_rows = [], []
    for y in reversed(range(size)):
        row = canvas.pixels[y]
        nibbles = [0 if p is None else p for p in row]
        packed = bytes((nibbles[i] << 4) | (nibbles[i + 1] if i + 1 < size else 0)
                       for i in range(0, size, 2))
        xor_rows.append(packed.ljust(xor_stride, b"\0"))
        mask = bytearray(and_stride)
        for x, p in enumerate(row):
            if p is None:
                mask[x // 8] |= 0x80 >> (x % 8)
        and_rows.append(bytes(mask))
    return header + palette + b"".join(xor_rows) + b"".join(and_rows)


def ico_file(draw, sizes):
    images = []
    for size in sizes:
        canvas = Canvas(size)
        draw(canvas)
        images.append((size, image_bytes(canvas)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


def main():
    name, output = sys.argv[1], sys.argv[2]
    draw, sizes = ICONS[name]
    with open(output, "wb") as f:
        f.write(ico_file(draw, sizes))


if __name__ == "__main__":
    main()
