#!/usr/bin/env python3
"""Draws the program's pictures and writes them as XPM and SVG text files.

about.xpm  48x48, at most 16 colours of the standard VGA palette plus transparency:
           a diskette with a driver chip on its label and an arrow going into it.
hand.xpm   32x32, two colours plus transparency: a hand pointing up; the hot spot
           is the tip of the index finger (see HAND_HOT_SPOT).
veskaro.svg  the same diskette, scalable, for the desktop's icon.

Run it from this folder after changing a drawing; the outputs are kept in git.
"""

VGA = {
    "black": "#000000", "navy": "#000080", "green": "#008000", "gray": "#808080",
    "silver": "#C0C0C0", "lime": "#00FF00", "white": "#FFFFFF", "yellow": "#FFFF00",
    "blue": "#0000FF", "teal": "#008080",
}

SIZE = 48
DISK_LEFT, DISK_TOP, DISK_RIGHT, DISK_BOTTOM, CORNER = 5, 9, 42, 45, 5
SHUTTER = (14, 9, 33, 22)
SHUTTER_SLOT = (26, 11, 30, 20)
LABEL = (10, 27, 37, 45)
CHIP = (16, 32, 31, 40)
ARROW_SHAFT = (35, 0, 40, 11)
ARROW_HEAD = [(30, 11), (45, 11), (37.5, 19)]


def inside_polygon(x, y, points):
    """Even-odd test of the pixel centre (x + 0.5, y + 0.5)."""
    px, py = x + 0.5, y + 0.5
    inside = False
    for i, (x1, y1) in enumerate(points):
        x2, y2 = points[(i + 1) % len(points)]
        if (y1 > py) != (y2 > py):
            cross = x1 + (py - y1) * (x2 - x1) / (y2 - y1)
            if px < cross:
                inside = not inside
    return inside


def draw_about():
    img = [[None] * SIZE for _ in range(SIZE)]

    def rect(box, colour):
        l, t, r, b = box
        for y in range(t, b + 1):
            for x in range(l, r + 1):
                img[y][x] = colour

    def outline(box, colour):
        l, t, r, b = box
        for x in range(l, r + 1):
            img[t][x] = img[b][x] = colour
        for y in range(t, b + 1):
            img[y][l] = img[y][r] = colour

    # Diskette body with its cut corner, outlined in black.
    body = [(DISK_LEFT, DISK_TOP), (DISK_RIGHT + 1 - CORNER, DISK_TOP),
            (DISK_RIGHT + 1, DISK_TOP + CORNER), (DISK_RIGHT + 1, DISK_BOTTOM + 1),
            (DISK_LEFT, DISK_BOTTOM + 1)]
    for y in range(SIZE):
        for x in range(SIZE):
            if inside_polygon(x, y, body):
                img[y][x] = "navy"
    for y in range(SIZE):
        for x in range(SIZE):
            if img[y][x] == "navy":
                edge = any(
                    not (0 <= x + dx < SIZE and 0 <= y + dy < SIZE) or img[y + dy][x + dx] is None
                    for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
                if edge:
                    img[y][x] = "black"
    # Metal shutter with its window.
    rect(SHUTTER, "silver")
    outline(SHUTTER, "black")
    rect(SHUTTER_SLOT, "navy")
    for y in range(SHUTTER[1] + 1, SHUTTER[3]):
        img[y][SHUTTER[0] + 1] = "white"
    # Paper label, with a driver chip on it.
    rect(LABEL, "white")
    outline(LABEL, "black")
    for y in range(LABEL[1] + 1, LABEL[3]):
        img[y][LABEL[2] - 1] = "silver"
    for x in range(CHIP[0] + 1, CHIP[2], 2):  # the chip's legs
        img[CHIP[1] - 1][x] = img[CHIP[1] - 2][x] = "gray"
        img[CHIP[3] + 1][x] = img[CHIP[3] + 2][x] = "gray"
    rect(CHIP, "black")
    for x in range(CHIP[0] + 2, CHIP[2] - 1):
        img[CHIP[1] + 1][x] = "gray"
    img[CHIP[1] + 3][CHIP[0] + 2] = "yellow"  # pin-1 mark
    # Arrow going into the diskette.
    for y in range(ARROW_SHAFT[1], ARROW_SHAFT[3] + 1):
        for x in range(ARROW_SHAFT[0], ARROW_SHAFT[2] + 1):
            img[y][x] = "lime"
    for y in range(SIZE):
        for x in range(SIZE):
            if inside_polygon(x, y, ARROW_HEAD):
                img[y][x] = "lime"
    arrow = {(x, y) for y in range(SIZE) for x in range(SIZE) if img[y][x] == "lime"}
    for x, y in arrow:
        if any((x + dx, y + dy) not in arrow for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))):
            img[y][x] = "green"
    return img


