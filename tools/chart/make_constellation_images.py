#!/usr/bin/python3
"""The constellation illustrations and their index for the chart.

usage: make_constellation_images.py WESTERN_SKYCULTURE STARS_LIST CONSTELLATION_TABLE_CPP OUTPUT_FOLDER

Writes into OUTPUT_FOLDER (the bundle's SkyImages/Constellations):
  <Abr>-<picture>.png  one picture per constellation, named by its
                       abbreviation
  Index.txt            one line per constellation in the order of their
                       numbers: name, width, height, then three reference
                       stars, each its Bright Star (HR) number and its x and
                       y in pixels from the picture's top-left corner

Sources:
  stellarium-data skycultures/western: constellationsart.fab, a line per
      picture: abbreviation, file name, then three anchors "x y HIP"
      (pixels from the top-left corner, Hipparcos number), and the PNG
      pictures it names
  STARS_LIST: the catalogue tool's star list (tools/catalogues/
      extract_stars.py), whose cross-identifications give each Hipparcos
      star its Bright Star number and its J2000 place
  CONSTELLATION_TABLE_CPP: skydata/constellation_table.cpp, whose rows
      give the constellations' numbers (1 And ... 88 Vul)

Pictures shared: Argo Navis shows Carina, Puppis and Vela; Ophiuchus shows
Serpens. Their members get the same picture under their own abbreviation
("Car-argonavis.png", "Pup-argonavis.png", "Vel-argonavis.png"), which
the chart reads as one group drawn once.

Anchors without a Bright Star number: the plate of the original three
anchors (an affine map from pixels to gnomonic coordinates about their
mean direction) places the Bright Star star nearest the anchor's place
whose pixel lies inside the picture; it takes the anchor's place.

Deterministic: the same sources give the same files.
"""
import math
import os
import re
import shutil
import sys

from PIL import Image

from sky_math import angle, unit

SHARED = {"Pup": "Car", "Vel": "Car", "Ser": "Oph"}
CONSTELLATIONS = 88


def fail(message):
    sys.exit(f"make_constellation_images.py: {message}")


def read_stars(path):
    """HIP -> (HR or None, ra, dec) and HR -> (ra, dec), degrees."""
    by_hip, by_hr = {}, {}
    with open(path) as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            if not fields or fields[0] != "S" or len(fields) < 12:
                continue
            ra, dec = float(fields[3]), float(fields[4])
            designations = fields[11].split("|")
            # "HR 2491", not the variable star "HR Lup".
            hr = next((int(d[3:]) for d in designations if re.fullmatch(r"HR \d+", d)), None)
            for d in designations:
                if re.fullmatch(r"HIP \d+", d):
                    by_hip[int(d[4:])] = (hr, ra, dec)
            if hr is not None:
                by_hr.setdefault(hr, (ra, dec))
    return by_hip, by_hr


def constellation_order(path):
    rows = re.findall(r'^\s*\{"([A-Za-z]{3})",', open(path).read(), re.MULTILINE)
    if len(rows) < CONSTELLATIONS:
        fail(f"{path}: fewer than {CONSTELLATIONS} constellations")
    return rows[:CONSTELLATIONS]


class Plate:
    """Affine map from pixels to gnomonic coordinates about the mean
    direction of three stars, and back."""

    def __init__(self, anchors):
        s = [sum(unit(ra, dec)[c] for _, _, ra, dec in anchors) for c in range(3)]
        self.ra0 = math.degrees(math.atan2(s[1], s[0]))
        self.dec0 = math.degrees(math.atan2(s[2], math.hypot(s[0], s[1])))
        rows = [(1, x, y) for x, y, _, _ in anchors]
        coords = [self.standard(ra, dec) for _, _, ra, dec in anchors]
        self.xi = solve(rows, [c[0] for c in coords])
        self.eta = solve(rows, [c[1] for c in coords])

    def standard(self, ra, dec):
        a, d = math.radians(ra - self.ra0), math.radians(dec)
        d0 = math.radians(self.dec0)
        den = math.sin(d) * math.sin(d0) + math.cos(d) * math.cos(d0) * math.cos(a)
        return (math.cos(d) * math.sin(a) / den,
                (math.sin(d) * math.cos(d0) - math.cos(d) * math.sin(d0) * math.cos(a)) / den)

    def pixel(self, ra, dec):
        xi, eta = self.standard(ra, dec)
        a, b, c = self.xi
        d, e, f = self.eta
        det = b * f - c * e
        return ((xi - a) * f - (eta - d) * c) / det, (b * (eta - d) - e * (xi - a)) / det


def solve(rows, values):
    def det(m):
        return (m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]))
    d = det(rows)
    if abs(d) < 1e-12:
        fail("collinear anchors")
    out = []
    for k in range(3):
        m = [list(r) for r in rows]
        for i in range(3):
            m[i][k] = values[i]
        out.append(det(m) / d)
    return out


def anchors_of(fields, by_hip, by_hr, size, abbreviation):
    """The three anchors as (HR, x, y), each with a Bright Star number."""
    numbers = list(map(float, fields[2:11]))
    original = []
    for k in range(3):
        x, y, hip = numbers[3 * k], numbers[3 * k + 1], int(numbers[3 * k + 2])
        if hip not in by_hip:
            fail(f"{abbreviation}: anchor HIP {hip} is not in the star list")
        hr, ra, dec = by_hip[hip]
        original.append((x, y, ra, dec, hr))
    plate = Plate([(x, y, ra, dec) for x, y, ra, dec, _ in original])
    width, height = size
    result = []
    for x, y, ra, dec, hr in original:
        if hr is not None:
            result.append((hr, x, y))
            continue
        taken = {r for r, _, _ in result} | {h for *_, h in original if h}
        best = None
        for number, (sra, sdec) in by_hr.items():
            if number in taken:
                continue
            distance = angle(unit(ra, dec), unit(sra, sdec))
            if distance > 20 or (best is not None and distance >= best[0]):
                continue
            px, py = plate.pixel(sra, sdec)
            if 0 <= px < width and 0 <= py < height:
                best = (distance, number, px, py)
        if best is None:
            fail(f"{abbreviation}: no Bright Star star to stand for an anchor")
        result.append((best[1], best[2], best[3]))
    return result


def main():
    if len(sys.argv) != 5:
        fail("usage: make_constellation_images.py WESTERN_SKYCULTURE STARS_LIST "
             "CONSTELLATION_TABLE_CPP OUTPUT_FOLDER")
    culture, stars, table, output = sys.argv[1:]
    by_hip, by_hr = read_stars(stars)
    art = {}
    with open(os.path.join(culture, "constellationsart.fab")) as f:
        for line in f:
            fields = line.split()
            if len(fields) == 11:
                art[fields[0]] = fields
    lines = []
    for abbreviation in constellation_order(table):
        fields = art.get(SHARED.get(abbreviation, abbreviation))
        if fields is None:
            fail(f"no picture of {abbreviation}")
        source = os.path.join(culture, fields[1])
        with Image.open(source) as picture:
            size = picture.size
        name = f"{abbreviation}-{fields[1]}"
        if len(name) > 31:
            fail(f"{name}: longer than 31 characters")
        anchors = anchors_of(fields, by_hip, by_hr, size, fields[0])
        shutil.copyfile(source, os.path.join(output, name))
        text = " ".join(f"{hr} {x:.2f} {y:.2f}" for hr, x, y in anchors)
        lines.append(f"{name} {size[0]} {size[1]} {text}")
    with open(os.path.join(output, "Index.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
