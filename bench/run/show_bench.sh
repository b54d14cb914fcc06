#!/usr/bin/env bash
# Frames per second of the running show at 1024 x 768, and the time from process start to its
# first presented frame (the setup dialog answered at once by the script) and from SDL's start
# after the dialog to that frame, on a private Xvfb with Mesa's software OpenGL. Medians of $RUNS runs
# of $SECONDS_PER_RUN seconds each, measured by the test-only shim that counts buffer swaps.
# Usage: show_bench.sh <corvanel> <show_shim.so> [runs] [seconds per run]
set -euo pipefail
CORVANEL=$1
CORVANEL_SHIM=$2
RUNS=${3:-5}
SECONDS_PER_RUN=${4:-8}
export CORVANEL CORVANEL_SHIM

support=$(dirname "$0")/../../tests/support
if [ -z "${CORVANEL_BENCH_DISPLAY:-}" ]; then
    exec env CORVANEL_BENCH_DISPLAY=1 "$support/xvfb.sh" run "$0" "$@"
fi
export SDL_AUDIODRIVER=dummy

results=$(mktemp)
for _ in $(seq "$RUNS"); do
    (
        source "$support/show_driver.sh"
        show_start
        show_wait_first_frame
        sleep "$SECONDS_PER_RUN"
        show_key Escape
        expect_status "Escape" 0 >/dev/null
        read -r frames span_ms <"$SHOW_DIR/frames"
        echo "$(cat "$SHOW_DIR/first_frame") $frames $span_ms"
    ) >>"$results"
done

awk -v runs="$RUNS" '
    function median(values, n,    i, j, t) {
        for (i = 1; i <= n; ++i) for (j = i + 1; j <= n; ++j)
            if (values[j] < values[i]) { t = values[i]; values[i] = values[j]; values[j] = t }
        return n % 2 ? values[(n + 1) / 2] : (values[n / 2] + values[n / 2 + 1]) / 2
    }
    { start[NR] = $1; after_dialog[NR] = $2; fps[NR] = ($3 - 1) * 1000 / $4 }
    END {
        printf "show at 1024 x 768, %d runs (median):\n", runs
        printf "  process start to first frame: %.0f ms\n", median(start, NR)
        printf "  SDL start to first frame:     %.0f ms\n", median(after_dialog, NR)
        printf "  frames per second:            %.1f\n", median(fps, NR)
    }' "$results"
rm -f "$results"
