// The database searches on the built catalogues (the bundle the run command
// builds; $TESSALY_BUNDLE names another): a thousand stars sorted by their
// rise time (the sort computes each star's rise once; target under
// 0.25 s), and a filtered scan of the whole star file (magnitudes 6 to 8
// north of the equator of date), its regions read from the file as the
// program reads them.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "mechanics/sky_mechanics.h"
#include "skydata/search_filter.h"
#include "skydata/sky_database.h"
#include "tests/tools/built_bundle.h"

namespace {

std::string folder() { return tessaly::test::builtBundlePath() + "/SkyData/"; }

std::unique_ptr<CSkyDatabase> openStars() {
  if (!std::filesystem::exists(folder() + "Stars.skydata")) return nullptr;
  auto database = std::make_unique<CSkyDatabase>(folder().c_str());
  if (database->loadStars("Stars.skydata") == nullptr) return nullptr;
  return database;
}

// A chart over Boulder, recorded by the database for the range tests and
// the sort keys.
std::unique_ptr<CSkyMechanics> recordedChart(CSkyDatabase& database) {
  auto chart = std::make_unique<CSkyMechanics>(&database);
  chart->setLocation(-1.8374, 0.6983, 1650);
  chart->setJulianDate(2460300.75);
  database.sortSearchResults(chart.get(), nullptr, 0, kSortNone);
  return chart;
}

void BM_SortThousandStarsByRiseTime(benchmark::State& state) {
  auto database = openStars();
  if (!database) return state.SkipWithError("no built catalogues");
  auto chart = recordedChart(*database);
  database->searchFilter.magnitude[1] = 5.0f;
  std::vector<SkyObjectID> stars;
  database->searchFile(kStarsFile, stars, 1000);
  database->searchFilter = SearchFilter();
  if (stars.size() < 1000) return state.SkipWithError("fewer than 1000 stars to magnitude 5");
  for (auto _ : state) {
    std::vector<SkyObjectID> list = stars;
    database->sortSearchResults(chart.get(), list.data(), static_cast<int>(list.size()), kSortRiseTime);
    benchmark::DoNotOptimize(list.data());
  }
  state.counters["stars"] = static_cast<double>(stars.size());
}
BENCHMARK(BM_SortThousandStarsByRiseTime)->Unit(benchmark::kMillisecond);

void BM_FilteredScanOfTheStarFile(benchmark::State& state) {
  std::size_t found = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto database = openStars();
    if (!database) return state.SkipWithError("no built catalogues");
    auto chart = recordedChart(*database);
    database->searchFilter.magnitude[0] = 6.0f;
    database->searchFilter.magnitude[1] = 8.0f;
    database->searchFilter.declination[0] = 0.0f;
    database->searchFilter.declination[1] = 1.6f;
    state.ResumeTiming();
    std::vector<SkyObjectID> results;
    found = static_cast<std::size_t>(database->searchFile(kStarsFile, results, 1 << 30));
    benchmark::DoNotOptimize(results.data());
    state.PauseTiming();
    chart.reset();
    database.reset();
    state.ResumeTiming();
  }
  state.counters["found"] = static_cast<double>(found);
}
BENCHMARK(BM_FilteredScanOfTheStarFile)->Unit(benchmark::kMillisecond);

}  // namespace
