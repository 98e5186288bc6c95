# shellcheck shell=bash
# Waiting for something in the test scripts: poll with a generous deadline, never a short
# fixed sleep. A loaded machine (two cores, a build beside the tests) can take tens of
# seconds to start a window manager, a Wine program or a print job; a fast one returns at once.
#   source tests/support/wait.sh
#   wait_until SECONDS COMMAND [ARG...]   runs COMMAND until it succeeds; 1 after SECONDS
#   wait_while SECONDS COMMAND [ARG...]   runs COMMAND until it fails; 1 after SECONDS
# QUANTALINE_WAIT_SCALE (a whole number, default 1) multiplies every deadline.

wait_until() {
    local deadline=$((SECONDS + $1 * ${QUANTALINE_WAIT_SCALE:-1}))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}

wait_while() {
    local deadline=$((SECONDS + $1 * ${QUANTALINE_WAIT_SCALE:-1}))
    shift
    while "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}
