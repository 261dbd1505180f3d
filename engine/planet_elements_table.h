// Published approximate mean Keplerian elements of the nine planets
// (Standish, JPL), Mercury to Pluto; index 2 is the Earth-Moon barycentre.
#pragma once

// {value at J2000.0, rate per Julian century} of each element.
struct PlanetElementRow {
  double a[2];                  // semi-major axis, AU
  double e[2];                  // eccentricity
  double inclination[2];        // degrees
  double meanLongitude[2];      // degrees
  double perihelionLongitude[2];  // degrees
  double nodeLongitude[2];      // degrees
};

// Extra mean-anomaly terms of the long table: b T^2 + c cos(f T) + s sin(f T)
// degrees, f in degrees per century.
struct MeanAnomalyTerms {
  double b;
  double c;
  double s;
  double f;
};

extern const PlanetElementRow kPlanetElements1800To2050[9];
extern const PlanetElementRow kPlanetElements3000BCTo3000AD[9];
extern const MeanAnomalyTerms kPlanetMeanAnomalyTerms[9];
