// The solar-system layer drawn in 2-D: the Moon's disc where and as large
// as ERFA's Moon puts it, its phases lit from the Sun's side, the Sun at no
// less than 12 points, satellites of unknown brightness drawn, the Earth
// left out under the observer's feet.
#include <erfa.h>
#include <erfam.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <cmath>
#include <vector>

#include "chart/model_choice.h"
#include "chart/sky_chart.h"
#include "engine/sky_coordinates.h"
#include "skydata/object_factory.h"
#include "skydata/planet_feature.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"
#include "tests/chart/chart_canvas.h"
#include "tests/mechanics/mechanics_fixture.h"
#include "tests/support/requirements.h"

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

Pixel at(chart_test::Canvas2D& canvas, double x, double y) {
  const std::uint8_t* p = canvas.context().data() +
                          static_cast<std::size_t>(y) * canvas.context().bytesPerRow() +
                          4 * static_cast<std::size_t>(x);
  return {std::max({p[0], p[1], p[2]}), p[3]};
}

// Draws the layer of a chart centred on the body with the given field
// (degrees) into a new 2-D canvas.
std::unique_ptr<chart_test::Canvas2D> drawCentred(CSkyChart& chart, SolarSystemWorld& world,
                                                  CPlanet* body, double fov, const char* name) {
  auto canvas = std::make_unique<chart_test::Canvas2D>(chart, kSize, kSize);
  chart.setDisplayFOV(fov * kRadiansPerDegree);
  SkyObjectID id = world.reference(body);
  chart.updateNeeded = true;
  chart.centerOnObjectID(&id);
  chart.updateDisplayMatrix();
  chart.clearLabelRects();
  chart.drawSolarSystemObjects();
  canvas->save(name);
  return canvas;
}

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
    return drawCentred(*chart_, world_, body, fov, name);
  }



  // Where a body-fixed point (in body radii) of the body stands on the
  // screen.
  std::pair<double, double> screenPoint(CPlanet* body, const double point[3]) {
    double direction[3], distance = 0, x = 0, y = 0;
    chart_->surfacePointPosition(body, point, false, direction, &distance, chart_->getObjectRadius(body));
    EXPECT_TRUE(chart_->vectorToScreen(direction, &x, &y));
    return {x, y};
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
    // Lit: the moons' grey 0.8; dark: a third of it (black at alpha 0.66
    // over it).
    EXPECT_EQ(near.level > 150, phase.sunwardLit) << phase.name << " " << near.level;
    EXPECT_EQ(far.level > 150, phase.farLit) << phase.name << " " << far.level;
    for (const Pixel& p : {near, far}) {
      if (p.level <= 150) {
        EXPECT_NEAR(p.level, 0.34 * 0.8 * 255, 4) << phase.name;
      }
    }
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
  // The limit in force decides, to a tenth of a magnitude.
  chart_->planetMagLimitInUse = static_cast<float>(geo->getMagnitude() + 0.1);
  EXPECT_EQ(at(*draw(geo, 10, "satellite_at_limit"), kSize / 2, kSize / 2).alpha, 255);
  chart_->planetMagLimitInUse = static_cast<float>(geo->getMagnitude() - 0.1);
  EXPECT_EQ(at(*draw(geo, 10, "satellite_past_limit"), kSize / 2, kSize / 2).alpha, 0);
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

// Colour of a pixel of a canvas's colours, drawn over transparent black.
std::array<int, 3> rgbAt(const std::vector<std::uint8_t>& rgba, double x, double y) {
  const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * kSize + static_cast<std::size_t>(x)) * 4];
  return {p[0], p[1], p[2]};
}

// Angular radii of the Earth's umbra and penumbra at the Moon from the
// similar triangles of the shadow cone, on ERFA's Earth and Moon; the
// Earth's radius enlarged by a fiftieth for its air (Danjon's rule, as
// almanacs draw the shadow).
struct ShadowAngles {
  double umbra, penumbra;
};
ShadowAngles erfaEarthShadow(double jd) {
  constexpr double kEarthRadiusKm = 6378.14, kSunRadiusKm = 696000, kAirFactor = 1.02;
  double pvh[2][3], pvb[2][3], moon[2][3];
  eraEpv00(jd, 0, pvh, pvb);
  eraMoon98(jd, 0, moon);
  double sunKm = std::sqrt(eraPdp(pvh[0], pvh[0])) * ERFA_DAU / 1000;
  double moonKm = std::sqrt(eraPdp(moon[0], moon[0])) * ERFA_DAU / 1000;
  double re = kEarthRadiusKm * kAirFactor;
  // Radii of the shadow's cross-section at the Moon's distance.
  double umbra = re - (kSunRadiusKm - re) * moonKm / sunKm;
  double penumbra = re + (kSunRadiusKm + re) * moonKm / sunKm;
  return {std::atan(umbra / moonKm), std::atan(penumbra / moonKm)};
}

