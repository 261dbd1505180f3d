// The (nearly) full VSOP87D series of the eight planets as the tests'
// reference (vsop87d_reference_table.cpp), and a plain evaluation of a
// series set written apart from the engine's.
#pragma once

#include <cmath>

#include "engine/vsop87d_tables.h"

extern const PlanetSeriesTables kVsop87dReference[8];

namespace tessaly::test {

// Sum over k of tau^k times the cosine sum of series k.
inline double evaluateVsop87Series(const TermSeries (&series)[6], double tau) {
  double value = 0.0;
  for (int k = 0; k < 6; ++k) {
    double sum = 0.0;
    for (int j = 0; j < series[k].count; ++j) {
      const SeriesTerm& t = series[k].terms[j];
      sum += t.amplitude * std::cos(t.phase + t.frequency * tau);
    }
    value += sum * std::pow(tau, k);
  }
  return value;
}

}  // namespace tessaly::test
