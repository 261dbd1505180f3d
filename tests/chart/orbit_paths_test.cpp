// Orbits and paths: the spread and number of orbit points, open orbits'
// ends, an orbit drawn through its planet, a near asteroid's hourly path
// against PyEphem at the snapped times, time-flow paths, labels of a path
// that does not move, and interpolated gaps that stay bounded.
#include <erfa.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "chart/orbit_paths.h"
#include "chart/sky_chart.h"
#include "chart/solar_system.h"
#include "engine/vectors.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"
#include "tests/chart/chart_canvas.h"
#include "tests/mechanics/mechanics_fixture.h"
#include "tests/support/requirements.h"

namespace {

using mechanics_test::BodyRecord;
using mechanics_test::SolarSystemWorld;

constexpr double kPiExact = 3.14159265358979323846;
constexpr double kRadiansPerDegree = kPiExact / 180;
constexpr double kGauss = 0.01720209895;  // AU^1.5 per day
constexpr double kStart = 2460676.5;      // 2025 January 1, 0h UT

BodyRecord minorBody(int type, const char* name, double q, double e, double n, double m0 = 0) {
  BodyRecord b;
  b.type = type;
  b.names = {name};
  b.epoch = kStart;
  b.q = q, b.e = e, b.n = n, b.m0 = m0;
  b.i = 0.3, b.omega = 1.1, b.node = 0.7;
  b.magnitude1 = 10, b.magnitude2 = 0.15;
  b.diameter = 5;
  return b;
}

std::unique_ptr<CSkyChart> chartOn(SolarSystemWorld& world, double jd) {
  auto chart = std::make_unique<CSkyChart>(&world.database(), "");
  chart->setViewport(0, 0, 400, 400);
  chart->setDisplayProjection(1);
  chart->setLocation(11.58 * kRadiansPerDegree, 48.14 * kRadiansPerDegree, 500);
  chart->setJulianDate(jd);
  return chart;
}

CPlanet* named(SolarSystemWorld& world, const char* name) {
  CSkyDatabase& db = world.database();
  for (int i = 0; i < db.getSolarSystemObjectCount(); ++i) {
    CPlanet* body = db.getSolarSystemObject(i);
    if (body != nullptr && body->getNameCount() > 0 && std::string(body->getNameAt(0)) == name) return body;
  }
  return nullptr;
}

// Places the Sun and Mars and centres a 20-degree view on Mars.
chart_test::TestView centreOnMars(SolarSystemWorld& world, CSkyChart& chart, double place[3]) {
  CPlanet* mars = world.body(kTypePlanet, 4);
  chart.updateObjectPosition(world.body(kTypePlanet, 0));
  chart.updateObjectPosition(mars);
  double lon, lat, r;
  mars->getPosition(place);
  vectorToSpherical(place, &lon, &lat, &r);
  chart_test::TestView view;
  view.lon0 = lon, view.lat0 = lat, view.fov = 20 * kRadiansPerDegree, view.width = view.height = 400;
  chart_test::applyView(chart, view);
  return view;
}

TEST(OrbitPoints, FractionsRunEvenlyWithTwentyFivePointsCrowdedAroundTheMiddle) {
  for (int n : {92, 200, 380}) {
    EXPECT_DOUBLE_EQ(orbitPointFraction(0, n), 0.0);
    EXPECT_DOUBLE_EQ(orbitPointFraction(n / 2, n), 0.5);
    EXPECT_DOUBLE_EQ(orbitPointFraction(n, n), 1.0);
    const double even = 1.0 / (n - 20);
    for (int i = 1; i <= n; ++i) {
      const double step = orbitPointFraction(i, n) - orbitPointFraction(i - 1, n);
      ASSERT_GT(step, 0) << n << " " << i;
      if (i <= n / 2 - 13 || i > n / 2 + 13) {
        EXPECT_NEAR(step, even, 1e-12) << i;
      }
    }
    // Densest next to the object's own place.
    const double middle = orbitPointFraction(n / 2 + 1, n) - orbitPointFraction(n / 2, n);
    EXPECT_LT(middle, even / 10);
  }
}

TEST(OrbitPoints, CountsFollowTheEccentricityAndTheMiddleIsTheObject) {
  SolarSystemWorld world(
      {minorBody(kTypeComet, "Ninety-Two", 0.5, 0.92, 0.001), minorBody(kTypeComet, "Ninety-Seven", 0.5, 0.97, 0.001)});
  auto chart = chartOn(world, kStart);
  struct Case {
    CPlanet* body;
    int count;
  } cases[] = {{world.body(kTypeMoon, 301), 92}, {world.body(kTypePlanet, 4), 92},
               {named(world, "Ninety-Two"), 200}, {named(world, "Ninety-Seven"), 380}};
  for (const Case& c : cases) {
    ASSERT_NE(c.body, nullptr);
    chart->updateObjectPosition(world.database().getParentPlanet(c.body));
    chart->updateObjectPosition(c.body);
    ASSERT_TRUE(chart->computeOrbitPoints(c.body));
    const ObjectRenderData* data = CSkyChart::getRenderData(c.body);
    ASSERT_EQ(data->orbitPointCount, c.count) << c.body->getNameAt(0);
    double relative[3];
    c.body->getPositionRelativeTo(relative, *world.database().getParentPlanet(c.body));
    const double* middle = &data->orbitPoints[3 * (c.count / 2)];
    EXPECT_LT(vectorDistance(middle, relative), 1e-9 * vectorLength(relative)) << c.body->getNameAt(0);
  }
}

// Hyperbolic mean anomaly of true anomaly v.
double hyperbolicMeanAnomaly(double e, double v) {
  const double h = 2 * std::atanh(std::sqrt((e - 1) / (e + 1)) * std::tan(v / 2));
  return e * std::sinh(h) - h;
}

TEST(OrbitPoints, OpenOrbitsEndAtAHundredPeriapsisDistancesOrAtTheObject) {
  const double e = 1.5, q = 1;
  // Inside: near perihelion. Outside: 150 q out on the way in.
  const double far = -std::acos(((1 + e) / 150 - 1) / e);
  SolarSystemWorld world({minorBody(kTypeComet, "Near", q, e, 0.01, hyperbolicMeanAnomaly(e, 0.3)),
                          minorBody(kTypeComet, "Far", q, e, 0.01, hyperbolicMeanAnomaly(e, far))});
  auto chart = chartOn(world, kStart);
  chart->lightTime = 0;
  for (const auto& [name, reach] : {std::pair<const char*, double>{"Near", 100 * q}, {"Far", 150 * q}}) {
    CPlanet* comet = named(world, name);
    ASSERT_NE(comet, nullptr);
    chart->updateObjectPosition(comet);
    ASSERT_TRUE(chart->computeOrbitPoints(comet));
    const ObjectRenderData* data = CSkyChart::getRenderData(comet);
    ASSERT_EQ(data->orbitPointCount, 380);
    EXPECT_NEAR(vectorLength(&data->orbitPoints[0]), reach, 1e-6 * reach) << name;
    EXPECT_NEAR(vectorLength(&data->orbitPoints[3 * 380]), reach, 1e-6 * reach) << name;
    for (int i = 0; i <= 380; ++i) ASSERT_LE(vectorLength(&data->orbitPoints[3 * i]), reach * (1 + 1e-6));
  }
}

TEST(OrbitTrack, APlanetsOrbitPassesThroughItsDrawnPlace) {
  SolarSystemWorld world;
  auto chart = chartOn(world, kStart);
  CPlanet* mars = world.body(kTypePlanet, 4);
  double place[3];
  const chart_test::TestView view = centreOnMars(world, *chart, place);
  for (auto backend : {chart_test::Backend::twoD, chart_test::Backend::gl}) {
    if (!chart_test::backendAvailable(backend)) continue;
    auto canvas = chart_test::makeCanvas(backend, *chart, 400, 400);
    chart->drawOrbitTrack(mars, -1);
    chart->drawOrbitTrack(mars, 1);
    canvas->save(std::string("orbit_through_mars_") + (backend == chart_test::Backend::gl ? "gl" : "2d"));
    const chart_test::Raster raster = canvas->raster();
    double x, y;
    ASSERT_TRUE(view.project(place, &x, &y));
    double nearest = 1e9;
    for (int py = 0; py < raster.height; ++py)
      for (int px = 0; px < raster.width; ++px)
        if (raster.at(px, py) > 0.25f) nearest = std::min(nearest, std::hypot(px + 0.5 - x, py + 0.5 - y));
    EXPECT_LT(nearest, 1.0);
    EXPECT_GT(raster.inkCount(), 300);
  }
}

std::vector<std::array<double, 3>> pyEphemPlaces(const std::vector<double>& args, const std::vector<double>& times) {
  const char* root = std::getenv("TESSALY_SOURCE_DIR");
  std::string command = "/usr/bin/python3 " + std::string(root != nullptr ? root : ".") +
                        "/tests/chart/path_oracle.py";
  char number[40];
  for (double v : args) std::snprintf(number, sizeof number, " %.17g", v), command += number;
  for (double v : times) std::snprintf(number, sizeof number, " %.17g", v), command += number;
  std::vector<std::array<double, 3>> rows;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return rows;
  std::array<double, 3> row;
  while (std::fscanf(pipe, "%lf %lf %lf", &row[0], &row[1], &row[2]) == 3) rows.push_back(row);
  pclose(pipe);
  return rows;
}

TEST(ObjectPath, ANearAsteroidGetsTwoMonthsOfHourlyPointsWherePyEphemPutsIt) {
  // A 400-day asteroid at perihelion 0.05 AU beyond the Earth, in the
  // ecliptic along the Earth's heliocentric longitude.
  double pvh[2][3], pvb[2][3];
  eraEpv00(kStart, 0, pvh, pvb);
  const double obliquity = 84381.406 / 3600 * kRadiansPerDegree;
  const double ex = pvh[0][0], ey = pvh[0][1] * std::cos(obliquity) + pvh[0][2] * std::sin(obliquity);
  const double earthLongitude = std::atan2(ey, ex), earthDistance = std::hypot(ex, ey);
  const double n = 2 * kPiExact / 400, a = std::cbrt(kGauss * kGauss / (n * n));
  const double q = earthDistance + 0.05, e = 1 - q / a;
  BodyRecord rock = minorBody(kTypeAsteroid, "Nearby", q, e, n, 0);
  rock.i = 0, rock.node = 0, rock.omega = earthLongitude;
  SolarSystemWorld world({rock});
  const double jd = kStart + 0.3;  // not on a whole hour
  auto chart = chartOn(world, jd);
  chart->timeZone = 1.0 / 24;
  chart->setJulianDate(jd);
  CPlanet* asteroid = named(world, "Nearby");
  chart->updateObjectPosition(asteroid);
  ASSERT_LT(asteroid->getDistance(), 0.1);
  SkyObjectPath path;
  ASSERT_TRUE(chart->computeObjectPath(asteroid, &path, false));
  EXPECT_EQ(chart->julianDate, jd);  // the clock is restored
  ASSERT_EQ(path.count, 1440);
  ASSERT_EQ(path.capacity, 1440);
  EXPECT_DOUBLE_EQ(path.timeStep, 1.0 / 24);

  std::vector<double> times;
  const int oldest = (path.newest - path.count + 1 + path.capacity) % path.capacity;
  for (int k = 0; k < path.count; k += 37) times.push_back(path.points[4 * ((oldest + k) % path.capacity) + 3]);
  for (int k = 0; k < path.count; ++k) {
    const double t = path.points[4 * ((oldest + k) % path.capacity) + 3];
    const double hours = (t + 1.0 / 24 - 0.5) * 24;
    ASSERT_NEAR(hours, std::round(hours), 1e-5) << k;  // whole local hours
  }
  EXPECT_NEAR(path.points[4 * oldest + 3], jd - 30, 1.0 / 24);
  const auto rows = pyEphemPlaces({11.58, 48.14, 500, a, e, 0, 0, earthLongitude / kRadiansPerDegree, 0, kStart}, times);
  if (rows.size() != times.size()) TESSALY_SKIP_OR_FAIL("the PyEphem oracle (python3-ephem) did not run");
  double worst = 0;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const int k = static_cast<int>(r) * 37;
    const double* point = &path.points[4 * ((oldest + k) % path.capacity)];
    double equatorial[3], oracle[3];
    chart->setJulianDate(point[3]);
    chart->convertCoordSystem(path.mode, 1, point, equatorial);
    oracle[0] = std::cos(rows[r][2]) * std::cos(rows[r][1]);
    oracle[1] = std::cos(rows[r][2]) * std::sin(rows[r][1]);
    oracle[2] = std::sin(rows[r][2]);
    worst = std::max(worst, std::acos(std::min(1.0, vectorDot(equatorial, oracle))));
  }
  std::printf("worst difference from PyEphem: %.2f arcsec over %zu points\n", worst / kRadiansPerDegree * 3600, rows.size());
  EXPECT_LT(worst, 20.0 / 3600 * kRadiansPerDegree);
  resetObjectPath(&path);
}

