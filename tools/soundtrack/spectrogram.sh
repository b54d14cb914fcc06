#!/usr/bin/env bash
# spectrogram.sh <decoded.wav> <out.png>
# Draws the whole track's spectrogram with every 32-beat phrase marked (the cube changes
# photos there), the drop on beat 128 and the show's end on beat 540 in their own colours.
set -euo pipefail
wav=$1
png=$2
width=2400
height=600
beats_per_second=3      # 180 BPM
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

seconds=$(soxi -D "$wav")
sox "$wav" -n remix - rate 24k spectrogram -r -x "$width" -y "$height" -z 90 -o "$work/plot.png"

draw=()
for ((beat = 32; beat < 620; beat += 32)); do
    x=$(awk -v b="$beat" -v s="$seconds" -v w="$width" -v r="$beats_per_second" \
        'BEGIN { printf "%d", b / r / s * w }')
    colour=white
    [ "$beat" -eq 128 ] && colour='#ff5050'
    draw+=(-fill none -stroke "$colour" -draw "line $x,0 $x,$height")
    draw+=(-stroke none -fill "$colour" -undercolor '#000000c0' -draw "text $((x + 3)),14 '$beat'")
done
end=$(awk -v s="$seconds" -v w="$width" 'BEGIN { printf "%d", 540 / 3 / s * w }')
draw+=(-fill none -stroke '#50c0ff' -draw "line $end,0 $end,$height")
draw+=(-stroke none -fill '#50c0ff' -undercolor '#000000c0' -draw "text $((end - 96)),32 'show ends: 540 '")

convert "$work/plot.png" -font DejaVu-Sans -pointsize 12 "${draw[@]}" \
    -background '#202020' -fill white -gravity north -splice 0x22 \
    -annotate +0+4 "music.mp3, 0-12 kHz over 205.5 s; lines every 32 beats, drop at 128 (red)" \
    -colors 256 -strip PNG8:"$png"
