# Counted checks for the shell tests. Sourced.
#
#   check NAME COMMAND...   runs COMMAND; PASS or FAIL! with NAME, counted
#   equals ACTUAL EXPECTED  a command for check that shows both on failure
#   checks_summary          the closing "N passed, M failed" line; its status
#                           is 0 only when something passed and nothing failed

CHECKS_PASSED=0
CHECKS_FAILED=0

check() {
    local name=$1
    shift
    if "$@"; then
        CHECKS_PASSED=$((CHECKS_PASSED + 1))
        echo "PASS   : $name"
    else
        CHECKS_FAILED=$((CHECKS_FAILED + 1))
        echo "FAIL!  : $name"
    fi
}

equals() { [ "$1" = "$2" ] || { echo "         expected [$2], got [$1]" >&2; return 1; }; }

checks_summary() {
    echo "$CHECKS_PASSED passed, $CHECKS_FAILED failed"
    [ "$CHECKS_FAILED" -eq 0 ] && [ "$CHECKS_PASSED" -gt 0 ]
}
