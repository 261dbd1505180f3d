#include "engine/sky_time.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "engine/calendar.h"
#include "engine/daylight_saving.h"
#include "engine/delta_t.h"

namespace {

constexpr double kHour = 1.0 / 24.0;
constexpr double kHalfSecond = 0.5 / kSecondsPerDay;

int signedRule(std::uint16_t rule) { return static_cast<std::int16_t>(rule); }

// Whether daylight saving of `rule` is in effect at `jd` for `zone`.
std::uint8_t daylightSavingAt(std::uint16_t rule, double jd, double zone) {
  return rule != 0 &&
         daylightSavingPeriod(signedRule(rule), nullptr, nullptr, jd, zone);
}

void copyFormat(char* dst, const char* src) {
  std::snprintf(dst, CSkyTime::kFormatSize, "%s", src ? src : "");
}

// Removes the two letters at `at` from the string.
void removeLetters(char* at) { std::memmove(at, at + 2, std::strlen(at + 2) + 1); }

// The text of `jd` at the local offset `z` (days) in `calendar`.
void formatLocal(char* buffer, std::size_t size, const char* format, double jd,
                 int calendar, double z) {
  if (!buffer || size == 0 || !format || !std::isfinite(jd)) return;
  int year, month, hour, minute;
  double day, seconds;
  calendarFromJulianDate(&year, &month, &day, &hour, &minute, &seconds,
                         calendar, jd, z);
  double shown = jd;
  if (seconds > 59.5) {
    // Never show a minute as 60 seconds; the weekday follows the moment
    // shown, which may already be the next day.
    shown = jd + kHalfSecond;
    calendarFromJulianDate(&year, &month, &day, &hour, &minute, &seconds,
                           calendar, shown, z);
  }
  bool julianOrGregorian = calendar <= 2 || calendar > 8;
  bool hasAD = std::strstr(format, "AD") != nullptr;
  bool hasBC = std::strstr(format, "BC") != nullptr;
  bool beforeEra = false;
  if (julianOrGregorian && (hasAD || hasBC) && year <= 0) {
    year = 1 - year;
    beforeEra = true;
  }
  std::tm tm{};
  tm.tm_sec = static_cast<int>(seconds);
  tm.tm_min = minute;
  tm.tm_hour = hour;
  tm.tm_mday = static_cast<int>(day);
  tm.tm_mon = month - 1;
  tm.tm_year = year - 1900;
  tm.tm_wday = dayOfWeek(shown, z);
  // strftime leaves the buffer undefined when the text does not fit.
  if (std::strftime(buffer, size, format, &tm) == 0) buffer[0] = '\0';

  if (beforeEra && hasAD) {
    if (char* at = std::strstr(buffer, "AD")) std::memcpy(at, "BC", 2);
  } else if (!julianOrGregorian && hasAD) {
    if (char* at = std::strstr(buffer, "AD")) removeLetters(at);
  } else if (hasBC && !beforeEra) {
    if (char* at = std::strstr(buffer, "BC")) removeLetters(at);
  }
}

}  // namespace

CSkyTime::CSkyTime() { CSkyTime::setJulianDate(kJ2000); }

CSkyTime::CSkyTime(int calendarCode, double jd, double zone)
    : timeZone(zone), calendar(static_cast<std::uint16_t>(calendarCode)) {
  CSkyTime::setJulianDate(jd);
}

CSkyTime::~CSkyTime() = default;

void CSkyTime::updateLocalFields() {
  int y, m, h, mi;
  double d, s;
  calendarFromJulianDate(&y, &m, &d, &h, &mi, &s, calendar, julianDate,
                         timeZone + (dstInEffect ? kHour : 0));
  storeLocalFields(y, m, d, h, mi, s);
  weekday = static_cast<std::uint16_t>(dayOfWeek(julianDate, timeZone));
}

void CSkyTime::storeLocalFields(int year, int month, double day, int hour,
                                int minute, double seconds) {
  localYear = year;
  localMonth = static_cast<std::uint16_t>(month);
  localDay = day;
  localHour = static_cast<std::int16_t>(hour);
  localMinute = static_cast<std::uint16_t>(minute);
  localSeconds = seconds;
}

void CSkyTime::setJulianDate(double jd) {
  julianDate = jd;
  // The flag follows the date, so that the local fields always show the
  // clock reading of the moment (a date moved across a changeover would
  // otherwise stay an hour off).
  dstInEffect = daylightSavingAt(dstRule, jd, timeZone);
  updateLocalFields();
  setDeltaT(autoDeltaT, manualDeltaT);
  dynamicalJulianDate = julianDate + deltaTInUse;
}

void CSkyTime::setDeltaT(int automatic, double manual) {
  autoDeltaT = automatic ? 1 : 0;
  manualDeltaT = manual;
  deltaTInUse = autoDeltaT ? deltaT(julianDate) / kSecondsPerDay : manual;
  dynamicalJulianDate = julianDate + deltaTInUse;
}

void CSkyTime::setDateTime(int year, int month, double day, int hour,
                           int minute, double seconds) {
  storeLocalFields(year, month, day, hour, minute, seconds);
  // The clock reading in standard time decides daylight saving; taking the
  // reading itself as UT would misjudge the hours next to a changeover.
  double standard =
      julianDateFromCalendar(year, month, day, hour, minute, seconds, timeZone,
                             calendar);
  julianDate = standard;
  setDSTRule(dstRule);
  setJulianDate(standard - (dstInEffect ? kHour : 0));
}

void CSkyTime::setTimeZone(double zone) {
  timeZone = zone;
  updateLocalFields();
}

void CSkyTime::setDSTRule(int rule) {
  dstRule = static_cast<std::uint16_t>(rule);
  dstInEffect = daylightSavingAt(dstRule, julianDate, timeZone);
  updateLocalFields();
}

void CSkyTime::setCalendar(int calendarCode) {
  calendar = static_cast<std::uint16_t>(calendarCode);
  updateLocalFields();
}

void CSkyTime::setDateFormat(const char* format) { copyFormat(dateFormat, format); }

void CSkyTime::setTimeFormat(const char* format) { copyFormat(timeFormat, format); }

void CSkyTime::formatJulianDate(char* buffer, std::size_t size,
                                const char* format, double jd) const {
  if (!std::isfinite(jd)) return;
  int dst = daylightSavingAt(dstRule, jd, timeZone);
  formatLocal(buffer, size, format, jd, calendar,
              timeZone + (dst ? kHour : 0));
}

void CSkyTime::formatCurrentDate(char* buffer, std::size_t size,
                                 const char* format) const {
  formatJulianDate(buffer, size, format, julianDate);
}

void CSkyTime::formatDateTime(char* buffer, std::size_t size,
                              double jd) const {
  // Cut to the size of one format, as each format is.
  std::string format = std::string(dateFormat) + " " + timeFormat;
  format.resize(std::min(format.size(), kFormatSize - 1));
  formatJulianDate(buffer, size, format.c_str(), jd);
}

void CSkyTime::formatCurrentDateTime(char* buffer, std::size_t size) const {
  formatDateTime(buffer, size, julianDate);
}

void formatJulianDateUTC(char* buffer, std::size_t size, const char* format,
                         double jd) {
  formatLocal(buffer, size, format, jd, kCalendarSwitching, 0);
}
