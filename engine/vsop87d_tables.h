// Coefficient tables of the VSOP87D planetary series: heliocentric ecliptic
// spherical coordinates referred to the mean ecliptic and equinox of date.
#pragma once

// One periodic term: amplitude x cos(phase + frequency x tau), tau in Julian
// millennia from J2000.0, phase in radians, frequency in radians per
// millennium; the amplitude is in radians (longitude, latitude) or AU.
struct SeriesTerm {
  double amplitude;
  double phase;
  double frequency;
};

struct TermSeries {
  const SeriesTerm* terms;
  int count;
};

// Series 0-5 of each coordinate; series k is multiplied by tau^k.
struct PlanetSeriesTables {
  TermSeries longitude[6];
  TermSeries latitude[6];
  TermSeries radius[6];
};

// Mercury to Neptune, in that order (index 2 is the Earth): the abridged
// series the engine evaluates.
extern const PlanetSeriesTables kVsop87dAbridged[8];
