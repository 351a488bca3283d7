#!/usr/bin/env bash
# Takes the README screenshots of the main window in English and French on a
# virtual X screen:  xvfb-run -a -s '-screen 0 1280x1024x24' docs/make-screenshots.sh build/pixmold
set -euo pipefail
program=$(realpath "$1")
out=$(cd "$(dirname "$0")" && pwd)
unset QT_QPA_PLATFORM

shoot() {  # LNG OUTPUT [MENU_TITLE_X]
    local work pid window
    work=$(mktemp -d)
    printf '\xef\xbb\xbf\r\n[DEFAUT]\r\nLNG = %s\r\nVISIBLE = 1\r\n' "$1" >"$work/pref.vrn"
    (cd "$work" && XDG_RUNTIME_DIR="$work" exec "$program") >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 1 100); do
        window=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1 || true)
        [[ -n "$window" ]] && break
        sleep 0.1
    done
    sleep 1
    eval "$(xdotool getwindowgeometry --shell "$window")"
    if [[ -n "${3:-}" ]]; then
        xdotool mousemove "$((X + $3))" "$((Y + 8))" click 1
        sleep 0.7
        import -window root -crop "$((WIDTH + 260))x$((HEIGHT))+$X+$Y" +repage "$2"
    else
        import -window root -crop "${WIDTH}x${HEIGHT}+$X+$Y" +repage "$2"
    fi
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    rm -rf "$work"
}

shoot UK "$out/main-window-en.png"
shoot FR "$out/main-window-fr.png"
shoot UK "$out/main-window-menu-en.png" 20
echo "screenshots written to $out"
