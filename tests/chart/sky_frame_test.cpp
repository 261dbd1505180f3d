// Whole frames of the sky layers through the GL layer on the bundle's
// catalogues and pictures: the horizon chart of a winter night at
// Grossmugl (stereographic, 90 degrees) and an equatorial chart of Orion
// (20 degrees). The layers' geometry is checked by their own suites; here
// they come together: no GL error, the ground opaque below the refracted
// horizon (ERFA's horizon directions), the Milky Way, illustrations and
// figures on the sky. The pictures are written for looking at.
#include <gtest/gtest.h>

#include <erfa.h>

#include <filesystem>
#include <string>
#include <vector>

#include "chart/constellation_images.h"
#include "skydata/sky_database.h"
#include "tests/chart/chart_canvas.h"
#include "tests/chart/horizon_oracle.h"
#include "tests/support/requirements.h"
#include "tests/tools/built_bundle.h"

namespace {

using chart_test::Backend;

constexpr double kDegree = 0.017453292519943295;
constexpr double kJD = 2460299.416667;  // 2023-12-19 22:00 UT
constexpr double kLongitude = 16.22 * kDegree, kLatitude = 48.49 * kDegree;

class ChartSkyFrame : public testing::Test {
 protected:
  void SetUp() override {
    std::string bundle = tessaly::test::builtBundlePath();
    if (!std::filesystem::exists(bundle + "/SkyImages/Constellations/Index.txt") ||
        !std::filesystem::exists(bundle + "/SkyData/Stars.skydata"))
      TESSALY_SKIP_OR_FAIL("no built catalogues and sky pictures in " << bundle);
    if (!chart_test::backendAvailable(Backend::gl)) GTEST_SKIP() << "no graphics layer here";
    database_ = std::make_unique<CSkyDatabase>((bundle + "/SkyData/").c_str());
    ASSERT_NE(database_->loadSolarSystem("SolarSystem.skydata"), nullptr);
    ASSERT_NE(database_->loadStars("Stars.skydata"), nullptr);
    ASSERT_NE(database_->loadConstellations("Constellations.skydata"), nullptr);
    chart_ = std::make_unique<CSkyChart>(database_.get(), (bundle + "/SkyImages").c_str());
    chart_->setViewport(0, 0, 640, 480);
    chart_->setLocation(kLongitude, kLatitude, 265);
    chart_->setJulianDate(kJD);
    ASSERT_TRUE(chart_->loadConstellationImageIndex(
        (bundle + "/SkyImages/Constellations/Index.txt").c_str(), database_.get()));
    std::vector<SkyObjectID> moon;
    ASSERT_GE(database_->findObjectsByName("Moon", kSolarSystemFile, moon, 1), 1);
    chart_->selectObject(&moon[0]);
    chart_->showConstellationsMythical = true;
    chart_->showConstellationNames = true;
    chart_->showConstellationsBoundary = true;
    chart_->showMilkyWay = true;
    chart_->milkyWayStyle = 3;
    chart_->horizonStyle = 4;
    chart_->setHorizonImage("Grossmugl.png");
    canvas_ = chart_test::makeCanvas(Backend::gl, *chart_, 640, 480);
  }
  std::unique_ptr<CSkyDatabase> database_;
  std::unique_ptr<CSkyChart> chart_;
  std::unique_ptr<chart_test::ChartCanvas> canvas_;
};

TEST_F(ChartSkyFrame, AWinterNightOverTheHorizon) {
  chart_->setDisplayProjection(3);
  chart_->setDisplayCoordSystem(kCoordHorizon);
  chart_->setDisplayCenter(kCoordHorizon, 200 * kDegree, 25 * kDegree, 0);
  chart_->setDisplayFOV(90 * kDegree);
  chart_->showGrid = true;
  chart_->showMeridian = true;
  chart_->drawSkyChart();
  canvas_->save("frame-horizon-night");
  chart_test::Raster raster = canvas_->raster();
  // The sky is lit by the layers, the ground covers everything below the
  // horizon: a point well below it shows the photograph, not the chart.
  EXPECT_GT(raster.inkCount(0.05f), 640 * 480 / 4);
  chart_->setDisplayCoordSystem(kCoordHorizon);
  double v[3], x, y;
  chart_test::horizonDirection(kJD, kLongitude, kLatitude, 200 * kDegree, -10 * kDegree, v);
  ASSERT_TRUE(chart_->vectorToScreen(v, &x, &y));
  EXPECT_TRUE(chart_->isBelowHorizon(v));
  EXPECT_GT(raster.at(static_cast<int>(x), static_cast<int>(y)), 0.02f);
  // A tap there selects nothing.
  EXPECT_EQ(chart_->selectObjectAt({static_cast<float>(x), static_cast<float>(y)}), 0);
}

TEST_F(ChartSkyFrame, OrionInAnEquatorialChart) {
  chart_->setDisplayProjection(1);
  chart_->setDisplayCoordSystem(1);
  chart_->setDisplayCenter(1, 83.8 * kDegree, 1 * kDegree, 0);
  chart_->setDisplayFOV(20 * kDegree);
  chart_->showGrid = true;
  chart_->drawSkyChart();
  canvas_->save("frame-orion");
  EXPECT_GT(canvas_->raster().inkCount(0.05f), 1000);
  // Orion's picture was loaded and the others far off were not.
  const ConstellationImageTable& table = *chart_->constellationImages;
  int loaded = 0;
  for (int i = 0; i < table.count; ++i) loaded += CSkyChart::isTextureLoaded(&table.records[i].texture);
  EXPECT_GE(loaded, 1);
  EXPECT_LE(loaded, 8);
}

}  // namespace
