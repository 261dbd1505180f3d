// The sky pictures the data step builds into the bundle: every
// constellation's illustration solved on its three Bright Star stars,
// with picture corners where ERFA's tangent plane puts them (within 1"),
// the shared pictures grouped as Argo Navis and Ophiuchus with Serpens,
// the Milky Way and horizon pictures in the layouts the chart reads, and
// deep-sky photographs that blend with the chart they are added to.
#include <gtest/gtest.h>

#include <erfa.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "chart/constellation_images.h"
#include "chart/image_files.h"
#include "skydata/constellation.h"
#include "skydata/sky_database.h"
#include "skydata/star.h"
#include "tests/chart/chart_canvas.h"
#include "tests/chart/constellation_sky.h"
#include "tests/support/requirements.h"
#include "tests/support/sanitizer_build.h"
#include "tests/tools/built_bundle.h"

namespace {

constexpr double kArcsecond = 4.84813681109536e-06;

std::string bundle() { return tessaly::test::builtBundlePath(); }

bool exists(const std::string& relative) {
  return std::filesystem::exists(bundle() + "/" + relative);
}

// Width and height of an image file; 0 when it cannot be read.
std::pair<std::uint32_t, std::uint32_t> imageSize(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return {0, 0};
  GImage* image = readImageFile(file);
  std::fclose(file);
  std::pair<std::uint32_t, std::uint32_t> size{getImageWidth(image), getImageHeight(image)};
  freeImage(image);
  return size;
}

// The sky place of a picture pixel from ERFA alone: the reference stars'
// gnomonic coordinates about their mean direction and the affine map from
// pixels to them (Cramer's rule).
void oraclePlace(const double ra[3], const double dec[3], const double px[3], const double py[3],
                 double x, double y, double out[3]) {
  double sum[3] = {0, 0, 0};
  for (int k = 0; k < 3; ++k) {
    double v[3];
    eraS2c(ra[k], dec[k], v);
    for (int c = 0; c < 3; ++c) sum[c] += v[c];
  }
  double ra0, dec0, xi[3], eta[3];
  eraC2s(sum, &ra0, &dec0);
  for (int k = 0; k < 3; ++k) eraTpxes(ra[k], dec[k], ra0, dec0, &xi[k], &eta[k]);
  auto det = [](const double m[3][3]) {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  };
  const double m[3][3] = {{1, px[0], py[0]}, {1, px[1], py[1]}, {1, px[2], py[2]}};
  double d = det(m), value[2] = {0, 0};
  for (int axis = 0; axis < 2; ++axis) {
    const double* target = axis == 0 ? xi : eta;
    const double terms[3] = {1, x, y};
    for (int c = 0; c < 3; ++c) {
      double t[3][3];
      for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k) t[r][k] = k == c ? target[r] : m[r][k];
      value[axis] += det(t) / d * terms[c];
    }
  }
  double placeRA, placeDec;
  eraTpsts(value[0], value[1], ra0, dec0, &placeRA, &placeDec);
  eraS2c(placeRA, placeDec, out);
}

TEST(ChartSkyBundleImages, EveryIllustrationIsSolvedWithCornersWhereErfaPutsThem) {
  if (!exists("SkyImages/Constellations/Index.txt") || !exists("SkyData/Stars.skydata"))
    TESSALY_SKIP_OR_FAIL("no built sky pictures in " << bundle());
  CSkyDatabase database((bundle() + "/SkyData/").c_str());
  ASSERT_NE(database.loadStars("Stars.skydata"), nullptr);
  ASSERT_NE(database.loadConstellations("Constellations.skydata"), nullptr);
  CSkyChart chart(&database, (bundle() + "/SkyImages").c_str());
  ASSERT_TRUE(chart.loadConstellationImageIndex(
      (bundle() + "/SkyImages/Constellations/Index.txt").c_str(), &database));
  const ConstellationImageTable& table = *chart.constellationImages;
  ASSERT_EQ(table.count, 88);
  int corners = 0;
  for (int i = 0; i < 88; ++i) {
    const ConstellationImage& record = table.records[i];
    ASSERT_NE(record.mesh, nullptr) << record.line.name;
    ASSERT_NE(record.constellation, nullptr) << record.line.name;
    // In the order of the constellations' numbers.
    EXPECT_EQ(record.constellation->getNumber(), static_cast<std::uint64_t>(i + 1));
    auto size = imageSize(bundle() + "/SkyImages/Constellations/" + record.line.name);
    EXPECT_EQ(static_cast<std::int32_t>(size.first), record.line.width) << record.line.name;
    EXPECT_EQ(static_cast<std::int32_t>(size.second), record.line.height) << record.line.name;
    double ra[3], dec[3];
    for (int k = 0; k < 3; ++k) {
      CStar* star = database.getStarByHRNumber(record.line.hr[k]);
      ASSERT_NE(star, nullptr) << record.line.name << " HR " << record.line.hr[k];
      double v[3];
      star->getCatalogVector(v);
      eraC2s(v, &ra[k], &dec[k]);
    }
    const MeshGrid& mesh = *record.mesh;
    for (int r : {0, mesh.rows - 1})
      for (int c : {0, mesh.columns - 1}) {
        double expected[3];
        oraclePlace(ra, dec, record.line.x, record.line.y, 64.0 * c, 64.0 * r, expected);
        EXPECT_LT(eraSepp(expected, &mesh.row[r][c].x), kArcsecond)
            << record.line.name << " corner " << r << "," << c;
        ++corners;
      }
  }
  EXPECT_EQ(corners, 88 * 4);
  // One group for Argo Navis (Carina, Puppis, Vela), one for Ophiuchus and
  // Serpens; every other picture is its own.
  auto index = [](const char* abbreviation) { return chart_test::constellationNumber(abbreviation) - 1; };
  const int car = index("Car"), pup = index("Pup"), vel = index("Vel");
  const int oph = index("Oph"), ser = index("Ser");
  EXPECT_EQ(table.records[pup].group, car);
  EXPECT_EQ(table.records[vel].group, car);
  EXPECT_EQ(table.records[ser].group, oph);
  int shared = 0;
  for (int i = 0; i < 88; ++i) shared += table.records[i].group != i;
  EXPECT_EQ(shared, 3);
}

