#!/usr/bin/python3
"""Watches a window for freezes, as a window manager does: it pings the window and times the answer.

Usage: wm_ping.py [--seconds S] [--wait S] WINDOW

WINDOW is a window id (0x3a00007 or decimal) or a part of a window's title. Every 0.25 s the
window gets a _NET_WM_PING message; a window that is not frozen sends it back to the root window
at its next turn of the event loop. When stopped (SIGINT, SIGTERM, --seconds, or the window
going away) the watcher prints one line and exits 0:

    pings N, longest unanswered S s, over 2s K

N pings sent; S the longest a ping waited for its answer (a ping still unanswered at the end counts
until then); K the freezes longer than 2 s, pings answered together counting as one freeze.
--wait gives the window that long to appear (default 10 s).

A client sends its answer to the root window with an event mask of its choosing: EWMH names
SubstructureNotify and SubstructureRedirect, Qt 6 uses StructureNotify and SubstructureRedirect. Selecting StructureNotify and SubstructureNotify on the root sees either.
The watcher never takes SubstructureRedirect, which would make it the window manager: the
program's new windows would then wait for it to map them.
"""
import argparse
import select
import signal
import sys
import time

from Xlib import X, Xatom, display, error
from Xlib.protocol import event

PERIOD = 0.25
FREEZE = 2.0


def window_title(d, window):
    for atom, kind in ((d.intern_atom("_NET_WM_NAME"), d.intern_atom("UTF8_STRING")), (Xatom.WM_NAME, X.AnyPropertyType)):
        try:
            prop = window.get_full_property(atom, kind)
        except error.XError:
            return ""
        if prop and prop.value:
            value = prop.value
            return value.decode("utf-8", "replace") if isinstance(value, bytes) else str(value)
    return ""


def find_window(d, wanted):
    """The window with that id, or the first one (depth first) whose title holds the text."""
    try:
        return d.create_resource_object("window", int(wanted, 0))
    except ValueError:
        pass
    pending = [d.screen().root]
    while pending:
        window = pending.pop(0)
        if window != d.screen().root and wanted in window_title(d, window):
            return window
        try:
            pending.extend(window.query_tree().children)
        except error.XError:
            pass  # gone meanwhile
    return None


class Watch:
    def __init__(self):
        self.sent = {}  # ping number -> time sent
        self.waits = {}  # ping number -> seconds until answered
        self.answered_at = {}

    def longest(self, now):
        waits = list(self.waits.values()) + [now - t for n, t in self.sent.items() if n not in self.waits]
        return max(waits, default=0.0)

    def freezes(self, now):
        """Freezes over FREEZE seconds: a long wait starts one, and pings sent before its answer came
        belong to it."""
        count, end = 0, -1.0
        for n in sorted(self.sent):
            wait = self.waits.get(n, now - self.sent[n])
            if wait <= FREEZE:
                continue
            if self.sent[n] >= end:
                count += 1
                end = self.answered_at.get(n, now)
        return count


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("window")
    parser.add_argument("--seconds", type=float, default=0.0, help="stop after this long (0: until a signal)")
    parser.add_argument("--wait", type=float, default=10.0, help="how long the window may take to appear")
    args = parser.parse_args()

    d = display.Display()
    root = d.screen().root
    protocols = d.intern_atom("WM_PROTOCOLS")
    ping = d.intern_atom("_NET_WM_PING")

    deadline = time.monotonic() + args.wait
    target = find_window(d, args.window)
    while target is None and time.monotonic() < deadline:
        time.sleep(0.1)
        target = find_window(d, args.window)
    if target is None:
        print(f"wm_ping.py: no window {args.window!r}", file=sys.stderr)
        return 1
    try:
        listed = target.get_wm_protocols()
    except error.XError:
        listed = []
    if ping not in listed:
        print("wm_ping.py: the window does not take _NET_WM_PING; it will not answer", file=sys.stderr)

    root.change_attributes(event_mask=X.StructureNotifyMask | X.SubstructureNotifyMask)
    d.sync()

    stopping = []
    for sig in (signal.SIGINT, signal.SIGTERM):
        signal.signal(sig, lambda *_: stopping.append(True))

    watch = Watch()
    start = time.monotonic()
    next_ping = start
    number = 0
    gone = error.CatchError(error.BadWindow)
    while not stopping:
        now = time.monotonic()
        if args.seconds and now - start >= args.seconds:
            break
        if now >= next_ping:
            number += 1
            message = event.ClientMessage(
                window=target, client_type=protocols, data=(32, [ping, number, target.id, 0, 0])
            )
            target.send_event(message, event_mask=X.NoEventMask, onerror=gone)
            d.flush()
            watch.sent[number] = now
            next_ping += PERIOD
        try:
            ready, _, _ = select.select([d.fileno()], [], [], max(0.0, next_ping - time.monotonic()))
        except InterruptedError:
            continue
        if ready or d.pending_events():
            while d.pending_events():
                e = d.next_event()
                arrived = time.monotonic()
                if e.type == X.DestroyNotify and e.window.id == target.id:
                    stopping.append(True)
                elif e.type == X.ClientMessage and e.window.id == root.id and e.client_type == protocols:
                    values = e.data[1]
                    n = values[1]
                    if values[0] == ping and values[2] == target.id and n in watch.sent and n not in watch.waits:
                        watch.waits[n] = arrived - watch.sent[n]
                        watch.answered_at[n] = arrived
        if gone.get_error():
            break

    now = time.monotonic()
    print(f"pings {len(watch.sent)}, longest unanswered {watch.longest(now):.2f} s, over 2s {watch.freezes(now)}")
    sys.stdout.flush()
    return 0


if __name__ == "__main__":
    sys.exit(main())
