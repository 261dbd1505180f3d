#!/usr/bin/env python3
"""Satellite element sets and their list categories, from gpredict's data.

gpredict ships about a thousand element sets (satdata/satellites.dat, one
INI-like section per satellite with NAME, TLE1 and TLE2) and group files
(satdata/*.cat: a title line, then one catalogue number a line). This
writes the element sets as an ordinary three-line element file, which the
catalogue tool reads like any published one, and the category codes of the
satellite lists each satellite belongs to:

    # tessaly-satellite-groups 1
    G <catalogue number> <category code>,<category code>...
    E <count>

usage: extract_satellites.py SATDATA_DIR ELEMENTS_OUTPUT GROUPS_OUTPUT
"""
import glob
import os
import sys

from extract_common import fail, read_lines, write_atomically

# The satellite list each gpredict group title stands for, by the list's
# category code.
CATEGORY_OF_GROUP = {
    "Amateur Radio": 28, "Cubesat": 72, "Galileo Nav.": 42, "Glonass Operational": 41,
    "GPS Operational": 40, "Iridium NEXT": 25, "Iridium": 25, "Molniya": 24, "NOAA": 11,
    "Space & Earth Science": 60, "Brightest": 3, "Weather Satellites": 10,
}
# gpredict has no group of the crewed space stations, so their list would
# stay empty: the stations by their numbers in the public satellite
# catalogue (ISS, Tiangong 1 and 2, the Chinese station's core module).
SPACE_STATIONS = (25544, 37820, 41765, 48274)
SPACE_STATIONS_CATEGORY = 2


def read_element_sets(path):
    sets = []
    current = None
    for number, line in read_lines(path):
        line = line.strip()
        if not line:
            continue
        if line.startswith("[") and line.endswith("]"):
            if current is not None and not ("TLE1" in current and "TLE2" in current):
                fail(f"{path}:{current['line']}: satellite without both element lines")
            current = {"line": number, "number": line[1:-1]}
            sets.append(current)
            continue
        key, sep, value = line.partition("=")
        if not sep or current is None:
            fail(f"{path}:{number}: expected KEY=value inside a satellite section")
        current[key] = value
    if current is not None and not ("TLE1" in current and "TLE2" in current):
        fail(f"{path}:{current['line']}: satellite without both element lines (file truncated?)")
    if len(sets) < 100:
        fail(f"{path}: only {len(sets)} satellites (file truncated?)")
    return sets


def read_groups(folder):
    categories = {}
    for path in sorted(glob.glob(os.path.join(folder, "*.cat"))):
        lines = list(read_lines(path))
        if not lines:
            fail(f"{path}: empty group file")
        title = lines[0][1].strip()
        if title not in CATEGORY_OF_GROUP:
            fail(f"{path}:1: unknown group \"{title}\"")
        code = CATEGORY_OF_GROUP[title]
        for number, line in lines[1:]:
            if not line.strip():
                continue
            if not line.strip().isdigit():
                fail(f"{path}:{number}: expected a catalogue number")
            codes = categories.setdefault(int(line), [])
            if code not in codes:
                codes.append(code)
    return categories


def add_space_stations(categories, sets):
    shipped = {int(entry["number"]) for entry in sets if entry["number"].isdigit()}
    for number in SPACE_STATIONS:
        if number in shipped:
            codes = categories.setdefault(number, [])
            if SPACE_STATIONS_CATEGORY not in codes:
                codes.insert(0, SPACE_STATIONS_CATEGORY)


def main(argv):
    if len(argv) != 4:
        fail(__doc__.strip().splitlines()[-1])
    folder, elements_output, groups_output = argv[1:]
    sets = read_element_sets(os.path.join(folder, "satellites.dat"))
    categories = read_groups(folder)
    add_space_stations(categories, sets)
    elements = []
    for entry in sets:
        elements += [entry.get("NAME", "").strip(), entry["TLE1"].rstrip(), entry["TLE2"].rstrip()]
    groups = ["# tessaly-satellite-groups 1"]
    for number in sorted(categories):
        groups.append(f"G\t{number}\t" + ",".join(str(c) for c in categories[number][:4]))
    groups.append(f"E\t{len(categories)}")
    write_atomically(elements_output, "\n".join(elements) + "\n")
    write_atomically(groups_output, "\n".join(groups) + "\n")
    print(f"satellites: {len(sets)} element sets, {len(categories)} in groups")


if __name__ == "__main__":
    main(sys.argv)