// 2000 January 21: a total lunar eclipse, greatest at 04:44 UT.
TEST_F(SolarDraw, TheEclipsedMoonIsDarkenedAndReddenedInTheEarthsShadow) {
  CPlanet* moon = world_.body(kTypeMoon, 301);
  CPlanet* earth = world_.body(kTypePlanet, 3);
  double jd = 2451564.6944;
  chart_->setJulianDate(jd);
  auto eclipsed = draw(moon, 2, "moon_eclipsed");
  CSkyChart::ShadowCone cone{};
  ASSERT_TRUE(chart_->computeShadowCone(earth, moon, &cone));
  ShadowAngles expected = erfaEarthShadow(jd);
  // The chart's observer stands on the ground: up to an Earth radius
  // (1.7% of the Moon's distance) nearer the shadow than the centre.
  EXPECT_NEAR(cone.umbra, expected.umbra, 0.025 * expected.umbra);
  EXPECT_NEAR(cone.penumbra, expected.penumbra, 0.025 * expected.penumbra);
  chart_->setJulianDate(2451594.1854);
  auto plain = draw(moon, 2, "moon_full_uneclipsed");
  std::array<int, 3> dark = rgbAt(eclipsed->colors(), kSize / 2, kSize / 2);
  std::array<int, 3> lit = rgbAt(plain->colors(), kSize / 2, kSize / 2);
  EXPECT_EQ(lit[0], lit[1]) << "an uneclipsed Moon stays grey";
  EXPECT_GT(dark[0], 1.5 * dark[1]) << "the umbra reddens";
  EXPECT_LT(dark[0], 0.7 * lit[0]) << "and darkens";
  // A week later the shadow is far from the Moon: nothing darkens it.
  chart_->setJulianDate(jd + 7);
  EXPECT_FALSE(chart_->computeShadowCone(earth, moon, &cone) &&
               cone.penumbra > moon->angularSeparationToObject(*moon) + 0.5);
}

// Terrestrial time of a UT date by the leap seconds (UT1 taken as UTC).
double terrestrialTime(double jdUT) {
  int y, m, d;
  double fraction, dat;
  eraJd2cal(jdUT, 0, &y, &m, &d, &fraction);
  eraDat(y, m, d, fraction, &dat);
  return jdUT + (dat + 32.184) / 86400;
}

// 2017 August 21, 18:26 UT: from above the Moon, in space, the Moon's
// penumbra darkens the Earth's disc about the point straight behind the
// Moon from the Sun.
TEST_F(SolarDraw, FromTheMoonItsShadowLiesOnTheEarth) {
  double jd = 2457987.2681;
  chart_->setJulianDate(jd);
  CPlanet* moon = world_.body(kTypeMoon, 301);
  CPlanet* earth = world_.body(kTypePlanet, 3);
  SkyObjectID home = world_.reference(moon);
  chart_->followHomePlanet = 0;
  chart_->setDisplayCoordSystem(kCoordEquatorial);
  chart_->setHomeObject(home);
  // 5,000 km from the Moon's centre towards the Earth, by ERFA's Moon.
  double tt = terrestrialTime(jd), pvh[2][3], pvb[2][3], m[2][3];
  eraEpv00(tt, 0, pvh, pvb);
  eraMoon98(tt, 0, m);
  double towardsEarth[3], display[3], offset[3], lon = 0, lat = 0, distance = 0;
  eraSxp(-1, m[0], towardsEarth);
  eraPn(towardsEarth, &distance, towardsEarth);
  eraSxp(5000 / (ERFA_DAU / 1000), towardsEarth, offset);
  chart_->convertCoordSystem(kCoordFundamental, chart_->displayCoordSystem, towardsEarth, display);
  eraC2s(display, &lon, &lat);
  chart_->setHomePlanetPosition(lon, lat, eraPm(offset));
  ASSERT_TRUE(chart_->isSpaceView());
  auto canvas = draw(earth, 4, "earth_moon_shadow");
  // The shadow's centre: on the Sun-Moon line as far behind the Moon as
  // the Earth is (e / a times the Moon's place beyond it), seen from the
  // observer beside the Moon.
  double P[3], beyond[3], toward[3], x = 0, y = 0;
  eraPpp(pvh[0], m[0], P);
  double a = eraPm(P), e = eraPm(m[0]);
  eraSxp(e / a, P, beyond);
  eraPmp(beyond, offset, toward);
  ASSERT_TRUE(chart_->vectorToScreen(toward, &x, &y));
  double ex = 0, ey = 0, earthPlace[3];
  earth->getPosition(earthPlace);
  ASSERT_TRUE(chart_->vectorToScreen(earthPlace, &ex, &ey));
  double r = chart_->radiusForAngle(earth->getAngularRadius());
  ASSERT_LT(std::hypot(x - ex, y - ey), 0.6 * r) << "the shadow falls on the disc";
  // Beside the centre (off the umbra's point): the penumbra's third; on the
  // far side of the disc: the Earth's own colour.
  Pixel shaded = at(*canvas, x + 4, y);
  double fx = ex - 0.8 * r * (x - ex) / std::hypot(x - ex, y - ey);
  double fy = ey - 0.8 * r * (y - ey) / std::hypot(x - ex, y - ey);
  Pixel clear = at(*canvas, fx, fy);
  EXPECT_EQ(clear.alpha, 255);
  EXPECT_NEAR(shaded.level, 0.67 * clear.level, 8);
}

