// The sky behind the chart: daylight from the Sun's altitude, the total
// solar eclipse of 2017 August 21 seen from its point of greatest eclipse
// (36.97 N, 87.67 W, 18:25:32 UT, published by NASA), the limits dimmed by
// day, the opaque horizon's test with refraction and the dip seen from
// orbit, and the horizon drawn through GL: the plain ground's edge and a
// panorama's columns against directions turned from the horizon with
// ERFA's sidereal time and precession-nutation, not the chart's frames.
#include <gtest/gtest.h>

#include <erfa.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <vector>

#include "chart/horizon_panorama.h"
#include "chart/gl_api.h"
#include "platform/coregraphics/image.h"
#include "platform/coregraphics/image_codec.h"
#include "skydata/app_bridge.h"
#include "skydata/planet.h"
#include "tests/chart/chart_canvas.h"
#include "tests/chart/horizon_oracle.h"
#include "tests/chart/sky_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

using chart_test::Backend;
using chart_test::TestView;

constexpr double kDegree = 0.017453292519943295;
// 2017-08-21 18:25:32 UT and the place of greatest eclipse.
constexpr double kEclipseJD = 2457987.0 + (18 * 3600 + 25 * 60 + 32) / 86400.0 - 0.5;
constexpr double kEclipseLongitude = -87.67 * kDegree, kEclipseLatitude = 36.97 * kDegree;
const double kHorizonRefraction = chart_test::horizonRefraction();
using chart_test::horizonDirection;

class ChartSkyBackground : public testing::Test {
 protected:
  ChartSkyBackground() {
    chart_ = sky_.chart(400, 300, 0, 0, 90);
    chart_->setLocation(0.3, 0.8, 0);
    chart_->setDisplayCoordSystem(kCoordHorizon);
    chart_->showDaylight = true;
  }
  // Places the Sun at an altitude and draws the background without
  // recomputing positions.
  void drawWithSunAt(double altitudeDegrees) {
    double up[3] = {std::cos(altitudeDegrees * kDegree), 0, std::sin(altitudeDegrees * kDegree)};
    double v[3];
    chart_->horizonToFundamental(up, v);
    sky_.world().body(30, 0)->setPosition(v);
    chart_->updateNeeded = false;
    chart_test::Canvas2D canvas(*chart_, 400, 300);
    chart_->drawSkyBackground();
  }
  chart_test::ChartSky sky_;
  std::unique_ptr<CSkyChart> chart_;
};

TEST_F(ChartSkyBackground, DaylightGrowsFromAstronomicalTwilightToSixDegreesUp) {
  const double altitudes[] = {-40, -18, -12, 0, 6, 30};
  const float expected[] = {0, 0, 0.25f, 0.75f, 1, 1};
  for (int i = 0; i < 6; ++i) {
    drawWithSunAt(altitudes[i]);
    EXPECT_NEAR(chart_->sunAltitude, altitudes[i], 1e-4);
    EXPECT_NEAR(chart_->skyBrightness, expected[i], 1e-6) << altitudes[i];
    // The sky turns from the night's dark blue to the daylit Earth's.
    float b2 = expected[i] * expected[i];
    EXPECT_NEAR(chart_->skyColor[0], 0.75f * b2, 1e-6);
    EXPECT_NEAR(chart_->skyColor[2], 0.1f * (1 - b2) + b2, 1e-6);
  }
  // Daylight belongs to the horizon chart with "ShowDaylight" only.
  chart_->showDaylight = false;
  drawWithSunAt(30);
  EXPECT_EQ(chart_->skyBrightness, 0.0f);
}

