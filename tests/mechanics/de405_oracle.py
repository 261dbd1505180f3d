#!/usr/bin/python3
"""Evaluates JPL's DE405 directly from the coefficients Debian ships for
casacore (casacore-data-jpl-de405), with numpy's Chebyshev series: an
evaluation written apart from the project's converter and reader.

Reads lines "target jd" (targets 1-11 as in JPL's numbering, 13 the
Earth-Moon barycentre; about the solar-system barycentre, the Moon
geocentric) and prints "target jd x y z vx vy vz" in km and km/day.
"""
import sys

import numpy as np
from casacore.tables import table

TABLE = "/usr/share/casacore/data/ephemerides/DE405"


def main():
    t = table(TABLE, ack=False)
    starts = t.getcol("MJD") + 2400000.5
    coefficients = t.getcol("x")
    pointers = np.asarray(t.getcolkeywords("x")["Description"]).reshape(3, 13).T
    span = float(t.getkeywords()["dMJD"])
    for line in sys.stdin:
        fields = line.split()
        if len(fields) != 2:
            continue
        target, jd = int(fields[0]), float(fields[1])
        entry = 2 if target == 13 else target - 1
        offset, count, subintervals = (int(v) for v in pointers[entry])
        row = min(int(np.searchsorted(starts, jd, side="right")) - 1, len(starts) - 1)
        fraction = (jd - starts[row]) / span
        sub = min(int(fraction * subintervals), subintervals - 1)
        x = 2.0 * (fraction * subintervals - sub) - 1.0
        base = offset - 3 + sub * 3 * count
        state = []
        for derivative in (0, 1):
            for component in range(3):
                series = coefficients[row][base + component * count:base + (component + 1) * count]
                if derivative:
                    value = np.polynomial.chebyshev.chebval(
                        x, np.polynomial.chebyshev.chebder(series)) * 2.0 * subintervals / span
                else:
                    value = np.polynomial.chebyshev.chebval(x, series)
                state.append(value)
        print(target, repr(jd), *(repr(float(v)) for v in state))


if __name__ == "__main__":
    main()
