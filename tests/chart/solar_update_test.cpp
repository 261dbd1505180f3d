// A downloaded solar-system file taking the installed one's place: counted
// against the bodies written into it, installed at once (no frame of the
// solar-system layer needed), the references into the old file found again
// in the new one or given up, and the old file's drawing data released by
// the next frame.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chart/sky_chart.h"
#include "skydata/app_bridge.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/sky_data_file.h"
#include "skydata/sky_data_region.h"
#include "skydata/sky_database.h"
#include "tests/chart/chart_canvas.h"
#include "tests/mechanics/mechanics_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

using mechanics_test::BodyRecord;
using mechanics_test::SatelliteRecord;
using mechanics_test::SolarSystemWorld;

SatelliteRecord record(const char* const lines[2]) {
  return {mechanics_test::elementsFromLines(lines[0], lines[1]), 2.0, {5}};
}
const SatelliteRecord kIss = record(mechanics_test::kIssLines);
const SatelliteRecord kMolniya = record(mechanics_test::kMolniyaLines);
const SatelliteRecord kGeostationary = record(mechanics_test::kGeostationaryLines);

// A second asteroid, so the new file's minor bodies differ from the old.
std::vector<BodyRecord> bodiesWithVesta() {
  std::vector<BodyRecord> bodies = mechanics_test::standardExtraBodies();
  bodies.push_back(
      {.type = kTypeAsteroid, .body = 4, .names = {"Vesta"}, .q = 2.15, .e = 0.09, .magnitude1 = 3.2, .diameter = 525});
  return bodies;
}

std::string pathOf(const SolarSystemWorld& world) { return world.filePath(); }

class SolarSystemUpdate : public testing::Test {
 protected:
  SolarSystemUpdate() : world_(mechanics_test::standardExtraBodies(), {kIss, kMolniya, kGeostationary}) {
    EXPECT_TRUE(world_.loaded());
    chart_ = std::make_unique<CSkyChart>(&world_.database(), "");
    chart_->setViewport(0, 0, 320, 240);
    chart_->setJulianDate(2454730.0);
  }

  CPlanet* body(int type, std::uint32_t number) { return world_.body(type, number); }
  // A reference as the application makes one: with the object's
  // catalogue number and name.
  SkyObjectID reference(CPlanet* object) {
    SkyObjectID id;
    CSkyDatabase::setSkyObjectIDFromObject(&id, kSolarSystemFile, 0,
                                           static_cast<std::uint16_t>(world_.indexOf(object)), object);
    return id;
  }
  void select(CPlanet* object) {
    const SkyObjectID id = reference(object);
    chart_->selectObject(&id);
  }
  // The highlighted bodies' catalogue numbers, in the list's order.
  std::vector<std::int64_t> highlightedNumbers() {
    std::vector<std::int64_t> numbers;
    for (int i = 0; i < chart_->highlightCount; ++i) {
      ScopedSkyObject object(world_.database().getObject(&chart_->highlights[i].id));
      if (auto* planet = dynamic_cast<CPlanet*>(object.get())) numbers.push_back(planet->getCatalogNumber());
    }
    return numbers;
  }

  SolarSystemWorld world_;
  std::unique_ptr<CSkyChart> chart_;
};

TEST_F(SolarSystemUpdate, ANewFileTakesOverAtOnceWithItsCountsAndTheSelection) {
  SolarSystemWorld download(bodiesWithVesta(), {kMolniya, kIss, kGeostationary, kIss});
  ASSERT_TRUE(download.loaded());
  select(body(kTypePlanet, 5));
  select(body(kTypePlanet, 6));
  CPlanet* oldSaturn = body(kTypePlanet, 6);
  ASSERT_NE(chart_->attachRenderData(oldSaturn), nullptr);
  CSkyDataFile* oldFile = world_.database().getSolarSystemFile();

  // What does not load changes nothing.
  tessaly::test::TempDir junk;
  ASSERT_TRUE(tessaly::test::writeFile(junk.file("junk.skydata"), "not a catalogue"));
  UpdateResults results{1234, 0, 0, 0, 0};
  for (const std::string& path : {pathOf(download) + ".missing", junk.file("junk.skydata")}) {
    EXPECT_FALSE(chart_->updateSolarSystemData(path.c_str(), &results)) << path;
    EXPECT_EQ(world_.database().getSolarSystemFile(), oldFile);
    EXPECT_EQ(chart_->selectedObject, oldSaturn);
    EXPECT_EQ(results.objects, 0);
    EXPECT_TRUE(chart_->retiredSolarSystemFiles.empty());
  }

  // The last frame is long past: the new file must ask for the next.
  chart_->updateNeeded = false;
  int redraws = 0;
  setChartRedrawHandler([&redraws] { ++redraws; });
  ASSERT_TRUE(chart_->updateSolarSystemData(pathOf(download).c_str(), &results));
  setChartRedrawHandler({});
  EXPECT_EQ(redraws, 1);
  // The counts, against the bodies the download's own database holds.
  int asteroids = 0, comets = 0, satellites = 0;
  CSkyDataRegion* root = download.database().getSolarSystemFile()->getRoot();
  for (std::size_t i = 0; i < root->getObjectCount(); ++i) {
    const int type = root->getObject(i)->getType();
    asteroids += type == kTypeAsteroid;
    comets += type == kTypeComet;
    satellites += type == kTypeSatellite || type == kTypeSpacecraft;
  }
  EXPECT_EQ(results.bytes, 1234);
  EXPECT_EQ(results.objects, static_cast<int>(root->getObjectCount()));
  EXPECT_EQ(results.asteroids, asteroids);
  EXPECT_EQ(results.comets, comets);
  EXPECT_EQ(results.satellites, satellites);
  EXPECT_EQ(satellites, 5) << "four satellites and the probe";

  // Installed now, with the selection and the one before it in the new file.
  EXPECT_NE(world_.database().getSolarSystemFile(), oldFile);
  EXPECT_NE(body(kTypeAsteroid, 4), nullptr) << "Vesta came with the new file";
  CPlanet* newSaturn = body(kTypePlanet, 6);
  EXPECT_NE(newSaturn, oldSaturn);
  EXPECT_EQ(chart_->selectedObject, newSaturn);
  EXPECT_EQ(world_.database().getObject(&chart_->previousSelectedObjectID), body(kTypePlanet, 5));
  EXPECT_TRUE(chart_->updateNeeded);
  EXPECT_EQ(chart_->planetDistanceCount, 0);

  // The old file waits, its bodies' blocks with it, for the next frame.
  ASSERT_EQ(chart_->retiredSolarSystemFiles.size(), 1u);
  EXPECT_EQ(chart_->retiredSolarSystemFiles[0].get(), oldFile);
  EXPECT_NE(CSkyChart::getRenderData(oldSaturn), nullptr);
  // A second update before any frame retires the first replacement too.
  ASSERT_TRUE(chart_->updateSolarSystemData(pathOf(download).c_str(), &results));
  EXPECT_EQ(chart_->retiredSolarSystemFiles.size(), 2u);
  chart_test::Canvas2D canvas(*chart_, 320, 240);
  chart_->drawSkyChart();
  EXPECT_TRUE(chart_->retiredSolarSystemFiles.empty());
  EXPECT_EQ(chart_->selectedObject, body(kTypePlanet, 6));
}

