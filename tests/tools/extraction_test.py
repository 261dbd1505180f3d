"""The extraction scripts of tools/catalogues on small inputs: the
published worked examples of the formats they decode, and damaged inputs
refused with the file and line."""
import gzip
import io
import json
import os
import sys
import tempfile
import unittest
from contextlib import redirect_stderr

sys.path.insert(0, os.path.join(os.environ.get("TESSALY_SOURCE_DIR", "."), "tools", "catalogues"))

import extract_borders  # noqa: E402
import extract_common  # noqa: E402
import extract_deep_sky  # noqa: E402
import extract_solar_system  # noqa: E402
import extract_stars  # noqa: E402


def failure_message(function, *args):
    """The message a script stops with; None when it does not stop."""
    stderr = io.StringIO()
    try:
        with redirect_stderr(stderr):
            function(*args)
    except SystemExit:
        return stderr.getvalue().strip()
    return None


class WithFiles(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)

    def write(self, name, data):
        path = os.path.join(self.folder.name, name)
        with open(path, "wb") as out:
            out.write(data)
        return path


class TopoJSON(unittest.TestCase):
    def test_quantized_arcs_decode_as_the_format_describes(self):
        # A quantized, delta-encoded arc: positions are running sums,
        # then scaled and translated.
        topology = {"transform": {"scale": [0.5, 0.25], "translate": [100, 0]},
                    "arcs": [[[4000, 4000], [1999, 1999], [-1999, -1999]]]}
        arcs = extract_borders.decode_arcs(topology)
        self.assertEqual(arcs[0], [(2100.0, 1000.0), (3099.5, 1499.75), (2100.0, 1000.0)])

    def test_rings_join_arcs_and_reverse_negative_ones(self):
        arcs = [[(0, 0), (1, 0)], [(1, 0), (1, 1), (0, 0)]]
        self.assertEqual(extract_borders.ring_points(arcs, [0, 1]), [(0, 0), (1, 0), (1, 1), (0, 0)])
        self.assertEqual(extract_borders.ring_points(arcs, [~1]), [(0, 0), (1, 1), (1, 0)])

    def test_outer_rings_turn_clockwise_and_labels_cross_the_antimeridian(self):
        square = [(0, 0), (1, 0), (1, 1), (0, 1)]
        ring = extract_borders.oriented(square, clockwise=True)
        self.assertLess(extract_borders.signed_area(ring[:-1]), 0)
        self.assertEqual(ring[0], ring[-1])
        across = [(179, -1), (-179, -1), (-179, 1), (179, 1), (179, -1)]
        lon, lat = extract_borders.label_point(across)
        self.assertAlmostEqual(abs(lon), 180.0, places=6)
        self.assertAlmostEqual(lat, 0.0, places=6)


class Stars(WithFiles):
    LINE = ("183656.34 +384701.3 +000201.0+000287.500128.9 00.03-0.00A0 0"
            "            , alp Lyr, Vega")

    def test_kstars_columns(self):
        source = self.write("stars.dat", ("#\n" + (self.LINE + "\n") * 1000).encode())
        star = extract_stars.read_kstars_stars(source)[0]
        self.assertAlmostEqual(star["ra"], (18 + 36 / 60 + 56.34 / 3600) * 15)
        self.assertAlmostEqual(star["dec"], 38 + 47 / 60 + 1.3 / 3600)
        self.assertEqual((star["pmra"], star["pmdec"], star["parallax"]), (201.0, 287.5, 128.9))
        self.assertEqual((star["V"], star["BV"], star["spectral"]), (0.03, -0.0, "A0"))
        self.assertEqual(star["designations"], ["alpha Lyr"])
        self.assertEqual(star["names"], ["Vega"])

    def test_designation_forms(self):
        self.assertEqual(extract_stars.kstars_designation("alp1Cen"), "alpha1 Cen")
        self.assertEqual(extract_stars.kstars_designation("51  And"), "51 And")
        self.assertEqual(extract_stars.kstars_designation("q   Car"), "q Car")
        self.assertIsNone(extract_stars.kstars_designation(".b  Cen"))
        self.assertEqual(extract_stars.variable_designation("V0337 Car"), "V337 Car")
        self.assertEqual(extract_stars.variable_designation("R And"), "R And")
        self.assertIsNone(extract_stars.variable_designation("del Cep"))

    def test_damaged_and_truncated_sources_name_their_line(self):
        damaged = self.write("stars.dat", ("#\n" + self.LINE + "\n" + self.LINE[:40] + "\n").encode())
        message = failure_message(extract_stars.read_kstars_stars, damaged)
        self.assertIn("stars.dat:3: line too short", message)
        short = self.write("stars.dat", (self.LINE + "\n").encode())
        self.assertIn("file truncated", failure_message(extract_stars.read_kstars_stars, short))
        broken = self.write("stars.dat", (self.LINE.replace("+384701.3", "+38470x.3") + "\n").encode())
        self.assertIn("stars.dat:1: damaged star line",
                      failure_message(extract_stars.read_kstars_stars, broken))


