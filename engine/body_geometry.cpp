// Apparent sizes, phase and ray-spheroid intersection.

#include "engine/body_geometry.h"

#include <algorithm>
#include <cmath>

#include "engine/angles.h"
#include "engine/vectors.h"

double angularDiameter(double diameter, double distance) {
  if (diameter == 0.0) return 0.0;
  if (diameter / 2.0 > distance) return kTwoPi;
  return 2.0 * std::asin(diameter / 2.0 / distance);
}

double angularRadius(double radius, double distance) {
  if (radius == 0.0) return 0.0;
  if (radius > distance) return kPi;
  return std::asin(radius / distance);
}

double vectorAngle(const double a[3], const double b[3]) {
  const double lengths = vectorLength(a) * vectorLength(b);
  if (!(lengths > 0.0)) return 0.0;
  const double c = vectorDot(a, b) / lengths;
  if (c < -1.0) return kPi;
  if (c > 1.0) return 0.0;
  return std::acos(c);
}

double illuminatedFraction(double phaseAngle) {
  return (1.0 + std::cos(phaseAngle)) / 2.0;
}

double saturnRingTilt(const double vector[3], double length) {
  // The unit vector opposite to Saturn's pole, J2000 equator.
  static const double kAntiPole[3] = {-0.0856116575103, -0.0735337181506,
                                      -0.99361131052};
  // Rounding can carry the cosine just past 1 for a view along the pole.
  const double c = std::clamp(vectorDot(vector, kAntiPole) / length, -1.0, 1.0);
  return kHalfPi - std::acos(c);
}

int intersectRaySpheroid(const double origin[3], const double direction[3],
                         const double centre[3], double* t, double point[3],
                         double r, double f) {
  double o[3];
  vectorSubtract(origin, centre, o);
  // A body behind the origin is never hit.
  if (-vectorDot(o, direction) < 0.0) return 0;
  const double b = (1.0 - f) * r;
  const double b2 = b * b, r2 = r * r;
  const double* d = direction;
  const double qa = b2 * (d[0] * d[0] + d[1] * d[1]) + r2 * d[2] * d[2];
  const double qb = b2 * (d[0] * o[0] + d[1] * o[1]) + r2 * o[2] * d[2];
  const double qc = b2 * (o[0] * o[0] + o[1] * o[1] - r2) + r2 * o[2] * o[2];
  const double discriminant = qb * qb - qa * qc;
  if (!(qa > 0.0) || discriminant < 0.0) return 0;
  const double distance = -(qb + std::sqrt(discriminant)) / qa;
  if (t) *t = distance;
  if (point) vectorScaleAdd(direction, origin, point, distance);
  return 1;
}
