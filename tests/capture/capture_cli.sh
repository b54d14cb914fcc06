#!/usr/bin/env bash
# corvanel-capture from the command line, with no display: what it says about bad arguments and
# an unwritable output, and the file Ctrl-C leaves.  Usage: capture_cli.sh <corvanel-capture> <case>
set -euo pipefail
capture=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

fail() { echo "FAIL: $*" >&2; exit 1; }

# Each stream's duration and count of frames (sound's last), one stream after another.
streams()
{
    ffprobe -v error -count_frames -show_entries stream=duration,nb_read_frames -of csv=p=0 "$1" |
        paste -sd' '
}

# Status 2, one line on standard error (with the reason where one is asked for), nothing else,
# no file.
bad_arguments()
{
    local args status
    for args in "|" "--size 100 x.mp4|" "--size 321x240 x.mp4|even" \
        "--size 8192x8192 --from 179.9 x.mp4|H.264" "--fps 0 x.mp4|" "--fps x.mp4|" \
        "--fps=1/0 x.mp4|" "--from 50 --to 40 x.mp4|" "--to 181 x.mp4|180" "--crf 52 x.mp4|" \
        "--loud x.mp4|" "x.avi|" "a.mp4 b.mp4|"; do
        status=0
        # shellcheck disable=SC2086  # the words are the arguments
        "$capture" ${args%|*} >out 2>err || status=$?
        [ "$status" = 2 ] || fail "'$args' ended with status $status, not 2"
        [ "$(wc -l <err)" = 1 ] || fail "'$args' wrote $(wc -l <err) lines, not one: $(cat err)"
        grep -q -- "${args#*|}" err || fail "'$args' did not say why: $(cat err)"
        [ ! -s out ] || fail "'$args' wrote to standard output"
        [ -z "$(ls -A | grep -v '^out$\|^err$')" ] || fail "'$args' left a file: $(ls)"
    done
    "$capture" --help >help || fail "--help ended with status $?"
    for word in --size --fps --from --to --crf .mp4 .mkv 1024x768 60 180 outro; do
        grep -q -- "$word" help || fail "--help does not mention $word"
    done
}

# An output that cannot be written fails at once, before anything is drawn.
unwritable_output()
{
    local status=0
    "$capture" no/such/folder/x.mp4 2>err || status=$?
    [ "$status" = 1 ] || fail "ended with status $status, not 1"
    grep -q "^corvanel-capture: cannot write no/such/folder/x.mp4" err || fail "said: $(cat err)"
    ! grep -q "drawn by" err || fail "it set up drawing first: $(cat err)"
}

# Ctrl-C part way: status 130, a file that plays, holding the frames it names and their sound.
interrupted()
{
    "$capture" --size 320x240 --from 41 --to 51 cut.mp4 2>err &
    local pid=$! status=0 frames seconds
    for _ in $(seq 100); do grep -q "drawn by" err && break; sleep 0.1; done
    sleep 3
    kill -INT "$pid"
    wait "$pid" || status=$?
    [ "$status" = 130 ] || fail "ended with status $status, not 130: $(cat err)"
    frames=$(sed -n 's/.*interrupted; cut.mp4 holds the first \([0-9]*\) frames.*/\1/p' err)
    [ -n "$frames" ] && [ "$frames" -gt 0 ] && [ "$frames" -lt 600 ] ||
        fail "did not say what it kept: $(cat err)"
    seconds=$(awk "BEGIN { printf \"%.6f\", $frames / 60 }")
    [[ "$(streams cut.mp4)" == "$seconds,$frames $seconds,"* ]] ||
        fail "cut.mp4's streams: $(streams cut.mp4), not $frames frames and $seconds s of each"
}

# Frame rates whose frames last no whole number of milliseconds (nor of samples), as a
# fraction and as television's rate is written (and options as --name=value, an extension in
# capitals): both streams still last exactly what they hold, 4 frames of 1/7 s and the 27428
# samples under them; 9 frames of 1001/30000 s and the 14414 samples under them.
odd_frame_rate()
{
    local args rate lengths file got
    for args in "--fps 7 --from 41 --to 41.5 odd.mp4|7/1|0.571429,4 0.571417," \
        "--fps=30000/1001 --from=41 --to=41.3 ODD.MP4|30000/1001|0.300300,9 0.300292," \
        "--fps 29.97 --from 41 --to 41.3 tv.mp4|30000/1001|0.300300,9 0.300292,"; do
        IFS='|' read -r args rate lengths <<<"$args"
        file=${args##* }
        # shellcheck disable=SC2086  # the words are the arguments
        "$capture" --size 64x48 $args 2>err || fail "$(cat err)"
        got=$(ffprobe -v error -select_streams v -show_entries stream=r_frame_rate -of csv=p=0 "$file")
        [[ "$got $(streams "$file")" == "$rate $lengths"* ]] || fail "$file: $got $(streams "$file")"
    done
}

"$2"
