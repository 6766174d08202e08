#!/usr/bin/env bash
# Holds Space down in the real program's picture window, in a virtual X server whose keyboard repeats
# as a real one does (after 660 ms, 25 a second), over the folder of photos of 12 to 48 megapixels that
# bench_stepping writes. Prints what a window manager would see (tests/wm_ping.py): the longest ping the
# picture window left unanswered, how long after the release it answered again, and its peak memory
# above what it held before the key went down. Not a test: it reports what it sees.
#
# Usage: bench/space_held_x11.sh BUILD_DIR [SECONDS_HELD]   (default 10)
set -u
build="$(cd "$1" && pwd)"
held="${2:-10}"
tests="$(cd "$(dirname "$0")/../tests" && pwd)"
for program in tessaline bench_stepping; do
    [ -x "$build/$program" ] || { echo "no $build/$program: build that target first"; exit 1; }
done
for tool in xdotool xwininfo /usr/bin/python3; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 1; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$build/bench_stepping" --folder "$work/photos" || { echo "could not write the photos"; exit 1; }
echo "$(ls "$work/photos" | wc -l) photos, Space held ${held} s"

bash "$tests/xserver.sh" -screen 0 1280x1024x24 -noreset -- bash -c '
    exe="$1"; tests="$2"; photos="$3"; held="$4"; out="$5"
    window() { xdotool search --name "^$1\$" 2>/dev/null | head -1; }
    kb() { awk -v f="$1:" "\$1 == f { print \$2 }" "/proc/$pid/status" 2>/dev/null; }
    # Waits until window $1 answers a ping within half a second, 600 s at most.
    answers() {
        local start=$SECONDS
        while kill -0 "$pid" 2>/dev/null && [ $((SECONDS - start)) -lt 600 ]; do
            "$tests/wm_ping.py" --seconds 1 "$1" 2>/dev/null | grep -q "longest unanswered 0\.[0-4]" && return 0
        done
        return 1
    }

    cd "$photos"
    "$exe" 2>"$out/stderr.txt" & pid=$!
    main="HTMLファイルを解析し，画像ファイルの取得"
    for _ in $(seq 1 100); do [ -n "$(window "$main")" ] && break; sleep 0.1; done
    id=$(window "$main")
    [ -n "$id" ] || { echo "the main window did not appear"; kill "$pid"; exit 1; }
    eval "$(xwininfo -id "$id" | awk "/Absolute upper-left X/{print \"left=\" \$4} /Absolute upper-left Y/{print \"top=\" \$4} /Height:/{print \"height=\" \$2}")"
    menu=$((height - 427)) # the inner area is 427 pixels high, below the menu bar
    # The folder text, then 画像読み込み, then the first cell, which opens the picture window.
    xdotool mousemove $((left + 280 + 96)) $((top + menu + 344 + 12)) click 1 type "$photos/"
    xdotool mousemove $((left + 24)) $((top + menu / 2)) click 1
    answers "$id" || { echo "the folder did not load"; kill "$pid"; exit 1; }
    sleep 2
    xdotool mousemove $((left + 124 + 52)) $((top + menu + 2 + 40)) click 1
    for _ in $(seq 1 100); do [ -n "$(window ScrolePicture)" ] && break; sleep 0.1; done
    picture=$(window ScrolePicture)
    [ -n "$picture" ] && answers "$picture" || { echo "the picture window did not open"; kill "$pid"; exit 1; }
    xdotool windowfocus --sync "$picture" # there is no window manager to give it the focus
    sleep 2

    echo 5 >"/proc/$pid/clear_refs" # the peak starts afresh from here
    idle=$(kb VmRSS)
    "$tests/wm_ping.py" "$picture" >"$out/ping.txt" & watcher=$!
    sleep 1
    xdotool keydown space
    sleep "$held"
    xdotool keyup space
    released=$(date +%s%N)
    if answers "$picture"; then
        # answers() sees an answer within its second of pings: at most a second before it returns
        echo "answers again within $(( ($(date +%s%N) - released) / 1000000000 )) s of the release"
    else
        echo "no answer within 600 s of the release"
    fi
    kill "$watcher"; wait "$watcher"
    peak=$(kb VmHWM)
    echo "watcher: $(cat "$out/ping.txt")"
    echo "memory: before the key ${idle} kB, peak ${peak} kB, $(((peak - idle) / 1024)) MB above"
    kill "$pid" 2>/dev/null
' space_held "$build/tessaline" "$tests" "$work/photos" "$held" "$work"
[ -s "$work/stderr.txt" ] && { echo "the program said:"; sort "$work/stderr.txt" | uniq -c | sort -rn | head -5; }
exit 0
