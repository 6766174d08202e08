#!/usr/bin/env bash
# The real executable in a virtual X server with no session bus, where libdbus would start one of its
# own with dbus-launch: the program starts none, writes nothing in its home folder or runtime folder
# and leaves no process behind. Every process the run leaves has the run's own home folder in its
# environment.
set -u
exe="$1"
here="$(cd "$(dirname "$0")" && pwd)"
command -v dbus-launch >/dev/null || { echo "SKIP: dbus-launch (dbus-x11) is not installed"; exit 77; }
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/home" "$work/runtime"

env -u DBUS_SESSION_BUS_ADDRESS bash "$here/xserver.sh" -screen 0 1280x800x24 -noreset -- bash -c '
    exe="$1"; here="$2"; work="$3"
    fail() { echo "FAIL: $*"; kill "$pid" $left 2>/dev/null; exit 1; }
    HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" "$exe" 2>"$work/errors" & pid=$!
    for _ in $(seq 1 100); do
        id=$(xdotool search --name "^HTMLファイル" 2>/dev/null | head -1); [ -n "$id" ] && break; sleep 0.1
    done
    [ -n "$id" ] || fail "the main window did not appear"
    python3 "$here/close_window.py" "$id"
    for _ in $(seq 1 20); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && fail "closing the main window did not end the program"
    left=$(grep -l -s -z -x -F "HOME=$work/home" /proc/[0-9]*/environ | cut -d/ -f3)
    [ -z "$left" ] || fail "left running: $(ps -o pid=,args= -p "$(echo $left)")"
    written=$(find "$work/home" "$work/runtime" -mindepth 1)
    [ -z "$written" ] || fail "written: $written"
    grep -i dbus "$work/errors" && fail "said the above on standard error"
    echo "no bus started, nothing written, nothing left running"
' no_bus "$exe" "$here" "$work"
