# Waiting on evidence, for the test scripts that source it: a command polled until it succeeds.
#   wait_for SECONDS COMMAND...   true once COMMAND succeeds; false after SECONDS, a bound that
#                                 only a hang should reach (the machine may be slow or busy)
wait_for()
{
    local deadline=$((SECONDS + $1))
    until "${@:2}"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.05
    done
}
