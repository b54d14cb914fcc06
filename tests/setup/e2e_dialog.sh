#!/usr/bin/env bash
# The setup dialog in front of the real show, answered with real X input (xdotool).
#   e2e_dialog.sh <corvanel> <close_window> <case>
# small_screen_no_line and only_mode_WxH run on servers of their own without 1024 x 768;
# many_modes on one that also offers 800 x 600 and 640 x 480; lost_display on one it stops.
# escape_gdk_wayland: escape with GDK_BACKEND=wayland set, as some Wayland desktops set it.
# Audio goes through SDL's disk driver: its file appears only if the device opened.
set -euo pipefail
corvanel=$1 close_window=$2 case_name=$3
work=$(mktemp -d) audio_file=$work/audio.raw show_pid= xev_pid=
trap 'kill $show_pid $xev_pid 2>/dev/null || true; "$(dirname "$0")/../support/xvfb.sh" stop "$work/xvfb"; rm -rf "$work"' EXIT

fail_details() { quote_log "show stderr" "$work/stderr"; }
source "$(dirname "$0")/../support/common.sh"

dialog_window() { xdotool search --onlyvisible --classname '^corvanel-setup$' 2>/dev/null | head -1; }
show_alive() { kill -0 "$show_pid" 2>/dev/null; }

# Viewable top-level windows as "id override-redirect WxH+X+Y class".
viewable_windows()
{
    local id info
    for id in $(xwininfo -root -children | awk '$1 ~ /^0x/ {print $1}'); do
        info=$(xwininfo -id "$id" 2>/dev/null) && grep -q 'IsViewable' <<<"$info" || continue
        echo "$id $(awk '/Override Redirect State:/{o = $4} /-geometry/{g = $2} END{print o, g}' <<<"$info")" \
            "$(xprop -id "$id" WM_CLASS 2>/dev/null | sed -n 's/.*= "\([^"]*\)".*/\1/p')"
    done
}

show_windows() { viewable_windows | grep -v ' corvanel-setup$' || true; }
# The open list is a pop-up window of the dialog's own, drawn over everything else.
list_open() { viewable_windows | grep ' yes [^ ]* corvanel-setup$' >/dev/null; }

if [ "$case_name" = no_display ]; then
    # No dialog: the show goes on with its defaults and says in one line why it cannot open
    # their window.
    for display in "" ":1023"; do
        status=0
        env -u WAYLAND_DISPLAY -u SDL_AUDIODRIVER DISPLAY="$display" timeout 30 "$corvanel" \
            >"$work/stdout" 2>"$work/stderr" </dev/null || status=$?
        [ "$status" = 1 ] && [ ! -s "$work/stdout" ] && [ "$(wc -l <"$work/stderr")" = 1 ] &&
            grep -q '^corvanel: cannot open a 1024 x 768 OpenGL window: .' "$work/stderr" ||
            fail "DISPLAY='$display': expected status 1 and one line of the window, got status $status"
    done
    echo "ok: no_display"
    exit 0
fi

expected_size=1024x768 screen_size=
case $case_name in
small_screen_no_line) expected_size=800x600 screen_size=800x600 ;;
only_mode_*) expected_size=${case_name#only_mode_} screen_size=$expected_size ;;
many_modes | lost_display) expected_size=800x600 screen_size=1024x768 ;;
esac
if [ -n "$screen_size" ]; then
    "$(dirname "$0")/../support/xvfb.sh" start "$work/xvfb" "$screen_size" || fail "no $screen_size server"
    export DISPLAY=$(cat "$work/xvfb/display")
fi
if [ "$case_name" = many_modes ]; then
    xrandr --newmode 800x600 40 800 840 968 1056 600 601 605 628 &&
        xrandr --addmode screen 800x600 &&
        xrandr --newmode 640x480 25 640 656 752 800 480 490 492 525 &&
        xrandr --addmode screen 640x480 || fail "cannot offer more modes"
fi

# Every window mapped or destroyed on the screen, in the server's order; a property set on the
# root window tells when the watch has begun.
xev -root -event substructure -event property >"$work/xev" 2>/dev/null &
xev_pid=$!
wait_for 60 eval 'xprop -root -f _CORVANEL_TEST 8s -set _CORVANEL_TEST ready; grep -q _CORVANEL_TEST "$work/xev"' ||
    fail "the window watch did not start"
[ "$case_name" != escape_gdk_wayland ] || export GDK_BACKEND=wayland
env SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio_file" SDL_DISKAUDIODELAY=10 "$corvanel" \
    >"$work/stdout" 2>"$work/stderr" </dev/null &
show_pid=$!
wait_for 60 dialog_window >/dev/null || fail "no dialog within 60 s"
dialog=$(printf '0x%x' "$(dialog_window)") # as xev writes it
# The sound would have been opened before the dialog was shown, on the same thread.
[ -e "$audio_file" ] && fail "the audio device is open while the dialog is up"

