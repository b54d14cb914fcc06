#!/usr/bin/env bash
# Plants each fault of faults.tsv in turn, rebuilds (the Windows build's executables too),
# runs the whole CTest suite (up to its first failure) and names the test that caught it. Run
# from a clean checkout, after make test:
#   tests/faults/check.sh [build-dir [windows-build-dir [web-build-dir]]]
# FAULTS=<file> plants the faults of another list of the same form (a few, to check them alone);
# TESTS=<regex> runs only the tests it matches. Without a Windows build, only the Linux one.
set -uo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
windows=${2:-build-windows}
web=${3:-build-web}
rebuild()
{
    cmake --build "$build" -j "$(nproc)" >/dev/null 2>&1 &&
        { [ ! -d "$windows" ] ||
            cmake --build "$windows" --target corvanel corvanel_hooked -j "$(nproc)" >/dev/null 2>&1; } &&
        { [ ! -f "$web/CMakeCache.txt" ] ||
            NODE_PATH=/usr/share/nodejs cmake --build "$web" --target corvanel -j "$(nproc)" >/dev/null 2>&1; }
}
caught=0 missed=0
while IFS=$'\t' read -r file plant what; do
    [[ -z "$file" || "$file" == \#* ]] && continue
    cp "$file" "$file.orig"
    perl -0777 -pi -e "$plant" "$file"
    if cmp -s "$file" "$file.orig"; then
        echo "STALE   $what ($file: the fault no longer applies)"; missed=$((missed + 1))
    elif ! rebuild; then
        echo "BUILD   $what"; missed=$((missed + 1))
    elif failed=$(cd "$build" && ctest -j "$(nproc)" --timeout 300 --stop-on-failure -R "${TESTS:-.}" 2>&1); then
        echo "MISSED  $what"; missed=$((missed + 1))
    else
        echo "caught  $what: $(grep -oP '(?<=- )\S+(?= \()' <<<"$failed" | tr '\n' ' ')"
        caught=$((caught + 1))
    fi
    # A run stopped at its first failure skips the fixtures' cleanup: the X server it started.
    tests/support/xvfb.sh stop "$build/xvfb" >/dev/null 2>&1 || true
    mv "$file.orig" "$file"
    touch "$file"  # newer than the fault's build, so the next build takes it back
done <"${FAULTS:-tests/faults/faults.tsv}"
rebuild
echo "$caught caught, $missed missed"
[ "$missed" -eq 0 ]
