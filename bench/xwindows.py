"""When top-level windows appear on the X display, seen from outside the programs that make them.

Wine maps one X window for every shown top-level Windows window, GTK one for every shown GTK
window; both mark it with the process id (_NET_WM_PID). A watcher on the root window timestamps each
map as the X server reports it, so a program's start-up is measured without polling it.
"""

import select
import time
from dataclasses import dataclass

from Xlib import X, Xatom, display, error, protocol


@dataclass
class Window:
    id: int
    pid: int | None
    name: str
    mapped_at: float


class MapWatcher:
    """Every top-level window mapped since the watcher was made, with the moment it was mapped."""

    def __init__(self):
        self.display = display.Display()
        self.root = self.display.screen().root
        self.root.change_attributes(event_mask=X.SubstructureNotifyMask)
        self.atoms = {name: self.display.intern_atom(name)
                      for name in ("_NET_WM_PID", "_NET_WM_NAME", "WM_PROTOCOLS", "WM_DELETE_WINDOW")}
        self.display.sync()
        self.mapped = {}

    def give_resources(self):
        """Gives the display X resources, as a desktop session does at its start (xrdb); returns
        False when it had some already.

        On a display without any, Xlib looks for resource files on disk again at every call that
        asks for a resource, and Wine asks at every text it measures or draws with a default
        quality font. One harmless resource spares every program started afterwards that cost."""
        atom = self.display.intern_atom("RESOURCE_MANAGER")
        if self.root.get_full_property(atom, X.AnyPropertyType) is not None:
            return False
        self.root.change_property(atom, Xatom.STRING, 8, b"Varnel.benchmark:\ttrue\n")
        self.display.sync()
        return True

    def windows(self, pid):
        """The windows of that process mapped now, in the order they were mapped."""
        return sorted((w for w in self.mapped.values() if w.pid == pid), key=lambda w: w.mapped_at)

    def wait(self, condition, timeout):
        """Reads map events until condition() holds; returns the time of the events that made it
        hold, or None when timeout seconds pass first."""
        deadline = time.monotonic() + timeout
        while True:
            arrived = self._read(max(0.0, deadline - time.monotonic()))
            if condition():
                return arrived
            if time.monotonic() >= deadline:
                return None

    def close_window(self, window_id):
        """Asks the window to close as a window manager's close button does."""
        event = protocol.event.ClientMessage(
            window=self.display.create_resource_object("window", window_id),
            client_type=self.atoms["WM_PROTOCOLS"],
            data=(32, [self.atoms["WM_DELETE_WINDOW"], X.CurrentTime, 0, 0, 0]))
        self.display.send_event(window_id, event, event_mask=0)
        self.display.flush()
        return time.monotonic()

    def _read(self, timeout):
        """Takes in the events that arrive within timeout; returns the time they arrived."""
        if not self.display.pending_events():
            select.select([self.display.fileno()], [], [], timeout)
        arrived = time.monotonic()
        # Every waiting event is taken in before any question is asked of the server, so the
        # answers' round trips do not delay the next event's time.
        events = []
        while self.display.pending_events():
            events.append(self.display.next_event())
        for event in events:
            if event.type == X.MapNotify:
                self.mapped[event.window.id] = Window(event.window.id, *self._describe(event.window), arrived)
            elif event.type in (X.UnmapNotify, X.DestroyNotify):
                self.mapped.pop(event.window.id, None)
        return arrived

    def _describe(self, window):
        try:
            pid = window.get_full_property(self.atoms["_NET_WM_PID"], Xatom.CARDINAL)
            name = window.get_full_property(self.atoms["_NET_WM_NAME"], X.AnyPropertyType)
            text = name.value if name else b""
            return (pid.value[0] if pid else None,
                    text.decode("utf-8", "replace") if isinstance(text, bytes) else str(text))
        except error.XError:
            # Gone again before it could be asked.
            return None, ""
