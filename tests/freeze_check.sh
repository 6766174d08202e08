#!/usr/bin/env bash
# Tries the real program on a folder of costly and broken pictures (tests/costly_files.py) beside a
# few ordinary ones, in a virtual X server, and prints how long its main window stopped answering
# (tests/wm_ping.py) and how much memory it took above what it held idle. It drives 画像読み込み,
# then clicks a few cells, each of which opens the picture window, and closes that window again.
# Not a test: it reports what it sees, and exits 0 unless it could not run.
#
# Usage: tests/freeze_check.sh BUILD_DIR [LONGEST_STEP]
# Each step waits until the window answers again, LONGEST_STEP seconds at most (default 300).
# The program's address space is capped (ulimit -v) at half the machine's memory, or at
# FREEZE_CHECK_LIMIT_KB, so that a picture it cannot afford fails in it instead of taking the
# machine: unbounded, today's code went past 12 GB on these pictures.
set -u
build="$(cd "$1" && pwd)"
step="${2:-300}"
here="$(cd "$(dirname "$0")" && pwd)"
exe="$build/tessaline"
[ -x "$exe" ] || { echo "no program at $exe: build the tessaline target first"; exit 1; }
for tool in xdotool xwininfo cjpeg /usr/bin/python3; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 1; }
done

limit="${FREEZE_CHECK_LIMIT_KB:-$(awk '/^MemTotal:/ { print int($2 / 2) }' /proc/meminfo)}"
echo "address space limit ${limit} kB"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 "$here/costly_files.py" "$work/pictures" --ordinary || exit 1

bash "$here/xserver.sh" -screen 0 1280x1024x24 -noreset -- bash -c '
    exe="$1"; here="$2"; pictures="$3"; step="$4"; out="$5"; limit="$6"
    main="HTMLファイルを解析し，画像ファイルの取得"
    picture="ScrolePicture"
    window() { xdotool search --name "^$1\$" 2>/dev/null | head -1; }
    kb() { awk -v f="$1:" "\$1 == f { print \$2 }" "/proc/$pid/status" 2>/dev/null; }
    alive() { kill -0 "$pid" 2>/dev/null; }
    # Waits until the window answers a ping within half a second; fails when the step has taken too
    # long, and then clicking on is of no use: the clicks would only queue up.
    settle() {
        local start=$SECONDS
        sleep 1
        while alive && [ $((SECONDS - start)) -lt "$step" ]; do
            if "$here/wm_ping.py" --seconds 1 "$id" 2>/dev/null | grep -q "longest unanswered 0\.[0-4]"; then
                echo "   answers again after $((SECONDS - start)) s"
                return 0
            fi
        done
        alive && echo "   no answer after $((SECONDS - start)) s: stopping here" || echo "   the program has gone"
        return 1
    }

    cd "$pictures"
    ( ulimit -v "$limit" && exec "$exe" ) 2>"$out/stderr.txt" & pid=$!
    for _ in $(seq 1 100); do [ -n "$(window "$main")" ] && break; sleep 0.1; done
    id=$(window "$main")
    [ -n "$id" ] || { echo "the main window did not appear"; kill "$pid"; exit 1; }
    eval "$(xwininfo -id "$id" | awk "/Absolute upper-left X/{print \"left=\" \$4} /Absolute upper-left Y/{print \"top=\" \$4} /Height:/{print \"height=\" \$2}")"
    menu=$((height - 427)) # the inner area is 427 pixels high, below the menu bar
    sleep 2
    idle=$(kb VmRSS)

    "$here/wm_ping.py" "$id" >"$out/ping.txt" & watcher=$!
    # Samples the resident memory, for the record of when it grew.
    ( while alive; do echo "$(date +%s.%N | cut -c1-14) $(kb VmRSS)"; sleep 0.2; done ) >"$out/rss.txt" 2>/dev/null &
    sampler=$!

    # 画像読み込み reads the folder that the folder text (参照ディレクトリ) names, empty at start.
    xdotool mousemove $((left + 280 + 96)) $((top + menu + 344 + 12)) click 1 type "$pictures/"
    echo "画像読み込み"
    xdotool mousemove $((left + 24)) $((top + menu / 2)) click 1
    settled=yes
    settle || settled=
    # Cells of the files in their natural order: the GIF, the icon, the photo with the sparse tail,
    # the 4096 JPEG with 50,000 scans, the 8192 one, the 16384 one, the 65500 one, the RLE8 BMP.
    for cell in 2 3 8 10 11 12 14 16; do
        [ -n "$settled" ] || break
        echo "cell $cell"
        xdotool mousemove $((left + 2 + 120 + 2 + 104 * (cell % 6) + 52)) $((top + menu + 2 + 80 * (cell / 6) + 40)) click 1
        settle || break
        shown=$(window "$picture")
        [ -n "$shown" ] && python3 "$here/close_window.py" "$shown" && { settle || break; }
    done

    peak=$(kb VmHWM)
    alive && state="still running" || state="ended (status $(wait "$pid"; echo $?))"
    kill "$watcher"; wait "$watcher"
    kill "$sampler" 2>/dev/null
    echo "watcher: $(cat "$out/ping.txt")"
    if [ -n "$peak" ]; then
        echo "memory: idle ${idle} kB, peak ${peak} kB, $(((peak - idle) / 1024)) MB above idle; the program is $state"
    else
        echo "memory: idle ${idle} kB, peak unknown; the program $state"
    fi
    kill "$pid" 2>/dev/null
' freeze_check "$exe" "$here" "$work/pictures" "$step" "$work" "$limit"
[ -s "$work/stderr.txt" ] && { echo "the program said:"; sort "$work/stderr.txt" | uniq -c | sort -rn | head -5; }
exit 0
