// Coefficient tables of the abridged lunar theory and of the lunar phases.
#pragma once

#include <cstdint>

// c0 + c1 T + c2 T^2 + c3 T^3 + c4 T^4 degrees, T in Julian centuries.
struct MeanArgumentPolynomial {
  double c[5];
};

// Node, D, M, M', F and the mean longitude L', in that order.
extern const MeanArgumentPolynomial kLunarMeanArguments[6];

// Multipliers of D, M, M', F; longitude in 1e-6 degree (sine), distance in
// 1e-3 km (cosine).
struct LunarLongitudeTerm {
  int64_t d, m, mp, f, longitude, distance;
};
extern const LunarLongitudeTerm kLunarLongitudeTerms[60];

// Multipliers of D, M, M', F; latitude in 1e-6 degree (sine).
struct LunarLatitudeTerm {
  int64_t d, m, mp, f, latitude;
};
extern const LunarLatitudeTerm kLunarLatitudeTerms[60];

// Correction of a mean phase: multipliers of M, M', F, the power of E that
// multiplies it, and its sine coefficient in days for new moon, full moon
// and the quarters.
struct LunarPhaseTerm {
  int32_t m, mp, f, ePower;
  double days[3];
};
extern const LunarPhaseTerm kLunarPhaseTerms[25];

// amplitude (days) x sin(base + rate x k), degrees.
struct LunarPlanetaryTerm {
  double base, rate, amplitude;
};
extern const LunarPlanetaryTerm kLunarPlanetaryTerms[14];
