// Pluto: Meeus, Astronomical Algorithms, chapter 37.

#include "engine/pluto_theory.h"

#include <cmath>

#include "engine/angles.h"
#include "engine/calendar.h"
#include "engine/pluto_theory_table.h"

void plutoPositionPeriodic(double* l, double* b, double* r, double jd) {
  const double t = (jd - kJ2000) / kDaysPerJulianCentury;
  const double j = 34.35 + 3034.9057 * t;
  const double s = 50.08 + 1222.1138 * t;
  const double p = 238.96 + 144.96 * t;
  double longitude = 238.958116 + 144.96 * t, latitude = -3.908239, radius = 40.7241346;
  for (const PlutoTerm& term : kPlutoTerms) {
    const double alpha = (term.j * j + term.s * s + term.p * p) * kRadiansPerDegree;
    const double sa = std::sin(alpha), ca = std::cos(alpha);
    longitude += term.longitudeSin * sa + term.longitudeCos * ca;
    latitude += term.latitudeSin * sa + term.latitudeCos * ca;
    radius += term.radiusSin * sa + term.radiusCos * ca;
  }
  *l = normalizeRadians(longitude * kRadiansPerDegree);
  *b = latitude * kRadiansPerDegree;
  *r = radius;
}
