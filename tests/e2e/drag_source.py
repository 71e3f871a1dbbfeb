"""An X drag source for the end-to-end tests: a small undecorated GTK window that, when dragged
from with the first mouse button, offers either a file list (text/uri-list) or plain text.

    /usr/bin/python3 drag_source.py X Y files PATH...
    /usr/bin/python3 drag_source.py X Y text TEXT

It prints "ready" once it is on screen, and when the drag ends "end" (the target took it) or
"failed" (no target accepted it), then quits. Wine turns the XDND drag into an OLE drop on the
window under the pointer.
"""

import pathlib
import sys

import gi

gi.require_version("Gdk", "3.0")
gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, GLib, Gtk  # noqa: E402

SIZE = 60


def main():
    x, y, mode, items = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3], sys.argv[4:]
    window = Gtk.Window(type=Gtk.WindowType.POPUP)
    window.move(x, y)
    window.set_default_size(SIZE, SIZE)
    area = Gtk.EventBox()
    area.override_background_color(Gtk.StateFlags.NORMAL, Gdk.RGBA(0.2, 0.4, 0.8, 1.0))
    window.add(area)

    if mode == "files":
        targets = [Gtk.TargetEntry.new("text/uri-list", 0, 0)]
    else:
        targets = [Gtk.TargetEntry.new("text/plain;charset=utf-8", 0, 1), Gtk.TargetEntry.new("text/plain", 0, 1),
                   Gtk.TargetEntry.new("UTF8_STRING", 0, 1)]
    area.drag_source_set(Gdk.ModifierType.BUTTON1_MASK, targets, Gdk.DragAction.COPY)

    def data_get(_widget, _context, data, info, _time):
        if info == 0:
            data.set_uris([pathlib.Path(item).absolute().as_uri() for item in items])
        else:
            data.set_text(items[0], -1)

    outcome = {}

    def finish(result):
        if "result" in outcome:
            return
        outcome["result"] = result
        print(result, flush=True)
        # Let the last XDND messages go out before the window disappears.
        GLib.timeout_add(300, Gtk.main_quit)

    area.connect("drag-data-get", data_get)
    area.connect("drag-failed", lambda *_: finish("failed") or False)
    area.connect("drag-end", lambda *_: GLib.idle_add(lambda: finish("end")))

    def ready(*_):
        print("ready", flush=True)
        return False

    window.connect("map-event", ready)
    window.show_all()
    # A drag that never starts must not leave the script behind.
    GLib.timeout_add_seconds(60, Gtk.main_quit)
    Gtk.main()


if __name__ == "__main__":
    main()
