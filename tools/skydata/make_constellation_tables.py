#!/usr/bin/env python3
"""Generates the built-in constellation tables of skydata/ from public data.

Sources (installed by `scripts/setup.sh --data`; see scripts/packages/data/skydata-tables.txt
and scripts/setup.d/data/skydata-tables.sh):
  - the IAU constellation boundaries for equinox B1875.0 (Delporte 1930,
    Roman 1987; CDS catalogue VI/42) as declination-sorted spans, from
    Debian stellarium-data (data/constellations_spans.dat);
  - the western stick figures by Hipparcos number, from stellarium-data
    (skycultures/western/constellationship.fab) -> alternative figures, and
    the asterisms (asterism_lines.fab);
  - the simpler western figures by Henry Draper number and the label
    positions, from Debian kstars-data (clines.dat, cnames.dat) -> standard
    figures;
  - the Bright Star Catalogue, 5th revised edition (Hoffleit & Warren 1991)
    with its HR <-> HD cross-identification, from Debian xplanet
    (stars/BSC);
  - Hipparcos <-> HD cross-identifications, star positions, Latin names,
    genitives and the constellation names in Spanish, French, German and
    Italian, from npm d3-celestial (data/starnames.json, stars.*.json,
    constellations.json).
Areas are integrated exactly from the boundary spans, so they agree with the
published IAU areas (Delporte) to rounding.

Writes skydata/constellation_table.cpp, skydata/constellation_boundaries.cpp,
skydata/constellation_figures.cpp and skydata/asterism_table.cpp.
"""
import json
import math
import os
import re
import sys
import unicodedata

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
STELLARIUM = '/usr/share/stellarium'
KSTARS = '/usr/share/kstars'
BSC = '/usr/share/xplanet/stars/BSC'
D3 = os.path.join(ROOT, '.deps/skydata-tables/node_modules/d3-celestial/data')

# Constellation numbers 1-89 (89 is the second part of Serpens).
ABBREVIATIONS = ('And Ant Aps Aqr Aql Ara Ari Aur Boo Cae Cam Cnc CVn CMa CMi Cap '
                 'Car Cas Cen Cep Cet Cha Cir Col Com CrA CrB Crv Crt Cru Cyg Del '
                 'Dor Dra Equ Eri For Gem Gru Her Hor Hya Hyi Ind Lac Leo LMi Lep '
                 'Lib Lup Lyn Lyr Men Mic Mon Mus Nor Oct Oph Ori Pav Peg Per Phe '
                 'Pic Psc PsA Pup Pyx Ret Sge Sgr Sco Scl Sct Ser Sex Tau Tel Tri '
                 'TrA Tuc UMa UMi Vel Vir Vol Vul Ser').split()
NUMBER = {a: i + 1 for i, a in enumerate(ABBREVIATIONS[:88])}

