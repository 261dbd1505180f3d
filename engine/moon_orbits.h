// Analytic orbit theories of planetary moons.
//
// Each gives the elements at a Julian date: a (AU), e, i, the longitude of
// periapsis (for Charon the argument of periapsis), the node and the mean
// anomaly (radians, each in [0, 2 pi)), and the mean motion n (radians per
// day), referred to the plane of the theory's frame (engine/moon_frames.h).
#pragma once

void phobosOrbit(double* a, double* e, double* i, double* periapsis,
                 double* node, double* m, double* n, double jd);
void deimosOrbit(double* a, double* e, double* i, double* periapsis,
                 double* node, double* m, double* n, double jd);
// Saturn I-VIII: Mimas to Dione in Saturn's equator (saturnMoonFrame),
// Rhea to Iapetus in the B1950 ecliptic.
void mimasOrbit(double* a, double* e, double* i, double* periapsis,
                double* node, double* m, double* n, double jd);
void enceladusOrbit(double* a, double* e, double* i, double* periapsis,
                    double* node, double* m, double* n, double jd);
void tethysOrbit(double* a, double* e, double* i, double* periapsis,
                 double* node, double* m, double* n, double jd);
void dioneOrbit(double* a, double* e, double* i, double* periapsis,
                double* node, double* m, double* n, double jd);
void rheaOrbit(double* a, double* e, double* i, double* periapsis,
               double* node, double* m, double* n, double jd);
void titanOrbit(double* a, double* e, double* i, double* periapsis,
                double* node, double* m, double* n, double jd);
void hyperionOrbit(double* a, double* e, double* i, double* periapsis,
                   double* node, double* m, double* n, double jd);
void iapetusOrbit(double* a, double* e, double* i, double* periapsis,
                  double* node, double* m, double* n, double jd);
// Uranus I-V (GUST86, engine/uranian_moons.h): the mean elements of the
// theory in its Uranian equatorial frame of B1950, a from the mean motion.
void mirandaOrbit(double* a, double* e, double* i, double* periapsis,
                  double* node, double* m, double* n, double jd);
void arielOrbit(double* a, double* e, double* i, double* periapsis,
                double* node, double* m, double* n, double jd);
void umbrielOrbit(double* a, double* e, double* i, double* periapsis,
                  double* node, double* m, double* n, double jd);
void titaniaOrbit(double* a, double* e, double* i, double* periapsis,
                  double* node, double* m, double* n, double jd);
void oberonOrbit(double* a, double* e, double* i, double* periapsis,
                 double* node, double* m, double* n, double jd);
void tritonOrbit(double* a, double* e, double* i, double* periapsis,
                 double* node, double* m, double* n, double jd);
void nereidOrbit(double* a, double* e, double* i, double* periapsis,
                 double* node, double* m, double* n, double jd);
void charonOrbit(double* a, double* e, double* i, double* periapsis,
                 double* node, double* m, double* n, double jd);
