#!/usr/bin/python3
"""Prints places of planetary moons from the osculating elements that Debian
stellarium-data publishes (data/ssystem_major.ini), for the moon tests.

Usage: published_moons_oracle.py [--file PATH] [--after PERIODS] NAME...
Each line: name jd x y z
with the moon's place relative to its planet, km on the J2000 equator, at
the elements' epoch or PERIODS orbital periods after it (jd, a Julian
date), the mean anomaly moving at the file's (osculating) rate.

The places come straight from the file's elements by Kepler's equation,
in the file's own frame; nothing of the body table's conversion is used.
The frames, as tools/body_table/published_moons.py finds them from the
file's numbers:
- Jupiter, Neptune: elements on the planet's equator, angles counted from
  its ascending node on the J2000 equator.
- Saturn, Uranus, Pluto: the moon in the planet's equator; its true
  longitude (node + argument of pericentre + true anomaly) counted from the
  J2000 equinox along the J2000 ecliptic to the equator's ascending node,
  and from there along the equator about the planet's north pole (the pole
  north of the ecliptic). A negative period is motion clockwise about it.
"""
import math
import sys

SOURCE = "/usr/share/stellarium/data/ssystem_major.ini"
OBLIQUITY = math.radians(84381.448 / 3600.0)
ON_EQUATOR_NODE = {"Saturn", "Uranus", "Pluto"}
FROM_EQUATOR_NODE = {"Jupiter", "Neptune"}


def sections(path):
    found, current = {}, None
    with open(path, "rb") as f:
        for raw in f.read().decode("utf-8", errors="replace").splitlines():
            line = raw.strip()
            if not line or line[0] in "#;":
                continue
            if line.startswith("["):
                current = found.setdefault(line.strip("[]").lower(), {})
            elif "=" in line and current is not None:
                key, value = line.split("=", 1)
                current[key.strip().lower()] = value.split("#", 1)[0].strip()
    return found


def unit(ra, dec):
    return (math.cos(dec) * math.cos(ra), math.cos(dec) * math.sin(ra), math.sin(dec))


def cross(u, v):
    return (u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0])


def normalized(v):
    length = math.sqrt(sum(c * c for c in v))
    return tuple(c / length for c in v)


def north_pole(planet):
    pole = unit(math.radians(float(planet["rot_pole_ra"])), math.radians(float(planet["rot_pole_de"])))
    # Its ecliptic latitude's sign: z on the ecliptic frame.
    if -pole[1] * math.sin(OBLIQUITY) + pole[2] * math.cos(OBLIQUITY) < 0:
        pole = tuple(-c for c in pole)
    return pole


def radius_and_true_anomaly(a, e, mean_anomaly):
    eccentric = mean_anomaly
    for _ in range(60):
        eccentric -= (eccentric - e * math.sin(eccentric) - mean_anomaly) / (1 - e * math.cos(eccentric))
    x, y = a * (math.cos(eccentric) - e), a * math.sqrt(1 - e * e) * math.sin(eccentric)
    return math.hypot(x, y), math.atan2(y, x)


def place(moon, planet, periods):
    """The moon's place `periods` after its epoch, km on the J2000 equator."""
    g = {k[len("orbit_"):]: float(v) for k, v in moon.items() if k.startswith("orbit_")}
    node, peri = math.radians(g["ascendingnode"]), math.radians(g["longofpericenter"])
    mean_anomaly = math.radians(g["meanlongitude"]) - peri + math.copysign(2 * math.pi * periods,
                                                                          g["period"])
    r, nu = radius_and_true_anomaly(g["semimajoraxis"], g["eccentricity"], mean_anomaly)
    pole = north_pole(planet)
    if moon["parent"] in FROM_EQUATOR_NODE:
        # Along the equator from its node on the J2000 equator to the
        # orbit's node, then along the orbit, inclined toward the pole.
        toward = normalized(cross((0.0, 0.0, 1.0), pole))
        beyond = cross(pole, toward)
        i, u = math.radians(g["inclination"]), peri - node + nu
        nodal = [math.cos(node) * t + math.sin(node) * b for t, b in zip(toward, beyond)]
        ahead = [-math.sin(node) * t + math.cos(node) * b for t, b in zip(toward, beyond)]
        return [r * (math.cos(u) * n + math.sin(u) * (math.cos(i) * h + math.sin(i) * p))
                for n, h, p in zip(nodal, ahead, pole)]
    # Along the ecliptic from the equinox to the equator's node, whose
    # ecliptic longitude that part of the broken longitude is, then along
    # the equator.
    ecliptic_pole = (0.0, -math.sin(OBLIQUITY), math.cos(OBLIQUITY))
    toward = normalized(cross(ecliptic_pole, pole))
    beyond = cross(pole, toward)
    node_longitude = math.atan2(toward[1] * math.cos(OBLIQUITY) + toward[2] * math.sin(OBLIQUITY),
                                toward[0])
    theta = peri + nu - node_longitude
    return [r * (math.cos(theta) * t + math.sin(theta) * b) for t, b in zip(toward, beyond)]


def main():
    args = sys.argv[1:]
    path, periods = SOURCE, 0.0
    while args[:1] in (["--file"], ["--after"]):
        if args[0] == "--file":
            path = args[1]
        else:
            periods = float(args[1])
        args = args[2:]
    found = sections(path)
    for name in args:
        moon = found[name.lower()]
        if moon.get("parent") not in ON_EQUATOR_NODE | FROM_EQUATOR_NODE:
            sys.exit(f"{name}: no frame known for parent {moon.get('parent')}")
        x, y, z = place(moon, found[moon["parent"].lower()], periods)
        jd = float(moon["orbit_epoch"]) + periods * abs(float(moon["orbit_period"]))
        print(name, repr(jd), repr(x), repr(y), repr(z))


if __name__ == "__main__":
    main()