# English common names (the program's own texts for the four rows it
# prints, conventional English renderings elsewhere).
COMMON_EN = {
    'And': 'Chained Lady (Princess)', 'Ant': 'Air Pump', 'Aps': 'Bird of Pardise',
    'Aqr': 'Water Bearer', 'Aql': 'Eagle', 'Ara': 'Altar', 'Ari': 'Ram',
    'Aur': 'Charioteer', 'Boo': 'Herdsman', 'Cae': 'Chisel', 'Cam': 'Giraffe',
    'Cnc': 'Crab', 'CVn': 'Hunting Dogs', 'CMa': 'Great Dog', 'CMi': 'Little Dog',
    'Cap': 'Sea Goat', 'Car': 'Keel', 'Cas': 'Queen', 'Cen': 'Centaur',
    'Cep': 'King', 'Cet': 'Whale', 'Cha': 'Chameleon', 'Cir': 'Compass',
    'Col': 'Dove', 'Com': "Berenice's Hair", 'CrA': 'Southern Crown',
    'CrB': 'Northern Crown', 'Crv': 'Crow', 'Crt': 'Cup', 'Cru': 'Southern Cross',
    'Cyg': 'Swan', 'Del': 'Dolphin', 'Dor': 'Swordfish', 'Dra': 'Dragon',
    'Equ': 'Little Horse', 'Eri': 'River', 'For': 'Furnace', 'Gem': 'Twins',
    'Gru': 'Crane', 'Her': 'Hercules', 'Hor': 'Clock', 'Hya': 'Water Snake',
    'Hyi': 'Lesser Water Snake', 'Ind': 'Indian', 'Lac': 'Lizard', 'Leo': 'Lion',
    'LMi': 'Lesser Lion', 'Lep': 'Hare', 'Lib': 'Scales', 'Lup': 'Wolf',
    'Lyn': 'Lynx', 'Lyr': 'Lyre', 'Men': 'Table Mountain', 'Mic': 'Microscope',
    'Mon': 'Unicorn', 'Mus': 'Fly', 'Nor': 'Carpenter\'s Square', 'Oct': 'Octant',
    'Oph': 'Serpent Bearer', 'Ori': 'Hunter', 'Pav': 'Peacock',
    'Peg': 'Winged Horse', 'Per': 'Hero', 'Phe': 'Phoenix', 'Pic': 'Painter\'s Easel',
    'Psc': 'Fishes', 'PsA': 'Southern Fish', 'Pup': 'Stern', 'Pyx': 'Compass Box',
    'Ret': 'Reticle', 'Sge': 'Arrow', 'Sgr': 'Archer', 'Sco': 'Scorpion',
    'Scl': 'Sculptor', 'Sct': 'Shield', 'Ser': 'Serpent', 'Sex': 'Sextant',
    'Tau': 'Bull', 'Tel': 'Telescope', 'Tri': 'Triangle',
    'TrA': 'Southern Triangle', 'Tuc': 'Toucan', 'UMa': 'Great Bear',
    'UMi': 'Little Bear', 'Vel': 'Sails', 'Vir': 'Virgin', 'Vol': 'Flying Fish',
    'Vul': 'Fox',
}
# The second part of Serpens: name, genitive and common names.
SERPENS_CAUDA = ('Serpens Cauda', 'Serpentis',
                 ["Serpent's Tail", 'Cola de la Serpiente', 'Queue du Serpent',
                  'Schwanz der Schlange', 'Coda del Serpente'])
# Label positions the program prints for these rows (hours, degrees); the
# others come from the KStars label table.
LABEL_OVERRIDES = {'And': (0.75, 38.0), 'Aqr': (22.5, -9.0), 'Aps': (16.0, -76.0)}
SERPENS_CAUDA_LABEL = (18.0, -12.0)
# Rows the program prints as they stand (the same strokes as the sources
# give, in the program's own order).
STANDARD_FIGURE_OVERRIDES = {1: [-15, 165, 337, 603, -464, 269, 154, 15]}
ASTERISM_OVERRIDES = {'Summer Triangle': [-7923, 7000, 7556, 7923]}

ASTERISMS = [  # (name, Stellarium asterism code)
    ('Big Dipper', 'BDr'), ('Butterfly', 'Bfl'), ("Cassiopeia's Chair", 'WAs'),
    ('Circlet', 'Cir'), ('Diamond', 'GDi'), ('False Cross', 'FCr'),
    ('Fishhook', 'FHA'), ('Great Square', 'GSP'), ('Guardians of the Pole', 'GoP'),
    ("Job's Coffin", 'JbC'), ('Keystone', 'KSt'), ('Kids', 'Goa'), ('Kite', 'Kit'),
    ('Little Dipper', 'LDr'), ('Milk Dipper', 'Mlk'), ('Northern Cross', 'NCr'),
    ("Orion's Belt", 'OrB'), ("Orion's Shield", 'OSh'), ("Orion's Sword", 'OrS'),
    ('Sickle', 'Sic'), ('Summer Triangle', 'STr'), ('Teapot', 'Tea'),
    ('Water Jar', 'Urn'), ('Winter Circle', 'WHx'),
]
STANDARD_WIDTH, ALT_WIDTH, ASTERISM_WIDTH = 35, 57, 16


def clean(text):
    """Plain spaces instead of the typographic ones of the npm data."""
    return re.sub(r'[\u2000-\u200b\u00a0]', ' ', text).strip()


