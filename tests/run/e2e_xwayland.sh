#!/usr/bin/env bash
# The shipped show on Wayland desktops through XWayland (wayland_desktop.sh): weston, where
# input reaches the seat as a viewer's would, and sway for two heads. Usage: e2e_xwayland.sh <case>
source "$(dirname "$0")/../support/show_driver.sh"

case_name=$1 compositor=weston PLAY_ENV=()
[ "$case_name" != two_heads ] || { compositor=sway; chmod 711 "$SHOW_DIR"; }
desktop=$SHOW_DIR/desktop desktop_script=$(dirname "$0")/../support/wayland_desktop.sh
trap '"$desktop_script" stop "$desktop"; show_cleanup' EXIT # also what a failed start left
"$desktop_script" start "$compositor" "$desktop" || fail "no $compositor"
export DISPLAY=$(cat "$desktop/display")
OUTER=$(cat "$desktop/outer" 2>/dev/null || echo "$DISPLAY")
# The pointer over the output's middle: weston learns where it is only when it moves.
[ "$compositor" != weston ] || DISPLAY=$OUTER xdotool mousemove 10 10 mousemove 960 540
fail_details() { quote_log "show stderr" "$SHOW_DIR/stderr"; quote_log "$compositor" "$desktop/desktop.log"; }
show_key() { DISPLAY=$OUTER xdotool key --delay 50 "$@"; }

# Starts the show, answers its dialog with KEYS and waits for its first frame.
play()
{
    show_start NO_AT_BRIDGE=1 "${PLAY_ENV[@]}"
    wait_for 60 find_window corvanel-setup || fail "no setup dialog on XWayland within 60 s"
    # Keys reach the dialog once the desktop has given it the focus.
    wait_for 60 eval '[ "$(xdotool getwindowfocus)" = "$SHOW_WINDOW" ]' || fail "the dialog never had the focus"
    show_key "$@"
    wait_for 120 eval 'find_window corvanel && [ -s "$SHOW_DIR/first_frame" ]' || fail "no first frame"
}

# The 3D scene as drawn ($3 says what was played): $1, its width over height; $2, a pattern for
# the absolute WxH+X+Y of its window (in full screen SDL's own, inside the full-screen one).
expect_drawn()
{
    wait_for 60 test -s "$SHOW_DIR/aspect" || fail "$3: no 3D scene drawn"
    local drawn=$(cat "$SHOW_DIR/aspect") rectangle=$(xwininfo -id "$(cat "$SHOW_DIR/window")" |
        awk '/Absolute upper-left X:/ {x = $4} /Absolute upper-left Y:/ {y = $4} /Width:/ {w = $2}
            /Height:/ {h = $2} END {print w "x" h "+" x "+" y}')
    [ "$drawn" = "$1" ] && [[ "$rectangle" =~ ^$2$ ]] ||
        fail "$3: the 3D scene drawn at $drawn in $rectangle, not at $1 in $2"
}
escape_ends() { show_key Escape; expect_status "Escape" 0; }

case $case_name in
# The defaults on a 16:9 panel, which XWayland stretches over it: the scene keeps the panel's
# shape; the screen-saver service holds the inhibit until Escape; a released key prints a line.
fullscreen_default)
    start_screen_saver_service
    play Return
    expect_drawn 1.7778 '1024x768\+0\+0' "1024 x 768 full screen on a 1920 x 1080 panel"
    show_key t
    wait_for 60 eval '(($(lines_of "$SHOW_DIR/stdout") == 1))' || fail "no line for the released key"
    grep -Eq '^\|\| timing_beats > [0-9.]+ && timing_beats <= [0-9.]+$' "$SHOW_DIR/stdout" ||
        fail "not a beat count: $(cat "$SHOW_DIR/stdout")"
    expect_inhibit held
    escape_ends
    expect_inhibit released
    ;;
# The panel's own mode, first in the dialog's list: square pixels, the design's W / H.
fullscreen_panel)
    play Tab Tab Home Return
    expect_drawn 1.7778 '1920x1080\+0\+0' "1920 x 1080 full screen"
    escape_ends
    ;;
# Framed, unticked: a window of 1024 x 768 with square pixels, nothing stretched; the dialog
# opens on X11 though the environment asks GTK for Wayland first, as some desktops set it.
framed)
    PLAY_ENV=(GDK_BACKEND=wayland WAYLAND_DISPLAY=wayland-test XDG_RUNTIME_DIR="$desktop/runtime")
    play Tab Tab Tab space Return
    expect_drawn 1.3333 '1024x768\+[0-9]+\+[0-9]+' "a 1024 x 768 window"
    escape_ends
    ;;
# A right click ends the full-screen show, every time, wherever SDL's two windows lie under
# the pointer.
right_click)
    for try in $(seq 10); do
        play Return
        show_wait_frames 2
        DISPLAY=$OUTER xdotool mousemove 950 530 click 3
        expect_status "right click, try $try of 10" 0
    done
    ;;
# Two heads, the right one primary (as GNOME makes a second monitor): the show plays on the
# head whose modes the dialog lists, the other keeps its mode (an emulated one would be
# stretched, and the scene drawn for it); 1024 x 768, not offered there, plays in its middle.
two_heads)
    xrandr --output "$(xrandr | awk '$3 ~ /^1280x1024\+1920\+0/ {print $1}')" --primary
    play Tab Tab Home Return
    expect_drawn 1.2500 '1280x1024\+1920\+0' "the primary's first mode"
    escape_ends
    play Return
    expect_drawn 1.3333 '1024x768\+2048\+128' "1024 x 768, in the middle of the primary"
    escape_ends
    ;;
*) fail "unknown case" ;;
esac
