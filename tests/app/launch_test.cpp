// Start-up on the manual clock: the catalogues in their order and with
// their fall-backs, the counts kept per version, the ISS selected once the
// start-up update attempt has reported, and a chart screen even without
// catalogues.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include "chart/sky_chart.h"
#include "engine/vectors.h"
#include "mechanics/jpl_ephemeris.h"
#include "platform/devices/store_review.h"
#include "platform/foundation/bundle.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/application.h"
#include "skydata/object_types.h"
#include "skydata/open_file.h"
#include "skydata/sky_database.h"
#include "skydata/sky_object.h"
#include "loopback_server.h"
#include "platform/uikit/alert_controller.h"
#include "push/push_client.h"
#include "tests/app/app_session.h"
#include "tests/mechanics/de405_file.h"
#include "ui/foundation/utility.h"

namespace {

using app_test::AppSession;
using app_test::SessionOptions;

std::int64_t stored(const std::string& key) { return ns::UserDefaults::standard().integerForKey(key); }

void enterForeground() {
  ui::Application& app = ui::Application::shared();
  app.enterBackground();
  app.becomeActive();
}

TEST(ApplicationLaunch, SelectsTheStationOnceTheStartUpUpdateHasReported) {
  AppSession session;
  session.run(0.5);
  CSkyChart& chart = session.chart();
  ASSERT_NE(chart.selectedObject, nullptr);
  EXPECT_EQ(chart.selectedObject->getType(), kTypeSatellite);
  EXPECT_EQ(chart.selectedObjectID.catnum % 10000000000000000, 25544);
  // The chart screen's model took the selection over.
  EXPECT_EQ(session.screen().settings()->selectedObject() != nullptr, true);
  EXPECT_GT(session.chartView().framesDrawn(), 0);
}

TEST(ApplicationLaunch, ADamagedDownloadedCatalogueFallsBackToTheBundle) {
  SessionOptions options;
  options.launch = false;
  AppSession session(options);
  std::ofstream(Utility::cachesDirectory() + "/SolarSystem.skydata") << "not a catalogue";
  session.launch();
  session.run(0.5);
  ASSERT_NE(session.chart().selectedObject, nullptr);
  EXPECT_EQ(session.chart().selectedObject->getType(), kTypeSatellite);
}

TEST(ApplicationLaunch, AGoodDownloadedCatalogueComesBeforeTheBundle) {
  // The download holds no satellite: the station is not found, so what
  // the chart shows came from the Caches copy.
  SessionOptions without;
  without.satellites = false;
  without.launch = false;
  AppSession source(without);
  const std::string copy = source.bundle() + "/SkyData/SolarSystem.skydata";
  SessionOptions options;
  options.launch = false;
  AppSession session(options);
  std::filesystem::copy_file(copy, Utility::cachesDirectory() + "/SolarSystem.skydata");
  session.launch();
  session.run(0.5);
  const CSkyObject* selected = session.chart().selectedObject;
  EXPECT_TRUE(selected == nullptr || selected->getType() != kTypeSatellite);
}

TEST(ApplicationLaunch, WithoutCataloguesTheScreenStillComesUpAndSnapshots) {
  SessionOptions options;
  options.catalogues = false;
  AppSession session(options);
  session.run(0.5);
  EXPECT_EQ(session.chart().selectedObject, nullptr);
  auto image = ui::Application::shared().snapshot(1);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width(), std::size_t(ui::Screen::main().bounds().width()));
}

TEST(ApplicationLaunch, CountsForegroundEntriesPerVersionAndAsksForARatingAtTheSixthAndEveryFifth) {
  AppSession session;
  ApplicationShell& shell = session.shell();
  const std::string& key = shell.launchCountKey();
  EXPECT_NE(key.find(ns::Bundle::main().infoValue("CFBundleShortVersionString")), std::string::npos);
  EXPECT_EQ(stored(key), 1);
  EXPECT_EQ(shell.reviewRequests(), 0);
  std::vector<int> askedAt;
  for (int entry = 2; entry <= 16; ++entry) {
    const int before = shell.reviewRequests();
    enterForeground();
    if (shell.reviewRequests() > before) askedAt.push_back(entry);
    EXPECT_EQ(stored(key), entry);
  }
  EXPECT_EQ(askedAt, (std::vector<int>{6, 11, 16}));
  EXPECT_EQ(stored(shell.askToRateLaunchCountKey()), 20);
}

