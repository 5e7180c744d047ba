#!/usr/bin/env python3
"""Writes win32/veskaro.ico: a placeholder program icon (a diskette with a green
check mark) at 32x32 and 16x16 pixels, 16 colours, so Windows 95 and 98 can show
it. Replace veskaro.ico with the real artwork at any time; nothing else refers to
this script."""
import struct
import sys

# The 16 standard VGA colours, as (blue, green, red, 0) entries.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, GREY, LIGHT, WHITE, GREEN = 0, 4, 8, 7, 15, 2
NONE = None  # transparent


def draw(size):
    """Rows top to bottom of palette indices (None: transparent)."""
    s = size / 32.0
    px = [[NONE] * size for _ in range(size)]

    def rect(x0, y0, x1, y1, c):
        for y in range(int(y0 * s), max(int(y0 * s) + 1, int(y1 * s))):
            for x in range(int(x0 * s), max(int(x0 * s) + 1, int(x1 * s))):
                if 0 <= x < size and 0 <= y < size:
                    px[y][x] = c

    rect(2, 2, 30, 30, BLACK)      # diskette outline
    rect(3, 3, 29, 29, NAVY)       # body
    rect(8, 3, 24, 12, LIGHT)      # metal shutter
    rect(18, 4, 22, 11, GREY)      # shutter window
    rect(6, 16, 26, 29, WHITE)     # label
    # check mark on the label
    for i in range(5):
        rect(9 + i, 21 + i, 11 + i, 23 + i, GREEN)
    for i in range(9):
        rect(13 + i, 25 - i, 15 + i, 27 - i, GREEN)
    return px


def image(size):
    px = draw(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    xor_rows, and_rows = [], []
    for row in reversed(px):  # bitmaps are stored bottom-up
        nibbles = [0 if c is None else c for c in row]
        data = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        xor_rows.append(data + b'\0' * (-len(data) % 4))
        bits = 0
        mask = bytearray()
        for i, c in enumerate(row):
            bits = (bits << 1) | (1 if c is None else 0)
            if i % 8 == 7:
                mask.append(bits)
                bits = 0
        and_rows.append(bytes(mask) + b'\0' * (-len(mask) % 4))
    return header + palette + b''.join(xor_rows) + b''.join(and_rows)


def main(path):
    images = [image(32), image(16)]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((32, 16), images):
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    with open(path, 'wb') as f:
        f.write(out + b''.join(images))


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'veskaro.ico')