case $case_name in
escape | escape_gdk_wayland) xdotool key Escape ;;
# The server gone under the dialog: the show says so in one line and ends.
lost_display)
    "$(dirname "$0")/../support/xvfb.sh" stop "$work/xvfb"
    expect_exit show_pid 1 "the display lost"
    [ "$(cat "$work/stderr")" = "corvanel: lost the display" ] || fail "not the one line"
    echo "ok: $case_name"
    exit 0
    ;;
close_box) "$close_window" "$dialog" ;;
open_list) # Return in the open list only closes it.
    xdotool key --delay 100 Tab Tab space
    wait_for 60 list_open || fail "the list did not open"
    xdotool key Return
    wait_for 60 eval '! list_open' || fail "the list did not close"
    xdotool key Escape
    ;;
run_fullscreen | only_mode_*) xdotool key Return ;;
# Run with no line selected (the screen's size is taken); back to Run with Shift+Tab, and
# Space presses it.
small_screen_no_line) xdotool key --delay 100 Tab Tab Tab space shift+Tab shift+Tab shift+Tab space ;;
# Windowed, back to the list, Up on its first line (the display's mode) stays there and Down
# picks the next; Return runs from the list as from any control.
many_modes) xdotool key --delay 100 Tab Tab Tab space shift+Tab Up Down Return ;;
*) fail "unknown case" ;;
esac

# Reads which windows the server mapped and destroyed, in its order: sets destroyed_at (the
# dialog's destruction) and first_other_map (the first window mapped that is not the dialog).
read_map_order()
{
    order=$(awk '/^(MapNotify|DestroyNotify) event/ {type = $1; getline;
        if (match($0, /window 0x[0-9a-f]+/)) print type, substr($0, RSTART + 7, RLENGTH - 7)}' "$work/xev")
    grep -qx "MapNotify $dialog" <<<"$order" || fail "the window watch missed the dialog"
    destroyed_at=$(grep -nx "DestroyNotify $dialog" <<<"$order" | cut -d: -f1 | head -1 || true)
    first_other_map=$(grep -n '^MapNotify' <<<"$order" | grep -v " $dialog\$" | cut -d: -f1 | head -1 || true)
}

if [[ $case_name =~ ^(escape|escape_gdk_wayland|close_box|open_list)$ ]]; then
    expect_exit show_pid 255
    [ -e "$audio_file" ] && fail "the audio device was opened"
    [ -s "$work/stderr" ] && fail "the dialog wrote to standard error"
    read_map_order
    # (The open list is a window of its own.)
    [ -z "$first_other_map" ] || [ "$case_name" = open_list ] || fail "other windows were shown: $order"
    echo "ok: $case_name"
    exit 0
fi

# Whether the show's windows have come to what the case expects: full screen at the size and
# drawing at it (SDL fills a screen whose mode it cannot switch with black around the window it
# draws in), or one framed window of the size and nothing full screen. True once the show has
# died, so that waiting stops at once.
windows_as_expected()
{
    show_alive || return 0
    windows=$(show_windows)
    if [[ $case_name =~ ^(run_fullscreen|only_mode_) ]]; then
        local drawn
        drawn=$(for id in $(xdotool search --onlyvisible --classname '^corvanel$'); do
            xwininfo -id "$id" | awk '/Width:/ {w = $2} /Height:/ {h = $2} END {print w "x" h}'
        done)
        grep -q " yes $expected_size+0+0 " <<<"$windows" && grep -qx "$expected_size" <<<"$drawn"
    else
        ! grep -q ' yes ' <<<"$windows" &&
            grep -q " no $expected_size+[0-9]*+[0-9]* corvanel\$" <<<"$windows"
    fi
}
wait_for 60 windows_as_expected || fail "the show's windows are not as expected: $windows"
show_alive || { await_exit show_pid; fail "the show ended early (status $exit_status)"; }
echo "show windows: $windows"
read_map_order
((${destroyed_at:-999999} < ${first_other_map:-0})) || fail "a show window came before the dialog went: $order"
if [[ ! $case_name =~ ^(run_fullscreen|only_mode_) ]]; then
    main=$(awk '$4 == "corvanel" {print $1}' <<<"$windows")
    xdotool mousemove --window "$main" 10 10
    xdotool windowfocus --sync "$main" 2>/dev/null || true
fi
wait_for 60 test -s "$audio_file" || fail "the show did not open the audio device"
xdotool key Escape
await_exit show_pid
grep -E 'Gtk|Gdk|GLib|GObject' "$work/stderr" && fail "the dialog's toolkit complained"
[ "$exit_status" = 0 ] || fail "exit status $exit_status after Escape, expected 0"
echo "ok: $case_name"
