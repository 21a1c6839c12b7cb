#!/usr/bin/env python3
"""Reference pages: a chapter file as headless Chromium draws it, in one PNG of its whole height.

Quillmark's pages come from Qt WebEngine; this module draws the same file in a separately installed
Chromium (the Debian package, /usr/bin/chromium, or QM_CHROMIUM), so the two can be compared pixel for
pixel. Standard library only. Chromium is driven over the DevTools protocol through
--remote-debugging-pipe: fd 3 carries commands to the browser, fd 4 its replies, each JSON message ended
by a NUL byte.

Python use:

    with ChromiumPager(width=800) as pager:
        width, height = pager.shot("book/ch01.html", "ch01.png")
        pager.load("book/ch02.html")                  # -> (content width, content height)
        tops = pager.anchor_tops(["sec1", "sec2"])   # id -> document y in CSS pixels, or None
        pager.capture("part.png", top=tops["sec1"], bottom=tops["sec2"])

- ChromiumPager(width=800, height=600, timeout=30.0, chromium=None, scripts=False): starts one browser,
  reused for every page until close() (or the end of the with block). Every page is laid out at `width`
  CSS pixels, device scale 1, desktop (not mobile); `height` is the first viewport height of every load.
  The page's own scripts run only with `scripts` true, as Quillmark runs a book's scripts only when asked
  (quillmark-cli convert --scripts). The
  browser's default fonts are fontconfig's serif, sans-serif and monospace families (see
  default_font_families), as in a desktop browser on the same machine.
- load(path_or_url, height=None) -> (width, height) of the document's content (Page.getLayoutMetrics
  cssContentSize, rounded up). A path is made absolute and turned into a percent-encoded file:// URL, so
  spaces, "%", "#" and non-ASCII in names are safe. The page is then laid out again in a viewport as
  tall as its content until the height settles, so that media queries (orientation: portrait) and vh
  lengths see the page's own size, as in a view enlarged to the whole page. `height` overrides the
  pager's first viewport height, which is the least height of a page: a shorter document is padded to it
  like a browser window's scroll height is. Raises
  PageLoadError, naming the file, when the file is missing or unreadable (Chromium's error page is never
  taken for the chapter) or when no load event comes within `timeout` seconds; a failed load is always
  this exception, never a page.
- anchor_tops(ids) -> {id: y or None} for the loaded document: the top of the element with that id (or,
  like the browser's own fragment lookup, of the first <a name=...>), plus scrollY.
- capture(out_png, top=0, bottom=None) -> (width, height) of the PNG written: the content's full width,
  the rows from the one `top` lies in to the one `bottom` lies in (default: the content's end; a section
  begins at the row its anchor's top lies in), at one pixel per CSS pixel, beyond the viewport. One capture normally takes the whole page (Chromium 156 gives 300,000 rows at once); should
  the browser refuse or cut it, the page is taken again in bands of BAND_HEIGHT rows stacked with
  ImageMagick's convert under magick_env().
- shot(path_or_url, out_png, fragment=None, next_ids=(), height=None) -> (width, height): load() and
  capture(). With `fragment`, only the section from that anchor's top to the nearest anchor of `next_ids`
  below it (or the document's end); without `fragment` but with `next_ids`, from the top to the first
  of those anchors. An anchor the document lacks counts as absent: a missing `fragment` gives the whole
  document.
- magick_env(): the environment for ImageMagick commands on such tall pages: the system policy caps a
  side at 16,384 pixels, imagemagick/policy.xml beside this file raises it.
- xml_error(): whether the loaded document, parsed as XML, was found not well-formed (the browser shows a
  parsererror element then).

Command line:

    python3 tests/reference/chromium_page.py [--width 800] [--height 600] [--timeout 30] [--scripts] FILE OUT.png

prints "WIDTH HEIGHT" of the PNG; on failure it prints a message naming the file and exits with 1.
"""

import argparse
import base64
import fcntl
import json
import math
import os
import pathlib
import queue
import shutil
import subprocess
import sys
import tempfile
import threading
import time

# Chromium 156 in software mode takes 300,000 pixel rows in one capture; should a build refuse or cut a
# tall capture, the page is taken again in bands of this height and stacked.
BAND_HEIGHT = 16000
DEFAULT_VIEWPORT_HEIGHT = 600
MAX_SETTLING_ROUNDS = 4


class ChromiumError(RuntimeError):
    """The browser could not be started, died, or refused a command."""


class PageLoadError(RuntimeError):
    """A page could not be loaded; the message names the file."""


def file_url(path_or_url):
    if "://" in path_or_url or path_or_url.startswith("about:") or path_or_url.startswith("data:"):
        return path_or_url
    return pathlib.Path(os.path.abspath(path_or_url)).as_uri()


