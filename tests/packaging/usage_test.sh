#!/usr/bin/env bash
# Both programs' command lines: quillmark answers --help and --version without a display and says why it
# cannot start without one; every subcommand, option and exit status that the programs' help names is in
# their manual pages.
#   usage_test.sh QUILLMARK QUILLMARK_CLI MAN_DIR VERSION
set -uo pipefail
quillmark=$1
cli=$2
man_dir=$3
version=$4

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Runs quillmark with no display at all; sets status, out and err.
run_without_display() {
    status=0
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$quillmark" "$@" >"$work/out" 2>"$work/err" || status=$?
    out=$(cat "$work/out")
    err=$(cat "$work/err")
}

run_without_display --version
[ "$status" -eq 0 ] && [ "$out" = "quillmark $version" ] || fail "quillmark --version: $status \"$out\" \"$err\""
for option in --help -h; do
    run_without_display "$option" book.epub
    [ "$status" -eq 0 ] && grep -q '^Usage: .*quillmark \[options\] \[BOOK.epub\]$' <<<"$out" &&
        grep -q -- '--version' <<<"$out" || fail "quillmark $option: $status \"$out\" \"$err\""
done
run_without_display book.epub
[ "$status" -eq 1 ] && grep -q '^quillmark: no display' <<<"$err" || fail "quillmark without a display: $status \"$err\""
status=0
env QT_QPA_PLATFORM=offscreen "$quillmark" --no-such-option >/dev/null 2>"$work/err" || status=$?
[ "$status" -eq 64 ] && grep -q "Unknown option 'no-such-option'" "$work/err" ||
    fail "quillmark --no-such-option: $status $(cat "$work/err")"
quillmark_codes="0 1 64"

# The manual pages write a hyphen as \-.
documented() {
    grep -qF -- "$(sed 's/-/\\-/g' <<<"$2")" "$man_dir/$1"
}
exit_status_documented() {
    sed -n '/^\.SH EXIT STATUS/,/^\.SH /p' "$man_dir/$1" | grep -qx "\.B $2"
}

for code in $quillmark_codes; do
    exit_status_documented quillmark.1 "$code" || fail "quillmark.1 does not document exit status $code"
done
for option in --help --help-all --version; do
    documented quillmark.1 "$option" || fail "quillmark.1 does not document $option"
done

commands=$("$cli" --help | sed -n 's/^  \([a-z][a-z]*\) .*/\1/p')
[ -n "$commands" ] || fail "quillmark-cli --help lists no command"
for command in $commands; do
    help=$("$cli" "$command" --help)
    documented quillmark-cli.1 ".SS $command" || fail "quillmark-cli.1 has no section on $command"
    for option in $(grep -oE -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
        documented quillmark-cli.1 "$option" || fail "quillmark-cli.1 does not document $command $option"
    done
    codes=$(sed -n '/^exit status: /,$p' <<<"$help" | sed 's/^exit status: //' | tr '\n' ' ')
    for code in $(grep -oE '(^|; )[0-9]+' <<<"$codes" | grep -oE '[0-9]+'); do
        exit_status_documented quillmark-cli.1 "$code" || fail "quillmark-cli.1 does not document exit status $code"
    done
done
for option in --help --version; do
    documented quillmark-cli.1 "$option" || fail "quillmark-cli.1 does not document $option"
done

if [ "$failures" -ne 0 ]; then
    exit 1
fi
echo "usage checks passed for: quillmark, quillmark-cli" $commands
