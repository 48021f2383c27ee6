#!/usr/bin/env python3
"""make-ico.py SVG ICO - draws the application icon from its SVG into a Windows .ico.

Each size is drawn by rsvg-convert (Debian's librsvg2-bin). The 16 to 64 px images are stored
as 32-bit BGRA bitmaps with their AND mask, which every Windows version reads; the 256 px image
is stored as PNG, as Windows Vista and later expect for that size. Run it again after the SVG
changes and commit the .ico:

    scripts/make-ico.py app/qt/icons/tamberon.svg app/win32/tamberon.ico
"""
import struct
import subprocess
import sys
import zlib

SIZES = (16, 24, 32, 48, 64, 256)


def render_png(svg, size):
    return subprocess.run(["rsvg-convert", "-w", str(size), "-h", str(size), "-f", "png", svg],
                          check=True, capture_output=True).stdout


def decode_rgba(png):
    """Rows of RGBA bytes from an 8-bit RGBA, non-interlaced PNG (what rsvg-convert writes)."""
    assert png[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat, width, height = 8, b"", 0, 0
    while pos < len(png):
        length, kind = struct.unpack(">I4s", png[pos:pos + 8])
        data = png[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", data)
            assert depth == 8 and colour == 6 and interlace == 0, "expected 8-bit RGBA"
        elif kind == b"IDAT":
            idat += data
        pos += 12 + length
    raw, stride, rows, prev = zlib.decompress(idat), width * 4, [], bytearray(width * 4)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 4] if i >= 4 else 0
            b = prev[i]
            c = prev[i - 4] if i >= 4 else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        prev = line
    return width, height, rows


def bitmap_image(png):
    width, height, rows = decode_rgba(png)
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels, mask = b"", b""
    mask_stride = ((width + 31) // 32) * 4
    for row in reversed(rows):  # bottom-up
        pixels += b"".join(bytes((row[i + 2], row[i + 1], row[i], row[i + 3]))
                           for i in range(0, len(row), 4))
        bits = bytearray(mask_stride)
        for x in range(width):
            if row[x * 4 + 3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + pixels + mask


def main(svg, ico):
    images = []
    for size in SIZES:
        png = render_png(svg, size)
        images.append((size, png if size >= 256 else bitmap_image(png)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(data for _, data in images)
    with open(ico, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
