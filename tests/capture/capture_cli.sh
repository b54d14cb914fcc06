#!/usr/bin/env bash
# corvanel-capture from the command line, with no display: what it says about bad arguments, an
# unwritable or existing output and a full disk, and the file that Ctrl-C, SIGTERM and a second
# capture of the same path leave.  Usage: capture_cli.sh <corvanel-capture> <case>
set -euo pipefail
capture=$1
self=$(realpath "$0")
work=$(mktemp -d)
trap 'cd /; umount -q "$work" 2>/dev/null || true; rm -rf "$work"' EXIT
cd "$work"

fail() { echo "FAIL: $*" >&2; exit 1; }

# Each stream's duration and count of frames (sound's last), one stream after another.
streams()
{
    ffprobe -v error -count_frames -show_entries stream=duration,nb_read_frames -of csv=p=0 "$1" |
        paste -sd' '
}

# A capture in the background ($pid), and a wait for what it says in err (its first progress
# line comes with its first frame). err is emptied first: the child empties it only when it
# runs, and a wait that read the previous capture's lines would signal this one too early.
start() { : >err && { "$capture" "$@" 2>err & pid=$!; }; }
wait_for()
{
    until grep -q "$1" err; do
        kill -0 "$pid" 2>/dev/null || fail "it ended before saying '$1': $(cat err)"
        sleep 0.05
    done
}
finish() { status=0; wait "$pid" || status=$?; }

# An interrupted capture's file plays and holds the frames it names with exactly their sound.
holds_what_it_says()
{
    local frames seconds
    frames=$(sed -n "s/.*interrupted; $1 holds the first \([0-9]*\) frames.*/\1/p" err)
    [ -n "$frames" ] && [ "$frames" -gt 0 ] || fail "did not say what it kept: $(cat err)"
    seconds=$(awk "BEGIN { printf \"%.6f\", $frames / 60 }")
    [[ "$(streams "$1")" == "$seconds,$frames $seconds,"* ]] ||
        fail "$1's streams: $(streams "$1"), not $frames frames and $seconds s of each"
}

# Status 2, one line on standard error (with the reason where one is asked for), nothing else,
# no file.
bad_arguments()
{
    local args status
    for args in "|" "--size 100 x.mp4|" "--size 321x240 x.mp4|even" \
        "--size 8192x8192 --from 179.9 x.mp4|H.264" "--fps 0 x.mp4|" "--fps x.mp4|" \
        "--fps=1/0 x.mp4|" "--from 50 --to 40 x.mp4|" "--to 181 x.mp4|180" "--crf 52 x.mp4|" \
        "--preset fastest x.mp4|veryfast" "--force=yes x.mp4|" "--loud x.mp4|" "x.avi|" \
        "a.mp4 b.mp4|"; do
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
    for word in --size --fps --from --to --crf --preset --force .mp4 .mkv 1024x768 60 180 outro; do
        grep -q -- "$word" help || fail "--help does not mention $word"
    done
}

# An output that cannot be written fails at once, before anything is drawn; so does an
# existing one without --force. With it, what stands there survives, byte for byte, a capture
# interrupted before its first frame (the Ctrl-C is sent before it starts, blocked, and waits
# for it to listen) and one that fills its disk.
unwritable_output()
{
    local status=0
    "$capture" no/such/folder/x.mp4 2>err || status=$?
    [ "$status" = 1 ] || fail "ended with status $status, not 1"
    grep -q "^corvanel-capture: cannot write no/such/folder/x.mp4: No such file" err ||
        fail "said: $(cat err)"
    ! grep -q "drawn by" err || fail "it set up drawing first: $(cat err)"
    head -c 100000 /dev/urandom >old
    cp old keep.mkv
    status=0
    "$capture" --size 64x48 --from 41 --to 41.2 keep.mkv 2>err || status=$?
    [ "$status" = 1 ] && [ "$(cat err)" = "corvanel-capture: keep.mkv exists; --force replaces it" ] ||
        fail "an existing output: status $status, $(cat err)"
    status=0
    perl -MPOSIX -e 'sigprocmask(SIG_BLOCK, POSIX::SigSet->new(SIGINT)); kill INT => $$; exec @ARGV' \
        "$capture" --force --size 64x48 --from 41 --to 41.2 keep.mkv 2>err || status=$?
    [ "$status" = 130 ] && grep -q "interrupted before the first frame" err ||
        fail "interrupted at once: status $status, $(cat err)"
    cmp old keep.mkv && [ "$(ls)" = "$(printf 'err\nkeep.mkv\nold')" ] || fail "left $(ls)"
    [ "$(id -u)" = 0 ] || userns=--map-root-user
    unshare ${userns:+"$userns"} --mount "$self" "$capture" full_disk
}

# In a private mount namespace, a 256 KiB disk that the capture fills.
full_disk()
{
    mount -t tmpfs -o size=256k corvanel-capture-test "$work" && cd "$work"
    head -c 96000 /dev/urandom >keep.mkv
    cp keep.mkv old
    local status=0
    "$capture" --force --size 320x240 keep.mkv 2>err || status=$?
    [ "$status" = 1 ] && grep -q "^corvanel-capture: cannot write keep.mkv: No space left on device" err ||
        fail "a full disk: status $status, $(cat err)"
    cmp old keep.mkv && [ "$(ls)" = "$(printf 'err\nkeep.mkv\nold')" ] || fail "left $(ls)"
}

# Part way through the whole show, on evidence that frames are being drawn: Ctrl-C and SIGTERM
# give 130 and 143 and a file that plays. So does a second interrupt (SIGTERM beside SIGINT, so
# that the two are never merged into one); after a third, sent once the second is answered, the
# file is either finished or abandoned, leaving what stood there before.
interrupted()
{
    local signals
    head -c 100000 /dev/urandom >old
    for signals in INT TERM "INT TERM" "INT TERM INT"; do
        cp old cut.mp4
        start --force --size 320x240 cut.mp4
        wait_for "frame [0-9]* of"
        set -- $signals
        kill -"$1" "$pid" && { [ -z "${2:-}" ] || kill -"$2" "$pid"; }
        if [ -n "${3:-}" ]; then
            wait_for "once more abandons it"
            kill -"$3" "$pid" 2>/dev/null || true
        fi
        finish
        # Of two signals at once either may be taken first, and gives the status.
        [[ " $signals " == *" $(kill -l "$status") "* ]] || fail "$signals: status $status: $(cat err)"
        [ "$(ls)" = "$(printf 'cut.mp4\nerr\nold')" ] || fail "$signals left $(ls)"
        [ -n "${3:-}" ] && cmp -s old cut.mp4 || holds_what_it_says cut.mp4
    done
}

# Two captures of one path at once: one writes it whole, the other fails saying so.
two_captures()
{
    local a b status_a=0 status_b=0
    "$capture" --size 64x48 --from 41 --to 41.5 same.mp4 2>err_a & a=$!
    "$capture" --size 64x48 --from 41 --to 41.5 same.mp4 2>err_b & b=$!
    wait "$a" || status_a=$?
    wait "$b" || status_b=$?
    [ "$((status_a + status_b))" = 1 ] || fail "statuses $status_a and $status_b: $(cat err_*)"
    grep -q "same.mp4 \(exists\|appeared while capturing\)" err_a err_b ||
        fail "the other said: $(cat err_*)"
    [[ "$(streams same.mp4)" == "0.500000,30 0.500000,"* ]] || fail "same.mp4: $(streams same.mp4)"
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
