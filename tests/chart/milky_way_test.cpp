// The Milky Way: the outline table's fixed layout, its places on the band
// by ERFA's galactic frame, the outline drawn in both back ends on the
// table's places projected by the test, and the pictures through GL: a
// spot placed by the galactic layout lands where ERFA puts that galactic
// place (across the band pictures' wrapped edge too), with the fades by
// field, daylight and distance, and styles without a picture drawing
// nothing.
#include <gtest/gtest.h>

#include <erfa.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "chart/gl_api.h"
#include "chart/milky_way.h"
#include "platform/coregraphics/image.h"
#include "platform/coregraphics/image_codec.h"
#include "tests/chart/chart_canvas.h"
#include "tests/support/temp_dir.h"

namespace {

using chart_test::Backend;
using chart_test::Point2;
using chart_test::TestView;

constexpr double kDegree = 0.017453292519943295;

TEST(ChartSkyMilkyWayTable, KeepsItsLayoutAndLiesOnTheBand) {
  const int headers[16] = {0,    346,  463,  563,  653,  844,  1186, 1453,
                           1612, 1723, 1931, 2032, 2186, 2278, 2444, 2518};
  const int counts[16] = {345, 116, 99, 89, 190, 341, 266, 158, 110, 207, 100, 153, 91, 165, 73, 208};
  for (int k = 0; k < 16; ++k) {
    EXPECT_EQ(kMilkyWayOutlineTable[headers[k]][0], counts[k]);
    EXPECT_EQ(kMilkyWayOutlineTable[headers[k]][1], counts[k] + 1);
  }
  EXPECT_EQ(kMilkyWayOutlineTable[1][0], 805);
  EXPECT_EQ(kMilkyWayOutlineTable[1][1], 64794);
  for (int i = 2727; i < kMilkyWayOutlineEntries; ++i) {
    EXPECT_EQ(kMilkyWayOutlineTable[i][0], 0);
    EXPECT_EQ(kMilkyWayOutlineTable[i][1], 0);
  }
  // Every place lies within the band (|b| < 40 degrees, ERFA's galactic
  // frame), next to its neighbour, and never reads as a header.
  int places = 0;
  for (int k = 0; k < 16; ++k)
    for (int i = headers[k] + 1; i <= headers[k] + counts[k]; ++i) {
      const std::int32_t* e = kMilkyWayOutlineTable[i];
      ASSERT_FALSE(std::abs(e[0]) < 400 && std::abs(e[1]) < 400) << i;
      double l, b;
      eraIcrs2g(e[0] / 1000.0 * kDegree, e[1] / 1000.0 * kDegree, &l, &b);
      EXPECT_LT(std::fabs(b), 40 * kDegree) << i;
      if (i > headers[k] + 1) {
        double p[3], q[3];
        eraS2c(e[0] / 1000.0 * kDegree, e[1] / 1000.0 * kDegree, p);
        const std::int32_t* f = kMilkyWayOutlineTable[i - 1];
        eraS2c(f[0] / 1000.0 * kDegree, f[1] / 1000.0 * kDegree, q);
        EXPECT_LT(eraSepp(p, q), 2 * kDegree) << i;
      }
      ++places;
    }
  EXPECT_EQ(places, 2711);
}

TEST(ChartSkyMilkyWayTable, ConvertsPlacesToVectorsAndKeepsHeaders) {
  const std::int32_t table[4][2] = {{2, 3}, {90000, 45000}, {-399, 399}, {400, 0}};
  std::vector<float> v = lonLatTableToVectors(table, 4);
  ASSERT_EQ(v.size(), 12u);
  EXPECT_EQ(v[0], 2.0f);
  EXPECT_EQ(v[1], 3.0f);
  EXPECT_EQ(v[2], 0.0f);
  double expected[3];
  eraS2c(90 * kDegree, 45 * kDegree, expected);
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(v[3 + c], expected[c], 1e-7);
  EXPECT_EQ(v[6], -399.0f);
  eraS2c(0.4 * kDegree, 0, expected);
  EXPECT_NEAR(v[9], expected[0], 1e-7);  // 400 is a place, not a header
  EXPECT_TRUE(lonLatTableToVectors(nullptr, 4).empty());
  EXPECT_TRUE(lonLatTableToVectors(table, 0).empty());
  double out[3];
  EXPECT_TRUE(initMilkyWayOutline());
  EXPECT_TRUE(getMilkyWayOutlinePoint(0, out));
  EXPECT_EQ(out[0], 345.0);
  EXPECT_TRUE(getMilkyWayOutlinePoint(2741, out));
  EXPECT_FALSE(getMilkyWayOutlinePoint(2742, out));
  EXPECT_FALSE(getMilkyWayOutlinePoint(-1, out));
}

class ChartSkyMilkyWayOutline : public testing::TestWithParam<Backend> {};

TEST_P(ChartSkyMilkyWayOutline, FollowsTheTablesPlacesAndHidesInABrighterSky) {
  chart_test::ChartOnEmptySky sky(400, 300);
  CSkyChart& chart = *sky.chart;
  TestView view;
  view.projection = 3;
  view.lon0 = 266 * kDegree;
  view.lat0 = -29 * kDegree;
  view.fov = 100 * kDegree;
  chart_test::applyView(chart, view);
  auto canvas = chart_test::makeCanvas(GetParam(), chart, 400, 300);
  if (!canvas) GTEST_SKIP() << "no graphics layer here";
  chart.milkyWayIntensity = 1;
  chart.drawMilkyWayOutline();
  canvas->save(std::string("milky-way-outline") + (GetParam() == Backend::gl ? "-gl" : ""));
  std::vector<std::vector<Point2>> curves;
  int header = 0;
  for (int k = 0; k < 16; ++k) {
    int n = kMilkyWayOutlineTable[header][0];
    std::vector<Point2> line;
    for (int i = header + 1; i <= header + n; ++i) {
      double v[3], x, y;
      eraS2c(kMilkyWayOutlineTable[i][0] / 1000.0 * kDegree,
             kMilkyWayOutlineTable[i][1] / 1000.0 * kDegree, v);
      if (view.project(v, &x, &y)) line.push_back({x, y});
    }
    curves.push_back(line);
    header += kMilkyWayOutlineTable[header][1];
  }
  chart_test::Raster raster = canvas->raster();
  chart_test::CurveFit fit = chart_test::fitInkToCurves(raster, curves, 50);
  EXPECT_GT(fit.samples, 1000);
  EXPECT_LE(fit.inkToCurve, 1.5);
  EXPECT_LE(fit.curveToInk, 1.5);

  // A daylit sky brighter than the outline's colour: nothing.
  if (GetParam() == Backend::gl) glClear(GL_COLOR_BUFFER_BIT);
  auto blank = chart_test::makeCanvas(GetParam(), chart, 400, 300);
  setColor3(chart.skyColor, 0.75f, 1, 1);
  chart.drawMilkyWayOutline();
  EXPECT_EQ(blank->raster().inkCount(0.01f), 0);
}

INSTANTIATE_TEST_SUITE_P(Backends, ChartSkyMilkyWayOutline,
                         testing::Values(Backend::twoD, Backend::gl), chart_test::backendName);

// Pictures of the galactic layout through GL, each 256 x 128 with white
// spots at given pixels.
class ChartSkyMilkyWayImage : public testing::Test {
 protected:
  void SetUp() override {
    if (!chart_test::backendAvailable(Backend::gl)) GTEST_SKIP() << "no graphics layer here";
    std::filesystem::create_directories(folder_.path() / "MilkyWay");
    // Style 3: longitude l at column (120 - l) / 360 of the width; style
    // 4: (180 - l) / 360. Spots at l = 0 and l = 150, b = 0.
    picture("Visible.jpg", {{256 / 3, 64}, {256 * 330 / 360, 64}});
    picture("HydrogenAlpha.jpg", {{128, 64}});
    chart_->setImageDirectory(folder_.path().c_str());
    chart_->milkyWayIntensity = 1;
    canvas_ = chart_test::makeCanvas(Backend::gl, *chart_, 400, 300);
  }
  void picture(const std::string& name, const std::vector<std::pair<int, int>>& spots) {
    std::vector<std::uint8_t> rgba(256 * 128 * 4, 0);
    for (int y = 0; y < 128; ++y)
      for (int x = 0; x < 256; ++x) {
        bool lit = false;
        for (auto [sx, sy] : spots) lit = lit || (std::abs(x - sx) <= 1 && std::abs(y - sy) <= 1);
        std::uint8_t* p = &rgba[(y * 256 + x) * 4];
        p[0] = p[1] = p[2] = lit ? 255 : 0;
        p[3] = 255;
      }
    cg::PixelFormat format;
    format.width = 256;
    format.height = 128;
    format.bytesPerRow = 256 * 4;
    auto image = cg::Image::fromPixels(rgba.data(), rgba.size(), format);
    ASSERT_TRUE(image && cg::writePNG(*image, (folder_.path() / "MilkyWay" / name).string()));
  }
  // The brightest level within 3 pixels of where ERFA puts galactic (l, b)
  // in a gnomonic view of `fov` degrees centred there.
  float levelAt(double l, double b, double fov, double* offset = nullptr) {
    double ra, dec, v[3], x, y;
    eraG2icrs(l * kDegree, b * kDegree, &ra, &dec);
    TestView view;
    view.projection = 1;
    view.lon0 = ra;
    view.lat0 = dec;
    view.fov = fov * kDegree;
    chart_test::applyView(*chart_, view);
    glClear(GL_COLOR_BUFFER_BIT);
    chart_->drawMilkyWayImage();
    eraS2c(ra, dec, v);
    view.project(v, &x, &y);
    chart_test::Raster raster = canvas_->raster();
    float best = 0;
    double sx = 0, sy = 0, sw = 0;
    for (int j = -6; j <= 6; ++j)
      for (int i = -6; i <= 6; ++i) {
        float level = raster.at(static_cast<int>(x) + i, static_cast<int>(y) + j);
        if (std::abs(i) <= 3 && std::abs(j) <= 3) best = std::max(best, level);
        sx += level * (static_cast<int>(x) + i + 0.5);
        sy += level * (static_cast<int>(y) + j + 0.5);
        sw += level;
      }
    if (offset != nullptr) *offset = sw > 0 ? std::hypot(sx / sw - x, sy / sw - y) : 1e9;
    return best;
  }
  tessaly::test::TempDir folder_;
  chart_test::ChartOnEmptySky sky_{400, 300};
  CSkyChart* chart_ = sky_.chart.get();
  std::unique_ptr<chart_test::ChartCanvas> canvas_;
};

TEST_F(ChartSkyMilkyWayImage, SpotsLandOnTheirGalacticPlacesInEveryLayout) {
  double offset = 0;
  chart_->milkyWayStyle = 3;
  EXPECT_GT(levelAt(0, 0, 40, &offset), 0.5f);
  EXPECT_LT(offset, 1.0);
  // Past the left edge of the shifted band picture, wrapped round.
  EXPECT_GT(levelAt(150, 0, 40, &offset), 0.5f);
  EXPECT_LT(offset, 1.0);
  chart_->milkyWayStyle = 4;
  EXPECT_GT(levelAt(0, 0, 40, &offset), 0.5f);
  EXPECT_LT(offset, 1.0);
  EXPECT_EQ(levelAt(150, 0, 40), 0.0f);
}

TEST_F(ChartSkyMilkyWayImage, FadesByFieldDaylightAndDistanceAndUnknownStylesDrawNothing) {
  chart_->milkyWayStyle = 4;
  float full = levelAt(0, 0, 40);
  ASSERT_GT(full, 0.5f);
  EXPECT_EQ(levelAt(0, 0, 1), 0.0f);  // fades out zooming in to 1 degree
  chart_->milkyWayFades = false;
  EXPECT_NEAR(levelAt(0, 0, 1), full, 0.1f);
  chart_->milkyWayFades = true;
  EXPECT_NEAR(levelAt(0, 0, 10), full, 0.02f);
  // Half strength at 1500 parsecs with the particle galaxy on.
  chart_->observerPosition[0] = 1500 * 206264.80624714843;
  EXPECT_NEAR(levelAt(0, 0, 40), full * 0.5f, 0.03f);
  chart_->milkyWayParticleGalaxy = false;
  EXPECT_NEAR(levelAt(0, 0, 40), full, 0.02f);
  chart_->observerPosition[0] = 0;
  // A daylit sky inside the atmosphere: gone at half brightness.
  chart_->skyBrightness = 0.5f;
  EXPECT_EQ(levelAt(0, 0, 40), 0.0f);
  chart_->skyBrightness = 0;
  for (int style : {-7, 0, 1, 13, 1000}) {
    chart_->milkyWayStyle = style;
    EXPECT_EQ(levelAt(0, 0, 40), 0.0f) << style;
  }
  // Styles without a picture here draw nothing either.
  chart_->milkyWayStyle = 9;
  EXPECT_EQ(levelAt(0, 0, 40), 0.0f);
}

}  // namespace
