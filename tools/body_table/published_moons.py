"""Osculating elements of planetary moons as Debian stellarium-data
publishes them, turned into the body table's angles.

Source: /usr/share/stellarium/data/ssystem_major.ini (package
stellarium-data, 0.22), an INI file with one section per body. A moon's
section names its parent planet ("parent") and gives, at the Julian date
"orbit_Epoch" (TT), the keys orbit_SemiMajorAxis (km),
orbit_Eccentricity, orbit_Inclination, orbit_AscendingNode,
orbit_LongOfPericenter and orbit_MeanLongitude (degrees) and orbit_Period
(days, negative for motion clockwise about the reference pole). The
planet's section gives its pole, rot_pole_ra and rot_pole_de (degrees,
J2000 equator; their rates move it by less than 0.001 degree to the
elements' epochs and are left out). Keys are read without regard to case.

The file does not state the plane and origin of its moon elements; they
are found from the numbers themselves, per planet (READINGS):

- EQUATOR (Jupiter, Neptune; epoch 2008 June 1.0): the planet's equator,
  angles counted from its ascending node on the J2000 equator, the frame of
  the body table's own rows. Read so, the mean longitudes of Metis,
  Adrastea, Amalthea and Thebe agree with JPL's mean elements (the table's
  rows) within 1.1 degrees, and Triton's place with its theory within 0.2;
  read from the node on the ecliptic they are 20 degrees off.
- ECLIPTIC_NODE (Saturn, Uranus, Pluto; epochs 2017 July 1.0 and, for Puck,
  2019 November 19.0): longitudes counted from the J2000 equinox along the
  J2000 ecliptic to the ascending node of the planet's equator and then
  along the orbit, about the planet's north pole (the pole on the north
  side of the ecliptic; retrograde moons have negative periods). Every
  moon of such a planet has its node on that of the equator on the
  ecliptic (Saturn's 169.5, Uranus' 167.6, Pluto's 227.4 degrees, within
  0.5) and one and the same inclination to 0.005 degree (Saturn's six inner
  moons 0.49, Uranus' five 1.71, Pluto's four 1.97), where the moons' own
  inclinations to their equators are 0.001 to 0.8 degrees and differ
  (JPL). That common inclination is therefore the tilt of the file's plane
  about the node, not the moons': the conversion removes it per planet and
  epoch, which puts the orbits in the equator.

The elements are osculating: the moon's place at the epoch is theirs. The
rate along the orbit is not taken from orbit_Period, which is the
osculating period (Himalia's differs from its mean by 0.9 %, 47 degrees
a decade; Pan's by 1 %, six turns a year): the table keeps JPL's mean
motion, and the mean anomaly is carried to the row's epoch with it.
"""
import math

SOURCE = "/usr/share/stellarium/data/ssystem_major.ini"

EQUATOR = "equator"
ECLIPTIC_NODE = "ecliptic node"
READINGS = {"Jupiter": EQUATOR, "Neptune": EQUATOR, "Saturn": ECLIPTIC_NODE,
            "Uranus": ECLIPTIC_NODE, "Pluto": ECLIPTIC_NODE}

# Mean obliquity of the J2000 ecliptic (IAU 1976), as the engine uses it.
OBLIQUITY_J2000 = 84381.448 / 3600.0

ELEMENT_KEYS = ("orbit_epoch", "orbit_semimajoraxis", "orbit_eccentricity",
                "orbit_inclination", "orbit_ascendingnode",
                "orbit_longofpericenter", "orbit_meanlongitude", "orbit_period")

# Julian dates accepted as epochs (years 1000 to 3000).
EPOCHS = (2086302.5, 2816787.5)

# Largest spread of a planet's moons about their common tilt and node that
# the ECLIPTIC_NODE reading accepts (degrees): beyond it the file has
# changed and the reading must be looked at again.
TILT_SPREAD = 0.02
NODE_SPREAD = 1.0


class PublishedElementsError(Exception):
    """The file, or a moon's section in it, cannot be read as described."""


