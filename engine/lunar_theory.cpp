// The abridged lunar theory and the lunar phases: Meeus, Astronomical
// Algorithms (1st ed. 1991), chapters 45 and 47 (the Moon's position) and
// chapter 49 (phases); the low-precision formulas of the Astronomical
// Almanac (section C for the Sun, D for the Moon).

#include "engine/lunar_theory.h"

#include <algorithm>
#include <cmath>

#include "engine/angles.h"
#include "engine/calendar.h"
#include "engine/ellipsoid.h"
#include "engine/lunar_theory_tables.h"

namespace {

enum MeanArgument { kNode, kElongation, kSunAnomaly, kMoonAnomaly, kLatitudeArgument,
                    kMeanLongitude };

double centuries(double jd) { return (jd - kJ2000) / kDaysPerJulianCentury; }

double polynomialDegrees(const double (&c)[5], double t) {
  return c[0] + t * (c[1] + t * (c[2] + t * (c[3] + t * c[4])));
}

double meanArgument(MeanArgument which, double t) {
  return normalizeRadians(polynomialDegrees(kLunarMeanArguments[which].c, t) *
                          kRadiansPerDegree);
}

double eccentricityFactor(double t) { return 1.0 - 0.002516 * t - 0.0000074 * t * t; }

// cos and sin of the multiples -4 x .. 4 x of one angle, built by angle
// addition from a single cosine and sine.
struct Multiples {
  double c[9], s[9];

  explicit Multiples(double x) {
    c[4] = 1.0;
    s[4] = 0.0;
    c[5] = std::cos(x);
    s[5] = std::sin(x);
    for (int k = 6; k < 9; ++k) {
      c[k] = c[k - 1] * c[5] - s[k - 1] * s[5];
      s[k] = s[k - 1] * c[5] + c[k - 1] * s[5];
    }
    for (int k = 1; k <= 4; ++k) {
      c[4 - k] = c[4 + k];
      s[4 - k] = -s[4 + k];
    }
  }
};

// cos and sin of d D + m M + mp M' + f F by angle addition.
void combine(const Multiples* angles, const int64_t (&multipliers)[4], double* cosine,
             double* sine) {
  double c = 1.0, s = 0.0;
  for (int k = 0; k < 4; ++k) {
    const int index = static_cast<int>(multipliers[k]) + 4;
    const double nc = c * angles[k].c[index] - s * angles[k].s[index];
    s = s * angles[k].c[index] + c * angles[k].s[index];
    c = nc;
  }
  *cosine = c;
  *sine = s;
}

double eFactor(int64_t m, double e) {
  if (m == 1 || m == -1) return e;
  if (m == 2 || m == -2) return e * e;
  return 1.0;
}

// Mean time of phase k (k integral for new moons, + 0.25 per quarter).
double meanPhaseTime(double k) {
  const double t = k / 1236.85;
  return 2451550.09765 + 29.530588853 * k +
         t * t * (0.0001337 + t * (-0.00000015 + t * 0.00000000073));
}

}  // namespace

void lunarMeanArguments(double* node, double* d, double* m, double* mp,
                        double* f, double* e, double t) {
  *node = meanArgument(kNode, t);
  *d = meanArgument(kElongation, t);
  *m = meanArgument(kSunAnomaly, t);
  *mp = meanArgument(kMoonAnomaly, t);
  *f = meanArgument(kLatitudeArgument, t);
  *e = eccentricityFactor(t);
}

