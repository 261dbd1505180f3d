#!/usr/bin/python3
"""Prints where an independent SGP4 (python3-sgp4, WGS-72 as the element
sets assume) puts satellites, for the chart's ground-view tests.
Arguments: a Julian date (UT), then pairs of two-line element lines.
For each pair one line: x y z, the TEME position in km (nan when the
propagator reports an error)."""
import math
import sys

from sgp4.api import WGS72, Satrec


def main(args):
    jd = float(args[0])
    whole = math.floor(jd)
    for k in range(1, len(args) - 1, 2):
        satellite = Satrec.twoline2rv(args[k], args[k + 1], WGS72)
        error, r, _ = satellite.sgp4(whole, jd - whole)
        if error:
            r = (math.nan,) * 3
        print("%.9f %.9f %.9f" % tuple(r))


if __name__ == "__main__":
    main(sys.argv[1:])
