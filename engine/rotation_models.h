// Orientation of solar-system bodies: pole direction and prime meridian
// (after the IAU working group's rotation models), the body-fixed rotation
// matrix and the sub-observer point.
//
// Each rotation model writes the pole's right ascension and declination
// (radians, J2000 equator, not reduced), the prime-meridian angle W (radians)
// and its rate (radians per day) for a Julian date (TDB). The sign of W
// carries the longitude convention: the Sun, Venus, the Earth and the Moon
// give -W (longitudes counted eastward), the others +W. Any output may be
// null.
#pragma once

void sunRotation(double* ra, double* dec, double* w, double* rate, double jd);
void mercuryRotation(double* ra, double* dec, double* w, double* rate, double jd);
void venusRotation(double* ra, double* dec, double* w, double* rate, double jd);
void earthRotation(double* ra, double* dec, double* w, double* rate, double jd);
void marsRotation(double* ra, double* dec, double* w, double* rate, double jd);
// Jupiter's systems I, II and (any other number) III.
void jupiterRotation(double* ra, double* dec, double* w, double* rate, double jd,
                     int system);
// Saturn's system I, or (any other number) III.
void saturnRotation(double* ra, double* dec, double* w, double* rate, double jd,
                    int system);
void uranusRotation(double* ra, double* dec, double* w, double* rate, double jd);
void neptuneRotation(double* ra, double* dec, double* w, double* rate, double jd);
void plutoRotation(double* ra, double* dec, double* w, double* rate, double jd);
void moonRotation(double* ra, double* dec, double* w, double* rate, double jd);

// Constant pole and uniform rotation of the numbered minor bodies that have
// a model (1, 2, 4, 21, 243, 433, 511, 951, 25143, 134340). Returns 1, or 0
// without writing anything for any other number.
int rotationElementsAsteroid(long number, double* ra, double* dec, double* w,
                             double* rate, double jd);

// Direction >= 1: the matrix from the J2000 equator to the body-fixed frame
// of pole (ra, dec) and prime-meridian angle |w|; direction < 1: its inverse.
void bodyFixedMatrix(double matrix[9], int direction, double ra, double dec,
                     double w);

// The body-fixed longitude and latitude at which the reversed vector meets
// the body (for an observer-to-body vector, the sub-observer point), with
// longitudes counted the other way for w > 0; and the position angle of the
// body's north pole as seen along the vector. Any output may be null.
void subPointOnBody(const double vector[3], double* lon, double* lat,
                    double* poleAngle, double ra, double dec, double w);
