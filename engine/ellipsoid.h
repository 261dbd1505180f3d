// Positions on a reference ellipsoid (a body's equatorial radius `a` and
// flattening `f`) and the velocity of a point carried round by its rotation.
// Lengths are in the caller's unit; angles in radians.
#pragma once

// The Earth's equatorial radius in km (6378.14, the IAU 1976 value rounded
// as the lunar series and the city distances use it) and in AU, its
// flattening, and its rotation rate in radians per day.
inline constexpr double kEarthEquatorialRadiusKm = 6378.14;
inline constexpr double kEarthEquatorialRadiusAU = 4.2635232707524516e-5;
inline constexpr double kEarthFlattening = 0.0033528131778969143;
inline constexpr double kEarthRotationRate = 6.300387487008;

// Body-centred position of the point at rotation angle (longitude) `theta`,
// geodetic latitude `phi` and height `h` above the ellipsoid.
void geodeticToRectangular(double* x, double* y, double* z, double theta,
                           double phi, double h, double a, double f);

// Longitude in [0, 2pi), geodetic latitude and height of a body-centred
// position. On the polar axis the latitude is +-pi/2 and the height is
// measured from the pole; at the centre both are 0 and the height is -a.
// Any output may be null.
void rectangularToGeodetic(double* lon, double* lat, double* h, double x,
                           double y, double z, double a, double f);

// Velocity of the point of geodeticToRectangular for a body turning at
// `rate` radians per unit of time about its z axis.
void observerRotationVelocity(double* vx, double* vy, double* vz, double theta,
                              double phi, double h, double a, double f,
                              double rate);
