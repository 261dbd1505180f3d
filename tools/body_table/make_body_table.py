#!/usr/bin/env python3
"""Writes engine/body_table_data.cpp: the Sun, the planets and their moons.

Sources (public data, restated here so the table can be regenerated):
- Planets: mean elements and rates of Standish's "Keplerian Elements for
  Approximate Positions of the Major Planets" (JPL SSD, 1800-2050 table),
  referred to the J2000 ecliptic; physical data from the JPL SSD planetary
  physical parameters and IAU rotation rates.
- Moons: JPL SSD "Planetary Satellite Mean Elements" (a, e, argument of
  periapsis, mean anomaly, inclination and node on the listed reference
  plane at the listed epoch, mean motion, apsidal and nodal precession
  periods) and "Planetary Satellite Physical Parameters"; radii, albedos
  and magnitudes cross-checked with Debian stellarium-data's
  ssystem_major.ini. For the small moons JPL's table gives a, e, i and the
  period but no angles; where stellarium-data publishes osculating elements
  for them (published_moons.py says which keys, epochs and planes), those
  give a, e and the angles, referred to the row's plane, with JPL's mean
  motion. The others keep angles of 0 at epoch: their positions along the
  orbit are not meaningful.
- Names in Spanish, French, German and Italian: the usual astronomical
  names in those languages; moons without a customary translation keep the
  English name.

Mean motion in the table is the rate of the mean anomaly: the published
mean motion (rate of mean longitude) less the periapsis and node rates.

Usage: make_body_table.py [OUTPUT.cpp [ssystem_major.ini]]
"""
import os
import sys

import published_moons

ECLIPTIC = (270.0, 66.561)    # pole of the J2000 ecliptic
MARS_PHOBOS = (317.671, 52.893)
MARS_DEIMOS = (316.657, 53.529)
JUPITER = (268.057, 64.495)
SATURN = (40.589, 83.537)
# Uranus' equator with the pole on the side of the moons' orbital motion
# (the IAU pole is the other one); nodes are counted from the equator's
# node on the J2000 equator as seen from that pole's side.
URANUS = (77.311, 15.175)
NEPTUNE = (299.36, 43.46)
PLUTO = (133.0514, -6.17674)
EARTH_MASS_GM = 398600.435  # km^3/s^2

ROMAN = ["", "I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX"]
TENS = ["", "X", "XX", "XXX", "XL", "L", "LX", "LXX", "LXXX", "XC"]


