#!/usr/bin/env bash
# The shipped show, driven as a viewer would drive it. Usage: e2e_show.sh <case>
source "$(dirname "$0")/../support/show_driver.sh"

# Left and middle clicks and other keys do nothing; Escape, a right click and the close box
# end the show at once, with status 0, through one shutdown.
close_box() { "$CORVANEL_CLOSE_WINDOW" "$SHOW_WINDOW"; }
quit_controls()
{
    local quit
    for quit in "show_key Escape" "xdotool click 3" close_box; do
        show_start
        show_wait_first_frame
        # Whole frames at the display's rate: the swap asked to wait for its refresh.
        [ "$(cat "$SHOW_DIR/swap_control")" = 1 ] || fail "the swap does not wait for the refresh"
        if [ "$quit" = "show_key Escape" ]; then
            # The show handles events in order, so once the last key's release has written its
            # number, the clicks and keys before it were handled without ending the show.
            xdotool click 1 click 2
            show_key space Return q
            wait_for 60 eval '(($(lines_of "$SHOW_DIR/stdout") == 3)) || ! show_running' &&
                show_running || fail "the show ended on a left or middle click or an unbound key"
        fi
        $quit
        expect_status "$quit ends the show" 0
        [ "$(show_quits)" = 1 ] || fail "SDL_Quit ran $(show_quits) times at the end"
    done
}

# Pressing t and releasing it writes one line: the beats when it went down and when it came
# up, as the passes that handled them read the clock. The line reaches a file or a pipe while
# the show runs, and stays there however it ends: SIGHUP (a closed terminal) ends it like the
# close box, SIGQUIT kills it after the shutdown.
probe_output()
{
    local pipe signal status line
    for pipe in "" 1; do
        SHOW_PIPE=$pipe show_start
        show_wait_first_frame
        xdotool keydown t sleep 0.7 keyup t
        wait_for 60 test -s "$SHOW_DIR/stdout" ||
            fail "no probe line while the show runs (pipe: ${pipe:-no})"
        show_running || fail "the show ended on t"
        if [ -n "$pipe" ]; then signal=QUIT status=131; else signal=HUP status=0; fi
        kill -s "$signal" "$SHOW_PID"
        expect_status "SIG$signal after a probe line" "$status"
        [ "$(show_quits)" = 1 ] || fail "SIG$signal skipped the shutdown"
        line=$(cat "$SHOW_DIR/stdout")
        [[ "$line" =~ ^\|\|\ timing_beats\ \>\ ([0-9]+\.[0-9]{6})\ \&\&\ timing_beats\ \<=\ ([0-9]+\.[0-9]{6})$ ]] ||
            fail "not one probe line of the right form after SIG$signal: '$line'"
        # The shim logged when each of the two passes read its clock: the beats between the
        # numbers are the time between those reads at 180 a minute (the clock follows the
        # music's mixer, a few milliseconds either way).
        awk -v a="${BASH_REMATCH[1]}" -v b="${BASH_REMATCH[2]}" \
            'NR == 1 { from = $1 } NR == 2 { to = $1 }
             END { d = b - a; want = (to - from) * 3 / 1e9; exit !(d > 0 && d - want < 0.15 && want - d < 0.15) }' \
            "$SHOW_DIR/probes" || fail "the probe line's beats are not the passes' clock: '$line', $(cat "$SHOW_DIR/probes")"
    done
}

# Standard output a pipe that is full and never read: the show goes on drawing while its probe
# lines wait, and Escape still ends it.
full_pipe()
{
    mkfifo "$SHOW_DIR/pipe"
    exec 3<>"$SHOW_DIR/pipe" # a reader that never reads
    dd if=/dev/zero of="$SHOW_DIR/pipe" bs=4096 count=1024 oflag=nonblock 2>/dev/null || true
    SHOW_STDOUT=$SHOW_DIR/pipe show_start
    show_wait_first_frame
    show_key t t t
    show_wait_frames 10
    show_key Escape
    expect_status "Escape with the output pipe full" 0
}

# Started with standard input, output and error closed, the show has them on the null device,
# so that no file it opens later (the dialog's X connection) takes one of their numbers.
closed_descriptors()
{
    SHOW_CLOSED=1 show_start
    show_wait_first_frame
    local descriptor
    for descriptor in 0 1 2; do
        [ "$(readlink "/proc/$SHOW_PID/fd/$descriptor")" = /dev/null ] ||
            fail "descriptor $descriptor is $(readlink "/proc/$SHOW_PID/fd/$descriptor")"
    done
    show_key Escape
    expect_status "Escape" 0
}

