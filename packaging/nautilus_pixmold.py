"""Nautilus: "Resize with Pixmold" on pictures, or on one folder.

An extension for nautilus-python (Debian: python3-nautilus), installed for
every user. It starts Pixmold through its menu entry, as "Open With" does,
so the pictures reach the same command line; the entry also says which
picture types Pixmold reads.
"""
import os

import gi

try:
    gi.require_version("Nautilus", "4.0")
except ValueError:
    gi.require_version("Nautilus", "3.0")
from gi.repository import GObject, Gio, Nautilus  # noqa: E402

APP_ID = "pixmold.desktop"


def _app():
    """Pixmold's menu entry, or None when it is not installed (PyGObject
    raises for a constructor that finds nothing)."""
    try:
        return Gio.DesktopAppInfo.new(APP_ID)
    except TypeError:
        return None


def _label():
    for name in ("LC_ALL", "LC_MESSAGES", "LANG"):
        value = os.environ.get(name)
        if value:
            return "Redimensionner avec Pixmold" if value.startswith("fr") else "Resize with Pixmold"
    return "Resize with Pixmold"


def _wanted(files, app):
    """Local pictures of the types the entry lists, or one local folder."""
    if not files or any(f.get_uri_scheme() != "file" for f in files):
        return False
    if len(files) == 1 and files[0].is_directory():
        return True
    types = app.get_supported_types() or []
    return all(not f.is_directory() and any(f.is_mime_type(t) for t in types) for f in files)


class PixmoldMenu(GObject.GObject, Nautilus.MenuProvider):
    def get_file_items(self, *args):
        files = args[-1]  # Nautilus 43 passes the files alone, earlier ones the window first
        app = _app()
        if app is None or not _wanted(files, app):
            return []
        item = Nautilus.MenuItem(name="Pixmold::Resize", label=_label(), icon="pixmold")
        item.connect("activate", self._resize, [f.get_location() for f in files])
        return [item]

    def _resize(self, _item, locations):
        app = _app()
        if app is not None:
            app.launch(locations, None)
