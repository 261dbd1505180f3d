// Costs of the sky layers' processor work against their budgets: the
// coordinate grid with its edge labels, the reference lines and their
// ticks under 1 ms, on a 1280 x 800 horizon chart of 90 degrees. The
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

}  // namespace
