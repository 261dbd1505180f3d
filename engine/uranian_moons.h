// The GUST86 theory of Miranda, Ariel, Umbriel, Titania and Oberon (Laskar
// and Jacobson 1987, A&A 188, 212): the satellites' elements and places in
// the theory's Uranian equatorial frame of B1950 (UME50), and the rotation
// from that frame to the J2000 equator. The Part-style element functions
// mirandaOrbit ... oberonOrbit are in engine/moon_orbits.h.
//
// Times are Julian dates in dynamical time; lengths km, angles radians.
#pragma once

enum class UranianMoon { kMiranda = 0, kAriel, kUmbriel, kTitania, kOberon };

// The theory's elements of a satellite at jd: semi-major axis a (km, from
// the mean motion and the satellite's own GM through Kepler's third law),
// mean longitude lambda (radians, not reduced), k = e cos(varpi),
// h = e sin(varpi), q = sin(i/2) cos(node), p = sin(i/2) sin(node), and the
// mean motion n (radians per day).
struct Gust86Elements {
  double a, lambda, k, h, q, p, n;
};
Gust86Elements gust86Elements(UranianMoon moon, double jd);

// The satellite's Uranus-centred place in UME50, km.
void gust86Position(UranianMoon moon, double jd, double position[3]);

// The rotation from UME50 to the J2000 mean equator and equinox: the
// theory's pole on the B1950 equator, its FK4 to FK5 equinox correction,
// then IAU 1976 precession from B1950 to J2000.
void gust86FrameToJ2000(double m[9]);