void moonPositionAbridged(double* longitude, double* latitude, double* distance,
                          double jd) {
  const double t = centuries(jd);
  const double meanLongitude = meanArgument(kMeanLongitude, t);
  double node, d, m, mp, f, e;
  lunarMeanArguments(&node, &d, &m, &mp, &f, &e, t);
  const Multiples angles[4] = {Multiples(d), Multiples(m), Multiples(mp), Multiples(f)};

  double sumL = 0.0, sumR = 0.0, sumB = 0.0;
  for (const LunarLongitudeTerm& term : kLunarLongitudeTerms) {
    double c, s;
    combine(angles, {term.d, term.m, term.mp, term.f}, &c, &s);
    const double factor = eFactor(term.m, e);
    sumL += factor * term.longitude * s;
    sumR += factor * term.distance * c;
  }
  for (const LunarLatitudeTerm& term : kLunarLatitudeTerms) {
    double c, s;
    combine(angles, {term.d, term.m, term.mp, term.f}, &c, &s);
    sumB += eFactor(term.m, e) * term.latitude * s;
  }

  // Venus (A1), Jupiter (A2) and the flattening of the Earth (L' - F).
  const double a1 = (119.75 + 131.849 * t) * kRadiansPerDegree;
  const double a2 = (53.09 + 479264.29 * t) * kRadiansPerDegree;
  const double a3 = (313.45 + 481266.484 * t) * kRadiansPerDegree;
  sumL += 3958.0 * std::sin(a1) + 1962.0 * std::sin(meanLongitude - f) + 318.0 * std::sin(a2);
  sumB += -2235.0 * std::sin(meanLongitude) + 382.0 * std::sin(a3) +
          175.0 * std::sin(a1 - f) + 175.0 * std::sin(a1 + f) +
          127.0 * std::sin(meanLongitude - mp) - 115.0 * std::sin(meanLongitude + mp);

  *longitude = normalizeRadians(meanLongitude + sumL * 1e-6 * kRadiansPerDegree);
  *latitude = sumB * 1e-6 * kRadiansPerDegree;
  *distance = (385000.56 + sumR * 0.001) / kEarthEquatorialRadiusKm;
}

double lunarPhaseTime(int phase, double jd) {
  const double fraction = phase / 4.0;
  double date = jd, k, mean;
  do {
    k = std::floor((julianDateToYear(date) - 2000.0) * 12.3685) + fraction;
    mean = meanPhaseTime(k);
    date += 7.38264725;
  } while (mean < jd);

  const double t = k / 1236.85, t2 = t * t;
  const double e = eccentricityFactor(t);
  const double m = (2.5534 + 29.10535669 * k - t2 * (0.0000218 + 0.00000011 * t)) *
                   kRadiansPerDegree;
  const double mp = (201.5643 + 385.81693528 * k +
                     t2 * (0.0107438 + t * (0.00001239 - 0.000000058 * t))) *
                    kRadiansPerDegree;
  const double f = (160.7108 + 390.67050274 * k +
                    t2 * (-0.0016341 + t * (-0.00000227 + 0.000000011 * t))) *
                   kRadiansPerDegree;
  const double node = (124.7746 - 1.5637558 * k + t2 * (0.0020691 + 0.00000215 * t)) *
                      kRadiansPerDegree;

  const int column = phase == 0 ? 0 : phase == 2 ? 1 : 2;
  double time = mean - 0.00017 * std::sin(node);
  for (const LunarPhaseTerm& term : kLunarPhaseTerms) {
    const double power = term.ePower == 0 ? 1.0 : term.ePower == 1 ? e : e * e;
    time += term.days[column] * power * std::sin(term.m * m + term.mp * mp + term.f * f);
  }
  if (phase == 1 || phase == 3) {
    const double w = 0.00306 - 0.00038 * e * std::cos(m) + 0.00026 * std::cos(mp) -
                     0.00002 * std::cos(mp - m) + 0.00002 * std::cos(mp + m) +
                     0.00002 * std::cos(2.0 * f);
    time += phase == 1 ? w : -w;
  }
  for (int i = 0; i < 14; ++i) {
    const LunarPlanetaryTerm& term = kLunarPlanetaryTerms[i];
    double argument = term.base + term.rate * k;
    if (i == 0) argument -= 0.009173 * t2;
    time += term.amplitude * sinDegrees(argument);
  }
  return time;
}