def parse_ini(text, path):
    """Sections of the file: {section: {key (lower case): value}}. Lines
    are sections, key=value pairs, comments (# or ;) or blank; a value
    loses a trailing # comment."""
    sections, current = {}, None
    for number, raw in enumerate(text.splitlines(), 1):
        line = raw.strip()
        if not line or line[0] in "#;":
            continue
        if line.startswith("["):
            if not line.endswith("]") or len(line) < 3:
                raise PublishedElementsError(f"{path}:{number}: damaged section name")
            current = sections.setdefault(line[1:-1].strip().lower(), {})
            continue
        key, sep, value = line.partition("=")
        if not sep or current is None or not key.strip():
            raise PublishedElementsError(f"{path}:{number}: not a key=value line in a section")
        current[key.strip().lower()] = value.split("#", 1)[0].strip()
    return sections


def read_file(path=SOURCE):
    with open(path, "rb") as f:
        # Mostly ASCII; a texture credit is Latin-1.
        return parse_ini(f.read().decode("utf-8", errors="replace"), path)


def _number(section, name, key):
    try:
        value = float(section[key])
    except KeyError:
        raise PublishedElementsError(f"{name}: no {key}") from None
    except ValueError:
        raise PublishedElementsError(f"{name}: {key} is not a number") from None
    if not math.isfinite(value):
        raise PublishedElementsError(f"{name}: {key} is not finite")
    return value


def moon_elements(sections, name):
    """The moon's elements as published: dict with parent, epoch, a (km),
    e, i, node, peri (longitude of pericentre), mean_longitude (degrees)
    and period (days)."""
    section = sections.get(name.lower())
    if section is None:
        raise PublishedElementsError(f"{name}: no section")
    values = {key[len("orbit_"):]: _number(section, name, key) for key in ELEMENT_KEYS}
    elements = dict(parent=section.get("parent", ""), epoch=values["epoch"],
                    a=values["semimajoraxis"], e=values["eccentricity"],
                    i=values["inclination"], node=values["ascendingnode"],
                    peri=values["longofpericenter"],
                    mean_longitude=values["meanlongitude"], period=values["period"])
    if elements["parent"] not in READINGS:
        raise PublishedElementsError(f"{name}: parent {elements['parent']!r} has no known reading")
    if not (0.0 <= elements["e"] < 1.0 and elements["a"] > 0.0 and elements["period"] != 0.0):
        raise PublishedElementsError(f"{name}: not an elliptic orbit")
    if not EPOCHS[0] <= elements["epoch"] <= EPOCHS[1]:
        raise PublishedElementsError(f"{name}: epoch {elements['epoch']} out of range")
    return elements


# 3 x 3 rotations as row lists: rx and rz turn a vector by +angle (degrees).
def rx(angle):
    c, s = math.cos(math.radians(angle)), math.sin(math.radians(angle))
    return [[1.0, 0.0, 0.0], [0.0, c, -s], [0.0, s, c]]


def rz(angle):
    c, s = math.cos(math.radians(angle)), math.sin(math.radians(angle))
    return [[c, -s, 0.0], [s, c, 0.0], [0.0, 0.0, 1.0]]


def product(*matrices):
    out = [[float(r == c) for c in range(3)] for r in range(3)]
    for m in matrices:
        out = [[sum(out[r][k] * m[k][c] for k in range(3)) for c in range(3)] for r in range(3)]
    return out


def transpose(m):
    return [list(row) for row in zip(*m)]


def pole_frame(ra, dec):
    """Plane with pole (ra, dec) to the J2000 equator; x along its
    ascending node on the equator (the body table's frames)."""
    return product(rz(ra + 90.0), rx(90.0 - dec))


def ecliptic_pole(ra, dec):
    """Ascending node on the J2000 ecliptic and inclination (obliquity) of
    the plane with pole (ra, dec), degrees."""
    r, d = math.radians(ra), math.radians(dec)
    v = (math.cos(d) * math.cos(r), math.cos(d) * math.sin(r), math.sin(d))
    ecliptic = transpose(rx(OBLIQUITY_J2000))
    x, y, z = (sum(ecliptic[row][k] * v[k] for k in range(3)) for row in range(3))
    return math.degrees(math.atan2(x, -y)) % 360.0, math.degrees(math.acos(max(-1.0, min(1.0, z))))


