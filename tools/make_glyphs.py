#!/usr/bin/env python3
"""Draws the design-time glyphs of the Search and Settings buttons.

    python3 tools/make_glyphs.py [output directory]   (default: resources/)

search.bmp   20 x 23, 16 colours: a magnifying glass, light-blue lens in a
             black rim at the upper right, dark-red handle to the lower left.
settings.bmp 15 x 16, 256 colours: a pencil lying diagonally, yellow and
             orange body, pink eraser at the upper right, point at the lower
             left.

Each file's colour table holds only the colours the glyph uses (biClrUsed),
not the whole 16 or 256 its pixels could index: the unused entries of the
256-colour table alone were a kilobyte of the DLL's resources.

Both stand on white, and the bottom-left pixel is white: the button takes
that pixel's colour as the transparent one, so no other part of a glyph may
be pure white. Standard library only; the output is the same on every run.
"""

import math
import os
import struct
import sys

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)

# Search glyph colours.
LENS = (166, 202, 240)
LENS_SHINE = (215, 235, 250)
RIM = BLACK
HANDLE = (128, 0, 0)
HANDLE_SHADE = (80, 0, 0)

# Settings glyph colours.
OUTLINE = (64, 64, 64)
YELLOW = (255, 221, 0)
ORANGE = (255, 140, 0)
WOOD = (235, 200, 150)
GRAPHITE = (40, 40, 40)
FERRULE = (170, 170, 170)
PINK = (255, 150, 190)


def write_bmp(path, width, height, bits, palette, pixels):
    """Writes a bottom-up palette BMP; pixels[y][x] index the palette, y=0 at the top.
    The colour table is the palette as given, its length stated in biClrUsed."""
    if len(palette) > 1 << bits:
        raise ValueError(f"{len(palette)} colours do not fit {bits} bits per pixel")
    table = list(palette)
    row_bytes = ((width * bits + 31) // 32) * 4
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        if bits == 8:
            row.extend(pixels[y])
        elif bits == 4:
            line = list(pixels[y]) + [0]
            for x in range(0, width, 2):
                row.append((line[x] << 4) | line[x + 1])
        else:
            raise ValueError("only 4 and 8 bits per pixel")
        row.extend(b"\0" * (row_bytes - len(row)))
        rows.append(bytes(row))
    image = b"".join(rows)
    palette_bytes = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in table)
    offset = 14 + 40 + len(palette_bytes)
    header = struct.pack("<2sIHHI", b"BM", offset + len(image), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(image),
                       2835, 2835, len(table), 0)
    with open(path, "wb") as out:
        out.write(header + info + palette_bytes + image)


def render(width, height, shade):
    """Runs shade(x, y) for each pixel centre; None means background."""
    return [[shade(x + 0.5, y + 0.5) or WHITE for x in range(width)] for y in range(height)]


def index_image(image, palette):
    return [[palette.index(c) for c in row] for row in image]


def search_glyph():
    cx, cy, outer, inner = 12.5, 7.5, 6.9, 4.9
    # Handle: from the rim towards the lower left corner.
    ax, ay = cx - outer * 0.68, cy + outer * 0.68
    bx, by = 1.5, 21.5
    length = math.hypot(bx - ax, by - ay)
    ux, uy = (bx - ax) / length, (by - ay) / length

    def shade(x, y):
        d = math.hypot(x - cx, y - cy)
        if d <= inner:
            # A light spot at the upper left of the lens.
            if math.hypot(x - (cx - 2.2), y - (cy - 2.2)) < 1.6:
                return LENS_SHINE
            return LENS
        if d <= outer:
            return RIM
        t = (x - ax) * ux + (y - ay) * uy
        v = -(x - ax) * uy + (y - ay) * ux
        if -0.5 <= t <= length and abs(v) <= 1.9:
            return HANDLE_SHADE if v > 0.9 else HANDLE
        return None

    palette = [WHITE, BLACK, LENS, LENS_SHINE, HANDLE, HANDLE_SHADE]
    return 20, 23, 4, palette, index_image(render(20, 23, shade), palette)


def settings_glyph():
    # Axis from the point (lower left) to the eraser end (upper right).
    px, py, ex, ey = 0.8, 15.2, 14.4, 1.6
    length = math.hypot(ex - px, ey - py)
    ux, uy = (ex - px) / length, (ey - py) / length
    half = 2.6
    tip = 0.28 * length

    def shade(x, y):
        t = (x - px) * ux + (y - py) * uy
        v = -(x - px) * uy + (y - py) * ux  # > 0 below the axis
        if t < 0 or t > length:
            return None
        if t < tip:
            width = half * t / tip
            if abs(v) > width + 0.5:
                return None
            if t < tip * 0.4:
                return GRAPHITE
            return OUTLINE if abs(v) > width - 0.5 else WOOD
        if abs(v) > half:
            return None
        if abs(v) > half - 0.9:
            return OUTLINE
        if t > length - 3.4:
            return PINK
        if t > length - 4.6:
            return FERRULE
        return ORANGE if v > 0 else YELLOW

    palette = [WHITE, BLACK, OUTLINE, YELLOW, ORANGE, WOOD, GRAPHITE, FERRULE, PINK]
    return 15, 16, 8, palette, index_image(render(15, 16, shade), palette)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources")
    for name, make in (("search.bmp", search_glyph), ("settings.bmp", settings_glyph)):
        width, height, bits, palette, pixels = make()
        assert pixels[height - 1][0] == palette.index(WHITE), name + ": bottom-left is not white"
        write_bmp(os.path.join(out_dir, name), width, height, bits, palette, pixels)


if __name__ == "__main__":
    main()
