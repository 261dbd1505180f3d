#include "skydata/sky_object_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue_fixtures.h"
#include "skydata/application_database.h"
#include "skydata/catalog_numbers.h"
#include "skydata/settings.h"
#include "skydata/sky_database.h"
#include "skydata/star_designations.h"
#include "tests/support/temp_dir.h"

namespace {

using catalogue_fixtures::addStars;
using catalogue_fixtures::kCatalog;
using tessaly::test::TempDir;

class SkyObjectModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SkyDataWriter stars;
    addStars(stars, {{0, {"Sirius"}, {4 * kCatalog + 2491, 5 * kCatalog + 48915}, -1.46f},
                     {0, {"Vega"}, {4 * kCatalog + 7001}, 0.03f},
                     {0, {}, {5 * kCatalog + 3}, 6.7f}});
    ASSERT_TRUE(stars.writeFile(dir_.file("Stars.skydata")));
    ASSERT_TRUE(catalogue_fixtures::solarSystemWriter({{35, 25544, {"1998-067A", "ISS"}, 3}})
                    .writeFile(dir_.file("SolarSystem.skydata")));
    database_ = std::make_unique<CSkyDatabase>(dir_.path().string().c_str());
    ASSERT_NE(database_->loadStars("Stars.skydata"), nullptr);
    ASSERT_NE(database_->loadSolarSystem("SolarSystem.skydata"), nullptr);
    setApplicationSkyDatabase(database_.get());
  }
  void TearDown() override {
    setApplicationSkyDatabase(nullptr);
    setRunningOniPad(false);
  }
  static SkyObjectID reference(std::uint16_t file, std::uint16_t index) {
    SkyObjectID id;
    CSkyDatabase::setSkyObjectID(&id, file, 0, index, 0, "", 0);
    return id;
  }

  TempDir dir_;
  std::unique_ptr<CSkyDatabase> database_;
};

TEST_F(SkyObjectModelTest, TakesNamesAndNumbersFromTheCatalogue) {
  const SkyObjectID sirius = reference(kStarsFile, 0);
  SkyObject object(&sirius);
  EXPECT_EQ(object.names, (std::vector<std::string>{"Sirius"}));
  EXPECT_EQ(object.catnums, (std::vector<std::int64_t>{4 * kCatalog + 2491, 5 * kCatalog + 48915}));
  SkyObjectID out;
  out.type = 9;
  object.getSkyObjectID(&out);
  EXPECT_STREQ(out.name, "Sirius");
  EXPECT_EQ(out.catnum, 4 * kCatalog + 2491);
  EXPECT_EQ(out.type, 9);

  // Equality is by reference alone.
  SkyObject commented(&sirius);
  commented.comment = "bright";
  EXPECT_TRUE(object == commented);
  auto copy = commented.strippedCopy();
  EXPECT_TRUE(*copy == object);
  EXPECT_FALSE(copy->comment.has_value());
  EXPECT_EQ(copy->hash(), object.hash());

  const SkyObjectID missing = reference(kStarsFile, 40);
  SkyObject gone(&missing);
  EXPECT_TRUE(gone.names.empty());
  EXPECT_EQ(gone.index, 40);
}

TEST_F(SkyObjectModelTest, DisplayNames) {
  SkyObjectID sirius = reference(kStarsFile, 0);
  CSkyDatabase::setSkyObjectID(&sirius, kStarsFile, 0, 0, 5 * kCatalog + 48915, "Sirius", 0);
  const std::string shortForm = formatCatalogNumber(5 * kCatalog + 48915, nullptr, 0, 1);
  const std::string longForm = formatCatalogNumber(5 * kCatalog + 48915, nullptr, 0, 0);
  EXPECT_EQ(SkyObject::nameForObject(&sirius, true), "Sirius - " + shortForm);
  EXPECT_EQ(SkyObject::nameForObject(&sirius, false), longForm + " - Sirius");
  setRunningOniPad(true);
  EXPECT_EQ(SkyObject::nameForObject(&sirius, true), "Sirius - " + longForm);

  // A Greek Bayer letter is spelt out instead of its symbol-font code.
  SkyObjectID bayer = sirius;
  bayer.catnum = parseBayerDesignation("alpha CMa");
  ASSERT_NE(bayer.catnum, 0);
  setRunningOniPad(false);
  EXPECT_EQ(SkyObject::nameForObject(&bayer, true), "Sirius - Alpha CMa");

  SkyObjectID anonymous;
  CSkyDatabase::setSkyObjectID(&anonymous, kStarsFile, 0, 2, 5 * kCatalog + 3, "", 0);
  EXPECT_EQ(SkyObject::nameForObject(&anonymous, true),
            std::string(formatCatalogNumber(5 * kCatalog + 3, nullptr, 0, 0)));
  // A solar-system object's name comes from the catalogue, into the
  // reference.
  SkyObjectID iss = reference(kSolarSystemFile, 11);
  EXPECT_EQ(SkyObject::nameForObject(&iss, false), "ISS");
  EXPECT_STREQ(iss.name, "ISS");
  SkyObjectID nothing;
  EXPECT_EQ(SkyObject::nameForObject(&nothing, true), "");
}