TEST_F(ChartSkyBackground, FullDaylightHidesTheStarsBehindAnOpaqueHorizonOnly) {
  chart_->setStarMagnitudeLimit(6);
  chart_->setDeepSkyMagnitudeLimit(9);
  chart_->horizonStyle = 3;
  drawWithSunAt(30);
  EXPECT_EQ(chart_->starMagLimit, 0.0f);
  EXPECT_EQ(chart_->deepSkyMagLimit, 0.0f);
  EXPECT_EQ(chart_->planetMagLimitInUse, 0.0f);
  // At dusk the limits are dimmed by the daylight left.
  drawWithSunAt(-12);
  EXPECT_NEAR(chart_->starMagLimit, 6 * 0.75f, 1e-5);
  // A see-through ground dims nothing.
  chart_->horizonStyle = 2;
  drawWithSunAt(30);
  EXPECT_NEAR(chart_->starMagLimit, 6.0f, 1e-5);
  EXPECT_NEAR(chart_->deepSkyMagLimit, 9.0f, 1e-5);
}

TEST_F(ChartSkyBackground, TheTotalEclipseOf2017DimsTheDaylightTenfold) {
  chart_->setLocation(kEclipseLongitude, kEclipseLatitude, 150);
  chart_->setJulianDate(kEclipseJD);
  chart_->updateNeeded = true;
  {
    chart_test::Canvas2D canvas(*chart_, 400, 300);
    chart_->drawSkyBackground();
  }
  EXPECT_NEAR(chart_->sunAltitude, 64, 1);  // NASA: Sun at 64 degrees
  EXPECT_EQ(chart_->eclipseFactor, 1.0f);
  EXPECT_NEAR(chart_->skyBrightness, 0.1f, 1e-6);
  // Two hours later the Moon has moved off the Sun: full daylight.
  chart_->setJulianDate(kEclipseJD + 2 / 24.0);
  chart_->updateNeeded = true;
  {
    chart_test::Canvas2D canvas(*chart_, 400, 300);
    chart_->drawSkyBackground();
  }
  EXPECT_EQ(chart_->eclipseFactor, 0.0f);
  EXPECT_EQ(chart_->skyBrightness, 1.0f);
}

TEST_F(ChartSkyBackground, ANearlyTotalEclipseDimsTheDaylightByTheMoonsCover) {
  // The Sun high up, the Moon half an arcminute from it, both at their mean
  // distances: the cover is the Moon's radius over the separation plus the
  // Sun's radius.
  CPlanet* sun = sky_.world().body(30, 0);
  CPlanet* moon = sky_.world().body(31, 301);
  sun->setDistance(1.0);
  moon->setDistance(384400 / 149597870.0);
  double sunRadius = std::asin(sun->getDiameter() / 2 / 149597870.0);
  double moonRadius = std::asin(moon->getDiameter() / 2 / 384400.0);
  double separation = 0.5 / 60 * kDegree;
  double sunDirection[3] = {std::cos(60 * kDegree), 0, std::sin(60 * kDegree)};
  double moonDirection[3] = {std::cos(60 * kDegree + separation), 0,
                             std::sin(60 * kDegree + separation)};
  double v[3];
  chart_->horizonToFundamental(moonDirection, v);
  moon->setPosition(v);
  chart_->horizonToFundamental(sunDirection, v);
  sun->setPosition(v);
  chart_->updateNeeded = false;
  chart_test::Canvas2D canvas(*chart_, 400, 300);
  chart_->drawSkyBackground();
  double cover = moonRadius / (separation + sunRadius);
  ASSERT_GT(cover, 0.9);
  ASSERT_LT(cover, 1.0);
  EXPECT_NEAR(chart_->eclipseFactor, cover, 1e-4);
  EXPECT_NEAR(chart_->skyBrightness, 0.1 + 9 * (1 - cover), 1e-3);
}

