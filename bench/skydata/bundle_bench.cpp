// The real catalogue bundle as the chart meets it: opening the six files at
// launch with the Tycho-2 stars in TychoStars.skydata, the first loads of
// the Tycho regions of a 10-degree field in the Milky Way (the Scutum star
// cloud, RA 18h30m, Dec -10), and a walk over every Tycho star. Needs the
// bundle that the run and test commands build (TESSALY_BUNDLE, or
// build/release/app under TESSALY_SOURCE_DIR or the working folder).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/angles.h"
#include "skydata/sky_data_file.h"
#include "skydata/sky_database.h"

namespace {

std::string skyDataFolder() {
  if (const char* bundle = std::getenv("TESSALY_BUNDLE"); bundle && *bundle)
    return std::string(bundle) + "/SkyData";
  const char* source = std::getenv("TESSALY_SOURCE_DIR");
  return std::string(source ? source : ".") + "/build/release/app/SkyData";
}

bool bundleBuilt(benchmark::State& state) {
  if (std::filesystem::exists(skyDataFolder() + "/TychoStars.skydata")) return true;
  state.SkipWithError(("no built bundle in " + skyDataFolder()).c_str());
  return false;
}

// A fresh database with the Tycho file opened as at launch, outside the
// timing; null (and the benchmark skipped) when it does not open.
CSkyDataFile* openTychoStars(benchmark::State& state, std::unique_ptr<CSkyDatabase>& database) {
  state.PauseTiming();
  database = std::make_unique<CSkyDatabase>(skyDataFolder().c_str());
  CSkyDataFile* file = database->loadTychoStars("TychoStars.skydata");
  state.ResumeTiming();
  if (!file) state.SkipWithError("TychoStars.skydata does not open");
  return file;
}

void BM_OpenBundleWithTychoStars(benchmark::State& state) {
  if (!bundleBuilt(state)) return;
  for (auto _ : state) {
    CSkyDatabase database(skyDataFolder().c_str());
    benchmark::DoNotOptimize(database.loadSolarSystem("SolarSystem.skydata"));
    benchmark::DoNotOptimize(database.loadStars("Stars.skydata"));
    benchmark::DoNotOptimize(database.loadTychoStars("TychoStars.skydata"));
    benchmark::DoNotOptimize(database.loadGuideStars("GuideStars.skydata"));
    benchmark::DoNotOptimize(database.loadDeepSky("DeepSky.skydata"));
    benchmark::DoNotOptimize(database.loadConstellations("Constellations.skydata"));
  }
}
BENCHMARK(BM_OpenBundleWithTychoStars)->Unit(benchmark::kMillisecond);

// Loads the regions whose boxes can reach within `radius` of `centre`
// (boxes of a sky tree lie on the cube round the sky), depth first as the
// chart walks them; returns the objects loaded.
std::int64_t loadField(CSkyDataFile& file, CSkyDataRegion* region, const double centre[3],
                       double radius, int& regions) {
  double middle[3];
  region->getCenter(middle);
  const double length = std::hypot(middle[0], middle[1], middle[2]);
  if (region->getID() != 0 && length > 0.0) {
    for (double& c : middle) c /= length;
    const double reach = std::atan(region->getDiagonal() / 2.0 / length);
    if (vectorSeparation(middle, centre) > radius + reach) return 0;
  }
  file.loadRegionObjects(region);
  std::int64_t loaded = region->getObjectCount();
  ++regions;
  for (int k = 0; k < 8; ++k)
    if (CSkyDataRegion* child = region->getChild(k)) loaded += loadField(file, child, centre, radius, regions);
  return loaded;
}

void BM_FirstLoadsOfAMilkyWayField(benchmark::State& state) {
  if (!bundleBuilt(state)) return;
  const double ra = 277.5 * kRadiansPerDegree, dec = -10.0 * kRadiansPerDegree;
  const double centre[3] = {std::cos(dec) * std::cos(ra), std::cos(dec) * std::sin(ra),
                            std::sin(dec)};
  std::int64_t objects = 0;
  int regions = 0;
  for (auto _ : state) {
    std::unique_ptr<CSkyDatabase> database;
    CSkyDataFile* file = openTychoStars(state, database);
    if (!file) return;
    regions = 0;
    objects = loadField(*file, file->getRoot(), centre, 5.0 * kRadiansPerDegree, regions);
    benchmark::DoNotOptimize(objects);
  }
  state.counters["regions"] = regions;
  state.counters["stars"] = static_cast<double>(objects);
  state.SetItemsProcessed(state.iterations() * objects);
}
BENCHMARK(BM_FirstLoadsOfAMilkyWayField)->Unit(benchmark::kMillisecond);

std::int64_t loadAll(CSkyDataFile& file, CSkyDataRegion* region) {
  file.loadRegionObjects(region);
  std::int64_t loaded = region->getObjectCount();
  for (int k = 0; k < 8; ++k)
    if (CSkyDataRegion* child = region->getChild(k)) loaded += loadAll(file, child);
  return loaded;
}

void BM_WalkEveryTychoStar(benchmark::State& state) {
  if (!bundleBuilt(state)) return;
  std::int64_t objects = 0;
  for (auto _ : state) {
    std::unique_ptr<CSkyDatabase> database;
    CSkyDataFile* file = openTychoStars(state, database);
    if (!file) return;
    objects = loadAll(*file, file->getRoot());
    benchmark::DoNotOptimize(objects);
  }
  state.counters["stars"] = static_cast<double>(objects);
  state.SetItemsProcessed(state.iterations() * objects);
}
BENCHMARK(BM_WalkEveryTychoStar)->Unit(benchmark::kMillisecond);

}  // namespace
