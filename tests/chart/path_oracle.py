#!/usr/bin/python3
"""Prints where an independent library (PyEphem) puts a minor body given
by osculating elements, for the chart's path tests.
Arguments: longitude latitude elevation (degrees east and north, metres),
then a (AU), e, i, node, argument of perihelion, M (degrees, referred to
the ecliptic and equinox of J2000), the epoch of M (Julian date TT taken
as PyEphem's epoch), then Julian dates (UT).
For each date one line: jd ra dec, the apparent topocentric right
ascension and declination of the date (radians), without refraction."""
import sys

import ephem

DUBLIN_JD = 2415020.0


def main(args):
    lon, lat, elevation, a, e, inc, node, peri, m, epoch = (float(x) for x in args[:10])
    site = ephem.Observer()
    site.lon, site.lat = str(lon), str(lat)
    site.elevation = elevation
    site.pressure = 0
    body = ephem.EllipticalBody()
    body._a, body._e, body._inc = a, e, inc
    body._Om, body._om, body._M = node, peri, m
    body._epoch_M = epoch - DUBLIN_JD
    body._epoch = ephem.J2000
    body._H, body._G = 10, 0.15
    for jd in args[10:]:
        site.date = float(jd) - DUBLIN_JD
        body.compute(site)
        print(jd, float(body.ra), float(body.dec))


if __name__ == "__main__":
    main(sys.argv[1:])
