// What the chart takes from the database's searches: the satellites it
// highlights, the search filter on highlighted hits, and the rise and set
// times the searches sort by, at the chart's horizon with refraction and
// the upper limb (against PyEphem).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "chart/object_rise_set.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/satellite.h"
#include "skydata/search_filter.h"
#include "skydata/sky_database.h"
#include "tests/chart/sky_fixture.h"

namespace {

using chart_test::ChartSky;
using chart_test::StarDefinition;
using mechanics_test::SatelliteRecord;

constexpr double kDegree = 0.017453292519943295;
constexpr double kSecond = 1.0 / 86400;

SatelliteRecord satellite(const char* const lines[2], std::vector<int> categories) {
  SatelliteRecord record;
  record.elements = mechanics_test::elementsFromLines(lines[0], lines[1]);
  record.standardMagnitude = 2;
  record.categories = std::move(categories);
  return record;
}

class ChartSatelliteHighlights : public testing::Test {
 protected:
  ChartSatelliteHighlights()
      : sky_({}, {satellite(mechanics_test::kIssLines, {1}),
                  satellite(mechanics_test::kMolniyaLines, {2}),
                  satellite(mechanics_test::kGeostationaryLines, {2, 3})}) {
    chart_ = sky_.chart(400, 300, 10, 20, 60);
  }
  std::vector<std::string> highlightedNames() {
    std::vector<std::string> names;
    for (int i = 0; i < chart_->highlightCount; ++i) {
      ScopedSkyObject object(sky_.database().getObject(&chart_->highlights[i].id));
      names.push_back(object ? std::to_string(object->getType()) + ":" +
                                   std::string(chart_->highlights[i].id.name)
                             : "?");
    }
    return names;
  }
  ChartSky sky_;
  std::unique_ptr<CSkyChart> chart_;
};

TEST_F(ChartSatelliteHighlights, AllSatellitesAndSpacecraftAreHighlightedInGreen) {
  chart_->highlightSatellites(true, 100);
  EXPECT_EQ(chart_->highlightCount, 4) << testing::PrintToString(highlightedNames());
  for (int i = 0; i < chart_->highlightCount; ++i) {
    ScopedSkyObject object(sky_.database().getObject(&chart_->highlights[i].id));
    ASSERT_TRUE(object);
    EXPECT_TRUE(object->getType() == kTypeSatellite || object->getType() == kTypeSpacecraft);
  }
  EXPECT_TRUE(chart_->showHighlightedObjectCircles);
  EXPECT_TRUE(chart_->showHighlightedObjectLabels);
  EXPECT_EQ(chart_->highlightColor[0], 0);
  EXPECT_EQ(chart_->highlightColor[1], 1);
  EXPECT_EQ(chart_->highlightColor[2], 0);
  // The maximum holds.
  chart_->highlightSatellites(true, 2);
  EXPECT_EQ(chart_->highlightCount, 2);
  chart_->highlightSatellites(true, 0);
  EXPECT_EQ(chart_->highlightCount, 0);
  EXPECT_TRUE(chart_->showHighlightedObjectCircles);
}

TEST_F(ChartSatelliteHighlights, TheFiltersOtherSettingsRuleAndItsLimitsAreOpenedAfter) {
  CSkyDatabase& database = sky_.database();
  // The limits on places and magnitudes are tested at the chart the
  // database has recorded, as the search screens record it.
  database.sortSearchResults(chart_.get(), nullptr, 0, kSortNone);
  database.setOnlyCategoryShown(2);
  database.searchFilter.magnitude[1] = 50;
  database.searchFilter.lowestType = 1;
  database.searchFilter.highestType = 9;
  database.searchFilter.distance[1] = 1e30f;
  chart_->highlightSatellites(true, 100);
  // Molniya and the geostationary satellite (category 2); the spacecraft,
  // which no category hides, has no magnitude to pass the limit with.
  EXPECT_EQ(chart_->highlightCount, 2) << testing::PrintToString(highlightedNames());
  for (int i = 0; i < chart_->highlightCount; ++i)
    EXPECT_NE(chart_->highlights[i].id.catnum, 25544) << "the ISS is category 1";
  EXPECT_EQ(database.searchFilter.lowestType, 1);
  EXPECT_EQ(database.searchFilter.highestType, 42);
  EXPECT_EQ(database.searchFilter.magnitude[1], SearchFilter::kInfinity);
  EXPECT_EQ(database.searchFilter.distance[1], SearchFilter::kInfinity);
  EXPECT_FALSE(database.isCategoryShown(1)) << "the categories are the user's, kept";
  // A type limit set before is not what the satellites are searched by.
  database.setCategoryShown(1, true);
  database.searchFilter.magnitude[1] = -5;  // brighter than any of them
  chart_->highlightSatellites(true, 100);
  EXPECT_EQ(chart_->highlightCount, 0);
}

// Highlighted stars within a pixel of each other; the filter decides which
// a tap may offer.
TEST(ChartHighlightHits, OnlyObjectsThatPassTheSearchFilterAreOffered) {
  StarDefinition a, b;
  a.region = 1, a.ra = 10, a.dec = 20, a.name = "Alfa", a.magnitude = 2;
  b.region = 1, b.ra = 10.01, b.dec = 20, b.name = "Bravo", b.magnitude = 3;
  ChartSky sky({a, b});
  auto chart = sky.chart(400, 300, 10, 20, 10);
  SkyObjectID list[] = {sky.star(1, 0), sky.star(1, 1)};
  chart->setHighlightedObjects(list, 2);
  SkyObjectID hits[kMaxHitRecords];
  EXPECT_EQ(chart->findObjectsAt({200, 150}, hits, kMaxHitRecords), 2);
  sky.database().setNameKey("Bravo");
  sky.database().setExactMatch(true);
  ASSERT_EQ(chart->findObjectsAt({200, 150}, hits, kMaxHitRecords), 1);
  EXPECT_STREQ(hits[0].name, "Bravo");
  sky.database().setNameKey(nullptr);
  sky.database().searchFilter.lowestType = kTypePlanet;
  EXPECT_EQ(chart->findObjectsAt({200, 150}, hits, kMaxHitRecords), 0);
  EXPECT_EQ(chart->selectObjectAt({200, 150}), 0);
}

std::string sourcePath(const char* name) {
  const char* root = std::getenv("TESSALY_SOURCE_DIR");
  return std::string(root != nullptr ? root : ".") + "/tests/chart/" + name;
}

struct OracleRow {
  std::string body;
  double midnight;
  double times[3];  // rise, transit, set; NaN when none that day
};

// Cases are longitude, latitude (degrees), the Julian date of a midnight
// (UT) and the horizon's altitude (degrees).
std::vector<OracleRow> pyEphemTimes(const std::vector<std::array<double, 4>>& cases) {
  std::string command = "/usr/bin/python3 " + sourcePath("rise_set_oracle.py");
  char number[64];
  for (const auto& c : cases)
    for (double v : c) {
      std::snprintf(number, sizeof number, " %.17g", v);
      command += number;
    }
  std::vector<OracleRow> rows;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return rows;
  char body[16];
  OracleRow row;
  while (std::fscanf(pipe, "%15s %lf %lf %lf %lf", body, &row.midnight, &row.times[0],
                     &row.times[1], &row.times[2]) == 5) {
    row.body = body;
    rows.push_back(row);
  }
  pclose(pipe);
  return rows;
}

TEST(ChartRiseSet, SunAndMoonRiseTransitAndSetAsPyEphemGivesThem) {
  // Santiago, Munich and Tromso (polar day and night) through a year, at
  // the horizon and behind hills 3 degrees high.
  std::vector<std::array<double, 4>> cases;
  for (double midnight : {2460676.5, 2460755.5, 2460846.5, 2460938.5, 2461011.5})
    for (std::array<double, 2> site : {std::array<double, 2>{-70.67, -33.45}, {11.58, 48.14},
                                       {18.96, 69.65}})
      for (double horizon : {0.0, 3.0}) cases.push_back({site[0], site[1], midnight, horizon});
  std::vector<OracleRow> rows = pyEphemTimes(cases);
  ASSERT_EQ(rows.size(), cases.size() * 2) << "the PyEphem oracle (python3-ephem) did not run";
  ChartSky sky;
  auto chart = sky.chart(400, 300, 0, 0, 60);
  chart->setDisplayCoordSystem(kCoordHorizon);
  chart->timeZone = 0;
  chart->dstInEffect = 0;
  CPlanet* sun = sky.world().body(kTypePlanet, 0);
  CPlanet* moon = sky.world().body(kTypeMoon, 301);
  double worst = 0;
  int events = 0, none = 0, neverUp = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::array<double, 4>& c = cases[i / 2];
    chart->setLocation(c[0] * kDegree, c[1] * kDegree, 0);
    chart->horizonAltitude = c[3] * kDegree;
    chart->setJulianDate(c[2] + 0.5);
    CPlanet* body = rows[i].body == "sun" ? sun : moon;
    chart->updateObjectPosition(body);
    const double* theirs = rows[i].times;
    for (int mode : {-1, 0, 1}) {
      const double ours = objectRiseSetTime(chart.get(), body, mode);
      const double expected = theirs[mode + 1];
      SCOPED_TRACE(rows[i].body + " mode " + std::to_string(mode) + " at " +
                   std::to_string(c[1]) + " deg, JD " + std::to_string(c[2]) + ", horizon " +
                   std::to_string(c[3]));
      // A body that never rises has no transit either (it culminates
      // below the horizon); PyEphem gives that culmination.
      if (mode == 0 && std::isnan(theirs[0]) && std::isnan(theirs[2]) && ours == INFINITY) {
        ++neverUp;
        continue;
      }
      if (std::isnan(expected)) {
        EXPECT_EQ(ours, INFINITY);
        ++none;
        continue;
      }
      // The Moon's half diameter is taken at the chart's date, not at the
      // event's: seconds at grazing rises.
      EXPECT_NEAR(ours, expected, (body == sun ? 1 : 10) * kSecond);
      worst = std::max(worst, std::fabs(ours - expected));
      ++events;
    }
  }
  std::printf("rise/transit/set: %d events, worst %.2f s; %d without an event, %d never up\n",
              events, worst / kSecond, none, neverUp);
  EXPECT_GT(events, 120);
  EXPECT_GT(none, 10);
  // The Sun at Tromso at midsummer stays up and culminates.
  chart->setLocation(18.96 * kDegree, 69.65 * kDegree, 0);
  chart->horizonAltitude = 0;
  chart->setJulianDate(2460847.0);
  chart->updateObjectPosition(sun);
  EXPECT_EQ(objectRiseSetTime(chart.get(), sun, -1), INFINITY);
  EXPECT_TRUE(std::isfinite(objectRiseSetTime(chart.get(), sun, 0)));
}