TEST(ObjectPath, WithoutAPeriodAYearOfDailyPointsAndTimeFlowEndsAtTheChartTime) {
  SolarSystemWorld world({minorBody(kTypeAsteroid, "Still", 2, 0.1, 0)});
  auto chart = chartOn(world, kStart + 0.3);
  CPlanet* still = named(world, "Still");
  chart->updateObjectPosition(still);
  SkyObjectPath path;
  ASSERT_TRUE(chart->computeObjectPath(still, &path, false));
  EXPECT_EQ(path.count, 365);
  EXPECT_DOUBLE_EQ(path.timeStep, 1.0);
  for (int k = 0; k < path.count; ++k) {
    const double local = path.points[4 * k + 3] + chart->timeZone - 0.5;
    ASSERT_NEAR(local, std::round(local), 1e-9);  // local midnights
  }
  chart->timeFlowStep = 0.01;
  ASSERT_TRUE(chart->computeObjectPath(still, &path, true));
  EXPECT_EQ(path.count, 365);
  EXPECT_DOUBLE_EQ(path.points[4 * path.newest + 3], kStart + 0.3);
  EXPECT_NEAR(path.points[4 * ((path.newest + 1) % 365) + 3], kStart + 0.3 - 3.64, 1e-9);
  resetObjectPath(&path);
}

