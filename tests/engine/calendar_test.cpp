// Calendar conversions: the Gregorian calendar and the epochs against ERFA,
// the Julian calendar against Meeus' worked examples, the other calendars
// against published dates, and round trips through every calendar.
#include "engine/calendar.h"

#include <erfa.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

struct Date {
  int year, month;
  double day;
  int hour, minute;
  double seconds;
};

Date toCalendar(int calendar, double jd, double zone = 0) {
  Date d{};
  calendarFromJulianDate(&d.year, &d.month, &d.day, &d.hour, &d.minute,
                         &d.seconds, calendar, jd, zone);
  return d;
}

double toJD(int calendar, int y, int m, double d, double zone = 0) {
  return julianDateFromCalendar(y, m, d, 0, 0, 0, zone, calendar);
}

TEST(Gregorian, AgreesWithErfaOverTenMillennia) {
  std::mt19937_64 rng(1);
  std::uniform_int_distribution<int> year(-4700, 5000), month(1, 12),
      day(1, 28);
  std::uniform_real_distribution<double> fraction(0, 1);
  for (int i = 0; i < 20000; ++i) {
    int y = year(rng), m = month(rng), d = day(rng);
    double f = fraction(rng);
    double djm0, djm;
    ASSERT_EQ(eraCal2jd(y, m, d, &djm0, &djm), 0);
    double expected = djm0 + djm + f;
    int hour = static_cast<int>(f * 24), minute = static_cast<int>(f * 1440) % 60;
    double seconds = f * 86400 - hour * 3600 - minute * 60;
    EXPECT_NEAR(julianDateFromCalendar(y, m, d, hour, minute, seconds, 0,
                                       kCalendarGregorian),
                expected, 1e-9)
        << y << "-" << m << "-" << d;
    // The switching calendar is Gregorian after 1582-10-15.
    if (y > 1582) {
      EXPECT_NEAR(toJD(kCalendarSwitching, y, m, d + f), expected, 1e-9);
    }

    int ey, em, ed;
    double ef;
    ASSERT_EQ(eraJd2cal(djm0, djm + f, &ey, &em, &ed, &ef), 0);
    Date g = toCalendar(kCalendarGregorian, expected);
    EXPECT_EQ(g.year, ey);
    EXPECT_EQ(g.month, em);
    EXPECT_EQ(std::floor(g.day), ed);
    EXPECT_NEAR(g.day - std::floor(g.day), ef, 1e-9);
    if (expected >= 2299160.5) {
      Date s = toCalendar(kCalendarSwitching, expected);
      EXPECT_EQ(s.year, ey);
      EXPECT_EQ(s.month, em);
      EXPECT_NEAR(s.day, ed + ef, 1e-9);
    }
  }
}

TEST(Gregorian, ReformAndPublishedEpochs) {
  EXPECT_EQ(toJD(kCalendarSwitching, 1582, 10, 4), 2299159.5);
  EXPECT_EQ(toJD(kCalendarSwitching, 1582, 10, 15), 2299160.5);
  EXPECT_EQ(julianDateFromCalendar(2000, 1, 1, 12, 0, 0, 0, kCalendarGregorian),
            2451545.0);
  EXPECT_EQ(toJD(kCalendarJulian, 2000, 1, 1), 2451557.5);
  Date after = toCalendar(kCalendarSwitching, 2299160.5);
  EXPECT_EQ(after.year, 1582);
  EXPECT_EQ(after.month, 10);
  EXPECT_EQ(after.day, 15);
  Date before = toCalendar(kCalendarSwitching, 2299159.5);
  EXPECT_EQ(before.month, 10);
  EXPECT_EQ(before.day, 4);
  // An unknown calendar code behaves as the switching calendar.
  EXPECT_EQ(toJD(42, 1582, 10, 4), 2299159.5);
  EXPECT_EQ(toJD(7, 1582, 10, 4), 2299159.5);
}

