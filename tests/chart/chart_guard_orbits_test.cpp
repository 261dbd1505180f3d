// Drawn orbits against independent places: a satellite's days after its
// element epoch, when the node has moved on by several degrees, against
// python3-sgp4 over one revolution; moons', with light time on, centred
// on their planet where PyEphem sees it and as large as the moon's orbit.
#include <erfa.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "chart/sky_chart.h"
#include "engine/vectors.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/satellite.h"
#include "skydata/sky_database.h"
#include "tests/chart/chart_canvas.h"
#include "tests/mechanics/mechanics_fixture.h"
#include "tests/support/requirements.h"

namespace {

using mechanics_test::SatelliteRecord;
using mechanics_test::SolarSystemWorld;

constexpr double kDegree = 0.017453292519943295;
constexpr double kKmPerAU = 149597870.7;

std::string sourcePath(const char* relative) {
  const char* root = std::getenv("TESSALY_SOURCE_DIR");
  return std::string(root != nullptr ? root : ".") + "/" + relative;
}

// Runs a command and reads its output as rows of `width` numbers.
std::vector<std::vector<double>> rowsOf(const std::string& command, int width) {
  std::vector<std::vector<double>> rows;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return rows;
  std::vector<double> row(static_cast<std::size_t>(width));
  for (;;) {
    int read = 0;
    for (double& value : row) read += std::fscanf(pipe, "%lf", &value) == 1;
    if (read != width) break;
    rows.push_back(row);
  }
  pclose(pipe);
  return rows;
}

// Distance from p to the segment a-b.
double segmentDistance(const double p[3], const double a[3], const double b[3]) {
  double ab[3], ap[3];
  eraPmp(const_cast<double*>(b), const_cast<double*>(a), ab);
  eraPmp(const_cast<double*>(p), const_cast<double*>(a), ap);
  const double length2 = eraPdp(ab, ab);
  const double t = length2 > 0 ? std::clamp(eraPdp(ap, ab) / length2, 0.0, 1.0) : 0.0;
  double closest[3];
  for (int k = 0; k < 3; ++k) closest[k] = a[k] + t * ab[k] - p[k];
  return eraPm(closest);
}

// The ISS three and a third days after its element epoch: its node has
// regressed some 17 degrees, so an orbit drawn from the epoch's elements
// misses the places by hundreds of kilometres on the side away from the
// satellite. Every drawn point lies on the track python3-sgp4 gives over
// the revolution centred on the chart's time, taken from the element
// sets' frame (true equator, mean equinox) to mean J2000 by ERFA's IAU
// 1976/1980 precession and nutation; the drawn points go round the whole
// turn.
TEST(ChartGuardOrbits, ASatellitesOrbitDaysAfterItsEpochLiesOnTheSgp4Places) {
  SatelliteRecord iss;
  iss.elements = mechanics_test::elementsFromLines(mechanics_test::kIssLines[0], mechanics_test::kIssLines[1]);
  SolarSystemWorld world({}, {iss});
  ASSERT_TRUE(world.loaded());
  CSkyChart chart(&world.database(), "");
  chart.setViewport(0, 0, 400, 400);
  chart.setDisplayProjection(1);
  chart.setLocation(11.58 * kDegree, 48.14 * kDegree, 500);
  chart.lightTime = 0;
  const double jd = iss.elements.epoch + 3.3;
  chart.setJulianDate(jd);
  CPlanet* earth = world.body(kTypePlanet, 3);
  CSatellite* satellite = world.satellite(static_cast<std::uint32_t>(iss.elements.catalogueNumber));
  ASSERT_NE(satellite, nullptr);
  chart.updateObjectPosition(earth);
  chart.updateObjectPosition(satellite);
  ASSERT_TRUE(chart.computeOrbitPoints(satellite));
  const ObjectRenderData* data = CSkyChart::getRenderData(satellite);
  ASSERT_NE(data, nullptr);

  // One revolution in 480 steps, centred on the chart's time.
  const double period = 1 / 15.72125391;
  const std::string queries = "/tmp/tessaly_guard_sgp4_" + std::to_string(getpid());
  FILE* out = std::fopen(queries.c_str(), "w");
  ASSERT_NE(out, nullptr);
  std::fprintf(out, "%s|%s|%.10f|481|%.12f\n", mechanics_test::kIssLines[0], mechanics_test::kIssLines[1],
               jd - period / 2, period / 480);
  std::fclose(out);
  const auto rows = rowsOf("/usr/bin/python3 " + sourcePath("tests/engine/sgp4_oracle.py") + " < " + queries, 8);
  std::remove(queries.c_str());
  if (rows.size() != 481) TESSALY_SKIP_OR_FAIL("the SGP4 oracle (python3-sgp4) did not run");

  const double tt = chart.dynamicalJulianDate;
  double nutation[3][3], equinox[3][3];
  eraPnm80(tt, 0, nutation);
  eraIr(equinox);
  eraRz(-eraEqeq94(tt, 0), equinox);  // mean equinox to the true one
  std::vector<std::array<double, 3>> track;
  for (const auto& row : rows) {
    ASSERT_EQ(row[0], 0);
    double teme[3] = {row[2], row[3], row[4]}, ofDate[3];
    std::array<double, 3> mean;
    eraRxp(equinox, teme, ofDate);
    eraTrxp(nutation, ofDate, mean.data());
    track.push_back(mean);
  }
  double worst = 0, turn = 0, previous[3] = {};
  for (int i = 0; i <= data->orbitPointCount; ++i) {
    double point[3];
    for (int k = 0; k < 3; ++k) point[k] = data->orbitPoints[3 * i + k] * kKmPerAU;
    double nearest = 1e30;
    for (std::size_t j = 1; j < track.size(); ++j)
      nearest = std::min(nearest, segmentDistance(point, track[j - 1].data(), track[j].data()));
    worst = std::max(worst, nearest);
    if (i > 0) turn += eraSepp(previous, point);
    eraCp(point, previous);
  }
  std::printf("worst distance from the SGP4 track: %.2f km over %d points\n", worst,
              data->orbitPointCount + 1);
  EXPECT_LT(worst, 25.0);
  EXPECT_NEAR(turn, 2 * 3.141592653589793, 0.05);
}

// A moon's orbit drawn with light time on (both stretches) in a view 400
// pixels square centred on the place PyEphem gives its planet, seen from a
// site that has the planet overhead (no parallax).
struct MoonOrbitAsSeen {
  double ra = 0, dec = 0, distance = 0;  // PyEphem's planet: radians, AU
  std::unique_ptr<SolarSystemWorld> world;
  std::unique_ptr<CSkyChart> chart;
  CPlanet* planet = nullptr;
  CPlanet* moon = nullptr;
  chart_test::TestView view;
  std::unique_ptr<chart_test::Canvas2D> canvas;

