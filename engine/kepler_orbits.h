// Two-body (conic) motion: Kepler's equation for elliptic, parabolic and
// hyperbolic orbits, position and velocity from elements and back, and the
// re-orientation of an orbit into another frame.
//
// Elements, in the order every function takes them: q periapsis distance;
// e eccentricity (e = 1 exactly is parabolic); i inclination; omega argument
// of periapsis; node longitude of the ascending node; M mean anomaly (for
// e = 1 the parabolic anomaly tan^3(nu/2) + 3 tan(nu/2), for e > 1 the
// hyperbolic mean anomaly e sinh H - H); n mean motion. Angles in radians;
// any consistent units of length and time (those of q, n and GM). Positions
// and velocities are rectangular in the frame of the reference plane of i
// and node.
#pragma once

// Periapsis distance of an orbit with mean motion n about a body of
// gravitational parameter GM; 0 when n <= 0.
double periapsisDistance(double gm, double n, double e);

// True anomaly (in [0, 2pi) for e < 1) and radius at mean anomaly M; |e|
// is used.
void solveKepler(double* nu, double* r, double m, double e, double q);

void orbitPosition(double* x, double* y, double* z, double q, double e,
                   double i, double omega, double node, double m);
void orbitPositionVector(double position[3], double q, double e, double i,
                         double omega, double node, double m);

// Position and velocity, and in *gm the GM that q, e and n imply.
void orbitState(double* x, double* y, double* z, double* vx, double* vy,
                double* vz, double* gm, double q, double e, double i,
                double omega, double node, double m, double n);
void orbitStateVectors(double position[3], double velocity[3], double* gm,
                       double q, double e, double i, double omega,
                       double node, double m, double n);

// Osculating elements of a state. An eccentricity within 1e-6 of 1 comes
// back as exactly 1 (parabolic); a circular orbit has nu = 0 and its whole
// argument of latitude in omega; an equatorial one has node 0. Elliptic M
// is in [0, 2pi); omega always is.
void elementsFromState(double* q, double* e, double* i, double* omega,
                       double* node, double* m, double* n, double x, double y,
                       double z, double vx, double vy, double vz, double gm);
void elementsFromStateVectors(const double position[3],
                              const double velocity[3], double* q, double* e,
                              double* i, double* omega, double* node,
                              double* m, double* n, double gm);

// Re-expresses i, omega and node (in place) in the frame into which the
// matrix rotates vectors of the orbit's present frame; i in [0, pi], omega
// and node in [0, 2pi).
void rotateOrbitOrientation(const double matrix[9], double* i, double* omega,
                            double* node);

// Radius, the radius projected on the reference plane, and the longitude
// on that plane, in [0, 2pi), of an elliptic orbit of semi-major axis a.
void orbitProjectedPosition(double* r, double* rho, double* lambda, double m,
                            double a, double e, double i, double omega,
                            double node);