def north_pole(sections, planet):
    """The planet's pole as published, or its opposite, whichever lies
    north of the J2000 ecliptic."""
    section = sections.get(planet.lower(), {})
    ra = _number(section, planet, "rot_pole_ra")
    dec = _number(section, planet, "rot_pole_de")
    if ecliptic_pole(ra, dec)[1] > 90.0:
        ra, dec = (ra + 180.0) % 360.0, -dec
    return ra, dec


def signed_tilt(elements, node):
    """The orbit plane's tilt about the ecliptic node line at longitude
    `node`, positive toward the pole (degrees)."""
    i, d = math.radians(elements["i"]), math.radians(elements["node"] - node)
    return math.degrees(math.atan2(math.sin(i) * math.cos(d), math.cos(i)))


def file_frames(sections, moons):
    """The frame of each moon's elements (to the J2000 equator), by name.
    ECLIPTIC_NODE frames are fixed per planet and epoch from those moons'
    common tilt, which must agree within TILT_SPREAD."""
    frames, groups = {}, {}
    for name, elements in moons.items():
        ra, dec = north_pole(sections, elements["parent"])
        if READINGS[elements["parent"]] == EQUATOR:
            frames[name] = pole_frame(ra, dec)
        else:
            groups.setdefault((elements["parent"], elements["epoch"]), []).append(name)
    for (planet, epoch), names in groups.items():
        node, obliquity = ecliptic_pole(*north_pole(sections, planet))
        tilts = []
        for name in names:
            elements = moons[name]
            off = (elements["node"] - node + 90.0) % 180.0 - 90.0
            if abs(off) > NODE_SPREAD:
                raise PublishedElementsError(
                    f"{name}: node {elements['node']} is not on {planet}'s equator node {node:.2f}")
            tilts.append(signed_tilt(elements, node))
        tilt = sum(tilts) / len(tilts)
        if max(abs(t - tilt) for t in tilts) > TILT_SPREAD:
            raise PublishedElementsError(f"{planet}'s moons at {epoch} do not share one tilt: {tilts}")
        frame = product(rx(OBLIQUITY_J2000), rz(node), rx(obliquity - tilt), rz(-node))
        for name in names:
            frames[name] = frame
    return frames


def table_angles(elements, frame, row_pole, mean_motion, row_epoch):
    """(i, argument of periapsis, node, mean anomaly at row_epoch), degrees
    in [0, 360), of the moon's orbit referred to the row's plane (pole
    (ra, dec)), for the mean motion (degrees/day, rate of the mean anomaly)
    of the row. A clockwise orbit (negative period) is turned into the
    prograde orbit through the same places, as the table's rows are."""
    argument = elements["peri"] - elements["node"]
    anomaly = elements["mean_longitude"] - elements["peri"]
    orbit = product(frame, rz(elements["node"]), rx(elements["i"]), rz(argument))
    if elements["period"] < 0.0:
        # Places (cos v, sin v) run clockwise: (cos v', sin v') with v' = -v.
        orbit = product(orbit, rx(180.0))
        anomaly = -anomaly
    r = product(transpose(pole_frame(*row_pole)), orbit)
    i = math.degrees(math.atan2(math.hypot(r[0][2], r[1][2]), r[2][2]))
    if math.hypot(r[0][2], r[1][2]) < 1e-12:
        # In the row's plane: the node is taken at the plane's origin.
        node, periapsis = 0.0, math.degrees(math.atan2(r[1][0], r[0][0]))
    else:
        node = math.degrees(math.atan2(r[0][2], -r[1][2]))
        periapsis = math.degrees(math.atan2(r[2][0], r[2][1]))
    anomaly += mean_motion * (row_epoch - elements["epoch"])
    return i, periapsis % 360.0, node % 360.0, anomaly % 360.0
