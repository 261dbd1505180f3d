// The chart view's drawing on demand and the chart fields each perspective
// sets.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "chart/sky_chart.h"
#include "engine/sky_coordinates.h"
#include "engine/sky_projection.h"
#include "platform/uikit/application.h"
#include "platform/uikit/display_links.h"
#include "skydata/app_bridge.h"
#include "skydata/object_types.h"
#include "skydata/sky_database.h"
#include "skydata/sky_object.h"
#include "engine/angles.h"
#include "tests/app/app_session.h"

namespace {

using app_test::AppSession;

double now() { return ns::RunLoop::main().now(); }

TEST(ChartViewFrames, RequestsWithinOneRefreshGiveOneFrame) {
  AppSession session;
  session.run(0.5);
  ChartSurfaceView& view = session.chartView();
  ui::stepDisplayLinks(now());  // whatever was pending
  const long before = view.framesDrawn();
  view.setNeedsDisplay();
  view.setNeedsDisplay();
  ui::stepDisplayLinks(now());
  EXPECT_EQ(view.framesDrawn(), before + 1);
  ui::stepDisplayLinks(now() + 1.0 / 60);
  EXPECT_EQ(view.framesDrawn(), before + 1) << "the link pauses again after its frame";
  view.setNeedsDisplay();
  view.drawImmediately();
  ui::stepDisplayLinks(now() + 2.0 / 60);
  EXPECT_EQ(view.framesDrawn(), before + 2) << "a frame drawn at once answers the requests before it";
  view.realTime();  // asks for a redraw, then draws at once
  ui::stepDisplayLinks(now() + 3.0 / 60);
  EXPECT_EQ(view.framesDrawn(), before + 3) << "one frame a real-time tick";
}

TEST(ChartViewFrames, RedrawRequestsFromOtherThreadsArriveOnTheMainLoop) {
  AppSession session;
  session.run(0.5);
  ChartSurfaceView& view = session.chartView();
  ui::stepDisplayLinks(now());
  const long before = view.framesDrawn();
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) threads.emplace_back([] { requestChartRedraw(); });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(view.framesDrawn(), before) << "nothing is drawn off the main thread";
  ns::RunLoop::main().runOnce();
  ui::stepDisplayLinks(now());
  EXPECT_EQ(view.framesDrawn(), before + 1);
}

TEST(ChartViewFrames, TheChartsOwnSnapshotIsItsGlFrameWithTheStationMarkedWhereTheChartSaysItIs) {
  AppSession session;
  session.run(1.0);
  ChartSurfaceView& view = session.chartView();
  session.screen().setChartPerspective(kSkyPerspective);
  view.drawImmediately();
  auto frame = view.snapshotOfSkyChart();
  ASSERT_NE(frame, nullptr);
  const double scale = chartSurfaceScale();
  EXPECT_EQ(frame->width(), std::size_t(view.bounds().width() * scale));
  EXPECT_EQ(frame->height(), std::size_t(view.bounds().height() * scale));
  // The selected station is drawn (a lit pixel) near its marker's place.
  const float* marker = session.chart().selectionScreenPosition;
  ASSERT_GE(marker[2], 0);
  int lit = 0;
  for (int dy = -3; dy <= 3; ++dy)
    for (int dx = -3; dx <= 3; ++dx) {
      const std::uint32_t argb = frame->row(std::size_t(marker[1] + dy))[std::size_t(marker[0] + dx)];
      lit += (argb & 0xFFFFFF) != 0;
    }
  EXPECT_GT(lit, 0);
}

TEST(ChartViewFrames, AMemoryWarningKeepsTheSelectionAndTheNextFrameLoadsWhatItNeedsAgain) {
  AppSession session;
  session.run(1.0);
  ChartSurfaceView& view = session.chartView();
  session.screen().setChartPerspective(kSkyPerspective);
  view.drawImmediately();
  const SkyObjectID selected = session.chart().selectedObjectID;
  session.screen().didReceiveMemoryWarning();
  EXPECT_TRUE(CSkyDatabase::isSameSkyObjectID(&selected, &session.chart().selectedObjectID));
  const long before = view.framesDrawn();
  view.drawImmediately();
  EXPECT_EQ(view.framesDrawn(), before + 1);
  EXPECT_GE(session.chart().selectionScreenPosition[2], 0) << "the selection is drawn again";
}

TEST(ChartViewFrames, NothingIsDrawnWhileTheApplicationIsInTheBackground) {
  AppSession session;
  session.run(0.5);
  ChartSurfaceView& view = session.chartView();
  ui::Application::shared().enterBackground();
  const long before = view.framesDrawn();
  view.drawImmediately();
  EXPECT_EQ(view.framesDrawn(), before);
  ui::Application::shared().becomeActive();
  view.drawImmediately();
  EXPECT_EQ(view.framesDrawn(), before + 1);
}

struct PerspectiveFields {
  int perspective;
  int coordSystem;
  int projection;
  bool mirrored, horizon, earthView;
};

