#!/usr/bin/python3
"""A drag source of another toolkit for the lab: a GTK 3 window that drags the file FILE
as text/uri-list through the display's own drag-and-drop protocol (the X server's, or
a Wayland compositor's data device). On X11 the window opens at X Y; a Wayland
compositor places it itself. It reports on stdout as the drag goes (ready, press,
begin, action, data, end) so that the lab can wait for each step instead of for a time.

usage: drag_source.py FILE X Y
"""
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("Gdk", "3.0")
from gi.repository import Gdk, GLib, Gtk  # noqa: E402


def say(*words):
    print(*words, flush=True)


def main():
    path, x, y = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    uri = GLib.filename_to_uri(path, None)
    window = Gtk.Window(title="drag source")
    window.set_decorated(False)
    window.move(x, y)
    window.set_default_size(160, 80)
    box = Gtk.EventBox()
    box.add(Gtk.Label(label="drag me"))
    window.add(box)
    box.drag_source_set(Gdk.ModifierType.BUTTON1_MASK,
                        [Gtk.TargetEntry.new("text/uri-list", 0, 0)],
                        Gdk.DragAction.COPY)

    def on_begin(_widget, context):
        say("begin")
        context.connect("action-changed",
                        lambda _c, action: say("action", int(action)))

    def on_data(_widget, _context, data, _info, _time):
        data.set_uris([uri])
        say("data")

    def on_end(_widget, _context):
        say("end")

    box.connect("button-press-event", lambda *_: say("press") or False)
    box.connect("drag-begin", on_begin)
    box.connect("drag-data-get", on_data)
    box.connect("drag-end", on_end)
    window.connect("map-event", lambda *_: say("ready") or False)
    window.connect("destroy", Gtk.main_quit)
    window.show_all()
    Gtk.main()


if __name__ == "__main__":
    main()