TEST(ChartRiseSet, TheEarthFromItsGroundAndStarsThatNeverRiseHaveNoTimes) {
  // Stars of dec +40 and -20 at Munich: the first rises first, the
  // second sets first.
  StarDefinition northern, low, southern;
  northern.region = 1, northern.ra = 100, northern.dec = 40, northern.name = "Northern";
  low.region = 1, low.ra = 110, low.dec = -20, low.name = "Low";
  southern.region = 1, southern.ra = 200, southern.dec = -80, southern.name = "Southern";
  ChartSky sky({southern, low, northern});
  auto chart = sky.chart(400, 300, 0, 0, 60);
  chart->setDisplayCoordSystem(kCoordHorizon);
  chart->setLocation(11.58 * kDegree, 48.14 * kDegree, 0);
  chart->setJulianDate(2460676.5);
  for (int mode : {-1, 0, 1})
    EXPECT_EQ(objectRiseSetTime(chart.get(), sky.world().body(kTypePlanet, 3), mode), INFINITY);
  // The searches' sorts by rise and by set time ask the chart: a star that
  // never rises goes last, the others by their time.
  SkyObjectID ids[] = {sky.star(1, 0), sky.star(1, 1), sky.star(1, 2)};
  sky.database().sortSearchResults(chart.get(), ids, 3, kSortRiseTime);
  EXPECT_STREQ(ids[0].name, "Northern");
  EXPECT_STREQ(ids[1].name, "Low");
  EXPECT_STREQ(ids[2].name, "Southern");
  sky.database().sortSearchResults(chart.get(), ids, 3, kSortSetTime);
  EXPECT_STREQ(ids[0].name, "Low");
  EXPECT_STREQ(ids[1].name, "Northern");
  EXPECT_STREQ(ids[2].name, "Southern");
  ScopedSkyObject southernStar(sky.database().getObject(&ids[2]));
  EXPECT_EQ(objectRiseSetTime(chart.get(), southernStar.get(), -1), INFINITY);
  EXPECT_EQ(objectRiseSetTime(chart.get(), southernStar.get(), 1), INFINITY);
  // A higher horizon: the rise comes later and the set earlier.
  ScopedSkyObject northernStar(sky.database().getObject(&ids[1]));
  const double rise = objectRiseSetTime(chart.get(), northernStar.get(), -1);
  const double set = objectRiseSetTime(chart.get(), northernStar.get(), 1);
  chart->horizonAltitude = 5 * kDegree;
  EXPECT_GT(objectRiseSetTime(chart.get(), northernStar.get(), -1), rise + 10 * 60 * kSecond);
  EXPECT_LT(objectRiseSetTime(chart.get(), northernStar.get(), 1), set - 10 * 60 * kSecond);
}

}  // namespace
