// Evaluation of the abridged VSOP87D series (Meeus, Astronomical
// Algorithms, chapter 32 and appendix III).

#include "engine/planet_series.h"

#include <algorithm>
#include <cmath>

#include "engine/angles.h"
#include "engine/calendar.h"
#include "engine/vsop87d_tables.h"

namespace {

constexpr double kDaysPerMillennium = 365250.0;
constexpr double kTauLimit = 10.0;

double seriesSum(const TermSeries& series, double tau) {
  double sum = 0.0;
  for (int k = 0; k < series.count; ++k) {
    const SeriesTerm& term = series.terms[k];
    sum += term.amplitude * std::cos(term.phase + term.frequency * tau);
  }
  return sum;
}

// sum_k S_k(tau) tc^k: periodic terms at tau, powers at the clamped tc.
double coordinate(const TermSeries (&series)[6], double tau, double tc) {
  double value = 0.0;
  for (int k = 5; k >= 0; --k) value = value * tc + seriesSum(series[k], tau);
  return value;
}

void planetPosition(const PlanetSeriesTables& tables, double* l, double* b,
                    double* r, double jd) {
  const double tau = (jd - kJ2000) / kDaysPerMillennium;
  const double tc = std::clamp(tau, -kTauLimit, kTauLimit);
  double longitude = coordinate(tables.longitude, tau, tc);
  // Outside the clamp only the longitude goes on, at its mean rate.
  if (tau != tc) longitude += seriesSum(tables.longitude[1], tc) * (tau - tc);
  *l = normalizeRadians(longitude);
  *b = coordinate(tables.latitude, tau, tc);
  *r = coordinate(tables.radius, tau, tc);
}

}  // namespace

void planetSeriesAbridgedMercury(double* l, double* b, double* r, double jd) {
  planetPosition(kVsop87dAbridged[0], l, b, r, jd);
}

void planetSeriesAbridgedVenus(double* l, double* b, double* r, double jd) {
  planetPosition(kVsop87dAbridged[1], l, b, r, jd);
}

void planetSeriesAbridgedEarth(double* l, double* b, double* r, double jd) {
  planetPosition(kVsop87dAbridged[2], l, b, r, jd);
}

void planetSeriesAbridgedMars(double* l, double* b, double* r, double jd) {
  planetPosition(kVsop87dAbridged[3], l, b, r, jd);
}

void planetSeriesAbridgedJupiter(double* l, double* b, double* r, double jd) {
  planetPosition(kVsop87dAbridged[4], l, b, r, jd);
}

void planetSeriesAbridgedSaturn(double* l, double* b, double* r, double jd) {
  planetPosition(kVsop87dAbridged[5], l, b, r, jd);
}

void planetSeriesAbridgedUranus(double* l, double* b, double* r, double jd) {
  planetPosition(kVsop87dAbridged[6], l, b, r, jd);
}

void planetSeriesAbridgedNeptune(double* l, double* b, double* r, double jd) {
  planetPosition(kVsop87dAbridged[7], l, b, r, jd);
}
