// The periodic terms of Pluto's heliocentric position.
#pragma once

// Multipliers of the mean longitudes J (Jupiter), S (Saturn) and P (Pluto);
// sine and cosine coefficients of the longitude and latitude (degrees) and
// of the radius (AU).
struct PlutoTerm {
  float j, s, p;
  double longitudeSin, longitudeCos;
  double latitudeSin, latitudeCos;
  double radiusSin, radiusCos;
};

extern const PlutoTerm kPlutoTerms[43];
