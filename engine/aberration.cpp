#include "engine/aberration.h"

#include <cmath>

#include "engine/calendar.h"
#include "engine/earth_velocity_terms.h"

void earthVelocitySeries(double* vx, double* vy, double* vz, double jd) {
  double T = (jd - kJ2000) / 36525.0;
  double arguments[kEarthVelocityArguments];
  for (int i = 0; i < kEarthVelocityArguments; ++i)
    arguments[i] = kEarthVelocityArgumentRows[i].atJ2000 +
                   kEarthVelocityArgumentRows[i].perCentury * T;
  double v[3] = {0, 0, 0};
  for (const EarthVelocityTerm& term : kEarthVelocityTerms) {
    double a = 0;
    for (int i = 0; i < kEarthVelocityArguments; ++i)
      a += term.multiple[i] * arguments[i];
    double s = std::sin(a), c = std::cos(a);
    for (int axis = 0; axis < 3; ++axis)
      v[axis] += (term.sine[axis][0] + term.sine[axis][1] * T) * s +
                 (term.cosine[axis][0] + term.cosine[axis][1] * T) * c;
  }
  if (vx) *vx = v[0] * 1e-8;
  if (vy) *vy = v[1] * 1e-8;
  if (vz) *vz = v[2] * 1e-8;
}

void relativisticAberration(const double p[3], const double v[3], double out[3]) {
  double length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
  double d = length > 0 ? (p[0] * v[0] + p[1] * v[1] + p[2] * v[2]) / length : 0;
  double g = std::sqrt(1 - (v[0] * v[0] + v[1] * v[1] + v[2] * v[2]));
  double along = length * (1 + d / (1 + g));
  double in[3] = {p[0], p[1], p[2]};
  for (int i = 0; i < 3; ++i) out[i] = (g * in[i] + along * v[i]) / (1 + d);
}
