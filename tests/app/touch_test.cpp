// The chart view's touches, zoom, glide and pan animation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "chart/sky_chart.h"
#include "engine/angles.h"
#include "platform/uikit/application.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/sky_data_file.h"
#include "skydata/sky_database.h"
#include "skydata/skydata_writer.h"
#include "skydata/sky_object.h"
#include "tests/app/app_session.h"
#include "tests/chart/sky_fixture.h"
#include "tests/mechanics/mechanics_fixture.h"
#include "tests/support/sanitizer_build.h"

namespace {

using app_test::AppSession;

// A session in the sky view, past the opening fade, with the station
// drawn and its place on the screen known.
struct SkySession {
  AppSession session;
  ui::Point station;  // screen points
  SkySession() {
    session.run(1.0);
    // The station is below the horizon then: a see-through horizon lets
    // taps reach it (an opaque one refuses them).
    session.screen().settings()->setRealisticHorizon(false);
    session.screen().setChartPerspective(kSkyPerspective);
    session.chartView().drawImmediately();
    const float* marker = session.chart().selectionScreenPosition;
    const double scale = chartSurfaceScale();
    const ui::Point inView{marker[0] / scale, marker[1] / scale};
    station = session.chartView().transformToRoot().apply(inView);
  }
  CSkyChart& chart() { return session.chart(); }
  ChartSurfaceView& view() { return session.chartView(); }
  void selectMoon() {
    std::vector<SkyObjectID> found;
    ASSERT_GT(chart().database->findObjectsByName("Moon", kSolarSystemFile, found, 1), 0);
    session.screen().selectObject(found[0]);
  }
  int sounds(const char* name) {
    const auto& log = session.shell().soundLog();
    return int(std::count(log.begin(), log.end(), name));
  }
  double fieldDegrees() { return chart().getDisplayFOV() * kDegreesPerRadian; }
};

TEST(ChartViewTouches, ATapSelectsTheSatelliteUnderItAQuarterSecondAfterTheFingerLifts) {
  SkySession sky;
  sky.selectMoon();
  ASSERT_NE(sky.chart().selectedObject->getType(), kTypeSatellite);
  ui::Application& app = ui::Application::shared();
  const double t = ns::RunLoop::main().now();
  app.handleTouches({{1, ui::TouchPhase::began, sky.station}}, t);
  app.handleTouches({{1, ui::TouchPhase::ended, sky.station}}, t + 0.05);
  sky.session.run(0.2);
  EXPECT_NE(sky.chart().selectedObject->getType(), kTypeSatellite) << "not before 0.25 s";
  sky.session.run(0.1);
  EXPECT_EQ(sky.chart().selectedObject->getType(), kTypeSatellite);
  EXPECT_EQ(sky.sounds("SelectObject2.mp3"), 1);
  EXPECT_EQ(sky.chart().database->searchFilter.lowestType, 1) << "the filter's defaults come back";
  EXPECT_EQ(sky.chart().database->searchFilter.highestType, 42);
}

TEST(ChartViewTouches, ATapOnEmptySkySelectsNothingAndIsSilent) {
  SkySession sky;
  sky.selectMoon();
  const SkyObjectID before = sky.chart().selectedObjectID;
  const ui::Rect frame = sky.view().frame();
  // The corner farthest from the station.
  const double x = sky.station.x < frame.width() / 2 ? frame.maxX() - 20 : frame.x() + 20;
  const double y = sky.station.y < frame.midY() ? frame.maxY() - 120 : frame.y() + 60;
  sky.session.tap(x, y);
  sky.session.run(0.5);
  EXPECT_TRUE(CSkyDatabase::isSameSkyObjectID(&before, &sky.chart().selectedObjectID));
  EXPECT_EQ(sky.sounds("SelectObject2.mp3"), 0);
}

TEST(ChartViewTouches, ATouchThatStopsAGlideNeverSelects) {
  SkySession sky;
  sky.selectMoon();
  sky.session.drag({100, 300}, {260, 300}, 8, 0.01);
  ASSERT_TRUE(sky.view().momentumRunning());
  sky.session.tap(sky.station.x, sky.station.y);
  sky.session.run(0.5);
  EXPECT_FALSE(sky.view().momentumRunning());
  EXPECT_NE(sky.chart().selectedObject->getType(), kTypeSatellite);
}

TEST(ChartViewTouches, AFingerThatBarelyMovesAtTheEndLeavesNoGlide) {
  SkySession sky;
  ui::Application& app = ui::Application::shared();
  double t = ns::RunLoop::main().now();
  app.handleTouches({{7, ui::TouchPhase::began, {100, 300}}}, t);
  for (int i = 1; i <= 6; ++i) app.handleTouches({{7, ui::TouchPhase::moved, {100.0 + 20 * i, 300}}}, t += 0.02);
  // The smoothed point trails the finger: held still it catches up.
  for (int i = 0; i < 3; ++i) app.handleTouches({{7, ui::TouchPhase::moved, {220, 300.5}}}, t += 0.02);
  app.handleTouches({{7, ui::TouchPhase::ended, {221, 301}}}, t += 0.02);
  EXPECT_FALSE(sky.view().momentumRunning());
}

TEST(ChartViewTouches, APinchChangesTheFieldByAtMostATenthAMoveAndStaysWithinItsLimits) {
  SkySession sky;
  ui::Application& app = ui::Application::shared();
  double t = ns::RunLoop::main().now();
  const ui::Point c{187, 330};
  app.handleTouches({{1, ui::TouchPhase::began, {c.x - 10, c.y}}, {2, ui::TouchPhase::began, {c.x + 10, c.y}}}, t);
  double previous = sky.fieldDegrees();
  // Fingers spreading fast (20 % a move): each move at most 10 % smaller.
  for (int i = 1; i <= 60; ++i) {
    const double d = 10 * std::pow(1.2, i);
    app.handleTouches({{1, ui::TouchPhase::moved, {c.x - d, c.y}}, {2, ui::TouchPhase::moved, {c.x + d, c.y}}},
                      t += 0.01);
    const double field = sky.fieldDegrees();
    EXPECT_GE(field, previous * 0.9 * (1 - 1e-6));
    EXPECT_GE(field, 1.0 - 1e-9);
    previous = field;
  }
  EXPECT_NEAR(sky.fieldDegrees(), 1.0, 1e-9);
  // Fingers that meet give no ratio: the move is skipped, nothing is NaN.
  app.handleTouches({{1, ui::TouchPhase::moved, c}, {2, ui::TouchPhase::moved, c}}, t += 0.01);
  app.handleTouches({{1, ui::TouchPhase::moved, c}, {2, ui::TouchPhase::moved, c}}, t += 0.01);
  EXPECT_TRUE(std::isfinite(sky.chart().getDisplayFOV()));
  app.handleTouches({{1, ui::TouchPhase::ended, c}, {2, ui::TouchPhase::ended, c}}, t += 0.01);
}

TEST(ChartViewTouches, APinchInASpaceViewStopsAtNinetyDegrees) {
  SkySession sky;
  sky.session.screen().setChartPerspective(kOrbitPerspective);
  ui::Application& app = ui::Application::shared();
  double t = ns::RunLoop::main().now();
  const ui::Point c{187, 330};
  app.handleTouches({{1, ui::TouchPhase::began, {c.x - 150, c.y}}, {2, ui::TouchPhase::began, {c.x + 150, c.y}}}, t);
  for (int i = 1; i <= 60; ++i) {
    const double d = std::max(1.0, 150.0 - 2.5 * i);
    app.handleTouches({{1, ui::TouchPhase::moved, {c.x - d, c.y}}, {2, ui::TouchPhase::moved, {c.x + d, c.y}}},
                      t += 0.01);
  }
  EXPECT_LE(sky.fieldDegrees(), 90.0 + 1e-9);
  EXPECT_GT(sky.fieldDegrees(), 89.0);
  app.handleTouches({{1, ui::TouchPhase::ended, c}, {2, ui::TouchPhase::ended, c}}, t += 0.01);
}

TEST(ChartViewZoom, HoldingZoomInStopsAtOneDegreeOrFifteenWhileMotionSteers) {
  SkySession sky;
  ChartSurfaceView& view = sky.view();
  Settings& settings = *sky.session.screen().settings();
  // Each tick of the zoom draws a wide sky: the sanitizer builds start a
  // few ticks short of each limit.
  const bool nearLimits = tessaly::test::underSanitizer();
  if (nearLimits) settings.setDisplayFOV(1.5);
  view.startZoom(1);
  sky.session.runUntil([&] { return !view.zoomTimerRunning(); }, 5.0);
  EXPECT_FALSE(view.zoomTimerRunning());
  EXPECT_NEAR(settings.displayFOV(), 1.0, 1e-4);
  settings.setDisplayFOV(nearLimits ? 20 : 60);
  sky.session.screen().startCompassOrGyro();
  ASSERT_TRUE(ChartScreenController::compassOrGyroOn());
  view.zoomIn();
  // The timer goes on at the limit: ten more of its ticks must leave the
  // field there.
  sky.session.runUntil([&] { return settings.displayFOV() <= 15.0 + 1e-4; }, 5.0);
  sky.session.run(0.3);
  EXPECT_NEAR(settings.displayFOV(), 15.0, 1e-4);
  view.zoomStop();
  sky.session.screen().stopCompassOrGyro();
}

TEST(ChartViewZoom, DraggingTheFieldLabelUpZoomsInAndDownZoomsOut) {
  SkySession sky;
  Settings& settings = *sky.session.screen().settings();
  const double start = settings.displayFOV();
  const ui::Point label = AppSession::centreOf(*sky.session.screen().views().fovLabel);
  sky.session.drag(label, {label.x, label.y - 60}, 6, 0.02);
  sky.session.run(0.5);
  const double zoomedIn = settings.displayFOV();
  EXPECT_LT(zoomedIn, start);
  EXPECT_GE(zoomedIn, start / std::pow(1.03, 6) - 1e-9);
  sky.session.drag(label, {label.x, label.y + 60}, 6, 0.02);
  sky.session.run(0.5);
  EXPECT_GT(settings.displayFOV(), zoomedIn);
  EXPECT_EQ(sky.view().zoomSign(), 0);
}

TEST(ChartViewZoom, DistanceZoomWithoutAHomeRadiusChangesNothing) {
  SkySession sky;
  sky.session.screen().setChartPerspective(kOrbitPerspective);
  CSkyChart& chart = sky.chart();
  chart.setHomeObject(SkyObjectID{});  // the Earth's surface: no home body
  const double distance = chart.homePlanetDistance;
  const double stored = sky.session.screen().settings()->homePlanetDistance();
  sky.view().startZoom(2);
  sky.view().zoomChart();
  sky.view().stopZoom();
  EXPECT_EQ(chart.homePlanetDistance, distance);
  EXPECT_EQ(sky.session.screen().settings()->homePlanetDistance(), stored);
}

TEST(ChartViewPan, APanTakesOneSecondUnderOneFieldAndThreeBeyondThreeFields) {
  SkySession sky;
  CSkyChart& chart = sky.chart();
  ChartScreenController& screen = sky.session.screen();
  screen.settings()->setDisplayFOV(90);
  sky.session.screen().fovChanged();
  chart.setDisplayFOV(90 * kRadiansPerDegree);
  double lon, lat;
  ASSERT_TRUE(chart.getObjectDisplayPosition(chart.selectedObject, chart.getDisplayCoordSystem(), &lon, &lat));
  chart.setDisplayCenterLonLat(normalizeRadians(lon + 10 * kRadiansPerDegree), lat);
  ASSERT_TRUE(sky.view().startPanToSelectedObject(chart.homeObjectID, true));
  EXPECT_DOUBLE_EQ(sky.view().panLength(), 1.0);
  sky.session.run(1.2);
  EXPECT_FALSE(sky.view().panRunning());
  EXPECT_EQ(sky.sounds("CenterObject.mp3"), 1);
  chart.setDisplayFOV(5 * kRadiansPerDegree);
  chart.setDisplayCenterLonLat(normalizeRadians(lon + 60 * kRadiansPerDegree), lat);
  ASSERT_TRUE(sky.view().startPanToSelectedObject(chart.homeObjectID, true));
  EXPECT_DOUBLE_EQ(sky.view().panLength(), 3.0);
  sky.session.run(3.2);
  double centreLon, centreLat;
  chart.getDisplayCenter(&centreLon, &centreLat);
  ASSERT_TRUE(chart.getObjectDisplayPosition(chart.selectedObject, chart.getDisplayCoordSystem(), &lon, &lat));
  EXPECT_LT(angularSeparation(centreLon, centreLat, lon, lat), 0.5 * kRadiansPerDegree);
}

void forEachRegion(CSkyDataRegion* region, const std::function<void(CSkyDataRegion*)>& visit) {
  if (region == nullptr) return;
  visit(region);
  for (int k = 0; k < 8; ++k) forEachRegion(region->getChild(k), visit);
}

// A stars file as the space tree lays it out: a root box 400 parsecs wide
// round the Sun halved three times along each axis, with stars 100
// parsecs out in every direction, each in the region its place falls in
// (none in the boxes round the Sun, which never hide).
void writeStarsAllRound(const std::string& path) {
  SkyDataWriter writer;
  const float lo[3] = {-200, -200, -200}, hi[3] = {200, 200, 200};
  writer.setRegionBox(0, lo, hi);
  for (int ra = 0; ra < 360; ra += 15)
    for (int dec = -75; dec <= 75; dec += 15) {
      chart_test::StarDefinition star;
      star.ra = ra, star.dec = dec, star.magnitude = -1, star.distance = 100;
      const double r = ra * kRadiansPerDegree, d = dec * kRadiansPerDegree;
      const double place[3] = {100 * std::cos(d) * std::cos(r), 100 * std::cos(d) * std::sin(r), 100 * std::sin(d)};
      double low[3] = {-200, -200, -200}, high[3] = {200, 200, 200};
      std::uint32_t region = 0;
      for (int level = 0; level < 3; ++level) {
        int k = 0;
        for (int a = 0; a < 3; ++a) {
          const double middle = (low[a] + high[a]) / 2;
          if (place[a] >= middle) k |= 1 << a, low[a] = middle;
          else high[a] = middle;
        }
        region = 8 * region + std::uint32_t(k) + 1;
      }
      star.region = region;
      ASSERT_GE(writer.addRecord(region, chart_test::starRecord(star), star.magnitude), 0);
    }
  ASSERT_TRUE(writer.writeFile(path));
}

// The end of a pan with a home object lets go of the stars it left
// behind at once, before the next frame loads the new view's regions
// beside them.
TEST(ChartViewPan, TheEndOfAPanUnloadsTheStarRegionsLeftOffTheScreen) {
  SkySession sky;
  CSkyChart& chart = sky.chart();
  writeStarsAllRound(sky.session.bundle() + "/SkyData/Stars.skydata");
  ASSERT_NE(chart.database->loadStars("Stars.skydata"), nullptr);
  CSkyDataFile* stars = chart.database->getDataFile(kStarsFile);
  ASSERT_NE(stars, nullptr);
  // A pan with a home object: the orbit view's.
  sky.session.screen().setChartPerspective(kOrbitPerspective);
  ASSERT_NE(chart.homeObject, nullptr);
  chart.setDisplayFOV(30 * kRadiansPerDegree);
  sky.selectMoon();
  // Everything loaded, as a frame of the whole sky would leave it.
  int loaded = 0;
  forEachRegion(stars->getRoot(), [&](CSkyDataRegion* r) {
    if (stars->loadRegionObjects(r) > 0) ++loaded;
  });
  ASSERT_GT(loaded, 20);
  double lon, lat;
  ASSERT_TRUE(chart.getObjectDisplayPosition(chart.selectedObject, chart.getDisplayCoordSystem(), &lon, &lat));
  chart.setDisplayCenterLonLat(normalizeRadians(lon + 120 * kRadiansPerDegree), -lat);
  ASSERT_FALSE(sky.view().startPanToSelectedObject(chart.homeObjectID, false)) << "not animated: ended at once";
  int hidden = 0, hiddenLoaded = 0, kept = 0;
  forEachRegion(stars->getRoot(), [&](CSkyDataRegion* r) {
    if (r->getObjectCount() == 0) return;
    const bool off = chart.isRegionHidden(kStarsFile, r);
    hidden += off;
    hiddenLoaded += off && r->isLoaded();
    kept += !off && r->isLoaded();
  });
  EXPECT_GT(hidden, 10) << "most of the sky is off the screen";
  EXPECT_EQ(hiddenLoaded, 0);
  EXPECT_GT(kept, 0) << "what shows stays";
}

// The orbit view round the Earth with the selected station, and a second
// station a quarter of an orbit behind it.
struct OrbitSession {
  AppSession session;
  OrbitSession() : session(options()) {
    session.run(1.0);
    EXPECT_EQ(session.chartView().chartPerspective(), kOrbitPerspective) << "the first start's view";
  }
  static app_test::SessionOptions options() {
    mechanics_test::SatelliteRecord second;
    second.elements = mechanics_test::elementsFromLines(mechanics_test::kIssLines[0], mechanics_test::kIssLines[1]);
    second.elements.catalogueNumber = 90001;
    std::snprintf(second.elements.name, sizeof second.elements.name, "TRAILER");
    second.elements.meanAnomaly -= kHalfPi;
    app_test::SessionOptions o;
    o.moreSatellites = {second};
    return o;
  }
  CSkyChart& chart() { return session.chart(); }
  // Degrees between where the observer is and where the satellite is, both
  // seen from the Earth's centre: 0 while the view follows it.
  double degreesFromSatellite(CSkyObject* object) {
    auto* satellite = dynamic_cast<CPlanet*>(object);
    CPlanet* earth = chart().database->getEarth();
    if (satellite == nullptr || earth == nullptr) return NAN;
    chart().updateObjectPosition(satellite);
    double s[3], e[3], o[3], dot = 0, ss = 0, oo = 0;
    satellite->getHeliocentricPosition(s);
    earth->getHeliocentricPosition(e);
    for (int i = 0; i < 3; ++i) {
      s[i] -= e[i];
      o[i] = chart().observerPosition[i] - e[i];
      dot += s[i] * o[i], ss += s[i] * s[i], oo += o[i] * o[i];
    }
    return std::acos(std::clamp(dot / std::sqrt(ss * oo), -1.0, 1.0)) * kDegreesPerRadian;
  }
  double degreesFromSelected() { return degreesFromSatellite(chart().selectedObject); }
  void dragAcross() {
    const ui::Point mid = AppSession::centreOf(session.chartView());
    session.drag({mid.x - 100, mid.y}, {mid.x + 100, mid.y}, 20, 0.02);
  }
  // Centred as the Center button does, the pan run to its end.
  void centre() {
    session.screen().centerSelectedObject(true);
    EXPECT_TRUE(session.runUntil([&] { return !session.chartView().panRunning(); }, 4.0));
  }
};

TEST(OrbitViewDrag, ADragTurnsTheEarthUnderTheObserverUntilCentreFollowsTheSatelliteOrANewOneAgain) {
  OrbitSession orbit;
  CSkyChart& chart = orbit.chart();
  ASSERT_NE(chart.selectedObject, nullptr);
  ASSERT_EQ(chart.selectedObject->getType(), kTypeSatellite);
  ASSERT_EQ(chart.getDisplayCoordSystem(), kCoordEquatorial) << "Show Earth Rotation is on";
  ASSERT_TRUE(chart.centerOnSelected);
  EXPECT_LT(orbit.degreesFromSelected(), 0.1) << "above the station";

  orbit.dragAcross();
  EXPECT_GT(orbit.degreesFromSelected(), 30.0) << "a 200-point drag turns the view by tens of degrees";
  EXPECT_FALSE(chart.centerOnSelected);
  EXPECT_FALSE(orbit.session.screen().settings()->selectedObjectLocked());
  orbit.session.run(2.0);  // frames, and the glide to its end
  ASSERT_FALSE(orbit.session.chartView().momentumRunning());
  const double turned = orbit.degreesFromSelected();
  EXPECT_GT(turned, 30.0) << "it stays turned after the release";
  const double lon = chart.homePlanetLongitude, lat = chart.homePlanetLatitude;
  orbit.session.run(3.0);
  EXPECT_NEAR(normalizeRadiansSigned(chart.homePlanetLongitude - lon) * kDegreesPerRadian, 0, 0.01);
  EXPECT_NEAR((chart.homePlanetLatitude - lat) * kDegreesPerRadian, 0, 0.01);

  orbit.centre();
  EXPECT_TRUE(chart.centerOnSelected);
  EXPECT_LT(orbit.degreesFromSelected(), 0.1) << "Centre puts the view over the station";
  orbit.session.run(3.0);
  EXPECT_LT(orbit.degreesFromSelected(), 0.1) << "and it follows the station on";

  orbit.dragAcross();
  orbit.session.run(2.0);
  const SkyObjectID first = chart.selectedObjectID;
  // Chosen and centred as the lists and the information page do.
  orbit.session.select("TRAILER");
  ASSERT_FALSE(CSkyDatabase::isSameSkyObjectID(&first, &chart.selectedObjectID));
  orbit.centre();
  EXPECT_TRUE(chart.centerOnSelected);
  EXPECT_LT(orbit.degreesFromSelected(), 0.1) << "a new selection is followed";
  orbit.session.run(3.0);
  EXPECT_LT(orbit.degreesFromSelected(), 0.1);
}

}  // namespace
