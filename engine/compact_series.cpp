// Compact series of the Sun and Jupiter: Van Flandern and Pulkkinen,
// "Low-precision formulae for planetary positions", Astrophys. J. Suppl.
// 41, 391 (1979).

#include "engine/compact_series.h"

#include <cmath>

#include "engine/angles.h"
#include "engine/calendar.h"

namespace {

constexpr double kArcsecondsPerRadian = 206264.80624714843;

double centuriesSince1900(double jd) { return (jd - kJ2000) / kDaysPerJulianCentury + 1.0; }

void argumentAngles(const CompactArgument (&table)[8], double jd, double angles[8]) {
  const double d = jd - kJ2000;
  for (int k = 0; k < 8; ++k)
    angles[k] = std::fmod(table[k].revolutions + table[k].perDay * d, 1.0) * kTwoPi;
}

}  // namespace

double compactSeriesSum(const double arguments[8], const CompactTerm* table,
                        int first, int last, double t1) {
  double sum = 0.0;
  for (int n = first; n <= last; ++n) {
    const CompactTerm& term = table[n];
    double angle = 0.0;
    for (int k = 0; k < 8; ++k) angle += term.multipliers[k] * arguments[k];
    const double wave = term.kind == 1 ? std::sin(angle) : std::cos(angle);
    sum += term.amplitude * wave * std::pow(t1, term.power);
  }
  return sum;
}

void sunCompactSeries(double* l, double* b, double* r, double jd) {
  double angles[8];
  argumentAngles(kSunCompactArguments, jd, angles);
  const double t1 = centuriesSince1900(jd);
  *l = normalizeRadians(angles[2] +
                        compactSeriesSum(angles, kSunCompactTerms, 0, 11, t1) /
                            kArcsecondsPerRadian);
  *b = compactSeriesSum(angles, kSunCompactTerms, 12, 12, t1) / kArcsecondsPerRadian;
  *r = compactSeriesSum(angles, kSunCompactTerms, 13, 15, t1) / 100000.0;
}

void earthCompactSeries(double* l, double* b, double* r, double jd) {
  double sunL, sunB;
  sunCompactSeries(&sunL, &sunB, r, jd);
  *l = sunL + kPi;
  if (*l >= kTwoPi) *l -= kTwoPi;
  *b = -sunB;
}

void jupiterCompactSeries(double* l, double* b, double* r, double jd) {
  double angles[8];
  argumentAngles(kJupiterCompactArguments, jd, angles);
  const double t1 = centuriesSince1900(jd);
  *l = normalizeRadians(angles[3] +
                        compactSeriesSum(angles, kJupiterCompactTerms, 0, 53, t1) /
                            kArcsecondsPerRadian);
  *b = compactSeriesSum(angles, kJupiterCompactTerms, 54, 65, t1) / kArcsecondsPerRadian;
  *r = compactSeriesSum(angles, kJupiterCompactTerms, 66, 83, t1) / 100000.0;
}
