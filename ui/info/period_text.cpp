#include "ui/info/period_text.h"

#include <cmath>

#include "engine/angles.h"
#include "engine/language.h"

namespace {
// Half a second in hours: a split whose seconds would print as 60 is done
// again this much later.
constexpr double kHalfSecondHours = 0.0001388888888888889;
constexpr double kRoundedMinute = 59.5;
}  // namespace

PeriodParts splitPeriod(double days) {
  PeriodParts parts{std::floor(days), 0, 0, 0};
  double hours = days * 24.0;
  int h = 0, m = 0;
  double s = 0;
  decimalToDMS(hours, nullptr, &h, &m, &s);
  if (s > kRoundedMinute) {
    hours += kHalfSecondHours;
    decimalToDMS(hours, nullptr, &h, &m, &s);
  }
  parts.hours = static_cast<short>(h % 24);
  parts.minutes = static_cast<short>(m);
  parts.seconds = s;
  return parts;
}

void formatPeriodDays(char* buffer, std::size_t size, double days, const char* sep,
                      bool withSeconds) {
  const PeriodParts p = splitPeriod(days);
  if (withSeconds)
    translatedSnprintf(buffer, size, "%.2f days%s%.0fd %02hdh %02hdm %02.0fs", days, sep, p.days,
                       p.hours, p.minutes, p.seconds);
  else
    translatedSnprintf(buffer, size, "%.2f days%s%.0fd %02hdh %02hdm", days, sep, p.days, p.hours,
                       p.minutes);
}
