#!/usr/bin/env bash
# Under a window manager (openbox), a later start with no file brings the
# running window forward: it takes the keyboard focus back from another
# program's window and stands above it, whether "Window always visible" keeps
# it above the others (VISIBLE 1) or not (VISIBLE 0).
# Usage: bring_forward_test.sh PROGRAM VISIBLE  (run under xvfb-run)
set -euo pipefail
source "$(dirname "$0")/program_window.sh"
program=$(realpath "$1")
visible=$2
work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

unset QT_QPA_PLATFORM
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
for _ in $(seq 1 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done

mkdir "$work/home"
cd "$work/home"
printf '\xEF\xBB\xBF\r\n[DEFAUT]\r\n[USER]\r\nVISIBLE = %s\r\n' "$visible" >pref.vrn
"$program" >"$work/first.log" 2>&1 &
first=$!
pids+=("$first")
window=$(program_window "$first")
[[ -n "$window" ]] || { echo "no window appeared"; cat "$work/first.log"; exit 1; }

# Another program's window over it, with the focus.
xlogo -geometry 900x900+0+0 &
pids+=($!)
other=
for _ in $(seq 1 100); do
    other=$(xdotool search --onlyvisible --class xlogo 2>/dev/null | head -n 1 || true)
    [[ -n "$other" ]] && break
    sleep 0.1
done
[[ -n "$other" ]] || { echo "the other window did not appear"; exit 1; }
for _ in $(seq 1 50); do [[ "$(xdotool getactivewindow 2>/dev/null)" == "$other" ]] && break; sleep 0.1; done
[[ "$(xdotool getactivewindow)" == "$other" ]] || { echo "the other window never took the focus"; exit 1; }

status=0
"$program" >"$work/second.log" 2>&1 || status=$?
[[ "$status" -eq 0 ]] || { echo "the later start ended with $status"; cat "$work/second.log"; exit 1; }

# The top of the window manager's stacking order, as a decimal window number.
top_window() { xprop -root _NET_CLIENT_LIST_STACKING | grep -oE '0x[0-9a-f]+' | tail -n 1 | xargs printf '%d'; }
for _ in $(seq 1 50); do
    [[ "$(xdotool getactivewindow)" == "$window" && "$(top_window)" == "$window" ]] && break
    sleep 0.1
done
[[ "$(xdotool getactivewindow)" == "$window" ]] || { echo "the running window did not get the focus back"; exit 1; }
[[ "$(top_window)" == "$window" ]] || { echo "the running window is not on top"; exit 1; }
kill -0 "$first" || { echo "the running copy ended"; exit 1; }
echo "ok"
