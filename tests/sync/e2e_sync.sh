#!/usr/bin/env bash
# The show on a private sound server, heard through the null sink's monitor: for probes at the
# start and within a second after a skip, the music for the moment the clock read must reach
# the sink within the limit.
#   e2e_sync.sh pulseaudio|pipewire pulse|alsa [limit ms]
# Needs CORVANEL, CORVANEL_SHIM, RECORD_MONITOR, SYNC_OFFSETS, MUSIC and DISPLAY.
source "$(dirname "$0")/../support/show_driver.sh"
server=$1 driver=$2 limit=${3:-15}
sound=$SHOW_DIR/sound
trap '"$(dirname "$0")/sound_server.sh" stop "$sound"; show_cleanup' EXIT
"$(dirname "$0")/sound_server.sh" start "$sound" "$server" || fail "no $server"
source "$sound/env"

"$RECORD_MONITOR" "$SHOW_DIR/heard" 14 &
recorder=$!
show_start SDL_AUDIODRIVER="$driver"
show_wait_first_frame
sleep 2
for _ in 1 2 3; do show_key t; sleep 0.4; done
show_key s
sleep 0.25
sed -i '$d' "$SHOW_DIR/probes"  # the number s's release printed: taken before the skip
for _ in 1 2 3; do show_key t; sleep 0.25; done
sleep 0.5
show_key Escape
expect_status "Escape" 0
wait "$recorder" || fail "the recording failed"
echo "$server, SDL's $driver driver:"
"$SYNC_OFFSETS" "$MUSIC" "$SHOW_DIR/heard" "$SHOW_DIR/probes" "$limit" ||
    fail "picture and music apart by more than $limit ms"
