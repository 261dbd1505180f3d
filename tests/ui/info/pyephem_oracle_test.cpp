// Against PyEphem (python3-ephem): rise, transit and set of the Sun and
// Moon over a year, the dates of the equinoxes and solstices, the ISS's
// next pass in its status line, and the satellites the lists find minute
// by minute.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "chart/object_rise_set.h"
#include "engine/refraction.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/satellite.h"
#include "skydata/sky_database.h"
#include "tests/support/requirements.h"
#include "tests/ui/info/chart_screen.h"
#include "tests/ui/info/python_oracle.h"
#include "ui/info/list_manager.h"
#include "ui/info/object_status_line.h"
#include "ui/info/small_astronomy.h"

namespace {

using info_test::InfoSky;
using info_test::runOracle;

constexpr double kDegree = M_PI / 180;
constexpr double kSecond = 1.0 / 86400;


bool oracleInstalled() {
  return runOracle("tests/ui/info/satellite_oracle.py", "equinoxes 2018").size() == 4;
}

// The placed satellites as the oracle reads them, those of a category.
std::string elementInput(int category) {
  std::string input;
  for (const InfoSky::PlacedSatellite& s : InfoSky::satellites())
    if (std::find(s.categories.begin(), s.categories.end(), category) != s.categories.end())
      input += std::string(s.name) + "|" + s.line1 + "|" + s.line2 + "\n";
  return input;
}

TEST(PyEphemOracle, SunAndMoonRiseTransitAndSetOverAYearAtThreeLatitudes) {
  if (!oracleInstalled()) TESSALY_SKIP_OR_FAIL("the PyEphem oracle (python3-ephem) does not run");
  const std::array<double, 2> sites[] = {{10, 0}, {-70, 35}, {0, 52}};
  std::string arguments;
  std::vector<std::array<double, 3>> cases;  // longitude, latitude, midnight
  for (const auto& site : sites)
    for (int month = 0; month < 12; ++month) {
      const double midnight = 2458126.5 + month * 30;  // from 2018 January 8
      cases.push_back({site[0], site[1], midnight});
      arguments += std::to_string(site[0]) + " " + std::to_string(site[1]) + " " +
                   std::to_string(midnight) + " 0 ";
    }
  const std::vector<std::string> lines = runOracle("tests/chart/rise_set_oracle.py", arguments);
  ASSERT_EQ(lines.size(), cases.size() * 2) << (lines.empty() ? "" : lines[0]);
  InfoSky sky;
  auto chart = sky.chart(2458119.5);
  int events = 0;
  double worst = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::istringstream in(lines[i]);
    std::string body, fields[4];
    in >> body >> fields[0] >> fields[1] >> fields[2] >> fields[3];
    const double theirs[3] = {std::stod(fields[1]), std::stod(fields[2]), std::stod(fields[3])};
    const auto& c = cases[i / 2];
    chart->setLocation(c[0] * kDegree, c[1] * kDegree, 0);
    chart->setJulianDate(c[2] + 0.5);
    CSkyObject* object = body == "sun" ? static_cast<CSkyObject*>(sky.database().getSun())
                                       : sky.database().getMoon();
    chart->updateObjectPosition(object);
    for (int mode : {-1, 0, 1}) {
      const double ours = objectRiseSetTime(chart.get(), object, mode);
      const double expected = theirs[mode + 1];
      SCOPED_TRACE(lines[i] + " mode " + std::to_string(mode));
      if (std::isnan(expected)) {
        // A body that never rises culminates below the horizon.
        EXPECT_TRUE(mode == 0 || ours == INFINITY) << ours;
        continue;
      }
      EXPECT_NEAR(ours, expected, 20 * kSecond);
      worst = std::max(worst, std::fabs(ours - expected));
      ++events;
    }
  }
  EXPECT_GT(events, 180);
  std::printf("%d events, worst %.1f s\n", events, worst / kSecond);
}

TEST(PyEphemOracle, TheSunReachesTheQuarterLongitudesAtTheEquinoxesAndSolstices) {
  const std::vector<std::string> lines = runOracle("tests/ui/info/satellite_oracle.py", "equinoxes 2018");
  if (lines.size() != 4) TESSALY_SKIP_OR_FAIL("the PyEphem oracle (python3-ephem) does not run");
  const double year = 2458119.5;  // 2018 January 1
  double worst = 0;
  for (int k = 0; k < 4; ++k) {
    const double ours = dateOfSolarLongitude(k * 90 * kDegree, year, year + 366);
    const double theirs = std::stod(lines[static_cast<std::size_t>(k)]);
    EXPECT_NEAR(ours, theirs, 30 * 60 * kSecond) << k * 90;
    worst = std::max(worst, std::fabs(ours - theirs));
  }
  std::printf("worst %.1f minutes\n", worst * 1440);
}

