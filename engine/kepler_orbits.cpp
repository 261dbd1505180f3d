// Kepler's equation and conversions between elements and state vectors.
// References: Danby, Fundamentals of Celestial Mechanics (2nd ed. 1988),
// chapters 6 and 7; Meeus, Astronomical Algorithms, chapters 30 and 34.

#include "engine/kepler_orbits.h"

#include <algorithm>
#include <cmath>

#include "engine/angles.h"
#include "engine/matrices.h"
#include "engine/vectors.h"

namespace {

// Anomalies, the node and the argument of periapsis are reduced by a full turn to
// double precision, not by the engine's stored 2pi (short by 1.6e-12): that
// shortfall, magnified up to a hundredfold by an eccentric orbit, would keep
// a state and its elements from reproducing each other.
constexpr double kFullTurn = 6.283185307179586;

double reduceAnomaly(double x) { return x - kFullTurn * std::floor(x / kFullTurn); }

constexpr int kMaxIterations = 1000;
constexpr double kTolerance = 1e-9;

// Eccentricities this close to 1 are taken as parabolic.
constexpr double kParabolicBand = 1e-6;
// Eccentricities below this are taken as circular: the periapsis direction
// of such an orbit is rounding noise.
constexpr double kCircularLimit = 1e-11;

double solveElliptic(double m, double e) {
  m = reduceAnomaly(m);
  double ecc = m;
  for (int k = 0; k < kMaxIterations; ++k) {
    const double f = ecc - e * std::sin(ecc) - m;
    // The clamp keeps Newton from overshooting near e = 1.
    const double step = std::clamp(f / (1.0 - e * std::cos(ecc)), -0.5, 0.5);
    ecc -= step;
    if (std::fabs(f) <= kTolerance || !(std::fabs(ecc) < 1e8)) break;
  }
  return ecc;
}

// x = tan(nu/2) from Barker's equation x^3 + 3x = M, by Newton's method.
double solveParabolic(double m) {
  double x = m;
  for (int k = 0; k < kMaxIterations; ++k) {
    const double f = x * x * x + 3.0 * x - m;
    x = (2.0 * x * x * x + m) / (3.0 * (x * x + 1.0));
    if (std::fabs(f) <= kTolerance) break;
  }
  return x;
}

double solveHyperbolic(double m, double e) {
  double h = std::asinh(m / e);
  for (int k = 0; k < kMaxIterations; ++k) {
    const double f = m + h - e * std::sinh(h);
    h -= f / (1.0 - e * std::cosh(h));
    if (std::fabs(f) <= kTolerance) break;
  }
  return h;
}

// GM from periapsis distance, eccentricity and mean motion.
double impliedGM(double q, double e, double n) {
  if (e == 1.0) return 2.0 * q * q * q * n * n / 9.0;
  const double a = q / std::fabs(1.0 - e);
  return a * a * a * n * n;
}

// Unit vectors towards the ascending node and 90 degrees ahead of it in the
// orbit plane.
struct OrbitAxes {
  double node[3];
  double ahead[3];
};

OrbitAxes orbitAxes(double i, double node) {
  const double cn = std::cos(node), sn = std::sin(node), ci = std::cos(i);
  const double si = std::sin(i);
  return {{cn, sn, 0.0}, {-ci * sn, ci * cn, si}};
}

}  // namespace

double periapsisDistance(double gm, double n, double e) {
  if (!(n > 0.0)) return 0.0;
  // Parabolic: n = 3 sqrt(GM / (2 q^3)), the rate of tan^3(nu/2) + 3 tan(nu/2).
  if (e == 1.0) return std::cbrt(4.5 * gm / (n * n));
  return std::fabs(1.0 - e) * std::cbrt(gm / (n * n));
}

