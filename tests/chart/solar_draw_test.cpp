// The solar-system layer drawn in 2-D: the Moon's disc where and as large
// as ERFA's Moon puts it, its phases lit from the Sun's side, the Sun at no
// less than 12 points, satellites of unknown brightness drawn, the Earth
// left out under the observer's feet.
#include <erfa.h>
#include <erfam.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "chart/sky_chart.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"
#include "tests/chart/chart_canvas.h"
#include "tests/engine/mechanics_fixture.h"

namespace {

using mechanics_test::SatelliteRecord;
using mechanics_test::SolarSystemWorld;

constexpr double kRadiansPerDegree = 0.017453292519943295;
constexpr int kSize = 400;

std::vector<SatelliteRecord> satellites() {
  // The station with no standard magnitude, the geostationary one faint.
  SatelliteRecord iss{mechanics_test::elementsFromLines(mechanics_test::kIssLines[0],
                                                        mechanics_test::kIssLines[1]),
                      INFINITY, {}};
  SatelliteRecord geo{mechanics_test::elementsFromLines(mechanics_test::kGeostationaryLines[0],
                                                        mechanics_test::kGeostationaryLines[1]),
                      12, {}};
  return {iss, geo};
}

// Brightness (largest channel, 0-255) and coverage of a pixel.
struct Pixel {
  int level;
  int alpha;
};

class SolarDraw : public testing::Test {
 protected:
  SolarDraw() : world_(mechanics_test::standardExtraBodies(), satellites()) {
    EXPECT_TRUE(world_.loaded());
    chart_ = std::make_unique<CSkyChart>(&world_.database(), "");
    chart_->setViewport(0, 0, kSize, kSize);
    chart_->setDisplayProjection(1);
    chart_->showSatellites = true;
  }

  // Draws the layer centred on the body with the given field (degrees).
  std::unique_ptr<chart_test::Canvas2D> draw(CPlanet* body, double fov, const char* name) {
    auto canvas = std::make_unique<chart_test::Canvas2D>(*chart_, kSize, kSize);
    chart_->setDisplayFOV(fov * kRadiansPerDegree);
    SkyObjectID id = world_.reference(body);
    chart_->updateNeeded = true;
    chart_->centerOnObjectID(&id);
    chart_->updateDisplayMatrix();
    chart_->clearLabelRects();
    chart_->drawSolarSystemObjects();
    canvas->save(name);
    return canvas;
  }

  static Pixel at(chart_test::Canvas2D& canvas, double x, double y) {
    const std::uint8_t* p = canvas.context().data() +
                            static_cast<std::size_t>(y) * canvas.context().bytesPerRow() +
                            4 * static_cast<std::size_t>(x);
    return {std::max({p[0], p[1], p[2]}), p[3]};
  }

  // Unit screen vector from the body's centre towards the Sun's side.
  std::pair<double, double> sunward(CPlanet* body) {
    double b[3], s[3];
    body->getPosition(b);
    world_.body(kTypePlanet, 0)->getPosition(s);
    double nb = std::sqrt(b[0] * b[0] + b[1] * b[1] + b[2] * b[2]);
    double ns = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
    double p[3];
    for (int k = 0; k < 3; ++k) p[k] = b[k] / nb + 0.002 * s[k] / ns;
    double x0, y0, x1, y1;
    EXPECT_TRUE(chart_->vectorToScreen(b, &x0, &y0));
    EXPECT_TRUE(chart_->vectorToScreen(p, &x1, &y1));
    double n = std::hypot(x1 - x0, y1 - y0);
    return {(x1 - x0) / n, (y1 - y0) / n};
  }