class SolarSystem(WithFiles):
    def test_julian_dates_of_the_published_examples(self):
        # J2000.0 and Meeus's example 7.a (1957 October 4.81).
        self.assertEqual(extract_solar_system.julian_date(2000, 1, 1.5), 2451545.0)
        self.assertAlmostEqual(extract_solar_system.julian_date(1957, 10, 4.81), 2436116.31)

    def test_mean_motions(self):
        # The Earth's orbit: q = 1, e = 0 gives the Gaussian year.
        self.assertAlmostEqual(extract_solar_system.mean_motion(1.0, 0.0), 0.9856076686, places=9)
        # Parabolic: 3 k / sqrt(2 q^3), the rate of tan^3(v/2) + 3 tan(v/2).
        self.assertAlmostEqual(extract_solar_system.mean_motion(2.0, 1.0),
                               57.29577951308232 * 3 * 0.01720209895 / 4.0)

    def test_truncated_compressed_source_is_refused(self):
        data = gzip.compress(json.dumps([{"e": 0.5}] * 200).encode())[:-20]
        source = self.write("comets.json.gz", data)
        self.assertIn("damaged JSON", failure_message(extract_common.load_json, source))

    def test_sources_gzipped_without_saying_so_are_read(self):
        source = self.write("nomenclature.dat", gzip.compress(b"# x\nline\n"))
        self.assertEqual(list(extract_common.read_lines(source)), [(1, "# x"), (2, "line")])


def star(ra, dec, magnitude, hip=None, parallax=0.0, designations=(), names=()):
    return {"ra": ra, "dec": dec, "V": magnitude, "hip": hip, "parallax": parallax,
            "designations": list(designations), "names": list(names)}


class StarMerging(unittest.TestCase):
    ARCSEC = 1.0 / 3600.0

    def test_copies_merge_into_the_hipparcos_star(self):
        stars = [star(10.0, 20.0, 7.9, hip=100, designations=["HD 5"]),
                 star(10.0 + 0.2 * self.ARCSEC, 20.0, 8.0, parallax=5.0, names=["Copy"])]
        self.assertEqual(extract_stars.merge_copies(stars, {}), 1)
        self.assertEqual(len(stars), 1)
        self.assertEqual(stars[0]["hip"], 100)
        self.assertEqual(stars[0]["parallax"], 5.0)  # the copy's, the star had none
        self.assertEqual(stars[0]["names"], ["Copy"])

    def test_listed_pairs_and_two_hipparcos_stars_stay_apart(self):
        doubles = {100: {"wds": "00000+0000", "angle": 90.0, "separation": 1.2}}
        pair = [star(10.0, 20.0, 7.0, hip=100), star(10.0, 20.0 + 1.2 * self.ARCSEC, 7.2)]
        self.assertEqual(extract_stars.merge_copies(pair, doubles), 0)
        two = [star(10.0, 20.0, 7.0, hip=100), star(10.0, 20.0 + 0.5 * self.ARCSEC, 7.1, hip=101)]
        self.assertEqual(extract_stars.merge_copies(two, {}), 0)
        # Unresolvable: a pair listed at 0.3" is a copy all the same.
        doubles[100]["separation"] = 0.3
        close = [star(10.0, 20.0, 7.0, hip=100), star(10.0, 20.0 + 0.3 * self.ARCSEC, 7.1)]
        self.assertEqual(extract_stars.merge_copies(close, doubles), 1)
        # 1.7" apart and two magnitudes apart: a companion, not a copy.
        far = [star(10.0, 20.0, 7.0, hip=100), star(10.0, 20.0 + 1.7 * self.ARCSEC, 9.0)]
        self.assertEqual(extract_stars.merge_copies(far, {}), 0)

    def test_variables_and_bright_stars_match_by_place_alone(self):
        hipparcos = {7: {"ra": 146.8895, "dec": 11.4288, "V": 10.35},
                     8: {"ra": 50.0, "dec": 5.0, "V": 10.13},
                     9: {"ra": 60.0, "dec": 5.0, "V": 10.0}}
        stars = [star(146.8895, 11.4288, 8.5), star(50.0, 5.0, 5.6), star(60.0, 5.0, 5.0)]
        matched = extract_stars.match_hipparcos(stars, hipparcos, {7: {}}, {8: {"HR": [1]}})
        self.assertEqual(matched, {7, 8})
        self.assertIsNone(stars[2]["hip"])  # 5 magnitudes off and neither: another star

    def test_shared_numbers_stay_with_the_named_or_brighter_star(self):
        a = (star(0, 0, 5.19), ["HR 8866", "HD 219834"])
        b = (star(0, 0, 5.20), ["94 Aqr", "HR 8866", "HD 219834"])
        c = (star(1, 1, 6.0), ["HR 10"])
        d = (star(1, 1, 7.0), ["HR 10"])
        self.assertEqual(extract_stars.keep_shared_numbers_on_primaries([a, b, c, d]), 3)
        self.assertEqual(a[1], [])
        self.assertEqual(b[1], ["94 Aqr", "HR 8866", "HD 219834"])
        self.assertEqual(c[1], ["HR 10"])
        self.assertEqual(d[1], [])

    def test_bright_star_numbers_go_to_the_star_at_the_catalogue_place(self):
        wrong = (star(100.0, 10.0, 10.1), ["HR 4444"])
        right = (star(173.0684, -29.2610, 4.9), ["17 Crt"])
        pair = (star(200.0, 30.0, 3.8), ["HR 4375", "HD 98231"])
        rows = [{"hr": 4444, "hd": 100287, "ra": 173.0684, "dec": -29.2611, "V": 5.64},
                {"hr": 4374, "hd": 98230, "ra": 200.0, "dec": 30.0004, "V": 4.87},
                {"hr": 5, "hd": 1, "ra": 300.0, "dec": 0.0, "V": 6.0}]
        self.assertEqual(extract_stars.place_bright_star_numbers([wrong, right, pair], rows), 3)
        self.assertEqual(wrong[1], [])
        self.assertEqual(right[1], ["17 Crt", "HR 4444", "HD 100287"])
        self.assertEqual(pair[1], ["HR 4375", "HD 98231", "HR 4374"])


