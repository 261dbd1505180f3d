#!/usr/bin/env python3
"""Stars for the three star catalogues, from public data.

Sources:
  kstars-data stars.dat       Hipparcos/Tycho stars to magnitude 9: J2000
                              position, proper motion, parallax, V, B-V,
                              spectral class, Bayer/Flamsteed, proper name
  d3-celestial stars.14.json  every Hipparcos star (HIP number, position, V)
  d3-celestial starnames.json Bayer, Flamsteed and variable-star names by HIP
  stellarium cross-id.dat     HIP -> SAO, HD, HR
  stellarium gcvs_hip_part.dat  variable stars (GCVS) by HIP
  stellarium wds_hip_part.dat   double stars (WDS) by HIP
  xplanet stars/BSC           the Bright Star Catalogue: HR, HD, place, V

A stars.dat star takes the HIP number of the Hipparcos star at its place
(within 10 arcseconds and one magnitude; a variable star of the GCVS list,
or a Bright Star, by place alone: the magnitudes of a variable differ with
the phase they were taken at, and a Bright Star's Hipparcos magnitude can be
a faint component's). stars.dat lists some stars twice: an entry within 1.5 arcseconds of
another (2 when their magnitudes agree to half a magnitude) is a copy and
is merged into the star with the HIP number, or the brighter, unless the
two are the listed double (WDS) at that separation, and at least 0.8
arcseconds apart. Stars with a parallax,
and every star to magnitude 6.5, go to the star file (file 2); other
stars.dat stars to the Tycho file (6); Hipparcos stars fainter than
stars.dat reaches to the guide-star file (3). A Bright Star (HR) or HD
number that the cross-identifications give to the several components of a
system stays with its primary only: the component with a Bayer or
Flamsteed name, else the brightest. The Bright Star Catalogue then checks
the HR numbers: the cross-identifications put a few on the wrong component
of a pair or on a wrong HIP number, and lack a few; each HR number goes to
the star at the catalogue's place (within 10 arcseconds, the nearest not
more than a magnitude fainter: a brighter one is the combined light of a
pair the star list does not split), or stays where it is when no star is
there.

Output list ("tessaly-stars"), one star a line, tab-separated:
  S file type ra dec distance pmra pmdec V B spectral designations names
    variable double
  ra, dec: J2000 degrees; distance: parsecs; pmra (mu alpha cos delta) and
  pmdec: mas/yr; V, B: magnitudes; designations: "|"-separated texts
  ("HR 7001", "alpha Lyr", "3 Lyr"); names: "|"-separated proper names;
  variable: max,min,period days,epoch JD,type; double: separation
  arcseconds,position angle degrees. "-" marks a value the sources lack.

usage: extract_stars.py STARS_DAT STARS14_JSON STARNAMES_JSON STELLARIUM_STARS_DIR BSC OUTPUT
"""
import math
import os
import re
import sys

from extract_common import fail, load_json, read_lines, write_atomically

GREEK = {
    "alp": "alpha", "bet": "beta", "gam": "gamma", "del": "delta", "eps": "epsilon",
    "zet": "zeta", "eta": "eta", "the": "theta", "iot": "iota", "kap": "kappa",
    "lam": "lambda", "mu": "mu", "nu": "nu", "xi": "xi", "omi": "omicron", "pi": "pi",
    "rho": "rho", "sig": "sigma", "tau": "tau", "ups": "upsilon", "phi": "phi",
    "chi": "chi", "psi": "psi", "ome": "omega",
}
GREEK_SYMBOLS = {
    "α": "alpha", "β": "beta", "γ": "gamma", "δ": "delta", "ε": "epsilon", "ζ": "zeta",
    "η": "eta", "θ": "theta", "ι": "iota", "κ": "kappa", "λ": "lambda", "μ": "mu",
    "ν": "nu", "ξ": "xi", "ο": "omicron", "π": "pi", "ρ": "rho", "σ": "sigma",
    "τ": "tau", "υ": "upsilon", "φ": "phi", "χ": "chi", "ψ": "psi", "ω": "omega",
}
MATCH_RADIUS = 10.0 / 3600.0  # degrees
COMPANION_RADIUS = 60.0 / 3600.0  # degrees
# Copies: within COPY_RADIUS always, within COPY_RADIUS_SIMILAR when the
# magnitudes agree to SIMILAR_MAGNITUDES; a listed double whose separation
# is within PAIR_TOLERANCE of theirs is a true pair, not a copy.
COPY_RADIUS = 1.5 / 3600.0
COPY_RADIUS_SIMILAR = 2.0 / 3600.0
SIMILAR_MAGNITUDES = 0.5
PAIR_TOLERANCE = 0.5  # arcseconds
# Closer than this the sources cannot have measured two stars: a copy even
# where the double-star list has a pair.
RESOLVED_SEPARATION = 0.8  # arcseconds
# Every star to this magnitude belongs to the star file, parallax or not.
NAKED_EYE_LIMIT = 6.5
MAX_DESIGNATIONS = 16
# Numbers beyond a catalogue's published range (the HD extension, for one)
# have no designation of their own here.
CATALOGUE_LIMITS = {"HR": 9110, "HD": 359083, "SAO": 258997}


