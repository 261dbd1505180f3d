#!/usr/bin/env python3
"""Deep-sky objects for the deep-sky catalogue, from public data.

Sources:
  kstars-data OpenNGC.kscat       NGC and IC objects (SQLite): type, J2000
                                  position, magnitude, axes, position angle,
                                  Messier numbers and other designations
  d3-celestial dsos.14.json       further objects (dark and bright nebulae,
                                  planetary nebulae, galaxies) and the
                                  morphology of NGC/IC objects
  stellarium nebulae/catalog.dat  visual and blue magnitudes, kinds and
                                  morphologies by designation (the compiled
                                  catalogue of the Stellarium data package)
  stellarium nebulae/names.dat    proper names by designation
  stellarium nebulae/outlines.dat outlines of extended objects

Magnitudes are visual: the compiled catalogue's V where it has one, else its
B made visual with the typical colour of the object's kind, else the
OpenNGC or d3-celestial value. Galaxies are told spiral, elliptical or
irregular by their morphology (Hubble type), not by a source's kind letter.

Output list ("tessaly-deepsky"), one object a line, tab-separated:
  D type ra dec V major minor angle morphology texts outlines
  type: the object type code (11 open cluster ... 19 irregular galaxy, 10
  multiple star, 29 nonexistent); ra, dec: J2000 degrees; V: magnitude;
  major, minor: arcminutes; angle: degrees; texts: "|"-separated
  designations and proper names (the builder tells them apart); outlines:
  ";"-separated outlines of ","-separated "ra dec" points in degrees.
  "-" marks a value the sources lack.

usage: extract_deep_sky.py OPENNGC_KSCAT DSOS_JSON NEBULAE_DIR OUTPUT
"""
import gzip
import math
import os
import re
import sqlite3
import struct
import sys
import zlib

from extract_common import fail, load_json, read_lines, write_atomically

# OpenNGC object kinds as the SQLite catalogue numbers them.
OPENNGC_TYPES = {0: 10, 1: 10, 3: 11, 4: 12, 5: 13, 6: 15, 7: 13, 8: 16, 13: 11, 14: 16,
                 17: 10, 255: 29}
# d3-celestial kinds.
D3_TYPES = {"oc": 11, "gc": 12, "bn": 13, "en": 13, "rn": 13, "sfr": 13, "snr": 13,
            "dn": 14, "pn": 15, "g": 16, "gg": 16, "s": 17, "s0": 17, "sd": 17,
            "e": 18, "i": 19}
SAME_OBJECT_RADIUS = 2.0 / 60.0  # degrees
# A compiled-catalogue entry belongs to an object of the same designation
# only when their places agree this well (the catalogue has a few rows that
# share a number with a neighbour).
COMPILED_MATCH_RADIUS = 10.0 / 60.0  # degrees
NO_MAGNITUDE = 90.0  # the compiled catalogue writes 99 for none
# The compiled catalogue's kind codes whose meaning its best-known members
# show (M 45 and M 16 clusters with nebulosity, M 8 and M 42 H II regions,
# M 78 reflection, M 1 remnant, M 40 a double, B 1 dark, M 27 planetary,
# M 31 a galaxy): the type codes of this catalogue. Other codes are not
# used.
COMPILED_TYPES = {0: 16, 6: 11, 7: 12, 11: 15, 12: 14, 13: 13, 15: 13, 16: 11, 17: 13,
                  18: 13, 28: 10}
