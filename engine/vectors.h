// Spherical and rectangular coordinates and three-vector arithmetic.
//
// A vector is three doubles (x, y, z). Longitudes run from +x towards +y,
// latitudes from the equator towards +z, both in radians. Functions that
// write into one of their own inputs work through a temporary, so outputs
// may alias inputs.
#pragma once

void sphericalToRectangular(double* x, double* y, double* z, double lon,
                            double lat, double r);
void sphericalToVector(double v[3], double lon, double lat, double r);

// lon in [0, 2pi); lat 0 for the zero vector; any output may be null.
void rectangularToSpherical(double* lon, double* lat, double* r, double x,
                            double y, double z);
void vectorToSpherical(const double v[3], double* lon, double* lat, double* r);

// Position and velocity from spherical coordinates and their time rates
// (any consistent time unit).
void sphericalToRectangularWithRates(double* x, double* y, double* z,
                                     double* vx, double* vy, double* vz,
                                     double lon, double lat, double r,
                                     double dlon, double dlat, double dr);

// The inverse; all six outputs are 0 at the origin and on the z axis, where
// longitude and its rate are undefined. Any output may be null.
void rectangularToSphericalWithRates(double* lon, double* lat, double* r,
                                     double* dlon, double* dlat, double* dr,
                                     double x, double y, double z, double vx,
                                     double vy, double vz);
void vectorsToSphericalWithRates(const double position[3],
                                 const double velocity[3], double* lon,
                                 double* lat, double* r, double* dlon,
                                 double* dlat, double* dr);

double vectorLength(const double a[3]);
double vectorDistance(const double a[3], const double b[3]);
double vectorDot(const double a[3], const double b[3]);

// out = a - b, a + b, s a + b, a x b; each returns out.
double* vectorSubtract(const double a[3], const double b[3], double out[3]);
double* vectorAdd(const double a[3], const double b[3], double out[3]);
double* vectorScaleAdd(const double a[3], const double b[3], double out[3],
                       double s);
double* vectorCross(const double a[3], const double b[3], double out[3]);

// dst = src; returns dst.
double* vectorCopy(double dst[3], const double src[3]);

// v = s v in place; returns v.
double* vectorScale(double v[3], double s);

// Makes v a unit vector and returns its former length; a vector of length
// not greater than 0 (or NaN) is left as it is.
double vectorNormalize(double v[3]);
