// Compact low-precision series of the Sun and Jupiter of Van Flandern and
// Pulkkinen (1979), stated good to about 1' within a few centuries of the
// present (Jupiter: 1' over 1800-2200, 28" over 1900-2100): quick
// positions for the search of Jupiter's phenomena.
//
// Positions are ecliptic longitude in [0, 2pi) and latitude in radians,
// referred to the mean equinox of date, and distance in AU; jd in dynamical
// time.
#pragma once

#include <cstdint>

// A fundamental argument: revolutions at J2000.0 and revolutions per day.
struct CompactArgument {
  double revolutions;
  double perDay;
};

// amplitude x sin or cos(sum of multiplier x argument) x T1^power, T1 in
// Julian centuries from 1900.0.
struct CompactTerm {
  float amplitude;
  int8_t power;
  int8_t kind;  // 1 sine, anything else cosine
  int8_t multipliers[8];
};

extern const CompactArgument kSunCompactArguments[8];
extern const CompactTerm kSunCompactTerms[16];
extern const CompactArgument kJupiterCompactArguments[8];
extern const CompactTerm kJupiterCompactTerms[84];

// Sum of terms first..last (inclusive) at the given argument angles
// (radians); 0 when first > last.
double compactSeriesSum(const double arguments[8], const CompactTerm* table,
                        int first, int last, double t1);

// The Sun's geocentric position.
void sunCompactSeries(double* l, double* b, double* r, double jd);
// The Earth's heliocentric position: the Sun's turned around.
void earthCompactSeries(double* l, double* b, double* r, double jd);
// Jupiter's heliocentric position.
void jupiterCompactSeries(double* l, double* b, double* r, double jd);
