#!/usr/bin/env bash
# The real executable in a virtual X server, driven as a user would: "終わる" ends the program, and
# closing its windows one by one ends it when the last one goes, not before.
set -u
exe="$1"
here="$(cd "$(dirname "$0")" && pwd)"
for tool in xdotool xwininfo python3; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 1; }
done

bash "$here/xserver.sh" -screen 0 1280x800x24 -noreset -- bash -c '
    exe="$1"; here="$2"
    main="HTMLファイルを解析し，画像ファイルの取得"
    picture="ScrolePicture"
    work=$(mktemp -d); trap "rm -rf \"$work\"" EXIT
    cd "$work"

    source "$here/xprogram.sh"
    wait_window() {
        for _ in $(seq 1 100); do [ -n "$(window "$1")" ] && return 0; sleep 0.1; done
        return 1
    }
    start() {
        "$exe" & pid=$!
        wait_window "$main" || fail "the main window did not appear"
        id=$(window "$main")
        eval "$(xwininfo -id "$id" | awk "/Absolute upper-left X/{print \"left=\" \$4} /Absolute upper-left Y/{print \"top=\" \$4} /Height:/{print \"height=\" \$2}")"
        # The inner area is 427 pixels high and lies below the menu bar.
        menu=$((height - 427))
    }

    echo "1. 終わる ends the program"
    start
    # A folder text, so that 画像読み込み on the way, in an empty folder, asks nothing.
    xdotool mousemove $((left + 280 + 96)) $((top + menu + 344 + 12)) click 1 type "/"
    # Along the menu bar from the left: 画像読み込み, then 終わる.
    for x in $(seq $((left + 4)) 6 $((left + 300))); do
        xdotool mousemove "$x" $((top + menu / 2)) click 1
        sleep 0.2
        kill -0 "$pid" 2>/dev/null || break
    done
    ended 2 || fail "終わる did not end the program"
    [ "$status" -eq 0 ] || fail "終わる ended the program with status $status"
    echo "   ended at x = $((x - left)) on the menu bar, status 0"

    echo "2. the program ends when its last window closes"
    start
    # 開く with both texts empty opens the picture window, with no picture.
    xdotool mousemove $((left + 480 + 20)) $((top + menu + 368 + 12)) click 1
    wait_window "$picture" || fail "開く did not open the picture window"
    python3 "$here/close_window.py" "$(window "$main")"
    sleep 0.5
    kill -0 "$pid" 2>/dev/null || fail "closing the main window ended the program while the picture window was open"
    [ -z "$(window "$main")" ] || fail "the main window did not close"
    [ -n "$(window "$picture")" ] || fail "the picture window went with the main window"
    echo "   the main window closed, the picture window and the program stay"
    python3 "$here/close_window.py" "$(window "$picture")"
    ended 2 || fail "closing the last window did not end the program"
    [ "$status" -eq 0 ] || fail "closing the last window ended the program with status $status"
    echo "   the last window closed and the program ended, status 0"
' ending "$exe" "$here"
