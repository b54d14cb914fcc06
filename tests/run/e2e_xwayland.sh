#!/usr/bin/env bash
# The shipped show on a Wayland desktop, through XWayland, driven as a viewer would. On weston
# (weston.sh), keys and clicks reach weston's window on the outer X server, as a real seat's
# would reach the compositor; two_heads runs on sway (sway.sh), whose headless seat has no
# devices, so its input goes through XWayland's own. Usage: e2e_xwayland.sh <case>
source "$(dirname "$0")/../support/show_driver.sh"

case_name=$1
compositor=weston
# sway's user (nobody, where the test runs as root) must reach its folder inside this one.
[ "$case_name" != two_heads ] || { compositor=sway; chmod 711 "$SHOW_DIR"; }
# Not local: the exit trap runs after the script's last line.
desktop=$SHOW_DIR/desktop desktop_script=$(dirname "$0")/../support/$compositor.sh
"$desktop_script" start "$desktop" || fail "no $compositor"
trap '"$desktop_script" stop "$desktop"; show_cleanup' EXIT
export DISPLAY=$(cat "$desktop/display")
OUTER=${DISPLAY}
if [ "$compositor" = weston ]; then
    OUTER=$(cat "$desktop/outer")
    # The pointer where a viewer's would be, over the middle of the output: weston learns where
    # the outer server's pointer is only when it moves.
    DISPLAY=$OUTER xdotool mousemove 10 10 mousemove 960 540
fi
fail_details() { quote_log "show stderr" "$SHOW_DIR/stderr"; quote_log "$compositor" "$desktop/$compositor.log"; }

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

# The absolute rectangle, WxH+X+Y, of the window the show draws the scene in (in full screen,
# SDL's own, inside its full-screen window).
drawn_rectangle()
{
    xwininfo -id "$(cat "$SHOW_DIR/window")" | awk '/Absolute upper-left X:/ {x = $4}
        /Absolute upper-left Y:/ {y = $4} /Width:/ {w = $2} /Height:/ {h = $2} END {print w "x" h "+" x "+" y}'
}

case $case_name in
# The defaults on a 16:9 panel: XWayland emulates 1024 x 768 and stretches it over the whole
# output; the 3D scene is drawn with the panel's shape, so that nothing is drawn too wide.
# The desktop's screen-saver service holds the show's inhibit until the show ends. Releasing
# a key prints the beat count on a line of its own; Escape ends the show.
fullscreen_default)
    start_screen_saver_service
    play Return
    expect_aspect 1.7778 "1024 x 768 full screen on a 1920 x 1080 panel"
    cookie=$(inhibit_cookie)
    [ -n "$cookie" ] || fail "no inhibit from the show: $(cat "$SHOW_DIR/saver.log")"
    show_key t
    wait_for 60 eval '(($(lines_of "$SHOW_DIR/stdout") == 1))' || fail "no line for the released key"
    grep -Eq '^\|\| timing_beats > [0-9.]+ && timing_beats <= [0-9.]+$' "$SHOW_DIR/stdout" ||
        fail "not a beat count: $(cat "$SHOW_DIR/stdout")"
    ! grep -q "^uninhibit $cookie " "$SHOW_DIR/saver.log" || fail "the inhibit let go while the show plays"
    show_key Escape
    expect_status "Escape" 0
    grep -q "^uninhibit $cookie " "$SHOW_DIR/saver.log" || fail "the inhibit kept after Escape"
    ;;
# The panel's own mode, first in the dialog's list: square pixels, the design's W / H.
fullscreen_panel)
    play Tab Tab Home Return
    expect_aspect 1.7778 "1920 x 1080 full screen"
    [ "$(drawn_rectangle)" = 1920x1080+0+0 ] || fail "drawn at $(drawn_rectangle)"
    show_key Escape
    expect_status "Escape" 0
    ;;
# Framed, unticked: a window of 1024 x 768 with square pixels, nothing stretched.
framed)
    play Tab Tab Tab space Return
    expect_aspect 1.3333 "a 1024 x 768 window"
    [[ "$(drawn_rectangle)" =~ ^1024x768\+ ]] || fail "drawn at $(drawn_rectangle)"
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
# Two heads, the one on the right primary (as GNOME makes a second monitor): the dialog lists
# that head's modes, its own mode first, and the show plays there; the head at the screen's
# origin keeps its mode, nothing emulated on it. 1024 x 768, which the primary does not offer
# here, plays in the middle of it.
two_heads)
    primary=$(xrandr | awk '$2 == "connected" && $3 ~ /^1280x1024\+1920\+0/ {print $1}')
    xrandr --output "$primary" --primary
    play Tab Tab Home Return
    expect_aspect 1.2500 "1280 x 1024 on its own head"
    [ "$(drawn_rectangle)" = 1280x1024+1920+0 ] ||
        fail "the primary's first mode drawn at $(drawn_rectangle), not 1280x1024+1920+0"
    show_key Escape
    expect_status "Escape" 0
    play Return
    expect_aspect 1.3333 "1024 x 768 on a 1280 x 1024 head"
    [ "$(drawn_rectangle)" = 1024x768+2048+128 ] ||
        fail "the default drawn at $(drawn_rectangle), not in the middle of the primary"
    for id in $(xdotool search --classname '^corvanel$'); do
        xprop -id "$id" | grep -q _XWAYLAND_RANDR_EMU_MONITOR_RECTS &&
            fail "a mode emulated for the show: $(xprop -id "$id" _XWAYLAND_RANDR_EMU_MONITOR_RECTS)"
    done
    show_key Escape
    expect_status "Escape" 0
    ;;
# A desktop whose environment asks GTK for Wayland first: the dialog still opens, on X11.
dialog_gdk_wayland)
    show_start NO_AT_BRIDGE=1 GDK_BACKEND=wayland WAYLAND_DISPLAY=wayland-test \
        XDG_RUNTIME_DIR="$desktop/runtime"
    wait_for 60 find_window corvanel-setup || fail "no setup dialog on XWayland within 60 s"
    show_key Escape
    expect_status "Escape in the dialog" 255
    ;;
*) fail "unknown case" ;;
esac
