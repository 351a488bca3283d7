#!/usr/bin/env bash
# Starts the real program on a virtual X screen of its own, under a window
# manager, with its accessibility bridge on, and walks its window with the
# keyboard while reading every control through the accessibility bus
# (keyboard_walk.py).
# Usage: keyboard_walk_test.sh PROGRAM SETUP
#   (run under dbus-run-session; SETUP: english or french)
set -euo pipefail
source "$(dirname "$0")/program_window.sh"
program=$(realpath "$1")
setup=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
pid= wm= xserver=
cleanup() {
    for p in $pid $wm $xserver; do
        if kill -0 "$p" 2>/dev/null; then kill "$p"; wait "$p" 2>/dev/null || true; fi
    done
    rm -rf "$work"
}
trap cleanup EXIT

# Waits up to a minute (a busy machine is slow) for COMMAND to succeed;
# says what it waited for and fails when it never does.
await() {  # WHAT COMMAND...
    local what=$1
    shift
    for _ in $(seq 1 600); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    echo "waited in vain for $what"
    return 1
}

# The server picks a free display itself: tests started together never
# share one, as they may with xvfb-run -a.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xserver=$!
await "an X server" test -s "$work/display" || { cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n 1 "$work/display")"

# The accessibility bus starts when the program or the reader first asks
# for it, and keeps its socket in the runtime folder: one of this test's
# own, which a test running beside it cannot take over.
export XDG_RUNTIME_DIR="$work"
dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.UpdateActivationEnvironment \
    "dict:string:string:XDG_RUNTIME_DIR,$XDG_RUNTIME_DIR,DISPLAY,$DISPLAY" >/dev/null

case "$setup" in
english) settings='LNG = UK\r\nMODE = REL\r\nTYPE = JPG\r\nQUALITE = 8\r\nVISIBLE = 0\r\n' ;;
french) settings='LNG = FR\r\nMODE = LIB\r\nTYPE = PNG\r\nVISIBLE = 1\r\n' ;;
*) echo "unknown setup $setup"; exit 2 ;;
esac
printf '\xef\xbb\xbf\r\n[DEFAUT]\r\n%bPREFIX = mine_\r\nTaille_Paysage = 1280\r\nTaille_Portrait = 1024\r\nL = 1280\r\nH = 1024\r\n' \
    "$settings" >"$work/pref.vrn"

# A window mapped before the window manager runs may never get the focus.
# (On a busy machine the window manager now and then fails to reach a
# server that has only just started: it gets another go.)
wm_ready() { xprop -root _NET_SUPPORTED | grep -q _NET_ACTIVE_WINDOW; }
wm_settled() { wm_ready || ! kill -0 "$wm"; }
for _ in 1 2 3; do
    openbox >"$work/wm.log" 2>&1 &
    wm=$!
    await "the window manager" wm_settled || exit 1
    wm_ready && break
done
wm_ready || { echo "no window manager"; cat "$work/wm.log"; exit 1; }
cd "$work"
unset QT_QPA_PLATFORM
# The bridge to the accessibility bus, whether or not a screen reader asked for it.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
"$program" >"$work/log" 2>&1 &
pid=$!
window=
for _ in 1 2 3 4 5 6; do  # a busy machine may take a while to start it
    window=$(program_window "$pid")
    [[ -n "$window" ]] && break
done
if [[ -z "$window" ]]; then
    echo "no window appeared"; cat "$work/log"; exit 1
fi
xdotool windowactivate --sync "$window"
/usr/bin/python3 "$here/keyboard_walk.py" "$setup"
