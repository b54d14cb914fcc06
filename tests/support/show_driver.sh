# Drives the shipped show as a viewer would, on the test run's private X server: real key and
# mouse events through XTest (xdotool), the clock moved and the show watched through the files
# the test-only shim reads and writes in $SHOW_DIR (see show_shim.c).
# Source it, then: show_start, show_wait_first_frame, show_key, expect_status ...
#
# Needs: CORVANEL (the executable), CORVANEL_SHIM (show_shim.so), DISPLAY.
set -euo pipefail

SHOW_DIR=$(mktemp -d)
trap 'show_cleanup' EXIT
SHOW_PID=
SHOW_WINDOW=

show_cleanup() { [ -z "$SHOW_PID" ] || kill "$SHOW_PID" 2>/dev/null || true; rm -rf "$SHOW_DIR"; }
fail()
{
    echo "FAIL: $*" >&2
    [ ! -f "$SHOW_DIR/stderr" ] || sed 's/^/  show stderr: /' "$SHOW_DIR/stderr" >&2
    exit 1
}

# Waits up to $1 tenths of a second for the command after it to succeed.
wait_for() { for _ in $(seq "$1"); do "${@:2}" && return 0; sleep 0.1; done; return 1; }

# Starts the show in the background with stdout and stderr captured; extra arguments are
# environment assignments for it (e.g. SDL_AUDIODRIVER=disk). With SHOW_PIPE=1 its standard
# output is a pipe (to a cat that writes the file), as in `corvanel | tee`.
show_start()
{
    rm -f "$SHOW_DIR"/{first_frame,frames,ahead,quits,fail_surface,stdout,stderr}
    local run=(env CORVANEL_SHIM_DIR="$SHOW_DIR" LD_PRELOAD="$CORVANEL_SHIM" "$@" "$CORVANEL")
    if [ -n "${SHOW_PIPE:-}" ]; then
        "${run[@]}" > >(cat >"$SHOW_DIR/stdout") 2>"$SHOW_DIR/stderr" </dev/null &
    else
        "${run[@]}" >"$SHOW_DIR/stdout" 2>"$SHOW_DIR/stderr" </dev/null &
    fi
    SHOW_PID=$!
}

show_running() { kill -0 "$SHOW_PID" 2>/dev/null; }
show_quits() { cat "$SHOW_DIR/quits" 2>/dev/null || echo 0; }  # how often SDL_Quit ran
show_key() { xdotool key --delay 50 "$@"; }

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
    wait_for 300 find_window corvanel-setup || fail "no setup dialog within 30 s"
    xdotool key Return
}

# Waits until the show has presented its first frame and its window can take input.
show_wait_first_frame()
{
    show_answer_dialog
    wait_for 300 eval 'find_window corvanel && [ -s "$SHOW_DIR/first_frame" ]' ||
        fail "no first frame within 30 s"
    xdotool mousemove --window "$SHOW_WINDOW" 512 384
}

# Waits up to $1 seconds for the show to end; sets SHOW_STATUS to its exit status (or
# "still running").
show_wait_exit()
{
    SHOW_STATUS="still running"
    wait_for "$(($1 * 10))" eval '! show_running' || return 0
    SHOW_STATUS=0
    wait "$SHOW_PID" || SHOW_STATUS=$?
    SHOW_PID=
}

# Expects the show to end within $3 seconds (10 unless given) with status $2; $1 says what
# ended it.
expect_status()
{
    show_wait_exit "${3:-10}"
    [ "$SHOW_STATUS" = "$2" ] || fail "$1: exit status $SHOW_STATUS, expected $2"
    echo "ok: $1"
}
