// The GUST86 theory of the five main Uranian satellites (Laskar and
// Jacobson 1987, A&A 188, 212) as published: fundamental arguments, the
// constants and periodic series of each satellite's four element groups,
// the gravitational parameters and the orientation of the theory's frame.
// Satellites in the theory's order: 0 Miranda, 1 Ariel, 2 Umbriel,
// 3 Titania, 4 Oberon.
#pragma once

#include <cstdint>

// The fundamental arguments of satellite k, with t in days from the epoch:
// N_k = fqn t + phn (radians); E_k and I_k = fq (degrees per year of
// kGust86DaysPerYear days, converted to radians) t + ph (radians).
struct Gust86Argument {
  double fqn, phn, fqe, phe, fqi, phi;
};

// One periodic term: amplitude (units of 1e-6) and the integer multipliers
// of the arguments N1..N5, E1..E5 and I1..I5.
struct Gust86Term {
  double amplitude;
  std::int8_t n[5], e[5], i[5];
};

struct Gust86Series {
  const Gust86Term* terms;
  int count;
};

// gm in km^3/s^2; n0 (rad/day), l0 (rad), l1 (rad/day) in units of 1e-6.
// meanMotion is summed with cosines, longitude with sines, z = k + i h and
// zeta = q + i p with complex exponentials of the term angles.
struct Gust86Satellite {
  double gm;
  double n0, l0, l1;
  Gust86Series meanMotion, longitude, z, zeta;
};

extern const double kGust86EpochJD;      // JD 2444239.5, dynamical time
extern const double kGust86DaysPerYear;  // of the slow arguments' rates
extern const Gust86Argument kGust86Arguments[5];
// GM of Uranus and the five satellites together, km^3/s^2.
extern const double kGust86TotalGm;
extern const Gust86Satellite kGust86Satellites[5];
// Pole of the theory's Uranian equatorial frame on the B1950 (FK4) equator;
// its x axis lies in that equator at right ascension pole - 90 degrees.
extern const double kGust86PoleRADegrees;
extern const double kGust86PoleDecDegrees;
// The FK4 to FK5 equinox correction the theory's distribution applies
// (a rotation about the pole of the B1950 equator), and the B1950 epoch
// from which it precesses to J2000.
extern const double kGust86EquinoxCorrectionArcsec;
extern const double kGust86FrameEpochJD;
