// Orbits of the eight major moons of Saturn, after the algorithm Meeus
// derived from Harper and Taylor's theory (Astronomical Algorithms, 2nd
// ed., chapter 46). Mimas to Dione are referred to Saturn's equator with
// longitudes from its ascending node on the B1950 equator (frame
// saturnMoonFrame); Rhea to Iapetus to the B1950 ecliptic and equinox.
#include <cmath>

#include "engine/angles.h"
#include "engine/astronomical_constants.h"
#include "engine/moon_orbits.h"

namespace {

constexpr double kDeg = kRadiansPerDegree;
// Saturn's equatorial radius in AU, the unit of the theory's distances.
constexpr double kSaturnRadiusAu = 60440.0 / kAstronomicalUnitKm;
// Moves a longitude counted from the B1950 equinox along the ecliptic to
// the node of Saturn's equator (168.83 degrees) and on along that equator,
// to one counted from the node of Saturn's equator on the B1950 equator.
constexpr double kEquatorShift = -2.946639376141283 + 0.7248352383530621;

double atan2Deg(double y, double x) { return std::atan2(y, x) / kDeg; }

// The theory's time arguments.
struct SaturnTimes {
  double t1, t2, t3, t4, t5, t6, t7, t8, t9, t10, t11;
  double w0, w1, w2, w3, w4, w5, w6, w7, w8;
};

SaturnTimes saturnTimes(double jd) {
  SaturnTimes s;
  s.t1 = jd - 2411093.0;
  s.t2 = s.t1 / 365.25;
  // Tropical years from B1950.0.
  s.t3 = (jd - 2433282.42345905) / 365.2422 + 1950.0;
  s.t4 = jd - 2411368.0;
  s.t5 = s.t4 / 365.25;
  s.t6 = jd - 2415020.0;
  s.t7 = s.t6 / 36525.0;
  s.t8 = s.t6 / 365.25;
  s.t9 = (jd - 2442000.5) / 365.25;
  s.t10 = jd - 2409786.0;
  s.t11 = s.t10 / 36525.0;
  s.w0 = 5.095 * (s.t3 - 1866.39);
  s.w1 = 74.4 + 32.39 * s.t2;
  s.w2 = 134.3 + 92.62 * s.t2;
  s.w3 = 42.0 - 0.5118 * s.t5;
  s.w4 = 276.59 + 0.5118 * s.t5;
  s.w5 = 267.2635 + 1222.1136 * s.t7;
  s.w6 = 175.4762 + 1221.5515 * s.t7;
  s.w7 = 2.4891 + 0.002435 * s.t7;
  s.w8 = 113.35 - 0.2597 * s.t7;
  return s;
}

// Elements in degrees and Saturn radii; rates in degrees per day.
struct Elements {
  double a, e, i, periapsis, node, longitude, longitudeRate, periapsisRate;
};

void store(const Elements& el, double shift, double* a, double* e, double* i,
           double* periapsis, double* node, double* m, double* n) {
  *a = el.a * kSaturnRadiusAu;
  *e = el.e;
  *i = el.i * kDeg;
  *periapsis = normalizeRadians(el.periapsis * kDeg + shift);
  *node = normalizeRadians(el.node * kDeg + shift);
  *m = normalizeRadians((el.longitude - el.periapsis) * kDeg);
  *n = (el.longitudeRate - el.periapsisRate) * kDeg;
}

}  // namespace

void mimasOrbit(double* a, double* e, double* i, double* periapsis,
                double* node, double* m, double* n, double jd) {
  const SaturnTimes s = saturnTimes(jd);
  // Meeus' refit of the libration with Tethys (argument W0); an older set
  // (128.839 + 381.994516 t - 43.415 sin x, x = 5.0616 (years + 84)) puts
  // Mimas a degree of longitude away from modern ephemerides.
  Elements el;
  el.e = 0.01905;
  el.a = 3.06879 / (1.0 - el.e * el.e);
  el.i = 1.563;
  el.longitude = 127.64 + 381.994497 * s.t1 - 43.57 * sinDegrees(s.w0) -
                 0.720 * sinDegrees(3 * s.w0) - 0.02144 * sinDegrees(5 * s.w0);
  el.periapsis = 106.1 + 365.549 * s.t2;
  el.node = 54.5 - 365.072 * s.t2;
  el.longitudeRate = 381.994497;
  el.periapsisRate = 365.549 / 365.25;
  store(el, kEquatorShift, a, e, i, periapsis, node, m, n);
}

