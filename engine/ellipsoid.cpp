#include "engine/ellipsoid.h"

#include <cmath>
#include <limits>

#include "engine/angles.h"

namespace {

// The iteration for the latitude gains about a factor e^2 (1/150 for the
// Earth) a step; the cap only matters for points near the centre, where it
// need not converge, and for input that is not a number.
constexpr int kMaxLatitudeSteps = 50;
constexpr double kLatitudeTolerance = 1e-14;

// 1 / sqrt(cos^2 phi + (1-f)^2 sin^2 phi): the prime-vertical radius over a.
double primeVerticalFactor(double phi, double f) {
  double c = std::cos(phi), s = std::sin(phi), b = 1 - f;
  return 1 / std::sqrt(c * c + b * b * s * s);
}

}  // namespace

void geodeticToRectangular(double* x, double* y, double* z, double theta,
                           double phi, double h, double a, double f) {
  double c = primeVerticalFactor(phi, f);
  double s = (1 - f) * (1 - f) * c;
  double rho = (a * c + h) * std::cos(phi);
  if (x) *x = rho * std::cos(theta);
  if (y) *y = rho * std::sin(theta);
  if (z) *z = (a * s + h) * std::sin(phi);
}

void rectangularToGeodetic(double* lon, double* lat, double* h, double x,
                           double y, double z, double a, double f) {
  double longitude = positiveAtan2(y, x);
  double p = std::sqrt(x * x + y * y);
  double phi, height;
  if (p > 0) {
    double e2 = 2 * f - f * f;
    phi = std::atan(z / p);
    double c = 1;
    for (int step = 0; step < kMaxLatitudeSteps; ++step) {
      double previous = phi;
      double s = std::sin(previous);
      c = 1 / std::sqrt(1 - e2 * s * s);
      phi = std::atan((z + a * c * e2 * s) / p);
      if (std::fabs(previous - phi) <= kLatitudeTolerance) break;
    }
    height = p / std::cos(phi) - a * c;
  } else if (std::isnan(p) || std::isnan(z)) {
    // No number in, none out: the branches below would claim a pole.
    phi = height = std::numeric_limits<double>::quiet_NaN();
  } else if (z != 0) {
    phi = z > 0 ? kHalfPi : -kHalfPi;
    height = std::fabs(z) - a * (1 - f);
  } else {
    phi = 0;
    height = -a;
  }
  if (lon) *lon = longitude;
  if (lat) *lat = phi;
  if (h) *h = height;
}

void observerRotationVelocity(double* vx, double* vy, double* vz, double theta,
                              double phi, double h, double a, double f,
                              double rate) {
  double rho = (a * primeVerticalFactor(phi, f) + h) * std::cos(phi);
  if (vx) *vx = -rate * rho * std::sin(theta);
  if (vy) *vy = rate * rho * std::cos(theta);
  if (vz) *vz = 0;
}
