// Pluto's heliocentric position from a 43-term periodic series, valid
// between 1885 and 2099 (Julian dates 2409542.5 to 2488069.5).
#pragma once

// Ecliptic longitude in [0, 2pi) and latitude in radians, radius in AU,
// ecliptic and equinox of J2000.0; jd in dynamical time.
void plutoPositionPeriodic(double* l, double* b, double* r, double jd);
