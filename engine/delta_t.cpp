#include "engine/delta_t.h"

#include <cmath>

#include "engine/calendar.h"
#include "engine/delta_t_eras.h"

double deltaT(double jd) {
  // Half a month earlier, as the published expressions take the middle of
  // the month as year + (month - 0.5) / 12.
  double y = julianDateToYear(jd) - 1.0 / 24.0;
  double u = (y - 1820) / 100;
  double base = -20 + 32 * u * u;
  if (!(y >= kDeltaTEras[0].from)) return base;
  if (y >= 2150) return base;
  if (y >= kDeltaTErasEnd) return base - 0.5628 * (2150 - y);
  int i = kDeltaTEraCount - 1;
  while (y < kDeltaTEras[i].from) --i;
  const DeltaTEra& era = kDeltaTEras[i];
  double t = (y - era.origin) / era.scale;
  double sum = 0;
  for (int k = era.count - 1; k >= 0; --k) sum = sum * t + era.c[k];
  if (era.extraPower) sum += std::pow(t, era.extraPower) / era.extraDivisor;
  return sum;
}