def ascii_latin(text):
    """Latin names as they are searched and printed: without diaeresis."""
    return unicodedata.normalize('NFKD', clean(text)).encode('ascii', 'ignore').decode()


# Latin names where the npm data departs from the IAU spelling, and
# Serpens as a whole (the npm data lists only its two parts).
LATIN_OVERRIDES = {'CrA': ('Corona Australis', 'Coronae Australis'),
                   'Ser': ('Serpens', 'Serpentis')}


def c_string(text):
    out = []
    for ch in text:
        if ch in '\\"':
            out.append('\\' + ch)
        elif ord(ch) < 128:
            out.append(ch)
        else:
            out.extend('\\x%02x' % b for b in ch.encode('utf-8'))
    # Keep a hex escape from swallowing a following hex digit.
    return '"' + re.sub(r'(\\x[0-9a-f]{2})(?=[0-9A-Fa-f])', r'\1""', ''.join(out)) + '"'


def sexagesimal(text):
    parts = [float(p) for p in text.split(':')]
    value = abs(parts[0]) + sum(p / 60 ** (i + 1) for i, p in enumerate(parts[1:]))
    return -value if text.strip().startswith('-') else value


def read_boundaries():
    rows = []
    with open(os.path.join(STELLARIUM, 'data/constellations_spans.dat')) as f:
        for line in f:
            if not line.strip():
                continue
            ra_lo, ra_hi, dec_lo, abbr = line.split()
            rows.append((sexagesimal(ra_lo), sexagesimal(ra_hi), sexagesimal(dec_lo),
                         NUMBER[abbr]))
    assert len(rows) == 357, len(rows)
    assert rows[0] == (0.0, 24.0, 88.0, NUMBER['UMi']), rows[0]
    assert rows[-1][2:] == (-90.0, NUMBER['Oct']), rows[-1]
    return rows


def areas_from_boundaries(rows):
    """Square degrees claimed by each constellation under first-match lookup."""
    decs = sorted({r[2] for r in rows} | {90.0}, reverse=True)
    area = [0.0] * 89
    for top, bottom in zip(decs, decs[1:]):
        mid = (top + bottom) / 2
        cuts = sorted({0.0, 24.0} | {r[0] for r in rows} | {r[1] for r in rows})
        band = (math.sin(math.radians(top)) - math.sin(math.radians(bottom))) * 180 / math.pi
        for lo, hi in zip(cuts, cuts[1:]):
            ra = (lo + hi) / 2
            owner = next(r[3] for r in rows if r[2] < mid and r[0] <= ra <= r[1])
            area[owner] += (hi - lo) * 15 * band
    return area


def read_bsc():
    """HD -> HR, and (HR, ra degrees, dec degrees, magnitude) for matching."""
    hd_to_hr, stars = {}, []
    with open(BSC) as f:
        for line in f:
            if not line.strip() or line.startswith('#'):
                continue
            m = re.match(r'\s*(\S+)\s+(\S+)\s+(\S+)\s+"[^"]*"\s+(\d+)\s+(\d*)', line)
            dec, ra, mag, hr, hd = m.groups()
            hr = int(hr)
            if hd:
                hd_to_hr.setdefault(int(hd), hr)
            stars.append((hr, float(ra) * 15, float(dec), float(mag)))
    return hd_to_hr, stars


def unit(ra, dec):
    ra, dec = math.radians(ra), math.radians(dec)
    return (math.cos(dec) * math.cos(ra), math.cos(dec) * math.sin(ra), math.sin(dec))


class HipToHr:
    """Hipparcos -> HR through HD; stars without an HD entry by position."""

    def __init__(self, hd_to_hr, bsc):
        self.hd_to_hr = hd_to_hr
        names = json.load(open(os.path.join(D3, 'starnames.json')))
        self.hip_to_hd = {}
        for hip, props in names.items():
            digits = re.sub(r'\D', '', props.get('hd', ''))
            if digits:
                self.hip_to_hd[int(hip)] = int(digits)
        self.hip_pos = {}
        for name in ('stars.6.json', 'stars.8.json'):
            for f in json.load(open(os.path.join(D3, name)))['features']:
                lon, lat = f['geometry']['coordinates']
                self.hip_pos.setdefault(int(f['id']), (lon % 360, lat, float(f['properties']['mag'])))
        self.bsc = [(hr, unit(ra, dec), mag) for hr, ra, dec, mag in bsc]

    def __call__(self, hip):
        hd = self.hip_to_hd.get(hip)
        if hd in self.hd_to_hr:
            return self.hd_to_hr[hd]
        ra, dec, mag = self.hip_pos[hip]
        v = unit(ra, dec)
        best = max(self.bsc, key=lambda s: sum(a * b for a, b in zip(v, s[1])))
        sep = math.degrees(math.acos(min(1, sum(a * b for a, b in zip(v, best[1])))))
        assert sep < 0.05 and abs(best[2] - mag) < 0.6, (hip, best, sep)
        return best[0]


