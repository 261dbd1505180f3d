#!/usr/bin/env python3
"""Writes chart/milky_way_outline_table.cpp: the Milky Way's outline as 16
contours of (right ascension, declination) in thousandths of a degree,
J2000, each after a header entry (n, n + 1) giving its point count.

Source: kstars-data's milkyway.dat (Debian package kstars-data), the
Milky Way's edge as polylines: "M ra dec" and "S ra dec" start a polyline,
"D ra dec" continues it; right ascension in hours, declination in degrees.
Joined end to end (ends within 0.5 degree of each other meet), the
polylines close into the two edges of the band, each once round the sky,
and six small contours inside the band (dark clouds in Ophiuchus,
Scorpius and Crux).

The table's layout is fixed by the chart: 2742 entries, headers at
entries 0, 346, 463, 563, 653, 844, 1186, 1453, 1612, 1723, 1931, 2032,
2186, 2278, 2444 and 2518 with n = 345, 116, 99, 89, 190, 341, 266, 158,
110, 207, 100, 153, 91, 165, 73 and 208, entries 2727 to 2741 (0, 0), and
the first point (805, 64794). The six small contours take the six
smallest counts, larger with larger; the two edges share the other ten,
each edge the counts whose sum is nearest its share of the length, the
first count on the edge that passes (0.805, +64.794) and starting there.
Every contour is resampled to its count at even steps of arc along its
source points; the pieces of an edge join end to end and the last closes
the edge, and a small contour's last point is its first.

No point may have both values below 400 in absolute value: the chart
takes such entries for headers.

Usage: make_milky_way_outline.py MILKYWAY_DAT OUTPUT.cpp
"""
import itertools
import math
import os
import sys
import tempfile

from sky_math import angle, unit

COUNTS = [345, 116, 99, 89, 190, 341, 266, 158, 110, 207, 100, 153, 91, 165, 73, 208]
ENTRIES = 2742
FIRST_POINT = (805, 64794)
JOIN = 0.5  # degrees
HEADER_LIMIT = 400


def fail(message):
    sys.exit(f"make_milky_way_outline.py: {message}")


def read_polylines(path):
    lines = []
    with open(path) as f:
        for number, text in enumerate(f, 1):
            fields = text.split()
            if not fields:
                continue
            if len(fields) != 3 or fields[0] not in "MSD":
                fail(f"{path}:{number}: expected M, S or D and two numbers")
            ra, dec = float(fields[1]) * 15, float(fields[2])
            if fields[0] in "MS" or not lines:
                lines.append([])
            lines[-1].append(unit(ra, dec))
    return [line for line in lines if len(line) > 1]


def closed(line):
    return len(line) > 3 and angle(line[0], line[-1]) < JOIN


def join(lines):
    """Joins the nearest open ends until none lie within JOIN."""
    lines = [list(line) for line in lines]
    while True:
        best = None
        for i, j in itertools.combinations(range(len(lines)), 2):
            if closed(lines[i]) or closed(lines[j]):
                continue
            a, b = lines[i], lines[j]
            for kind, (p, q) in enumerate([(a[-1], b[0]), (a[-1], b[-1]), (a[0], b[0]), (a[0], b[-1])]):
                d = angle(p, q)
                if best is None or d < best[0]:
                    best = (d, i, j, kind)
        if best is None or best[0] > JOIN:
            return lines
        _, i, j, kind = best
        a, b = lines[i], lines[j]
        lines[i] = [a + b, a + b[::-1], a[::-1] + b, b + a][kind]
        del lines[j]


def length(points):
    return sum(angle(p, q) for p, q in zip(points, points[1:]))


def point_at(points, cumulative, s):
    """The point at arc length s along the polyline (great-circle steps
    short enough to interpolate in the chord)."""
    lo, hi = 0, len(cumulative) - 1
    while hi - lo > 1:
        mid = (lo + hi) // 2
        if cumulative[mid] <= s:
            lo = mid
        else:
            hi = mid
    span = cumulative[hi] - cumulative[lo]
    t = 0.0 if span == 0 else (s - cumulative[lo]) / span
    p, q = points[lo], points[hi]
    v = [a + (b - a) * t for a, b in zip(p, q)]
    r = math.sqrt(sum(c * c for c in v))
    return tuple(c / r for c in v)


def resample(points, start, stop, count):
    """count points from arc length start to stop (inclusive) along the
    closed polyline `points` (first point repeated at its end)."""
    cumulative = [0.0]
    for p, q in zip(points, points[1:]):
        cumulative.append(cumulative[-1] + angle(p, q))
    return [point_at(points, cumulative, start + (stop - start) * k / (count - 1)) for k in range(count)]


