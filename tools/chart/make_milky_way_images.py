#!/usr/bin/python3
"""The Milky Way's all-sky pictures for the chart.

usage: make_milky_way_images.py STELLARIUM_MILKYWAY_PNG OUTLINE_TABLE_CPP OUTPUT_FOLDER

Writes into OUTPUT_FOLDER (the bundle's SkyImages/MilkyWay):
  Visible.jpg   style 3, the band in visible light, 2048 x 1024
  Outline.png   style 2, the band filled within the chart's outline, 1024 x 512

Layout (the chart's sphere mesh): equirectangular in galactic coordinates,
2:1, latitude +90 at the top, longitude decreasing to the right with
l = 120 - 360 x / width degrees at pixel column x (the styles of the band
have the galactic centre 60 degrees west of the picture's middle). Sides
are powers of two: the chart repeats these pictures across their left and
right edges.

Visible light: stellarium-data's textures/milkyway.png, an equirectangular
map in J2000 right ascension and declination whose frame is found here
rather than assumed: the right ascension at its left edge, the direction
in which right ascension runs and which way is north are the ones that put
the brightest light at the galactic centre (17h 45m 37s, -28 56') and the
two Magellanic Clouds (LMC 5h 23m 35s, -69 45'; SMC 0h 52m 45s, -72 50').
It is resampled bilinearly, its alpha taken as coverage over black.

Outline: the 16 contours of chart/milky_way_outline_table.cpp (right
ascension and declination in thousandths of a degree), filled even-odd
down each column: the band between its two edges, less the dark clouds
inside it; softened by a Gaussian blur of 2 pixels.

Equatorial to galactic: the rotation of the Hipparcos catalogue (ESA 1997,
Vol. 1, section 1.5.3), J2000.

Deterministic: the same sources give the same files.
"""
import math
import os
import re
import sys

import numpy
from PIL import Image, ImageFilter

# ICRS (J2000) to galactic, Hipparcos.
GALACTIC = numpy.array([[-0.0548755604, -0.8734370902, -0.4838350155],
                        [0.4941094279, -0.4448296300, 0.7469822445],
                        [-0.8676661490, -0.1980763734, 0.4559837762]])
LANDMARKS = [(266.404, -28.936), (80.894, -69.756), (13.187, -72.829)]
LEFT_LONGITUDE = 120.0
OUTLINE_COLOUR = (96, 104, 132)


def fail(message):
    sys.exit(f"make_milky_way_images.py: {message}")


def galactic_grid(width, height):
    """Unit vectors (ICRS) of every pixel centre of the galactic layout."""
    x = (numpy.arange(width) + 0.5) / width
    y = (numpy.arange(height) + 0.5) / height
    lon = numpy.radians(LEFT_LONGITUDE - 360 * x)[None, :]
    lat = numpy.radians(90 - 180 * y)[:, None]
    g = numpy.stack([numpy.cos(lat) * numpy.cos(lon), numpy.cos(lat) * numpy.sin(lon),
                     numpy.sin(lat) * numpy.ones_like(lon)], axis=-1)
    return g @ GALACTIC  # rows times G: G^T applied to each vector


def equatorial_of_galactic(lon, lat):
    """Right ascension and declination (degrees) of galactic places."""
    lon, lat = numpy.radians(lon), numpy.radians(lat)
    g = numpy.stack([numpy.cos(lat) * numpy.cos(lon), numpy.cos(lat) * numpy.sin(lon),
                     numpy.sin(lat)], axis=-1)
    e = g @ GALACTIC
    return (numpy.degrees(numpy.arctan2(e[..., 1], e[..., 0])),
            numpy.degrees(numpy.arcsin(numpy.clip(e[..., 2], -1, 1))))


