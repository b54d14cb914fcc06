#!/usr/bin/env bash
# The Windows build under Wine, driven as a viewer would drive it: a private Xvfb per case, real
# X input (xdotool), the Wine prefix kept in the Windows build folder.
#   wine_show.sh prefix   creates the prefix if it is missing (a CTest fixture)
#   wine_show.sh stop     stops the prefix's wineserver
#   wine_show.sh <case>
# Needs CORVANEL_WINDOWS_BUILD (corvanel.exe, and corvanel_hooked.exe: the show with the
# test-only shim linked in), CORVANEL_CLOSE_WINDOW, and SCENE_FRAMES for held_frames.
set -euo pipefail
support=$(cd "$(dirname "$0")/../support" && pwd)
export WINEPREFIX=$CORVANEL_WINDOWS_BUILD/wine-prefix WINEDEBUG=-all
# Wine would offer to download its .NET and HTML engines into a new prefix; the show needs
# neither.
export WINEDLLOVERRIDES="mscoree,mshtml="
case_name=$1

case $case_name in
prefix)
    [ -f "$WINEPREFIX/system.reg" ] && exit 0
    wineboot --init
    wineserver --wait
    echo "ok: Wine prefix in $WINEPREFIX"
    exit 0
    ;;
stop)
    wineserver --kill 2>/dev/null || true
    exit 0
    ;;
esac

work=$(mktemp -d)
show_pid=
trap 'cleanup' EXIT
cleanup()
{
    [ -n "$show_pid" ] && kill "$show_pid" 2>/dev/null
    "$support/xvfb.sh" stop "$work/xvfb"
    rm -rf "$work"
}
fail()
{
    echo "FAIL ($case_name): $*" >&2
    for file in "$app"/stderr.txt "$work"/wine.log; do
        [ -s "$file" ] && sed "s|^|  $(basename "$file"): |" "$file" >&2
    done
    exit 1
}
wait_for() { for _ in $(seq "$1"); do "${@:2}" && return 0; sleep 0.1; done; return 1; }

"$support/xvfb.sh" start "$work/xvfb"
export DISPLAY=$(cat "$work/xvfb/display")
mkdir -p "$work/app" "$work/shim"

# Starts corvanel.exe (or the hooked build, with HOOKED=1) from a folder of its own, where SDL
# writes its stdout.txt and stderr.txt; or, with APP set, the corvanel.exe in that folder.
app=$work/app
start_show()
{
    local exe=corvanel.exe
    if [ "$app" = "$work/app" ]; then
        [ -n "${HOOKED:-}" ] && exe=corvanel_hooked.exe
        cp "$CORVANEL_WINDOWS_BUILD/$exe" "$app/"
    fi
    CORVANEL_SHIM_DIR="Z:$work/shim" wine "$app/$exe" >"$work/wine.log" 2>&1 </dev/null &
    show_pid=$!
}

# The show's top-level window of that size (the dialog: 249x128, the show: 1024x768), as
# "id WxH+X+Y"; fails if there is none.
show_window()
{
    xwininfo -root -children |
        awk -v size="$1" '/"Tavrune Demo Engine": \("corvanel/ && index($(NF - 1), size "+") == 1 {
            print $1, $(NF - 1); found = 1; exit } END { exit !found }'
}

# Without a window manager nothing gives the dialog the focus: keys go to the window under the
# pointer. The dialog is mapped before Wine has finished setting it up, and keys that come too
# early are lost, so it gets a moment.
wait_dialog()
{
    wait_for 300 show_window 249x128 >/dev/null || fail "no setup dialog within 30 s"
    xdotool mousemove 512 384
    sleep 1
}

# Answers the dialog with Return and waits for the show's first presented frame.
run_hooked_show()
{
    HOOKED=1 start_show
    wait_dialog
    xdotool key Return
    wait_for 300 test -s "$work/shim/first_frame" || fail "no first frame within 30 s"
}

expect_status()
{
    local want=$1 status=0
    wait_for "${2:-100}" bash -c "! kill -0 $show_pid 2>/dev/null" || fail "still running"
    wait "$show_pid" || status=$?
    show_pid=
    [ "$status" = "$want" ] || fail "exit status $status, expected $want"
}

# Windows' C library writes text files with CR LF line ends.
probe_lines() { tr -d '\r' <"$app/stdout.txt"; }
quits() { tr -d '\r\n' <"$work/shim/quits"; }

