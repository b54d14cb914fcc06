#!/usr/bin/env bash
# Picture and sound at the listener's ear, for each sound server and SDL driver: the offset
# of the music heard from the show's clock, min / median / max of each run's median over
# $RUNS runs and the extremes of single probes, on a private Xvfb and a private sound server
# (see tests/sync).
# Usage: sync_bench.sh <build dir> [runs]
set -euo pipefail
build=$1 runs=${2:-10}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
if [ -z "${CORVANEL_BENCH_DISPLAY:-}" ]; then
    exec env CORVANEL_BENCH_DISPLAY=1 "$source_dir/tests/support/xvfb.sh" run "$0" "$@"
fi
export CORVANEL=$build/corvanel CORVANEL_SHIM=$build/tests/support/libshow_shim.so \
    RECORD_MONITOR=$build/tests/sync/record_monitor SYNC_OFFSETS=$build/tests/sync/sync_offsets \
    MUSIC=$source_dir/media/music.mp3
echo "music heard after the clock read it (ms), $runs runs: min / median / max of the runs' medians,"
echo "and the earliest and latest single probe of all runs:"
for setup in "pulseaudio pulse" "pulseaudio alsa" "pipewire pulse" "pipewire alsa"; do
    # One "min median max" line per run.
    runs_seen=$(for _ in $(seq "$runs"); do
        "$source_dir/tests/sync/e2e_sync.sh" $setup 1000 2>/dev/null |
            sed -n 's/^offset min \/ median \/ max: \([-+0-9.]*\) \/ \([-+0-9.]*\) \/ \([-+0-9.]*\) ms$/\1 \2 \3/p'
    done)
    medians=$(cut -d' ' -f2 <<<"$runs_seen" | sort -g)
    count=$(wc -l <<<"$medians")
    printf '  %-18s min %+6.1f  median %+6.1f  max %+6.1f   probes %+6.1f to %+6.1f  (%d runs)\n' \
        "$setup" "$(head -1 <<<"$medians")" "$(sed -n "$(((count + 1) / 2))p" <<<"$medians")" \
        "$(tail -1 <<<"$medians")" "$(cut -d' ' -f1 <<<"$runs_seen" | sort -g | head -1)" \
        "$(cut -d' ' -f3 <<<"$runs_seen" | sort -g | tail -1)" "$count"
done
