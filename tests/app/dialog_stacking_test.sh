#!/usr/bin/env bash
# The real program under a real window manager (openbox) on a virtual X
# screen, its window staying on top as it does by default: the prefix dialog
# and then the no-prefix question that follows it each belong to the window
# (WM_TRANSIENT_FOR), are stacked above it and have the keyboard focus.
# Usage: dialog_stacking_test.sh PROGRAM [OUT.png]  (run under xvfb-run)
set -euo pipefail
source "$(dirname "$0")/program_window.sh"
program=$(realpath "$1")
shot=${2:-}
work=$(mktemp -d)
pid=
wm=
cleanup() {
    if [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid"; fi
    if [[ -n "$wm" ]]; then kill "$wm" 2>/dev/null || true; fi
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

cd "$work"
unset QT_QPA_PLATFORM
export XDG_RUNTIME_DIR="$work"
chmod 700 "$work"

openbox --sm-disable >"$work/wm.log" 2>&1 &
wm=$!
for _ in $(seq 1 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || { echo "openbox did not start"; cat "$work/wm.log"; exit 1; }

printf '[DEFAUT]\r\n[USER]\r\nLNG = UK\r\nVISIBLE = 1\r\n' >"$work/pref.vrn"
"$program" >"$work/log" 2>&1 &
pid=$!
window=$(program_window "$pid")
[[ -n "$window" ]] || { echo "no window appeared"; cat "$work/log"; exit 1; }
sleep 1
xprop -id "$window" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE || { echo "the window is not kept on top"; exit 1; }

# The visible window of the program titled TITLE, waiting up to 10 s.
dialog_titled() {
    local id
    for _ in $(seq 1 100); do
        for id in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null || true); do
            [[ "$(xdotool getwindowname "$id" 2>/dev/null)" == "$1" ]] && { echo "$id"; return; }
        done
        sleep 0.1
    done
}

# Checks that dialog DIALOG (named NAME) belongs to the window, is stacked
# above it and has the focus.
check_dialog() {
    local dialog=$1 name=$2 owner stacking focus
    owner=$(printf '0x%x' "$window")
    xprop -id "$dialog" WM_TRANSIENT_FOR | grep -q "# $owner\$" ||
        { echo "$name: not owned by the window: $(xprop -id "$dialog" WM_TRANSIENT_FOR)"; return 1; }
    # Bottom to top: the dialog must come after the window.
    stacking=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g')
    local seen_window=0 above=0 id
    for id in $stacking; do
        (( id == window )) && seen_window=1
        (( id == dialog && seen_window )) && above=1
    done
    (( above )) || { echo "$name: stacked below the window ($stacking)"; return 1; }
    for _ in $(seq 1 30); do
        focus=$(xdotool getwindowfocus 2>/dev/null || true)
        [[ "$focus" == "$dialog" ]] && break
        sleep 0.1
    done
    [[ "$focus" == "$dialog" ]] || { echo "$name: the focus is on $focus, not on the dialog $dialog"; return 1; }
    echo "$name: owned by the window, above it, focused"
}

# Change prefix (the button at x 151..279 of the prefix row, 116 below the menu bar).
eval "$(xdotool getwindowgeometry --shell "$window")"
menu=$((HEIGHT - 580))
xdotool mousemove --window "$window" 215 $((menu + 126)) click 1
prompt=$(dialog_titled "Choice of Prefix")
[[ -n "$prompt" ]] || { echo "the prefix dialog did not appear"; exit 1; }
check_dialog "$prompt" "prefix dialog"

# "0" asks whether the originals may be replaced.
xdotool key ctrl+a
xdotool type 0
xdotool key Return
question=$(dialog_titled "No prefix")
[[ -n "$question" ]] || { echo "the no-prefix question did not appear"; exit 1; }
sleep 0.5
[[ -n "$shot" ]] && import -window root "$shot"
check_dialog "$question" "no-prefix question"

# Answered No from the keyboard: the prefix stays.
xdotool key Escape
for _ in $(seq 1 50); do [[ -z "$(xdotool search --onlyvisible --name '^No prefix$' 2>/dev/null)" ]] && break; sleep 0.1; done
close_program "$pid"
grep -q 'PREFIX = 0' "$work/pref.vrn" && { echo "the prefix changed although the answer was No"; exit 1; }
echo "ok"
