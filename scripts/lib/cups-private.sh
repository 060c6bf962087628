#!/bin/bash
# A private CUPS scheduler in a folder of its own, for tests and demos.
#
#   cups-private.sh start DIR        start a scheduler in DIR on a free port of
#                                    127.0.0.1; DIR/pid and DIR/port tell which
#   cups-private.sh add-queue DIR NAME
#                                    raw queue NAME whose jobs land, byte for
#                                    byte, in DIR/jobs/NAME/job-<id>.bin; its
#                                    device may be changed to paper-out:DIR, a
#                                    printer whose roll ran out (lpadmin -v)
#   cups-private.sh reject DIR NAME  make queue NAME refuse new jobs
#   cups-private.sh stop DIR         stop the scheduler of DIR (and no other)
#   cups-private.sh env DIR          print "export CUPS_SERVER=127.0.0.1:PORT"
#   cups-private.sh server DIR       print "127.0.0.1:PORT"
#   cups-private.sh wait-job DIR QUEUE COUNT TIMEOUT
#                                    wait until DIR/jobs/QUEUE holds COUNT job
#                                    files (TIMEOUT in whole seconds)
#   cups-private.sh pending DIR QUEUE
#                                    print how many jobs of QUEUE the scheduler
#                                    has not completed (pending, held, printing)
#   cups-private.sh wait-idle DIR QUEUE TIMEOUT
#                                    wait until QUEUE has no such job
#
# The port is picked at random among the free ones of 20000..39999; the
# environment variable CUPS_PRIVATE_FIRST_PORT forces the first port tried.
# With CUPS_PRIVATE_PASSWORD=1 the scheduler asks for a password (Basic
# authentication) before it creates a job.
#
# Every wait has a timeout; every failure says what went wrong on standard
# error and exits non-zero. Needs root (the capture backend runs as root).

set -u

readonly SELF_NAME=cups-private.sh
readonly START_TIMEOUT_TICKS=200      # x 0.05 s: 10 s for the scheduler to answer
readonly LISTEN_TIMEOUT_TICKS=20      # x 0.05 s: 1 s to hold its port (it takes ~50 ms)
readonly STOP_TIMEOUT_TICKS=200       # x 0.05 s: 10 s for it to exit after SIGTERM
readonly START_ATTEMPTS=5             # ports tried before giving up

. "$(dirname "${BASH_SOURCE[0]}")/private-service.sh"

read_port() {
    local dir=$1 port
    [ -r "$dir/port" ] || die "no scheduler started in $dir (no $dir/port)"
    port=$(<"$dir/port")
    [[ $port =~ ^[0-9]+$ ]] || die "bad port in $dir/port: $port"
    echo "$port"
}

server_of() {
    local port
    port=$(read_port "$1") || exit 1
    echo "127.0.0.1:$port"
}

# True when PID is a cupsd started on DIR's configuration.
is_our_cupsd() {
    local pid=$1 dir=$2 cmdline
    [ -r "/proc/$pid/cmdline" ] || return 1
    cmdline=$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null) || return 1
    [[ $cmdline == *cupsd* && $cmdline == *"$dir/cupsd.conf"* ]]
}

# The socket inodes listening on 127.0.0.1:PORT (or any address) over TCP.
listening_inodes() {
    local port_hex
    port_hex=$(printf '%04X' "$1")
    # Columns: sl local_address rem_address st ... inode (10th); 0A = LISTEN.
    awk -v p=":$port_hex" 'FNR > 1 && $4 == "0A" && substr($2, length($2) - 4) == p { print $10 }' \
        /proc/net/tcp /proc/net/tcp6 2>/dev/null
}

port_in_use() {
    [ -n "$(listening_inodes "$1")" ]
}

