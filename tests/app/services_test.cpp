// The application delegate's services and the chart screen controller's
// small operations: the activity overlay's count, sound effects, the
// status line's four seconds and the names it shows on a phone and on a
// tablet, selection, centring with motion on, and the scroll points of the
// object lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "chart/sky_chart.h"
#include "loopback_server.h"
#include "platform/coregraphics/image.h"
#include "platform/devices/audio_session.h"
#include "platform/devices/location.h"
#include "platform/foundation/user_defaults.h"
#include "push/push_client.h"
#include "platform/uikit/application.h"
#include "platform/uikit/image.h"
#include "skydata/sky_database.h"
#include "skydata/sky_object_model.h"
#include "skydata/star_designations.h"
#include "tests/app/app_session.h"
#include "ui/info/object_status_line.h"

namespace {

using app_test::AppSession;

TEST(ApplicationServices, ActivityShownTwiceAndHiddenTwiceLeavesNothingAndAnExtraHideStaysAtZero) {
  AppSession session;
  ApplicationShell& shell = session.shell();
  const std::size_t windowViews = shell.window()->subviews().size();
  shell.showActivity(true);
  shell.showActivity(true);
  EXPECT_EQ(shell.activityCount(), 2);
  EXPECT_EQ(shell.window()->subviews().size(), windowViews + 1);
  shell.showActivity(false);
  shell.showActivity(false);
  session.run(0.3);
  EXPECT_EQ(shell.activityCount(), 0);
  EXPECT_EQ(shell.window()->subviews().size(), windowViews);
  shell.hideActivity();
  EXPECT_EQ(shell.activityCount(), 0);
}

TEST(ApplicationServices, SoundEffectsOffPlayNothing) {
  AppSession session;
  ApplicationShell& shell = session.shell();
  shell.playSound("MenuIn.caf", 1.0f);
  EXPECT_EQ(shell.soundLog().back(), "MenuIn.caf");
  const std::size_t played = shell.soundLog().size();
  session.screen().settings()->setSoundEffects(false);
  shell.playSound("MenuOut.caf", 1.0f);
  shell.playSound("", 1.0f);
  EXPECT_EQ(shell.soundLog().size(), played);
}

// Start-up makes the sound effects mix with other sound (the ambient
// category) and logs a push registration the endpoint refuses; a theme
// change lets go of the picture viewer.
TEST(ApplicationServices, StartUpSetsTheAmbientCategoryAndLogsARefusedPushRegistration) {
  dev::AudioSession::shared().setCategory(dev::AudioCategory::playback);
  tessaly::test::LoopbackServer server([](int client, const tessaly::test::LoopbackServer::Request&) {
    tessaly::test::LoopbackServer::sendResponse(client, 503, "Service Unavailable", "{}");
  });
  app_test::SessionOptions options;
  options.launchCount = 1;  // the push client starts from the second entry
  options.launch = false;
  AppSession session(options);
  ns::UserDefaults::standard().setString(PushClient::kEndpointKey, server.url("/register"));
  testing::internal::CaptureStderr();
  session.launch();
  EXPECT_EQ(dev::AudioSession::shared().category(), dev::AudioCategory::ambient);
  const std::string expected = "Failed to register with error: refused with status 503";
  std::string log;
  for (int i = 0; i < 300 && log.find(expected) == std::string::npos; ++i) {
    session.run(0.02);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    log += testing::internal::GetCapturedStderr();
    testing::internal::CaptureStderr();
  }
  log += testing::internal::GetCapturedStderr();
  ns::UserDefaults::standard().removeObject(PushClient::kEndpointKey);
  EXPECT_NE(log.find(expected), std::string::npos) << log;

  ApplicationShell& shell = session.shell();
  shell.showImage(std::make_shared<ui::Image>(cg::Image::fromARGB(8, 8, std::vector<std::uint32_t>(64, 0xFF102030u)), 1.0));
  ASSERT_NE(shell.astroImageView(), nullptr);
  session.screen().toggleNightVision();
  EXPECT_EQ(shell.astroImageView(), nullptr);
  session.screen().toggleNightVision();  // the theme is the process's
}

TEST(ApplicationServices, TheMessageBoxShowsCentredAndGoesAfterItsTime) {
  AppSession session;
  ApplicationShell& shell = session.shell();
  shell.showMessage("Swipe", 2);
  ui::View* box = nullptr;
  for (const auto& view : shell.window()->subviews())
    if (view->className() == "MessageView") box = view.get();
  ASSERT_NE(box, nullptr);
  EXPECT_NEAR(box->center().x, shell.window()->bounds().width() / 2, 1e-9);
  session.run(3.5);
  EXPECT_EQ(box->superview(), nullptr);
  EXPECT_EQ(box->alpha(), 1.0);
}

// A star's designation names its constellation in full on a tablet and
// by its abbreviation on a phone, in the status line as in the lists.
TEST(ChartScreenOperations, TheStatusLineNamesAStarsConstellationInFullOnATablet) {
  for (const bool tablet : {false, true}) {
    SCOPED_TRACE(tablet ? "tablet" : "phone");
    app_test::SessionOptions options;
    options.tablet = tablet;
    options.stars = {{0, 279.23, 38.78, 0.03f, "Vega", {parseBayerDesignation("alpha Lyr")}}};
    AppSession session(options);
    session.run(0.5);
    std::vector<SkyObjectID> found;
    ASSERT_EQ(session.shell().pSkyData()->findObjects("Vega", found, 4), 1);
    ChartScreenController& screen = session.screen();
    screen.setChartPerspective(kSkyPerspective);
    screen.selectObject(found[0]);
    screen.showStatusObjectInfo();
    const std::string shown = screen.views().selectedObjectLabel->text();
    EXPECT_EQ(shown.rfind(tablet ? "Vega - Alpha Lyrae - " : "Vega - Alpha Lyr - ", 0), 0u) << shown;
  }
}

TEST(ChartScreenOperations, TheStatusLineShowsForFourSecondsAndASecondCallRestartsThem) {
  AppSession session;
  session.run(1.0);
  ChartScreenController& screen = session.screen();
  screen.setChartPerspective(kSkyPerspective);
  const auto& v = screen.views();
  screen.showStatusObjectInfo();
  // The name and its one-line status.
  SkyObjectID id = session.chart().selectedObjectID;
  char status[256] = {};
  objectStatusLineForID(&session.chart(), id, status, sizeof status, 1, 1, 0, 0);
  ASSERT_NE(status[0], '\0');
  EXPECT_EQ(v.selectedObjectLabel->text(), SkyObject::nameForObject(&id, true) + " - " + status);
  session.run(3.0);
  EXPECT_EQ(v.selectedObjectLabel->alpha(), 1.0);
  screen.showStatusObjectInfo();
  session.run(3.0);
  EXPECT_EQ(v.selectedObjectLabel->alpha(), 1.0) << "the second call restarted the four seconds";
  session.run(2.0);
  EXPECT_EQ(v.selectedObjectLabel->alpha(), 0.0);
  EXPECT_EQ(v.locationLabel->alpha(), 1.0);
  // The orbit and satellite views have no status line to show.
  screen.setChartPerspective(kOrbitPerspective);
  screen.showStatusObjectInfo();
  session.run(1.0);
  EXPECT_EQ(v.selectedObjectLabel->alpha(), 0.0);
}

TEST(ChartScreenOperations, SelectingTheSelectedObjectAgainNeitherDrawsNorTouchesTheSettings) {
  AppSession session;
  session.run(1.0);
  ChartScreenController& screen = session.screen();
  const long frames = session.chartView().framesDrawn();
  const auto selected = screen.settings()->selectedObject();
  screen.selectObject(session.chart().selectedObjectID);
  EXPECT_EQ(session.chartView().framesDrawn(), frames);
  EXPECT_EQ(screen.settings()->selectedObject(), selected);
}

TEST(ChartScreenOperations, CentringWithMotionOnInTheSkyViewOnlyPointsTheWay) {
  app_test::WithCompass compass;
  AppSession session;
  session.run(1.0);
  ChartScreenController& screen = session.screen();
  screen.setChartPerspective(kSkyPerspective);
  screen.startCompassOrGyro();
  double lon0, lat0, lon, lat;
  session.chart().getDisplayCenter(&lon0, &lat0);
  screen.centerSelectedObject(true);
  session.chart().getDisplayCenter(&lon, &lat);
  EXPECT_TRUE(session.chart().pointerPending);
  EXPECT_FALSE(session.chartView().panRunning());
  EXPECT_EQ(lon, lon0);
  EXPECT_EQ(lat, lat0);
  screen.stopCompassOrGyro();
}

TEST(ChartScreenOperations, ScrollPointsKeepFortyPlacesAndRefuseAnyOtherIndexOrType) {
  AppSession session;
  ChartScreenController& screen = session.screen();
  screen.setLastSubSearchScrollPoint({3, 4}, 39, 0);
  EXPECT_EQ(screen.lastSubSearchScrollPoint(39, 0).y, 4);
  for (long index : {40L, -1L, -40L, long(1) << 40}) {
    screen.setLastSubSearchScrollPoint({9, 9}, index, 0);
    EXPECT_EQ(screen.lastSubSearchScrollPoint(index, 0).x, 0) << index;
  }
  screen.setLastSubSearchScrollPoint({9, 9}, 5, 1);
  EXPECT_EQ(screen.lastSubSearchScrollPoint(5, 1).x, 0);
  EXPECT_EQ(screen.lastSubSearchScrollPoint(5, 0).x, 0);
  EXPECT_EQ(screen.lastSubSearchScrollPoint(39, 0).x, 3);
}

TEST(ChartScreenOperations, ScreensArePresentedThroughTheirMakersAndTheQuickStartOnlyAtAVersionsFirstLaunch) {
  int made = 0;
  ChartScreenController::setScreenMaker(ChartScreenController::Screen::quickStart, [&made](ChartScreenController&) {
    ++made;
    return std::make_shared<ui::ViewController>();
  });
  ChartScreenController::setScreenMaker(ChartScreenController::Screen::settings,
                                        [](ChartScreenController&) { return std::make_shared<ui::ViewController>(); });
  {
    AppSession first;
    EXPECT_EQ(made, 1);
    ASSERT_NE(first.screen().presentedViewController(), nullptr);
    first.screen().dismissViewController(false);
    first.run(1.0);
    first.screen().showSettings();
    ASSERT_NE(first.screen().settingsViewController(), nullptr);
    EXPECT_EQ(first.screen().settingsViewController()->navigationItem().rightBarButtonItem->systemItem,
              ui::BarButtonSystemItem::done);
  }
  app_test::SessionOptions later;
  later.launchCount = 1;
  AppSession second(later);
  EXPECT_EQ(made, 1);
  second.screen().showSearch();  // no search screen yet: nothing
  EXPECT_EQ(second.screen().presentedViewController(), nullptr);
  ChartScreenController::setScreenMaker(ChartScreenController::Screen::quickStart, {});
  ChartScreenController::setScreenMaker(ChartScreenController::Screen::settings, {});
}

}  // namespace
