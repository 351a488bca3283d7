#!/usr/bin/env bash
# Starts an installed window program on a virtual X screen from an empty
# folder, as a menu launch would from the home folder: the window appears,
# its settings file is created in that folder, its window class is the one
# the menu entry names, and a close request ends it with status 0.
# Usage: installed_window.sh PROGRAM DESKTOP-FILE  (run under xvfb-run)
set -euo pipefail
source "$(dirname "$0")/../app/program_window.sh"
program=$1
desktop=$2
work=$(mktemp -d)
pid=
cleanup() {
    if [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid"; fi
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

mkdir "$work/home"
cd "$work/home"
unset QT_QPA_PLATFORM
export XDG_RUNTIME_DIR="$work"
chmod 700 "$work"
"$program" >"$work/log" 2>&1 &
pid=$!

window=$(program_window "$pid")
[[ -n "$window" ]] || { echo "no window appeared"; cat "$work/log"; exit 1; }
[[ -f "$work/home/pref.vrn" ]] || { echo "no pref.vrn in the folder the program started from"; exit 1; }

# WM_CLASS(STRING) = "instance", "class": docks match it to StartupWMClass.
class=$(xprop -id "$window" WM_CLASS | sed -n 's/.*", "\(.*\)"$/\1/p')
wanted=$(sed -n 's/^StartupWMClass=//p' "$desktop")
[[ "$class" == "$wanted" ]] || { echo "window class \"$class\", the menu entry says \"$wanted\""; exit 1; }

close_program "$pid" || { cat "$work/log"; exit 1; }
pid=
echo "ok"
