// Greenwich mean and local sidereal time.
#pragma once

// Ratio of the mean sidereal to the mean solar day.
inline constexpr double kSiderealRate = 1.00273790934;

// Greenwich mean sidereal time at `jd` (UT), radians in [0, 2pi), from the
// IAU 1982 expression evaluated at the preceding 0h UT. The square and cube
// terms are held at their values for +-100 centuries beyond that span.
double meanSiderealTime(double jd);

// Local mean sidereal time at east longitude `lon` (radians), [0, 2pi).
double localSiderealTime(double jd, double lon);
