#!/usr/bin/env bash
# Picture and sound at the listener's ear, for each sound server and SDL driver: the offset
# of the music heard from the show's clock, min / median / max of each run's median over
# $RUNS runs and the extremes of single probes, on a private Xvfb and a private sound server
# (see tests/sync). A run that fails says so in one line and the others go on.
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
log=$(mktemp)
trap 'rm -f "$log"' EXIT
echo "music heard after the clock read it (ms), $runs runs: min / median / max of the runs' medians,"
echo "and the earliest and latest single probe of all runs:"
for setup in "pulseaudio pulse" "pulseaudio alsa" "pipewire pulse" "pipewire alsa"; do
    runs_seen="" failed=0
    for run in $(seq "$runs"); do
        # One "min median max" line per run that measured.
        if LIMIT=1000 "$source_dir/tests/sync/e2e_sync.sh" $setup >"$log" 2>&1 &&
            line=$(sed -n 's/^offset min \/ median \/ max: \([-+0-9.]*\) \/ \([-+0-9.]*\) \/ \([-+0-9.]*\) ms.*/\1 \2 \3/p' "$log") &&
            [ -n "$line" ]; then
            runs_seen+="$line"$'\n'
        else
            failed=$((failed + 1))
            echo "  $setup: run $run failed: $(grep -m1 -E 'FAIL|rror' "$log" || tail -1 "$log")"
        fi
    done
    if [ -z "$runs_seen" ]; then
        printf '  %-18s no run measured (%d failed)\n' "$setup" "$failed"
        continue
    fi
    medians=$(cut -d' ' -f2 <<<"${runs_seen%$'\n'}" | sort -g)
    count=$(wc -l <<<"$medians")
    printf '  %-18s min %+6.1f  median %+6.1f  max %+6.1f   probes %+6.1f to %+6.1f  (%d runs, %d failed)\n' \
        "$setup" "$(head -1 <<<"$medians")" "$(sed -n "$(((count + 1) / 2))p" <<<"$medians")" \
        "$(tail -1 <<<"$medians")" "$(cut -d' ' -f1 <<<"${runs_seen%$'\n'}" | sort -g | head -1)" \
        "$(cut -d' ' -f3 <<<"${runs_seen%$'\n'}" | sort -g | tail -1)" "$count" "$failed"
done
