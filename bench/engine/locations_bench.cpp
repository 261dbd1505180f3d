// The nearest-city lookup runs whenever the observer moves with automatic
// daylight saving; the name search on every keystroke of the place picker.
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/locations.h"

namespace {

void NearestCity(benchmark::State& state) {
  initLocationDatabase(static_cast<int>(state.range(0)));
  Location out;
  double lon = 0.1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(findNearestCity(0, cityCount(), &out, lon, 0.7));
    lon += 0.001;
  }
  state.SetItemsProcessed(state.iterations() * cityCount());
}
BENCHMARK(NearestCity)->Arg(0)->Arg(1);

void SearchByName(benchmark::State& state) {
  initLocationDatabase(static_cast<int>(state.range(0)));
  std::vector<Location> out(200);
  for (auto _ : state)
    benchmark::DoNotOptimize(searchLocations("spring", out.data(), 200));
  state.SetItemsProcessed(state.iterations() * cityCount());
}
BENCHMARK(SearchByName)->Arg(0)->Arg(1);

void Initialise(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(initLocationDatabase(0));
}
BENCHMARK(Initialise);

}  // namespace
