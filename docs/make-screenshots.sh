#!/usr/bin/env bash
# Takes the README screenshots of the main window and of the FX panel in
# English and French on a virtual X screen:
#   xvfb-run -a -s '-screen 0 1280x1024x24' docs/make-screenshots.sh build/pixmold
set -euo pipefail
program=$(realpath "$1")
out=$(cd "$(dirname "$0")" && pwd)
unset QT_QPA_PLATFORM

# Starts the program in a fresh folder whose settings hold LNG (and the
# settings lines MORE) and waits for its window: sets work, pid, window and
# the window's X, Y, WIDTH and HEIGHT. `finish` ends it.
launch() {  # LNG [MORE]
    work=$(mktemp -d)
    printf '\xef\xbb\xbf\r\n[DEFAUT]\r\nLNG = %s\r\n%b' "$1" "${2:-}" >"$work/pref.vrn"
    (cd "$work" && XDG_RUNTIME_DIR="$work" exec "$program") >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 1 100); do
        window=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1 || true)
        [[ -n "$window" ]] && break
        sleep 0.1
    done
    sleep 1
    eval "$(xdotool getwindowgeometry --shell "$window")"
}

finish() {
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    rm -rf "$work"
}

shoot() {  # LNG OUTPUT [MENU_TITLE_X]
    local work pid window
    launch "$1" 'VISIBLE = 1\r\n'
    if [[ -n "${3:-}" ]]; then
        xdotool mousemove "$((X + $3))" "$((Y + 8))" click 1
        sleep 0.7
        import -window root -crop "$((WIDTH + 260))x$((HEIGHT))+$X+$Y" +repage "$2"
    else
        import -window root -crop "${WIDTH}x${HEIGHT}+$X+$Y" +repage "$2"
    fi
    finish
}

# The FX panel as a user gets there: FX button, Load picture (typing the
# path into the open dialog), crop mode, then a frame dragged over the
# picture: shot while the button is held, and again after the release when
# RELEASED_OUTPUT is given.
shoot_fx() {  # LNG OUTPUT [RELEASED_OUTPUT]
    local work pid window menu
    launch "$1"
    # A landscape of plain shapes: sky, sun, clouds, hills and a tree.
    convert -size 900x600 gradient:'#2f6fc4-#d8ecff' \
        -fill '#ffe066' -draw 'circle 660,170 660,225' -fill '#fff3b0' -draw 'circle 660,170 660,190' \
        -fill '#6b8f3a' -draw 'ellipse 650,640 420,260 0,360' -fill '#3f7d3a' -draw 'ellipse 180,650 380,300 0,360' \
        -fill '#2e5e2b' -draw 'ellipse 470,700 300,220 0,360' \
        -fill '#7a4a2a' -draw 'rectangle 300,400 312,470' -fill '#2f7d32' -draw 'circle 306,385 306,345' \
        -fill white -draw 'ellipse 200,120 70,22 0,360' -draw 'ellipse 250,110 55,25 0,360' \
        -draw 'ellipse 450,80 60,18 0,360' -blur 0x1 "$work/landscape.png"
    menu=$((HEIGHT - 580))
    at() { xdotool mousemove "$((X + $1))" "$((Y + menu + $2))"; sleep 0.2; }
    at 227 65; xdotool click 1; sleep 1                      # FX button: the panel opens
    eval "$(xdotool getwindowgeometry --shell "$window")"
    at 514 516; xdotool click 1; sleep 1.5                   # Load picture
    xdotool type --delay 5 "$work/landscape.png"; xdotool key Return; sleep 1.5
    at 301 21; xdotool click 1; sleep 0.5                    # crop mode
    at 533 131; xdotool mousedown 1
    for step in $(seq 1 10); do at $((533 + step * 15)) $((131 + step * 11)); done
    sleep 0.5
    import -window root -crop "${WIDTH}x${HEIGHT}+$X+$Y" +repage "$2"
    xdotool mouseup 1; sleep 0.7
    if [[ -n "${3:-}" ]]; then import -window root -crop "${WIDTH}x${HEIGHT}+$X+$Y" +repage "$3"; fi
    finish
}

shoot UK "$out/main-window-en.png"
shoot FR "$out/main-window-fr.png"
shoot UK "$out/main-window-menu-en.png" 20
shoot_fx UK "$out/fx-panel-en.png" "$out/fx-panel-crop-en.png"
shoot_fx FR "$out/fx-panel-fr.png"
echo "screenshots written to $out"