# The X server gone under the show: one line that says so and status 1, through the shutdown.
lost_display()
{
    "$(dirname "$0")/../support/xvfb.sh" start "$SHOW_DIR/xvfb"
    DISPLAY=$(cat "$SHOW_DIR/xvfb/display")
    show_start
    show_wait_first_frame
    "$(dirname "$0")/../support/xvfb.sh" stop "$SHOW_DIR/xvfb"
    expect_status "the display lost" 1
    [ "$(cat "$SHOW_DIR/stderr")" = "corvanel: lost the display" ] || fail "not the one line"
    [ "$(show_quits)" = 1 ] || fail "the shutdown was skipped"
}

# A picture that cannot be decoded or converted ends the show with one line naming what
# failed, status 1, through the shutdown. Photo 25 is 300 x 205: decoded into 24 bits,
# converted into 32, resampled to 512 x 256.
failed_picture()
{
    local surface message
    while IFS='|' read -r surface message; do
        show_start
        echo "$surface" >"$SHOW_DIR/fail_surface"
        show_answer_dialog
        expect_status "no surface of $surface" 1
        [ "$(cat "$SHOW_DIR/stderr")" = "$message" ] || fail "not the one line: $message"
        [ "$(show_quits)" = 1 ] || fail "the fatal path skipped the shutdown"
    done <<'EOF'
300 205 24|IMG_Load_RW failed for photo_set 25: Out of memory
300 205 32|CreateRGBSurface failed: Out of memory
512 256 32|CreateRGBSurface failed for photo_set 25 (512 x 256): Out of memory
EOF
}

# The whole show under the sanitizers (run from their build), playing through a private
# PulseAudio, stepped through its three minutes with a probe, a skip and clicks, a few frames
# drawn at each step: it ends on its own with status 0 and no leak report.
whole_show_no_leaks()
{
    # Not local: the exit trap runs after this function has returned.
    sound_server=$(dirname "$0")/../sync/sound_server.sh
    "$sound_server" start "$SHOW_DIR/sound" pulseaudio || fail "no PulseAudio"
    trap '"$sound_server" stop "$SHOW_DIR/sound"; show_cleanup' EXIT
    source "$SHOW_DIR/sound/env"
    show_start SDL_AUDIODRIVER=pulse
    show_wait_first_frame
    show_key t s
    xdotool click 1 click 2
    local at
    for at in $(seq 0 10000 170000); do
        show_clock_at_most "$at"
        show_wait_frames 2
    done
    show_running || fail "the show ended early"
    echo 181000 >"$SHOW_DIR/ahead"
    expect_status "the whole show, sanitized" 0
    ! grep Sanitizer "$SHOW_DIR/stderr" >/dev/null || fail "the sanitizers reported"
}

# While the show plays the screen-saver service holds its inhibit, until Escape, and the X screen
# saver stays off well past its timeout of 1 s, left as it was (on a private server and bus).
# x_screen_saver: the X screen saver's state, ms since the last input, timeout in seconds.
x_screen_saver() { echo "$(xssstate -s) $(xssstate -i) $(xset q | awk '/timeout:/ {print $2}')"; }
idle_held()
{
    local saver=()
    xvfb=$(dirname "$0")/../support/xvfb.sh # not local: the exit trap runs after the function
    "$xvfb" start "$SHOW_DIR/xvfb"
    trap '"$xvfb" stop "$SHOW_DIR/xvfb"; show_cleanup' EXIT
    DISPLAY=$(cat "$SHOW_DIR/xvfb/display")
    start_screen_saver_service
    xset s 1 0
    # The dialog's toolkit would start the accessibility bus's services on this bus.
    show_start NO_AT_BRIDGE=1
    show_wait_first_frame
    wait_for 60 eval 'saver=($(x_screen_saver)) && ((saver[1] >= 2500)) || ! show_running'
    show_running || fail "the show ended while idle"
    [ "${saver[*]}" = "off ${saver[1]} 1" ] ||
        fail "the X screen saver, ${saver[1]} ms after the last input: ${saver[*]}"
    expect_inhibit held
    show_key Escape
    expect_status "Escape" 0
    expect_inhibit released
}

# Eighteen presses of s early in the show push its clock past three minutes.
skip_to_the_end()
{
    show_start
    show_wait_first_frame
    show_key s s s s s s s s s s s s s s s s s s
    show_mark
    expect_end_soon "eighteen skips end the show"
}

# Without input the show ends at three minutes, and not before: it goes on drawing a second
# short of the end, and stops once past it.
ends_on_time()
{
    show_start
    show_wait_first_frame
    show_clock_at_most 179000
    show_wait_frames 3
    show_running || fail "the show ended before three minutes"
    show_mark
    echo 181000 >"$SHOW_DIR/ahead"
    expect_end_soon "the show ends after three minutes"
}

"$1"
