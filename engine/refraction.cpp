#include "engine/refraction.h"

#include <algorithm>
#include <cmath>

#include "engine/angles.h"

namespace {
constexpr double kRadiansPerArcminute = 0.0002908882086656481;
}  // namespace

double atmosphericRefraction(int mode, double altitude, double pressure,
                             double temperature) {
  double h = altitude * kDegreesPerRadian;
  double arcminutes;
  if (mode == 1) {
    h = std::max(h, -1.9);
    arcminutes = 1.02 / std::tan((h + 10.3 / (h + 5.11)) * kRadiansPerDegree);
  } else {
    h = std::max(h, -1.7);
    arcminutes = 1.0 / std::tan((h + 7.31 / (h + 4.4)) * kRadiansPerDegree);
  }
  return arcminutes * kRadiansPerArcminute * pressure / 1010.0 * 283.0 /
         (273.0 + temperature);
}
