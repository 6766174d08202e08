#!/usr/bin/env bash
# Starts the real executable in a virtual X server, named a folder that is not there, waits for its
# main window, checks where it opens, that the program keeps running and that it said on standard
# error, in one line, why it opened no folder.
set -u
exe="$1"
title="HTMLファイルを解析し，画像ファイルの取得"
here="$(cd "$(dirname "$0")" && pwd)"

bash "$here/xserver.sh" -screen 0 1280x800x24 -noreset -- bash -c '
    exe="$1"; title="$2"
    missing=/nonexistent/tessaline-smoke
    errors=$(mktemp)
    trap "rm -f $errors" EXIT
    "$exe" "$missing" 2>"$errors" & pid=$!
    found=""
    for _ in $(seq 1 100); do
        if xwininfo -root -tree 2>/dev/null | grep -F -q "\"$title\""; then found=yes; break; fi
        sleep 0.1
    done
    if [ -z "$found" ]; then echo "the main window did not appear"; kill "$pid" 2>/dev/null; exit 1; fi
    geometry=$(xwininfo -root -tree | grep -F "\"$title\"")
    echo "window: $geometry"
    # The inner area, 427 pixels high below the menu bar, starts 2 pixels from the left edge of the
    # screen and 49 from the top (30 and 735 twips). No window manager adds a frame here.
    id=$(echo "$geometry" | awk "{print \$1}")
    eval "$(xwininfo -id "$id" | awk "/Absolute upper-left X/{print \"left=\" \$4} /Absolute upper-left Y/{print \"top=\" \$4} /Height:/{print \"height=\" \$2}")"
    inner_top=$((top + height - 427))
    if [ "$left" -ne 2 ] || [ "$inner_top" -ne 49 ]; then
        echo "the inner area starts at $left, $inner_top instead of 2, 49"; kill "$pid"; exit 1
    fi
    echo "inner area at 2, 49"
    sleep 2
    if ! kill -0 "$pid" 2>/dev/null; then echo "the program stopped on its own"; exit 1; fi
    # The Japanese captions are drawn with the Japanese font: the program has its file mapped.
    font=$(fc-match -f "%{file}" IPAPGothic)
    if ! grep -q -F "$font" "/proc/$pid/maps"; then
        echo "the Japanese font $font is not in use"; kill "$pid"; exit 1
    fi
    echo "Japanese text drawn with $font"
    if [ "$(grep -c -F "tessaline: $missing: " "$errors")" -ne 1 ]; then
        echo "no one line on standard error about $missing:"; cat "$errors"; kill "$pid"; exit 1
    fi
    echo "said on standard error: $(grep -F "$missing" "$errors")"
    kill "$pid"; wait "$pid" 2>/dev/null
    echo "the main window appeared and the program kept running"
' smoke "$exe" "$title"
