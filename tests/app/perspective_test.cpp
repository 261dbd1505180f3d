// The chart screen's perspectives: the toolbar buttons, what the screen
// shows over the chart in each (the status line's place, the head-up
// texts, the zoom and fly buttons), and the perspective it comes back in
// from the information and list screens: the one it was left in after
// Done, the sky view's own after Show Event.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/chart_view_toolbar.h"
#include "app/information_screens_connection.h"
#include "chart/sky_chart.h"
#include "engine/sky_coordinates.h"
#include "platform/uikit/application.h"
#include "skydata/object_types.h"
#include "skydata/sky_database.h"
#include "tests/app/app_session.h"
#include "ui/foundation/settings_model.h"
#include "ui/foundation/sv_navigation_controller.h"
#include "ui/info/object_info_view_controller.h"
#include "ui/info/object_list_view_controller.h"

namespace {

using app_test::AppSession;

// What the chart screen shows over the chart: the status line's place,
// the head-up texts, and which of the zoom-in, zoom-out, fly-in and
// fly-out buttons and the centre and field labels are hidden.
struct HeadUp {
  std::string location, centre, fov;
  std::vector<bool> hidden;
};

HeadUp headUp(const ChartScreenController& screen) {
  const auto& v = screen.views();
  HeadUp h{v.locationLabel->text(), v.centerCoordsLabel->text(), v.fovLabel->text(), {}};
  for (const ui::View* view :
       {static_cast<const ui::View*>(v.zoomInButton.get()), static_cast<const ui::View*>(v.zoomOutButton.get()),
        static_cast<const ui::View*>(v.flyInButton.get()), static_cast<const ui::View*>(v.flyOutButton.get()),
        static_cast<const ui::View*>(v.centerCoordsLabel.get()), static_cast<const ui::View*>(v.fovLabel.get())})
    h.hidden.push_back(view->isHidden());
  return h;
}

struct PerspectiveSession {
  AppSession session;
  ChartScreenController& screen;
  PerspectiveSession() : session(options()), screen(session.screen()) {
    connectInformationScreens();
    session.run(1.0);  // past the opening fade
  }
  static app_test::SessionOptions options() {
    app_test::SessionOptions o;
    o.launchCount = 5;  // no quick start over the chart
    return o;
  }
  void tapButton(const ui::Button* button) {
    ASSERT_NE(button, nullptr);
    const ui::Point centre = AppSession::centreOf(*button);
    session.tap(centre.x, centre.y);
    session.run(0.5);
  }
  // A row's clock button, then "Show Event" in its menu; back on the chart
  // screen once the screen is gone and the pan has run.
  void showEventOfRow(ui::TableView& table, ui::IndexPath row) {
    ASSERT_TRUE(session.chooseEventAction(table, row, "Show Event"));
    EXPECT_TRUE(
        session.runUntil([&] { return AppSession::topScreen() == &screen && !session.chartView().panRunning(); }, 4.0));
  }
  // The event shown from the view `from` looks as the sky view does when
  // the user taps Sky there: the place's name in the status line (not
  // where the observer was above the Earth), the horizon centre and the
  // sky's buttons.
  void expectTheSkyViewsOwn(int from) {
    SCOPED_TRACE(from);
    EXPECT_EQ(session.chartView().chartPerspective(), kSkyPerspective);
    const HeadUp shown = headUp(screen);
    EXPECT_EQ(shown.location, screen.settings()->locationName());
    EXPECT_EQ(shown.centre.rfind("Azm: ", 0), 0u) << shown.centre;
    tapButton(screen.perspectiveButton(from));
    tapButton(screen.perspectiveButton(kSkyPerspective));
    const HeadUp tapped = headUp(screen);
    EXPECT_EQ(shown.location, tapped.location);
    EXPECT_EQ(shown.centre, tapped.centre);
    EXPECT_EQ(shown.fov, tapped.fov);
    EXPECT_EQ(shown.hidden, tapped.hidden);
  }
};

TEST(ChartScreenPerspectives, TheToolbarButtonsSwitchPerspective) {
  PerspectiveSession s;
  const auto& v = s.screen.views();
  const std::string place = s.screen.settings()->locationName();
  s.tapButton(v.skyPerspectiveButton.get());
  EXPECT_EQ(s.session.chartView().chartPerspective(), kSkyPerspective);
  EXPECT_EQ(s.screen.settings()->chartPerspective(), kSkyPerspective);
  s.tapButton(v.groundPerspectiveButton.get());
  EXPECT_EQ(s.session.chartView().chartPerspective(), kGroundPerspective);
  HeadUp ground = headUp(s.screen);
  EXPECT_EQ(ground.location, place);
  EXPECT_EQ(ground.hidden, (std::vector<bool>{false, false, true, true, true, true}));
  s.tapButton(v.orbitPerspectiveButton.get());
  HeadUp orbit = headUp(s.screen);
  EXPECT_NE(orbit.location, place) << "where the observer is above the Earth";
  EXPECT_NE(orbit.location.find("°"), std::string::npos) << orbit.location;
  EXPECT_NE(orbit.centre.find(" from Earth"), std::string::npos) << orbit.centre;
  EXPECT_EQ(orbit.hidden, (std::vector<bool>{true, true, false, false, false, false}));
}

// Done on the information screen opened in the orbit view comes back to
// the orbit view, which the chart left for the sky view while covered.
TEST(ChartScreenPerspectives, DoneOnTheInformationScreenReturnsToTheViewItWasOpenedIn) {
  PerspectiveSession s;
  s.tapButton(s.screen.perspectiveButton(kOrbitPerspective));
  const HeadUp before = headUp(s.screen);
  s.screen.showObjectInfo();
  s.session.run(1.0);
  auto* info = dynamic_cast<ObjectInfoViewController*>(AppSession::topScreen());
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(s.session.chartView().chartPerspective(), kSkyPerspective) << "under the screen";
  info->doneTouched(nullptr);
  EXPECT_TRUE(s.session.runUntil([&] { return AppSession::topScreen() == &s.screen; }, 2.0));
  EXPECT_EQ(s.session.chartView().chartPerspective(), kOrbitPerspective);
  EXPECT_EQ(s.screen.settings()->chartPerspective(), kOrbitPerspective);
  EXPECT_EQ(headUp(s.screen).hidden, before.hidden);
  EXPECT_NE(headUp(s.screen).location, s.screen.settings()->locationName());
}

TEST(ChartScreenPerspectives, ShowEventFromTheInformationScreenShowsTheSkyViewsOwnFromEveryView) {
  PerspectiveSession s;
  for (int from : {kOrbitPerspective, kSatellitePerspective, kGroundPerspective}) {
    s.tapButton(s.screen.perspectiveButton(from));
    ASSERT_EQ(s.session.chartView().chartPerspective(), from);
    s.screen.showObjectInfo();  // the Info button (off the strip's first page)
    s.session.run(1.0);
    auto* info = dynamic_cast<ObjectInfoViewController*>(AppSession::topScreen());
    ASSERT_NE(info, nullptr);
    int pass = -1;
    for (int section = 0; section < info->numSections() && pass < 0; ++section)
      if (std::string(info->item(info->sectionStart(section)).pValue).find(" Pass - ") != std::string::npos)
        pass = section;
    ASSERT_GE(pass, 0) << "the station has a pass";
    s.showEventOfRow(*info->mainTableView(), {pass, 1});  // its rise
    s.expectTheSkyViewsOwn(from);
  }
}

TEST(ChartScreenPerspectives, ShowEventFromAListShowsTheSkyViewsOwnFromEveryView) {
  PerspectiveSession s;
  const SkyObjectID station = s.session.chart().selectedObjectID;
  const double times[] = {s.session.chart().julianDate + 0.1};
  // Last the ground view with the device on its side, where the layout
  // leaves the buttons and labels as the perspective set them.
  for (int from : {kOrbitPerspective, kSatellitePerspective, kGroundPerspective, -kGroundPerspective}) {
    if (from < 0) ui::Application::shared().setOrientation(3, 0);
    from = std::abs(from);
    s.tapButton(s.screen.perspectiveButton(from));
    ASSERT_EQ(s.session.chartView().chartPerspective(), from);
    auto list = std::make_shared<ObjectListViewController>("ObjectListView", &station, times, 1,
                                                           ObjectListViewController::kTonightsSatellites, true, false);
    s.screen.presentViewController(std::make_shared<SVNavigationController>(list), true);
    s.session.run(1.0);
    ASSERT_EQ(AppSession::topScreen(), list.get());
    s.showEventOfRow(*list->table(), {0, 0});
    s.expectTheSkyViewsOwn(from);
  }
  ui::Application::shared().setOrientation(1, 0);
}

}  // namespace
