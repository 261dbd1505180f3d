#include "engine/angles.h"

#include <algorithm>
#include <climits>
#include <cmath>

double positiveAtan2(double y, double x) {
  if (x != 0.0) {
    double a = std::atan2(y, x);
    return y < 0.0 ? a + kTwoPi : a;
  }
  if (y > 0.0) return kHalfPi;
  if (y < 0.0) return kThreeHalfPi;
  return 0.0;
}

// x - period floor(x / period), kept below `period` where rounding of a tiny
// negative x would otherwise land exactly on it.
static double reduce(double x, double period) {
  double r = x - period * std::floor(x / period);
  return r >= period ? r - period : r;
}

double normalizeRadians(double x) { return reduce(x, kTwoPi); }
double normalizeHours(double x) { return reduce(x, 24.0); }
double normalizeDegrees(double x) { return reduce(x, 360.0); }

double normalizeRadiansSigned(double x) {
  double r = normalizeRadians(x);
  return r > kPi ? r - kTwoPi : r;
}

double dmsToDecimal(int degrees, int minutes, double seconds, char sign) {
  // Through double so that neither INT_MIN nor values past 65535 wrap.
  double value = std::fabs(static_cast<double>(degrees)) + minutes / 60.0 +
                 seconds / 3600.0;
  return sign == '-' ? -value : value;
}

// Whole degrees of a non-negative magnitude, saturated where int ends.
static int wholeDegrees(double a) {
  if (!(a < static_cast<double>(INT_MAX))) return INT_MAX;
  return static_cast<int>(a);
}

void decimalToDMS(double value, char* sign, int* degrees, int* minutes,
                  double* seconds) {
  double a = std::isnan(value) ? 0.0 : std::fabs(value);
  int d = wholeDegrees(a);
  int m = 0;
  double s = 0.0;
  if (d != INT_MAX) {
    m = std::min(59, static_cast<int>((a - d) * 60.0));
    s = (a - d - m / 60.0) * 3600.0;
    if (!(s > 0.0)) s = 0.0;
  }
  if (sign) *sign = value < 0.0 ? '-' : '+';
  if (degrees) *degrees = d;
  if (minutes) *minutes = m;
  if (seconds) *seconds = s;
}

void decimalToDM(double value, char* sign, int* degrees, double* minutes) {
  double a = std::isnan(value) ? 0.0 : std::fabs(value);
  int d = wholeDegrees(a);
  double m = d == INT_MAX ? 0.0 : (a - d) * 60.0;
  if (m < 0.0) m = 0.0;
  if (sign) *sign = value < 0.0 ? '-' : '+';
  if (degrees) *degrees = d;
  if (minutes) *minutes = m;
}

double angularSeparation(double lon1, double lat1, double lon2, double lat2) {
  double sdlat = std::sin((lat2 - lat1) / 2.0);
  double sdlon = std::sin((lon2 - lon1) / 2.0);
  double h = sdlat * sdlat + std::cos(lat1) * std::cos(lat2) * sdlon * sdlon;
  h = std::clamp(h, 0.0, 1.0);
  return 2.0 * std::asin(std::sqrt(h));
}

double vectorSeparation(const double a[3], const double b[3]) {
  double dx = a[0] - b[0], dy = a[1] - b[1], dz = a[2] - b[2];
  double half = std::sqrt(dx * dx + dy * dy + dz * dz) / 2.0;
  return 2.0 * std::asin(std::min(half, 1.0));
}

double positionAngle(const double a[3], const double b[3]) {
  double rho2 = 1.0 - a[2] * a[2];
  if (!(rho2 > 0.0)) return 0.0;
  double rho = std::sqrt(rho2);
  double north[3] = {-a[0] * a[2] / rho, -a[1] * a[2] / rho, rho};
  double east[3] = {-a[1] / rho, a[0] / rho, 0.0};
  double y = east[0] * b[0] + east[1] * b[1] + east[2] * b[2];
  double x = north[0] * b[0] + north[1] * b[1] + north[2] * b[2];
  if (x == 0.0 && y == 0.0) return 0.0;
  return positiveAtan2(y, x);
}
