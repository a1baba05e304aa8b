#!/usr/bin/env python3
"""Writes the "PNG" resources of the fuzz image library and its .rc file.

Same seed, same bytes: the library only changes when this script does.
  make_fuzz_pictures.py OUT_DIR
Ids 1000-1199: bytes that must not decode or at least must not crash the decoder
(random bytes, a PNG signature before random bytes, real PNGs with flipped bytes,
cut short, or with absurd sizes in a header whose checksum is right).
Ids 2000-2003: real PNGs of unusual sizes that must decode (1x1, 400x300, 190x120,
3x500).
"""
import os
import random
import struct
import sys
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png(width, height, rng):
    rows = b"".join(b"\0" + bytes(rng.randrange(256) for _ in range(width * 4)) for _ in range(height))
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return SIGNATURE + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b"")


def header_only(width, height, rng):
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    noise = bytes(rng.randrange(256) for _ in range(rng.randrange(1, 200)))
    return SIGNATURE + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(noise)) + chunk(b"IEND", b"")


def flipped(data, rng):
    data = bytearray(data)
    for _ in range(rng.randrange(1, 9)):
        data[rng.randrange(len(data))] = rng.randrange(256)
    return bytes(data)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    rng = random.Random(20240611)
    broken = []
    for i in range(200):
        kind = i % 5
        if kind == 0:
            data = bytes(rng.randrange(256) for _ in range(rng.randrange(1, 2049)))
        elif kind == 1:
            data = SIGNATURE + bytes(rng.randrange(256) for _ in range(rng.randrange(0, 512)))
        elif kind == 2:
            data = flipped(png(rng.randrange(1, 40), rng.randrange(1, 40), rng), rng)
        elif kind == 3:
            whole = png(rng.randrange(1, 40), rng.randrange(1, 40), rng)
            data = whole[: rng.randrange(1, len(whole))]
        else:
            sizes = [(0, 0), (0, 12), (1, 0), (0x7FFFFFFF, 1), (1, 0x7FFFFFFF), (65535, 65535),
                     (30000, 30000), (0xFFFFFFFF, 0xFFFFFFFF)]
            data = header_only(*sizes[(i // 5) % len(sizes)], rng)
        broken.append((1000 + i, data))
    valid = [(2000, 1, 1), (2001, 400, 300), (2002, 190, 120), (2003, 3, 500)]
    lines = []
    for rid, data in broken + [(rid, png(w, h, rng)) for rid, w, h in valid]:
        path = os.path.join(out, "%d.bin" % rid)
        with open(path, "wb") as f:
            f.write(data)
        lines.append('%d PNG "%s"\n' % (rid, path))
    with open(os.path.join(out, "fuzz-images.rc"), "w") as f:
        f.writelines(lines)


if __name__ == "__main__":
    main()