TEST(ChartSkyBundleImages, MilkyWayAndHorizonPicturesHaveTheLayoutsTheChartReads) {
  if (!exists("SkyImages/MilkyWay/Visible.jpg"))
    TESSALY_SKIP_OR_FAIL("no built sky pictures in " << bundle());
  for (const char* name : {"MilkyWay/Visible.jpg", "MilkyWay/Outline.png", "Horizons/Grossmugl.png"}) {
    auto size = imageSize(bundle() + "/SkyImages/" + name);
    EXPECT_EQ(size.first, 2 * size.second) << name;
    // Powers of two: the band pictures repeat across their edges.
    EXPECT_EQ(size.first & (size.first - 1), 0u) << name;
    EXPECT_GE(size.first, 1024u) << name;
  }
}

// The chart adds the photographs to the sky: their own sky must be black
// and their edges must fade out, or each shows as a grey square. Pictures
// under 32 pixels a side (a few pixels on the screen, never drawn) are
// passed over.
TEST(ChartSkyBundleImages, DeepSkyPhotographsHaveABlackSkyAndEdgesFadedToBlack) {
  const std::string folder = bundle() + "/SkyImages/DeepSky/";
  std::FILE* index = std::fopen((folder + "Index.txt").c_str(), "r");
  if (index == nullptr) TESSALY_SKIP_OR_FAIL("no built deep-sky pictures in " << bundle());
  // Every third picture under a sanitizer, where converting a thousand
  // photographs to pixels took most of the suite's time; all of them in
  // the optimised build.
  const int stride = tessaly::test::sanitizerSample(1, 3);
  char line[1024];
  int checked = 0, listed = 0;
  while (std::fgets(line, sizeof line, index) != nullptr) {
    if (listed++ % stride != 0) continue;
    const std::string name(line, std::strcspn(line, "\t\n"));
    std::FILE* file = std::fopen((folder + name).c_str(), "rb");
    ASSERT_NE(file, nullptr) << name;
    GImage* image = readImageFile(file);
    std::fclose(file);
    ASSERT_NE(image, nullptr) << name;
    const std::uint32_t w = getImageWidth(image), h = getImageHeight(image);
    if (w < 32 || h < 32) {
      freeImage(image);
      continue;
    }
    std::vector<unsigned char> rgba(std::size_t(w) * h * 4);
    ASSERT_TRUE(convertImageToRGBA(image, rgba.data())) << name;
    freeImage(image);
    auto level = [&](std::uint32_t x, std::uint32_t y) {
      const unsigned char* p = &rgba[(std::size_t(y) * w + x) * 4];
      return (p[0] + p[1] + p[2]) / 3.0;
    };
    // The outermost ring of pixels, and the band of 5% of a side inside
    // it, where the picture's sky lies.
    double ring = 0;
    std::vector<double> band;
    const std::uint32_t b = std::max<std::uint32_t>(1, std::min(w, h) / 20);
    for (std::uint32_t y = 0; y < h; ++y)
      for (std::uint32_t x = 0; x < w; ++x) {
        const std::uint32_t inward = std::min(std::min(x, w - 1 - x), std::min(y, h - 1 - y));
        if (inward == 0) ring += level(x, y);
        if (inward < b) band.push_back(level(x, y));
      }
    ring /= 2.0 * (w + h) - 4;
    std::nth_element(band.begin(), band.begin() + band.size() / 2, band.end());
    SCOPED_TRACE(name);
    EXPECT_LE(ring, 1.0) << "the edge shows";
    EXPECT_LE(band[band.size() / 2], 2.0) << "the sky is not black";
    ++checked;
  }
  std::fclose(index);
  EXPECT_GT(checked, 1000 / stride);
}

}  // namespace