// The same eclipse from 15,000 km over the Earth's sunlit side: the umbra
// is traced on the globe where the shadow's axis meets the Earth.
TEST_F(SolarDraw, TheUmbraIsTracedOnTheGlobeInSpace) {
  double jd = 2457987.2681;
  chart_->setJulianDate(jd);
  CPlanet* earth = world_.body(kTypePlanet, 3);
  chart_->followHomePlanet = 0;
  chart_->setDisplayCoordSystem(kCoordEquatorial);
  SkyObjectID home = world_.reference(earth);
  chart_->setHomeObject(home);
  double tt = terrestrialTime(jd), pvh[2][3], pvb[2][3], m[2][3], sunward[3], display[3];
  double lon = 0, lat = 0, d = 0;
  eraEpv00(tt, 0, pvh, pvb);
  eraMoon98(tt, 0, m);
  eraSxp(-1, pvh[0], sunward);
  eraPn(sunward, &d, sunward);
  chart_->convertCoordSystem(kCoordFundamental, chart_->displayCoordSystem, sunward, display);
  eraC2s(display, &lon, &lat);
  chart_->setHomePlanetPosition(lon, lat, 15000 / (ERFA_DAU / 1000));
  ASSERT_TRUE(chart_->isSpaceView());
  auto canvas = draw(earth, 60, "earth_umbra_traced");
  // Where the axis from the Moon away from the Sun meets the Earth's
  // sphere (geocentric, km).
  double moonHelio[3], axis[3], moonKm[3], n = 0;
  eraPpp(pvh[0], m[0], moonHelio);
  eraPn(moonHelio, &n, axis);
  eraSxp(ERFA_DAU / 1000, m[0], moonKm);
  double b = eraPdp(moonKm, axis), c = eraPdp(moonKm, moonKm) - 6371.0 * 6371.0;
  double t = -b - std::sqrt(b * b - c), toward[3], x = 0, y = 0;
  // From the observer, 15,000 km sunwards of the Earth's centre.
  for (int k = 0; k < 3; ++k) toward[k] = moonKm[k] + t * axis[k] - 15000 * sunward[k];
  ASSERT_TRUE(chart_->vectorToScreen(toward, &x, &y));
  // The dark spot: its pixels' centre within 5 pixels (some 100 km on
  // the ground: eraMoon98 against the chart's ephemeris), on the lit disc.
  double sx = 0, sy = 0, count = 0;
  for (int py = static_cast<int>(y) - 30; py <= y + 30; ++py)
    for (int px = static_cast<int>(x) - 30; px <= x + 30; ++px) {
      Pixel p = at(*canvas, px, py);
      if (p.alpha == 255 && p.level < 180) sx += px + 0.5, sy += py + 0.5, count += 1;
    }
  ASSERT_GT(count, 4);
  EXPECT_NEAR(sx / count, x, 5);
  EXPECT_NEAR(sy / count, y, 5);
  EXPECT_EQ(at(*canvas, x + 40, y).level, 255);
}

TEST_F(SolarDraw, SaturnsRingsOpenAsPyEphemsEarthTilt) {
  double jd = 2451545.0;
  std::string command = "/usr/bin/python3 -c \"import ephem; s = ephem.Saturn(); "
                        "s.compute(ephem.Date(" + std::to_string(jd) + " - 2415020)); "
                        "print(repr(float(s.earth_tilt)))\" 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  double tilt = NAN;
  if (pipe != nullptr) {
    if (std::fscanf(pipe, "%lf", &tilt) != 1) tilt = NAN;
    pclose(pipe);
  }
  if (!std::isfinite(tilt)) TESSALY_SKIP_OR_FAIL("PyEphem (python3-ephem) is needed");
  chart_->setJulianDate(jd);
  chart_->showPlanetSurfaces = false;
  CPlanet* saturn = world_.body(kTypePlanet, 6);
  auto canvas = draw(saturn, 0.04, "saturn_rings_flat");
  const MeshGrid* rings = CSkyChart::getRenderData(saturn)->ringMesh;
  ASSERT_NE(rings, nullptr);
  // The outer edge is an ellipse about the disc's centre: its axis ratio
  // is the sine of the Earth's elevation over the ring plane.
  double nearest = 1e9, farthest = 0;
  for (int c = 0; c < rings->columns; ++c) {
    const TextureVertex& v = rings->row[rings->rows - 1][c];
    double direction[3] = {v.x, v.y, v.z}, x = 0, y = 0;
    ASSERT_TRUE(chart_->vectorToScreen(direction, &x, &y));
    double r = std::hypot(x - kSize / 2.0, y - kSize / 2.0);
    nearest = std::min(nearest, r), farthest = std::max(farthest, r);
  }
  EXPECT_NEAR(nearest / farthest, std::fabs(std::sin(tilt)), 0.005);
  // The flat rings are drawn out to 2.33 radii along their long axis.
  EXPECT_GT(canvas->raster().inkCount(), 3.14 * 2 * saturn->getAngularRadius());
}

