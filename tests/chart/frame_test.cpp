// The frame through the 2-D back end: nothing without a selection, the
// camera's field of view, the flags a frame sets and clears, the locks,
// the stereo pair, the image folder and the colour filter.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/vectors.h"
#include "skydata/app_bridge.h"
#include "tests/gles/allocation_count.h"
#include "skydata/planet.h"
#include "skydata/sky_database.h"
#include "tests/chart/chart_canvas.h"
#include "tests/chart/sky_fixture.h"

namespace {

using chart_test::ChartSky;

constexpr double kDeg = 0.017453292519943295;

class ChartFrame : public testing::Test {
 protected:
  ChartFrame() { chart_ = sky_.chart(400, 300, 10, 20, 60); }
  SkyObjectID body(int type, int number) {
    return sky_.world().reference(sky_.world().body(type, static_cast<std::uint32_t>(number)));
  }
  ChartSky sky_;
  std::unique_ptr<CSkyChart> chart_;
};

TEST_F(ChartFrame, WithoutASelectionAFrameDrawsNothingAtAll) {
  SkyObjectID mars = body(30, 4);
  chart_->setHighlightedObjects(&mars, 1);
  chart_->drawAllHighlights = true;
  chart_->pointerPending = true;
  chart_test::Canvas2D canvas(*chart_, 400, 300);
  chart_->drawSkyChart();
  EXPECT_EQ(canvas.raster().inkCount(0.001f), 0);
  EXPECT_TRUE(chart_->updateNeeded);
  EXPECT_TRUE(chart_->glResetPending);
  EXPECT_FALSE(chart_->glResourcesLive);
}

TEST_F(ChartFrame, AFrameDrawsTheOverlaysAndSettlesItsFlags) {
  SkyObjectID mars = body(30, 4);
  chart_->selectObject(&mars);
  chart_->setHighlightedObjects(&mars, 1);
  chart_->setCenterOnSelected(true);
  chart_->selectionScreenPosition[0] = 5;
  chart_test::Canvas2D canvas(*chart_, 400, 300);
  chart_->drawSkyChart();
  canvas.save("frame");
  // Centred on the selection: its highlight circle is round the middle.
  ScopedSkyObject object(sky_.database().getObject(&mars));
  double v[3], x, y;
  object->getPosition(v);
  ASSERT_TRUE(chart_->vectorToScreen(v, &x, &y));
  EXPECT_NEAR(x, 200, 1e-6);
  EXPECT_NEAR(y, 150, 1e-6);
  chart_test::Raster raster = canvas.raster();
  double r = chart_->markerSize / 2;
  EXPECT_GT(raster.at(int(200 + r), 150) + raster.at(int(200 + r) - 1, 150), 0.3f);
  // Inside it the planet's own point.
  EXPECT_GT(raster.at(200, 150), 0.5f);
  EXPECT_FALSE(chart_->updateNeeded);
  EXPECT_FALSE(chart_->glResetPending);
  EXPECT_TRUE(chart_->glResourcesLive);
  EXPECT_EQ(chart_->selectionScreenPosition[0], -1);
}

TEST_F(ChartFrame, TheCameraPictureSetsTheFieldFromItsLongerSide) {
  SkyObjectID sun;
  CSkyDatabase::setSunObjectID(&sun);
  chart_->selectObject(&sun);
  std::vector<std::uint8_t> pixels(1920 * 1080 * 4, 128);
  {
    std::lock_guard<std::mutex> lock(cameraFrameMutex());
    setCameraImage(60, 1920, 1080, pixels.data());
  }
  chart_test::Canvas2D canvas(*chart_, 400, 300);
  chart_->drawSkyChart();
  // 1920 / 1080 in floating point: integer division would leave 60 degrees.
  EXPECT_NEAR(chart_->displayFOV, 60 * 0.01745329251993889 / (1920.0 / 1080.0), 1e-12);
  chart_->setDisplayFOV(30 * kDeg);
  {
    std::lock_guard<std::mutex> lock(cameraFrameMutex());
    setCameraImage(0, 1920, 1080, pixels.data());  // no field given
  }
  chart_->drawSkyChart();
  EXPECT_NEAR(chart_->displayFOV, 30 * kDeg, 1e-12);
  {
    std::lock_guard<std::mutex> lock(cameraFrameMutex());
    setCameraImage(0, 0, 0, nullptr);
  }
}

TEST_F(ChartFrame, StereoDrawsBothHalvesAndRestoresTheViewport) {
  SkyObjectID sun;
  CSkyDatabase::setSunObjectID(&sun);
  chart_->selectObject(&sun);
  double before[3];
  vectorCopy(before, chart_->observerPosition);
  chart_test::Canvas2D canvas(*chart_, 400, 300);
  chart_->drawStereoSkyChart();
  EXPECT_EQ(chart_->getViewportRight(), 400);
  EXPECT_EQ(chart_->getViewportBottom(), 300);
  // Not a space view: both eyes at the one observer.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(chart_->observerPosition[i], before[i]);
  // In the orbit view the observer comes back to where it was.
  SkyObjectID mars = body(30, 4);
  chart_->setHomeObjectKeepingPosition(mars);
  chart_->setDisplayCoordSystem(1);
  ASSERT_TRUE(chart_->isSpaceView());
  vectorCopy(before, chart_->observerPosition);
  chart_->drawStereoSkyChart();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(chart_->observerPosition[i], before[i]);
  EXPECT_EQ(chart_->getViewportRight(), 400);
}

TEST_F(ChartFrame, TheImageFolderChangesOnlyToAUsablePath) {
  char folder[300];
  chart_->getImageDirectory(folder, sizeof folder);
  EXPECT_STREQ(folder, "");
  chart_->setImageDirectory("/bundle/SkyImages");
  chart_->updateNeeded = false;
  chart_->setImageDirectory("/bundle/SkyImages");
  EXPECT_FALSE(chart_->updateNeeded);  // unchanged: nothing released
  chart_->setImageDirectory(nullptr);
  std::string tooLong = "/" + std::string(300, 'x');
  chart_->setImageDirectory(tooLong.c_str());
  chart_->getImageDirectory(folder, sizeof folder);
  EXPECT_STREQ(folder, "/bundle/SkyImages");
  char small[8];
  chart_->getImageDirectory(small, sizeof small);
  EXPECT_STREQ(small, "/bundle");
  CSkyChart refused(&sky_.database(), tooLong.c_str());
  refused.getImageDirectory(folder, sizeof folder);
  EXPECT_STREQ(folder, "");
}

TEST_F(ChartFrame, ColourFiltersGreyOrReddenAndMarkTexturesForReloading) {
  const float green[3] = {0, 1, 0};
  float out[3];
  chart_->filterColor(out, green);
  EXPECT_FLOAT_EQ(out[1], 1);
  chart_->glResetPending = false;
  chart_->setColorFilter(3);
  EXPECT_TRUE(chart_->glResetPending);
  chart_->filterColor(out, green);
  EXPECT_FLOAT_EQ(out[0], 0.6f);
  EXPECT_FLOAT_EQ(out[1], 0);
  EXPECT_FLOAT_EQ(out[2], 0);
  chart_->glResetPending = false;
  chart_->setColorFilter(2);  // non-zero to non-zero: no reload
  EXPECT_FALSE(chart_->glResetPending);
  chart_->filterColor(out, green);
  EXPECT_FLOAT_EQ(out[0], 0.6f);
  EXPECT_FLOAT_EQ(out[2], 0.6f);
  chart_->setColorFilter(0);
  EXPECT_TRUE(chart_->glResetPending);
}

TEST_F(ChartFrame, LocksFollowEachOtherForTheHomeObject) {
  EXPECT_FALSE(chart_->setCenterOnHome(true));
  EXPECT_FALSE(chart_->centerOnHome);  // no home object
  SkyObjectID mars = body(30, 4);
  chart_->setHomeObjectKeepingPosition(mars);
  chart_->selectObject(&mars);
  chart_->setManualPanFlag(true);
  EXPECT_TRUE(chart_->setCenterOnSelected(true));
  EXPECT_TRUE(chart_->centerOnHome);
  EXPECT_FALSE(chart_->manualPan);
  chart_->setManualPanFlag(true);
  EXPECT_FALSE(chart_->centerOnSelected);
  EXPECT_TRUE(chart_->setCenterOnHome(false));
  EXPECT_FALSE(chart_->centerOnSelected);
}

TEST_F(ChartFrame, SpaceAndGroundViewsFollowTheHomeObject) {
  EXPECT_FALSE(chart_->isSpaceView());
  EXPECT_TRUE(chart_->isObserverNearGround());
  EXPECT_FALSE(chart_->isObserverFarFromSun());
  SkyObjectID mars = body(30, 4);
  chart_->setHomeObjectKeepingPosition(mars);
  chart_->setDisplayCoordSystem(2);
  EXPECT_FALSE(chart_->isSpaceView());
  chart_->setDisplayCoordSystem(1);
  EXPECT_TRUE(chart_->isSpaceView());
  chart_->setHomePlanetPosition(0, 0, 1e6);
  EXPECT_FALSE(chart_->isObserverNearGround());
  EXPECT_TRUE(chart_->isObserverFarFromSun());
}

// Before the settings arrive the chart stands where it says it does: a
// fresh chart's horizon is that of the site it reports (its home-planet
// latitude of 90 degrees places an observer away from the surface, not the
// site), and one given that site explicitly sees the Moon at the same
// altitude (22.0 degrees at JD 2451558.0653; 3.4 from the pole).
TEST_F(ChartFrame, AFreshChartsHorizonIsThatOfTheSiteItReports) {
  CPlanet* moon = sky_.world().body(31, 301);
  auto moonAltitude = [&](CSkyChart& chart) {
    chart.setJulianDate(2451558.0653);
    chart.updateObjectPosition(moon);
    return chart.getObjectAltitude(moon);
  };
  CSkyChart fresh(&sky_.database(), "");
  CSkyChart given(&sky_.database(), "");
  given.setLocation(fresh.longitude, fresh.latitude, fresh.altitude);
  CSkyChart pole(&sky_.database(), "");
  pole.setLocation(0, 1.5707963267948966, 0);
  const double altitude = moonAltitude(fresh);
  EXPECT_EQ(altitude, moonAltitude(given));
  EXPECT_NEAR(altitude, 22.03 * kDeg, 0.01 * kDeg);
  EXPECT_NEAR(moonAltitude(pole), 3.39 * kDeg, 0.01 * kDeg);
}

TEST_F(ChartFrame, AltitudeIsMeasuredFromTheObserversHorizon) {
  double zenith[3] = {0, 0, 1}, v[3];
  chart_->setLocation(0.3, 0.8, 0);
  chart_->horizonToFundamental(zenith, v);
  CPlanet* mars = sky_.world().body(30, 4);
  double saved[3];
  mars->getPosition(saved);
  mars->setPosition(v);
  EXPECT_NEAR(chart_->getObjectAltitude(mars), 1.5707963267948966, 1e-6);
  double south[3] = {-std::cos(0.5), 0, std::sin(0.5)};  // azimuth of south, 0.5 up
  chart_->horizonToFundamental(south, v);
  mars->setPosition(v);
  EXPECT_NEAR(chart_->getObjectAltitude(mars), 0.5, 1e-9);
  mars->setPosition(saved);
}

}  // namespace

namespace {

class ChartFrameAllocations : public testing::Test {};

TEST_F(ChartFrameAllocations, ARepeatedFrameAllocatesNothing) {
  chart_test::StarDefinition a, b;
  a.region = 1, a.ra = 10, a.dec = 20, a.name = "Alfa";
  b.region = 1, b.ra = 12, b.dec = 21, b.name = "Bravo";
  ChartSky sky({a, b});
  auto chart = sky.chart(400, 300, 10, 20, 20);
  SkyObjectID list[3] = {sky.star(1, 0), sky.star(1, 1),
                         sky.world().reference(sky.world().body(30, 4))};
  chart->selectObject(&list[1]);
  chart->setHighlightedObjects(list, 3);
  chart->drawAllHighlights = true;
  chart->pointerPending = true;
  chart->setSmoothLines(true);
  chart->drawSkyChart();  // the first frame builds the text atlases
  chart->drawSkyChart();
  tessaly::test::AllocationCount count;
  chart->drawSkyChart();
  EXPECT_EQ(count.allocations(), 0u);
}

}  // namespace
