// Opening the ISS's information screen: its items with a new day of passes
// (the pass cache emptied each time, as when the place or the time has
// changed) and its generated description page (no satellite site set, so
// nothing is fetched). The screen should open in under 100 ms on one
// core. Set-up (catalogues, chart) stays out of the timed loop.
#include <benchmark/benchmark.h>

#include <vector>

#include "chart/sky_chart.h"
#include "skydata/satellite.h"
#include "tests/ui/info/info_sky.h"
#include "ui/info/description_page.h"
#include "ui/info/info_items.h"
#include "ui/info/object_info.h"
#include "ui/info/satellite_passes.h"

namespace {

constexpr int kItems = 255;
constexpr std::size_t kPageSize = 10000;

void BM_OpenTheIssInformationScreen(benchmark::State& state) {
  static info_test::InfoSky sky;
  auto chart = sky.chart(info_test::kSatelliteDate, 11.5755, 48.1374);
  CSkyObject* iss = sky.satellite(info_test::kISS);
  std::vector<SkyObjectInfoString> items(kItems);
  std::vector<char> page(kPageSize);
  for (auto _ : state) {
    clearSatellitePassCache();
    chart->updateObjectPosition(iss);
    const int count = getObjectInfo(chart.get(), iss, items.data(), kItems, 1, 0);
    getObjectDescriptionHTML(chart.get(), iss, page.data(), page.size());
    benchmark::DoNotOptimize(page.data());
    freeInfoItems(nullptr, items.data(), count);
  }
}
BENCHMARK(BM_OpenTheIssInformationScreen)->Unit(benchmark::kMillisecond);

// The same page rebuilt within a minute of chart time (rotation, a clock
// tick): the passes come from the cache.
void BM_RebuildTheIssItemsFromTheCache(benchmark::State& state) {
  static info_test::InfoSky sky;
  auto chart = sky.chart(info_test::kSatelliteDate, 11.5755, 48.1374);
  CSkyObject* iss = sky.satellite(info_test::kISS);
  std::vector<SkyObjectInfoString> items(kItems);
  for (auto _ : state) {
    chart->updateObjectPosition(iss);
    const int count = getObjectInfo(chart.get(), iss, items.data(), kItems, 1, 0);
    freeInfoItems(nullptr, items.data(), count);
  }
}
BENCHMARK(BM_RebuildTheIssItemsFromTheCache)->Unit(benchmark::kMillisecond);

}  // namespace