TEST(ObjectPath, ChangingTheTimeFlowStepEmptiesEveryHighlightedPath) {
  SolarSystemWorld world;
  auto chart = chartOn(world, kStart);
  SkyObjectID ids[2] = {world.reference(world.body(kTypePlanet, 4)), world.reference(world.body(kTypePlanet, 5))};
  chart->setHighlightedObjects(ids, 2);
  for (int i = 0; i < 2; ++i) {
    CPlanet* body = world.body(kTypePlanet, 4 + i);
    chart->updateObjectPosition(body);
    ASSERT_TRUE(chart->appendPathPoint(body, &chart->highlights[i], 0));
    EXPECT_EQ(chart->highlights[i].capacity, 365);  // a fresh ring at the time-flow step
  }
  chart->setTimeFlowStep(chart->timeFlowStep);  // unchanged: kept
  EXPECT_EQ(chart->highlights[0].count, 1);
  chart->setTimeFlowStep(0.5);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(chart->highlights[i].count, 0);
    EXPECT_EQ(chart->highlights[i].points, nullptr);
  }
}

TEST(ObjectPath, APathThatDoesNotMoveGetsOneLabel) {
  SolarSystemWorld world;
  auto chart = chartOn(world, kStart);
  CPlanet* mars = world.body(kTypePlanet, 4);
  double place[3];
  centreOnMars(world, *chart, place);
  chart_test::Canvas2D canvas(*chart, 400, 400);
  SkyObjectPath path;
  for (int k = 0; k < 5; ++k) ASSERT_TRUE(chart->appendPathPoint(mars, &path, 0));
  EXPECT_EQ(path.largestStep, 0);
  chart->clearLabelRects();
  chart->drawObjectPath(mars, &path, true);
  EXPECT_EQ(chart->labelRectCount, 1);
  resetObjectPath(&path);
}

