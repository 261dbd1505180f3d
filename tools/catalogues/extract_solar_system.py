#!/usr/bin/env python3
"""Minor bodies and surface features for the solar-system catalogue.

Sources:
  kstars-data asteroids.dat        JPL small-body elements (JSON): number,
                                   name, H, G, diameter, epoch, a, e, q, i,
                                   node, argument of perihelion, M
  kstars-data cometels.json.gz     MPC comet elements: perihelion time and
                                   distance, e, angles, epoch, H and K
  stellarium data/nomenclature.dat IAU names of surface features

Output list ("tessaly-solarsystem"), tab-separated; "-" for what a source
lacks; angles in degrees (J2000 ecliptic), times as Julian dates:
  A number name provisional epoch q e i peri node M n H G diameter
  C number name1 name2 epoch q e i peri node M n H K
  F body type name latitude longitude diameter
  M (mean anomaly at the epoch) and n (degrees per day) follow from the
  elements with the Sun's Gaussian constant.

usage: extract_solar_system.py ASTEROIDS_JSON COMETS_JSON_GZ NOMENCLATURE OUTPUT
"""
import math
import re
import sys

from extract_common import fail, load_json, read_lines, write_atomically

GAUSS = 0.01720209895  # radians per day, the Sun's Gaussian constant


def julian_date(year, month, day):
    """Gregorian calendar date (day with fraction) to a Julian date."""
    if month <= 2:
        year -= 1
        month += 12
    a = year // 100
    b = 2 - a + a // 4
    return (math.floor(365.25 * (year + 4716)) + math.floor(30.6001 * (month + 1))
            + day + b - 1524.5)


def mean_motion(q, e):
    """Degrees per day; for e = 1 the rate of the parabolic anomaly."""
    if e == 1.0:
        return math.degrees(3.0 * GAUSS / math.sqrt(2.0 * q ** 3))
    a = q / abs(1.0 - e)
    return math.degrees(GAUSS / a ** 1.5)


def number_text(value, digits=8):
    return "-" if value is None else f"{value:.{digits}g}"


def optional(value):
    if value in (None, ""):
        return None
    return float(value)


def asteroid_lines(path):
    data = load_json(path)
    fields = data.get("fields", [])
    wanted = ["full_name", "H", "G", "diameter", "epoch_mjd", "e", "a", "q", "i", "om", "w", "ma"]
    if any(name not in fields for name in wanted):
        fail(f"{path}: missing fields")
    column = {name: fields.index(name) for name in wanted}
    lines = []
    incomplete = 0
    for k, row in enumerate(data.get("data", []), 1):
        try:
            full = row[column["full_name"]].strip()
            match = re.fullmatch(r"(\d+)\s+(.*?)(?:\s+\((.*)\))?", full) or \
                re.fullmatch(r"()\((.*)\)()", full)
            if not match:
                fail(f"{path}: asteroid {k}: name not understood: {full}")
            number, name, provisional = match.groups()
            if row[column["ma"]] is None:
                # Without a mean anomaly no place can be computed; the
                # source gives none for a few distant objects.
                incomplete += 1
                continue
            epoch = float(row[column["epoch_mjd"]]) + 2400000.5
            e = float(row[column["e"]])
            q = float(row[column["q"]])
            values = [float(row[column[f]]) for f in ("i", "w", "om", "ma")]
            h, g, diameter = (optional(row[column[f]]) for f in ("H", "G", "diameter"))
        except (TypeError, ValueError, IndexError):
            fail(f"{path}: asteroid {k}: damaged elements")
        if not (0.0 <= e < 1.0 and q > 0.0):
            fail(f"{path}: asteroid {k}: elements out of range")
        inclination, perihelion, node, anomaly = values
        lines.append("\t".join([
            "A", number or "0", name, provisional or "-", f"{epoch:.5f}", number_text(q),
            number_text(e), number_text(inclination), number_text(perihelion), number_text(node),
            number_text(anomaly), number_text(mean_motion(q, e)), number_text(h),
            number_text(g), number_text(diameter),
        ]))
    if len(lines) < 1000:
        fail(f"{path}: only {len(lines)} asteroids (file truncated?)")
    if incomplete:
        print(f"solar system: left out {incomplete} asteroids without a mean anomaly")
    return lines


