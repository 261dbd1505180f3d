// The solar-system draw list rebuilt from scratch (every body placed again,
// sorted far to near) for the planets, moons and minor bodies of the test
// sky plus 1,000 satellites: budget 5 ms.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "chart/sky_chart.h"
#include "tests/engine/mechanics_fixture.h"

namespace {

// The station's elements spread over 1,000 planes and phases.
std::vector<mechanics_test::SatelliteRecord> thousandSatellites() {
  SatelliteElementSet base = mechanics_test::elementsFromLines(mechanics_test::kIssLines[0],
                                                               mechanics_test::kIssLines[1]);
  std::vector<mechanics_test::SatelliteRecord> list;
  for (int i = 0; i < 1000; ++i) {
    SatelliteElementSet e = base;
    e.catalogueNumber = 50000 + i;
    e.node = std::fmod(base.node + 0.37 * i, 2 * M_PI);
    e.meanAnomaly = std::fmod(base.meanAnomaly + 1.1 * i, 2 * M_PI);
    list.push_back({e, 4.0, {1 + i % 8}});
  }
  return list;
}

void BM_SolarListRebuild(benchmark::State& state) {
  mechanics_test::SolarSystemWorld world(mechanics_test::standardExtraBodies(),
                                         thousandSatellites());
  CSkyChart chart(&world.database(), "");
  chart.setViewport(0, 0, 1280, 800);
  chart.setJulianDate(2454730.0);
  chart.showAsteroids = chart.showComets = chart.showSatellites = true;
  chart.showMoonOrbits = true;
  for (auto _ : state) {
    chart.buildSolarSystemDrawList(true);
    benchmark::DoNotOptimize(chart.planetDistanceCount);
  }
  state.counters["records"] = chart.planetDistanceCount;
}
BENCHMARK(BM_SolarListRebuild)->Unit(benchmark::kMillisecond);

}  // namespace
