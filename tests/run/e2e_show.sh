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
        if [ "$quit" = "show_key Escape" ]; then
            xdotool click 1 click 2
            show_key space Return q
            sleep 1
            show_running || fail "the show ended on a left or middle click or an unbound key"
        fi
        $quit
        expect_status "$quit ends the show" 0
        [ "$(show_quits)" = 1 ] || fail "SDL_Quit ran $(show_quits) times at the end"
    done
}

# Holding t for 0.7 s writes one line, the beats when it went down and when it came up: about
# 2.1 apart at 180 beats a minute. The line reaches a file or a pipe while the show runs, and
# stays there however it ends: SIGHUP (a closed terminal) ends it like the close box, SIGQUIT
# kills it after the shutdown.
probe_output()
{
    local pipe signal status line
    for pipe in "" 1; do
        SHOW_PIPE=$pipe show_start
        show_wait_first_frame
        xdotool keydown t sleep 0.7 keyup t
        wait_for 50 test -s "$SHOW_DIR/stdout" ||
            fail "no probe line within 5 s while the show runs (pipe: ${pipe:-no})"
        show_running || fail "the show ended on t"
        if [ -n "$pipe" ]; then signal=QUIT status=131; else signal=HUP status=0; fi
        kill -s "$signal" "$SHOW_PID"
        expect_status "SIG$signal after a probe line" "$status"
        [ "$(show_quits)" = 1 ] || fail "SIG$signal skipped the shutdown"
        line=$(cat "$SHOW_DIR/stdout")
        [[ "$line" =~ ^\|\|\ timing_beats\ \>\ ([0-9]+\.[0-9]{6})\ \&\&\ timing_beats\ \<=\ ([0-9]+\.[0-9]{6})$ ]] ||
            fail "not one probe line of the right form after SIG$signal: '$line'"
        awk -v a="${BASH_REMATCH[1]}" -v b="${BASH_REMATCH[2]}" 'BEGIN { d = b - a; exit !(d > 1.5 && d < 4) }' ||
            fail "the probe line spans other than about 2.1 beats: '$line'"
    done
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
        expect_status "no surface of $surface" 1 30
        [ "$(cat "$SHOW_DIR/stderr")" = "$message" ] || fail "not the one line: $message"
        [ "$(show_quits)" = 1 ] || fail "the fatal path skipped the shutdown"
    done <<'EOF'
300 205 24|IMG_Load_RW failed for photo_set 25: Out of memory
300 205 32|CreateRGBSurface failed: Out of memory
512 256 32|CreateRGBSurface failed for photo_set 25 (512 x 256): Out of memory
EOF
}

# The whole show under the sanitizers (run from their build), stepped through its three
# minutes with a probe, a skip and clicks: it ends on its own with status 0 and no leak report.
whole_show_no_leaks()
{
    show_start
    show_wait_first_frame
    show_key t s
    xdotool click 1 click 2
    local ahead
    for ahead in $(seq 0 10000 170000); do
        echo "$ahead" >"$SHOW_DIR/ahead"
        sleep 0.3
    done
    show_running || fail "the show ended early"
    echo 175000 >"$SHOW_DIR/ahead"
    expect_status "the whole show, sanitized" 0 60
    ! grep Sanitizer "$SHOW_DIR/stderr" >/dev/null || fail "the sanitizers reported"
}

# Eighteen presses of s early in the show push its clock past three minutes.
skip_to_the_end()
{
    show_start
    show_wait_first_frame
    show_key s s s s s s s s s s s s s s s s s s
    expect_status "eighteen skips end the show" 0 5
}

# Without input the show ends at three minutes, and not before. (The shim runs the clock this
# many milliseconds ahead.)
ends_on_time()
{
    show_start
    show_wait_first_frame
    echo 175000 >"$SHOW_DIR/ahead"
    sleep 1
    show_running || fail "the show ended before three minutes"
    echo 180000 >"$SHOW_DIR/ahead"
    expect_status "the show ends after three minutes" 0 5
}

"$1"
