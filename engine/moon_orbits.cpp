// Orbit theories of the moons of Mars (Sinclair, as in the Explanatory
// Supplement to the Astronomical Almanac, 1992), Triton (Harris), Nereid
// (Mignard) and Charon.
#include "engine/moon_orbits.h"

#include <cmath>

#include "engine/angles.h"

namespace {
constexpr double kDeg = kRadiansPerDegree;

double reducedDegrees(double degrees) { return normalizeRadians(degrees * kDeg); }
}  // namespace

// The longitudes P and L run along the Earth's equator to the node N of the
// Laplace plane and then along that plane; subtracting N refers them to the
// plane's own node, from which the node angle is already counted.
void phobosOrbit(double* a, double* e, double* i, double* periapsis,
                 double* node, double* m, double* n, double jd) {
  const double t = jd - 2441266.5;
  const double y = t / 365.25;
  const double p = 278.96 + 0.43526 * t;
  const double laplaceNode = 47.39 - 0.0014 * y;
  *a = 6.26974e-05;
  *e = 0.015;
  *i = 1.1 * kDeg;
  *periapsis = reducedDegrees(p - laplaceNode);
  *node = reducedDegrees(327.9 - 0.43533 * t);
  *m = reducedDegrees(232.41 + 1128.844556 * t + 0.00124 * y * y - p);
  *n = 19.69445752530631;
}

void deimosOrbit(double* a, double* e, double* i, double* periapsis,
                 double* node, double* m, double* n, double jd) {
  const double t = jd - 2441266.5;
  const double y = t / 365.25;
  const double p = 111.7 + 0.01798 * t;
  const double laplaceNode = 46.37 - 0.0014 * y;
  *a = 0.000156828;
  *e = 0.0004;
  *i = 1.79 * kDeg;
  *periapsis = reducedDegrees(p - laplaceNode);
  *node = reducedDegrees(240.38 - 0.01801 * t);
  const double longitude =
      28.96 + 285.161888 * t - 0.27 * std::sin((196.55 - 0.01801 * t) * kDeg);
  *m = reducedDegrees(longitude - p);
  *n = 4.976700036602542;
}

void tritonOrbit(double* a, double* e, double* i, double* periapsis,
                 double* node, double* m, double* n, double jd) {
  const double t = jd - 2433282.5;
  *a = 0.002368266;
  *e = 0.0;
  *i = 158.996 * kDeg;
  *node = reducedDegrees(151.401 + 0.57806 * t / 365.25);
  *periapsis = *node;
  *m = reducedDegrees(200.913 + 61.2588532 * t);
  // The rate of the mean anomaly above (61.2588532 degrees a day).
  *n = 61.2588532 * kDeg;
}

void nereidOrbit(double* a, double* e, double* i, double* periapsis,
                 double* node, double* m, double* n, double jd) {
  const double t = jd - 2433680.5;
  const double centuries = t / 36525.0;
  const double m0 = normalizeDegrees(289.2 + 2.68 * centuries) * kDeg;
  *a = 0.036868;
  *e = 0.74515;
  *i = 10.041 * kDeg;
  *node = reducedDegrees(329.3 - 2.4 * centuries + 19.7 * std::sin(2 * m0) -
                         3.3 * std::sin(4 * m0));
  *periapsis = normalizeRadians(
      m0 - (19.25 * std::sin(2 * m0) + 3.23 * std::sin(4 * m0)) * kDeg);
  *m = reducedDegrees(358.91 + 0.999552 * t);
  *n = 0.017446620273145887;
}

void charonOrbit(double* a, double* e, double* i, double* periapsis,
                 double* node, double* m, double* n, double jd) {
  const double t = jd - 2445000.5;
  *a = 0.00013099;
  *e = 0.0;
  *i = 94.3 * kDeg;
  *periapsis = 0.0;
  *node = 223.7 * kDeg;
  *m = reducedDegrees(78.6 + 56.3625 * t);
  *n = 0.9837111996550556;
}
