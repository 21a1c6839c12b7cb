#!/usr/bin/env bash
# Builds the Debian package from a built tree and checks what it holds and what it depends on.
#   deb_package_test.sh BUILD_DIR CPACK
# Exits 77 (skipped) where cpack or the Debian package tools are missing.
set -euo pipefail
build_dir=$1
cpack=$2

for tool in "$cpack" dpkg-deb dpkg-shlibdeps file readelf lintian; do
    if ! command -v "$tool" >/dev/null; then
        echo "skipped: $tool is not installed"
        exit 77
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if ! "$cpack" -G DEB --config "$build_dir/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    exit 1
fi
debs=("$work"/quillmark_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "expected one quillmark_*.deb, found: ${debs[*]}"
    exit 1
fi
deb=${debs[0]}
echo "built $(basename "$deb"), $(stat -c %s "$deb") bytes"

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

contents=$(dpkg-deb --contents "$deb" | awk '{print $NF}')
app=io.github.quillmark.Quillmark
for file in \
    ./usr/bin/quillmark \
    ./usr/bin/quillmark-cli \
    ./usr/share/man/man1/quillmark.1.gz \
    ./usr/share/man/man1/quillmark-cli.1.gz \
    ./usr/share/applications/$app.desktop \
    ./usr/share/metainfo/$app.metainfo.xml \
    ./usr/share/icons/hicolor/16x16/apps/$app.png \
    ./usr/share/icons/hicolor/32x32/apps/$app.png \
    ./usr/share/icons/hicolor/48x48/apps/$app.png \
    ./usr/share/icons/hicolor/64x64/apps/$app.png \
    ./usr/share/icons/hicolor/128x128/apps/$app.png \
    ./usr/share/icons/hicolor/256x256/apps/$app.png \
    ./usr/share/icons/hicolor/scalable/apps/$app.svg \
    ./usr/share/quillmark/help/index.html \
    ./usr/share/doc/quillmark/copyright \
    ./usr/share/doc/quillmark/changelog.gz; do
    grep -qxF "$file" <<<"$contents" || fail "$file is not in the package"
done

[ "$(dpkg-deb --field "$deb" Package)" = quillmark ] || fail "the package is not called quillmark"
[ -n "$(dpkg-deb --field "$deb" Maintainer)" ] || fail "no maintainer"
[ -n "$(dpkg-deb --field "$deb" Section)" ] || fail "no section"
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
# The browser engine (library and helper process), the fonts, and the libraries the core links.
for package in libqt6webenginewidgets6 libqt6webenginecore6-bin fonts-noto-core fonts-noto-cjk fonts-dejavu-core \
    zlib1g libjpeg62-turbo libpugixml1v5 libc6; do
    grep -qE "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends lacks $package"
done

# Installed programs find their libraries as the system does, never in the build tree.
dpkg-deb --extract "$deb" "$work/root"
for program in quillmark quillmark-cli; do
    if readelf --dynamic "$work/root/usr/bin/$program" | grep -qE 'RPATH|RUNPATH'; then
        fail "$program keeps a run path"
    fi
    if readelf --sections "$work/root/usr/bin/$program" | grep -qF .debug_info; then
        fail "$program is not stripped"
    fi
done

# Debian's own checks of a package: none of its errors, and what it warns of shown.
if ! lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1; then
    fail "lintian finds errors"
fi
cat "$work/lintian.log"

if [ "$failures" -ne 0 ]; then
    exit 1
fi
echo "package checks passed"
