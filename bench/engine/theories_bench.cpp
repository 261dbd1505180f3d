// Planet and Moon positions per second from the series theories.
#include <benchmark/benchmark.h>

#include "engine/lunar_theory.h"
#include "engine/planet_series.h"
#include "engine/pluto_theory.h"

namespace {

// All eight VSOP87D planets at one date; items are planet positions.
void BM_EightPlanets(benchmark::State& state) {
  using Planet = void (*)(double*, double*, double*, double);
  const Planet planets[8] = {
      planetSeriesAbridgedMercury, planetSeriesAbridgedVenus, planetSeriesAbridgedEarth,
      planetSeriesAbridgedMars,    planetSeriesAbridgedJupiter, planetSeriesAbridgedSaturn,
      planetSeriesAbridgedUranus,  planetSeriesAbridgedNeptune};
  double jd = 2460000.5;
  for (auto _ : state) {
    for (Planet planet : planets) {
      double l, b, r;
      planet(&l, &b, &r, jd);
      benchmark::DoNotOptimize(l + b + r);
    }
    jd += 0.01;
  }
  state.SetItemsProcessed(state.iterations() * 8);
}
BENCHMARK(BM_EightPlanets);

void BM_Moon(benchmark::State& state) {
  double jd = 2460000.5;
  for (auto _ : state) {
    double l, b, r;
    moonPositionAbridged(&l, &b, &r, jd);
    benchmark::DoNotOptimize(l + b + r);
    jd += 0.01;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Moon);

void BM_Pluto(benchmark::State& state) {
  double jd = 2460000.5;
  for (auto _ : state) {
    double l, b, r;
    plutoPositionPeriodic(&l, &b, &r, jd);
    benchmark::DoNotOptimize(l + b + r);
    jd += 0.01;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Pluto);

}  // namespace
