// The Moon: the abridged series theory (60 + 60 terms of ELP-2000/82 as
// abridged by Meeus), the times of the lunar phases, low-precision Sun and
// Moon formulas, ecliptic-to-equatorial vectors and the Moon's mean orbit.
//
// Julian dates are in dynamical time; T counts Julian centuries from
// J2000.0. Angles are radians; distances are in Earth radii of 6378.14 km
// unless stated.
#pragma once

// The Moon's mean elongation D, the Sun's mean anomaly M, the Moon's mean
// anomaly M', its argument of latitude F and the longitude of its mean
// ascending node, in [0, 2pi); and the eccentricity factor E of the Earth's
// orbit.
void lunarMeanArguments(double* node, double* d, double* m, double* mp,
                        double* f, double* e, double t);

// Geocentric ecliptic longitude in [0, 2pi) and latitude, referred to the
// mean equinox of date (no nutation), and distance.
void moonPositionAbridged(double* longitude, double* latitude, double* distance,
                          double jd);

// Julian date (dynamical time) of the first phase of the given kind (0 new
// moon, 1 first quarter, 2 full moon, 3 last quarter) whose mean time is at
// or after jd. The true time can lie a fraction of a day before jd.
double lunarPhaseTime(int phase, double jd);

// Apparent geocentric ecliptic longitude of the Sun and its distance in AU
// (latitude 0), good to about 0.01 degree over 1950-2050. Any output may be
// null.
void sunPositionLowPrecision(double* longitude, double* latitude,
                             double* distance, double jd);
// The Moon to a few tenths of a degree; distance in Earth radii. Any output
// may be null.
void moonPositionLowPrecision(double* longitude, double* latitude,
                              double* distance, double jd);

// Equatorial rectangular vector (mean obliquity of date, low precision) of
// an ecliptic position.
void eclipticToEquatorialVector(double vector[3], double jd, double longitude,
                                double latitude, double distance);

// Mean orbit of the Moon about the Earth: a in AU, e, i, longitude of
// perigee, node and mean anomaly (all three in [0, 2pi)), n in radians per
// day.
void lunarMeanOrbit(double* a, double* e, double* i, double* perigee,
                    double* node, double* m, double* n, double jd);