TEST_F(SolarDraw, BrightCometsNearTheSunGrowTailsAwayFromIt) {
  // A comet of absolute magnitude 5 at its perihelion, 0.5 AU from the
  // Sun, on an orbit of 11 years reaching out to 9.5 AU.
  std::vector<mechanics_test::BodyRecord> bodies = mechanics_test::standardExtraBodies();
  for (mechanics_test::BodyRecord& b : bodies) {
    if (b.type != kTypeComet) continue;
    b.validFrom = 2451545.0 - 3000, b.validTo = 2451545.0 + 3000;
    b.q = 0.5, b.e = 0.9, b.m0 = 0, b.n = 0.01720209895 / std::pow(5.0, 1.5);
    b.magnitude1 = 5, b.magnitude2 = 4;
  }
  SolarSystemWorld world(bodies);
  ASSERT_TRUE(world.loaded());
  CSkyChart chart(&world.database(), "");
  chart.setViewport(0, 0, kSize, kSize);
  chart.setDisplayProjection(1);
  chart.showComets = true;
  CPlanet* comet = world.body(kTypeComet, 0);
  CPlanet* sun = world.body(kTypePlanet, 0);
  auto tailPixels = [&](double jd, const char* name) {
    chart.setJulianDate(jd);
    SkyObjectID id = world.reference(comet);
    chart.selectObject(&id);
    auto drawn = drawCentred(chart, world, comet, 90, name);
    chart_test::Canvas2D& canvas = *drawn;
    // Ink on the side away from the Sun, far beyond the head; none
    // towards it.
    double b[3], s[3], x0, y0, x1, y1;
    comet->getPosition(b);
    sun->getPosition(s);
    // A point a little way towards the Sun, which may be behind the view.
    double along = eraPdp(s, b), towards[3];
    for (int k = 0; k < 3; ++k) towards[k] = b[k] + 0.01 * (s[k] - along * b[k]);
    EXPECT_TRUE(chart.vectorToScreen(b, &x0, &y0));
    EXPECT_TRUE(chart.vectorToScreen(towards, &x1, &y1));
    double n = std::hypot(x1 - x0, y1 - y0), ux = (x1 - x0) / n, uy = (y1 - y0) / n;
    int tail = 0, front = 0;
    for (double t = 30; t < 150; t += 10) tail += at(canvas, x0 - t * ux, y0 - t * uy).alpha > 0;
    // (The Sun itself stands some 110 pixels away.)
    for (double t = 10; t < 60; t += 10) front += at(canvas, x0 + t * ux, y0 + t * uy).alpha > 0;
    EXPECT_EQ(front, 0) << name;
    return tail;
  };
  EXPECT_GT(tailPixels(2451545.0, "comet_tail_perihelion"), 3);
  // Near aphelion the tail is a hundredth of an AU: under 8 points.
  EXPECT_EQ(tailPixels(2451545.0 + 2000, "comet_tail_aphelion"), 0);
}

