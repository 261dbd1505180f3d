// Whole frames of the chart on the built bundle through the GL layer on the
// software GPU, as a user sees them: a winter night over the horizon, the
// daylit sky round the Sun, the Moon and Saturn close up, the station in
// the orbit view and the ground view. Each frame repeats itself when drawn
// again and leaves no GL error.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "chart/planet_textures.h"
#include "chart/sky_chart.h"
#include "skydata/object_types.h"
#include "skydata/sky_object.h"
#include "skydata/sky_database.h"
#include "tests/chart/bundle_sky.h"
#include "tests/chart/chart_canvas.h"
#include "tests/support/requirements.h"
#include "tests/tools/built_bundle.h"

namespace {

constexpr int kWidth = 1024, kHeight = 640;
constexpr double kDegree = 0.017453292519943295;
// 2023 December 19 from Vienna's Grossmugl: 22:00 UT and 11:00 UT; the
// satellites half a day after the epoch of the bundle's elements (2018
// January 15), where their orbits still hold.
constexpr double kNight = 2460299.416667, kNoon = 2460298.958333, kElements = 2458139.9;
constexpr double kLongitude = 16.22 * kDegree, kLatitude = 48.49 * kDegree, kHeightMetres = 265;

class WholeFrame : public testing::Test {
 protected:
  void SetUp() override {
    const std::string bundle = tessaly::test::builtBundlePath();
    if (!chart_test::BundleSky::available(bundle))
      TESSALY_SKIP_OR_FAIL("no built catalogues and pictures in " << bundle);
    if (!chart_test::backendAvailable(chart_test::Backend::gl)) GTEST_SKIP() << "no GL layer";
    sky_ = std::make_unique<chart_test::BundleSky>(bundle);
    ASSERT_TRUE(sky_->loaded());
    chart_ = sky_->makeChart(kWidth, kHeight);
    canvas_ = chart_test::makeCanvas(chart_test::Backend::gl, *chart_, kWidth, kHeight);
    chart_->setLocation(kLongitude, kLatitude, kHeightMetres);
  }

  SkyObjectID find(const char* name, int file = kSolarSystemFile) {
    SkyObjectID id{};
    EXPECT_TRUE(sky_->find(name, file, &id)) << name;
    return id;
  }
  void select(const char* name) {
    SkyObjectID id = find(name);
    chart_->selectObject(&id);
  }
  void centreOn(const char* name, double fovDegrees) {
    SkyObjectID id = find(name);
    chart_->selectObject(&id);
    chart_->setDisplayFOV(fovDegrees * kDegree);
    chart_->centerOnObjectID(&id);
  }
  // A frame that reads what it needs, one drawn from it (saved), and one
  // more, which must repeat it pixel for pixel: nothing drifts from frame
  // to frame while the time stands.
  void draw(const char* name) {
    frame();
    planetTextureLoader().wait();
    frame();
    canvas_->save(std::string("whole_") + name);
    const std::vector<std::uint8_t> first = canvas_->colors();
    frame();
    EXPECT_TRUE(first == canvas_->colors()) << name << ": the frame changed when drawn again";
    EXPECT_GT(canvas_->raster().inkCount(0.1f), 500) << name;
  }
  void frame() {
    canvas_->clear();
    chart_->updateNeeded = true;
    chart_->drawSkyChart();
    chart_->unloadInvisibleCatalogRegions();
  }

  std::unique_ptr<chart_test::BundleSky> sky_;
  std::unique_ptr<CSkyChart> chart_;
  std::unique_ptr<chart_test::ChartCanvas> canvas_;
};

TEST_F(WholeFrame, AWinterNightOverTheSouthernHorizon) {
  chart_->setJulianDate(kNight);
  chart_->setDisplayCenter(kCoordHorizon, 180 * kDegree, 30 * kDegree, 0);
  chart_->showGrid = true;
  chart_->showSatellites = chart_->showMinorPlanetNames = true;
  draw("night");
}

TEST_F(WholeFrame, TheDaylitSkyRoundTheSun) {
  chart_->setJulianDate(kNoon);
  chart_->showDaylight = true;
  centreOn("Sun", 90);
  draw("daylight");
}

TEST_F(WholeFrame, TheMoonCloseUp) {
  chart_->setJulianDate(kNight);
  centreOn("Moon", 1);
  draw("moon");
}

TEST_F(WholeFrame, SaturnAndItsRings) {
  chart_->setJulianDate(kNight - 0.2);
  centreOn("Saturn", 0.03);
  draw("saturn");
}

// The Galilean moons, whose catalogue gives no slope for their brightness
// law, as stars beside the planet.
TEST_F(WholeFrame, JupiterAndItsMoons) {
  chart_->setJulianDate(kNight - 0.2);
  centreOn("Jupiter", 0.4);
  draw("jupiter");
  const chart_test::Raster raster = canvas_->raster();
  for (const char* name : {"Io", "Europa", "Ganymede", "Callisto"}) {
    SkyObjectID id = find(name);
    CSkyObject* moon = sky_->database().getObject(&id);
    ASSERT_NE(moon, nullptr) << name;
    chart_->updateObjectPosition(moon);
    double v[3], x, y;
    moon->getPosition(v);
    ASSERT_TRUE(chart_->vectorToScreen(v, &x, &y)) << name;
    EXPECT_GT(raster.at(static_cast<int>(x), static_cast<int>(y)), 0.5f) << name;
    if (!moon->isOwnedByRegion()) delete moon;
  }
}

TEST_F(WholeFrame, TheStationInTheOrbitView) {
  chart_->setJulianDate(kElements);
  select("ISS (ZARYA)");
  SkyObjectID earth = find("Earth");
  chart_->setHomeObject(earth);
  chart_->setDisplayCoordSystem(1);
  chart_->setHomePlanetPosition(0, 30 * kDegree, 0.0003);
  chart_->setCenterOnHome(true);
  chart_->setDisplayFOV(60 * kDegree);
  chart_->showSelectedObjectOrbit = true;
  chart_->showSatellites = true;
  draw("orbit");
}

TEST_F(WholeFrame, TheStationOverTheGroundView) {
  chart_->setJulianDate(kElements);
  select("ISS (ZARYA)");
  chart_->earthView = true;
  chart_->setDisplayCoordSystem(1);
  chart_->setDisplayProjection(4);
  chart_->setDisplayFlippedHoriz(true);
  chart_->setDisplayFOV(360 * kDegree);
  // Greenwich in the middle: the sidereal time then.
  chart_->setDisplayCenter(1, 264.7 * kDegree, 0, 0);
  chart_->showSatellites = true;
  draw("ground");
}

}  // namespace
