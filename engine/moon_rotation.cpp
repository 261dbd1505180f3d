// Rotation elements of the moons, from the reports of the IAU Working Group
// on Cartographic Coordinates and Rotational Elements (2009 and earlier).
// Angles are written in degrees as published; d is days and T Julian
// centuries from J2000.0.
#include "engine/moon_rotation.h"

#include <cmath>

#include "engine/angles.h"
#include "engine/calendar.h"

namespace {

constexpr double kDeg = kRadiansPerDegree;

struct Epoch {
  double d, t;
};

Epoch epochOf(double jd) {
  const double d = jd - kJ2000;
  return {d, d / kDaysPerJulianCentury};
}

double sinDeg(double x) { return std::sin(normalizeDegrees(x) * kDeg); }
double cosDeg(double x) { return std::cos(normalizeDegrees(x) * kDeg); }

// Stores the model's angles (degrees; W is converted, then reduced to
// [0, 2 pi) like the planets' W) and the W rate (degrees a day).
void store(double* ra, double* dec, double* w, double* rate, double raDeg,
           double decDeg, double wDeg, double rateDegPerDay) {
  *ra = raDeg * kDeg;
  *dec = decDeg * kDeg;
  *w = normalizeRadians(wDeg * kDeg);
  *rate = rateDegPerDay * kDeg;
}

// Jupiter's satellite arguments J1-J8 (degrees).
struct JupiterArguments {
  double j1, j3, j4, j5, j6, j7, j8;
};

JupiterArguments jupiterArguments(double t) {
  return {73.32 + 91472.9 * t,  283.9 + 4850.7 * t,  355.8 + 1191.3 * t,
          119.9 + 262.1 * t,    229.8 + 64.3 * t,    352.25 + 2382.6 * t,
          113.35 + 6070.0 * t};
}

// Saturn's satellite arguments S3-S6 (degrees).
struct SaturnArguments {
  double s3, s4, s5, s6;
};

SaturnArguments saturnArguments(double t) {
  return {177.40 - 36505.5 * t, 300.00 - 7225.9 * t, 316.45 + 506.2 * t,
          345.20 - 1016.3 * t};
}

// Uranus' satellite arguments U11-U16 (degrees).
struct UranusArguments {
  double u11, u12, u13, u14, u15, u16;
};

UranusArguments uranusArguments(double t) {
  return {102.23 - 2024.22 * t, 316.41 + 2863.96 * t, 304.01 - 51.94 * t,
          308.71 - 93.17 * t,   340.82 - 75.32 * t,   259.14 - 504.81 * t};
}

}  // namespace

// The quadratic terms are 8.864 T^2 (Phobos) and -0.520 T^2 (Deimos) of the
// IAU report, written per day squared; M1 advances with Phobos' node.
void phobosRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const Epoch e = epochOf(jd);
  const double m1 = 169.51 - 0.4357640 * e.d;
  const double m2 = 192.93 + 1128.40967 * e.d + 6.644e-9 * e.d * e.d;
  store(ra, dec, w, rate, 317.68 - 0.108 * e.t + 1.79 * sinDeg(m1),
        52.9 - 0.061 * e.t - 1.08 * cosDeg(m1),
        35.06 + 1128.844585 * e.d + 6.644e-9 * e.d * e.d - 1.42 * sinDeg(m1) -
            0.78 * sinDeg(m2),
        1128.844585);
}

void deimosRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const Epoch e = epochOf(jd);
  const double m3 = 53.47 - 0.018151 * e.d;
  store(ra, dec, w, rate, 316.65 - 0.108 * e.t + 2.98 * sinDeg(m3),
        53.52 - 0.061 * e.t - 1.78 * cosDeg(m3),
        79.41 + 285.161897 * e.d - 3.9e-10 * e.d * e.d - 2.58 * sinDeg(m3) +
            0.19 * cosDeg(m3),
        285.161897);
}

void ioRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const Epoch e = epochOf(jd);
  const JupiterArguments j = jupiterArguments(e.t);
  store(ra, dec, w, rate, 268.05 - 0.009 * e.t + 0.094 * sinDeg(j.j3) + 0.024 * sinDeg(j.j4),
        64.5 + 0.003 * e.t + 0.04 * cosDeg(j.j3) + 0.011 * cosDeg(j.j4),
        200.39 + 203.4889538 * e.d - 0.085 * sinDeg(j.j3) - 0.022 * sinDeg(j.j4),
        203.4889538);
}

void europaRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const Epoch e = epochOf(jd);
  const JupiterArguments j = jupiterArguments(e.t);
  store(ra, dec, w, rate,
        268.08 - 0.009 * e.t + 1.086 * sinDeg(j.j4) + 0.060 * sinDeg(j.j5) +
            0.015 * sinDeg(j.j6) + 0.009 * sinDeg(j.j7),
        64.51 + 0.003 * e.t + 0.468 * cosDeg(j.j4) + 0.026 * cosDeg(j.j5) +
            0.007 * cosDeg(j.j6) + 0.002 * cosDeg(j.j7),
        35.72 + 101.3747235 * e.d - 0.98 * sinDeg(j.j4) - 0.054 * sinDeg(j.j5) -
            0.014 * sinDeg(j.j6) - 0.008 * sinDeg(j.j7),
        101.3747235);
}

void ganymedeRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const Epoch e = epochOf(jd);
  const JupiterArguments j = jupiterArguments(e.t);
  store(ra, dec, w, rate,
        268.20 - 0.009 * e.t - 0.037 * sinDeg(j.j4) + 0.431 * sinDeg(j.j5) +
            0.091 * sinDeg(j.j6),
        64.57 + 0.003 * e.t - 0.016 * cosDeg(j.j4) + 0.186 * cosDeg(j.j5) +
            0.039 * cosDeg(j.j6),
        43.14 + 50.3176081 * e.d + 0.033 * sinDeg(j.j4) - 0.389 * sinDeg(j.j5) -
            0.082 * sinDeg(j.j6),
        50.3176081);
}

void callistoRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const Epoch e = epochOf(jd);
  const JupiterArguments j = jupiterArguments(e.t);
  store(ra, dec, w, rate,
        268.72 - 0.009 * e.t - 0.068 * sinDeg(j.j5) + 0.590 * sinDeg(j.j6) +
            0.010 * sinDeg(j.j8),
        64.83 + 0.003 * e.t - 0.029 * cosDeg(j.j5) + 0.254 * cosDeg(j.j6) -
            0.004 * cosDeg(j.j8),
        259.67 + 21.5710715 * e.d + 0.061 * sinDeg(j.j5) - 0.533 * sinDeg(j.j6) -
            0.009 * sinDeg(j.j8),
        21.5710715);
}

void amaltheaRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const Epoch e = epochOf(jd);
  const JupiterArguments j = jupiterArguments(e.t);
  store(ra, dec, w, rate,
        268.05 - 0.009 * e.t - 0.84 * sinDeg(j.j1) + 0.01 * sinDeg(2 * j.j1),
        64.49 + 0.003 * e.t - 0.36 * cosDeg(j.j1),
        231.67 + 722.631456 * e.d + 0.76 * sinDeg(j.j1) - 0.01 * sinDeg(2 * j.j1),
        722.631456);
}

void mimasRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const Epoch e = epochOf(jd);
  const SaturnArguments s = saturnArguments(e.t);
  store(ra, dec, w, rate, 40.66 - 0.036 * e.t + 13.56 * sinDeg(s.s3),
        83.52 - 0.004 * e.t - 1.53 * cosDeg(s.s3),
        333.46 + 381.994555 * e.d - 13.48 * sinDeg(s.s3) - 44.85 * sinDeg(s.s5),
        381.994555);
}

void enceladusRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const Epoch e = epochOf(jd);
  store(ra, dec, w, rate, 40.66 - 0.036 * e.t, 83.52 - 0.004 * e.t,
        6.32 + 262.7318996 * e.d, 262.7318996);
}

void tethysRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const Epoch e = epochOf(jd);
  const SaturnArguments s = saturnArguments(e.t);
  store(ra, dec, w, rate, 40.66 - 0.036 * e.t + 9.66 * sinDeg(s.s4),
        83.52 - 0.004 * e.t - 1.09 * cosDeg(s.s4),
        8.95 + 190.6979085 * e.d - 9.60 * sinDeg(s.s4) + 2.23 * sinDeg(s.s5),
        190.6979085);
}

void dioneRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const Epoch e = epochOf(jd);
  store(ra, dec, w, rate, 40.66 - 0.036 * e.t, 83.52 - 0.004 * e.t,
        357.6 + 131.5349316 * e.d, 131.5349316);
}

void rheaRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const Epoch e = epochOf(jd);
  const SaturnArguments s = saturnArguments(e.t);
  store(ra, dec, w, rate, 40.38 - 0.036 * e.t + 3.10 * sinDeg(s.s6),
        83.55 - 0.004 * e.t - 0.35 * cosDeg(s.s6),
        235.16 + 79.6900478 * e.d - 3.08 * sinDeg(s.s6), 79.6900478);
}

void titanRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const Epoch e = epochOf(jd);
  store(ra, dec, w, rate, 39.4827, 83.4279, 186.5855 + 22.5769768 * e.d, 22.5769768);
}

void hyperionRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  struct Wave {
    double amplitude, phase, frequency;
  };
  static constexpr Wave kRa[] = {{0.881, 0.756, 1.672}, {0.884, 0.726, 0.482},
                                 {0.308, 0.6, 0.75},    {0.203, 0.344, 0.906},
                                 {0.181, 0.161, 1.587}};
  static constexpr Wave kDec[] = {{0.64, 0.063, 1.706}, {0.432, 0.71, 0.999},
                                  {0.26, 0.413, 0.375}, {0.213, 0.756, 0.714},
                                  {0.132, 0.712, 0.923}};
  static constexpr Wave kW[] = {{0.71, 0.431, 1.933},  {0.681, 0.806, 0.87},
                                {0.596, 0.486, 0.91},  {0.431, 0.296, 1.756},
                                {0.428, 0.105, 0.656}};
  const double tau = (jd - 2447892.5) / 21.276;
  auto sum = [tau](const Wave (&waves)[5]) {
    double s = 0.0;
    for (const Wave& wave : waves)
      s += wave.amplitude * std::sin(kTwoPi * (wave.phase + wave.frequency * tau));
    return s;
  };
  *ra = normalizeRadians(sum(kRa) * kTwoPi / 2.457);
  *dec = 0.5 * normalizeRadiansSigned(sum(kDec) * kPi / 1.677);
  *w = normalizeRadians(sum(kW) * kTwoPi / 2.846);
  *rate = 0.29530915791332235;
}

void iapetusRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const Epoch e = epochOf(jd);
  store(ra, dec, w, rate, 318.16 - 3.949 * e.t, 75.03 - 1.143 * e.t,
        355.2 + 4.5379572 * e.d, 4.5379572);
}

void phoebeRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const Epoch e = epochOf(jd);
  store(ra, dec, w, rate, 356.90, 77.80, 178.58 + 931.639 * e.d, 931.639);
}

void mirandaRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const Epoch e = epochOf(jd);
  const UranusArguments u = uranusArguments(e.t);
  store(ra, dec, w, rate, 257.43 + 4.41 * sinDeg(u.u11) - 0.04 * sinDeg(2 * u.u11),
        -15.08 + 4.25 * cosDeg(u.u11) + 0.02 * cosDeg(2 * u.u11),
        30.70 - 254.6906892 * e.d - 1.27 * sinDeg(u.u12) + 0.15 * sinDeg(2 * u.u12) +
            1.15 * sinDeg(u.u11) - 0.09 * sinDeg(2 * u.u11),
        -254.6906892);
}

void arielRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const Epoch e = epochOf(jd);
  const UranusArguments u = uranusArguments(e.t);
  store(ra, dec, w, rate, 257.43 + 0.29 * sinDeg(u.u13), -15.10 + 0.28 * cosDeg(u.u13),
        156.22 - 142.8356681 * e.d + 0.05 * sinDeg(u.u12) + 0.08 * sinDeg(u.u13),
        -142.8356681);
}

void umbrielRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const Epoch e = epochOf(jd);
  const UranusArguments u = uranusArguments(e.t);
  store(ra, dec, w, rate, 257.43 + 0.21 * sinDeg(u.u14), -15.10 + 0.20 * cosDeg(u.u14),
        108.05 - 86.8688923 * e.d - 0.09 * sinDeg(u.u12) + 0.06 * sinDeg(u.u14),
        -86.8688923);
}

void titaniaRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const Epoch e = epochOf(jd);
  const UranusArguments u = uranusArguments(e.t);
  store(ra, dec, w, rate, 257.43 + 0.29 * sinDeg(u.u15), -15.10 + 0.28 * cosDeg(u.u15),
        77.74 - 41.3514316 * e.d + 0.08 * sinDeg(u.u15), -41.3514316);
}

void oberonRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const Epoch e = epochOf(jd);
  const UranusArguments u = uranusArguments(e.t);
  store(ra, dec, w, rate, 257.43 + 0.16 * sinDeg(u.u16), -15.10 + 0.16 * cosDeg(u.u16),
        6.77 - 26.7394932 * e.d + 0.04 * sinDeg(u.u16), -26.7394932);
}

// N7 advances 52.316 degrees per Julian century, as in the IAU report.
void tritonRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const Epoch e = epochOf(jd);
  const double n7 = 177.85 + 52.316 * e.t;
  static constexpr double kRaTerms[] = {-32.35, -6.28, -2.08, -0.74, -0.28,
                                        -0.11,  -0.07, -0.02, -0.01};
  static constexpr double kDecTerms[] = {22.55, 2.10, 0.55, 0.16, 0.05, 0.02, 0.01};
  static constexpr double kWTerms[] = {22.25, 6.73, 2.05, 0.74, 0.28,
                                       0.11,  0.05, 0.02, 0.01};
  double raDeg = 299.36, decDeg = 41.17, wDeg = 296.53 - 61.2572637 * e.d;
  for (int k = 0; k < 9; ++k) {
    raDeg += kRaTerms[k] * sinDeg((k + 1) * n7);
    wDeg += kWTerms[k] * sinDeg((k + 1) * n7);
  }
  for (int k = 0; k < 7; ++k) decDeg += kDecTerms[k] * cosDeg((k + 1) * n7);
  store(ra, dec, w, rate, raDeg, decDeg, wDeg, 0.0);
  *rate = 1.069140942327134;
}

// Charon's prime meridian faces Pluto, half a turn from Pluto's own.
void charonRotation(double* ra, double* dec, double* w, double* rate, double jd) {
  const Epoch e = epochOf(jd);
  store(ra, dec, w, rate, 132.993, -6.163, 122.695 + 56.3625225 * e.d, 56.3625225);
}

double greatRedSpotLongitude(double jd) {
  const double year = julianDateToYear(jd);
  return normalizeDegrees(206.0 + 17.17 * (year - 2014.0)) * kDeg;
}