TEST_F(SolarDraw, PlanetGridsMarkTheEquatorAndCentralMeridianInRed) {
  chart_->setJulianDate(2451558.0653);
  chart_->showPlanetGrids = true;
  CPlanet* moon = world_.body(kTypeMoon, 301);
  // 27 pixels across at 4 degrees: the coarse grid; 200 at half a degree.
  auto small = draw(moon, 4, "moon_grid_coarse");
  EXPECT_EQ(CSkyChart::getRenderData(moon)->sphereMesh->columns, 25);
  int red = 0;
  std::vector<std::uint8_t> colors = small->colors();
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      std::array<int, 3> c = rgbAt(colors, x, y);
      red += c[0] > 200 && c[1] < 120;
    }
  EXPECT_GT(red, 20);
  // 200 pixels across without phases, the fine grid's lines every 30
  // degrees: the equator and the prime meridian red, the others in the
  // grid's grey (darker than the disc); sampled halfway between lines.
  chart_->showPlanetPhases = 0;
  auto fine = draw(moon, 0.5, "moon_grid_fine");
  EXPECT_EQ(CSkyChart::getRenderData(moon)->sphereMesh->columns, 73);
  colors = fine->colors();
  // Reddest (red over green) and darkest green of the 3 x 3 about a place
  // of the near side (degrees).
  auto line = [&](double longitude, double latitude) {
    longitude *= kRadiansPerDegree, latitude *= kRadiansPerDegree;
    const double point[3] = {std::cos(latitude) * std::cos(longitude), std::cos(latitude) * std::sin(longitude),
                             std::sin(latitude)};
    auto [x, y] = screenPoint(moon, point);
    int reddest = -255, darkest = 255;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) {
        std::array<int, 3> c = rgbAt(colors, x + dx, y + dy);
        reddest = std::max(reddest, c[0] - c[1]);
        darkest = std::min(darkest, c[1]);
      }
    return std::pair{reddest, darkest};
  };
  EXPECT_GT(line(15, 0).first, 60) << "the equator";
  EXPECT_GT(line(0, 15).first, 60) << "the prime meridian";
  for (auto [lon, lat] : {std::pair{15.0, 30.0}, std::pair{30.0, 15.0}}) {
    auto [redness, green] = line(lon, lat);
    EXPECT_LT(redness, 10) << lon << " " << lat;
    EXPECT_LT(green, 190) << lon << " " << lat;
  }
}

TEST_F(SolarDraw, TheFlatEarthShowsWhereTheObserverIs) {
  chart_->setJulianDate(2451545.0);
  chart_->showUserLocationMarker = true;
  // Over 30 E, 20 N at geostationary height: the site is the disc's centre.
  chart_->setLocation(30 * kRadiansPerDegree, 20 * kRadiansPerDegree, 35786000);
  CPlanet* earth = world_.body(kTypePlanet, 3);
  auto canvas = draw(earth, 24, "earth_you_are_here");
  std::vector<std::uint8_t> colors = canvas->colors();
  // The Earth is cyan (red 51); the marker's white plus stands on its centre.
  EXPECT_LT(rgbAt(colors, kSize / 2 + 40, kSize / 2 + 40)[0], 60);
  int white = 0;
  for (int row : {kSize / 2 - 1, kSize / 2})
    for (int d = -4; d <= 4; ++d) white += rgbAt(colors, kSize / 2 + d, row)[0] > 150;
  EXPECT_GT(white, 3);
}

