#!/usr/bin/env bash
# Lays the 36 photographs and the two logos out on one sheet for the README.
# Usage: contact_sheet.sh <media dir> <output png>
set -euo pipefail
media=$1
out=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Photos in set order, numbered, each in its own shape.
montage "$media"/photos/*.jpg -thumbnail 168x126 -background '#15151b' -gravity center -extent 168x126 \
    -set label '%t' -font DejaVu-Sans -pointsize 11 -fill '#c8c8d0' \
    -background '#15151b' -geometry +4+4 -tile 6x "$work/photos.png"

# The logos over a busy photo, as the show draws them over the tunnel.
convert "$media/photos/11.jpg" -resize 1000x300^ -gravity center -extent 1000x300 \
    \( "$media/logos/spinning.png" -resize 240x240 \) -gravity west -geometry +120+0 -composite \
    \( "$media/logos/pulsing.png" -resize 400x400 \) -gravity east -geometry +120+0 -composite \
    "$work/logos.png"

convert "$work/photos.png" \( "$work/logos.png" -background '#15151b' -gravity center \
    -extent "$(identify -format "%w" "$work/photos.png")x316" \) -append -strip -depth 8 "$out"
