// The star layer's work on the processor for one frame of a 90-degree
// field at 1280 x 800 (budget 3 ms): the region walk with its culling, the
// stars' places when the time moves (second argument 1) or not, sprites
// batched and labels placed. The batches are handed to the 2-D back end,
// which drops sprites, so the graphics layer's own drawing is not counted.
// On the bundle's star, Tycho and guide-star catalogues when they have
// been built, else on 1,000,000 random stars of a synthetic sky tree; the
// first argument is the limit at the field.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "chart/sky_chart.h"
#include "platform/coregraphics/context.h"
#include "skydata/sky_database.h"
#include "skydata/skydata_writer.h"
#include "tests/chart/sky_fixture.h"

namespace {

constexpr double kDegree = 0.017453292519943295;

// A sky tree three levels below the cube's faces, every star in the
// region its direction falls in.
bool writeSyntheticSky(const std::string& path, int count) {
  SkyDataWriter writer;
  chart_test::setSkyTreeFaces(writer);
  std::mt19937 random(3);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int i = 0; i < count; ++i) {
    chart_test::StarDefinition s;
    s.ra = 360 * unit(random);
    s.dec = std::asin(2 * unit(random) - 1) / kDegree;
    // Many faint, few bright, as in a real catalogue.
    s.magnitude = static_cast<float>(std::round(100 * (12 - 2.5 * std::log10(1 + 1e4 * unit(random)))) / 100);
    const double v[3] = {std::cos(s.dec * kDegree) * std::cos(s.ra * kDegree),
                         std::cos(s.dec * kDegree) * std::sin(s.ra * kDegree), std::sin(s.dec * kDegree)};
    if (writer.addRecord(chart_test::skyTreeRegion(v, 3), chart_test::starRecord(s), s.magnitude) < 0)
      return false;
  }
  return writer.writeFile(path);
}

struct StarSky {
  StarSky() {
    const char* built = std::getenv("TESSALY_SKY_DATA");
    const std::string folder = std::string(built != nullptr ? built : TESSALY_BUILD_TREE "/app/SkyData") + "/";
    bundle = std::make_unique<CSkyDatabase>(folder.c_str());
    if (bundle->loadStars("Stars.skydata") != nullptr &&
        bundle->loadTychoStars("TychoStars.skydata") != nullptr &&
        bundle->loadGuideStars("GuideStars.skydata") != nullptr) {
      bundle->loadSolarSystem("SolarSystem.skydata");
      database = bundle.get();
      return;
    }
    synthetic = std::make_unique<chart_test::ChartSky>();
    char directory[256];
    synthetic->database().getDataDirectory(directory, sizeof directory);
    if (writeSyntheticSky(std::string(directory) + "Synthetic.skydata", 1000000))
      synthetic->database().loadTychoStars("Synthetic.skydata");
    database = &synthetic->database();
  }
  std::unique_ptr<CSkyDatabase> bundle;
  std::unique_ptr<chart_test::ChartSky> synthetic;
  CSkyDatabase* database = nullptr;
};

void BM_StarLayer(benchmark::State& state) {
  static StarSky sky;
  CSkyChart chart(sky.database, "");
  auto context = cg::Context::createBitmap(1280, 800);
  context->translateCTM(0, 800);
  context->scaleCTM(1, -1);
  chart.cgContext = context.get();
  chart.setViewport(0, 0, 1280, 800);
  chart.setLocation(0.2, 0.8, 0);
  chart.setJulianDate(2461000.5);
  chart.setDisplayProjection(3);
  // Cygnus and the Milky Way's densest northern fields.
  chart.CSkyProjection::setDisplayCenter(0, 305 * kDegree, 40 * kDegree, 0);
  chart.setDisplayFOV(90 * kDegree);
  chart.updateDisplayMatrix();
  chart.setStarMagnitudeLimit(static_cast<float>(state.range(0)));
  const bool moving = state.range(1) != 0;
  chart.updateNeeded = true;
  chart.drawStars();  // loads the regions in view
  for (auto _ : state) {
    chart.updateNeeded = moving;
    chart.clearLabelRects();
    chart.drawStars();
  }
  state.counters["bundle"] = sky.bundle != nullptr && sky.database == sky.bundle.get();
  chart.cgContext = nullptr;
}
BENCHMARK(BM_StarLayer)
    ->ArgsProduct({{6, 9, 12}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
