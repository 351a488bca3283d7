# Sourced by the tests that drive the real program on a virtual X screen.

# Prints the first visible window of process PID, waiting up to 10 s for it;
# prints nothing when none appears.
program_window() {
    local window=
    for _ in $(seq 1 100); do
        window=$(xdotool search --onlyvisible --pid "$1" 2>/dev/null | head -n 1 || true)
        [[ -n "$window" ]] && break
        sleep 0.1
    done
    echo "$window"
}

# Asks process PID to close (SIGTERM) and waits up to 10 s for it to end;
# says what went wrong and returns 1 unless it ended with status 0.
close_program() {
    kill -TERM "$1"
    for _ in $(seq 1 100); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$1" 2>/dev/null; then echo "still running 10 s after the close request"; return 1; fi
    local status=0
    wait "$1" || status=$?
    [[ "$status" -eq 0 ]] || { echo "exit code $status"; return 1; }
}
