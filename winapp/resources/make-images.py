#!/usr/bin/env python3
"""Writes the pictures of the Windows program's About window, drawn here:

  about.bmp  the program's picture (Image1): 48 x 48 pixels, 16 colours, an
             expansion card with its chips and edge contacts, and a diskette that
             stands for the backup;
  hand.cur   the pointer over the link labels: 32 x 32 pixels, two colours, a
             hand pointing up with the hot spot at the finger tip.

Run it from any folder; it writes next to itself. The outputs are kept in the
repository, so the build does not need Python."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# The 16 standard VGA colours, (red, green, blue), in palette order.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, GREEN, OLIVE, NAVY, GREY, SILVER, YELLOW, BLUE, WHITE = 0, 2, 3, 4, 8, 7, 11, 12, 15


def draw_about():
    """48 rows of 48 palette indices, top row first."""
    size = 48
    px = [[SILVER] * size for _ in range(size)]  # the window's face colour

    def rect(x0, y0, x1, y1, colour):  # x1, y1 exclusive
        for y in range(max(0, y0), min(size, y1)):
            for x in range(max(0, x0), min(size, x1)):
                px[y][x] = colour

    def frame(x0, y0, x1, y1, colour):
        rect(x0, y0, x1, y0 + 1, colour)
        rect(x0, y1 - 1, x1, y1, colour)
        rect(x0, y0, x0 + 1, y1, colour)
        rect(x1 - 1, y0, x1, y1, colour)

    # The expansion card: green board, black outline, mounting bracket on the left.
    rect(4, 6, 40, 30, GREEN)
    frame(4, 6, 40, 30, BLACK)
    rect(1, 3, 4, 34, GREY)
    frame(1, 3, 4, 34, BLACK)
    # Edge contacts along the bottom.
    for x in range(10, 36, 3):
        rect(x, 30, x + 2, 34, YELLOW)
        rect(x, 34, x + 2, 35, OLIVE)
    # Chips with their pins, and copper traces between them.
    for x0, y0, x1, y1 in ((8, 10, 18, 18), (22, 10, 34, 16), (22, 20, 30, 26)):
        rect(x0, y0, x1, y1, BLACK)
        for x in range(x0 + 1, x1 - 1, 2):
            px[y0 - 1][x] = SILVER
            px[y1][x] = SILVER
    rect(18, 13, 22, 14, OLIVE)
    rect(12, 18, 13, 24, OLIVE)
    rect(12, 23, 22, 24, OLIVE)

    # The diskette, lower right, in front of the card.
    rect(26, 24, 46, 46, NAVY)
    frame(26, 24, 46, 46, BLACK)
    rect(30, 25, 42, 32, SILVER)  # shutter
    rect(38, 26, 40, 31, NAVY)
    rect(29, 36, 43, 45, WHITE)   # label
    for y in (38, 40, 42):
        rect(31, y, 41, y + 1, BLUE)
    return px


def write_bmp(path, px):
    """A 4-bit bottom-up Windows bitmap file."""
    height, width = len(px), len(px[0])
    row_bytes = (width * 4 + 31) // 32 * 4
    pixels = bytearray()
    for row in reversed(px):
        line = bytearray(row_bytes)
        for x, colour in enumerate(row):
            line[x // 2] |= colour << (4 if x % 2 == 0 else 0)
        pixels += line
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(pixels), 2835, 2835,
                       16, 0)
    offset = 14 + len(info) + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(header + info + palette + pixels)


# The hand: "#" black, "." white, anything else transparent. Row 0 is the top.
HAND = """
      ##
     #..#
     #..#
     #..#
     #..#
     #..###
     #..#..##
     #..#..#.##
  ## #..#..#..#
 #..##........#
 #...#........#
  #..#........#
  #...........#
   #..........#
   #..........#
    #........#
    #........#
     #......#
     #......#
     ########
"""
HOT_SPOT = (6, 0)  # the finger tip


def write_cursor(path, art, hot_spot):
    """A 32 x 32 two-colour cursor file: XOR mask (black/white) and AND mask
    (1: transparent), both bottom-up, 4 bytes a row."""
    size = 32
    rows = [line.ljust(size)[:size] for line in art.strip("\n").split("\n")]
    rows += [" " * size] * (size - len(rows))
    xor_mask, and_mask = bytearray(), bytearray()
    for row in reversed(rows):
        xor_bits = and_bits = 0
        for x, ch in enumerate(row):
            bit = 1 << (31 - x)
            if ch == ".":
                xor_bits |= bit  # white
            elif ch != "#":
                and_bits |= bit  # transparent
        xor_mask += struct.pack(">I", xor_bits)
        and_mask += struct.pack(">I", and_bits)
    palette = struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 1, 0,
                       len(xor_mask) + len(and_mask), 0, 0, 2, 0)
    image = info + palette + bytes(xor_mask) + bytes(and_mask)
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", size, size, 2, 0, hot_spot[0], hot_spot[1], len(image),
                        6 + 16)
    with open(path, "wb") as f:
        f.write(directory + entry + image)


if __name__ == "__main__":
    write_bmp(os.path.join(HERE, "about.bmp"), draw_about())
    write_cursor(os.path.join(HERE, "hand.cur"), HAND, HOT_SPOT)
