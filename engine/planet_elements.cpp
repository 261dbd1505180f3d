// Mean planetary elements from the published approximate tables (E. M.
// Standish, "Keplerian Elements for Approximate Positions of the Major
// Planets", JPL Solar System Dynamics).

#include "engine/planet_elements.h"

#include <algorithm>
#include <cmath>

#include "engine/angles.h"
#include "engine/calendar.h"
#include "engine/planet_elements_table.h"

namespace {

enum Planet { kMercury, kVenus, kEarth, kMars, kJupiter, kSaturn, kUranus,
              kNeptune, kPluto };

double linear(const double term[2], double t) { return term[0] + term[1] * t; }

void meanElements(Planet planet, double* a, double* e, double* i,
                  double* omega, double* node, double* m, double* n,
                  double jd) {
  const double t = (jd - kJ2000) / kDaysPerJulianCentury;
  // Pluto keeps the 1800-2050 table at T = 1 itself, the others move on.
  const bool recent = planet == kPluto ? (t >= -2.0 && t <= 1.0)
                                       : (t >= -2.0 && t < 1.0);
  const PlanetElementRow& row = recent ? kPlanetElements1800To2050[planet]
                                       : kPlanetElements3000BCTo3000AD[planet];
  // The long table's secular terms of a, e and i, and its quadratic
  // mean-anomaly term, stop at the ends of its span.
  const double tc = recent ? t : std::clamp(t, -32.0, 28.0);
  const double perihelion = linear(row.perihelionLongitude, t);
  // Pluto's node follows the long table in both spans.
  const double nodeDegrees =
      planet == kPluto ? linear(kPlanetElements3000BCTo3000AD[kPluto].nodeLongitude, t)
                       : linear(row.nodeLongitude, t);
  double meanAnomaly = linear(row.meanLongitude, t) - perihelion;
  double rate = row.meanLongitude[1] - row.perihelionLongitude[1];
  if (!recent) {
    const MeanAnomalyTerms& extra = kPlanetMeanAnomalyTerms[planet];
    const double ft = extra.f * t * kRadiansPerDegree;
    const double f = extra.f * kRadiansPerDegree;
    meanAnomaly += extra.b * tc * tc + extra.c * std::cos(ft) + extra.s * std::sin(ft);
    rate += 2.0 * extra.b * tc - extra.c * f * std::sin(ft) + extra.s * f * std::cos(ft);
  }
  *a = linear(row.a, tc);
  *e = linear(row.e, tc);
  *i = linear(row.inclination, tc) * kRadiansPerDegree;
  *omega = normalizeRadians((perihelion - nodeDegrees) * kRadiansPerDegree);
  *node = nodeDegrees * kRadiansPerDegree;
  *m = normalizeRadians(meanAnomaly * kRadiansPerDegree);
  *n = rate * kRadiansPerDegree / kDaysPerJulianCentury;
}

}  // namespace

void mercuryElements(double* a, double* e, double* i, double* omega,
                     double* node, double* m, double* n, double jd) {
  meanElements(kMercury, a, e, i, omega, node, m, n, jd);
}

void venusElements(double* a, double* e, double* i, double* omega,
                   double* node, double* m, double* n, double jd) {
  meanElements(kVenus, a, e, i, omega, node, m, n, jd);
}

void earthElements(double* a, double* e, double* i, double* omega,
                   double* node, double* m, double* n, double jd) {
  meanElements(kEarth, a, e, i, omega, node, m, n, jd);
}

void marsElements(double* a, double* e, double* i, double* omega,
                  double* node, double* m, double* n, double jd) {
  meanElements(kMars, a, e, i, omega, node, m, n, jd);
}

void jupiterElements(double* a, double* e, double* i, double* omega,
                     double* node, double* m, double* n, double jd) {
  meanElements(kJupiter, a, e, i, omega, node, m, n, jd);
}

void saturnElements(double* a, double* e, double* i, double* omega,
                    double* node, double* m, double* n, double jd) {
  meanElements(kSaturn, a, e, i, omega, node, m, n, jd);
}

void uranusElements(double* a, double* e, double* i, double* omega,
                    double* node, double* m, double* n, double jd) {
  meanElements(kUranus, a, e, i, omega, node, m, n, jd);
}

void neptuneElements(double* a, double* e, double* i, double* omega,
                     double* node, double* m, double* n, double jd) {
  meanElements(kNeptune, a, e, i, omega, node, m, n, jd);
}

void plutoElements(double* a, double* e, double* i, double* omega,
                   double* node, double* m, double* n, double jd) {
  meanElements(kPluto, a, e, i, omega, node, m, n, jd);
}
