// The ground view's costs: a world-map frame of 1,000 satellites with every
// country's border and the selected satellite's footprint (budget 33 ms
// through the software GPU, 8 ms of chart work alone); loading the world
// borders (100 ms); a near asteroid's 1,440-point path (20 ms).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "chart/sky_chart.h"
#include "chart/world_borders.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"
#include "tests/chart/chart_canvas.h"
#include "tests/mechanics/mechanics_fixture.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
const std::string kBorders = std::string(TESSALY_BENCH_BUNDLE) + "/WorldBorders/TM_WORLD_BORDERS_SIMPL";

// gpredict's sets, repeated under new numbers up to 1,000.
std::vector<mechanics_test::SatelliteRecord> thousandRealSatellites() {
  const auto sets = mechanics_test::gpredictElementSets();
  std::vector<mechanics_test::SatelliteRecord> list;
  for (int i = 0; i < 1000 && !sets.empty(); ++i) {
    SatelliteElementSet e = sets[static_cast<std::size_t>(i) % sets.size()].elements;
    e.catalogueNumber = 60000 + i;
    list.push_back({e, 4.0, {1 + i % 8}});
  }
  return list;
}

struct GroundScene {
  GroundScene() : world({}, thousandRealSatellites()) {
    chart = std::make_unique<CSkyChart>(&world.database(), "");
    chart->setViewport(0, 0, 1280, 800);
    chart->setJulianDate(2458139.5);
    chart->setDisplayCoordSystem(1);
    chart->setDisplayProjection(4);
    chart->setDisplayFOV(2 * kPi);
    chart->earthView = chart->showSatellites = true;
    chart->satelliteVisibilityCircles = 1;
    releaseWorldBorders();
    loadWorldBorders(kBorders.c_str());
    std::fill(std::begin(chart->showCountryBorder), std::end(chart->showCountryBorder), true);
    CSkyDatabase& db = world.database();
    SkyObjectID selected;
    db.getSolarSystemObjectID(db.getSolarSystemObject(db.getSolarSystemObjectCount() - 1), &selected);
    chart->selectObject(&selected);
  }
  mechanics_test::SolarSystemWorld world;
  std::unique_ptr<CSkyChart> chart;
};

void BM_GroundViewFrameGL(benchmark::State& state) {
  GroundScene scene;
  auto canvas = chart_test::makeCanvas(chart_test::Backend::gl, *scene.chart, 1280, 800);
  for (auto _ : state) {
    scene.chart->updateNeeded = true;
    scene.chart->drawEarthView();
  }
  state.counters["countries"] = getCountryCount();
}
BENCHMARK(BM_GroundViewFrameGL)->Unit(benchmark::kMillisecond);

// The chart's own work: positions, projection and the line buffers, with
// no GL context to hand the lines to.
void BM_GroundViewFrameCpu(benchmark::State& state) {
  GroundScene scene;
  for (auto _ : state) {
    scene.chart->updateNeeded = true;
    scene.chart->drawEarthView();
  }
}
BENCHMARK(BM_GroundViewFrameCpu)->Unit(benchmark::kMillisecond);

void BM_LoadWorldBorders(benchmark::State& state) {
  for (auto _ : state) {
    releaseWorldBorders();
    benchmark::DoNotOptimize(loadWorldBorders(kBorders.c_str()));
  }
  state.counters["countries"] = getCountryCount();
}
BENCHMARK(BM_LoadWorldBorders)->Unit(benchmark::kMillisecond);

void BM_NearAsteroidPath(benchmark::State& state) {
  mechanics_test::BodyRecord rock;
  rock.type = kTypeAsteroid;
  rock.names = {"Nearby"};
  rock.epoch = 2460676.5;
  rock.q = 1.03, rock.e = 0.03, rock.n = 2 * kPi / 400, rock.omega = 1.75;
  mechanics_test::SolarSystemWorld world({rock});
  CSkyChart chart(&world.database(), "");
  chart.setJulianDate(2460676.5);
  CPlanet* asteroid = world.database().getSolarSystemObject(world.database().getSolarSystemObjectCount() - 1);
  chart.updateObjectPosition(asteroid);
  SkyObjectPath path;
  for (auto _ : state) chart.computeObjectPath(asteroid, &path, false);
  state.counters["points"] = path.count;
  state.counters["distance_au"] = asteroid->getDistance();
  resetObjectPath(&path);
}
BENCHMARK(BM_NearAsteroidPath)->Unit(benchmark::kMillisecond);

}  // namespace