TEST(JulianCalendar, MeeusWorkedExamples) {
  // Astronomical Algorithms, chapter 7.
  struct {
    int y, m;
    double d, jd;
  } cases[] = {{837, 4, 10.3, 2026871.8},   {-123, 12, 31.0, 1676496.5},
               {-122, 1, 1.0, 1676497.5},   {-1000, 7, 12.5, 1356001.0},
               {-1000, 2, 29.0, 1355866.5}, {-1001, 8, 17.9, 1355671.4},
               {-4712, 1, 1.5, 0.0},        {333, 1, 27.5, 1842713.0}};
  for (const auto& c : cases) {
    EXPECT_NEAR(toJD(kCalendarJulian, c.y, c.m, c.d), c.jd, 1e-9) << c.y;
    EXPECT_NEAR(toJD(kCalendarSwitching, c.y, c.m, c.d), c.jd, 1e-9) << c.y;
    for (int calendar : {kCalendarJulian, kCalendarSwitching}) {
      Date d = toCalendar(calendar, c.jd);
      EXPECT_EQ(d.year, c.y);
      EXPECT_EQ(d.month, c.m);
      EXPECT_NEAR(d.day, c.d, 1e-9);
    }
  }
  // Both Julian-calendar algorithms agree before the reform.
  for (double jd = -1e6; jd < 2299160; jd += 1234.567) {
    Date a = toCalendar(kCalendarJulian, jd), b = toCalendar(kCalendarSwitching, jd);
    EXPECT_EQ(a.year, b.year);
    EXPECT_EQ(a.month, b.month);
    EXPECT_NEAR(a.day, b.day, 1e-9);
    EXPECT_NEAR(toJD(kCalendarJulian, a.year, a.month, a.day), jd, 1e-8);
  }
}

TEST(Epochs, AgreeWithErfa) {
  for (double epoch = 1000; epoch < 3000; epoch += 37.3) {
    double djm0, djm;
    eraEpj2jd(epoch, &djm0, &djm);
    EXPECT_NEAR(julianEpochToJD(epoch), djm0 + djm, 1e-8);
    eraEpb2jd(epoch, &djm0, &djm);
    EXPECT_NEAR(besselianEpochToJD(epoch), djm0 + djm, 1e-8);
    double jd = julianEpochToJD(epoch);
    EXPECT_NEAR(julianDateToYear(jd), eraEpj(jd, 0), 1e-12);
  }
}

TEST(Clock, DayFractionAndWeekday) {
  Date d = toCalendar(kCalendarGregorian, 2451545.0 + (3600 * 5 + 60 * 7 + 9.25) / 86400);
  EXPECT_EQ(d.hour, 17);
  EXPECT_EQ(d.minute, 7);
  EXPECT_NEAR(d.seconds, 9.25, 1e-4);  // a JD near 2.45e6 resolves 4e-5 s
  // Midnight reached through rounding never shows a negative second.
  Date m = toCalendar(kCalendarGregorian, 2451544.5 - 1e-12);
  EXPECT_GE(m.seconds, 0.0);
  EXPECT_EQ(dayOfWeek(2451545.0, 0), 6);  // Saturday
  EXPECT_EQ(dayOfWeek(2451545.0, -0.6), 5);
  EXPECT_EQ(dayOfWeek(0.0, 0), 1);  // 1 January 4713 BC was a Monday
  EXPECT_EQ(dayOfWeek(-2.0, 0), 6);
  // A zone moves the local date: 21:00 UT on 31 December is 06:00 in Tokyo.
  Date tokyo = toCalendar(kCalendarGregorian, 2451544.375, 9.0 / 24);
  EXPECT_EQ(tokyo.year, 2000);
  EXPECT_EQ(std::floor(tokyo.day), 1);
  EXPECT_EQ(tokyo.hour, 6);
  EXPECT_EQ(tokyo.minute, 0);
  // Non-numbers and huge dates give a date of the calendar, whose fields are
  // in range and which converts back to a finite day.
  for (int calendar : {kCalendarJulian, kCalendarGregorian, kCalendarSwitching, kCalendarHebrew,
                       kCalendarIslamic, kCalendarPersian, kCalendarIndian}) {
    for (double jd : {double(NAN), double(INFINITY), -double(INFINITY), 1e300, -1e300}) {
      const Date d = toCalendar(calendar, jd);
      EXPECT_GE(d.month, 1) << calendar << " " << jd;
      EXPECT_LE(d.month, calendar == kCalendarHebrew ? 13 : 12) << calendar << " " << jd;
      EXPECT_GE(d.day, 1.0) << calendar << " " << jd;
      EXPECT_LT(d.day, 32.0) << calendar << " " << jd;
      EXPECT_TRUE(d.hour >= 0 && d.hour < 24 && d.minute >= 0 && d.minute < 60) << jd;
      EXPECT_TRUE(d.seconds >= 0 && d.seconds < 60) << calendar << " " << jd;
      EXPECT_TRUE(std::isfinite(toJD(calendar, d.year, d.month, d.day))) << calendar << " " << jd;
    }
  }
}

