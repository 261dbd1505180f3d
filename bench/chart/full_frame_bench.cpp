// Whole frames of the chart on the bundle's catalogues, set up as the
// chart screen sets up its sky perspective at 1280 x 800: stars to the
// faintest the chart draws at a 90-degree field, deep sky, constellations
// with their names, the grid, the Milky Way, the planets and the bundle's
// thousand satellites with their names, over the zenith on a winter night.
// - BM_FullFrameGPU: the frame drawn through the GL layer on the software
//   GPU and finished (budget 33 ms), the clock still (0) or moving a
//   second a frame (1).
// - BM_FullFrameChartWork: the same frame with the GPU's work left out of
//   the time: the chart's own work and its GL calls (budget 8 ms).
// - BM_StartUpToFirstFrame: every catalogue and index read, the chart made
//   and its first frame finished (budget 1 s).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "chart/sky_chart.h"
#include "tests/chart/bundle_sky.h"
#include "tests/chart/chart_canvas.h"

namespace {

constexpr int kWidth = 1280, kHeight = 800;
constexpr double kDegree = 0.017453292519943295;
constexpr double kSecond = 1.0 / 86400;
// 2023 December 19, 22:00 UT, from Vienna's Grossmugl.
constexpr double kJD = 2460299.416667;
constexpr double kLongitude = 16.22 * kDegree, kLatitude = 48.49 * kDegree, kHeightMetres = 265;
// "StarMagLimit"'s default: the faintest limit the chart sets at this field.
constexpr float kFaintestLimit = 6.0f;

// The scene's options on a chart from `BundleSky::makeChart`.
void setScene(CSkyChart& chart) {
  chart.setLocation(kLongitude, kLatitude, kHeightMetres);
  chart.setJulianDate(kJD);
  chart.setDisplayCenter(kCoordHorizon, 0, 90 * kDegree, 0);
  chart.setStarMagnitudeLimit(kFaintestLimit);
  chart.showGrid = true;
  chart.showSatellites = chart.showMinorPlanetNames = chart.showPlanetNames = true;
  chart.showConstellationNames = true;
  chart.updateNeeded = true;
}

// The scene on the bundle in a GL canvas, its first frame drawn (the
// regions in view read, the textures made); `ready` is false, with the
// benchmark told why, when there is no GL layer or no built bundle.
struct FrameScene {
  explicit FrameScene(benchmark::State& state) {
    const char* named = std::getenv("TESSALY_BUNDLE");
    const std::string path = named != nullptr && *named != 0 ? named : TESSALY_BENCH_BUNDLE;
    if (!chart_test::backendAvailable(chart_test::Backend::gl)) {
      state.SkipWithError("no GL layer");
      return;
    }
    if (!chart_test::BundleSky::available(path)) {
      state.SkipWithError(("no built bundle in " + path).c_str());
      return;
    }
    sky = std::make_unique<chart_test::BundleSky>(path);
    if (!sky->loaded()) {
      state.SkipWithError("the bundle could not be read");
      return;
    }
    chart = sky->makeChart(kWidth, kHeight);
    canvas = chart_test::makeCanvas(chart_test::Backend::gl, *chart, kWidth, kHeight);
    setScene(*chart);
    chart->drawSkyChart();
    canvas->finish();
    ready = true;
  }
  // One frame as the chart screen draws it: the chart, then the regions
  // that left the view unloaded.
  void draw(bool moving) {
    if (moving) chart->setJulianDate(chart->julianDate + kSecond);
    chart->updateNeeded = moving;
    chart->drawSkyChart();
    chart->unloadInvisibleCatalogRegions();
  }
  std::unique_ptr<chart_test::BundleSky> sky;
  std::unique_ptr<CSkyChart> chart;
  std::unique_ptr<chart_test::ChartCanvas> canvas;
  bool ready = false;
};

void BM_FullFrameGPU(benchmark::State& state) {
  FrameScene scene(state);
  if (!scene.ready) return;
  const bool moving = state.range(0) != 0;
  for (auto _ : state) {
    scene.draw(moving);
    scene.canvas->finish();
  }
  state.counters["bodies"] = scene.chart->planetDistanceCount;
}
BENCHMARK(BM_FullFrameGPU)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FullFrameChartWork(benchmark::State& state) {
  FrameScene scene(state);
  if (!scene.ready) return;
  const bool moving = state.range(0) != 0;
  for (auto _ : state) {
    scene.draw(moving);
    // The GPU's work is left out of the time.
    state.PauseTiming();
    scene.canvas->finish();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_FullFrameChartWork)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_StartUpToFirstFrame(benchmark::State& state) {
  for (auto _ : state) {
    FrameScene scene(state);
    if (!scene.ready) return;
  }
}
BENCHMARK(BM_StartUpToFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