# Packs the release zip as `make dist` does, checks what it holds, and runs the show from it.
release_zip()
{
    cpack -G ZIP --config "$CORVANEL_WINDOWS_BUILD/CPackConfig.cmake" -B "$work/zip" >/dev/null ||
        fail "cpack"
    local zips=("$work"/zip/corvanel-*-windows-x86_64.zip)
    [ -f "${zips[0]}" ] || fail "no corvanel-<version>-windows-x86_64.zip"
    (cd "$work/zip" && cmake -E tar xf "${zips[0]}")
    app=$work/zip/$(basename "${zips[0]}" .zip)
    local file
    for file in corvanel.exe README.txt LICENSE.txt NOTICES.txt; do
        [ -f "$app/$file" ] || fail "the zip holds no $file"
    done
    # Every licence text the notices name is in the zip.
    for file in $(grep -o 'licences/[A-Za-z0-9_.-]*\.txt' "$app/NOTICES.txt" | sort -u); do
        [ -f "$app/$file" ] || fail "the notices name $file, which the zip does not hold"
    done
    cmp -s "$app/corvanel.exe" "$CORVANEL_WINDOWS_BUILD/corvanel.exe" ||
        fail "the zip's corvanel.exe is not the release build's"
}

case $case_name in
# Escape and the close box cancel the dialog: -1, which a Windows parent sees as 255, and no
# show at all.
dialog_escape | dialog_close_box)
    start_show
    wait_dialog
    if [ "$case_name" = dialog_escape ]; then
        xdotool key Escape
    else
        "$CORVANEL_CLOSE_WINDOW" "$(show_window 249x128 | cut -d' ' -f1)"
    fi
    expect_status 255
    ! show_window 1024x768 || fail "the show opened its window after a cancelled dialog"
    ;;
# Return runs the show full screen: its window covers the screen from its corner. With
# Fullscreen ticked off it runs in a framed window. The release zip's executable runs as the
# build's does.
dialog_fullscreen | dialog_windowed | release_zip)
    [ "$case_name" != release_zip ] || release_zip
    start_show
    wait_dialog
    if [ "$case_name" = dialog_fullscreen ]; then
        xdotool key Return
    else
        xdotool key --delay 100 Tab Tab Tab space Return
    fi
    wait_for 300 show_window 1024x768 >/dev/null || fail "no show window within 30 s"
    geometry=$(show_window 1024x768 | cut -d' ' -f2)
    if [ "$case_name" = dialog_fullscreen ]; then
        [ "$geometry" = 1024x768+0+0 ] || fail "full screen, yet the window is at $geometry"
    else
        [ "$geometry" != 1024x768+0+0 ] || fail "windowed, yet the window covers the screen"
    fi
    sleep 1
    xdotool key Escape
    expect_status 0
    echo "ok: the show's window at $geometry"
    ;;
# t writes its beat condition to stdout.txt; s moves the clock ten seconds (thirty beats) on;
# a right click ends the show through one shutdown.
show_keys)
    run_hooked_show
    xdotool key t
    first_press=$(date +%s.%N)
    sleep 0.5
    xdotool key s
    sleep 0.5
    xdotool key t
    second_press=$(date +%s.%N)
    sleep 0.5
    xdotool click 3
    expect_status 0
    [ "$(quits)" = 1 ] || fail "SDL_Quit ran $(quits) times"
    # Any key's release closes a condition, so the s leaves a lone number of its own.
    whole=$(probe_lines | grep -E '^\|\| timing_beats > [0-9]+\.[0-9]{6} && timing_beats <= [0-9.]+$' || true)
    [ "$(wc -l <<<"$whole")" = 2 ] || fail "expected two whole probe lines: $(probe_lines)"
    # Thirty beats for the skip, three a second for the time between the presses, and half a
    # second's slack for when each key was read.
    awk -v from="$first_press" -v to="$second_press" '
        NR == 1 { first = $4 } NR == 2 { second = $4 }
        END { moved = second - first - 3 * (to - from); exit !(moved > 28.5 && moved < 31.5) }' \
        <<<"$whole" ||
        fail "the skip did not move the clock 30 beats: $whole"
    echo "ok: $(probe_lines | tr '\n' ' ')"
    ;;
# Without input the show ends at three minutes, and not before.
ends_on_time)
    run_hooked_show
    echo 175000 >"$work/shim/ahead"
    sleep 1
    kill -0 "$show_pid" || fail "the show ended before three minutes"
    echo 180000 >"$work/shim/ahead"
    expect_status 0
    ;;
# With the clock held, the frames on screen are the Linux build's frames of the same moments.
held_frames)
    moments=(5000 50000 100000)
    "$SCENE_FRAMES" "$work" "${moments[@]}" || fail "no Linux frames"
    echo "${moments[0]}" >"$work/shim/hold"
    run_hooked_show
    for moment in "${moments[@]}"; do
        echo "$moment" >"$work/shim/hold"
        sleep 1.5
        import -window root "$work/wine_$moment.ppm"
        differ=$(compare -metric AE "$work/frame_$moment.ppm" "$work/wine_$moment.ppm" null: 2>&1) ||
            true
        [ "$differ" = 0 ] || fail "at $moment ms $differ pixels differ from the Linux frame"
        echo "ok: the frame at $moment ms is the Linux build's"
    done
    xdotool key Escape
    expect_status 0
    ;;
*) fail "unknown case" ;;
esac
echo "ok: $case_name"
