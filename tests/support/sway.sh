#!/usr/bin/env bash
# A private Wayland desktop of two heads with XWayland: sway headless, a 1920x1080 head at the
# origin and a 1280x1024 head to its right. sway will not run as root, so as root it runs as
# nobody, and lets root's clients onto its XWayland. Input goes through XWayland's own test
# devices (a headless sway has no seat).
#   sway.sh start DIR   writes DIR/display (XWayland's); DIR is made readable for sway's user
#   sway.sh stop DIR    stops sway, by process id
set -euo pipefail
action=$1 dir=$2
as_user=()
[ "$(id -u)" != 0 ] || as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
case "$action" in
start)
    mkdir -p "$dir/runtime"
    chmod 755 "$dir"
    chmod 700 "$dir/runtime"
    [ ${#as_user[@]} = 0 ] || chown nobody "$dir/runtime"
    cat >"$dir/config" <<CONFIG
output HEADLESS-1 mode 1920x1080 position 0 0
output HEADLESS-2 mode 1280x1024 position 1920 0
xwayland enable
exec sh -c 'xhost +si:localuser:$(id -un) >/dev/null && echo \$DISPLAY >$dir/runtime/display'
CONFIG
    env -i PATH=/usr/bin:/bin HOME="$dir/runtime" XDG_RUNTIME_DIR="$dir/runtime" \
        WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_HEADLESS_OUTPUTS=2 WLR_LIBINPUT_NO_DEVICES=1 \
        "${as_user[@]}" sway -c "$dir/config" >"$dir/sway.log" 2>&1 </dev/null &
    echo $! >"$dir/pid"
    for _ in $(seq 300); do
        if [ -s "$dir/runtime/display" ]; then
            cp "$dir/runtime/display" "$dir/display"
            exit 0
        fi
        kill -0 "$(cat "$dir/pid")" 2>/dev/null || break
        sleep 0.1
    done
    echo "sway did not start; its log:" >&2
    cat "$dir/sway.log" >&2 || true
    exit 1
    ;;
stop)
    [ ! -f "$dir/pid" ] || kill "$(cat "$dir/pid")" 2>/dev/null || true
    rm -f "$dir/pid" "$dir/display"
    ;;
*)
    echo "usage: sway.sh start|stop DIR" >&2
    exit 2
    ;;
esac
