# Drives the shipped show as a viewer would, on the test run's private X server: real key and
# mouse events through XTest (xdotool), the clock moved through the test-only shim.
# Source it, then: show_start, show_wait_first_frame, show_key, show_click, show_wait_exit ...
#
# Needs: CORVANEL (the executable), CORVANEL_SHIM (show_shim.so), DISPLAY.
set -euo pipefail

SHOW_DIR=$(mktemp -d)
trap 'show_cleanup' EXIT
SHOW_PID=
SHOW_WINDOW=

show_cleanup()
{
    if [ -n "$SHOW_PID" ] && kill -0 "$SHOW_PID" 2>/dev/null; then
        kill "$SHOW_PID" 2>/dev/null || true
    fi
    rm -rf "$SHOW_DIR"
}

fail()
{
    echo "FAIL: $*" >&2
    [ -f "$SHOW_DIR/stderr" ] && sed 's/^/  show stderr: /' "$SHOW_DIR/stderr" >&2
    exit 1
}

# Starts the show in the background with stdout and stderr captured; extra arguments are
# environment assignments for it (e.g. SDL_AUDIODRIVER=disk). With SHOW_PIPE=1 its standard
# output is a pipe (to a cat that writes the file), as in `corvanel | tee`.
show_start()
{
    rm -f "$SHOW_DIR"/{first_frame,frames,ahead,quits,fail_surface,stdout,stderr}
    SHOW_WINDOW=
    local run=(env CORVANEL_SHIM_DIR="$SHOW_DIR" LD_PRELOAD="$CORVANEL_SHIM" "$@" "$CORVANEL")
    if [ -n "${SHOW_PIPE:-}" ]; then
        "${run[@]}" > >(cat >"$SHOW_DIR/stdout") 2>"$SHOW_DIR/stderr" </dev/null &
    else
        "${run[@]}" >"$SHOW_DIR/stdout" 2>"$SHOW_DIR/stderr" </dev/null &
    fi
    SHOW_PID=$!
}

# How often the show called SDL_Quit (counted by the shim).
show_quits() { cat "$SHOW_DIR/quits" 2>/dev/null || echo 0; }

# The show's own window (the setup dialog, of the same name, has its own class).
show_find_window() { xdotool search --onlyvisible --classname '^corvanel$' 2>/dev/null | head -1 || true; }

# Answers the setup dialog with its default button (Run) as soon as it is up.
show_answer_dialog()
{
    local dialog
    for _ in $(seq 300); do
        show_running || fail "the show ended before its setup dialog"
        dialog=$(xdotool search --onlyvisible --classname '^corvanel-setup$' 2>/dev/null | head -1 || true)
        if [ -n "$dialog" ]; then
            xdotool windowfocus --sync "$dialog" 2>/dev/null || true
            xdotool key Return
            return 0
        fi
        sleep 0.1
    done
    fail "no setup dialog within 30 s"
}

# Waits until the show has presented its first frame and its window can take input.
show_wait_first_frame()
{
    show_answer_dialog
    for _ in $(seq 300); do
        kill -0 "$SHOW_PID" 2>/dev/null || fail "the show ended before its first frame"
        SHOW_WINDOW=$(show_find_window)
        if [ -s "$SHOW_DIR/first_frame" ] && [ -n "$SHOW_WINDOW" ]; then
            xdotool mousemove --window "$SHOW_WINDOW" 512 384
            xdotool windowfocus --sync "$SHOW_WINDOW" 2>/dev/null || true
            return 0
        fi
        sleep 0.1
    done
    fail "no first frame within 30 s"
}

show_key() { xdotool key --delay 50 "$@"; }
show_click() { xdotool click "$1"; }
show_close_window() { "$CORVANEL_CLOSE_WINDOW" "$SHOW_WINDOW"; }

# Moves the show clock: SDL_GetTicks runs this many milliseconds ahead from now on.
show_run_ahead() { echo "$1" >"$SHOW_DIR/ahead"; }

show_running() { kill -0 "$SHOW_PID" 2>/dev/null; }

# Waits up to $1 seconds for the show to end; sets SHOW_STATUS to its exit status (or
# "still running").
show_wait_exit()
{
    local deadline=$((SECONDS + $1))
    SHOW_STATUS="still running"
    while show_running; do
        [ $SECONDS -lt "$deadline" ] || return 0
        sleep 0.1
    done
    SHOW_STATUS=0
    wait "$SHOW_PID" || SHOW_STATUS=$?
    SHOW_PID=
}

show_stdout() { cat "$SHOW_DIR/stdout"; }
show_stderr() { cat "$SHOW_DIR/stderr"; }

expect_status()
{
    local what=$1 want=$2
    show_wait_exit "${3:-10}"
    [ "$SHOW_STATUS" = "$want" ] || fail "$what: exit status $SHOW_STATUS, expected $want"
    echo "ok: $what"
}
