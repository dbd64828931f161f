#!/usr/bin/env bash
# Lumbrel as the "import" candidate of the anchor harness:
#
#   import-candidate.sh LUMBREL_CLI CARD LIB
#
# Loads CARD/DCIM in copy mode with previews, turning upright and pages, into
# the library root LIB (the SaveFolder setting of a fresh program folder and
# settings file beside LIB), exactly as `lumbrel-cli load` does for a user.
# The harness checks its own file layout afterwards: previews named NAME.jpg
# and LIB/index.html. The library keeps its own names (PREVIEW/NAME.JPG and the
# site's library.htm in the program folder), so this wrapper adds links under
# the checked names after the load; making them costs well under a millisecond.
set -euo pipefail
cli=$1 card=$2 lib=$3
home="$lib.home"
rm -rf "$home"
mkdir -p "$home/config/Orrin"
printf '[Settings]\nSaveFolder=%s\nShowLibrary=1\n[CameraImage]\nShowDialog=1\n' "$lib" \
    > "$home/config/Orrin/Lumbrel.conf"
XDG_CONFIG_HOME="$home/config" "$cli" --home "$home/program" load --copy --no-open "$card/DCIM" >/dev/null

# One process for all the links (a process per link would cost more than the
# links themselves).
perl -e 'for (@ARGV) { (my $l = $_) =~ s/\.JPG$/.jpg/; symlink((split m{/}, $_)[-1], $l) or die "$l: $!" }' \
    "$lib"/*/PREVIEW/*.JPG
ln -sf "$home/program/library.htm" "$lib/index.html"
