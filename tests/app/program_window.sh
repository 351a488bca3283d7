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
