#!/usr/bin/env python3
"""Draws quorvel.ico: a database cylinder with an arrow going into it.

Three images, as the executable carries them: 32x32 in 2 colours, 32x32 in
16 colours and 16x16 in 16 colours. Standard library only; run it from any
folder, it writes beside itself.
"""

import os
import struct

# The standard 16-colour palette, in the order Windows icons use it.
PALETTE16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (128, 128, 128),
    (192, 192, 192), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
PALETTE2 = [(0, 0, 0), (255, 255, 255)]

BLACK, NAVY, TEAL, GREEN, LIME, AQUA, WHITE = 0, 4, 6, 2, 10, 14, 15

LEFT, RIGHT, TOP, BOTTOM, RY = 0.10, 0.70, 0.20, 0.80, 0.11
CX, RX = (LEFT + RIGHT) / 2, (RIGHT - LEFT) / 2
BANDS = (0.40, 0.60)


def in_ellipse(x, y, cy):
    return ((x - CX) / RX) ** 2 + ((y - cy) / RY) ** 2 <= 1.0


def in_cylinder(x, y):
    return ((LEFT <= x <= RIGHT and TOP <= y <= BOTTOM) or
            in_ellipse(x, y, TOP) or in_ellipse(x, y, BOTTOM))


def in_arrow(x, y):
    shaft = 0.66 <= x <= 0.97 and 0.61 <= y <= 0.75
    # Head: tip at the left, base at x = 0.68.
    tip_x, base_x, mid_y, half = 0.40, 0.68, 0.68, 0.20
    head = (tip_x <= x <= base_x and
            abs(y - mid_y) <= half * (x - tip_x) / (base_x - tip_x))
    return shaft or head


def shape(size):
    """Per pixel: (region, fill) where region is 'cyl', 'top', 'arrow' or None."""
    grid = []
    for row in range(size):
        line = []
        for col in range(size):
            x, y = (col + 0.5) / size, (row + 0.5) / size
            if in_arrow(x, y):
                line.append("arrow")
            elif in_ellipse(x, y, TOP):
                line.append("top")
            elif in_cylinder(x, y):
                line.append("cyl")
            else:
                line.append(None)
        grid.append(line)
    return grid


def on_band(x, y, size):
    for band in BANDS:
        if abs(x - CX) > RX:
            continue
        arc = band + RY * (1 - ((x - CX) / RX) ** 2) ** 0.5
        if abs(y - arc) < 0.5 / size:
            return True
    return False


def draw(size, colours):
    """Rows of palette indices (top row first) and the transparency mask."""
    regions = shape(size)

    def region(r, c):
        if 0 <= r < size and 0 <= c < size:
            return regions[r][c]
        return None

    pixels, mask = [], []
    for r in range(size):
        line, line_mask = [], []
        for c in range(size):
            here = region(r, c)
            x, y = (c + 0.5) / size, (r + 0.5) / size
            if here is None:
                line.append(0)
                line_mask.append(1)
                continue
            neighbours = [region(r - 1, c), region(r + 1, c),
                          region(r, c - 1), region(r, c + 1)]
            edge = any(n is None for n in neighbours)
            # The top cap's rim and the arrow's outline over the cylinder.
            rim = here == "cyl" and region(r - 1, c) == "top"
            arrow_edge = here == "arrow" and any(n != "arrow" for n in neighbours)
            if edge or rim or arrow_edge:
                colour = BLACK
            elif here == "arrow":
                colour = LIME if colours == 16 else WHITE
            elif here == "top":
                colour = AQUA if colours == 16 else WHITE
            elif on_band(x, y, size):
                colour = NAVY if colours == 16 else BLACK
            else:
                colour = TEAL if colours == 16 else WHITE
            if colours == 2:
                colour = 0 if colour == BLACK else 1
            line.append(colour)
            line_mask.append(0)
        pixels.append(line)
        mask.append(line_mask)
    return pixels, mask


def pack_rows(rows, bits):
    """Bottom-up DIB rows, each padded to 4 bytes."""
    data = b""
    for row in reversed(rows):
        value, count, packed = 0, 0, bytearray()
        for index in row:
            value = (value << bits) | index
            count += bits
            if count == 8:
                packed.append(value)
                value, count = 0, 0
        if count:
            packed.append(value << (8 - count))
        while len(packed) % 4:
            packed.append(0)
        data += bytes(packed)
    return data


def image(size, colours):
    bits = 1 if colours == 2 else 4
    palette = PALETTE2 if colours == 2 else PALETTE16
    pixels, mask = draw(size, colours)
    xor = pack_rows(pixels, bits)
    and_mask = pack_rows(mask, 1)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0,
                         len(xor) + len(and_mask), 0, 0, 0, 0)
    rgbquads = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette)
    return header + rgbquads + xor + and_mask


def main():
    images = [(32, 2), (32, 16), (16, 16)]
    blobs = [image(size, colours) for size, colours in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, colours), blob in zip(images, blobs):
        bits = 1 if colours == 2 else 4
        out += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bits,
                           len(blob), offset)
        offset += len(blob)
    out += b"".join(blobs)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                        "quorvel.ico")
    with open(path, "wb") as ico:
        ico.write(out)


if __name__ == "__main__":
    main()
