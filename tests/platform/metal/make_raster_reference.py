#!/usr/bin/python3
"""Exact coverage of triangles, lines and points on a 32 x 32 pixel target,
in rational arithmetic, for the software GPU's rasteriser tests.

Coordinates are window coordinates with y down, in units of 1/256 pixel
(the rasteriser's snapping grid, so that snapping changes nothing). Pixel
(X, Y) has its centre at (X + 1/2, Y + 1/2).

Triangles: a centre is covered when it lies strictly inside the triangle,
or on an edge that is a top edge (horizontal, the triangle below it) or a
left edge (the triangle to its right) -- decided from the third vertex,
not from the winding.

Lines: the diamond-exit rule of the OpenGL ES 3.0 specification, 3.5.1:
pixel f is produced when the segment from a' to b' meets the open diamond
|x - xf| + |y - yf| < 1/2 and b' is not inside it, with a' = a + (-e, e^2)
and b' = b + (-e, e^2) (GL's (-e, -e^2) with y turned down), e = 2^-40,
small enough that nothing changes for a smaller one on this grid.

Points: squares of the given size centred on the vertex; a centre is
covered when left <= x < right and top <= y < bottom.

Output (tests/platform/metal/data/raster_reference.txt), one case a line:
  T x0 y0 x1 y1 x2 y2 : 32 rows
  L xa ya xb yb : 32 rows
  P x y size4 : 32 rows          (size4 = four times the point size)
each row eight hex digits, bit X set when pixel X of that row is covered.

Usage: make_raster_reference.py > data/raster_reference.txt
"""
from fractions import Fraction as F
import random

SIZE = 32
UNIT = 256
EPS = F(1, 2 ** 40)
HALF = F(1, 2)


def centre(i):
    return F(i) + HALF


def triangle_mask(v):
    p = [(F(x, UNIT), F(y, UNIT)) for x, y in v]
    area = (p[1][0] - p[0][0]) * (p[2][1] - p[0][1]) - (p[2][0] - p[0][0]) * (p[1][1] - p[0][1])
    rows = [0] * SIZE
    if area == 0:
        return rows
    edges = []
    for k in range(3):
        a, b, c = p[k], p[(k + 1) % 3], p[(k + 2) % 3]
        if a[1] == b[1]:
            top_or_left = c[1] > a[1]
        else:
            # x of the edge's line at the third vertex's height
            x_at = a[0] + (b[0] - a[0]) * (c[1] - a[1]) / (b[1] - a[1])
            top_or_left = c[0] > x_at
        edges.append((a, b, c, top_or_left))

    def side(a, b, q):
        return (b[0] - a[0]) * (q[1] - a[1]) - (b[1] - a[1]) * (q[0] - a[0])

    for Y in range(SIZE):
        for X in range(SIZE):
            q = (centre(X), centre(Y))
            inside = True
            for a, b, c, top_or_left in edges:
                s = side(a, b, q)
                t = side(a, b, c)  # the interior's sign
                if s == 0:
                    inside = inside and top_or_left
                else:
                    inside = inside and (s > 0) == (t > 0)
            if inside:
                rows[Y] |= 1 << X
    return rows


def in_diamond(q, f):
    return abs(q[0] - f[0]) + abs(q[1] - f[1]) < HALF


def segment_meets_diamond(a, b, f):
    # |x - xf| + |y - yf| < 1/2 as four open half-planes sx (x - xf) + sy (y - yf) < 1/2,
    # along p(t) = a + t (b - a), t in [0, 1].
    lower, lower_open = F(0), False
    upper, upper_open = F(1), False
    for sx in (1, -1):
        for sy in (1, -1):
            alpha = sx * (a[0] - f[0]) + sy * (a[1] - f[1])
            beta = sx * (b[0] - a[0]) + sy * (b[1] - a[1])
            if beta == 0:
                if not alpha < HALF:
                    return False
                continue
            bound = (HALF - alpha) / beta
            if beta > 0:  # t < bound
                if bound < upper or (bound == upper and not upper_open):
                    upper, upper_open = bound, True
            else:  # t > bound
                if bound > lower or (bound == lower and not lower_open):
                    lower, lower_open = bound, True
    return lower < upper


def line_mask(a, b):
    pa = (F(a[0], UNIT) - EPS, F(a[1], UNIT) + EPS * EPS)
    pb = (F(b[0], UNIT) - EPS, F(b[1], UNIT) + EPS * EPS)
    rows = [0] * SIZE
    for Y in range(SIZE):
        for X in range(SIZE):
            f = (centre(X), centre(Y))
            if segment_meets_diamond(pa, pb, f) and not in_diamond(pb, f):
                rows[Y] |= 1 << X
    return rows


def point_mask(c, size4):
    cx, cy = F(c[0], UNIT), F(c[1], UNIT)
    half = F(size4, 8)
    rows = [0] * SIZE
    for Y in range(SIZE):
        for X in range(SIZE):
            x, y = centre(X), centre(Y)
            if cx - half <= x < cx + half and cy - half <= y < cy + half:
                rows[Y] |= 1 << X
    return rows


