#!/usr/bin/python3
"""Photographs of deep-sky objects for the chart, in six picture sets.

usage: make_deep_sky_images.py STELLARIUM_NEBULAE OUTPUT_FOLDER

Reads stellarium-data's nebulae/default: its PNG pictures and textures.json,
which gives each picture's four corners as J2000 right ascension and
declination (degrees) with the texture coordinates they belong to (0, 0 is
the picture's bottom left, 1, 1 its top right). Writes OUTPUT_FOLDER/<set>/
<picture>.png for the sets "4s", "8s", "15s", "30s", "60s" and "120s" and
OUTPUT_FOLDER/Index.txt, one tab-separated line per picture and set:

  file  name  epoch  RA "h m s"  Dec "d m s"  angle  scale  width  height

The chart draws a picture as the gnomonic patch of sky centred on (RA, Dec)
whose vertical axis is turned from north towards the west by `angle`
(degrees), width x height pixels of `scale` arcseconds. This tool finds that
patch from the four corners: the tangent point where the corners' standard
coordinates average to zero, the half extents and the angle from the
averaged edge directions. A picture whose corners are mirrored on the sky
(east to the right with north up) is flipped so that none is drawn
mirrored. Each set resamples the picture to square pixels of the set's
scale (never finer than the picture's own; a set that would repeat the
previous one's size holds a hard link to its file), so the chart loads no
more pixels than the screen shows; the last pixel's rounding moves a corner by
at most half a pixel of its set. Pictures are composited on black (the
chart adds them to the sky), so their own sky must be black too: each
picture loses its sky level (the median of its border), the noise about
that level is faded out (light within a few noise widths of it, judged
on a 3 x 3 mean so that stars keep their cores), and its edges fade to
black over the outer eighth of each side, so that no square tile shows.
Names come from the file names ("m31" is "M 31", "ngc7000" "NGC 7000",
"ic434" "IC 434"), else the file name.

Some mosaic tiles are not such a patch (their corners follow another
mapping): a picture whose fitted corners miss the source's by more than 1%
of its diagonal is left out and named on the standard error.

Deterministic: the same sources give the same files.
"""
import json
import math
import os
import re
import sys

import numpy
from PIL import Image

from sky_math import unit

SETS = [4, 8, 15, 30, 60, 120]  # arcseconds per pixel
ARCSEC = math.pi / 180 / 3600
# Largest miss of a fitted corner, as a share of the picture's diagonal.
MOST_DISTORTION = 0.01
# The border band whose median is the picture's sky, as a share of a side.
SKY_BAND = 0.05
# Light this many noise widths above the sky is kept whole, and light
# within the first width is dropped; between the two it fades in.
NOISE_FLOOR, NOISE_KEPT = 1.0, 4.0
# A noise width is never taken below this (levels of 0 to 255), so that a
# clean synthetic sky still loses its last level of grain.
LEAST_NOISE = 1.0
# The share of each side over which the picture fades to black.
EDGE_FADE = 0.125


