"""The chart's picture tools on synthetic pictures: a deep-sky photograph
over a grey, grainy sky comes out with a black sky and faded edges, its
object kept, so that it blends with the chart it is added to."""
import os
import sys
import unittest

import numpy
from PIL import Image

sys.path.insert(0, os.path.join(os.environ.get("TESSALY_SOURCE_DIR", "."), "tools", "chart"))

import make_deep_sky_images  # noqa: E402

SIZE = 256
SKY, GRAIN = (14.0, 12.0, 18.0), 3.0


def photograph(peak=200.0, centre=(SIZE / 2, SIZE / 2), sigma=12.0, seed=1):
    """A grey sky with Gaussian grain and one round object."""
    rng = numpy.random.default_rng(seed)
    y, x = numpy.mgrid[0:SIZE, 0:SIZE]
    blob = peak * numpy.exp(-((x - centre[0]) ** 2 + (y - centre[1]) ** 2) / (2 * sigma * sigma))
    rgb = numpy.stack([SKY[c] + blob + rng.normal(0, GRAIN, (SIZE, SIZE)) for c in range(3)], axis=2)
    return Image.fromarray(numpy.clip(numpy.rint(rgb), 0, 255).astype(numpy.uint8), "RGB")


def blended(image):
    return numpy.asarray(make_deep_sky_images.blend_with_sky(image), dtype=numpy.int32)


class DeepSkyPictures(unittest.TestCase):
    def test_the_grey_grainy_sky_becomes_black(self):
        out = blended(photograph())
        y, x = numpy.mgrid[0:SIZE, 0:SIZE]
        # Sky: beyond 6 sigma of the object, where its light is below a
        # hundredth of a level.
        sky = numpy.hypot(x - SIZE / 2, y - SIZE / 2) > 6 * 12.0
        self.assertGreater(sky.sum(), SIZE * SIZE // 2)
        lit = (out[sky].max(axis=1) > 2).mean()
        self.assertLess(lit, 0.002, "grain left on the sky")
        self.assertEqual(out.shape, (SIZE, SIZE, 3))

    def test_the_object_keeps_its_light(self):
        out = blended(photograph(peak=200.0))
        core = out[SIZE // 2 - 2:SIZE // 2 + 3, SIZE // 2 - 2:SIZE // 2 + 3].mean()
        # The object's own light (peak 200 over the sky) stays within a
        # tenth, stretched back by 255 / (255 - sky).
        self.assertGreater(core, 0.9 * 200)
        self.assertLess(core, 255)
        # A faint halo well above the grain is kept, not cut.
        halo = out[SIZE // 2, SIZE // 2 + 24].mean()  # 2 sigma out: 200 e^-2, about 27
        self.assertGreater(halo, 15)

    def test_edges_fade_to_black_even_where_the_object_reaches_them(self):
        # An object at the left edge: its light must not end in a straight
        # line where the picture ends.
        out = blended(photograph(peak=220.0, centre=(0, SIZE / 2), sigma=40.0)).mean(axis=2)
        row = out[SIZE // 2]
        self.assertLessEqual(row[0], 2, "the outermost column is black")
        # Over the first half of the fade the object falls off by less than
        # the fade rises.
        inward = row[: SIZE // 16]
        self.assertTrue(numpy.all(numpy.diff(inward) >= -1), "the light rises from the edge")
        self.assertGreater(row[SIZE // 8 + 4], 100, "past the fade the object is whole")
        for edge in (out[0], out[-1], out[:, 0], out[:, -1]):
            self.assertLessEqual(edge.max(), 2)

    def test_a_picture_already_black_stays_black_and_dark_pictures_do_not_fail(self):
        black = numpy.asarray(make_deep_sky_images.blend_with_sky(Image.new("RGB", (40, 30))))
        self.assertEqual(black.max(), 0)
        white = numpy.asarray(make_deep_sky_images.blend_with_sky(Image.new("RGB", (40, 30), (255,) * 3)))
        self.assertTrue(numpy.isfinite(white).all())
        tiny = make_deep_sky_images.blend_with_sky(Image.new("RGB", (1, 1), (90, 90, 90)))
        self.assertEqual(tiny.size, (1, 1))


if __name__ == "__main__":
    unittest.main()
