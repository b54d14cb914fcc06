#!/usr/bin/env bash
# A private sound server with a 48 kHz null sink, for tests that listen to what the show plays.
#   sound_server.sh start DIR pulseaudio|pipewire   starts it, writes DIR/env (PULSE_SERVER
#                                                   and friends, to be sourced by clients)
#   sound_server.sh stop DIR                        stops what `start` started, by process id
# Nothing of the machine's own configuration is read or written: runtime, state and home are
# all under DIR. The sink's monitor (null.monitor) is what a loudspeaker would play.
set -euo pipefail
source "$(dirname "$0")/../support/wait.sh"
action=$1 dir=$2 kind=${3:-}

not_up()
{
    echo "the $kind server did not come up ($1); its log:" >&2
    cat "$dir"/*.log >&2
    return 1
}
server_answers() { PULSE_SERVER=unix:$runtime/native pactl info >/dev/null 2>&1; }
# PipeWire's session manager keeps the default sink: asked until it says so.
null_sink_default()
{
    PULSE_SERVER=unix:$runtime/native pactl set-default-sink null 2>/dev/null &&
        PULSE_SERVER=unix:$runtime/native pactl info 2>/dev/null | grep -qx 'Default Sink: null'
}

case $action in
start)
    runtime=$dir/runtime
    mkdir -p "$runtime" "$dir/state" "$dir/home"
    chmod 700 "$runtime"
    : >"$dir/pids"
    if [ "$kind" = pulseaudio ]; then
        PULSE_RUNTIME_PATH=$runtime PULSE_STATE_PATH=$dir/state HOME=$dir/home \
            pulseaudio --system=false --daemonize=no --use-pid-file=no --exit-idle-time=-1 \
            --disallow-exit -n -F /dev/stdin <<CONF >"$dir/pulseaudio.log" 2>&1 &
load-module module-null-sink sink_name=null rate=48000 channels=2
load-module module-native-protocol-unix auth-anonymous=1 socket=$runtime/native
set-default-sink null
CONF
        echo $! >>"$dir/pids"
        wait_for 60 server_answers || not_up "no answer"
    else
        export XDG_RUNTIME_DIR=$runtime HOME=$dir/home XDG_CONFIG_HOME=$dir/home/.config \
            XDG_STATE_HOME=$dir/state
        dbus-daemon --session --nofork --address="unix:path=$runtime/bus" \
            >"$dir/dbus.log" 2>&1 &
        echo $! >>"$dir/pids"
        export DBUS_SESSION_BUS_ADDRESS=unix:path=$runtime/bus
        wait_for 60 test -S "$runtime/bus" || not_up "no session bus"
        pipewire >"$dir/pipewire.log" 2>&1 &
        echo $! >>"$dir/pids"
        wait_for 60 test -S "$runtime/pipewire-0" || not_up "no PipeWire socket"
        for program in wireplumber pipewire-pulse; do
            "$program" >"$dir/$program.log" 2>&1 &
            echo $! >>"$dir/pids"
        done
        runtime=$runtime/pulse
        wait_for 60 server_answers || not_up "no answer"
        PULSE_SERVER=unix:$runtime/native pactl load-module module-null-sink sink_name=null \
            rate=48000 channels=2 >/dev/null
        wait_for 60 null_sink_default || not_up "the null sink is not the default"
    fi
    {
        echo "export PULSE_SERVER=unix:$runtime/native"
        echo "export HOME=$dir/home"  # the ALSA plugin's configuration (see below)
        # A desktop session's runtime folder, where PipeWire's own socket lies.
        if [ "$kind" = pipewire ]; then echo "export XDG_RUNTIME_DIR=$dir/runtime"; fi
    } >"$dir/env"
    # SDL's alsa driver reaches the server through the pulse plugin, configured here only.
    printf 'pcm.!default { type pulse }\nctl.!default { type pulse }\n' >"$dir/home/.asoundrc"
    ;;
stop)
    if [ -f "$dir/pids" ]; then
        tac "$dir/pids" | xargs -r kill 2>/dev/null || true
        rm -f "$dir/pids"
    fi
    ;;
esac
