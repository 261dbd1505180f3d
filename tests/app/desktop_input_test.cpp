// The desktop's own ways of using the chart, through the running
// application as a desktop user drives it: the wheel zooms about the
// pointer, a click on a zoom button makes one step and holding it goes on,
// Escape leaves the screen on top.
#include <gtest/gtest.h>

#include <cmath>

#include "app/information_screens_connection.h"
#include "app/settings_screen_connection.h"
#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "platform/host/escape.h"
#include "platform/host/wheel.h"
#include "platform/uikit/application.h"
#include "tests/app/app_session.h"

namespace {

using app_test::AppSession;

double fieldDegrees(AppSession& session) { return session.chart().getDisplayFOV() * kDegreesPerRadian; }

// The sky direction under a screen point, as a unit vector in the chart's
// display frame; false off the sky.
bool directionAt(AppSession& session, ui::Point screen, double v[3]) {
  const ui::Point inView = session.chartView().convertPointFrom(screen, nullptr);
  const double scale = chartSurfaceScale();
  double lon, lat;
  if (!session.chart().screenToLonLat(inView.x * scale, inView.y * scale, &lon, &lat)) return false;
  v[0] = std::cos(lat) * std::cos(lon), v[1] = std::cos(lat) * std::sin(lon), v[2] = std::sin(lat);
  return true;
}

double degreesBetween(const double a[3], const double b[3]) {
  const double dot = a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
  const double cross[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
  return std::atan2(std::hypot(cross[0], cross[1], cross[2]), dot) * kDegreesPerRadian;
}

// The sky view as it opens: centred on the selected station, locked to it.
struct SkyView {
  AppSession session;
  SkyView() {
    session.run(1.0);
    session.screen().setChartPerspective(kSkyPerspective);
    session.chartView().drawImmediately();
  }
};

TEST(DesktopWheel, ZoomsTheSkyAboutThePointerAndKeepsTheFieldWithinItsLimits) {
  SkyView sky;
  AppSession& session = sky.session;
  const ui::Rect frame = session.chartView().convertRectTo(session.chartView().bounds(), nullptr);
  const ui::Point pointer{frame.x() + frame.width() * 0.8, frame.y() + frame.height() * 0.3};
  const ui::Point elsewhere{frame.x() + frame.width() * 0.2, frame.y() + frame.height() * 0.7};
  const double before = fieldDegrees(session);
  ASSERT_TRUE(session.chart().centerOnSelected);
  // Over the centre the zoom keeps the followed object.
  host::turnWheel(AppSession::centreOf(session.chartView()), 0, 1, ns::RunLoop::main().now());
  EXPECT_TRUE(session.chart().centerOnSelected);
  host::turnWheel(AppSession::centreOf(session.chartView()), 0, -1, ns::RunLoop::main().now());
  EXPECT_NEAR(fieldDegrees(session), before, 1e-6);
  double under[3], other[3];
  ASSERT_TRUE(directionAt(session, pointer, under));
  ASSERT_TRUE(directionAt(session, elsewhere, other));

  host::turnWheel(pointer, 0, 1, ns::RunLoop::main().now());  // away from the user: in
  session.run(0.1);
  EXPECT_NEAR(fieldDegrees(session), before / host::kWheelPinchFactorPerNotch, 1e-6);
  EXPECT_NEAR(session.screen().settings()->displayFOV(), fieldDegrees(session), 1e-4) << "the setting follows";
  double now[3];
  ASSERT_TRUE(directionAt(session, pointer, now));
  EXPECT_LT(degreesBetween(under, now), 0.05) << "the sky under the pointer stays under it";
  ASSERT_TRUE(directionAt(session, elsewhere, now));
  EXPECT_GT(degreesBetween(other, now), 1.0) << "the rest of the sky moves";
  EXPECT_FALSE(session.chart().centerOnSelected) << "keeping the pointer's sky lets the object go, as a drag does";
  EXPECT_FALSE(session.screen().settings()->selectedObjectLocked());

  host::turnWheel(pointer, 0, -3, ns::RunLoop::main().now());  // towards the user: out three notches
  session.run(0.1);
  EXPECT_NEAR(fieldDegrees(session), before * std::pow(host::kWheelPinchFactorPerNotch, 2), 1e-6);
  ASSERT_TRUE(directionAt(session, pointer, now));
  EXPECT_LT(degreesBetween(under, now), 0.05);

  for (int i = 0; i < 60; ++i) host::turnWheel(pointer, 0, 5, ns::RunLoop::main().now());
  EXPECT_NEAR(fieldDegrees(session), 1.0, 1e-9) << "no closer than a degree";
  for (int i = 0; i < 60; ++i) host::turnWheel(pointer, 0, -5, ns::RunLoop::main().now());
  EXPECT_LE(fieldDegrees(session), 185.0 + 1e-9) << "no wider than a pinch goes";
  EXPECT_GT(fieldDegrees(session), 90.0);
}

TEST(DesktopWheel, ZoomsTheOrbitViewAboutItsHome) {
  AppSession session;
  session.run(1.0);
  ASSERT_TRUE(session.chart().isSpaceView());
  double lon, lat, lon2, lat2;
  session.chart().getDisplayCenter(&lon, &lat);
  const double before = fieldDegrees(session);
  const ui::Rect frame = session.chartView().convertRectTo(session.chartView().bounds(), nullptr);
  // Read at once: the view follows its home as time runs.
  host::turnWheel({frame.x() + 40, frame.y() + 100}, 0, 2, ns::RunLoop::main().now());
  EXPECT_NEAR(fieldDegrees(session), before / std::pow(host::kWheelPinchFactorPerNotch, 2), 1e-6);
  session.chart().getDisplayCenter(&lon2, &lat2);
  EXPECT_EQ(lon, lon2);
  EXPECT_EQ(lat, lat2);
}

// A touch down and up on a view's centre, `held` seconds apart.
void press(AppSession& session, const ui::View& view, double held) {
  ui::Application& app = ui::Application::shared();
  const ui::Point at = AppSession::centreOf(view);
  app.handleTouches({{77, ui::TouchPhase::began, at}}, ns::RunLoop::main().now());
  session.run(held);
  app.handleTouches({{77, ui::TouchPhase::ended, at}}, ns::RunLoop::main().now());
  session.run(0.2);
}

TEST(DesktopZoomButtons, AClickMakesOneStepAndHoldingGoesOnAtTheTimersPace) {
  SkyView sky;
  AppSession& session = sky.session;
  const auto& views = session.screen().views();
  ASSERT_TRUE(views.zoomInButton && views.zoomOutButton);
  const double start = fieldDegrees(session);
  press(session, *views.zoomInButton, 0);
  EXPECT_NEAR(fieldDegrees(session), start / 1.03, 1e-3) << "a click zooms one step";
  press(session, *views.zoomOutButton, 0);
  EXPECT_NEAR(fieldDegrees(session), start, 1e-3);
  // Held for 0.3 s: the press's step and one for each 0.03 s tick.
  press(session, *views.zoomInButton, 0.3);
  const double steps = std::log(start / fieldDegrees(session)) / std::log(1.03);
  EXPECT_GE(steps, 10.0);
  EXPECT_LE(steps, 12.0);
  EXPECT_FALSE(session.chartView().zoomTimerRunning()) << "lifting the finger stops it";
}

TEST(DesktopEscape, LeavesTheQuickStartAndTheSettingsAsTheirDoneButtonsDo) {
  connectInformationScreens();
  connectSettingsScreen();
  AppSession session;
  session.run(1.0);
  ChartScreenController& screen = session.screen();
  ASSERT_NE(screen.presentedViewController(), nullptr) << "a first launch shows the quick start";
  EXPECT_TRUE(host::pressEscape());
  session.run(1.0);
  EXPECT_EQ(screen.presentedViewController(), nullptr);
  EXPECT_FALSE(host::pressEscape()) << "the chart screen has nothing to leave";

  screen.showSettings();
  session.run(1.0);
  ASSERT_NE(screen.presentedViewController(), nullptr);
  EXPECT_TRUE(host::pressEscape());
  session.run(1.0);
  EXPECT_EQ(screen.presentedViewController(), nullptr);
}

}  // namespace