def read_textures(path):
    """textures.json, whose numbers may lack the 0 before the point."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    text = re.sub(r"(?<=[\[\s,:-])\.(?=\d)", "0.", text)
    return json.loads(text)["subTiles"]


def normalise(v):
    n = math.sqrt(sum(c * c for c in v))
    return tuple(c / n for c in v)


def axes(c):
    """East and north unit vectors on the tangent plane at unit vector c."""
    east = normalise((-c[1], c[0], 0.0)) if abs(c[2]) < 1 else (0.0, 1.0, 0.0)
    north = (c[1] * east[2] - c[2] * east[1], c[2] * east[0] - c[0] * east[2],
             c[0] * east[1] - c[1] * east[0])
    return east, north


def standard(c, v):
    """Gnomonic (xi east, eta north) of v about c."""
    east, north = axes(c)
    along = sum(a * b for a, b in zip(c, v))
    return (sum(a * b for a, b in zip(east, v)) / along,
            sum(a * b for a, b in zip(north, v)) / along)


def from_standard(c, xi, eta):
    east, north = axes(c)
    return normalise(tuple(c[i] + xi * east[i] + eta * north[i] for i in range(3)))


def fit(corners):
    """Centre, half width and height (radians), angle, mirrored flag of the
    picture with corners top left, top right, bottom right, bottom left."""
    c = normalise(tuple(sum(v[i] for v in corners) for i in range(3)))
    for _ in range(5):
        s = [standard(c, v) for v in corners]
        c = from_standard(c, sum(p[0] for p in s) / 4, sum(p[1] for p in s) / 4)
    s = [standard(c, v) for v in corners]
    up = ((s[0][0] + s[1][0] - s[2][0] - s[3][0]) / 4, (s[0][1] + s[1][1] - s[2][1] - s[3][1]) / 4)
    left = ((s[0][0] + s[3][0] - s[1][0] - s[2][0]) / 4, (s[0][1] + s[3][1] - s[1][1] - s[2][1]) / 4)
    # Up turned from north towards the west by the angle: (-sin a, cos a).
    angle = math.atan2(-up[0], up[1]) % (2 * math.pi)
    # Left is a quarter turn on from up, towards the east: up x left > 0
    # on the (east, north) plane means a mirror image.
    mirrored = up[0] * left[1] - up[1] * left[0] > 0
    return c, math.hypot(*left), math.hypot(*up), angle, mirrored


def corners_of(c, w, h, angle):
    """The chart's corners of the fitted patch (as the chart computes them)."""
    left = (math.cos(angle), math.sin(angle))
    up = (-math.sin(angle), math.cos(angle))
    out = []
    for sx, sy in ((1, 1), (-1, 1), (-1, -1), (1, -1)):
        out.append(from_standard(c, sx * w * left[0] + sy * h * up[0],
                                 sx * w * left[1] + sy * h * up[1]))
    return out


def separation(a, b):
    d = math.sqrt(sum((x - y) ** 2 for x, y in zip(a, b)))
    return 2 * math.asin(min(1.0, d / 2))


def sexagesimal(value, sign, turn=None):
    """'h m s' or 'd m s' of a value, signed when asked; a value that rounds
    to a whole turn (24 h) becomes 0."""
    total = round(abs(value) * 3600, 3)
    if turn is not None and total >= turn * 3600:
        total -= turn * 3600
    whole, seconds = divmod(total, 60)
    degrees, minutes = divmod(int(whole), 60)
    text = "%d %02d %06.3f" % (degrees, minutes, seconds)
    return ("-" if sign and value < 0 else "") + text


def object_name(stem):
    for pattern, prefix in ((r"m(\d+)", "M"), (r"ngc(\d+)", "NGC"), (r"ic(\d+)", "IC")):
        m = re.match(pattern + r"(?!\d)", stem, re.IGNORECASE)
        if m:
            return "%s %d" % (prefix, int(m.group(1)))
    return stem[:31]


def on_black(image):
    if image.mode in ("RGBA", "LA", "P"):
        rgba = image.convert("RGBA")
        black = Image.new("RGBA", rgba.size, (0, 0, 0, 255))
        return Image.alpha_composite(black, rgba).convert("RGB")
    return image.convert("RGB") if image.mode not in ("RGB", "L") else image


def smoothstep(low, high, x):
    t = numpy.clip((x - low) / (high - low), 0.0, 1.0)
    return t * t * (3 - 2 * t)


def box_mean(plane):
    """The 3 x 3 mean of a plane, its border rows repeated."""
    padded = numpy.pad(plane, 1, mode="edge")
    h, w = plane.shape
    return sum(padded[dy:dy + h, dx:dx + w] for dy in range(3) for dx in range(3)) / 9


def edge_fade(height, width):
    """1 inside, falling smoothly to 0 at every edge over EDGE_FADE of the
    side."""
    def ramp(n):
        x = (numpy.arange(n) + 0.5) / n
        return smoothstep(0.0, EDGE_FADE, numpy.minimum(x, 1 - x))
    return numpy.outer(ramp(height), ramp(width))