# "X" black, "o" white, "." transparent. Index finger up, thumb at the left.
HAND = """
......XX........
.....XooX.......
.....XooX.......
.....XooX.......
.....XooX.......
.....XooXXX.....
.....XooXooXXX..
.....XooXooXooXX.
.XX..XooXooXooXoX.
XooX.XooooooooXooX
XoooXXoooooooooooX
.XooXooooooooooooX
..XoXooooooooooooX
..XooooooooooooooX
...XoooooooooooooX
...XooooooooooooX.
....XoooooooooooX.
....XooooooooooX..
.....XoooooooooX..
.....XoooooooooX..
.....XXXXXXXXXXX..
""".split()
HAND_HOT_SPOT = (6, 0)


def draw_hand():
    img = [[None] * 32 for _ in range(32)]
    for y, row in enumerate(HAND):
        for x, ch in enumerate(row):
            img[y][x] = {"X": "black", "o": "white"}.get(ch)
    return img


def write_xpm(path, name, img, hot_spot=None):
    colours = sorted({c for row in img for c in row if c is not None})
    assert len(colours) <= 16, colours
    keys = "abcdefghijklmnop"
    key = {c: keys[i] for i, c in enumerate(colours)}
    height, width = len(img), len(img[0])
    header = f"{width} {height} {len(colours) + 1} 1"
    if hot_spot:
        header += f" {hot_spot[0]} {hot_spot[1]}"
    lines = [f'"{header}",', '"  c None",']
    lines += [f'"{key[c]} c {VGA[c]}",' for c in colours]
    rows = ['"' + "".join(key[c] if c else " " for c in row) + '"' for row in img]
    lines += [r + "," for r in rows[:-1]] + [rows[-1]]
    with open(path, "w", newline="\n") as out:
        out.write("/* XPM */\n")
        out.write(f"/* Veskaro: {name}. Drawn by make_images.py. */\n")
        out.write(f"static const char *{name.replace(' ', '_')}[] = {{\n")
        out.write("\n".join(lines) + "\n};\n")


def write_svg(path):
    l, t, r, b, c = DISK_LEFT, DISK_TOP, DISK_RIGHT + 1, DISK_BOTTOM + 1, CORNER
    body = f"{l},{t} {r - c},{t} {r},{t + c} {r},{b} {l},{b}"
    sl, st, sr, sb = SHUTTER
    ll, lt, lr, lb = LABEL
    cl, ct, cr, cb = CHIP
    head = " ".join(f"{x},{y}" for x, y in [(30, 11.5), (46, 11.5), (38, 20)])
    legs = "".join(
        f'<rect x="{x}" y="{ct - 2}" width="1" height="{cb - ct + 5}" fill="#808080"/>'
        for x in range(cl + 1, cr, 2))
    svg = f"""<?xml version="1.0" encoding="UTF-8"?>
<!-- Veskaro program icon: a diskette with a driver chip and an arrow going into it.
     Drawn by make_images.py. -->
<svg xmlns="http://www.w3.org/2000/svg" width="48" height="48" viewBox="0 0 48 48">
  <polygon points="{body}" fill="#000080" stroke="#000000" stroke-width="1"/>
  <rect x="{sl}" y="{st}" width="{sr - sl + 1}" height="{sb - st + 1}" fill="#C0C0C0" stroke="#000000" stroke-width="1"/>
  <rect x="{SHUTTER_SLOT[0]}" y="{SHUTTER_SLOT[1]}" width="{SHUTTER_SLOT[2] - SHUTTER_SLOT[0] + 1}" height="{SHUTTER_SLOT[3] - SHUTTER_SLOT[1] + 1}" fill="#000080"/>
  <rect x="{ll}" y="{lt}" width="{lr - ll + 1}" height="{lb - lt + 1}" fill="#FFFFFF" stroke="#000000" stroke-width="1"/>
  {legs}
  <rect x="{cl}" y="{ct}" width="{cr - cl + 1}" height="{cb - ct + 1}" fill="#000000"/>
  <rect x="{ARROW_SHAFT[0]}" y="0" width="{ARROW_SHAFT[2] - ARROW_SHAFT[0] + 1}" height="12" fill="#00FF00" stroke="#008000" stroke-width="1"/>
  <polygon points="{head}" fill="#00FF00" stroke="#008000" stroke-width="1" stroke-linejoin="round"/>
</svg>
"""
    with open(path, "w", newline="\n") as out:
        out.write(svg)


if __name__ == "__main__":
    write_xpm("about.xpm", "about picture", draw_about())
    write_xpm("hand.xpm", "hand pointer", draw_hand(), HAND_HOT_SPOT)
    write_svg("veskaro.svg")
