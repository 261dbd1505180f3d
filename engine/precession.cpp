#include "engine/precession.h"

#include <cmath>

#include "engine/angles.h"
#include "engine/calendar.h"
#include "engine/long_term_precession_table.h"
#include "engine/matrices.h"

namespace {

// Obliquity of J2000 that the long-term angles are referred to: 23d 26' 21.448".
constexpr double kJ2000Obliquity = (23.0 + 26.0 / 60.0 + 21.448 / 3600.0) / kDegreesPerRadian;

// An angle given in degrees, reduced modulo 360 and turned into radians.
double degreesMod360ToRadians(double degrees) {
  return std::fmod(degrees, 360.0) * kRadiansPerDegree;
}

void nutationAnglesUncached(double* dpsi, double* deps, double jd);

}  // namespace

void precessionAngles(double* zeta, double* z, double* theta, double* pi,
                      double* bigPi, double* p, double jd0, double jd1) {
  double T = (jd0 - kJ2000) / kDaysPerJulianCentury;
  double t = (jd1 - jd0) / kDaysPerJulianCentury;
  double t2 = t * t, t3 = t2 * t;
  double equatorial = 2306.2181 + 1.39656 * T - 0.000139 * T * T;
  if (zeta)
    *zeta = (equatorial * t + (0.30188 - 0.000344 * T) * t2 + 0.017998 * t3) /
            kArcsecondsPerRadian;
  if (z)
    *z = (equatorial * t + (1.09468 + 0.000066 * T) * t2 + 0.018203 * t3) /
         kArcsecondsPerRadian;
  if (theta)
    *theta = ((2004.3109 - 0.8533 * T - 0.000217 * T * T) * t -
              (0.42665 + 0.000217 * T) * t2 - 0.041833 * t3) /
             kArcsecondsPerRadian;
  if (pi)
    *pi = ((47.0029 - 0.06603 * T + 0.000598 * T * T) * t +
           (-0.03302 + 0.000598 * T) * t2 + 0.00006 * t3) /
          kArcsecondsPerRadian;
  if (bigPi)
    *bigPi = 3.052168684781161 +
             (3289.4789 * T + 0.60622 * T * T - (869.8089 + 0.50491 * T) * t +
              0.03536 * t2) /
                 kArcsecondsPerRadian;
  if (p)
    *p = ((5029.0966 + 2.222226 * T - 0.0000042 * T * T) * t +
          (1.11113 - 0.000042 * T) * t2 - 0.000006 * t3) /
         kArcsecondsPerRadian;
}

double meanObliquity(double jd) {
  // The IAU 1980 expression in its published arcsecond coefficients, so that
  // J2000 gives exactly the 84381.448" the long-term angles are referred to.
  double T = (jd - kJ2000) / kDaysPerJulianCentury;
  return (84381.448 + T * (-46.8150 + T * (-0.00059 + T * 0.001813))) /
         kArcsecondsPerRadian;
}

void nutationAngles(double* dpsi, double* deps, double jd) {
  // A chart's change of date asks for the same date's angles several times.
  struct Memo {
    bool valid = false;
    double jd = 0, dpsi = 0, deps = 0;
  };
  thread_local Memo last;
  if (!(last.valid && last.jd == jd)) {
    nutationAnglesUncached(&last.dpsi, &last.deps, jd);
    last.valid = true;
    last.jd = jd;
  }
  if (dpsi) *dpsi = last.dpsi;
  if (deps) *deps = last.deps;
}

namespace {

void nutationAnglesUncached(double* dpsi, double* deps, double jd) {
  double T = (jd - kJ2000) / kDaysPerJulianCentury;
  double node = degreesMod360ToRadians(125.0445 - 1934.1363 * T);
  double sun = degreesMod360ToRadians(280.4665 + 36000.7698 * T);
  double moon = degreesMod360ToRadians(218.3165 + 481267.8813 * T);
  if (dpsi)
    *dpsi = (-17.2 * std::sin(node) - 1.32 * std::sin(2 * sun) -
             0.23 * std::sin(2 * moon) + 0.21 * std::sin(2 * node)) /
            kArcsecondsPerRadian;
  if (deps)
    *deps = (9.2 * std::cos(node) + 0.57 * std::cos(2 * sun) +
             0.1 * std::cos(2 * moon) - 0.09 * std::cos(2 * node)) /
            kArcsecondsPerRadian;
}

}  // namespace

double equationOfEquinoxes(double jd) {
  double dpsi, deps, eps;
  nutationAngles(&dpsi, &deps, jd);
  longTermPrecessionAngles(nullptr, nullptr, nullptr, &eps, jd);
  return dpsi * std::cos(eps + deps);
}