TEST(TabulatedPath, GapsBetweenFarApartEndsStayBounded) {
  SolarSystemWorld world(mechanics_test::standardExtraBodies());
  auto chart = chartOn(world, kStart);
  CPlanet* probe = nullptr;
  for (int i = 0; i < world.database().getSolarSystemObjectCount(); ++i)
    if (world.database().getSolarSystemObject(i)->getType() == kTypeSpacecraft) probe = world.database().getSolarSystemObject(i);
  ASSERT_NE(probe, nullptr);
  ASSERT_NE(probe->allocatePath(2), nullptr);
  const double p0[3] = {1, 0, 0}, p1[3] = {1, 0.1, 0}, v[3] = {0, 0.1, 0};
  ASSERT_TRUE(probe->setPathRow(0, p0, v, kStart));
  ASSERT_TRUE(probe->setPathRow(1, p1, v, kStart + 1));
  const double diagonal = std::hypot(400.0, 400.0);
  for (GPoint far : {GPoint{1e30f, 5}, GPoint{INFINITY, 0}, GPoint{NAN, NAN}, GPoint{3000, 4000}}) {
    chart->vertexCount = 0;
    chart->drawTabulatedSegment(probe, 0, 1, GPoint{0, 0}, far);
    EXPECT_LE(chart->vertexCount, 2 * static_cast<int>(std::ceil(diagonal / 10))) << far.x;
  }
  chart->vertexCount = 0;
  probe->allocatePath(0);
}

}  // namespace

