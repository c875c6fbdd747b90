#!/usr/bin/python3
# A GTK 3 text editor for the end-to-end tests: one text view, holding the keyboard focus,
# whose whole text is written to the file named on the command line after every change
# (written aside and renamed, so that a reader never sees half of it). A second argument
# is the font of the text ("DejaVu Serif Bold 14").
import os
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import Gtk, Pango  # noqa: E402

out = sys.argv[1]


def changed(buffer):
    text = buffer.get_text(buffer.get_start_iter(), buffer.get_end_iter(), True)
    with open(out + ".part", "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(out + ".part", out)


window = Gtk.Window(title="Runebox GTK editor")
window.set_default_size(420, 300)
view = Gtk.TextView()
if len(sys.argv) > 2:
    css = Gtk.CssProvider()
    font = Pango.FontDescription.from_string(sys.argv[2])
    weight = "bold" if font.get_weight() >= Pango.Weight.BOLD else "normal"
    css.load_from_data(("textview { font-family: \"%s\"; font-weight: %s; font-size: %dpt; }"
                        % (font.get_family(), weight, max(1, font.get_size() // Pango.SCALE))).encode())
    view.get_style_context().add_provider(css, Gtk.STYLE_PROVIDER_PRIORITY_APPLICATION)
view.get_buffer().connect("changed", changed)
window.add(view)
window.connect("destroy", Gtk.main_quit)
window.show_all()
view.grab_focus()
Gtk.main()