// From the station with no maps (the flat globe), the Earth's disc is
// filled wherever the view shows it and its night side darkened: looking
// along the horizon, where part of the limb lies beyond the stereographic
// projection's reach (and the limb's polygon would lose every point before
// the first one that does not project); looking up, where the disc holds
// the point opposite the view's centre (its image is the outside of the
// limb); and in the gnomonic view, with part of the limb behind the viewer,
// also when the view lies wholly on the disc. In both back ends, against plain geometry: the sight line from the
// station meeting the Earth's sphere, and the sunlit half of that sphere.
TEST_F(SolarDraw, FromTheStationTheFlatEarthFillsWhatTheViewShowsOfIt) {
  constexpr double kEarthRadiusAU = 6378.137 / (ERFA_DAU / 1000);
  constexpr int kWidth = 200, kHeight = 432;  // a phone held upright
  CPlanet* earth = world_.body(kTypePlanet, 3);
  chart_->setHomeObject(world_.reference(world_.body(kTypeSatellite, 25544)));
  // The station over the terminator: day and night both in view.
  chart_->setJulianDate(2454730.006);
  chart_->setHomePlanetPosition(0, 0, 1e-11);
  chart_->showSatellites = chart_->showPlanetSurfaces = false;
  chart_->showPlanetPhases = 1;
  chart_->updatePlanetPosition(earth);
  // From the station: the Earth's centre, the nadir and two directions
  // across it; the Sun's direction from the Earth.
  double centre[3], across[3], down[3], toSun[3], east[3], north[3], distance = 0, length = 0;
  double pole[3] = {0, 0, 1};
  earth->getHeliocentricPosition(centre);
  eraPmp(centre, chart_->observerPosition, across);
  eraPn(across, &distance, down);
  eraPn(centre, &length, toSun);
  eraSxp(-1, toSun, toSun);
  eraPxp(pole, down, east);
  eraPn(east, &length, east);
  eraPxp(down, east, north);
  const double rho = std::asin(kEarthRadiusAU / distance);
  // The sight line along v meets the sphere (first crossing) sunlit or not.
  auto sunlit = [&](double v[3], double* facing) {
    double along = eraPdp(v, across);
    double gap = along * along - (distance * distance - kEarthRadiusAU * kEarthRadiusAU);
    double hit[3], normal[3];
    eraSxp(along - std::sqrt(gap), v, hit);
    eraPmp(hit, across, normal);
    *facing = eraPdp(normal, toSun) / kEarthRadiusAU;
    return *facing > 0;
  };
  // A direction at angle t from the nadir, towards azimuth a about it.
  auto fromNadir = [&](double t, double a, double v[3]) {
    for (int k = 0; k < 3; ++k)
      v[k] = std::cos(t) * down[k] + std::sin(t) * (std::cos(a) * east[k] + std::sin(a) * north[k]);
  };
  struct Look {
    int projection;
    double elevation;  // of the view's centre above the station's horizontal plane, degrees
    double field;      // degrees
  };
  for (auto backend : {chart_test::Backend::twoD, chart_test::Backend::gl}) {
    if (!chart_test::backendAvailable(backend)) continue;
    auto canvas = chart_test::makeCanvas(backend, *chart_, kWidth, kHeight);
    int sky = 0, night = 0;
    for (Look look : {Look{3, 0, 90}, Look{3, 45, 90}, Look{1, -10, 90}, Look{1, -65, 20}}) {
      int disc = 0;
      for (double heading = 0; heading < 360; heading += 60) {
        const std::string name = std::string(backend == chart_test::Backend::gl ? "gl" : "2d") +
                                 "_station_flat_earth_" + std::to_string(look.projection) + "_" +
                                 std::to_string(int(look.elevation)) + "_" + std::to_string(int(heading));
        SCOPED_TRACE(name);
        double view[3];
        fromNadir(ERFA_DPI / 2 + look.elevation * kRadiansPerDegree, heading * kRadiansPerDegree, view);
        // As the satellite view shows it: the station's zenith up.
        chart_->setViewport(0, 0, kWidth, kHeight);
        chart_->setDisplayCoordSystem(kCoordHorizon);
        chart_->setDisplayProjection(look.projection);
        chart_->setDisplayFOV(look.field * kRadiansPerDegree);
        chart_->setDisplayCenterVector(view);
        chart_->updateDisplayMatrix();
        canvas->clear();
        chart_->updateNeeded = true;
        chart_->clearLabelRects();
        chart_->drawSolarSystemObjects();
        canvas->finish();
        canvas->save(name);
        std::vector<std::uint8_t> colors = canvas->colors();
        for (double t : {0.2, 0.4, 0.6, 0.8, 0.95, 1.05, 1.2})
          for (double a = 0; a < 360; a += 10) {
            double v[3], x = 0, y = 0, facing = 0;
            fromNadir(t * rho, a * kRadiansPerDegree, v);
            if (!chart_->vectorToScreen(v, &x, &y)) continue;
            if (x < 2 || y < 2 || x > kWidth - 3 || y > kHeight - 3) continue;
            const std::uint8_t* p =
                &colors[(static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)) * 4];
            // The Earth's cyan, lit or under the dark side's translucent black.
            bool cyan = p[1] > 60 && p[2] > 60 && p[0] < 0.4 * p[1];
            if (t > 1) {
              EXPECT_FALSE(cyan) << "beyond the limb at " << x << ", " << y << ": " << int(p[0]) << " "
                                 << int(p[1]) << " " << int(p[2]);
              ++sky;
              continue;
            }
            EXPECT_TRUE(cyan) << "on the disc at " << x << ", " << y;
            ++disc;
            bool lit = sunlit(v, &facing);
            if (std::fabs(facing) < 0.1) continue;  // at the terminator
            EXPECT_EQ(p[1] > 200, lit) << "lit at " << x << ", " << y << ": " << int(p[1]);
            night += !lit;
          }
      }
      SCOPED_TRACE("projection " + std::to_string(look.projection) + " elevation " + std::to_string(look.elevation));
      EXPECT_GT(disc, 50);
    }
    EXPECT_GT(sky, 100);
    EXPECT_GT(night, 20);
  }
}

