// Orbital elements and element frames of the bodies by identifier: a
// dedicated theory where one exists, else the body table's mean elements.
#pragma once

// The moon's elements at jd: a (AU), e, i, argument of periapsis, node and
// mean anomaly (radians; from a table row the three angles lie in
// [0, 2 pi), from a theory omega is a difference of two reduced angles),
// n (radians per day). Returns 1, or 0 when the identifier has neither a
// theory nor a row (nothing is written then).
int moonOrbitByBodyId(int identifier, double* a, double* e, double* i,
                      double* omega, double* node, double* m, double* n,
                      double jd);

// The rotation from the moon's element frame to the J2000 equator. Returns
// 1, or 0 for an identifier above 905, without a row, or of the Sun or a
// planet.
int moonFrameByBodyId(int identifier, double matrix[9], double jd);

// The planet's mean elements (1 Mercury ... 9 Pluto); 0 for any other
// number, with nothing written.
int planetElementsByNumber(int number, double* a, double* e, double* i,
                           double* omega, double* node, double* m, double* n,
                           double jd);
