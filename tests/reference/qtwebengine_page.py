#!/usr/bin/env python3
"""Reference pages: a chapter file as Qt WebEngine draws it, through PyQt6, in one PNG of its whole height.

Quillmark draws its pages with the system's Qt WebEngine; this module draws the same file with the same engine
but through code of its own, written from Qt's documentation (QWebEngineView, QWidget.grab), so that the two
can be compared pixel for pixel: the same engine must give the same page, and every difference is a fault of
the capture, not of two browsers' rounding. It shares nothing with Quillmark's page scripts or capture code.

The engine runs in a separate process on Debian's Python (`python3-pyqt6.qtwebengine`, /usr/bin/python3 or
QM_REFERENCE_PYTHON), started by QtWebEnginePager and driven by one JSON line per request on its standard input,
so this module imports on any Python 3 and needs only the standard library there.

    with QtWebEnginePager(width=800) as pager:
        width, height = pager.shot("book/ch01.xhtml", "ch01.png")
        pager.load("book/ch02.xhtml")                 # -> (page width, page height)
        tops = pager.anchor_tops(["sec1", "sec2"])   # id -> document y in CSS pixels, or None
        pager.capture("part.png", top=tops["sec1"], bottom=tops["sec2"])

- QtWebEnginePager(width=800, height=600, timeout=30.0, scripts=False, scale=1.0): one engine for every page
  until close(). Pages are laid out `width` CSS pixels wide with the scroll bars hidden, in a first viewport
  `height` tall, and drawn at `scale` device pixels per CSS pixel (QT_SCALE_FACTOR); the page's own scripts
  run only with `scripts`.
- load(path, height=None, width=None) -> (width, height) of the page in CSS pixels: the document's scroll size
  once its fonts are in, at least `width` (the pager's, unless given) by `height`, found again in a view of that size until it settles, so that a
  page wider than `width` is laid out as wide as its content and viewport units and media queries see the
  page's own height. Raises PageLoadError, naming the file, when it is missing or the engine does not load
  it within `timeout`.
- anchor_tops(ids), capture(out_png, top=0, bottom=None), shot(path, out_png, fragment=None, next_ids=(),
  height=None, width=None), xml_error(): as ChromiumPager's (chromium_page.py), `width` for this page alone. A capture is `scale` times the CSS size in pixels.
- available(): whether the engine can be started here (PyQt6 with Qt WebEngine installed).

Command line: python3 tests/reference/qtwebengine_page.py [--width 800] [--height 600] [--scale 1] FILE OUT.png
prints "WIDTH HEIGHT" of the PNG.
"""

import argparse
import json
import math
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from chromium_page import XML_ERROR_SCRIPT, PageLoadError, anchor_tops_script, section_bounds  # noqa: E402

DEFAULT_VIEWPORT_HEIGHT = 600
MAX_SETTLING_ROUNDS = 4
# Qt WebEngine's software compositor draws a view this tall in one piece; the corpus's tallest chapter is
# about 21,000 pixels.
MAX_VIEW_HEIGHT = 120000


class ReferenceError(RuntimeError):
    pass


def reference_python():
    return os.environ.get("QM_REFERENCE_PYTHON", "/usr/bin/python3")


def available():
    python = reference_python()
    if not os.access(python, os.X_OK):
        return False
    done = subprocess.run([python, "-c", "import PyQt6.QtWebEngineWidgets"], capture_output=True)
    return done.returncode == 0


