#!/usr/bin/env bash
# Plants each fault of faults.tsv in turn, rebuilds (the Windows and web builds too, where they
# exist), runs CTest to its first failure and names the test that caught it. After make test:
#   tests/faults/check.sh [build-dir [windows-build-dir [web-build-dir]]]
# FAULTS=<file>: another list of the same form; TESTS=<regex>: only the tests it matches.
# The planted file's clean copy waits outside the tree and goes back on any exit. After a
# kill -9 the marker in .git makes the next start refuse, saying how to put the file back
# (doing it unasked could copy over edits made since).
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 2
build=${1:-build}
windows=${2:-build-windows}
web=${3:-build-web}
refuse() { echo "check.sh: $*" >&2; exit 2; }

marker=$(git rev-parse --path-format=absolute --git-path corvanel-fault-planted) || exit 2
if [ -e "$marker" ]; then
    IFS=$'\t' read -r file copy pid <"$marker"
    [ -f "$copy" ] || gone=" (that copy is gone: git diff -- '$PWD/$file' shows the fault)"
    refuse "a fault is planted in $file by check.sh process $pid, running or killed. Once it is" \
        "gone (ps -p $pid), put the file back: cp '$copy' '$PWD/$file' && rm '$marker'${gone:-}"
fi
# Read once, so that the list may be a pipe: FAULTS=<(sed -n 23p tests/faults/faults.tsv)
mapfile -t faults < <(grep -v '^#' "${FAULTS:-tests/faults/faults.tsv}" | grep .)
((${#faults[@]} > 0)) || refuse "no faults in ${FAULTS:-tests/faults/faults.tsv}"
mapfile -t planted_in < <(printf '%s\n' "${faults[@]}" | cut -f1 | sort -u)
changed=$(git diff --name-only -- "${planted_in[@]}")
[ -z "$changed" ] || refuse "files the faults go into have changes (a fault left over?):" \
    $changed "- commit or undo them first"

saved=$(mktemp -d -t corvanel-faults.XXXXXX)
planted='' step=''
# Puts the planted file back, newer than the fault's build, so that the next build takes it.
restore()
{
    [ -n "$planted" ] || return 0
    cp "$saved/clean" "$planted" || { echo "check.sh: $planted not put back ($saved)" >&2; return 1; }
    rm -f "$marker"
    planted=''
}
# A signal stops the step under way (its session: the compilers, the tests and their X
# server), puts the file back, then ends the run as the signal would have.
stop_on()
{
    trap '' INT TERM HUP
    [ -z "$step" ] || { kill -TERM -- "-$step" 2>/dev/null; wait "$step"; }
    tests/support/xvfb.sh stop "$build/xvfb" >/dev/null 2>&1
    restore && rm -rf "$saved"
    trap - "$1" EXIT
    kill -s "$1" $$
}
trap 'restore && rm -rf "$saved"' EXIT
for signal in INT TERM HUP; do
    trap "stop_on $signal" "$signal"
done
# A step in a session of its own, waited on, so that a signal is answered at once.
run_step()
{
    setsid -w "$@" </dev/null &
    step=$!
    wait "$step"
    local status=$?
    step=''
    return $status
}
rebuild()
{
    local jobs=(-j "$(nproc)")
    run_step cmake --build "$build" "${jobs[@]}" &&
        { [ ! -d "$windows" ] || run_step cmake --build "$windows" -t corvanel corvanel_hooked "${jobs[@]}"; } &&
        { [ ! -f "$web/CMakeCache.txt" ] ||
            run_step env NODE_PATH=/usr/share/nodejs cmake --build "$web" -t corvanel "${jobs[@]}"; }
} >/dev/null 2>&1
caught=0 missed=0
for fault in "${faults[@]}"; do
    IFS=$'\t' read -r file plant what <<<"$fault"
    if ! cp "$file" "$saved/clean" 2>/dev/null; then
        echo "STALE   $what ($file: no such file)"; missed=$((missed + 1)); continue
    fi
    printf '%s\t%s\t%s\n' "$file" "$saved/clean" $$ >"$marker" && planted=$file
    perl -0777 -pi -e "$plant" "$file"
    if cmp -s "$file" "$saved/clean"; then
        echo "STALE   $what ($file: the fault no longer applies)"; missed=$((missed + 1))
    elif ! rebuild; then
        echo "BUILD   $what"; missed=$((missed + 1))
    elif run_step ctest --test-dir "$build" -j "$(nproc)" --timeout 300 --stop-on-failure \
        -R "${TESTS:-.}" >"$saved/ctest.log" 2>&1; then
        echo "MISSED  $what"; missed=$((missed + 1))
    else
        echo "caught  $what: $(grep -oP '(?<=- )\S+(?= \()' "$saved/ctest.log" | tr '\n' ' ')"
        caught=$((caught + 1))
    fi
    # A run stopped at its first failure skips the fixtures' cleanup: the X server it started.
    tests/support/xvfb.sh stop "$build/xvfb" >/dev/null 2>&1
    restore || exit 1
done
rebuild
echo "$caught caught, $missed missed"
[ "$missed" -eq 0 ]