// The selected planet's orbit shows in a whole GL frame whether or not the
// star layer ran before it. Before: the star layer, finding nothing to
// draw (here: no star files), left its sprite texturing and additive
// blending on, and the orbit's plain lines drew nothing.
TEST(OrbitTrack, TheSelectedOrbitShowsAfterAStarLayerThatDrewNothing) {
  if (!chart_test::backendAvailable(chart_test::Backend::gl)) GTEST_SKIP() << "no GL layer";
  SolarSystemWorld world;
  auto chart = chartOn(world, kStart);
  CPlanet* mars = world.body(kTypePlanet, 4);
  double place[3];
  centreOnMars(world, *chart, place);
  SkyObjectID id = world.reference(mars);
  chart->selectObject(&id);
  chart->showSelectedObjectOrbit = true;
  auto canvas = chart_test::makeCanvas(chart_test::Backend::gl, *chart, 400, 400);
  auto frame = [&](bool stars) {
    canvas->clear();
    chart->showStars = stars;
    chart->updateNeeded = true;
    chart->drawSkyChart();
    canvas->save(stars ? "orbit_after_star_layer" : "orbit_without_star_layer");
    return canvas->raster();
  };
  const chart_test::Raster without = frame(false), with = frame(true);
  // The orbit crosses the whole 400-pixel view.
  EXPECT_GT(without.inkCount(0.1f), 1000);
  EXPECT_EQ(with.inkCount(0.1f), without.inkCount(0.1f));
}
