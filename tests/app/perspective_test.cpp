// The chart screen's perspectives: the toolbar buttons, the chart fields
// each perspective sets, and what the screen shows in each.
#include <gtest/gtest.h>

#include <cmath>

#include "app/chart_view_toolbar.h"
#include "chart/sky_chart.h"
#include "engine/sky_coordinates.h"
#include "skydata/object_types.h"
#include "skydata/sky_database.h"
#include "tests/app/app_session.h"

namespace {

using app_test::AppSession;

TEST(ChartScreenPerspectives, TheToolbarButtonsSwitchPerspective) {
  AppSession session;
  session.run(1.0);  // past the opening fade
  ChartScreenController& screen = session.screen();
  const auto& v = screen.views();
  ASSERT_NE(v.skyPerspectiveButton, nullptr);
  const ui::Point sky = AppSession::centreOf(*v.skyPerspectiveButton);
  session.tap(sky.x, sky.y);
  EXPECT_EQ(session.chartView().chartPerspective(), kSkyPerspective);
  EXPECT_EQ(screen.settings()->chartPerspective(), kSkyPerspective);
  const ui::Point ground = AppSession::centreOf(*v.groundPerspectiveButton);
  session.tap(ground.x, ground.y);
  EXPECT_EQ(session.chartView().chartPerspective(), kGroundPerspective);
}

}  // namespace