# Codes whose members all carry galaxy catalogue numbers and Hubble types.
COMPILED_TYPES.update({code: 16 for code in (1, 2, 3, 4, 21, 22, 25)})
# Typical integrated B-V of the kinds, to turn a blue magnitude visual when
# no visual one is known (galaxies by Hubble type; good to about 0.15 mag).
COLOUR_ELLIPTICAL, COLOUR_LENTICULAR, COLOUR_SPIRAL = 0.95, 0.9, 0.75
COLOUR_IRREGULAR, COLOUR_OTHER = 0.45, 0.5
# Integrated B-V beyond these is a misplaced magnitude, not a colour.
MOST_NEGATIVE_COLOUR, MOST_POSITIVE_COLOUR = -0.6, 2.5
# Mean surface brightness of galaxies, clusters and nebulae, magnitudes per
# square arcsecond (high-surface-brightness compact objects to the faintest
# catalogued galaxies).
BRIGHTEST_SURFACE, FAINTEST_SURFACE = 16.0, 27.0
FAINTEST_OBJECT = 20.0  # no NGC or IC object is fainter


def designation_key(text):
    """'NGC0224' / 'NGC 224' / 'IC  71' / 'NGC 2244A' -> 'NGC 224', ...;
    None for others. Messier numbers take no letter: 'M51B' (the companion
    of M 51) is not M 51."""
    match = re.fullmatch(r"\s*(NGC|IC|M)\s*0*(\d+)\s*([A-Za-z]?)\s*", text)
    if not match:
        return None
    prefix, number, suffix = match.groups()
    if prefix == "M" and suffix:
        return None
    return f"{prefix} {int(number)}{suffix.upper()}"


def galaxy_type(morphology):
    """17 spiral, 18 elliptical, 19 irregular or 16 (lenticular, peculiar
    or unknown) from a Hubble type such as 'SA(rs)b, HIISy2', 'E2', 'cE2',
    'IBm', 'dI/dGsp' or a numerical stage ('-5' .. '10'). Activity flags
    after the class (Sy2, LINER, HII) do not change it."""
    text = (morphology or "").strip()
    text = re.sub(r"^\(R'?\)", "", text).lstrip()
    try:
        stage = float(text.split()[0].rstrip(":?")) if text else None
    except ValueError:
        stage = None
    if stage is not None:
        if stage <= -4:
            return 18
        if stage < 0:
            return 16
        return 19 if stage >= 10 else 17
    match = re.match(r"(c|d)?(E|S|I)(AB|A|B)?(\([^)]*\))?", text)
    rest = text[match.end():] if match else ""
    if not match or (rest and rest[0] not in "0123456789abcdmp+-:? ,/"):
        return 16  # not a Hubble type ('Sy2', 'Sc-Irr' is still a spiral)
    kind = match.group(2)
    if kind == "E":
        return 16 if rest.startswith("-S0") or rest.startswith("-SO") else 18
    if kind == "I":
        return 19
    if rest.startswith("0"):
        return 16  # lenticular
    return 17


def colour(kind, morphology):
    if kind == 18:
        return COLOUR_ELLIPTICAL
    if kind == 19:
        return COLOUR_IRREGULAR
    if kind == 17:
        return COLOUR_SPIRAL
    if kind == 16:
        return COLOUR_LENTICULAR if galaxy_type(morphology) == 16 else COLOUR_SPIRAL
    return COLOUR_OTHER


