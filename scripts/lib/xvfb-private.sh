#!/bin/bash
# A private X server (Xvfb) in a folder of its own, for tests and demos.
#
#   xvfb-private.sh start DIR   start Xvfb on a free display number;
#                               DIR/pid and DIR/display (":N") tell which
#   xvfb-private.sh stop DIR    stop the X server of DIR (and no other)
#   xvfb-private.sh env DIR     print "export DISPLAY=:N"
#
# The screen is 1024x768, 24 bits deep; no TCP listener. Every wait has a
# timeout; every failure says what went wrong on standard error and exits
# non-zero.

set -u

readonly SELF_NAME=xvfb-private.sh
readonly START_TIMEOUT_TICKS=200      # x 0.05 s: 10 s for the server to answer
readonly STOP_TIMEOUT_TICKS=100       # x 0.05 s: 5 s for it to exit after SIGTERM
readonly START_ATTEMPTS=5

. "$(dirname "${BASH_SOURCE[0]}")/private-service.sh"

# True when PID is an Xvfb serving display :N.
is_our_xvfb() {
    local pid=$1 number=$2 cmdline
    [ -r "/proc/$pid/cmdline" ] || return 1
    cmdline=$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null) || return 1
    [[ $cmdline == *Xvfb*" :$number "* ]]
}

display_taken() {
    local n=$1
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]
}

pick_display() {
    local n tries=0
    while [ $tries -lt 200 ]; do
        n=$((100 + RANDOM % 400))
        tries=$((tries + 1))
        display_taken "$n" || { echo "$n"; return 0; }
    done
    die "found no free display number"
}

answers() {
    if command -v xdpyinfo >/dev/null; then
        xdpyinfo -display ":$1" >/dev/null 2>&1
    else
        DISPLAY=":$1" xdotool getdisplaygeometry >/dev/null 2>&1
    fi
}

# For poll_until while the server starts: 2 once it has died. The server
# answering must be ours: its lock file names it.
serving() {
    kill -0 "$1" 2>/dev/null || return 2
    [ "$({ tr -d ' ' <"/tmp/.X$2-lock"; } 2>/dev/null)" = "$1" ] && answers "$2" || return 1
}

stop_pid() {
    stop_ours is_our_xvfb "$1" "$2" Xvfb "$STOP_TIMEOUT_TICKS"
}

cmd_start() {
    [ $# -eq 1 ] || usage
    mkdir -p "$1" || die "cannot make $1"
    local dir attempt number pid
    dir=$(abs_dir "$1") || exit 1
    command -v Xvfb >/dev/null || die "Xvfb is not installed"

    if [ -e "$dir/pid" ]; then
        cmd_stop "$dir" || die "cannot stop the earlier X server of $dir"
    fi

    for attempt in $(seq 1 $START_ATTEMPTS); do
        number=$(pick_display) || exit 1
        Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp -noreset \
            </dev/null >"$dir/xvfb.log" 2>&1 &
        pid=$!
        echo "$pid" >"$dir/pid"
        echo ":$number" >"$dir/display"

        if poll_until $START_TIMEOUT_TICKS serving "$pid" "$number"; then
            echo "$SELF_NAME: Xvfb $pid serving :$number ($dir)" >&2
            return 0
        fi

        echo "$SELF_NAME: attempt $attempt on display :$number failed" >&2
        local still_running=no
        if kill -0 "$pid" 2>/dev/null; then
            still_running=yes
            stop_pid "$pid" "$number"
        fi
        wait "$pid" 2>/dev/null
        rm -f "$dir/pid" "$dir/display"
        # A server that ran but never answered will not do better on
        # another display; one that died lost the display to another.
        if [ $still_running = yes ]; then
            cat "$dir/xvfb.log" >&2
            die "Xvfb on :$number did not answer within the timeout"
        fi
    done
    cat "$dir/xvfb.log" >&2
    die "Xvfb did not start"
}

cmd_stop() {
    [ $# -eq 1 ] || usage
    local dir pid display
    [ -d "$1" ] || return 0
    dir=$(abs_dir "$1") || exit 1
    if [ -r "$dir/pid" ] && [ -r "$dir/display" ]; then
        pid=$(<"$dir/pid")
        display=$(<"$dir/display")
        if [[ $pid =~ ^[0-9]+$ && $display =~ ^:[0-9]+$ ]]; then
            stop_pid "$pid" "${display#:}" || die "Xvfb $pid of $dir would not stop"
        fi
    fi
    rm -f "$dir/pid" "$dir/display"
    return 0
}

cmd_env() {
    [ $# -eq 1 ] || usage
    local dir display
    dir=$(abs_dir "$1") || exit 1
    [ -r "$dir/display" ] || die "no X server started in $dir (no $dir/display)"
    display=$(<"$dir/display")
    echo "export DISPLAY=$display"
}

[ $# -ge 1 ] || usage
command=$1
shift
case $command in
    start) cmd_start "$@" ;;
    stop) cmd_stop "$@" ;;
    env) cmd_env "$@" ;;
    -h|--help|help) usage ;;
    *) echo "$SELF_NAME: unknown command $command" >&2; usage ;;
esac