def emit(kind, numbers, rows):
    print(kind, ' '.join(str(n) for n in numbers), ':', ' '.join('%08x' % r for r in rows))


def main():
    rng = random.Random(27)
    c = lambda i: i * UNIT + UNIT // 2  # pixel centre in grid units
    triangles = [
        [(0, 0), (4 * UNIT, 0), (0, 4 * UNIT)],                 # edges through centres
        [(c(2), c(2)), (c(12), c(2)), (c(2), c(12))],          # vertices on centres
        [(c(2), c(2)), (c(2), c(12)), (c(12), c(2))],          # the other winding
        [(c(20), c(4)), (c(28), c(12)), (c(20), c(20))],       # a left edge on centres
        [(c(4), c(20)), (c(14), c(20)), (c(9), c(30))],        # flat top on centres
        [(c(4), c(30)), (c(14), c(30)), (c(9), c(20))],        # flat bottom on centres
        [(c(1), c(1)), (c(30), c(2)), (c(2), c(30))],          # large
        [(c(5) + 3, c(5) + 7), (c(5) + 90, c(5) + 11), (c(5) + 30, c(5) + 120)],  # sub-pixel
        [(0, c(16)), (32 * UNIT, c(16) + 1), (32 * UNIT, c(16) + 200)],   # sliver
        [(-10 * UNIT, -10 * UNIT), (50 * UNIT, 5 * UNIT), (5 * UNIT, 50 * UNIT)],  # off the target
    ]
    # Two triangles sharing each diagonal of a quad.
    quad = [(c(3) + 17, c(3) + 5), (c(27) + 2, c(4) + 100), (c(26) + 60, c(28)), (c(2) + 40, c(27) + 3)]
    triangles += [[quad[0], quad[1], quad[2]], [quad[0], quad[2], quad[3]]]
    for _ in range(36):
        triangles.append([(rng.randint(-4 * UNIT, 36 * UNIT), rng.randint(-4 * UNIT, 36 * UNIT))
                          for _ in range(3)])
    for _ in range(12):  # small ones, on and off the centres
        x, y = rng.randint(0, 28 * UNIT), rng.randint(0, 28 * UNIT)
        triangles.append([(x + rng.choice([0, 128, rng.randint(0, 1023)]),
                           y + rng.choice([0, 128, rng.randint(0, 1023)])) for _ in range(3)])
    for t in triangles:
        emit('T', [n for v in t for n in v], triangle_mask(t))

    lines = [
        [(c(1), c(1)), (c(9), c(1))],        # horizontal, centre to centre: half open
        [(c(9), c(3)), (c(1), c(3))],        # the other way
        [(c(3), c(5)), (c(3), c(15))],       # vertical
        [(c(5), c(15)), (c(5), c(5))],
        [(c(10), c(10)), (c(20), c(20))],    # diagonal: x-major
        [(c(20), c(10)), (c(10), c(20))],
        [(c(22), c(2)), (c(30), c(6))],      # shallow
        [(c(30), c(8)), (c(26), c(24))],     # steep
        [(0, 16 * UNIT), (32 * UNIT, 16 * UNIT)],   # along row boundaries
        [(16 * UNIT, 0), (16 * UNIT, 32 * UNIT)],   # along column boundaries
        [(2 * UNIT, 2 * UNIT), (8 * UNIT, 8 * UNIT)],  # corner to corner
        [(-5 * UNIT, 3 * UNIT), (40 * UNIT, 29 * UNIT)],  # off the target
        [(c(12), c(28)), (c(12) + 40, c(28) + 30)],  # shorter than a pixel
        # Ends on the corners of diamonds, where the perturbation decides.
        [(c(4), 20 * UNIT), (c(10), 26 * UNIT)],    # top corners, diagonal
        [(c(14), c(18)), (c(14), 22 * UNIT)],        # vertical onto a top corner
        [(c(18), 30 * UNIT), (c(18), c(25))],        # and up onto a bottom corner
        [(20 * UNIT, c(26)), (25 * UNIT, c(26))],    # horizontal, left and right corners
        [(29 * UNIT, c(28)), (c(26), 24 * UNIT)],    # steep onto a top corner
    ]
    for _ in range(30):
        lines.append([(rng.randint(-2 * UNIT, 34 * UNIT), rng.randint(-2 * UNIT, 34 * UNIT))
                      for _ in range(2)])
    for l in lines:
        emit('L', [n for v in l for n in v], line_mask(l[0], l[1]))

    points = [((c(3), c(3)), 4), ((c(10), c(3)), 8), ((10 * UNIT, 10 * UNIT), 8),
              ((c(20), c(5)), 12), ((c(5) + 64, c(20) + 64), 13), ((c(25), c(25)), 28),
              ((0, 0), 20), ((c(31), c(31)), 16)]
    for _ in range(12):
        points.append(((rng.randint(0, 32 * UNIT), rng.randint(0, 32 * UNIT)), rng.randint(4, 40)))
    for p, size4 in points:
        emit('P', [p[0], p[1], size4], point_mask(p, size4))


if __name__ == '__main__':
    main()
