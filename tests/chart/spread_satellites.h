// Satellites for the solar-system tests and benchmarks: the station's
// elements spread over as many planes and phases, bright enough to be
// drawn and named, in eight categories.
#pragma once

#include <cmath>
#include <vector>

#include "tests/mechanics/mechanics_fixture.h"

namespace chart_test {

inline std::vector<mechanics_test::SatelliteRecord> spreadSatellites(int count = 1000) {
  SatelliteElementSet base = mechanics_test::elementsFromLines(mechanics_test::kIssLines[0],
                                                               mechanics_test::kIssLines[1]);
  std::vector<mechanics_test::SatelliteRecord> list;
  for (int i = 0; i < count; ++i) {
    SatelliteElementSet e = base;
    e.catalogueNumber = 50000 + i;
    e.node = std::fmod(base.node + 0.37 * i, 2 * M_PI);
    e.meanAnomaly = std::fmod(base.meanAnomaly + 1.1 * i, 2 * M_PI);
    list.push_back({e, 4.0, {1 + i % 8}});
  }
  return list;
}

}  // namespace chart_test