def sexagesimal(text, hours):
    """'064508.92' (hhmmss.ss) or '-164258.0' (ddmmss.s) in degrees."""
    sign = -1.0 if text.startswith("-") else 1.0
    digits = text.lstrip("+-")
    whole, _, fraction = digits.partition(".")
    if len(whole) != 6 or not whole.isdigit():
        raise ValueError(text)
    a, b = int(whole[0:2]), int(whole[2:4])
    c = float(whole[4:6] + "." + (fraction or "0"))
    # Rounded values of 60 seconds occur in the sources and mean the next minute.
    if b >= 60 or c > 60.0:
        raise ValueError(text)
    value = a + b / 60.0 + c / 3600.0
    return sign * value * (15.0 if hours else 1.0)


def kstars_designation(text):
    """'alp1Cen' -> 'alpha1 Cen', '51  And' -> '51 And', 'q   Car' -> 'q Car'."""
    text = text.strip()
    if len(text) < 5:
        return None
    head, constellation = text[:-3].strip(), text[-3:]
    match = re.fullmatch(r"([A-Za-z]+)\s*(\d?)", head)
    if match:
        letters, superscript = match.groups()
        if letters in GREEK:
            return f"{GREEK[letters]}{superscript} {constellation}"
        if len(letters) == 1 and ("a" <= letters <= "z" or "A" <= letters <= "Q"):
            return f"{letters}{superscript} {constellation}"
        return None
    if re.fullmatch(r"\d+", head):
        return f"{int(head)} {constellation}"
    return None


def read_kstars_stars(path):
    stars = []
    for number, line in read_lines(path):
        if line.startswith("#") or not line.strip():
            continue
        if len(line) < 60:
            fail(f"{path}:{number}: line too short ({len(line)} characters)")
        try:
            ra = sexagesimal(line[0:9], True)
            dec = sexagesimal(line[10:19], False)
            pmra = float(line[20:29])
            pmdec = float(line[29:38])
            parallax = float(line[38:45])
            magnitude = float(line[45:51])
            color = float(line[51:56])
        except ValueError:
            fail(f"{path}:{number}: damaged star line")
        if not (0.0 <= ra < 360.0 and -90.0 <= dec <= 90.0 and -5.0 < magnitude < 20.0):
            fail(f"{path}:{number}: position or magnitude out of range")
        spectral = line[56:58].strip().rstrip("?")
        names, designations = [], []
        if len(line) > 72:
            parts = [p.strip() for p in line[72:].split(",")]
            if len(parts) > 1 and parts[1]:
                designation = kstars_designation(parts[1])
                if designation:
                    designations.append(designation)
            if len(parts) > 2 and parts[2]:
                names.append(parts[2])
        stars.append({
            "ra": ra, "dec": dec, "pmra": pmra, "pmdec": pmdec, "parallax": parallax,
            "V": magnitude, "BV": color, "spectral": spectral, "names": names,
            "designations": designations, "hip": None, "line": number,
        })
    if len(stars) < 1000:
        fail(f"{path}: only {len(stars)} stars (file truncated?)")
    return stars