void sunPositionLowPrecision(double* longitude, double* latitude,
                             double* distance, double jd) {
  const double d = jd - kJ2000;
  const double g = (357.528 + 0.9856003 * d) * kRadiansPerDegree;
  if (longitude) {
    *longitude = normalizeRadians(
        (280.46 + 0.9856474 * d + 1.915 * std::sin(g) + 0.02 * std::sin(2.0 * g)) *
        kRadiansPerDegree);
  }
  if (latitude) *latitude = 0.0;
  if (distance) *distance = 1.00014 - 0.01671 * std::cos(g) - 0.00014 * std::cos(2.0 * g);
}

void moonPositionLowPrecision(double* longitude, double* latitude,
                              double* distance, double jd) {
  const double t = centuries(jd);
  if (longitude) {
    *longitude = normalizeRadians(
        (218.32 + 481267.883 * t + 6.29 * sinDegrees(134.9 + 477198.85 * t) -
         1.27 * sinDegrees(259.2 - 413335.38 * t) + 0.66 * sinDegrees(235.7 + 890534.23 * t) +
         0.21 * sinDegrees(269.9 + 954397.7 * t) - 0.19 * sinDegrees(357.5 + 35999.05 * t) -
         0.11 * sinDegrees(186.6 + 966404.05 * t)) *
        kRadiansPerDegree);
  }
  if (latitude) {
    *latitude = (5.13 * sinDegrees(93.3 + 483202.03 * t) + 0.28 * sinDegrees(228.2 + 960400.87 * t) -
                 0.28 * sinDegrees(318.3 + 6003.18 * t) - 0.17 * sinDegrees(217.6 - 407332.2 * t)) *
                kRadiansPerDegree;
  }
  if (distance) {
    const double parallax =
        0.9508 + 0.0518 * cosDegrees(134.9 + 477198.85 * t) +
        0.0095 * cosDegrees(259.2 - 413335.38 * t) + 0.0078 * cosDegrees(235.7 + 890534.23 * t) +
        0.0028 * cosDegrees(269.9 + 954397.7 * t);
    *distance = 1.0 / sinDegrees(parallax);
  }
}

void eclipticToEquatorialVector(double vector[3], double jd, double longitude,
                                double latitude, double distance) {
  // The stored values at J2000.0 are those of 23.439 degrees as printed.
  double ce = 0.917484, se = 0.397772;
  if (jd != kJ2000) {
    const double obliquity = 23.439 - 0.0000004 * (jd - kJ2000);
    ce = cosDegrees(obliquity);
    se = sinDegrees(obliquity);
  }
  const double cb = latitude == 0.0 ? 1.0 : std::cos(latitude);
  const double sb = latitude == 0.0 ? 0.0 : std::sin(latitude);
  const double cl = std::cos(longitude), sl = std::sin(longitude);
  vector[0] = distance * cb * cl;
  vector[1] = distance * (cb * ce * sl - se * sb);
  vector[2] = distance * (cb * se * sl + sb * ce);
}

void lunarMeanOrbit(double* a, double* e, double* i, double* perigee,
                    double* node, double* m, double* n, double jd) {
  const double t = centuries(jd);
  // The secular terms beyond the first stop at +-10 centuries.
  const double tc = std::clamp(t, -10.0, 10.0);
  const double tc2 = tc * tc, tc3 = tc2 * tc, tc4 = tc3 * tc;
  *a = 0.00257;
  *e = 0.0549;
  *i = 0.08980410151892347;
  *perigee = normalizeRadians(
      (83.3532465 + 4069.0137287 * t - 0.01032 * tc2 - tc3 / 80053.0 + tc4 / 18999000.0) *
      kRadiansPerDegree);
  *node = normalizeRadians(
      (125.0445479 - 1934.1362891 * t + 0.0020754 * tc2 + tc3 / 467441.0 - tc4 / 60616000.0) *
      kRadiansPerDegree);
  *m = normalizeRadians(
      (134.9633964 + 477198.8675055 * t + 0.0087414 * tc2 + tc3 / 69699.0 - tc4 / 14712000.0) *
      kRadiansPerDegree);
  *n = 0.22802714373051475;
}