void enceladusOrbit(double* a, double* e, double* i, double* periapsis,
                    double* node, double* m, double* n, double jd) {
  const SaturnTimes s = saturnTimes(jd);
  Elements el;
  el.e = 0.00485;
  el.a = 3.94118 / (1.0 - el.e * el.e);
  el.i = 0.0262;
  el.longitude = 200.317 + 262.7319002 * s.t1 + 0.25667 * sinDegrees(s.w1) + 0.20883 * sinDegrees(s.w2);
  el.periapsis = 309.107 + 123.44121 * s.t2;
  el.node = 348.0 - 151.95 * s.t2;
  el.longitudeRate = 262.7319002;
  el.periapsisRate = 123.44121 / 365.25;
  store(el, kEquatorShift, a, e, i, periapsis, node, m, n);
}

void tethysOrbit(double* a, double* e, double* i, double* periapsis,
                 double* node, double* m, double* n, double jd) {
  const SaturnTimes s = saturnTimes(jd);
  Elements el;
  el.e = 0.0;
  el.a = 4.880998;
  el.i = 1.0976;
  el.longitude = 285.306 + 190.69791226 * s.t1 + 2.063 * sinDegrees(s.w0) +
                 0.03409 * sinDegrees(3 * s.w0) + 0.001015 * sinDegrees(5 * s.w0);
  el.node = 111.33 - 72.2441 * s.t2;
  // Circular: the periapsis is taken at the node.
  el.periapsis = el.node;
  el.longitudeRate = 190.69791226;
  el.periapsisRate = -72.2441 / 365.25;
  store(el, kEquatorShift, a, e, i, periapsis, node, m, n);
}

void dioneOrbit(double* a, double* e, double* i, double* periapsis,
                double* node, double* m, double* n, double jd) {
  const SaturnTimes s = saturnTimes(jd);
  Elements el;
  el.e = 0.002157;
  el.a = 6.24871 / (1.0 - el.e * el.e);
  el.i = 0.0139;
  el.longitude = 254.712 + 131.53493193 * s.t1 - 0.0215 * sinDegrees(s.w1) - 0.01733 * sinDegrees(s.w2);
  el.periapsis = 174.8 + 30.820 * s.t2;
  el.node = 232.0 - 30.27 * s.t2;
  el.longitudeRate = 131.53493193;
  el.periapsisRate = 30.820 / 365.25;
  store(el, kEquatorShift, a, e, i, periapsis, node, m, n);
}

void rheaOrbit(double* a, double* e, double* i, double* periapsis,
               double* node, double* m, double* n, double jd) {
  const SaturnTimes s = saturnTimes(jd);
  const double pPrime = 342.7 + 10.057 * s.t2;
  const double a1 = 0.000265 * sinDegrees(pPrime) + 0.001 * sinDegrees(s.w4);
  const double a2 = 0.000265 * cosDegrees(pPrime) + 0.001 * cosDegrees(s.w4);
  const double bigN = 345.0 - 10.057 * s.t2;
  Elements el;
  el.e = std::hypot(a1, a2);
  el.periapsis = atan2Deg(a1, a2);
  el.longitude = 359.4727 + 79.69004720 * s.t1 + 0.086754 * sinDegrees(bigN);
  el.i = 28.0362 + 0.346898 * cosDegrees(bigN) + 0.01930 * cosDegrees(s.w3);
  el.node = 168.8494 + 0.736936 * sinDegrees(bigN) + 0.476 * sinDegrees(s.w3);
  el.a = 8.725924;
  el.longitudeRate = 79.69004720;
  el.periapsisRate = 0.0;
  store(el, 0.0, a, e, i, periapsis, node, m, n);
}

