#!/usr/bin/env python3
"""Writes engine/long_term_precession_table.cpp: Chebyshev coefficients of
the four long-term precession angles (chi, omega, psi, epsilon), in degrees,
over 125 intervals of 80 Julian centuries from T = -5000 to T = +5000.

Source model: the long-term precession of Vondrak, Capitaine and Wallace
(2011, A&A 534, A22; corrigendum 2012, A&A 541, C1), valid for +-200,000
years, evaluated through liberfa (eraLtp, eraLtpequ, eraLtpecl).

The engine builds the precession matrix J2000 -> date as
    P = R3(chi) R1(-omega) R3(-psi) R1(eps0)
(passive rotations) with eps0 = 84381.448 arcseconds, the obliquity the
engine uses for J2000. The angles are taken from the model's matrix with
that eps0, so the engine's matrix is the model's matrix and the J2000 row
gives chi = psi = 0 and omega = eps0 exactly. Epsilon, the mean obliquity of
date, is the angle between the model's equator and ecliptic poles of date,
shifted by the constant that makes it eps0 at J2000.

Past the model's span (|T| > 2040 centuries, the first interval boundary
beyond 200,000 years) the angles are continued smoothly (value and rate
matched at the boundary): psi, which winds on, at its boundary rate; chi,
omega and epsilon settle exponentially (time constant 80 centuries) to the
value their boundary rate points at. Nothing beyond the span is physics; it
only keeps the table finite, continuous and monotonic in psi.

Usage: long_term_precession_table.py OUTPUT.cpp
"""
import ctypes
import ctypes.util
import math
import sys

ROWS = 125
COEFFS = 10
SPAN = 80.0            # centuries per row
FIRST = -5000.0        # T at the start of row 0
SAMPLES = 64           # Chebyshev nodes per row for the coefficient transform
MODEL_LIMIT = 2040.0   # centuries; row boundary just past 200,000 years
SETTLE = 80.0          # centuries; time constant of the continuation
EPS0 = 84381.448 / 3600.0  # degrees

_erfa = ctypes.CDLL(ctypes.util.find_library("erfa") or "liberfa.so.1")
_V3 = ctypes.c_double * 3
_M33 = (ctypes.c_double * 3) * 3


def _model_raw(t):
    """(chi, omega, psi, epsilon) in degrees at t centuries, chi and psi
    in (-180, 180]."""
    epj = ctypes.c_double(2000.0 + 100.0 * t)
    p = _M33()
    _erfa.eraLtp(epj, p)
    c, s = math.cos(math.radians(EPS0)), math.sin(math.radians(EPS0))
    # Q = P R1(eps0)^T, R1(eps0)^T = [[1,0,0],[0,c,-s],[0,s,c]]
    q = [[p[r][0], p[r][1] * c + p[r][2] * s, -p[r][1] * s + p[r][2] * c]
         for r in range(3)]
    psi = math.atan2(q[2][0], q[2][1])
    omega = math.atan2(math.hypot(q[2][0], q[2][1]), q[2][2])
    chi = math.atan2(-q[0][2], -q[1][2])
    equ, ecl = _V3(), _V3()
    _erfa.eraLtpequ(epj, equ)
    _erfa.eraLtpecl(epj, ecl)
    dot = sum(equ[i] * ecl[i] for i in range(3))
    eps = math.acos(max(-1.0, min(1.0, dot)))
    return [math.degrees(a) for a in (chi, omega, psi, eps)]


EPS_SHIFT = EPS0 - _model_raw(0.0)[3]


class Unwrapped:
    """The model's angles with chi and psi made continuous, walked outwards
    from J2000 (where both are 0) in steps no larger than `step` centuries."""

    def __init__(self, step=0.5):
        self.step = step
        self.last = {1: (0.0, self._fix(_model_raw(0.0), [0, 0, 0, 0])),
                     -1: (0.0, self._fix(_model_raw(0.0), [0, 0, 0, 0]))}

    @staticmethod
    def _fix(raw, near):
        out = list(raw)
        for k in (0, 2):
            out[k] += 360.0 * round((near[k] - raw[k]) / 360.0)
        out[3] += EPS_SHIFT
        return out

    def __call__(self, t):
        side = 1 if t >= 0 else -1
        t0, v0 = self.last[side]
        if abs(t) < abs(t0):           # restart the walk from J2000
            t0, v0 = 0.0, self._fix(_model_raw(0.0), [0, 0, 0, 0])
        while abs(t - t0) > self.step:
            t0 += side * self.step
            v0 = self._fix(_model_raw(t0), v0)
        v = self._fix(_model_raw(t), v0)
        self.last[side] = (t, v)
        return v


