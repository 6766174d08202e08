#!/usr/bin/env bash
# The real executable ends at once while reads of its pictures hang on a disk that has gone away: by
# 終わる, by its close box and by SIGTERM, each within 3 s. And when the display goes away while a
# page of costly pictures decodes, it ends with status 1, never by a signal, time after time.
# Usage: tests/hanging_end_xvfb.sh TESSALINE LIBSLOWFS [RUNS]
set -u
exe="$1"
slowfs="$2"
runs="${3:-8}"
here="$(cd "$(dirname "$0")" && pwd)"
for tool in xdotool Xvfb python3; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 1; }
done
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT

bash "$here/xserver.sh" -screen 0 1280x800x24 -noreset -- bash -c '
    exe="$1"; slowfs="$2"; here="$3"; work="$4"
    main="HTMLファイルを解析し，画像ファイルの取得"
    source "$here/xprogram.sh"
    mkdir -p "$work/pictures"
    python3 -c "
import struct, sys
def bmp(width):
    row = (width * 3 + 3) & ~3
    data = bytes(row * 8)
    return b\"BM\" + struct.pack(\"<IHHI\", 54 + len(data), 0, 0, 54) + struct.pack(\"<IiiHHIIiiII\", 40, width, 8, 1, 24, 0, len(data), 0, 0, 0, 0) + data
for name, width in ((\"hang-a.bmp\", 40), (\"hang-b.bmp\", 40), (\"p1.bmp\", 10), (\"p2.bmp\", 20)):
    open(sys.argv[1] + \"/\" + name, \"wb\").write(bmp(width))
" "$work/pictures"

    for way in 終わる "the close box" SIGTERM; do
        echo "$way, with two reads hanging"
        LD_PRELOAD="$slowfs" SLOWFS_UNDER="$work/pictures" SLOWFS_HANG=hang- "$exe" "$work/pictures" & pid=$!
        for _ in $(seq 1 100); do [ -n "$(window "$main")" ] && break; sleep 0.1; done
        id=$(window "$main"); [ -n "$id" ] || fail "the main window did not appear"
        xdotool windowfocus --sync "$id" key F10 Return
        sleep 1.5 # the page waits for its cells, then leaves the two hanging ones blank
        kill -0 "$pid" 2>/dev/null || fail "the program ended before it was asked to"
        hanging=$(ls -l "/proc/$pid/fd" 2>/dev/null | grep -c "/hang-")
        [ "$hanging" -ge 2 ] || fail "画像読み込み did not start the two reads that hang"
        case "$way" in
            終わる) xdotool windowfocus --sync "$id" key F10 Right Return ;;
            "the close box") python3 "$here/close_window.py" "$id" ;;
            SIGTERM) kill -TERM "$pid" ;;
        esac
        ended 3 || fail "$way did not end the program within 3 s"
        echo "   ended, status $status"
    done
' hanging_end "$exe" "$slowfs" "$here" "$work" || exit 1

echo "the display closed while a page of costly pictures decodes, $runs times"
python3 "$here/costly_files.py" "$work/costly" >/dev/null || { echo "FAIL: costly_files.py"; exit 1; }
for run in $(seq 1 "$runs"); do
    Xvfb -displayfd 4 -screen 0 1280x800x24 -nolisten tcp 4>"$work/display" 2>/dev/null & server=$!
    for _ in $(seq 1 50); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || { echo "FAIL: Xvfb did not start"; kill "$server"; exit 1; }
    DISPLAY=":$(cat "$work/display")" "$exe" "$work/costly" 2>/dev/null & pid=$!
    for _ in $(seq 1 100); do
        id=$(DISPLAY=":$(cat "$work/display")" xdotool search --name "^HTMLファイルを解析し，画像ファイルの取得\$" 2>/dev/null | head -1)
        [ -n "$id" ] && break; sleep 0.1
    done
    DISPLAY=":$(cat "$work/display")" xdotool windowfocus --sync "$id" key F10 Return
    sleep 0.$((RANDOM % 9 + 1))
    kill -9 "$server"; wait "$server" 2>/dev/null
    : >"$work/display"
    for _ in $(seq 1 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$pid" 2>/dev/null; then echo "FAIL: run $run: still running 3 s after the display went"; kill -9 "$pid"; exit 1; fi
    wait "$pid"; status=$?
    [ "$status" -eq 1 ] || { echo "FAIL: run $run: ended with status $status, not 1"; exit 1; }
done
echo "   ended with status 1 each time"
