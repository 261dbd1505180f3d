#!/usr/bin/python3
"""Prints planetary-moon offsets from an independent library (PyEphem, the
Bureau des Longitudes theories) for the moon tests.

Each line: body-id jd-ut planet-ra planet-dec planet-distance east north
with the astrometric J2000 place of the planet (radians, AU) and the moon's
offset from the planet's centre on the sky in arcseconds (east, north).
"""
import math
import sys

import ephem

MOONS = {
    401: (ephem.Phobos, ephem.Mars), 402: (ephem.Deimos, ephem.Mars),
    501: (ephem.Io, ephem.Jupiter), 502: (ephem.Europa, ephem.Jupiter),
    503: (ephem.Ganymede, ephem.Jupiter), 504: (ephem.Callisto, ephem.Jupiter),
    601: (ephem.Mimas, ephem.Saturn), 602: (ephem.Enceladus, ephem.Saturn),
    603: (ephem.Tethys, ephem.Saturn), 604: (ephem.Dione, ephem.Saturn),
    605: (ephem.Rhea, ephem.Saturn), 606: (ephem.Titan, ephem.Saturn),
    607: (ephem.Hyperion, ephem.Saturn), 608: (ephem.Iapetus, ephem.Saturn),
    701: (ephem.Ariel, ephem.Uranus), 702: (ephem.Umbriel, ephem.Uranus),
    703: (ephem.Titania, ephem.Uranus), 704: (ephem.Oberon, ephem.Uranus),
    705: (ephem.Miranda, ephem.Uranus),
}
ARCSEC = 180 * 3600 / math.pi
DUBLIN_JD = 2415020.0


def unit(ra, dec):
    return (math.cos(dec) * math.cos(ra), math.cos(dec) * math.sin(ra),
            math.sin(dec))


def phenomena(jd0, days):
    """Begins and ends of the Galilean moons' transits and occultations,
    minute by minute, from the moons' offsets against Jupiter's oblate disk
    (flattening 0.06487, pole RA 268.05, Dec 64.49 degrees), and of their
    eclipses, from the moons' places against the umbra of a spherical
    Jupiter (the Sun-to-Jupiter direction from the library's apparent Sun
    and Jupiter). The library's own sun_visible flag is not used: it ends
    Io's eclipses a quarter of an hour before the moon leaves the shadow."""
    pole_ra, pole_dec = math.radians(268.05), math.radians(64.49)
    flattening = 0.0648744
    moons = [ephem.Io, ephem.Europa, ephem.Ganymede, ephem.Callisto]
    previous = [None] * 4
    jupiter_radius_au = 71492.0 / 149597870.7
    sun_radius_au = 695700.0 / 149597870.7
    for minute in range(int(days * 1440)):
        date = ephem.Date(jd0 - DUBLIN_JD + minute / 1440.0)
        jupiter = ephem.Jupiter(date)
        sun = ephem.Sun(date)
        ra, dec = float(jupiter.a_ra), float(jupiter.a_dec)
        # Unit vectors east, north and toward the Earth at Jupiter, and the
        # Sun-to-Jupiter direction, in the J2000 equator.
        los = unit(ra, dec)
        east_axis = (-math.sin(ra), math.cos(ra), 0.0)
        north_axis = (-math.sin(dec) * math.cos(ra), -math.sin(dec) * math.sin(ra),
                      math.cos(dec))
        sun_to_jupiter = [float(jupiter.earth_distance) * a -
                          float(sun.earth_distance) * b
                          for a, b in zip(los, unit(float(sun.a_ra), float(sun.a_dec)))]
        sun_distance = math.sqrt(sum(a * a for a in sun_to_jupiter))
        anti_sun = [a / sun_distance for a in sun_to_jupiter]
        # The umbra narrows by this many Jupiter radii per Jupiter radius.
        narrowing = (sun_radius_au - jupiter_radius_au) / sun_distance
        # Position angle of Jupiter's north pole on the sky.
        pa = math.atan2(math.cos(pole_dec) * math.sin(pole_ra - ra),
                        math.sin(pole_dec) * math.cos(dec) -
                        math.cos(pole_dec) * math.sin(dec) * math.cos(pole_ra - ra))
        for k, moon_class in enumerate(moons):
            moon = moon_class(date)
            east, north = moon.x, -moon.y
            along_pole = north * math.cos(pa) + east * math.sin(pa)
            along_equator = east * math.cos(pa) - north * math.sin(pa)
            inside = along_equator ** 2 + (along_pole / (1 - flattening)) ** 2 < 1
            place = [moon.x * e - moon.y * n - moon.z * l
                     for e, n, l in zip(east_axis, north_axis, los)]
            behind = sum(p * a for p, a in zip(place, anti_sun))
            across = math.sqrt(max(0.0, sum(p * p for p in place) - behind ** 2))
            eclipsed = behind > 0 and across < 1 - behind * narrowing
            state = (inside and moon.z > 0, inside and moon.z < 0, eclipsed)
            if previous[k] is not None:
                for kind, (now, was) in enumerate(zip(state, previous[k])):
                    if now != was:
                        print(k + 1, ("transit", "occultation", "eclipse")[kind],
                              "begin" if now else "end",
                              repr(float(date) + DUBLIN_JD))
            previous[k] = state


def offsets(ident, dates):
    moon_class, planet_class = MOONS[ident]
    for date in dates:
        moon, planet = moon_class(date), planet_class(date)
        # x is east and y south, in the planet's apparent radius.
        east = moon.x * planet.radius * ARCSEC
        north = -moon.y * planet.radius * ARCSEC
        print(ident, repr(float(date) + DUBLIN_JD), repr(float(planet.a_ra)),
              repr(float(planet.a_dec)), repr(float(planet.earth_distance)),
              repr(east), repr(north))


def main():
    if len(sys.argv) > 1 and sys.argv[1] == "events":
        phenomena(float(sys.argv[2]), float(sys.argv[3]))
        return
    args = sys.argv[1:]
    if args and args[0] == "span":
        # span JD0 JD1 COUNT ids...: COUNT dates spread evenly over [JD0, JD1).
        jd0, jd1, count = float(args[1]), float(args[2]), int(args[3])
        dates = [ephem.Date(jd0 - DUBLIN_JD + k * (jd1 - jd0) / count) for k in range(count)]
        args = args[4:]
    else:
        # Dates over 2000-2036, the span of the oracle's tables.
        dates = [ephem.Date(ephem.Date("2000/3/1") + k * 1200.37) for k in range(12)]
    for ident in [int(a) for a in args] or sorted(MOONS):
        offsets(ident, dates)


if __name__ == "__main__":
    main()
