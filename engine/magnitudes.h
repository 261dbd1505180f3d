// Visual magnitude laws of the Sun, planets, Moon, minor bodies, comets and
// artificial satellites, and conversions between magnitudes.
//
// r is the heliocentric and d the observer's distance in AU, phase the
// phase angle in radians.
#pragma once

double sunMagnitude(double r);
double mercuryMagnitude(double r, double d, double phase);
double venusMagnitude(double r, double d, double phase);
double earthMagnitude(double r, double d, double phase);
double marsMagnitude(double r, double d, double phase);
double jupiterMagnitude(double r, double d, double phase);
// ringTilt: the observer's latitude on the ring plane (saturnRingTilt).
double saturnMagnitude(double r, double d, double phase, double ringTilt);
double uranusMagnitude(double r, double d, double phase);
double neptuneMagnitude(double r, double d, double phase);
double plutoMagnitude(double r, double d, double phase);
double moonMagnitude(double r, double d, double phase);
// The IAU H, G system for minor bodies; +infinity when the phase function
// vanishes.
double hgMagnitude(double r, double d, double phase, double h, double g);
// Total magnitude of a comet of absolute magnitude h and slope n.
double cometMagnitude(double r, double d, double h, double n);
// A satellite of the given standard magnitude (at 1000 km, half lit) at
// the given range in km; +infinity when the lit side faces away.
double satelliteMagnitude(double rangeKm, double phase, double standardMagnitude);
// Absolute from apparent magnitude at a distance in parsecs, and back; a
// distance that is not a positive finite number gives -infinity from the
// first, and -infinity (d <= 0) or +infinity from the second.
double absoluteMagnitude(double m, double parsecs);
double apparentMagnitude(double absolute, double parsecs);
// Brightness of magnitude m1 relative to m2: 0 when m1 is infinite,
// +infinity when m2 is.
double brightnessRatio(double m1, double m2);
