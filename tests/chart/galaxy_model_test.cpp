// The particle Galaxy: 11070 particles with the bar about the galactic
// centre and the Magellanic Clouds at their places by ERFA's galactic
// frame; drawn through GL only beyond 1000 parsecs, seen from 30 kpc above
// the plane about the centre's direction, with no GL error.
#include <gtest/gtest.h>

#include <erfa.h>

#include <cmath>

#include "chart/galaxy_model.h"
#include "chart/gl_api.h"
#include "tests/chart/chart_canvas.h"

namespace {

using chart_test::Backend;

constexpr double kDegree = 0.017453292519943295;
constexpr double kAUPerParsec = 206264.80624714843;

// The mean place (parsecs) of particles [first, first + count).
void meanPlace(const GalaxyModel& model, int first, int count, double out[3]) {
  out[0] = out[1] = out[2] = 0;
  for (int i = first; i < first + count; ++i)
    for (int c = 0; c < 3; ++c) out[c] += model.particles[i].position[c] / count;
}

TEST(ChartSkyGalaxy, TheModelHasItsBarAndCloudsWhereErfaPutsThem) {
  chart_test::ChartOnEmptySky sky(400, 300);
  CSkyChart& chart = *sky.chart;
  ASSERT_EQ(chart.buildGalaxyModel(), kGalaxyParticleCount);
  const GalaxyModel& model = *chart.galaxyModel;
  struct Group {
    int first, count;
    double l, b, parsecs, tolerance;  // degrees, parsecs, degrees
  };
  // The bar first; the Large and Small Magellanic Clouds last.
  const Group groups[] = {{0, 1000, 0, 0, 8300, 3},
                          {kGalaxyParticleCount - 70, 50, 280.47, -32.89, 48000, 0.3},
                          {kGalaxyParticleCount - 20, 20, 302.81, -44.33, 61000, 0.3}};
  for (const Group& g : groups) {
    double mean[3], ra, dec, expected[3], distance;
    meanPlace(model, g.first, g.count, mean);
    eraG2icrs(g.l * kDegree, g.b * kDegree, &ra, &dec);
    eraS2c(ra, dec, expected);
    double unit[3];
    eraPn(mean, &distance, unit);
    EXPECT_LT(eraSepp(unit, expected), g.tolerance * kDegree) << g.first;
    EXPECT_NEAR(distance, g.parsecs, 0.1 * g.parsecs) << g.first;
  }
  // Dust is black; stars have colour.
  int dust = 0;
  for (const GalaxyParticle& p : model.particles)
    if (p.kind == kGalaxyDust) {
      ++dust;
      EXPECT_EQ(p.color[0] + p.color[1] + p.color[2], 0.0f);
    }
  EXPECT_EQ(dust, 4000);
}

TEST(ChartSkyGalaxy, ASpriteKeepsItsAlphaUnderAColourFilter) {
  chart_test::ChartOnEmptySky sky(400, 300);
  CSkyChart& chart = *sky.chart;
  const float rgba[4] = {0.2f, 0.4f, 1.0f, 0.125f};
  for (int mode : {0, 2, 3}) {
    chart.setColorFilter(mode);
    chart.clearTextureTriangles();
    chart.addGalaxySprite(rgba, 5, 100, 100);
    ASSERT_EQ(chart.vertexCount, 6);
    const float* color = chart.colorBuffer;
    float grey = 0.3f * 0.2f + 0.6f * 0.4f + 0.1f * 1.0f;
    EXPECT_FLOAT_EQ(color[3], 0.125f) << mode;
    EXPECT_FLOAT_EQ(color[0], mode == 0 ? 0.2f : grey) << mode;
    EXPECT_FLOAT_EQ(color[2], mode == 0 ? 1.0f : mode == 3 ? 0.0f : grey) << mode;
  }
}

TEST(ChartSkyGalaxy, ShowsOnlyBeyondAThousandParsecsAboutTheCentresDirection) {
  if (!chart_test::backendAvailable(Backend::gl)) GTEST_SKIP() << "no graphics layer here";
  chart_test::ChartOnEmptySky sky(400, 300);
  CSkyChart& chart = *sky.chart;
  // 30 kpc towards the north galactic pole from the galactic centre,
  // looking back at the centre.
  double ra, dec, pole[3], centre[3];
  eraG2icrs(0, 90 * kDegree, &ra, &dec);
  eraS2c(ra, dec, pole);
  eraG2icrs(0, 0, &ra, &dec);
  eraS2c(ra, dec, centre);
  for (int c = 0; c < 3; ++c)
    chart.observerPosition[c] = (centre[c] * 8300 + pole[c] * 30000) * kAUPerParsec;
  double look[3], length;
  for (int c = 0; c < 3; ++c) look[c] = centre[c] * 8300 - chart.observerPosition[c] / kAUPerParsec;
  eraPn(look, &length, look);
  eraC2s(look, &ra, &dec);
  chart_test::TestView view;
  view.projection = 3;
  view.lon0 = ra;
  view.lat0 = dec;
  view.fov = 90 * kDegree;
  chart_test::applyView(chart, view);
  auto canvas = chart_test::makeCanvas(Backend::gl, chart, 400, 300);
  chart.updateNeeded = true;
  chart.drawGalaxyModel();
  canvas->save("galaxy-model");
  chart_test::Raster raster = canvas->raster();
  // The light's centre is the galactic centre's direction.
  double sx = 0, sy = 0, sw = 0;
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 400; ++x) {
      sx += raster.at(x, y) * (x + 0.5);
      sy += raster.at(x, y) * (y + 0.5);
      sw += raster.at(x, y);
    }
  ASSERT_GT(sw, 100);
  EXPECT_NEAR(sx / sw, 200, 20);
  EXPECT_NEAR(sy / sw, 150, 20);
  // Looking at the centre from near the Sun: a faint glow from 1100
  // parsecs, nothing within 1000.
  eraC2s(centre, &ra, &dec);
  view.lon0 = ra;
  view.lat0 = dec;
  chart_test::applyView(chart, view);
  for (double parsecs : {1100.0, 900.0}) {
    glClear(GL_COLOR_BUFFER_BIT);
    for (int c = 0; c < 3; ++c) chart.observerPosition[c] = -centre[c] * parsecs * kAUPerParsec;
    chart.updateNeeded = true;
    chart.drawGalaxyModel();
    int ink = canvas->raster().inkCount(0.004f);
    if (parsecs > 1000)
      EXPECT_GT(ink, 100);
    else
      EXPECT_EQ(ink, 0);
  }
}

}  // namespace
