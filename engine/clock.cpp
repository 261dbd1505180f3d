#include "engine/clock.h"

#include <sys/time.h>

#include <ctime>

#include "engine/calendar.h"

// The Unix epoch, 1970-01-01 00:00 UT.
static constexpr double kUnixEpochJD = 2440587.5;

double currentJulianDate() {
  timeval now{};
  gettimeofday(&now, nullptr);
  double seconds = static_cast<double>(now.tv_sec) + now.tv_usec / 1e6;
  return seconds / kSecondsPerDay + kUnixEpochJD;
}

double localTimeZone(int* dst) {
  time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  bool inDst = local.tm_isdst > 0;
  if (dst) *dst = inDst ? 1 : 0;
  return local.tm_gmtoff / kSecondsPerDay - (inDst ? 1.0 / 24.0 : 0.0);
}