TEST_F(ChartSkyBackground, OnlyAnOpaqueHorizonHidesWhatLiesBelowIt) {
  chart_->horizonStyle = 3;
  chart_->refraction = 0;
  auto below = [&](double altitudeDegrees) {
    double h[3] = {0, std::cos(altitudeDegrees * kDegree), std::sin(altitudeDegrees * kDegree)};
    double v[3];
    chart_->horizonToFundamental(h, v);
    return chart_->isBelowHorizon(v);
  };
  EXPECT_TRUE(below(-0.3));
  EXPECT_FALSE(below(0.3));
  // Refraction lifts what lies just below the horizon into view.
  chart_->refraction = 1;
  EXPECT_FALSE(below(-0.3));
  EXPECT_TRUE(below(-0.9));
  // From 400 km the horizon dips by acos(R / (R + h)).
  chart_->refraction = 0;
  chart_->setLocation(0.3, 0.8, 400000);
  double dip = std::acos(6378.14 / (6378.14 + 400)) / kDegree;
  EXPECT_FALSE(below(-dip + 0.2));
  EXPECT_TRUE(below(-dip - 0.2));
  chart_->setLocation(0.3, 0.8, 0);
  // See-through ground, no horizon, or another chart system: nothing hides.
  chart_->horizonStyle = 2;
  EXPECT_FALSE(below(-10));
  chart_->horizonStyle = 4;
  chart_->showHorizon = false;
  EXPECT_FALSE(below(-10));
  chart_->showHorizon = true;
  chart_->setDisplayCoordSystem(1);
  EXPECT_FALSE(below(-10));
}

TEST_F(ChartSkyBackground, TheCameraFadeRisesFromTheHorizonOverATenthOfTheSineOfAltitude) {
  // Counts below 1 (once a division by zero) or beyond any camera frame
  // give no grid, and no grid fades nothing.
  for (auto size : {std::pair{0, 5}, std::pair{5, 0}, std::pair{-3, 5}, std::pair{9000, 4}}) {
    EXPECT_FALSE(chart_->buildHorizonFadeGrid(size.first, size.second));
    EXPECT_EQ(chart_->horizonFade, nullptr);
    EXPECT_EQ(chart_->horizonFadeAt(1, 1), 0.0f);
  }
  // Looking at the horizon: each grid point's fade from the altitude of
  // its direction, turned with ERFA.
  chart_->setLocation(kEclipseLongitude, kEclipseLatitude, 0);
  chart_->setJulianDate(kEclipseJD);
  chart_->setDisplayCenter(kCoordHorizon, 0, 0, 0);
  chart_->updateDisplayMatrix();
  ASSERT_TRUE(chart_->buildHorizonFadeGrid(40, 30));
  double zenith[3];
  horizonDirection(kEclipseJD, kEclipseLongitude, kEclipseLatitude, 0, kDegree * 90, zenith);
  int rising = 0;
  for (int j = 0; j < 30; ++j)
    for (int i = 0; i < 40; ++i) {
      double v[3];
      ASSERT_TRUE(chart_->screenToVector(v, 400.0 * i / 40, 300.0 * j / 30));
      double sine = eraPdp(v, zenith);
      float expected = static_cast<float>(std::clamp(10 * sine, 0.0, 1.0));
      EXPECT_NEAR(chart_->horizonFadeAt(i, j), expected, 2e-3) << i << " " << j;
      rising += expected > 0 && expected < 1;
    }
  EXPECT_GT(rising, 20);
  // Between grid points the fade is bilinear; outside it, the edge's.
  float a = chart_->horizonFadeAt(7, 14), b = chart_->horizonFadeAt(8, 14);
  float c = chart_->horizonFadeAt(7, 15), d = chart_->horizonFadeAt(8, 15);
  EXPECT_NEAR(chart_->horizonFadeAt(7.5f, 14.5f), (a + b + c + d) / 4, 1e-6);
  EXPECT_EQ(chart_->horizonFadeAt(-5, 100), chart_->horizonFadeAt(0, 29));
  EXPECT_EQ(chart_->horizonFadeAt(100, 12.5f), chart_->horizonFadeAt(39, 12.5f));
}