void precessionMatrix(double m[9], int nutation, double jd0, double jd1) {
  double zeta, z, theta;
  precessionAngles(&zeta, &z, &theta, nullptr, nullptr, nullptr, jd0, jd1);
  if (!nutation) {
    rotationMatrix(m, 3, 2, zeta, 1, theta, 2, z);
    return;
  }
  double eps = meanObliquity(jd1), dpsi, deps;
  nutationAngles(&dpsi, &deps, jd1);
  rotationMatrix(m, 6, 2, zeta, 1, theta, 2, z, 0, -eps, 2, dpsi, 0, eps + deps);
}

void longTermPrecessionAngles(double* chi, double* omega, double* psi,
                              double* epsilon, double jd) {
  double* out[4] = {chi, omega, psi, epsilon};
  for (double* o : out)
    if (o) *o = 0;
  double T = (jd - kJ2000) / kDaysPerJulianCentury;
  if (std::isnan(T)) return;
  // Clamp before the integer conversion, which is undefined out of range.
  double shifted = std::fmax(0.0, std::fmin(T + 5000.0, 10000.0));
  int row = static_cast<int>(shifted) / 80;
  if (row > kLongTermPrecessionRows - 1) row = kLongTermPrecessionRows - 1;
  double x = (T - (80.0 * row - 5000.0 + 40.0)) / 40.0;
  const double* c = kLongTermPrecessionTable[row];
  double sums[4];
  double previous = 1, current = x;  // T_(k-1) and T_k
  for (int a = 0; a < 4; ++a) sums[a] = c[a] + c[4 + a] * x;
  for (int k = 2; k < kLongTermPrecessionCoefficients; ++k) {
    double next = 2 * x * current - previous;
    previous = current;
    current = next;
    for (int a = 0; a < 4; ++a) sums[a] += c[4 * k + a] * current;
  }
  for (int a = 0; a < 4; ++a)
    if (out[a]) *out[a] = sums[a] * kRadiansPerDegree;
}

namespace {

// The last matrix longTermPrecessionMatrix made on this thread: a chart's
// change of date asks for the same one three times.
struct PrecessionMemo {
  bool valid = false;
  int nutation = 0;
  double jd0 = 0, jd1 = 0, m[9] = {};
};
thread_local PrecessionMemo lastPrecession;

void longTermPrecessionMatrixUncached(double m[9], int nutation, double jd0, double jd1);

}  // namespace

void longTermPrecessionMatrix(double m[9], int nutation, double jd0, double jd1) {
  PrecessionMemo& memo = lastPrecession;
  const int withNutation = nutation != 0;
  if (!(memo.valid && memo.nutation == withNutation && memo.jd0 == jd0 && memo.jd1 == jd1)) {
    longTermPrecessionMatrixUncached(memo.m, withNutation, jd0, jd1);
    memo.valid = true;
    memo.nutation = withNutation;
    memo.jd0 = jd0;
    memo.jd1 = jd1;
  }
  matrixCopy(m, memo.m);
}

namespace {

void longTermPrecessionMatrixUncached(double m[9], int nutation, double jd0, double jd1) {
  double dpsi = 0, deps = 0;
  if (nutation) nutationAngles(&dpsi, &deps, jd1);
  double toJ2000[9];
  if (jd0 == kJ2000) {
    identityMatrix(toJ2000);
  } else {
    double chi, omega, psi;
    longTermPrecessionAngles(&chi, &omega, &psi, nullptr, jd0);
    rotationMatrix(toJ2000, 4, 2, chi, 0, -omega, 2, -psi, 0, kJ2000Obliquity);
  }
  if (jd1 != kJ2000) {
    double chi, omega, psi, eps;
    longTermPrecessionAngles(&chi, &omega, &psi, &eps, jd1);
    if (nutation)
      rotationMatrix(m, 7, 0, -kJ2000Obliquity, 2, psi, 0, omega, 2, -chi,
                     0, -eps, 2, dpsi, 0, eps + deps);
    else
      rotationMatrix(m, 4, 0, -kJ2000Obliquity, 2, psi, 0, omega, 2, -chi);
  } else if (nutation) {
    rotationMatrix(m, 3, 0, -kJ2000Obliquity, 2, dpsi, 0, kJ2000Obliquity + deps);
  } else {
    identityMatrix(m);
  }
  matrixMultiply(m, toJ2000);
  matrixCopy(m, toJ2000);
}

}  // namespace
