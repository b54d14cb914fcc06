#!/usr/bin/env bash
# The shipped show, driven as a viewer would drive it. Usage: e2e_show.sh <case>
source "$(dirname "$0")/../support/show_driver.sh"

# Left and middle clicks and other keys do nothing; Escape, a right click and the close box
# end the show at once, with status 0, through one shutdown.
quit_controls()
{
    local quit
    for quit in "show_key Escape" "show_click 3" show_close_window; do
        show_start
        show_wait_first_frame
        if [ "$quit" = "show_key Escape" ]; then
            show_click 1
            show_click 2
            show_key space Return q
            sleep 1
            show_running || fail "the show ended on a left or middle click or an unbound key"
        fi
        $quit
        expect_status "$quit ends the show" 0
        [ "$(show_quits)" = 1 ] || fail "SDL_Quit ran $(show_quits) times at the end"
    done
}

# Pressing and releasing t writes one ready-made beat condition.
timing_probe()
{
    show_start
    show_wait_first_frame
    xdotool keydown t
    sleep 0.7
    xdotool keyup t
    sleep 0.3
    show_key Escape
    expect_status "Escape after a probe" 0
    local first
    first=$(show_stdout | head -n 1)
    [[ "$first" =~ ^\|\|\ timing_beats\ \>\ ([0-9]+\.[0-9]{6})\ \&\&\ timing_beats\ \<=\ ([0-9]+\.[0-9]{6})$ ]] ||
        fail "probe line has the wrong form: '$first'"
    local opened=${BASH_REMATCH[1]} closed=${BASH_REMATCH[2]}
    # 0.7 s held at 180 beats a minute is about 2.1 beats.
    awk -v a="$opened" -v b="$closed" 'BEGIN { d = b - a; exit !(d > 1.5 && d < 4) }' ||
        fail "probe spans $opened to $closed beats, expected about 2.1"
    echo "ok: probe line '$first'"
}

# Probe lines reach a file or a pipe while the show runs, and stay there however it ends:
# SIGHUP (a closed terminal) ends it like the close box, SIGQUIT kills it after the shutdown.
probe_output()
{
    local pipe signal status
    for pipe in "" 1; do
        SHOW_PIPE=$pipe show_start
        show_wait_first_frame
        show_key t
        for _ in $(seq 50); do
            show_stdout | grep -q '^|| timing_beats > [0-9.]* && timing_beats <= [0-9.]*$' && break
            sleep 0.1
        done
        show_stdout | grep -q '^|| timing_beats' ||
            fail "no probe line within 5 s while the show runs (pipe: ${pipe:-no})"
        show_running || fail "the show ended on t"
        if [ -n "$pipe" ]; then signal=QUIT status=131; else signal=HUP status=0; fi
        kill -s "$signal" "$SHOW_PID"
        expect_status "SIG$signal after a probe line" "$status"
        [ "$(show_stdout | wc -l)" = 1 ] || fail "the probe line was lost after SIG$signal"
        [ "$(show_quits)" = 1 ] || fail "SIG$signal skipped the shutdown"
    done
}

# A picture that cannot be decoded or converted ends the show with one line naming what
# failed, status 1, through the shutdown. Photo 25 is 300 x 205: decoded into 24 bits,
# converted into 32, resampled to 512 x 256.
failed_picture()
{
    local surface message
    for surface in "300 205 24" "300 205 32" "512 256 32"; do
        case $surface in
        *24) message="IMG_Load_RW failed for photo_set 25: Out of memory" ;;
        300*) message="CreateRGBSurface failed: Out of memory" ;;
        *) message="CreateRGBSurface failed for photo_set 25 (512 x 256): Out of memory" ;;
        esac
        show_start
        echo "$surface" >"$SHOW_DIR/fail_surface"
        show_answer_dialog
        expect_status "no surface of $surface" 1 30
        [ "$(show_stderr)" = "$message" ] || fail "unexpected stderr: $(show_stderr)"
        [ "$(show_quits)" = 1 ] || fail "the fatal path skipped the shutdown"
    done
}

# The whole show under the sanitizers (run from their build), stepped through its three
# minutes with a probe, a skip and clicks: it ends on its own with status 0 and no leak report.
whole_show_no_leaks()
{
    show_start
    show_wait_first_frame
    show_key t s
    show_click 1
    show_click 2
    local ahead
    for ahead in $(seq 0 10000 170000); do
        show_run_ahead "$ahead"
        sleep 0.3
    done
    show_running || fail "the show ended early"
    show_run_ahead 175000
    expect_status "the whole show, sanitized" 0 60
    ! grep -q 'Sanitizer' <(show_stderr) || fail "the sanitizers reported: $(show_stderr)"
}

# Eighteen presses of s early in the show push its clock past three minutes.
skip_to_the_end()
{
    show_start
    show_wait_first_frame
    local start=$SECONDS
    show_key s s s s s s s s s s s s s s s s s s
    expect_status "eighteen skips end the show" 0 10
    [ $((SECONDS - start)) -lt 10 ] || fail "the show took too long to end after the skips"
}

# Without input the show ends at three minutes, and not before.
ends_on_time()
{
    show_start
    show_wait_first_frame
    show_run_ahead 175000
    sleep 1
    show_running || fail "the show ended before three minutes"
    show_run_ahead 180000
    expect_status "the show ends after three minutes" 0 10
}

"$1"
