// The chart's settings keys: defaults from an empty tree, a written tree
// read back into a new chart, the keys' spellings and edge cases, and
// mutated trees read without harm.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "chart/sky_chart.h"
#include "engine/locations.h"
#include "skydata/planet.h"
#include "skydata/settings.h"
#include "tests/mechanics/mechanics_fixture.h"
#include "tests/support/fuzz.h"

namespace {

using mechanics_test::SolarSystemWorld;

constexpr double kDeg = 0.01745329251993889;

CSettings* parse(const std::string& text) {
  if (text.empty()) return nullptr;
  std::string copy = text;
  std::FILE* file = fmemopen(copy.data(), copy.size(), "r");
  if (file == nullptr) return nullptr;
  CSettings* list = CSettings::read(file);
  std::fclose(file);
  return list;
}

std::string written(CSkyChart& chart, bool locations = true, bool highlights = true) {
  CSettings* tree = new CSettings("PellorinSettingsVersion", "1");
  chart.writeSettings(tree, locations, highlights);
  std::string text = CSettings::format(tree, 1);
  CSettings::deleteList(tree);
  return text;
}

void read(CSkyChart& chart, const std::string& text, bool locations = true,
          bool highlights = true) {
  CSettings* tree = parse(text);
  chart.readSettings(tree, locations, highlights);
  CSettings::deleteList(tree);
}

class ChartSettings : public testing::Test {
 protected:
  ChartSettings() {
    EXPECT_TRUE(world_.loaded());
    initLocationDatabase(0);
  }
  std::unique_ptr<CSkyChart> newChart() {
    auto chart = std::make_unique<CSkyChart>(&world_.database(), "");
    chart->setViewport(0, 0, 400, 300);
    return chart;
  }
  SolarSystemWorld world_;
};

TEST_F(ChartSettings, AnEmptyTreeGivesTheDefaults) {
  auto chart = newChart();
  // Away from every default first.
  chart->setDisplayCoordSystem(1);
  chart->setDisplayProjection(1);
  chart->setDisplayFOV(0.2);
  chart->showStars = false;
  chart->showGrid = true;
  chart->showCoordGrid[1] = false;
  chart->constellationBoundaryRGB[2] = 0.25f;
  chart->setPlanetMagnitudeLimit(3);
  read(*chart, "Unrelated=1\n");
  EXPECT_EQ(chart->displayCoordSystem, 2);
  EXPECT_NEAR(chart->displayCenterLat, 45 * kDeg, 1e-12);
  EXPECT_EQ(chart->displayProjection, 3);
  EXPECT_NEAR(chart->displayFOV, 90 * kDeg, 1e-12);
  EXPECT_TRUE(chart->showStars);
  EXPECT_FALSE(chart->showGrid);
  EXPECT_TRUE(chart->showCoordGrid[1]);
  EXPECT_FALSE(chart->showCoordGrid[2] || chart->showCoordGrid[3] || chart->showCoordGrid[4]);
  EXPECT_FLOAT_EQ(chart->constellationBoundaryRGB[2], 1);
  EXPECT_FLOAT_EQ(chart->planetMagLimit, 20);
  EXPECT_FLOAT_EQ(chart->starMagLimit, 6);
  EXPECT_NEAR(chart->julianDate, 2451545.0, 1e-9);
  EXPECT_EQ(chart->calendar, 2);
  EXPECT_STREQ(chart->dateFormat, "%a %b %d, %Y BC");
  EXPECT_EQ(chart->raFormat, 3);
  EXPECT_EQ(chart->decFormat, 7);
  EXPECT_EQ(chart->latitudeFormat, 3 | 8);
  // The Sun is selected, nothing is home.
  EXPECT_EQ(chart->selectedObjectID.file, 1);
  EXPECT_EQ(chart->selectedObjectID.index, 0);
  ASSERT_NE(chart->selectedObject, nullptr);
  EXPECT_TRUE(isSun(chart->selectedObject));
  EXPECT_EQ(chart->homeObject, nullptr);
  // A null tree is an empty one.
  chart->showStars = false;
  chart->readSettings(nullptr, true, true);
  EXPECT_TRUE(chart->showStars);
}

TEST_F(ChartSettings, AWrittenTreeReadIntoANewChartWritesTheSameTree) {
  auto chart = newChart();
  clearUserLocations();
  Location home{"Hut \"Alpine\"", 0, 7.5f, 46.25f, 2100, 1, 0};
  insertUserLocation(0, home);
  chart->setLocation(7.5 * kDeg, 46.25 * kDeg, 2100);
  chart->setTimeZone(1.0 / 24);
  chart->setDeltaT(0, 69.2 / 86400);
  chart->setJulianDate(2460000.25);
  chart->setDisplayCoordSystem(1);
  chart->setDisplayCenterInSystem(1, 2.5, -0.3);
  chart->setDisplayProjection(1);
  chart->setDisplayFOV(40 * kDeg);
  chart->showSatellites = true;
  chart->showStars = false;
  chart->setStarMagnitudeLimit(8.5f);
  chart->starNameRGB[1] = 0.25f;
  chart->milkyWayStyle = 2;
  chart->horizonAltitude = 2 * kDeg;
  chart->setHorizonImage("Alps");
  chart->showCoordGrid[1] = false;
  chart->showCoordGrid[4] = true;
  SkyObjectID moon = world_.reference(world_.body(31, 301));
  chart->selectObject(&moon);
  SkyObjectID mars = world_.reference(world_.body(30, 4));
  chart->setHomeObjectKeepingPosition(mars);
  SkyObjectID jupiter = world_.reference(world_.body(30, 5));
  SkyObjectID list[2] = {jupiter, moon};
  chart->setHighlightedObjects(list, 2);
  chart->showHighlightedObjectPaths = true;
  std::string text = written(*chart);
  EXPECT_NE(text.find("HighlitedObject=BeginObject"), std::string::npos) << text;
  EXPECT_NE(text.find("Proper Motion="), std::string::npos);
  EXPECT_NE(text.find("Light Time="), std::string::npos);

  clearUserLocations();
  auto copy = newChart();
  read(*copy, text);
  EXPECT_EQ(written(*copy), text);
  EXPECT_NE(text.find("DeltaT=6.920000000000000e+01"), std::string::npos);
  EXPECT_NEAR(copy->deltaTInUse * 86400, 69.2, 1e-9);
  EXPECT_EQ(copy->selectedObject, chart->selectedObject);
  ASSERT_NE(copy->homeObject, nullptr);
  EXPECT_EQ(copy->homeObject, chart->homeObject);
  ASSERT_EQ(copy->highlightCount, 2);
  EXPECT_TRUE(copy->isHighlighted(jupiter.file, jupiter.region, jupiter.index));
  EXPECT_TRUE(copy->showCoordGrid[4]);
  EXPECT_FALSE(copy->showCoordGrid[1]);
  EXPECT_STREQ(copy->horizonTexture, "Alps");
  EXPECT_NEAR(copy->starMagLimit, 8.5, 1e-5);
  Location back{};
  ASSERT_EQ(getUserLocation(0, &back), 1);
  EXPECT_STREQ(back.name, home.name);
  EXPECT_FLOAT_EQ(back.latitude, home.latitude);
  EXPECT_EQ(getUserLocation(1, &back), 0);
}

TEST_F(ChartSettings, TheOptionalPartsAreReadAndWrittenOnlyWhenAsked) {
  auto chart = newChart();
  SkyObjectID jupiter = world_.reference(world_.body(30, 5));
  chart->setHighlightedObjects(&jupiter, 1);
  std::string text = written(*chart, false, false);
  EXPECT_EQ(text.find("HighlitedObject"), std::string::npos);
  EXPECT_EQ(text.find("ShowHighlightedObjectCircles"), std::string::npos);
  EXPECT_EQ(text.find("UserLocation"), std::string::npos);
  std::string full = written(*chart);
  auto copy = newChart();
  read(*copy, full, false, false);
  EXPECT_EQ(copy->highlightCount, 0);
  read(*copy, full, false, true);
  EXPECT_EQ(copy->highlightCount, 1);
}

TEST_F(ChartSettings, NoHomeObjectIsWrittenAsEarthAndReadBackAsNone) {
  auto chart = newChart();
  std::string text = written(*chart);
  EXPECT_NE(text.find("HomeObject=Earth\n"), std::string::npos);
  SkyObjectID mars = world_.reference(world_.body(30, 4));
  chart->setHomeObject(mars);
  read(*chart, text);
  EXPECT_EQ(chart->homeObject, nullptr);
}

TEST_F(ChartSettings, GridSystemKeyTurnsOnExactlyTheGridItNames) {
  auto chart = newChart();
  read(*chart, "GridCoordSystem=3\n");
  EXPECT_TRUE(chart->showCoordGrid[3]);
  EXPECT_FALSE(chart->showCoordGrid[1] || chart->showCoordGrid[2] || chart->showCoordGrid[4]);
  read(*chart, "GridCoordSystem=7\n");
  EXPECT_FALSE(chart->showCoordGrid[1] || chart->showCoordGrid[2] || chart->showCoordGrid[3] ||
               chart->showCoordGrid[4]);
  EXPECT_EQ(written(*chart).find("GridCoordSystem"), std::string::npos);
  // The writer names the first of systems 1, 3, 4, 2 that is on.
  chart->showCoordGrid[2] = chart->showCoordGrid[4] = true;
  EXPECT_NE(written(*chart).find("GridCoordSystem=4\n"), std::string::npos);
}

TEST_F(ChartSettings, HighlightsAreReadUnderTheirOwnSpellingOnly) {
  auto chart = newChart();
  SkyObjectID jupiter = world_.reference(world_.body(30, 5));
  chart->setHighlightedObjects(&jupiter, 1);
  std::string text = written(*chart);
  auto copy = newChart();
  std::string misspelled = text;
  for (std::size_t at; (at = misspelled.find("HighlitedObject")) != std::string::npos;)
    misspelled.replace(at, 15, "HighlightedObject");
  read(*copy, misspelled);
  EXPECT_EQ(copy->highlightCount, 0);
  read(*copy, text);
  EXPECT_EQ(copy->highlightCount, 1);
}

TEST_F(ChartSettings, NumbersThatAreNotFiniteCountAsAbsent) {
  auto chart = newChart();
  read(*chart,
       "Longitude=nan\nDisplayFOV=inf\nJulianDate=-inf\nStarNameRGB=0.5,nan,1\n"
       "StarMagLimit=1e999\nHorizonAltitude=NaN\nPlanetMagLimitKey=inf\n");
  EXPECT_EQ(chart->longitude, 0);
  EXPECT_NEAR(chart->displayFOV, 90 * kDeg, 1e-12);
  EXPECT_NEAR(chart->julianDate, 2451545.0, 1e-9);
  EXPECT_FLOAT_EQ(chart->starNameRGB[0], 1);
  EXPECT_FLOAT_EQ(chart->starNameRGB[1], 1);
  EXPECT_FLOAT_EQ(chart->starMagLimit, 6);
  EXPECT_EQ(chart->horizonAltitude, 0);
  // "No limit" is the one infinity that means something, and it stays.
  EXPECT_TRUE(std::isinf(chart->planetMagLimit));
  EXPECT_NE(written(*chart).find("PlanetMagLimitKey=inf"), std::string::npos);
  read(*chart, "PlanetMagLimitKey=nan\n");
  EXPECT_FLOAT_EQ(chart->planetMagLimit, 20);
}

TEST_F(ChartSettings, AnUnresolvableSelectionSelectsTheSun) {
  auto chart = newChart();
  SkyObjectID moon = world_.reference(world_.body(31, 301));
  chart->selectObject(&moon);
  read(*chart,
       "SelectedObject=BeginObject\n\tObjectID=1,0,9999\n\tCommonName=Nowhere\n"
       "EndObject=SelectedObject\n");
  EXPECT_TRUE(isSun(chart->selectedObject));
}

TEST_F(ChartSettings, MutatedTreesAreReadWithoutHarmAndSettleAfterOneRound) {
  auto chart = newChart();
  read(*chart, "Unrelated=1\n");
  SkyObjectID jupiter = world_.reference(world_.body(30, 5));
  chart->setHighlightedObjects(&jupiter, 1);
  chart->showSatellites = true;
  std::string seed = written(*chart);
  int unchanged = 0, changed = 0;
  tessaly::test::FuzzOptions options;
  // A fixed sample in the suite; TESSALY_FUZZ_ITERATIONS sets a long run.
  const char* iterations = std::getenv("TESSALY_FUZZ_ITERATIONS");
  options.iterations = iterations != nullptr ? std::atoi(iterations) : 250;
  options.maxSize = 1 << 14;
  tessaly::test::fuzz(
      {seed},
      [&](std::string_view input) {
        auto target = newChart();
        read(*target, std::string(input));
        for (double v : {target->longitude, target->latitude, target->julianDate,
                         target->displayFOV, target->displayCenterLon, target->displayCenterLat,
                         target->homePlanetDistance, target->starScale, target->horizonAltitude})
          ASSERT_TRUE(std::isfinite(v));
        ASSERT_TRUE(std::isfinite(target->starMagLimit));
        std::string once = written(*target);
        (once == seed ? unchanged : changed)++;
        // What a chart writes, it reads back to the same state.
        auto again = newChart();
        read(*again, once);
        ASSERT_EQ(written(*again), once);
      },
      options);
  EXPECT_GT(unchanged, 0);
  EXPECT_GT(changed, options.iterations / 4);
  std::printf("%d mutated trees: %d read as written, %d changed\n", options.iterations,
              unchanged, changed);
}

}  // namespace