def read_compiled(path):
    """The compiled deep-sky catalogue: a gzip stream of big-endian fields,
    two texts (UTF-16, length first) naming its version and edition, then
    one record per object. Returns a list of dicts with the place, the two
    magnitudes, the kind, the morphology and the NGC, IC and M numbers."""
    try:
        data = gzip.open(path).read()
    except (OSError, EOFError, zlib.error) as error:
        fail(f"{path}: unreadable: {error}")
    position = 0

    def take(count):
        nonlocal position
        if position + count > len(data):
            raise ValueError("truncated")
        chunk = data[position:position + count]
        position += count
        return chunk

    def number():
        return struct.unpack(">I", take(4))[0]

    def real():
        return struct.unpack(">d", take(8))[0]

    def text():
        length = number()
        if length == 0xFFFFFFFF:
            return ""
        if length > 4096 or length % 2:
            raise ValueError("damaged text")
        return take(length).decode("utf-16-be")

    objects = []
    try:
        version, edition = text(), text()
        if not version.startswith("3."):
            fail(f"{path}: unknown catalogue version {version!r}")
        while position < len(data):
            item = {"id": number(), "ra": math.degrees(real()), "dec": math.degrees(real()),
                    "B": real(), "V": real(), "kind": number(), "morphology": text()}
            item["major"], item["minor"] = real(), real()  # degrees
            take(4 + 6 * 8)  # angle, redshift, parallax, distance
            numbers = [number() for _ in range(14)]  # NGC IC M C B Sh2 VdB RCW LDN LBN Cr Mel PGC UGC
            text()  # Ced
            take(8)  # Arp, VV
            for _ in range(7):  # PK, PN G, SNR G, ACO, HCG, ESO, VdBH
                text()
            take(20)  # DWB, Tr, St, Ru, VdB-Ha
            item["NGC"], item["IC"], item["M"] = numbers[0], numbers[1], numbers[2]
            if item["id"] != len(objects) + 1 or not -90.0 <= item["dec"] <= 90.0:
                fail(f"{path}: record {len(objects) + 1} damaged")
            objects.append(item)
    except (ValueError, UnicodeDecodeError) as error:
        fail(f"{path}: record {len(objects) + 1}: {error}")
    if len(objects) < 10000:
        fail(f"{path}: only {len(objects)} objects (file truncated?)")
    return objects


def attach_compiled(objects, compiled):
    """Gives each object the compiled catalogue's entry of its NGC, IC or
    Messier number (the nearest one, and only one within
    COMPILED_MATCH_RADIUS): item["compiled"]."""
    by_key = {}
    for entry in compiled:
        for prefix in ("NGC", "IC", "M"):
            if entry[prefix]:
                by_key.setdefault(f"{prefix} {entry[prefix]}", []).append(entry)
    for item in objects:
        best, best_distance = None, COMPILED_MATCH_RADIUS
        for text in item["texts"]:
            key = designation_key(text)
            for entry in by_key.get(key, ()) if key else ():
                distance = separation(item, entry)
                if distance < best_distance:
                    best, best_distance = entry, distance
        item["compiled"] = best


def plausible_surface(magnitude, compiled):
    """Whether the magnitude spread over the object's ellipse gives a mean
    surface brightness that extended objects show (magnitudes per square
    arcsecond); True when the size is unknown."""
    major = compiled.get("major") or 0.0
    minor = compiled.get("minor") or major
    if not major > 0.0:
        return True
    area = math.pi / 4.0 * (major * 3600.0) * (minor * 3600.0)
    return BRIGHTEST_SURFACE <= magnitude + 2.5 * math.log10(area) <= FAINTEST_SURFACE


def settle_kind_and_magnitude(item, report):
    """The object's type and visual magnitude from its sources; a source
    value more than a magnitude from the visual one goes into report."""
    compiled = item.get("compiled")
    if item["type"] == 29 and compiled and compiled["kind"] in COMPILED_TYPES:
        item["type"] = COMPILED_TYPES[compiled["kind"]]
    if item["morphology"] is None and compiled and compiled["morphology"]:
        item["morphology"] = compiled["morphology"]
    if item["type"] == 29 and item["morphology"] and galaxy_type(item["morphology"]) != 16:
        item["type"] = 16  # no kind given, but a Hubble type
    if item["type"] in (16, 17, 18, 19):
        kinds = [galaxy_type(m) for m in (item["morphology"], compiled and compiled["morphology"])
                 if m]
        item["type"] = next((k for k in kinds if k != 16), 16)
    source_value = item["V"]
    visual = compiled["V"] if compiled and compiled["V"] < NO_MAGNITUDE else None
    blue = compiled["B"] if compiled and compiled["B"] < NO_MAGNITUDE else None
    # The two magnitudes check each other: a colour outside what stars and
    # galaxies show means one of them is not what its column says (NGC 157
    # is listed B 11.0, V 19.0; NGC 6822 B 18.0, V 8.1; M 15 B 3.0, V 6.3).
    # The one that gives the object's size a surface brightness such objects
    # have stays; when both or neither do, the visual one unless it is
    # fainter than any NGC or IC object.
    if visual is not None and blue is not None and \
            not MOST_NEGATIVE_COLOUR <= blue - visual <= MOST_POSITIVE_COLOUR:
        blue_fits, visual_fits = plausible_surface(blue, compiled), plausible_surface(visual, compiled)
        if (blue_fits and not visual_fits) or (blue_fits == visual_fits and visual > FAINTEST_OBJECT):
            visual = None
        else:
            blue = None
    if visual is not None:
        item["V"] = visual
    elif blue is not None:
        item["V"] = blue - colour(item["type"], item["morphology"])
    if source_value is not None and item["V"] is not None and abs(source_value - item["V"]) > 1.0:
        report.append((item["texts"][0] if item["texts"] else "?", source_value, item["V"]))


