// The deep-sky photographs: the index reader's checked fields (and a
// fuzzing run over it), picture corners against ERFA's tangent-plane
// routine and IAU 1976 precession, the picture set by screen scale, and
// pictures drawn through the GL layer fading in by their size on the
// screen.
#include <gtest/gtest.h>

#include <erfa.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "chart/deep_sky_images.h"
#include "chart/gl_api.h"
#include "tests/chart/chart_canvas.h"
#include "tests/chart/sky_fixture.h"
#include "tests/support/fuzz.h"
#include "tests/support/requirements.h"
#include "tests/support/temp_dir.h"

namespace {

using chart_test::Backend;

constexpr double kDegree = 0.017453292519943295;
constexpr double kArcsecond = kDegree / 3600;

std::vector<DeepSkyImage> readIndex(const std::string& text, const char* folder = nullptr) {
  std::vector<DeepSkyImage> images;
  std::string copy = text;  // fmemopen wants a writable buffer of its own
  std::FILE* file = fmemopen(copy.data(), copy.size(), "r");
  if (file == nullptr) return images;
  readDeepSkyImageIndex(file, static_cast<std::int64_t>(copy.size()), folder, images);
  std::fclose(file);
  return images;
}

const char kM31[] = "30s/m31.png\tM 31\t2000.0\t0 42 44.3\t41 16 09\t35\t30\t400\t200\n";

TEST(ChartSkyDeepSkyIndex, FieldsAreReadIntoTheirUnits) {
  std::vector<DeepSkyImage> images = readIndex(kM31, "set");
  ASSERT_EQ(images.size(), 1u);
  const DeepSkyImage& m31 = images[0];
  EXPECT_STREQ(m31.file, "set/30s/m31.png");
  EXPECT_STREQ(m31.object.name, "M 31");
  EXPECT_NEAR(m31.ra, (42 + 44.3 / 60) / 60 * 15 * kDegree, 1e-12);
  EXPECT_NEAR(m31.dec, (41 + 16 / 60.0 + 9 / 3600.0) * kDegree, 1e-12);
  EXPECT_NEAR(m31.positionAngle, 35 * kDegree, 1e-12);
  EXPECT_NEAR(m31.scale, 30 * kArcsecond, 1e-15);
  EXPECT_EQ(m31.width, 400);
  EXPECT_EQ(m31.height, 200);
  EXPECT_FALSE(CSkyChart::isTextureLoaded(&m31.texture));
}

TEST(ChartSkyDeepSkyIndex, BadLinesAreRefusedAndLongTextsCannotOverflow) {
  std::string text;
  text += "a.png\tA\t2000\t24 00 00\t10 0 0\t0\t1\t10\t10\n";       // 24h: refused
  text += "b.png\tB\t2000\t1 0 0\t90 0 0\t0\t1\t10\t10\n";          // +90: refused
  text += "c.png\tC\t2000\t1 0 0\t10 0 0\t360\t1\t10\t10\n";        // 360 degrees: refused
  text += "d.png\t" + std::string(40, 'N') + "\t2000\t1 0 0\t-00 30 00\t0\t1\t10\t10\r\n";
  text += "e.png\tE\t2000\t99999 0 0\t10 0 0\t0\t1\t10\t10\n";      // hours past 16 bits
  text += "f.png\tF\t2000\t1 0 0\t10 0 0\t0\t1\t99999999999999999999999\t10\n";
  text += "g.png\t" + std::string(300, 'x') + "\t2000\t1 0 0\t10 0 0\t0\t1\t10\t10\n";  // too long
  text += "h.png\t\tH\t\t2000\t1 0 0\t10 0 0\t0\t1\t10\t10\n";   // empty fields are skipped
  text += "\n\t\t\n";
  std::vector<DeepSkyImage> images = readIndex(text);
  ASSERT_EQ(images.size(), 4u);
  // The 32-character name keeps 31 and its terminator.
  EXPECT_STREQ(images[0].file, "d.png");
  EXPECT_EQ(std::strlen(images[0].object.name), 31u);
  EXPECT_NEAR(images[0].dec, -0.5 * kDegree, 1e-12);  // the sign of "-00"
  EXPECT_STREQ(images[1].file, "e.png");
  EXPECT_EQ(images[1].ra, 0);  // not read: 0, as a missing field
  EXPECT_STREQ(images[2].file, "f.png");
  EXPECT_EQ(images[2].width, 0);
  EXPECT_STREQ(images[3].object.name, "H");
  EXPECT_EQ(images[3].width, 10);
  // A folder that would cut the file name refuses the line.
  EXPECT_TRUE(readIndex(kM31, std::string(500, 'f').c_str()).empty());
}

TEST(ChartSkyDeepSkyIndex, AtMostTheTableIsRead) {
  std::string text;
  for (int i = 0; i < kMaxDeepSkyImages + 10; ++i) text += kM31;
  EXPECT_EQ(readIndex(text).size(), static_cast<std::size_t>(kMaxDeepSkyImages));
}

// The corner of a picture by the index's definition: the picture's "up"
// turned from north towards the west by the angle pa, "left" a quarter
// turn on from it (east at pa 0); corner k at (+-w, +-h) on the tangent
// plane at the centre (xi east, eta north).
void expectedCorner(double ra, double dec, double pa, double w, double h, int k, double out[3]) {
  const double sx = k == 0 || k == 3 ? 1 : -1, sy = k < 2 ? 1 : -1;
  const double left[2] = {std::cos(pa), std::sin(pa)}, up[2] = {-std::sin(pa), std::cos(pa)};
  const double xi = sx * w * left[0] + sy * h * up[0];
  const double eta = sx * w * left[1] + sy * h * up[1];
  double centre[3];
  eraS2c(ra, dec, centre);
  eraTpstv(xi, eta, centre, out);
}

TEST(ChartSkyDeepSkyIndex, CornersAgreeWithErfaWithinAnArcsecond) {
  double worst = 0;
  int cases = 0;
  for (double ra : {0.3, 2.0, 4.4, 6.1})
    for (double dec : {-1.2, -0.3, 0.0, 0.7, 1.45})
      for (double pa : {0.0, 0.5, 2.0, 4.0}) {
        double corners[4][3];
        const double scale = 2 * kArcsecond;
        computeImageCorners(1600, 900, corners, scale, ra, dec, pa);
        for (int k = 0; k < 4; ++k) {
          double expected[3];
          expectedCorner(ra, dec, pa, 800 * scale, 450 * scale, k, expected);
          worst = std::max(worst, eraSepp(expected, corners[k]));
          ++cases;
        }
      }
  EXPECT_EQ(cases, 320);
  EXPECT_LT(worst, kArcsecond);

  // A B1950 picture: centre and corners precessed to J2000 (IAU 1976).
  std::vector<DeepSkyImage> images =
      readIndex("p.png\tP\t1950.0\t5 32 49\t-05 25 00\t20\t3\t1000\t800\n");
  ASSERT_EQ(images.size(), 1u);
  const double ra = (5 + 32 / 60.0 + 49 / 3600.0) * 15 * kDegree;
  const double dec = -(5 + 25 / 60.0) * kDegree;
  double d1, d2, precession[3][3];
  eraEpb2jd(1950.0, &d1, &d2);
  eraPmat76(d1, d2, precession);  // J2000 to the mean equator of B1950
  double centre[3], j2000[3];
  eraS2c(ra, dec, centre);
  eraTrxp(precession, centre, j2000);
  double ra2000, dec2000;
  eraC2s(j2000, &ra2000, &dec2000);
  EXPECT_LT(eraSeps(eraAnp(ra2000), dec2000, images[0].ra, images[0].dec), kArcsecond);
  for (int k = 0; k < 4; ++k) {
    double expected[3], moved[3];
    expectedCorner(ra, dec, 20 * kDegree, 500 * 3 * kArcsecond, 400 * 3 * kArcsecond, k, expected);
    eraTrxp(precession, expected, moved);
    EXPECT_LT(eraSepp(moved, images[0].corners[k]), kArcsecond) << k;
  }
}

TEST(ChartSkyDeepSkyIndex, ThePictureSetFollowsTheScreenScale) {
  EXPECT_STREQ(deepSkyImageVariant(3.99), "4s");
  EXPECT_STREQ(deepSkyImageVariant(4), "8s");
  EXPECT_STREQ(deepSkyImageVariant(14.9), "15s");
  EXPECT_STREQ(deepSkyImageVariant(59.99), "60s");
  EXPECT_STREQ(deepSkyImageVariant(60), "120s");
  EXPECT_STREQ(deepSkyImageVariant(1e9), "120s");
}

TEST(ChartSkyDeepSkyIndex, FuzzedIndexesGiveOnlyWellFormedRecords) {
  std::vector<tessaly::test::Bytes> seeds = {
      std::string(kM31) + "x.png\tX\t1950\t12 0 0\t-10 5 3.5\t359.9\t120\t64\t32\n",
      "a\tb\t1\t1 1 1\t1 1 1\t1\t1\t1\t1", std::string(300, '\t'), ""};
  int accepted = 0, refused = 0;
  tessaly::test::FuzzOptions options;
  options.iterations = tessaly::test::fuzzIterations(3000);
  options.maxSize = 4096;
  tessaly::test::fuzz(
      seeds,
      [&](std::string_view bytes) {
        std::vector<DeepSkyImage> images = readIndex(std::string(bytes));
        (images.empty() ? refused : accepted)++;
        for (const DeepSkyImage& image : images) {
          ASSERT_LT(strnlen(image.file, sizeof image.file), sizeof image.file);
          ASSERT_LT(strnlen(image.object.name, sizeof image.object.name), sizeof image.object.name);
          ASSERT_NE(image.file[0], '\0');
          ASSERT_TRUE(image.ra >= 0 && image.ra < 6.3 && std::fabs(image.dec) <= 1.5707963268);
        }
      },
      options);
  std::printf("index fuzzing: %d inputs gave records, %d none\n", accepted, refused);
  EXPECT_GT(accepted, 100);
  EXPECT_GT(refused, 100);
}

// ---- Drawing ----

// A white w x h BMP (24-bit, rows bottom-up, padded to 4 bytes).
std::string whiteBitmap(int w, int h) {
  const int row = (3 * w + 3) / 4 * 4, size = 54 + row * h;
  std::string b(static_cast<std::size_t>(size), '\0');
  auto put = [&](int at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[static_cast<std::size_t>(at + i)] = static_cast<char>(v >> (8 * i));
  };
  b[0] = 'B', b[1] = 'M';
  put(2, static_cast<std::uint32_t>(size), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, static_cast<std::uint32_t>(w), 4);
  put(22, static_cast<std::uint32_t>(h), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  for (int y = 0; y < h; ++y) std::memset(&b[static_cast<std::size_t>(54 + y * row)], 0xff, static_cast<std::size_t>(3 * w));
  return b;
}

TEST(ChartSkyDeepSkyPictures, PicturesFadeInFromATwentiethOfTheViewport) {
  if (!chart_test::backendAvailable(Backend::gl)) GTEST_SKIP() << "no GL entry points";
  tessaly::test::TempDir folder;
  std::filesystem::create_directories(folder.path() / "DeepSky" / "120s");
  ASSERT_TRUE(tessaly::test::writeFile(folder.file("DeepSky/120s/white.bmp"), whiteBitmap(16, 16)));
  chart_test::ChartSky sky;
  auto chart = sky.chart(400, 300, 0, 0, 12);
  chart->setImageDirectory(folder.path().c_str());
  SkyObjectID sun;
  CSkyDatabase::setSunObjectID(&sun);
  chart->selectObject(&sun);
  chart->showPlanets = false;
  // The viewport's diagonal is 500 pixels; a pixel at the centre of this
  // gnomonic view spans 144", the "120s" set's scale.
  const double radiansPerPixel = std::tan(6 * kDegree) / 150;
  chart->deepSkyImages = std::make_unique<DeepSkyImageTable>();
  auto canvas = chart_test::makeCanvas(Backend::gl, *chart, 400, 300);
  auto brightness = [&](double diagonalPixels, bool* visible) {
    DeepSkyImage image{};
    std::strcpy(image.file, "120s/white.bmp");
    image.ra = 1e-9;  // (0, 0) means no place
    image.width = image.height = 16;
    image.scale = diagonalPixels * radiansPerPixel / std::sqrt(2.0) / 16;
    computeImageCorners(16, 16, image.corners, image.scale, image.ra, 0, 0);
    TextureVertex vertices[4];
    *visible = chart->isDeepSkyImageVisible(image, vertices);
    chart->deepSkyImages->images.assign(1, image);
    glClear(GL_COLOR_BUFFER_BIT);
    chart->drawSkyChart();
    canvas->save("deep_sky_picture_" + std::to_string(static_cast<int>(diagonalPixels)));
    return canvas->raster().at(200, 150);
  };
  bool visible = true;
  // Just under a twentieth: not drawn; at a twentieth nothing shows yet.
  EXPECT_EQ(brightness(24.5, &visible), 0);
  EXPECT_FALSE(visible);
  EXPECT_LT(brightness(25.5, &visible), 0.05f);
  EXPECT_TRUE(visible);
  EXPECT_NEAR(brightness(50, &visible), 0.5f, 0.03f);
  EXPECT_GT(brightness(75.5, &visible), 0.97f);
  EXPECT_GT(brightness(200, &visible), 0.97f);
  // Fields over 45 degrees show no pictures.
  chart->setDisplayFOV(50 * kDegree);
  EXPECT_EQ(brightness(2000, &visible), 0);
}

// The bundle's photographs are the right way round: in the M 31 picture
// of each set, M 32 and M 110 (SIMBAD's J2000 places) fall on light well
// above the picture's median, where a mirrored or turned picture puts sky.
TEST(ChartSkyDeepSkyPictures, CompanionsOfM31LieOnItsLightInEverySet) {
  const char* built = std::getenv("TESSALY_SKY_IMAGES");
  const std::string folder = std::string(built != nullptr ? built : "app/SkyImages") + "/DeepSky";
  std::FILE* index = std::fopen((folder + "/Index.txt").c_str(), "r");
  if (index == nullptr) TESSALY_SKIP_OR_FAIL("no built photographs in " << folder);
  std::vector<DeepSkyImage> images;
  readDeepSkyImageIndex(index, 1 << 30, nullptr, images);
  std::fclose(index);
  const double companions[][2] = {{10.674300, 40.865287}, {10.092000, 41.685306}};
  int checked = 0;
  for (const DeepSkyImage& m31 : images) {
    if (std::strstr(m31.file, "/m31.png") == nullptr) continue;
    std::FILE* file = std::fopen((folder + "/" + m31.file).c_str(), "rb");
    ASSERT_NE(file, nullptr) << m31.file;
    GImage* picture = readImageFile(file);
    std::fclose(file);
    ASSERT_NE(picture, nullptr);
    ASSERT_EQ(static_cast<std::int64_t>(picture->width), m31.width);
    auto level = [&](int x, int y) {
      const unsigned char* p = getImageRow(picture, y);
      return p == nullptr || x < 0 || x >= static_cast<int>(picture->width) ? 0 : p[x * picture->components];
    };
    std::vector<int> all;
    for (std::uint32_t y = 0; y < picture->height; y += 3)
      for (std::uint32_t x = 0; x < picture->width; x += 3) all.push_back(level(static_cast<int>(x), static_cast<int>(y)));
    std::nth_element(all.begin(), all.begin() + all.size() / 2, all.end());
    const int median = all[all.size() / 2];
    double centre[3];
    eraS2c(m31.ra, m31.dec, centre);
    for (const auto& place : companions) {
      double v[3], xi, eta;
      eraS2c(place[0] * kDegree, place[1] * kDegree, v);
      ASSERT_EQ(eraTpxev(v, centre, &xi, &eta), 0);
      // The picture's left and up on the sky (the index's angle turns up
      // from north towards the west).
      const double a = m31.positionAngle;
      const double left = xi * std::cos(a) + eta * std::sin(a);
      const double up = -xi * std::sin(a) + eta * std::cos(a);
      const int x = static_cast<int>(m31.width / 2.0 - left / m31.scale);
      const int y = static_cast<int>(m31.height / 2.0 - up / m31.scale);
      int brightest = 0;
      for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) brightest = std::max(brightest, level(x + dx, y + dy));
      EXPECT_GT(brightest, median + 40) << m31.file << " at " << place[0];
      const int mirrored = level(static_cast<int>(m31.width) - x, y);
      EXPECT_LT(mirrored, brightest) << m31.file;
    }
    freeImage(picture);
    ++checked;
  }
  EXPECT_EQ(checked, 6);
}

// The whole path on the bundle: index, picture set, texture and corners
// put M 32 on the chart where the tests' own projection of its place is.
TEST(ChartSkyDeepSkyPictures, TheChartShowsM31WithM32WhereItsPlaceProjects) {
  const char* built = std::getenv("TESSALY_SKY_IMAGES");
  const std::string folder = built != nullptr ? built : "app/SkyImages";
  if (!std::filesystem::exists(folder + "/DeepSky/Index.txt"))
    TESSALY_SKIP_OR_FAIL("no built photographs in " << folder);
  if (!chart_test::backendAvailable(Backend::gl)) GTEST_SKIP() << "no GL entry points";
  chart_test::ChartSky sky;
  auto chart = sky.chart(400, 300, 10.6847, 41.2690, 3);
  chart->aberration = 0;
  chart->setImageDirectory(folder.c_str());
  ASSERT_TRUE(chart->loadDeepSkyImageIndex((folder + "/DeepSky/Index.txt").c_str(), nullptr));
  SkyObjectID sun;
  CSkyDatabase::setSunObjectID(&sun);
  chart->selectObject(&sun);
  chart->showPlanets = false;
  auto canvas = chart_test::makeCanvas(Backend::gl, *chart, 400, 300);
  chart->drawSkyChart();
  canvas->save("deep_sky_m31");
  const chart_test::Raster raster = canvas->raster();
  chart_test::TestView view;
  view.projection = 1, view.lon0 = 10.6847 * kDegree, view.lat0 = 41.2690 * kDegree;
  view.fov = 3 * kDegree, view.width = 400, view.height = 300;
  double m32[3], x, y;
  eraS2c(10.674300 * kDegree, 40.865287 * kDegree, m32);
  ASSERT_TRUE(view.project(m32, &x, &y));
  float brightest = 0;
  for (int dy = -2; dy <= 2; ++dy)
    for (int dx = -2; dx <= 2; ++dx)
      brightest = std::max(brightest, raster.at(static_cast<int>(x) + dx, static_cast<int>(y) + dy));
  EXPECT_GT(brightest, 0.5f);
  EXPECT_LT(raster.at(static_cast<int>(400 - x), static_cast<int>(300 - y)), brightest);
  EXPECT_LT(raster.at(5, 5), 0.25f);  // sky beyond the picture stays dark
}

}  // namespace
