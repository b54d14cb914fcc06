#!/usr/bin/env bash
# The shipped show on a Wayland desktop, through XWayland (weston, see weston.sh), driven as a
# viewer would: keys and clicks reach weston's window on the outer X server, as a real seat's
# would reach the compositor. Usage: e2e_xwayland.sh <case>
source "$(dirname "$0")/../support/show_driver.sh"

desktop=$SHOW_DIR/desktop
"$(dirname "$0")/../support/weston.sh" start "$desktop" || fail "no weston"
trap '"$(dirname "$0")/../support/weston.sh" stop "$desktop"; show_cleanup' EXIT
export DISPLAY=$(cat "$desktop/display")
OUTER=$(cat "$desktop/outer")
# The pointer where a viewer's would be, over the middle of the output: weston learns where the
# outer server's pointer is only when it moves.
DISPLAY=$OUTER xdotool mousemove 10 10 mousemove 960 540
fail_details() { quote_log "show stderr" "$SHOW_DIR/stderr"; quote_log weston "$desktop/weston.log"; }

# Input goes to the seat: weston's window on the outer server.
show_key() { DISPLAY=$OUTER xdotool key --delay 50 "$@"; }
seat() { DISPLAY=$OUTER xdotool "$@"; }

# Starts the show, answers its dialog with KEYS (Return: Run with 1024 x 768 full screen) and
# waits for its first frame.
play()
{
    show_start NO_AT_BRIDGE=1
    wait_for 60 find_window corvanel-setup || fail "no setup dialog on XWayland within 60 s"
    show_key "$@"
    wait_for 120 eval 'find_window corvanel && [ -s "$SHOW_DIR/first_frame" ]' ||
        fail "no first frame within 120 s"
}

# The 3D scene's shape as the show drew it, width over height.
expect_aspect()
{
    wait_for 60 test -s "$SHOW_DIR/aspect" || fail "no 3D scene drawn"
    [ "$(cat "$SHOW_DIR/aspect")" = "$1" ] || fail "$2: the 3D scene drawn at $(cat "$SHOW_DIR/aspect"), not $1"
}

# The size of the window the show draws in (in full screen, SDL's own, inside its full-screen one).
drawn_size()
{
    local id
    for id in $(xdotool search --onlyvisible --classname '^corvanel$'); do
        xwininfo -id "$id" | awk '/Width:/ {w = $2} /Height:/ {h = $2} END {print w "x" h}'
    done | sort -u | tr '\n' ' '
}

case_name=$1
case $case_name in
# The defaults on a 16:9 panel: XWayland emulates 1024 x 768 and stretches it over the whole
# output; the 3D scene is drawn with the panel's shape, so that nothing is drawn too wide.
# Releasing a key prints the beat count on a line of its own; Escape ends the show.
fullscreen_default)
    play Return
    expect_aspect 1.7778 "1024 x 768 full screen on a 1920 x 1080 panel"
    show_key t
    wait_for 60 eval '(($(lines_of "$SHOW_DIR/stdout") == 1))' || fail "no line for the released key"
    grep -Eq '^\|\| timing_beats > [0-9.]+ && timing_beats <= [0-9.]+$' "$SHOW_DIR/stdout" ||
        fail "not a beat count: $(cat "$SHOW_DIR/stdout")"
    show_key Escape
    expect_status "Escape" 0
    ;;
# The panel's own mode, first in the dialog's list: square pixels, the design's W / H.
fullscreen_panel)
    play Tab Tab Home Return
    expect_aspect 1.7778 "1920 x 1080 full screen"
    [ "$(drawn_size)" = "1920x1080 " ] || fail "drawn at $(drawn_size)"
    show_key Escape
    expect_status "Escape" 0
    ;;
# Framed, unticked: a window of 1024 x 768 with square pixels, nothing stretched.
framed)
    play Tab Tab Tab space Return
    expect_aspect 1.3333 "a 1024 x 768 window"
    [ "$(drawn_size)" = "1024x768 " ] || fail "drawn at $(drawn_size)"
    show_key Escape
    expect_status "Escape" 0
    ;;
# A right click ends the full-screen show, every time, wherever SDL's two windows lie under
# the pointer.
right_click)
    for try in $(seq 10); do
        play Return
        show_wait_frames 2
        seat mousemove 950 530 click 3
        expect_status "right click, try $try of 10" 0
    done
    ;;
*) fail "unknown case" ;;
esac
