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

# Status 2, one line on standard error, nothing else, no file.
bad_arguments()
{
    local args status
    for args in "" "--size 100 x.mp4" "--size 321x240 x.mp4" "--fps 0 x.mp4" "--fps x.mp4" \
        "--from 50 --to 40 x.mp4" "--to 181 x.mp4" "--crf 52 x.mp4" "--loud x.mp4" "x.avi" \
        "a.mp4 b.mp4"; do
        status=0
        # shellcheck disable=SC2086  # the words are the arguments
        "$capture" $args >out 2>err || status=$?
        [ "$status" = 2 ] || fail "'$args' ended with status $status, not 2"
        [ "$(wc -l <err)" = 1 ] || fail "'$args' wrote $(wc -l <err) lines, not one: $(cat err)"
        [ ! -s out ] || fail "'$args' wrote to standard output"
        [ -z "$(ls -A | grep -v '^out$\|^err$')" ] || fail "'$args' left a file: $(ls)"
    done
    "$capture" --help >help || fail "--help ended with status $?"
    for word in --size --fps --from --to --crf .mp4 .mkv 1024x768 60; do
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

# A frame rate whose frames last no whole number of milliseconds (nor of samples): both
# streams still last exactly what they hold, 4 frames of 1/7 s and the 27428 samples under them.
odd_frame_rate()
{
    "$capture" --size 64x48 --fps 7 --from 41 --to 41.5 odd.mp4 2>err || fail "$(cat err)"
    [[ "$(streams odd.mp4)" == "0.571429,4 0.571417,"* ]] ||
        fail "odd.mp4's streams: $(streams odd.mp4)"
}

"$2"
