#!/usr/bin/env bash
# Drives the real executable end to end in a virtual X server with its own D-Bus session and
# accessibility bus; tests/e2e/end_to_end.py does the driving and the checking. Screenshots of the
# steps are left in the folder given as the second argument.
set -u
exe="$1"
shots="$2"
here="$(cd "$(dirname "$0")" && pwd)"
# The accessibility bindings belong to the system's Python, whatever python3 comes first on the PATH.
python=/usr/bin/python3
for tool in dbus-run-session dbus-send xdotool import convert identify timeout cwebp; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 1; }
done
"$python" -c "import pyatspi" 2>/dev/null || { echo "python3-pyatspi is not installed"; exit 1; }
[ -e /usr/libexec/at-spi-bus-launcher ] || { echo "at-spi2-core is not installed"; exit 1; }

# Every wait inside is bounded; this bounds the whole run as well, so that it never hangs. The server
# must not reset when its last client goes: the accessibility bus's launcher leaves it just as the
# program starts, and a program that connects during the reset cannot start.
timeout -k 5 150 bash "$here/xserver.sh" -screen 0 1280x800x24 -noreset -- \
    dbus-run-session -- "$python" "$here/e2e/end_to_end.py" "$exe" "$shots" 2>&1 |
    grep -v -e "Failed to set fd limit" -e "XDG_RUNTIME_DIR not set" -e "Activating service" \
        -e "Successfully activated" -e "SpiRegistry daemon is running"
exit "${PIPESTATUS[0]}"
