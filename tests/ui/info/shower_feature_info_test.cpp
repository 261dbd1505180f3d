// Meteor showers, surface features, English names and the Moon's
// elongation: rows with and without their optional parts, the published
// dates of a new and a full Moon, and the language put back on every path.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "chart/sky_chart.h"
#include "engine/language.h"
#include "skydata/object_factory.h"
#include "skydata/planet.h"
#include "skydata/planet_feature.h"
#include "skydata/record_io.h"
#include "skydata/sky_database.h"
#include "tests/ui/info/info_rows.h"
#include "tests/ui/info/info_sky.h"
#include "ui/info/english_names.h"
#include "ui/info/meteor_shower_info.h"
#include "ui/info/small_astronomy.h"
#include "ui/info/surface_feature_info.h"

namespace {

using info_test::InfoSky;
using info_test::Rows;

constexpr double kDegree = M_PI / 180;
// 2018 January 21, 12:00 UT.
constexpr double kDate = 2458140.0;

Rows showerRows(CSkyChart& chart, CSkyObject* shower, int shortList) {
  return Rows([&](SkyObjectInfoString* items, int max) {
    return getMeteorShowerInfo(&chart, asMeteorShower(shower), items, max, 1, shortList);
  });
}

TEST(MeteorShowerInfo, RowsWithAndWithoutTheirOptionalParts) {
  InfoSky sky;
  auto chart = sky.chart(kDate);
  const Rows perseids = showerRows(*chart, sky.constellation(info_test::kPerseidsIndex), 0);
  SCOPED_TRACE(perseids.dump());
  const std::pair<const char*, const char*> expected[] = {
      {"Abbreviation", "PER"},        {"IAU Number", "7"},
      {"AMS Class", "I - Major Shower"}, {"Parent Body", "109P/Swift-Tuttle"},
      // Peak hour 4 on the chart's own date, not the peak's.
      {"Peak Hour", "04:00:00"},      {"Peak Rate", "100 meteors/hour"},
      {"Velocity", "59.0 km/sec"},    {"Solar Longitude", "140.0°"},
      // q / (1 - e) = 0.9596 / 0.0368.
      {"Semimajor Axis", "26.076 AU"}, {"Perihelion", "0.960 AU"},
      {"Eccentricity", "0.963200"},    {"Inclination", "113.000°"},
  };
  for (const auto& [label, value] : expected) EXPECT_EQ(perseids.value(label), value) << label;
  // The Sun reaches 140° on 2018 August 12; the Moon was new on August 11
  // at 09:58 UT.
  const std::string peak = perseids.value("Next Peak Date");
  EXPECT_TRUE(peak == "2018/08/12" || peak == "2018/08/13") << peak;
  double age = 0;
  ASSERT_EQ(std::sscanf(perseids.value("Moon Phase").c_str(), "Waxing Crescent\n%lf days old", &age), 1);
  EXPECT_NEAR(age, 1.4, 0.8);
  EXPECT_EQ(perseids.headers(), (std::vector<std::string>{"Basic Information", "Visibility",
                                                          "Radiant", "Orbital Parameters"}));
  EXPECT_TRUE(perseids.has("Galactic Latitude") && perseids.has("R.A. (2018.1)"));
  // Ten hours east: still 4 o'clock on the chart's own clock.
  chart->setTimeZone(10.0 / 24);
  EXPECT_EQ(showerRows(*chart, sky.constellation(info_test::kPerseidsIndex), 0).value("Peak Hour"),
            "04:00:00");
  chart->setTimeZone(0);

  const Rows bare = showerRows(*chart, sky.constellation(info_test::kBareShowerIndex), 1);
  SCOPED_TRACE(bare.dump());
  for (const char* label : {"IAU Number", "AMS Class", "Peak Hour", "Semimajor Axis",
                            "Ecliptic Longitude", "Galactic Latitude"})
    EXPECT_FALSE(bare.has(label)) << label;
  for (const char* label : {"Parent Body", "Peak Rate", "Velocity"})
    EXPECT_EQ(bare.value(label), "unknown") << label;
  EXPECT_EQ(bare.value("Perihelion"), "1.000 AU");
  for (const char* label : {"Right Ascension", "Declination", "Azimuth", "Altitude"})
    EXPECT_TRUE(bare.has(label)) << label;
  EXPECT_EQ(bare[bare.size() - 1].label, "Lon. of Asc. Node");
}

// A feature with a size as read from a record.
std::unique_ptr<CPlanetFeature> feature(std::uint8_t type, float size) {
  std::string bytes(256, '\0');
  RecordWriter w(bytes.data(), static_cast<std::int64_t>(bytes.size()), false);
  w.writeRecordU8(39);
  w.writeRecordU8(type);
  w.writeRecordString("Somewhere");
  w.writeRecordString("");
  w.writeRecordU16(10);
  w.writeRecordFloat(size);
  for (float c : {0.0f, 1.0f, 0.0f}) w.writeRecordFloat(c);
  auto made = std::make_unique<CPlanetFeature>();
  EXPECT_GT(made->readRecord(bytes.data(), w.result(), false), 0);
  return made;
}

TEST(SurfaceFeatureInfo, PlacesShowPeopleAndOtherFeaturesTheirSize) {
  InfoSky sky;
  auto chart = sky.chart(kDate);
  const auto rowsOf = [&](CSkyObject* object, int capacity = 255) {
    return Rows([&](SkyObjectInfoString* items, int max) {
      return getSurfaceFeatureInfo(chart.get(), asPlanetFeature(object), items, max);
    }, capacity);
  };
  const Rows crater = rowsOf(sky.crater());
  ASSERT_EQ(crater.size(), 7) << crater.dump();
  EXPECT_EQ(crater.value("Name"), "Tycho");
  EXPECT_EQ(crater.value("Description"), "Feature on Moon");
  EXPECT_EQ(crater.value("Diameter"), "85 km");
  // atan2(-0.1, 0.6) east of the prime meridian, atan2(-0.7937, 0.6083).
  EXPECT_EQ(crater.value("Longitude"), "350.54°");
  EXPECT_EQ(crater.value("Latitude"), "-52.53°");
  EXPECT_EQ(rowsOf(sky.town()).value("Population"), "1234567");
  // Sizes no int holds, or none at all.
  for (float size : {3e9f, -3e9f, INFINITY, NAN})
    EXPECT_EQ(rowsOf(feature(100, size).get()).value("Population"), "unknown") << size;
  EXPECT_EQ(rowsOf(feature(10, NAN).get()).value("Diameter"), "unknown");
  EXPECT_EQ(rowsOf(sky.crater(), 3).size(), 3);
}

TEST(EnglishNames, NamesInEnglishAndTheLanguageBackOnEveryPath) {
  InfoSky sky;
  setLanguage(3);
  setLanguage(6);  // German names, Japanese dates
  char storage[4][32];
  char* buffers[4] = {storage[0], storage[1], storage[2], storage[3]};
  struct Case {
    CSkyObject* object;
    int count;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {sky.database().getMoon(), 4, {"Moon"}},
      {sky.star(info_test::kVega), 4, {"HR 7001", "", "Vega"}},
      {sky.star(info_test::kVega), 1, {"HR 7001"}},
      {sky.deepSky(info_test::kBarredSpiral), 4, {"NGC 224", "Barred"}},
      {sky.crater(), 4, {}},
      {nullptr, 4, {}},
  };
  for (const Case& c : cases) {
    const int count = getEnglishObjectNames(nullptr, c.object, buffers, c.count, sizeof storage[0]);
    ASSERT_EQ(count, static_cast<int>(c.names.size()));
    for (int i = 0; i < count; ++i) EXPECT_TRUE(c.names[i].empty() || buffers[i] == c.names[i]) << buffers[i];
    EXPECT_EQ(getLanguage(), 3);
    EXPECT_EQ(timeLocaleLanguage(), 6);
  }
  setLanguage(0);
}

TEST(SmallAstronomy, SolarLongitudeWindowsAndTheMoonsElongation) {
  // Any longitude within a year's window is found inside it; a day that
  // misses the crossing finds nothing.
  for (int degrees = 0; degrees < 360; degrees += 15) {
    const double jd = dateOfSolarLongitude(degrees * kDegree, kDate, kDate + 366);
    EXPECT_TRUE(jd >= kDate && jd <= kDate + 366) << degrees;
  }
  EXPECT_EQ(dateOfSolarLongitude(0, kDate, kDate + 1), INFINITY);
  EXPECT_EQ(dateOfSolarLongitude(NAN, kDate, kDate + 366), INFINITY);

  // Full Moon 2018 January 31, 13:27 UT.
  InfoSky sky;
  auto chart = sky.chart(2458150.06);
  char name[6];
  std::memset(name, 'x', sizeof name);
  const double elongation = moonElongation(chart.get(), sky.database().getMoon(), name, 5);
  EXPECT_NEAR(elongation / kDegree, 180, 1);
  EXPECT_STREQ(name, "Full");  // cut, and terminated
  EXPECT_EQ(name[5], 'x');
}

}  // namespace
