#include "engine/daylight_saving.h"

#include <cmath>

#include "engine/calendar.h"

namespace {

// One changeover instant: a day found from an anchor date, at an hour of
// local standard time (or of UT).
enum class Pick {
  kSundayOnOrAfter,
  kSundayOnOrBefore,
  kSaturdayOnOrAfter,
};

struct Changeover {
  int month;
  int day;
  Pick pick;
  int hour;
  bool ut = false;
};

int lastDayOfMonth(int year, int month) {
  double first = julianDateFromCalendar(year, month, 1, 0, 0, 0, 0,
                                        kCalendarGregorian);
  double next = month == 12 ? julianDateFromCalendar(year + 1, 1, 1, 0, 0, 0,
                                                     0, kCalendarGregorian)
                            : julianDateFromCalendar(year, month + 1, 1, 0, 0,
                                                     0, 0, kCalendarGregorian);
  return static_cast<int>(next - first);
}

Changeover lastSunday(int year, int month, int hour, bool ut = false) {
  return {month, lastDayOfMonth(year, month), Pick::kSundayOnOrBefore, hour,
          ut};
}

double instant(int year, const Changeover& c, double zone) {
  double z = c.ut ? 0.0 : zone;
  double jd = julianDateFromCalendar(year, c.month, c.day, c.hour, 0, 0, z,
                                     kCalendarGregorian);
  int w = dayOfWeek(jd, z);
  switch (c.pick) {
    case Pick::kSundayOnOrAfter:
      return w == 0 ? jd : jd + 7 - w;
    case Pick::kSundayOnOrBefore:
      return jd - w;
    case Pick::kSaturdayOnOrAfter:
      return w == 6 ? jd : jd + 6 - w;
  }
  return jd;
}

// The changeovers of `rule` in `year`; false for no daylight saving.
// Ends that the law states in daylight time ("02:00 daylight time") are
// given here as the same instant in standard time.
bool changeovers(int rule, int year, Changeover* start, Changeover* end) {
  const Pick after = Pick::kSundayOnOrAfter;
  switch (rule) {
    case kDstNorthAmerica:
      if (year >= 2007) {
        *start = {3, 8, after, 2};
        *end = {11, 1, after, 1};
      } else {
        *start = {4, 1, after, 2};
        *end = lastSunday(year, 10, 1);
      }
      return true;
    case kDstMexico:
      *start = {4, 1, after, 2};
      *end = lastSunday(year, 10, 1);
      return true;
    case kDstBrazil:
      *start = {10, 1, after, 0};
      *end = {2, 15, after, 2};
      return true;
    case kDstChile:
      *start = {10, 8, Pick::kSaturdayOnOrAfter, 0};
      *end = {3, 8, Pick::kSaturdayOnOrAfter, 2};
      return true;
    case kDstEurope:
      // Summer time ended in September until the 1996 directive.
      *start = lastSunday(year, 3, 1, true);
      *end = lastSunday(year, year < 1996 ? 9 : 10, 1, true);
      return true;
    case kDstRussia:
      if (year >= 2011) return false;
      *start = lastSunday(year, 3, 2);
      *end = lastSunday(year, 10, 2);
      return true;
    case kDstIran:
      *start = {3, 22, Pick::kSundayOnOrBefore, 0};
      *end = {9, 22, Pick::kSundayOnOrBefore, 0};
      return true;
    case kDstSouthEastAustralia:
      // Since 2008 summer time starts on the first Sunday of October (the
      // 1st itself when it is a Sunday) and ends on the first Sunday of
      // April; before, it ran from the last Sunday of October to the last
      // Sunday of March.
      if (year >= 2008) {
        *start = {10, 1, after, 2};
        *end = {4, 1, after, 2};
      } else {
        *start = lastSunday(year, 10, 2);
        *end = lastSunday(year, 3, 2);
      }
      return true;
    case kDstNewZealand:
      *start = lastSunday(year, 9, 2);
      *end = {4, 1, after, 2};
      return true;
    case kDstFiji:
      *start = lastSunday(year, 10, 2);
      *end = {1, 15, after, 2};
      return true;
    default:
      return false;
  }
}

}  // namespace

int daylightSavingPeriod(int rule, double* start, double* end, double jd,
                         double zone) {
  double s = 0, e = 0;
  int result = 0;
  int year;
  Changeover first, last;
  if (rule == kDstAlways) {
    s = -INFINITY;
    e = INFINITY;
    result = 1;
  } else if (rule != kDstNone && std::isfinite(jd + zone)) {
    calendarFromJulianDate(&year, nullptr, nullptr, nullptr, nullptr, nullptr,
                           kCalendarGregorian, jd, zone);
    if (changeovers(rule, year, &first, &last)) {
      s = instant(year, first, zone);
      e = instant(year, last, zone);
      result = s < e ? (s < jd && jd < e) : (jd < e || jd > s);
    }
  }
  if (start) *start = s;
  if (end) *end = e;
  return result;
}
