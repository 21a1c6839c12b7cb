#!/usr/bin/env bash
# Validates the desktop entry, the AppStream metadata and the manual pages with the tools that read them.
#   desktop_files_test.sh SOURCE_DIR
# A validator that is not installed is skipped; exits 77 (skipped) when none is.
set -uo pipefail
resources=$1/resources
app=io.github.quillmark.Quillmark

ran=0
failures=0
check() {
    local tool=$1
    shift
    if ! command -v "$tool" >/dev/null; then
        echo "skipped: $tool is not installed"
        return
    fi
    ran=$((ran + 1))
    local output status=0
    output=$("$@" 2>&1) || status=$?
    # groff says nothing about a page without mistakes, and exits 0 either way.
    if [ "$status" -ne 0 ] || { [ "$tool" = groff ] && [ -n "$output" ]; }; then
        echo "FAIL: $*"
        echo "$output"
        failures=$((failures + 1))
    else
        echo "ok: $*"
    fi
}

check desktop-file-validate desktop-file-validate "$resources/desktop/$app.desktop"
check appstreamcli appstreamcli validate --no-net --explain "$resources/desktop/$app.metainfo.xml"
check xmllint xmllint --noout "$resources/desktop/$app.svg"
for page in quillmark.1 quillmark-cli.1; do
    check groff groff -man -ww -z "$resources/man/$page"
done

if [ "$failures" -ne 0 ]; then
    exit 1
fi
if [ "$ran" -eq 0 ]; then
    exit 77
fi