# True when process PID owns a socket listening on PORT.
holds_port() {
    local pid=$1 port=$2 inode fd
    for inode in $(listening_inodes "$port"); do
        for fd in /proc/"$pid"/fd/*; do
            [ "$(readlink "$fd" 2>/dev/null)" = "socket:[$inode]" ] && return 0
        done
    done
    return 1
}

pick_port() {
    local port tries=0
    while [ $tries -lt 200 ]; do
        port=$((20000 + RANDOM % 20000))
        tries=$((tries + 1))
        [ "$port" -eq 631 ] || [ "$port" -eq 8631 ] && continue
        port_in_use "$port" || { echo "$port"; return 0; }
    done
    die "found no free port"
}

scheduler_answers() {
    lpstat -h "127.0.0.1:$1" -r 2>/dev/null | grep -q 'scheduler is running'
}

write_capture_backend() {
    local target=$1
    cat >"$target" <<'BACKEND'
#!/bin/bash
# CUPS backend "capture": keeps every job it is given, byte for byte, as
# <folder>/job-<id>.bin, where DEVICE_URI is capture:<folder>. The file
# appears under its final name only when complete.
if [ $# -eq 0 ]; then
    echo 'direct capture "Unknown" "Job capture to a folder"'
    exit 0
fi
if [ $# -lt 5 ] || [ $# -gt 6 ]; then
    echo "Usage: capture job-id user title copies options [file]" >&2
    exit 1
fi
dir=${DEVICE_URI#capture:}
case $dir in //*) dir=${dir#//} ;; esac
# Bytes beyond ASCII come percent-encoded, as a URI holds them.
case $dir in *%*) dir=$(printf '%b' "$(printf '%s' "$dir" | sed 's/%\([0-9A-Fa-f][0-9A-Fa-f]\)/\\x\1/g')") ;; esac
if [ ! -d "$dir" ]; then
    echo "ERROR: capture folder $dir does not exist" >&2
    exit 1
fi
tmp="$dir/.job-$1.part"
if [ $# -eq 6 ]; then
    cat -- "$6" >"$tmp" || { rm -f "$tmp"; exit 1; }
else
    cat >"$tmp" || { rm -f "$tmp"; exit 1; }
fi
chmod 0644 "$tmp"
mv -f "$tmp" "$dir/job-$1.bin" || exit 1
exit 0
BACKEND
    chown root:root "$target" && chmod 0700 "$target" || die "cannot install $target"
}

# CUPS backend "paper-out": a receipt printer whose roll has run out. It
# prints nothing: it reports the empty roll and stops the queue, which keeps
# the job (exit status 4, CUPS_BACKEND_STOP).
write_paper_out_backend() {
    local target=$1
    cat >"$target" <<'BACKEND'
#!/bin/sh
if [ $# -eq 0 ]; then
    echo 'direct paper-out "Unknown" "A printer out of paper"'
    exit 0
fi
echo 'STATE: +media-empty-error' >&2
echo 'ERROR: Out of paper' >&2
exit 4
BACKEND
    chown root:root "$target" && chmod 0700 "$target" || die "cannot install $target"
}

write_config() {
    local dir=$1 port=$2 entry
    mkdir -p "$dir/spool/tmp" "$dir/cache" "$dir/state" "$dir/log" "$dir/ssl" \
             "$dir/serverbin/backend" "$dir/jobs" || die "cannot make folders under $dir"
    # The standard helpers, but a backend folder of our own.
    for entry in /usr/lib/cups/*; do
        [ "$(basename "$entry")" = backend ] && continue
        ln -sfn "$entry" "$dir/serverbin/$(basename "$entry")"
    done
    write_capture_backend "$dir/serverbin/backend/capture"
    write_paper_out_backend "$dir/serverbin/backend/paper-out"

    cat >"$dir/cups-files.conf" <<CONF
ServerRoot $dir
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
ServerBin $dir/serverbin
ServerKeychain $dir/ssl
DataDir /usr/share/cups
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
SystemGroup root
User lp
Group lp
Printcap /dev/null
CONF

    local password_limit=
    [ "${CUPS_PRIVATE_PASSWORD:-}" = 1 ] && password_limit='  <Limit Create-Job Print-Job>
    AuthType Basic
    Require valid-user
    Order deny,allow
  </Limit>'
    cat >"$dir/cupsd.conf" <<CONF
LogLevel info
# Every request, queries included: tests count them.
AccessLogLevel all
Listen 127.0.0.1:$port
Browsing Off
BrowseLocalProtocols none
WebInterface No
DefaultAuthType None
<Policy default>
$password_limit
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
}

# Kills what we started and waits for it to go.
# For poll_until while a scheduler starts: 2 once it has died.
listening() { kill -0 "$1" 2>/dev/null || return 2; holds_port "$1" "$2" || return 1; }
answering() { kill -0 "$1" 2>/dev/null || return 2; scheduler_answers "$2" || return 1; }

kill_and_wait() {
    stop_ours is_our_cupsd "$1" "$2" cupsd "$STOP_TIMEOUT_TICKS"
}

cmd_start() {
    [ $# -eq 1 ] || usage
    mkdir -p "$1" || die "cannot make $1"
    local dir attempt port pid
    dir=$(abs_dir "$1") || exit 1
    command -v cupsd >/dev/null || [ -x /usr/sbin/cupsd ] || die "cupsd is not installed"
    local cupsd_bin
    cupsd_bin=$(command -v cupsd || echo /usr/sbin/cupsd)

    # A scheduler left behind in this folder by an earlier run goes first.
    if [ -e "$dir/pid" ]; then
        cmd_stop "$dir" || die "cannot stop the earlier scheduler of $dir"
    fi

    for attempt in $(seq 1 $START_ATTEMPTS); do
        # CUPS_PRIVATE_FIRST_PORT: the port of the first attempt, taken even
        # when busy (lets a test see a busy port being handled).
        if [ "$attempt" -eq 1 ] && [ -n "${CUPS_PRIVATE_FIRST_PORT:-}" ]; then
            port=$CUPS_PRIVATE_FIRST_PORT
        else
            port=$(pick_port) || exit 1
        fi
        write_config "$dir" "$port"
        "$cupsd_bin" -t -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" >"$dir/log/config-test.txt" 2>&1 \
            || die "cupsd refuses the configuration in $dir: $(cat "$dir/log/config-test.txt")"

        "$cupsd_bin" -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" \
            </dev/null >"$dir/log/cupsd.out" 2>&1 &
        pid=$!
        echo "$pid" >"$dir/pid"
        echo "$port" >"$dir/port"

        # First it must listen on the port itself (when another program
        # holds the port, cupsd keeps running without a listener), then answer.
        if poll_until $LISTEN_TIMEOUT_TICKS listening "$pid" "$port" &&
           poll_until $START_TIMEOUT_TICKS answering "$pid" "$port"; then
            echo "$SELF_NAME: scheduler $pid listening on 127.0.0.1:$port ($dir)" >&2
            return 0
        fi

        # Not ready: either it died, or another program holds the port.
        echo "$SELF_NAME: attempt $attempt on port $port failed" >&2
        if kill -0 "$pid" 2>/dev/null; then
            kill_and_wait "$pid" "$dir"
        else
            wait "$pid" 2>/dev/null
        fi
        rm -f "$dir/pid" "$dir/port"
        if ! port_in_use "$port"; then
            # The port was free, so the scheduler itself is at fault.
            echo "$SELF_NAME: cupsd output:" >&2
            cat "$dir/log/cupsd.out" >&2 2>/dev/null
            tail -n 20 "$dir/log/error_log" >&2 2>/dev/null
            die "the scheduler of $dir did not start"
        fi
    done
    die "the scheduler of $dir did not start: no port could be had"
}

cmd_stop() {
    [ $# -eq 1 ] || usage
    local dir pid
    [ -d "$1" ] || return 0
    dir=$(abs_dir "$1") || exit 1
    if [ -r "$dir/pid" ]; then
        pid=$(<"$dir/pid")
        if [[ $pid =~ ^[0-9]+$ ]]; then
            kill_and_wait "$pid" "$dir" || die "cupsd $pid of $dir would not stop"
        fi
    fi
    rm -f "$dir/pid" "$dir/port"
    return 0
}

cmd_env() {
    [ $# -eq 1 ] || usage
    local dir server
    dir=$(abs_dir "$1") || exit 1
    server=$(server_of "$dir") || exit 1
    echo "export CUPS_SERVER=$server"
}

cmd_server() {
    [ $# -eq 1 ] || usage
    local dir
    dir=$(abs_dir "$1") || exit 1
    server_of "$dir"
}

valid_queue_name() {
    # What CUPS takes: printable, no space, slash, backslash, quote or "#";
    # letters beyond ASCII too ("Térmica").
    [[ -n $1 && ! $1 =~ [[:space:][:cntrl:]/\\\#\'\"] ]] || die "bad queue name: $1"
}

# A path as a device URI takes it: bytes beyond ASCII, and "%", percent-encoded.
uri_path() { # PATH
    local LC_ALL=C path=$1 out= c i
    for ((i = 0; i < ${#path}; i++)); do
        c=${path:i:1}
        case $c in
            [[:alnum:]/._~:@+,=-]) out+=$c ;;
            *) out+=$(printf '%%%02X' "'$c") ;;
        esac
    done
    printf '%s' "$out"
}

cmd_add_queue() {
    [ $# -eq 2 ] || usage
    local dir name server
    dir=$(abs_dir "$1") || exit 1
    name=$2
    valid_queue_name "$name"
    server=$(server_of "$dir") || exit 1
    mkdir -p "$dir/jobs/$name" && chmod 0755 "$dir/jobs" "$dir/jobs/$name" \
        || die "cannot make $dir/jobs/$name"
    lpadmin -h "$server" -p "$name" -E -v "capture:$(uri_path "$dir/jobs/$name")" \
        -o printer-error-policy=abort-job || die "lpadmin could not add queue $name"
    # The queue must be known and accepting now.
    lpstat -h "$server" -a "$name" 2>/dev/null | grep -q "^$name accepting" \
        || die "queue $name was not created"
}

cmd_reject() {
    [ $# -eq 2 ] || usage
    local dir server
    valid_queue_name "$2"
    dir=$(abs_dir "$1") || exit 1
    server=$(server_of "$dir") || exit 1
    cupsreject -h "$server" "$2" || die "cupsreject failed for $2"
    lpstat -h "$server" -a "$2" 2>/dev/null | grep -q "^$2 not accepting" \
        || die "queue $2 still accepts jobs"
}

job_files() {
    local folder=$1
    ls -1 "$folder" 2>/dev/null | grep -c '^job-[0-9]*\.bin$'
}

cmd_wait_job() {
    [ $# -eq 4 ] || usage
    local dir queue count timeout
    dir=$(abs_dir "$1") || exit 1
    queue=$2; count=$3; timeout=$4
    [[ $count =~ ^[0-9]+$ && $timeout =~ ^[0-9]+$ ]] || die "COUNT and TIMEOUT are whole numbers"
    poll_until $((timeout * 20)) has_jobs "$dir/jobs/$queue" "$count" ||
        die "queue $queue: $(job_files "$dir/jobs/$queue") job file(s) after ${timeout}s, expected $count"
}

has_jobs() { [ "$(job_files "$1")" -ge "$2" ] || return 1; }

pending_count() {
    local server=$1 queue=$2 listing
    listing=$(lpstat -h "$server" -o "$queue" 2>&1) || die "lpstat failed: $listing"
    if [ -z "$listing" ]; then
        echo 0
    else
        grep -c "^$queue-[0-9]" <<<"$listing"
    fi
}

cmd_pending() {
    [ $# -eq 2 ] || usage
    local dir server
    valid_queue_name "$2"
    dir=$(abs_dir "$1") || exit 1
    server=$(server_of "$dir") || exit 1
    pending_count "$server" "$2"
}

cmd_wait_idle() {
    [ $# -eq 3 ] || usage
    local dir server queue=$2 timeout=$3
    valid_queue_name "$queue"
    [[ $timeout =~ ^[0-9]+$ ]] || die "TIMEOUT is a whole number"
    dir=$(abs_dir "$1") || exit 1
    server=$(server_of "$dir") || exit 1
    poll_until $((timeout * 20)) idle "$server" "$queue" ||
        die "queue $queue still has $(pending_count "$server" "$queue") job(s) after ${timeout}s"
}

idle() { [ "$(pending_count "$1" "$2")" -eq 0 ] || return 1; }

[ $# -ge 1 ] || usage
command=$1
shift
case $command in
    start) cmd_start "$@" ;;
    stop) cmd_stop "$@" ;;
    env) cmd_env "$@" ;;
    server) cmd_server "$@" ;;
    add-queue) cmd_add_queue "$@" ;;
    reject) cmd_reject "$@" ;;
    wait-job) cmd_wait_job "$@" ;;
    pending) cmd_pending "$@" ;;
    wait-idle) cmd_wait_idle "$@" ;;
    -h|--help|help) usage ;;
    *) echo "$SELF_NAME: unknown command $command" >&2; usage ;;
esac
