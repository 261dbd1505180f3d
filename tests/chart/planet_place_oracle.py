#!/usr/bin/python3
"""Prints where an independent library (PyEphem) puts a planet, for the
chart's orbit and tap tests.
Arguments: the planet's name as PyEphem spells it (Jupiter, Pluto, ...),
then Julian dates (UT).
For each date one line: jd ra dec distance longitude, the astrometric
geocentric place (light time applied, no aberration; J2000 radians), the
distance from the Earth (AU) and the east longitude (radians) at which the
planet then stands on the meridian, where an observer on the parallel of
its declination sees it overhead and so without parallax."""
import math
import sys

import ephem

DUBLIN_JD = 2415020.0


def main(args):
    make = getattr(ephem, args[0])
    for argument in args[1:]:
        jd = float(argument)
        date = ephem.Date(jd - DUBLIN_JD)
        body = make(date, epoch=ephem.J2000)
        greenwich = ephem.Observer()
        greenwich.date = date
        greenwich.lon = greenwich.lat = "0"
        longitude = math.remainder(float(body.g_ra) - float(greenwich.sidereal_time()), 2 * math.pi)
        print(repr(jd), repr(float(body.a_ra)), repr(float(body.a_dec)),
              repr(float(body.earth_distance)), repr(longitude))


if __name__ == "__main__":
    main(sys.argv[1:])
