#!/usr/bin/env python3
"""make_pictures.py OUTDIR

Writes the pictures of the test image library, whose every pixel is known, so
OSD tests can check the frame they draw pixel by pixel:
  red.png          19 x 12, opaque pure red (scales exactly 10 times into 190 x 120)
  blue.png         19 x 12, opaque pure blue
  white.png        10 x 20, opaque pure white (the level marker)
  transparent.png  19 x 12, every pixel alpha 0
  not-a-png.bin    64 bytes of text, stored as a "PNG" resource all the same
The output depends on nothing but this file.
"""
import os
import struct
import sys
import zlib


def png(width, height, rgba):
    """A non-interlaced 8-bit RGBA PNG filled with one colour."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    row = b"\x00" + bytes(rgba) * width  # filter type 0 per row
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(row * height, 9)) + chunk(b"IEND", b""))


PICTURES = {
    "red.png": png(19, 12, (255, 0, 0, 255)),
    "blue.png": png(19, 12, (0, 0, 255, 255)),
    "white.png": png(10, 20, (255, 255, 255, 255)),
    "transparent.png": png(19, 12, (0, 0, 0, 0)),
    "not-a-png.bin": b"This resource is plain text in a PNG slot; no decoder takes it.\n",
}


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, data in PICTURES.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