def read_openngc(path):
    try:
        connection = sqlite3.connect(f"file:{path}?mode=ro", uri=True)
        rows = connection.execute(
            "select type, ra, dec, magnitude, name, long_name, catalog_identifier,"
            " major_axis, minor_axis, position_angle from cat").fetchall()
    except sqlite3.Error as error:
        fail(f"{path}: damaged catalogue: {error}")
    objects = []
    for row_number, row in enumerate(rows, 1):
        kind, ra, dec, magnitude, name, long_name, identifier, major, minor, angle = row
        if kind not in OPENNGC_TYPES:
            fail(f"{path}: row {row_number}: unknown object type {kind}")
        if ra is None or dec is None or not (0.0 <= ra < 360.0 and -90.0 <= dec <= 90.0):
            fail(f"{path}: row {row_number}: position out of range")
        texts = []
        for text in [name or "", identifier or ""] + (long_name or "").split(","):
            # 'NGC0520 NED01' -> 'NGC 520 NED01', the form of the name column
            text = re.sub(r"^(NGC|IC)0*(\d)", r"\1 \2", text.strip())
            key = designation_key(text)
            text = key or text
            if text and text not in texts:
                texts.append(text)
        objects.append({
            "type": OPENNGC_TYPES[kind], "ra": ra, "dec": dec, "V": magnitude,
            "major": major, "minor": minor, "angle": angle, "morphology": None,
            "texts": texts, "outlines": [],
        })
    if len(objects) < 10000:
        fail(f"{path}: only {len(objects)} objects (file truncated?)")
    return objects


def sharpless(text):
    """'Sh2 155' -> 'Sh2-155', the catalogue's own form (with a blank the
    number would read as catalogue 2 of the Sharpless row)."""
    match = re.fullmatch(r"Sh2 (\d+)", text)
    return f"Sh2-{match.group(1)}" if match else text


def parse_dimensions(text):
    if not text:
        return None, None
    parts = text.lower().split("x")
    try:
        values = [float(p) for p in parts if p.strip()]
    except ValueError:
        return None, None
    if not values:
        return None, None
    return values[0], (values[1] if len(values) > 1 else None)


def read_d3(path):
    data = load_json(path)
    objects = []
    skipped = []
    for feature in data.get("features", []):
        try:
            identifier = str(feature["id"]).strip()
            properties = feature["properties"]
            lon, lat = feature["geometry"]["coordinates"]
        except (KeyError, TypeError, ValueError):
            fail(f"{path}: damaged object {feature.get('id')}")
        if not (-90.0 <= float(lat) <= 90.0):
            # The published list has a few objects with impossible places;
            # they are left out and named, the rest of the list is sound.
            skipped.append(identifier)
            continue
        kind = D3_TYPES.get(properties.get("type", ""))
        if kind is None:
            fail(f"{path}: object {identifier}: unknown type {properties.get('type')}")
        try:
            magnitude = float(properties["mag"]) if properties.get("mag") not in (None, "", 999) else None
        except ValueError:
            fail(f"{path}: object {identifier}: damaged magnitude")
        if magnitude is not None and magnitude >= 99:
            magnitude = None
        major, minor = parse_dimensions(str(properties.get("dim", "") or ""))
        texts = [sharpless(identifier)]
        desig = sharpless(str(properties.get("desig", "") or "").strip())
        if desig and desig not in texts:
            texts.insert(0, desig)
        objects.append({
            "type": kind, "ra": float(lon) % 360.0, "dec": float(lat), "V": magnitude,
            "major": major, "minor": minor, "angle": None,
            "morphology": (properties.get("morph") or "").strip() or None,
            "texts": texts, "outlines": [],
        })
    if len(objects) < 10000:
        fail(f"{path}: only {len(objects)} objects (file truncated?)")
    if skipped:
        print(f"deep sky: left out {', '.join(skipped)}: declination out of range")
    return objects