TEST_F(ChartSkyBackground, TheCameraShowsTheGroundAndLetsTheSkyThroughByItsLook) {
  chart_->setDisplayCenter(kCoordHorizon, 0, 0, 0);
  chart_->updateDisplayMatrix();
  ASSERT_TRUE(chart_->buildHorizonFadeGrid(40, 30));
  float ground = 29, sky = 0;  // the bottom row and the top row
  ASSERT_EQ(chart_->horizonFadeAt(20, ground), 0.0f);
  ASSERT_EQ(chart_->horizonFadeAt(20, sky), 1.0f);
  for (float o : {0.0f, 0.3f, 0.5f, 1.0f}) {
    chart_->cameraOpacity = o;
    // The ground is always the camera's.
    EXPECT_EQ(chart_->cameraPixelAlpha(20, ground, 40, 90, 200), 255.0f) << o;
  }
  // At full opacity the camera covers the sky too.
  chart_->cameraOpacity = 1;
  EXPECT_EQ(chart_->cameraPixelAlpha(20, sky, 40, 90, 200), 255.0f);
  // At night a dark pixel of sky lets the chart through by half, a bright
  // one (a lamp) less.
  chart_->sunAltitude = -30;
  chart_->cameraOpacity = 0;
  EXPECT_NEAR(chart_->cameraPixelAlpha(20, sky, 10, 10, 10), 127.5f, 1e-3);
  chart_->cameraOpacity = 0.75f;
  float dark = chart_->cameraPixelAlpha(20, sky, 10, 10, 10);
  float lamp = chart_->cameraPixelAlpha(20, sky, 250, 240, 200);
  EXPECT_NEAR(dark, (1 - 0.25f) * 255, 1e-3);
  EXPECT_EQ(lamp, 255.0f);
  // By day blue sky goes, a grey wall stays; no pixel is ever beyond
  // 0..255.
  chart_->sunAltitude = 30;
  EXPECT_LT(chart_->cameraPixelAlpha(20, sky, 60, 140, 230), 255.0f);
  EXPECT_EQ(chart_->cameraPixelAlpha(20, sky, 120, 120, 120), 255.0f);
  for (float o : {0.0f, 0.5f, 0.9f})
    for (int r = 0; r <= 255; r += 15)
      for (int b = 0; b <= 255; b += 15) {
        chart_->cameraOpacity = o;
        float alpha = chart_->cameraPixelAlpha(20, sky, r, 128, b);
        EXPECT_GE(alpha, 0.0f);
        EXPECT_LE(alpha, 255.0f);
      }
}

// The horizon through GL on a stereographic 90-degree view looking at the
// south-eastern horizon, in the fundamental frame of the test's projection.
class ChartSkyHorizonGL : public testing::Test {
 protected:
  static constexpr double kJD = 2460300.75;  // 2023-12-20 06:00 UT
  static constexpr double kLongitude = 16.22 * kDegree, kLatitude = 48.49 * kDegree;
  void SetUp() override {
    if (!chart_test::backendAvailable(Backend::gl)) GTEST_SKIP() << "no graphics layer here";
    chart_->setLocation(kLongitude, kLatitude, 0);
    chart_->setJulianDate(kJD);
    double centre[3];
    horizonDirection(kJD, kLongitude, kLatitude, 135 * kDegree, 0, centre);
    eraC2s(centre, &view_.lon0, &view_.lat0);
    view_.projection = 3;
    view_.fov = 90 * kDegree;
    chart_test::applyView(*chart_, view_);
    chart_->updateDisplayMatrix();
    chart_->showHorizonGlow = false;
    chart_->skyBrightness = 1;  // the ground at full brightness
  }
  // Screen point of an azimuth and altitude (degrees).
  bool screenPoint(double azimuth, double altitude, double* x, double* y) const {
    double v[3];
    horizonDirection(kJD, kLongitude, kLatitude, azimuth * kDegree, altitude * kDegree, v);
    return view_.project(v, x, y);
  }
  chart_test::ChartOnEmptySky sky_{400, 300};
  CSkyChart* chart_ = sky_.chart.get();
  TestView view_;
};

