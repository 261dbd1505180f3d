// Directions of the observer's horizon system from ERFA: hour angle and
// declination of date turned with the apparent sidereal time and the
// transpose of the IAU 2006/2000A precession-nutation matrix, for checks
// of the chart's horizon frame that share none of its code.
#pragma once

namespace chart_test {

// J2000 unit vector of azimuth (from north through east) and altitude,
// radians, at UT `jdUT`, east longitude and latitude (radians); TT is
// taken 69 s after UT.
void horizonDirection(double jdUT, double longitude, double latitude, double azimuth,
                      double altitude, double out[3]);

// Refraction (radians) at apparent altitude 0 for 1010 mbar and 10 C:
// Bennett (1982), cot(h + 7.31 / (h + 4.4)) arcminutes with h in degrees.
double horizonRefraction();

}  // namespace chart_test