def read_names(path):
    names = {}
    for number, line in read_lines(path):
        if line.startswith("#") or not line.strip():
            continue
        match = re.match(r'(.{5})(.{15})\s*_\("(.*?)"\)', line)
        if not match:
            fail(f"{path}:{number}: damaged name line")
        prefix, identifier, name = (g.strip() for g in match.groups())
        key = designation_key(f"{prefix} {identifier}") or f"{prefix} {identifier}"
        names.setdefault(key, [])
        if name not in names[key]:
            names[key].append(name)
    return names


def read_outlines(path):
    outlines = {}
    current = None
    for number, line in read_lines(path):
        if line.startswith("#") or not line.strip():
            continue
        fields = line.split()
        if len(fields) < 3 or fields[2] not in ("start", "vertex", "end"):
            fail(f"{path}:{number}: damaged outline line")
        try:
            ra, dec = float(fields[0]) * 15.0, float(fields[1])
        except ValueError:
            fail(f"{path}:{number}: damaged outline point")
        if not (0.0 <= ra <= 360.0 and -90.0 <= dec <= 90.0):
            fail(f"{path}:{number}: outline point out of range")
        if fields[2] == "start":
            key = " ".join(fields[3:])
            key = designation_key(key) or key
            current = []
            outlines.setdefault(key, []).append(current)
        elif current is None:
            fail(f"{path}:{number}: outline point before its start")
        current.append((ra, dec))
        if fields[2] == "end":
            current = None
    if current is not None:
        fail(f"{path}: last outline has no end (file truncated?)")
    return outlines


def ring_fits(item, ring):
    """Whether an outline lies round its object: the object's place within
    the outline's own reach from its centre (the mean of its points'
    directions) plus a degree or three times the object's size. Stellarium
    names a second outline of the Running Man nebula (NGC 1977) "NGC 1978",
    a cluster of the Large Magellanic Cloud 61 degrees away."""
    def direction(ra, dec):
        ra, dec = math.radians(ra), math.radians(dec)
        return (math.cos(dec) * math.cos(ra), math.cos(dec) * math.sin(ra), math.sin(dec))

    def angle(a, b):
        dot = sum(x * y for x, y in zip(a, b))
        norm = math.sqrt(sum(x * x for x in a) * sum(y * y for y in b))
        return math.degrees(math.acos(max(-1.0, min(1.0, dot / norm))))

    points = [direction(ra, dec) for ra, dec in ring]
    centre = tuple(sum(p[k] for p in points) for k in range(3))
    reach = max(angle(centre, p) for p in points)
    size = (item["major"] or 0.0) / 60.0
    return angle(centre, direction(item["ra"], item["dec"])) <= reach + max(1.0, 3.0 * size)


def separation(a, b):
    ra1, dec1, ra2, dec2 = map(math.radians, (a["ra"], a["dec"], b["ra"], b["dec"]))
    cosine = (math.sin(dec1) * math.sin(dec2) +
              math.cos(dec1) * math.cos(dec2) * math.cos(ra1 - ra2))
    return math.degrees(math.acos(max(-1.0, min(1.0, cosine))))


