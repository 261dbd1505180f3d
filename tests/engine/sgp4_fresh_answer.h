// The engine's answer for an element set at minutes from its epoch, from a
// fresh state of the model the set calls for (SGP4 or SDP4): what the
// refusal checks hold against the independent propagator.
#pragma once

#include "engine/sgp4.h"

namespace sgp4_test {

struct Answer {
  int error;
  double r[3];  // Earth radii
};

inline Answer freshAnswer(const SatelliteElementSet& el, double tsince) {
  Answer a{};
  double v[3];
  if (isDeepSpaceOrbit(el)) {
    Sdp4State s{};
    a.error = sdp4(el, a.r, v, s, tsince);
  } else {
    Sgp4State s{};
    a.error = sgp4(el, a.r, v, s, tsince);
  }
  return a;
}

}  // namespace sgp4_test
