#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Quillmark need; does nothing when all are
# present. Run as root (or with sudo available).
set -euo pipefail

packages=(
    g++ cmake ninja-build pkgconf clang-format
    zlib1g-dev libjpeg62-turbo-dev libpugixml-dev libqpdf-dev libicu-dev
    libgtest-dev libgmock-dev
    qt6-base-dev qt6-declarative-dev qt6-webengine-dev
    # Fonts for the world's scripts, so that no book shows boxes: Latin, Greek, Cyrillic, Arabic, Hebrew,
    # Devanagari, Thai and the rest of Noto (12 MB download), Chinese, Japanese and Korean (57 MB).
    fonts-dejavu-core fonts-noto-core fonts-noto-cjk
    xdg-utils xvfb xauth
    # Checks of the output by independent tools: PDF structure and pages; the same engine driven through PyQt6
    # and Debian's Chromium as references for a captured page; Debian's checks of the package.
    qpdf poppler-utils python3 python3-pyqt6.qtwebengine chromium imagemagick
    desktop-file-utils appstream dpkg-dev file lintian
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
run_as_root=()
if [ "$(id -u)" -ne 0 ]; then
    run_as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${run_as_root[@]}" apt-get update -qq
"${run_as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
