#!/usr/bin/env bash
# Runs the test binary as the unprivileged user "nobody", for tests that need file permissions
# to hold (root reads every file). Exit code 77 tells CTest the test was skipped.
set -euo pipefail
binary="$1"
shift
if [ "$(id -u)" -ne 0 ]; then
    exec "$binary" "$@"
fi
if ! command -v setpriv >/dev/null; then
    echo "setpriv is missing: skipped"
    exit 77
fi
if ! setpriv --reuid=65534 --regid=65534 --clear-groups test -x "$binary"; then
    echo "the test binary is not reachable for an ordinary user: skipped"
    exit 77
fi
home=$(mktemp -d)
chmod 0777 "$home"
trap 'rm -rf "$home"' EXIT
output=$(HOME="$home" TMPDIR="$home" XDG_RUNTIME_DIR="$home" QT_QPA_PLATFORM=offscreen \
    setpriv --reuid=65534 --regid=65534 --clear-groups "$binary" "$@" 2>&1) || { echo "$output"; exit 1; }
echo "$output"
# A test that skipped itself as an ordinary user did not run: say so.
if grep -q "\[  SKIPPED \]" <<<"$output"; then
    exit 77
fi
