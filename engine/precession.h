// Precession, mean obliquity and nutation of the Earth's equator, and the
// matrices between the mean equator and equinox of one date and the mean or
// true equator and equinox of another.
//
// Angles are radians, dates Julian dates (TT) in days. Matrices are 3x3
// row-major and rotate vectors of the frame of the first date into the frame
// of the second: v1 = M v0.
#pragma once

inline constexpr double kArcsecondsPerRadian = 206264.80624714843;

// IAU 1976 precession quantities (Lieske et al. 1977, A&A 58, 1) from the
// equinox of jd0 to that of jd1: the equatorial angles zeta, z and theta,
// the inclination pi of the ecliptic of jd1 on that of jd0, the longitude Pi
// of its node (measured from the equinox of jd0) and the general precession
// in longitude p. Any output may be null.
void precessionAngles(double* zeta, double* z, double* theta, double* pi,
                      double* bigPi, double* p, double jd0, double jd1);

// Mean obliquity of the ecliptic at jd, IAU 1980 (84381.448" at J2000).
double meanObliquity(double jd);

// Nutation in longitude and obliquity at jd: the four largest terms of the
// IAU 1980 series (accurate to about 0.5" and 0.1"). Either output may be
// null.
void nutationAngles(double* dpsi, double* deps, double jd);

// Equation of the equinoxes at jd: the nutation in longitude times the
// cosine of the true obliquity (the long-term mean obliquity plus the
// nutation in obliquity), radians. Greenwich apparent sidereal time is the
// mean sidereal time of UT plus this.
double equationOfEquinoxes(double jd);

// IAU 1976 precession from the mean equator and equinox of jd0 to those of
// jd1, then with `nutation` non-zero from the mean to the true equator and
// equinox of jd1.
void precessionMatrix(double m[9], int nutation, double jd0, double jd1);

// The long-term precession angles at jd from the table: chi along the
// equator of date, omega the inclination of the equator of date on the J2000
// ecliptic, psi along the J2000 ecliptic, and epsilon the mean obliquity of
// date. Valid for +-200,000 years; the table runs on smoothly to +-500,000
// years and past that extrapolates its end rows. Any output may be null.
void longTermPrecessionAngles(double* chi, double* omega, double* psi,
                              double* epsilon, double jd);

// Precession by the long-term angles from the mean equator and equinox of
// jd0 to those of jd1 (through J2000), then with `nutation` non-zero to the
// true equator and equinox of jd1.
void longTermPrecessionMatrix(double m[9], int nutation, double jd0, double jd1);