def roman(n):
    return TENS[n // 10] + ROMAN[n % 10]


rows = []


def body(ident, names, prov, numeral, parent, year, mass, radius, density,
         h, albedo, rotation, epoch, a, e, i, w, node, m, n, wdot, nodedot,
         pole):
    if isinstance(names, str):
        names = (names,) * 5
    rows.append(dict(id=ident, names=names, prov=prov, numeral=numeral,
                     parent=parent, year=year, mass=mass, radius=radius,
                     density=density, h=h, albedo=albedo, rotation=rotation,
                     epoch=epoch, a=a, e=e, i=i, w=w, node=node, m=m, n=n,
                     wdot=wdot, nodedot=nodedot, pole=pole))


def planet(ident, names, year, mass, radius, density, h, albedo, rotation,
           el, rates):
    """el: a, e, i, L, long. peri, node; rates per Julian century."""
    a, e, i, L, peri, node = el
    da, de, di, dL, dperi, dnode = rates
    body(ident, names, "", "", 0, year, mass, radius, density, h, albedo,
         rotation, 2451545.0, a, e, i, (peri - node) % 360.0, node % 360.0,
         (L - peri) % 360.0, (dL - dperi) / 36525.0,
         (dperi - dnode) / 100.0, dnode / 100.0, ECLIPTIC)


def moon(ident, names, prov, year, gm, radius, density, h, albedo, epoch,
         a, e, w, m, i, node, n, pw, pnode, pole, rotation="sync",
         numeral=None, parent=None):
    """Published mean elements: n is the rate of the mean longitude (deg/day),
    pw and pnode the apsidal and nodal periods in years (0 for none)."""
    wdot = 360.0 / pw if pw else 0.0
    nodedot = -360.0 / pnode if pnode else 0.0
    nm = n - (wdot + nodedot) / 365.25
    if rotation == "sync":
        rotation = n
    if numeral is None:
        numeral = roman(ident % 100)
    if parent is None:
        parent = ident // 100
    body(ident, names, prov, numeral, parent, year, gm / EARTH_MASS_GM,
         radius, density, h, albedo, rotation, epoch, a, e, i, w, node, m,
         nm, wdot, nodedot, pole)


def irregular(ident, name, prov, year, radius, h, a, e, i, period,
              epoch=2451544.5, albedo=0.04, numeral=None):
    """Irregular moon known here by a, e, i (to the ecliptic) and period."""
    moon(ident, name, prov, year, 0.0, radius, 0.0, h, albedo, epoch,
         a, e, 0.0, 0.0, i, 0.0, 360.0 / abs(period), 0, 0, ECLIPTIC,
         rotation=0.0, numeral=numeral)


# --- Sun and planets ------------------------------------------------------
body(0, ("Sun", "Sol", "Soleil", "Sonne", "Sole"), "", "", 0, 0,
     332946.0487, 695500.0, 1.408, -26.74, 1.0, 14.1843971631206,
     2451545.0, 0, 0, 0, 0, 0, 0, 0, 0, 0, ECLIPTIC)
planet(1, ("Mercury", "Mercurio", "Mercure", "Merkur", "Mercurio"), 0,
       0.055274, 2440.53, 5.427, -0.60, 0.142, 6.1385025,
       (0.38709927, 0.20563593, 7.00497902, 252.25032350, 77.45779628, 48.33076593),
       (0.00000037, 0.00001906, -0.00594749, 149472.67411175, 0.16047689, -0.12534081))
planet(2, ("Venus", "Venus", "Vénus", "Venus", "Venere"), 0,
       0.815, 6051.8, 5.243, -4.40, 0.689, -1.4813688,
       (0.72333566, 0.00677672, 3.39467605, 181.97909950, 131.60246718, 76.67984255),
       (0.00000390, -0.00004107, -0.00078890, 58517.81538729, 0.00268329, -0.27769418))
planet(3, ("Earth", "Tierra", "Terre", "Erde", "Terra"), 0,
       1.0, 6378.137, 5.514, -3.99, 0.434, 360.9856235,
       (1.00000261, 0.01671123, -0.00001531, 100.46457166, 102.93768193, 0.0),
       (0.00000562, -0.00004392, -0.01294668, 35999.37244981, 0.32327364, 0.0))
planet(4, ("Mars", "Marte", "Mars", "Mars", "Marte"), 0,
       0.107447, 3396.19, 3.934, -1.52, 0.170, 350.89198226,
       (1.52371034, 0.09339410, 1.84969142, -4.55343205, -23.94362959, 49.55953891),
       (0.00001847, 0.00007882, -0.00813131, 19140.30268499, 0.44441088, -0.29257343))
planet(5, ("Jupiter", "Júpiter", "Jupiter", "Jupiter", "Giove"), 0,
       317.828, 71492.0, 1.326, -9.40, 0.538, 870.5360000,
       (5.20288700, 0.04838624, 1.30439695, 34.39644051, 14.72847983, 100.47390909),
       (-0.00011607, -0.00013253, -0.00183714, 3034.74612775, 0.21252668, 0.20469106))
planet(6, ("Saturn", "Saturno", "Saturne", "Saturn", "Saturno"), 0,
       95.161, 60268.0, 0.687, -8.88, 0.499, 810.7939024,
       (9.53667594, 0.05386179, 2.48599187, 49.95424423, 92.59887831, 113.66242448),
       (-0.00125060, -0.00050991, 0.00193609, 1222.49362201, -0.41897216, -0.28867794))
planet(7, ("Uranus", "Urano", "Uranus", "Uranus", "Urano"), 1781,
       14.536, 25559.0, 1.270, -7.19, 0.488, -501.1600928,
       (19.18916464, 0.04725744, 0.77263783, 313.23810451, 170.95427630, 74.01692503),
       (-0.00196176, -0.00004397, -0.00242939, 428.48202785, 0.40805281, 0.04240589))
planet(8, ("Neptune", "Neptuno", "Neptune", "Neptun", "Nettuno"), 1846,
       17.148, 24764.0, 1.638, -6.87, 0.442, 536.3128492,
       (30.06992276, 0.00859048, 1.77004347, -55.12002969, 44.96476227, 131.78422574),
       (0.00026291, 0.00005105, 0.00035372, 218.45945325, -0.32241464, -0.00508664))
planet(9, ("Pluto", "Plutón", "Pluton", "Pluto", "Plutone"), 1930,
       0.00218, 1188.3, 1.854, -0.7, 0.52, -56.3625225,
       (39.48211675, 0.24882730, 17.14001206, 238.92903833, 224.06891629, 110.30393684),
       (-0.00031596, 0.00005170, 0.00004818, 145.20780515, -0.04062942, -0.01183482))

# --- Earth and Mars -------------------------------------------------------
body(301, ("Moon", "Luna", "Lune", "Mond", "Luna"), "", "", 3, 0,
     0.0123000371, 1737.4, 3.344, 0.21, 0.12, 13.176358, 2451545.0,
     384400.0, 0.0554, 5.16, 318.15, 125.08, 135.27, 13.06499544,
     60.03, -19.3548, ECLIPTIC)
moon(401, ("Phobos", "Fobos", "Phobos", "Phobos", "Phobos"), "", 1877,
     7.087e-4, 11.08, 1.876, 11.8, 0.071, 2433283.0,
     9376.0, 0.0151, 150.057, 91.059, 1.075, 207.784, 1128.8447569, 1.131, 2.262,
     MARS_PHOBOS)
rows[-1]["n"] = 1128.409545
moon(402, "Deimos", "", 1877, 9.8e-5, 6.2, 1.471, 12.89, 0.068, 2433283.0,
     23458.0, 0.0002, 260.729, 325.329, 1.788, 24.525, 285.1618790, 27.0, 54.536,
     MARS_DEIMOS)

# --- Jupiter --------------------------------------------------------------
J2000 = 2451545.0
# The regular moons' mean elements are those of the JUP230 solution, whose
# angles hold at 1997 January 16.0 TT, not at J2000: read at J2000 they put
# Io and Callisto a quarter of a turn, Europa more, from their places.
JUP230 = 2450464.5
moon(501, ("Io", "Ío", "Io", "Io", "Io"), "", 1610, 5959.916, 1821.49, 3.528,
     -1.68, 0.63, JUP230, 421800.0, 0.0041, 84.129, 342.021, 0.036, 43.977,
     203.4889538, 0.7363, 7.4205, JUPITER)
moon(502, ("Europa", "Europa", "Europe", "Europa", "Europa"), "", 1610,
     3202.739, 1560.8, 3.013, -1.41, 0.67, JUP230, 671100.0, 0.0094, 88.970,
     171.016, 0.466, 219.106, 101.3747235, 1.3945, 30.2281, (268.084, 64.506))
moon(503, ("Ganymede", "Ganímedes", "Ganymède", "Ganymed", "Ganimede"), "",
     1610, 9887.834, 2631.2, 1.942, -2.09, 0.43, JUP230, 1070400.0, 0.0013,
     192.417, 317.540, 0.177, 63.552, 50.3176081, 63.549, 137.8136,
     (268.168, 64.543))
moon(504, ("Callisto", "Calisto", "Callisto", "Kallisto", "Callisto"), "",
     1610, 7179.289, 2410.3, 1.834, -1.05, 0.17, JUP230, 1882700.0, 0.0074,
     52.643, 181.408, 0.192, 298.848, 21.5710715, 240.6314, 577.5083,
     (268.639, 64.749))
moon(505, ("Amalthea", "Amaltea", "Amalthée", "Amalthea", "Amaltea"), "",
     1892, 0.138, 83.5, 0.857, 7.4, 0.09, JUP230, 181400.0, 0.0032, 155.873,
     185.194, 0.380, 108.946, 722.6314560, 0.3683, 0.3706, JUPITER)
irregular(506, "Himalia", "", 1904, 85.0, 8.14, 11461000, 0.162, 27.50, 250.56)
irregular(507, "Elara", "", 1905, 40.0, 10.0, 11741000, 0.217, 26.63, 259.64)
irregular(508, ("Pasiphae", "Pasífae", "Pasiphaé", "Pasiphae", "Pasifae"), "",
          1908, 18.0, 10.33, 23624000, 0.409, 151.4, 743.6)
irregular(509, "Sinope", "", 1914, 14.0, 11.6, 23939000, 0.250, 158.1, 758.9)
irregular(510, ("Lysithea", "Lisitea", "Lysithéa", "Lysithea", "Lisitea"), "",
          1938, 12.0, 11.7, 11717000, 0.112, 28.30, 259.20)
irregular(511, "Carme", "", 1938, 15.0, 11.3, 23404000, 0.253, 164.9, 734.2)
irregular(512, "Ananke", "", 1951, 10.0, 12.2, 21276000, 0.244, 148.9, 629.8)
irregular(513, "Leda", "", 1974, 5.0, 13.5, 11165000, 0.164, 27.46, 240.92)
moon(514, ("Thebe", "Tebe", "Thébé", "Thebe", "Tebe"), "S/1979 J 2", 1979,
     0.1, 49.3, 0.0, 9.0, 0.047, JUP230, 221900.0, 0.0176, 234.269, 135.956,
     1.076, 235.694, 533.7004100, 0.6489, 0.6510, JUPITER)
moon(515, ("Adrastea", "Adrastea", "Adrastée", "Adrastea", "Adrastea"),
     "S/1979 J 1", 1979, 0.0, 8.2, 0.0, 12.4, 0.1, JUP230, 129000.0, 0.0018,
     328.047, 135.673, 0.054, 228.378, 1206.9986602, 0.1805, 0.1806, JUPITER)
moon(516, ("Metis", "Metis", "Métis", "Metis", "Metis"), "S/1979 J 3", 1979,
     0.0, 21.5, 0.0, 10.8, 0.061, JUP230, 128000.0, 0.0012, 297.177, 276.047,
     0.019, 146.912, 1221.2547301, 0.1766, 0.1767, JUPITER)
for ident, name, prov, year, radius, h, a, e, i, p in [
    (517, "Callirrhoe", "S/1999 J 1", 1999, 4.3, 13.9, 24103000, 0.283, 147.1, 758.8),
    (518, "Themisto", "S/1975 J 1", 1975, 4.0, 13.3, 7507000, 0.242, 43.08, 130.02),
    (519, "Megaclite", "S/2000 J 8", 2000, 2.7, 15.0, 23806000, 0.421, 152.8, 752.8),
    (520, "Taygete", "S/2000 J 9", 2000, 2.5, 15.5, 23360000, 0.252, 165.2, 732.2),
    (521, "Chaldene", "S/2000 J 10", 2000, 1.9, 16.0, 23179000, 0.251, 165.2, 723.8),
    (522, "Harpalyke", "S/2000 J 5", 2000, 2.2, 15.9, 21105000, 0.226, 148.6, 623.3),
    (523, "Kalyke", "S/2000 J 2", 2000, 2.6, 15.4, 23583000, 0.245, 165.2, 743.0),
    (524, "Iocaste", "S/2000 J 3", 2000, 2.6, 15.5, 21269000, 0.216, 149.4, 631.5),
    (525, "Erinome", "S/2000 J 4", 2000, 1.6, 16.0, 23196000, 0.266, 164.9, 728.3),
    (526, "Isonoe", "S/2000 J 6", 2000, 1.9, 16.0, 23155000, 0.246, 165.2, 726.2),
    (527, "Praxidike", "S/2000 J 7", 2000, 3.4, 14.9, 21147000, 0.230, 149.0, 625.3),
    (528, "Autonoe", "S/2001 J 1", 2001, 2.0, 15.5, 24046000, 0.334, 152.9, 760.9),
    (529, "Thyone", "S/2001 J 2", 2001, 2.0, 15.8, 21197000, 0.229, 148.5, 627.2),
    (530, "Hermippe", "S/2001 J 3", 2001, 2.0, 15.5, 21131000, 0.210, 150.7, 633.9),
    (531, "Aitne", "S/2001 J 11", 2001, 1.5, 16.0, 23231000, 0.264, 165.1, 730.2),
    (532, "Eurydome", "S/2001 J 4", 2001, 1.5, 16.2, 22865000, 0.276, 150.3, 717.3),
    (533, "Euanthe", "S/2001 J 7", 2001, 1.5, 16.4, 21017000, 0.232, 148.9, 620.5),
    (534, "Euporie", "S/2001 J 10", 2001, 1.0, 16.3, 19304000, 0.144, 145.8, 550.7),
    (535, "Orthosie", "S/2001 J 9", 2001, 1.0, 16.6, 21168000, 0.281, 145.9, 622.6),
    (536, "Sponde", "S/2001 J 5", 2001, 1.0, 16.7, 23487000, 0.312, 151.0, 748.3),
    (537, "Kale", "S/2001 J 8", 2001, 1.0, 16.4, 23217000, 0.260, 165.0, 729.5),
    (538, "Pasithee", "S/2001 J 6", 2001, 1.0, 16.8, 23004000, 0.267, 165.1, 719.5),
    (539, "Hegemone", "S/2003 J 8", 2003, 1.5, 15.9, 23947000, 0.328, 155.2, 739.6),
    (540, "Mneme", "S/2003 J 21", 2003, 1.0, 16.3, 21069000, 0.227, 148.6, 620.0),
    (541, "Aoede", "S/2003 J 7", 2003, 2.0, 15.6, 23981000, 0.432, 158.3, 761.5),
    (542, "Thelxinoe", "S/2003 J 22", 2003, 1.0, 16.3, 21162000, 0.221, 151.4, 628.1),
    (543, "Arche", "S/2002 J 1", 2002, 1.5, 16.2, 23717000, 0.259, 165.0, 731.9),
    (544, "Kallichore", "S/2003 J 11", 2003, 1.0, 16.1, 24043000, 0.264, 165.5, 764.7),
    (545, "Helike", "S/2003 J 6", 2003, 2.0, 16.0, 21263000, 0.156, 154.8, 634.8),
    (546, "Carpo", "S/2003 J 20", 2003, 1.5, 16.1, 16989000, 0.430, 51.4, 456.1),
    (547, "Eukelade", "S/2003 J 1", 2003, 2.0, 15.9, 23328000, 0.272, 165.5, 730.5),
    (548, "Cyllene", "S/2003 J 13", 2003, 1.0, 16.3, 23951000, 0.319, 149.3, 752.0),
    (549, "Kore", "S/2003 J 14", 2003, 1.0, 16.6, 24543000, 0.325, 145.0, 779.2),
    (550, "Herse", "S/2003 J 17", 2003, 1.0, 16.5, 22992000, 0.200, 164.2, 714.5),
    (551, "S/2010 J 1", "S/2010 J 1", 2010, 1.0, 16.5, 23314000, 0.320, 163.2, 723.2),
    (552, "S/2010 J 2", "S/2010 J 2", 2010, 0.5, 17.3, 20307000, 0.307, 150.4, 588.1),
    (553, "Dia", "S/2000 J 11", 2000, 2.0, 16.1, 12118000, 0.211, 28.23, 274.3),
]:
    irregular(ident, name, prov, year, radius, h, a, e, i, p)
for ident, prov, year, radius, h, a, e, i, p in [
    (554, "S/2003 J 2", 2003, 1.0, 16.6, 28570000, 0.225, 160.6, 979.99),
    (555, "S/2003 J 3", 2003, 1.0, 16.6, 20221000, 0.197, 147.5, 583.9),
    (556, "S/2003 J 4", 2003, 1.0, 16.5, 23930000, 0.362, 147.2, 755.2),
    (557, "S/2003 J 5", 2003, 2.0, 15.4, 24084000, 0.210, 165.0, 759.7),
    (558, "S/2003 J 9", 2003, 0.5, 16.9, 23388000, 0.263, 164.5, 733.3),
    (559, "S/2003 J 10", 2003, 1.0, 16.6, 23042000, 0.430, 165.1, 716.3),
    (560, "S/2003 J 12", 2003, 0.5, 17.0, 17833000, 0.490, 151.1, 489.7),
    (561, "S/2003 J 15", 2003, 1.0, 16.5, 22627000, 0.191, 146.5, 689.8),
    (562, "S/2003 J 16", 2003, 1.0, 16.3, 20957000, 0.224, 148.6, 616.3),
    (563, "S/2003 J 18", 2003, 1.0, 16.4, 20514000, 0.105, 146.1, 596.6),
    (564, "S/2003 J 19", 2003, 1.0, 16.7, 23533000, 0.256, 166.7, 740.4),
    (565, "S/2003 J 23", 2003, 1.0, 16.6, 23563000, 0.276, 146.3, 732.4),
    (566, "S/2011 J 1", 2011, 0.5, 16.7, 20155000, 0.296, 162.8, 582.2),
    (567, "S/2011 J 2", 2011, 0.5, 16.8, 23330000, 0.332, 151.8, 726.8),
]:
    irregular(ident, prov, prov, year, radius, h, a, e, i, p, numeral="")

# --- Saturn ---------------------------------------------------------------
moon(601, "Mimas", "", 1789, 2.5026, 198.2, 1.149, 3.3, 0.962, J2000,
     185539.0, 0.0196, 332.499, 14.848, 1.574, 173.027, 381.9944948, 0.493,
     0.986, SATURN)
moon(602, ("Enceladus", "Encélado", "Encelade", "Enceladus", "Encelado"), "",
     1789, 7.2027, 252.1, 1.609, 2.1, 1.375, J2000, 238042.0, 0.0000, 0.076,
     199.686, 0.003, 342.507, 262.7318978, 0.0, 2.358, SATURN)
moon(603, ("Tethys", "Tetis", "Téthys", "Tethys", "Teti"), "", 1684, 41.2067,
     531.0, 0.984, 0.6, 1.229, J2000, 294672.0, 0.0001, 45.202, 243.367,
     1.091, 259.842, 190.6979109, 0.0, 4.982, SATURN)
moon(604, ("Dione", "Dione", "Dioné", "Dione", "Dione"), "", 1684, 73.1146,
     561.4, 1.478, 0.8, 0.998, J2000, 377415.0, 0.0022, 284.315, 322.232,
     0.028, 290.415, 131.5349307, 0.0, 11.087, SATURN)
moon(605, ("Rhea", "Rea", "Rhéa", "Rhea", "Rea"), "", 1672, 153.9426, 763.5,
     1.237, 0.1, 0.949, J2000, 527068.0, 0.0002, 241.619, 179.781, 0.333,
     351.042, 79.6900459, 0.0, 35.832, (40.587, 83.538))
moon(606, ("Titan", "Titán", "Titan", "Titan", "Titano"), "", 1655,
     8978.1356, 2575.0, 1.880, -1.28, 0.2, J2000, 1221865.0, 0.0288,
     180.532, 163.310, 0.306, 28.060, 22.5769756, 0.0, 703.0,
     (36.213, 83.400))
moon(607, ("Hyperion", "Hiperión", "Hypérion", "Hyperion", "Iperione"), "",
     1848, 0.3727, 135.0, 0.544, 4.63, 0.3, J2000, 1500933.0, 0.0232,
     303.178, 86.342, 0.615, 263.847, 16.9199503, 0.0, 0.0,
     (31.600, 75.300), rotation=0.0)
moon(608, ("Iapetus", "Jápeto", "Japet", "Iapetus", "Giapeto"), "", 1671,
     120.5038, 734.3, 1.083, 1.5, 0.6, J2000, 3560854.0, 0.0293, 271.606,
     201.789, 8.298, 81.105, 4.5379416, 0.0, 3150.0, (284.715, 78.749))
# Phoebe's elements are referred to the B1950 ecliptic, the frame of the
# other outer Saturnian moons: the J2000 node less 0.698 degrees of
# precession in longitude.
moon(609, ("Phoebe", "Febe", "Phœbé", "Phoebe", "Febe"), "", 1899, 0.5532,
     106.5, 1.638, 6.89, 0.081, J2000, 12947918.0, 0.1634, 342.500, 53.038,
     175.243, 241.086 - 0.698, 0.6569114, 0.0, 0.0, ECLIPTIC, rotation=931.639)
for ident, names, prov, year, gm, radius, density, h, albedo, a, e, i, p in [
    (610, ("Janus", "Jano", "Janus", "Janus", "Giano"), "S/1980 S 1", 1966,
     0.1266, 89.2, 0.630, 4.9, 0.71, 151460, 0.0068, 0.163, 0.694660),
    (611, ("Epimetheus", "Epimeteo", "Épiméthée", "Epimetheus", "Epimeteo"),
     "S/1980 S 3", 1977, 0.0351, 58.2, 0.640, 6.1, 0.73, 151410, 0.0098, 0.351, 0.694333),
    (612, ("Helene", "Helena", "Hélène", "Helene", "Elena"), "S/1980 S 6", 1980,
     0.0, 18.0, 0.0, 8.8, 1.67, 377420, 0.0071, 0.213, 2.736915),
    (613, ("Telesto", "Telesto", "Télesto", "Telesto", "Telesto"), "S/1980 S 13",
     1980, 0.0, 12.4, 0.0, 9.1, 1.0, 294710, 0.0002, 1.180, 1.887802),
    (614, ("Calypso", "Calipso", "Calypso", "Calypso", "Calipso"), "S/1980 S 25",
     1980, 0.0, 9.6, 0.0, 9.4, 1.34, 294710, 0.0005, 1.499, 1.887802),
    (615, "Atlas", "S/1980 S 28", 1980, 0.00044, 15.1, 0.46, 9.5, 0.4, 137670, 0.0012, 0.003, 0.601692),
    (616, ("Prometheus", "Prometeo", "Prométhée", "Prometheus", "Prometeo"),
     "S/1980 S 27", 1980, 0.01074, 43.1, 0.48, 6.2, 0.6, 139380, 0.0022, 0.008, 0.612986),
    (617, ("Pandora", "Pandora", "Pandore", "Pandora", "Pandora"), "S/1980 S 26",
     1980, 0.00927, 40.6, 0.49, 6.9, 0.5, 141720, 0.0042, 0.050, 0.628804),
    (618, "Pan", "S/1981 S 13", 1990, 0.000330, 14.0, 0.42, 9.9, 0.5, 133584, 0.0000, 0.001, 0.575051),
    (632, "Methone", "S/2004 S 1", 2004, 0.0, 1.6, 0.0, 13.7, 0.5, 194440, 0.0001, 0.007, 1.009573),
    (633, "Pallene", "S/2004 S 2", 2004, 0.0, 2.5, 0.0, 12.9, 0.5, 212280, 0.0040, 0.181, 1.153745),
    (634, "Polydeuces", "S/2004 S 5", 2004, 0.0, 1.3, 0.0, 13.8, 0.5, 377200, 0.0192, 0.177, 2.736915),
    (635, "Daphnis", "S/2005 S 1", 2005, 0.0, 3.8, 0.0, 12.0, 0.5, 136500, 0.0000, 0.000, 0.594080),
    (649, "Anthe", "S/2007 S 4", 2007, 0.0, 1.0, 0.0, 14.8, 0.5, 197700, 0.0011, 0.100, 1.036500),
    (653, "Aegaeon", "S/2008 S 1", 2008, 0.0, 0.3, 0.0, 17.0, 0.5, 167500, 0.0002, 0.001, 0.808000),
]:
    moon(ident, names, prov, year, gm, radius, density, h, albedo, J2000,
         a, e, 0.0, 0.0, i, 0.0, 360.0 / p, 0, 0, SATURN)
for ident, name, prov, year, radius, h, a, e, i, p in [
    (619, "Ymir", "S/2000 S 1", 2000, 9.0, 12.3, 23040000, 0.335, 173.1, 1315.1),
    (620, "Paaliaq", "S/2000 S 2", 2000, 11.0, 11.8, 15200000, 0.363, 45.1, 686.9),
    (621, "Tarvos", "S/2000 S 4", 2000, 7.5, 12.9, 17980000, 0.531, 33.8, 926.2),
    (622, "Ijiraq", "S/2000 S 6", 2000, 6.0, 13.2, 11410000, 0.316, 46.4, 451.4),
    (623, "Suttungr", "S/2000 S 12", 2000, 3.5, 14.4, 19460000, 0.114, 175.8, 1016.7),
    (624, "Kiviuq", "S/2000 S 5", 2000, 8.0, 12.7, 11290000, 0.334, 46.8, 449.2),
    (625, "Mundilfari", "S/2000 S 9", 2000, 3.5, 14.5, 18650000, 0.210, 167.5, 952.8),
    (626, "Albiorix", "S/2000 S 11", 2000, 16.0, 11.1, 16180000, 0.478, 34.2, 783.5),
    (627, "Skathi", "S/2000 S 8", 2000, 4.0, 14.3, 15540000, 0.270, 152.6, 728.2),
    (628, "Erriapus", "S/2000 S 10", 2000, 5.0, 13.7, 17600000, 0.474, 34.5, 871.2),
    (629, "Siarnaq", "S/2000 S 3", 2000, 20.0, 10.6, 17530000, 0.295, 45.8, 895.5),
    (630, "Thrymr", "S/2000 S 7", 2000, 3.5, 14.3, 20310000, 0.470, 176.0, 1094.1),
    (631, "Narvi", "S/2003 S 1", 2003, 3.5, 14.4, 19010000, 0.431, 145.8, 1003.9),
    (636, "Aegir", "S/2004 S 10", 2004, 3.0, 15.5, 20740000, 0.252, 166.7, 1117.5),
    (637, "Bebhionn", "S/2004 S 11", 2004, 3.0, 15.0, 17120000, 0.469, 35.1, 834.8),
    (638, "Bergelmir", "S/2004 S 15", 2004, 3.0, 15.2, 19340000, 0.142, 158.5, 1005.9),
    (639, "Bestla", "S/2004 S 18", 2004, 3.5, 14.6, 20130000, 0.521, 145.2, 1088.7),
    (640, "Farbauti", "S/2004 S 9", 2004, 2.5, 15.7, 20390000, 0.206, 156.4, 1086.1),
    (641, "Fenrir", "S/2004 S 16", 2004, 2.0, 15.9, 22450000, 0.136, 164.9, 1260.3),
    (642, "Fornjot", "S/2004 S 8", 2004, 3.0, 14.9, 25150000, 0.206, 170.4, 1494.2),
    (643, "Hati", "S/2004 S 14", 2004, 3.0, 15.3, 19870000, 0.372, 165.8, 1038.7),
    (644, "Hyrrokkin", "S/2004 S 19", 2004, 4.0, 14.3, 18440000, 0.333, 151.4, 931.8),
    (645, "Kari", "S/2006 S 2", 2006, 3.5, 14.8, 22090000, 0.478, 156.3, 1230.9),
    (646, "Loge", "S/2006 S 5", 2006, 3.0, 15.1, 23060000, 0.187, 167.9, 1311.4),
    (647, "Skoll", "S/2006 S 8", 2006, 3.0, 15.4, 17670000, 0.464, 161.2, 878.3),
    (648, "Surtur", "S/2006 S 7", 2006, 3.0, 15.5, 22700000, 0.451, 177.5, 1297.7),
    (650, "Jarnsaxa", "S/2006 S 6", 2006, 3.0, 15.6, 18810000, 0.216, 163.3, 964.7),
    (651, "Greip", "S/2006 S 4", 2006, 3.0, 15.3, 18210000, 0.326, 174.8, 921.2),
    (652, "Tarqeq", "S/2007 S 1", 2007, 3.5, 14.8, 18010000, 0.160, 46.1, 887.5),
]:
    irregular(ident, name, prov, year, radius, h, a, e, i, p)
for ident, prov, year, radius, h, a, e, i, p in [
    (654, "S/2004 S 7", 2004, 3.0, 15.2, 20580000, 0.529, 165.7, 1101.5),
    (655, "S/2004 S 12", 2004, 2.5, 15.7, 19890000, 0.327, 164.0, 1048.5),
    (656, "S/2004 S 13", 2004, 3.0, 15.6, 18400000, 0.261, 168.8, 933.5),
    (657, "S/2004 S 17", 2004, 2.0, 15.9, 19450000, 0.179, 166.6, 1014.7),
    (658, "S/2006 S 1", 2006, 3.0, 15.5, 18790000, 0.130, 156.3, 963.4),
    (659, "S/2006 S 3", 2006, 3.0, 15.6, 22430000, 0.471, 158.6, 1255.6),
    (660, "S/2007 S 2", 2007, 3.0, 15.3, 16720000, 0.218, 174.1, 808.1),
    (661, "S/2007 S 3", 2007, 3.0, 15.8, 18940000, 0.185, 177.2, 977.8),
]:
    irregular(ident, prov, prov, year, radius, h, a, e, i, p, numeral="")
moon(662, "S/2009 S 1", "S/2009 S 1", 2009, 0.0, 0.15, 0.0, 19.0, 0.5, J2000,
     117000.0, 0.0, 0.0, 0.0, 0.0, 0.0, 360.0 / 0.47, 0, 0, SATURN, numeral="")

# --- Uranus ---------------------------------------------------------------
GUST86 = 2444239.5
moon(701, "Ariel", "", 1851, 83.43, 578.9, 1.592, 1.45, 0.39, GUST86,
     190900.0, 0.0012, 115.349, 39.481, 0.041, 22.394 + 180, 142.8356681, 0.0, 0.0, URANUS)
moon(702, "Umbriel", "", 1851, 85.09, 584.7, 1.459, 2.10, 0.21, GUST86,
     266000.0, 0.0039, 84.709, 12.469, 0.128, 33.485 + 180, 86.8688923, 0.0, 0.0, URANUS)
moon(703, "Titania", "", 1787, 226.94, 788.9, 1.662, 1.02, 0.27, GUST86,
     436300.0, 0.0011, 284.400, 24.614, 0.079, 99.771 + 180, 41.3514316, 0.0, 0.0, URANUS)
moon(704, ("Oberon", "Oberón", "Obéron", "Oberon", "Oberon"), "", 1787,
     205.32, 761.4, 1.559, 1.23, 0.23, GUST86, 583500.0, 0.0014, 104.400,
     283.088, 0.068, 279.771 + 180, 26.7394932, 0.0, 0.0, URANUS)
moon(705, "Miranda", "", 1948, 4.4, 235.8, 1.214, 3.6, 0.32, GUST86,
     129900.0, 0.0013, 68.312, 311.330, 4.338, 326.438 + 180, 254.6906892, 0.0, 0.0, URANUS)
for ident, name, prov, year, radius, h, a, e, i, n, epoch in [
    (706, "Cordelia", "S/1986 U 7", 1986, 20.1, 11.4, 49800, 0.00026, 0.085, 1074.5205, 2446450.0),
    (707, "Ophelia", "S/1986 U 8", 1986, 21.4, 11.1, 53800, 0.00992, 0.104, 956.4068, 2446450.0),
    (708, "Bianca", "S/1986 U 9", 1986, 25.7, 10.3, 59200, 0.00092, 0.193, 828.3914, 2446450.0),
    (709, "Cressida", "S/1986 U 3", 1986, 39.8, 9.5, 61800, 0.00036, 0.006, 776.5818, 2446450.0),
    (710, "Desdemona", "S/1986 U 6", 1986, 32.0, 9.8, 62700, 0.00013, 0.113, 760.0532, 2446450.0),
    (711, "Juliet", "S/1986 U 2", 1986, 46.8, 8.8, 64400, 0.00066, 0.065, 730.1254, 2446450.0),
    (712, "Portia", "S/1986 U 1", 1986, 67.6, 8.1, 66100, 0.00005, 0.059, 701.4865, 2446450.0),
    (713, "Rosalind", "S/1986 U 4", 1986, 36.0, 9.4, 69900, 0.00011, 0.279, 644.6312, 2446450.0),
    (714, "Belinda", "S/1986 U 5", 1986, 40.3, 9.4, 75300, 0.00007, 0.031, 577.3628, 2446450.0),
    (715, "Puck", "S/1985 U 1", 1985, 81.0, 7.5, 86000, 0.00012, 0.319, 472.5431, 2446450.0),
    (725, "Perdita", "S/1986 U 10", 1986, 15.0, 11.0, 76400, 0.0116, 0.470, 563.8, 2452800.5),
    (726, "Mab", "S/2003 U 1", 2003, 12.0, 11.8, 97700, 0.0025, 0.134, 390.9, 2452800.5),
    (727, "Cupid", "S/2003 U 2", 2003, 9.0, 12.6, 74800, 0.0013, 0.099, 582.5, 2452800.5),
]:
    moon(ident, name, prov, year, 0.0, radius, 0.0, h, 0.07, epoch,
         a, e, 0.0, 0.0, i, 0.0, n, 0, 0, URANUS)
for ident, name, prov, year, radius, h, a, e, i, p in [
    (716, "Caliban", "S/1997 U 1", 1997, 36.0, 9.1, 7231000, 0.159, 139.9, 579.5),
    (717, "Sycorax", "S/1997 U 2", 1997, 75.0, 7.5, 12179000, 0.522, 152.5, 1288.3),
    (718, "Prospero", "S/1999 U 3", 1999, 25.0, 10.5, 16256000, 0.445, 152.0, 1978.3),
    (719, "Setebos", "S/1999 U 1", 1999, 24.0, 10.7, 17418000, 0.591, 158.2, 2225.2),
    (720, "Stephano", "S/1999 U 2", 1999, 16.0, 11.2, 8004000, 0.230, 143.5, 677.4),
    (721, "Trinculo", "S/2001 U 1", 2001, 9.0, 12.7, 8504000, 0.220, 167.0, 749.4),
    (722, "Francisco", "S/2001 U 3", 2001, 11.0, 12.4, 4276000, 0.146, 145.2, 266.6),
    (723, "Margaret", "S/2003 U 3", 2003, 10.0, 12.7, 14345000, 0.661, 56.6, 1687.0),
    (724, "Ferdinand", "S/2001 U 2", 2001, 10.0, 12.5, 20901000, 0.368, 169.8, 2805.0),
]:
    irregular(ident, name, prov, year, radius, h, a, e, i, p, epoch=2453243.0 if ident in (723, 724, 722) else 2451544.5)

# --- Neptune --------------------------------------------------------------
moon(801, ("Triton", "Tritón", "Triton", "Triton", "Tritone"), "", 1846,
     1427.598, 1352.6, 2.059, -1.24, 0.756, J2000, 354759.0, 0.0000, 0.0,
     264.775, 156.865, 177.608, 61.2572637, 0.0, 0.0, (299.456, 43.414),
     rotation=-61.2572637)
moon(802, ("Nereid", "Nereida", "Néréide", "Nereid", "Nereide"), "", 1949,
     2.06, 170.0, 1.5, 4.0, 0.155, J2000, 5513818.0, 0.7507, 281.117,
     359.341, 7.090, 335.570, 0.9996276, 0.0, 0.0, ECLIPTIC, rotation=0.0)
for ident, names, prov, year, radius, h, albedo, a, e, i, n in [
    (803, ("Naiad", "Náyade", "Naïade", "Najade", "Naiade"), "S/1989 N 6", 1989, 29.0, 10.0, 0.072, 48227, 0.0003, 4.691, 1222.8441),
    (804, ("Thalassa", "Talasa", "Thalassa", "Thalassa", "Talassa"), "S/1989 N 5", 1989, 40.0, 9.1, 0.091, 50074, 0.0002, 0.135, 1155.7555),
    (805, "Despina", "S/1989 N 3", 1989, 74.0, 7.9, 0.090, 52526, 0.0002, 0.068, 1075.7313),
    (806, ("Galatea", "Galatea", "Galatée", "Galatea", "Galatea"), "S/1989 N 4", 1989, 79.0, 7.6, 0.079, 61953, 0.0001, 0.034, 839.6598),
    (807, ("Larissa", "Larisa", "Larissa", "Larissa", "Larissa"), "S/1981 N 1", 1981, 96.0, 7.3, 0.091, 73548, 0.0014, 0.205, 649.0534),
    (808, ("Proteus", "Proteo", "Protée", "Proteus", "Proteo"), "S/1989 N 1", 1989, 208.0, 5.6, 0.096, 117646, 0.0005, 0.075, 320.7654),
]:
    moon(ident, names, prov, year, 0.0, radius, 0.0, h, albedo, 2450464.5,
         a, e, 0.0, 0.0, i, 0.0, n, 0, 0, NEPTUNE)
for ident, name, prov, year, radius, h, a, e, i, p in [
    (809, "Halimede", "S/2002 N 1", 2002, 31.0, 10.0, 16611000, 0.571, 134.1, 1879.7),
    (810, "Psamathe", "S/2003 N 1", 2003, 20.0, 11.0, 46695000, 0.450, 137.4, 9115.9),
    (811, "Sao", "S/2002 N 2", 2002, 22.0, 11.1, 22422000, 0.293, 48.5, 2914.0),
    (812, "Laomedeia", "S/2002 N 3", 2002, 21.0, 10.8, 23571000, 0.424, 34.7, 3167.9),
    (813, "Neso", "S/2002 N 4", 2002, 30.0, 10.7, 48387000, 0.495, 132.6, 9374.0),
]:
    irregular(ident, name, prov, year, radius, h, a, e, i, p,
              epoch=2452800.5 if ident in (809, 811, 812) else 2453243.0 if ident == 810 else 2451544.5)
moon(814, "S/2004 N 1", "S/2004 N 1", 2013, 0.0, 17.4, 0.0, 10.5, 0.09, 2450464.5,
     105283.0, 0.0, 0.0, 0.0, 0.0, 0.0, 360.0 / 0.9362, 0, 0, NEPTUNE, numeral="")

# --- Pluto ----------------------------------------------------------------
for ident, names, prov, year, gm, radius, density, h, albedo, a, e, i, p in [
    (901, ("Charon", "Caronte", "Charon", "Charon", "Caronte"), "S/1978 P 1", 1978, 105.88, 606.0, 1.702, 1.0, 0.372, 19591, 0.0002, 0.000, 6.387230),
    (902, "Nix", "S/2005 P 2", 2005, 0.0030, 19.0, 0.0, 8.7, 0.56, 48694, 0.0020, 0.133, 24.85463),
    (903, ("Hydra", "Hidra", "Hydre", "Hydra", "Idra"), "S/2005 P 1", 2005, 0.0032, 25.0, 0.0, 8.2, 0.83, 64738, 0.0059, 0.242, 38.20177),
    (904, ("Kerberos", "Cerbero", "Kerbéros", "Kerberos", "Cerbero"), "S/2011 P 1", 2011, 0.0011, 9.5, 0.0, 11.1, 0.56, 57783, 0.0033, 0.389, 32.16756),
    (905, ("Styx", "Estigia", "Styx", "Styx", "Stige"), "S/2012 P 1", 2012, 0.0, 8.0, 0.0, 11.5, 0.56, 42393, 0.0058, 0.809, 20.16155),
]:
    moon(ident, names, prov, year, gm, radius, density, h, albedo, J2000,
         a, e, 0.0, 0.0, i, 0.0, 360.0 / p, 0, 0, PLUTO)


def c_string(s):
    return '"' + s.replace("\\", "\\\\").replace('"', '\\"') + '"'


def num(x):
    return repr(float(x))


# Moons placed by a theory of their own, whose rows stay as they are.
OWN_THEORY = {901}


def unplaced(row):
    return row["id"] >= 100 and row["w"] == row["node"] == row["m"] == 0.0


def place_from_published(sections):
    """Gives the unplaced moons that the file publishes elements for their
    place; returns how many it placed."""
    chosen = [r for r in rows if unplaced(r) and r["id"] not in OWN_THEORY
              and "orbit_epoch" in sections.get(r["names"][0].lower(), {})]
    moons = {r["names"][0]: published_moons.moon_elements(sections, r["names"][0])
             for r in chosen}
    frames = published_moons.file_frames(sections, moons)
    for r in chosen:
        elements = moons[r["names"][0]]
        r["a"], r["e"] = elements["a"], elements["e"]
        angles = published_moons.table_angles(
            elements, frames[r["names"][0]], r["pole"], r["n"], r["epoch"])
        # Rounded far below the rows' float precision, so that the last
        # bits of another libm cannot change the generated file.
        r["i"], r["w"], r["node"], r["m"] = (round(x, 8) for x in angles)
    return len(chosen)


def main():
    rows.sort(key=lambda r: r["id"])
    ids = [r["id"] for r in rows]
    assert len(ids) == len(set(ids)), "duplicate identifier"
    if len(rows) != 188:
        sys.exit(f"expected 188 rows, have {len(rows)}")
    source = sys.argv[2] if len(sys.argv) > 2 else published_moons.SOURCE
    try:
        placed = place_from_published(published_moons.read_file(source))
    except (OSError, published_moons.PublishedElementsError) as error:
        sys.exit(f"make_body_table: {error}")
    left = [r for r in rows if unplaced(r)]
    placeless = sum(1 for r in left if r["id"] not in OWN_THEORY)
    print(f"{placed} moons placed from {source}; {len(left)} rows left without angles, "
          f"{placeless} of them moons that no theory of their own places",
          file=sys.stderr)
    out = [
        "// Generated by tools/body_table/make_body_table.py; do not edit.",
        "// Sun, planets and moons: names, physical data and mean elements",
        "// (sources listed in the script).",
        '#include "engine/body_table.h"',
        "",
        "const BodyTableRow kBodyTable[kBodyTableRows] = {",
    ]
    for r in rows:
        names = ", ".join(c_string(n) for n in r["names"])
        out.append(
            f"    {{{{{names}}}, {c_string(r['prov'])}, {c_string(r['numeral'])}, "
            f"{r['id']}, {r['parent']}, 0, {r['year']}, "
            f"{num(r['mass'])}f, {num(r['radius'])}f, {num(r['density'])}f, "
            f"{num(r['h'])}f, {num(r['albedo'])}f, 0.0f, {num(r['rotation'])}, "
            f"{num(r['epoch'])}, {num(r['a'])}, {num(r['e'])}f, {num(r['i'])}f, "
            f"{num(r['w'] % 360.0)}f, {num(r['node'] % 360.0)}f, {num(r['m'] % 360.0)}f, 0.0f, "
            f"{num(r['n'])}, {num(r['wdot'])}f, {num(r['nodedot'])}f, "
            f"{num(r['pole'][0])}f, {num(r['pole'][1])}f}},")
    out.append("};")
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(__file__), "..", "..", "engine", "body_table_data.cpp")
    with open(target, "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
