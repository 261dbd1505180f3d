// Glare: its size from the magnitude (nothing at the threshold, the full
// 64 points for the Sun, never beyond 15 degrees on the screen, measured
// with the test's own projection), the Sun's daylight glare, the ring's
// brightness profile through GL against the gradient's definition, and
// the blend equation it uses and leaves as it found it.
#include <gtest/gtest.h>

#include <cmath>

#include "chart/gl_api.h"
#include "skydata/planet.h"
#include "tests/chart/chart_canvas.h"
#include "tests/chart/sky_fixture.h"

namespace {

using chart_test::Backend;
using chart_test::ChartOnEmptySky;
using chart_test::TestView;

constexpr double kDegree = 0.017453292519943295;

// A 400 x 300 gnomonic view of the given field centred on (0, 0).
TestView gnomonicView(double fovDegrees) {
  TestView view;
  view.projection = 1;
  view.fov = fovDegrees * kDegree;
  return view;
}

// Screen radius of an angle about the centre, by the test's projection.
double screenRadius(const TestView& view, double angle) { return std::tan(angle) / view.scale(); }

TEST(ChartSkyGlare, GlareGrowsFromNothingAtTheThresholdToTheSunsFullSize) {
  ChartOnEmptySky sky(400, 300);
  CSkyChart& chart = *sky.chart;
  TestView view = gnomonicView(20);
  chart_test::applyView(chart, view);
  chart.setContentScale(2);
  chart.starScale = 1.5;
  float radius = -1;
  // Limit above 6.5: the threshold is magnitude 0.
  chart.starMagLimit = 8;
  EXPECT_EQ(chart.getGlareSize(&radius, 0.0), 0.0f);
  EXPECT_EQ(radius, 0.0f);
  EXPECT_EQ(chart.getGlareSize(&radius, 3.0), 0.0f);  // fainter: none either
  // The Sun: 8 points of disc, 64 points x "StarScale" of glare.
  EXPECT_FLOAT_EQ(chart.getGlareSize(&radius, -26.72), 16.0f);
  EXPECT_FLOAT_EQ(radius, 192.0f);
  // Halfway in magnitude, half the size.
  EXPECT_FLOAT_EQ(chart.getGlareSize(&radius, -13.36), 8.0f);
  // A limit below 6.5 lowers the threshold by as much.
  chart.starMagLimit = 4.5;
  EXPECT_EQ(chart.getGlareSize(&radius, -2.0), 0.0f);
  EXPECT_GT(chart.getGlareSize(nullptr, -2.5), 0.0f);
  // A wide field caps the glare at the screen size of 15 degrees.
  view = gnomonicView(120);
  chart_test::applyView(chart, view);
  chart.getGlareSize(&radius, -26.72);
  ASSERT_LT(screenRadius(view, 15 * kDegree), 192);
  EXPECT_NEAR(radius, screenRadius(view, 15 * kDegree), 0.01);
}

TEST(ChartSkyGlare, TheSunsDaylightGlareWidensTowardsTheHorizonAndShrinksInAnEclipse) {
  ChartOnEmptySky sky(400, 300);
  CSkyChart& chart = *sky.chart;
  TestView view = gnomonicView(100);
  chart_test::applyView(chart, view);
  chart.setDisplayCoordSystem(kCoordHorizon);
  chart.showDaylight = true;
  struct Case {
    float altitude, eclipse;
    double degrees;
  };
  const Case cases[] = {{0, 0, 48}, {10, 0, 28}, {-10, 0, 28}, {-18, 0, 12}, {18, 0, 12},
                        {60, 0, 12}, {-40, 0, 12}, {30, 1, 1.2}, {0, 0.95, 48 * 0.55}};
  for (const Case& c : cases) {
    chart.sunAltitude = c.altitude;
    chart.eclipseFactor = c.eclipse;
    EXPECT_NEAR(chart.getSunGlareRadius(5, -26.72), 5 + screenRadius(view, c.degrees * kDegree),
                1e-3)
        << c.altitude << " " << c.eclipse;
  }
  // Without daylight the Sun's glare is its glare size.
  chart.showDaylight = false;
  float glare;
  chart.getGlareSize(&glare, -26.72);
  EXPECT_FLOAT_EQ(chart.getSunGlareRadius(5, -26.72), 5 + glare);
}

TEST(ChartSkyGlare, OnlyBodiesWithAirHaveADaylightSkyAndAGlow) {
  chart_test::ChartSky sky;
  auto chart = sky.chart(400, 300, 0, 0, 60);
  float rgb[3];
  chart->getDaylightSkyColor(nullptr, rgb);  // the Earth
  EXPECT_EQ(rgb[0], 0.75f);
  EXPECT_EQ(rgb[2], 1.0f);
  CPlanet* mars = sky.world().body(30, 4);
  CPlanet* moon = sky.world().body(31, 301);
  CPlanet* sun = sky.world().body(30, 0);
  ASSERT_TRUE(mars && moon && sun);
  chart->getDaylightSkyColor(mars, rgb);
  EXPECT_EQ(rgb[0], 1.0f);
  EXPECT_EQ(rgb[2], 0.5f);  // butterscotch
  for (CPlanet* airless : {moon, sun}) {
    chart->getDaylightSkyColor(airless, rgb);
    EXPECT_EQ(rgb[0] + rgb[1] + rgb[2], 0.0f);
    EXPECT_FALSE(chart->getAtmosphereGlowColor(airless, rgb));
  }
  // The glow reddens with daylight.
  chart->showDaylight = true;
  chart->skyBrightness = 1;
  ASSERT_TRUE(chart->getAtmosphereGlowColor(mars, rgb));
  EXPECT_EQ(rgb[0], 1.0f);
  EXPECT_EQ(rgb[2], 0.0f);
  chart->skyBrightness = 0;
  ASSERT_TRUE(chart->getAtmosphereGlowColor(nullptr, rgb));
  EXPECT_EQ(rgb[0], 0.25f);
  // Near the Earth's ground the observer is inside its air; high up not.
  chart->setLocation(0, 0, 1000);
  EXPECT_TRUE(chart->isInsideAtmosphere());
  chart->setLocation(0, 0, 200000);
  EXPECT_FALSE(chart->isInsideAtmosphere());
}

class ChartSkyGlareGL : public testing::Test {
 protected:
  void SetUp() override {
    if (!chart_test::backendAvailable(Backend::gl))
      GTEST_SKIP() << "the graphics layer's entry points are not here";
    chart_test::applyView(*sky_.chart, gnomonicView(60));
    canvas_ = chart_test::makeCanvas(Backend::gl, *sky_.chart, 400, 300);
  }
  ChartOnEmptySky sky_{400, 300};
  std::unique_ptr<chart_test::ChartCanvas> canvas_;
};

TEST_F(ChartSkyGlareGL, TheRingFadesAsTheSquareOfTheGradientFromItsInnerEdge) {
  CSkyChart& chart = *sky_.chart;
  const float white[3] = {1, 1, 1};
  chart.drawGlare(white, 200, 150, 20, 120);
  canvas_->save("glare-ring");
  chart_test::Raster raster = canvas_->raster();
  int checked = 0;
  for (int angle = 0; angle < 360; angle += 30) {
    for (double r = 25; r <= 115; r += 10) {
      double x = 200 + r * std::cos(angle * kDegree), y = 150 + r * std::sin(angle * kDegree);
      // The gradient's texel at this radius, from 255 at the inner edge
      // to 1 at the outer, and its level (i / 255)^2.
      double texel = 255 + (1 - 255) * (r - 20) / 100;
      double expected = std::pow(texel / 255, 2);
      EXPECT_NEAR(raster.at(static_cast<int>(x), static_cast<int>(y)), expected, 0.03)
          << angle << " " << r;
      ++checked;
    }
  }
  EXPECT_EQ(checked, 120);
  EXPECT_EQ(raster.at(200, 150), 0.0f);      // the disc inside is left alone
  EXPECT_EQ(raster.at(200 + 125, 150), 0.0f);  // and nothing beyond the ring
}

TEST_F(ChartSkyGlareGL, GlaresKeepTheBrighterLightExceptInADaylitSkyAndRestoreTheEquation) {
  CSkyChart& chart = *sky_.chart;
  const float grey[3] = {0.5f, 0.5f, 0.5f};
  glBlendEquation(GL_FUNC_SUBTRACT);
  chart.drawGlare(grey, 150, 150, 10, 80);
  chart.drawGlare(grey, 190, 150, 10, 80);
  GLint equation = 0;
  glGetIntegerv(GL_BLEND_EQUATION_RGB, &equation);
  EXPECT_EQ(equation, static_cast<GLint>(GL_FUNC_SUBTRACT));
  glBlendEquation(GL_FUNC_ADD);
  // Midway between the two centres both rings give the same light: the
  // larger of the two is that light once.
  float level = 0.5f * static_cast<float>(std::pow((255 + (1 - 255) * 10 / 70.0) / 255, 2));
  EXPECT_NEAR(canvas_->raster().at(170, 150), level, 0.02);

  // In the horizon chart with daylight the light of both adds up.
  chart.setDisplayCoordSystem(kCoordHorizon);
  chart.showDaylight = true;
  glClear(GL_COLOR_BUFFER_BIT);
  chart.drawGlare(grey, 150, 150, 10, 80);
  chart.drawGlare(grey, 190, 150, 10, 80);
  EXPECT_NEAR(canvas_->raster().at(170, 150), 2 * level, 0.03);
}

}  // namespace
