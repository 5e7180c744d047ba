#!/usr/bin/env python3
"""xwd2png.py IN.xwd OUT.png [LEFT TOP RIGHT BOTTOM]

Converts an X window dump (xwd, Z pixmap, true colour) to a PNG file, cut to the
rectangle given in screen pixels (right and bottom exclusive; clipped to the
image). Standard library only: struct and zlib."""
import struct
import sys
import zlib


def read_xwd(path):
    with open(path, "rb") as f:
        data = f.read()
    # The header is 25 big-endian 32-bit fields, then the window name.
    fields = struct.unpack(">25I", data[:100])
    (header_size, version, pixmap_format, depth, width, height, _xoffset, byte_order,
     _unit, _bit_order, _pad, bits_per_pixel, bytes_per_line, visual_class, red_mask,
     green_mask, blue_mask, _bits_per_rgb, _entries, ncolors) = fields[:20]
    if version != 7 or pixmap_format != 2:
        raise SystemExit(f"xwd2png: {path}: not a version 7 Z pixmap dump")
    if visual_class not in (4, 5):  # TrueColor, DirectColor
        raise SystemExit(f"xwd2png: {path}: visual class {visual_class} is not true colour")
    offset = header_size + ncolors * 12  # colour map entries: 12 bytes each
    pixels = data[offset:offset + height * bytes_per_line]
    return dict(width=width, height=height, depth=depth, bpp=bits_per_pixel,
                stride=bytes_per_line, lsb_first=byte_order == 0,
                masks=(red_mask, green_mask, blue_mask), pixels=pixels)


def channel(value, mask):
    shift = (mask & -mask).bit_length() - 1
    top = mask >> shift
    return ((value & mask) >> shift) * 255 // top if top else 0


def rgb_rows(image, left, top, right, bottom):
    bpp = image["bpp"] // 8
    masks = image["masks"]
    fast = bpp == 4 and image["lsb_first"] and masks == (0xFF0000, 0xFF00, 0xFF)
    for y in range(top, bottom):
        start = y * image["stride"] + left * bpp
        row = image["pixels"][start:start + (right - left) * bpp]
        out = bytearray((right - left) * 3)
        if fast:  # bytes B, G, R, unused
            out[0::3] = row[2::4]
            out[1::3] = row[1::4]
            out[2::3] = row[0::4]
        else:
            order = "little" if image["lsb_first"] else "big"
            for x in range(right - left):
                value = int.from_bytes(row[x * bpp:(x + 1) * bpp], order)
                out[3 * x:3 * x + 3] = bytes(channel(value, m) for m in masks)
        yield bytes(out)


def write_png(path, width, height, rows):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    raw = b"".join(b"\0" + row for row in rows)  # filter type 0 on every row
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def main(argv):
    if len(argv) not in (3, 7):
        raise SystemExit(__doc__)
    image = read_xwd(argv[1])
    left, top, right, bottom = 0, 0, image["width"], image["height"]
    if len(argv) == 7:
        l, t, r, b = (int(v) for v in argv[3:7])
        left, top = max(left, l), max(top, t)
        right, bottom = min(right, r), min(bottom, b)
    if right <= left or bottom <= top:
        raise SystemExit("xwd2png: the rectangle lies outside the image")
    write_png(argv[2], right - left, bottom - top, rgb_rows(image, left, top, right, bottom))


if __name__ == "__main__":
    main(sys.argv)
