#!/usr/bin/env python3
"""How closely quillmark-cli's JPEG pages match the same chapters drawn by independent code.

For every corpus book: `quillmark-cli toc` gives the rows, `quillmark-cli convert BOOK DIR/page.jpg` the
pages (page<row>.jpg, continued in page<row>_part2.jpg, ...), and a reference draws the expected page of
each row from the book as extracted here: tests/reference/qtwebengine_page.py (the same engine, Qt
WebEngine, driven through PyQt6; the default) or tests/reference/chromium_page.py (Debian's Chromium):

- an HTML chapter: the whole document at --width CSS pixels; a row whose path has a #fragment only the
  section from that anchor down to the next anchor (of another row of the same file) below it, or to the
  document's end; a row of that file without a fragment, the top down to the first such anchor;
- a bitmap chapter (jpg, png, gif, webp): the bitmap itself, at its own size;
- an SVG chapter: its intrinsic size (width and height attributes, else the viewBox scaled to --width).

A page differs when its width is not the expected one, its height is off by more than the slack, it has
ink (a pixel darker than INK_LEVEL grey) in its rightmost two columns where the reference has none or the
other way round, or the mean absolute grey difference of the two pages' common area, both scaled down 4:1,
exceeds the threshold (see REFERENCES). Books that do not open or convert are listed as such and count no pages.

    python3 bench/fidelity_report.py [--reference qtwebengine|chromium] [--width 800] [--books NAME...]
                                     [--verbose] [--keep DIR] [--max-pages-per-book N] [--threshold T] [--cli PATH]

Books come from QM_CORPUS_DIR (default ../shared/corpus next to the checkout), epub/*.epub; a --books NAME
matches a file name with or without ".epub".
"""

import argparse
import collections
import hashlib
import operator
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.parse
import xml.etree.ElementTree as ElementTree
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.dont_write_bytecode = True  # no __pycache__ left in the source tree
sys.path.insert(0, os.path.join(ROOT, "tests", "reference"))
import chromium_page  # noqa: E402
import qtwebengine_page  # noqa: E402
from chromium_page import ChromiumPager, PageLoadError, magick_env  # noqa: E402
from qtwebengine_page import QtWebEnginePager  # noqa: E402

INK_LEVEL = 200
SCALE_PERCENT = 25
BAND_ROWS = 400
ROW_GROUP = 4
BITMAP_ENDINGS = (".jpg", ".jpeg", ".png", ".gif", ".webp")
# A chapter larger than this is not drawn for reference (a compression bomb inflates to a gigabyte).
MAX_CHAPTER_BYTES = 64 << 20


class Tolerance(collections.namedtuple("Tolerance", "threshold height_slack drift_rows")):
    """How far a page may stray from its reference: the mean grey difference (0-255) of its worst band, the
    rows by which the heights may differ, and the rows by which one page's text may drift against the other's
    from one band of BAND_ROWS to the next."""


# The same engine draws the same page: measured on the corpus and the fixture book, the worst band of a page of
# text differs by up to 0.9 (JPEG at quality 100 against PNG; 0.16 for a page against itself), a photograph
# that Quillmark draws and encodes again by up to 1.32 against the book's own JPEG, and heights are equal. Another
# engine rasterises text on its own and rounds line positions its own way: Chromium 156 against Qt WebEngine
# 6.4 differs by 0.5 to 1.0, by up to 6.1 where lines drift apart by half a pixel (a 12,000-pixel chapter),
# and by 4 rows in height; laying a chapter out 2 pixels narrower moves words to other lines and gives 11 to 27.
REFERENCES = {
    "qtwebengine": (QtWebEnginePager, Tolerance(threshold=1.5, height_slack=0, drift_rows=0)),
    "chromium": (ChromiumPager, Tolerance(threshold=8.0, height_slack=4, drift_rows=3)),
}
SAME_ENGINE = REFERENCES["qtwebengine"][1]


class BookFailure(Exception):
    pass


# --- images ----------------------------------------------------------------------------------------


def magick(args):
    done = subprocess.run(["convert", *args], capture_output=True, env=magick_env())
    if done.returncode != 0:
        raise RuntimeError(f"convert {' '.join(args)}: {done.stderr.decode(errors='replace').strip()}")
    return done.stdout


