#!/usr/bin/env python3
"""Country borders for the ground view, from Natural Earth (npm world-atlas).

Decodes the TopoJSON country outlines, joins ISO 3166 codes (Debian
iso-codes) by their numeric code and writes the intermediate list that
`tessaly-catalogues borders` turns into the shapefile:

    # tessaly-borders 1
    C <iso2> <iso3> <un numeric> <name> <label lon> <label lat>   (tabs)
    R <lon> <lat>;<lon> <lat>;...        one line per ring of that country
    E <country count>

The label point is the centroid of the country's largest ring. Fields the
sources do not carry (FIPS code, area, population, regions) are left out and
the tool writes them as empty or zero.

usage: extract_borders.py COUNTRIES_TOPOJSON ISO_3166_1_JSON OUTPUT
"""
import math
import sys

from extract_common import fail, load_json, write_atomically


def decode_arcs(topology):
    transform = topology.get("transform")
    arcs = []
    for index, arc in enumerate(topology["arcs"]):
        points = []
        x = y = 0
        for position in arc:
            if len(position) < 2:
                fail(f"arc {index}: a position has fewer than two values")
            if transform:
                x += position[0]
                y += position[1]
                sx, sy = transform["scale"]
                tx, ty = transform["translate"]
                points.append((x * sx + tx, y * sy + ty))
            else:
                points.append((float(position[0]), float(position[1])))
        arcs.append(points)
    return arcs


def ring_points(arcs, ring):
    points = []
    for reference in ring:
        index = reference if reference >= 0 else ~reference
        if index >= len(arcs):
            fail(f"ring refers to arc {index} of {len(arcs)}")
        arc = arcs[index] if reference >= 0 else list(reversed(arcs[index]))
        points.extend(arc if not points else arc[1:])
    return points


def signed_area(points):
    """Shoelace area in square degrees; positive when counter-clockwise."""
    total = 0.0
    for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
        total += x0 * y1 - x1 * y0
    return total / 2.0


def centroid(points):
    area = signed_area(points)
    if area == 0.0:
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        return sum(xs) / len(xs), sum(ys) / len(ys)
    cx = cy = 0.0
    for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
        cross = x0 * y1 - x1 * y0
        cx += (x0 + x1) * cross
        cy += (y0 + y1) * cross
    return cx / (6.0 * area), cy / (6.0 * area)


def unwrapped(points):
    """The ring with longitudes made continuous across the antimeridian."""
    result = [points[0]]
    for x, y in points[1:]:
        previous = result[-1][0]
        while x - previous > 180.0:
            x -= 360.0
        while x - previous < -180.0:
            x += 360.0
        result.append((x, y))
    return result


def label_point(ring):
    """Centroid of a ring; the mean direction of its vertices for a ring
    round a pole, which has no planar centroid."""
    points = unwrapped(ring)
    if abs(points[-1][0] - points[0][0]) < 1e-6:
        lon, lat = centroid(points[:-1])
    else:
        x = sum(math.cos(math.radians(b)) * math.cos(math.radians(a)) for a, b in ring)
        y = sum(math.cos(math.radians(b)) * math.sin(math.radians(a)) for a, b in ring)
        z = sum(math.sin(math.radians(b)) for a, b in ring)
        lon = math.degrees(math.atan2(y, x)) if x or y else 0.0
        lat = math.degrees(math.atan2(z, math.hypot(x, y)))
    lon = (lon + 180.0) % 360.0 - 180.0
    return lon, lat


def oriented(points, clockwise):
    """Shapefiles want outer rings clockwise and holes counter-clockwise."""
    is_clockwise = signed_area(unwrapped(points)) < 0.0
    ring = points if is_clockwise == clockwise else list(reversed(points))
    if ring[0] != ring[-1]:
        ring = ring + [ring[0]]
    return ring


def country_rings(arcs, geometry):
    kind = geometry.get("type")
    if kind == "Polygon":
        polygons = [geometry["arcs"]]
    elif kind == "MultiPolygon":
        polygons = geometry["arcs"]
    else:
        return []
    rings = []
    for polygon in polygons:
        for k, ring in enumerate(polygon):
            points = ring_points(arcs, ring)
            if len(points) >= 3:
                rings.append(oriented(points, clockwise=(k == 0)))
    return rings


def main(argv):
    if len(argv) != 4:
        fail(__doc__.strip().splitlines()[-1])
    topology = load_json(argv[1])
    iso = load_json(argv[2])
    by_numeric = {int(c["numeric"]): c for c in iso.get("3166-1", [])}
    if "countries" not in topology.get("objects", {}):
        fail(f"{argv[1]}: no countries object")
    arcs = decode_arcs(topology)

    lines = ["# tessaly-borders 1"]
    count = 0
    for geometry in topology["objects"]["countries"]["geometries"]:
        name = geometry.get("properties", {}).get("name", "")
        rings = country_rings(arcs, geometry)
        if not rings or not name:
            continue
        code = geometry.get("id")
        entry = by_numeric.get(int(code)) if code and code.isdigit() else None
        largest = max(rings, key=lambda r: abs(signed_area(unwrapped(r)[:-1])))
        lon, lat = label_point(largest)
        lines.append("\t".join([
            "C",
            entry["alpha_2"] if entry else "",
            entry["alpha_3"] if entry else "",
            str(int(code)) if entry else "0",
            name.replace("\t", " "),
            f"{lon:.3f}",
            f"{lat:.3f}",
        ]))
        for ring in rings:
            lines.append("R\t" + ";".join(f"{x:.4f} {y:.4f}" for x, y in ring))
        count += 1
    if count == 0:
        fail(f"{argv[1]}: no countries")
    lines.append(f"E\t{count}")
    write_atomically(argv[3], "\n".join(lines) + "\n")
    print(f"borders: {count} countries")


if __name__ == "__main__":
    main(sys.argv)
