#!/usr/bin/env python3
"""Deep-sky objects for the deep-sky catalogue, from public data.

Sources:
  kstars-data OpenNGC.kscat       NGC and IC objects (SQLite): type, J2000
                                  position, magnitude, axes, position angle,
                                  Messier numbers and other designations
  d3-celestial dsos.14.json       further objects (dark and bright nebulae,
                                  planetary nebulae, galaxies) and the
                                  morphology of NGC/IC objects
  stellarium nebulae/names.dat    proper names by designation
  stellarium nebulae/outlines.dat outlines of extended objects

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
import math
import os
import re
import sqlite3
import sys

from extract_common import fail, load_json, read_lines, write_atomically

# OpenNGC object kinds as the SQLite catalogue numbers them.
OPENNGC_TYPES = {0: 10, 1: 10, 3: 11, 4: 12, 5: 13, 6: 15, 7: 13, 8: 16, 13: 11, 14: 16,
                 17: 10, 255: 29}
# d3-celestial kinds.
D3_TYPES = {"oc": 11, "gc": 12, "bn": 13, "en": 13, "rn": 13, "sfr": 13, "snr": 13,
            "dn": 14, "pn": 15, "g": 16, "gg": 16, "s": 17, "s0": 17, "sd": 17,
            "e": 18, "i": 19}
SAME_OBJECT_RADIUS = 2.0 / 60.0  # degrees


def designation_key(text):
    """'NGC0224' / 'NGC 224' / 'IC  71' -> 'NGC 224'; None for others."""
    match = re.fullmatch(r"\s*(NGC|IC|M)\s*0*(\d+)\s*([A-Za-z]?)\s*", text)
    if not match:
        return None
    prefix, number, suffix = match.groups()
    return f"{prefix} {int(number)}{suffix.upper()}"


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
            text = text.strip()
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
        texts = [identifier]
        desig = str(properties.get("desig", "") or "").strip()
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
        if target["type"] == 16 and item["type"] in (17, 18, 19):
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
    names = read_names(os.path.join(nebulae, "names.dat"))
    outlines = read_outlines(os.path.join(nebulae, "outlines.dat"))

    lines = ["# tessaly-deepsky 1"]
    with_outlines = 0
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
                with_outlines += 1
                break
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
    print(f"deep sky: {len(objects)} objects, {with_outlines} with outlines")


if __name__ == "__main__":
    main(sys.argv)
