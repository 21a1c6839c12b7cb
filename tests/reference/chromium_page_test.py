#!/usr/bin/env python3
"""Checks of the Chromium reference pager on pages made here; run by hand:

    python3 tests/reference/chromium_page_test.py

Skipped when no Chromium is installed. Images are read through ImageMagick's convert as binary PGM.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # no __pycache__ left in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import chromium_page as cp  # noqa: E402

CHROMIUM = os.environ.get("QM_CHROMIUM") or "/usr/bin/chromium"

# Each block is 1000 px high and a grey of its own; the number is 2 * block index, so blocks stay apart
# through PNG and the grey conversion.
BLOCKS = 60


def blocks_page(count):
    rows = "".join(f"<div id='b{i}' style='height:1000px;background:rgb({2 * i},{2 * i},{2 * i})'></div>"
                   for i in range(count))
    return f"<!DOCTYPE html><html><body style='margin:0'>{rows}</body></html>"


def grey_at(png, x, y):
    out = subprocess.run(["convert", png, "-crop", f"1x1+{x}+{y}", "-colorspace", "gray", "-depth", "8", "pgm:-"],
                         check=True, capture_output=True, env=cp.magick_env()).stdout
    return out[-1]


@unittest.skipUnless(shutil.which(CHROMIUM) or os.path.exists(CHROMIUM), "no Chromium")
class ChromiumPagerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="qm-pager-test-")
        cls.pager = cp.ChromiumPager(width=640)

    @classmethod
    def tearDownClass(cls):
        cls.pager.close()
        shutil.rmtree(cls.folder, ignore_errors=True)

    def write(self, name, text):
        path = os.path.join(self.folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as out:
            out.write(text)
        return path

    def check_blocks(self, png, count):
        for i in (0, 17, count // 2, count - 1):
            self.assertEqual(grey_at(png, 320, i * 1000 + 500), 2 * i, f"block {i}")

    def test_page_far_taller_than_any_texture_is_whole(self):
        page = self.write("tall.html", blocks_page(BLOCKS))
        png = os.path.join(self.folder, "tall.png")
        self.assertEqual(self.pager.shot(page, png), (640, BLOCKS * 1000))
        self.check_blocks(png, BLOCKS)

    def test_bands_stack_to_the_same_page(self):
        page = self.write("banded.html", blocks_page(40))
        png = os.path.join(self.folder, "banded.png")
        whole = self.pager._capture_band
        refusals = []

        def refuse_first(*args):
            if not refusals:
                refusals.append(args)
                return None
            return whole(*args)

        self.pager._capture_band = refuse_first
        try:
            self.assertEqual(self.pager.shot(page, png), (640, 40000))
        finally:
            del self.pager._capture_band
        self.assertEqual(refusals[0][2:], (0, 40000))
        self.check_blocks(png, 40)

    def test_awkward_file_name_and_sections_between_anchors(self):
        page = self.write("a b%20 é/ch #1 ü.html", blocks_page(6))
        png = os.path.join(self.folder, "section.png")
        self.assertEqual(self.pager.shot(page, png, fragment="b2", next_ids=["b0", "b4", "b5"]), (640, 2000))
        self.assertEqual(grey_at(png, 10, 10), 4)
        self.assertEqual(self.pager.shot(page, png, next_ids=["b3"]), (640, 3000))
        self.assertEqual(self.pager.shot(page, png, fragment="nowhere"), (640, 6000))
        self.assertEqual(self.pager.anchor_tops(["b1", "nowhere"]), {"b1": 1000, "nowhere": None})

    def test_tall_page_is_measured_in_a_view_of_its_own_height(self):
        # Measured in the first 640 x 600 view, this page would be landscape and 3000 high.
        style = "<style>@media (orientation: portrait) { div { height: 2000px !important } }</style>"
        page = self.write("portrait.html", blocks_page(3).replace("<body", style + "<body"))
        png = os.path.join(self.folder, "portrait.png")
        self.assertEqual(self.pager.shot(page, png), (640, 6000))
        self.assertEqual(grey_at(png, 320, 5500), 4)

    def test_missing_file_is_a_load_failure_naming_it(self):
        missing = os.path.join(self.folder, "gone", "chapter.html")
        with self.assertRaisesRegex(cp.PageLoadError, "gone/chapter.html"):
            self.pager.shot(missing, os.path.join(self.folder, "gone.png"))
        self.assertFalse(os.path.exists(os.path.join(self.folder, "gone.png")))
        # The browser goes on serving pages after a failure.
        self.assertEqual(self.pager.load(self.write("after.html", blocks_page(2))), (640, 2000))



if __name__ == "__main__":
    unittest.main()
