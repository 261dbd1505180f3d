// Polynomial eras of Delta-T (table in delta_t_eras.cpp).
#pragma once

struct DeltaTEra {
  double from;        // first year of the era
  double origin;      // t = (year - origin) / scale
  double scale;
  int count;          // coefficients in rising powers of t
  double c[8];
  // Extra terms written as t^power / divisor in the published expressions.
  int extraPower;
  double extraDivisor;
};

extern const DeltaTEra kDeltaTEras[];
extern const int kDeltaTEraCount;
// The era table covers [kDeltaTEras[0].from, kDeltaTErasEnd).
extern const double kDeltaTErasEnd;
