#!/usr/bin/python3
"""drag_source.py URI...: a GTK 3 window whose button drags the URIs as a file
manager does (copy or move); prints when a drag begins and how it ended."""
import sys

import gi

gi.require_version("Gdk", "3.0")
gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, Gtk  # noqa: E402

window, button, failed = Gtk.Window(title="drag source"), Gtk.Button(label="drag me"), []
button.drag_source_set(Gdk.ModifierType.BUTTON1_MASK, [Gtk.TargetEntry.new("text/uri-list", 0, 0)],
                       Gdk.DragAction.COPY | Gdk.DragAction.MOVE)
button.connect("drag-data-get", lambda widget, context, data, info, time: data.set_uris(sys.argv[1:]))
button.connect("drag-begin", lambda *args: print("dragging", flush=True))
button.connect("drag-failed", lambda *args: failed.append(True) and False)
button.connect("drag-end", lambda *args: print("refused" if failed else "accepted", flush=True))
window.add(button)
window.move(20, 20)  # away from the main window, which is centred
window.show_all()
print("ready", flush=True)
Gtk.main()
