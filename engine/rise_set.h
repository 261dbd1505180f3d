// Rise, transit and set of a moving body within one local day.
#pragma once

// Writes the body's apparent right ascension and declination (radians) at
// `jd` (UT).
using PositionFunction = void (*)(double* ra, double* dec, void* context,
                                  double jd);

enum RiseTransitSetKind { kRise = -1, kTransit = 0, kSet = 1 };

// Hour angle (radians) at which a body of declination `dec` stands at
// altitude `h0` for latitude `lat`: 0 when it never reaches h0, pi when it
// never goes below it.
double riseSetHourAngle(double h0, double lat, double dec);

// One refinement of the event time from the body's place at `jd`: +inf for a
// rise or set of a body that never goes below h0, -inf for any event of a
// body that never reaches it.
double riseTransitSetStep(int kind, double ra, double dec, double jd,
                          double lon, double lat, double h0);

// Refines the event near `jd` until a step changes it by no more than
// `tolerance` days, turns infinite, or `limit` positions have been taken.
double iterateRiseTransitSet(PositionFunction position, void* context,
                             int kind, int limit, double jd, double lon,
                             double lat, double h0, double tolerance);

// The event within the local day (zone in days) that contains `jd`; a rise
// that does not happen that day is -inf, a transit or set +inf.
double riseTransitSet(PositionFunction position, void* context, int kind,
                      int limit, double jd, double zone, double lon,
                      double lat, double h0, double tolerance);
