#!/usr/bin/env bash
# The setup dialog in front of the real show, answered with real X input (xdotool) on the
# test run's private X server.
#   e2e_dialog.sh <corvanel> <close_window> <case>
# Cases on the run's 1024 x 768 server: escape, close_box, open_list (Return in the open list
# only closes it; Escape then cancels), run_fullscreen, run_windowed.
# Cases on a private 800 x 600 server, whose one mode is not the show's default, so that no
# line starts selected: small_screen_keeps_size (Run with no line), small_screen_picks_mode
# (the list's line chosen with the keyboard). And no_display, with no server at all.
# Audio goes through SDL's disk driver, so a file appears exactly when the show opened the
# audio device.
set -euo pipefail
corvanel=$1
close_window=$2
case_name=$3

work=$(mktemp -d)
show_pid=
xev_pid=
xvfb_pid=
cleanup()
{
    [ -n "$show_pid" ] && kill "$show_pid" 2>/dev/null || true
    [ -n "$xev_pid" ] && kill "$xev_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
audio_file=$work/audio.raw

fail()
{
    echo "FAIL ($case_name): $*" >&2
    [ -s "$work/stderr" ] && sed 's/^/  show stderr: /' "$work/stderr" >&2
    exit 1
}

# Waits up to $1 tenths of a second for the command after it to succeed.
wait_for()
{
    local tenths=$1
    shift
    for _ in $(seq "$tenths"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

dialog_window() { xdotool search --onlyvisible --classname '^corvanel-setup$' 2>/dev/null | head -1; }
show_alive() { kill -0 "$show_pid" 2>/dev/null; }

# Viewable top-level windows as "id override-redirect WxH+X+Y class".
viewable_windows()
{
    local id info
    for id in $(xwininfo -root -children | awk '$1 ~ /^0x/ {print $1}'); do
        info=$(xwininfo -id "$id" 2>/dev/null) || continue
        grep -q 'Map State: IsViewable' <<<"$info" || continue
        echo "$id" \
            "$(awk '/Override Redirect State:/{print $4}' <<<"$info")" \
            "$(awk '/-geometry/{print $2}' <<<"$info")" \
            "$(xprop -id "$id" WM_CLASS 2>/dev/null | sed -n 's/.*= "\([^"]*\)".*/\1/p')"
    done
}

# The show's own windows: anything on screen that is not the dialog.
show_windows() { viewable_windows | grep -v ' corvanel-setup$' || true; }
# Also true when the show has died, so that waiting stops at once; callers check show_alive.
show_window_up() { ! show_alive || [ -n "$(show_windows)" ]; }
# The dialog's open list: a pop-up of its own, drawn over everything else.
list_open() { viewable_windows | grep ' yes [^ ]* corvanel-setup$' >/dev/null; }
list_closed() { ! list_open; }

# Waits for the show to end and sets exit_status.
wait_exit()
{
    wait_for 100 bash -c "! kill -0 $show_pid 2>/dev/null" || fail "still running after 10 s"
    exit_status=0
    wait "$show_pid" || exit_status=$?
    show_pid=
}

# --- no display: the dialog cannot start, the show goes on with its defaults -------------
if [ "$case_name" = no_display ]; then
    for display in "" ":1023"; do
        status=0
        env -u WAYLAND_DISPLAY DISPLAY="$display" SDL_AUDIODRIVER=dummy timeout 30 "$corvanel" \
            >"$work/stdout" 2>"$work/stderr" </dev/null || status=$?
        # The show itself then fails to open its window, and says so for the defaults.
        [ "$status" = 1 ] || fail "DISPLAY='$display': exit status $status, expected 1"
        grep -q '1024 x 768' "$work/stderr" || fail "DISPLAY='$display': no word of the window"
        grep -E 'Gtk|Gdk|GLib|GObject' "$work/stderr" && fail "DISPLAY='$display': toolkit noise"
        echo "ok: DISPLAY='$display': $(cat "$work/stderr")"
    done
    exit 0
fi

# --- which server, and what the show should open ------------------------------------------
expected_size=1024x768
case $case_name in
small_screen_*)
    exec 3>"$work/display"
    Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset +extension GLX \
        >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    exec 3>&-
    wait_for 100 test -s "$work/display" || fail "the 800 x 600 server did not start"
    DISPLAY=:$(tr -d '\n' <"$work/display")
    export DISPLAY
    [ "$case_name" = small_screen_picks_mode ] && expected_size=800x600
    ;;
esac

# --- the dialog comes first, before anything of SDL -------------------------------------
# Every window mapped or destroyed on the screen, in the server's order.
xev -root -event substructure >"$work/xev" 2>/dev/null &
xev_pid=$!
sleep 0.3
env SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio_file" SDL_DISKAUDIODELAY=10 "$corvanel" \
    >"$work/stdout" 2>"$work/stderr" </dev/null &
show_pid=$!
wait_for 150 dialog_window >/dev/null || fail "no dialog within 15 s"
dialog=$(printf '0x%x' "$(dialog_window)")  # as xev and xwininfo write it
sleep 0.5  # SDL would have had time to start if it were going to
[ -e "$audio_file" ] && fail "the audio device is open while the dialog is up"
[ -n "$(show_windows)" ] && fail "a show window is up beside the dialog: $(show_windows)"
[ "$(printf '0x%x' "$(xdotool getwindowfocus)")" = "$dialog" ] || fail "the dialog does not have the keyboard"
geometry=$(xdotool getwindowgeometry "$dialog")
echo "dialog $dialog: $geometry"

# --- the viewer answers ----------------------------------------------------------------
case $case_name in
escape) xdotool key Escape ;;
close_box) "$close_window" "$dialog" ;;
open_list)
    xdotool key --delay 100 Tab Tab space
    wait_for 50 list_open || fail "the list did not open"
    xdotool key Return
    wait_for 50 list_closed || fail "the list did not close"
    sleep 1
    [ -n "$(dialog_window)" ] || fail "Return in the open list ended the dialog"
    [ -e "$audio_file" ] && fail "Return in the open list started the show"
    xdotool key Escape
    ;;
run_fullscreen) xdotool key Return ;;
run_windowed) xdotool key --delay 100 Tab Tab Tab space Return ;;
# Back from Fullscreen to Run with Shift+Tab, and Space presses Run like a click.
small_screen_keeps_size)
    xdotool key --delay 100 Tab Tab Tab space shift+Tab shift+Tab shift+Tab space
    ;;
