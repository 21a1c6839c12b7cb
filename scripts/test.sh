#!/usr/bin/env bash
# Sets up and runs every test: installs what is missing, checks formatting, builds and runs all tests (the
# GUI tests on Qt's offscreen platform), then builds and runs the core tests and fuzz seed replays under
# AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

echo "== formatting"
bash scripts/check-format.sh

jobs=$(nproc)

echo "== build and test"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
# The GUI tests run headless: Qt's offscreen platform, Qt Quick in software, Chromium without its sandbox
# (it refuses to start one as root), and a private runtime folder.
runtime_dir=$(mktemp -d)
trap 'rm -rf "$runtime_dir"' EXIT
QT_QPA_PLATFORM=offscreen QT_QUICK_BACKEND=software QTWEBENGINE_DISABLE_SANDBOX=1 XDG_RUNTIME_DIR="$runtime_dir" \
    QT_LOGGING_RULES="qt.webenginecontext.info=false" \
    ctest --test-dir build --output-on-failure -j "$jobs"

echo "== core under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILLMARK_SANITIZE=ON -DQUILLMARK_GUI=OFF >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs"
