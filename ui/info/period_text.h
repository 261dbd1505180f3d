// Periods of days as the information pages write them: whole days, then
// hours, minutes and seconds rounded so that no "60s" appears.
#pragma once

#include <cstddef>

struct PeriodParts {
  double days;     // floor of the period
  short hours;     // 0-23
  short minutes;   // 0-59
  double seconds;  // 0 to below 59.5
};

// Splits a period of `days` (finite, not negative) into its parts.
PeriodParts splitPeriod(double days);

// "%.2f days<sep>%.0fd %02hdh %02hdm %02.0fs" with seconds, else without
// them ("... %02hdm"); translated, into `buffer` of `size` bytes.
void formatPeriodDays(char* buffer, std::size_t size, double days, const char* sep,
                      bool withSeconds);
