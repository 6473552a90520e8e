#!/usr/bin/env python3
"""Writes the program's two icons as 4-bit .ico files (run once; the results are committed).

vetrel.ico (group 133): a green screen on a dark monitor, 16x16 and 32x32.
sort_up.ico (group 139): a small black triangle pointing up, 16x16, for the sorted column.
"""
import struct
import sys

# The 16 colours of the classic 4-bit palette (B, G, R, 0).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, GREEN, GREY, DGREY, LIME, WHITE = 0, 2, 7, 8, 10, 15


def image(size, pixel):
    """pixel(x, y) -> palette index or None (transparent); y counts from the top."""
    rows, mask = [], []
    for y in reversed(range(size)):  # bitmaps are stored bottom-up
        nibbles = [pixel(x, y) for x in range(size)]
        row = bytearray()
        for x in range(0, size, 2):
            a, b = (n or 0 for n in nibbles[x:x + 2])
            row.append((a << 4) | b)
        row += b"\0" * ((-len(row)) % 4)
        rows.append(bytes(row))
        bits = bytearray()
        for x in range(0, size, 8):
            v = 0
            for i in range(8):
                if nibbles[x + i] is None:
                    v |= 0x80 >> i
            bits.append(v)
        bits += b"\0" * ((-len(bits)) % 4)
        mask.append(bytes(bits))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    pal = b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    return header + pal + b"".join(rows) + b"".join(mask)


def ico(images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
        body += data
    return out + body


def monitor(size):
    s = size / 16.0

    def px(x, y):
        fx, fy = x / s, y / s
        if 1 <= fx < 15 and 1 <= fy < 12:
            if 2 <= fx < 14 and 2 <= fy < 11:
                # a pulse line across the screen
                line = {2: 8, 3: 8, 4: 8, 5: 8, 6: 5, 7: 3, 8: 9, 9: 7, 10: 7, 11: 7, 12: 7, 13: 7}
                return LIME if abs(fy - line.get(int(fx), 7)) < 0.8 else GREEN
            return DGREY
        if 6 <= fx < 10 and 12 <= fy < 14:
            return GREY
        if 4 <= fx < 12 and 14 <= fy < 15:
            return DGREY
        return None
    return px


def triangle(x, y):
    # rows 6..9, widening by one pixel each side per row, centred on 7.5
    if 6 <= y <= 9:
        half = y - 6
        if 7 - half <= x <= 8 + half:
            return BLACK
    return None


def main(directory):
    with open(f"{directory}/vetrel.ico", "wb") as f:
        f.write(ico([(16, image(16, monitor(16))), (32, image(32, monitor(32)))]))
    with open(f"{directory}/sort_up.ico", "wb") as f:
        f.write(ico([(16, image(16, triangle))]))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else ".")
