# Sourced by the scripts that drive the real program in an X server of its own, with $pid the
# program's process: a failure that stops the script, a window by its title, and the program's end.
fail() { echo "FAIL: $*"; kill -9 "$pid" 2>/dev/null; exit 1; }
window() { xdotool search --name "^$1\$" 2>/dev/null | head -1; }
# Waits up to $1 seconds for the program to end; its exit status is then in $status.
ended() {
    for _ in $(seq 1 $(($1 * 10))); do
        if ! kill -0 "$pid" 2>/dev/null; then wait "$pid"; status=$?; return 0; fi
        sleep 0.1
    done
    return 1
}
