#!/usr/bin/env python3
"""Checks of the fidelity report's book handling, on books made here; run by hand:

    python3 bench/fidelity_report_test.py
"""

import os
import sys
import tempfile
import unittest
import zipfile

sys.dont_write_bytecode = True  # no __pycache__ left in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import fidelity_report as fr  # noqa: E402

CONTAINER = ('<container xmlns="urn:oasis:names:tc:opendocument:xmlns:container"><rootfiles>'
             '<rootfile full-path="OPS/package.opf"/></rootfiles></container>')


class BookHandlingTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory(prefix="qm-fidelity-test-")
        self.root = self.folder.name

    def tearDown(self):
        self.folder.cleanup()

    def book(self, members):
        path = os.path.join(self.root, "book.epub")
        with zipfile.ZipFile(path, "w") as archive:
            for name, text in members.items():
                archive.writestr(name, text)
        extracted = os.path.join(self.root, "x")
        os.makedirs(extracted)
        fr.extract_book(path, extracted)
        return extracted

    def test_chapter_paths_are_relative_to_the_ncx_folder_when_a_package_lies_below_it(self):
        extracted = self.book({"META-INF/container.xml": CONTAINER, "OPS/package.opf": "<package/>",
                               "OPS/toc.ncx": "<ncx/>"})
        self.assertEqual(fr.navigation_folder(extracted), os.path.join(extracted, "OPS"))

    def test_an_ncx_below_the_package_folder_gives_way_to_the_container(self):
        extracted = self.book({"META-INF/container.xml": CONTAINER, "OPS/package.opf": "<package/>",
                               "OPS/xhtml/toc.ncx": "<ncx/>"})
        self.assertEqual(fr.navigation_folder(extracted), os.path.join(extracted, "OPS"))

    def test_members_leading_outside_the_book_are_refused(self):
        with self.assertRaisesRegex(fr.BookFailure, "outside"):
            self.book({"OPS/../../escape.txt": "x"})
        self.assertFalse(os.path.exists(os.path.join(self.root, "escape.txt")))

    def test_section_between_anchors_of_other_rows(self):
        tops = {"a": 100.0, "b": 900.0, "c": 400.0, "gone": None}
        self.assertEqual(fr.chromium_page.section_bounds(tops, "a", ["b", "c", "gone"]), (100.0, 400.0))
        self.assertEqual(fr.chromium_page.section_bounds(tops, "b", ["a", "c"]), (900.0, None))
        self.assertEqual(fr.chromium_page.section_bounds(tops, None, ["b", "c"]), (0.0, 400.0))
        self.assertEqual(fr.chromium_page.section_bounds(tops, "gone", ["a"]), (0.0, None))

    def test_lines_drifting_apart_match_but_a_missing_line_does_not(self):
        width = 40
        # Lines of text as dark strips of lengths that vary from line to line, like the ends of lines do.
        text = []
        for n in range(120):
            ink = 3 + n * 13 % 37
            text += [[0] * ink + [255] * (width - ink)] * 9 + [[255] * width] * 14
        drifted = []
        for number, row in enumerate(text):
            drifted.append(row)
            if number % 400 == 0:
                drifted.append([255] * width)
        missing = text[:1000] + text[1023:]

        def page(rows):
            rows = rows[: len(text) - 30]
            return width, len(rows), bytes(v for row in rows for v in row)

        # Against another engine lines may drift; against the same engine they may not.
        drift = fr.REFERENCES["chromium"][1].drift_rows
        self.assertLess(fr.mean_difference(page(text), page(drifted), drift)[1], 1.0)
        self.assertGreater(fr.mean_difference(page(text), page(missing), drift)[1], 20.0)
        self.assertGreater(fr.mean_difference(page(text), page(drifted), fr.SAME_ENGINE.drift_rows)[1],
                           fr.SAME_ENGINE.threshold)

    def test_svg_size_from_its_attributes_else_its_view_box_at_the_page_width(self):
        path = os.path.join(self.root, "p.svg")
        for svg, size in (('width="736px" height="1162px" viewBox="0 0 368 581"', (736, 1162)),
                          ('viewBox="0 0 400 300"', (800, 600)), ('', None)):
            with open(path, "w") as out:
                out.write(f'<svg xmlns="http://www.w3.org/2000/svg" {svg}/>')
            self.assertEqual(fr.svg_intrinsic_size(path, 800), size)


if __name__ == "__main__":
    unittest.main()
