"""The body-table generator (tools/body_table/): the committed table is its
output, an orbit in the plane of its row keeps its places, and damaged
input is refused with a clear message. (The places of the moons it
converts are checked by tests/engine/published_moon_places_test.cpp.)"""
import math
import os
import random
import subprocess
import sys
import tempfile
import unittest

ROOT = os.environ.get("TESSALY_SOURCE_DIR", ".")
sys.path.insert(0, os.path.join(ROOT, "tools", "body_table"))

import published_moons as pm  # noqa: E402

IN_CI = os.environ.get("CI", "") not in ("", "0", "false")


def require_published_file(test):
    if not os.path.exists(pm.SOURCE):
        message = f"{pm.SOURCE} missing (stellarium-data)"
        if IN_CI:
            test.fail(message + " under CI, where it is required")
        test.skipTest(message)


def apply(m, v):
    return [sum(m[r][k] * v[k] for k in range(3)) for r in range(3)]


def place(frame, node, i, argument, mean_anomaly, e=0.1, a=1000.0):
    """A place on the orbit from the definition of the elements (degrees):
    Kepler's equation, then the orbit's plane turned into `frame`."""
    m = math.radians(mean_anomaly)
    big_e = m
    for _ in range(50):
        big_e -= (big_e - e * math.sin(big_e) - m) / (1 - e * math.cos(big_e))
    x, y = a * (math.cos(big_e) - e), a * math.sqrt(1 - e * e) * math.sin(big_e)
    w, n, inc = math.radians(argument), math.radians(node), math.radians(i)
    # Rz(node) Rx(i) Rz(w) applied to (x, y, 0), written out.
    px, py = x * math.cos(w) - y * math.sin(w), x * math.sin(w) + y * math.cos(w)
    qy, qz = py * math.cos(inc), py * math.sin(inc)
    return apply(frame, [px * math.cos(n) - qy * math.sin(n), px * math.sin(n) + qy * math.cos(n), qz])


def distance(u, v):
    return math.sqrt(sum((a - b) ** 2 for a, b in zip(u, v)))


def elements(**changes):
    base = dict(parent="Jupiter", epoch=2454619.5, a=1000.0, e=0.1, i=35.0, node=120.0,
                peri=200.0, mean_longitude=300.0, period=250.0)
    base.update(changes)
    return base


class Conversion(unittest.TestCase):
    def assert_same_places(self, published, frame, row_pole, rate, row_epoch):
        """The table's row and the published elements give one place at
        several times, the row moving at `rate` degrees a day."""
        i, w, node, m0 = pm.table_angles(published, frame, row_pole, rate, row_epoch)
        row_frame = pm.pole_frame(*row_pole)
        for days in (0.0, 3.0, 41.5, -17.25):
            t = published["epoch"] + days
            anomaly = (published["mean_longitude"] - published["peri"] +
                       360.0 / published["period"] * days)
            expected = place(frame, published["node"], published["i"],
                             published["peri"] - published["node"], anomaly)
            got = place(row_frame, node, i, w, m0 + rate * (t - row_epoch))
            self.assertLess(distance(expected, got), 1e-6, days)
        return i, w, node, m0

    def test_an_orbit_in_the_rows_plane_takes_its_node_at_the_origin(self):
        frame = pm.pole_frame(40.589, 83.537)
        _, _, node, _ = self.assert_same_places(elements(i=0.0), frame, (40.589, 83.537),
                                                360.0 / 250.0, 2451545.0)
        self.assertEqual(node, 0.0)


def planet_sections(moons):
    sections = {"saturn": {"rot_pole_ra": "40.589", "rot_pole_de": "83.537"}}
    return sections, {name: elements(parent="Saturn", epoch=2457939.5, **change)
                      for name, change in moons.items()}


class SharedTilt(unittest.TestCase):
    def test_moons_that_do_not_share_a_tilt_or_node_are_refused(self):
        node, _ = pm.ecliptic_pole(40.589, 83.537)
        for moons, message in [
                ({"one": dict(i=0.49, node=node), "two": dict(i=0.6, node=node)}, "share one tilt"),
                ({"one": dict(i=0.49, node=node + 5.0)}, "not on Saturn's equator node")]:
            sections, published = planet_sections(moons)
            with self.assertRaises(pm.PublishedElementsError) as refused:
                pm.file_frames(sections, published)
            self.assertIn(message, str(refused.exception))


