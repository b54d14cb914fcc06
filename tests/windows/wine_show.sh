#!/usr/bin/env bash
# The Windows build under Wine, driven as a viewer would drive it: a private Xvfb per case, real
# X input (xdotool), the Wine prefix kept in the Windows build folder.
#   wine_show.sh prefix   makes the prefix, again when Wine or the fonts changed (a fixture)
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
# A prefix records the Wine and the fonts it was made with; made again when either changed.
prefix)
    made_for="$(wine --version) fonts $(find /usr/share/fonts /usr/local/share/fonts -type f \
        2>/dev/null | sort | md5sum | cut -d' ' -f1)"
    [ -f "$WINEPREFIX/system.reg" ] && [ "$(cat "$WINEPREFIX/made_for" 2>/dev/null)" = "$made_for" ] &&
        exit 0
    wineserver --kill 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    wineboot --init
    wineserver --wait
    echo "$made_for" >"$WINEPREFIX/made_for"
    echo "ok: Wine prefix in $WINEPREFIX for $made_for"
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
fail_details() { quote_log stderr.txt "$app/stderr.txt"; quote_log wine.log "$work/wine.log"; }
source "$support/common.sh"

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

# The program's viewable top-level window titled as the show, other than window $1, as
# "id WxH+X+Y"; fails if there is none. The dialog is the first such window; the show's is the
# next. (Its size would not do: the dialog's follows the fonts installed.)
titled_window()
{
    local id
    for id in $(xwininfo -root -children | awk '/"Tavrune Demo Engine": \("corvanel/ { print $1 }'); do
        [ "$id" != "${1:-}" ] || continue
        xwininfo -id "$id" 2>/dev/null | awk -v id="$id" '/IsViewable/ { viewable = 1 }
            /-geometry/ { geometry = $2 } END { if (viewable) print id, geometry; exit !viewable }' &&
            return 0
    done
    return 1
}

# Waits for the dialog, which takes keys once it is mapped; without a window manager keys go
# to the window under the pointer. Sets dialog to its id.
wait_dialog()
{
    wait_for 60 titled_window >/dev/null || fail "no setup dialog within 60 s"
    dialog=$(titled_window | cut -d' ' -f1)
    xdotool mousemove 512 384
}

# Answers the dialog with Return and waits for the show's first presented frame.
run_hooked_show()
{
    HOOKED=1 start_show
    wait_dialog
    xdotool key Return
    wait_for 120 test -s "$work/shim/first_frame" || fail "no first frame within 120 s"
}

frames() { cat "$work/shim/presented" 2>/dev/null || echo 0; }

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
        "$CORVANEL_CLOSE_WINDOW" "$dialog"
    fi
    expect_exit show_pid 255
    ! titled_window "$dialog" || fail "the show opened its window after a cancelled dialog"
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
    wait_for 60 titled_window "$dialog" >/dev/null || fail "no show window within 60 s"
    geometry=$(titled_window "$dialog" | cut -d' ' -f2)
    if [ "$case_name" = dialog_fullscreen ]; then
        [ "$geometry" = 1024x768+0+0 ] || fail "full screen, yet the window is at $geometry"
    else
        [[ "$geometry" == 1024x768+* && "$geometry" != 1024x768+0+0 ]] ||
            fail "windowed, yet the window is at $geometry"
    fi
    xdotool key Escape
    expect_exit show_pid 0
    echo "ok: the show's window at $geometry"
    ;;
# With the clock held, the frames on screen are the Linux build's frames of the same moments.
held_frames)
    moments=(5000 50000 100000)
    "$SCENE_FRAMES" "$work" "${moments[@]}" || fail "no Linux frames"
    echo "${moments[0]}" >"$work/shim/hold"
    run_hooked_show
    for moment in "${moments[@]}"; do
        echo "$moment" >"$work/shim/hold"
        # The frames after the next one read the held moment.
        drawn=$(($(frames) + 2))
        wait_for 60 eval '(($(frames) >= drawn))' || fail "no frames drawn at $moment ms"
        import -window root "$work/wine_$moment.ppm"
        differ=$(compare -metric AE "$work/frame_$moment.ppm" "$work/wine_$moment.ppm" null: 2>&1) ||
            true
        [ "$differ" = 0 ] || fail "at $moment ms $differ pixels differ from the Linux frame"
        echo "ok: the frame at $moment ms is the Linux build's"
    done
    xdotool key Escape
    expect_exit show_pid 0
    ;;
*) fail "unknown case" ;;
esac
echo "ok: $case_name"