def locate_frame(luminance):
    """(ra0, ra_sign, dec_sign): pixel x = ((ra0 - ra) * ra_sign mod 360) / 360 * width and
    y = (90 - dec * dec_sign) / 180 * height, the frame that puts the most
    light on the galactic equator against latitudes +-40, with the
    landmarks (galactic centre, Magellanic Clouds) brighter than the sky
    about them."""
    height, width = luminance.shape
    lon = numpy.arange(0, 360, 1.0)
    on = equatorial_of_galactic(lon, numpy.zeros_like(lon))
    off = equatorial_of_galactic(numpy.concatenate([lon, lon]),
                                 numpy.concatenate([numpy.full_like(lon, 40), numpy.full_like(lon, -40)]))

    def mean_light(places, ra0, ra_sign, dec_sign):
        ra, dec = places
        x = (((ra0 - ra) * ra_sign % 360) / 360 * width).astype(int) % width
        y = numpy.clip(((90 - dec * dec_sign) / 180 * height).astype(int), 0, height - 1)
        return luminance[y, x].mean()

    scores = []
    for ra_sign in (1, -1):
        for dec_sign in (1, -1):
            for step in range(1440):
                ra0 = step * 0.25
                contrast = mean_light(on, ra0, ra_sign, dec_sign) - mean_light(off, ra0, ra_sign, dec_sign)
                scores.append((contrast, ra0, ra_sign, dec_sign))
    scores.sort(reverse=True)
    # The band alone cannot tell a frame from its mirror images: every
    # distinct frame that lays the band nearly as well is a candidate, and
    # the landmarks choose among them.
    candidates = []
    for contrast, ra0, ra_sign, dec_sign in scores:
        if contrast < 0.8 * scores[0][0]:
            break
        if all(c[2:] != (ra_sign, dec_sign) or abs((c[1] - ra0 + 180) % 360 - 180) > 10
               for c in candidates):
            candidates.append((contrast, ra0, ra_sign, dec_sign))
    background = float(numpy.median(luminance)) + 1

    def landmark_light(frame):
        return sum(math.log((mean_light((numpy.array([ra]), numpy.array([dec])), *frame) + 1) /
                            background) for ra, dec in LANDMARKS)

    ranked = sorted(candidates, key=lambda c: landmark_light(c[1:]), reverse=True)
    ra0, ra_sign, dec_sign = ranked[0][1:]
    if len(ranked) > 1 and landmark_light(ranked[0][1:]) < landmark_light(ranked[1][1:]) + 2:
        fail("the landmarks do not fix the picture's frame")
    for ra, dec in LANDMARKS:
        light = mean_light((numpy.array([ra]), numpy.array([dec])), ra0, ra_sign, dec_sign)
        if light + 1 < 2 * background:
            fail(f"no light at the landmark ({ra}, {dec}) in the frame found")
    # The band places the frame to a few degrees; the Clouds, compact, to
    # a fraction of one: the right ascension at the left edge that puts
    # each Cloud's brightest point on its place, averaged.
    implied = []
    reach = int(5 / 360 * width)
    for ra, dec in LANDMARKS[1:]:
        x = int(((ra0 - ra) * ra_sign % 360) / 360 * width)
        y = int((90 - dec * dec_sign) / 180 * height)
        columns = [(x + dx) % width for dx in range(-reach, reach + 1)]
        rows = slice(max(0, y - reach), min(height, y + reach + 1))
        window = luminance[rows][:, columns]
        _, column = numpy.unravel_index(numpy.argmax(window), window.shape)
        implied.append(ra + ra_sign * (columns[column] + 0.5) / width * 360)
    if abs((implied[0] - implied[1] + 180) % 360 - 180) > 3:
        fail("the Magellanic Clouds disagree on the picture's frame")
    ra0 = (implied[0] + ((implied[1] - implied[0] + 180) % 360 - 180) / 2) % 360
    return ra0, ra_sign, dec_sign


