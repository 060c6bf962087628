# Answers the program's windows in an X server as an operator would: for
# scripts/run and the end-to-end tests. Sourced; needs DISPLAY, xdotool and
# python3-xlib. Every wait has a timeout.

# The first visible window whose title matches PATTERN, once it has been
# painted, within TIMEOUT seconds. By title, not by process: under wine the
# window is wine's. Under wine a window shows blank for a moment, and a key
# pressed then is lost.
window_find() { # PATTERN TIMEOUT
    local ticks=$(($2 * 10)) window
    while [ $((ticks -= 1)) -ge 0 ]; do
        window=$(xdotool search --all --onlyvisible --name "$1" 2>/dev/null | head -n 1)
        [ -n "$window" ] && window_painted "$window" && { echo "$window"; return; }
        sleep 0.1
    done
}

# A blank window has one colour. One off the screen cannot be read: it
# counts as painted.
window_painted() { # WINDOW
    [ "$(timeout 10 import -silent -window "$1" -format '%k' info: 2>/dev/null)" != 1 ]
}

# Every visible window with its title, for a test that found none.
window_list() {
    local window
    for window in $(xdotool search --onlyvisible --name . 2>/dev/null); do
        echo "$window $(xdotool getwindowname "$window" 2>/dev/null)"
    done
}

# Waits up to TIMEOUT seconds until no visible window's title matches
# PATTERN: under wine a program's window may outlive it for a moment.
window_wait_gone() { # PATTERN TIMEOUT
    local ticks=$(($2 * 10))
    while [ -n "$(xdotool search --onlyvisible --name "$1" 2>/dev/null)" ] && [ $((ticks -= 1)) -ge 0 ]; do
        sleep 0.1
    done
}

window_shown() { # WINDOW
    xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$1"
}

window_press_return() { # WINDOW
    xdotool windowfocus --sync "$1" key Return
}

# What the close button does: WM_DELETE_WINDOW to the window.
window_close() { # WINDOW
    /usr/bin/python3 - "$1" <<'PY'
import sys
from Xlib import X, display, protocol
d = display.Display()
w = d.create_resource_object("window", int(sys.argv[1]))
protocols, delete = d.intern_atom("WM_PROTOCOLS"), d.intern_atom("WM_DELETE_WINDOW")
w.send_event(protocol.event.ClientMessage(window=w, client_type=protocols,
                                          data=(32, [delete, X.CurrentTime, 0, 0, 0])), event_mask=0)
d.flush()
PY
}

window_screenshot() { # FILE
    /usr/bin/import -window root "$1" 2>/dev/null
}

process_running() { # PID: neither gone nor a zombie waiting to be reaped
    local state
    state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) && [ -n "$state" ] && [ "$state" != Z ]
}

# What PID and the processes below it are doing: each thread's state and
# the kernel function it waits in, for the one who reads a failure.
process_report() { # PID
    local pids=$1 next=$1 task
    while next=$(pgrep -d , -P "$next") && [ -n "$next" ]; do
        pids+=,$next
    done
    for task in $(tr ',' ' ' <<<"$pids"); do
        echo "         process $task: $(tr '\0' ' ' <"/proc/$task/cmdline" 2>/dev/null | cut -c1-120)"
        for thread in /proc/"$task"/task/*; do
            echo "           thread ${thread##*/} $(awk '{print $3}' "$thread/stat" 2>/dev/null)" \
                 "$(cat "$thread/wchan" 2>/dev/null) $(cat "$thread/comm" 2>/dev/null)"
        done
    done
}

# Waits for PID, a child of this shell, to end and sets EXIT_STATUS to its
# exit status, or to "timeout" after TIMEOUT seconds (and kills it, after
# saying on standard error what it was doing).
process_wait() { # PID TIMEOUT
    local ticks=$(($2 * 10))
    while process_running "$1"; do
        if [ $((ticks -= 1)) -lt 0 ]; then
            process_report "$1" >&2
            kill -9 "$1" 2>/dev/null
            wait "$1" 2>/dev/null
            EXIT_STATUS=timeout
            return
        fi
        sleep 0.1
    done
    wait "$1" && EXIT_STATUS=0 || EXIT_STATUS=$?
}

# The box titled TITLE once it shows; nothing when PID ends first or
# TIMEOUT seconds pass.
window_box_or_exit() { # PID TITLE TIMEOUT
    local ticks=$(($3 * 10)) box
    while process_running "$1" && [ $((ticks -= 1)) -ge 0 ]; do
        box=$(xdotool search --onlyvisible --name "^$2\$" 2>/dev/null | head -n 1)
        [ -n "$box" ] && window_painted "$box" && { echo "$box"; return; }
        sleep 0.1
    done
}

# Pings WINDOW as a window manager does until it is gone, PID has ended or
# LIMIT seconds have passed; prints the longest answer in milliseconds. With
# PING_REFERENCE set (a plain window's id), the longest time beyond that
# window's answer to the same ping: the machine's load is left out.
window_ping_longest() { # WINDOW PID LIMIT
    timeout $(($3 + 15)) /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/window-ping.py" "$@" "${PING_REFERENCE:-}" 2>/dev/null || echo "$(($3 * 1000))"
}
