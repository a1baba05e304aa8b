#!/usr/bin/env python3
"""Draws Tandrel's icons and writes them as .ico files (no dependencies).

    python3 make-icons.py            # writes Tandrel.ico and small.ico here

Tandrel.ico: 16, 32, 48, 64, 72, 96 and 128 pixels at 32 bits per pixel, and
16 pixels at 8 bits per pixel. small.ico: 16 pixels at 4 bits per pixel.
The picture: a blue rounded tile with a white "T" and an amber ring, the
watcher keeping an eye on the service.
"""
import os
import struct

BLUE = (31, 95, 139)
WHITE = (255, 255, 255)
AMBER = (245, 166, 35)
SAMPLES = 4  # per axis, for smooth edges at 32 bits


def inside_rounded_square(x, y):
    m, r = 0.04, 0.20
    if not (m <= x <= 1 - m and m <= y <= 1 - m):
        return False
    cx = min(max(x, m + r), 1 - m - r)
    cy = min(max(y, m + r), 1 - m - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def colour_at(x, y):
    """Colour at (x, y) in [0, 1]^2, or None outside the tile."""
    if not inside_rounded_square(x, y):
        return None
    ring = ((x - 0.72) ** 2 + (y - 0.72) ** 2) ** 0.5
    if 0.10 <= ring <= 0.19:
        return AMBER
    if 0.20 <= y <= 0.33 and 0.18 <= x <= 0.72:
        return WHITE
    if 0.20 <= y <= 0.80 and 0.38 <= x <= 0.52 and ring > 0.21:
        return WHITE
    return BLUE


def render(size):
    """Rows top to bottom of (r, g, b, a)."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc, hits = [0, 0, 0], 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at((px + (sx + 0.5) / SAMPLES) / size,
                                  (py + (sy + 0.5) / SAMPLES) / size)
                    if c:
                        hits += 1
                        acc = [a + b for a, b in zip(acc, c)]
            if hits:
                row.append(tuple(v // hits for v in acc) + (255 * hits // SAMPLES ** 2,))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def padded(data):
    return data + b"\0" * (-len(data) % 4)


def and_mask(rows):
    out = b""
    for row in reversed(rows):
        bits = 0
        line = bytearray()
        for i, p in enumerate(row):
            bits = bits << 1 | (1 if p[3] < 128 else 0)
            if i % 8 == 7:
                line.append(bits)
                bits = 0
        if len(row) % 8:
            line.append(bits << (8 - len(row) % 8))
        out += padded(bytes(line))
    return out


def header(size, bpp, colours):
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, 0, 0, 0, colours, 0)


def image_32(size):
    rows = render(size)
    xor = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    return header(size, 32, 0) + xor + and_mask(rows)


def nearest(palette, rgb):
    return min(range(len(palette)),
               key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], rgb)))


def image_paletted(size, bpp, palette):
    rows = render(size)
    indices = [[nearest(palette, p[:3]) if p[3] >= 128 else 0 for p in row] for row in rows]
    xor = b""
    for row in reversed(indices):
        if bpp == 8:
            line = bytes(row)
        else:
            line = bytes((row[i] << 4) | row[i + 1] for i in range(0, len(row), 2))
        xor += padded(line)
    table = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    table += b"\0" * (4 * (1 << bpp) - len(table))
    return header(size, bpp, 0) + table + xor + and_mask(rows)


VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
         (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
CUBE = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]


def write_ico(path, images):
    """images: (size, bpp, bytes)."""
    offset = 6 + 16 * len(images)
    directory, blobs = b"", b""
    for size, bpp, data in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 16 if bpp == 4 else 0, 0,
                                 1, bpp, len(data), offset)
        offset += len(data)
        blobs += data
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)) + directory + blobs)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    large = [(s, 32, image_32(s)) for s in (16, 32, 48, 64, 72, 96, 128)]
    large.append((16, 8, image_paletted(16, 8, CUBE)))
    write_ico(os.path.join(here, "Tandrel.ico"), large)
    write_ico(os.path.join(here, "small.ico"), [(16, 4, image_paletted(16, 4, VGA16))])


if __name__ == "__main__":
    main()
