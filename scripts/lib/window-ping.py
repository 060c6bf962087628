#!/usr/bin/python3
# Pings a window as a window manager does (_NET_WM_PING) until it is gone,
# PID has ended or LIMIT seconds have passed, and prints the longest time in
# milliseconds the window took to answer. A window that never answered one
# ping within LIMIT prints LIMIT in milliseconds. Qt answers on the root
# window, which is watched with StructureNotify.
#
# With REFERENCE (a plain window of another program), each ping goes to both
# at once and what is measured is how much longer WINDOW took than the
# plain window: what a busy machine costs every window is not the
# program's.
#
#   window-ping.py WINDOW PID LIMIT [REFERENCE]
import os
import select
import sys
import time

from Xlib import X, display, error, protocol

window_id, pid, limit = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3])
reference_id = int(sys.argv[4]) if len(sys.argv) > 4 and sys.argv[4] else 0
d = display.Display()
root = d.screen().root
root.change_attributes(event_mask=X.StructureNotifyMask | X.SubstructureNotifyMask)
protocols, ping = d.intern_atom("WM_PROTOCOLS"), d.intern_atom("_NET_WM_PING")
window = d.create_resource_object("window", window_id)
reference = d.create_resource_object("window", reference_id) if reference_id else None


def alive():
    try:
        state = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()[0]
    except OSError:
        return False
    return state != "Z"


def shown():
    try:
        return window.get_attributes().map_state == X.IsViewable
    except error.XError:
        return False


def send_ping(target, target_id, stamp):
    target.send_event(protocol.event.ClientMessage(window=target, client_type=protocols,
                                                   data=(32, [ping, stamp, target_id, 0, 0])),
                      event_mask=0)


longest = 0.0
start = time.monotonic()
stamp = 1
while alive() and shown() and time.monotonic() - start < limit:
    stamp += 2
    sent = time.monotonic()
    try:
        send_ping(window, window_id, stamp)
        if reference:
            send_ping(reference, reference_id, stamp + 1)
        d.flush()
    except error.XError:
        break
    answered = None
    reference_answered = None if reference else sent
    while answered is None and time.monotonic() - sent < limit - (sent - start):
        while d.pending_events():
            event = d.next_event()
            if (event.type == X.ClientMessage and event.client_type == protocols
                    and event.data[1][0] == ping):
                if event.data[1][1] == stamp:
                    answered = time.monotonic()
                elif event.data[1][1] == stamp + 1:
                    reference_answered = time.monotonic()
        if answered is None:
            if not alive() or not shown():
                break
            select.select([d], [], [], 0.05)
    if answered is not None:
        # The plain window's answer to the same ping, waited for as long
        # as the program's took.
        while reference_answered is None and time.monotonic() - answered < 5:
            while d.pending_events():
                event = d.next_event()
                if (event.type == X.ClientMessage and event.client_type == protocols
                        and event.data[1][0] == ping and event.data[1][1] == stamp + 1):
                    reference_answered = time.monotonic()
            if reference_answered is None:
                select.select([d], [], [], 0.02)
        floor = (reference_answered if reference_answered is not None else answered) - sent
        longest = max(longest, answered - sent - floor)
    elif alive() and shown():
        longest = max(longest, time.monotonic() - sent)
        break
    time.sleep(0.1)
print(int(longest * 1000))