def merge(openngc, d3):
    by_key = {}
    cells = {}
    for item in openngc:
        for text in item["texts"]:
            key = designation_key(text)
            if key:
                by_key.setdefault(key, item)
        cells.setdefault((int(item["dec"] * 10), int(item["ra"] * 10) % 3600), []).append(item)
    added = []
    for item in d3:
        target = None
        for text in item["texts"]:
            key = designation_key(text)
            if key and key in by_key:
                target = by_key[key]
                break
        if target is None and item["type"] != 14:
            row, column = int(item["dec"] * 10), int(item["ra"] * 10)
            for r in (row - 1, row, row + 1):
                for c in (column - 1, column, column + 1):
                    for other in cells.get((r, c % 3600), ()):
                        same_kind = (other["type"] >= 16) == (item["type"] >= 16)
                        if same_kind and separation(item, other) < SAME_OBJECT_RADIUS:
                            target = other
        if target is None:
            added.append(item)
            continue
        if target["morphology"] is None:
            target["morphology"] = item["morphology"]
        # An object OpenNGC leaves without a kind takes the other source's;
        # galaxies are told apart later by their morphology.
        if target["type"] == 29 and item["type"] != 14:
            target["type"] = item["type"]
        for text in item["texts"]:
            if (designation_key(text) or text) not in target["texts"]:
                target["texts"].append(text)
    return openngc + added


def number_text(value, digits):
    return "-" if value is None else f"{value:.{digits}f}"


def main(argv):
    if len(argv) != 5:
        fail(__doc__.strip().splitlines()[-1])
    kscat, dsos, nebulae, output = argv[1:]
    objects = merge(read_openngc(kscat), read_d3(dsos))
    attach_compiled(objects, read_compiled(os.path.join(nebulae, "catalog.dat")))
    disagreements = []
    for item in objects:
        settle_kind_and_magnitude(item, disagreements)
    names = read_names(os.path.join(nebulae, "names.dat"))
    outlines = read_outlines(os.path.join(nebulae, "outlines.dat"))

    lines = ["# tessaly-deepsky 1"]
    with_outlines = 0
    astray = []
    for item in objects:
        texts = list(item["texts"])
        for text in item["texts"]:
            for name in names.get(designation_key(text) or text, [])[:3]:
                if name not in texts:
                    texts.append(name)
        rings = []
        for text in item["texts"]:
            rings = outlines.get(designation_key(text) or text, [])
            if rings:
                break
        # An outline named for an object elsewhere on the sky is left out.
        kept = [ring for ring in rings if ring_fits(item, ring)]
        astray += [item["texts"][0]] * (len(rings) - len(kept))
        rings = kept
        with_outlines += 1 if rings else 0
        clean = [t.replace("\t", " ").replace("|", "/") for t in texts][:32]
        outline_text = ";".join(",".join(f"{ra:.5f} {dec:.5f}" for ra, dec in ring)
                                for ring in rings[:127]) or "-"
        lines.append("\t".join([
            "D", str(item["type"]), f"{item['ra']:.6f}", f"{item['dec']:.6f}",
            number_text(item["V"], 2), number_text(item["major"], 2),
            number_text(item["minor"], 2), number_text(item["angle"], 1),
            (item["morphology"] or "-").replace("\t", " "), "|".join(clean) or "-",
            outline_text,
        ]))
    lines.append(f"E\t{len(objects)}")
    write_atomically(output, "\n".join(lines) + "\n")
    if astray:
        print(f"deep sky: left out {len(astray)} outlines far from the object they name: "
              f"{', '.join(astray)}")
    print(f"deep sky: {len(objects)} objects, {with_outlines} with outlines; "
          f"{sum(1 for item in objects if item.get('compiled'))} with compiled magnitudes, "
          f"{len(disagreements)} source magnitudes over 1 mag from the visual one")
    unknown = sum(1 for item in objects if item["type"] == 29)
    if unknown:
        print(f"deep sky: {unknown} objects of no known kind")


if __name__ == "__main__":
    main(sys.argv)
