#!/usr/bin/env python3
"""Quillmark's pages against the same engine's drawing of the same chapters by code of its own (qtwebengine_page.py,
through bench/fidelity_report.py).

A small fixture book shows each fault a capture can have: a bar along the right edge and one along the
foot, a picture sized by the page's width, a right-to-left paragraph, a chapter far taller than one piece of a
capture in bands of colour, rows that share one file by its anchors. With a few chapters of real books, every
page must match its reference. The comparison itself must catch a cut edge, a wrong height and a stale piece:
each is made on purpose from a good page and must be found.

Both sides draw with the same Qt WebEngine, so pages must agree to within the noise of a JPEG at quality 100.
Run by CTest with the path of quillmark-cli and a pinned font configuration; needs PyQt6's Qt WebEngine
(python3-pyqt6.qtwebengine) and ImageMagick (skipped without them).
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "bench"))
sys.dont_write_bytecode = True
import fidelity_report  # noqa: E402
import qtwebengine_page  # noqa: E402
from chromium_page import magick_env  # noqa: E402
from qtwebengine_page import QtWebEnginePager  # noqa: E402

CLI = os.environ.get("QM_CLI", os.path.join(ROOT, "build", "src", "cli", "quillmark-cli"))
CORPUS = os.environ.get("QM_CORPUS_DIR") or os.path.join(os.path.dirname(ROOT), "shared", "corpus")
# Chapters of real books: justified English, Cyrillic, right-to-left Arabic, a Spanish book with a cover wider
# than the page, photographs as chapters, sections of one file, long chapters, fixed-layout SVG pages sized by
# their viewport, vertical Japanese. Left out: jlreq's six pages wider than the view, which Quillmark lays out
# once more at their content's width and the reference until their size settles (1 to 3 % shorter).
CORPUS_BOOKS = {
    "calibre-quick_start-eng.epub": None,
    "epubjs-alice.epub": None,
    "debian-ubuntu-packaging-guide-ru.epub": 4,
    "made-bit3-data-descriptors-regime-anticancer-arabic.epub": None,
    "epubrs-test-todo-es-mio.epub": 3,
    "idpf-haruko-jpeg.epub": 4,
    "idpf-childrens-literature.epub": None,
    "idpf-sous-le-vent_svg-in-spine.epub": 4,
    "idpf-kusamakura-japanese-vertical-writing.epub": 4,
}


def page(body, style="body{margin:0;font:16px serif}"):
    return ("<?xml version='1.0' encoding='utf-8'?><html xmlns='http://www.w3.org/1999/xhtml'><head><title>t"
            "</title><style>" + style + "</style></head><body>" + body + "</body></html>")


def fixture_book(path, folder):
    """Writes the fixture book to `path`; its picture is drawn into `folder` first."""
    picture = os.path.join(folder, "picture.png")
    # A picture twice as wide as the page, whose last rows are red: scaled to the page's width, its foot must
    # still be on the page.
    subprocess.run(["convert", "-size", "1600x1000", "xc:#3060a0", "-fill", "#e02020", "-draw",
                    "rectangle 0,980 1599,999", picture], check=True)
    bands = "".join(f"<div style='height:1000px;background:#{colour}'></div>"
                    for colour in ["d01010", "10a040", "1030c0", "e0c020"] * 3)
    prose = "<p>" + " ".join(["Words that wrap across the whole width of the page, justified."] * 12) + "</p>"
    chapters = [
        ("edges", "edges.xhtml", page("<div style='height:700px;border-right:1px solid #000;"
                                      "border-bottom:1px solid #000'>" + prose + "</div>",
                                      "body{margin:0;font:16px serif;text-align:justify}")),
        ("picture", "picture.xhtml", page("<p>Above.</p><img src='picture.png' style='max-width:100%' "
                                          "alt=''/>")),
        ("rtl", "rtl.xhtml", page("<p dir='rtl' style='font-size:22px'>" +
                                  "مرحبا بكم في هذا الكتاب الذي يقرأ من اليمين إلى اليسار " * 6 + "</p>")),
        ("bands", "bands.xhtml", page(bands)),
        ("whole", "parts.xhtml", page("<h1>Parts</h1>" + prose + "<h2 id='one'>One</h2>" + prose * 2 +
                                      "<h2 id='two'>Two</h2>" + prose)),
        ("one", "parts.xhtml#one", None),
        ("two", "parts.xhtml#two", None),
        # XHTML as XHTML: self-closed elements close, and a file without a document type is no quirks page.
        ("self-closed", "closed.xhtml",
         "<?xml version='1.0' encoding='utf-8'?><html xmlns='http://www.w3.org/1999/xhtml'><head><title/>"
         "<script src='none.js'/><style>body{margin:0;font:16px serif} td{height:50%}</style></head><body><div/>"
         "<p>Text after self-closed elements.</p><a id='here'/><table style='height:300px'><tr><td>cell</td></tr>"
         "</table></body></html>"),
        # Not well-formed XML: shown as HTML, never as the parser's error.
        ("malformed", "broken.xhtml", "<html><body style='margin:0;font:16px serif'><p>Unclosed<br>paragraph"
         "</body></html>"),
        # A page of fixed layout: drawn at the size it declares, its box as tall as that.
        ("fixed", "fixed.xhtml",
         "<?xml version='1.0' encoding='utf-8'?><html xmlns='http://www.w3.org/1999/xhtml'><head><title>f</title>"
         "<meta name='viewport' content='width=600, height=800'/><style>html,body{margin:0;height:100%}</style>"
         "</head><body><div style='height:100%;border-bottom:6px solid #e02020;box-sizing:border-box;"
         "background:#2050a0'></div></body></html>"),
        # A picture as tall as its viewport, as a cover is.
        ("viewport", "cover.svg", "<svg xmlns='http://www.w3.org/2000/svg' width='100%' height='100%' "
         "viewBox='0 0 400 300' preserveAspectRatio='none'><rect width='400' height='300' fill='#2050a0'/>"
         "<rect y='290' width='400' height='10' fill='#e02020'/></svg>"),
    ]
    types = {".svg": "image/svg+xml"}
    manifest = "".join(f"<item id='i{n}' href='{href}' "
                       f"media-type='{types.get(os.path.splitext(href)[1], 'application/xhtml+xml')}'/>"
                       for n, (_, href, _) in enumerate(chapters))
    manifest += "<item id='pic' href='picture.png' media-type='image/png'/>"
    spine = "".join(f"<itemref idref='i{n}'" + (" properties='rendition:layout-pre-paginated'" if href == "fixed.xhtml"
                                                else "") + "/>" for n, (_, href, _) in enumerate(chapters))
    nav = "".join(f"<navPoint id='n{n}' playOrder='{n + 1}'><navLabel><text>{title}</text></navLabel>"
                  f"<content src='{href}'/></navPoint>" for n, (title, href, _) in enumerate(chapters))
    with zipfile.ZipFile(path, "w") as book:
        book.writestr("mimetype", "application/epub+zip", compress_type=zipfile.ZIP_STORED)
        book.writestr("META-INF/container.xml",
                      "<?xml version='1.0'?><container version='1.0' xmlns='urn:oasis:names:tc:opendocument:"
                      "xmlns:container'><rootfiles><rootfile full-path='OEBPS/content.opf' "
                      "media-type='application/oebps-package+xml'/></rootfiles></container>")
        book.writestr("OEBPS/content.opf", "<?xml version='1.0'?><package xmlns='http://www.idpf.org/2007/opf' "
                      "version='2.0'><manifest>" + manifest + "</manifest><spine>" + spine + "</spine></package>")
        book.writestr("OEBPS/toc.ncx", "<?xml version='1.0'?><ncx xmlns='http://www.daisy.org/z3986/2005/ncx/'>"
                      "<navMap>" + nav + "</navMap></ncx>")
        for _, href, content in chapters:
            if content is not None:
                book.writestr("OEBPS/" + href, content)
        book.write(picture, "OEBPS/picture.png")


def report_args(**changes):
    args = argparse.Namespace(width=800, view_height=600, scripts=False, verbose=True, keep=None,
                              max_pages_per_book=None, tolerance=fidelity_report.SAME_ENGINE, timeout=60, cli=CLI)
    vars(args).update(changes)
    return args


def have_tools():
    return shutil.which("convert") and os.access(CLI, os.X_OK) and qtwebengine_page.available()


@unittest.skipUnless(have_tools(), "needs PyQt6's Qt WebEngine, ImageMagick and a built quillmark-cli")
class FidelityTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="qm-fidelity-test-")
        cls.pager = QtWebEnginePager(width=800, height=600)
        cls.options = fidelity_report.cli_page_options(CLI)

    @classmethod
    def tearDownClass(cls):
        cls.pager.close()
        shutil.rmtree(cls.folder, ignore_errors=True)

    def check_book(self, book, max_pages=None):
        lines = []
        compared, differing, worst, failure = fidelity_report.report_book(
            book, report_args(max_pages_per_book=max_pages), self.pager, self.options, lines.append)
        self.assertIsNone(failure)
        self.assertGreater(compared, 0)
        self.assertEqual(differing, 0, f"{os.path.basename(book)}: worst {worst:.2f}\n" + "\n".join(lines))

    def test_fixture_chapters_match_the_reference(self):
        book = os.path.join(self.folder, "fixture.epub")
        fixture_book(book, self.folder)
        self.check_book(book)

    def test_chapters_of_real_books_match_the_reference(self):
        found = [name for name in CORPUS_BOOKS if os.path.isfile(os.path.join(CORPUS, "epub", name))]
        if not found:
            self.skipTest("the corpus is absent")
        for name in found:
            with self.subTest(book=name):
                self.check_book(os.path.join(CORPUS, "epub", name), CORPUS_BOOKS[name])

    def test_a_cut_edge_a_wrong_height_and_a_stale_piece_are_found(self):
        book = os.path.join(self.folder, "faults.epub")
        fixture_book(book, self.folder)
        pages = os.path.join(self.folder, "faults")
        os.makedirs(pages, exist_ok=True)
        fidelity_report.cli_convert(CLI, book, pages, report_args(), self.options)
        extracted = os.path.join(self.folder, "faults-book")
        fidelity_report.extract_book(book, extracted)
        folder = fidelity_report.navigation_folder(extracted)
        references = {}
        for row, path in [(1, "edges.xhtml"), (4, "bands.xhtml")]:
            references[row] = fidelity_report.expected_page(self.pager, folder, extracted, set(), path, {},
                                                            os.path.join(self.folder, f"reference{row}.png"))
        good = {row: os.path.join(pages, f"page{row}.jpg") for row in references}
        for row in references:
            reasons, _ = fidelity_report.compare([good[row]], references[row])
            self.assertEqual(reasons, [], f"row {row} should match before it is damaged")

        def damaged(row, name, *operations):
            out = os.path.join(self.folder, name + ".png")
            subprocess.run(["convert", good[row], *operations, out], check=True, env=magick_env())
            return fidelity_report.compare([out], references[row])[0]

        # The page laid out as before but 14 columns narrower, as a margin cut would leave it.
        self.assertTrue(damaged(1, "cut", "-gravity", "West", "-crop", "786x+0+0", "+repage"))
        # White rows added below the document.
        self.assertTrue(damaged(4, "taller", "-background", "white", "-gravity", "North", "-extent", "800x12167"))
        # The third 4,096-row piece shows the first piece's rows again.
        self.assertTrue(damaged(4, "stale", "(", "+clone", "-crop", "800x3904+0+0", ")", "-geometry", "+0+8192",
                                "-composite"))


if __name__ == "__main__":
    unittest.main()
