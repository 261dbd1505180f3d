#!/usr/bin/python3
"""Satellite passes, visibility minute by minute, and equinoxes from an
independent library (PyEphem, python3-ephem) for the information tests.
Element sets come on standard input as lines "name|line 1|line 2". Places
are east longitude and latitude in degrees at height 0; times Julian dates
(UT). Altitudes are geometric (no atmosphere).

  passes LON LAT HORIZON JD...   for every satellite and start JD:
      "number jd up" (its catalogue number) when it is above HORIZON (degrees) at JD, else
      "number jd rise set" of PyEphem's next_pass.
  scan LON LAT START END SUN MIN MARGIN SHADOW
      for every satellite, on the minute grid START + k/1440 < END: the
      first minute index at which it surely qualifies (altitude at least
      MIN + MARGIN, the Sun at most SUN - MARGIN, and when SHADOW is 1 out
      of the Earth's shadow at that minute and the ones beside it) and the
      first at which it might (MIN - MARGIN, SUN + MARGIN, sunlit at that
      minute or one beside it); -1 for none: "number sure maybe".
  equinoxes YEAR   the JDs of the March equinox, June solstice, September
      equinox and December solstice."""
import math
import sys

import ephem

DUBLIN_JD = 2415020.0


def observer(lon, lat):
    site = ephem.Observer()
    site.lon = math.radians(float(lon))
    site.lat = math.radians(float(lat))
    site.elevation = 0
    site.pressure = 0
    return site


def satellites():
    for line in sys.stdin:
        if line.strip():
            name, one, two = line.rstrip("\n").split("|")
            yield int(one[2:7]), ephem.readtle(name, one, two)


def passes(lon, lat, horizon, *dates):
    for name, sat in satellites():
        for jd in dates:
            site = observer(lon, lat)
            site.horizon = math.radians(float(horizon))
            site.date = ephem.Date(float(jd) - DUBLIN_JD)
            sat.compute(site)
            if sat.alt > site.horizon:
                print(name, jd, "up")
                continue
            rise, _, _, _, setting, _ = site.next_pass(sat)
            print(name, jd, float(rise) + DUBLIN_JD, float(setting) + DUBLIN_JD)


def scan(lon, lat, start, end, sun_limit, min_alt, margin, shadow):
    start, end = float(start), float(end)
    sun_limit, min_alt, margin = (math.radians(float(a)) for a in (sun_limit, min_alt, margin))
    shadow = shadow == "1"
    minutes = []
    k = 0
    while start + k / 1440.0 < end:
        minutes.append(start + k / 1440.0)
        k += 1
    site = observer(lon, lat)
    sun = ephem.Sun()
    sun_alt = []
    for t in minutes:
        site.date = ephem.Date(t - DUBLIN_JD)
        sun.compute(site)
        sun_alt.append(sun.alt)
    for name, sat in satellites():
        alt, lit = [], []
        for t in minutes:
            site.date = ephem.Date(t - DUBLIN_JD)
            sat.compute(site)
            alt.append(sat.alt)
            lit.append(not sat.eclipsed)
        sure = maybe = -1
        for i in range(len(minutes)):
            around = lit[max(i - 1, 0):i + 2]
            if maybe < 0 and alt[i] >= min_alt - margin and sun_alt[i] <= sun_limit + margin and \
                    (not shadow or any(around)):
                maybe = i
            if sure < 0 and alt[i] >= min_alt + margin and sun_alt[i] <= sun_limit - margin and \
                    (not shadow or all(around)):
                sure = i
        print(name, sure, maybe)


def equinoxes(year):
    start = ephem.Date("%s/1/1" % year)
    for find in (ephem.next_vernal_equinox, ephem.next_summer_solstice,
                 ephem.next_autumnal_equinox, ephem.next_winter_solstice):
        print(float(find(start)) + DUBLIN_JD)


{"passes": passes, "scan": scan, "equinoxes": equinoxes}[sys.argv[1]](*sys.argv[2:])
