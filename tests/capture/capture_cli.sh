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

source "$(dirname "$self")/../support/common.sh"

# The pictures' frame rate, duration and count of frames, then the sound's length from the first
# picture on (what plays under the pictures; to 0.1 ms, as its end falls on a whole sample) and
# its count of packets.
streams() { ffprobe -v error -count_frames -show_entries stream=r_frame_rate,start_time,duration,nb_read_frames \
    -of csv=p=0 "$1" | awk -F, 'NR == 1 { first = $2; printf "%s,%s,%s", $1, $3, $4 }
                                NR == 2 { printf " %s,%.4f,%s", $1, $2 + $3 - first, $4 }'; }

# Runs a command that must end with status $1 having said what the pattern $2 matches (the
# whole of its standard error, kept in err).
expect()
{
    status=0
    "${@:3}" 2>err || status=$?
    # shellcheck disable=SC2053  # $2 is a pattern
    [ "$status" = "$1" ] && [[ "$(cat err)" == $2 ]] || fail "${*:3}: status $status, $(cat err)"
}

# Whether the capture in the background ($pid) has said $1 (its first progress line comes with
# its first frame), for wait_for; fails at once if it ended without saying it.
said()
{
    grep -q "$1" err && return
    kill -0 "$pid" 2>/dev/null || grep -q "$1" err || fail "it ended before saying '$1': $(cat err)"
    return 1
}

# Status 2, one line on standard error (with the reason where one is asked for), nothing else,
# no file.
bad_arguments()
{
    local args
    for args in "|" "--size 100 x.mp4|" "--size 321x240 x.mp4|even" \
        "--size 8192x8192 --from 179.9 x.mp4|H.264" "--fps 0 x.mp4|" "--fps x.mp4|" \
        "--fps=1/0 x.mp4|" "--from 50 --to 40 x.mp4|" "--to 181 x.mp4|180" "--crf 52 x.mp4|" \
        "--to 0.0001 x.mp4|nothing to capture from 0.000 s to 0.000 s" \
        "--preset fastest x.mp4|veryfast" "--force=yes x.mp4|" "--loud x.mp4|" "x.avi|" \
        "a.mp4 b.mp4|"; do
        # shellcheck disable=SC2086  # the words are the arguments
        expect 2 "*${args#*|}*" "$capture" ${args%|*} >out
        [ "$(wc -l <err)" = 1 ] && [ ! -s out ] && [ "$(ls -A)" = "$(printf 'err\nout')" ] ||
            fail "'$args' wrote more than one line, or to standard output, or a file: $(ls -A) $(cat err out)"
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
    expect 1 "corvanel-capture: cannot write no/such/folder/x.mp4: No such file or directory" \
        "$capture" no/such/folder/x.mp4
    head -c 100000 /dev/urandom | tee old >keep.mkv
    expect 1 "corvanel-capture: keep.mkv exists; --force replaces it" \
        "$capture" --size 64x48 --from 41 --to 41.2 keep.mkv
    expect 130 "*interrupted before the first frame*" \
        perl -MPOSIX -e 'sigprocmask(SIG_BLOCK, POSIX::SigSet->new(SIGINT)); kill INT => $$; exec @ARGV' \
        "$capture" --force --size 64x48 --from 41 --to 41.2 keep.mkv
    cmp old keep.mkv && [ "$(ls)" = "$(printf 'err\nkeep.mkv\nold')" ] || fail "left $(ls)"
    [ "$(id -u)" = 0 ] || userns=--map-root-user
    unshare ${userns:+"$userns"} --mount "$self" "$capture" full_disk
}

# In a private mount namespace, a 256 KiB disk that the capture fills.
full_disk()
{
    mount -t tmpfs -o size=256k corvanel-capture-test "$work" && cd "$work"
    head -c 96000 /dev/urandom | tee old >keep.mkv
    expect 1 "*corvanel-capture: cannot write keep.mkv: No space left on device*" \
        "$capture" --force --size 320x240 keep.mkv
    cmp old keep.mkv && [ "$(ls)" = "$(printf 'err\nkeep.mkv\nold')" ] || fail "left $(ls)"
}

# Part way through the whole show, on evidence that frames are being drawn: Ctrl-C, SIGTERM and
# SIGHUP give 130, 143 and 129 and a file that plays, holding the frames it names with exactly their sound.
# So does a second interrupt (SIGTERM beside SIGINT, so that the two are never merged into one);
# after a third, sent once the second is answered, the file is either finished or abandoned,
# leaving what stood there before.
interrupted()
{
    local signals frames seconds
    head -c 100000 /dev/urandom >old
    for signals in INT TERM HUP "INT TERM" "INT TERM INT"; do
        cp old cut.mp4
        # err is emptied first: the child empties it only when it runs, and a wait that read the
        # previous capture's lines would signal this one too early.
        : >err && { "$capture" --force --size 320x240 cut.mp4 2>err & pid=$!; }
        wait_for 120 said "frame [0-9]* of" || fail "$signals: no frame within 120 s: $(cat err)"
        set -- $signals
        kill -"$1" "$pid" && { [ -z "${2:-}" ] || kill -"$2" "$pid"; }
        if [ -n "${3:-}" ]; then
            wait_for 120 said "once more abandons it" || fail "$signals: no answer in 120 s"
            kill -"$3" "$pid" 2>/dev/null || true
        fi
        status=0 && wait "$pid" || status=$?
        # Of two signals at once either may be taken first, and gives the status.
        [[ " $signals " == *" $(kill -l "$status") "* ]] || fail "$signals: status $status: $(cat err)"
        [ "$(ls)" = "$(printf 'cut.mp4\nerr\nold')" ] || fail "$signals left $(ls)"
        [ -n "${3:-}" ] && cmp -s old cut.mp4 && continue
        frames=$(sed -n "s/.*interrupted; cut.mp4 holds the first \([0-9]*\) frames.*/\1/p" err)
        [ "${frames:-0}" -gt 0 ] || fail "$signals: did not say what it kept: $(cat err)"
        seconds=$(awk "BEGIN { printf \"%.6f\", $frames / 60 }")
        [[ "$(streams cut.mp4)" == "60/1,$seconds,$frames 0/0,$(printf %.4f "$seconds"),"* ]] ||
            fail "$signals: cut.mp4 holds $(streams cut.mp4), not $frames frames and $seconds s of each"
    done
}

# Standard error closed: the file whole, nothing written into it. Its reader gone (`| head -n1`):
# ended as by Ctrl-C (141), streams that agree. Past `ulimit -f`: one line, nothing left.
hostile_endings()
{
    local video
    "$capture" --size 64x48 --from 41 --to 41.2 shut.mp4 2>&- || fail "closed: status $?"
    [[ "$(streams shut.mp4)" == "60/1,0.200000,12 0/0,0.2000,"* ]] || fail "shut.mp4: $(streams shut.mp4)"

    status=0
    "$capture" --size 320x240 piped.mp4 2>&1 | head -n1 >first || status=${PIPESTATUS[0]}
    [ "$status" = 141 ] && grep -q "frames of 320 x 240" first || fail "pipe: status $status, $(cat first)"
    video=$(streams piped.mp4 | cut -d, -f2)
    [[ "$(streams piped.mp4)" == "60/1,$video,"*" 0/0,$(printf %.4f "$video"),"* ]] || fail "piped.mp4: $(streams piped.mp4)"

    expect 1 "*corvanel-capture: cannot write big.mp4: File too large; nothing written to big.mp4" \
        bash -c 'ulimit -f 256 && exec "$@"' limit "$capture" --size 320x240 big.mp4
    [ "$(grep -cv ': frame [0-9]* of\|frames of 320 x 240' err)" = 1 ] && [ ! -e big.mp4 ] &&
        [ "$(ls | wc -l)" = 4 ] || fail "past the limit: $(cat err), left $(ls)"
}

# --force keeps a replaced file's mode 0600, and writes through a symbolic link, keeping it; a
# 255-byte name works; a folder removed underneath stops the capture long before the show ends.
replaced_output()
{
    local long
    echo old >private.mp4 && chmod 600 private.mp4 && ln -s private.mp4 link.mp4
    for file in private.mp4 link.mp4; do
        "$capture" --force --size 64x48 --from 41 --to 41.2 "$file" 2>err || fail "$file: $(cat err)"
        [ -L link.mp4 ] && [ "$(stat -c %a private.mp4)" = 600 ] ||
            fail "$file: link.mp4 $(stat -c %F link.mp4), private.mp4 mode $(stat -c %a private.mp4)"
        [[ "$(streams private.mp4)" == "60/1,0.200000,12 "* ]] || fail "$file: $(streams private.mp4)"
    done
    long=$(printf 'n%.0s' $(seq 251)).mp4
    "$capture" --size 64x48 --from 41 --to 41.2 "$long" 2>err && [ "$(ls | grep -c '^n')" = 1 ] &&
        [[ "$(streams "$long")" == "60/1,0.200000,12 "* ]] || fail "a 255-byte name: $(cat err) $(ls)"

    mkdir gone
    : >err && { "$capture" --size 320x240 gone/x.mp4 2>err & pid=$!; }
    wait_for 120 said "frame [0-9]* of" || fail "no frame within 120 s: $(cat err)"
    rm -r gone
    expect_exit pid 1 "the folder removed" 60
    grep -q "went away (its folder removed?): .*; nothing written to gone/x.mp4" err || fail "$(cat err)"
}

# The .mp4 as video sites ask for an upload, at 1080p60: fast start, no edit list; H.264 High 4.2, two B-frames
# in a row at most, closed groups of 30 frames (x264's settings are in the stream); AAC-LC 384k.
video_site()
{
    local boxes rate
    "$capture" --size 1920x1080 --from 41 --to 42 site.mp4 2>err || fail "status $?: $(cat err)"
    boxes=$(ffprobe -v trace site.mp4 2>&1 | sed -n "s/.*type:'\(....\)' parent:'root'.*/\1/p" | paste -sd' ')
    [[ "$boxes" == "ftyp moov "*mdat ]] || fail "the boxes: $boxes"
    ! ffprobe -v trace site.mp4 2>&1 | grep -q "type:'elst'" || fail "an edit list"
    [ "$(ffprobe -v error -show_entries stream=codec_name,profile,level,sample_rate,channels \
        -of csv=p=0 site.mp4 | paste -sd' ')" = "h264,High,42 aac,LC,48000,2" ] ||
        fail "the streams: $(ffprobe -v error -show_streams site.mp4)"
    grep -aq 'bframes=2 .*open_gop=0 .*keyint=30 ' site.mp4 ||
        fail "x264's settings: $(grep -ao 'x264 - .*' site.mp4 | head -c 1500)"
    rate=$(ffprobe -v error -select_streams a -show_entries stream=bit_rate -of csv=p=0 site.mp4)
    ((rate > 360000 && rate < 400000)) || fail "AAC at $rate b/s"
}

# Two captures of one path at once: one writes it whole, the other fails saying so. At rates
# whose frames last no whole number of milliseconds (nor samples), both streams last exactly
# what they hold: 4 frames of 1/7 s over 27428 samples, 9 of 1001/30000 s over 14414. At 1 fps
# from 179.5 s the frame and its sound end with the show, half a second in.
two_captures()
{
    local args lengths file a
    for args in "--fps 7 --from 41 --to 41.5 odd.mp4|7/1,0.571429,4 0/0,0.5714," \
        "--fps=30000/1001 --from=41 --to=41.3 ODD.MP4|30000/1001,0.300300,9 0/0,0.3003," \
        "--fps 29.97 --from 41 --to 41.3 tv.mp4|30000/1001,0.300300,9 0/0,0.3003," \
        "--fps 1 --from 179.5 end.mp4|2/1,0.500000,1 0/0,0.5000,"; do
        IFS='|' read -r args lengths <<<"$args"
        file=${args##* } status=0
        # shellcheck disable=SC2086  # the words are the arguments
        "$capture" --size 64x48 $args 2>err_a & a=$!
        # shellcheck disable=SC2086
        "$capture" --size 64x48 $args 2>err_b || status=$?
        wait "$a" || status=$((status + $?))
        [ "$status" = 1 ] && grep -q "$file \(exists\|appeared while capturing\)" err_a err_b ||
            fail "$file: their statuses add up to $status: $(cat err_*)"
        [[ "$(streams "$file")" == "$lengths"* ]] || fail "$file: $(streams "$file")"
    done
}

# Killed part way (SIGKILL: nothing to catch), a lossless .mkv and a default .mp4: what stands on
# the disk plays; the next capture of the name says what it holds; --resume goes on from it to a
# file that, decoded, is the uninterrupted capture's frame for frame and sample for sample (the
# .mkv; the .mp4's lossy codecs start again, so it is checked for its lengths).
# Plays for at least a second: for wait_for, on the partial file the capture is writing.
holds_a_second() { [ "$(ffprobe -v quiet -select_streams v -count_packets -show_entries \
    stream=nb_read_packets -of csv=p=0 "$1".partial-*.* 2>/dev/null || echo 0)" -ge 90 ]; }
decoded() { ffmpeg -v error -i "$1" -map 0:v -fps_mode passthrough -f framemd5 - -map 0:a -f md5 -; }

killed()
{
    local out leftover args
    for out in k.mkv k.mp4; do
        args=(--size 160x120)
        [ "$out" = k.mp4 ] || args+=(--crf 0)
        "$capture" "${args[@]}" --from 41 --to 53 "whole.${out#*.}" 2>err || fail "$out uninterrupted: $(cat err)"
        { "$capture" "${args[@]}" --from 41 --to 53 "$out" 2>err & pid=$!; }
        wait_for 120 holds_a_second "${out%.*}" || fail "$out: no second written in 120 s: $(cat err)"
        kill -KILL "$pid" && wait "$pid" 2>/dev/null || true
        leftover=$(ls "${out%.*}".partial-*) || fail "$out: the kill left $(ls)"
        [ "$(ffprobe -v error -count_frames -show_entries stream=nb_read_frames -of csv=p=0 \
            "$leftover" | head -1)" -ge 60 ] || fail "$leftover does not play"

        "$capture" "${args[@]}" --from 41 --to 41.1 "$out" 2>err || fail "$out: $(cat err)"
        grep -q "^corvanel-capture: $leftover, left by a capture that did not finish, holds 41.000 s to 4[1-9].[0-9]* s of the show; --resume goes on from it$" err ||
            fail "$out: the leftover not named: $(cat err)"
        [ -e "$leftover" ] || fail "$out: the leftover went"

        "$capture" "${args[@]}" --from 41 --to 53 --resume --force "$out" 2>err || fail "$out resumed: $(cat err)"
        grep -q "^corvanel-capture: going on from $leftover" err && [ ! -e "$leftover" ] ||
            fail "$out: not resumed, or the leftover stayed: $(cat err) $(ls)"
        [ "$(streams "$out")" = "$(streams "whole.${out#*.}")" ] ||
            fail "$out: $(streams "$out") against $(streams "whole.${out#*.}")"
    done
    [ "$(decoded k.mkv | md5sum)" = "$(decoded whole.mkv | md5sum)" ] ||
        fail "the resumed capture decodes otherwise: $(diff <(decoded k.mkv) <(decoded whole.mkv) | head -5)"
}

"$2"
