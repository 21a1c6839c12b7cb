#!/usr/bin/env bash
# Sets up and runs Quillmark's main job: installs what is missing, builds the desktop program and the sample
# book, and opens the book (or BOOK.epub, the first argument) in the window. Without a display it says how
# to run it under Xvfb instead.
set -euo pipefail
cd "$(dirname "$0")/.."

book="${1:-build/sample/quillmark-sample.epub}"

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target quillmark sample-book

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display to show the window on; run it under Xvfb instead: xvfb-run -a bash scripts/run.sh${*:+ $*}" >&2
    exit 0
fi
# Chromium refuses to start its sandbox as root.
if [ "$(id -u)" -eq 0 ]; then
    export QTWEBENGINE_DISABLE_SANDBOX=1
fi
exec ./build/bin/quillmark "$book"
