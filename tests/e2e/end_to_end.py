#!/usr/bin/python3
"""Drives the real executable through its whole road, as a user and a screen reader would.

Usage: end_to_end.py EXECUTABLE SCREENSHOT_FOLDER

Runs inside a virtual X server and a private D-Bus session (see e2e_xvfb.sh). The program is
touched only from outside: real mouse input through xdotool, and what the accessibility bus
(AT-SPI) tells a screen reader. Every step is checked on the screen's pixels, on window titles
and on texts read over AT-SPI. Screenshots of the steps are left in SCREENSHOT_FOLDER.
"""
import colorsys
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zlib

import pyatspi

MAIN_TITLE = "HTMLファイルを解析し，画像ファイルの取得"
PICTURE_TITLE = "ScrolePicture"
HELP_TITLE = "Help"

# The main window's inner area starts at 2, 49 on the screen; places inside it are twips / 15.
CLIENT = (2, 49)
GRID = (120, 0)  # Picture1, whose inset border is 2 pixels wide
GRID_BORDER = 2
COLUMN_PITCH, ROW_PITCH = 104, 80  # 1560 and 1200 twips
CELL = (105, 81)  # 1572 x 1212 twips
COLUMNS, CELLS = 6, 24
PREVIEW = (128, 336, 48, 56)  # 1920, 5040, 720 x 840 twips

PICTURES = 30  # five rows: the grid holds four, so it scrolls by one
# A second folder that fits on one page, holding what a web page's pictures are saved as: a WebP
# under a .jpg name and a PNG under a .gif name.
FEW_NAMES = ["few1.bmp", "few2.jpg", "few3.gif"]
FEW = len(FEW_NAMES)
SIZE = (640, 480)  # larger than the picture window's viewport, so that it pans
STRIPE = 100  # a white stripe 4 pixels wide crosses each picture at x = 100 and at y = 100
ARROW_STEP = 100 / 15  # pixels a scroll bar arrow moves the picture

TOLERANCE = 24
WAIT = 15.0  # seconds, the longest any one step may take


class Failure(Exception):
    pass


def colour(i):
    """The solid colour of picture i: hues around the circle, light and dark in turn."""
    r, g, b = colorsys.hsv_to_rgb(i / PICTURES, 1.0, 0.85 if i % 2 == 0 else 0.55)
    return round(r * 255), round(g * 255), round(b * 255)


def write_bmp(path, rgb):
    """A 24-bit BMP of one colour, crossed by the white stripes."""
    width, height = SIZE
    pixels = b"".join(stripe_row(rgb[::-1], y) for y in reversed(range(height)))  # bottom-up, as B, G, R
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def stripe_row(rgb, y):
    """Row y of a picture of one colour crossed by the white stripes, as R, G, B."""
    if STRIPE <= y < STRIPE + 4:
        return b"\xff" * (SIZE[0] * 3)
    row = bytearray(bytes(rgb) * SIZE[0])
    row[STRIPE * 3:(STRIPE + 4) * 3] = b"\xff" * 12
    return bytes(row)


