#!/usr/bin/env python3
"""Writes the glyph bitmaps of the sample configuration's buttons.

Each glyph is a 16 x 16, 24-bit Windows bitmap named after the button's
caption. Its bottom-left pixel is magenta, the colour the toolbar treats as
transparent. Run from anywhere: python3 tools/make_sample_glyphs.py [dir]
"""
import os
import struct
import sys

PALETTE = {
    ".": (255, 0, 255),   # transparent key
    "k": (0, 0, 0),
    "w": (255, 255, 255),
    "g": (128, 128, 128),
    "l": (192, 192, 192),
    "b": (0, 64, 160),
    "c": (96, 160, 224),
    "r": (160, 32, 32),
    "y": (224, 176, 32),
    "n": (128, 80, 32),
    "e": (32, 128, 64),
}

GLYPHS = {
    # Scales of justice: the service's own mark.
    "Veltrane": [
        "................",
        ".......yy.......",
        ".yyyyyyyyyyyyyy.",
        ".y.....yy.....y.",
        "y.y....yy....y.y",
        "y..y...yy...y..y",
        "yyyyy..yy..yyyyy",
        ".yyy...yy...yyy.",
        ".......yy.......",
        ".......yy.......",
        ".......yy.......",
        ".......yy.......",
        ".....yyyyyy.....",
        "....yyyyyyyy....",
        "................",
        "................",
    ],
    # A case file: a folder with a tab.
    "Cases": [
        "................",
        "................",
        ".nnnnn..........",
        "nyyyyyn.........",
        "nyyyyyynnnnnnnn.",
        "nyyyyyyyyyyyyyyn",
        "nnnnnnnnnnnnnnnn",
        "nyyyyyyyyyyyyyyn",
        "nyywwwwwwwwwyyyn",
        "nyyyyyyyyyyyyyyn",
        "nyywwwwwwwwyyyyn",
        "nyyyyyyyyyyyyyyn",
        "nyyyyyyyyyyyyyyn",
        "nnnnnnnnnnnnnnnn",
        "................",
        "................",
    ],
    # A bound book of statutes, seen from the front.
    "Laws": [
        "................",
        "..rrrrrrrrrrr...",
        ".rrrrrrrrrrrrr..",
        ".rrrrrrrrrrrrr..",
        ".rrryyyyyyyrrr..",
        ".rrrrrrrrrrrrr..",
        ".rrrryyyyyrrrr..",
        ".rrrrrrrrrrrrr..",
        ".rrrrrrrrrrrrr..",
        ".rrrrrrrrrrrrr..",
        ".rrrrrrrrrrrrr..",
        ".rwwwwwwwwwwwr..",
        ".rlllllllllllr..",
        "..rrrrrrrrrrr...",
        "................",
        "................",
    ],
    # A page under a magnifying glass.
    "Lookup": [
        "................",
        ".wwwwwwwww......",
        ".wgggggggw......",
        ".wwwwkkkkk......",
        ".wggkcccckk.....",
        ".wwkccwcccck....",
        ".wgkcwccccck....",
        ".wwkccccccck....",
        ".wgkcccccccck...",
        ".wwwkcccccck....",
        ".wggwkkkkkkrr...",
        ".wwwwwwwwww.rr..",
        "............rr..",
        ".............rr.",
        "..............r.",
        "................",
    ],
    # A stack of forms.
    "Forms": [
        "................",
        "....bbbbbbbbbb..",
        "....bccccccccb..",
        "...bbbbbbbbbbb..",
        "...bwwwwwwwwwb..",
        "..eeeeeeeeeeeb..",
        "..ewwwwwwwwwe...",
        "..ewggggggwwe...",
        "..ewwwwwwwwwe...",
        "..ewggggwwwwe...",
        "..ewwwwwwwwwe...",
        "..ewggggggwwe...",
        "..ewwwwwwwwwe...",
        "..eeeeeeeeeee...",
        "................",
        "................",
    ],
    # Legal terms: an open glossary with a large letter A.
    "Terms": [
        "................",
        "................",
        ".bbbbbbb.bbbbbbb",
        ".bwwwwwwbwwwwwwb",
        ".bwwkkwwbwwwwwwb",
        ".bwkwwkwbwggggwb",
        ".bwkwwkwbwwwwwwb",
        ".bwkkkkwbwggggwb",
        ".bwkwwkwbwwwwwwb",
        ".bwkwwkwbwggggwb",
        ".bwwwwwwbwwwwwwb",
        ".bwwwwwwbwggggwb",
        ".bbbbbbbbbbbbbbb",
        "........b.......",
        "................",
        "................",
    ],
}


def bitmap_file(rows):
    """A bottom-up 24-bit BMP of the rows (top row first)."""
    height = len(rows)
    width = len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for ch in row:
            r, g, b = PALETTE[ch]
            line += bytes((b, g, r))
        line += bytes(stride - len(line))
        pixels += line
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0,
                         len(pixels), 2835, 2835, 0, 0)
    offset = 14 + len(header)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return file_header + header + bytes(pixels)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources", "sample")
    os.makedirs(out_dir, exist_ok=True)
    for caption, rows in GLYPHS.items():
        assert len(rows) == 16 and all(len(r) == 16 for r in rows), caption
        assert rows[-1][0] == ".", caption + ": bottom-left pixel must be the key colour"
        with open(os.path.join(out_dir, caption + ".bmp"), "wb") as f:
            f.write(bitmap_file(rows))
    print("wrote %d glyphs to %s" % (len(GLYPHS), os.path.normpath(out_dir)))


if __name__ == "__main__":
    main()
