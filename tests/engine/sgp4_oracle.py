#!/usr/bin/python3
"""Prints satellite states from an independent propagator (python3-sgp4,
WGS-72 constants) for the mechanics and pass-search tests.

Reads queries from standard input, one per line:
    <line 1 of the element set>|<line 2>|<Julian date (UT)>[|<count>|<step days>]
and prints for each query, and each of the `count` times (default 1), one
line: error-code jd x y z vx vy vz, the TEME position in km and velocity in
km/s. With "--binary FILE" the same eight numbers go to FILE as native
doubles instead, for long runs.
"""
import struct
import sys

from sgp4.api import WGS72, Satrec


def main():
    binary = None
    if len(sys.argv) == 3 and sys.argv[1] == "--binary":
        binary = open(sys.argv[2], "wb")
    for query in sys.stdin:
        query = query.rstrip("\n")
        if not query:
            continue
        fields = query.split("|")
        line1, line2, jd = fields[0], fields[1], float(fields[2])
        count = int(fields[3]) if len(fields) > 3 else 1
        step = float(fields[4]) if len(fields) > 4 else 0.0
        satellite = Satrec.twoline2rv(line1, line2, WGS72)
        for k in range(count):
            t = jd + k * step
            whole = float(int(t - 0.5)) + 0.5
            error, r, v = satellite.sgp4(whole, t - whole)
            if binary is not None:
                binary.write(struct.pack("=8d", error, t, *r, *v))
            else:
                print(error, repr(t), *(repr(c) for c in r), *(repr(c) for c in v))
    if binary is not None:
        binary.close()


if __name__ == "__main__":
    main()
