#!/usr/bin/env bash
# Opens pictures with an installed Pixmold the ways a desktop does, on a
# virtual X screen: the menu entry's command with a folder starts the
# program, which resizes them with the settings of the folder it
# started in; then KDE's service menu command and the Nautilus extension's
# menu item, each from another folder, hand their pictures to that running
# copy, which resizes them too.
# Usage: installed_open_with.sh USR-FOLDER  (run under xvfb-run)
set -euo pipefail
usr=$(realpath "$1")
source_dir=$(realpath "$(dirname "$0")/../..")
work=$(mktemp -d)
first=
cleanup() {
    if [[ -n "$first" ]] && kill -0 "$first" 2>/dev/null; then kill -KILL "$first"; fi
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

unset QT_QPA_PLATFORM
unset XDG_CONFIG_HOME
export PYTHONDONTWRITEBYTECODE=1 XDG_RUNTIME_DIR="$work/run" XDG_DATA_HOME="$work/data" XDG_DATA_DIRS="$usr/share:/usr/share" PATH="$usr/bin:$PATH"
export HOME="$work/home"
mkdir -m 700 "$XDG_RUNTIME_DIR"
picture=$source_dir/tests/data/batch/base.jpg

# The command of a desktop file's line `key` (which must take files, %F)
# into the array `command`, without the %F: the files follow it.
command_of() {
    local line
    line=$(sed -n "s/^$2=//p" "$1" | head -n 1)
    [[ "$line" == *%F* ]] || { echo "$(basename "$1"): $2=$line takes no files"; exit 1; }
    read -ra command <<<"${line//%F/}"
}

# Waits up to 20 s for a resized picture.
resized() {
    for _ in $(seq 1 200); do [[ -f "$1" ]] && return 0; sleep 0.1; done
    echo "no $1"
    return 1
}

# The running copy: the menu entry with a folder, with menu settings that
# ask for "small_".
mkdir -p "$work/home/pics" "$work/home/.config/pixmold"
cp "$picture" "$work/home/pics/a.jpg"
cp "$picture" "$work/home/pics/b.jpg"
printf '\xEF\xBB\xBF\r\n[DEFAUT]\r\n[USER]\r\nPREFIX = small_\r\nTaille_Paysage = 16\r\nTaille_Portrait = 16\r\n' >"$work/home/.config/pixmold/pref.vrn"
cd "$work/home"
command_of "$usr/share/applications/pixmold.desktop" Exec
"${command[@]}" pics >"$work/first.log" 2>&1 &
first=$!
resized "$work/home/pics/small_a.jpg"
resized "$work/home/pics/small_b.jpg"

# KDE's service menu, from another folder.
mkdir "$work/kde"
cp "$picture" "$work/kde/c.jpg"
cd "$work/kde"
command_of "$usr/share/kio/servicemenus/pixmold-resize.desktop" Exec
"${command[@]}" c.jpg || { echo "the service menu's start failed"; exit 1; }
resized "$work/kde/small_c.jpg"
# It handed its files over and ended (a second window would not return),
# and as a desktop start it keeps no settings in the files' folder.
[[ ! -e "$work/kde/pref.vrn" ]] || { echo "the service menu's start wrote settings beside the files"; exit 1; }

# The Nautilus extension with the real bindings, given files as Nautilus
# describes them; its item starts the menu entry.
mkdir -p "$work/gnome/folder"
cp "$picture" "$work/gnome/d.jpg"
cp "$picture" "$work/gnome/folder/e.jpg"
echo "text" >"$work/gnome/notes.txt"
cd "$work/gnome"
LC_ALL=C.UTF-8 /usr/bin/python3 - "$usr/share/nautilus-python/extensions/pixmold.py" <<'PY' || { echo "the Nautilus extension failed"; exit 1; }
import os
import runpy
import sys

from gi.repository import Gio

extension = runpy.run_path(sys.argv[1], run_name="pixmold_extension")


class File:
    """What the extension asks of a Nautilus file."""
    def __init__(self, path):
        self.path = os.path.abspath(path)
        self.type = Gio.content_type_guess(path, None)[0]

    def get_uri_scheme(self):
        return "file"

    def is_directory(self):
        return os.path.isdir(self.path)

    def is_mime_type(self, mime):
        return not self.is_directory() and Gio.content_type_is_a(self.type, mime)

    def get_location(self):
        return Gio.File.new_for_path(self.path)


menu = extension["PixmoldMenu"]()
offered = {
    "a picture": ["d.jpg"],
    "one folder": ["folder"],
    "a text file": ["notes.txt"],
    "a picture and a text file": ["d.jpg", "notes.txt"],
    "two folders": ["folder", "."],
}
wanted = {"a picture", "one folder"}
for what, names in offered.items():
    items = menu.get_file_items([File(n) for n in names])
    if bool(items) != (what in wanted):
        sys.exit(f"for {what} the extension offers {len(items)} item(s)")
    for item in items:
        if item.props.label != "Resize with Pixmold":
            sys.exit(f"the item says {item.props.label!r}")
for names in (["d.jpg"], ["folder"]):
    menu.get_file_items([File(n) for n in names])[0].activate()
PY
resized "$work/gnome/small_d.jpg"
resized "$work/gnome/folder/small_e.jpg"
[[ ! -e "$work/gnome/small_notes.jpg" ]] || { echo "a text file was taken"; exit 1; }

# Everything went to the one running copy, which still runs and ends well.
source "$source_dir/tests/app/program_window.sh"
close_program "$first" || { cat "$work/first.log"; exit 1; }
first=
echo "ok"