def read_hipparcos(path):
    data = load_json(path)
    stars = {}
    for feature in data.get("features", []):
        try:
            hip = int(feature["id"])
            lon, lat = feature["geometry"]["coordinates"]
            magnitude = float(feature["properties"]["mag"])
            color = feature["properties"].get("bv")
            color = float(color) if color not in (None, "") else None
        except (KeyError, TypeError, ValueError):
            fail(f"{path}: damaged star {feature.get('id')}")
        stars[hip] = {"ra": lon % 360.0, "dec": float(lat), "V": magnitude, "BV": color}
    if len(stars) < 100000:
        fail(f"{path}: only {len(stars)} Hipparcos stars (file truncated?)")
    return stars


def angular_distance(a, b):
    """Degrees between two places of nearly the same direction."""
    cos_dec = max(math.cos(math.radians(a["dec"])), 1e-6)
    dra = ((b["ra"] - a["ra"] + 180.0) % 360.0 - 180.0) * cos_dec
    return math.hypot(dra, b["dec"] - a["dec"])


def neighbours(cells, place):
    row, column = int(place["dec"] * 10), int(place["ra"] * 10)
    for r in (row - 1, row, row + 1):
        for c in (column - 1, column, column + 1):
            yield from cells.get((r, c % 3600), ())


def match_hipparcos(stars, hipparcos, variables, ids):
    cells = {}
    for hip, star in hipparcos.items():
        cells.setdefault((int(star["dec"] * 10), int(star["ra"] * 10) % 3600), []).append(hip)
    taken = set()
    # Constant stars by place and magnitude first, then by place alone the
    # variables of the GCVS list and the Bright Stars (whose Hipparcos
    # magnitude may be a component's).
    for by_place_alone in (False, True):
        for star in stars:
            if star["hip"] is not None:
                continue
            best, best_distance = None, MATCH_RADIUS
            for hip in neighbours(cells, star):
                other = hipparcos[hip]
                distance = angular_distance(star, other)
                agrees = ((hip in variables or bool(ids.get(hip, {}).get("HR"))) if by_place_alone
                          else abs(other["V"] - star["V"]) < 1.0)
                if distance < best_distance and agrees and hip not in taken:
                    best, best_distance = hip, distance
            if best is not None:
                star["hip"] = best
                taken.add(best)
    return taken


def merge_copies(stars, doubles):
    """Drops the entries that repeat another star (see the module text) and
    returns the number dropped. The kept star takes a parallax, proper
    motion, names and designations that only the copy had."""
    cells = {}
    for index, star in enumerate(stars):
        cells.setdefault((int(star["dec"] * 10), int(star["ra"] * 10) % 3600), []).append(index)
    dropped = set()
    for index, star in enumerate(stars):
        if index in dropped:
            continue
        for other_index in neighbours(cells, star):
            if other_index <= index or other_index in dropped:
                continue
            other = stars[other_index]
            distance = angular_distance(star, other)
            similar = abs(star["V"] - other["V"]) < SIMILAR_MAGNITUDES
            if distance >= (COPY_RADIUS_SIMILAR if similar else COPY_RADIUS):
                continue
            if star["hip"] is not None and other["hip"] is not None:
                continue  # two Hipparcos stars: two stars
            pair = doubles.get(star["hip"] or other["hip"])
            if pair and pair["separation"] is not None and \
                    distance * 3600.0 >= RESOLVED_SEPARATION and \
                    abs(pair["separation"] - distance * 3600.0) < PAIR_TOLERANCE:
                continue
            keep, copy = (star, other) if (star["hip"] is not None or (other["hip"] is None and
                                           star["V"] <= other["V"])) else (other, star)
            if keep["parallax"] <= 0.0 < copy["parallax"]:
                keep["parallax"] = copy["parallax"]
            for key in ("names", "designations"):
                keep[key] += [text for text in copy[key] if text not in keep[key]]
            dropped.add(other_index if copy is other else index)
            if copy is star:
                break
    stars[:] = [star for index, star in enumerate(stars) if index not in dropped]
    return len(dropped)


