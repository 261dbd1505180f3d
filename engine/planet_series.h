// Heliocentric positions of the planets from the abridged VSOP87D series
// (Bretagnon and Francou 1988): ecliptic longitude in [0, 2pi) and latitude
// in radians, referred to the mean ecliptic and equinox of date, and the
// radius vector in AU, for a Julian date in dynamical time.
//
// The series are meant for a few millennia around J2000.0; beyond ten
// millennia the polynomial part stays at its value at the limit while the
// longitude keeps advancing at its mean rate.
#pragma once

void planetSeriesAbridgedMercury(double* l, double* b, double* r, double jd);
void planetSeriesAbridgedVenus(double* l, double* b, double* r, double jd);
void planetSeriesAbridgedEarth(double* l, double* b, double* r, double jd);
void planetSeriesAbridgedMars(double* l, double* b, double* r, double jd);
void planetSeriesAbridgedJupiter(double* l, double* b, double* r, double jd);
void planetSeriesAbridgedSaturn(double* l, double* b, double* r, double jd);
void planetSeriesAbridgedUranus(double* l, double* b, double* r, double jd);
void planetSeriesAbridgedNeptune(double* l, double* b, double* r, double jd);