class QtWebEnginePager:
    def __init__(self, width=800, height=DEFAULT_VIEWPORT_HEIGHT, timeout=30.0, scripts=False, scale=1.0):
        self.width, self.height, self.timeout, self.scale = width, height, timeout, scale
        self._runtime = tempfile.mkdtemp(prefix="qm-reference-runtime-")
        os.chmod(self._runtime, 0o700)
        env = dict(os.environ)
        env.update({"QT_QPA_PLATFORM": "offscreen", "QT_QUICK_BACKEND": "software", "XDG_RUNTIME_DIR": self._runtime,
                    "QT_SCALE_FACTOR": f"{scale:g}", "QT_LOGGING_RULES": "qt.webenginecontext.info=false",
                    "PYTHONDONTWRITEBYTECODE": "1"})
        for name in ("QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR", "QT_ENABLE_HIGHDPI_SCALING"):
            env.pop(name, None)
        if os.geteuid() == 0:
            env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"
        command = [reference_python(), os.path.abspath(__file__), "--serve", "--width", str(width), "--height",
                   str(height), "--timeout", str(timeout)] + (["--scripts"] if scripts else [])
        self._process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                         stderr=subprocess.DEVNULL, env=env, text=True)
        self._ask({"do": "hello"})

    def close(self):
        if self._process and self._process.poll() is None:
            try:
                self._process.stdin.close()
                self._process.wait(timeout=10)
            except (OSError, subprocess.TimeoutExpired):
                self._process.kill()
                self._process.wait()
        self._process = None
        shutil.rmtree(self._runtime, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def _ask(self, request):
        if not self._process or self._process.poll() is not None:
            raise ReferenceError("the reference engine is not running")
        self._process.stdin.write(json.dumps(request) + "\n")
        self._process.stdin.flush()
        line = self._process.stdout.readline()
        if not line:
            raise ReferenceError(f"the reference engine ended (status {self._process.wait()})")
        answer = json.loads(line)
        if "load_error" in answer:
            raise PageLoadError(answer["load_error"])
        if "error" in answer:
            raise ReferenceError(answer["error"])
        return answer["result"]

    def load(self, path, height=None, width=None):
        if not os.path.isfile(path):
            raise PageLoadError(f"{path}: no such file")
        return tuple(self._ask({"do": "load", "path": os.path.abspath(path), "height": height or self.height,
                                "width": width or self.width}))

    def anchor_tops(self, ids):
        return self._ask({"do": "anchor_tops", "ids": list(ids)})

    def xml_error(self):
        return self._ask({"do": "xml_error"})

    def capture(self, out_png, top=0, bottom=None):
        return tuple(self._ask({"do": "capture", "out": os.path.abspath(out_png), "top": top or 0, "bottom": bottom}))

    def shot(self, path, out_png, fragment=None, next_ids=(), height=None, width=None):
        self.load(path, height, width)
        top, bottom = section_bounds(self.anchor_tops([i for i in [fragment, *next_ids] if i]), fragment, next_ids)
        return self.capture(out_png, top, bottom)


# --- the engine's side: runs on the Python that has PyQt6 ------------------------------------------------


def serve(args):
    from PyQt6.QtCore import QEventLoop, QTimer, QUrl, Qt
    from PyQt6.QtWebEngineCore import QWebEnginePage, QWebEngineProfile, QWebEngineScript, QWebEngineSettings
    from PyQt6.QtWebEngineWidgets import QWebEngineView
    from PyQt6.QtWidgets import QApplication

    application = QApplication([sys.argv[0]])
    profile = QWebEngineProfile()  # off the record: no cache or storage shared between runs
    page = QWebEnginePage(profile)
    settings = page.settings()
    settings.setAttribute(QWebEngineSettings.WebAttribute.JavascriptEnabled, args.scripts)
    settings.setAttribute(QWebEngineSettings.WebAttribute.ShowScrollBars, False)
    view = QWebEngineView()
    view.setPage(page)
    # A hidden view draws nothing; this one is shown on no screen.
    view.setAttribute(Qt.WidgetAttribute.WA_DontShowOnScreen)
    view.resize(args.width, args.height)
    view.show()
    world = QWebEngineScript.ScriptWorldId.ApplicationWorld
    state = {"size": None, "path": None}

    def wait(milliseconds):
        loop = QEventLoop()
        QTimer.singleShot(milliseconds, loop.quit)
        loop.exec()

    def evaluate(script):
        answer, loop = [], QEventLoop()
        page.runJavaScript(script, world, lambda value: (answer.append(value), loop.quit()))
        QTimer.singleShot(int(args.timeout * 1000), loop.quit)
        loop.exec()
        if not answer:
            raise RuntimeError(f"no answer to a script within {args.timeout:g} s")
        return answer[0]

    def until(condition, what):
        for _ in range(int(args.timeout * 20)):
            if condition():
                return
            wait(50)
        raise RuntimeError(f"{what} within {args.timeout:g} s")

    def fresh_image():
        # The engine composes a frame some time after the view changes: two animation frames make sure the page
        # drew its new state, and two equal grabs apart that it reached the view.
        evaluate("window.qmReferenceFrames = 0; requestAnimationFrame(() => requestAnimationFrame(() => "
                 "window.qmReferenceFrames = 2)); 0")
        until(lambda: evaluate("window.qmReferenceFrames") == 2, "the page drew no frame")
        last = view.grab().toImage()
        for _ in range(100):
            wait(60)
            image = view.grab().toImage()
            if image == last:
                return image
            last = image
        raise RuntimeError("the view's frames did not settle")

    def measure():
        until(lambda: evaluate("document.fonts ? document.fonts.status : 'loaded'") == "loaded",
              "the page's fonts were not loaded")
        width, height = evaluate("[document.documentElement.scrollWidth, document.documentElement.scrollHeight]")
        return int(width), int(height)

    def load(request):
        finished, loop = [], QEventLoop()

        def done(ok):
            finished.append(ok)
            loop.quit()

        page.loadFinished.connect(done)
        view.resize(request["width"], request["height"])
        page.load(QUrl.fromLocalFile(request["path"]))
        QTimer.singleShot(int(args.timeout * 1000), loop.quit)
        loop.exec()
        page.loadFinished.disconnect(done)
        name = request["path"]
        if not finished:
            return {"load_error": f"{name}: not loaded within {args.timeout:g} s"}
        if not finished[-1]:
            return {"load_error": f"{name}: Qt WebEngine could not load it"}
        # The view is enlarged to the page's scroll size, and the page measured again in it until the two agree:
        # a page wider than the view is laid out as wide as its content, and viewport units and media queries
        # see the page's own height. A page shorter than the view is as tall as the view, as a window's is.
        view_size = (request["width"], request["height"])
        for _ in range(MAX_SETTLING_ROUNDS):
            width, height = measure()
            size = (max(request["width"], width), max(request["height"], height))
            if size == view_size or size[1] > MAX_VIEW_HEIGHT:
                break
            view_size = size
            view.resize(*view_size)
            fresh_image()
        state["size"], state["path"] = view_size, name
        return {"result": state["size"]}

    def capture(request):
        width, height = state["size"]
        if height > MAX_VIEW_HEIGHT:
            raise RuntimeError(f"{state['path']}: {height} rows are more than the reference draws at once")
        top = max(0, min(math.floor(request["top"]), height))
        bottom = height if request["bottom"] is None else max(top, min(math.floor(request["bottom"]), height))
        if bottom == top:
            return {"load_error": f"{state['path']}: nothing to capture between y {top} and {bottom}"}
        image = fresh_image()
        ratio = image.width() / width
        part = image.copy(0, round(top * ratio), image.width(), round((bottom - top) * ratio))
        if not part.save(request["out"], "PNG"):
            raise RuntimeError(f"cannot write {request['out']}")
        return {"result": (part.width(), part.height())}

    def anchor_tops(request):
        return {"result": evaluate(anchor_tops_script(request["ids"]))}

    handlers = {"hello": lambda _: {"result": True}, "load": load, "capture": capture, "anchor_tops": anchor_tops,
                "xml_error": lambda _: {"result": bool(evaluate(XML_ERROR_SCRIPT))}}
    for line in sys.stdin:
        request = json.loads(line)
        try:
            answer = handlers[request["do"]](request)
        except Exception as error:  # the caller gets every failure as an answer, the engine stays up
            answer = {"error": str(error)}
        sys.stdout.write(json.dumps(answer) + "\n")
        sys.stdout.flush()
    del view, page, profile, application


def main(argv=None):
    parser = argparse.ArgumentParser(description="Full-page PNG of a file as Qt WebEngine draws it (PyQt6).")
    parser.add_argument("--width", type=int, default=800, help="layout width in CSS pixels (800)")
    parser.add_argument("--height", type=int, default=DEFAULT_VIEWPORT_HEIGHT, help="first viewport height (600)")
    parser.add_argument("--timeout", type=float, default=30.0, help="seconds to wait for a load (30)")
    parser.add_argument("--scale", type=float, default=1.0, help="device pixels per CSS pixel (1)")
    parser.add_argument("--scripts", action="store_true", help="run the page's own scripts")
    parser.add_argument("--serve", action="store_true", help=argparse.SUPPRESS)
    parser.add_argument("file", nargs="?")
    parser.add_argument("out_png", nargs="?")
    args = parser.parse_args(argv)
    if args.serve:
        serve(args)
        return 0
    if not args.file or not args.out_png:
        parser.error("FILE and OUT.png are needed")
    try:
        with QtWebEnginePager(args.width, args.height, args.timeout, args.scripts, args.scale) as pager:
            width, height = pager.shot(args.file, args.out_png)
    except (PageLoadError, ReferenceError) as error:
        print(f"qtwebengine_page: {error}", file=sys.stderr)
        return 1
    print(width, height)
    return 0


if __name__ == "__main__":
    sys.exit(main())
