// Apparent sizes, phase, Saturn's ring tilt and the ray-spheroid
// intersection used for shadows and eclipses.
#pragma once

// Apparent diameter of a body of the given diameter at the given distance
// (same unit); 2pi as stored for an observer inside the body, 0 for
// diameter 0.
double angularDiameter(double diameter, double distance);
// Apparent radius; pi as stored for an observer inside the body.
double angularRadius(double radius, double distance);
// Angle between two vectors of any length, in [0, pi]; 0 when either has no
// length.
double vectorAngle(const double a[3], const double b[3]);
// Illuminated fraction of the disc at the given phase angle.
double illuminatedFraction(double phaseAngle);
// Saturnicentric latitude of the observer on the ring plane, for the
// J2000 equatorial vector from the observer to Saturn and its length.
double saturnRingTilt(const double vector[3], double length);

// The nearer crossing of the ray origin + t direction with the spheroid of
// equatorial radius r and flattening f centred on `centre`, polar axis along
// z. Returns 1 and writes t (in units of |direction|) and the point, or 0
// when the ray misses, points away from the centre or has no direction.
// Either output may be null.
int intersectRaySpheroid(const double origin[3], const double direction[3],
                         const double centre[3], double* t, double point[3],
                         double r, double f);
