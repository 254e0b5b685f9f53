#!/usr/bin/env python3
"""Draws the deletion dialog's icon at every size it is shown at and writes
src/dialog/Vantrel2Form.ico: a sheet of ruled paper with a red "delete" disc
and a white cross over its lower right corner, 16 to 48 pixels; 24-bit colour
with a transparency mask up to 32 pixels, compressed PNG above.

    python3 tools/icon/make_form_icon.py
"""
import math
import os
import struct
import zlib

SIZES = (16, 20, 24, 32, 40, 48)
PNG_FROM = 40  # larger images as PNG (Windows Vista and later), to keep the DLL small
SUBSAMPLES = 4  # per axis, for the smaller sizes' edges


def design(x, y):
    """The colour at (x, y) in the 32-unit design, or None where clear."""
    dx, dy = x - 23.0, y - 23.0
    distance = math.hypot(dx, dy)
    if distance <= 9.0:
        on_cross = distance <= 6.0 and (abs(dx - dy) < 1.6 or abs(dx + dy) < 1.6)
        return (255, 255, 255) if on_cross else (200, 32, 32)
    if not (4 <= x < 22 and 2 <= y < 30):
        return None
    fold = (x - 15) - (y - 2)  # the dog-ear's diagonal
    if fold > 0:
        return None
    edge = (x < 5 or x >= 21 or y < 3 or y >= 29 or fold > -1 or
            (x >= 15 and 8 <= y < 9) or (15 <= x < 16 and y < 9))
    if edge:
        return (80, 80, 80)
    if 11 <= y < 27 and (y - 11) % 4 < 1 and 7 <= x < 19:
        return (140, 165, 205)
    return (255, 255, 255)


def render(size):
    """Rows top-down of (r, g, b) or None."""
    scale = 32.0 / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            samples = []
            for sy in range(SUBSAMPLES):
                for sx in range(SUBSAMPLES):
                    x = (px + (sx + 0.5) / SUBSAMPLES) * scale
                    y = (py + (sy + 0.5) / SUBSAMPLES) * scale
                    samples.append(design(x, y))
            solid = [c for c in samples if c is not None]
            if len(solid) * 2 < len(samples):
                row.append(None)
            else:
                row.append(tuple(round(sum(c[i] for c in solid) / len(solid)) for i in range(3)))
        rows.append(row)
    return rows


def icon_image(size):
    """A BITMAPINFOHEADER, 24-bit XOR rows and 1-bit AND rows, bottom-up."""
    rows = render(size)
    xor_stride = (size * 3 + 3) // 4 * 4
    and_stride = (size + 31) // 32 * 4
    xor, mask = bytearray(), bytearray()
    for row in reversed(rows):
        line = bytearray()
        bits = bytearray(and_stride)
        for x, colour in enumerate(row):
            if colour is None:
                line += b"\0\0\0"
                bits[x // 8] |= 0x80 >> (x % 8)
            else:
                line += bytes((colour[2], colour[1], colour[0]))
        xor += line + b"\0" * (xor_stride - len(line))
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 24, 0, len(xor) + len(mask),
                         0, 0, 0, 0)
    return header + bytes(xor) + bytes(mask)


def png_image(size):
    """A 32-bit RGBA PNG: clear where the design is clear."""
    raw = bytearray()
    for row in render(size):
        raw.append(0)  # no filter
        for colour in row:
            raw += bytes((0, 0, 0, 0)) if colour is None else bytes((*colour, 255))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def main():
    images = [png_image(size) if size >= PNG_FROM else icon_image(size) for size in SIZES]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        bits = 32 if size >= PNG_FROM else 24
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, bits, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    with open(os.path.join(root, "src", "dialog", "Vantrel2Form.ico"), "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
