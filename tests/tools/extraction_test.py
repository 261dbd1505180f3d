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


if __name__ == "__main__":
    unittest.main()