  // False when the oracle did not run.
  bool draw(const char* planetName, int planetNumber, int moonNumber, double jd, double fovDegrees,
            const char* snapshot) {
    const auto rows = rowsOf("/usr/bin/python3 " + sourcePath("tests/chart/planet_place_oracle.py") + " " +
                                 planetName + " " + std::to_string(jd),
                             5);
    if (rows.size() != 1) return false;
    ra = rows[0][1], dec = rows[0][2], distance = rows[0][3];
    world = std::make_unique<SolarSystemWorld>(mechanics_test::standardExtraBodies());
    EXPECT_TRUE(world->loaded());
    chart = std::make_unique<CSkyChart>(&world->database(), "");
    chart->setViewport(0, 0, 400, 400);
    chart->setDisplayProjection(1);
    chart->setLocation(rows[0][4], dec, 0);
    chart->lightTime = 1;
    chart->aberration = 0;
    chart->setJulianDate(jd);
    planet = world->body(kTypePlanet, planetNumber);
    moon = world->body(kTypeMoon, moonNumber);
    EXPECT_NE(moon, nullptr);
    if (moon == nullptr) return true;
    chart->updateObjectPosition(world->body(kTypePlanet, 0));
    chart->updateObjectPosition(planet);
    chart->updateObjectPosition(moon);
    view.lon0 = ra, view.lat0 = dec, view.fov = fovDegrees * kDegree, view.width = view.height = 400;
    chart_test::applyView(*chart, view);
    canvas = std::make_unique<chart_test::Canvas2D>(*chart, 400, 400);
    chart->drawOrbitTrack(moon, -1);
    chart->drawOrbitTrack(moon, 1);
    canvas->save(snapshot);
    return true;
  }
};

// Rhea's orbit, light time on, from 10 AU: Saturn and the moon are seen
// where they were some 80 minutes earlier, when Saturn stood about 7" from
// where it is now (15 pixels here). The ink of the drawn orbit (both
// stretches; the orbit is all but circular, so its centre is the planet's
// place) is centred on the place PyEphem gives Saturn, seen from a site
// that has it overhead (no parallax), and on the chart's own place of it.
TEST(ChartGuardOrbits, WithLightTimeAMoonsOrbitIsCentredOnItsPlanetAsSeen) {
  // 0.05 degrees across: Rhea's orbit, 74" in radius, spans 80 percent
  // of the view, PyEphem's Saturn at its centre.
  MoonOrbitAsSeen scene;
  if (!scene.draw("Saturn", 6, 605, 2460676.5 /* 2025 January 1 */, 0.05, "rhea_orbit_light_time"))
    TESSALY_SKIP_OR_FAIL("the PyEphem oracle (python3-ephem) did not run");
  ASSERT_GT(scene.distance, 9.5);
  ASSERT_NE(scene.moon, nullptr);
  const chart_test::TestView& view = scene.view;
  CPlanet* saturn = scene.planet;
  chart_test::Canvas2D& canvas = *scene.canvas;
  const chart_test::Raster raster = canvas.raster();
  double sum = 0, sx = 0, sy = 0;
  int border = 0;
  for (int y = 0; y < raster.height; ++y)
    for (int x = 0; x < raster.width; ++x) {
      const double a = raster.at(x, y);
      sum += a, sx += a * (x + 0.5), sy += a * (y + 0.5);
      if (a > 0 && (x == 0 || y == 0 || x == raster.width - 1 || y == raster.height - 1)) ++border;
    }
  ASSERT_GT(raster.inkCount(), 300);
  EXPECT_EQ(border, 0);  // the whole orbit is in the view
  const double cx = sx / sum, cy = sy / sum;
  const double pixelsPerArcsecond = 1 / (view.scale() / kDegree * 3600);
  std::printf("orbit centre %.2f, %.2f pixels from PyEphem's Saturn (%.2f pixels to the arcsecond)\n",
              cx - 200, cy - 200, pixelsPerArcsecond);
  EXPECT_LT(std::hypot(cx - 200, cy - 200), 1.5 * pixelsPerArcsecond);
  double place[3], x, y;
  saturn->getPosition(place);
  ASSERT_TRUE(view.project(place, &x, &y));
  EXPECT_LT(std::hypot(cx - x, cy - y), 1.0);
}

// Io's orbit, light time on, from 5 AU. The orbit is drawn from the body
// table's mean elements and moved onto the moon's place from its own
// theory, so a mean longitude read at the wrong epoch moves the whole
// ellipse by up to twice Io's distance. Every drawn point is checked
// against a circle built here from published values only: 421,800 km
// (Io's mean distance) about PyEphem's Jupiter, in the plane of Jupiter's
// equator (IAU pole RA 268.056595, Dec 64.495303). Io's eccentricity
// (0.0041), the mean elements' own error (a degree of longitude) and the
// line's width leave the ink within 3 pixels of that circle; the circle's
// 116" radius is 170 pixels here.
TEST(ChartGuardOrbits, WithLightTimeIosOrbitLiesAtItsDistanceAroundJupiterAsSeen) {
  MoonOrbitAsSeen scene;
  if (!scene.draw("Jupiter", 5, 501, 2460740.5 /* 2025 March 6, 5.06 AU */, 0.075, "io_orbit_light_time"))
    TESSALY_SKIP_OR_FAIL("the PyEphem oracle (python3-ephem) did not run");
  ASSERT_GT(scene.distance, 4.9);
  ASSERT_NE(scene.moon, nullptr);
  const chart_test::TestView& view = scene.view;
  const double ra = scene.ra, dec = scene.dec, distance = scene.distance;
  CPlanet* io = scene.moon;
  chart_test::Canvas2D& canvas = *scene.canvas;

  constexpr double kIoDistanceKm = 421800.0;
  double jupiterPlace[3], pole[3], node[3] = {0, 0, 1}, ahead[3];
  eraS2c(ra, dec, jupiterPlace);
  eraSxp(distance, jupiterPlace, jupiterPlace);
  eraS2c(268.056595 * kDegree, 64.495303 * kDegree, pole);
  double modulus;
  eraPxp(node, pole, node);  // the equator's ascending node on the Earth's
  eraPn(node, &modulus, node);
  eraPxp(pole, node, ahead);
  std::vector<chart_test::Point2> circle;
  for (int k = 0; k <= 720; ++k) {
    const double angle = k * 3.141592653589793 / 360, radius = kIoDistanceKm / kKmPerAU;
    double point[3];
    for (int c = 0; c < 3; ++c)
      point[c] = jupiterPlace[c] + radius * (std::cos(angle) * node[c] + std::sin(angle) * ahead[c]);
    double x, y;
    ASSERT_TRUE(view.project(point, &x, &y));
    circle.push_back({x, y});
  }
  const chart_test::Raster raster = canvas.raster();
  const chart_test::CurveFit fit = chart_test::fitInkToCurves(raster, {circle});
  std::printf("Io's orbit: %d inked pixels, worst %.2f pixels from the circle, circle %.2f from ink\n",
              fit.inkPixels, fit.inkToCurve, fit.curveToInk);
  ASSERT_GT(fit.inkPixels, 300);
  EXPECT_LT(fit.inkToCurve, 3.0);
  EXPECT_LT(fit.curveToInk, 3.0);

  // The points themselves, around the chart's own Jupiter: at Io's distance
  // all round, not only where the ink happens to fall in the view.
  const ObjectRenderData* data = CSkyChart::getRenderData(io);
  ASSERT_NE(data, nullptr);
  double nearest = 1e30, farthest = 0;
  for (int i = 0; i <= data->orbitPointCount; ++i) {
    const double r = eraPm(const_cast<double*>(&data->orbitPoints[3 * i])) * kKmPerAU;
    nearest = std::min(nearest, r), farthest = std::max(farthest, r);
  }
  std::printf("Io's orbit points lie %.0f to %.0f km from Jupiter\n", nearest, farthest);
  EXPECT_GT(nearest, 0.985 * kIoDistanceKm);
  EXPECT_LT(farthest, 1.015 * kIoDistanceKm);
}

}  // namespace