TEST(ChartViewPerspectives, EachPerspectiveSetsItsChartFields) {
  AppSession session;
  session.run(0.5);
  ChartScreenController& screen = session.screen();
  CSkyChart& chart = session.chart();
  ASSERT_EQ(chart.selectedObject->getType(), kTypeSatellite);
  const PerspectiveFields table[] = {
      {kSkyPerspective, kCoordHorizon, kProjectionStereographic, false, true, false},
      // The satellite's orbit view turns with the Earth unless asked.
      {kOrbitPerspective, screen.settings()->showEarthRotationOrbit() ? kCoordEquatorial : kCoordBodyFixed,
       kProjectionStereographic, false, false, false},
      {kSatellitePerspective, kCoordHorizon, kProjectionStereographic, false, false, false},
      {kGroundPerspective, screen.settings()->showEarthRotationGround() ? kCoordEquatorial : kCoordBodyFixed,
       kProjectionEquirectangular, true, true, true}};
  for (const PerspectiveFields& f : table) {
    screen.setChartPerspective(f.perspective);
    SCOPED_TRACE(f.perspective);
    EXPECT_EQ(session.chartView().chartPerspective(), f.perspective);
    EXPECT_EQ(chart.getDisplayCoordSystem(), f.coordSystem);
    EXPECT_EQ(chart.getDisplayProjection(), f.projection);
    EXPECT_EQ(chart.isDisplayFlippedHoriz(), f.mirrored);
    EXPECT_EQ(chart.showHorizon, f.horizon);
    EXPECT_EQ(chart.earthView, f.earthView);
    EXPECT_NEAR(chart.getDisplayFOV() * kDegreesPerRadian, screen.settings()->displayFOV(), 1e-9);
    EXPECT_FALSE(chart.lightTime) << "no light time with a satellite selected";
    EXPECT_EQ(chart.starScale, 0.75);
  }
}

TEST(ChartViewPerspectives, TheSatelliteViewFollowsTheSatelliteAndLeavesTheSiteAlone) {
  AppSession session;
  session.run(0.5);
  ChartScreenController& screen = session.screen();
  CSkyChart& chart = session.chart();
  screen.setChartPerspective(kSkyPerspective);
  const double longitude = chart.longitude, latitude = chart.latitude;
  screen.settings()->setLatitude(10);  // a site change the satellite view must not apply
  chart.setLocation(longitude, latitude, 0);
  screen.setChartPerspective(kSatellitePerspective);
  EXPECT_TRUE(CSkyDatabase::isSameSkyObjectID(&chart.homeObjectID, &chart.selectedObjectID));
  EXPECT_EQ(chart.getDisplayCoordSystem(), kCoordHorizon);
  EXPECT_DOUBLE_EQ(chart.latitude, latitude);
  // What the user picks next (in a list, a search) is what it follows.
  std::vector<SkyObjectID> mars;
  ASSERT_EQ(chart.database->findObjectsByName("Mars", kSolarSystemFile, mars, 1), 1);
  screen.selectObject(mars[0]);
  EXPECT_TRUE(CSkyDatabase::isSameSkyObjectID(&chart.homeObjectID, &mars[0]));
}

TEST(ChartViewPerspectives, TheOrbitViewWithoutASatelliteCentresOnTheSunInEclipticCoordinates) {
  AppSession session;
  session.run(0.5);
  ChartScreenController& screen = session.screen();
  CSkyChart& chart = session.chart();
  screen.setChartPerspective(kSkyPerspective);
  std::vector<SkyObjectID> found;
  ASSERT_GT(chart.database->findObjectsByName("Moon", kSolarSystemFile, found, 1), 0);
  screen.selectObject(found[0]);
  screen.setChartPerspective(kOrbitPerspective);
  SkyObjectID sun;
  CSkyDatabase::setSunObjectID(&sun);
  EXPECT_TRUE(CSkyDatabase::isSameSkyObjectID(&chart.homeObjectID, &sun));
  EXPECT_EQ(chart.getDisplayCoordSystem(), kCoordEcliptic);
  EXPECT_FALSE(chart.showSatellites);
}

TEST(ChartViewPerspectives, TheGroundViewIsNeverDrawnSideBySide) {
  AppSession session;
  session.run(0.5);
  ChartScreenController& screen = session.screen();
  screen.settings()->setAutoVR(true);
  ChartSurfaceView& view = session.chartView();
  view.setFrame({0, 0, 600, 300});  // wider than tall
  view.layoutIfNeeded();
  for (int p : {kSkyPerspective, kGroundPerspective}) {
    screen.setChartPerspective(p);
    view.drawImmediately();
    // The stereo pair is drawn at one pixel a point.
    EXPECT_EQ(session.chart().contentScale == 1.0f, p != kGroundPerspective) << p;
  }
}

TEST(ChartViewPerspectives, WithNothingSelectedTheMarkerStaysHidden) {
  app_test::SessionOptions options;
  options.satellites = false;
  AppSession session(options);
  session.run(0.5);
  session.chartView().drawImmediately();
  EXPECT_TRUE(session.chartView().selectionView()->isHidden());
}

}  // namespace
