// What the information, list and search screens ask of the chart screen,
// asked of the real controller through the shell's interface (the screens'
// own tests use a stand-in): centring from an information screen brings
// the chart back in the sky view on the object, with the chart and the
// settings agreeing on the perspective; a time change reaches an open
// information screen; on a tablet the chart draws again when the
// information popover closes; the search screen's scroll point survives
// the screen.
#include <gtest/gtest.h>

#include <vector>

#include "app/information_screens_connection.h"
#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "skydata/sky_database.h"
#include "tests/app/app_session.h"
#include "tests/ui/info/info_rows.h"
#include "ui/foundation/settings_model.h"
#include "ui/info/object_info_view_controller.h"
#include "ui/info/search_view_controller.h"

namespace {

using app_test::AppSession;

struct SeamSession {
  AppSession session;
  ChartScreenController& screen;
  // The shell's view of it, as every other screen holds it.
  ChartViewController& shellView;
  explicit SeamSession(bool tablet = false) : session(options(tablet)), screen(session.screen()), shellView(screen) {
    connectInformationScreens();
    session.run(1.0);
  }
  static app_test::SessionOptions options(bool tablet) {
    app_test::SessionOptions o;
    o.launchCount = 5;  // no quick start over the chart
    o.tablet = tablet;
    return o;
  }
  // Angle between the chart's centre and the selected object, degrees.
  double offCentreDegrees() {
    CSkyChart& chart = session.chart();
    double lon, lat, centreLon, centreLat;
    EXPECT_TRUE(chart.getObjectDisplayPosition(chart.selectedObject, chart.getDisplayCoordSystem(), &lon, &lat));
    chart.getDisplayCenter(&centreLon, &centreLat);
    return angularSeparation(centreLon, centreLat, lon, lat) * kDegreesPerRadian;
  }
};

TEST(ChartScreenSeam, CentringFromTheInformationScreenReturnsToTheSkyViewOnTheObject) {
  SeamSession s;
  s.screen.setChartPerspective(kOrbitPerspective);
  s.session.select("Mars");
  s.session.run(0.5);
  s.screen.showObjectInfo();
  s.session.run(1.0);
  auto* info = dynamic_cast<ObjectInfoViewController*>(AppSession::topScreen());
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(s.screen.oldPerspective(), kOrbitPerspective) << "kept while the screen covers the chart";
  // Mars sits far from the sky view's centre under the screen.
  ASSERT_GT(s.offCentreDegrees(), 5);

  info->centerObject(nullptr);
  // Dismissed, and the pan has run (every refresh of it draws a frame).
  s.session.runUntil(
      [&] {
        return AppSession::topScreen() == &s.screen && !s.session.chartView().panRunning() &&
               s.offCentreDegrees() < 0.1;
      },
      4.0);
  EXPECT_EQ(AppSession::topScreen(), &s.screen);
  EXPECT_EQ(s.session.chartView().chartPerspective(), kSkyPerspective);
  EXPECT_EQ(s.screen.settings()->chartPerspective(), kSkyPerspective)
      << "the settings hold the perspective the chart shows";
  EXPECT_LT(s.offCentreDegrees(), 0.1) << "the chart is centred on the object";
  EXPECT_TRUE(s.session.chart().centerOnSelected);
}

// The chart screen tells an open information screen of each time change,
// and the screen shows the object as it is at the new time.
TEST(ChartScreenSeam, ATimeChangeRefreshesTheOpenInformationScreen) {
  SeamSession s;
  Settings& settings = *s.screen.settings();
  CSkyChart& chart = s.session.chart();
  settings.setRealTime(false);
  s.screen.setChartPerspective(kSkyPerspective);
  // Munich, in its summer time.
  settings.setLongitude(11.5755);
  settings.setLatitude(48.1374);
  s.screen.locationChanged();
  const int summerTime = chart.dstRule;
  ASSERT_NE(summerTime, 0);
  s.session.select("Mars");
  s.screen.showObjectInfo();
  s.session.run(1.0);
  auto* info = dynamic_cast<ObjectInfoViewController*>(AppSession::topScreen());
  ASSERT_NE(info, nullptr);
  // Mars's page searches its conjunctions from the Earth's centre: the
  // chart comes back with its summer time.
  EXPECT_EQ(chart.dstRule, summerTime);
  const std::vector<info_test::Row> before = info_test::rowsOf(&info->item(0), info->numPairs());
  ASSERT_EQ(before, info_test::selectedObjectRows(chart, 1, 0));

  settings.setJulianDate(chart.julianDate + 1.0 / 24);
  s.screen.timeDateChanged();
  const std::vector<info_test::Row> after = info_test::rowsOf(&info->item(0), info->numPairs());
  EXPECT_NE(after, before) << "an hour moves Mars across the sky";
  EXPECT_EQ(after, info_test::selectedObjectRows(chart, 1, 0));
}

// A tablet shows the screen in a popover beside the chart, which no
// longer covers it: the screen itself stops the chart drawing under it,
// and lets it draw again when it goes.
TEST(ChartScreenSeam, TheChartDrawsAgainWhenTheInformationPopoverCloses) {
  SeamSession s(true);
  ChartSurfaceView& chartView = s.session.chartView();
  s.session.select("Mars");
  s.screen.showObjectInfo();
  ASSERT_TRUE(s.session.runUntil([] { return ObjectInfoViewController::currentController() != nullptr; }, 1.0));
  EXPECT_TRUE(chartView.drawingDisabled());
  ObjectInfoViewController::currentController()->doneTouched(nullptr);
  ASSERT_TRUE(s.session.runUntil([&] { return s.screen.presentedViewController() == nullptr; }, 1.0));
  ASSERT_EQ(ObjectInfoViewController::currentController(), nullptr);
  EXPECT_FALSE(chartView.drawingDisabled());
  const auto frames = chartView.framesDrawn();
  chartView.setNeedsDisplay();
  EXPECT_TRUE(s.session.runUntil([&] { return chartView.framesDrawn() > frames; }, 1.0));
}

// The popover's closing animation holds the chart screen beyond its window:
// when the application ends first, nothing of the screen runs on after the
// catalogues it reads are gone, in the next session's loop or at exit.
TEST(ChartScreenSeam, AnApplicationEndingWhileThePopoverClosesLeavesNoChartRunning) {
  std::weak_ptr<ui::Object> lingering;
  {
    SeamSession s(true);
    ASSERT_TRUE(s.session.chartView().realTimeRunning());
    s.session.select("Mars");
    s.screen.showObjectInfo();
    ASSERT_TRUE(s.session.runUntil([] { return ObjectInfoViewController::currentController() != nullptr; }, 1.0));
    ObjectInfoViewController::currentController()->doneTouched(nullptr);
    s.session.run(0.05);
    ASSERT_NE(s.screen.presentedViewController(), nullptr) << "still closing as the session ends";
    lingering = s.screen.weak_from_this();
  }
  if (auto screen = std::dynamic_pointer_cast<ChartScreenController>(lingering.lock())) {
    EXPECT_EQ(screen->pSkyChart(), nullptr);
    EXPECT_FALSE(screen->surface()->realTimeRunning());
    EXPECT_FALSE(screen->isTimeFlowing());
  }
  SeamSession next;
  next.session.run(1.0);
  EXPECT_TRUE(lingering.expired()) << "the closing ended in the next session";
}

TEST(ChartScreenSeam, CentringAsksForTheAnimationTheCallerWants) {
  SeamSession s;
  s.screen.setChartPerspective(kSkyPerspective);
  s.session.select("Jupiter");
  s.shellView.centerSelectedObject(true);
  EXPECT_TRUE(s.session.chartView().panRunning()) << "animated: the pan runs on";
  s.session.runUntil([&] { return !s.session.chartView().panRunning(); }, 4.0);
  s.session.select("Saturn");
  s.shellView.centerSelectedObject(false);
  EXPECT_FALSE(s.session.chartView().panRunning()) << "not animated: there at once";
  EXPECT_LT(s.offCentreDegrees(), 0.1);
}

TEST(ChartScreenSeam, TheSearchScreenFindsItsListWhereItWasLeft) {
  SeamSession s;
  s.screen.showSearch();
  s.session.run(1.0);
  auto* search = dynamic_cast<SearchViewController*>(AppSession::topScreen());
  ASSERT_NE(search, nullptr);
  search->table()->setContentOffset({0, 120});
  search->dismissViewController(false);
  s.session.run(1.0);
  ASSERT_EQ(AppSession::topScreen(), &s.screen);
  EXPECT_EQ(s.screen.lastSearchScrollPoint().y, 120);

  s.screen.showSearch();
  s.session.run(1.0);
  search = dynamic_cast<SearchViewController*>(AppSession::topScreen());
  ASSERT_NE(search, nullptr);
  EXPECT_EQ(search->table()->contentOffset().y, 120);
}

}  // namespace
