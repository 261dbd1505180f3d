// The constellation lookup runs for every tap on the chart and for every
// object whose information or status line names its constellation; it
// scans the 357 boundary rows in order.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "engine/vectors.h"
#include "skydata/constellation_tables.h"

namespace {

void BM_ConstellationAtPosition(benchmark::State& state) {
  // Directions spread evenly over the sphere (a Fibonacci lattice).
  std::vector<double> directions;
  const int count = 4096;
  for (int k = 0; k < count; ++k) {
    double v[3];
    const double z = 1.0 - (2.0 * k + 1.0) / count;
    sphericalToVector(v, k * 2.399963229728653, std::asin(z), 1.0);
    directions.insert(directions.end(), v, v + 3);
  }
  std::size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(constellationAtPosition(&directions[3 * k]));
    k = (k + 1) % count;
  }
}
BENCHMARK(BM_ConstellationAtPosition);

}  // namespace
