#include "engine/rise_set.h"

#include <cmath>

#include "engine/angles.h"
#include "engine/sidereal_time.h"

double riseSetHourAngle(double h0, double lat, double dec) {
  double c = (std::sin(h0) - std::sin(lat) * std::sin(dec)) /
             (std::cos(lat) * std::cos(dec));
  if (c >= 1) return 0;
  if (c <= -1) return kPi;
  return std::acos(c);
}

double riseTransitSetStep(int kind, double ra, double dec, double jd,
                          double lon, double lat, double h0) {
  double h = riseSetHourAngle(h0, lat, dec);
  if (kind != kTransit && h == kPi) return INFINITY;
  if (h == 0) return -INFINITY;
  double d = kind * h + ra - localSiderealTime(jd, lon);
  if (!std::isfinite(d)) return NAN;
  d = std::remainder(d, kTwoPi);  // into [-pi, pi]
  return jd + d / kTwoPi / kSiderealRate;
}

double iterateRiseTransitSet(PositionFunction position, void* context,
                             int kind, int limit, double jd, double lon,
                             double lat, double h0, double tolerance) {
  for (int evaluations = 0;;) {
    double ra = 0, dec = 0;
    position(&ra, &dec, context, jd);
    double next = riseTransitSetStep(kind, ra, dec, jd, lon, lat, h0);
    bool settled = !(std::fabs(next - jd) > tolerance) || !std::isfinite(next);
    jd = next;
    if (settled || ++evaluations >= limit) return jd;
  }
}

double riseTransitSet(PositionFunction position, void* context, int kind,
                      int limit, double jd, double zone, double lon,
                      double lat, double h0, double tolerance) {
  double d0 = std::floor(jd - 0.5 + zone) + 0.5 - zone;
  double d1 = d0 + 1;
  double missing = kind == kRise ? -INFINITY : INFINITY;
  double t = iterateRiseTransitSet(position, context, kind, limit, d0 + 0.5,
                                   lon, lat, h0, tolerance);
  if (t >= d0 && t <= d1) return t;
  double retry;
  if (t > d1) {
    retry = d0 - 0.5;
  } else if (t < d0) {
    retry = d1 + 0.5;
  } else {
    return missing;  // not a number: the position function gave none
  }
  t = iterateRiseTransitSet(position, context, kind, limit, retry, lon, lat,
                            h0, tolerance);
  return t >= d0 && t <= d1 ? t : missing;
}
