#!/usr/bin/python3
"""The horizon panorama for the chart.

usage: make_horizon_panorama.py LANDSCAPE_FOLDER NAME OUTPUT_FOLDER

Writes OUTPUT_FOLDER/NAME.png (the bundle's SkyImages/Horizons): the
landscape as the chart lays it on its sphere grid, 2048 x 1024 RGBA,
equirectangular about the observer: altitude +90 at the top row, -90 at
the bottom, azimuth 0 (north) at the left edge increasing to the right
through east; the sky transparent.

Source: a spherical landscape of stellarium-data (landscapes/grossmugl):
its landscape.ini names the picture (maptex), the altitude of the
picture's top row (maptex_top; the bottom row is -90) and the landscape's
turn about the vertical (angle_rotatez, degrees). Column c of a picture W
wide faces azimuth 360 c / W + 90 + angle_rotatez degrees: so the
gazetteer's Leeberg tumulus (azimuth 113.66) stands where the picture's
horizon is highest. The picture's own alpha is kept; above its top all is
transparent.

Deterministic: the same sources give the same file.
"""
import configparser
import os
import sys

import numpy
from PIL import Image

WIDTH, HEIGHT = 2048, 1024


def fail(message):
    sys.exit(f"make_horizon_panorama.py: {message}")


def main():
    if len(sys.argv) != 4:
        fail("usage: make_horizon_panorama.py LANDSCAPE_FOLDER NAME OUTPUT_FOLDER")
    folder, name, output = sys.argv[1:]
    ini = configparser.ConfigParser(inline_comment_prefixes=(";",))
    if not ini.read(os.path.join(folder, "landscape.ini")):
        fail(f"{folder}: no landscape.ini")
    landscape = ini["landscape"]
    if landscape.get("type") != "spherical":
        fail(f"{folder}: not a spherical landscape")
    top = landscape.getfloat("maptex_top", 90.0)
    turn = landscape.getfloat("angle_rotatez", 0.0)
    source = numpy.asarray(Image.open(os.path.join(folder, landscape["maptex"])).convert("RGBA"))
    height, width = source.shape[:2]
    azimuth = (numpy.arange(WIDTH) + 0.5) / WIDTH * 360
    altitude = 90 - (numpy.arange(HEIGHT) + 0.5) / HEIGHT * 180
    column = (((azimuth - 90 - turn) / 360 * width).astype(int)) % width
    row = numpy.floor((top - altitude) / (top + 90) * height).astype(int)
    inside = (row >= 0) & (row < height)
    out = numpy.zeros((HEIGHT, WIDTH, 4), dtype=numpy.uint8)
    out[inside] = source[row[inside]][:, column]
    Image.fromarray(out, "RGBA").save(os.path.join(output, name + ".png"))


if __name__ == "__main__":
    main()