SECTION = """[saturn]
rot_pole_ra=40.589
rot_pole_de=83.537 # IAU
[pan]
parent=Saturn
orbit_AscendingNode=169.5277
orbit_Eccentricity=0.00507
orbit_Epoch=2457939.5
orbit_Inclination =0.4896
orbit_LongOfPericenter=236.125
orbit_MeanLongitude=596.0762
orbit_Period=0.580914
orbit_SemiMajorAxis=134265.0
;orbit_Period=1
"""


class Reader(unittest.TestCase):
    def test_keys_are_read_without_case_or_trailing_comments(self):
        sections = pm.parse_ini(SECTION, "file")
        pan = pm.moon_elements(sections, "Pan")
        self.assertEqual(pan["i"], 0.4896)
        self.assertEqual(pan["period"], 0.580914)
        self.assertEqual(pm.north_pole(sections, "Saturn"), (40.589, 83.537))

    def test_damaged_input_is_refused_with_what_is_wrong(self):
        cases = [
            (SECTION.replace("[pan]", "[pan"), "file:4: damaged section name"),
            (SECTION.replace("parent=Saturn", "parent Saturn"), "file:5: not a key=value line"),
            ("orbit_Period=1\n" + SECTION, "file:1: not a key=value line in a section"),
            (SECTION.replace("=0.00507", "=1.2"), "Pan: not an elliptic orbit"),
            (SECTION.replace("=0.580914", "=0"), "Pan: not an elliptic orbit"),
            (SECTION.replace("=134265.0", "=nan"), "Pan: orbit_semimajoraxis is not finite"),
            (SECTION.replace("=2457939.5", "=24579395"), "Pan: epoch 24579395.0 out of range"),
            (SECTION.replace("orbit_MeanLongitude=596.0762\n", ""), "Pan: no orbit_meanlongitude"),
            (SECTION.replace("=236.125", "=east"), "Pan: orbit_longofpericenter is not a number"),
            (SECTION.replace("parent=Saturn", "parent=Mars"), "Pan: parent 'Mars' has no known reading"),
        ]
        for text, message in cases:
            with self.assertRaises(pm.PublishedElementsError, msg=message) as refused:
                pm.moon_elements(pm.parse_ini(text, "file"), "Pan")
            self.assertIn(message, str(refused.exception))

    def test_fuzzed_files_are_read_or_refused(self):
        rng = random.Random(62)
        outcomes = {"read": 0, "refused": 0}
        alphabet = "[]=#;.-+e0123456789 \nabcnirs"
        for _ in range(3000):
            # One character deleted, inserted or replaced: most land in a
            # key the reader then misses, the rest in numbers and syntax.
            text = list(SECTION)
            k = rng.randrange(len(text))
            action = rng.randrange(3)
            if action == 0:
                del text[k]
            elif action == 1:
                text.insert(k, rng.choice(alphabet))
            else:
                text[k] = rng.choice(alphabet)
            try:
                sections = pm.parse_ini("".join(text), "fuzz")
                moon = pm.moon_elements(sections, "Pan")
                frame = pm.file_frames(sections, {"Pan": moon})["Pan"]
                angles = pm.table_angles(moon, frame, (40.589, 83.537), 620.0, 2451545.0)
                self.assertTrue(all(math.isfinite(x) for x in angles))
                outcomes["read"] += 1
            except pm.PublishedElementsError:
                outcomes["refused"] += 1
        self.assertGreater(min(outcomes.values()), 450, outcomes)


class CommittedTable(unittest.TestCase):
    def test_the_committed_table_is_the_generators_output(self):
        require_published_file(self)
        with tempfile.TemporaryDirectory() as folder:
            out = os.path.join(folder, "body_table_data.cpp")
            run = subprocess.run([sys.executable, os.path.join(ROOT, "tools", "body_table",
                                                               "make_body_table.py"), out, pm.SOURCE],
                                 capture_output=True, text=True, check=False)
            self.assertEqual(run.returncode, 0, run.stderr)
            self.assertIn("35 moons placed", run.stderr)
            self.assertIn("116 rows left without angles", run.stderr)
            self.assertIn("115 of them moons that no theory of their own places", run.stderr)
            with open(out, "rb") as made, \
                    open(os.path.join(ROOT, "engine", "body_table_data.cpp"), "rb") as committed:
                self.assertEqual(made.read(), committed.read())


if __name__ == "__main__":
    unittest.main()
