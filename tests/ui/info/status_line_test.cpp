// The status line of each class with the options its callers use, the
// Sun, an eclipsed Moon, stars that never rise or set, a satellite without
// a pass, the space view, and the caller's buffer.
#include "ui/info/object_status_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "chart/sky_chart.h"
#include "skydata/satellite.h"
#include "skydata/sky_database.h"
#include "tests/ui/info/info_sky.h"

namespace {

using info_test::InfoSky;

// 2018 March 1, 0h UT (the Sun in Aquarius); the total lunar eclipse of
// 2018 January 31, 13:30 UT (the Moon in Cancer).
constexpr double kDate = 2458178.5;
constexpr double kEclipse = 2458150.0625;

struct Options {
  int magnitude, abbreviation, riseSet, altitude;
};
constexpr Options kPhoneSelection{1, 1, 0, 0};
constexpr Options kTabletSelection{1, 0, 0, 0};
constexpr Options kListRow{1, 0, 1, 1};
constexpr Options kDescription{0, 0, 0, 0};

std::string line(CSkyChart& chart, CSkyObject* object, Options o, int* result = nullptr) {
  char buffer[256];
  const int up = objectStatusLine(&chart, object, buffer, sizeof buffer, o.magnitude,
                                  o.abbreviation, o.riseSet, o.altitude);
  if (result != nullptr) *result = up;
  return buffer;
}

TEST(StatusLine, EachClassWithItsCallersOptions) {
  InfoSky sky;
  auto chart = sky.chart(kDate);
  struct Case {
    CSkyObject* object;
    Options options;
    const char* text;  // a POSIX extended regular expression of the whole line
  };
  const Case cases[] = {
      {sky.star(info_test::kOrionStar), kPhoneSelection, "Mag 0[.]5 Star in Ori"},
      {sky.star(info_test::kOrionStar), kTabletSelection, "Mag 0[.]5 Star in Orion"},
      {sky.star(info_test::kOrionStar), kDescription, "Star in Orion"},
      {sky.database().getSun(), kTabletSelection, "Mag -26[.][0-9] Star in Aquarius"},
      {sky.constellation(info_test::constellationIndex("Ori")), kPhoneSelection, "Hunter"},
      {sky.constellation(info_test::kAsterismIndex), kDescription, "Asterism in Ursa Major"},
      {sky.constellation(info_test::kPerseidsIndex), kDescription, "Meteor Shower in Perseus"},
      {sky.deepSky(info_test::kBarredSpiral), kTabletSelection, "Mag 3[.]4 Galaxy in Andromeda"},
      {sky.crater(), kDescription, "Feature on Moon"},
      {sky.database().getMoon(), kDescription, "Moon of Earth in [[:alnum:]]+"},
      {sky.star(info_test::kPolaris), kListRow, "Mag 2[.]0 Star in Ursa Minor at [+]4[0-9][.][0-9]°\nAlways above horizon"},
      {sky.star(info_test::kSouthPole), kListRow, "Mag 5[.]5 Star in Octans at -4[0-9][.][0-9]°\nAlways below horizon"},
      {sky.star(info_test::kVega), kListRow,
       "Mag 0[.]0 Star in Lyra at [-+][0-9]+[.][0-9]°\nRises [0-9][0-9]:[0-9][0-9]:[0-9][0-9]  Sets [0-9][0-9]:[0-9][0-9]:[0-9][0-9]"},
  };
  for (const Case& c : cases) {
    chart->updateObjectPosition(c.object);
    const std::string text = line(*chart, c.object, c.options);
    EXPECT_THAT(text, ::testing::MatchesRegex(c.text));
  }
}

TEST(StatusLine, TheMoonInTheEarthsShadowReadsEclipsed) {
  InfoSky sky;
  auto chart = sky.chart(kEclipse);
  CSkyObject* moon = sky.database().getMoon();
  chart->updateObjectPosition(moon);
  EXPECT_EQ(line(*chart, moon, kPhoneSelection), "Eclipsed Moon of Earth in Cnc");
  chart->setJulianDate(kEclipse + 1);
  chart->updateObjectPosition(moon);
  EXPECT_THAT(line(*chart, moon, kPhoneSelection),
              ::testing::MatchesRegex("Mag -1[0-9][.][0-9] Moon of Earth in [[:alnum:]]+"));
}

TEST(StatusLine, ResultFollowsTheAltitudeAndTheSpaceViewEndsTheLine) {
  InfoSky sky;
  auto chart = sky.chart(kDate);
  int up = -1;
  line(*chart, sky.star(info_test::kPolaris), kListRow, &up);
  EXPECT_EQ(up, 1);
  line(*chart, sky.star(info_test::kSouthPole), kListRow, &up);
  EXPECT_EQ(up, 0);
  // A geostationary satellite over the Americas never rises in China.
  auto east = sky.chart(info_test::kSatelliteDate, 100, 45);
  CSkyObject* goes = sky.satellite(41866);
  east->updateObjectPosition(goes);
  EXPECT_THAT(line(*east, goes, kListRow, &up),
              ::testing::MatchesRegex("(Mag -?[0-9]+[.][0-9] |Eclipsed )Satellite in [ [:alnum:]]+ at "
                                      "-[0-9]+[.][0-9]°\nAlways below horizon"));
  EXPECT_EQ(up, 0);
  info_test::enterSpaceView(*chart);
  chart->updateObjectPosition(sky.star(info_test::kSouthPole));
  EXPECT_EQ(line(*chart, sky.star(info_test::kSouthPole), kListRow, &up), "Mag 5.5 Star in Octans");
  EXPECT_EQ(up, 1);
}

TEST(StatusLine, TheBufferIsCutAndTheIdentifierMustResolve) {
  InfoSky sky;
  auto chart = sky.chart(kDate);
  CSkyObject* star = sky.star(info_test::kOrionStar);
  char small[8];
  std::memset(small, 'x', sizeof small);
  objectStatusLine(chart.get(), star, small, 6, 1, 0, 1, 1);
  EXPECT_STREQ(small, "Mag 0");
  EXPECT_EQ(small[6], 'x');
  objectStatusLine(chart.get(), star, nullptr, 0, 1, 0, 1, 1);
  char kept[] = "kept";
  SkyObjectID nothing;
  CSkyDatabase::setSkyObjectID(&nothing, kStarsFile, 0, 999, 0, "", 1);
  EXPECT_EQ(objectStatusLineForID(chart.get(), nothing, kept, sizeof kept, 1, 0, 0, 0), 0);
  EXPECT_STREQ(kept, "kept");
  char text[256];
  objectStatusLineForID(chart.get(), sky.reference(kStarsFile, info_test::kOrionStar), text,
                        sizeof text, 1, 1, 0, 0);
  EXPECT_STREQ(text, "Mag 0.5 Star in Ori");
}

}  // namespace
