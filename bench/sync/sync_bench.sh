#!/usr/bin/env bash
# Picture and sound at the listener's eye and ear, for each sound server and SDL driver: the
# offset of the music heard from the swap of the frame that shows its moment, min / median /
# max of each run's median over $RUNS runs and the extremes of single probes, the offset from
# the clock's reading and the drawing time the show aimed with, on a private Xvfb and a private
# sound server (see tests/sync). A run that fails says so in one line and the others go on.
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
echo "music heard after the frame that shows its moment was swapped (ms), $runs runs: min / median /"
echo "max of the runs' medians, and the earliest and latest single probe of all runs; beside them the"
echo "median of the runs' medians from the clock read, and the drawing time the show aimed with:"
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
for setup in "pulseaudio pulse" "pulseaudio alsa" "pipewire pulse" "pipewire alsa" \
    "pulseaudio pulse skip 1920x1080"; do
    runs_seen="" failed=0
    for run in $(seq "$runs"); do
        # One "swap-min swap-median swap-max read-median lead" line per run that measured.
        if LIMIT=1000 PROBE_LIMIT=1000 "$source_dir/tests/sync/e2e_sync.sh" $setup >"$log" 2>&1 &&
            line=$(sed -n -e 's/^at the clock read, median \([-+0-9.]*\) ms; the show.s lead, median \([-0-9]*\) ms.*/\1 \2/p' \
                -e 's/^offset at the swap min \/ median \/ max: \([-+0-9.]*\) \/ \([-+0-9.]*\) \/ \([-+0-9.]*\) ms/\1 \2 \3/p' \
                "$log" | tac | paste -sd' ') && [ "$(wc -w <<<"$line")" = 5 ]; then
            runs_seen+="$line"$'\n'
        else
            failed=$((failed + 1))
            echo "  $setup: run $run failed: $(grep -m1 -E 'FAIL|rror' "$log" || tail -1 "$log")"
        fi
    done
    if [ -z "$runs_seen" ]; then
        printf '  %-32s no run measured (%d failed)\n' "$setup" "$failed"
        continue
    fi
    runs_seen=${runs_seen%$'\n'}
    medians=$(cut -d' ' -f2 <<<"$runs_seen" | sort -g)
    printf '  %-32s min %+6.1f  median %+6.1f  max %+6.1f   probes %+6.1f to %+6.1f   read %+6.1f  lead %3d  (%d runs, %d failed)\n' \
        "$setup" "$(head -1 <<<"$medians")" "$(median <<<"$medians")" "$(tail -1 <<<"$medians")" \
        "$(cut -d' ' -f1 <<<"$runs_seen" | sort -g | head -1)" \
        "$(cut -d' ' -f3 <<<"$runs_seen" | sort -g | tail -1)" \
        "$(cut -d' ' -f4 <<<"$runs_seen" | median)" "$(cut -d' ' -f5 <<<"$runs_seen" | median)" \
        "$(wc -l <<<"$medians")" "$failed"
done
