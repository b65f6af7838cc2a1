#!/usr/bin/env python3
"""Runs res/make_images.py and reads every file it makes back with readers of
its own, checking what Windows and the buttons rely on."""

import os
import struct
import subprocess
import sys
import tempfile
import unittest

RES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "res")
GENERATOR = os.path.join(RES, "make_images.py")

sys.dont_write_bytecode = True  # keeps the source tree free of caches
sys.path.insert(0, RES)
import make_images  # noqa: E402

WHITE, ACCENT, GREY, BLACK = (255, 255, 255), (102, 102, 255), (192, 192, 192), (0, 0, 0)
# The colours the maps may name, as the program has them.
PALETTE = {"background": WHITE, "accent": ACCENT}

# name: (width, height, the colours it shows)
BITMAPS = {
    "DELBUTTONU.bmp": (23, 23, {ACCENT, WHITE}),
    "DELBUTTOND.bmp": (23, 23, {ACCENT, WHITE}),
    "UNDOBUTTONU.bmp": (23, 23, {ACCENT, WHITE}),
    "UNDOBUTTOND.bmp": (23, 23, {ACCENT, WHITE}),
    "UNDOBUTTONX.bmp": (23, 23, {GREY, WHITE}),
    "DATEBUTTONU.bmp": (22, 21, {ACCENT, WHITE}),
    "DATEBUTTOND.bmp": (22, 21, {ACCENT, WHITE}),
    "OKU.bmp": (56, 23, {ACCENT, WHITE}),
    "OKD.bmp": (56, 23, {ACCENT, WHITE}),
    "OKF.bmp": (56, 23, {ACCENT, WHITE}),
}
SWAP = {ACCENT: WHITE, WHITE: ACCENT}
# derived image: (the image it comes from, colour mapping)
DERIVED = {
    "DELBUTTOND.bmp": ("DELBUTTONU.bmp", SWAP),
    "UNDOBUTTOND.bmp": ("UNDOBUTTONU.bmp", SWAP),
    "OKD.bmp": ("OKU.bmp", SWAP),
    "UNDOBUTTONX.bmp": ("UNDOBUTTONU.bmp", {ACCENT: GREY}),
}


def run_generator(out_dir):
    return subprocess.run([sys.executable, GENERATOR, out_dir], capture_output=True, text=True)


def u32(data, at):
    return struct.unpack_from("<I", data, at)[0]


