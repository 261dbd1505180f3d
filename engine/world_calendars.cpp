// The Hebrew, Islamic, Persian, Indian national and Mayan calendars, all
// in their arithmetic forms.
#include <cmath>

#include "engine/calendar.h"
#include "engine/calendar_internal.h"

// Days from the Hebrew epoch to the molad-based start of `year`, with the
// first postponement rule applied.
static long long hebrewElapsedDays(int year) {
  long long months = floorDiv(235LL * year - 234, 19);
  long long parts = 12084 + 13753 * months;
  long long day = 29 * months + floorDiv(parts, 25920);
  if (((3 * (day + 1)) % 7 + 7) % 7 < 3) ++day;
  return day;
}

static bool hebrewLeapYear(int year) {
  return ((7LL * year + 1) % 19 + 19) % 19 < 7;
}

static int hebrewLastMonth(int year) { return hebrewLeapYear(year) ? 13 : 12; }

int hebrewYearDelay(int year) {
  long long ny0 = hebrewElapsedDays(year - 1);
  long long ny1 = hebrewElapsedDays(year);
  long long ny2 = hebrewElapsedDays(year + 1);
  if (ny2 - ny1 == 356) return 2;
  if (ny1 - ny0 == 382) return 1;
  return 0;
}

static long long hebrewYearLength(int year) {
  return static_cast<long long>(hebrewToJulianDate(year + 1, 7, 1) -
                                hebrewToJulianDate(year, 7, 1));
}

int hebrewMonthLength(int year, int month) {
  switch (month) {
    case 2: case 4: case 6: case 10: case 13:
      return 29;
    case 12:
      return hebrewLeapYear(year) ? 30 : 29;
    case 8:
      return hebrewYearLength(year) % 10 == 5 ? 30 : 29;
    case 9:
      return hebrewYearLength(year) % 10 == 3 ? 29 : 30;
    default:
      return 30;
  }
}

double hebrewToJulianDate(int year, int month, double day) {
  double jd = 347995.5 + static_cast<double>(hebrewElapsedDays(year)) +
              hebrewYearDelay(year) + day + 1;
  // The year starts with Tishri (month 7); Nisan (month 1) comes after the
  // last month of the year.
  if (month < 7) {
    for (int m = 7, last = hebrewLastMonth(year); m <= last; ++m)
      jd += hebrewMonthLength(year, m);
    for (int m = 1; m < month; ++m) jd += hebrewMonthLength(year, m);
  } else {
    for (int m = 7; m < month; ++m) jd += hebrewMonthLength(year, m);
  }
  return jd;
}

void julianDateToHebrew(double t, int* year, int* month, double* day) {
  double jd = std::floor(t - 0.5) + 0.5;
  int y = static_cast<int>(std::floor((jd - 347995.5) * 98496.0 / 35975351.0)) -
          1;
  while (jd >= hebrewToJulianDate(y + 1, 7, 1)) ++y;
  int m = jd < hebrewToJulianDate(y, 1, 1) ? 7 : 1;
  while (jd > hebrewToJulianDate(y, m, hebrewMonthLength(y, m))) ++m;
  *year = y;
  *month = m;
  *day = t - hebrewToJulianDate(y, m, 1) + 1;
}

double islamicToJulianDate(int year, int month, double day) {
  return std::floor((3.0 + 11.0 * year) / 30.0) + 354.0 * year + 30.0 * month -
         std::floor((month - 1) / 2.0) + day + 1948440 - 385.5;
}

void julianDateToIslamic(double t, int* year, int* month, double* day) {
  double z = std::floor(t + 0.5);
  long long l = static_cast<long long>(z) - 1948440 + 10632;
  long long n = floorDiv(l - 1, 10631);
  l = l - 10631 * n + 354;
  long long j = ((10985 - l) / 5316) * ((50 * l) / 17719) +
                (l / 5670) * ((43 * l) / 15238);
  l = l - ((30 - j) / 15) * ((17719 * j) / 50) - (j / 16) * ((15238 * j) / 43) +
      29;
  long long m = (24 * l) / 709;
  *month = static_cast<int>(m);
  *day = static_cast<double>(l - (709 * m) / 24) + (t + 0.5 - z);
  *year = static_cast<int>(30 * n + j - 30);
}

