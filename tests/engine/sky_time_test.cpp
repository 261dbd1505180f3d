// CSkyTime: local fields, slot calls of derived classes, and date text
// against the C library's own local time for a zone with daylight saving.
#include "engine/sky_time.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>

#include "engine/calendar.h"
#include "engine/daylight_saving.h"
#include "engine/delta_t.h"
#include "tests/support/requirements.h"

namespace {

constexpr double kNewYork = -5.0 / 24;

std::string format(const CSkyTime& t, const char* fmt, double jd) {
  char buffer[128] = "untouched";
  t.formatJulianDate(buffer, sizeof buffer, fmt, jd);
  return buffer;
}

// The local clock reading in minutes of the day.
double localMinutes(const CSkyTime& t) {
  return t.localHour * 60 + t.localMinute + t.localSeconds / 60;
}

double utc(int y, int m, int d, int h, int mi, double s = 0) {
  return julianDateFromCalendar(y, m, d, h, mi, s, 0, kCalendarGregorian);
}

TEST(SkyTime, DefaultsAndDeltaT) {
  CSkyTime t;
  EXPECT_EQ(t.julianDate, 2451545.0);
  EXPECT_EQ(t.localYear, 2000);
  EXPECT_EQ(t.localMonth, 1);
  EXPECT_EQ(t.localDay, 1.5);
  EXPECT_EQ(t.localHour, 12);
  EXPECT_EQ(t.weekday, 6);
  EXPECT_EQ(t.calendar, 2);
  EXPECT_EQ(t.dstRule, 1);
  EXPECT_STREQ(t.dateFormat, "%Y/%m/%d");
  EXPECT_STREQ(t.timeFormat, "%H:%M:%S");
  EXPECT_DOUBLE_EQ(t.deltaTInUse, deltaT(2451545.0) / 86400);
  EXPECT_DOUBLE_EQ(t.dynamicalJulianDate, 2451545.0 + t.deltaTInUse);
  t.setDeltaT(0, 70.0 / 86400);
  EXPECT_DOUBLE_EQ(t.dynamicalJulianDate, 2451545.0 + 70.0 / 86400);
  t.setJulianDate(2460000.5);  // the manual value stays in use
  EXPECT_DOUBLE_EQ(t.dynamicalJulianDate, 2460000.5 + 70.0 / 86400);

  std::string longFormat(400, 'x');
  t.setDateFormat(longFormat.c_str());
  EXPECT_EQ(std::strlen(t.dateFormat), 255u);
}

// Records which overrides the base class reaches.
class Derived : public CSkyTime {
 public:
  void setJulianDate(double jd) override {
    ++julianDateCalls;
    CSkyTime::setJulianDate(jd);
  }
  void setDeltaT(int automatic, double manual) override {
    ++deltaTCalls;
    CSkyTime::setDeltaT(automatic, manual);
  }
  void setDSTRule(int rule) override {
    ++ruleCalls;
    CSkyTime::setDSTRule(rule);
  }
  int julianDateCalls = 0, deltaTCalls = 0, ruleCalls = 0;
};

TEST(SkyTime, SettersReachOverrides) {
  Derived d;
  d.setJulianDate(2460000.5);
  EXPECT_EQ(d.julianDateCalls, 1);
  EXPECT_EQ(d.deltaTCalls, 1);
  d.setDateTime(2024, 5, 1, 10, 0, 0);
  EXPECT_EQ(d.julianDateCalls, 2);
  EXPECT_EQ(d.deltaTCalls, 2);
  EXPECT_EQ(d.ruleCalls, 1);
}

TEST(SkyTime, LocalClockInNewYork) {
  CSkyTime t(kCalendarSwitching, 2451545.0, kNewYork);
  t.setDSTRule(kDstNorthAmerica);
  t.setDateTime(2024, 1, 15, 12, 0, 0);
  EXPECT_NEAR(t.julianDate, utc(2024, 1, 15, 17, 0), 1e-9);
  EXPECT_EQ(t.dstInEffect, 0);
  t.setDateTime(2024, 7, 4, 12, 0, 0);
  EXPECT_NEAR(t.julianDate, utc(2024, 7, 4, 16, 0), 1e-9);
  EXPECT_EQ(t.dstInEffect, 1);
  EXPECT_EQ(t.localHour, 12);
  // Two and a half hours after the spring changeover: the reading is in
  // daylight time although it is before the changeover's UT hour.
  t.setDateTime(2024, 3, 10, 4, 30, 0);
  EXPECT_NEAR(t.julianDate, utc(2024, 3, 10, 8, 30), 1e-9);
  EXPECT_EQ(t.localHour, 4);
  EXPECT_EQ(t.localMinute, 30);

  // Moving the date across a changeover moves the flag with it.
  t.setJulianDate(utc(2024, 12, 1, 17, 0));
  EXPECT_EQ(t.dstInEffect, 0);
  EXPECT_NEAR(localMinutes(t), 12 * 60, 1e-3);
  t.setJulianDate(utc(2024, 6, 1, 16, 0));
  EXPECT_NEAR(localMinutes(t), 12 * 60, 1e-3);
  // Changing the calendar keeps the daylight-saving hour.
  t.setCalendar(kCalendarGregorian);
  EXPECT_NEAR(localMinutes(t), 12 * 60, 1e-3);
  EXPECT_EQ(format(t, "%H", t.julianDate), "12");
  t.setDSTRule(kDstNone);
  EXPECT_NEAR(localMinutes(t), 11 * 60, 1e-3);
  t.setTimeZone(0);
  EXPECT_NEAR(localMinutes(t), 16 * 60, 1e-3);
}

TEST(SkyTime, EraLettersAndRounding) {
  CSkyTime t;
  EXPECT_EQ(format(t, "%Y AD", 1721057.5), "1 BC");
  EXPECT_EQ(format(t, "%Y AD", julianDateFromCalendar(-1, 6, 1, 0, 0, 0, 0, 2)),
            "2 BC");
  EXPECT_EQ(format(t, "%Y AD", 2451545.0), "2000 AD");
  EXPECT_EQ(format(t, "%Y BC", 2451545.0), "2000 ");
  EXPECT_EQ(format(t, "%Y BC", 1721057.5), "1 BC");
  t.setCalendar(kCalendarHebrew);
  EXPECT_EQ(format(t, "%Y AD", 2451545.0), "5760 ");
  t.setCalendar(kCalendarSwitching);
  EXPECT_EQ(format(t, "%H:%M:%S", utc(2001, 2, 3, 12, 34, 59.7)), "12:35:00");
  EXPECT_EQ(format(t, "%H:%M:%S", utc(2001, 2, 3, 12, 34, 59.2)), "12:34:59");
  // Rounded into the next day, the weekday goes with it (2000-01-01 was a
  // Saturday).
  EXPECT_EQ(format(t, "%a %d %H:%M:%S", utc(2000, 1, 1, 23, 59, 59.7)),
            "Sun 02 00:00:00");
  EXPECT_EQ(format(t, "%Y", NAN), "untouched");
  EXPECT_EQ(format(t, "%Y", INFINITY), "untouched");

  char tiny[4] = "abc";
  t.formatJulianDate(tiny, sizeof tiny, "%Y-%m-%d", 2451545.0);
  EXPECT_STREQ(tiny, "");  // does not fit: empty rather than undefined

  char buffer[64];
  t.setDSTRule(kDstNone);
  t.setDateFormat("%d.%m.%Y");
  t.setTimeFormat("%H:%M");
  t.formatDateTime(buffer, sizeof buffer, utc(2010, 5, 6, 7, 8));
  EXPECT_STREQ(buffer, "06.05.2010 07:08");
  formatJulianDateUTC(buffer, sizeof buffer, "%Y-%m-%d %H:%M", 2299160.5);
  EXPECT_STREQ(buffer, "1582-10-15 00:00");
}

TEST(SkyTime, TextMatchesCLibraryLocalTime) {
  if (access("/usr/share/zoneinfo/America/New_York", R_OK) != 0)
    TESSALY_SKIP_OR_FAIL("tzdata not installed");
  // Restores TZ however the test ends.
  struct ZoneGuard {
    ZoneGuard() : hadOld(std::getenv("TZ") != nullptr) {
      if (hadOld) saved = std::getenv("TZ");
      setenv("TZ", "America/New_York", 1);
      tzset();
    }
    ~ZoneGuard() {
      if (hadOld)
        setenv("TZ", saved.c_str(), 1);
      else
        unsetenv("TZ");
      tzset();
    }
    bool hadOld;
    std::string saved;
  } guard;
  CSkyTime t(kCalendarSwitching, 2451545.0, kNewYork);
  t.setDSTRule(kDstNorthAmerica);
  std::mt19937_64 rng(4);
  std::uniform_int_distribution<long long> second(631152000LL, 1893456000LL);
  for (int i = 0; i < 5000; ++i) {
    time_t s = second(rng);
    double jd = (s + 0.25) / 86400.0 + 2440587.5;
    tm local{};
    localtime_r(&s, &local);
    char expected[64], ours[64];
    std::strftime(expected, sizeof expected, "%a %Y-%m-%d %H:%M:%S", &local);
    t.formatJulianDate(ours, sizeof ours, "%a %Y-%m-%d %H:%M:%S", jd);
    ASSERT_STREQ(ours, expected) << s;
  }
}

TEST(SkyTime, AnyCalendarAndDateFormatsSafely) {
  // Month 13 of the Hebrew calendar, Haab months up to 19 and far dates go
  // through strftime without harm.
  std::mt19937_64 rng(8);
  std::uniform_real_distribution<double> jd(-1e10, 1e10);
  char buffer[96];
  for (int i = 0; i < 3000; ++i) {
    CSkyTime t(i % 10, i % 3 ? jd(rng) / 1e4 : jd(rng), (i % 27 - 13) / 24.0);
    t.setDSTRule(i % 2 ? -1 : 20);
    t.formatJulianDate(buffer, sizeof buffer, "%a %b %d %Y %H:%M:%S AD BC",
                       t.julianDate);
    EXPECT_LT(std::strlen(buffer), sizeof buffer);
  }
}

}  // namespace
