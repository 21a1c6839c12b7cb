#!/usr/bin/env python3
"""Converts every corpus book to a text PDF and checks each document with tools of their own.

For each book: `quillmark-cli convert --text`, its time, then `qpdf --check`, the pages and metadata
(`pdfinfo`), the outline entries against the table's rows (`qpdf --json`, `quillmark-cli toc`) and the words
`pdftotext` finds against the words of the chapters' own text (the share of the book's distinct words found).
Books that do not open are named and skipped. Nothing is built; CTest never runs it.

    python3 bench/text_pdf_report.py [--books NAME...] [--paper A4|Letter|chapter] [--cli PATH]
"""
import argparse
import html
import json
import os
import re
import subprocess
import sys
import tempfile
import time
import unicodedata
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WORD = re.compile(r"\w{4,}", re.UNICODE)
MARKUP = (".xhtml", ".html", ".htm", ".xml", ".svg")


def spaceless(c):
    return unicodedata.name(c, "").startswith(("CJK", "HIRAGANA", "KATAKANA"))


def words_of(text):
    """Distinct words of four letters or more; in scripts written without spaces (Chinese, Japanese), where a
    "word" would be a whole phrase, distinct letters instead. NFKC folds the presentation forms that PDF text
    of Arabic carries back to the letters the book has."""
    text = unicodedata.normalize("NFKC", text).lower()
    words = {c for c in text if spaceless(c)}
    words.update(word for word in WORD.findall(text) if not any(spaceless(c) for c in word))
    return words


def run(args, **kw):
    return subprocess.run(args, capture_output=True, text=True, errors="replace", **kw)


def outline_entries(pdf):
    done = run(["qpdf", "--json", "--json-key=outlines", pdf])
    if done.returncode not in (0, 3):
        return None

    def count(items):
        return sum(1 + count(item.get("kids", [])) for item in items)

    return count(json.loads(done.stdout).get("outlines", []))


def book_words(book, paths):
    """The distinct words of the chapters' text, markup, styles and scripts stripped."""
    words = set()
    with zipfile.ZipFile(book) as archive:
        names = archive.namelist()
        for path in dict.fromkeys(p.split("#")[0] for p in paths):
            if not path.lower().endswith(MARKUP):
                continue  # a picture chapter has no text to find
            # The table's paths are relative to the package file's folder.
            name = next((n for n in names if n == path or n.endswith("/" + path)), None)
            if name is None:
                continue
            text = archive.read(name).decode("utf-8", "replace")
            text = re.sub(r"(?is)<(script|style|head)\b.*?</\1>", " ", text)
            text = html.unescape(re.sub(r"<[^>]+>", " ", text))
            words |= words_of(text)
    return words


def toc_rows(cli, book):
    done = run([cli, "toc", book])
    if done.returncode != 0:
        return None, done.stderr.strip().splitlines()[-1:] or ["failed"]
    # The first line is the header row; then number, title and path.
    rows = [line.split("\t") for line in done.stdout.splitlines() if line.strip()]
    return rows, None


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--corpus", default=os.environ.get("QM_CORPUS_DIR", os.path.join(ROOT, "..", "shared", "corpus")))
    parser.add_argument("--cli", default=os.path.join(ROOT, "build", "src", "cli", "quillmark-cli"))
    parser.add_argument("--books", nargs="*", help="book names (without .epub); all by default")
    parser.add_argument("--paper", default="A4")
    args = parser.parse_args()

    folder = os.path.join(args.corpus, "epub")
    books = sorted(f for f in os.listdir(folder) if f.endswith(".epub"))
    if args.books:
        books = [b for b in books if b[:-5] in args.books]
    out = tempfile.mkdtemp(prefix="qm-text-pdf-")
    totals = {"books": 0, "failed": 0, "pages": 0}
    for name in books:
        book = os.path.join(folder, name)
        rows, why = toc_rows(args.cli, book)
        if rows is None:
            print(f"{name}: not a book here: {why[0]}")
            continue
        totals["books"] += 1
        pdf = os.path.join(out, name[:-5] + ".pdf")
        start = time.monotonic()
        done = run([args.cli, "convert", book, pdf, "--text", "--paper", args.paper, "--quiet", "--replace"])
        seconds = time.monotonic() - start
        if done.returncode != 0:
            totals["failed"] += 1
            print(f"{name}: convert failed ({seconds:.1f} s): {done.stderr.strip().splitlines()[-1:]}")
            continue
        check = run(["qpdf", "--check", pdf])
        info = dict(
            line.split(":", 1) for line in run(["pdfinfo", pdf]).stdout.splitlines() if ":" in line
        )
        pages = int(info.get("Pages", "0").strip() or 0)
        totals["pages"] += pages
        entries = outline_entries(pdf)
        found = words_of(run(["pdftotext", "-enc", "UTF-8", pdf, "-"]).stdout)
        words = book_words(book, [row[2] for row in rows[1:] if len(row) > 2])
        share = len(words & found) / len(words) if words else 1.0
        ok = check.returncode in (0, 3) and entries is not None and entries >= len(rows) - 1
        if not ok:
            totals["failed"] += 1
        print(
            f"{name}: {'ok' if ok else 'FAULT'}, {seconds:.1f} s, {pages} pages, {os.path.getsize(pdf):,} bytes, "
            f"qpdf --check {'passed' if check.returncode in (0, 3) else 'failed'}, outline {entries} for "
            f"{len(rows) - 1} rows, words found {share:.1%} of {len(words)}, title {info.get('Title', '').strip()!r}"
        )
    print(f"total: {totals['books']} books, {totals['pages']} pages, {totals['failed']} faults; PDFs in {out}")
    return 1 if totals["failed"] else 0


if __name__ == "__main__":
    sys.exit(main())
