#!/usr/bin/env python3
"""Turns the text pixel maps in res/images/ into the program's .bmp, .ico and .cur files.

Usage: python3 make_images.py OUTPUT_DIR

images/images.txt lists every output, the map it is drawn from and how it is
derived. A map's legend names a colour of the program's palette (palette.h,
which the windows read too) or gives its numbers. The output bytes depend only
on the maps and the palette, so a rebuild reproduces them.
"""

import os
import re
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
IMAGES = os.path.join(HERE, "images")
PALETTE_HEADER = os.path.join(HERE, "palette.h")


class MapError(Exception):
    pass


def read_palette(path=PALETTE_HEADER):
    """The program's colours by name: SCRIBLET_EDIT_TEXT_COLOUR is "edit_text"."""
    palette = {}
    with open(path, encoding="ascii") as f:
        for line in f:
            m = re.fullmatch(r"#define SCRIBLET_(\w+)_COLOUR (\d+), (\d+), (\d+)\s*", line)
            if m:
                palette[m.group(1).lower()] = tuple(int(v) for v in m.group(2, 3, 4))
    return palette


PALETTE = read_palette()
BACKGROUND = PALETTE["background"]
ACCENT = PALETTE["accent"]
# The two colours of a monochrome cursor, and what stands under its
# transparent pixels.
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
TRANSPARENT = None

# A pressed image is its normal image with the two colours exchanged; the
# disabled undo image shows the disabled colour in place of the accent.
DERIVATIONS = {
    "-": {},
    "swap": {ACCENT: BACKGROUND, BACKGROUND: ACCENT},
    "grey": {ACCENT: PALETTE["disabled"]},
}


class PixelMap:
    def __init__(self, name, width, height, legend, rows, hotspot):
        self.name = name
        self.width = width
        self.height = height
        self.legend = legend  # character -> RGB tuple, or TRANSPARENT; in file order
        self.rows = rows  # top row first
        self.hotspot = hotspot


def read_map(path):
    name = os.path.basename(path)
    with open(path, encoding="ascii") as f:
        lines = f.read().splitlines()
    if "---" not in lines:
        raise MapError(f"{name}: no '---' line between the legend and the pixels")
    cut = lines.index("---")
    legend, size, hotspot = {}, None, None
    for line in lines[:cut]:
        m = re.fullmatch(r"'(.)' = (?:\w+ (\d+),(\d+),(\d+)|(transparent)|(\w+))", line)
        if m:
            if m.group(1) in legend:
                raise MapError(f"{name}: '{m.group(1)}' is in the legend twice")
            if m.group(6) and m.group(6) not in PALETTE:
                raise MapError(f"{name}: '{m.group(6)}' is no colour of the palette")
            legend[m.group(1)] = (tuple(int(v) for v in m.group(2, 3, 4)) if m.group(2)
                                  else PALETTE[m.group(6)] if m.group(6) else TRANSPARENT)
        elif m := re.fullmatch(r"size: (\d+)x(\d+)", line):
            size = int(m.group(1)), int(m.group(2))
        elif m := re.fullmatch(r"hotspot: (\d+),(\d+)", line):
            hotspot = int(m.group(1)), int(m.group(2))
        elif not line.startswith("about: "):
            raise MapError(f"{name}: unreadable header line {line!r}")
    if size is None:
        raise MapError(f"{name}: no 'size:' line")
    width, height = size
    rows = lines[cut + 1:]
    # Editors strip trailing blanks; in a map with a transparent colour a blank
    # is transparent, so short and missing trailing rows are restored as such.
    if " " in legend and legend[" "] is TRANSPARENT:
        rows = [r.ljust(width) for r in rows] + [" " * width] * (height - len(rows))
    if len(rows) != height:
        raise MapError(f"{name}: {len(rows)} rows, expected {height}")
    for y, row in enumerate(rows):
        if len(row) != width:
            raise MapError(f"{name}: row {y} is {len(row)} pixels wide, expected {width}")
        for x, c in enumerate(row):
            if c not in legend:
                raise MapError(f"{name}: pixel ({x},{y}) '{c}' is not in the legend")
    return PixelMap(name, width, height, legend, rows, hotspot)


def palette_of(pixmap, derivation):
    """Legend colours, derived, in legend order; transparency is black, so the XOR image leaves the screen alone."""
    colours = []
    for c, rgb in pixmap.legend.items():
        colours.append(BLACK if rgb is TRANSPARENT else derivation.get(rgb, rgb))
    return colours


def dib_header(width, height, bits, colours_used, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 0, 0, colours_used, 0)


def rgbquads(colours):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)


def padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def pixels_8bpp(pixmap):
    index = {c: i for i, c in enumerate(pixmap.legend)}
    return b"".join(padded(bytes(index[c] for c in row)) for row in reversed(pixmap.rows))


