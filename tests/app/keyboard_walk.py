#!/usr/bin/python3
"""Walks the running program's main window with Tab and Shift+Tab, as a
keyboard user does, and reads each focused control the way a screen reader
does: through the accessibility bus (AT-SPI), by role, name and state.

Usage: keyboard_walk.py SETUP   (SETUP: a key of WALKS; the program runs with
that setup's settings). Prints every reading; exits 1 on the first walk that
differs from what the user should hear.
"""
import subprocess
import sys
import time

import pyatspi

# What a screen reader says at each Tab stop, in order: first the settings
# column (then Tab wraps to its first control), then, once the FX button
# opened the panel, from that button through the panel.
WALKS = {
    # English, relative mode, JPG, quality 8, window not kept on top.
    "english": {
        "column": [
            "radio button 'Relative' checked",
            "radio button 'Free'",
            "text 'Prefix' = 'mine_'",
            "push button 'Change prefix'",
            "text 'Width of landscape pictures' = '1280'",
            "text 'Height of portrait pictures' = '1024'",
            "Output format: radio button 'JPG' checked",
            "slider 'JPEG quality' = 8",
            "text 'Information'",
            "text 'Status' = ''",
            "check box 'Window always visible'",
            "push button 'Special effects' collapsed",
        ],
        "panel": [
            "push button 'Special effects' expanded",
            "push button 'Crop'",
            "push button 'Black and white'",
            "push button 'Optimized black and white'",
            "push button 'Sepia / Age a photo'",
            "push button 'Add a border'",
            "push button 'Webcam'",
            "image 'Picture preview'",
            "Effect commands: push button 'Load picture'",
            "Effect commands: push button 'Apply FX' unavailable",
            "Effect commands: push button 'Cancel' unavailable",
            "Effect commands: push button 'Save picture' unavailable",
        ],
    },
    # French, free mode, PNG (no quality slider), window kept on top.
    "french": {
        "column": [
            "radio button 'Mode Relatif'",
            "radio button 'Mode Libre' checked",
            "text 'Préfixe' = 'mine_'",
            "push button 'Modifier le préfixe'",
            "text 'Largeur des images' = '1280'",
            "text 'Hauteur des images' = '1024'",
            "combo box 'Résolutions prédéfinies' collapsed = '+ Résolution'",
            "Format de sortie: radio button 'PNG' checked",
            "text 'Informations'",
            "text 'Barre d'état' = ''",
            "check box 'Fenêtre toujours visible' checked",
            "push button 'Effets spéciaux' collapsed",
        ],
        "panel": [
            "push button 'Effets spéciaux' expanded",
            "push button 'Recadrer'",
            "push button 'Noir & Blanc standard'",
            "push button 'Noir & Blanc optimisé'",
            "push button 'Sepia / Vieillir photo'",
            "push button 'Ajouter une bordure'",
            "push button 'Webcam'",
            "image 'Aperçu de l'image'",
            "Commandes des effets: push button 'Charger une image'",
            "Commandes des effets: push button 'Valider' unavailable",
            "Commandes des effets: push button 'Annuler' unavailable",
            "Commandes des effets: push button 'Sauver l'image' unavailable",
        ],
    },
}


def application(name, timeout=60):
    end = time.time() + timeout
    while time.time() < end:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == name:
                return app
        time.sleep(0.2)
    sys.exit("no application %r on the accessibility bus" % name)


def focused(acc):
    """The focused object among the showing ones under acc."""
    states = acc.getState()
    if not states.contains(pyatspi.STATE_SHOWING) and acc.getRole() != pyatspi.ROLE_APPLICATION:
        return None
    if states.contains(pyatspi.STATE_FOCUSED) and acc.getRole() not in (pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW):
        return acc
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        found = focused(child) if child is not None else None
        if found is not None:
            return found
    return None


def reading(acc):
    """Role, name, state and value, as a screen reader announces them."""
    role = acc.getRoleName()
    states = acc.getState()
    name = acc.name.strip()
    value = None
    if acc.getRole() == pyatspi.ROLE_COMBO_BOX:
        # The list's name comes from its label; its own name is the row on show.
        labels = [r.getTarget(0).name for r in acc.getRelationSet()
                  if r.getRelationType() == pyatspi.RELATION_LABELLED_BY]
        name, value = (labels[0] if labels else ""), repr(name)
    elif acc.getRole() == pyatspi.ROLE_SLIDER:
        value = "%g" % acc.queryValue().currentValue
    elif acc.getRole() == pyatspi.ROLE_TEXT and not states.contains(pyatspi.STATE_MULTI_LINE):
        text = acc.queryText()
        value = repr(text.getText(0, text.characterCount))
    said = "%s '%s'" % (role, name)
    parent = acc.parent
    if parent is not None and parent.getRole() in (pyatspi.ROLE_TOOL_BAR, pyatspi.ROLE_PANEL) and parent.name:
        said = "%s: %s" % (parent.name, said)
    if states.contains(pyatspi.STATE_CHECKED):
        said += " checked"
    if states.contains(pyatspi.STATE_EXPANDABLE):
        said += " expanded" if states.contains(pyatspi.STATE_EXPANDED) else " collapsed"
    if not states.contains(pyatspi.STATE_SENSITIVE):
        said += " unavailable"
    if value is not None:
        said += " = " + value
    return said


class Walker:
    def __init__(self, app):
        self.app = app
        self.now = self.wait_for(lambda r: r is not None, "a focused control")

    def current(self):
        self.app.clearCache()
        acc = focused(self.app)
        return reading(acc) if acc is not None else None

    def wait_for(self, good, what, timeout=30):
        end = time.time() + timeout
        while time.time() < end:
            r = self.current()
            if good(r):
                return r
            time.sleep(0.1)
        sys.exit("waited in vain for %s; the focus is on %r" % (what, self.current()))

    def press(self, key):
        before = self.now
        subprocess.run(["xdotool", "key", key], check=True)
        self.now = self.wait_for(lambda r: r is not None and r != before, "the focus to move on %s" % key)
        print("%-9s -> %s" % (key, self.now))
        return self.now


def expect(what, heard, wanted):
    if heard != wanted:
        print("FAIL %s:\n  heard:  %s\n  wanted: %s" % (what, heard, wanted))
        sys.exit(1)


def main():
    walk = WALKS[sys.argv[1]]
    column, panel = walk["column"], walk["panel"]
    w = Walker(application("pixmold"))
    print("start     -> %s" % w.now)
    expect("the first focus", w.now, column[0])

    # Tab goes round the column back to its first control; Shift+Tab the other way.
    forward = [w.now] + [w.press("Tab") for _ in column]
    expect("Tab through the column", forward, column + column[:1])
    backward = [w.now] + [w.press("shift+Tab") for _ in column]
    expect("Shift+Tab through the column", backward, column[:1] + column[:0:-1] + column[:1])

    # Space on the FX button opens the panel, whose controls follow it.
    w.press("shift+Tab")
    opened = [w.press("space")] + [w.press("Tab") for _ in panel]
    expect("Tab through the open panel", opened, panel + column[:1])
    print("ok")


if __name__ == "__main__":
    main()
