#!/usr/bin/env bash
# One private X server for a whole test run (a CTest fixture).
#   xvfb.sh start DIR [WxH]  starts Xvfb (1024x768 unless given, 24-bit, software OpenGL),
#                            writes DIR/display
#   xvfb.sh stop DIR    stops the server started by `start`, by its process id
#   xvfb.sh run CMD...  runs one command on a server of its own, started and stopped around it
set -euo pipefail
action=$1
dir=${2:-}
size=${3:-1024x768}
case "$action" in
run)
    shift
    own=$(mktemp -d)
    "$0" start "$own"
    trap '"$0" stop "$own"; rm -rf "$own"' EXIT
    status=0
    DISPLAY=$(cat "$own/display") "$@" || status=$?
    exit $status
    ;;
start)
    mkdir -p "$dir"
    rm -f "$dir/display" "$dir/pid"
    # -displayfd picks a free display number and tells it once the server is ready.
    exec 3>"$dir/display.tmp"
    Xvfb -displayfd 3 -screen 0 ${size}x24 -nolisten tcp -noreset +extension GLX \
        >"$dir/xvfb.log" 2>&1 &
    echo $! >"$dir/pid"
    exec 3>&-
    for _ in $(seq 100); do
        if [ -s "$dir/display.tmp" ]; then
            echo ":$(tr -d '\n' <"$dir/display.tmp")" >"$dir/display"
            exit 0
        fi
        sleep 0.1
    done
    echo "Xvfb did not start; its log:" >&2
    cat "$dir/xvfb.log" >&2
    exit 1
    ;;
stop)
    if [ -f "$dir/pid" ]; then
        kill "$(cat "$dir/pid")" 2>/dev/null || true
        rm -f "$dir/pid" "$dir/display" "$dir/display.tmp"
    fi
    ;;
*)
    echo "usage: xvfb.sh start|stop DIR | run CMD..." >&2
    exit 2
    ;;
esac
