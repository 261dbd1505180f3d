#include "platform/foundation/date.h"

#include <sys/time.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>

namespace ns {
namespace {

// INT32_MIN stands for "no default set".
std::atomic<std::int32_t> gDefaultZone{INT32_MIN};

constexpr const char* kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                       "July",    "August",   "September", "October", "November", "December"};
constexpr const char* kWeekdayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                         "Thursday", "Friday", "Saturday"};

struct CivilTime {
  std::int64_t year;
  int month, day, weekday, hour, minute, second;
};

// Proleptic Gregorian calendar date of a day count from 1970-01-01
// (the days-to-civil algorithm of H. Hinnant, "chrono-Compatible Low-Level
// Date Algorithms").
CivilTime civilFromSeconds(std::int64_t unixSeconds) {
  std::int64_t days = unixSeconds >= 0 ? unixSeconds / 86400 : -((-unixSeconds + 86399) / 86400);
  std::int64_t secondOfDay = unixSeconds - days * 86400;
  CivilTime t{};
  t.weekday = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  std::int64_t z = days + 719468;
  std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  std::int64_t doe = z - era * 146097;
  std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  std::int64_t mp = (5 * doy + 2) / 153;
  t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.year = yoe + era * 400 + (t.month <= 2 ? 1 : 0);
  t.hour = static_cast<int>(secondOfDay / 3600);
  t.minute = static_cast<int>(secondOfDay / 60 % 60);
  t.second = static_cast<int>(secondOfDay % 60);
  return t;
}

std::string format(const char* pattern, auto... values) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, pattern, values...);
  return buffer;
}

std::string dateText(const CivilTime& t, DateFormatter::Style style) {
  using Style = DateFormatter::Style;
  long long year = static_cast<long long>(t.year);
  switch (style) {
    case Style::none: return {};
    case Style::shortStyle: return format("%d/%d/%02lld", t.month, t.day, ((year % 100) + 100) % 100);
    case Style::medium: return format("%.3s %d, %lld", kMonthNames[t.month - 1], t.day, year);
    case Style::longStyle: return format("%s %d, %lld", kMonthNames[t.month - 1], t.day, year);
    case Style::full:
      return format("%s, %s %d, %lld", kWeekdayNames[t.weekday], kMonthNames[t.month - 1], t.day, year);
  }
  return {};
}

std::string timeText(const CivilTime& t, DateFormatter::Style style, TimeZone zone) {
  using Style = DateFormatter::Style;
  int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
  const char* half = t.hour < 12 ? "AM" : "PM";
  switch (style) {
    case Style::none: return {};
    case Style::shortStyle: return format("%d:%02d %s", hour12, t.minute, half);
    case Style::medium: return format("%d:%02d:%02d %s", hour12, t.minute, t.second, half);
    case Style::longStyle:
    case Style::full:
      return format("%d:%02d:%02d %s ", hour12, t.minute, t.second, half) + zone.name();
  }
  return {};
}

}  // namespace

Date Date::now() {
  timeval tv;
  ::gettimeofday(&tv, nullptr);
  return fromTimeIntervalSince1970(static_cast<double>(tv.tv_sec) + tv.tv_usec / 1e6);
}

TimeZone TimeZone::system() {
  std::time_t now = std::time(nullptr);
  std::tm local;
  ::localtime_r(&now, &local);
  return TimeZone(static_cast<int>(local.tm_gmtoff));
}

TimeZone TimeZone::defaultTimeZone() {
  std::int32_t seconds = gDefaultZone.load();
  return seconds == INT32_MIN ? system() : TimeZone(seconds);
}

void TimeZone::setDefaultTimeZone(TimeZone zone) { gDefaultZone.store(zone.seconds_); }

void TimeZone::resetDefaultTimeZone() { gDefaultZone.store(INT32_MIN); }

std::string TimeZone::name() const {
  if (seconds_ == 0) return "GMT";
  int magnitude = seconds_ < 0 ? -seconds_ : seconds_;
  return format("GMT%c%02d%02d", seconds_ < 0 ? '-' : '+', magnitude / 3600, magnitude / 60 % 60);
}

std::string DateFormatter::stringFromDate(Date date) const {
  TimeZone zone = hasZone_ ? zone_ : TimeZone::defaultTimeZone();
  double local = std::floor(date.timeIntervalSince1970()) + zone.secondsFromGMT();
  // Dates beyond a few hundred million years have no sensible text.
  if (!(std::fabs(local) < 1e16)) return {};
  CivilTime t = civilFromSeconds(static_cast<std::int64_t>(local));
  std::string day = dateText(t, dateStyle_);
  std::string time = timeText(t, timeStyle_, zone);
  if (day.empty() || time.empty()) return day + time;
  bool joinWithAt = dateStyle_ == Style::medium || dateStyle_ == Style::longStyle || dateStyle_ == Style::full;
  return day + (joinWithAt ? " at " : ", ") + time;
}

}  // namespace ns
