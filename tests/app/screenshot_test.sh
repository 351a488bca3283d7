#!/usr/bin/env bash
# Starts the real program on a virtual X screen and checks the main window:
# its size (280 wide, 580 plus the menu bar high) and its background colour.
# Usage: screenshot_test.sh PROGRAM [OUT.png]  (run under xvfb-run)
set -euo pipefail
source "$(dirname "$0")/program_window.sh"
program=$(realpath "$1")
shot=${2:-}
work=$(mktemp -d)
pid=
cleanup() {
    if [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null; then kill "$pid"; wait "$pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

cd "$work"
unset QT_QPA_PLATFORM
# A lock folder of its own, so a copy started by another test cannot make
# this one the "second instance".
export XDG_RUNTIME_DIR="$work"
"$program" >"$work/log" 2>&1 &
pid=$!

window=$(program_window "$pid")
if [[ -z "$window" ]]; then
    echo "no window appeared"; cat "$work/log"; exit 1
fi
sleep 1  # let the first paint finish

eval "$(xdotool getwindowgeometry --shell "$window")"
echo "window $WIDTH x $HEIGHT at $X,$Y"
if [[ "$WIDTH" -ne 280 ]]; then echo "width $WIDTH, expected 280"; exit 1; fi
if [[ "$HEIGHT" -lt 590 || "$HEIGHT" -gt 620 ]]; then echo "height $HEIGHT, expected 580 plus a menu bar"; exit 1; fi

import -window root "$work/root.png"
[[ -n "$shot" ]] && cp "$work/root.png" "$shot"
# A spot of bare background: right of the mode buttons' lower edge is taken,
# so use the gap between the switch and the FX button's bottom (x 100, y 76
# below the menu bar) and the column's right margin.
menu=$((HEIGHT - 580))
for spot in "$((X + 100)),$((Y + menu + 76))" "$((X + 278)),$((Y + menu + 60))"; do
    colour=$(convert "$work/root.png" -format "%[hex:p{$spot}]" info: | cut -c1-6)
    echo "pixel at $spot: #$colour"
    if [[ "${colour^^}" != "D6DFFE" ]]; then echo "background #$colour, expected #D6DFFE"; exit 1; fi
done
echo "ok"