  SolarSystemWorld world_;
  std::unique_ptr<CSkyChart> chart_;
};

// 2000: first quarter on January 14th at 13:34 UT, new Moon on January 6th
// at 18:14, full Moon on February 19th at 16:27 (January's full Moon was
// eclipsed).
TEST_F(SolarDraw, TheMoonIsLitFromTheSunsSideThroughItsPhases) {
  CPlanet* moon = world_.body(kTypeMoon, 301);
  struct Phase {
    double jd;
    const char* name;
    bool sunwardLit, farLit;
  } phases[] = {{2451558.0653, "moon_first_quarter", true, false},
                {2451594.1854, "moon_full", true, true},
                {2451550.2597, "moon_new", false, false}};
  for (const Phase& phase : phases) {
    chart_->setJulianDate(phase.jd);
    auto canvas = draw(moon, 2, phase.name);
    auto [ux, uy] = sunward(moon);
    double r = chart_->radiusForAngle(moon->getAngularRadius());
    double c = kSize / 2.0;
    Pixel near = at(*canvas, c + 0.6 * r * ux, c + 0.6 * r * uy);
    Pixel far = at(*canvas, c - 0.6 * r * ux, c - 0.6 * r * uy);
    EXPECT_EQ(near.alpha, 255) << phase.name;
    EXPECT_EQ(far.alpha, 255) << phase.name;
    // Lit: the moons' grey 0.8; dark: a third of it.
    EXPECT_EQ(near.level > 150, phase.sunwardLit) << phase.name << " " << near.level;
    EXPECT_EQ(far.level > 150, phase.farLit) << phase.name << " " << far.level;
  }
}

// The disc stands on the chart's centre with the radius of the Moon's
// 1737.4 km at eraMoon98's distance (topocentric parallax: within 2%).
TEST_F(SolarDraw, TheMoonsDiscHasTheSizeOfErfasMoon) {
  double jd = 2451558.0653;
  chart_->setJulianDate(jd);
  CPlanet* moon = world_.body(kTypeMoon, 301);
  auto canvas = draw(moon, 2, "moon_disc");
  chart_test::Raster raster = canvas->raster();
  double sx = 0, sy = 0, n = 0;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      double a = raster.at(x, y);
      sx += a * (x + 0.5), sy += a * (y + 0.5), n += a;
    }
  EXPECT_NEAR(sx / n, kSize / 2.0, 0.5);
  EXPECT_NEAR(sy / n, kSize / 2.0, 0.5);
  double pv[2][3];
  eraMoon98(jd, 0, pv);
  double d = std::sqrt(pv[0][0] * pv[0][0] + pv[0][1] * pv[0][1] + pv[0][2] * pv[0][2]);
  double expected = chart_->radiusForAngle(std::asin(1737.4 / (d * ERFA_DAU / 1000)));
  EXPECT_NEAR(std::sqrt(n / M_PI), expected, 0.02 * expected);
}

TEST_F(SolarDraw, TheSunIsNeverSmallerThanTwelvePoints) {
  chart_->setJulianDate(2451545.0);
  chart_->setContentScale(2);
  CPlanet* sun = world_.body(kTypePlanet, 0);
  auto canvas = draw(sun, 40, "sun_wide");
  int ink = canvas->raster().inkCount(0.5f);
  // 24 px: the true Sun is 5.4 px at 40 degrees over 400 px.
  EXPECT_NEAR(std::sqrt(ink / M_PI), 24, 1);
}

TEST_F(SolarDraw, SatellitesOfUnknownBrightnessAreDrawnAndFaintOnesAreNot) {
  chart_->setJulianDate(2454730.0);
  chart_->planetMagLimitInUse = 6;
  chart_->showNakedEyeOnly = false;
  CPlanet* iss = world_.body(kTypeSatellite, 25544);
  CPlanet* geo = world_.body(kTypeSatellite, 24208);
  ASSERT_TRUE(std::isinf(iss->getMagnitude()));
  auto a = draw(iss, 10, "satellite_unknown");
  EXPECT_EQ(at(*a, kSize / 2, kSize / 2).alpha, 255);
  ASSERT_GT(geo->getMagnitude(), 6);
  auto b = draw(geo, 10, "satellite_faint");
  EXPECT_EQ(at(*b, kSize / 2, kSize / 2).alpha, 0);
  // Selected, it is drawn whatever its brightness.
  SkyObjectID id = world_.reference(geo);
  chart_->selectObject(&id);
  auto c = draw(geo, 10, "satellite_selected");
  EXPECT_EQ(at(*c, kSize / 2, kSize / 2).alpha, 255);
}

TEST_F(SolarDraw, TheEarthIsNotDrawnUnderTheObserversFeet) {
  chart_->setJulianDate(2451545.0);
  // 50 km up: outside the globe, still near the ground.
  chart_->setLocation(0, 0, 50000);
  ASSERT_TRUE(chart_->isObserverNearGround());
  CPlanet* earth = world_.body(kTypePlanet, 3);
  auto canvas = draw(earth, 60, "earth_below");
  EXPECT_EQ(canvas->raster().inkCount(), 0);
  // Nor are other bodies hidden by it: the layer draws the Moon meanwhile.
  auto moon = draw(world_.body(kTypeMoon, 301), 2, "moon_again");
  EXPECT_GT(moon->raster().inkCount(), 1000);
}

}  // namespace