// Local times east and west of Greenwich, across midnight and the date
// line: the Gregorian calendar against ERFA's UT dates shifted by the zone,
// every calendar through its own round trip, and the local date always the
// date of JD + zone.
TEST(CalendarZones, LocalTimesConvertThroughTheZone) {
  const double zones[] = {-12.0 / 24, -9.5 / 24, -5.0 / 24, 5.75 / 24, 9.0 / 24, 14.0 / 24};
  std::mt19937_64 rng(7);
  std::uniform_int_distribution<int> year(-1000, 3000), month(1, 12), day(1, 28), hour(0, 23),
      minute(0, 59);
  int crossedMidnight = 0;
  for (int i = 0; i < 3000; ++i) {
    const double zone = zones[i % std::size(zones)];
    const int y = year(rng), m = month(rng), d = day(rng), h = hour(rng), mi = minute(rng);
    const double seconds = 17.5;
    double djm0, djm;
    ASSERT_EQ(eraCal2jd(y, m, d, &djm0, &djm), 0);
    const double local = djm0 + djm + (h * 3600 + mi * 60 + seconds) / 86400;
    const double ut = local - zone;
    EXPECT_NEAR(julianDateFromCalendar(y, m, d, h, mi, seconds, zone, kCalendarGregorian), ut,
                1e-9)
        << y << "-" << m << "-" << d << " zone " << zone * 24;
    const Date back = toCalendar(kCalendarGregorian, ut, zone);
    EXPECT_EQ(back.year, y);
    EXPECT_EQ(back.month, m);
    EXPECT_EQ(std::floor(back.day), d);
    EXPECT_EQ(back.hour, h);
    EXPECT_EQ(back.minute, mi);
    EXPECT_NEAR(back.seconds, seconds, 1e-3);
    int uy, um, ud;
    double uf;
    ASSERT_EQ(eraJd2cal(ut, 0.0, &uy, &um, &ud, &uf), 0);
    if (ud != d) ++crossedMidnight;

    for (int calendar : {kCalendarJulian, kCalendarSwitching, kCalendarHebrew,
                         kCalendarIslamic, kCalendarPersian, kCalendarIndian}) {
      const Date shifted = toCalendar(calendar, ut, zone);
      const Date plain = toCalendar(calendar, ut + zone, 0);
      EXPECT_EQ(shifted.year, plain.year) << calendar;
      EXPECT_EQ(shifted.month, plain.month) << calendar;
      EXPECT_NEAR(shifted.day, plain.day, 1e-9) << calendar;
      EXPECT_NEAR(julianDateFromCalendar(shifted.year, shifted.month, std::floor(shifted.day),
                                         shifted.hour, shifted.minute, shifted.seconds, zone,
                                         calendar),
                  ut, 1e-8)
          << calendar;
    }
    EXPECT_EQ(dayOfWeek(ut, zone), dayOfWeek(local, 0));
  }
  EXPECT_GT(crossedMidnight, 300);  // the zone moved the date often
}

