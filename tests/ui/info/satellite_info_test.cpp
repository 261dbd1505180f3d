// The information items of artificial satellites: identity and categories,
// the ground point and the passes against PyEphem, the texts of a pass's
// shadow, when the cached pass search is made again, and the caller's
// capacity with many frequency rows.
#include "ui/info/satellite_info.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

#include "chart/sky_chart.h"
#include "mechanics/event_search.h"
#include "skydata/satellite.h"
#include "skydata/satellite_frequencies.h"
#include "skydata/sky_database.h"
#include "tests/support/requirements.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/info/info_rows.h"
#include "tests/ui/info/info_sky.h"
#include "tests/ui/info/python_oracle.h"
#include "ui/info/info_coordinates.h"
#include "ui/info/info_list.h"
#include "ui/info/satellite_categories.h"
#include "ui/info/satellite_passes.h"

namespace {

using info_test::InfoSky;
using info_test::numbersIn;
using info_test::Rows;
using info_test::runOracle;

constexpr double kLongitude = 11.5755, kLatitude = 48.1374;
constexpr double kDegree = M_PI / 180;
constexpr double kSecond = 1.0 / 86400;

Rows satelliteInfo(CSkyChart& chart, CPlanet* satellite, int multiline = 1, int shortList = 0,
                   int capacity = 255) {
  chart.updateObjectPosition(satellite);
  return Rows(
      [&](SkyObjectInfoString* items, int max) {
        return getSatelliteInfo(&chart, satellite, items, max, multiline, shortList);
      },
      capacity);
}

// The ISS's element lines as the oracle reads them.
std::string issLines() {
  const InfoSky::PlacedSatellite& iss = InfoSky::satellites().front();
  return std::string(iss.name) + "|" + iss.line1 + "|" + iss.line2 + "\n";
}

// A signed angle from text such as "011° 34' 56.7\" E" or "+48° 08'": the
// sign from a leading '-' or a W or S.
double angleIn(const std::string& text) {
  const std::vector<double> n = numbersIn(text);
  double value = 0, scale = 1;
  for (double part : n) {
    value += part / scale;
    scale *= 60;
  }
  const bool negative = text.find('-') != std::string::npos ||
                        text.find('W') != std::string::npos || text.find('S') != std::string::npos;
  return negative ? -value : value;
}

class SatelliteInfo : public ::testing::Test {
 protected:
  void SetUp() override { clearSatellitePassCache(); }
  InfoSky sky;
  std::unique_ptr<CSkyChart> chart = sky.chart(info_test::kSatelliteDate, kLongitude, kLatitude);
  CSatellite* iss = sky.satellite(info_test::kISS);
};

TEST_F(SatelliteInfo, CategoryNamesComeFromTheirTable) {
  const auto table = satelliteCategories();
  ASSERT_EQ(table.size(), 63u);
  for (std::size_t i = 1; i < table.size(); ++i) EXPECT_LT(table[i - 1].code, table[i].code);
  for (const SatelliteCategory& row : table)
    EXPECT_STREQ(satelliteCategoryName(row.code), row.name);
  EXPECT_STREQ(satelliteCategoryName(0), "Uncategorized");
  EXPECT_STREQ(satelliteCategoryName(93), "Space Debris");
  for (int missing : {-1, 4, 64, 94, 255, 1 << 20})
    EXPECT_STREQ(satelliteCategoryName(missing), "?");
}

TEST_F(SatelliteInfo, IdentityCategoriesLaunchAndOwner) {
  for (int k = 0; k < 4; ++k) iss->setCategory(k, 0);
  Rows rows = satelliteInfo(*chart, iss);
  EXPECT_FALSE(rows.has("Name(s)"));  // the fixture's sets carry no names
  iss->setNameAt(1, "ISS (ZARYA)");
  iss->setNameAt(3, "Zarya");
  rows = satelliteInfo(*chart, iss);
  EXPECT_EQ(rows.value("NORAD Number"), "25544");
  EXPECT_EQ(rows.value("Designation"), "1998-067A");
  EXPECT_EQ(rows.value("Name(s)"), "ISS (ZARYA)\nZarya");
  EXPECT_EQ(rows.value("Category"), "Uncategorized");
  EXPECT_FALSE(rows.has("Launch Date") || rows.has("Launch Site") || rows.has("Source/Country"));

  iss->setCategory(0, 35);
  iss->setCategory(2, 92);
  iss->setOwner("ISS");
  iss->setLaunchSite("XYZ");
  iss->setLaunchDate(2451137.5);  // 1998 November 20
  rows = satelliteInfo(*chart, iss);
  EXPECT_EQ(rows.value("Categories"), "Starlink\nRocket Body");
  EXPECT_FALSE(rows.has("Category"));
  EXPECT_EQ(rows.value("Launch Date"), "1998 Nov 20");
  EXPECT_EQ(rows.value("Launch Site"), "XYZ");  // no such site: the code itself
  EXPECT_NE(rows.value("Source/Country"), "ISS");
  iss->setCategory(0, 4);
  iss->setCategory(2, 0);
  EXPECT_EQ(satelliteInfo(*chart, iss, 0).value("Category"), "?");
}

TEST_F(SatelliteInfo, GroundPointAgreesWithSkyfield) {
  const std::vector<std::string> lines =
      runOracle("tests/ui/info/pass_oracle.py",
                "ground " + std::to_string(info_test::kSatelliteDate), issLines());
  if (lines.size() != 1 || numbersIn(lines[0]).size() != 3)
    TESSALY_SKIP_OR_FAIL("python3-skyfield is not installed");
  double latitude = 0, longitude = 0, height = 0;
  ASSERT_EQ(std::sscanf(lines[0].c_str(), "%lf %lf %lf", &latitude, &longitude, &height), 3);
  const Rows rows = satelliteInfo(*chart, iss);
  // Within 0.02 degrees (2 km): the Earth's frame of the date, precession
  // included.
  EXPECT_NEAR(angleIn(rows.value("Latitude", "Position and Velocity")), latitude, 0.02);
  EXPECT_NEAR(angleIn(rows.value("Longitude", "Position and Velocity")), longitude, 0.02);
  EXPECT_NEAR(numbersIn(rows.value("Altitude", "Position and Velocity"))[0], height, 2);
  const std::vector<double> speed = numbersIn(rows.value("Velocity"));
  ASSERT_EQ(speed.size(), 2u);
  EXPECT_NEAR(speed[0], 7.66, 0.05);
  EXPECT_NEAR(speed[1], speed[0] * 0.621371192, 0.001);
  const std::vector<double> perigee = numbersIn(rows.value("Perigee"));
  const std::vector<double> apogee = numbersIn(rows.value("Apogee"));
  EXPECT_TRUE(perigee[0] > 390 && perigee[0] < apogee[0] && apogee[0] < 430) << perigee[0];
  EXPECT_EQ(rows.value("Orbital Period").substr(0, 3), "01h");
}

TEST_F(SatelliteInfo, PassRowsAreTheEnginesPassesAndAgreeWithPyEphem) {
  chart->setLocation(kLongitude * kDegree, kLatitude * kDegree, 520);
  const Rows rows = satelliteInfo(*chart, iss);
  PassRecord passes[32];
  const int count = findObjectPasses(*chart, iss, passes, 32, chart->julianDate,
                                     chart->julianDate + 1, trueHorizonAltitude(*chart));
  ASSERT_GT(count, 2);
  int seen = 0, dated = 0;
  for (const info_test::Row& row : rows.all()) {
    if (row.header && row.value.find(" Pass - ") != std::string::npos) {
      ASSERT_LT(seen, count);
      const bool visible = row.value.find("- Visible") != std::string::npos;
      EXPECT_EQ(visible, isPassVisible(passes[seen])) << row.value;
      ++seen;
      continue;
    }
    if (seen == 0 || row.header) continue;
    const PassRecord& pass = passes[seen - 1];
    const int field = row.label == "Rises"        ? kPassRise
                      : row.label == "Culminates" ? kPassCulmination
                      : row.label == "Sets"       ? kPassSet
                                                  : -1;
    if (field < 0) continue;
    EXPECT_EQ(row.jd, pass[field]) << row.label;
    ++dated;
  }
  EXPECT_EQ(dated, 3 * count);
  EXPECT_EQ(seen, count);

  const std::vector<std::string> oracle =
      runOracle("tests/ui/info/pass_oracle.py",
                "pass " + std::to_string(kLongitude) + " " + std::to_string(kLatitude) + " 520 " +
                    std::to_string(chart->julianDate),
                issLines());
  if (oracle.size() != 2) TESSALY_SKIP_OR_FAIL("python3-ephem is not installed");
  double rise, culmination, set, maximum;
  ASSERT_EQ(std::sscanf(oracle[0].c_str(), "%lf %lf %lf %lf", &rise, &culmination, &set, &maximum),
            4);
  EXPECT_NEAR(passes[0][kPassRise], rise, 2 * kSecond);
  EXPECT_NEAR(passes[0][kPassCulmination], culmination, 2 * kSecond);
  EXPECT_NEAR(passes[0][kPassSet], set, 2 * kSecond);
  const std::vector<double> shown = numbersIn(rows.find("Culminates")->value);
  // "hh:mm:ss\n+dd° mm' ss\" Alt": the altitude as the eye sees it.
  ASSERT_GE(shown.size(), 6u);
  const double apparent = shown[3] + shown[4] / 60 + shown[5] / 3600;
  EXPECT_NEAR(apparent, maximum, 0.1);
  double entry = NAN, exit = NAN;
  if (std::sscanf(oracle[1].c_str(), "%lf %lf", &entry, &exit) == 2) {
    EXPECT_NEAR(passes[0][kPassShadowEntry], entry, 10 * kSecond);
    EXPECT_NEAR(passes[0][kPassShadowExit], exit, 10 * kSecond);
  } else {
    EXPECT_FALSE(std::isfinite(passes[0][kPassShadowEntry]));
  }
}

TEST_F(SatelliteInfo, TitlesAndShadowTextsOfPasses) {
  chart->setTimeZone(0);
  // 12:00:00.5: whole seconds that the time format, which truncates, reads
  // back whatever the rounding of the Julian date.
  const double t = 2458140.0 + 0.5 / 86400;
  const double s = kSecond;
  SatellitePasses passes{};
  auto& r = passes.records;
  const auto pass = [&](int i, double sun, double entry, double exit) {
    r[i][kPassRise] = t + 100 * i * s;
    r[i][kPassSet] = t + (100 * i + 60) * s;
    r[i][kPassCulmination] = t + (100 * i + 30) * s;
    r[i][kPassCulminationAltitude] = 45 * kDegree;
    r[i][kPassRiseAzimuth] = 90 * kDegree;
    r[i][kPassSetAzimuth] = 270 * kDegree;
    r[i][kPassShadowEntry] = entry;
    r[i][kPassShadowExit] = exit;
    r[i][kPassSunAltitude] = sun * kDegree;
  };
  pass(0, -30, t + 10 * s, t + 20 * s);    // 12:00:10 to 12:00:20
  pass(1, -10, t + 100 * s, t + 140 * s);  // before 12:02:20
  pass(2, -30, t + 200 * s, t + 260 * s);  // the entire pass
  pass(3, 5, t + 320 * s, t + 360 * s);    // after 12:05:20
  pass(4, -30, -INFINITY, -INFINITY);      // no shadow
  passes.count = 5;
  const Rows rows([&](SkyObjectInfoString* items, int max) {
    InfoList list(items, max);
    addPassRows(list, *chart, passes, "\n", false);
    return list.count();
  });
  EXPECT_EQ(rows.headers(),
            (std::vector<std::string>{"Night Pass - Visible", "Twilight Pass - Visible",
                                      "Night Pass - Not Visible", "Daylight Pass - Not Visible",
                                      "Night Pass - Visible"}));
  EXPECT_EQ(rows.value("Eclipsed", "Night Pass - Visible"), "12:00:10 to 12:00:20");
  EXPECT_EQ(rows.value("Eclipsed", "Twilight Pass - Visible"), "Before 12:02:20");
  EXPECT_EQ(rows.value("Eclipsed", "Night Pass - Not Visible"), "Entire Pass");
  EXPECT_EQ(rows.value("Eclipsed", "Daylight Pass - Not Visible"), "After 12:05:20");
  EXPECT_EQ(rows.find("Eclipsed", "Daylight Pass - Not Visible")->jd, t + 320 * s);
  EXPECT_EQ(rows.value("Date"), "2018/01/21");
  EXPECT_EQ(rows.value("Rises"), "12:00:00\n090° 00' 00.0\" E");
  EXPECT_EQ(rows.value("Culminates"), "12:00:30\n+45° 00' 00.0\" Alt");
  int eclipsedRows = 0;
  for (const info_test::Row& row : rows.all()) eclipsedRows += row.label == "Eclipsed";
  EXPECT_EQ(eclipsedRows, 4);

  const Rows visible([&](SkyObjectInfoString* items, int max) {
    InfoList list(items, max);
    addPassRows(list, *chart, passes, "\n", true);
    return list.count();
  });
  EXPECT_EQ(visible.headers().size(), 3u);
  EXPECT_EQ(visible.size(), 3 * 5 + 2);
}

TEST_F(SatelliteInfo, ThePassSearchIsMadeAgainOnlyWhenSomethingChanged) {
  const auto searched = [&](const std::function<void()>& change) {
    change();
    const std::uint64_t before = eventSearchEvaluations();
    satelliteInfo(*chart, iss);
    return eventSearchEvaluations() != before;
  };
  EXPECT_TRUE(searched([] {}));
  EXPECT_FALSE(searched([] {}));
  EXPECT_FALSE(searched([&] { chart->setJulianDate(chart->julianDate + 50 * kSecond); }));
  EXPECT_TRUE(searched([&] { chart->setJulianDate(chart->julianDate + 70 * kSecond); }));
  // At a standing chart time: the place, the horizon, refraction, another
  // satellite and new elements of the same one each search again.
  // Each of longitude, latitude and height alone.
  EXPECT_TRUE(searched([&] { chart->setLocation(2.35 * kDegree, chart->latitude, chart->altitude); }));
  EXPECT_FALSE(searched([] {}));
  EXPECT_TRUE(searched([&] { chart->setLocation(chart->longitude, 48.85 * kDegree, chart->altitude); }));
  EXPECT_TRUE(searched([&] { chart->setLocation(chart->longitude, chart->latitude, 500); }));
  EXPECT_TRUE(searched([&] { chart->horizonAltitude = 5 * kDegree; }));
  EXPECT_TRUE(searched([&] { chart->refraction = 0; }));
  CSatellite* other = sky.satellite(25338);
  const std::uint64_t before = eventSearchEvaluations();
  satelliteInfo(*chart, other);
  EXPECT_NE(eventSearchEvaluations(), before);
  EXPECT_TRUE(searched([&] {
    SatelliteElementSet elements;
    iss->getElementSet(elements);
    elements.epoch += 0.5;
    iss->setElementSet(elements);
  }));
}

// A satellite whose orbit the model refuses at the chart's time: its page
// says so in plain words and keeps what its elements were, with no place,
// brightness or passes made up for it, and no pass search.
TEST_F(SatelliteInfo, ADecayedSatellitesPageSaysWhyItHasNoPlace) {
  CSatellite* decayed = sky.decayedSatellite(25338);
  ASSERT_NE(decayed, nullptr);
  const std::uint64_t before = eventSearchEvaluations();
  const Rows rows = satelliteInfo(*chart, decayed);
  EXPECT_EQ(eventSearchEvaluations(), before);
  EXPECT_EQ(rows.value("Position"),
            "Its elements describe an orbit that can no longer be computed: drag has taken its "
            "eccentricity out of range, so the satellite has most likely decayed.")
      << rows.dump();
  EXPECT_EQ(rows.value("NORAD Number"), "25338");
  EXPECT_TRUE(rows.has("Orbit Epoch") && rows.has("Perigee") && rows.has("Inclination"));
  for (const char* absent : {"Visual Magnitude", "Distance", "Longitude", "Altitude", "Azimuth",
                             "Elevation", "From Sun", "Rises", "Culminates"})
    EXPECT_FALSE(rows.has(absent)) << absent << "\n" << rows.dump();
  // The page of a satellite the model still places is unchanged.
  EXPECT_FALSE(satelliteInfo(*chart, iss).has("Position"));
}

TEST_F(SatelliteInfo, SpaceViewAndShortList) {
  const Rows full = satelliteInfo(*chart, iss);
  EXPECT_TRUE(full.has("Elevation") && full.has("Azimuth") && full.has("From Sun"));
  EXPECT_TRUE(full.find("Elevation", "Apparent Motion") != nullptr);
  const Rows shortList = satelliteInfo(*chart, iss, 1, 1);
  for (const char* absent : {"From Sun", "Total (2018.1)", "Radial Velocity"})
    EXPECT_FALSE(shortList.has(absent)) << absent;
  EXPECT_TRUE(shortList.has("Right Ascension"));
  for (const std::string& title : shortList.headers())
    EXPECT_EQ(title.find("Not Visible"), std::string::npos) << title;

  info_test::enterSpaceView(*chart);
  clearSatellitePassCache();
  const std::uint64_t before = eventSearchEvaluations();
  const Rows space = satelliteInfo(*chart, iss);
  EXPECT_EQ(eventSearchEvaluations(), before);
  for (const char* absent : {"Azimuth", "Elevation", "Rises", "Culminates"})
    EXPECT_FALSE(space.has(absent)) << absent;
}

TEST_F(SatelliteInfo, ManyFrequencyRowsAndPassesStopAtTheCapacity) {
  tessaly::test::TempDir dir;
  std::string text;
  for (int i = 0; i < 10; ++i)
    text += "ISS;25544;145.99" + std::to_string(i) + ";437.80" + std::to_string(i) +
            ";145.825;FM;NA1SS;active\n";
  tessaly::test::writeFile(dir.file("SatelliteFrequencies.txt"), text);
  ASSERT_EQ(loadSatelliteFrequencies(dir.file("SatelliteFrequencies.txt").c_str()), 10);
  const Rows rows = satelliteInfo(*chart, iss);
  EXPECT_EQ(rows.value("Uplink"), "145.990 MHz");
  EXPECT_EQ(rows.value("Call Sign"), "NA1SS");
  const std::vector<std::string> headers = rows.headers();
  EXPECT_EQ(std::count(headers.begin(), headers.end(), "Radio Frequency Data"), 8);
  for (int capacity : {0, 1, 40, rows.size() - 1}) {
    const Rows cut = satelliteInfo(*chart, iss, 1, 0, capacity);
    ASSERT_EQ(cut.size(), capacity);
    for (int i = 0; i < capacity; ++i) EXPECT_EQ(cut[i].value, rows[i].value);
  }
  clearSatelliteFrequencies();
}

}  // namespace
