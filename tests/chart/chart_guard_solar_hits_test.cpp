// A tap on the farthest body of the solar system, the first entry of the
// draw list the hit test walks from the near end: Pluto in 2025, found at
// the place PyEphem gives it. A satellite behind the Earth in the space
// views, neither drawn nor found, by its sight line through the Earth.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "chart/sky_chart.h"
#include "engine/sky_coordinates.h"
#include "engine/vectors.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"
#include "tests/chart/chart_canvas.h"
#include "tests/mechanics/mechanics_fixture.h"
#include "tests/support/requirements.h"

namespace {

constexpr double kDegree = 0.017453292519943295;

TEST(ChartGuardSolarHits, ATapOnTheFarthestBodyOfTheDrawListSelectsIt) {
  const double jd = 2460676.5;  // 2025 January 1: Pluto 36 AU away, Neptune 30
  const char* root = std::getenv("TESSALY_SOURCE_DIR");
  const std::string command = "/usr/bin/python3 " + std::string(root != nullptr ? root : ".") +
                              "/tests/chart/planet_place_oracle.py Pluto " + std::to_string(jd);
  double row[5] = {};
  int read = 0;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    for (double& value : row) read += std::fscanf(pipe, "%lf", &value) == 1;
    pclose(pipe);
  }
  if (read != 5) TESSALY_SKIP_OR_FAIL("the PyEphem oracle (python3-ephem) did not run");
  ASSERT_GT(row[3], 35);

  mechanics_test::SolarSystemWorld world;
  ASSERT_TRUE(world.loaded());
  CSkyChart chart(&world.database(), "");
  chart.setViewport(0, 0, 400, 400);
  chart.setDisplayProjection(1);
  chart.setLocation(row[4], row[2], 0);  // Pluto overhead: no parallax
  chart.aberration = 0;
  chart.planetMagLimitInUse = 16;
  chart.setJulianDate(jd);
  chart_test::TestView view;
  view.lon0 = row[1], view.lat0 = row[2], view.fov = 1 * kDegree, view.width = view.height = 400;
  chart_test::applyView(chart, view);
  CPlanet* pluto = world.body(kTypePlanet, 9);
  ASSERT_NE(pluto, nullptr);

  SkyObjectID hits[8];
  const int n = chart.findSolarSystemObjectsAt({200, 200}, hits, 8);
  ASSERT_GT(chart.planetDistanceCount, 10);
  EXPECT_EQ(chart.planetDistances[0].index, static_cast<std::uint32_t>(world.indexOf(pluto)));
  EXPECT_EQ(chart.planetDistances[0].flag, 0);
  ASSERT_EQ(n, 1);
  EXPECT_EQ(hits[0].index, world.reference(pluto).index);
  // Beyond the tap's reach (the marker size) nothing is found.
  EXPECT_EQ(chart.findSolarSystemObjectsAt({200 + chart.markerSize + 8, 200}, hits, 8), 0);
  EXPECT_EQ(chart.selectObjectAt({200, 200}), 1);
  EXPECT_EQ(chart.selectedObject, pluto);
}

// A satellite behind the Earth in the space views (the orbit view round
// the Earth, and the view from another satellite) is neither drawn nor
// found by a tap; in front of it, it is both. Whether the Earth stands in
// the way is judged here from the sight line: the segment from the
// observer to the satellite passing within the Earth's radius of its
// centre. Drawn is told by the pixels round the satellite's place with
// its category shown and hidden (label included).
class ChartGuardSatellitesBehindTheEarth : public testing::Test {
 protected:
  static constexpr int kSize = 400;
  static constexpr double kEarthRadiusAU = 6378.137 / 149597870.7;

  ChartGuardSatellitesBehindTheEarth() : world_({}, satellites()), chart_(&world_.database(), "") {
    chart_.setViewport(0, 0, kSize, kSize);
    chart_.setDisplayProjection(1);
    chart_.showSatellites = chart_.showMinorPlanetNames = true;
    chart_.showPlanetPhases = 0;
    chart_.followHomePlanet = 0;
  }

  // The station in category 1, the geostationary satellite in 2, both
  // named (for their labels) and of unknown brightness (drawn however
  // faint).
  static std::vector<mechanics_test::SatelliteRecord> satellites() {
    auto named = [](const char* const lines[2], const char* name) {
      SatelliteElementSet elements = mechanics_test::elementsFromLines(lines[0], lines[1]);
      std::snprintf(elements.name, sizeof elements.name, "%s", name);
      return elements;
    };
    return {{named(mechanics_test::kIssLines, "ISS"), INFINITY, {1}},
            {named(mechanics_test::kGeostationaryLines, "GEO"), INFINITY, {2}}};
  }

  // Nearest approach to the Earth's centre of the sight line to the
  // satellite, in Earth radii, at the chart's time.
  double sightMiss(CPlanet* satellite) {
    CPlanet* earth = world_.body(kTypePlanet, 3);
    chart_.updatePlanetPosition(earth);
    chart_.updatePlanetPosition(satellite);
    double centre[3], target[3], from[3], to[3], line[3];
    earth->getHeliocentricPosition(centre);
    satellite->getHeliocentricPosition(target);
    vectorSubtract(chart_.observerPosition, centre, from);
    vectorSubtract(target, centre, to);
    vectorSubtract(to, from, line);
    double t = std::clamp(-vectorDot(from, line) / vectorDot(line, line), 0.0, 1.0), gap[3];
    for (int k = 0; k < 3; ++k) gap[k] = from[k] + t * line[k];
    return vectorLength(gap) / kEarthRadiusAU;
  }

