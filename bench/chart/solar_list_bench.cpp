// The solar-system draw list rebuilt from scratch (every body placed again,
// sorted far to near) for the planets, moons and minor bodies of the test
// sky plus 1,000 satellites: budget 5 ms.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "tests/chart/spread_satellites.h"
#include "chart/sky_chart.h"
#include "tests/mechanics/mechanics_fixture.h"

namespace {

void BM_SolarListRebuild(benchmark::State& state) {
  mechanics_test::SolarSystemWorld world(mechanics_test::standardExtraBodies(),
                                         chart_test::spreadSatellites());
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