def strokes_from_pairs(pairs):
    out, last = [], None
    for a, b in pairs:
        if a != last:
            out.append(-a)
        out.append(b)
        last = b
    return out


def read_standard_figures(hd_to_hr):
    figures, current, western = {}, None, False
    with open(os.path.join(KSTARS, 'clines.dat')) as f:
        for line in f:
            line = line.strip()
            if line.startswith('C '):
                if western:
                    break  # other sky cultures follow the western one
                western = line == 'C Western'
                continue
            if not western or not line:
                continue
            if line.startswith('#'):
                title = line[1:].strip()
                if title:
                    current = figures[title] = []
                continue
            kind, hd = line.split()
            hr = hd_to_hr[int(hd)]
            current.append(-hr if kind == 'M' else hr)
    return figures


def read_alt_figures(hip_to_hr):
    figures = {}
    with open(os.path.join(STELLARIUM, 'skycultures/western/constellationship.fab')) as f:
        for line in f:
            fields = line.split()
            if not fields:
                continue
            stars = [hip_to_hr(int(h)) for h in fields[2:]]
            figures[fields[0]] = strokes_from_pairs(zip(stars[0::2], stars[1::2]))
    return figures


def read_asterisms(hip_to_hr):
    lines = {}
    with open(os.path.join(STELLARIUM, 'skycultures/western/asterism_lines.fab')) as f:
        for line in f:
            fields = line.split()
            if fields and not line.startswith('#'):
                lines[fields[0]] = fields[3:]
    out = []
    for name, code in ASTERISMS:
        stars = [hip_to_hr(int(h)) for h in lines[code]]
        figure = strokes_from_pairs(zip(stars[0::2], stars[1::2]))
        # The asterism rows store each HR number less one.
        out.append((name, [(v + 1 if v < 0 else v - 1) for v in figure]))
    return out


def read_labels():
    labels = {}
    with open(os.path.join(KSTARS, 'cnames.dat')) as f:
        for line in f:
            m = re.match(r'(\d\d)(\d\d)(\d\d)([+-])(\d\d)(\d\d)(\d\d)(\w+)', line)
            if not m:
                continue
            h, mi, s, sign, d, dm, ds, abbr = m.groups()
            ra = int(h) + int(mi) / 60 + int(s) / 3600
            dec = int(d) + int(dm) / 60 + int(ds) / 3600
            labels.setdefault(abbr, (ra, -dec if sign == '-' else dec))
    return labels


def number_of_title(title, latin):
    """Constellation number of a KStars figure title such as 'LeoMinor'."""
    key = title.replace(' ', '').lower()
    for abbr, (name, _) in latin.items():
        if name.replace(' ', '').lower() == key:
            return NUMBER[abbr]
    return {'serpenscaput': NUMBER['Ser'], 'serpenscauda': NUMBER['Ser']}[key]


def float_literal(x):
    text = '%.6g' % x
    return text + ('f' if '.' in text or 'e' in text else '.0f')


def i16_rows(rows, width):
    body = []
    for row in rows:
        assert len(row) <= width, (row, width)
        body.append('    {' + ', '.join(str(v) for v in row + [0] * (width - len(row))) + '},')
    return '\n'.join(body)


HEADER = ('// Generated by tools/skydata/make_constellation_tables.py from public data;\n'
          '// do not edit.\n')


def write(name, text):
    with open(os.path.join(ROOT, 'skydata', name), 'w') as f:
        f.write(HEADER + text)