# On the list, Down selects its first (here its only) line.
small_screen_picks_mode) xdotool key --delay 100 Tab Tab Down Tab space Return ;;
*) fail "unknown case" ;;
esac

if [ "$case_name" = escape ] || [ "$case_name" = close_box ] || [ "$case_name" = open_list ]; then
    wait_exit
    [ "$exit_status" = 255 ] || fail "exit status $exit_status, expected 255"
    [ -e "$audio_file" ] && fail "the audio device was opened"
    [ -s "$work/stderr" ] && fail "the dialog wrote to standard error"
    kill "$xev_pid" 2>/dev/null || true
    grep -q '^MapNotify' "$work/xev" || fail "the window watch saw nothing"
    others=$(awk '/^MapNotify event/ {getline; if (match($0, /window 0x[0-9a-f]+/))
        print substr($0, RSTART + 7, RLENGTH - 7)}' "$work/xev" | sort -u | grep -vx "$dialog" || true)
    # (The open list is a window of its own.)
    [ -z "$others" ] || [ "$case_name" = open_list ] ||
        fail "windows other than the dialog were shown: $others"
    [ -z "$(viewable_windows)" ] || fail "left on screen: $(viewable_windows)"
    echo "ok: $case_name ends with 255, no window, no audio"
    exit 0
fi

wait_for 300 show_window_up || fail "no show window within 30 s"
show_alive || { wait_exit; fail "the show ended (status $exit_status) before its window was checked"; }
sleep 1  # let the window settle at its final size
show_alive || fail "the show ended early"
[ -z "$(dialog_window)" ] || fail "the dialog is still on screen beside the show"
kill "$xev_pid" 2>/dev/null || true
xev_pid=
# The dialog is destroyed before the show maps any window of its own.
order=$(awk '/^(MapNotify|DestroyNotify) event/ {type = $1; getline;
    if (match($0, /window 0x[0-9a-f]+/)) print type, substr($0, RSTART + 7, RLENGTH - 7)}' "$work/xev")
destroyed_at=$(grep -n "^DestroyNotify $dialog\$" <<<"$order" | cut -d: -f1 | head -1 || true)
first_show_map=$(grep -n '^MapNotify' <<<"$order" | grep -v " $dialog\$" | cut -d: -f1 | head -1 ||
    true)
[ -n "$destroyed_at" ] || fail "the dialog window was never destroyed"
[ -n "$first_show_map" ] || fail "no show window mapped"
((destroyed_at < first_show_map)) || fail "a show window was mapped before the dialog went: $order"

windows=$(show_windows)
echo "show windows: $windows"
fullscreen_windows=$(awk '$2 == "yes"' <<<"$windows")
if [ "$case_name" = run_fullscreen ]; then
    # Full screen: an override-redirect window covering the 1024 x 768 screen.
    grep -q ' yes 1024x768+0+0 ' <<<"$windows" || fail "not full screen at 1024 x 768"
else
    [ -z "$fullscreen_windows" ] || fail "a full-screen window in windowed mode: $fullscreen_windows"
    main=$(xdotool search --onlyvisible --classname '^corvanel$' 2>/dev/null | head -1)
    [ -n "$main" ] || fail "no show window of class corvanel"
    grep -q 'Override Redirect State: no' <<<"$(xwininfo -id "$main")" ||
        fail "window is override-redirect"
    geometry=$(xdotool getwindowgeometry "$main")
    grep -q "Geometry: $expected_size\$" <<<"$geometry" || fail "window is not $expected_size: $geometry"
    xdotool mousemove --window "$main" 10 10
    xdotool windowfocus --sync "$main" 2>/dev/null || true
fi
wait_for 100 test -s "$audio_file" || fail "the show did not open the audio device"
show_alive || fail "the show ended early"

xdotool key Escape
wait_exit
grep -E 'Gtk|Gdk|GLib|GObject' "$work/stderr" && fail "the dialog's toolkit complained"
[ "$exit_status" = 0 ] || fail "exit status $exit_status after Escape, expected 0"
echo "ok: $case_name"
