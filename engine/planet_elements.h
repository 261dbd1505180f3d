// Approximate mean Keplerian elements of the nine planets (Standish, JPL):
// the 1800-2050 table near the present, the 3000 BC - 3000 AD table with
// its extra mean-anomaly terms elsewhere.
//
// Each function gives, for a Julian date (TDB): a in AU; e; i, omega
// (argument of perihelion) and node in radians, referred to the ecliptic and
// equinox of J2000.0; M, the mean anomaly; n in radians per day. omega and
// M are in [0, 2pi), node is not reduced. earthElements describes the
// Earth-Moon barycentre.
#pragma once

void mercuryElements(double* a, double* e, double* i, double* omega,
                     double* node, double* m, double* n, double jd);
void venusElements(double* a, double* e, double* i, double* omega,
                   double* node, double* m, double* n, double jd);
void earthElements(double* a, double* e, double* i, double* omega,
                   double* node, double* m, double* n, double jd);
void marsElements(double* a, double* e, double* i, double* omega,
                  double* node, double* m, double* n, double jd);
void jupiterElements(double* a, double* e, double* i, double* omega,
                     double* node, double* m, double* n, double jd);
void saturnElements(double* a, double* e, double* i, double* omega,
                    double* node, double* m, double* n, double jd);
void uranusElements(double* a, double* e, double* i, double* omega,
                    double* node, double* m, double* n, double jd);
void neptuneElements(double* a, double* e, double* i, double* omega,
                     double* node, double* m, double* n, double jd);
void plutoElements(double* a, double* e, double* i, double* omega,
                   double* node, double* m, double* n, double jd);
