#!/usr/bin/env bash
# A private Wayland desktop with XWayland; writes DIR/display, XWayland's display.
#   wayland_desktop.sh start weston DIR  weston in a window of a private 1920x1080 Xvfb, whose
#       display (DIR/outer) takes xdotool's input (weston's headless backend has no seat)
#   wayland_desktop.sh start sway DIR    sway headless, heads of 1920x1080 at the origin and
#       1280x1024 to its right, input through XWayland's own devices; sway refuses root, so
#       root runs it as nobody (DIR's parents must let nobody in) and is let onto its XWayland
#   wayland_desktop.sh stop DIR          stops it (and weston's Xvfb), by process id
set -euo pipefail
source "$(dirname "$0")/wait.sh"
action=$1
case "$action" in
start)
    desktop=$2 dir=$3
    mkdir -p -m 700 "$dir/runtime"
    rm -f "$dir/display" "$dir/pid"
    if [ "$desktop" = weston ]; then
        "$(dirname "$0")/xvfb.sh" start "$dir/xvfb" 1920x1080
        cp "$dir/xvfb/display" "$dir/outer"
        DISPLAY=$(cat "$dir/outer") XDG_RUNTIME_DIR=$dir/runtime weston --backend=x11-backend.so \
            --use-pixman --xwayland --socket=wayland-test --width=1920 --height=1080 \
            --idle-time=0 --log="$dir/desktop.log" >/dev/null 2>&1 </dev/null &
        echo $! >"$dir/pid"
        find_display() { sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$dir/desktop.log" 2>/dev/null; }
    else
        as_user=()
        [ "$(id -u)" != 0 ] || { as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups); chown nobody "$dir/runtime"; }
        chmod 755 "$dir"
        cat >"$dir/config" <<CONFIG
output HEADLESS-1 mode 1920x1080 position 0 0
output HEADLESS-2 mode 1280x1024 position 1920 0
xwayland enable
exec sh -c 'xhost +si:localuser:$(id -un) >/dev/null && echo \$DISPLAY >$dir/runtime/display'
CONFIG
        env -i PATH=/usr/bin:/bin HOME="$dir/runtime" XDG_RUNTIME_DIR="$dir/runtime" \
            WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_HEADLESS_OUTPUTS=2 WLR_LIBINPUT_NO_DEVICES=1 \
            "${as_user[@]}" sway -c "$dir/config" >"$dir/desktop.log" 2>&1 </dev/null &
        echo $! >"$dir/pid"
        find_display() { cat "$dir/runtime/display" 2>/dev/null; }
    fi
    # Up once it names XWayland's display; given up on at once if it died.
    started() { ! kill -0 "$(cat "$dir/pid")" 2>/dev/null || [ -n "$(find_display || true)" ]; }
    if wait_for 30 started && [ -n "$(find_display || true)" ]; then
        find_display >"$dir/display"
        exit 0
    fi
    echo "$desktop did not start; its log:" >&2
    cat "$dir/desktop.log" >&2 || true
    exit 1
    ;;
stop)
    dir=$2
    [ ! -f "$dir/pid" ] || kill "$(cat "$dir/pid")" 2>/dev/null || true
    [ ! -d "$dir/xvfb" ] || "$(dirname "$0")/xvfb.sh" stop "$dir/xvfb"
    ;;
*) echo "usage: wayland_desktop.sh start weston|sway DIR | stop DIR" >&2 && exit 2 ;;
esac
