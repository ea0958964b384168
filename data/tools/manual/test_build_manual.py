#!/usr/bin/env python3
"""Tests of the manual's generator: what each piece of Markdown becomes in
the RTF document and the HTML help, and the mistakes it refuses."""

import os
import struct
import sys
import tempfile
import unittest
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import build_manual  # noqa: E402


def tiny_png(width=3, height=2):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    rows = b"".join(b"\x00" + b"\xff\x00\x00" * width for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


CHAPTER_1 = """# Начало {#start}

Текст с **жирным** словом, клавишей `F2` и [ссылкой](#details).

## Подробности {#details}

- первый пункт
  продолжается здесь
- второй с **`Ctrl+Z`**

1. раз
2. два

![Окно «Структура»](../shots/pic.png)

### Без якоря

Символ вне кодовой страницы: ≠, фигурные {скобки} и \\ обратная черта.
"""

CHAPTER_2 = """# Второе {#second}

Назад к [началу](#start).
"""


class Fixture:
    def __init__(self, chapters):
        self.tmp = tempfile.TemporaryDirectory()
        root = self.tmp.name
        self.source = os.path.join(root, "manual")
        os.makedirs(self.source)
        os.makedirs(os.path.join(root, "shots"))
        with open(os.path.join(root, "shots", "pic.png"), "wb") as f:
            f.write(tiny_png())
        for name, text in chapters.items():
            with open(os.path.join(self.source, name), "w", encoding="utf-8") as f:
                f.write(text)
        self.rtf = os.path.join(root, "out", "Руководство пользователя.rtf")
        self.html = os.path.join(root, "html")

    def build(self):
        return build_manual.main([self.source, "--rtf", self.rtf, "--html", self.html])

    def read(self, *path, encoding="utf-8"):
        with open(os.path.join(*path), "rb") as f:
            data = f.read()
        return data.decode(encoding)


class Outputs(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.fx = Fixture({"020-second.md": CHAPTER_2, "010-start.md": CHAPTER_1})
        assert cls.fx.build() == 0
        cls.rtf = cls.fx.read(cls.fx.rtf, encoding="ascii")
        cls.index = cls.fx.read(cls.fx.html, "index.html")

    @classmethod
    def tearDownClass(cls):
        cls.fx.tmp.cleanup()

    def test_rtf_is_windows_1251_with_every_piece(self):
        rtf = self.rtf
        self.assertTrue(rtf.startswith("{\\rtf1\\ansi\\ansicpg1251"))
        self.assertIn("\r\n", rtf)
        # Cyrillic as code page bytes ("Н" is 0xcd), the rest as Unicode.
        self.assertIn("\\'cd\\'e0\\'f7\\'e0\\'eb\\'ee", rtf)
        self.assertIn("\\u8800?", rtf)
        self.assertIn("\\{\\'f1\\'ea\\'ee\\'e1\\'ea\\'e8\\} \\'e8 \\\\ ", rtf)
        self.assertIn("{\\b \\'e6", rtf)
        self.assertIn("{\\b {\\f2\\fs20 Ctrl+Z}}", rtf)
        self.assertIn('HYPERLINK \\\\l "m_details"', rtf)
        self.assertIn("{\\*\\bkmkstart m_details}", rtf)
        self.assertIn("PAGEREF m_details", rtf)
        # A heading without an anchor gets a bookmark of its own; the
        # contents list chapters and sections only.
        self.assertIn("{\\*\\bkmkstart m_r_1_1_1}", rtf)
        self.assertNotIn("PAGEREF m_r_1_1_1", rtf)
        self.assertIn("\\'95\\tab \\'ef\\'e5\\'f0\\'e2\\'fb\\'e9 \\'ef\\'f3\\'ed\\'ea\\'f2 "
                      "\\'ef\\'f0\\'ee\\'e4\\'ee\\'eb\\'e6", rtf)  # a continued item is one item
        self.assertIn("2.\\tab ", rtf)
        self.assertIn("\\pngblip\\picw3\\pich2\\picwgoal45\\pichgoal30", rtf)
        self.assertIn(tiny_png().hex()[:64], rtf.replace("\r\n", ""))
        # The chapters in the order of their numbers.
        self.assertLess(rtf.index("m_start"), rtf.index("m_second"))

    def test_html_is_utf8_with_anchors_pictures_and_pages_per_anchor(self):
        index = self.index
        self.assertIn('<meta charset="utf-8">', index)
        self.assertIn('<h1 id="start">1. Начало</h1>', index)
        self.assertIn('<h2 id="details">1.1. Подробности</h2>', index)
        self.assertIn('<h3 id="r-1-1-1">', index)
        self.assertIn('<strong>жирным</strong>', index)
        self.assertIn('<code>F2</code>', index)
        self.assertIn('<a href="#details">ссылкой</a>', index)
        self.assertIn('<li>первый пункт продолжается здесь</li>', index)
        self.assertIn('<img src="images/pic.png" width="3" height="2" alt="Окно «Структура»">', index)
        self.assertIn("{скобки} и \\ обратная", index)
        self.assertEqual(sorted(os.listdir(os.path.join(self.fx.html, "go"))),
                         ["details.html", "second.html", "start.html"])
        page = self.fx.read(self.fx.html, "go", "details.html")
        self.assertIn('url=../index.html#details"', page)
        self.assertTrue(os.path.isfile(os.path.join(self.fx.html, "images", "pic.png")))


class Mistakes(unittest.TestCase):
    CASES = [
        ("nested list", "# T\n\n- a\n  - b\n", "010-a.md:4: lists have one level only"),
        ("deep heading", "# T\n\n#### D\n", "010-a.md:3: headings go down to ### only"),
        ("table", "# T\n\n| a | b |\n", "010-a.md:3: tables are not used"),
        ("unknown anchor", "# T\n\nSee [x](#nowhere).\n", "010-a.md:3: no heading has the anchor #nowhere"),
        ("outside link", "# T\n\nSee [x](http://example.org).\n", "010-a.md:3: a link leads to an anchor"),
        ("missing picture", "# T\n\n![c](../shots/none.png)\n", "010-a.md:3: no PNG picture"),
        ("picture in text", "# T\n\nSee ![c](../shots/pic.png) here\n", "010-a.md:3: a picture stands"),
        ("no title", "Text first.\n", "010-a.md: a chapter begins with its title"),
        ("two titles", "# T\n\n# U\n", "010-a.md: one \"# \" title per chapter"),
        ("same anchor", "# T {#a}\n\n## U {#a}\n", "010-a.md:3: anchor #a is used twice"),
        ("bad anchor", "# T {#a b}\n", "010-a.md:1: an anchor {#name} ends a heading"),
        ("unmatched bold", "# T\n\nSome **bold.\n", "010-a.md:3: unmatched ** or `"),
    ]

    def test_each_mistake_names_its_file_and_line(self):
        for name, text, message in self.CASES:
            with self.subTest(name):
                fx = Fixture({"010-a.md": text})
                self.addCleanup(fx.tmp.cleanup)
                with self.assertRaises(build_manual.ManualError) as caught:
                    build_manual.Manual(fx.source)
                self.assertIn(message, str(caught.exception))

    def test_chapter_files_are_numbered(self):
        fx = Fixture({"intro.md": "# T\n"})
        self.addCleanup(fx.tmp.cleanup)
        with self.assertRaises(build_manual.ManualError) as caught:
            build_manual.Manual(fx.source)
        self.assertIn("NNN-slug.md: intro.md", str(caught.exception))

    def test_a_failed_build_leaves_no_document(self):
        fx = Fixture({"010-a.md": "# T\n\n[x](#none)\n"})
        self.addCleanup(fx.tmp.cleanup)
        self.assertEqual(fx.build(), 1)
        self.assertFalse(os.path.exists(fx.rtf))


if __name__ == "__main__":
    unittest.main()
