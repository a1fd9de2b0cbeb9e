#!/usr/bin/python3
"""A drag source of another toolkit (GTK 3), as a file manager is one: a
window titled "drag source" whose button drags the URIs it was given, offered
as a copy or a move. How each drag ended is printed: "accepted" or "refused".

    drag_source.py URI...
"""
import sys

import gi

gi.require_version("Gdk", "3.0")
gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, Gtk  # noqa: E402

uris = sys.argv[1:]
window = Gtk.Window(title="drag source")
button = Gtk.Button(label="drag me")
button.drag_source_set(Gdk.ModifierType.BUTTON1_MASK, [Gtk.TargetEntry.new("text/uri-list", 0, 0)],
                       Gdk.DragAction.COPY | Gdk.DragAction.MOVE)
button.connect("drag-data-get", lambda widget, context, data, info, time: data.set_uris(uris))
ended = {"failed": False}
button.connect("drag-failed", lambda widget, context, result: ended.update(failed=True) or False)
button.connect("drag-end", lambda widget, context: print("refused" if ended["failed"] else "accepted", flush=True))
window.add(button)
window.set_default_size(160, 80)
window.move(20, 20)
window.connect("destroy", Gtk.main_quit)
window.show_all()
print("ready", flush=True)
Gtk.main()
