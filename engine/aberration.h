// Annual aberration: the Earth's velocity and the aberration of a direction.
#pragma once

// Barycentric velocity of the Earth at jd (TT) in AU per day, mean equator
// and equinox of J2000: the largest terms of the series of Ron and Vondrak
// (1986, Bull. Astron. Inst. Czechosl. 37, 96). Accurate to about 1e-7 AU/day.
void earthVelocitySeries(double* vx, double* vy, double* vz, double jd);

// Direction p as seen by an observer moving with velocity v (in units of the
// speed of light), with the Lorentz factor; the result keeps the length of
// p. `out` may be p.
void relativisticAberration(const double p[3], const double v[3], double out[3]);
