#!/usr/bin/env python3
"""Makes the pictures Seep ships in images/: the default paper canvas and the
two tool buttons in both their states. Standard library only; the output is
the same on every run (fixed seeds), so the committed files can be remade.

    python3 scripts/make_pictures.py [output folder, default images/]

Files are plain 24-bit BMPs with the 40-byte header: the image library Seep
reads them with does not know the later, longer BMP headers.
"""
import math
import os
import random
import struct
import sys

PAPER_SIZE = 512
BUTTON_SIZE = 32
SUPERSAMPLING = 4


def write_bmp(path, width, height, rows):
    """rows: top row first, each a list of (r, g, b) floats in 0..1."""
    stride = (width * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):  # BMP stores the bottom row first
        line = bytearray()
        for r, g, b in row:
            line += bytes(max(0, min(255, round(c * 255))) for c in (b, g, r))
        data += line + bytes(stride - len(line))
    header = struct.pack('<2sIHHI', b'BM', 54 + len(data), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, 'wb') as out:
        out.write(header + info + data)


# ---------------------------------------------------------------- paper

def value_noise(rng, size, cell):
    """Smoothly interpolated random values on a grid of cell pixels, wrapping
    around so the paper has no seams."""
    cells = size // cell
    grid = [[rng.uniform(-1.0, 1.0) for _ in range(cells)] for _ in range(cells)]
    out = [[0.0] * size for _ in range(size)]
    for y in range(size):
        gy, fy = divmod(y / cell, 1.0)
        gy = int(gy)
        sy = fy * fy * (3 - 2 * fy)
        row0, row1 = grid[gy % cells], grid[(gy + 1) % cells]
        for x in range(size):
            gx, fx = divmod(x / cell, 1.0)
            gx = int(gx)
            sx = fx * fx * (3 - 2 * fx)
            top = row0[gx % cells] * (1 - sx) + row0[(gx + 1) % cells] * sx
            bottom = row1[gx % cells] * (1 - sx) + row1[(gx + 1) % cells] * sx
            out[y][x] = top * (1 - sy) + bottom * sy
    return out


def add_fibres(rng, height, count):
    """Paper fibres: thin, gently curving strands pressed into the sheet,
    most a little darker than the paper, some catching the light."""
    size = len(height)
    for _ in range(count):
        x, y = rng.uniform(0, size), rng.uniform(0, size)
        angle = rng.uniform(0, math.pi)
        depth = rng.uniform(-0.07, -0.02) if rng.random() < 0.7 else rng.uniform(0.02, 0.05)
        for _ in range(rng.randint(12, 60)):
            angle += rng.gauss(0, 0.12)
            x += math.cos(angle) * 0.7
            y += math.sin(angle) * 0.7
            ix, iy = int(x), int(y)
            fx, fy = x - ix, y - iy
            # spread over the four pixels around the point: no jagged strands
            for dx, dy, w in ((0, 0, (1 - fx) * (1 - fy)), (1, 0, fx * (1 - fy)),
                              (0, 1, (1 - fx) * fy), (1, 1, fx * fy)):
                height[(iy + dy) % size][(ix + dx) % size] += depth * w


def make_paper(path):
    rng = random.Random(1987)
    size = PAPER_SIZE
    mottling = value_noise(rng, size, 64)
    tooth = value_noise(rng, size, 8)
    fine = value_noise(rng, size, 4)
    height = [[0.80 + 0.035 * mottling[y][x] + 0.05 * tooth[y][x] + 0.045 * fine[y][x]
               + rng.uniform(-0.04, 0.04) for x in range(size)] for y in range(size)]
    add_fibres(rng, height, 2600)
    rows = [[(v, v, v) for v in (max(0.45, min(1.0, h)) for h in row)] for row in height]
    write_bmp(path, size, size, rows)


# ---------------------------------------------------------------- buttons

class Sketch:
    """A small picture drawn at SUPERSAMPLING times its size and averaged
    down, so edges come out smooth. Coordinates are button pixels, y down."""

    def __init__(self, face):
        n = BUTTON_SIZE * SUPERSAMPLING
        self.pixels = [[face] * n for _ in range(n)]

    def fill(self, inside, colour):
        n = BUTTON_SIZE * SUPERSAMPLING
        for sy in range(n):
            y = (sy + 0.5) / SUPERSAMPLING
            row = self.pixels[sy]
            for sx in range(n):
                if inside((sx + 0.5) / SUPERSAMPLING, y):
                    row[sx] = colour

    def rows(self):
        s = SUPERSAMPLING
        out = []
        for y in range(BUTTON_SIZE):
            row = []
            for x in range(BUTTON_SIZE):
                block = [self.pixels[y * s + j][x * s + i] for j in range(s) for i in range(s)]
                row.append(tuple(sum(c[k] for c in block) / len(block) for k in range(3)))
            out.append(row)
        return out


def ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def capsule(ax, ay, bx, by, r):
    """Points within r of the segment from a to b."""
    def inside(x, y):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        return (x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2 <= r * r
    return inside


def bevel(sketch, pressed):
    """A raised frame, or a sunken one while the button is pressed."""
    light, dark = (0.97, 0.97, 0.97), (0.35, 0.35, 0.35)
    top_left, bottom_right = (dark, light) if pressed else (light, dark)
    n = BUTTON_SIZE
    sketch.fill(lambda x, y: x > n - 3 or y > n - 3, bottom_right)
    # the corners where the two edges meet are split along the diagonal
    sketch.fill(lambda x, y: (x < 3 or y < 3) and x + y < n, top_left)
    sketch.fill(lambda x, y: x < 1 or y < 1 or x > n - 1 or y > n - 1, (0.25, 0.25, 0.25))


def palette_button(pressed):
    face = (0.72, 0.72, 0.74) if pressed else (0.84, 0.84, 0.86)
    sketch = Sketch(face)
    o = 1.0 if pressed else 0.0  # the picture sinks with the button
    outline, wood = (0.30, 0.22, 0.12), (0.93, 0.82, 0.62)
    sketch.fill(ellipse(16 + o, 16.5 + o, 12.5, 10), outline)
    sketch.fill(ellipse(16 + o, 16.5 + o, 11.5, 9), wood)
    sketch.fill(ellipse(21 + o, 21 + o, 3.4, 2.6), outline)  # the thumb hole
    sketch.fill(ellipse(21 + o, 21 + o, 2.4, 1.7), face)
    for (x, y), colour in (((10, 14), (0.85, 0.10, 0.10)), ((15, 11), (0.98, 0.80, 0.10)),
                           ((21, 12), (0.15, 0.60, 0.20)), ((10, 20), (0.15, 0.30, 0.85)),
                           ((15, 21), (0.55, 0.20, 0.65))):
        sketch.fill(ellipse(x + o, y + o, 2.3, 2.1), colour)
    bevel(sketch, pressed)
    return sketch.rows()


def eyedropper_button(on):
    face = (0.98, 0.90, 0.55) if on else (0.84, 0.84, 0.86)  # lit while picking colours
    sketch = Sketch(face)
    o = 1.0 if on else 0.0
    outline = (0.15, 0.15, 0.18)
    # tip at the lower left, bulb at the upper right
    sketch.fill(capsule(8 + o, 24 + o, 18 + o, 14 + o, 3.1), outline)
    sketch.fill(capsule(9 + o, 23 + o, 18 + o, 14 + o, 2.0), (0.80, 0.90, 0.97))
    sketch.fill(capsule(9 + o, 23 + o, 13 + o, 19 + o, 1.2), (0.20, 0.35, 0.85))  # paint drawn up
    sketch.fill(capsule(16 + o, 16 + o, 20 + o, 12 + o, 3.6), outline)  # collar
    sketch.fill(capsule(20 + o, 12 + o, 23 + o, 9 + o, 4.4), outline)
    sketch.fill(capsule(20 + o, 12 + o, 23 + o, 9 + o, 3.4), (0.75, 0.12, 0.12))  # bulb
    sketch.fill(ellipse(6.5 + o, 26.5 + o, 1.3, 1.6), (0.20, 0.35, 0.85))  # a drop
    bevel(sketch, on)
    return sketch.rows()


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..', 'images')
    os.makedirs(folder, exist_ok=True)
    make_paper(os.path.join(folder, 'default.bmp'))
    for name, rows in (('color-chooser.bmp', palette_button(False)), ('color-chooser-pressed.bmp', palette_button(True)),
                       ('eyedropper.bmp', eyedropper_button(False)), ('eyedropper-on.bmp', eyedropper_button(True))):
        write_bmp(os.path.join(folder, name), BUTTON_SIZE, BUTTON_SIZE, rows)


if __name__ == '__main__':
    main()
