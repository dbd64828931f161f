#!/bin/sh
# Runs lumbrel-cli info on a program folder that does not exist yet, with the
# settings kept in a temporary folder, and expects an empty library.
set -u
cli=$1
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
out=$(XDG_CONFIG_HOME="$work/config" "$cli" --home "$work/home" info) || {
    echo "lumbrel-cli info failed" >&2
    exit 1
}
printf '%s\n' "$out"
case $out in
*"Libraries: 0"*) exit 0 ;;
esac
echo 'the output does not say "Libraries: 0"' >&2
exit 1