TEST(PyEphemOracle, TheIssStatusLineShowsItsNextPass) {
  if (!oracleInstalled()) TESSALY_SKIP_OR_FAIL("the PyEphem oracle (python3-ephem) does not run");
  InfoSky sky;
  auto chart = sky.chart(info_test::kSatelliteDate, 0, 45);
  // The status line's horizon: the chart's, lowered by the refraction there.
  const double horizon = -atmosphericRefraction(0, 0, 1010, 10) / kDegree;
  std::string starts;
  for (int k = 0; k < 8; ++k) starts += " " + std::to_string(info_test::kSatelliteDate + k * 0.125);
  const std::string iss = InfoSky::satellites()[0].name + std::string("|") +
                          InfoSky::satellites()[0].line1 + "|" + InfoSky::satellites()[0].line2;
  const std::vector<std::string> lines = runOracle(
      "tests/ui/info/satellite_oracle.py", "passes 0 45 " + std::to_string(horizon) + starts, iss);
  ASSERT_EQ(lines.size(), 8u) << lines[0];
  CSkyObject* satellite = sky.satellite(info_test::kISS);
  int compared = 0;
  double worst = 0;
  for (const std::string& line : lines) {
    std::istringstream in(line);
    std::string number, rise, set;
    double jd;
    in >> number >> jd >> rise >> set;
    if (rise == "up") continue;
    chart->setJulianDate(jd);
    chart->updateObjectPosition(satellite);
    char text[256];
    objectStatusLine(chart.get(), satellite, text, sizeof text, 1, 0, 1, 0);
    int h[2], m[2], s[2];
    const char* second = std::strchr(text, '\n');
    ASSERT_TRUE(second != nullptr && std::sscanf(second, "\nRises %d:%d:%d  Sets %d:%d:%d", &h[0], &m[0],
                                                 &s[0], &h[1], &m[1], &s[1]) == 6) << text;
    const double theirs[2] = {std::stod(rise), std::stod(set)};
    for (int k = 0; k < 2; ++k) {
      // Their event as a time of day (zone 0) against the seconds shown.
      const double day = std::fmod(theirs[k] + 0.5, 1.0) * 86400;
      const double shown = h[k] * 3600 + m[k] * 60 + s[k];
      EXPECT_NEAR(std::remainder(shown - day, 86400), 0, 2.0) << line << "\n" << text;
      worst = std::max(worst, std::fabs(std::remainder(shown - day, 86400)));
    }
    ++compared;
  }
  EXPECT_GE(compared, 6);
  std::printf("%d passes, worst %.1f s\n", compared, worst);
}

// Each satellite a list names qualifies at its minute by PyEphem's places,
// and none that surely qualifies on the same minute grid is missing or
// named late.
void expectScanMatches(const std::vector<SkyObjectID>& ids, const double* times, double start,
                       const std::vector<std::string>& oracle) {
  std::map<std::int64_t, std::pair<int, int>> expected;  // by NORAD number: sure, maybe
  for (const std::string& line : oracle) {
    std::istringstream in(line);
    std::int64_t name;
    int sure, maybe;
    ASSERT_TRUE(static_cast<bool>(in >> name >> sure >> maybe)) << line;
    expected[name] = {sure, maybe};
  }
  std::map<std::int64_t, int> found;
  for (std::size_t i = 0; i < ids.size(); ++i)
    found[ids[i].catnum] = static_cast<int>(std::lround((times[i] - start) * 1440));
  int sure = 0;
  for (const auto& [name, limits] : expected) {
    SCOPED_TRACE(std::to_string(name));
    const auto it = found.find(name);
    if (limits.first >= 0) {
      ++sure;
      ASSERT_NE(it, found.end()) << "missing";
      EXPECT_LE(it->second, limits.first);
    }
    if (it == found.end()) continue;
    EXPECT_GE(limits.second, 0) << "never qualifies";
    EXPECT_GE(it->second, limits.second) << "too early";
  }
  EXPECT_EQ(found.size(), ids.size());
  EXPECT_GE(sure, 1);
  std::printf("%zu listed, %d surely qualifying\n", ids.size(), sure);
}

TEST(PyEphemOracle, TonightsSatellitesAndAListByPassTimeMatchTheMinuteGrid) {
  if (!oracleInstalled()) TESSALY_SKIP_OR_FAIL("the PyEphem oracle (python3-ephem) does not run");
  InfoSky sky;
  info_test::ChartScreen screen(sky);
  screen.settings.setPlanetMagnitudeLimit(99);
  const double start = info_test::kSatelliteDate;
  const std::string window = "0 45 " + std::to_string(start) + " " + std::to_string(start + 1);
  SkyObjectID* ids = nullptr;
  double* times = nullptr;
  std::int64_t count = ListMgr::getList("Tonight's Satellites", &ids, &times, nullptr, nullptr);
  expectScanMatches(std::vector<SkyObjectID>(ids, ids + count), times, start,
                    runOracle("tests/ui/info/satellite_oracle.py", "scan " + window + " -6 6 0.5 1",
                              elementInput(3)));
  screen.settings.setSortListBy("SortListByPassTime");
  count = ListMgr::getList("Weather", &ids, &times, nullptr, nullptr);
  expectScanMatches(std::vector<SkyObjectID>(ids, ids + count), times, start,
                    runOracle("tests/ui/info/satellite_oracle.py", "scan " + window + " 90 6 0.5 0",
                              elementInput(10)));
}

}  // namespace