double persianToJulianDate(int year, int month, double day) {
  long long e = year - 474LL;
  long long c = ((e % 2820) + 2820) % 2820;
  double monthDays = month <= 7 ? 31.0 * (month - 1) : 30.0 * (month - 1) + 6;
  return day + monthDays +
         static_cast<double>(floorDiv(682 * (c + 474) - 110, 2816)) +
         static_cast<double>(365 * (c + 473)) +
         static_cast<double>(floorDiv(e, 2820) * 1029983) + 1948320.5 - 1;
}

void julianDateToPersian(double t, int* year, int* month, double* day) {
  double jd = std::floor(t - 0.5) + 0.5;
  long long d = static_cast<long long>(jd - 2121445.5);
  long long cycle = floorDiv(d, 1029983);
  long long r = d - cycle * 1029983;
  long long inCycle =
      r == 1029982 ? 2820
                   : floorDiv(2134 * (r / 366) + 2816 * (r % 366) + 2815,
                              1028522) +
                         r / 366 + 1;
  int y = static_cast<int>(inCycle + 2820 * cycle + 474);
  double yday = jd - persianToJulianDate(y, 1, 1) + 1;
  int m = static_cast<int>(yday < 187 ? std::ceil(yday / 31)
                                      : std::ceil((yday - 6) / 30));
  *year = y;
  *month = m;
  *day = t - persianToJulianDate(y, m, 1) + 1;
}

double indianToJulianDate(int year, int month, double day) {
  double g = year + 78 - (month == 1 ? 1 : 0);
  return 365.0 * year + std::floor(g / 4) -
         std::floor(3 * (std::floor(g / 100) + 1) / 4) + 31.0 * month -
         (month + 9) / 11 - (month / 7) * (month - 7) + day + 1749578.5;
}

static bool gregorianLeapYear(long long y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

// The Saka year begins on 22 March (21 March in a Gregorian leap year);
// Chaitra has 30 days (31 in such a year), the next five months 31, the
// last six 30.
void julianDateToIndian(double t, int* year, int* month, double* day) {
  double jd = std::floor(t - 0.5) + 0.5;
  double fraction = t - jd;
  int gy, gm;
  double gd;
  julianDateToGregorian(jd, &gy, &gm, &gd);
  auto newYear = [](int y) {
    return gregorianToJulianDate(y, 3, gregorianLeapYear(y) ? 21 : 22);
  };
  if (jd < newYear(gy)) --gy;
  long long yday = static_cast<long long>(jd - newYear(gy));
  int chaitra = gregorianLeapYear(gy) ? 31 : 30;
  int m, d;
  if (yday < chaitra) {
    m = 1;
    d = static_cast<int>(yday) + 1;
  } else if ((yday -= chaitra) < 5 * 31) {
    m = 2 + static_cast<int>(yday / 31);
    d = static_cast<int>(yday % 31) + 1;
  } else {
    yday -= 5 * 31;
    m = 7 + static_cast<int>(yday / 30);
    d = static_cast<int>(yday % 30) + 1;
  }
  *year = gy - 78;
  *month = m;
  *day = d + fraction;
}

// The Haab position of the Long Count's day 0 (4 Ahau 8 Cumku) is day 348
// of its 365-day year.
void julianDateToMayan(double t, int* year, int* month, double* day) {
  double count = t - 584282.5;
  double x = std::fmod(count + 348, 365.0);
  if (x < 0) x += 365;
  *year = static_cast<int>(std::floor(count));
  *month = static_cast<int>(std::floor(x / 20)) + 1;
  *day = std::fmod(x, 20.0);
}