def read_dib(test, data, width, height, bits, colours, has_mask):
    """Top row first: RGB tuples, or None where the AND mask lets the screen through."""
    (size, w, h, planes, bpp, compression, image_size, _, _, used, _) = struct.unpack_from("<IiiHHIIiiII", data, 0)
    test.assertEqual((size, w, h, planes, bpp, compression), (40, width, height * (2 if has_mask else 1), 1, bits, 0))
    test.assertIn(used, (0, colours))
    palette = [(data[i + 2], data[i + 1], data[i]) for i in range(40, 40 + 4 * colours, 4)]
    stride = (width * bits + 31) // 32 * 4
    mask_stride = (width + 31) // 32 * 4
    xor_at = 40 + 4 * colours
    and_at = xor_at + stride * height
    end = and_at + (mask_stride * height if has_mask else 0)
    test.assertEqual(len(data), end)
    test.assertEqual(image_size, end - xor_at)

    def bit(at, x):
        return data[at + x // 8] >> (7 - x % 8) & 1

    rows = []
    for y in range(height):
        line = height - 1 - y  # stored bottom-up
        row = []
        for x in range(width):
            at = xor_at + line * stride
            index = data[at + x] if bits == 8 else bit(at, x)
            if has_mask and bit(and_at + line * mask_stride, x):
                test.assertEqual(palette[index], BLACK, f"XOR colour under a transparent pixel ({x},{y})")
                row.append(None)
            else:
                row.append(palette[index])
        rows.append(row)
    return rows


def read_bmp(test, data, width, height):
    test.assertEqual(data[:2], b"BM")
    test.assertEqual(u32(data, 2), len(data))
    test.assertEqual(u32(data, 10), 14 + 40 + 4 * 256)
    return read_dib(test, data[14:], width, height, 8, 256, False)


def read_icon_file(test, data, kind):
    """The single directory entry and the image it points to."""
    test.assertEqual(struct.unpack_from("<HHH", data, 0), (0, kind, 1))
    entry = struct.unpack_from("<BBBBHHII", data, 6)
    test.assertEqual(entry[7], 22)
    test.assertEqual(entry[7] + entry[6], len(data))
    return entry, data[22:]


def read_map(name):
    """A pixel map's rows as RGB tuples (None for transparent)."""
    with open(os.path.join(RES, "images", name), encoding="ascii") as f:
        header, body = f.read().split("\n---\n")
    legend = {}
    for line in header.splitlines():
        if line.startswith("'"):
            value = line.split(" = ")[1]
            if value == "transparent":
                legend[line[1]] = None
            elif value in PALETTE:
                legend[line[1]] = PALETTE[value]
            else:
                legend[line[1]] = tuple(map(int, value.split()[1].split(",")))
        elif line.startswith("size: "):
            width, height = map(int, line[6:].split("x"))
    rows = [r.ljust(width) for r in body.splitlines()]
    rows += [" " * width] * (height - len(rows))
    return [[legend[c] for c in r] for r in rows]


def outside(rows):
    """White pixels reachable from the image's left corners: the space around a drawn shape."""
    h, w = len(rows), len(rows[0])
    todo, seen = [(0, 0), (0, h - 1)], set()
    while todo:
        x, y = todo.pop()
        if (x, y) in seen or not (0 <= x < w and 0 <= y < h) or rows[y][x] != WHITE:
            continue
        seen.add((x, y))
        todo += [(x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)]
    return seen


class GeneratedImages(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.files = []
        for _ in range(2):
            with tempfile.TemporaryDirectory() as out:
                result = run_generator(out)
                if result.returncode != 0:
                    raise AssertionError(f"generator failed: {result.stderr}")
                made = {}
                for name in sorted(os.listdir(out)):
                    with open(os.path.join(out, name), "rb") as f:
                        made[name] = f.read()
                cls.files.append(made)
        cls.made = cls.files[0]
        cls.pixels = {}

    def bitmap(self, name):
        if name not in self.pixels:
            width, height, _ = BITMAPS[name]
            self.pixels[name] = read_bmp(self, self.made[name], width, height)
        return self.pixels[name]

    def assertSamePixels(self, actual, expected):
        # unittest's own diff of two large pictures takes minutes; name the first difference instead.
        self.assertEqual((len(actual), len(actual[0])), (len(expected), len(expected[0])))
        for y, (got, want) in enumerate(zip(actual, expected)):
            for x, (a, e) in enumerate(zip(got, want)):
                if a != e:
                    self.fail(f"pixel ({x},{y}) is {a}, expected {e}")

    def test_makes_every_image_and_the_same_bytes_each_time(self):
        self.assertEqual(set(self.made), set(BITMAPS) | {"scriblet.ico", "handcur.cur"})
        self.assertTrue(self.files[0] == self.files[1], "two runs made different bytes")

    def test_bitmaps_are_256_colour_images_of_their_size_and_colours(self):
        for name, (_, _, colours) in BITMAPS.items():
            with self.subTest(name):
                self.assertEqual({c for row in self.bitmap(name) for c in row}, colours)

    def test_drawn_bitmaps_show_their_maps(self):
        drawn = {"DELBUTTONU.bmp": "delbutton_u.txt", "UNDOBUTTONU.bmp": "undobutton_u.txt",
                 "DATEBUTTONU.bmp": "datebutton_u.txt", "DATEBUTTOND.bmp": "datebutton_d.txt",
                 "OKU.bmp": "ok_u.txt", "OKF.bmp": "ok_f.txt"}
        for name, source in drawn.items():
            with self.subTest(name):
                self.assertSamePixels(self.bitmap(name), read_map(source))

    def test_pressed_and_disabled_images_recolour_the_normal_image(self):
        for name, (base, mapping) in DERIVED.items():
            with self.subTest(name):
                expected = [[mapping.get(c, c) for c in row] for row in self.bitmap(base)]
                self.assertSamePixels(self.bitmap(name), expected)

    def test_pressed_date_button_fills_the_same_tab(self):
        normal, pressed = self.bitmap("DATEBUTTONU.bmp"), self.bitmap("DATEBUTTOND.bmp")
        self.assertTrue(outside(normal))
        self.assertTrue(outside(normal) == outside(pressed), "the space around the tab differs")
        self.assertGreater(sum(row.count(ACCENT) for row in pressed), sum(row.count(ACCENT) for row in normal))

    def test_focused_close_button_frames_the_pressed_letters(self):
        focus, pressed = self.bitmap("OKF.bmp"), self.bitmap("OKD.bmp")
        width, height, _ = BITMAPS["OKF.bmp"]
        # Within the frame it shows the pressed image's letters on the accent.
        self.assertSamePixels([row[4:-4] for row in focus[4:-4]], [row[4:-4] for row in pressed[4:-4]])

        def ring(inset):
            xs, ys = range(inset, width - inset), range(inset, height - inset)
            return ({focus[inset][x] for x in xs} | {focus[height - 1 - inset][x] for x in xs}
                    | {focus[y][inset] for y in ys} | {focus[y][width - 1 - inset] for y in ys})

        self.assertEqual(ring(0), {ACCENT})
        self.assertEqual(ring(2), {WHITE})

    def test_icon_is_32_by_32_with_256_colours_and_a_mask(self):
        (width, height, colours, reserved, planes, bits, _, _), image = read_icon_file(self, self.made["scriblet.ico"], 1)
        self.assertEqual((width, height, colours, reserved, planes, bits), (32, 32, 0, 0, 1, 8))
        rows = read_dib(self, image, 32, 32, 8, 256, True)
        self.assertSamePixels(rows, read_map("icon.txt"))
        self.assertEqual({c for row in rows for c in row}, {ACCENT, WHITE, None})

    def test_cursor_is_monochrome_with_its_hot_spot_at_the_finger_tip(self):
        (width, height, _, reserved, hot_x, hot_y, _, _), image = read_icon_file(self, self.made["handcur.cur"], 2)
        self.assertEqual((width, height, reserved, hot_x, hot_y), (32, 32, 0, 11, 6))
        rows = read_dib(self, image, 32, 32, 1, 2, True)
        self.assertSamePixels(rows, read_map("handcur.txt"))
        self.assertEqual({c for row in rows for c in row}, {BLACK, WHITE, None})
        self.assertEqual(rows[6][11], BLACK)
        self.assertEqual(rows[7][11], WHITE)
        self.assertTrue(all(c is None for row in rows[:6] for c in row), "nothing may stand above the tip")


class BrokenMaps(unittest.TestCase):
    """A slip in a map must stop the build, not make a wrong picture."""

    GOOD = "about: t\nsize: 3x2\n'#' = accent 102,102,255\n'.' = white 255,255,255\n---\n#.#\n.#.\n"
    CURSOR = GOOD.replace("size: 3x2", "size: 3x2\nhotspot: 1,1").replace("accent 102,102,255", "black 0,0,0")

    def build(self, map_text, manifest="A.bmp m.txt -\n"):
        with tempfile.TemporaryDirectory() as d:
            for name, text in (("images.txt", manifest), ("m.txt", map_text)):
                with open(os.path.join(d, name), "w") as f:
                    f.write(text)
            return make_images.build_all(d)

    def test_widths_that_need_row_padding(self):
        [(_, bitmap)] = self.build(self.GOOD)
        self.assertEqual(read_bmp(self, bitmap, 3, 2), [[ACCENT, WHITE, ACCENT], [WHITE, ACCENT, WHITE]])
        [(_, cursor)] = self.build(self.CURSOR, "C.cur m.txt -\n")
        _, image = read_icon_file(self, cursor, 2)
        self.assertEqual(read_dib(self, image, 3, 2, 1, 2, True), [[BLACK, WHITE, BLACK], [WHITE, BLACK, WHITE]])

    def test_faults_are_reported(self):
        cases = {
            "short row": (self.GOOD.replace("#.#\n", "#.\n"), None),
            "long row": (self.GOOD.replace("#.#\n", "#.##\n"), None),
            "missing row": (self.GOOD.replace(".#.\n", ""), None),
            "unknown colour": (self.GOOD.replace("#.#", "#x#"), None),
            "colour not in the palette": (self.GOOD.replace("accent 102,102,255", "mauve"), None),
            "colour listed twice": (self.GOOD.replace("---", "'#' = white 255,255,255\n---"), None),
            "no size": (self.GOOD.replace("size: 3x2\n", ""), None),
            "no separator": (self.GOOD.replace("---\n", ""), None),
            "stray header line": (self.GOOD.replace("about: t", "sise: 3x2"), None),
            "transparent bitmap": (self.GOOD.replace("white 255,255,255", "transparent"), None),
            "cursor without hot spot": (self.GOOD.replace("accent 102,102,255", "black 0,0,0"), "C.cur m.txt -\n"),
            "coloured cursor": (self.CURSOR.replace("black 0,0,0", "accent 102,102,255"), "C.cur m.txt -\n"),
            "hot spot outside": (self.CURSOR.replace("hotspot: 1,1", "hotspot: 3,0"), "C.cur m.txt -\n"),
            "derived cursor": (self.CURSOR, "C.cur m.txt swap\n"),
            "unknown derivation": (self.GOOD, "A.bmp m.txt invert\n"),
            "unknown output kind": (self.GOOD, "A.png m.txt -\n"),
        }
        for case, (text, manifest) in cases.items():
            with self.subTest(case):
                with self.assertRaises(make_images.MapError):
                    self.build(text, manifest or "A.bmp m.txt -\n")


if __name__ == "__main__":
    unittest.main()
