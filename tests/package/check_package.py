#!/usr/bin/env python3
"""Makes the release package with CPack into a scratch folder and reads it back:
its name, exactly the files a Windows user gets, the read-me's CR LF line
ends, and the program and the format description as built and written."""

import argparse
import os
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree
import zipfile

sys.dont_write_bytecode = True  # keeps the source tree free of caches

ARGS = None


def without_link_time(image):
    """The program's bytes with the PE header's time stamp cleared, and the
    image checksum that covers it: strip writes the time it runs there, so
    two strips a second apart differ in both."""
    header = struct.unpack_from("<I", image, 0x3C)[0]
    cleared = bytearray(image)
    cleared[header + 8:header + 12] = bytes(4)    # the file header's TimeDateStamp
    cleared[header + 88:header + 92] = bytes(4)   # the optional header's CheckSum
    return bytes(cleared)


class Package(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory()
        made = subprocess.run([ARGS.cpack, "--config", ARGS.config, "-B", cls.scratch.name],
                              capture_output=True, text=True)
        if made.returncode != 0:
            raise AssertionError("cpack failed:\n" + made.stdout + made.stderr)
        cls.zips = sorted(name for name in os.listdir(cls.scratch.name) if name.endswith(".zip"))

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def read(self, name):
        expected = "scriblet-%s-win%s.zip" % (ARGS.version, ARGS.bits)
        self.assertEqual(self.zips, [expected])
        with zipfile.ZipFile(os.path.join(self.scratch.name, expected)) as package:
            files = sorted(entry.filename for entry in package.infolist() if not entry.is_dir())
            self.assertEqual(files, ["README.txt", "docs/notes-file.md", "scriblet.exe"])
            return package.read(name)

    def test_read_me_is_plain_text_with_cr_lf_line_ends(self):
        text = self.read("README.txt")
        self.assertTrue(text.endswith(b"\r\n"))
        self.assertEqual(text.count(b"\n"), text.count(b"\r\n"))
        self.assertEqual(text.count(b"\r"), text.count(b"\r\n"))
        self.assertTrue(all(32 <= byte < 127 for byte in text.replace(b"\r\n", b"")), "not plain ASCII")
        first = text.split(b"\r\n")[0].decode()
        self.assertIn(ARGS.version, first)
        self.assertIn("%s-bit" % ARGS.bits, first)
        for needed in (b"notes.txt", b"docs\\notes-file.md", b"Program Files"):
            self.assertIn(needed, text)

    def test_format_description_is_the_one_written(self):
        with open(ARGS.docs, "rb") as docs:
            self.assertEqual(self.read("docs/notes-file.md"), docs.read())

    def test_program_is_the_built_one_without_its_symbols(self):
        program = self.read("scriblet.exe")
        expected = ARGS.program
        if ARGS.strip:
            expected = os.path.join(self.scratch.name, "stripped.exe")
            subprocess.run([ARGS.strip, "-o", expected, ARGS.program], check=True)
        with open(expected, "rb") as built:
            self.assertTrue(without_link_time(program) == without_link_time(built.read()), "not the built program")
        # Windows refuses to start a program whose manifest is not well-formed
        # XML; Wine starts it all the same, so it is read here.
        start, end = program.find(b"<?xml"), program.find(b"</assembly>")
        self.assertTrue(0 <= start < end, "no manifest")
        root = ElementTree.fromstring(program[start:end + len(b"</assembly>")])
        self.assertEqual(root.tag, "{urn:schemas-microsoft-com:asm.v1}assembly")


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    for option in ("--cpack", "--config", "--version", "--bits", "--program", "--strip", "--docs"):
        parser.add_argument(option, required=option != "--strip", default="")
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest)
