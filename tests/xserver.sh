#!/usr/bin/env bash
# Runs a command in a virtual X server of its own, as xvfb-run does, without its race: no display
# number is chosen from outside, where two runs, or a run and a server still going down, could both
# count it free. The server takes the first number it can listen on and tells it on a pipe.
#
# Usage: tests/xserver.sh [Xvfb options, such as -screen 0 1280x800x24 -noreset] -- COMMAND [ARGS]
# The command runs with DISPLAY and XAUTHORITY set, once the server answers; the server only lets
# in clients that hold this run's cookie, and ends with the command. The exit status is the
# command's, or 1 when the server could not be started.
set -u
options=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do options+=("$1"); shift; done
[ $# -gt 1 ] || { echo "usage: $0 [Xvfb options] -- COMMAND [ARGS]" >&2; exit 2; }
shift
for tool in Xvfb xdpyinfo setpriv od; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 1; }
done

dir=$(mktemp -d) || exit 1
server=""
command=""
finish() {
    [ -n "$command" ] && kill "$command" 2>/dev/null
    if [ -n "$server" ]; then kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; fi
    rm -rf "$dir"
}
trap finish EXIT
trap 'exit 143' TERM
trap 'exit 130' INT
trap 'exit 129' HUP

# One cookie for this host's local connections, whatever the display number (an entry with an
# empty number matches every display): family 256, the host name, no number, MIT-MAGIC-COOKIE-1.
field() { printf '%b%s' "$(printf '\\x%02x\\x%02x' $((${#1} >> 8)) $((${#1} & 255)))" "$1"; }
cookie=$(od -An -N16 -tx1 /dev/urandom | tr -d " \n")
host=$(uname -n)
{
    printf '%b' '\x01\x00'
    field "$host"
    field ""
    field "MIT-MAGIC-COOKIE-1"
    printf '%b' '\x00\x10'
    printf '%b' "$(echo "$cookie" | sed 's/../\\x&/g')"
} >"$dir/auth"
export XAUTHORITY="$dir/auth"

# The server goes with this script even when the script is killed outright.
setpriv --pdeathsig KILL Xvfb -displayfd 3 -auth "$dir/auth" -nolisten tcp "${options[@]}" \
    3>"$dir/display" >"$dir/log" 2>&1 </dev/null &
server=$!
# The number comes as a line once the server listens.
number=""
for _ in $(seq 1 200); do
    if [ "$(wc -l <"$dir/display")" -ge 1 ]; then number=$(head -1 "$dir/display"); break; fi
    kill -0 "$server" 2>/dev/null || break
    sleep 0.05
done
if [ -z "$number" ]; then
    echo "the virtual X server did not start:" >&2
    cat "$dir/log" >&2
    exit 1
fi
export DISPLAY=":$number"
answered=""
for _ in $(seq 1 100); do
    xdpyinfo >/dev/null 2>&1 && { answered=yes; break; }
    sleep 0.05
done
[ -n "$answered" ] || { echo "the virtual X server on $DISPLAY does not answer" >&2; exit 1; }

# In the background, so that a signal ends the wait at once and the command with it.
"$@" &
command=$!
wait "$command"
status=$?
command=""
exit "$status"