TEST_F(ChartSkyHorizonGL, ThePlainGroundEndsAtTheRefractedHorizon) {
  auto canvas = chart_test::makeCanvas(Backend::gl, *chart_, 400, 300);
  chart_->horizonStyle = 3;
  chart_->refraction = 1;
  setColor3(chart_->groundColor, 1, 1, 1);
  chart_->drawHorizonPanorama();
  canvas->save("horizon-plain-ground");
  chart_test::Raster raster = canvas->raster();
  // In every tenth column the first covered row from the top lies on the
  // horizon lowered by refraction, within a pixel.
  int columns = 0;
  for (int x = 5; x < 400; x += 10) {
    double hx0 = 0, hy = 0;
    // The horizon's height at this column, by bisection in azimuth.
    double low = 45, high = 225;
    for (int i = 0; i < 60; ++i) {
      double mid = (low + high) / 2;
      screenPoint(mid, -kHorizonRefraction / kDegree, &hx0, &hy);
      (hx0 > x ? high : low) = mid;
    }
    if (hy < 1 || hy > 298) continue;
    int edge = 0;
    while (edge < 300 && raster.at(x, edge) < 0.5f) ++edge;
    EXPECT_NEAR(edge, hy, 1.0) << "column " << x;
    ++columns;
  }
  EXPECT_GT(columns, 30);
}

TEST_F(ChartSkyHorizonGL, APanoramasColumnsStandAtTheirAzimuths) {
  // A 360 x 180 panorama: transparent sky, dark red ground, with a green
  // column at azimuth 90 (east) and a blue one at 180 (south).
  std::vector<std::uint8_t> rgba(360 * 180 * 4, 0);
  for (int y = 90; y < 180; ++y)
    for (int x = 0; x < 360; ++x) {
      std::uint8_t* p = &rgba[(y * 360 + x) * 4];
      p[0] = x == 90 || x == 180 ? 0 : 80;
      p[1] = x == 90 ? 255 : 0;
      p[2] = x == 180 ? 255 : 0;
      p[3] = 255;
    }
  tessaly::test::TempDir folder;
  std::filesystem::create_directories(folder.path() / "Horizons");
  cg::PixelFormat format;
  format.width = 360;
  format.height = 180;
  format.bytesPerRow = 360 * 4;
  auto image = cg::Image::fromPixels(rgba.data(), rgba.size(), format);
  ASSERT_TRUE(image && cg::writePNG(*image, folder.file("Horizons/Test.png")));
  chart_->setImageDirectory(folder.path().c_str());
  chart_->setHorizonImage("Test.png");
  chart_->horizonStyle = 4;
  chart_->refraction = 0;

  auto canvas = chart_test::makeCanvas(Backend::gl, *chart_, 400, 300);
  chart_->drawHorizonPanorama();
  canvas->save("horizon-panorama");
  ASSERT_TRUE(CSkyChart::isTextureLoaded(&chart_->horizonPanorama));
  chart_test::Raster raster = canvas->raster();
  for (double azimuth : {90.0, 180.0}) {
    double x, y;
    ASSERT_TRUE(screenPoint(azimuth + 0.5, -10, &x, &y));
    // The bright column is found within two pixels of its azimuth.
    int best = -1;
    float brightest = 0;
    for (int dx = -6; dx <= 6; ++dx) {
      float level = raster.at(static_cast<int>(x) + dx, static_cast<int>(y));
      if (level > brightest) brightest = level, best = dx;
    }
    EXPECT_GT(brightest, 0.6f) << azimuth;
    EXPECT_LE(std::abs(best), 2) << azimuth;
  }
  // Nothing is drawn in the transparent sky.
  double x, y;
  ASSERT_TRUE(screenPoint(135, 20, &x, &y));
  EXPECT_EQ(raster.at(static_cast<int>(x), static_cast<int>(y)), 0.0f);
}