// The axis stubs: white out of the north pole, grey out of the south; the
// one whose pole faces away is drawn before the globe, which covers it.
TEST_F(SolarDraw, AxesStandOutOfBothPoles) {
  chart_->setJulianDate(2451558.0653);
  chart_->showPlanetAxes = true;
  CPlanet* moon = world_.body(kTypeMoon, 301);
  // The least and greatest levels (unpremultiplied) of the inked pixels
  // of the 3 x 3 about a body-fixed point (in body radii).
  struct Levels {
    int least = 256, most = -1;
  };
  auto stub = [&](chart_test::Canvas2D& canvas, double z) {
    const double point[3] = {0, 0, z};
    auto [x, y] = screenPoint(moon, point);
    Levels levels;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) {
        Pixel p = at(canvas, x + dx, y + dy);
        if (p.alpha == 0) continue;
        levels.least = std::min(levels.least, p.level * 255 / p.alpha);
        levels.most = std::max(levels.most, p.level * 255 / p.alpha);
      }
    return levels;
  };
  auto canvas = draw(moon, 1, "moon_axis");
  // From the Earth both poles lie on the limb: both stubs show beyond it.
  EXPECT_NEAR(stub(*canvas, -1.25).most, 128, 12) << "grey";
  EXPECT_GT(stub(*canvas, 1.25).most, 240) << "white";
  // From 20 radii over the north pole (declination 80 degrees, 14 from
  // the Moon's pole) both stubs lie over the disc: the north one on it,
  // the south one under it.
  chart_->showPlanetPhases = 0;
  chart_->followHomePlanet = 0;
  chart_->setDisplayCoordSystem(kCoordEquatorial);
  chart_->setHomeObject(world_.reference(moon));
  chart_->setHomePlanetPosition(270 * kRadiansPerDegree, 80 * kRadiansPerDegree,
                                20 * chart_->getObjectRadius(moon));
  auto above = draw(moon, 12, "moon_axis_from_above");
  EXPECT_GT(stub(*above, 1.2).most, 240) << "the north stub over the disc";
  EXPECT_GE(stub(*above, -1.2).least, 200) << "the south stub under it";
}

TEST_F(SolarDraw, TapsFindWhatIsDrawnNearestFirst) {
  chart_->setJulianDate(2451558.0653);
  CPlanet* moon = world_.body(kTypeMoon, 301);
  SkyObjectID sun = world_.reference(world_.body(kTypePlanet, 0));
  chart_->selectObject(&sun);
  auto canvas = draw(moon, 2, "moon_tap");
  float c = kSize / 2.0f;
  double r = chart_->radiusForAngle(moon->getAngularRadius());
  SkyObjectID hits[kMaxHitRecords];
  int n = chart_->findObjectsAt({c, c}, hits, kMaxHitRecords);
  ASSERT_GE(n, 1);
  EXPECT_EQ(hits[0].index, world_.reference(moon).index);
  // Within the disc plus the tap radius (16 points), not beyond.
  float reach = static_cast<float>(r + chart_->markerSize);
  EXPECT_GE(chart_->findObjectsAt({c + reach - 2, c}, hits, kMaxHitRecords), 1);
  EXPECT_EQ(chart_->findObjectsAt({c + reach + 2, c}, hits, kMaxHitRecords), 0);
  EXPECT_EQ(chart_->selectObjectAt({c, c}), 1);
  EXPECT_EQ(chart_->selectedObject, moon);
  // 2017 August 21, 18:26 UT from Hopkinsville, Kentucky, in the total
  // eclipse: the Moon before the Sun, both under the tap.
  chart_->setJulianDate(2457987.2681);
  chart_->setLocation(-87.49 * kRadiansPerDegree, 36.87 * kRadiansPerDegree, 0);
  draw(moon, 2, "moon_before_sun_tap");
  n = chart_->findSolarSystemObjectsAt({c, c}, hits, kMaxHitRecords);
  ASSERT_GE(n, 2);
  EXPECT_EQ(hits[0].index, world_.reference(moon).index);
  EXPECT_EQ(hits[1].index, sun.index);
  // What the database's search filter leaves out is not found: planets
  // only (types up to 30), the Sun alone.
  world_.database().searchFilter.highestType = kTypePlanet;
  n = chart_->findSolarSystemObjectsAt({c, c}, hits, kMaxHitRecords);
  world_.database().searchFilter.highestType = SearchFilter{}.highestType;
  ASSERT_EQ(n, 1);
  EXPECT_EQ(hits[0].index, sun.index);
  // In the Earth view nothing of the solar system is found.
  chart_->earthView = true;
  EXPECT_EQ(chart_->findSolarSystemObjectsAt({c, c}, hits, kMaxHitRecords), 0);
  chart_->earthView = false;
  // Standing on the Earth, it is never hit.
  chart_->setLocation(0, 0, 0);
  CPlanet* earth = world_.body(kTypePlanet, 3);
  draw(earth, 60, "earth_tap");
  n = chart_->findSolarSystemObjectsAt({c, c}, hits, kMaxHitRecords);
  for (int i = 0; i < n; ++i) EXPECT_NE(hits[i].index, world_.reference(earth).index);
}

TEST_F(SolarDraw, FaintSatellitesAreFoundWhereTheObserverSeesThem) {
  chart_->setJulianDate(2454730.0);
  chart_->planetMagLimitInUse = 6;
  CPlanet* geo = world_.body(kTypeSatellite, 24208);
  auto canvas = draw(geo, 10, "satellite_faint_tap");
  ASSERT_EQ(at(*canvas, kSize / 2, kSize / 2).alpha, 0) << "too faint to draw";
  // Seen from the Earth's centre a geostationary satellite stands several
  // degrees from where the observer sees it; the tap finds it here.
  SkyObjectID hits[kMaxHitRecords];
  int n = chart_->findSolarSystemObjectsAt({kSize / 2.0f, kSize / 2.0f}, hits, kMaxHitRecords);
  bool found = false;
  for (int i = 0; i < n; ++i) found = found || hits[i].index == world_.reference(geo).index;
  EXPECT_TRUE(found);
}

