#!/usr/bin/python3
"""The Sun's twilight crossings, the Moon's phases and separations of two
bodies from an independent library (PyEphem, python3-ephem), for the body
information tests. Places are east longitude and latitude in degrees at
height 0; times Julian dates (UT).

  twilight LON LAT DAY   for the altitudes -18, -12 and -6 degrees of the
      Sun's centre, without refraction: the first rising and the first
      setting in the UT day that begins at DAY, "none" for one that does
      not happen that day; six lines in the order rising -18, -12, -6,
      setting -6, -12, -18.
  phases JD   the next new moon, first quarter, full moon and last quarter
      at or after JD, one a line.
  separation LON LAT JD BODY BODY topo|geo   the separation in degrees of
      two bodies (PyEphem names) at JD, seen from the place or from the
      Earth's centre."""
import math
import sys

import ephem

DUBLIN_JD = 2415020.0


def date(jd):
    return ephem.Date(float(jd) - DUBLIN_JD)


def observer(lon, lat, jd):
    site = ephem.Observer()
    site.lon = math.radians(float(lon))
    site.lat = math.radians(float(lat))
    site.elevation = 0
    site.pressure = 0
    site.date = date(jd)
    return site


def twilight(lon, lat, day):
    day = float(day)
    sun = ephem.Sun()
    for depth, rising in ((-18, True), (-12, True), (-6, True), (-6, False), (-12, False),
                          (-18, False)):
        site = observer(lon, lat, day)
        site.horizon = math.radians(depth)
        try:
            find = site.next_rising if rising else site.next_setting
            jd = float(find(sun, use_center=True)) + DUBLIN_JD
            print(jd if jd < day + 1 else "none")
        except (ephem.AlwaysUpError, ephem.NeverUpError):
            print("none")


def phases(jd):
    for find in (ephem.next_new_moon, ephem.next_first_quarter_moon, ephem.next_full_moon,
                 ephem.next_last_quarter_moon):
        print(float(find(date(jd))) + DUBLIN_JD)


def separation(lon, lat, jd, first, second, where):
    bodies = [getattr(ephem, name)() for name in (first, second)]
    for body in bodies:
        if where == "geo":
            body.compute(date(jd))
        else:
            body.compute(observer(lon, lat, jd))
    if where == "geo":
        angle = ephem.separation((bodies[0].g_ra, bodies[0].g_dec), (bodies[1].g_ra, bodies[1].g_dec))
    else:
        angle = ephem.separation(bodies[0], bodies[1])
    print(math.degrees(angle))


{"twilight": twilight, "phases": phases, "separation": separation}[sys.argv[1]](*sys.argv[2:])
