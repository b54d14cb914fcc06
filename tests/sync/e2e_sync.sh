#!/usr/bin/env bash
# The show on a private sound server, heard through the null sink's monitor: for probes at the
# start and right after a skip, the music for the moment the clock read must reach the sink
# within the limit.
#   e2e_sync.sh pulseaudio|pipewire pulse|alsa [limit ms]
# Needs CORVANEL, CORVANEL_SHIM, RECORD_MONITOR, SYNC_OFFSETS, MUSIC and DISPLAY.
source "$(dirname "$0")/../support/show_driver.sh"
server=$1 driver=$2 limit=${3:-15}
sound=$SHOW_DIR/sound recorder=
trap '[ -z "$recorder" ] || kill "$recorder" 2>/dev/null; "$(dirname "$0")/sound_server.sh" stop "$sound"; show_cleanup' EXIT
"$(dirname "$0")/sound_server.sh" start "$sound" "$server" || fail "no $server"
source "$sound/env"

"$RECORD_MONITOR" "$SHOW_DIR/heard" &
recorder=$!
wait_for 60 test -e "$SHOW_DIR/heard.ready" || fail "the recording did not start"
show_start SDL_AUDIODRIVER="$driver"
show_wait_first_frame

probes() { lines_of "$SHOW_DIR/probes"; }
# Presses t and waits for its two numbers (pressed and released) to be logged.
probe() { local want=$(($(probes) + 2)); show_key t; wait_for 60 eval '(($(probes) >= want))' || fail "no probe line"; }
last_beats() { tail -1 "$SHOW_DIR/probes" | cut -d' ' -f3; }

# The start, once the clock has left the first frame it holds until the music is heard: the
# probes until then are not kept.
wait_for 60 eval 'probe; awk -v b="$(last_beats)" "BEGIN { exit !(b >= 1) }"' ||
    fail "the clock did not start"
: >"$SHOW_DIR/probes"
probe
probe
probe
# Right after a skip (s's release logs a number taken before the skip: not kept).
want=$(($(probes) + 1))
show_key s
wait_for 60 eval '(($(probes) >= want))' || fail "the skip's release was not logged"
sed -i '$d' "$SHOW_DIR/probes"
probe
probe
probe
show_key Escape
expect_status "Escape" 0
kill "$recorder"
wait "$recorder" || fail "the recording failed"
recorder=
echo "$server, SDL's $driver driver:"
"$SYNC_OFFSETS" "$MUSIC" "$SHOW_DIR/heard" "$SHOW_DIR/probes" "$limit" ||
    fail "picture and music apart by more than $limit ms"
