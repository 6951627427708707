#!/usr/bin/env bash
# Draws the program icon varnsetrm.ico (32x32 and 16x16): a grey box with a
# red arrow leaving it. Needs ImageMagick; the result is committed, so the
# build itself does not need this script.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
convert -size 32x32 xc:none \
  -fill '#c8c8c8' -stroke '#404040' -strokewidth 1 -draw 'rectangle 3,11 21,29' \
  -fill '#e8e8e8' -draw 'polygon 3,11 9,5 27,5 21,11' \
  -fill '#a0a0a0' -draw 'polygon 21,11 27,5 27,23 21,29' \
  -stroke '#b00000' -strokewidth 3 -draw 'line 10,20 26,20' \
  -fill '#d00000' -stroke '#800000' -strokewidth 1 -draw 'polygon 24,14 31,20 24,26' \
  "$tmp/32.png"
convert "$tmp/32.png" -resize 16x16 "$tmp/16.png"
convert "$tmp/32.png" "$tmp/16.png" -colors 256 varnsetrm.ico
