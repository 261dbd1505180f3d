#!/usr/bin/env python3
"""Constellation boundaries (J2000 polygons) from d3-celestial.

Output list ("tessaly-boundaries"), one boundary a line, tab-separated:
  B abbreviation points
  points: ";"-separated "ra dec" pairs in J2000 degrees. Serpens has two
  parts; the one farther east (Serpens Cauda) is written with the
  abbreviation "Ser2".

usage: extract_constellations.py BOUNDS_JSON OUTPUT
"""
import sys

from extract_common import fail, load_json, write_atomically


def mean_ra(points):
    return sum(p[0] % 360.0 for p in points) / len(points)


def main(argv):
    if len(argv) != 3:
        fail(__doc__.strip().splitlines()[-1])
    data = load_json(argv[1])
    boundaries = []
    for feature in data.get("features", []):
        try:
            abbreviation = str(feature["id"])
            geometry = feature["geometry"]
            rings = geometry["coordinates"] if geometry["type"] == "Polygon" else \
                [ring for polygon in geometry["coordinates"] for ring in polygon]
            points = [(float(x) % 360.0, float(y)) for x, y in rings[0]]
        except (KeyError, TypeError, ValueError, IndexError):
            fail(f"{argv[1]}: damaged boundary {feature.get('id')}")
        if len(points) < 3 or any(abs(y) > 90.0 for _, y in points):
            fail(f"{argv[1]}: boundary {abbreviation} out of range")
        boundaries.append([abbreviation, points])
    serpens = [b for b in boundaries if b[0] == "Ser"]
    if len(serpens) != 2:
        fail(f"{argv[1]}: expected two parts of Serpens")
    max(serpens, key=lambda b: mean_ra(b[1]))[0] = "Ser2"
    if len(boundaries) != 89:
        fail(f"{argv[1]}: {len(boundaries)} boundaries instead of 89 (file truncated?)")
    lines = ["# tessaly-boundaries 1"]
    for abbreviation, points in boundaries:
        lines.append(f"B\t{abbreviation}\t" + ";".join(f"{x:.4f} {y:.4f}" for x, y in points))
    lines.append(f"E\t{len(boundaries)}")
    write_atomically(argv[2], "\n".join(lines) + "\n")
    print(f"constellations: {len(boundaries)} boundaries")


if __name__ == "__main__":
    main(sys.argv)
