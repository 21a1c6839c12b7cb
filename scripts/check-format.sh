#!/usr/bin/env bash
# Fails when a C++ file of the project differs from what clang-format makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
if [ ${#files[@]} -eq 0 ]; then
    exit 0
fi
clang-format --dry-run --Werror "${files[@]}"
echo "formatting: ${#files[@]} files clean"
