// Rotation matrices of the planes to which the moon theories refer their
// elements: each takes a vector from the theory's frame to the equatorial
// frame named with it (J2000 unless stated).
#pragma once

// Jupiter's equator (Galilean theory) to the B1950 equator.
void jupiterEquatorFrame(double m[9]);
// Saturn's equator (inner Saturnian moons) to the B1950 equator.
void saturnMoonFrame(double m[9]);
// Uranus' equator (GUST86) to the B1950 equator.
void uranusMoonFrame(double m[9]);
// Nereid's reference plane to the B1950 equator.
void nereidFrame(double m[9]);
// Triton's Laplace plane at jd.
void tritonFrame(double m[9], double jd);
// The Laplace planes of Phobos and Deimos at jd, to the Earth's equator.
void phobosFrame(double m[9], double jd);
void deimosFrame(double m[9], double jd);