  // The satellite (of the category), behind the Earth or well in front of
  // it, leaves ink near its place and is found by a tap there only when
  // in front.
  void expectSeenUnlessBehind(CPlanet* satellite, int category, bool behind, const std::string& name) {
    ASSERT_TRUE(chart_.isSpaceView());
    double miss = sightMiss(satellite);
    ASSERT_TRUE(behind ? miss < 0.5 : miss > 1.02) << name << ": " << miss;
    SkyObjectID id = world_.reference(satellite);
    chart_.setDisplayFOV(60 * kDegree);
    chart_.centerOnObjectID(&id);
    chart_.updateDisplayMatrix();
    std::vector<std::uint8_t> frames[2];
    auto canvas = chart_test::makeCanvas(chart_test::Backend::gl, chart_, kSize, kSize);
    for (int shown = 0; shown < 2; ++shown) {
      chart_.satelliteCategories[category] = shown == 1;
      canvas->clear();
      chart_.updateNeeded = true;
      chart_.clearLabelRects();
      chart_.drawSolarSystemObjects();
      canvas->save(name + (shown ? "" : "_without"));
      frames[shown] = canvas->colors();
    }
    double v[3], x = 0, y = 0;
    satellite->getPosition(v);
    ASSERT_TRUE(chart_.vectorToScreen(v, &x, &y));
    int differing = 0;
    for (int py = static_cast<int>(y) - 40; py <= y + 40; ++py)
      for (int px = static_cast<int>(x) - 40; px <= x + 40; ++px) {
        if (px < 0 || py < 0 || px >= kSize || py >= kSize) continue;
        std::size_t at = (static_cast<std::size_t>(py) * kSize + px) * 4;
        differing += !std::equal(&frames[0][at], &frames[0][at] + 4, &frames[1][at]);
      }
    EXPECT_EQ(differing > 0, !behind) << name;
    SkyObjectID hits[16];
    int n = chart_.findSolarSystemObjectsAt({static_cast<float>(x), static_cast<float>(y)}, hits, 16);
    bool found = false;
    for (int i = 0; i < n; ++i) found = found || hits[i].index == id.index;
    EXPECT_EQ(found, !behind) << name;
  }

  mechanics_test::SolarSystemWorld world_;
  CSkyChart chart_;
};

TEST_F(ChartGuardSatellitesBehindTheEarth, InTheOrbitView) {
  ASSERT_TRUE(world_.loaded());
  if (!chart_test::backendAvailable(chart_test::Backend::gl)) GTEST_SKIP() << "no GL layer";
  chart_.setJulianDate(2454730.0);
  CPlanet* iss = world_.body(kTypeSatellite, 25544);
  CPlanet* earth = world_.body(kTypePlanet, 3);
  chart_.updatePlanetPosition(iss);
  chart_.updatePlanetPosition(earth);
  double station[3], centre[3], up[3];
  iss->getHeliocentricPosition(station);
  earth->getHeliocentricPosition(centre);
  vectorSubtract(station, centre, up);
  chart_.setHomeObject(world_.reference(earth));
  chart_.setDisplayCoordSystem(kCoordEquatorial);
  // 45,000 km from the Earth's centre straight over the station, then
  // straight under it.
  for (double side : {1.0, -1.0}) {
    double direction[3] = {side * up[0], side * up[1], side * up[2]}, display[3], lon = 0, lat = 0;
    chart_.convertCoordSystem(kCoordFundamental, kCoordEquatorial, direction, display);
    vectorToSpherical(display, &lon, &lat, nullptr);
    chart_.setHomePlanetPosition(lon, lat, 0.0003);
    expectSeenUnlessBehind(iss, 1, side < 0, side < 0 ? "orbit_view_behind" : "orbit_view_in_front");
  }
}

// From the station: within one revolution the geostationary satellite
// sets behind the Earth and rises again (over the station's horizontal
// plane, where the nearest point of the sight line is the station).
TEST_F(ChartGuardSatellitesBehindTheEarth, InTheViewFromAnotherSatellite) {
  ASSERT_TRUE(world_.loaded());
  if (!chart_test::backendAvailable(chart_test::Backend::gl)) GTEST_SKIP() << "no GL layer";
  CPlanet* iss = world_.body(kTypeSatellite, 25544);
  CPlanet* geo = world_.body(kTypeSatellite, 24208);
  chart_.setDisplayCoordSystem(kCoordEquatorial);
  chart_.setHomeObject(world_.reference(iss));
  chart_.setHomePlanetPosition(0, 0, 0);
  double behind = NAN, inFront = NAN;
  for (double jd = 2454730.0; jd < 2454730.0 + 0.07; jd += 1.0 / 1440) {
    chart_.setJulianDate(jd);
    double miss = sightMiss(geo);
    if (miss < 0.5 && std::isnan(behind)) behind = jd;
    if (miss > 1.04 && std::isnan(inFront)) inFront = jd;
  }
  ASSERT_TRUE(std::isfinite(behind) && std::isfinite(inFront));
  for (double jd : {inFront, behind}) {
    chart_.setJulianDate(jd);
    expectSeenUnlessBehind(geo, 2, jd == behind, jd == behind ? "station_view_behind" : "station_view_in_front");
  }
}

}  // namespace
