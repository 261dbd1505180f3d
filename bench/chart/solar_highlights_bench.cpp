// The sky view's frame of the solar system with the application's highlight
// list: 10,000 satellites, every one highlighted with its name, as the
// sky view asks when satellite names are on. Each real-time tick rebuilds
// the draw list (every body asks whether it is highlighted) and draws the
// layer (every drawn body asks again for its label), then the highlights.
#include <benchmark/benchmark.h>

#include <memory>

#include "chart/sky_chart.h"
#include "engine/sky_projection.h"
#include "skydata/sky_database.h"
#include "tests/chart/chart_canvas.h"
#include "tests/chart/spread_satellites.h"
#include "tests/mechanics/mechanics_fixture.h"

namespace {

constexpr double kRadiansPerDegree = 0.017453292519943295;
constexpr int kHighlightedSatellites = 10000;

struct SkyView {
  SkyView()
      : world(mechanics_test::standardExtraBodies(), chart_test::spreadSatellites(kHighlightedSatellites)),
        chart(std::make_unique<CSkyChart>(&world.database(), "")) {
    chart->setViewport(0, 0, 1280, 800);
    canvas = std::make_unique<chart_test::Canvas2D>(*chart, 1280, 800);
    chart->setJulianDate(2454730.0);
    chart->setLocation(-0.1 * kRadiansPerDegree, 51.5 * kRadiansPerDegree, 0);
    chart->setDisplayProjection(kProjectionStereographic);
    chart->setDisplayCoordSystem(kCoordHorizon);
    chart->setDisplayCenterLonLat(0, 45 * kRadiansPerDegree);
    chart->setDisplayFOV(90 * kRadiansPerDegree);
    chart->showPlanets = chart->showSatellites = chart->showPlanetNames = true;
    chart->drawAllHighlights = false;
    chart->setPlanetMagnitudeLimit(6);
    SkyObjectID sun;
    CSkyDatabase::setSunObjectID(&sun);
    chart->selectObject(&sun);
    chart->highlightSatellites(true, kHighlightedSatellites);
    chart->updateDisplayMatrix();
  }
  void frame(bool tick) {
    chart->updateNeeded = tick;
    chart->clearLabelRects();
    chart->drawSolarSystemObjects();
    chart->drawHighlightedObjects(1);
  }
  mechanics_test::SolarSystemWorld world;
  std::unique_ptr<CSkyChart> chart;
  std::unique_ptr<chart_test::Canvas2D> canvas;
};

// A real-time tick: the list rebuilt, every position recomputed.
void BM_SkyViewHighlightedTick(benchmark::State& state) {
  SkyView view;
  for (auto _ : state) view.frame(true);
  state.counters["highlights"] = view.chart->highlightCount;
  state.counters["records"] = view.chart->planetDistanceCount;
}
BENCHMARK(BM_SkyViewHighlightedTick)->Unit(benchmark::kMillisecond);

// A redraw with nothing changed: the list kept, every drawn body labelled
// or left to the highlights.
void BM_SkyViewHighlightedRedraw(benchmark::State& state) {
  SkyView view;
  view.frame(true);
  for (auto _ : state) view.frame(false);
  state.counters["records"] = view.chart->planetDistanceCount;
}
BENCHMARK(BM_SkyViewHighlightedRedraw)->Unit(benchmark::kMillisecond);

}  // namespace
