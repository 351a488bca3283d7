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

# Dialog DIALOG (named NAME) must belong to the window, come after it in the
# stacking order (bottom to top) and have the focus.
check_dialog() {
    local dialog=$1 name=$2 stacking focus=
    xprop -id "$dialog" WM_TRANSIENT_FOR | grep -q "# $(printf '0x%x' "$window")\$" ||
        { echo "$name: not owned by the window: $(xprop -id "$dialog" WM_TRANSIENT_FOR)"; return 1; }
    stacking=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g')
    [[ "$(printf '%d\n' $stacking | grep -n -x -e "$window" -e "$dialog" | cut -d: -f2 | tail -n 1)" == "$dialog" ]] ||
        { echo "$name: stacked below the window ($stacking)"; return 1; }
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

xdotool key Escape  # No: the prefix stays
close_program "$pid"
echo "ok"
