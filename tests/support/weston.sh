#!/usr/bin/env bash
# A private Wayland desktop with XWayland, as most Linux desktops now run an X11 program: weston
# drawing in a window of a private Xvfb (its X11 backend: weston's headless one has no seat,
# and XWayland crashes there on pointer motion).
#   weston.sh start DIR [WxH]  starts both (one 1920x1080 output unless given), writes
#                              DIR/display (XWayland's, for the programs under test) and
#                              DIR/outer (the Xvfb's, for xdotool's input and screenshots)
#   weston.sh stop DIR         stops both, by process id
set -euo pipefail
action=$1 dir=$2 size=${3:-1920x1080}
xvfb=$(dirname "$0")/xvfb.sh
case "$action" in
start)
    mkdir -p "$dir/runtime"
    chmod 700 "$dir/runtime"
    rm -f "$dir/display" "$dir/outer" "$dir/pid"
    "$xvfb" start "$dir/xvfb" "$size"
    cp "$dir/xvfb/display" "$dir/outer"
    DISPLAY=$(cat "$dir/outer") XDG_RUNTIME_DIR=$dir/runtime weston --backend=x11-backend.so \
        --use-pixman --xwayland --socket=wayland-test --width="${size%x*}" --height="${size#*x}" \
        --idle-time=0 --log="$dir/weston.log" >/dev/null 2>&1 </dev/null &
    echo $! >"$dir/pid"
    # XWayland's display is picked by weston, which says which once it listens (XWayland
    # itself starts on the first client).
    for _ in $(seq 300); do
        display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$dir/weston.log" 2>/dev/null || true)
        if [ -n "$display" ]; then
            echo "$display" >"$dir/display"
            exit 0
        fi
        kill -0 "$(cat "$dir/pid")" 2>/dev/null || break
        sleep 0.1
    done
    echo "weston did not start; its log:" >&2
    cat "$dir/weston.log" >&2 || true
    exit 1
    ;;
stop)
    [ ! -f "$dir/pid" ] || kill "$(cat "$dir/pid")" 2>/dev/null || true
    rm -f "$dir/pid" "$dir/display"
    "$xvfb" stop "$dir/xvfb"
    ;;
*)
    echo "usage: weston.sh start|stop DIR [WxH]" >&2
    exit 2
    ;;
esac
