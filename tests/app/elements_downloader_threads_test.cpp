// The update beside a drawing main thread and the planet-texture loader
// (for ThreadSanitizer): the update's thread only downloads and checks;
// the catalogue reaches the chart between frames, in the report on the
// main loop, and the redraw requests of both foreign threads reach the
// main loop as posts.
#include <gtest/gtest.h>

#include <atomic>

#include "app/elements_downloader.h"
#include "chart/planet_textures.h"
#include "platform/coregraphics/context.h"
#include "platform/coregraphics/image_codec.h"
#include "platform/foundation/run_loop.h"
#include "platform/foundation/user_defaults.h"
#include "skydata/app_bridge.h"
#include "skydata/satellite_frequencies.h"
#include "skydata/sky_data_file.h"
#include "skydata/sky_data_region.h"
#include "skydata/sky_database.h"
#include "skydata/sky_object.h"
#include "tests/app/updater_support.h"
#include "tests/chart/chart_canvas.h"

namespace {

using namespace updater_test;

class Reports : public ElementsDownloaderDelegate {
 public:
  void downloadFinished(const UpdateResults& results) override { satellites = results.satellites, ++count; }
  int count = 0, satellites = -1;
};

std::string writeMap(const tessaly::test::TempDir& dir) {
  auto context = cg::Context::createBitmap(512, 256);
  context->setFillColor({0.2, 0.4, 0.8, 1});
  context->fillRect({0, 0, 512, 256});
  const std::string path = dir.file("map.png");
  EXPECT_TRUE(tessaly::test::writeFile(path, cg::encodePNG(*context->makeImage())));
  return path;
}

TEST(OrbitDataUpdateThreads, TheCatalogueArrivesBetweenFramesWhileTheLoaderDecodes) {
  uifoundation::World world;
  ns::UserDefaults& defaults = ns::UserDefaults::standard();
  defaults.removeObject(NetworkElementsDownloader::kLastUpdateTimeKey);
  UpdateServer server;
  defaults.setString("UpdateServerURL", server.base());
  defaults.removeObject("FrequencyListFallbackURL");
  using mechanics_test::kGeostationaryLines;
  using mechanics_test::kIssLines;
  using mechanics_test::kMolniyaLines;
  server.answer(kCataloguePath, {Answer::whole, 200,
                                 catalogueWith({satelliteFrom(kIssLines), satelliteFrom(kMolniyaLines),
                                                satelliteFrom(kGeostationaryLines)})});
  server.answer(kListPath, {Answer::whole, 200, frequencyList(50)});

  chart_test::ChartSky sky({}, {satelliteFrom(kIssLines)});
  std::unique_ptr<CSkyChart> chart = sky.chart(320, 240, 0, 0, 60);
  chart_test::Canvas2D canvas(*chart, 320, 240);
  auto controller = std::make_shared<uifoundation::FakeChartViewController>(chart.get());
  ChartViewController::setCurrentController(controller.get());
  Reports reports;
  NetworkElementsDownloader downloader;
  ElementsDownloader::setElementsDownloaderDelegate(&reports);

  // As the chart view does: a request from any thread becomes a post.
  std::atomic<int> redraws{0};
  setChartRedrawHandler([&] { ns::performOnMainThread([&] { ++redraws; }); });
  tessaly::test::TempDir dir;
  const std::string map = writeMap(dir);
  PlanetTextureLoader loader;

  // A planet selected: the chart draws its solar system every frame.
  SkyObjectID jupiter = sky.world().reference(sky.world().body(30, 5));
  chart->selectObject(&jupiter);
  ASSERT_TRUE(ElementsDownloader::doUpdateOrbitData(false));
  int frames = 0, framesAfterTheReport = 0, decoded = 0;
  // Until the report has had its frames and the loader has decoded beside
  // them: a busy machine may bring the report before the first decode.
  while (framesAfterTheReport < 3 || decoded == 0) {
    if (!loader.isRunning()) {
      if (GImage* image = loader.take(map.c_str(), nullptr)) freeImage(image), ++decoded;
      loader.start(map.c_str(), 512);
    }
    chart->drawSkyChart();  // frees the file a report replaced since the last frame
    ++frames;
    framesAfterTheReport += reports.count > 0;
    ns::RunLoop::main().runOnce();
    std::vector<SatelliteFrequency> rows(4);
    findSatelliteFrequencies(40001, rows.data(), 4);  // a page reading the list
  }
  loader.wait();
  downloader.waitForThread();
  setChartRedrawHandler({});
  ChartViewController::setCurrentController(nullptr);

  EXPECT_EQ(reports.count, 1);
  EXPECT_EQ(reports.satellites, 3);
  EXPECT_GT(frames, 3);
  EXPECT_GT(decoded, 0);
  EXPECT_GT(redraws.load(), 0);
  EXPECT_EQ(satelliteFrequencyCount(), 50);
  // The report installed the new file.
  int satellites = 0;
  CSkyDataRegion* root = sky.database().getSolarSystemFile()->getRoot();
  for (std::size_t i = 0; i < root->getObjectCount(); ++i) satellites += root->getObject(i)->getType() == 35;
  EXPECT_EQ(satellites, 3);
  clearSatelliteFrequencies();
}

}  // namespace
