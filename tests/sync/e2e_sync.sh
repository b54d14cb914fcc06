#!/usr/bin/env bash
# The show on a private sound server: the music for frames probed at the start and after a skip
# or a disturbance reaches the sink as they are swapped, within $LIMIT and $PROBE_LIMIT ms.
#   e2e_sync.sh pulseaudio|pipewire pulse|alsa [skip|suspend|restart|quantum [WxH]]
#   skip     s pressed: probes right after it
#   suspend  the sink suspended for 3 s: the picture neither runs ahead nor stays frozen longer
#            than that, and the probes a second after the sink is back
#   restart  the server killed and another started: the probes 5 s later find the music
#   quantum  PipeWire's graph quantum forced to $QUANTUM (8192 unless given): probes 2 s later
# Needs CORVANEL, CORVANEL_SHIM, RECORD_MONITOR, SYNC_OFFSETS, MUSIC and DISPLAY.
source "$(dirname "$0")/../support/show_driver.sh"
server=$1 driver=$2 disturbance=${3:-skip} size=${4:-} limit=${LIMIT:-5} probe_limit=${PROBE_LIMIT:-15}
sound=$SHOW_DIR/sound recorder= recording=$SHOW_DIR/heard
sound_server() { "$(dirname "$0")/sound_server.sh" "$@"; }
xvfb() { "$(dirname "$0")/../support/xvfb.sh" "$@"; }
trap '[ -z "$recorder" ] || kill "$recorder" 2>/dev/null; sound_server stop "$sound"
      [ -z "$size" ] || xvfb stop "$SHOW_DIR/xvfb"; show_cleanup' EXIT
# Only that mode on the screen: the dialog's Run takes it.
[ -z "$size" ] || { xvfb start "$SHOW_DIR/xvfb" "$size" && export DISPLAY=$(cat "$SHOW_DIR/xvfb/display"); }

# A recording of the sink's monitor, begun now into $1 (what the recorder says in $1.err).
record()
{
    recording=$1
    "$RECORD_MONITOR" "$recording" 2>"$recording.err" & recorder=$!
    wait_for 60 test -e "$recording.ready" || fail "the recording did not start: $(cat "$recording.err")"
}
# After `measured` has its span: a recorder the server dropped since lost nothing measured.
stop_recording()
{
    kill "$recorder" 2>/dev/null || true
    wait "$recorder" || echo "the recording ended by itself: $(cat "$recording.err")" >&2
    recorder=
}
start_sound()
{
    sound_server start "$sound" "$server" || fail "no $server"
    source "$sound/env"
    record "$1"
}
start_sound "$SHOW_DIR/heard"
show_start SDL_AUDIODRIVER="$driver"
show_wait_first_frame

probes() { lines_of "$SHOW_DIR/probes"; }
# Presses t and waits for its two numbers (pressed and released) to be logged.
probe() { local want=$(($(probes) + 2)); show_key t; wait_for 60 eval '(($(probes) >= want))' || fail "no probe line"; }
last_beats() { tail -1 "$SHOW_DIR/probes" | cut -d' ' -f3; }
last_read_ms() { tail -1 "$SHOW_DIR/probes" | awk '{ printf "%d", $1 / 1e6 }'; }
# Probes until the last one was read $1 ms after the monotonic moment $2 (ms).
probe_past() { until (($(last_read_ms) >= $2 + $1)); do probe; done; }
# Three probes kept, then a wait until the recording holds what the measure searches past them.
measured()
{
    probe; probe; probe
    tail -6 "$SHOW_DIR/probes" >>"$SHOW_DIR/measured"
    local last=$(tail -1 "$SHOW_DIR/probes" | cut -d' ' -f1)
    wait_for 60 eval '(($(awk "END { printf \"%.0f\", \$1 }" "$recording.stamps") >= last + 1500000000))' ||
        fail "the recording stopped: $(cat "$recording.err")"
}
disturbed_at() { probe; last_read_ms; }

# The start, once the kicks play (from beat 4: before them a quarter second is too quiet to place).
wait_for 60 eval 'probe; awk -v b="$(last_beats)" "BEGIN { exit !(b >= 5) }"' || fail "the clock did not start"
measured
case $disturbance in
skip)
    want=$(($(probes) + 1))
    show_key s
    # s's release logs a number read before the skip (not kept); probes a second past its hold.
    wait_for 60 eval '(($(probes) >= want))' || fail "the skip's release was not logged"
    probe_past 1000 "$(disturbed_at)"
    measured
    ;;
suspend)
    # A suspended sink records nothing: the probes after it are heard in a recording of their
    # own.
    stop_recording
    pactl suspend-sink null 1
    from=$(disturbed_at)
    probe_past 3000 "$from"
    pactl suspend-sink null 0
    record "$SHOW_DIR/heard_after"
    back=$(disturbed_at)
    probe_past 1000 "$back"
    : >"$SHOW_DIR/measured"
    measured
    # In the suspension's first second and a half the clock moved at most the driver's queue
    # and a few blocks (the show waits two seconds before it goes on without sound); and no
    # run of equal readings lasted longer than the suspension.
    awk -v from="$from" -v back="$back" '{ ms = $1 / 1e6 }
        ms >= from && ms <= from + 1500 { if (first == "") first = $3; if ($3 - first > 0.6) ahead = $3 - first }
        NR == 1 || $3 != held { held = $3; held_at = ms } ms - held_at > longest { longest = ms - held_at }
        END { if (ahead) print "ran " ahead " beats ahead of the suspended sink";
              if (longest > back - from) print "a picture held for " longest " ms" }' \
        "$SHOW_DIR/probes" >"$SHOW_DIR/held"
    [ ! -s "$SHOW_DIR/held" ] || fail "$(cat "$SHOW_DIR/held")"
    ;;
restart)
    sound_server stop "$sound"
    wait "$recorder" || true
    start_sound "$SHOW_DIR/heard_again"
    probe_past 5000 "$(disturbed_at)"
    : >"$SHOW_DIR/measured"
    measured
    ;;
quantum)
    pw-metadata -n settings 0 clock.force-quantum ${QUANTUM:-8192} >/dev/null
    probe_past 2000 "$(disturbed_at)"
    : >"$SHOW_DIR/measured"
    measured
    ;;
esac
show_key Escape
expect_status "Escape" 0
stop_recording
echo "$server, SDL's $driver driver, $disturbance${size:+, $size}:"
"$SYNC_OFFSETS" "$MUSIC" "$recording" "$SHOW_DIR/measured" "$limit" "$probe_limit" \
    >"$SHOW_DIR/offsets" || { cat "$SHOW_DIR/offsets"
    fail "picture and music apart: the median at the swap beyond $limit ms and the frames' own delay, or over a third of the probes beyond $probe_limit ms from their aim"; }
cat "$SHOW_DIR/offsets"
