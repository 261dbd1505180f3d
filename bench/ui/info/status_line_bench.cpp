// The status line of the ISS with its next rise and set, as the rows of a
// satellite list show it: each row searches a day of passes. A screen of
// twelve rows should take under 50 ms. Set-up (the catalogues, the chart)
// stays out of the timed loop; each row starts from a fresh place, as a
// list scrolling through its satellites does.
#include <benchmark/benchmark.h>

#include <memory>

#include "chart/sky_chart.h"
#include "skydata/satellite.h"
#include "tests/ui/info/info_sky.h"
#include "ui/info/object_status_line.h"

namespace {

constexpr int kRows = 12;

void BM_TwelveIssStatusLinesWithRiseAndSet(benchmark::State& state) {
  static info_test::InfoSky sky;
  auto chart = sky.chart(info_test::kSatelliteDate, 0, 45);
  CSkyObject* iss = sky.satellite(info_test::kISS);
  char text[256];
  for (auto _ : state) {
    for (int row = 0; row < kRows; ++row) {
      chart->setJulianDate(info_test::kSatelliteDate + row * 0.01);
      chart->updateObjectPosition(iss);
      objectStatusLine(chart.get(), iss, text, sizeof text, 1, 0, 1, 1);
      benchmark::DoNotOptimize(text);
    }
  }
}
BENCHMARK(BM_TwelveIssStatusLinesWithRiseAndSet)->Unit(benchmark::kMillisecond);

}  // namespace