void titanOrbit(double* a, double* e, double* i, double* periapsis,
                double* node, double* m, double* n, double jd) {
  const SaturnTimes s = saturnTimes(jd);
  const double l = 261.1582 + 22.57697855 * s.t4 + 0.074025 * sinDegrees(s.w3);
  const double iPrime = 27.45141 + 0.295999 * cosDegrees(s.w3);
  const double nodePrime = 168.66925 + 0.628808 * sinDegrees(s.w3);
  const double a1 = sinDegrees(s.w7) * sinDegrees(nodePrime - s.w8);
  const double a2 = cosDegrees(s.w7) * sinDegrees(iPrime) - sinDegrees(s.w7) * cosDegrees(iPrime) * cosDegrees(nodePrime - s.w8);
  const double g0 = 102.8623;
  const double psi = atan2Deg(a1, a2);
  const double sigma = std::hypot(a1, a2);
  double g = s.w4 - nodePrime - psi;
  double varpi = 0.0;
  for (int k = 0; k < 3; ++k) {
    varpi = s.w4 + 0.37515 * (sinDegrees(2 * g) - sinDegrees(2 * g0));
    g = varpi - nodePrime - psi;
  }
  const double ePrime = 0.029092 + 0.00019048 * (cosDegrees(2 * g) - cosDegrees(2 * g0));
  const double q = 2.0 * (s.w5 - varpi);
  const double b1 = sinDegrees(iPrime) * sinDegrees(nodePrime - s.w8);
  const double b2 = cosDegrees(s.w7) * sinDegrees(iPrime) * cosDegrees(nodePrime - s.w8) - sinDegrees(s.w7) * cosDegrees(iPrime);
  const double theta = atan2Deg(b1, b2) + s.w8;
  const double e1 = 0.05589 - 0.000346 * s.t7;
  Elements el;
  el.e = ePrime + 0.002778797 * ePrime * cosDegrees(q);
  el.periapsis = varpi + 0.159215 * sinDegrees(q);
  const double u = 2.0 * s.w5 - 2.0 * theta + psi;
  const double h = 0.9375 * ePrime * ePrime * sinDegrees(q) + 0.1875 * sigma * sigma * sinDegrees(2.0 * (s.w5 - theta));
  el.longitude = l - 0.254744 * (e1 * sinDegrees(s.w6) + 0.75 * e1 * e1 * sinDegrees(2.0 * s.w6) + h);
  el.i = iPrime + 0.031843 * sigma * cosDegrees(u);
  el.node = nodePrime + 0.031843 * sigma * sinDegrees(u) / sinDegrees(iPrime);
  el.a = 20.216193;
  el.longitudeRate = 22.57697855;
  el.periapsisRate = 0.0;
  store(el, 0.0, a, e, i, periapsis, node, m, n);
}

void hyperionOrbit(double* a, double* e, double* i, double* periapsis,
                   double* node, double* m, double* n, double jd) {
  const SaturnTimes s = saturnTimes(jd);
  const double eta = 92.39 + 0.5621071 * s.t6;
  const double zeta = 148.19 - 19.18 * s.t8;
  const double theta = 184.8 - 35.41 * s.t9;
  const double thetaPrime = theta - 7.5;
  const double as = 176.0 + 12.22 * s.t8;
  const double bs = 8.0 + 24.44 * s.t8;
  const double cs = bs + 5.0;
  const double varpi = 69.898 - 18.67088 * s.t8;
  const double phi = 2.0 * (varpi - s.w5);
  const double chi = 94.9 - 2.292 * s.t8;
  Elements el;
  el.a = 24.50601 - 0.08686 * cosDegrees(eta) - 0.00166 * cosDegrees(zeta + eta) + 0.00175 * cosDegrees(zeta - eta);
  el.e = 0.103458 - 0.004099 * cosDegrees(eta) - 0.000167 * cosDegrees(zeta + eta) +
         0.000235 * cosDegrees(zeta - eta) + 0.02303 * cosDegrees(zeta) - 0.00212 * cosDegrees(2 * zeta) +
         0.000151 * cosDegrees(3 * zeta) + 0.00013 * cosDegrees(phi);
  el.periapsis = varpi + 0.15648 * sinDegrees(chi) - 0.4457 * sinDegrees(eta) -
                 0.2657 * sinDegrees(zeta + eta) - 0.3573 * sinDegrees(zeta - eta) - 12.872 * sinDegrees(zeta) +
                 1.668 * sinDegrees(2 * zeta) - 0.2419 * sinDegrees(3 * zeta) + 0.0406 * sinDegrees(4 * zeta) +
                 0.0067 * sinDegrees(5 * zeta);
  el.longitude = 177.047 + 16.91993829 * s.t6 + 0.15648 * sinDegrees(chi) + 9.142 * sinDegrees(eta) +
                 0.007 * sinDegrees(2 * eta) - 0.014 * sinDegrees(3 * eta) + 0.2275 * sinDegrees(zeta + eta) +
                 0.2112 * sinDegrees(zeta - eta) - 0.26 * sinDegrees(zeta) - 0.0098 * sinDegrees(2 * zeta) -
                 0.013 * sinDegrees(as) + 0.017 * sinDegrees(bs) - 0.0303 * sinDegrees(phi);
  el.i = 27.3347 + 0.643486 * cosDegrees(chi) + 0.315 * cosDegrees(s.w3) + 0.018 * cosDegrees(theta) -
         0.018 * cosDegrees(cs);
  el.node = 168.6812 + 1.40136 * cosDegrees(chi) + 0.68599 * sinDegrees(s.w3) - 0.0392 * sinDegrees(cs) +
            0.0366 * sinDegrees(thetaPrime);
  el.longitudeRate = 16.91993829;
  el.periapsisRate = -18.67088 / 365.25;
  store(el, 0.0, a, e, i, periapsis, node, m, n);
}

