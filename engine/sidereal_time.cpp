#include "engine/sidereal_time.h"

#include <algorithm>
#include <cmath>

#include "engine/angles.h"
#include "engine/calendar.h"

double meanSiderealTime(double jd) {
  double j0 = std::floor(jd - 0.5) + 0.5;
  double t = (j0 - kJ2000) / 36525.0;
  double tc = std::clamp(t, -100.0, 100.0);
  double s = (24110.54841 + 8640184.812866 * t + 0.093104 * tc * tc -
              6.2e-6 * tc * tc * tc) /
             kSecondsPerDay;
  return normalizeRadians(kTwoPi * (s - std::floor(s) + (jd - j0) * kSiderealRate));
}

double localSiderealTime(double jd, double lon) {
  return normalizeRadians(meanSiderealTime(jd) + lon);
}
