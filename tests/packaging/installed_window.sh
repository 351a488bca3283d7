#!/usr/bin/env bash
# Starts an installed window program on a virtual X screen from an empty
# home folder with the options of the menu entry's Exec line, as a menu
# launch would: the window appears, its settings file is created in the
# user's configuration folder and not at home, its window class is the one
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
unset QT_QPA_PLATFORM XDG_CONFIG_HOME
export XDG_RUNTIME_DIR="$work" HOME="$work/home"
chmod 700 "$work"
# The Exec line's words after the program, without its field codes (%F).
read -r -a options <<<"$(sed -n 's/^Exec=[^ ]*//p' "$desktop" | sed 's/%[a-zA-Z]//g')"
"$program" "${options[@]}" >"$work/log" 2>&1 &
pid=$!

window=$(program_window "$pid")
[[ -n "$window" ]] || { echo "no window appeared"; cat "$work/log"; exit 1; }
[[ -f "$work/home/.config/pixmold/pref.vrn" ]] || { echo "no pref.vrn in ~/.config/pixmold"; exit 1; }
[[ ! -e "$work/home/pref.vrn" ]] || { echo "a menu start wrote pref.vrn into the home folder"; exit 1; }

# WM_CLASS(STRING) = "instance", "class": docks match it to StartupWMClass.
class=$(xprop -id "$window" WM_CLASS | sed -n 's/.*", "\(.*\)"$/\1/p')
wanted=$(sed -n 's/^StartupWMClass=//p' "$desktop")
[[ "$class" == "$wanted" ]] || { echo "window class \"$class\", the menu entry says \"$wanted\""; exit 1; }

close_program "$pid" || { cat "$work/log"; exit 1; }
pid=
echo "ok"