def pixels_1bpp(pixmap, is_set):
    out = b""
    for row in reversed(pixmap.rows):
        bits = [1 if is_set(c) else 0 for c in row]
        bits += [0] * (-len(bits) % 8)
        out += padded(bytes(int("".join(map(str, bits[i:i + 8])), 2) for i in range(0, len(bits), 8)))
    return out


def palette_256(colours):
    if len(colours) > 256:
        raise MapError("more than 256 colours")
    return colours + [BLACK] * (256 - len(colours))


def make_bitmap(pixmap, derivation):
    if TRANSPARENT in pixmap.legend.values():
        raise MapError(f"{pixmap.name}: a bitmap cannot be transparent")
    palette = palette_256(palette_of(pixmap, derivation))
    pixels = pixels_8bpp(pixmap)
    offset = 14 + 40 + 4 * 256
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return file_header + dib_header(pixmap.width, pixmap.height, 8, 256, len(pixels)) + rgbquads(palette) + pixels


def icon_file(kind, pixmap, colour_count, field4, field6, image):
    """An .ico (kind 1) or .cur (kind 2) holding one image; a cursor keeps its hot spot in field4/field6."""
    directory = struct.pack("<HHH", 0, kind, 1)
    entry = struct.pack("<BBBBHHII", pixmap.width, pixmap.height, colour_count, 0, field4, field6,
                        len(image), 6 + 16)
    return directory + entry + image


def and_mask(pixmap):
    return pixels_1bpp(pixmap, lambda c: pixmap.legend[c] is TRANSPARENT)


def make_icon(pixmap, derivation):
    if pixmap.width >= 256 or pixmap.height >= 256:
        raise MapError(f"{pixmap.name}: too large for an icon")
    xor = pixels_8bpp(pixmap)
    mask = and_mask(pixmap)
    # The header's height covers the colour image and the mask stacked.
    image = (dib_header(pixmap.width, 2 * pixmap.height, 8, 256, len(xor) + len(mask))
             + rgbquads(palette_256(palette_of(pixmap, derivation))) + xor + mask)
    return icon_file(1, pixmap, 0, 1, 8, image)


def make_cursor(pixmap, derivation):
    if derivation:
        raise MapError(f"{pixmap.name}: a monochrome cursor takes no colour derivation")
    if pixmap.hotspot is None:
        raise MapError(f"{pixmap.name}: a cursor needs a 'hotspot:' line")
    hx, hy = pixmap.hotspot
    if not (0 <= hx < pixmap.width and 0 <= hy < pixmap.height):
        raise MapError(f"{pixmap.name}: hot spot outside the image")
    for c, rgb in pixmap.legend.items():
        if rgb not in (BLACK, WHITE, TRANSPARENT):
            raise MapError(f"{pixmap.name}: '{c}' is neither black, white nor transparent")
    xor = pixels_1bpp(pixmap, lambda c: pixmap.legend[c] == WHITE)
    mask = and_mask(pixmap)
    image = (dib_header(pixmap.width, 2 * pixmap.height, 1, 2, len(xor) + len(mask))
             + rgbquads([BLACK, WHITE]) + xor + mask)
    return icon_file(2, pixmap, 2, hx, hy, image)


MAKERS = {".bmp": make_bitmap, ".ico": make_icon, ".cur": make_cursor}


def read_manifest(path):
    """(output, map file, derivation) for each non-comment line."""
    entries = []
    with open(path, encoding="ascii") as f:
        for n, line in enumerate(f, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            fields = line.split()
            if (len(fields) != 3 or fields[2] not in DERIVATIONS
                    or os.path.splitext(fields[0])[1] not in MAKERS):
                raise MapError(f"images.txt:{n}: expected 'OUTPUT.bmp|.ico|.cur MAP.txt -|swap|grey'")
            entries.append(tuple(fields))
    return entries


def build_all(images_dir=IMAGES):
    """Every output's name and bytes, in manifest order."""
    maps = {}
    outputs = []
    for output, source, how in read_manifest(os.path.join(images_dir, "images.txt")):
        if source not in maps:
            maps[source] = read_map(os.path.join(images_dir, source))
        maker = MAKERS[os.path.splitext(output)[1]]
        outputs.append((output, maker(maps[source], DERIVATIONS[how])))
    return outputs


def main(argv):
    if len(argv) != 2:
        print(f"usage: {argv[0]} OUTPUT_DIR", file=sys.stderr)
        return 2
    try:
        outputs = build_all()
    except (MapError, OSError) as e:
        print(f"make_images: {e}", file=sys.stderr)
        return 1
    os.makedirs(argv[1], exist_ok=True)
    for name, data in outputs:
        with open(os.path.join(argv[1], name), "wb") as f:
            f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
