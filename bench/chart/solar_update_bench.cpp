// An orbit-data update's hand-over on the thread that draws: the bundle's
// solar-system catalogue (some 29,000 objects with a thousand satellites)
// loaded in place of the one in use, counted, the selected ISS found again
// in it, and the replaced file freed as the next frame frees it. It runs
// between two frames once an hour at most: budget 50 ms, three frames.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "chart/sky_chart.h"
#include "skydata/catalog_numbers.h"
#include "skydata/sky_database.h"

namespace {

void BM_SolarSystemUpdate(benchmark::State& state) {
  const char* named = std::getenv("TESSALY_BUNDLE");
  const std::string directory =
      std::string(named != nullptr && *named != 0 ? named : TESSALY_BENCH_BUNDLE) + "/SkyData/";
  const std::string path = directory + "SolarSystem.skydata";
  if (!std::filesystem::exists(path)) {
    state.SkipWithError(("no built catalogue " + path).c_str());
    return;
  }
  CSkyDatabase database(directory.c_str());
  if (database.loadSolarSystem(path.c_str()) == nullptr) {
    state.SkipWithError("the catalogue does not load");
    return;
  }
  CSkyChart chart(&database, "");
  std::vector<SkyObjectID> iss;
  if (database.findObjectsByCatalogNumber(makeCatalogNumber(kCatalogSatellite, 25544), kSolarSystemFile, iss, 1) < 1) {
    state.SkipWithError("no ISS in the catalogue");
    return;
  }
  chart.selectObject(&iss[0]);
  UpdateResults results{};
  for (auto _ : state) {
    benchmark::DoNotOptimize(chart.updateSolarSystemData(path.c_str(), &results));
    chart.releaseRetiredSolarSystemFiles();
  }
  state.counters["objects"] = results.objects;
  state.counters["satellites"] = results.satellites;
}
BENCHMARK(BM_SolarSystemUpdate)->Unit(benchmark::kMillisecond);

}  // namespace
