// Rotations between the equator and the ecliptic, galactic coordinates and
// the observer's horizon.
//
// `direction` >= 1 rotates from the equator into the other frame, < 1 back.
// Matrices are 3x3 row-major: v_to = M v_from.
#pragma once

// About the equinox by the obliquity `eps` (radians).
void eclipticMatrix(double m[9], int direction, double eps);

// Between the mean equator and equinox of `jd` and galactic coordinates: IAU
// 1976 precession to B1950, then the IAU 1958 galactic pole (RA 192.25,
// Dec 27.4 degrees, B1950) and node (longitude of the pole 123 degrees).
void galacticMatrix(double m[9], int direction, double jd);

// Between the equator of date and the horizon at local sidereal time `lst`
// and latitude `lat` (radians). The horizon frame has x towards the north
// point, y towards the east point and z at the zenith, so that its longitude
// is the azimuth from north through east.
void horizonMatrix(double m[9], int direction, double lst, double lat);