void solveKepler(double* nu, double* r, double m, double e, double q) {
  e = std::fabs(e);
  double trueAnomaly, radius;
  if (e < 1.0) {
    const double ecc = solveElliptic(m, e);
    trueAnomaly = reduceAnomaly(
        2.0 * std::atan(std::sqrt((1.0 + e) / (1.0 - e)) * std::tan(ecc / 2.0)));
    radius = (1.0 + e) * q / (1.0 + e * std::cos(trueAnomaly));
  } else if (e == 1.0) {
    const double x = solveParabolic(m);
    trueAnomaly = 2.0 * std::atan(x);
    radius = q * (1.0 + x * x);
  } else {
    const double h = solveHyperbolic(m, e);
    trueAnomaly =
        2.0 * std::atan(std::sqrt((e + 1.0) / (e - 1.0)) * std::tanh(h / 2.0));
    radius = (1.0 + e) * q / (1.0 + e * std::cos(trueAnomaly));
  }
  *nu = trueAnomaly;
  *r = radius;
}

void orbitPosition(double* x, double* y, double* z, double q, double e,
                   double i, double omega, double node, double m) {
  double position[3];
  orbitPositionVector(position, q, e, i, omega, node, m);
  *x = position[0];
  *y = position[1];
  *z = position[2];
}

void orbitPositionVector(double position[3], double q, double e, double i,
                         double omega, double node, double m) {
  double nu, r;
  solveKepler(&nu, &r, m, e, q);
  const OrbitAxes axes = orbitAxes(i, node);
  const double u = nu + omega;
  for (int k = 0; k < 3; ++k)
    position[k] = r * (std::cos(u) * axes.node[k] + std::sin(u) * axes.ahead[k]);
}

void orbitState(double* x, double* y, double* z, double* vx, double* vy,
                double* vz, double* gm, double q, double e, double i,
                double omega, double node, double m, double n) {
  double position[3], velocity[3];
  orbitStateVectors(position, velocity, gm, q, e, i, omega, node, m, n);
  *x = position[0];
  *y = position[1];
  *z = position[2];
  *vx = velocity[0];
  *vy = velocity[1];
  *vz = velocity[2];
}

void orbitStateVectors(double position[3], double velocity[3], double* gm,
                       double q, double e, double i, double omega,
                       double node, double m, double n) {
  const double mu = impliedGM(q, e, n);
  double nu, r;
  solveKepler(&nu, &r, m, e, q);
  const double h = std::sqrt((1.0 + e) * q * mu);
  const double radialRate = h * e * std::sin(nu) / ((1.0 + e) * q);
  const OrbitAxes axes = orbitAxes(i, node);
  const double u = nu + omega, cu = std::cos(u), su = std::sin(u);
  for (int k = 0; k < 3; ++k) {
    const double radial = cu * axes.node[k] + su * axes.ahead[k];
    const double transverse = -su * axes.node[k] + cu * axes.ahead[k];
    position[k] = r * radial;
    velocity[k] = radialRate * radial + (h / r) * transverse;
  }
  if (gm) *gm = mu;
}

void elementsFromState(double* q, double* e, double* i, double* omega,
                       double* node, double* m, double* n, double x, double y,
                       double z, double vx, double vy, double vz, double gm) {
  const double position[3] = {x, y, z}, velocity[3] = {vx, vy, vz};
  elementsFromStateVectors(position, velocity, q, e, i, omega, node, m, n, gm);
}