TEST_F(SolarSystemUpdate, WhatTheNewFileLacksIsNotTakenForWhatNowStandsInItsPlace) {
  CPlanet* molniya = body(kTypeSatellite, static_cast<std::uint32_t>(kMolniya.elements.catalogueNumber));
  CPlanet* geostationary =
      body(kTypeSatellite, static_cast<std::uint32_t>(kGeostationary.elements.catalogueNumber));
  ASSERT_NE(molniya, nullptr);
  ASSERT_NE(geostationary, nullptr);
  select(molniya);
  chart_->setHomeObject(reference(geostationary));
  const SkyObjectID highlighted[] = {reference(body(kTypeSatellite, 25544)), reference(molniya),
                                     reference(body(kTypePlanet, 4))};
  chart_->setHighlightedObjects(highlighted, 3);

  // Every satellite changes place: Vesta takes the ISS's index, the
  // geostationary satellite the Molniya's, the ISS the geostationary one's.
  SolarSystemWorld download(bodiesWithVesta(), {kGeostationary, kIss});
  ASSERT_TRUE(download.loaded());
  testing::internal::CaptureStdout();
  UpdateResults results{};
  ASSERT_TRUE(chart_->updateSolarSystemData(pathOf(download).c_str(), &results));
  testing::internal::GetCapturedStdout();

  // The Molniya is gone: the Earth is selected, not what took its index.
  ASSERT_NE(chart_->selectedObject, nullptr);
  EXPECT_EQ(chart_->selectedObject, world_.database().getEarth());
  // The geostationary satellite stays home at its new place.
  ASSERT_NE(chart_->homeObject, nullptr);
  EXPECT_EQ(chart_->homeObject,
            body(kTypeSatellite, static_cast<std::uint32_t>(kGeostationary.elements.catalogueNumber)));
  // The highlights: the ISS at its new place and Mars; the Molniya left out.
  ASSERT_EQ(chart_->highlightCount, 2);
  EXPECT_TRUE(chart_->isHighlighted(1, 0, static_cast<std::uint16_t>(world_.indexOf(body(kTypeSatellite, 25544)))));
  EXPECT_TRUE(chart_->isHighlighted(1, 0, static_cast<std::uint16_t>(world_.indexOf(body(kTypePlanet, 4)))));
}

TEST_F(SolarSystemUpdate, EverySatelliteHighlightedStaysEverySatelliteOfTheNewFile) {
  chart_->highlightSatellites(true, 100);
  ASSERT_EQ(chart_->highlightCount, 4) << "three satellites and the probe";
  SolarSystemWorld download(bodiesWithVesta(), {kGeostationary, kIss});
  ASSERT_TRUE(download.loaded());
  UpdateResults results{};
  ASSERT_TRUE(chart_->updateSolarSystemData(pathOf(download).c_str(), &results));
  // The satellites and spacecraft the download's own database holds.
  std::vector<std::int64_t> expected;
  CSkyDataRegion* root = download.database().getSolarSystemFile()->getRoot();
  for (std::size_t i = 0; i < root->getObjectCount(); ++i) {
    auto* object = dynamic_cast<CPlanet*>(root->getObject(i));
    if (object->getType() == kTypeSatellite || object->getType() == kTypeSpacecraft)
      expected.push_back(object->getCatalogNumber());
  }
  ASSERT_EQ(expected.size(), 3u);
  EXPECT_EQ(highlightedNumbers(), expected);

  // A list the user made is not turned into every satellite.
  const SkyObjectID mars = reference(body(kTypePlanet, 4));
  chart_->setHighlightedObjects(&mars, 1);
  ASSERT_TRUE(chart_->updateSolarSystemData(pathOf(download).c_str(), &results));
  EXPECT_EQ(chart_->highlightCount, 1);
}

}  // namespace