class DeepSky(WithFiles):
    def test_galaxy_kinds_from_their_hubble_types(self):
        for morphology, kind in [("SA(rs)b, HIISy2", 17), ("(R)SA(rs)ab, HIISy2", 17),
                                 ("SAB(rs)bc, LINER", 17), ("E2", 18), ("cE2", 18), ("E5 pec", 18),
                                 ("E-S0", 16), ("SA(s)0 pec", 16), ("S0", 16), ("SB0", 16),
                                 ("IBm", 19), ("I0", 19), ("dI/dGsp", 19), ("-5", 18), ("-2", 16),
                                 ("4", 17), ("10", 19), ("", 16), ("?", 16), ("Sy2", 16)]:
            self.assertEqual(extract_deep_sky.galaxy_type(morphology), kind, morphology)

    def test_designations_without_component_suffixes(self):
        self.assertEqual(extract_deep_sky.designation_key("NGC0224"), "NGC 224")
        self.assertEqual(extract_deep_sky.designation_key("NGC 2244a"), "NGC 2244A")
        self.assertIsNone(extract_deep_sky.designation_key("M51B"))
        self.assertEqual(extract_deep_sky.designation_key("M 051"), "M 51")
        self.assertEqual(extract_deep_sky.sharpless("Sh2 155"), "Sh2-155")
        self.assertEqual(extract_deep_sky.sharpless("Sh2-155"), "Sh2-155")

    def test_outlines_named_for_an_object_elsewhere_are_left_out(self):
        # The Running Man's outline in Orion, under the name of an LMC
        # cluster, as Stellarium's outlines name it.
        running_man = [(83.80, -4.94), (84.04, -4.93), (84.00, -4.67), (83.81, -4.67)]
        lmc_cluster = {"ra": 82.19, "dec": -66.24, "major": 4.0}
        self.assertFalse(extract_deep_sky.ring_fits(lmc_cluster, running_man))
        self.assertTrue(extract_deep_sky.ring_fits({"ra": 83.88, "dec": -4.84, "major": 20.0},
                                                   running_man))
        # A large object placed off its outline's centre within its size;
        # an unknown size counts as none.
        veil = [(312.0, 30.0), (314.0, 30.0), (314.0, 32.0), (312.0, 32.0)]
        self.assertTrue(extract_deep_sky.ring_fits({"ra": 313.0, "dec": 34.5, "major": 60.0}, veil))
        self.assertFalse(extract_deep_sky.ring_fits({"ra": 313.0, "dec": 34.5, "major": None}, veil))

    def compiled(self, records, version="3.16"):
        """A compiled catalogue in the layout read_compiled reads."""
        import struct

        def text(value):
            data = value.encode("utf-16-be")
            return struct.pack(">I", len(data)) + data

        out = [text(version), text("standard")]
        for k, (ra, dec, b, v, kind, morphology, ngc) in enumerate(records, 1):
            out.append(struct.pack(">I", k) + struct.pack(">dddd", ra, dec, b, v) +
                       struct.pack(">I", kind) + text(morphology) + b"\0" * (8 + 8 + 4 + 48) +
                       struct.pack(">14I", ngc, 0, 0, *([0] * 11)) +
                       text("") + b"\0" * 8 + text("") * 7 + b"\0" * 20)
        return gzip.compress(b"".join(out))

    def test_compiled_catalogue_magnitudes_and_kinds(self):
        import math
        rows = [(math.radians(97.98), math.radians(4.94), 99.0, 4.8, 16, "", 2244),
                (math.radians(188.0), math.radians(14.4), 10.36, 99.0, 0, "SA(rs)b", 4501)]
        rows += [(0.1, 0.1, 99.0, 99.0, 0, "", 0)] * 10000
        path = self.write("catalog.dat", self.compiled(rows))
        compiled = extract_deep_sky.read_compiled(path)
        self.assertEqual(len(compiled), 10002)
        self.assertEqual(compiled[0]["NGC"], 2244)
        self.assertAlmostEqual(compiled[0]["ra"], 97.98)
        objects = [{"type": 29, "ra": 97.98, "dec": 4.94, "V": None, "morphology": None,
                    "texts": ["NGC 2244"]},
                   {"type": 19, "ra": 188.0, "dec": 14.4, "V": 14.33, "morphology": None,
                    "texts": ["M 88", "NGC 4501"]}]
        extract_deep_sky.attach_compiled(objects, compiled)
        report = []
        for item in objects:
            extract_deep_sky.settle_kind_and_magnitude(item, report)
        self.assertEqual(objects[0]["type"], 11)  # a cluster with nebulosity
        self.assertEqual(objects[0]["V"], 4.8)
        self.assertEqual(objects[1]["type"], 17)
        self.assertAlmostEqual(objects[1]["V"], 10.36 - 0.75)  # blue made visual
        self.assertEqual(len(report), 1)  # 14.33 against 9.61

    def test_a_colour_no_object_has_gives_the_magnitude_that_fits_its_size(self):
        def settle(blue, visual, major, kind=17):
            item = {"type": kind, "V": None, "morphology": "Sb", "texts": ["X"],
                    "compiled": {"B": blue, "V": visual, "kind": 0, "morphology": "",
                                 "major": major, "minor": major}}
            extract_deep_sky.settle_kind_and_magnitude(item, [])
            return item["V"]

        self.assertAlmostEqual(settle(11.0, 19.0, 0.0494), 11.0 - 0.75)  # NGC 157: V misplaced
        self.assertAlmostEqual(settle(18.0, 8.1, 0.2583), 8.1)  # NGC 6822: B misplaced
        self.assertAlmostEqual(settle(3.0, 6.3, 0.3, kind=12), 6.3)  # M 15: both fit, V stays
        self.assertAlmostEqual(settle(15.4, 24.5, 0.0), 15.4 - 0.75)  # no size, V too faint
        self.assertAlmostEqual(settle(9.0, 8.2, 0.1), 8.2)  # a normal colour

    def test_damaged_compiled_catalogues_are_refused(self):
        good = self.compiled([(0.1, 0.1, 99.0, 99.0, 0, "", 0)] * 10000)
        cut = gzip.compress(gzip.decompress(good)[:-7])
        self.assertIn("record 10000", failure_message(extract_deep_sky.read_compiled,
                                                      self.write("cut.dat", cut)))
        self.assertIn("unknown catalogue version", failure_message(
            extract_deep_sky.read_compiled,
            self.write("old.dat", self.compiled([(0.1, 0.1, 99.0, 99.0, 0, "", 0)], "2.0"))))
        self.assertIn("unreadable", failure_message(extract_deep_sky.read_compiled,
                                                    self.write("bad.dat", b"\x1f\x8bnot gzip")))


if __name__ == "__main__":
    unittest.main()
