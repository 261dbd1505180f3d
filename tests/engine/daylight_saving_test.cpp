// Daylight-saving rules against the system time-zone database, hour by hour.
#include "engine/daylight_saving.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>

#include "engine/calendar.h"
#include "engine/clock.h"
#include "tests/support/requirements.h"

namespace {

// Sets TZ for the life of the object and restores it afterwards.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    const char* old = std::getenv("TZ");
    hadOld_ = old != nullptr;
    if (hadOld_) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (hadOld_)
      setenv("TZ", old_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  bool hadOld_;
  std::string old_;
};

bool zoneInstalled(const char* name) {
  std::string path = std::string("/usr/share/zoneinfo/") + name;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f) std::fclose(f);
  return f != nullptr;
}

// Compares the rule with the database at every hour (at 30 minutes past, so
// that no sample falls on a changeover) of the given years.
void compareWithDatabase(const char* zoneName, int rule, double zone,
                         int firstYear, int lastYear) {
  if (!zoneInstalled(zoneName)) TESSALY_SKIP_OR_FAIL(zoneName << " not installed (tzdata)");
  ScopedTimeZone tz(zoneName);
  double from = julianDateFromCalendar(firstYear, 1, 1, 0, 30, 0, 0,
                                       kCalendarGregorian);
  double to = julianDateFromCalendar(lastYear + 1, 1, 1, 0, 0, 0, 0,
                                     kCalendarGregorian);
  int mismatches = 0;
  for (double jd = from; jd < to; jd += 1.0 / 24) {
    time_t t = static_cast<time_t>(std::llround((jd - 2440587.5) * 86400));
    tm local{};
    localtime_r(&t, &local);
    int expected = local.tm_isdst > 0;
    int ours = daylightSavingPeriod(rule, nullptr, nullptr, jd, zone);
    if (ours != expected && ++mismatches <= 5)
      ADD_FAILURE() << zoneName << " at " << std::asctime(gmtime(&t))
                    << "rule says " << ours << ", database " << expected;
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(DaylightSaving, NewYorkMatchesDatabase) {
  compareWithDatabase("America/New_York", kDstNorthAmerica, -5.0 / 24, 1990,
                      2030);
}

TEST(DaylightSaving, BerlinMatchesDatabase) {
  compareWithDatabase("Europe/Berlin", kDstEurope, 1.0 / 24, 1990, 2030);
}

TEST(DaylightSaving, LondonMatchesDatabase) {
  // The European rule is in UT, so it holds for every zone that follows it.
  compareWithDatabase("Europe/London", kDstEurope, 0, 1996, 2030);
}

TEST(DaylightSaving, SouthernRulesMatchDatabase) {
  compareWithDatabase("Australia/Sydney", kDstSouthEastAustralia, 10.0 / 24,
                      2008, 2030);
  // Before 2008: last Sunday of October to last Sunday of March (2000 and
  // 2006 had one-off dates for the Olympic and Commonwealth Games).
  compareWithDatabase("Australia/Sydney", kDstSouthEastAustralia, 10.0 / 24,
                      2001, 2005);
  compareWithDatabase("Pacific/Auckland", kDstNewZealand, 12.0 / 24, 2008,
                      2030);
}

TEST(DaylightSaving, StartDatesAndMarkers) {
  double start, end;
  double zone = -5.0 / 24;
  daylightSavingPeriod(kDstNorthAmerica, &start, &end,
                       julianDateFromCalendar(2006, 6, 1, 0, 0, 0, zone, 1),
                       zone);
  EXPECT_DOUBLE_EQ(start, julianDateFromCalendar(2006, 4, 2, 2, 0, 0, zone, 1));
  daylightSavingPeriod(kDstNorthAmerica, &start, &end,
                       julianDateFromCalendar(2007, 6, 1, 0, 0, 0, zone, 1),
                       zone);
  EXPECT_DOUBLE_EQ(start, julianDateFromCalendar(2007, 3, 11, 2, 0, 0, zone, 1));
  for (double z : {-8.0 / 24, 0.0, 3.0 / 24}) {
    daylightSavingPeriod(kDstEurope, &start, &end,
                         julianDateFromCalendar(2021, 6, 1, 0, 0, 0, 0, 1), z);
    EXPECT_DOUBLE_EQ(start, julianDateFromCalendar(2021, 3, 28, 1, 0, 0, 0, 1));
  }
  // Rule 11: 8 October 2022 was a Saturday.
  zone = -4.0 / 24;
  daylightSavingPeriod(kDstChile, &start, &end,
                       julianDateFromCalendar(2022, 6, 1, 0, 0, 0, zone, 1),
                       zone);
  EXPECT_DOUBLE_EQ(start, julianDateFromCalendar(2022, 10, 8, 0, 0, 0, zone, 1));

  EXPECT_EQ(daylightSavingPeriod(kDstNone, &start, &end, 2451545, 0), 0);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 0);
  EXPECT_EQ(daylightSavingPeriod(kDstAlways, &start, &end, 2451545, 0), 1);
  EXPECT_EQ(start, -INFINITY);
  EXPECT_EQ(end, INFINITY);
  EXPECT_EQ(daylightSavingPeriod(12, &start, &end, 2451545, 0), 0);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(daylightSavingPeriod(kDstRussia, &start, &end, 2455800, 0.125), 0);
  EXPECT_EQ(daylightSavingPeriod(kDstEurope, &start, &end, NAN, 0), 0);
}

TEST(DaylightSaving, SystemZoneIsStandardTime) {
  if (!zoneInstalled("America/New_York")) TESSALY_SKIP_OR_FAIL("tzdata not installed");
  ScopedTimeZone tz("America/New_York");
  int dst = -1;
  EXPECT_DOUBLE_EQ(localTimeZone(&dst), -5.0 / 24);
  EXPECT_TRUE(dst == 0 || dst == 1);
  EXPECT_DOUBLE_EQ(localTimeZone(nullptr), -5.0 / 24);
  // The clock reads today, give or take a day of build-machine skew.
  time_t now = time(nullptr);
  EXPECT_NEAR(currentJulianDate(), now / 86400.0 + 2440587.5, 1.0);
}

}  // namespace
