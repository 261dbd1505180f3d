// The wall clock in milliseconds.
#include "chart/chart_clock.h"

#include <sys/time.h>

double currentTimeMilliseconds() {
  timeval now{};
  gettimeofday(&now, nullptr);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_usec) / 1000.0;
}
