// Magnitude laws: planets after the Astronomical Almanac expressions
// (Harris 1961, as in Meeus, Astronomical Algorithms, chapter 41); minor
// bodies after the IAU H, G system (Bowell et al. 1989).

#include "engine/magnitudes.h"

#include <cmath>
#include <limits>

#include "engine/angles.h"

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

double distanceTerm(double r, double d) { return 5.0 * std::log10(r * d); }
double phaseDegrees(double phase) { return phase * kDegreesPerRadianPrecise; }

}  // namespace

double sunMagnitude(double r) { return -26.72 + 5.0 * std::log10(r); }

double mercuryMagnitude(double r, double d, double phase) {
  const double i = phaseDegrees(phase);
  return -0.42 + distanceTerm(r, d) + 0.038 * i - 0.000273 * i * i + 0.000002 * i * i * i;
}

double venusMagnitude(double r, double d, double phase) {
  const double i = phaseDegrees(phase);
  return -4.4 + distanceTerm(r, d) + 0.0009 * i + 0.000239 * i * i - 0.00000065 * i * i * i;
}

double earthMagnitude(double r, double d, double) { return -3.86 + distanceTerm(r, d); }

double marsMagnitude(double r, double d, double phase) {
  return -1.52 + distanceTerm(r, d) + 0.016 * phaseDegrees(phase);
}

double jupiterMagnitude(double r, double d, double phase) {
  return -9.4 + distanceTerm(r, d) + 0.005 * phaseDegrees(phase);
}

double saturnMagnitude(double r, double d, double phase, double ringTilt) {
  const double s = std::sin(ringTilt);
  return -8.88 + distanceTerm(r, d) + 0.044 * phaseDegrees(phase) - 2.6 * std::fabs(s) +
         1.25 * s * s;
}

double uranusMagnitude(double r, double d, double phase) {
  return -7.19 + distanceTerm(r, d) + 0.0028 * phaseDegrees(phase);
}

double neptuneMagnitude(double r, double d, double) { return -6.87 + distanceTerm(r, d); }

double plutoMagnitude(double r, double d, double phase) {
  return -1.01 + distanceTerm(r, d) + 0.041 * phaseDegrees(phase);
}

double moonMagnitude(double r, double d, double phase) {
  return hgMagnitude(r, d, phase, 0.21, 0.25);
}

double hgMagnitude(double r, double d, double phase, double h, double g) {
  const double t = std::tan(phase / 2.0);
  const double bracket = (1.0 - g) * std::exp(-3.33 * std::pow(t, 0.63)) +
                         g * std::exp(-1.87 * std::pow(t, 1.22));
  if (!(bracket > 0.0)) return kInfinity;
  return h + distanceTerm(r, d) - 2.5 * std::log10(bracket);
}

double cometMagnitude(double r, double d, double h, double n) {
  return h + 5.0 * std::log10(d) + 2.5 * n * std::log10(r);
}

double satelliteMagnitude(double rangeKm, double phase, double standardMagnitude) {
  if (phase >= kPi) return kInfinity;
  return standardMagnitude - 15.75 +
         2.5 * std::log10(rangeKm * rangeKm / ((1.0 + std::cos(phase)) / 2.0));
}

double absoluteMagnitude(double m, double parsecs) {
  if (!(parsecs > 0.0) || std::isinf(parsecs)) return -kInfinity;
  return m - 5.0 * (std::log10(parsecs) - 1.0);
}

double apparentMagnitude(double absolute, double parsecs) {
  if (parsecs <= 0.0) return -kInfinity;
  if (!(parsecs > 0.0) || std::isinf(parsecs)) return kInfinity;
  return absolute + 5.0 * (std::log10(parsecs) - 1.0);
}

double brightnessRatio(double m1, double m2) {
  if (std::isinf(m1)) return 0.0;
  if (std::isinf(m2)) return kInfinity;
  return std::pow(10.0, (m2 - m1) / 2.5);
}
