// Reference planes of the moon theories, from the theories' published
// orientation angles (degrees, listed in the order applied).
#include "engine/moon_frames.h"

#include <cmath>

#include "engine/angles.h"
#include "engine/calendar.h"
#include "engine/matrices.h"

namespace {
constexpr double kDeg = kRadiansPerDegree;

// Years of 365.25 days from 1971 December 31.5 (JD 2441266.5), the epoch of
// the Martian moon theories.
double marsTheoryYears(double jd) { return (jd - 2441266.5) / 365.25; }
}  // namespace

void jupiterEquatorFrame(double m[9]) {
  rotationMatrix(m, 5, 0, 3.10401 * kDeg, 2, 216.502561 * kDeg, 0, 1.30691 * kDeg,
                 2, 99.99754 * kDeg, 0, 23.44578889 * kDeg);
}

void saturnMoonFrame(double m[9]) {
  rotationMatrix(m, 2, 0, 6.67 * kDeg, 2, 128.4 * kDeg);
}

void uranusMoonFrame(double m[9]) {
  rotationMatrix(m, 2, 0, 74.96 * kDeg, 2, 166.72 * kDeg);
}

void nereidFrame(double m[9]) {
  rotationMatrix(m, 2, 0, 22.313 * kDeg, 2, 3.522 * kDeg);
}

void tritonFrame(double m[9], double jd) {
  const double t = (jd - kJ2000) / kDaysPerJulianCentury;
  const double n = normalizeDegrees(359.28 + 54.308 * t) * kDeg;
  const double inclination = 90.0 - (42.63 - 1.9 * std::cos(n) + 0.01 * std::cos(2 * n));
  const double node = 298.72 + 2.58 * std::sin(n) - 0.04 * std::sin(2 * n) + 90.0;
  rotationMatrix(m, 2, 0, inclination * kDeg, 2, node * kDeg);
}

void phobosFrame(double m[9], double jd) {
  const double y = marsTheoryYears(jd);
  rotationMatrix(m, 2, 0, (37.27 + 0.0008 * y) * kDeg, 2, (47.39 - 0.0014 * y) * kDeg);
}

void deimosFrame(double m[9], double jd) {
  const double y = marsTheoryYears(jd);
  rotationMatrix(m, 2, 0, (36.62 + 0.0008 * y) * kDeg, 2, (46.37 - 0.0014 * y) * kDeg);
}
