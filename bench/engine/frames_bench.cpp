// The chart rebuilds its frames on every time step and projects every
// visible object on every frame.
#include <benchmark/benchmark.h>

#include "engine/precession.h"
#include "engine/sky_projection.h"
#include "engine/vectors.h"

namespace {

void BM_SetJulianDate(benchmark::State& state) {
  CSkyProjection chart;
  double jd = 2460000.5;
  for (auto _ : state) {
    chart.setJulianDate(jd += 1e-4);
    benchmark::DoNotOptimize(chart.horizonFrame);
  }
}
BENCHMARK(BM_SetJulianDate);

void BM_LongTermPrecessionMatrix(benchmark::State& state) {
  double m[9], jd = 2460000.5;
  for (auto _ : state) {
    longTermPrecessionMatrix(m, 1, 2451545.0, jd += 1e-4);
    benchmark::DoNotOptimize(m);
  }
}
BENCHMARK(BM_LongTermPrecessionMatrix);

void BM_VectorToScreen(benchmark::State& state) {
  CSkyProjection chart;
  chart.setViewport(0, 0, 1920, 1080);
  chart.setDisplayProjection(static_cast<int>(state.range(0)));
  double v[3], x, y, lon = 0;
  for (auto _ : state) {
    sphericalToVector(v, lon += 0.001, 0.7, 1);
    benchmark::DoNotOptimize(chart.vectorToScreen(v, &x, &y));
  }
}
BENCHMARK(BM_VectorToScreen)->DenseRange(1, 9);

}  // namespace
