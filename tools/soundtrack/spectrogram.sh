#!/usr/bin/env bash
# spectrogram.sh <decoded.wav> <out.png>
# Draws the whole track's spectrogram with every phrase marked (the cube changes photos
# there), the drop and the show's end in their own colours. The beat grid comes from the
# show's timeline, so the marks move with it.
set -euo pipefail
wav=$1
png=$2
width=2400
height=600
timeline=$(dirname "$0")/../../src/core/timeline.h
# The value of one of the timeline's `constexpr <type> <name> = <number>;` lines.
timeline_value() { sed -n "s/^constexpr [a-z:0-9_]* $1 = \([0-9.]*\);.*/\1/p" "$timeline"; }
bpm=$(timeline_value kShowBpm)
phrase=$(timeline_value kBeatsPerPhrase)
drop=$(timeline_value kDropBeat)
show_end=$(awk -v ms="$(timeline_value kShowLengthMs)" -v bpm="$bpm" \
    -v per_minute="$(timeline_value kMsPerMinute)" 'BEGIN { printf "%d", ms * bpm / per_minute }')
beats_per_second=$(awk -v bpm="$bpm" 'BEGIN { print bpm / 60 }')
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

seconds=$(soxi -D "$wav")
sox "$wav" -n remix - rate 24k spectrogram -r -x "$width" -y "$height" -z 90 -o "$work/plot.png"

# x of a beat on the plot.
beat_x() {
    awk -v b="$1" -v s="$seconds" -v w="$width" -v r="$beats_per_second" \
        'BEGIN { printf "%d", b / r / s * w }'
}
last_beat=$(awk -v s="$seconds" -v r="$beats_per_second" 'BEGIN { printf "%d", s * r }')

draw=()
for ((beat = phrase; beat <= last_beat; beat += phrase)); do
    x=$(beat_x "$beat")
    colour=white
    [ "$beat" -eq "$drop" ] && colour='#ff5050'
    draw+=(-fill none -stroke "$colour" -draw "line $x,0 $x,$height")
    draw+=(-stroke none -fill "$colour" -undercolor '#000000c0' -draw "text $((x + 3)),14 '$beat'")
done
end=$(beat_x "$show_end")
draw+=(-fill none -stroke '#50c0ff' -draw "line $end,0 $end,$height")
draw+=(-stroke none -fill '#50c0ff' -undercolor '#000000c0' -draw "text $((end - 96)),32 'show ends: $show_end '")

title=$(printf "music.mp3, 0-12 kHz over %.1f s; lines every %d beats, drop at %d (red)" \
    "$seconds" "$phrase" "$drop")
convert "$work/plot.png" -font DejaVu-Sans -pointsize 12 "${draw[@]}" \
    -background '#202020' -fill white -gravity north -splice 0x22 \
    -annotate +0+4 "$title" \
    -colors 256 -strip PNG8:"$png"
