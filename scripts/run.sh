#!/usr/bin/env bash
# Sets up and runs Quillmark's main job: installs what is missing, builds, makes the sample book and lists
# its table of contents with the command-line tool.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target quillmark-cli sample-book
./build/src/cli/quillmark-cli toc "${1:-build/sample/quillmark-sample.epub}"