def _chromium_command(chromium, profile):
    args = [
        chromium,
        "--headless",
        "--disable-gpu",
        "--hide-scrollbars",
        "--no-first-run",
        "--no-default-browser-check",
        "--disable-background-networking",
        "--disable-component-update",
        "--disable-sync",
        "--disable-extensions",
        "--mute-audio",
        "--remote-debugging-pipe",
        "--user-data-dir=" + profile,
    ]
    if os.geteuid() == 0:
        args.append("--no-sandbox")
    args.append("about:blank")
    return args


class ChromiumPager:
    def __init__(self, width=800, height=DEFAULT_VIEWPORT_HEIGHT, timeout=30.0, chromium=None, scripts=False):
        self.width = int(width)
        self.height = int(height)
        self.scripts = bool(scripts)
        self.timeout = float(timeout)
        self._chromium = chromium or os.environ.get("QM_CHROMIUM") or "/usr/bin/chromium"
        self._next_id = 0
        self._replies = {}
        self._events = []
        self._inbox = queue.Queue()
        self._process = None
        self._profile = None
        self._session = None
        self._size = None
        self._loaded = None
        self.start_seconds = None
        self._start()

    # --- browser process -------------------------------------------------------------------------

    def _start(self):
        started = time.monotonic()
        self._profile = tempfile.mkdtemp(prefix="qm-chromium-")
        to_browser_read, to_browser_write = os.pipe()
        from_browser_read, from_browser_write = os.pipe()

        def place_pipes():
            # Move both ends above any descriptor the child might already use at 3 or 4, then settle
            # them where Chromium expects them.
            commands = fcntl.fcntl(to_browser_read, fcntl.F_DUPFD, 10)
            replies = fcntl.fcntl(from_browser_write, fcntl.F_DUPFD, 10)
            os.dup2(commands, 3)
            os.dup2(replies, 4)

        try:
            self._process = subprocess.Popen(
                _chromium_command(self._chromium, self._profile),
                stdin=subprocess.DEVNULL,
                stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL,
                pass_fds=(3, 4),
                preexec_fn=place_pipes,
                start_new_session=True,
            )
        except OSError as error:
            shutil.rmtree(self._profile, ignore_errors=True)
            raise ChromiumError(f"cannot start {self._chromium}: {error}") from error
        finally:
            os.close(to_browser_read)
            os.close(from_browser_write)
        self._writer = os.fdopen(to_browser_write, "wb", buffering=0)
        self._reader = threading.Thread(target=self._read_replies, args=(from_browser_read,), daemon=True)
        self._reader.start()
        try:
            target = self._call("Target.createTarget", {"url": "about:blank"})["targetId"]
            self._session = self._call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
            self._call("Page.enable")
            self._call("Page.setLifecycleEventsEnabled", {"enabled": True})
            self._call("Runtime.enable")
            # The pager's own measuring scripts run either way.
            self._call("Emulation.setScriptExecutionDisabled", {"value": not self.scripts})
            families = default_font_families()
            if families:
                self._call("Page.setFontFamilies", {"fontFamilies": families})
            self._set_viewport(self.height)
        except Exception:
            self.close()
            raise
        self.start_seconds = time.monotonic() - started

    def _read_replies(self, fd):
        pending = b""
        with os.fdopen(fd, "rb", buffering=0) as stream:
            while True:
                chunk = stream.read(1 << 20)
                if not chunk:
                    break
                pending += chunk
                *messages, pending = pending.split(b"\0")
                for message in messages:
                    self._inbox.put(json.loads(message))
        self._inbox.put(None)

    def close(self):
        process, self._process = self._process, None
        if process is None:
            return
        try:
            self._send("Browser.close", {}, session=False)
        except (OSError, ValueError):
            pass
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, 9)
            process.wait()
        try:
            self._writer.close()
        except OSError:
            pass
        shutil.rmtree(self._profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __del__(self):
        try:
            self.close()
        except Exception:
            pass

    # --- protocol --------------------------------------------------------------------------------

    def _send(self, method, params, session=True):
        self._next_id += 1
        message = {"id": self._next_id, "method": method, "params": params}
        if session and self._session:
            message["sessionId"] = self._session
        self._writer.write(json.dumps(message).encode() + b"\0")
        return self._next_id

    def _receive(self, deadline):
        remaining = deadline - time.monotonic()
        if remaining <= 0:
            return False
        try:
            message = self._inbox.get(timeout=remaining)
        except queue.Empty:
            return False
        if message is None:
            raise ChromiumError("Chromium closed its DevTools pipe (did it crash?)")
        if "id" in message:
            self._replies[message["id"]] = message
        elif message.get("sessionId") == self._session:
            self._events.append(message)
        return True

    def _call(self, method, params=None, timeout=None, session=True):
        if self._process is None:
            raise ChromiumError("the browser is closed")
        ident = self._send(method, params or {}, session)
        deadline = time.monotonic() + (timeout or self.timeout)
        while ident not in self._replies:
            if not self._receive(deadline):
                raise ChromiumError(f"no answer to {method} within {timeout or self.timeout:g} s")
        reply = self._replies.pop(ident)
        if "error" in reply:
            raise ChromiumError(f"{method}: {reply['error'].get('message')}")
        return reply.get("result", {})

    def _wait_event(self, accept, deadline):
        while True:
            for index, event in enumerate(self._events):
                if accept(event):
                    del self._events[index]
                    return event
            self._events.clear()
            if not self._receive(deadline):
                return None

    def _evaluate(self, expression, await_promise=False):
        result = self._call(
            "Runtime.evaluate",
            {"expression": expression, "returnByValue": True, "awaitPromise": await_promise},
        )
        if "exceptionDetails" in result:
            raise ChromiumError(f"script failed: {result['exceptionDetails'].get('text')}")
        return result.get("result", {}).get("value")

    def _set_viewport(self, height):
        self._call(
            "Emulation.setDeviceMetricsOverride",
            {"width": self.width, "height": int(height), "deviceScaleFactor": 1, "mobile": False},
        )

    # --- pages -----------------------------------------------------------------------------------

    def load(self, path_or_url, height=None, width=None):
        if width not in (None, self.width):
            raise ChromiumError("the Chromium reference lays every page out at its own width")
        url = file_url(path_or_url)
        name = path_or_url
        self._loaded = None
        if url != path_or_url and not os.path.isfile(path_or_url):
            raise PageLoadError(f"{name}: no such file")
        self._set_viewport(height or self.height)
        self._events.clear()
        navigation = self._call("Page.navigate", {"url": url})
        if navigation.get("errorText"):
            raise PageLoadError(f"{name}: {navigation['errorText']}")
        frame, loader = navigation.get("frameId"), navigation.get("loaderId")
        deadline = time.monotonic() + self.timeout

        # The load of this navigation, not a late one of the page before it.
        def is_our_load(event):
            params = event.get("params", {})
            return (
                event.get("method") == "Page.lifecycleEvent"
                and params.get("name") == "load"
                and params.get("frameId") == frame
                and (loader is None or params.get("loaderId") == loader)
            )

        if self._wait_event(is_our_load, deadline) is None:
            raise PageLoadError(f"{name}: not loaded within {self.timeout:g} s")
        location = self._evaluate("location.href")
        if not location or location.startswith("chrome-error:"):
            raise PageLoadError(f"{name}: Chromium shows its error page")
        # A whole page is drawn in a view as tall as itself, so media queries on orientation or height, and vh
        # lengths, see the page's own size; that size is found by laying the page out again in a view of the
        # height it had in the last one, until the two agree.
        viewport = height or self.height
        for _ in range(MAX_SETTLING_ROUNDS):
            # Web fonts arrive after the load event; the page is measured once they are in.
            self._evaluate("document.fonts ? document.fonts.ready.then(() => true) : true", await_promise=True)
            metrics = self._call("Page.getLayoutMetrics")
            size = metrics.get("cssContentSize") or metrics["contentSize"]
            self._size = (_whole(size["width"]), _whole(size["height"]))
            if self._size[1] == viewport:
                break
            viewport = self._size[1]
            self._set_viewport(viewport)
        self._loaded = name
        return self._size

    def anchor_tops(self, ids):
        self._require_page()
        return self._evaluate(anchor_tops_script(ids))

    def xml_error(self):
        self._require_page()
        return bool(self._evaluate(XML_ERROR_SCRIPT))

    def capture(self, out_png, top=0, bottom=None):
        self._require_page()
        width, height = self._size
        top = max(0, min(math.floor(top or 0), height))
        bottom = height if bottom is None else max(top, min(math.floor(bottom), height))
        if bottom == top:
            raise PageLoadError(f"{self._loaded}: nothing to capture between y {top} and {bottom}")
        if self._capture_band(out_png, width, top, bottom) != (width, bottom - top):
            with tempfile.TemporaryDirectory(prefix="qm-bands-") as folder:
                files = []
                for start in range(top, bottom, BAND_HEIGHT):
                    files.append(os.path.join(folder, f"band{len(files):04d}.png"))
                    self._capture_band(files[-1], width, start, min(start + BAND_HEIGHT, bottom))
                subprocess.run(["convert", *files, "-append", out_png], check=True, env=magick_env())
        return width, bottom - top

    def shot(self, path_or_url, out_png, fragment=None, next_ids=(), height=None, width=None):
        self.load(path_or_url, height, width)
        top, bottom = section_bounds(self.anchor_tops([i for i in [fragment, *next_ids] if i]), fragment, next_ids)
        return self.capture(out_png, top, bottom)

    def _require_page(self):
        if self._loaded is None:
            raise PageLoadError("no page is loaded")

    # The PNG's size, or None when Chromium refused the capture.
    def _capture_band(self, out_png, width, top, bottom):
        try:
            shot = self._call(
                "Page.captureScreenshot",
                {
                    "format": "png",
                    "captureBeyondViewport": True,
                    "clip": {"x": 0, "y": top, "width": width, "height": bottom - top, "scale": 1},
                },
                timeout=max(self.timeout, 120),
            )
        except ChromiumError:
            return None
        data = base64.b64decode(shot["data"])
        with open(out_png, "wb") as out:
            out.write(data)
        return png_size(data)


# True when the browser's XML parser found the document not well-formed.
XML_ERROR_SCRIPT = "document.getElementsByTagNameNS('*', 'parsererror').length > 0"


def anchor_tops_script(ids):
    """A script whose value is {id: document y of the element with that id (or, like the browser's own fragment
    lookup, of the first <a name=...>), or null}."""
    return """(() => {
        const tops = {};
        for (const id of %s) {
            const element = document.getElementById(id) ||
                Array.from(document.getElementsByName(id)).find(e => e.localName === "a");
            tops[id] = element ? element.getBoundingClientRect().top + window.scrollY : null;
        }
        return tops;
    })()""" % json.dumps(list(ids))


def section_bounds(tops, fragment, next_ids):
    """(top, bottom) of a section, bottom None for the document's end; see ChromiumPager.shot."""
    start = tops.get(fragment) if fragment else 0.0
    if start is None:
        return 0.0, None
    below = [tops.get(i) for i in next_ids if i != fragment and tops.get(i) is not None]
    below = [y for y in below if y > start]
    return start, (min(below) if below else None)


def default_font_families():
    """The generic families as fontconfig resolves them, for Page.setFontFamilies; empty without fc-match.

    Headless Chromium asks fontconfig for "Times New Roman" and "Arial" by name and refuses the substitutes
    it gets, so text without a font of its own would come out in the sans-serif fallback; a desktop browser,
    Qt WebEngine included, shows it in the serif family."""
    generics = {"standard": "serif", "serif": "serif", "sansSerif": "sans-serif", "fixed": "monospace",
                "cursive": "cursive", "fantasy": "fantasy"}
    try:
        asks = {g: subprocess.Popen(["fc-match", "-f", "%{family[0]}", g], stdout=subprocess.PIPE,
                                    stderr=subprocess.DEVNULL, text=True) for g in set(generics.values())}
        names = {g: ask.communicate(timeout=10)[0].strip() for g, ask in asks.items()}
    except (OSError, subprocess.SubprocessError):
        return {}
    return {key: names[g] for key, g in generics.items() if names.get(g)}


def png_size(data):
    """(width, height) from a PNG's header, or None when the bytes are no PNG."""
    if len(data) < 24 or data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        return None
    return int.from_bytes(data[16:20], "big"), int.from_bytes(data[20:24], "big")


def magick_env():
    """The environment for ImageMagick commands on whole pages: the system policy caps a side at 16,384
    pixels, the policy.xml beside this file raises that for pages up to 256K pixels tall."""
    env = dict(os.environ)
    here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "imagemagick")
    env["MAGICK_CONFIGURE_PATH"] = here + (os.pathsep + env["MAGICK_CONFIGURE_PATH"] if env.get("MAGICK_CONFIGURE_PATH") else "")
    return env