def blend_with_sky(picture):
    """The picture with a black sky and faded edges (RGB, 8 bits)."""
    rgb = numpy.asarray(picture.convert("RGB"), dtype=numpy.float64)
    h, w = rgb.shape[:2]
    band = max(1, round(SKY_BAND * min(h, w)))
    border = numpy.concatenate([rgb[:band].reshape(-1, 3), rgb[-band:].reshape(-1, 3),
                                rgb[:, :band].reshape(-1, 3), rgb[:, -band:].reshape(-1, 3)])
    sky = numpy.median(border, axis=0)
    level = border.mean(axis=1)
    noise = max(LEAST_NOISE, 1.4826 * numpy.median(numpy.abs(level - numpy.median(level))))
    light = numpy.clip(rgb - sky, 0, None)
    # What remains of the brightest level once the sky is taken away is
    # stretched back to full, so the object keeps its brightness.
    light *= 255.0 / numpy.maximum(255.0 - sky, 1.0)
    keep = smoothstep(NOISE_FLOOR * noise, NOISE_KEPT * noise, box_mean(light.mean(axis=2)))
    out = light * (keep * edge_fade(h, w))[:, :, None]
    return Image.fromarray(numpy.clip(numpy.rint(out), 0, 255).astype(numpy.uint8), "RGB")


def main(source, output):
    tiles = read_textures(os.path.join(source, "textures.json"))
    for s in SETS:
        os.makedirs(os.path.join(output, "%ds" % s), exist_ok=True)
    lines, worst = [], 0.0
    for tile in sorted(tiles, key=lambda t: t["imageUrl"]):
        world, texture = tile["worldCoords"][0], tile["textureCoords"][0]
        by_texture = {tuple(t): unit(*w) for t, w in zip(texture, world)}
        try:
            corners = [by_texture[(0, 1)], by_texture[(1, 1)], by_texture[(1, 0)], by_texture[(0, 0)]]
        except KeyError:
            print("skipped %s: not the whole picture" % tile["imageUrl"], file=sys.stderr)
            continue
        centre, w, h, angle, mirrored = fit(corners)
        flip = mirrored
        if flip:
            corners = [corners[1], corners[0], corners[3], corners[2]]
            centre, w, h, angle, mirrored = fit(corners)
        miss = max(separation(a, b) for a, b in zip(corners_of(centre, w, h, angle), corners))
        if miss > MOST_DISTORTION * 2 * math.hypot(w, h):
            print("left out %s: its corners are no gnomonic rectangle (%.0f\" off)"
                  % (tile["imageUrl"], miss / ARCSEC), file=sys.stderr)
            continue
        worst = max(worst, miss / (2 * math.hypot(w, h)))
        picture = blend_with_sky(on_black(Image.open(os.path.join(source, tile["imageUrl"]))))
        if flip:
            picture = picture.transpose(Image.Transpose.FLIP_LEFT_RIGHT)
        finest = min(2 * w / picture.width, 2 * h / picture.height)
        stem = os.path.splitext(os.path.basename(tile["imageUrl"]))[0]
        ra = math.degrees(math.atan2(centre[1], centre[0])) % 360
        dec = math.degrees(math.asin(centre[2]))
        previous = None
        for s in SETS:
            scale = max(s * ARCSEC, finest)
            width = max(1, round(2 * w / scale))
            height = max(1, round(2 * h / scale))
            scale = 2 * w / width
            name = "%ds/%s.png" % (s, stem)
            if previous is not None and previous[1:] == (width, height):
                # A set finer than the picture itself holds the same file.
                os.link(os.path.join(output, previous[0]), os.path.join(output, name))
            else:
                picture.resize((width, height), Image.Resampling.LANCZOS).save(
                    os.path.join(output, name))
            previous = (name, width, height)
            lines.append("\t".join([name, object_name(stem), "2000.0", sexagesimal(ra / 15, False, 24),
                                    sexagesimal(dec, True), "%.5f" % math.degrees(angle),
                                    "%.6f" % (scale / ARCSEC), str(width), str(height)]))
    with open(os.path.join(output, "Index.txt"), "w", encoding="ascii") as f:
        f.write("\n".join(lines) + "\n")
    print("%d pictures in %d sets; corners within %.2f%% of a diagonal of the source's"
          % (len(lines) // len(SETS), len(SETS), 100 * worst))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