def comet_lines(path):
    data = load_json(path)
    lines = []
    for k, comet in enumerate(data, 1):
        try:
            designation = comet["Designation_and_name"].strip()
            q = float(comet["Perihelion_dist"])
            e = float(comet["e"])
            perihelion_time = julian_date(int(comet["Year_of_perihelion"]),
                                          int(comet["Month_of_perihelion"]),
                                          float(comet["Day_of_perihelion"]))
            # Sets without an epoch are osculating at the perihelion passage.
            epoch = julian_date(int(comet["Epoch_year"]), int(comet["Epoch_month"]),
                                float(comet["Epoch_day"])) if "Epoch_year" in comet \
                else perihelion_time
            angles = [float(comet[f]) for f in ("i", "Peri", "Node")]
            h, k_value = optional(comet.get("H")), optional(comet.get("G"))
        except (KeyError, TypeError, ValueError):
            fail(f"{path}: comet {k}: damaged elements")
        if not (e >= 0.0 and q > 0.0):
            fail(f"{path}: comet {k}: elements out of range")
        # Interstellar objects have their own numbering; their numbers would
        # collide with those of the periodic comets.
        periodic = re.fullmatch(r"(\d+)([PD])/(.+)", designation)
        if periodic:
            number, name1, name2 = periodic.group(1), periodic.group(1) + periodic.group(2), \
                periodic.group(3)
        else:
            match = re.fullmatch(r"(.*?)\s*\((.*)\)", designation)
            number = "0"
            name1, name2 = (match.group(1), match.group(2)) if match else (designation, "-")
        n = mean_motion(q, e)
        anomaly = n * (epoch - perihelion_time)
        if e < 1.0:
            anomaly %= 360.0
        lines.append("\t".join([
            "C", number, name1, name2, f"{epoch:.5f}", number_text(q), number_text(e),
            number_text(angles[0]), number_text(angles[1]), number_text(angles[2]),
            number_text(anomaly, 10), number_text(n, 10), number_text(h), number_text(k_value),
        ]))
    if len(lines) < 100:
        fail(f"{path}: only {len(lines)} comets (file truncated?)")
    return lines


def feature_lines(path):
    lines = []
    for number, line in read_lines(path):
        if line.startswith("#") or not line.strip():
            continue
        match = re.fullmatch(r'(\S+)\s+(\d+)\s+_\("(.*?)","(.*?)"\)\s+(\S+)\s+(\S+)\s+(\S+)\s+(\S+)',
                             line.strip())
        if not match:
            fail(f"{path}:{number}: damaged feature line")
        body, _, name, kind, _, latitude, longitude, size = match.groups()
        try:
            lat, lon, diameter = float(latitude), float(longitude), float(size)
        except ValueError:
            fail(f"{path}:{number}: damaged feature values")
        if abs(lat) > 90.0 or not (-360.0 <= lon <= 360.0):
            fail(f"{path}:{number}: feature position out of range")
        lines.append("\t".join(["F", body, kind, name.replace("\t", " "), f"{lat:.4f}",
                                f"{lon:.4f}", number_text(diameter)]))
    if len(lines) < 1000:
        fail(f"{path}: only {len(lines)} features (file truncated?)")
    return lines


def main(argv):
    if len(argv) != 5:
        fail(__doc__.strip().splitlines()[-1])
    asteroids = asteroid_lines(argv[1])
    comets = comet_lines(argv[2])
    features = feature_lines(argv[3])
    lines = ["# tessaly-solarsystem 1"] + asteroids + comets + features
    lines.append(f"E\t{len(asteroids) + len(comets) + len(features)}")
    write_atomically(argv[4], "\n".join(lines) + "\n")
    print(f"solar system: {len(asteroids)} asteroids, {len(comets)} comets, "
          f"{len(features)} surface features")


if __name__ == "__main__":
    main(sys.argv)