TEST(SolarFeatures, ATapOnALargeSelectedGlobeFindsTheFeatureUnderIt) {
  mechanics_test::FeatureRecord crater{"Alpha Crater", 10, 300, {1, 0, 0}};
  SolarSystemWorld world(mechanics_test::standardExtraBodies(), {}, {crater});
  ASSERT_TRUE(world.loaded());
  CSkyChart chart(&world.database(), "");
  chart.setViewport(0, 0, kSize, kSize);
  chart.setDisplayProjection(1);
  chart.setJulianDate(2451558.0653);
  CPlanet* moon = world.body(kTypeMoon, 301);
  SkyObjectID id = world.reference(moon);
  chart.selectObject(&id);
  auto canvas = drawCentred(chart, world, moon, 1, "moon_feature_tap");
  int featureIndex = -1;
  for (int i = 0; i < world.database().getSolarSystemObjectCount() && featureIndex < 0; ++i)
    if (world.database().getPlanetFeature(i) != nullptr) featureIndex = i;
  ASSERT_GE(featureIndex, 0);
  CPlanetFeature* feature = world.database().getPlanetFeature(featureIndex);
  chart.updateFeaturePosition(feature);
  double v[3], x = 0, y = 0;
  feature->getPosition(v);
  ASSERT_TRUE(chart.vectorToScreen(v, &x, &y));
  ASSERT_EQ(feature->getMagnitude(), 1.0f) << "facing the Earth";
  SkyObjectID hits[kMaxHitRecords];
  int n = chart.findObjectsAt({static_cast<float>(x), static_cast<float>(y)}, hits, kMaxHitRecords);
  ASSERT_GE(n, 1);
  EXPECT_EQ(hits[0].index, featureIndex) << "the crater, not the Moon";
  for (int i = 0; i < n; ++i) EXPECT_NE(hits[i].index, id.index);
  // Selected, the crater is outlined on the globe: a circle of its angular
  // size on the body (300 km of the Moon's 3474.8) about its place.
  chart.selectObject(&hits[0]);
  ASSERT_EQ(chart.selectedObject->getType(), kTypeFeature);
  auto outlined = drawCentred(chart, world, moon, 1, "moon_feature_outline");
  double rho = chart.radiusForAngle(moon->getAngularRadius()) * std::sin(300 / 3474.8);
  int inked = 0;
  for (int k = 0; k < 8; ++k) {
    // Diagonals, away from the marker's ticks.
    double angle = (k + 0.5) * M_PI / 4;
    // The white line over the grey globe.
    inked += at(*outlined, x + rho * std::cos(angle), y + rho * std::sin(angle)).level > 230;
  }
  EXPECT_GE(inked, 6);
}

TEST(SolarModels, ModelsAreChosenByNumberNameAndKind) {
  struct Case {
    int type;
    const char* name;
    const char* model;
  } cases[] = {
      {kTypeMoon, "Phobos", "Phobos"},          {kTypeMoon, "Io", nullptr},
      {kTypeAsteroid, "4 Vesta", "Vesta"},      {kTypeAsteroid, "433 Eros", nullptr},
      {kTypeSatellite, "DELTA 1 R/B", "Agena"}, {kTypeSatellite, "TDRS 3", "TDRS"},
      {kTypeSatellite, "FALCON 9 DEB", "Agena"}, {kTypeSatellite, "GPS BIIR-2", "GPS"},
      {kTypeSatellite, "galileo 5", "Galileo"}, {kTypeSatellite, "NAVSTAR GPS", "Satellite"},
      {kTypeSatellite, "Globalstar M001", "Globalstar"},
      {kTypeSatellite, "IRIDIUM 7", "Iridium"}, {kTypeSatellite, "COSMOS 2251", "Satellite"},
      {kTypeSpacecraft, "Galileo Orbiter", "Galileo"},
      {kTypeSpacecraft, "The GALILEO probe", nullptr},
      {kTypeSpacecraft, "New Horizons", "NewHorizons"}, {kTypeSpacecraft, "Juno", "Juno"},
      {kTypePlanet, "Mars", nullptr}};
  for (const Case& c : cases) {
    std::unique_ptr<CSkyObject> object(createSkyObject(c.type));
    static_cast<CPlanet*>(object.get())->addName(c.name);
    const char* model = modelNameForObject(object.get());
    if (c.model == nullptr)
      EXPECT_EQ(model, nullptr) << c.name;
    else
      EXPECT_STREQ(model, c.model) << c.name;
  }
}

}  // namespace
