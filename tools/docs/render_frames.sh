#!/usr/bin/env bash
# Renders the README's frames (5 s, 50 s, 100 s into the show, with the carried pictures) on a
# private Xvfb and writes them as PNG files.
# Usage: render_frames.sh <scene_frames> <docs dir>
set -euo pipefail
tool=$1
docs=$2
xvfb=$(dirname "$0")/../../tests/support/xvfb.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$xvfb" run "$tool" "$work" 5000 50000 100000
mkdir -p "$docs"
convert "$work/frame_5000.ppm" -strip "$docs/frame_05s.png"
convert "$work/frame_50000.ppm" -strip "$docs/frame_50s.png"
convert "$work/frame_100000.ppm" -strip "$docs/frame_100s.png"
echo "wrote $docs/frame_05s.png, frame_50s.png, frame_100s.png"
