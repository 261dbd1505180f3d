// The solar-system layer's frame costs through the GL layer on the
// software GPU (a 1280 x 800 view of the planets, moons and 1,000
// labelled satellites; a textured Moon filling the view), the first frame
// of a chart that reads its index and first map, and the decoders the
// maps and models go through, on the bundle's own files (compare with
// Pillow's decode and assimp's import of the same files).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "chart/image_files.h"
#include "chart/model3d.h"
#include "chart/planet_textures.h"
#include "chart/sky_chart.h"
#include "skydata/object_types.h"
#include "tests/chart/chart_canvas.h"
#include "tests/chart/spread_satellites.h"
#include "tests/mechanics/mechanics_fixture.h"
#include "tests/tools/built_bundle.h"

namespace {

constexpr double kRadiansPerDegree = 0.017453292519943295;

std::string skyImages() { return tessaly::test::builtBundlePath() + "/SkyImages"; }

// A chart on the tests' sky with the bundle's image folder and its map
// index, drawing into a GL canvas of the given size.
struct GLChart {
  GLChart(int width, int height, const std::vector<mechanics_test::SatelliteRecord>& satellites)
      : world(mechanics_test::standardExtraBodies(), satellites) {
    unloadImageIndex();
    loadImageIndex((skyImages() + "/SolarSystem/Index.txt").c_str());
    chart = std::make_unique<CSkyChart>(&world.database(), skyImages().c_str());
    chart->setViewport(0, 0, static_cast<float>(width), static_cast<float>(height));
    canvas = chart_test::makeCanvas(chart_test::Backend::gl, *chart, width, height);
  }
  ~GLChart() { planetTextureLoader().wait(); }
  void centreOn(CPlanet* body, double fovDegrees) {
    SkyObjectID id = world.reference(body);
    chart->selectObject(&id);
    chart->setDisplayFOV(fovDegrees * kRadiansPerDegree);
    chart->centerOnObjectID(&id);
    chart->updateDisplayMatrix();
  }
  void frame(bool rebuild) {
    chart->updateNeeded = rebuild;
    chart->clearLabelRects();
    chart->drawSolarSystemObjects();
  }
  mechanics_test::SolarSystemWorld world;
  std::unique_ptr<CSkyChart> chart;
  std::unique_ptr<chart_test::ChartCanvas> canvas;
};

// A 90-degree field on the ecliptic with the Sun, planets and the Moon, and
// a thousand satellites with their names (the list built once).
void BM_SolarLayerFrame(benchmark::State& state) {
  if (!chart_test::backendAvailable(chart_test::Backend::gl)) {
    state.SkipWithError("no GL layer");
    return;
  }
  GLChart gl(1280, 800, chart_test::spreadSatellites());
  gl.chart->setJulianDate(2454730.0);
  gl.chart->showSatellites = gl.chart->showMinorPlanetNames = true;
  gl.centreOn(gl.world.body(kTypeMoon, 301), 90);
  gl.frame(true);
  for (auto _ : state) gl.frame(false);
  state.counters["records"] = gl.chart->planetDistanceCount;
}
BENCHMARK(BM_SolarLayerFrame)->Unit(benchmark::kMillisecond);

// The Moon's lit globe with its 1024-pixel map over most of the view.
void BM_TexturedGlobeFrame(benchmark::State& state) {
  if (!chart_test::backendAvailable(chart_test::Backend::gl)) {
    state.SkipWithError("no GL layer");
    return;
  }
  GLChart gl(1280, 800, {});
  gl.chart->setJulianDate(2451558.0653);
  gl.centreOn(gl.world.body(kTypeMoon, 301), 0.7);
  gl.frame(true);
  planetTextureLoader().wait();
  gl.frame(false);
  for (auto _ : state) gl.frame(false);
}
BENCHMARK(BM_TexturedGlobeFrame)->Unit(benchmark::kMillisecond);

// From nothing to the first frame: the index, a chart, its GL canvas and
// the first map read at once.
void BM_FirstFrame(benchmark::State& state) {
  if (!chart_test::backendAvailable(chart_test::Backend::gl)) {
    state.SkipWithError("no GL layer");
    return;
  }
  mechanics_test::SolarSystemWorld world(mechanics_test::standardExtraBodies());
  for (auto _ : state) {
    unloadImageIndex();
    loadImageIndex((skyImages() + "/SolarSystem/Index.txt").c_str());
    CSkyChart chart(&world.database(), skyImages().c_str());
    chart.setViewport(0, 0, 1280, 800);
    auto canvas = chart_test::makeCanvas(chart_test::Backend::gl, chart, 1280, 800);
    chart.setJulianDate(2451558.0653);
    SkyObjectID id = world.reference(world.body(kTypeMoon, 301));
    chart.selectObject(&id);
    chart.setDisplayFOV(2 * kRadiansPerDegree);
    chart.centerOnObjectID(&id);
    chart.updateDisplayMatrix();
    chart.drawSolarSystemObjects();
    planetTextureLoader().wait();
  }
}
BENCHMARK(BM_FirstFrame)->Unit(benchmark::kMillisecond);

// Decoding one bundle map (JPEG, 2048 x 1024) and reading one model.
void BM_DecodeMap(benchmark::State& state) {
  std::string path = skyImages() + "/SolarSystem/p2048/Earth.jpg";
  for (auto _ : state) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
      state.SkipWithError(("missing " + path).c_str());
      return;
    }
    GImage* image = readImageFile(file);
    std::fclose(file);
    benchmark::DoNotOptimize(image);
    freeImage(image);
  }
}
BENCHMARK(BM_DecodeMap)->Unit(benchmark::kMillisecond);

void BM_LoadModel(benchmark::State& state) {
  // Its texture goes up to the GL.
  GLChart gl(64, 64, {});
  std::string path = skyImages() + "/Models/Vesta/Vesta.obj";
  for (auto _ : state) {
    CModel3D model;
    if (model.load(path.c_str(), 0) != 1) {
      state.SkipWithError(("cannot load " + path).c_str());
      return;
    }
    benchmark::DoNotOptimize(model.triangleCount());
  }
}
BENCHMARK(BM_LoadModel)->Unit(benchmark::kMillisecond);

}  // namespace
