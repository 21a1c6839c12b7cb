#!/usr/bin/env bash
# Sets up and runs Quillmark's main job: installs what is missing, builds the desktop program, the command line
# with its conversion program and the sample book, and opens the book (or BOOK.epub, the first argument) in the
# window. Without a display it converts the book to a PDF in build/ instead and says how to run the window under
# Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."

book="${1:-build/sample/quillmark-sample.epub}"

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target quillmark quillmark-cli sample-book

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    # No window to show: do the other half of the job, the conversion, and say where the result is.
    pdf="build/$(basename "${book%.*}").pdf"
    ./build/src/cli/quillmark-cli convert "$book" "$pdf" --replace
    echo "Converted $book to $pdf." >&2
    echo "No display to show the window on; run it under Xvfb instead: xvfb-run -a bash scripts/run.sh${*:+ $*}" >&2
    exit 0
fi
# Chromium refuses to start its sandbox as root.
if [ "$(id -u)" -eq 0 ]; then
    export QTWEBENGINE_DISABLE_SANDBOX=1
fi
exec ./build/bin/quillmark "$book"
