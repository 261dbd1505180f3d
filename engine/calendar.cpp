// The Julian and Gregorian calendars, the calendar dispatch and the
// conversion of the day fraction to a clock reading.
#include "engine/calendar.h"

#include <cmath>

#include "engine/calendar_internal.h"

// Several of the classic integer expressions below rely on division that
// truncates (the month corrections); the outer divisions use floor so that
// the algorithms hold for years before their original validity (around
// 4800 BC) instead of silently producing wrong dates.
long long floorDiv(long long a, long long b) {
  long long q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

static constexpr double kCalendarLimit = 1e9;

static double julianCalendarToJD(int y, int m, double d) {
  long long yy = y, mm = m;
  return static_cast<double>(367 * yy -
                             floorDiv(7 * (yy + 5001 + (mm - 9) / 7), 4) +
                             floorDiv(275 * mm, 9)) +
         d + 1729776.5;
}

double gregorianToJulianDate(int y, int m, double d) {
  long long yy = y, mm = m;
  long long a = (mm - 14) / 12;
  return static_cast<double>(floorDiv(1461 * (yy + 4800 + a), 4) +
                             floorDiv(367 * (mm - 2 - 12 * a), 12) -
                             floorDiv(3 * floorDiv(yy + 4900 + a, 100), 4)) +
         d - 32075.5;
}

// Meeus' algorithm for the calendar that switches on 1582-10-15.
static double switchingToJD(int y, int m, double d) {
  if (m < 3) {
    y -= 1;
    m += 12;
  }
  bool gregorian = y > 1582 || (y == 1582 && m >= 11) ||
                   (y == 1582 && m == 10 && d >= 5.0);
  double b = gregorian ? 2 - y / 100 + y / 400 : 0;
  return std::floor(365.25 * (y + 4716)) + std::floor(30.6001 * (m + 1)) + d +
         b - 1524.5;
}

double julianDateFromCalendar(int year, int month, double day, int hour,
                              int minute, double seconds, double zone,
                              int calendar) {
  // The time of day is summed on its own before it joins the day, so that
  // the digits do not depend on the size of the day number.
  double t = seconds / kSecondsPerDay + hour / 24.0 + minute / 1440.0 - zone;
  double d = day + t;
  switch (calendar) {
    case kCalendarJulian:
      return julianCalendarToJD(year, month, d);
    case kCalendarGregorian:
      return gregorianToJulianDate(year, month, d);
    case kCalendarHebrew:
      return hebrewToJulianDate(year, month, d);
    case kCalendarIslamic:
      return islamicToJulianDate(year, month, d);
    case kCalendarPersian:
      return persianToJulianDate(year, month, d);
    case kCalendarIndian:
      return indianToJulianDate(year, month, d);
    case kCalendarMayan:
      return year + 584282.5 + (d - std::floor(d));
    default:
      return switchingToJD(year, month, d);
  }
}

// Meeus' inverse; with `gregorianFrom` at infinity it is the Julian calendar.
static void jdToSwitching(double t, double gregorianFrom, int* year,
                          int* month, double* day) {
  double z = std::floor(t + 0.5);
  double f = t + 0.5 - z;
  double a = z;
  if (t + 0.5 >= gregorianFrom) {
    double alpha = std::floor((z - 1867216.25) / 36524.25);
    a = z + 1 + alpha - std::floor(alpha / 4);
  }
  double b = a + 1524;
  double c = std::floor((b - 122.1) / 365.25);
  double d = b - std::floor(365.25 * c);
  double e = std::floor(d / 30.6001);
  *day = f + d - std::floor(30.6001 * e);
  *month = static_cast<int>(e < 14 ? e - 1 : e - 13);
  *year = static_cast<int>(*month > 2 ? c - 4716 : c - 4715);
}

// Fliegel and Van Flandern's integer algorithm, with floor division.
void julianDateToGregorian(double t, int* year, int* month, double* day) {
  double z = std::floor(t + 0.5);
  long long l = static_cast<long long>(z) + 68569;
  long long n = floorDiv(4 * l, 146097);
  l -= floorDiv(146097 * n + 3, 4);
  long long i = floorDiv(4000 * (l + 1), 1461001);
  l = l - floorDiv(1461 * i, 4) + 31;
  long long j = floorDiv(80 * l, 2447);
  long long dd = l - floorDiv(2447 * j, 80);
  l = floorDiv(j, 11);
  *month = static_cast<int>(j + 2 - 12 * l);
  *year = static_cast<int>(100 * (n - 49) + i + l);
  *day = static_cast<double>(dd) + (t + 0.5 - z);
}

void calendarFromJulianDate(int* year, int* month, double* day, int* hour,
                            int* minute, double* seconds, int calendar,
                            double jd, double zone) {
  // Out of this span the years no longer fit the integer fields; a date
  // that is not a number gives the zero date rather than undefined casts.
  double t = jd + zone;
  if (std::isnan(t)) t = 0;
  t = std::fmin(std::fmax(t, -kCalendarLimit), kCalendarLimit);
  int y = 0, m = 0;
  double d = 0;
  switch (calendar) {
    case kCalendarJulian:
      jdToSwitching(t, INFINITY, &y, &m, &d);
      break;
    case kCalendarGregorian:
      julianDateToGregorian(t, &y, &m, &d);
      break;
    case kCalendarHebrew:
      julianDateToHebrew(t, &y, &m, &d);
      break;
    case kCalendarIslamic:
      julianDateToIslamic(t, &y, &m, &d);
      break;
    case kCalendarPersian:
      julianDateToPersian(t, &y, &m, &d);
      break;
    case kCalendarIndian:
      julianDateToIndian(t, &y, &m, &d);
      break;
    case kCalendarMayan:
      julianDateToMayan(t, &y, &m, &d);
      break;
    default:
      jdToSwitching(t, 2299161.0, &y, &m, &d);
      break;
  }
  double f = d - std::floor(d);
  int h = static_cast<int>(24 * f);
  int mi = static_cast<int>(1440 * f - 60 * h);
  double s = kSecondsPerDay * f - 3600.0 * h - 60.0 * mi;
  if (!(s > 0)) s = 0;
  if (year) *year = y;
  if (month) *month = m;
  if (day) *day = d;
  if (hour) *hour = h;
  if (minute) *minute = mi;
  if (seconds) *seconds = s;
}

double julianEpochToJD(double year) {
  return kJ2000 + (year - 2000.0) * 365.25;
}

double besselianEpochToJD(double year) {
  return 2415020.31352 + (year - 1900.0) * 365.242198781;
}

double julianDateToYear(double jd) { return 2000.0 + (jd - kJ2000) / 365.25; }

int dayOfWeek(double jd, double zone) {
  double w = std::fmod(std::floor(jd + zone + 1.5), 7.0);
  if (w < 0) w += 7.0;
  return std::isfinite(w) ? static_cast<int>(w) : 0;
}
