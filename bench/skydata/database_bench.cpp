// Opening the six catalogues as the application does at launch, and the
// first load of a region, on synthetic catalogues of realistic size that
// the benchmark writes once into a scratch folder.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "skydata/sky_data_file.h"
#include "skydata/sky_database.h"
#include "skydata/skydata_writer.h"
#include "skydata/star.h"

namespace {

constexpr std::int64_t kCatalog = 10000000000000000LL;

// Region ids of a full tree of the given depth, in id order.
std::vector<std::uint32_t> treeRegions(int depth) {
  std::vector<std::uint32_t> ids = {0};
  std::size_t first = 0;
  for (int level = 0; level < depth; ++level) {
    const std::size_t end = ids.size();
    for (std::size_t i = first; i < end; ++i) {
      for (int k = 0; k < 8; ++k) ids.push_back(8 * ids[i] + k + 1);
    }
    first = end;
  }
  return ids;
}

// A star catalogue of `count` stars spread over a tree of `depth` levels,
// each with a name-index entry for one in ten and numbers in `catalogues`.
void writeStars(const std::string& path, int count, int depth,
                std::initializer_list<int> catalogues) {
  std::mt19937 random(count);
  const std::vector<std::uint32_t> regions = treeRegions(depth);
  SkyDataWriter writer;
  for (int i = 0; i < count; ++i) {
    CStar star(1);
    std::vector<std::int64_t> numbers;
    for (int catalogue : catalogues) numbers.push_back(catalogue * kCatalog + i + 1);
    star.setCatalogNumbers(numbers.data(), static_cast<int>(numbers.size()));
    const std::string name = "Star " + std::to_string(i);
    const char* names[] = {name.c_str()};
    if (i % 10 == 0) star.setNames(names, 1);
    const std::uint32_t region = regions[random() % regions.size()];
    const int index = writer.addObject(region, star, 2.0f + (i % 1000) / 100.0f);
    if (index < 0) continue;
    if (i % 10 == 0) writer.addNameEntry(name, region, static_cast<std::uint16_t>(index));
    for (std::int64_t number : numbers) {
      writer.addNumberEntry(number, region, static_cast<std::uint16_t>(index));
    }
  }
  writer.writeFile(path);
}

class Catalogues {
 public:
  Catalogues() {
    folder_ = std::filesystem::temp_directory_path() /
              ("tessaly-database-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder_);
    // Solar system: planets, moons and some 20000 satellites in the root.
    {
      SkyDataWriter writer;
      for (int i = 0; i < 20000; ++i) {
        CStar body(1);
        writer.addObject(0, body, INFINITY);
        writer.addNameEntry("Body " + std::to_string(i), 0, static_cast<std::uint16_t>(i));
      }
      writer.writeFile(file("SolarSystem.skydata"));
    }
    writeStars(file("Stars.skydata"), 120000, 3, {4, 5, 6, 11});
    writeStars(file("TychoStars.skydata"), 400000, 4, {24});
    writeStars(file("GuideStars.skydata"), 400000, 4, {25});
    writeStars(file("DeepSky.skydata"), 14000, 2, {101, 102, 103});
    writeStars(file("Constellations.skydata"), 89, 0, {});
  }
  ~Catalogues() { std::filesystem::remove_all(folder_); }
  std::string file(const char* name) const { return (folder_ / name).string(); }
  std::string directory() const { return folder_.string(); }

 private:
  std::filesystem::path folder_;
};

const Catalogues& catalogues() {
  static const Catalogues instance;
  return instance;
}

void BM_OpenSixCatalogues(benchmark::State& state) {
  const Catalogues& data = catalogues();
  for (auto _ : state) {
    CSkyDatabase database(data.directory().c_str());
    benchmark::DoNotOptimize(database.loadSolarSystem("SolarSystem.skydata"));
    benchmark::DoNotOptimize(database.loadStars("Stars.skydata"));
    benchmark::DoNotOptimize(database.loadTychoStars("TychoStars.skydata"));
    benchmark::DoNotOptimize(database.loadGuideStars("GuideStars.skydata"));
    benchmark::DoNotOptimize(database.loadDeepSky("DeepSky.skydata"));
    benchmark::DoNotOptimize(database.loadConstellations("Constellations.skydata"));
  }
}
BENCHMARK(BM_OpenSixCatalogues)->Unit(benchmark::kMillisecond);

// The first load of each region of the Tycho stars' second level.
void BM_FirstRegionLoads(benchmark::State& state) {
  const Catalogues& data = catalogues();
  std::int64_t objects = 0;
  for (auto _ : state) {
    state.PauseTiming();
    CSkyDataFile file(data.file("TychoStars.skydata").c_str());
    file.readHeader();
    state.ResumeTiming();
    for (std::uint32_t id = 9; id <= 72; ++id) {
      CSkyDataRegion* region = file.findRegion(id);
      file.loadRegionObjects(region);
      objects += region->getObjectCount();
    }
  }
  state.counters["objects/s"] = benchmark::Counter(static_cast<double>(objects), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FirstRegionLoads)->Unit(benchmark::kMillisecond);

// A catalogue-number lookup answered by the binary search on the file.
void BM_NumberLookupOnFile(benchmark::State& state) {
  const Catalogues& data = catalogues();
  CSkyDataFile file(data.file("TychoStars.skydata").c_str());
  file.readHeader();
  file.readIndexes(false);
  std::vector<CIndexEntry> results;
  std::int64_t n = 0;
  for (auto _ : state) {
    results.clear();
    n = (n * 7919 + 1) % 400000;
    benchmark::DoNotOptimize(file.searchIndexes(24 * kCatalog + n + 1, nullptr, 0, results, 4));
  }
}
BENCHMARK(BM_NumberLookupOnFile);

}  // namespace
