#!/usr/bin/env bash
# The real program on a virtual X screen checks for updates against a server
# that accepts the connection and never answers: the window goes on working,
# and a close request ends the program at once, the download abandoned (the
# download's own time-out is 30 s).
# Usage: online_shutdown_test.sh PROGRAM [OUT.png]  (run under xvfb-run)
set -euo pipefail
source "$(dirname "$0")/program_window.sh"
program=$(realpath "$1")
shot=${2:-}
work=$(mktemp -d)
pid=
server=
cleanup() {
    if [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid"; fi
    if [[ -n "$server" ]]; then kill "$server" 2>/dev/null || true; fi
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

cd "$work"
unset QT_QPA_PLATFORM
export XDG_RUNTIME_DIR="$work"
chmod 700 "$work"

# Writes its port, then one line per connection it accepts and keeps.
python3 -u -c '
import socket
s = socket.socket()
s.bind(("127.0.0.1", 0))
s.listen(8)
print(s.getsockname()[1])
kept = []
while True:
    c, _ = s.accept()
    kept.append(c)
    print("connection")
' >"$work/server.log" &
server=$!
for _ in $(seq 1 50); do [[ -s "$work/server.log" ]] && break; sleep 0.1; done
port=$(head -n 1 "$work/server.log")
[[ -n "$port" ]] || { echo "the server did not start"; exit 1; }

# Language English: the update key is U.
printf '[DEFAUT]\r\n[USER]\r\nLNG = UK\r\n' >"$work/pref.vrn"
PIXMOLD_SITE="http://127.0.0.1:$port/" "$program" >"$work/log" 2>&1 &
pid=$!

window=$(program_window "$pid")
[[ -n "$window" ]] || { echo "no window appeared"; cat "$work/log"; exit 1; }
sleep 1

xdotool windowfocus --sync "$window" key u
for _ in $(seq 1 100); do grep -q connection "$work/server.log" && break; sleep 0.1; done
grep -q connection "$work/server.log" || { echo "the update key made no request"; cat "$work/log"; exit 1; }

# The About key still works while the download waits.
xdotool windowfocus --sync "$window" key a
sleep 1
[[ -n "$shot" ]] && import -window root "$shot"

kill -TERM "$pid"
for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then echo "still running 10 s after the close request"; exit 1; fi
status=0
wait "$pid" || status=$?
pid=
[[ "$status" -eq 0 ]] || { echo "exit code $status"; cat "$work/log"; exit 1; }
grep -q "QUALITE" "$work/pref.vrn" || { echo "settings not saved on the way out"; exit 1; }
echo "ok"
