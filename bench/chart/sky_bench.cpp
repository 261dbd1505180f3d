// Costs of the sky layers' processor work against their budgets: the
// coordinate grid with its edge labels, the reference lines and their
// ticks under 1 ms, on a 1280 x 800 horizon chart of 90 degrees; the
// particle Galaxy (11070 particles placed for a moving observer, sorted
// far to near and batched as sprites) under 2 ms. The
// chart draws through the GL back end with no context current, so the
// graphics layer takes each call and draws nothing: what is timed is the
// chart's own work (projection, clipping, label placement, batching).
// Charts and text atlases are made outside the timed loops.
#include <benchmark/benchmark.h>

#include "chart/sky_chart.h"
#include "skydata/sky_database.h"

namespace {

constexpr double kDegree = 0.017453292519943295;

struct Sky {
  Sky() : database(""), chart(&database, "") {
    chart.setViewport(0, 0, 1280, 800);
    chart.setLocation(16.22 * kDegree, 48.49 * kDegree, 0);
    chart.setJulianDate(2460299.416667);
    chart.setDisplayProjection(3);
    chart.setDisplayCoordSystem(kCoordHorizon);
    chart.setDisplayCenter(kCoordHorizon, 200 * kDegree, 30 * kDegree, 0);
    chart.setDisplayFOV(90 * kDegree);
    chart.updateDisplayMatrix();
    chart.getTextAtlas();  // made once, as after the first frame
  }
  CSkyDatabase database;
  CSkyChart chart;
};

// The grid of the chart's system with labels at the edges, the equator and
// ecliptic with their ticks, the galactic equator, poles, equinoxes and the
// meridian: everything the grid layer can draw at once.
void BM_GridWithLabels(benchmark::State& state) {
  Sky sky;
  CSkyChart& chart = sky.chart;
  chart.showGrid = true;
  chart.showCoordGrid[1] = chart.showCoordGrid[2] = true;
  chart.showCelestialEquator = chart.showCelestialEquatorTicks = true;
  chart.showEcliptic = chart.showEclipticTicks = true;
  chart.showGalacticEquator = chart.showMeridian = chart.showMeridianTicks = true;
  chart.showCelestialPoles = chart.showEquinoxMarkers = chart.showSolsticeMarkers = true;
  int labels = 0;
  for (auto _ : state) {
    chart.clearLabelRects();
    chart.drawGridAndReferenceLines();
    chart.drawReferenceLine(kCoordHorizon);
    chart.drawCompassPoints();
    labels = chart.labelRectCount;
  }
  state.counters["labels"] = labels;
}
BENCHMARK(BM_GridWithLabels)->Unit(benchmark::kMicrosecond);

// The Galaxy from 30 kpc above the galactic centre, the observer moving
// every frame: each particle's direction and distance, the far-to-near
// sort and the sprites of those in view.
void BM_GalaxyParticles(benchmark::State& state) {
  Sky sky;
  CSkyChart& chart = sky.chart;
  chart.setDisplayCoordSystem(0);
  chart.setDisplayCenter(0, 266.4 * kDegree, -28.9 * kDegree, 0);
  chart.updateDisplayMatrix();
  chart.buildGalaxyModel();
  const double above[3] = {-0.86766, -0.19808, 0.45598};  // the galactic pole, J2000
  for (int c = 0; c < 3; ++c) chart.observerPosition[c] = above[c] * 30000 * 206264.8;
  for (auto _ : state) {
    chart.observerPosition[0] += 1000;  // a new place: everything is placed again
    chart.updateNeeded = true;
    chart.drawGalaxyModel();
  }
}
BENCHMARK(BM_GalaxyParticles)->Unit(benchmark::kMicrosecond);

}  // namespace
