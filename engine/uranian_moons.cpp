// GUST86: the series of the four element groups summed over the
// fundamental arguments, and the passage from elements to places as the
// theory's distribution does it.
#include "engine/uranian_moons.h"

#include <cmath>

#include "engine/angles.h"
#include "engine/astronomical_constants.h"
#include "engine/calendar.h"
#include "engine/matrices.h"
#include "engine/moon_orbits.h"
#include "engine/precession.h"
#include "engine/uranian_moons_table.h"

namespace {

constexpr double kMicro = 1e-6;

// The 15 fundamental angles at t days from the theory's epoch: N1..N5,
// E1..E5, I1..I5.
struct Gust86Angles {
  double n[5], e[5], i[5];
};

Gust86Angles fundamentalAngles(double t) {
  Gust86Angles angles;
  const double years = t / kGust86DaysPerYear;
  for (int k = 0; k < 5; ++k) {
    const Gust86Argument& arg = kGust86Arguments[k];
    angles.n[k] = arg.fqn * t + arg.phn;
    angles.e[k] = arg.fqe * kRadiansPerDegree * years + arg.phe;
    angles.i[k] = arg.fqi * kRadiansPerDegree * years + arg.phi;
  }
  return angles;
}

double termAngle(const Gust86Term& term, const Gust86Angles& angles) {
  double phi = 0.0;
  for (int k = 0; k < 5; ++k)
    phi += term.n[k] * angles.n[k] + term.e[k] * angles.e[k] + term.i[k] * angles.i[k];
  return phi;
}

// Sums of amplitude x cos(phi) and amplitude x sin(phi) over a series, in
// units of 1e-6.
void sumSeries(const Gust86Series& series, const Gust86Angles& angles, double* cosines,
               double* sines) {
  double c = 0.0, s = 0.0;
  for (int n = 0; n < series.count; ++n) {
    const double phi = termAngle(series.terms[n], angles);
    c += series.terms[n].amplitude * std::cos(phi);
    s += series.terms[n].amplitude * std::sin(phi);
  }
  *cosines = c;
  *sines = s;
}

// The gravitational parameter of Uranus with the one satellite whose orbit
// it is: the total less the other four satellites.
double satelliteMu(int j) {
  double others = 0.0;
  for (int k = 0; k < 5; ++k)
    if (k != j) others += kGust86Satellites[k].gm;
  return kGust86TotalGm - others;
}

// Element outputs of the Part-style theories: a in AU, e and i, the
// longitude of periapsis, the node and the mean anomaly in [0, 2 pi), n.
void orbitElements(UranianMoon moon, double* a, double* e, double* i, double* periapsis,
                   double* node, double* m, double* n, double jd) {
  const Gust86Elements el = gust86Elements(moon, jd);
  *a = el.a / kAstronomicalUnitKm;
  *e = std::hypot(el.k, el.h);
  *i = 2.0 * std::asin(std::fmin(1.0, std::hypot(el.q, el.p)));
  *periapsis = positiveAtan2(el.h, el.k);
  *node = positiveAtan2(el.p, el.q);
  *m = normalizeRadians(el.lambda - *periapsis);
  *n = el.n;
}

}  // namespace

Gust86Elements gust86Elements(UranianMoon moon, double jd) {
  const int j = static_cast<int>(moon);
  const Gust86Satellite& s = kGust86Satellites[j];
  const double t = jd - kGust86EpochJD;
  const Gust86Angles angles = fundamentalAngles(t);
  double nCos, nSin, lCos, lSin, zCos, zSin, zetaCos, zetaSin;
  sumSeries(s.meanMotion, angles, &nCos, &nSin);
  sumSeries(s.longitude, angles, &lCos, &lSin);
  sumSeries(s.z, angles, &zCos, &zSin);
  sumSeries(s.zeta, angles, &zetaCos, &zetaSin);
  Gust86Elements el;
  el.n = (s.n0 + nCos) * kMicro;
  el.lambda = (s.l0 + s.l1 * t + lSin) * kMicro;
  el.k = zCos * kMicro;
  el.h = zSin * kMicro;
  el.q = zetaCos * kMicro;
  el.p = zetaSin * kMicro;
  const double nPerSecond = el.n / kSecondsPerDay;
  el.a = std::cbrt(satelliteMu(j) / (nPerSecond * nPerSecond));
  return el;
}

void gust86Position(UranianMoon moon, double jd, double position[3]) {
  const Gust86Elements el = gust86Elements(moon, jd);
  const double k = el.k, h = el.h, q = el.q, p = el.p;
  // Kepler's equation in the eccentric longitude F: F - k sin F + h cos F
  // = lambda, by Newton's method from F = lambda (e is below 0.005).
  double f = el.lambda;
  for (int iteration = 0; iteration < 20; ++iteration) {
    const double step = (f - k * std::sin(f) + h * std::cos(f) - el.lambda) /
                        (1.0 - k * std::cos(f) - h * std::sin(f));
    f -= step;
    if (std::fabs(step) < 1e-15) break;
  }
  const double phi = std::sqrt(1.0 - k * k - h * h);
  const double psi = 1.0 / (1.0 + phi);
  const double rho = h * std::cos(f) - k * std::sin(f);
  const double x1 = el.a * (std::cos(f) - psi * h * rho - k);
  const double y1 = el.a * (std::sin(f) + psi * k * rho - h);
  const double chi = std::sqrt(1.0 - q * q - p * p);
  position[0] = (1.0 - 2.0 * p * p) * x1 + 2.0 * p * q * y1;
  position[1] = 2.0 * p * q * x1 + (1.0 - 2.0 * q * q) * y1;
  position[2] = 2.0 * chi * (q * y1 - p * x1);
}

void gust86FrameToJ2000(double m[9]) {
  // The frame's x axis lies in the B1950 equator at right ascension
  // pole - 90 degrees and its z axis points to the pole; the equinox
  // correction turns the whole about the B1950 pole.
  const double colatitude = (90.0 - kGust86PoleDecDegrees) * kRadiansPerDegree;
  const double spin = (kGust86PoleRADegrees - 90.0) * kRadiansPerDegree +
                      kGust86EquinoxCorrectionArcsec / kArcsecondsPerRadian;
  rotationMatrix(m, 2, 0, -colatitude, 2, spin);
  double precession[9];
  precessionMatrix(precession, 0, kGust86FrameEpochJD, kJ2000);
  matrixMultiply(precession, m);
}

void mirandaOrbit(double* a, double* e, double* i, double* periapsis, double* node, double* m,
                  double* n, double jd) {
  orbitElements(UranianMoon::kMiranda, a, e, i, periapsis, node, m, n, jd);
}

void arielOrbit(double* a, double* e, double* i, double* periapsis, double* node, double* m,
                double* n, double jd) {
  orbitElements(UranianMoon::kAriel, a, e, i, periapsis, node, m, n, jd);
}

void umbrielOrbit(double* a, double* e, double* i, double* periapsis, double* node, double* m,
                  double* n, double jd) {
  orbitElements(UranianMoon::kUmbriel, a, e, i, periapsis, node, m, n, jd);
}

void titaniaOrbit(double* a, double* e, double* i, double* periapsis, double* node, double* m,
                  double* n, double jd) {
  orbitElements(UranianMoon::kTitania, a, e, i, periapsis, node, m, n, jd);
}

void oberonOrbit(double* a, double* e, double* i, double* periapsis, double* node, double* m,
                 double* n, double jd) {
  orbitElements(UranianMoon::kOberon, a, e, i, periapsis, node, m, n, jd);
}
