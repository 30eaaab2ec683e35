#!/usr/bin/env bash
# Pixels that differ between two sets of bench/window_shot.sh's steady shots, per
# shot. A live figure's mask is as wide as its text, which changes with the figure:
# what either set painted over is left out of both.
#
#   bench/shot_diff.sh /tmp/shot-old /tmp/shot-new
set -euo pipefail
OLD=$1 NEW=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for shot in light-home light-config dark-home dark-config; do
  a=$OLD-$shot-steady.png b=$NEW-$shot-steady.png
  # white where either shot is magenta, black elsewhere
  convert "$a" "$b" -fill black +opaque magenta -fill white -opaque magenta -compose lighten -composite "$work/mask.png"
  for side in a b; do
    convert "${!side}" "$work/mask.png" -compose screen -composite "$work/$side.png"
  done
  diff=$(compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1 || true)
  echo "$shot $diff"
  [ "$diff" = 0 ] || status=1
done
exit $status
