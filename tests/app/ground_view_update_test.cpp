// An orbit-data update that arrives while the ground view is shown, as the
// program meets it: the hourly check when it comes back to the
// foreground, served wy a loopback update server. The ground view's
// satellites change at once (what it draws and what a tap finds), without
// a change of perspective; a catalogue that does not load says so and
// leaves the satellites as they were.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/chart_view_toolbar.h"
#include "app/elements_downloader.h"
#include "chart/sky_chart.h"
#include "platform/coregraphics/image.h"
#include "platform/coregraphics/image_codec.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/alert_controller.h"
#include "platform/uikit/application.h"
#include "skydata/catalog_numbers.h"
#include "skydata/planet.h"
#include "skydata/sky_data_file.h"
#include "skydata/sky_database.h"
#include "tests/app/app_session.h"
#include "tests/app/updater_support.h"
#include "ui/foundation/utility.h"

namespace {

using app_test::AppSession;
using app_test::SessionOptions;
using namespace updater_test;

// Two satellites on orbits beside the ISS's, ascending nodes 10 degrees
// east and west of its own, so that both lie in the ground view round the
// selected station and off its track.
constexpr std::uint32_t kEast = 90001, kWest = 90002;
// How green a point of the ground view is where a satellite is drawn, and
// at most where none is (the map and the track are not pure green).
constexpr int kDrawn = 128, kBlank = 64;
mechanics_test::SatelliteRecord companion(std::uint32_t number, double nodeDegreesEast) {
  mechanics_test::SatelliteRecord record = satelliteFrom(mechanics_test::kIssLines);
  record.elements.catalogueNumber = static_cast<std::int32_t>(number);
  record.elements.node += nodeDegreesEast * 0.017453292519943295;
  return record;
}

class GroundViewUpdate : public ::testing::Test {
 protected:
  GroundViewUpdate() : session_(withTheSatelliteEast()) {}

  static SessionOptions withTheSatelliteEast() {
    SessionOptions options;
    options.moreSatellites = {companion(kEast, 10)};
    return options;
  }

  void SetUp() override {
    network_ = dynamic_cast<NetworkElementsDownloader*>(ElementsDownloader::shared());
    ASSERT_NE(network_, nullptr);
    // The launch's own check found no source set.
    network_->waitForThread();
    session_.run(1.0);
    const ui::Point ground = AppSession::centreOf(*session_.screen().views().groundPerspectiveButton);
    session_.tap(ground.x, ground.y);
    ASSERT_EQ(session_.chartView().chartPerspective(), kGroundPerspective);
    ASSERT_TRUE(session_.chart().earthView);
    // The ground view's option that shows the other satellites besides the
    // selected one, as its settings page sets it.
    session_.screen().settings()->setShowSelectedOnlyGround(false);
    session_.run(0.5);
    ns::UserDefaults::standard().setString(kUpdateServerURLKey, server_.base());
  }

  void TearDown() override { ns::UserDefaults::standard().removeObject(kUpdateServerURLKey); }

  // The program goes to the background and comes back: the hourly check
  // starts the update; its report runs on the main loop.
  void returnToTheForeground(const std::function<void()>& beforeTheReport = {}) {
    ui::Application& application = ui::Application::shared();
    application.enterBackground();
    application.becomeActive();
    ASSERT_TRUE(ElementsDownloader::updatingOrbitData()) << "the foreground entry started an update";
    network_->waitForThread();
    if (beforeTheReport) beforeTheReport();
    ASSERT_TRUE(session_.runUntil([] { return !ElementsDownloader::updatingOrbitData(); }, 5.0));
    session_.run(0.5);
  }

  // The satellite of that number and where the ground view draws it;
  // fails the test when it is missing or off the screen.
  CPlanet* placed(std::uint32_t number, double* x, double* y) {
    CPlanet* body = satellite(number);
    EXPECT_NE(body, nullptr) << number;
    if (body == nullptr) return nullptr;
    EXPECT_TRUE(screenPoint(body, x, y)) << number;
    return body;
  }

  CPlanet* satellite(std::uint32_t number) {
    std::vector<SkyObjectID> found;
    CSkyDatabase& database = *session_.chart().database;
    if (database.findObjectsByCatalogNumber(makeCatalogNumber(kCatalogSatellite, number), kSolarSystemFile, found,
                                            1) < 1)
      return nullptr;
    return dynamic_cast<CPlanet*>(database.getObject(&found[0]));
  }

  // Where the ground view draws a satellite (pixels): its direction from
  // the Earth's centre.
  bool screenPoint(CPlanet* body, double* x, double* y) {
    CSkyChart& chart = session_.chart();
    CPlanet* earth = chart.database->getEarth();
    chart.updateObjectPosition(earth);
    chart.updateObjectPosition(body);
    double v[3];
    body->getPositionRelativeTo(v, *earth);
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    for (double& c : v) c /= length;
    return chart.vectorToScreen(v, x, y) && chart.isPointInViewport(*x, *y);
  }

  std::shared_ptr<cg::Image> frame(const char* name) {
    session_.chartView().drawImmediately();
    auto image = session_.chartView().snapshotOfSkyChart();
    if (const char* folder = std::getenv("TESSALY_APP_TEST_SNAPSHOTS"); folder != nullptr && image)
      cg::writePNG(*image, std::string(folder) + "/" + name + ".png");
    return image;
  }