def loop_from(points, first, through=False):
    """The closed loop starting at its point nearest `first`; with
    `through`, starting and ending at `first` itself, so that the loop
    still closes where the table's first point is set."""
    ring = points[:-1] if angle(points[0], points[-1]) < 1e-9 else points
    k = min(range(len(ring)), key=lambda i: angle(ring[i], first))
    ring = ring[k:] + ring[:k]
    if through:
        ring = [first] + ring
    return ring + [ring[0]]


def thousandths(v):
    ra = math.degrees(math.atan2(v[1], v[0])) % 360
    dec = math.degrees(math.asin(max(-1.0, min(1.0, v[2]))))
    return (int(round(ra * 1000)) % 360000, int(round(dec * 1000)))


def main():
    if len(sys.argv) != 3:
        fail("usage: make_milky_way_outline.py MILKYWAY_DAT OUTPUT.cpp")
    source, output = sys.argv[1], sys.argv[2]
    contours = join(read_polylines(source))
    if len(contours) != 8 or not all(closed(c) for c in contours):
        fail(f"{source}: expected 8 closed contours after joining, found {len(contours)}")
    contours.sort(key=length, reverse=True)
    edges, small = contours[:2], contours[2:]
    first = unit(FIRST_POINT[0] / 1000, FIRST_POINT[1] / 1000)
    # The edge through the first point comes first.
    edges.sort(key=lambda e: min(angle(p, first) for p in e))
    if min(angle(p, first) for p in edges[0]) > 0.5:
        fail("no edge passes the first point")

    slots = sorted(range(len(COUNTS)), key=lambda i: COUNTS[i])
    small_slots, edge_slots = slots[:6], [i for i in range(len(COUNTS)) if i not in slots[:6]]
    assignment = {}
    for slot, contour in zip(sorted(small_slots, key=lambda i: COUNTS[i]), sorted(small, key=length)):
        assignment[slot] = resample(loop_from(contour, contour[0]), 0, length(loop_from(contour, contour[0])), COUNTS[slot])

    share = length(edges[0]) / (length(edges[0]) + length(edges[1]))
    total = sum(COUNTS[i] - 1 for i in edge_slots)
    others = [i for i in edge_slots if i != 0]
    best = None
    for r in range(len(others) + 1):
        for chosen in itertools.combinations(others, r):
            on_first = [0] + list(chosen)
            error = abs(sum(COUNTS[i] - 1 for i in on_first) / total - share)
            if best is None or error < best[0]:
                best = (error, on_first)
    on_first = best[1]
    on_second = [i for i in edge_slots if i not in on_first]
    for edge, pieces, start in ((edges[0], on_first, first), (edges[1], on_second, edges[1][0])):
        loop = loop_from(edge, start, start is first)
        full = length(loop)
        steps = sum(COUNTS[i] - 1 for i in pieces)
        s = 0.0
        for i in pieces:
            stop = s + full * (COUNTS[i] - 1) / steps
            assignment[i] = resample(loop, s, min(stop, full), COUNTS[i])
            s = stop

    table = []
    for slot, n in enumerate(COUNTS):
        points = [thousandths(v) for v in assignment[slot]]
        if slot == 0:
            points[0] = FIRST_POINT
        for ra, dec in points:
            if abs(ra) < HEADER_LIMIT and abs(dec) < HEADER_LIMIT:
                fail(f"point ({ra}, {dec}) would read as a header")
        table.append((n, n + 1))
        table.extend(points)
    if len(table) > ENTRIES:
        fail("the contours do not fit the table")
    table.extend([(0, 0)] * (ENTRIES - len(table)))

    text = ["// Generated by tools/chart/make_milky_way_outline.py from kstars-data's",
            "// milkyway.dat; do not edit. 16 contours, each a header (n, n + 1) and n",
            "// points (right ascension, declination) in thousandths of a degree, J2000.",
            '#include "chart/milky_way.h"',
            "",
            "const std::int32_t kMilkyWayOutlineTable[kMilkyWayOutlineEntries][2] = {"]
    row = []
    for entry in table:
        row.append("{%d, %d}," % entry)
        if len(row) == 6:
            text.append("    " + " ".join(row))
            row = []
    if row:
        text.append("    " + " ".join(row))
    text.append("};")
    directory = os.path.dirname(os.path.abspath(output))
    with tempfile.NamedTemporaryFile("w", dir=directory, delete=False) as f:
        f.write("\n".join(text) + "\n")
        name = f.name
    os.replace(name, output)


if __name__ == "__main__":
    main()
