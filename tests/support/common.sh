# Sourced by every end-to-end script: wait_for (wait.sh); fail MESSAGE (then the script's
# fail_details, where quote_log LABEL FILE quotes a log; exits 1); expect_exit VAR STATUS [WHAT
# [SECONDS]], the process whose id VAR holds ends within SECONDS (60) with STATUS (await_exit VAR
# only sets exit_status); VAR is emptied, so that no cleanup signals an id given to another.
source "$(dirname "${BASH_SOURCE[0]}")/wait.sh"

fail()
{
    echo "FAIL${case_name:+ ($case_name)}: $*" >&2
    ! declare -F fail_details >/dev/null || fail_details >&2
    exit 1
}
quote_log() { [ ! -s "$2" ] || sed "s|^|  $1: |" "$2"; }

await_exit()
{
    wait_for "${2:-60}" eval "! kill -0 ${!1} 2>/dev/null" || fail "${3:+$3: }still running after ${2:-60} s"
    exit_status=0
    wait "${!1}" || exit_status=$?
    printf -v "$1" ''
}
expect_exit()
{
    await_exit "$1" "${4:-60}" "${3:-}"
    [ "$exit_status" = "$2" ] || fail "${3:+$3: }exit status $exit_status, expected $2"
}