void iapetusOrbit(double* a, double* e, double* i, double* periapsis,
                  double* node, double* m, double* n, double jd) {
  const SaturnTimes s = saturnTimes(jd);
  const double lTitan = 261.1582 + 22.57697855 * s.t4;
  const double varpiPrime = 91.796 + 0.562 * s.t7;
  const double psi = 4.367 - 0.195 * s.t7;
  const double theta = 146.819 - 3.198 * s.t7;
  const double phi = 60.470 + 1.521 * s.t7;
  const double bigPhi = 205.055 - 2.091 * s.t7;
  const double ePrime = 0.028298 + 0.001156 * s.t11;
  const double varpi0 = 352.91 + 11.71 * s.t11;
  const double mu = 76.3852 + 4.53795125 * s.t10;
  const double t11 = s.t11;
  const double iPrime = 18.4602 - 0.9518 * t11 - 0.072 * t11 * t11 + 0.0054 * t11 * t11 * t11;
  const double nodePrime = 143.198 - 3.919 * t11 + 0.116 * t11 * t11 + 0.008 * t11 * t11 * t11;
  const double l = mu - varpi0;
  const double g = varpi0 - nodePrime - psi;
  const double g1 = varpi0 - nodePrime - phi;
  const double ls = s.w5 - varpiPrime;
  const double gs = varpiPrime - theta;
  const double lT = lTitan - s.w4;
  const double gT = s.w4 - bigPhi;
  const double u1 = 2.0 * (l + g - ls - gs);
  const double u2 = l + g1 - lT - gT;
  const double u3 = l + 2.0 * (g - ls - gs);
  const double u4 = lT + gT - g1;
  const double u5 = 2.0 * (ls + gs);
  Elements el;
  el.a = 58.935028 + 0.004638 * cosDegrees(u1) + 0.058222 * cosDegrees(u2);
  el.e = ePrime - 0.0014097 * cosDegrees(g1 - gT) + 0.0003733 * cosDegrees(u5 - 2 * g) +
         0.0001180 * cosDegrees(u3) + 0.0002408 * cosDegrees(l) + 0.0002849 * cosDegrees(l + u2) +
         0.0006190 * cosDegrees(u4);
  const double w = 0.08077 * sinDegrees(g1 - gT) + 0.02139 * sinDegrees(u5 - 2 * g) - 0.00676 * sinDegrees(u3) +
                   0.01380 * sinDegrees(l) + 0.01632 * sinDegrees(l + u2) + 0.03547 * sinDegrees(u4);
  el.periapsis = varpi0 + w / ePrime;
  el.longitude = mu - 0.04299 * sinDegrees(u2) - 0.00789 * sinDegrees(u1) - 0.06312 * sinDegrees(ls) -
                 0.00295 * sinDegrees(2 * ls) - 0.02231 * sinDegrees(u5) + 0.00650 * sinDegrees(u5 + psi);
  el.i = iPrime + 0.04204 * cosDegrees(u5 + psi) + 0.00235 * cosDegrees(l + g1 + lT + gT + phi) +
         0.00360 * cosDegrees(u2 + phi);
  const double wPrime = 0.04204 * sinDegrees(u5 + psi) + 0.00235 * sinDegrees(l + g1 + lT + gT + phi) +
                        0.00358 * sinDegrees(u2 + phi);
  el.node = nodePrime + wPrime / sinDegrees(iPrime);
  el.longitudeRate = 4.53795125;
  el.periapsisRate = 11.71 / 36525.0;
  store(el, 0.0, a, e, i, periapsis, node, m, n);
}
