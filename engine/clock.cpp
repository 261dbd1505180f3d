#include "engine/clock.h"

#include <sys/time.h>

#include <atomic>
#include <cmath>
#include <ctime>

#include "engine/calendar.h"

// The Unix epoch, 1970-01-01 00:00 UT.
static constexpr double kUnixEpochJD = 2440587.5;

namespace {

std::atomic<double (*)()> gWallClockSource{nullptr};

}  // namespace

void setWallClockSource(double (*secondsSince1970)()) { gWallClockSource = secondsSince1970; }

double currentJulianDate() {
  double seconds;
  if (double (*source)() = gWallClockSource.load()) {
    seconds = source();
  } else {
    timeval now{};
    gettimeofday(&now, nullptr);
    seconds = static_cast<double>(now.tv_sec) + now.tv_usec / 1e6;
  }
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

double localTimeZoneAt(double jd) {
  const double unix = (jd - kUnixEpochJD) * kSecondsPerDay;
  if (std::fabs(unix) < 1e12) {
    const time_t t = static_cast<time_t>(unix);
    tm local{};
    if (localtime_r(&t, &local)) return local.tm_gmtoff / kSecondsPerDay;
  }
  int dst = 0;
  const double zone = localTimeZone(&dst);
  return zone + (dst ? 1.0 / 24.0 : 0.0);
}
