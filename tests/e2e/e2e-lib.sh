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

# The value of KEY in an INI file (section geral), as the toolkit wrote it
# (with CR LF line ends on Windows).
ini_value() { # FILE KEY
    awk -F= -v key="$2" '{sub(/\r$/, "")} /^\[/{section=$0} section=="[geral]" && $1==key {sub(/^[^=]*=/, ""); print; exit}' "$1"
}

ini_key_count() { # FILE: keys of section geral
    awk '{sub(/\r$/, "")} /^\[/{section=$0; next} section=="[geral]" && /=/{n++} END{print n+0}' "$1"
}

# The private scheduler of the fixtures and what its capture queues got.
cups_private() { bash "$ORVANE_CUPS_SCRIPT" "$@"; }
jobs_of() { find "$ORVANE_CUPS_DIR/jobs/$1" -name 'job-*.bin' 2>/dev/null | sort -V; } # QUEUE, oldest first
job() { jobs_of "$1" | sed -n "${2}p"; }  # QUEUE N: the N-th job file (1-based)
job_count() { jobs_of "$1" | wc -l; }     # QUEUE
hex_of() { od -An -v -t x1 "$1" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'; }  # FILE

# Where a test keeps what outlives a run (the wine prefix) and what people
# look at afterwards (screenshots): the test's build folder.
E2E_WORK=${ORVANE_E2E_WORK:-$E2E_TMP}
E2E_OUT=$E2E_WORK

trim() { local s=$1; s=${s#"${s%%[![:space:]]*}"}; printf '%s' "${s%"${s##*[![:space:]]}"}"; }

# The first visible window whose title matches PATTERN, within TIMEOUT s.
# By title, not by process: under wine the window belongs to wine's own.
e2e_find_window() { # PATTERN TIMEOUT
    timeout "$2" xdotool search --all --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1
}
e2e_window_still_there() { xdotool search --onlyvisible --name '^Orvane$' 2>/dev/null | grep -qx "$1"; }
e2e_no_window_named() { [ -z "$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null)" ]; }

# Prints the box titled TITLE once it shows, or nothing when PID ends first
# or TIMEOUT s pass.
e2e_wait_box_or_exit() { # PID TITLE TIMEOUT
    local ticks=$(($3 * 10)) box state
    while [ $ticks -gt 0 ]; do
        box=$(xdotool search --onlyvisible --name "^$2\$" 2>/dev/null | head -n 1)
        [ -n "$box" ] && { echo "$box"; return; }
        state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)
        [ -z "$state" ] || [ "$state" = Z ] && return
        sleep 0.1
        ticks=$((ticks - 1))
    done
}

# What the operator's close button does: WM_DELETE_WINDOW to the window.
e2e_close_window() { # WINDOW
    /usr/bin/python3 - "$1" <<'PY'
import sys
from Xlib import X, display, protocol
d = display.Display()
w = d.create_resource_object("window", int(sys.argv[1]))
protocols, delete = d.intern_atom("WM_PROTOCOLS"), d.intern_atom("WM_DELETE_WINDOW")
event = protocol.event.ClientMessage(window=w, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0]))
w.send_event(event, event_mask=0)
d.flush()
PY
}

e2e_screenshot() { # FILE
    /usr/bin/import -window root "$1" 2>/dev/null && echo "screenshot: $1"
}

# A page job: a PDF whose text holds TEXT (Linux), or wine's PostScript,
# whose embedded fonts carry no text to read back; PAGES pages, or any
# number for "*".
page_job() { # FILE page:PAGES:TEXT
    local file=$1 spec=${2#page:} pages text count
    pages=${spec%%:*}
    text=${spec#*:}
    if [ "$(head -c 5 "$file")" = %PDF- ]; then
        count=$(pdfinfo "$file" 2>/dev/null | awk '/^Pages:/ {print $2}')
        pdftotext -layout "$file" - 2>/dev/null | grep -qF -- "$text" ||
            { echo "  the page does not hold '$text'" >&2; return 1; }
    elif [ "$(head -c 4 "$file")" = '%!PS' ]; then
        count=$(sed -n 's/^%%Pages: *\([0-9][0-9]*\).*/\1/p' "$file" | tail -n 1)
    else
        echo "  $file is neither PDF nor PostScript" >&2
        return 1
    fi
    # The counts are those of the Qt 5 build the shops run; Qt 6 lays text
    # out a little differently.
    if [ "$pages" = '*' ] || [ "${ORVANE_QT_MAJOR:-5}" != 5 ]; then
        [ "${count:-0}" -ge 1 ]
    else
        equals "$count" "$pages"
    fi
}

# A wine prefix of the tests' own, made once (about 12 s) in E2E_WORK.
wine_ready() {
    [ -e "$WINEPREFIX/.orvane-ready" ] && return 0
    rm -rf "$WINEPREFIX"
    timeout 300 wineboot --init >/dev/null 2>&1 && timeout 300 wineserver -w &&
        [ -f "$WINEPREFIX/system.reg" ] && touch "$WINEPREFIX/.orvane-ready"
}
