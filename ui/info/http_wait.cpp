#include "ui/info/http_wait.h"

#include <poll.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace {
// The overall deadline in time-outs.
constexpr double kOverallTimeouts = 4.0;
}  // namespace

double monotonicMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

HttpDeadline::HttpDeadline(double timeoutSeconds)
    : timeoutMs_(std::isfinite(timeoutSeconds) && timeoutSeconds > 0 ? timeoutSeconds * 1000.0
                                                                       : 0.0),
      lastHeardMs_(monotonicMilliseconds()),
      endMs_(lastHeardMs_ + kOverallTimeouts * timeoutMs_) {}

void HttpDeadline::heard() { lastHeardMs_ = monotonicMilliseconds(); }

int HttpDeadline::remainingMilliseconds() const {
  const double now = monotonicMilliseconds();
  const double left = std::min(lastHeardMs_ + timeoutMs_, endMs_) - now;
  // A wait of a fraction of a millisecond is a wait of one.
  return left > 0 ? static_cast<int>(std::min(std::ceil(left), 2.0e9)) : 0;
}

bool waitReadable(int socket, const HttpDeadline& deadline) {
  for (;;) {
    const int left = deadline.remainingMilliseconds();
    if (left == 0) return false;
    pollfd entry{socket, POLLIN, 0};
    const int ready = poll(&entry, 1, left);
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
  }
}
