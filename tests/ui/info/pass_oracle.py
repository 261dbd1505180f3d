#!/usr/bin/python3
"""A satellite's next pass from an independent library (PyEphem,
python3-ephem) and its ground point from another (Skyfield,
python3-skyfield, whose WGS84 latitude is geodetic where PyEphem's
sublat is geocentric), for the satellite page tests. The element set
comes on standard input as one line "name|line 1|line 2". Places are east
longitude and latitude in degrees and height in metres; times Julian dates
(UT). The atmosphere is 1010 mbar and 10 degrees C, the horizon 0 (as the
eye sees it).

  pass LON LAT HEIGHT JD   PyEphem's next_pass from JD: "rise culmination
      set maximum", the maximum altitude in degrees as the eye sees it; then
      the shadow: "entry exit" found to a second where `eclipsed` turns
      between rise and set (the rise or the set when already in shadow
      there), or "none".
  ground JD   the ground point: "latitude longitude height", degrees
      (geodetic, east positive) and km."""
import math
import sys

import ephem

DUBLIN_JD = 2415020.0
SECOND = 1.0 / 86400


def satellite():
    name, one, two = sys.stdin.readline().rstrip("\n").split("|")
    return ephem.readtle(name, one, two)


def site_at(lon, lat, height, jd):
    site = ephem.Observer()
    site.lon = math.radians(float(lon))
    site.lat = math.radians(float(lat))
    site.elevation = float(height)
    site.pressure = 1010
    site.temp = 10
    site.horizon = 0
    site.date = ephem.Date(jd - DUBLIN_JD)
    return site


def eclipsed(sat, site, jd):
    site.date = ephem.Date(jd - DUBLIN_JD)
    sat.compute(site)
    return bool(sat.eclipsed)


def turn(sat, site, a, b):
    """The second at which eclipsed changes between a and b (it does)."""
    start = eclipsed(sat, site, a)
    while b - a > 0.5 * SECOND:
        middle = 0.5 * (a + b)
        if eclipsed(sat, site, middle) == start:
            a = middle
        else:
            b = middle
    return 0.5 * (a + b)


def next_pass(lon, lat, height, jd):
    sat = satellite()
    site = site_at(lon, lat, height, float(jd))
    rise, _, culmination, maximum, setting, _ = site.next_pass(sat)
    rise, culmination, setting = (float(t) + DUBLIN_JD for t in (rise, culmination, setting))
    print(rise, culmination, setting, math.degrees(maximum))
    steps = [rise + k * SECOND for k in range(int((setting - rise) / SECOND) + 1)] + [setting]
    states = [eclipsed(sat, site, t) for t in steps]
    if not any(states):
        print("none")
        return
    first = states.index(True)
    entry = rise if first == 0 else turn(sat, site, steps[first - 1], steps[first])
    last = len(states) - 1 - states[::-1].index(True)
    exit_ = setting if last == len(states) - 1 else turn(sat, site, steps[last], steps[last + 1])
    print(entry, exit_)


def ground(jd):
    from skyfield.api import EarthSatellite, load, wgs84
    name, one, two = sys.stdin.readline().rstrip("\n").split("|")
    timescale = load.timescale(builtin=True)
    place = EarthSatellite(one, two, name, timescale).at(timescale.ut1_jd(float(jd)))
    point = wgs84.subpoint_of(place)
    print(point.latitude.degrees, point.longitude.degrees, wgs84.height_of(place).km)


{"pass": next_pass, "ground": ground}[sys.argv[1]](*sys.argv[2:])
