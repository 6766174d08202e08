#!/usr/bin/env bash
# Installs the build into a temporary prefix as a user would, checks the desktop files with their
# validators and against each other, then starts the installed bin/ link in a virtual X server from
# another folder and chooses "HELP": Help.txt must be found beside the real executable, and a
# middle click in the help text must leave the program running.
set -u
build="$1"
source="$2"
here="$(cd "$(dirname "$0")" && pwd)"
for tool in cmake xdotool xwininfo import identify desktop-file-validate appstreamcli python3; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
fail() { echo "FAIL: $*"; exit 1; }

echo "1. cmake --install into $prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }
exe="$prefix/lib/tessaline/tessaline"
[ -x "$exe" ] || fail "no executable in lib/tessaline"
cmp -s "$prefix/lib/tessaline/Help.txt" "$source/help/Help.txt" || fail "Help.txt is not beside the executable"
link="$prefix/bin/tessaline"
[ -L "$link" ] || fail "bin/tessaline is not a link"
case "$(readlink "$link")" in /*) fail "bin/tessaline points to an absolute path: $(readlink "$link")" ;; esac
[ "$(readlink -f "$link")" = "$(readlink -f "$exe")" ] || fail "bin/tessaline does not lead to the executable"
echo "   lib/tessaline holds the executable and Help.txt; bin/tessaline -> $(readlink "$link")"

echo "2. the desktop entry, the metainfo, the icons and the man pages"
desktop="$prefix/share/applications/tessaline.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
metainfo=$(ls "$prefix"/share/metainfo/*.metainfo.xml 2>/dev/null)
[ "$(echo "$metainfo" | wc -w)" -eq 1 ] || fail "not exactly one metainfo file: $metainfo"
appstreamcli validate --no-net --pedantic "$metainfo" || fail "appstreamcli validate"
python3 - "$prefix" "$desktop" "$metainfo" <<'EOF' || fail "the installed files do not fit together"
import configparser, os, struct, sys
import xml.etree.ElementTree as ET
prefix, desktop, metainfo = sys.argv[1:]
entry = configparser.RawConfigParser(interpolation=None)
entry.optionxform = str
entry.read(desktop, encoding="utf-8")
entry = entry["Desktop Entry"]
problems = []
program = entry["Exec"].split()[0]
if entry["Exec"] != "tessaline %f" or not os.access(os.path.join(prefix, "bin", program), os.X_OK):
    problems.append(f"Exec={entry['Exec']} is not the installed bin/tessaline given one file or folder")
component = ET.parse(metainfo).getroot()
component_id = component.findtext("id")
if os.path.basename(metainfo) != component_id + ".metainfo.xml":
    problems.append(f"{os.path.basename(metainfo)} is not named after its id {component_id}")
launchable = component.findtext("launchable")
if not os.path.isfile(os.path.join(prefix, "share", "applications", launchable)):
    problems.append(f"the launchable {launchable} is not installed")
icons = os.path.join(prefix, "share", "icons", "hicolor")
for size in (16, 32, 48, 64, 128, 256):
    path = os.path.join(icons, f"{size}x{size}", "apps", entry["Icon"] + ".png")
    try:
        with open(path, "rb") as f:
            head = f.read(24)
    except OSError:
        problems.append(f"no {size}x{size} icon named {entry['Icon']}")
        continue
    if head[:8] != b"\x89PNG\r\n\x1a\n" or struct.unpack(">II", head[16:24]) != (size, size):
        problems.append(f"{path} is not a {size}x{size} PNG")
svg = ET.parse(os.path.join(icons, "scalable", "apps", entry["Icon"] + ".svg")).getroot()
if svg.tag != "{http://www.w3.org/2000/svg}svg" or not svg.get("viewBox"):
    problems.append("the scalable icon is not an SVG with a view box")
for page in ("man/man1/tessaline.1", "man/ja/man1/tessaline.1"):
    if not open(os.path.join(prefix, "share", page), encoding="utf-8").read().startswith(".TH TESSALINE 1"):
        problems.append(f"share/{page} is not a section 1 man page")
for p in problems:
    print(p)
sys.exit(1 if problems else 0)
EOF
echo "   both validators pass; the entry, the metainfo, the icons and the man pages fit together"

echo "3. the installed link, started from another folder, finds Help.txt; a middle click in it ends nothing"
mkdir "$work/elsewhere"
bash "$here/xserver.sh" -screen 0 1280x800x24 -noreset -- bash -c '
    link="$1"; cd "$2"
    main="HTMLファイルを解析し，画像ファイルの取得"
    fail() { echo "FAIL: $*"; kill "$pid" 2>/dev/null; exit 1; }
    # Only shown windows: Qt names a hidden 1 x 1 window after the program, as the message box is titled.
    window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }
    "$link" & pid=$!
    for _ in $(seq 1 100); do [ -n "$(window "$main")" ] && break; sleep 0.1; done
    id=$(window "$main")
    [ -n "$id" ] || fail "the main window did not appear"
    eval "$(xwininfo -id "$id" | awk "/Absolute upper-left X/{print \"left=\" \$4} /Absolute upper-left Y/{print \"top=\" \$4} /Height:/{print \"height=\" \$2}")"
    menu=$((height - 427))
    # HELP is the last command on the menu bar: along it from the right, the first hit is HELP.
    for x in $(seq $((left + 300)) -6 $((left + 4))); do
        xdotool mousemove "$x" $((top + menu / 2)) click 1
        sleep 0.2
        kill -0 "$pid" 2>/dev/null || fail "the program ended: the sweep reached 終わる before HELP"
        [ -n "$(window Tessaline)" ] && fail "a message box came up: Help.txt was not found"
        [ -n "$(window Help)" ] && break
    done
    help=$(window Help)
    [ -n "$help" ] || fail "HELP did not open the help window"
    # A middle click in the text, on a server where nothing owns the selection, leaves it as it is.
    eval "$(xwininfo -id "$help" | awk "/Absolute upper-left X/{print \"hleft=\" \$4} /Absolute upper-left Y/{print \"htop=\" \$4}")"
    xdotool mousemove $((hleft + 200)) $((htop + 200)) click 2
    sleep 0.5
    kill -0 "$pid" 2>/dev/null || fail "a middle click in the help text ended the program"
    [ -z "$(window Tessaline)" ] || fail "a message box came up: Help.txt was not found"
    # The text box lies at 8, 0 in the window, 513 x 401 pixels with its scroll bar at the right. Its
    # text area is one white when empty; drawn glyphs bring many shades.
    import -window "$help" -crop 480x380+12+4 +repage "$2/help.png" || fail "no screenshot of the help window"
    shades=$(identify -format "%k" "$2/help.png")
    [ "$shades" -gt 20 ] || fail "the help text box looks empty ($shades colours)"
    echo "   HELP opened the help window with its text ($shades colours), a middle click in it ended nothing, and no message box"
    kill "$pid"; wait "$pid" 2>/dev/null
    exit 0
' install "$link" "$work/elsewhere" || fail "the installed program failed in its help window"
