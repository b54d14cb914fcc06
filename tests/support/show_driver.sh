# Drives the shipped show as a viewer would, with real X input (xdotool), the clock moved and
# the show watched through the test-only shim's files in $SHOW_DIR (see show_shim.c).
# Needs CORVANEL (the executable), CORVANEL_SHIM (show_shim.so), DISPLAY.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

SHOW_DIR=$(mktemp -d)
trap 'show_cleanup' EXIT
SHOW_PID=
SHOW_WINDOW=
SHOW_STARTED=

SHOW_HELPERS=() # process ids of what a case started beside the show, stopped with it
show_cleanup()
{
    [ -z "$SHOW_PID" ] || kill "$SHOW_PID" 2>/dev/null || true
    ((${#SHOW_HELPERS[@]} == 0)) || { kill "${SHOW_HELPERS[@]}" 2>/dev/null; wait "${SHOW_HELPERS[@]}"; } || true
    rm -rf "$SHOW_DIR"
}
fail_details() { quote_log "show stderr" "$SHOW_DIR/stderr"; }

now_ms() { date +%s%3N; }

# Starts the show in the background with stdout and stderr captured; extra arguments are
# environment assignments for it (e.g. SDL_AUDIODRIVER=disk). With SHOW_PIPE=1 its standard
# output is a pipe (to a cat that writes the file), as in `corvanel | tee`; with SHOW_STDOUT
# it is that file; with SHOW_CLOSED=1 standard input, output and error are all closed.
show_start()
{
    rm -f "$SHOW_DIR"/{first_frame,presented,frames,ahead,quits,fail_surface,stdout,stderr,probes,swap_control,aspect,window}
    local run=(env CORVANEL_SHIM_DIR="$SHOW_DIR" LD_PRELOAD="$CORVANEL_SHIM" "$@" "$CORVANEL")
    SHOW_STARTED=$(now_ms)
    if [ -n "${SHOW_PIPE:-}" ]; then
        "${run[@]}" > >(cat >"$SHOW_DIR/stdout") 2>"$SHOW_DIR/stderr" </dev/null &
    elif [ -n "${SHOW_CLOSED:-}" ]; then
        "${run[@]}" <&- >&- 2>&- &
    else
        "${run[@]}" >"${SHOW_STDOUT:-$SHOW_DIR/stdout}" 2>"$SHOW_DIR/stderr" </dev/null &
    fi
    SHOW_PID=$!
}

show_running() { kill -0 "$SHOW_PID" 2>/dev/null; }
show_quits() { cat "$SHOW_DIR/quits" 2>/dev/null || echo 0; }  # how often SDL_Quit ran
show_frames() { cat "$SHOW_DIR/presented" 2>/dev/null || echo 0; }
show_key() { xdotool key --delay 50 "$@"; }
lines_of() { [ -f "$1" ] && wc -l <"$1" || echo 0; }

# Waits until the show has presented $1 more frames than it had, or has ended.
show_wait_frames()
{
    local until=$(($(show_frames) + $1))
    wait_for 60 eval '! show_running || (($(show_frames) >= until))' ||
        fail "fewer than $1 frames within 60 s"
}

# Moves the show clock so that it reads at most $1 ms now: the shim runs it ahead of the ticks
# since the music started, which cannot exceed the time since the show was started.
show_clock_at_most() { echo $(($1 - ($(now_ms) - SHOW_STARTED))) >"$SHOW_DIR/ahead"; }

# A private session bus with a desktop's screen-saver service on it (screen_saver_service.py,
# logging to $SHOW_DIR/saver.log), for the show started after it. expect_inhibit held|released:
# the show's last inhibit is held, or was let go.
start_screen_saver_service()
{
    dbus-daemon --session --nofork --address="unix:path=$SHOW_DIR/bus" >/dev/null & SHOW_HELPERS+=($!)
    wait_for 30 test -S "$SHOW_DIR/bus" || fail "no session bus"
    export DBUS_SESSION_BUS_ADDRESS=unix:path=$SHOW_DIR/bus
    "$(dirname "${BASH_SOURCE[0]}")/screen_saver_service.py" "$SHOW_DIR/saver.log" & SHOW_HELPERS+=($!)
    wait_for 30 grep -qx ready "$SHOW_DIR/saver.log" || fail "no screen-saver service"
}
expect_inhibit()
{
    local cookie
    cookie=$(sed -n 's/^inhibit \([0-9]*\) Corvanel|Playing the show .*/\1/p' "$SHOW_DIR/saver.log" | tail -1)
    [ -n "$cookie" ] || fail "no inhibit from the show: $(cat "$SHOW_DIR/saver.log")"
    grep -q "^uninhibit $cookie " "$SHOW_DIR/saver.log" && [ "$1" = held ] && fail "the inhibit let go while the show plays"
    grep -q "^uninhibit $cookie " "$SHOW_DIR/saver.log" || [ "$1" = held ] || fail "the inhibit kept after the show"
}

# Sets SHOW_WINDOW to the visible window of class $1 and gives it the focus; fails at once
# if the show has ended. (The setup dialog has a class of its own.)
find_window()
{
    show_running || fail "the show ended before its $1 window"
    SHOW_WINDOW=$(xdotool search --onlyvisible --classname "^$1\$" 2>/dev/null | head -1 || true)
    [ -n "$SHOW_WINDOW" ] && { xdotool windowfocus --sync "$SHOW_WINDOW" 2>/dev/null || true; }
}

# Answers the setup dialog with its default button (Run) as soon as it is up.
show_answer_dialog()
{
    wait_for 60 find_window corvanel-setup || fail "no setup dialog within 60 s"
    xdotool key Return
}

# Waits until the show has presented its first frame and its window can take input.
show_wait_first_frame()
{
    show_answer_dialog
    wait_for 120 eval 'find_window corvanel && [ -s "$SHOW_DIR/first_frame" ]' ||
        fail "no first frame within 120 s"
    xdotool mousemove --window "$SHOW_WINDOW" 512 384
}

# The show must end on the first pass whose clock reads past the end: show_mark before the
# clock is moved there, expect_end_soon after, and it may draw only the passes in between.
show_mark() { SHOW_MARK=$(show_frames); }
expect_end_soon()
{
    expect_status "$1" 0
    (($(show_frames) - SHOW_MARK <= 3)) ||
        fail "$1: $(($(show_frames) - SHOW_MARK)) frames drawn after the clock passed the end"
}

# Expects the show to end with status $2, within $3 seconds (60 unless given); $1 says what
# ended it.
expect_status() { expect_exit SHOW_PID "$2" "$1" "${3:-}"; echo "ok: $1"; }