void elementsFromStateVectors(const double position[3],
                              const double velocity[3], double* q, double* e,
                              double* i, double* omega, double* node,
                              double* m, double* n, double gm) {
  double h[3];
  vectorCross(position, velocity, h);
  const double hLength = vectorLength(h);
  const double r = vectorLength(position);
  const double rv = vectorDot(position, velocity);
  const double p = hLength * hLength / gm;
  const double a = 1.0 / (2.0 / r - vectorDot(velocity, velocity) / gm);

  // The eccentricity vector keeps e accurate near 0, where sqrt(1 - p/a)
  // would turn rounding of order 1e-16 into an eccentricity of 1e-8.
  double eVector[3];
  vectorCross(velocity, h, eVector);
  vectorScaleAdd(position, vectorScale(eVector, 1.0 / gm), eVector, -1.0 / r);
  double ecc = vectorLength(eVector);
  if (std::fabs(ecc - 1.0) < kParabolicBand) ecc = 1.0;
  if (ecc < kCircularLimit) ecc = 0.0;

  // e cos nu and e sin nu from the radius and the radial rate; the arc
  // cosine of their ratio would lose half the digits near periapsis.
  const double nu = ecc == 0.0 ? 0.0
                               : std::atan2(rv * hLength / (gm * r), p / r - 1.0);
  double meanAnomaly, meanMotion;
  if (ecc < 1.0) {
    const double eccentric = std::atan2(std::sqrt(1.0 - ecc * ecc) * std::sin(nu),
                                        ecc + std::cos(nu));
    meanAnomaly = reduceAnomaly(eccentric - ecc * std::sin(eccentric));
    meanMotion = std::sqrt(gm / (a * a * a));
  } else if (ecc == 1.0) {
    const double t = std::tan(nu / 2.0);
    meanAnomaly = t * t * t + 3.0 * t;
    const double qp = p / 2.0;
    meanMotion = 3.0 * std::sqrt(gm / (2.0 * qp * qp * qp));
  } else {
    const double hyperbolic =
        2.0 * std::atanh(std::sqrt((ecc - 1.0) / (ecc + 1.0)) * std::tan(nu / 2.0));
    meanAnomaly = ecc * std::sinh(hyperbolic) - hyperbolic;
    meanMotion = std::sqrt(-gm / (a * a * a));
  }

  // Node and argument of latitude from the node direction and the
  // direction 90 degrees ahead of it: unlike a division by h_z this holds
  // for polar orbits, and an equatorial orbit (node 0) keeps its position.
  const double inclination = std::atan2(std::hypot(h[0], h[1]), h[2]);
  const double nodeLongitude =
      h[0] == 0.0 && h[1] == 0.0 ? 0.0 : reduceAnomaly(std::atan2(h[0], -h[1]));
  const OrbitAxes axes = orbitAxes(inclination, nodeLongitude);
  const double u = std::atan2(vectorDot(position, axes.ahead),
                              vectorDot(position, axes.node));
  const double periapsis = reduceAnomaly(u - nu);

  *q = p / (1.0 + ecc);
  *e = ecc;
  *i = inclination;
  *omega = periapsis;
  *node = nodeLongitude;
  *m = meanAnomaly;
  *n = meanMotion;
}

void rotateOrbitOrientation(const double matrix[9], double* i, double* omega,
                            double* node) {
  const double ci = std::cos(*i), si = std::sin(*i);
  const double cw = std::cos(*omega), sw = std::sin(*omega);
  const double cn = std::cos(*node), sn = std::sin(*node);
  double periapsis[3] = {cw * cn - sw * ci * sn, cw * sn + sw * ci * cn, sw * si};
  double normal[3] = {si * sn, -si * cn, ci};
  matrixTimesVector(matrix, periapsis);
  matrixTimesVector(matrix, normal);

  const double s = std::hypot(normal[0], normal[1]);
  const double sinNode = s == 0.0 ? 0.0 : normal[0] / s;
  const double cosNode = s == 0.0 ? 1.0 : -normal[1] / s;
  // omega is measured towards the direction 90 degrees ahead of the node,
  // (-cos i sin node, cos i cos node, sin i): exact at every inclination.
  const double sinOmega = -normal[2] * sinNode * periapsis[0] +
                          normal[2] * cosNode * periapsis[1] + s * periapsis[2];
  const double cosOmega = periapsis[0] * cosNode + periapsis[1] * sinNode;
  *i = positiveAtan2(s, normal[2]);
  *node = positiveAtan2(sinNode, cosNode);
  *omega = positiveAtan2(sinOmega, cosOmega);
}

void orbitProjectedPosition(double* r, double* rho, double* lambda, double m,
                            double a, double e, double i, double omega,
                            double node) {
  double nu, radius;
  solveKepler(&nu, &radius, m, e, (1.0 - e) * a);
  const double u = nu + omega, ci = std::cos(i);
  const double su = std::sin(u), cu = std::cos(u);
  *r = radius;
  *rho = radius * std::sqrt(ci * ci * su * su + cu * cu);
  *lambda = normalizeRadians(std::atan2(ci * su, cu) + node);
}