def visible(source_path, output):
    source = Image.open(source_path).convert("RGBA")
    rgba = numpy.asarray(source, dtype=numpy.float64) / 255
    rgb = rgba[:, :, :3] * rgba[:, :, 3:4]
    height, width = rgb.shape[:2]
    smooth = Image.fromarray(numpy.uint8(rgb.mean(axis=2) * 255)).filter(ImageFilter.GaussianBlur(4))
    ra0, ra_sign, dec_sign = locate_frame(numpy.asarray(smooth, dtype=numpy.float64))
    print(f"milkyway.png: right ascension {ra0:.1f} at the left edge, increasing to the "
          f"{'left' if ra_sign > 0 else 'right'}, {'north' if dec_sign > 0 else 'south'} up")
    v = galactic_grid(2048, 1024)
    ra = numpy.degrees(numpy.arctan2(v[..., 1], v[..., 0]))
    dec = numpy.degrees(numpy.arcsin(numpy.clip(v[..., 2], -1, 1)))
    sx = ((ra0 - ra) * ra_sign % 360) / 360 * width - 0.5
    sy = numpy.clip((90 - dec * dec_sign) / 180 * height - 0.5, 0, height - 1)
    x0 = numpy.floor(sx).astype(int)
    y0 = numpy.floor(sy).astype(int)
    fx, fy = (sx - x0)[..., None], (sy - y0)[..., None]
    x0 %= width
    x1 = (x0 + 1) % width
    y1 = numpy.minimum(y0 + 1, height - 1)
    out = (rgb[y0, x0] * (1 - fx) * (1 - fy) + rgb[y0, x1] * fx * (1 - fy) +
           rgb[y1, x0] * (1 - fx) * fy + rgb[y1, x1] * fx * fy)
    Image.fromarray(numpy.uint8(numpy.clip(out * 255 + 0.5, 0, 255))).save(output, quality=92)


def read_outline(path):
    """The outline's contours as lists of (ra, dec) degrees."""
    text = open(path).read()
    entries = [(int(a), int(b)) for a, b in re.findall(r"\{(-?\d+), (-?\d+)\}", text)]
    contours, h = [], 0
    while h < len(entries) and 0 < entries[h][0] < 400:
        n, step = entries[h]
        contours.append([(a / 1000, b / 1000) for a, b in entries[h + 1:h + 1 + n]])
        h += step
    if len(contours) != 16:
        fail(f"{path}: expected 16 contours, found {len(contours)}")
    return contours


def outline(table_path, output):
    width, height = 1024, 512
    segments = []
    for contour in read_outline(table_path):
        points = []
        for ra, dec in contour:
            e = numpy.array([math.cos(math.radians(dec)) * math.cos(math.radians(ra)),
                             math.cos(math.radians(dec)) * math.sin(math.radians(ra)),
                             math.sin(math.radians(dec))])
            g = GALACTIC @ e
            points.append((math.degrees(math.atan2(g[1], g[0])), math.degrees(math.asin(g[2]))))
        segments.extend(zip(points, points[1:]))
    pixels = numpy.zeros((height, width), dtype=numpy.uint8)
    for x in range(width):
        lon = LEFT_LONGITUDE - 360 * (x + 0.5) / width
        crossings = []
        for (l1, b1), (l2, b2) in segments:
            span = (l2 - l1 + 180) % 360 - 180
            if span == 0:
                continue
            t = ((lon - l1 + 180) % 360 - 180) / span
            if 0 <= t < 1:
                crossings.append(b1 + (b2 - b1) * t)
        crossings.sort(reverse=True)
        if len(crossings) % 2:
            fail(f"column {x}: the outline does not close ({len(crossings)} crossings)")
        for top, bottom in zip(crossings[0::2], crossings[1::2]):
            y0 = int(math.ceil((90 - top) / 180 * height - 0.5))
            y1 = int(math.floor((90 - bottom) / 180 * height - 0.5))
            pixels[max(y0, 0):min(y1, height - 1) + 1, x] = 255
    mask = Image.fromarray(pixels).filter(ImageFilter.GaussianBlur(2))
    picture = Image.new("RGB", (width, height))
    picture.paste(OUTLINE_COLOUR, mask=mask)
    picture.save(output)


def main():
    if len(sys.argv) != 4:
        fail("usage: make_milky_way_images.py STELLARIUM_MILKYWAY_PNG OUTLINE_TABLE_CPP OUTPUT_FOLDER")
    source, table, folder = sys.argv[1:]
    visible(source, os.path.join(folder, "Visible.jpg"))
    outline(table, os.path.join(folder, "Outline.png"))


if __name__ == "__main__":
    main()