def write_png(path, rgb):
    """An 8-bit RGB PNG of one colour, crossed by the white stripes as the BMPs are."""
    width, height = SIZE
    raw = b"".join(b"\0" + stripe_row(rgb, y) for y in range(height))
    chunk = lambda kind, data: (struct.pack(">I", len(data)) + kind + data
                                + struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def write_few(path, rgb):
    """The picture in the format its name hides: a BMP, a lossless WebP (.jpg), a PNG (.gif)."""
    if path.endswith(".gif"):
        write_png(path, rgb)
    elif path.endswith(".jpg"):
        write_png(path + ".png", rgb)
        run("cwebp", "-quiet", "-lossless", path + ".png", "-o", path)
        os.remove(path + ".png")
    else:
        write_bmp(path, rgb)


def make_folders(work):
    pictures = os.path.join(work, "pictures")
    few = os.path.join(work, "few")
    os.mkdir(pictures)
    os.mkdir(few)
    for i in range(PICTURES):
        write_bmp(os.path.join(pictures, f"pic{i + 1:02d}.bmp"), colour(i))
    for i, name in enumerate(FEW_NAMES):
        write_few(os.path.join(few, name), colour(PICTURES - 1 - 2 * i))
    return pictures, few


# ---------------------------------------------------------------- outside the program


def run(*args, timeout=WAIT):
    return subprocess.run(args, check=True, timeout=timeout, capture_output=True).stdout


def click(x, y, times=1):
    run("xdotool", "mousemove", str(round(x)), str(round(y)), "click", "--repeat", str(times), "--delay", "80", "1")


def key(*names):
    run("xdotool", "key", "--delay", "80", *names)


def until(what, test, timeout=WAIT):
    """Waits for test() to give a true value and returns it; fails after `timeout` seconds."""
    end = time.monotonic() + timeout
    while True:
        result = test()
        if result:
            return result
        if time.monotonic() > end:
            raise Failure(f"timed out waiting for {what}")
        time.sleep(0.1)


class Screen:
    """One screenshot, kept as a PNG and read as raw RGB."""

    shots = None
    names = []

    def __init__(self, name):
        # A step that waits for the screen keeps only its last screenshot.
        if name not in Screen.names:
            Screen.names.append(name)
        self.path = os.path.join(Screen.shots, f"{Screen.names.index(name) + 1:02d}-{name}.png")
        run("import", "-window", "root", self.path)
        self.width, self.height = (int(v) for v in run("identify", "-format", "%w %h", self.path).split())
        self.rgb = run("convert", self.path, "-depth", "8", "rgb:-")

    def at(self, x, y):
        i = (round(y) * self.width + round(x)) * 3
        return tuple(self.rgb[i:i + 3])


def near(a, b):
    return max(abs(p - q) for p, q in zip(a, b)) <= TOLERANCE


def which_picture(rgb):
    """The index of the picture whose colour this is, or None."""
    for i in range(PICTURES):
        if near(rgb, colour(i)):
            return i
    return None


def cell_centre(k):
    row, column = divmod(k, COLUMNS)
    return (CLIENT[0] + GRID[0] + GRID_BORDER + COLUMN_PITCH * column + CELL[0] // 2,
            CLIENT[1] + GRID[1] + GRID_BORDER + ROW_PITCH * row + CELL[1] // 2)


def grid_pictures(screen):
    """What each cell shows: a picture index, or None for a cell that shows none of them."""
    return [which_picture(screen.at(*cell_centre(k))) for k in range(CELLS)]


# ---------------------------------------------------------------- the accessibility bus


def fresh(accessible):
    accessible.clearCache()
    return accessible


def descendants(accessible, depth=0):
    yield accessible
    if depth > 12:
        return
    for i in range(fresh(accessible).childCount):
        child = accessible.getChildAtIndex(i)
        if child is not None:
            yield from descendants(child, depth + 1)


def find(root, role, name=None, within=None, showing=True):
    """Every accessible of `role` (and `name`) under root, only those on the screen if `showing`."""
    found = []
    for a in descendants(root):
        if a == root:
            continue
        if (role is not None and a.getRoleName() != role) or (name is not None and a.name != name):
            continue
        if within is not None and not within(a):
            continue
        if not showing or a.getState().contains(pyatspi.STATE_SHOWING):
            found.append(a)
    return found


def one(root, role, name=None, within=None):
    found = until(f"the {role} {name or ''} on the accessibility bus", lambda: find(root, role, name, within))
    return found[0]


def extents(accessible):
    e = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return e.x, e.y, e.width, e.height


def centre(accessible):
    x, y, w, h = extents(accessible)
    return x + w / 2, y + h / 2


def text_of(accessible):
    t = fresh(accessible).queryText()
    return t.getText(0, t.characterCount)


def value_of(accessible):
    return fresh(accessible).queryValue().currentValue


def application(program):
    def found():
        if program.poll() is not None:
            raise Failure(f"the program ended at start with status {program.returncode}")
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.get_process_id() == program.pid:
                return app
        return None

    return until("the program on the accessibility bus", found)


def frames(app):
    return [fresh(app).getChildAtIndex(i).name for i in range(app.childCount)]


def frame(app, title):
    def found():
        for i in range(fresh(app).childCount):
            child = app.getChildAtIndex(i)
            if child is not None and child.name == title:
                return child
        return None

    return until(f"the window {title}", found)


def gone(app, title):
    until(f"the window {title} to close", lambda: title not in frames(app))


def unnamed(window):
    """The controls on the screen that take the keyboard and that a screen reader cannot name."""
    return [f"{a.getRoleName()} at {extents(a)}" for a in find(window, None)
            if a.getState().contains(pyatspi.STATE_FOCUSABLE) and not a.name.strip()]


def expect_all_named(window, title):
    missing = unnamed(window)
    expect(not missing, f"every control of {title} that takes the keyboard has a name" + (f"; unnamed: {missing}" if missing else ""))


def cell_names(main):
    grid = one(main, "frame", "画像一覧")
    cells = [a.name for a in find(grid, "image")]
    if len(cells) != CELLS:
        raise Failure(f"the grid shows {len(cells)} cells to a screen reader, not {CELLS}")
    return cells


def give_keyboard(window, spot):
    """Makes `window` the one that takes the keys, as a window manager would when the window above
    it closes; there is none here. A click on `spot` of the window, which must do nothing else, or
    failing that the X focus set directly."""
    active = lambda: fresh(window).getState().contains(pyatspi.STATE_ACTIVE)
    click_on(spot)
    try:
        until("the window to take the keyboard after a click", active, timeout=3)
    except Failure:
        run("xdotool", "search", "--name", f"^{window.name}$", "windowfocus", "--sync")
        until(f"the window {window.name} to take the keyboard", active)


def click_on(accessible, times=1):
    click(*centre(accessible), times=times)


# ---------------------------------------------------------------- the road


def expect(condition, message):
    if not condition:
        raise Failure(message)
    print("   ok:", message)


def road(exe, work, pictures, few):
    program = subprocess.Popen([exe], cwd=work, env=dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1"))
    try:
        app = application(program)
        walk(app, program, pictures, few)
        status = until("the program to end", lambda: program.poll() is not None) and program.returncode
        expect(status == 0, f"終わる ended the program with status {status}")
    finally:
        if program.poll() is None:
            program.kill()
            program.wait(5)


def walk(app, program, pictures, few):
    main = frame(app, MAIN_TITLE)
    status_bar = one(main, "status bar")
    status = lambda: next((a.name for a in descendants(status_bar) if a.getRoleName() == "label"), "")
    folder_text = one(main, "text", "参照デイレクトリ")
    name_text = one(main, "text", "ファイル名")

    print("1. the main window at start")
    shot = Screen("start")
    expect(grid_pictures(shot) == [None] * CELLS, "every cell is empty")
    expect(cell_names(main) == [""] * CELLS, "no cell has a name")
    expect_all_named(main, "the main window")
    expect(one(main, "image", "プレビュー"), "the preview is named プレビュー")
    expect(extents(one(main, "filler"))[:2] == CLIENT, "the inner area starts at 2, 49")

    print("2. the picture folder opened in the folder list")
    entry = one(main, "list item", "pictures")
    click_on(entry, times=2)
    until("the folder text", lambda: text_of(folder_text) == pictures + "/")
    expect(True, f"the folder text reads {pictures}/")
    listed = lambda: sorted(a.name for a in find(main, "list item", showing=False) if a.name.startswith("pic") and a.name.endswith(".bmp"))
    names = until("the file list", lambda: len(listed()) == PICTURES and listed())
    expect(len(names) == PICTURES, f"the file list holds the {PICTURES} pictures")

    print("3. 画像読み込み")
    click_on(one(main, "menu item", "画像読み込み"))
    until("the status text 表示ＯＫ", lambda: status() == "表示ＯＫ")
    shot = until("the first page on the screen", lambda: (s := Screen("loaded")) and grid_pictures(s) == list(range(CELLS)) and s)
    expect(True, "cells 0 to 23 show pictures 1 to 24, row by row; the status bar reads 表示ＯＫ")
    named = cell_names(main)
    expect(named == names[:CELLS], "each cell is named by the file of its picture" + ("" if named == names[:CELLS] else f"; they read {named}"))

    print("4. the scroll bar's lower arrow")
    bar = one(main, "scroll bar")
    x, y, w, h = extents(bar)
    click(x + w / 2, y + h - w / 2)
    shot = until("the second page on the screen",
                 lambda: (s := Screen("scrolled")) and grid_pictures(s) == list(range(6, 6 + CELLS)) and s)
    expect(True, "one click pages down by a row: cells 0 to 23 show pictures 7 to 30")
    expect(cell_names(main) == names[6:6 + CELLS], "the cells' names follow the page")
    expect(value_of(bar) == 1200, f"the scroll bar stands at 1200 (it reads {value_of(bar)})")
    expect(status() == "表示ＯＫ", "the status bar reads 表示ＯＫ")

    print("5. a click on a cell opens the picture window")
    k = 9
    click(*cell_centre(k))
    picture = frame(app, PICTURE_TITLE)
    view = one(picture, "frame")
    expect_all_named(picture, "the picture window")
    expect(one(view, "image").name == names[6 + k], f"the picture is named {names[6 + k]}")
    pan_picture(picture, view, expected=6 + k)
    wheel_and_drag(picture, view)
    step_and_full_screen(picture, view, at=6 + k)

    print("6. the picture closes its window when clicked")
    click(*inside(view))
    gone(app, PICTURE_TITLE)
    expect(PICTURE_TITLE not in frames(app), "the picture window closed")

    grid_by_keyboard(app, main, status_bar, names, at=6 + k)

    print("7. a file chosen in the file list, then 開く")
    chosen = 4
    click_on(one(main, "list item", f"pic{chosen + 1:02d}.bmp"))
    until("the file name text", lambda: text_of(name_text) == f"pic{chosen + 1:02d}.bmp")
    expect(True, f"the file name text reads pic{chosen + 1:02d}.bmp")
    px, py, pw, ph = PREVIEW
    preview = until("the preview", lambda: which_picture(
        Screen("preview").at(CLIENT[0] + px + pw // 2, CLIENT[1] + py + ph // 3)) == chosen)
    expect(preview, f"the preview shows picture {chosen + 1}")
    click_on(one(main, "push button", "開く"))
    picture = frame(app, PICTURE_TITLE)
    view = one(picture, "frame")
    shown = until("the opened picture", lambda: which_picture(Screen("opened").at(*inside(view))) == chosen)
    expect(shown, f"the picture window shows picture {chosen + 1}")
    click_on(one(picture, "menu item", "戻る"))
    gone(app, PICTURE_TITLE)
    expect(True, "戻る closed the picture window")
    click_on(one(main, "push button", "開く"))
    fit_and_escape(app, frame(app, PICTURE_TITLE))

    print("8. HELP")
    click_on(one(main, "menu item", "HELP"))
    help_window = frame(app, HELP_TITLE)
    first_line = help_first_line(program)
    help_text = one(help_window, "text")
    expect(text_of(help_text).startswith(first_line), f"the help text begins with {first_line!r}")
    expect_all_named(help_window, "the help window")
    Screen("help")
    click_on(one(help_window, "push button", "戻る"))
    gone(app, HELP_TITLE)
    expect(True, "戻る closed the help window")

    print("9. F10 reaches the menu bar")
    give_keyboard(main, status_bar)
    key("F10")
    lit = lambda: [a.name for a in find(main, "menu item") if a.getState().contains(pyatspi.STATE_FOCUSED)]
    until("the first menu command to take the keyboard", lambda: lit() == ["画像読み込み"])
    expect(True, "F10 gives the keyboard to 画像読み込み")
    Screen("f10")
    key("Right", "Right")
    until("HELP to take the keyboard", lambda: lit() == ["HELP"])
    key("Return")
    help_window = frame(app, HELP_TITLE)
    expect(True, "→ → Enter chose HELP")
    click_on(one(help_window, "push button", "戻る"))
    gone(app, HELP_TITLE)

    print("10. a folder that fits on one page")
    parent = os.path.basename(os.path.dirname(pictures))
    click_on(one(main, "list item", parent), times=2)
    until("the work folder", lambda: text_of(folder_text) == os.path.dirname(pictures) + "/")
    click_on(one(main, "list item", "few"), times=2)
    until("the few folder", lambda: text_of(folder_text) == few + "/")
    click_on(one(main, "menu item", "画像読み込み"))
    until("the status text 表示完了", lambda: status() == "表示完了")
    wanted = [PICTURES - 1 - 2 * i for i in range(FEW)] + [None] * (CELLS - FEW)
    until("the short page on the screen", lambda: grid_pictures(Screen("few")) == wanted)
    expect(True, f"cells 0 to {FEW - 1} show the {FEW} pictures, the others are blank; the status bar reads 表示完了")
    wanted = FEW_NAMES + [""] * (CELLS - FEW)
    expect(cell_names(main) == wanted, "the cells left blank have no name")
    for k in (1, 2):
        click(*cell_centre(k))
        picture = frame(app, PICTURE_TITLE)
        view = one(picture, "frame")
        expected = PICTURES - 1 - 2 * k
        until(f"{FEW_NAMES[k]} in the picture window",
              lambda: which_picture(Screen(f"few-{k + 1}-opened").at(*inside(view))) == expected)
        expect(True, f"the picture window shows {FEW_NAMES[k]}, a {('WebP', 'PNG')[k - 1]} under that name")
        click_on(one(picture, "menu item", "戻る"))
        gone(app, PICTURE_TITLE)

    print("11. 終わる")
    Screen("before-end")
    click_on(one(main, "menu item", "終わる"))


def inside(view):
    """A point of the viewport that the stripes and the scroll bars leave alone."""
    x, y, w, h = extents(view)
    return x + STRIPE + 60, y + STRIPE + 60


def stripe_positions(screen, view):
    """Where the white stripes cross the viewport, as offsets from its corner (past its light border)."""
    x, y, w, h = extents(view)
    probe_y, probe_x = y + STRIPE + 40, x + STRIPE + 40
    white = (255, 255, 255)
    column = next((i for i in range(4, w) if near(screen.at(x + i, probe_y), white)), None)
    row = next((i for i in range(4, h) if near(screen.at(probe_x, y + i), white)), None)
    return column, row


def pan_picture(picture, view, expected):
    shot = until("the picture in its window", lambda: (s := Screen("picture")) and which_picture(s.at(*inside(view))) == expected and s)
    expect(True, f"the picture window shows picture {expected + 1} at its natural size")
    before = stripe_positions(shot, view)
    expect(None not in before, f"the stripes stand at {before}")
    bars = find(picture, "scroll bar")
    expect(len(bars) == 2, "the picture window has two scroll bars")
    across = max(bars, key=lambda b: extents(b)[2])
    down = max(bars, key=lambda b: extents(b)[3])
    clicks = 3
    x, y, w, h = extents(across)
    for _ in range(clicks):
        click(x + w - h / 2, y + h / 2)
    x, y, w, h = extents(down)
    for _ in range(clicks):
        click(x + w / 2, y + h - w / 2)
    step = round(clicks * ARROW_STEP)
    wanted = (before[0] - step, before[1] - step)
    after = until("the picture to pan", lambda: stripe_positions(Screen("panned"), view) == wanted and wanted)
    expect(after, f"three clicks on each bar's far arrow pan the picture {step} pixels left and up")
    expect((value_of(across), value_of(down)) == (clicks * 100, clicks * 100), "both bars stand at 300")


def bars(picture):
    found = find(picture, "scroll bar")
    return max(found, key=lambda b: extents(b)[2]), max(found, key=lambda b: extents(b)[3])


def wheel_and_drag(picture, view):
    """The wheel pans down by the platform's three lines of the bars' arrow step; a drag pans the
    picture with the pointer and leaves the window open."""
    across, down = bars(picture)
    start = (value_of(across), value_of(down))
    x, y = inside(view)
    run("xdotool", "mousemove", str(round(x)), str(round(y)), "click", "5")
    until("the wheel to pan", lambda: value_of(down) == start[1] + 300)
    expect(True, f"a notch of the wheel moved the bar down from {start[1]} to {start[1] + 300}")
    run("xdotool", "mousedown", "1", "mousemove", str(round(x) - 30), str(round(y) - 20), "sleep", "0.2", "mouseup", "1")
    wanted = (start[0] + 450, start[1] + 600)
    until("the drag to pan", lambda: (value_of(across), value_of(down)) == wanted)
    expect(True, f"a drag of 30 and 20 pixels moved the bars to {wanted}")
    time.sleep(0.5)
    expect(PICTURE_TITLE in frames(picture.parent), "the drag left the picture window open")


def step_and_full_screen(picture, view, at):
    """Space and BackSpace step through the grid's pictures; F11 shows the window full screen on a
    dark background and back; Esc leaves full screen before it closes anything."""
    run("xdotool", "search", "--name", f"^{PICTURE_TITLE}$", "windowfocus", "--sync")
    until("the picture window to take the keyboard", lambda: fresh(picture).getState().contains(pyatspi.STATE_ACTIVE))
    shown = lambda: which_picture(Screen("stepped").at(*inside(view)))
    key("space")
    until("Space to show the next picture", lambda: shown() == at + 1)
    expect(True, f"Space showed picture {at + 2}")
    key("BackSpace")
    until("BackSpace to show the picture before", lambda: shown() == at)
    expect(True, f"BackSpace showed picture {at + 1} again")
    # Without a window manager the window keeps its size; what full screen changes in the window itself
    # is its menu bar, hidden, and its dark viewport.
    back = lambda: find(picture, "menu item", "戻る")
    key("F11")
    until("full screen", lambda: not back())
    Screen("full-screen")
    expect(True, "F11 went full screen: the menu bar is hidden")
    key("Escape")
    until("Esc to leave full screen", back)
    time.sleep(0.5)
    expect(PICTURE_TITLE in frames(picture.parent), "Esc left full screen and kept the window open")


def grid_by_keyboard(app, main, status_bar, names, at):
    """The grid keeps the keyboard after the picture window closes: an arrow moves the ring, which a
    screen reader hears, and Enter opens the picture in it."""
    give_keyboard(main, status_bar)
    key("Right")
    grid = one(main, "frame", "画像一覧")
    focused = lambda: [a.name for a in find(grid, "image") if a.getState().contains(pyatspi.STATE_FOCUSED)]
    until("the ring on the next cell", lambda: focused() == [names[at + 1]])
    expect(True, f"→ moved the ring to {names[at + 1]}, the cell a screen reader hears")
    Screen("grid-ring")
    key("Return")
    picture = frame(app, PICTURE_TITLE)
    view = one(picture, "frame")
    until("Enter to open the ringed picture", lambda: which_picture(Screen("grid-enter").at(*inside(view))) == at + 1)
    expect(True, f"Enter opened picture {at + 2}")
    click(*inside(view))
    gone(app, PICTURE_TITLE)


def fit_and_escape(app, picture):
    """F fits the picture in the window, so neither bar has a range left; Esc closes the window."""
    run("xdotool", "search", "--name", f"^{PICTURE_TITLE}$", "windowfocus", "--sync")
    until("the picture window to take the keyboard", lambda: fresh(picture).getState().contains(pyatspi.STATE_ACTIVE))
    across, down = bars(picture)
    key("f")
    until("the fit", lambda: (fresh(across).queryValue().maximumValue, fresh(down).queryValue().maximumValue) == (0, 0))
    expect(True, "F fitted the picture: both bars' ranges are 0")
    Screen("fitted")
    key("Escape")
    gone(app, PICTURE_TITLE)
    expect(True, "Esc closed the picture window")


def help_first_line(program):
    exe = os.path.realpath(f"/proc/{program.pid}/exe")
    with open(os.path.join(os.path.dirname(exe), "Help.txt"), encoding="cp932") as f:
        return f.readline().rstrip("\r\n")


def main():
    exe, shots = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    shutil.rmtree(shots, ignore_errors=True)
    os.makedirs(shots)
    Screen.shots = shots
    # The accessibility bus is started before the program, which looks for it only at start.
    run("dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus.GetAddress")
    work = tempfile.mkdtemp(prefix="e2e-")
    try:
        pictures, few = make_folders(work)
        road(exe, work, pictures, few)
    except (Failure, subprocess.SubprocessError) as e:
        print("FAIL:", e)
        try:
            Screen("failure")
        except subprocess.SubprocessError:
            pass
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print(f"the whole road passed; screenshots in {shots}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