def attach_companions(stars, hipparcos, matched, ids):
    """Bright Star numbers of Hipparcos stars that stars.dat merges into a
    neighbour (close pairs listed once) go to that neighbour, so that the
    figures drawn through either component find a star."""
    cells = {}
    for index, star in enumerate(stars):
        cells.setdefault((int(star["dec"] * 10), int(star["ra"] * 10) % 3600), []).append(index)
    for hip, cross in ids.items():
        if hip in matched or hip not in hipparcos or not cross.get("HR"):
            continue
        place = hipparcos[hip]
        row, column = int(place["dec"] * 10), int(place["ra"] * 10)
        cos_dec = max(math.cos(math.radians(place["dec"])), 1e-6)
        best, best_distance = None, COMPANION_RADIUS
        for r in (row - 1, row, row + 1):
            for c in (column - 1, column, column + 1):
                for index in cells.get((r, c % 3600), ()):
                    star = stars[index]
                    dra = ((star["ra"] - place["ra"] + 180.0) % 360.0 - 180.0) * cos_dec
                    distance = math.hypot(dra, star["dec"] - place["dec"])
                    if distance < best_distance:
                        best, best_distance = index, distance
        if best is not None:
            stars[best].setdefault("companion_hr", []).extend(cross["HR"])


def read_cross_identifications(path):
    table = {}
    for number, line in read_lines(path):
        if line.startswith("#") or not line.strip():
            continue
        fields = line.split("\t")
        if len(fields) < 4:
            fail(f"{path}:{number}: expected HIP, component, SAO, HD, HR")
        try:
            hip = int(fields[0])
            values = [int(f) if f.strip() else None for f in fields[2:5]] + [None] * 3
        except ValueError:
            fail(f"{path}:{number}: damaged cross-identification")
        sao, hd, hr = values[:3]
        entry = table.setdefault(hip, {})
        for key, value in (("SAO", sao), ("HD", hd)):
            if value and key not in entry:
                entry[key] = value
        # Components too close to be told apart in the Hipparcos data share
        # its entry; each keeps its Bright Star number, so that figures drawn
        # through either component find the star.
        if hr and hr not in entry.setdefault("HR", []):
            entry["HR"].append(hr)
    return table


def read_variables(path):
    table = {}
    for number, line in read_lines(path):
        if line.startswith("#") or not line.strip():
            continue
        fields = line.split("\t")
        if len(fields) < 11:
            fail(f"{path}:{number}: expected 12 variable-star fields")
        try:
            hip = int(fields[0])
            maximum = float(fields[3]) if fields[3].strip() else None
            amplitude_flag = fields[4].strip()
            minimum = float(fields[5]) if fields[5].strip() else None
            epoch = float(fields[8]) + 2400000.0 if fields[8].strip() else None
            period = float(fields[9]) if fields[9].strip() else None
        except ValueError:
            fail(f"{path}:{number}: damaged variable star")
        if amplitude_flag == "1" and maximum is not None and minimum is not None:
            minimum = maximum + minimum  # the minimum is given as an amplitude
        table[hip] = {"name": fields[1].strip(), "type": fields[2].strip(),
                      "max": maximum, "min": minimum, "epoch": epoch, "period": period}
    return table


def read_doubles(path):
    table = {}
    for number, line in read_lines(path):
        if line.startswith("#") or not line.strip():
            continue
        fields = line.split("\t")
        if len(fields) < 5:
            fail(f"{path}:{number}: expected HIP, WDS, year, angle, separation")
        try:
            hip = int(fields[0])
            angle = float(fields[3]) if fields[3].strip() else None
            separation = float(fields[4]) if fields[4].strip() else None
        except ValueError:
            fail(f"{path}:{number}: damaged double star")
        if not re.fullmatch(r"\d{5}[+-]\d{4}", fields[1].strip()):
            fail(f"{path}:{number}: damaged WDS designation")
        table.setdefault(hip, {"wds": fields[1].strip(), "angle": angle, "separation": separation})
    return table


def variable_designation(name):
    """GCVS names with letters or V-numbers ('R And', 'V0337 Car')."""
    match = re.fullmatch(r"([A-Z]{1,2}|V\d+)\s+([A-Z][A-Za-z]{2})", name)
    if not match:
        return None
    letters, constellation = match.groups()
    if letters.startswith("V") and len(letters) > 2:
        letters = "V" + str(int(letters[1:]))
    return f"{letters} {constellation}"


def value(number, digits=3):
    return "-" if number is None else f"{number:.{digits}f}"


