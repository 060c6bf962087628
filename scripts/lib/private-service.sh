# Helpers shared by the scripts that run a private service (scheduler, X
# server) in a folder of its own. Sourced; the script sets SELF_NAME.

die() {
    echo "$SELF_NAME: $*" >&2
    exit 1
}

# The script's header comment is its usage text.
usage() {
    sed -n '2,/^$/s/^# \{0,1\}//p' "$0" >&2
    exit 2
}

# The absolute, physical form of a folder that exists.
abs_dir() {
    (cd "$1" 2>/dev/null && pwd -P) || die "no folder $1"
}

# Runs COMMAND every 0.05 s until it succeeds (status 0) or LIMIT ticks
# have gone by; a status of 2 means it never will, so the wait ends there.
poll_until() { # LIMIT COMMAND...
    local limit=$1 ticks=0 status
    shift
    while :; do
        "$@"
        status=$?
        [ $status -eq 0 ] && return 0
        [ $status -eq 2 ] || [ $ticks -ge "$limit" ] && return 1
        sleep 0.05
        ticks=$((ticks + 1))
    done
}

# Stops a process we started: SIGTERM, then SIGKILL after LIMIT ticks of
# 0.05 s. STILL_OURS PID KEY tells whether PID still runs as the service
# named by KEY, so that a reused PID is never touched.
stop_ours() { # STILL_OURS PID KEY LABEL LIMIT
    local still_ours=$1 pid=$2 key=$3 label=$4 limit=$5
    "$still_ours" "$pid" "$key" || return 0
    kill -TERM "$pid" 2>/dev/null
    poll_until "$limit" gone "$still_ours" "$pid" "$key" && return 0
    echo "$SELF_NAME: $label $pid did not stop after SIGTERM; sending SIGKILL" >&2
    kill -KILL "$pid" 2>/dev/null
    sleep 0.1
    ! "$still_ours" "$pid" "$key"
}

gone() { ! "$@"; }
