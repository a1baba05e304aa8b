#!/usr/bin/env python3
"""make_colours.py OUTDIR

Writes one opaque 19 x 12 picture of its own plain colour for every picture id the
service shows, and the 10 x 20 white level marker, so a screenshot tells which
picture is up by one pixel. Tests read the expected colour from the library itself.
"""
import colorsys
import os
import sys

from make_pictures import png

IDS = [415, 416, 431, 432, 433, 434, 451, 452, 453, 454, 455, 461, 462, 463, 478, 501, 516,
       541, 542, 545, 546, 777]


def colour(index):
    """Evenly spread hues at two brightnesses: no two pictures share a colour."""
    hue = (index * 0.61803398875) % 1.0
    value = 0.95 if index % 2 == 0 else 0.7
    r, g, b = colorsys.hsv_to_rgb(hue, 0.85, value)
    return (round(r * 255), round(g * 255), round(b * 255), 255)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for index, picture in enumerate(IDS):
        with open(os.path.join(out, "colour-%d.png" % picture), "wb") as f:
            f.write(png(19, 12, colour(index)))
    with open(os.path.join(out, "marker.png"), "wb") as f:
        f.write(png(10, 20, (255, 255, 255, 255)))
    with open(os.path.join(out, "colours.rc"), "w") as f:
        for picture in IDS:
            f.write('%d PNG "%s"\n' % (picture, os.path.join(out, "colour-%d.png" % picture)))
        f.write('201 PNG "%s"\n' % os.path.join(out, "marker.png"))


if __name__ == "__main__":
    main()