  // Greenest pixel level within 3 pixels of a point: the ground view's
  // satellites are green sprites on a blue and brown map.
  static int green(const cg::Image& image, double x, double y) {
    int best = 0;
    for (int dy = -3; dy <= 3; ++dy)
      for (int dx = -3; dx <= 3; ++dx) {
        const long px = std::lround(x) + dx, py = std::lround(y) + dy;
        if (px < 0 || py < 0 || px >= long(image.width()) || py >= long(image.height())) continue;
        const std::uint32_t argb = image.row(std::size_t(py))[std::size_t(px)];
        const int g = int(argb >> 8 & 0xFF), r = int(argb >> 16 & 0xFF), b = int(argb & 0xFF);
        best = std::max(best, g - std::max(r, b));
      }
    return best;
  }

  AppSession session_;
  UpdateServer server_;
  NetworkElementsDownloader* network_ = nullptr;
};

TEST_F(GroundViewUpdate, AnUpdateInTheGroundViewChangesWhatItDrawsAndWhatATapFinds) {
  CSkyChart& chart = session_.chart();
  const double scale = chartSurfaceScale();
  double ex = 0, ey = 0;
  ASSERT_NE(placed(kEast, &ex, &ey), nullptr);
  auto before = frame("ground-before-update");
  ASSERT_NE(before, nullptr);
  EXPECT_GT(green(*before, ex, ey), kDrawn) << "the eastern satellite is drawn";

  // The new catalogue: the ISS and a satellite west of it; the eastern one
  // is gone.
  server_.answer(kCataloguePath, {Answer::whole, 200,
                                  catalogueWith({satelliteFrom(mechanics_test::kIssLines), companion(kWest, -10)})});
  returnToTheForeground();
  EXPECT_EQ(session_.chartView().chartPerspective(), kGroundPerspective) << "no change of perspective";
  EXPECT_GT(ns::UserDefaults::standard().doubleForKey(NetworkElementsDownloader::kLastUpdateTimeKey), 0.0);
  EXPECT_EQ(satellite(kEast), nullptr);
  double wx = 0, wy = 0;
  CPlanet* west = placed(kWest, &wx, &wy);
  ASSERT_NE(west, nullptr);
  auto after = frame("ground-after-update");
  ASSERT_NE(after, nullptr);
  EXPECT_LT(green(*before, wx, wy), kBlank);
  EXPECT_GT(green(*after, wx, wy), kDrawn) << "the western satellite is drawn";
  EXPECT_LT(green(*after, ex, ey), kBlank) << "the eastern one is not";

  // A tap where the western satellite is drawn selects it.
  const ui::Point at = session_.chartView().transformToRoot().apply({wx / scale, wy / scale});
  session_.tap(at.x, at.y);
  session_.run(1.0);  // a single tap selects once no second one follows
  EXPECT_EQ(chart.selectedObject, west);
}

// A catalogue that passed the update's checks and still does not load (its
// Caches copy cut short before the report reads it; its header still
// reads) changes nothing and stores no time: the automatic check says so
// in the log, the settings screen's update in its results.
TEST_F(GroundViewUpdate, ACatalogueThatDoesNotLoadSaysSoAndTheGroundViewKeepsItsSatellites) {
  const std::string served =
      catalogueWith({satelliteFrom(mechanics_test::kIssLines), companion(kWest, -10)});
  server_.answer(kCataloguePath, {Answer::whole, 200, served});
  const std::string cached = cachesFile(NetworkElementsDownloader::kSolarSystemFileName);
  auto cutShort = [&] {
    ASSERT_TRUE(tessaly::test::writeFile(cached, served.substr(0, served.size() - 1)));
    CSkyDataFile file(cached.c_str());
    ASSERT_GT(file.readHeader(), 0) << "a header that reads, over data that does not";
  };
  CSkyDataFile* before = session_.chart().database->getSolarSystemFile();

  testing::internal::CaptureStderr();
  returnToTheForeground(cutShort);
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_NE(log.find("Solar-system catalogue not updated: the downloaded catalogue did not load"), std::string::npos)
      << log;
  EXPECT_EQ(session_.chart().database->getSolarSystemFile(), before);
  EXPECT_NE(satellite(kEast), nullptr);
  EXPECT_EQ(satellite(kWest), nullptr);
  EXPECT_EQ(ns::UserDefaults::standard().doubleForKey(NetworkElementsDownloader::kLastUpdateTimeKey), 0.0);

  // The settings screen's update starts the same thread and shows results.
  testing::internal::CaptureStderr();
  ASSERT_TRUE(ElementsDownloader::doUpdateOrbitData(true));
  network_->waitForThread();
  cutShort();
  session_.run(1.0);
  testing::internal::GetCapturedStderr();
  auto* alert = dynamic_cast<ui::AlertController*>(Utility::topMostController());
  ASSERT_NE(alert, nullptr);
  EXPECT_EQ(alert->alertTitle(), "Update Results");
  EXPECT_EQ(alert->message(), "The orbit data could not be updated (the downloaded catalogue did not load).");
  alert->chooseAction(0);
  session_.run(1.0);
  EXPECT_EQ(session_.chart().database->getSolarSystemFile(), before);
  EXPECT_EQ(ns::UserDefaults::standard().doubleForKey(NetworkElementsDownloader::kLastUpdateTimeKey), 0.0);
}

}  // namespace