TEST_F(SkyObjectModelTest, ObservingListRoundTrip) {
  const SkyObjectID vega = reference(kStarsFile, 1);
  const SkyObjectID iss = reference(kSolarSystemFile, 11);
  ObservingList list;
  list.push_back(std::make_shared<SkyObject>(&vega));
  list.back()->comment = "first light\nwith a \\ backslash\r";
  list.back()->observedOn = dateFromJulianDate(2461000.123456789);
  list.push_back(std::make_shared<SkyObject>(&iss));
  const std::string path = dir_.file("list.txt");
  ASSERT_TRUE(SkyObject::saveObservingList(list, path.c_str()));
  const std::string text = tessaly::test::readFile(path);
  EXPECT_EQ(text.rfind("CorvalloObservingListVersion=3.0\nSkyObject=BeginObject\n\tObjectID=2,0,1\n", 0), 0u)
      << text;

  const auto read = SkyObject::readObservingListFromPath(path.c_str());
  ASSERT_TRUE(read.has_value());
  ASSERT_EQ(read->size(), 2u);
  EXPECT_TRUE(*(*read)[0] == *list[0]);
  EXPECT_EQ((*read)[0]->comment, list[0]->comment);
  ASSERT_TRUE((*read)[0]->observedOn.has_value());
  EXPECT_NEAR(julianDateFromDate(*(*read)[0]->observedOn), 2461000.123456789, 1e-9);
  EXPECT_EQ((*read)[0]->names, (std::vector<std::string>{"Vega"}));
  EXPECT_TRUE(*(*read)[1] == *list[1]);
  EXPECT_FALSE((*read)[1]->observedOn.has_value());
  EXPECT_FALSE((*read)[1]->comment.has_value());
}

TEST_F(SkyObjectModelTest, ListsWithoutVersionOrObjectsAreHandled) {
  EXPECT_FALSE(SkyObject::readObservingListFromPath(dir_.file("none").c_str()).has_value());
  EXPECT_FALSE(SkyObject::readObservingListFromCSettings(nullptr).has_value());
  EXPECT_EQ(SkyObject::saveObservingListToCSettings(nullptr), nullptr);

  CSettings* item = new CSettings("ObjectID", "2,0,1");
  CSettings* unversioned = new CSettings("Other", "1");
  CSettings::addObject(unversioned, "SkyObject", item);
  EXPECT_FALSE(SkyObject::readObservingListFromCSettings(unversioned).has_value());
  CSettings::deleteList(unversioned);

  // An item that cannot be resolved any more is dropped.
  CSettings* list = new CSettings("CorvalloObservingListVersion", "3.0");
  CSettings* lost = new CSettings("ObjectID", "2,0,77");
  CSettings::addString(lost, "CommonName", "Nowhere");
  CSettings::addObject(list, "SkyObject", lost);
  CSettings::addObject(list, "SkyObject", new CSettings("ObjectID", "2,0,0"));
  testing::internal::CaptureStdout();
  const auto items = SkyObject::readObservingListFromCSettings(list);
  testing::internal::GetCapturedStdout();
  ASSERT_TRUE(items.has_value());
  ASSERT_EQ(items->size(), 1u);
  EXPECT_EQ(items->front()->names, (std::vector<std::string>{"Sirius"}));
  CSettings::deleteList(list);
}

}  // namespace