TEST(ApplicationLaunch, WithoutAnUpdateServerNoAnnouncementIsFetched) {
  SessionOptions options;
  options.launchCount = 5;
  AppSession session(options);
  session.run(1.0);
  EXPECT_EQ(session.shell().announcement().title, "");
  EXPECT_FALSE(ns::UserDefaults::standard().hasValue(kLastAnnouncementKey));
}

// The bundle's JPL file (here DE405, converted by the data tool) is what
// the application's chart takes the planets from: Jupiter's place is the
// file's own to the millimetre, not the series' (thousands of kilometres
// off at that distance).
TEST(ApplicationLaunch, TheChartTakesThePlanetsFromTheBundlesJplFile) {
  const de405::Files& de = de405::files();
  ASSERT_TRUE(de.ok) << "converter failed (python3-casacore, casacore-data-jpl-de405)";
  SessionOptions options;
  options.launch = false;
  AppSession session(options);
  std::filesystem::create_directories(session.bundle() + "/SkyData/JPL");
  std::filesystem::create_symlink(de.native, session.bundle() + "/SkyData/JPL/DE438.eph");
  session.launch();
  session.run(0.5);
  CSkyChart& chart = session.chart();
  const double t = chart.dynamicalJulianDate;
  double fromChart[3];
  chart.planetState(5, fromChart, nullptr, t);
  ASSERT_NE(chart.ephemeris, nullptr) << "the chart opened the file";

  std::int64_t offset, length;
  std::FILE* file = openFileWithSize(de.native.c_str(), "rb", &offset, &length);
  ASSERT_NE(file, nullptr);
  JPLEphemeris* direct = openJPLEphemeris(file, offset, length, nullptr, 0, nullptr, 0);
  ASSERT_NE(direct, nullptr) << jplLastError();
  double fromFile[6];
  ASSERT_EQ(jplBodyState(direct, kJPLJupiter, kJPLSun, fromFile, false, t), 0);
  closeJPLEphemeris(direct);
  CSkyMechanics series(chart.database);
  double fromSeries[3];
  series.planetState(5, fromSeries, nullptr, t);

  const double kmPerAU = 149597870.7;
  EXPECT_LT(vectorDistance(fromChart, fromFile) * kmPerAU, 1e-6);
  EXPECT_GT(vectorDistance(fromSeries, fromFile) * kmPerAU, 100.0) << "the series would be told apart";
}

TEST(ApplicationLaunch, ThePushClientStartsFromTheSecondEntryOfAVersionAndItsPayloadsReachTheDelegate) {
  std::atomic<int> registrations{0};
  tessaly::test::LoopbackServer server([&](int client, const tessaly::test::LoopbackServer::Request& request) {
    if (request.method == "POST") ++registrations;
    tessaly::test::LoopbackServer::sendResponse(client, 200, "OK", "{}");
  });
  ns::UserDefaults::standard().setString(PushClient::kEndpointKey, server.url("/register"));
  {
    AppSession first;
    first.run(2.0);
    EXPECT_EQ(registrations.load(), 0) << "not at a version's first launch";
  }
  SessionOptions options;
  options.launchCount = 1;
  options.launch = false;
  AppSession second(options);
  ns::UserDefaults::standard().setString(PushClient::kEndpointKey, server.url("/register"));
  second.launch();
  for (int i = 0; i < 200 && registrations.load() == 0; ++i) second.run(0.02);
  EXPECT_EQ(registrations.load(), 1);
  // A payload renamed into the inbox arrives within a second as an alert.
  const std::string inbox = Utility::cachesDirectory() + "/PushInbox";
  std::filesystem::create_directories(inbox);
  std::ofstream(inbox + "/.incoming") << R"({"aps": {"alert": "Pass tonight"}})";
  std::filesystem::rename(inbox + "/.incoming", inbox + "/1.json");
  ui::AlertController* alert = nullptr;
  for (int i = 0; i < 30 && !alert; ++i) {
    second.run(0.1);
    alert = dynamic_cast<ui::AlertController*>(Utility::topMostController());
  }
  EXPECT_FALSE(std::filesystem::exists(inbox + "/1.json")) << "read and removed";
  ASSERT_NE(alert, nullptr);
  EXPECT_EQ(alert->message(), "Pass tonight");
  ns::UserDefaults::standard().removeObject(PushClient::kEndpointKey);
}

}  // namespace
