#!/usr/bin/env python3
"""Draws the listing window's icon: a sheet of listed records under a title bar, in the 16
standard colours, 32x32 and 16x16. Run once; the result is kept in the source tree:
    scripts/make-listing-icon.py common/win32/resources/listing.ico
"""
import struct
import sys

# The 16 standard colours as (red, green, blue); the image names them by index.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, TEAL, SILVER, GRAY, BLUE, WHITE = 0, 4, 6, 7, 8, 12, 15
CLEAR = None


def sheet(size):
    """Rows of colour indexes (CLEAR where the icon is transparent), top row first."""
    unit = size // 16
    pixels = [[CLEAR] * size for _ in range(size)]

    def fill(left, top, right, bottom, colour):  # inclusive, in 16ths of the icon
        for y in range(top * unit, (bottom + 1) * unit):
            for x in range(left * unit, (right + 1) * unit):
                pixels[y][x] = colour

    fill(1, 1, 14, 14, GRAY)       # frame
    fill(2, 2, 13, 3, NAVY)        # title bar
    fill(12, 2, 13, 3, SILVER)     # its close box
    fill(2, 4, 13, 13, WHITE)      # the sheet
    for row in (5, 7, 9, 11):       # records: a label and a value
        fill(3, row, 4, row, TEAL)
        fill(6, row, 11 - (row // 2) % 3, row, BLACK)
    fill(13, 4, 13, 13, SILVER)    # scroll bar
    fill(13, 6, 13, 8, BLUE)       # its thumb
    return pixels


def image(size):
    pixels = sheet(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    colour_rows, mask_rows = b'', b''
    for row in reversed(pixels):  # bottom-up
        nibbles = [BLACK if p is CLEAR else p for p in row]
        data = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        colour_rows += data + b'\0' * (-len(data) % 4)
        bits = 0
        for x, p in enumerate(row):
            if p is CLEAR:
                bits |= 1 << (size - 1 - x)
        data = bits.to_bytes(size // 8, 'big')
        mask_rows += data + b'\0' * (-len(data) % 4)
    return header + palette + colour_rows + mask_rows


def icon_file(sizes):
    images = [image(size) for size in sizes]
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        directory += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return directory + b''.join(images)


if __name__ == '__main__':
    with open(sys.argv[1], 'wb') as out:
        out.write(icon_file([32, 16]))
