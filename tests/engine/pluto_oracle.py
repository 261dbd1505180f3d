#!/usr/bin/python3
"""Prints Pluto's astrometric geocentric place from an independent library
(PyEphem) for the mechanics tests: for each Julian date (UT) given on the
command line, one line: jd-ut ra dec distance (J2000 radians, AU)."""
import sys

import ephem

DUBLIN_JD = 2415020.0

for argument in sys.argv[1:]:
    jd = float(argument)
    pluto = ephem.Pluto(ephem.Date(jd - DUBLIN_JD), epoch=ephem.J2000)
    print(repr(jd), repr(float(pluto.a_ra)), repr(float(pluto.a_dec)),
          repr(float(pluto.earth_distance)))