def designations_of(star, ids, variables, doubles, names_by_hip):
    """The star's designations and names (see star_line)."""
    hip = star.get("hip")
    designations = list(star["designations"])
    names = list(star["names"])
    extra = names_by_hip.get(str(hip), {}) if hip else {}
    constellation = extra.get("c", "")
    if constellation and extra.get("bayer") in GREEK_SYMBOLS:
        bayer = f"{GREEK_SYMBOLS[extra['bayer']]} {constellation}"
        if not any(d.split()[-1] == constellation and d.split()[0].rstrip("0123456789") ==
                   GREEK_SYMBOLS[extra["bayer"]] for d in designations):
            designations.append(bayer)
    if constellation and extra.get("flam", "").isdigit():
        flamsteed = f"{int(extra['flam'])} {constellation}"
        if flamsteed not in designations:
            designations.append(flamsteed)
    if extra.get("name") and extra["name"] not in names:
        names.append(extra["name"])
    variable = variables.get(hip) if hip else None
    double = doubles.get(hip) if hip else None
    if variable:
        designation = variable_designation(variable["name"])
        if designation:
            designations.append(designation)
    cross = ids.get(hip, {}) if hip else {}
    for hr in cross.get("HR", []) + star.get("companion_hr", []):
        if hr <= CATALOGUE_LIMITS["HR"] and f"HR {hr}" not in designations:
            designations.append(f"HR {hr}")
    for key in ("HD", "SAO"):
        if key in cross and cross[key] <= CATALOGUE_LIMITS[key]:
            designations.append(f"{key} {cross[key]}")
    if hip:
        designations.append(f"HIP {hip}")
    if double:
        designations.append(f"WDS {double['wds']}")
    return designations, names


def read_bright_star_catalogue(path):
    """xplanet's copy of the Bright Star Catalogue: Dec, RA (hours), V, a
    quoted name, HR, HD, SAO per line."""
    rows = []
    for number, line in read_lines(path):
        if line.startswith("#") or not line.strip():
            continue
        match = re.fullmatch(r'\s*(-?[\d.]+)\s+([\d.]+)\s+(-?[\d.]+)\s+"[^"]*"\s+(\d+)\s+(\d+)\s+(\d+)\s*', line)
        if not match:
            fail(f"{path}:{number}: damaged Bright Star line")
        dec, ra, magnitude, hr, hd, _ = match.groups()
        rows.append({"hr": int(hr), "hd": int(hd), "ra": float(ra) * 15.0, "dec": float(dec),
                     "V": float(magnitude)})
    if len(rows) < 9000:
        fail(f"{path}: only {len(rows)} Bright Stars (file truncated?)")
    return rows


def place_bright_star_numbers(entries, bright_stars):
    """entries: (star, designations) pairs. Moves each HR number to the star
    at the catalogue's place (see the module text); returns the numbers
    moved or added."""
    cells, holders = {}, {}
    for entry in entries:
        star, designations = entry
        cells.setdefault((int(star["dec"] * 10), int(star["ra"] * 10) % 3600), []).append(entry)
        for text in designations:
            if text.startswith("HR "):
                holders.setdefault(text, []).append(entry)
    changed = 0
    for row in bright_stars:
        text = f"HR {row['hr']}"
        target, best = None, MATCH_RADIUS
        for entry in neighbours(cells, row):
            distance = angular_distance(row, entry[0])
            # A star brighter than the entry: the combined light of a pair
            # the star list does not split (xi UMa A and B).
            if distance < best and entry[0]["V"] - row["V"] < 1.0:
                target, best = entry, distance
        if target is None:
            continue
        for entry in holders.get(text, []):
            if entry is not target:
                entry[1].remove(text)
                changed += 1
        if text not in target[1]:
            target[1].append(text)
            hd = f"HD {row['hd']}"
            if row["hd"] and not any(d.startswith("HD ") for d in target[1]):
                target[1].append(hd)
            changed += 1
    return changed


def keep_shared_numbers_on_primaries(entries):
    """entries: (star, designations) pairs. An HR or HD designation that
    several stars carry stays only with the primary: the one with a Bayer
    or Flamsteed designation, else the brightest."""
    holders = {}
    for star, designations in entries:
        for text in designations:
            if text.startswith(("HR ", "HD ")):
                holders.setdefault(text, []).append((star, designations))
    moved = 0
    for text, group in holders.items():
        if len(group) < 2:
            continue

        def rank(entry):
            star, designations = entry
            named = any(re.fullmatch(r"([a-z]+\d?|\d+) [A-Z][a-z]{2}", d) for d in designations)
            return (0 if named else 1, star["V"])

        group.sort(key=rank)
        for _, designations in group[1:]:
            designations.remove(text)
            moved += 1
    return moved


