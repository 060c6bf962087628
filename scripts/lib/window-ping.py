#!/usr/bin/python3
# Pings a window as a window manager does (_NET_WM_PING) until it is gone,
# PID has ended or LIMIT seconds have passed, and prints the longest time in
# milliseconds the window took to answer. A window that never answered one
# ping within LIMIT prints LIMIT in milliseconds. Qt answers on the root
# window, which is watched with StructureNotify.
#
#   window-ping.py WINDOW PID LIMIT
import os
import select
import sys
import time

from Xlib import X, display, error, protocol

window_id, pid, limit = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3])
d = display.Display()
root = d.screen().root
root.change_attributes(event_mask=X.StructureNotifyMask | X.SubstructureNotifyMask)
protocols, ping = d.intern_atom("WM_PROTOCOLS"), d.intern_atom("_NET_WM_PING")
window = d.create_resource_object("window", window_id)


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


longest = 0.0
start = time.monotonic()
stamp = 1
while alive() and shown() and time.monotonic() - start < limit:
    stamp += 1
    sent = time.monotonic()
    try:
        window.send_event(protocol.event.ClientMessage(window=window, client_type=protocols,
                                                       data=(32, [ping, stamp, window_id, 0, 0])),
                          event_mask=0)
        d.flush()
    except error.XError:
        break
    answered = False
    while not answered and time.monotonic() - sent < limit - (sent - start):
        while d.pending_events():
            event = d.next_event()
            if (event.type == X.ClientMessage and event.client_type == protocols
                    and event.data[1][0] == ping and event.data[1][1] == stamp):
                answered = True
        if not answered:
            if not alive() or not shown():
                break
            select.select([d], [], [], 0.05)
    if answered:
        longest = max(longest, time.monotonic() - sent)
    elif alive() and shown():
        longest = max(longest, time.monotonic() - sent)
        break
    time.sleep(0.1)
print(int(longest * 1000))
