#!/usr/bin/env bash
# The README's moving preview: three seconds around the drop (beat 128, 42.667 s), captured
# by corvanel-capture and turned into an animated WebP by Debian's ffmpeg.
# Usage: render_preview.sh <corvanel-capture> <docs dir>
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$1" --size 400x300 --fps 20 --from 41.5 --to 44.5 "$work/drop.mkv"
ffmpeg -nostdin -v error -y -i "$work/drop.mkv" -an -c:v libwebp -loop 0 -quality 70 \
    -compression_level 6 "$2/drop.webp"
echo "wrote $2/drop.webp"
