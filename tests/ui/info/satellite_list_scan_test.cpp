// The list scan against the chart: with element sets older (or newer) than
// the month the full model is trusted for, every row's time is one at
// which the chart itself places the satellite above the list's altitude,
// as the row says, and the chart's rule finds rows at all.
#include "ui/info/satellite_list_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "skydata/object_factory.h"
#include "skydata/satellite.h"
#include "skydata/sky_database.h"
#include "tests/ui/info/chart_screen.h"
#include "ui/info/list_manager.h"

namespace {

using info_test::InfoSky;

constexpr double kDegree = M_PI / 180;
constexpr double kListAltitude = 6 * kDegree;
// The scan takes the observer at sea level without aberration; the chart
// moves the direction by less than a hundredth of a degree for either.
constexpr double kAltitudeMargin = 0.05 * kDegree;

// The satellite's altitude (geometric) where the chart draws it at `jd`.
double chartAltitude(CSkyChart& chart, CSkyObject& satellite, double jd) {
  chart.setJulianDate(jd);
  chart.updateObjectPosition(&satellite);
  double direction[3], horizon[3];
  satellite.getPosition(direction);
  chart.fundamentalToHorizon(direction, horizon);
  return std::asin(std::clamp(horizon[2], -1.0, 1.0));
}

struct Tally {
  int rows = 0, below = 0;
};

// Every row of the list, checked on the chart the list was made from.
void checkRows(InfoSky& sky, info_test::ChartScreen& screen, const std::string& title,
               Tally& tally) {
  SkyObjectID* ids = nullptr;
  double* times = nullptr;
  const std::int64_t count = ListMgr::getList(title, &ids, &times, nullptr, nullptr);
  ASSERT_NE(times, nullptr) << title;
  const double listJD = screen.chart->julianDate;
  for (std::int64_t i = 0; i < count; ++i) {
    SkyObjectID id = ids[i];
    CSatellite* satellite = asSatellite(sky.database().getObject(&id));
    ASSERT_NE(satellite, nullptr);
    const double altitude = chartAltitude(*screen.chart, *satellite, times[i]);
    ++tally.rows;
    if (altitude < kListAltitude - kAltitudeMargin) {
      ++tally.below;
      ADD_FAILURE() << title << ": " << id.name << " listed at JD " << times[i]
                    << " where the chart puts it at " << altitude / kDegree << "°";
    }
  }
  screen.chart->setJulianDate(listJD);
}

TEST(SatelliteListScan, RowsOfOldElementsAreWhereTheChartPlacesTheSatellite) {
  InfoSky sky;
  // Days from the element sets' epochs (2018 January 20-21): just past the
  // month, a year and more, and two months before them.
  const double ages[] = {45, 400, 1050, -60};
  // East longitude, latitude (degrees).
  const double sites[][2] = {{0, 45}, {-100, 35}, {140, -35}};
  Tally tally;
  for (double age : ages) {
    for (const auto& site : sites) {
      SCOPED_TRACE("age " + std::to_string(age) + " days at " + std::to_string(site[0]) + " " +
                   std::to_string(site[1]));
      info_test::ChartScreen screen(sky, info_test::kSatelliteDate + age, site[0], site[1]);
      screen.settings.setPlanetMagnitudeLimit(6.0f);
      checkRows(sky, screen, "Tonight's Satellites", tally);
      screen.settings.setSortListBy("SortListByPassTime");
      checkRows(sky, screen, "Brightest", tally);
      checkRows(sky, screen, "Weather", tally);
    }
  }
  std::printf("%d rows, %d where the chart disagrees\n", tally.rows, tally.below);
  // Most of the eleven brightest pass over each site within a day.
  EXPECT_GE(tally.rows, 150);
}

}  // namespace