def read_pgm(data):
    """(width, height, pixels) of a binary 8-bit PGM (P5)."""
    fields = []
    at = 0
    while len(fields) < 4:
        while data[at : at + 1].isspace():
            at += 1
        if data[at : at + 1] == b"#":
            at = data.index(b"\n", at)
            continue
        end = at
        while not data[end : end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    if fields[0] != b"P5" or int(fields[3]) > 255:
        raise ValueError("not an 8-bit binary PGM")
    width, height = int(fields[1]), int(fields[2])
    pixels = data[at + 1 : at + 1 + width * height]
    if len(pixels) != width * height:
        raise ValueError("PGM cut short")
    return width, height, pixels


def image_size(path):
    out = subprocess.run(["identify", "-ping", "-format", "%w %h\n", path], capture_output=True, check=True,
                         env=magick_env()).stdout.split()
    return int(out[0]), int(out[1])


def grey_source(files):
    """ImageMagick arguments that read the files as one grey image, stacked top to bottom, on white."""
    args = [f + "[0]" if f.lower().endswith(".gif") else f for f in files]
    if len(args) > 1:
        args = ["(", *args, "-append", ")"]
    return [*args, "-background", "white", "-alpha", "remove", "-alpha", "off", "-colorspace", "gray"]


def right_edge_ink(files, size):
    width, height = size
    columns = min(2, width)
    data = magick([*grey_source(files), "-crop", f"{columns}x{height}+{width - columns}+0", "+repage",
                   "-depth", "8", "pgm:-"])
    return min(read_pgm(data)[2], default=255) < INK_LEVEL


def scaled_common_area(files, width, height):
    data = magick([*grey_source(files), "-crop", f"{width}x{height}+0+0", "+repage", "-scale",
                   f"{SCALE_PERCENT}%x100%", "-depth", "8", "pgm:-"])
    return read_pgm(data)


def band_rows(pixels, width, first, last):
    return pixels[first * width : last * width]


def averaged(rows, width):
    """The rows averaged in groups of ROW_GROUP, as the columns were by the scaling."""
    groups = []
    for at in range(0, len(rows) - width * ROW_GROUP + 1, width * ROW_GROUP):
        stack = [rows[at + i * width : at + (i + 1) * width] for i in range(ROW_GROUP)]
        groups.extend(sum(column) // ROW_GROUP for column in zip(*stack))
    return groups


def difference_of(x, y):
    return sum(map(abs, map(operator.sub, x, y))) / len(x) if x else None


def mean_difference(a, b, drift_rows=0):
    """Mean absolute difference of two pages scaled 4:1 across: over the whole page, and over its worst band
    of BAND_ROWS rows, where a local fault (a paragraph missing from a long chapter) cannot hide.

    Two engines place the lines of a long chapter with different rounding, so one page's text drifts down
    against the other's by a few pixels per thousand. Each band of b is therefore taken at the vertical
    shift that fits a best, within `drift_rows` of the band before it's (the nearest of equal fits), which follows such a drift but not a
    block of text that is missing or added; the two bands are then compared with their rows averaged 4:1,
    like their columns, so that lines half a pixel apart count as the same."""
    if a[:2] != b[:2]:
        raise ValueError(f"scaled sizes differ: {a[:2]} and {b[:2]}")
    width, height = a[:2]
    if not width or not height:
        return 0.0, 0.0
    bands, shift, total, counted = [], 0, 0.0, 0
    for first in range(0, height, BAND_ROWS):
        last = min(first + BAND_ROWS, height)
        best = None
        for s in sorted(range(shift - drift_rows, shift + drift_rows + 1), key=lambda s: abs(s - shift)):
            top, bottom = max(first, -s), min(last, height - s)
            fit = difference_of(band_rows(a[2], width, top, bottom), band_rows(b[2], width, top + s, bottom + s))
            if fit is not None and (best is None or fit < best[0]):
                best = (fit, s, top, bottom)
        if best is None:
            continue
        _, shift, top, bottom = best
        x = averaged(band_rows(a[2], width, top, bottom), width)
        y = averaged(band_rows(b[2], width, top + shift, bottom + shift), width)
        difference = difference_of(x, y) if x else best[0]
        bands.append(difference)
        total += difference * (bottom - top)
        counted += bottom - top
    return (total / counted, max(bands)) if bands else (0.0, 0.0)


# --- books -----------------------------------------------------------------------------------------


def extract_book(book, folder):
    """Unpacks like Quillmark does: backslashes separate folders; members that would land outside the
    folder are refused, so is a member that inflates beyond MAX_CHAPTER_BYTES (left out, named in the
    returned set)."""
    too_large = set()
    try:
        archive = zipfile.ZipFile(book)
    except (zipfile.BadZipFile, OSError) as error:
        raise BookFailure(f"unreadable archive: {error}")
    with archive:
        for member in archive.infolist():
            name = member.filename.replace("\\", "/")
            parts = name.split("/")
            if name.startswith("/") or re.match(r"^[A-Za-z]:", name) or ".." in parts:
                raise BookFailure(f"member {name!r} lies outside the book")
            target = os.path.join(folder, *[p for p in parts if p not in ("", ".")])
            if name.endswith("/"):
                os.makedirs(target, exist_ok=True)
                continue
            if member.file_size > MAX_CHAPTER_BYTES:
                too_large.add(os.path.relpath(target, folder))
                continue
            os.makedirs(os.path.dirname(target), exist_ok=True)
            try:
                with archive.open(member) as source, open(target, "wb") as out:
                    shutil.copyfileobj(source, out)
            except (zipfile.BadZipFile, NotImplementedError, OSError, EOFError) as error:
                raise BookFailure(f"cannot extract {name!r}: {error}")
    return too_large


def local_name(element):
    return element.tag.rsplit("}", 1)[-1]


def package_identifier(extracted):
    """The package's unique identifier, or None: the dc:identifier that the package element names."""
    container = os.path.join(extracted, "META-INF", "container.xml")
    try:
        rootfile = next(e.get("full-path") for e in ElementTree.parse(container).iter()
                        if local_name(e) == "rootfile" and e.get("full-path"))
        package = ElementTree.parse(os.path.join(extracted, rootfile)).getroot()
    except (OSError, StopIteration, ElementTree.ParseError):
        return None
    wanted = package.get("unique-identifier")
    for element in package.iter():
        if local_name(element) == "identifier" and (element.get("id") == wanted or not wanted):
            return element.text or ""
    return None


def restore_fonts(extracted):
    """Undoes the font obfuscation that META-INF/encryption.xml declares, as a reading system does, so the
    reference shows the book's own fonts: the IDPF algorithm XORs the first 1040 bytes with the SHA-1 of the
    unique identifier less its white space, Adobe's the first 1024 with the 16 bytes of its UUID."""
    encryption = os.path.join(extracted, "META-INF", "encryption.xml")
    identifier = package_identifier(extracted) if os.path.isfile(encryption) else None
    if identifier is None:
        return
    try:
        root = ElementTree.parse(encryption).getroot()
    except ElementTree.ParseError:
        return
    idpf_key = hashlib.sha1(re.sub(r"[ \t\r\n]", "", identifier).encode()).digest()
    uuid_hex = re.sub(r"[^0-9a-fA-F]", "", identifier.replace("urn:uuid:", ""))
    adobe_key = bytes.fromhex(uuid_hex) if len(uuid_hex) == 32 else None
    for data in (e for e in root.iter() if local_name(e) == "EncryptedData"):
        method = next((e.get("Algorithm") for e in data.iter() if local_name(e) == "EncryptionMethod"), None)
        uri = next((e.get("URI") for e in data.iter() if local_name(e) == "CipherReference"), None)
        key, length = {"http://www.idpf.org/2008/embedding": (idpf_key, 1040),
                       "http://ns.adobe.com/pdf/enc#RC": (adobe_key, 1024)}.get(method, (None, 0))
        path = os.path.join(extracted, os.fsdecode(urllib.parse.unquote_to_bytes(uri or "")))
        if not key or not uri or not os.path.isfile(path):
            continue
        with open(path, "r+b") as font:
            head = font.read(length)
            font.seek(0)
            font.write(bytes(b ^ key[i % len(key)] for i, b in enumerate(head)))


def first_file_containing(folder, pattern):
    """Depth first, in directory order, as the book opener searches: the first regular file whose
    lower-cased name contains the pattern."""
    try:
        entries = list(os.scandir(folder))
    except OSError:
        return None
    for entry in entries:
        if entry.is_dir(follow_symlinks=False):
            found = first_file_containing(entry.path, pattern)
            if found:
                return found
        elif entry.is_file(follow_symlinks=False) and pattern in entry.name.lower():
            return entry.path
    return None


def navigation_folder(extracted):
    """The folder the table's chapter paths are relative to: the first NCX's, when a package file lies
    below it; else the folder of the package file that META-INF/container.xml names."""
    ncx = first_file_containing(extracted, ".ncx")
    if ncx and first_file_containing(os.path.dirname(ncx), ".opf"):
        return os.path.dirname(ncx)
    container = os.path.join(extracted, "META-INF", "container.xml")
    if os.path.isfile(container):
        for element in ElementTree.parse(container).iter():
            if local_name(element) == "rootfile" and element.get("full-path"):
                return os.path.dirname(os.path.join(extracted, element.get("full-path")))
    if ncx:
        return os.path.dirname(ncx)
    raise BookFailure("no navigation map and no package file")


def cli_rows(cli, book):
    done = subprocess.run([cli, "toc", book], capture_output=True, timeout=300)
    lines = done.stderr.decode(errors="replace").strip().splitlines()
    if done.returncode != 0 or not done.stdout.strip():
        raise BookFailure("toc: " + (lines[-1] if lines else f"exited with {done.returncode}, no rows"))
    rows = []
    for number, line in enumerate(done.stdout.decode("utf-8", "surrogateescape").split("\n")[1:], start=1):
        cells = line.split("\t")
        if len(cells) >= 3 and cells[2].strip():
            rows.append((number, cells[1], cells[2].strip()))
    return rows


def cli_convert(cli, book, out_folder, args, options):
    command = [cli, "convert", book, os.path.join(out_folder, "page.jpg"), "--replace", "--timeout", str(args.timeout)]
    if "--width" in options:
        command += ["--width", str(args.width)]
    if "--height" in options:
        command += ["--height", str(args.view_height)]
    if args.scripts:
        command.append("--scripts")
    done = subprocess.run(command, capture_output=True)
    if done.returncode != 0:
        lines = done.stderr.decode(errors="replace").strip().splitlines()
        raise BookFailure("convert: " + (lines[-1] if lines else f"exited with {done.returncode}"))


def cli_page_options(cli):
    """Which of --width and --height this build's convert takes: it names an option it does not know before
    it looks at the book."""
    taken = set()
    with tempfile.TemporaryDirectory(prefix="qm-fidelity-probe-") as folder:
        for option in ("--width", "--height"):
            done = subprocess.run([cli, "convert", os.path.join(folder, "none.epub"), os.path.join(folder, "p.jpg"),
                                   option, "600"], capture_output=True)
            if f'unknown option "{option}"'.encode() not in done.stderr:
                taken.add(option)
    return taken


def quillmark_pages(out_folder, row):
    first = os.path.join(out_folder, f"page{row}.jpg")
    if not os.path.isfile(first):
        return []
    files = [first]
    while os.path.isfile(os.path.join(out_folder, f"page{row}_part{len(files) + 1}.jpg")):
        files.append(os.path.join(out_folder, f"page{row}_part{len(files) + 1}.jpg"))
    return files


# --- expected pages --------------------------------------------------------------------------------

UNIT_PIXELS = {"": 1, "px": 1, "pt": 4 / 3, "pc": 16, "in": 96, "cm": 96 / 2.54, "mm": 96 / 25.4, "em": 16}


def svg_length(text):
    match = re.fullmatch(r"\s*([0-9.]+)\s*(px|pt|pc|in|cm|mm|em)?\s*", text or "")
    return float(match.group(1)) * UNIT_PIXELS[match.group(2) or ""] if match else None


def svg_intrinsic_size(path, width):
    """(width, height) in pixels, or None when the picture has neither a size nor a viewBox."""
    try:
        root = ElementTree.parse(path).getroot()
    except ElementTree.ParseError:
        return None
    w, h = svg_length(root.get("width")), svg_length(root.get("height"))
    box = [float(v) for v in re.split(r"[\s,]+", (root.get("viewBox") or "").strip()) if v]
    if w and h:
        return round(w), round(h)
    if len(box) == 4 and box[2] > 0 and box[3] > 0:
        if w:
            return round(w), round(w * box[3] / box[2])
        if h:
            return round(h * box[2] / box[3]), round(h)
        return width, round(width * box[3] / box[2])
    return None


class Expected:
    """The reference page of one row: a PNG (or the book's own bitmap) and its size, or why there is none."""

    def __init__(self, files=(), size=None, problem=None):
        self.files, self.size, self.problem = list(files), size, problem


XHTML_ENDINGS = (".xhtml", ".xht", ".xml")
HTML_ENDINGS = (".html", ".htm")


def package_facts(extracted):
    """({absolute path: media type}, {absolute paths of fixed-layout pages}) from the package file that the
    container names: rendition:layout "pre-paginated" for the book, or for a spine item."""
    container = os.path.join(extracted, "META-INF", "container.xml")
    try:
        rootfile = next(e.get("full-path") for e in ElementTree.parse(container).iter()
                        if local_name(e) == "rootfile" and e.get("full-path"))
        package_path = os.path.join(extracted, rootfile)
        package = ElementTree.parse(package_path).getroot()
    except (OSError, StopIteration, ElementTree.ParseError):
        return {}, set()
    folder = os.path.dirname(package_path)
    types, path_of_id = {}, {}
    for item in (e for e in package.iter() if local_name(e) == "item" and e.get("href")):
        path = os.path.normpath(os.path.join(folder, os.fsdecode(urllib.parse.unquote_to_bytes(
            item.get("href").partition("#")[0]))))
        types[path] = item.get("media-type")
        path_of_id[item.get("id")] = path
    book_fixed = any(local_name(e) == "meta" and e.get("property") == "rendition:layout" and
                     (e.text or "").strip() == "pre-paginated" for e in package.iter())
    fixed = set(types) if book_fixed else set()
    for ref in (e for e in package.iter() if local_name(e) == "itemref"):
        properties = (ref.get("properties") or "").split()
        path = path_of_id.get(ref.get("idref"))
        if path and "rendition:layout-pre-paginated" in properties:
            fixed.add(path)
        elif path and "rendition:layout-reflowable" in properties:
            fixed.discard(path)
    return types, fixed


def declared_size(path):
    """(width, height) that a page declares in its viewport meta, or None."""
    try:
        with open(path, encoding="utf-8", errors="replace") as page:
            text = page.read(65536)
    except OSError:
        return None
    meta = re.search(r"<meta[^>]*name=[\"']viewport[\"'][^>]*>", text, re.I)
    content = re.search(r"content=[\"']([^\"']*)", meta.group(0), re.I) if meta else None
    sizes = dict(re.findall(r"(width|height)\s*=\s*(\d+)", content.group(1), re.I)) if content else {}
    sizes = {k.lower(): int(v) for k, v in sizes.items()}
    return (sizes["width"], sizes["height"]) if "width" in sizes and "height" in sizes else None


def document_type(path, media_type):
    """"xhtml", "html" or "other": the manifest's media type decides, else the name's ending."""
    if media_type:
        return {"application/xhtml+xml": "xhtml", "text/html": "html"}.get(media_type, "other")
    lower = path.lower()
    return "xhtml" if lower.endswith(XHTML_ENDINGS) else "html" if lower.endswith(HTML_ENDINGS) else "other"


def copy_as(source, kind):
    """A file with the chapter's content whose name makes the browser parse it as `kind` (it picks its parser
    from a file's ending): the chapter itself when its name says so, else a copy beside it."""
    endings = {"xhtml": XHTML_ENDINGS, "html": HTML_ENDINGS}.get(kind)
    if not endings or source.lower().endswith(endings) or not os.path.isfile(source):
        return source
    copy = os.path.splitext(source)[0] + ".qm-reference" + endings[0]
    shutil.copyfile(source, copy)
    return copy


def expected_page(pager, folder, extracted, too_large, path, fragments_of, out_png, facts=({}, set())):
    file_part, _, fragment = path.partition("#")
    relative = os.fsdecode(urllib.parse.unquote_to_bytes(file_part))
    source = os.path.normpath(os.path.join(folder, relative))
    if os.path.relpath(source, extracted) in too_large:
        return Expected(problem=f"chapter larger than {MAX_CHAPTER_BYTES >> 20} MiB, not drawn")
    media_types, fixed_pages = facts
    kind = document_type(source, media_types.get(source))
    shown = copy_as(source, kind)
    lower = shown.lower()
    if lower.endswith(BITMAP_ENDINGS):
        if not os.path.isfile(shown):
            return Expected(problem=f"{relative}: no such file")
        return Expected([shown], image_size(shown))
    if lower.endswith(".svg"):
        intrinsic = svg_intrinsic_size(shown, pager.width) if os.path.isfile(shown) else None
        # A fixed-layout picture is drawn in a viewport of its own size.
        own_width = intrinsic[0] if intrinsic and source in fixed_pages else None
        pager.load(shown, height=intrinsic[1] if intrinsic else None, width=own_width)
        whole = pager.capture(out_png)
        if intrinsic and intrinsic != whole:
            magick([out_png, "-background", "white", "-extent", f"{intrinsic[0]}x{intrinsic[1]}", out_png])
            whole = intrinsic
        return Expected([out_png], whole)
    others = [f for f in fragments_of.get(file_part, []) if f and f != fragment]
    # A fixed-layout page is laid out and drawn at the size it declares.
    own = declared_size(shown) if source in fixed_pages else None
    view = {"width": own[0], "height": own[1]} if own else {}
    size = pager.shot(shown, out_png, fragment=fragment or None, next_ids=others, **view)
    if kind == "xhtml" and pager.xml_error():
        # Not well-formed XML: a reader shows it as HTML.
        size = pager.shot(copy_as(source, "html"), out_png, fragment=fragment or None, next_ids=others, **view)
    return Expected([out_png], size)


# --- comparison ------------------------------------------------------------------------------------


def compare(quill_files, expected, tolerance=SAME_ENGINE):
    """(reasons the page differs, mean difference or None)."""
    if expected.problem:
        return ([f"reference: {expected.problem}"] if quill_files else []), None
    if not quill_files:
        return ["Quillmark wrote no page"], None
    sizes = [image_size(f) for f in quill_files]
    quill_size = (max(w for w, _ in sizes), sum(h for _, h in sizes))
    reasons = []
    if quill_size[0] != expected.size[0] or abs(quill_size[1] - expected.size[1]) > tolerance.height_slack:
        reasons.append(f"size {quill_size[0]}x{quill_size[1]}, expected {expected.size[0]}x{expected.size[1]}")
    quill_ink = any(right_edge_ink([f], s) for f, s in zip(quill_files, sizes))
    reference_ink = right_edge_ink(expected.files, expected.size)
    if quill_ink != reference_ink:
        reasons.append("ink in the last two columns " + ("only in Quillmark's page" if quill_ink else
                                                         "only in the reference"))
    width = min(quill_size[0], expected.size[0])
    height = min(quill_size[1], expected.size[1])
    whole, difference = mean_difference(scaled_common_area(quill_files, width, height),
                                        scaled_common_area(expected.files, width, height), tolerance.drift_rows)
    if difference > tolerance.threshold:
        reasons.append(f"mean difference {difference:.2f} in the worst band ({whole:.2f} over the whole common "
                       f"{width}x{height})")
    return reasons, difference


def report_book(book, args, pager, options, log):
    name = os.path.basename(book)
    work = tempfile.mkdtemp(prefix="qm-fidelity-")
    keep = os.path.join(args.keep, name[:-5] if name.endswith(".epub") else name) if args.keep else None
    try:
        rows = cli_rows(args.cli, book)
        quill_folder = os.path.join(keep or work, "quillmark")
        reference_folder = os.path.join(keep or work, "reference")
        extracted = os.path.join(work, "book")
        for made in (quill_folder, reference_folder, extracted):
            shutil.rmtree(made, ignore_errors=True)
            os.makedirs(made)
        cli_convert(args.cli, book, quill_folder, args, options)
        too_large = extract_book(book, extracted)
        restore_fonts(extracted)
        folder = navigation_folder(extracted)
        facts = package_facts(extracted)
        fragments_of = {}
        for _, _, path in rows:
            file_part, _, fragment = path.partition("#")
            fragments_of.setdefault(file_part, []).append(fragment)
        if args.max_pages_per_book:
            rows = rows[: args.max_pages_per_book]
        differing, worst, compared = 0, 0.0, 0
        for row, title, path in rows:
            out_png = os.path.join(reference_folder, f"page{row}.png")
            try:
                expected = expected_page(pager, folder, extracted, too_large, path, fragments_of, out_png, facts)
            except PageLoadError as error:
                expected = Expected(problem=str(error).replace(extracted + os.sep, ""))
            reasons, difference = compare(quillmark_pages(quill_folder, row), expected, args.tolerance)
            compared += 1
            if difference is not None:
                worst = max(worst, difference)
            if reasons:
                differing += 1
                if args.verbose:
                    log(f"  row {row} ({path}): " + "; ".join(reasons))
        return compared, differing, worst, None
    except BookFailure as error:
        return 0, 0, 0.0, str(error)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def corpus_books(names):
    root = os.environ.get("QM_CORPUS_DIR") or os.path.join(os.path.dirname(ROOT), "shared", "corpus")
    folder = os.path.join(root, "epub") if os.path.isdir(os.path.join(root, "epub")) else root
    books = sorted(os.path.join(folder, f) for f in os.listdir(folder) if f.endswith(".epub"))
    if names:
        wanted = {n if n.endswith(".epub") else n + ".epub" for n in names}
        books = [b for b in books if os.path.basename(b) in wanted]
        missing = wanted - {os.path.basename(b) for b in books}
        if missing:
            raise SystemExit(f"fidelity_report: not in {folder}: {', '.join(sorted(missing))}")
    return books


def main(argv=None):
    parser = argparse.ArgumentParser(description="Quillmark's JPEG pages against a reference drawing.")
    parser.add_argument("--width", type=int, default=800, help="page width in CSS pixels (800)")
    parser.add_argument("--view-height", type=int, default=chromium_page.DEFAULT_VIEWPORT_HEIGHT,
                        help="view height of both sides (quillmark-cli --height), the least page height (600)")
    parser.add_argument("--scripts", action="store_true", help="both sides run the books' scripts")
    parser.add_argument("--reference", choices=sorted(REFERENCES), default="qtwebengine",
                        help="who draws the expected pages: Qt WebEngine through PyQt6 (the same engine, the default) "
                        "or Debian's Chromium")
    parser.add_argument("--books", nargs="+", metavar="NAME", help="only these corpus books")
    parser.add_argument("--verbose", action="store_true", help="one line per differing page, with the reason")
    parser.add_argument("--keep", metavar="DIR", help="keep both sides' images in DIR/BOOK/{quillmark,reference}")
    parser.add_argument("--max-pages-per-book", type=int, metavar="N", help="compare only a book's first N rows")
    parser.add_argument("--threshold", type=float,
                        help="mean grey difference (0-255) of the worst band above which a page differs (1.5 against "
                        "Qt WebEngine, 8 against Chromium)")
    parser.add_argument("--height-slack", type=int, metavar="PX",
                        help="heights may differ by this much (0 against Qt WebEngine; 4 against Chromium, whose lines "
                        "drift about 7 pixels apart over 10,000)")
    parser.add_argument("--timeout", type=int, default=60, help="seconds per chapter, both sides (60)")
    parser.add_argument("--cli", default=os.path.join(ROOT, "build", "src", "cli", "quillmark-cli"))
    args = parser.parse_args(argv)
    pager_class, tolerance = REFERENCES[args.reference]
    args.tolerance = tolerance._replace(**{k: v for k, v in [("threshold", args.threshold),
                                                             ("height_slack", args.height_slack)] if v is not None})
    books = corpus_books(args.books)
    # A run stopped with kill still closes its browser and removes its folders.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))

    def log(text):
        print(text, flush=True)

    options = cli_page_options(args.cli)
    if "--width" not in options:
        log(f"note: {args.cli} has no --width; its pages keep their own width, the reference is {args.width} wide")
    started = time.monotonic()
    totals = [0, 0, 0.0, 0]
    with pager_class(width=args.width, height=args.view_height, timeout=args.timeout, scripts=args.scripts) as pager:
        for book in books:
            book_started = time.monotonic()
            compared, differing, worst, failure = report_book(book, args, pager, options, log)
            name = os.path.basename(book)
            if failure:
                totals[3] += 1
                log(f"{name}: not compared: {failure}")
                continue
            totals[0] += compared
            totals[1] += differing
            totals[2] = max(totals[2], worst)
            log(f"{name}: {compared} pages compared, {differing} differing, worst mean difference {worst:.2f}"
                f" ({time.monotonic() - book_started:.0f} s)")
    log(f"total: {len(books)} books, {totals[3]} not compared; {totals[0]} pages compared, {totals[1]} differing, "
        f"worst mean difference {totals[2]:.2f} ({time.monotonic() - started:.0f} s)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