TEST_F(ChartSkyHorizonGL, TheCameraPictureSpansTheFieldAlongItsShorterSideWithItsOwnAlpha) {
  // A 200 x 100 frame (BGRA): opaque red in its left half with a green
  // column at x = 50, see-through in its right half.
  std::vector<std::uint8_t> frame(200 * 100 * 4, 0);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) {
      std::uint8_t* p = &frame[(y * 200 + x) * 4];
      p[1] = x == 50 ? 255 : 0;  // green
      p[2] = x == 50 ? 0 : 255;  // red
      p[3] = 255;
    }
  auto canvas = chart_test::makeCanvas(Backend::gl, *chart_, 400, 300);
  chart_->setColor(0, 0, 1, 1);
  chart_->drawRectangle(true, 0, 0, 400, 300);  // the chart: blue
  {
    std::lock_guard<std::mutex> lock(cameraFrameMutex());
    setCameraImage(60, 200, 100, frame.data());
  }
  chart_->drawCameraImage();
  {
    std::lock_guard<std::mutex> lock(cameraFrameMutex());
    setCameraImage(0, 0, 0, nullptr);
  }
  canvas->save("camera-picture");
  // The frame's 100 rows span the viewport's 300: three pixels a texel,
  // the picture centred, so frame column x lands at 200 + 3 (x - 100).
  std::uint8_t rgba[4];
  auto at = [&](int x, int y) {
    glReadPixels(x, 299 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return std::array<int, 3>{rgba[0], rgba[1], rgba[2]};
  };
  EXPECT_EQ(at(20, 150), (std::array<int, 3>{255, 0, 0}));
  EXPECT_EQ(at(200 + 3 * (50 - 100) + 1, 150), (std::array<int, 3>{0, 255, 0}));
  EXPECT_EQ(at(200 + 3 * (48 - 100) + 1, 150), (std::array<int, 3>{255, 0, 0}));
  EXPECT_EQ(at(300, 150), (std::array<int, 3>{0, 0, 255}));  // the chart shows through
}

TEST_F(ChartSkyHorizonGL, ANameInTheDocumentsFolderIsNeverLookedForAmongTheHorizons) {
  tessaly::test::TempDir images, home;
  std::filesystem::create_directories(images.path() / "Horizons" / "${Documents}");
  std::filesystem::create_directories(home.path() / "Documents");
  std::vector<std::uint8_t> rgba(8 * 4 * 4, 255);
  cg::PixelFormat format;
  format.width = 8;
  format.height = 4;
  format.bytesPerRow = 32;
  auto image = cg::Image::fromPixels(rgba.data(), rgba.size(), format);
  ASSERT_TRUE(image && cg::writePNG(*image, images.file("Horizons/${Documents}/Mine.png")));
  const char* savedHome = std::getenv("TESSALY_HOME");
  std::string saved = savedHome != nullptr ? savedHome : "";
  setenv("TESSALY_HOME", home.path().c_str(), 1);
  chart_->setImageDirectory(images.path().c_str());
  chart_->setHorizonImage("${Documents}/Mine.png");
  chart_->horizonStyle = 4;
  auto canvas = chart_test::makeCanvas(Backend::gl, *chart_, 400, 300);
  chart_->drawHorizonPanorama();
  EXPECT_FALSE(CSkyChart::isTextureLoaded(&chart_->horizonPanorama));
  // Once in the documents folder it loads, after a change of name.
  ASSERT_TRUE(cg::writePNG(*image, (home.path() / "Documents" / "Mine.png").string()));
  chart_->setHorizonImage("");
  chart_->setHorizonImage("${Documents}/Mine.png");
  chart_->drawHorizonPanorama();
  EXPECT_TRUE(CSkyChart::isTextureLoaded(&chart_->horizonPanorama));
  if (savedHome != nullptr)
    setenv("TESSALY_HOME", saved.c_str(), 1);
  else
    unsetenv("TESSALY_HOME");
}

}  // namespace