def main():
    d3 = json.load(open(os.path.join(D3, 'constellations.json')))
    props = {f['id']: f['properties'] for f in d3['features']}
    latin_names = {a: LATIN_OVERRIDES.get(a, (ascii_latin(p['name']), ascii_latin(p['gen'])))
             for a, p in props.items()}
    boundaries = read_boundaries()
    area = areas_from_boundaries(boundaries)
    assert abs(sum(area) - 4 * math.pi * (180 / math.pi) ** 2) < 1e-6
    hd_to_hr, bsc = read_bsc()
    hip_to_hr = HipToHr(hd_to_hr, bsc)
    labels = read_labels()

    rows = []
    for n, abbr in enumerate(ABBREVIATIONS, start=1):
        if n == 89:
            latin, genitive, common = SERPENS_CAUDA
            ra, dec = SERPENS_CAUDA_LABEL
        else:
            latin, genitive = latin_names[abbr]
            common = [COMMON_EN[abbr]] + [clean(props[abbr][k]) for k in ('es', 'fr', 'de', 'it')]
            ra, dec = LABEL_OVERRIDES.get(abbr, labels[abbr])
        size = round(area[NUMBER[abbr]])
        rows.append('    {%s, %s, %s, %d.0f, %s, %s, {%s}},' % (
            c_string(abbr), float_literal(ra), float_literal(dec), size, c_string(latin), c_string(genitive),
            ', '.join(c_string(c) for c in common)))
    write('constellation_table.cpp',
          '#include "skydata/constellation_tables.h"\n\n'
          'const ConstellationRow constellationTable[kConstellationCount] = {\n'
          + '\n'.join(rows) + '\n};\n')

    body = '\n'.join('    {%.6ff, %.6ff, %.6ff, %d},' % r for r in boundaries)
    write('constellation_boundaries.cpp',
          '#include "skydata/constellation_tables.h"\n\n'
          '// IAU boundaries, equinox B1875.0: right ascension low and high (hours),\n'
          '// declination low (degrees), constellation number; by decreasing\n'
          '// declination low.\n'
          'const BoundaryRow constellationBoundaryTable[kBoundaryRowCount] = {\n'
          + body + '\n};\n')

    standard = [[] for _ in range(87)]
    for title, figure in read_standard_figures(hd_to_hr).items():
        n = number_of_title(title, latin_names)
        if n <= 87:  # the standard set has no Vulpecula row
            standard[n - 1].extend(figure)
    for n, figure in STANDARD_FIGURE_OVERRIDES.items():
        standard[n - 1] = list(figure)
    alt_by_abbr = read_alt_figures(hip_to_hr)
    alt = [alt_by_abbr[a] for a in ABBREVIATIONS[:88]]
    write('constellation_figures.cpp',
          '#include "skydata/constellation_tables.h"\n\n'
          '// Stick figures as HR numbers: a negative entry starts a stroke at that\n'
          '// star, a positive one draws on to it; a row ends at 0 or its end.\n'
          'const std::int16_t constellationFigureTable[kStandardFigureRows][kStandardFigureWidth] = {\n'
          + i16_rows(standard, STANDARD_WIDTH) + '\n};\n\n'
          'const std::int16_t constellationAltFigureTable[kAltFigureRows][kAltFigureWidth] = {\n'
          + i16_rows(alt, ALT_WIDTH) + '\n};\n')

    asterisms = [(name, ASTERISM_OVERRIDES.get(name, fig)) for name, fig in read_asterisms(hip_to_hr)]
    body = '\n'.join('    {%s, {%s}},' % (c_string(name), ', '.join(
        str(v) for v in fig + [0] * (ASTERISM_WIDTH - len(fig)))) for name, fig in asterisms)
    for name, fig in asterisms:
        assert len(fig) <= ASTERISM_WIDTH, name
    write('asterism_table.cpp',
          '#include "skydata/constellation_tables.h"\n\n'
          '// Figures in the stroke code of the constellation figures, each entry\n'
          '// holding its HR number less one.\n'
          'const AsterismRow asterismTable[kAsterismCount] = {\n' + body + '\n};\n')


if __name__ == '__main__':
    sys.exit(main())
