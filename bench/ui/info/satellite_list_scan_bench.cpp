// The scan behind "Tonight's Satellites" and the lists ordered by pass
// time, over gpredict's element sets (some 1,000 of 2018 January) placed
// in one category, for one day over one site, on one core. The chart a day
// after the sets' median epoch (the full model all day) or a year after
// it (every satellite placed from its mean elements, as with an old
// bundle); the Sun 6° down and a magnitude limit of 4 ("Tonight's
// Satellites"), or neither (a list by pass time). Set-up (catalogue,
// chart) stays out of the timed loop.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "chart/sky_chart.h"
#include "skydata/sky_object_id.h"
#include "tests/mechanics/mechanics_fixture.h"
#include "ui/info/satellite_list_scan.h"

namespace {

constexpr double kDegree = M_PI / 180;
constexpr int kCategory = 3;
constexpr int kCapacity = 30000;
constexpr double kSixDegrees = 6 * kDegree;

struct Scene {
  std::unique_ptr<mechanics_test::SolarSystemWorld> world;
  std::unique_ptr<CSkyChart> chart;
  double medianEpoch = 0;
  std::size_t satellites = 0;
};

Scene& scene() {
  static Scene s = [] {
    Scene scene;
    std::vector<mechanics_test::SatelliteRecord> records;
    std::vector<double> epochs;
    for (const auto& set : mechanics_test::gpredictElementSets()) {
      mechanics_test::SatelliteRecord r;
      r.elements = set.elements;
      r.standardMagnitude = 4.0;
      r.categories = {kCategory};
      records.push_back(r);
      epochs.push_back(set.elements.epoch);
    }
    scene.satellites = records.size();
    if (!epochs.empty()) {
      std::nth_element(epochs.begin(), epochs.begin() + epochs.size() / 2, epochs.end());
      scene.medianEpoch = std::floor(epochs[epochs.size() / 2]) + 0.5;
    }
    scene.world = std::make_unique<mechanics_test::SolarSystemWorld>(
        std::vector<mechanics_test::BodyRecord>{}, records);
    scene.chart = std::make_unique<CSkyChart>(&scene.world->database(), "");
    scene.chart->setLocation(-105.27 * kDegree, 40.01 * kDegree, 1650);
    return scene;
  }();
  return s;
}

// Argument 0: days from the median epoch; 1: 1 for "Tonight's
// Satellites", 0 for a list by pass time.
void BM_SatelliteListScan(benchmark::State& state) {
  Scene& s = scene();
  if (s.satellites == 0) {
    state.SkipWithError("no element sets (is gpredict's satellite list installed?)");
    return;
  }
  const double start = s.medianEpoch + static_cast<double>(state.range(0));
  const bool tonight = state.range(1) != 0;
  s.chart->setJulianDate(start);
  std::vector<SkyObjectID> ids(kCapacity);
  std::vector<double> times(kCapacity);
  int found = 0;
  for (auto _ : state) {
    found = findSatellitePasses(s.chart.get(), kCategory, ids.data(), times.data(), kCapacity,
                                start, start + 1, tonight ? -kSixDegrees : -INFINITY, kSixDegrees,
                                tonight ? 4.0 : INFINITY);
    benchmark::DoNotOptimize(ids.data());
  }
  state.counters["satellites"] = static_cast<double>(s.satellites);
  state.counters["listed"] = found;
}
BENCHMARK(BM_SatelliteListScan)
    ->ArgsProduct({{1, 365}, {1, 0}})
    ->ArgNames({"days", "tonight"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