_model = Unwrapped()


_edges = {}


def _edge(side):
    """Angles and their rates (degrees per century) at the span's edge."""
    if side not in _edges:
        edge, h = side * MODEL_LIMIT, 0.01
        before, value, after = _model(edge - h), _model(edge), _model(edge + h)
        _edges[side] = (value, [(a - b) / (2 * h) for a, b in zip(after, before)])
    return _edges[side]


def angles(t):
    """The four angles in degrees at t centuries, continued past the span."""
    if abs(t) <= MODEL_LIMIT:
        return _model(t)
    side = 1.0 if t > 0 else -1.0
    value, rate = _edge(side)
    d = t - side * MODEL_LIMIT
    out = []
    for k in range(4):
        if k == 2:
            out.append(value[k] + rate[k] * d)
        else:
            settle = side * SETTLE * (1.0 - math.exp(-abs(d) / SETTLE))
            out.append(value[k] + rate[k] * settle)
    return out


def chebyshev_row(start):
    """Coefficients (coefficient-major, 4 angles each) of one interval."""
    centre, half = start + SPAN / 2, SPAN / 2
    nodes = [math.cos(math.pi * (j + 0.5) / SAMPLES) for j in range(SAMPLES)]
    # Walk the nodes in time order so the unwrapping steps stay short.
    order = sorted(range(SAMPLES), key=lambda j: abs(centre + half * nodes[j]))
    values = [None] * SAMPLES
    for j in order:
        values[j] = angles(centre + half * nodes[j])
    coeffs = []
    for k in range(COEFFS):
        scale = (1.0 if k == 0 else 2.0) / SAMPLES
        for a in range(4):
            coeffs.append(scale * sum(
                values[j][a] * math.cos(math.pi * k * (j + 0.5) / SAMPLES)
                for j in range(SAMPLES)))
    return coeffs


def anchor_j2000(row):
    """Makes the row centred on J2000 give the engine's J2000 values exactly:
    at x = 0 the series is c0 - c2 + c4 - c6 + c8."""
    target = [0.0, EPS0, 0.0, EPS0]
    for a in range(4):
        value = sum(row[4 * k + a] * (1 if k % 4 == 0 else -1)
                    for k in range(0, COEFFS, 2))
        row[a] += target[a] - value


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    rows = [None] * ROWS
    # Rows in order of distance from J2000 keep each unwrapping walk short.
    for i in sorted(range(ROWS), key=lambda i: abs(FIRST + SPAN * (i + 0.5))):
        rows[i] = chebyshev_row(FIRST + SPAN * i)
    anchor_j2000(rows[62])
    with open(sys.argv[1], "w") as out:
        out.write("// Generated by tools/long_term_precession_table.py from the long-term\n"
                  "// precession model of Vondrak, Capitaine and Wallace (2011) as\n"
                  "// evaluated by liberfa; do not edit.\n"
                  "#include \"engine/long_term_precession_table.h\"\n\n"
                  "const double kLongTermPrecessionTable[kLongTermPrecessionRows]\n"
                  "                                     [kLongTermPrecessionRowSize] = {\n")
        for i, row in enumerate(rows):
            out.write("    // T = %+.0f .. %+.0f centuries\n" %
                      (FIRST + SPAN * i, FIRST + SPAN * (i + 1)))
            out.write("    {")
            for k in range(COEFFS):
                out.write("\n     " if k else "")
                out.write(" ".join("%.17g," % row[4 * k + a] for a in range(4)))
            out.write("},\n")
        out.write("};\n")


if __name__ == "__main__":
    main()