// Published dates: the first of a year and feasts of fixed date.
TEST(WorldCalendars, PublishedDates) {
  struct {
    int calendar, y, m, d;
    int gy, gm, gd;
  } cases[] = {
      // Hebrew: Rosh Hashanah, Passover, Purim (Adar II in a leap year).
      {kCalendarHebrew, 5784, 7, 1, 2023, 9, 16},
      {kCalendarHebrew, 5785, 7, 1, 2024, 10, 3},
      {kCalendarHebrew, 5783, 7, 1, 2022, 9, 26},
      {kCalendarHebrew, 5784, 1, 15, 2024, 4, 23},
      {kCalendarHebrew, 5784, 13, 14, 2024, 3, 24},
      {kCalendarHebrew, 5783, 12, 14, 2023, 3, 7},
      // Persian: Nowruz.
      {kCalendarPersian, 1403, 1, 1, 2024, 3, 20},
      {kCalendarPersian, 1402, 1, 1, 2023, 3, 21},
      // Indian national: 1 Chaitra, 1 Vaisakha, 1 Pausa, 1 Magha.
      {kCalendarIndian, 1946, 1, 1, 2024, 3, 21},
      {kCalendarIndian, 1945, 1, 1, 2023, 3, 22},
      {kCalendarIndian, 1946, 2, 1, 2024, 4, 21},
      {kCalendarIndian, 1945, 2, 1, 2023, 4, 21},
      {kCalendarIndian, 1946, 10, 1, 2024, 12, 22},
      {kCalendarIndian, 1945, 11, 1, 2024, 1, 21},
      {kCalendarIndian, 1945, 12, 1, 2024, 2, 20},
  };
  for (const auto& c : cases) {
    double jd = toJD(c.calendar, c.y, c.m, c.d);
    double djm0, djm;
    eraCal2jd(c.gy, c.gm, c.gd, &djm0, &djm);
    EXPECT_EQ(jd, djm0 + djm) << c.calendar << " " << c.y << "-" << c.m;
    Date back = toCalendar(c.calendar, djm0 + djm + 0.25);
    EXPECT_EQ(back.year, c.y);
    EXPECT_EQ(back.month, c.m);
    EXPECT_DOUBLE_EQ(back.day, c.d + 0.25);
    EXPECT_EQ(back.hour, 6);
  }
  // Epochs of the Islamic and Persian eras: 16 and 19 July 622 (Julian).
  EXPECT_EQ(toJD(kCalendarIslamic, 1, 1, 1), toJD(kCalendarJulian, 622, 7, 16));
  EXPECT_EQ(toJD(kCalendarPersian, 1, 1, 1), toJD(kCalendarJulian, 622, 3, 19));
  // Long Count 13.0.0.0.0, 4 Ahau 3 Kankin, fell on 21 December 2012.
  double longCount = 13.0 * 144000;
  EXPECT_EQ(toJD(kCalendarMayan, static_cast<int>(longCount), 1, 1),
            toJD(kCalendarGregorian, 2012, 12, 21));
  Date maya = toCalendar(kCalendarMayan, toJD(kCalendarGregorian, 2012, 12, 21));
  EXPECT_EQ(maya.year, longCount);
  EXPECT_EQ(maya.month, 14);
  EXPECT_EQ(maya.day, 3);
}

TEST(WorldCalendars, RoundTripsAndMonotoneDays) {
  for (int calendar : {kCalendarHebrew, kCalendarIslamic, kCalendarPersian,
                       kCalendarIndian, kCalendarJulian, kCalendarGregorian,
                       kCalendarSwitching}) {
    Date prev = toCalendar(calendar, 2200000.0);
    for (double jd = 2200000.5; jd < 2600000; jd += 1) {
      Date d = toCalendar(calendar, jd + 0.5);
      ASSERT_NEAR(toJD(calendar, d.year, d.month, d.day), jd + 0.5, 1e-9)
          << calendar << " " << d.year << "-" << d.month << "-" << d.day;
      // Consecutive days advance the day, or start a new month at day 1.
      bool next = (d.year == prev.year && d.month == prev.month &&
                   std::floor(d.day) == std::floor(prev.day) + 1) ||
                  std::floor(d.day) == 1;
      if (calendar == kCalendarSwitching && jd == 2299160.5) next = true;
      ASSERT_TRUE(next) << calendar << " at " << jd;
      ASSERT_GE(d.month, 1);
      ASSERT_LE(d.month, calendar == kCalendarHebrew ? 13 : 12);
      prev = d;
    }
  }
}

TEST(WorldCalendars, RoundTripsFarFromToday) {
  // Sparse samples over +-2.7 million years: every calendar stays
  // self-consistent where its integer arithmetic could overflow or its
  // truncating divisions turn negative.
  std::mt19937_64 rng(12);
  std::uniform_real_distribution<double> jd(-1e9, 1e9);
  for (int calendar = 0; calendar <= 8; ++calendar) {
    if (calendar == 7 || calendar == kCalendarMayan) continue;
    for (int i = 0; i < 3000; ++i) {
      double t = std::floor(jd(rng)) + 0.25;
      Date d = toCalendar(calendar, t);
      ASSERT_NEAR(toJD(calendar, d.year, d.month, d.day), t, 1e-6)
          << calendar << " " << t << " -> " << d.year << "-" << d.month << "-"
          << d.day;
    }
  }
}

}  // namespace
