// A tap on the farthest body of the solar system, the first entry of the
// draw list the hit test walks from the near end: Pluto in 2025, found at
// the place PyEphem gives it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "chart/sky_chart.h"
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

}  // namespace
