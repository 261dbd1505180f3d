#!/usr/bin/python3
"""Prints the rise, transit and set of the Sun and the Moon from an
independent library (PyEphem) for the chart's tests: the upper limb at a
chart horizon of the given apparent altitude, refracted by Bennett's
published formula (J. Inst. Navigation 35, 1982; 1010 mbar, 10 degrees C)
rather than PyEphem's own, which differs by some 3' at the horizon.
Arguments: groups of longitude latitude (degrees, east and north positive),
the Julian date (UT) of a midnight and the horizon's apparent altitude
(degrees); for each group one line per body:
body jd rise transit set (Julian dates UT within the next 24 hours, nan when
the event does not happen then)."""
import math
import sys

import ephem

DUBLIN_JD = 2415020.0


def bennett(apparent):
    """Refraction (degrees) at an apparent altitude (degrees)."""
    apparent = max(apparent, -1.7)
    minutes = 1 / math.tan(math.radians(apparent + 7.31 / (apparent + 4.4)))
    return minutes / 60 * (1010 / 1010) * (283 / (273 + 10))


def event(find, body):
    try:
        return float(find(body)) + DUBLIN_JD
    except (ephem.AlwaysUpError, ephem.NeverUpError):
        return math.nan


arguments = sys.argv[1:]
for i in range(0, len(arguments) - 3, 4):
    longitude, latitude, midnight, horizon = (float(a) for a in arguments[i:i + 4])
    for name, body in (("sun", ephem.Sun()), ("moon", ephem.Moon())):
        site = ephem.Observer()
        site.lon = math.radians(longitude)
        site.lat = math.radians(latitude)
        site.elevation = 0
        site.pressure = 0  # the refraction is in the horizon
        site.horizon = math.radians(horizon - bennett(horizon))
        site.date = ephem.Date(midnight - DUBLIN_JD)
        times = [event(site.next_rising, body), event(site.next_transit, body),
                 event(site.next_setting, body)]
        times = [t if t < midnight + 1 else math.nan for t in times]
        print(name, repr(midnight), *(repr(t) for t in times))
