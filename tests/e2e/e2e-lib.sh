# Runs the real orvane binary in a real X server and answers it with
# xdotool. Sourced by the end-to-end test scripts; needs DISPLAY (and
# CUPS_SERVER / ORVANE_CUPS_DIR for printing) from the test fixtures.
#
# Every wait has a timeout, so a run that hangs fails instead of blocking.

. "$(dirname "${BASH_SOURCE[0]}")/../support/checks.sh"

E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/orvane-e2e.XXXXXX")
E2E_PIDS=()

e2e_cleanup() {
    local pid
    for pid in "${E2E_PIDS[@]}"; do
        kill -9 "$pid" 2>/dev/null
    done
    [ -n "${E2E_KEEP:-}" ] || rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

# A folder of its own holding a copy of the program, as config.ini lives
# beside it. Prints the folder.
e2e_install() { # BINARY NAME
    local dir="$E2E_TMP/$2"
    mkdir -p "$dir"
    cp "$1" "$dir/orvane"
    echo "$dir"
}

# Command words that run a program as the user "nobody": root ignores file
# permissions, so read-only cases need another user.
NOBODY=(setpriv --reuid=65534 --regid=65534 --clear-groups)

# Starts PROGRAM in the background, in E2E_CWD or else the program's own
# folder, under the command words of E2E_RUN_PREFIX (another user, another
# environment); its output goes to OUT/stdout and OUT/stderr. Sets E2E_PID.
E2E_RUN_PREFIX=()
e2e_launch() { # PROGRAM OUT ARGS...
    local program=$1 out=$2
    shift 2
    (cd "${E2E_CWD:-$(dirname "$program")}" && exec "${E2E_RUN_PREFIX[@]}" "$program" "$@") \
        >"$out/stdout" 2>"$out/stderr" &
    E2E_PID=$!
    E2E_PIDS+=("$E2E_PID")
}

# The copy of the program in DIR (see e2e_install), output into DIR.
e2e_start() { # DIR ARGS...
    e2e_launch "$1/orvane" "$@"
}

# Prints the id of the program's visible window titled TITLE, or fails
# after TIMEOUT seconds.
e2e_window() { # PID TITLE [TIMEOUT]
    timeout "${3:-10}" xdotool search --all --sync --onlyvisible --pid "$1" --name "^$2\$" 2>/dev/null | head -n 1
}

e2e_press_return() { # WINDOW
    xdotool windowfocus --sync "$1" key Return
}

# Waits for PID to end and sets E2E_STATUS to its exit status, or to
# "timeout" (and kills it). Not in a subshell: only this shell can reap it.
e2e_wait_exit() { # PID [TIMEOUT]
    local pid=$1 ticks=$((${2:-15} * 10)) state
    # a process that has ended is gone or a zombie until it is reaped
    while state=$(awk '{print $3}' "/proc/$pid/stat" 2>/dev/null) && [ -n "$state" ] && [ "$state" != Z ]; do
        if [ $ticks -le 0 ]; then
            kill -9 "$pid" 2>/dev/null
            wait "$pid" 2>/dev/null
            E2E_STATUS=timeout
            return
        fi
        sleep 0.1
        ticks=$((ticks - 1))
    done
    wait "$pid"
    E2E_STATUS=$?
}

# True when no window of PID is mapped.
e2e_no_window() { # PID
    [ -z "$(xdotool search --onlyvisible --pid "$1" 2>/dev/null)" ]
}

# The value of KEY in an INI file (section geral), as the toolkit wrote it.
ini_value() { # FILE KEY
    awk -F= -v key="$2" '/^\[/{section=$0} section=="[geral]" && $1==key {sub(/^[^=]*=/, ""); print; exit}' "$1"
}

ini_key_count() { # FILE: keys of section geral
    awk '/^\[/{section=$0; next} section=="[geral]" && /=/{n++} END{print n+0}' "$1"
}

# The private scheduler of the fixtures and what its capture queues got.
cups_private() { bash "$ORVANE_CUPS_SCRIPT" "$@"; }
jobs_of() { find "$ORVANE_CUPS_DIR/jobs/$1" -name 'job-*.bin' 2>/dev/null | sort -V; } # QUEUE, oldest first
job() { jobs_of "$1" | sed -n "${2}p"; }  # QUEUE N: the N-th job file (1-based)
job_count() { jobs_of "$1" | wc -l; }     # QUEUE
hex_of() { od -An -v -t x1 "$1" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'; }  # FILE