def star_line(file, star, designations, names, variables, doubles):
    hip = star.get("hip")
    designations = designations[:MAX_DESIGNATIONS]
    variable = variables.get(hip) if hip else None
    double = doubles.get(hip) if hip else None

    star_type = 1
    if variable and double:
        star_type = 4
    elif variable:
        star_type = 6
    elif double:
        star_type = 2
    distance = 1000.0 / star["parallax"] if star.get("parallax", 0.0) > 0.0 else None
    blue = star["V"] + star["BV"] if star.get("BV") is not None else None
    variable_text = "-"
    if variable:
        variable_text = ",".join([value(variable["max"], 2), value(variable["min"], 2),
                                  value(variable["period"], 5), value(variable["epoch"], 5),
                                  variable["type"].replace(",", " ") or "-"])
    double_text = "-"
    if double:
        double_text = ",".join([value(double["separation"], 2), value(double["angle"], 1)])
    clean = [n.replace("\t", " ").replace("|", "/") for n in names if n][:16]
    return "\t".join([
        "S", str(file), str(star_type), f"{star['ra']:.7f}", f"{star['dec']:.7f}",
        value(distance, 3), value(star.get("pmra"), 2), value(star.get("pmdec"), 2),
        value(star["V"], 2), value(blue, 2), star.get("spectral") or "-",
        "|".join(designations) or "-", "|".join(clean) or "-", variable_text, double_text,
    ])


def main(argv):
    if len(argv) != 7:
        fail(__doc__.strip().splitlines()[-1])
    stars_dat, stars14, starnames, stellarium, bsc, output = argv[1:]
    stars = read_kstars_stars(stars_dat)
    hipparcos = read_hipparcos(stars14)
    names_by_hip = load_json(starnames)
    ids = read_cross_identifications(os.path.join(stellarium, "cross-id.dat"))
    variables = read_variables(os.path.join(stellarium, "gcvs_hip_part.dat"))
    doubles = read_doubles(os.path.join(stellarium, "wds_hip_part.dat"))
    matched = match_hipparcos(stars, hipparcos, variables, ids)
    copies = merge_copies(stars, doubles)
    attach_companions(stars, hipparcos, matched, ids)
    faintest = max(star["V"] for star in stars)

    entries = []  # (file, star, designations, names)
    for star in stars:
        bright = star["V"] <= NAKED_EYE_LIMIT or (
            star["hip"] is not None and hipparcos[star["hip"]]["V"] <= NAKED_EYE_LIMIT)
        file = 2 if star["parallax"] > 0.0 or bright else 6
        entries.append((file, star) + designations_of(star, ids, variables, doubles, names_by_hip))
    for hip in sorted(hipparcos):
        if hip in matched or hipparcos[hip]["V"] <= faintest:
            continue
        star = dict(hipparcos[hip], hip=hip, designations=[], names=[], spectral="",
                    pmra=None, pmdec=None, parallax=0.0)
        entries.append((3, star) + designations_of(star, ids, variables, doubles, names_by_hip))
    pairs = [(star, designations) for _, star, designations, _ in entries]
    moved = keep_shared_numbers_on_primaries(pairs)
    placed = place_bright_star_numbers(pairs, read_bright_star_catalogue(bsc))

    lines = ["# tessaly-stars 1"]
    counts = {2: 0, 6: 0, 3: 0}
    for file, star, designations, names in entries:
        lines.append(star_line(file, star, designations, names, variables, doubles))
        counts[file] += 1
    lines.append(f"E\t{sum(counts.values())}")
    write_atomically(output, "\n".join(lines) + "\n")
    print(f"stars: {counts[2]} in the star file, {counts[6]} without a parallax, {counts[3]} faint "
          f"Hipparcos stars; {len(matched)} matched to HIP numbers, {copies} copies merged, "
          f"{moved} shared HR/HD numbers left to their primaries, {placed} HR numbers placed "
          f"by the Bright Star Catalogue")


if __name__ == "__main__":
    main(sys.argv)