def _whole(value):
    # Content sizes come as fractions; the page holds every partly covered pixel row.
    whole = int(value)
    return whole + 1 if value - whole > 0.01 else whole


def main(argv=None):
    parser = argparse.ArgumentParser(description="Full-page PNG of a file as headless Chromium draws it.")
    parser.add_argument("--width", type=int, default=800, help="viewport width in CSS pixels (800)")
    parser.add_argument("--height", type=int, default=DEFAULT_VIEWPORT_HEIGHT,
                        help=f"first viewport height, the least page height ({DEFAULT_VIEWPORT_HEIGHT})")
    parser.add_argument("--timeout", type=float, default=30.0, help="seconds to wait for the load (30)")
    parser.add_argument("--scripts", action="store_true", help="run the page's own scripts")
    parser.add_argument("file")
    parser.add_argument("out_png")
    args = parser.parse_args(argv)
    try:
        with ChromiumPager(width=args.width, height=args.height, timeout=args.timeout, scripts=args.scripts) as pager:
            width, height = pager.shot(args.file, args.out_png)
    except (PageLoadError, ChromiumError, subprocess.CalledProcessError) as error:
        print(f"chromium_page: {args.file}: {error}" if args.file not in str(error) else f"chromium_page: {error}",
              file=sys.stderr)
        return 1
    print(width, height)
    return 0


if __name__ == "__main__":
    sys.exit(main())
