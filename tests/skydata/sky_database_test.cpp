#include "skydata/sky_database.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "catalogue_fixtures.h"
#include "skydata/catalog_numbers.h"
#include "skydata/object_factory.h"
#include "skydata/planet.h"
#include "skydata/planet_feature.h"
#include "skydata/settings.h"
#include "skydata/sky_data_file.h"
#include "skydata/star.h"
#include "tests/support/fuzz.h"
#include "tests/support/temp_dir.h"

namespace {

using catalogue_fixtures::addStars;
using catalogue_fixtures::kCatalog;
using catalogue_fixtures::StarSpec;
using tessaly::test::TempDir;

constexpr std::int64_t hr(int n) { return 4 * kCatalog + n; }
constexpr std::int64_t hd(int n) { return 5 * kCatalog + n; }

// Sirius (HR 2491, HD 48915) and Vega (HR 7001, HD 172167) with a few
// anonymous stars, in regions 0, 1 and 9.
std::vector<StarSpec> starsVersion1() {
  return {{0, {"Sirius"}, {hr(2491), hd(48915)}, -1.46f},
          {0, {"Vega"}, {hr(7001), hd(172167)}, 0.03f},
          {1, {}, {hr(1), hd(3)}, 6.7f},
          {9, {"Polaris"}, {hr(424)}, 2.0f}};
}

// The next catalogue: Vega moved into region 9, behind a new star.
std::vector<StarSpec> starsVersion2() {
  return {{0, {"Sirius"}, {hr(2491), hd(48915)}, -1.46f},
          {9, {"Polaris"}, {hr(424)}, 2.0f},
          {9, {"Vega"}, {hr(7001), hd(172167)}, 0.03f},
          {1, {}, {hr(1), hd(3)}, 6.7f}};
}

class SkyDatabaseTest : public ::testing::Test {
 protected:
  void writeStars(const std::string& name, const std::vector<StarSpec>& stars) {
    SkyDataWriter writer;
    ASSERT_EQ(addStars(writer, stars).size(), stars.size());
    ASSERT_TRUE(writer.writeFile(dir_.file(name)));
  }
  std::string directory() const { return dir_.path().string(); }

  TempDir dir_;
};

std::string starName(CSkyObject* object) {
  const char* names[4];
  return getObjectNames(object, names, 4) > 0 ? names[0] : "";
}

TEST_F(SkyDatabaseTest, DirectoryKeepsItsSlashAndLimit) {
  CSkyDatabase database("/data/SkyData");
  char text[300];
  database.getDataDirectory(text, sizeof text);
  EXPECT_STREQ(text, "/data/SkyData/");
  database.setDataDirectory("/data/");
  database.getDataDirectory(text, sizeof text);
  EXPECT_STREQ(text, "/data/");
  database.setDataDirectory("");
  database.getDataDirectory(text, sizeof text);
  EXPECT_STREQ(text, "");
  const std::string longPath(400, 'x');
  database.setDataDirectory(longPath.c_str());
  database.getDataDirectory(text, sizeof text);
  EXPECT_EQ(std::strlen(text), 255u);
  EXPECT_EQ(text[254], '/');
}

TEST_F(SkyDatabaseTest, LoadsStarsWithTheBrightStarTable) {
  writeStars("Stars.skydata", starsVersion1());
  CSkyDatabase database(directory().c_str());
  ASSERT_NE(database.loadStars("Stars.skydata"), nullptr);
  EXPECT_EQ(database.getDataFile(kStarsFile), database.getStarsFile());
  EXPECT_TRUE(database.getStarsFile()->getRoot()->isLoaded());
  EXPECT_TRUE(database.getStarsFile()->getIndex(0)->isLoaded());
  EXPECT_TRUE(database.getStarsFile()->getIndex(4)->isLoaded());

  EXPECT_EQ(starName(database.getStarByHRNumber(2491)), "Sirius");
  EXPECT_EQ(starName(database.getStarByHRNumber(424)), "Polaris");
  CStar* first = database.getStarByHRNumber(1);
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->isOwnedByRegion());
  EXPECT_EQ(database.getStarByHRNumber(2), nullptr);
  EXPECT_EQ(database.getStarByHRNumber(0), nullptr);
  EXPECT_EQ(database.getStarByHRNumber(9111), nullptr);
}

TEST_F(SkyDatabaseTest, FailedLoadsKeepTheFileBeforeAndPathsAreBounded) {
  writeStars("Stars.skydata", starsVersion1());
  CSkyDatabase database(directory().c_str());
  CSkyDataFile* loaded = database.loadStars("Stars.skydata");
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(database.loadStars("Missing.skydata"), nullptr);
  EXPECT_EQ(database.getStarsFile(), loaded);
  ASSERT_TRUE(tessaly::test::writeFile(dir_.file("Junk.skydata"), "not a catalogue"));
  EXPECT_EQ(database.loadStars("Junk.skydata"), nullptr);
  EXPECT_EQ(database.loadConstellations("Junk.skydata"), nullptr);
  EXPECT_EQ(database.getConstellationsFile(), nullptr);
  // A name that would make the path too long is refused, not cut to name
  // another file.
  const std::string longName(2000, 'a');
  EXPECT_EQ(database.loadStars(longName.c_str()), nullptr);
  EXPECT_EQ(database.loadGuideStars(("/" + longName).c_str()), nullptr);
  // Full paths only where a downloaded copy may live elsewhere.
  EXPECT_NE(database.loadGuideStars(dir_.file("Stars.skydata").c_str()), nullptr);
  EXPECT_EQ(database.loadTychoStars(dir_.file("Stars.skydata").c_str()), nullptr);
}

int openDescriptors() {
  return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                        std::filesystem::directory_iterator()));
}

TEST_F(SkyDatabaseTest, ReloadsReleaseReplacedFiles) {
  writeStars("Stars.skydata", starsVersion1());
  const int before = openDescriptors();
  {
    CSkyDatabase database(directory().c_str());
    for (int i = 0; i < 6; ++i) {
      ASSERT_NE(database.loadStars("Stars.skydata"), nullptr);
      ASSERT_NE(database.loadConstellations("Stars.skydata"), nullptr);
      ASSERT_NE(database.loadExtraFile("Stars.skydata"), nullptr);
    }
    // The loaded file and the one it replaced, for each of the three.
    EXPECT_EQ(openDescriptors(), before + 6);
  }
  EXPECT_EQ(openDescriptors(), before);
}

TEST_F(SkyDatabaseTest, ReferencesAndTheirHelpers) {
  SkyObjectID reference;
  EXPECT_TRUE(CSkyDatabase::isInvalidSkyObjectID(&reference));
  EXPECT_TRUE(CSkyDatabase::isInvalidSkyObjectID(nullptr));
  reference.type = 35;
  CSkyDatabase::setEarthObjectID(&reference);
  EXPECT_FALSE(CSkyDatabase::isInvalidSkyObjectID(&reference));
  EXPECT_EQ(reference.index, 3);
  EXPECT_EQ(reference.catnum, 3);
  EXPECT_STREQ(reference.name, "Earth");
  EXPECT_EQ(reference.type, 35);
  CSkyDatabase::clearSkyObjectID(&reference);
  EXPECT_EQ(reference.file, kNoFile);
  EXPECT_EQ(reference.region, 0xFFFFFFFFu);
  EXPECT_EQ(reference.type, 35);

  const std::string longName(50, 'n');
  CSkyDatabase::setSkyObjectID(&reference, 2, 9, 1, hr(7001), longName.c_str(), 1);
  EXPECT_EQ(std::strlen(reference.name), 31u);
  SkyObjectID other;
  CSkyDatabase::setSkyObjectID(&other, 2, 9, 1, 0, nullptr, 6);
  EXPECT_TRUE(CSkyDatabase::isSameSkyObjectID(&reference, &other));
  EXPECT_FALSE(CSkyDatabase::isSameSkyObjectID(&reference, nullptr));
  const SkyObjectID list[2] = {other, reference};
  EXPECT_TRUE(CSkyDatabase::skyObjectIDInList(1, 1, 1, hr(7001), "", list, 2));
  EXPECT_TRUE(CSkyDatabase::skyObjectIDInList(1, 1, 1, 0, longName.c_str(), list, 2));
  EXPECT_FALSE(CSkyDatabase::skyObjectIDInList(1, 1, 1, 0, "", list, 2));
  EXPECT_TRUE(CSkyDatabase::skyObjectIDInList(2, 9, 1, 0, "", list, 1));

  CSkyDatabase database(directory().c_str());
  EXPECT_EQ(database.getObject(&reference), nullptr);  // not loaded
  reference.file = 7;
  EXPECT_EQ(database.getObject(&reference), nullptr);
  EXPECT_STREQ(objectTypeName(12), "Globular Cluster");
  EXPECT_STREQ(objectTypeName(8), "");
  EXPECT_STREQ(objectTypeName(43), "");
}

TEST_F(SkyDatabaseTest, StoredReferenceFindsAMovedStarAgain) {
  writeStars("Stars.skydata", starsVersion1());
  CSettings* stored = nullptr;
  {
    CSkyDatabase database(directory().c_str());
    ASSERT_NE(database.loadStars("Stars.skydata"), nullptr);
    SkyObjectID vega;
    CSkyDatabase::setSkyObjectID(&vega, kStarsFile, 0, 1, 0, "", 0);
    stored = database.objectIDToSettings(&vega);
    ASSERT_NE(stored, nullptr);
    EXPECT_STREQ(CSettings::getString(stored, "ObjectID", 0, ""), "2,0,1");
    EXPECT_STREQ(CSettings::getString(stored, "Type", 0, ""), "SS");
    EXPECT_STREQ(CSettings::getString(stored, "CommonName", 0, ""), "Vega");
    EXPECT_EQ(CSettings::countValues(stored, "CatalogNumber"), 2);
    EXPECT_STREQ(CSettings::getString(stored, "CatalogNumber", 0, ""),
                 formatCatalogNumber(hr(7001), nullptr, 0, 1));

    SkyObjectID back;
    EXPECT_TRUE(database.objectIDFromSettings(&back, stored));
    EXPECT_TRUE(CSkyDatabase::isSameSkyObjectID(&back, &vega));
    EXPECT_EQ(back.type, 1);
    EXPECT_STREQ(back.name, "Vega");
    EXPECT_EQ(back.catnum, hr(7001));
  }
  writeStars("Stars.skydata", starsVersion2());
  CSkyDatabase database(directory().c_str());
  ASSERT_NE(database.loadStars("Stars.skydata"), nullptr);
  SkyObjectID moved;
  EXPECT_TRUE(database.objectIDFromSettings(&moved, stored));
  EXPECT_EQ(moved.file, kStarsFile);
  EXPECT_EQ(moved.region, 9u);
  EXPECT_EQ(moved.index, 1);
  EXPECT_EQ(starName(database.getObject(&moved)), "Vega");

  // By name alone once the numbers are gone.
  CSettings* nameOnly = new CSettings("ObjectID", "2,0,1");
  CSettings::addString(nameOnly, "CommonName", "Vega");
  SkyObjectID byName;
  EXPECT_TRUE(database.objectIDFromSettings(&byName, nameOnly));
  EXPECT_EQ(byName.region, 9u);
  EXPECT_EQ(byName.index, 1);
  CSettings::deleteList(nameOnly);
  CSettings::deleteList(stored);
}

// A rebuilt catalogue moved a faint star out of the stars file into the
// Tycho file: a saved selection or list entry naming it in the stars file
// finds it there, by its number or by its name.
TEST_F(SkyDatabaseTest, StoredStarReferenceFollowsItsStarIntoTheTychoFile) {
  const std::int64_t tycho = parseStarCatalogNumber("TYC 5226-1605-2");
  ASSERT_EQ(tycho / kCatalog, kCatalogTycho);
  ASSERT_STREQ(formatCatalogNumber(tycho, nullptr, 0, 0), "TYC 5226-1605-2");
  const std::int64_t otherTycho = parseStarCatalogNumber("TYC 1-2-1");
  writeStars("Stars.skydata", {{0, {"Sirius"}, {hr(2491)}, -1.46f},
                               {0, {}, {tycho}, 10.5f},
                               {0, {"Faint One"}, {otherTycho}, 10.9f}});
  CSettings* byNumber = nullptr;
  CSettings* byName = new CSettings("ObjectID", "2,0,2");
  CSettings::addString(byName, "CommonName", "Faint One");
  {
    CSkyDatabase database(directory().c_str());
    ASSERT_NE(database.loadStars("Stars.skydata"), nullptr);
    SkyObjectID reference;
    CSkyDatabase::setSkyObjectID(&reference, kStarsFile, 0, 1, 0, "", 0);
    byNumber = database.objectIDToSettings(&reference);
    EXPECT_STREQ(CSettings::getString(byNumber, "CatalogNumber", 0, ""), "TYC 5226-1605-2");
  }
  // The rebuilt stars file has another star at that place; both faint
  // stars now live in the Tycho file, in another region.
  writeStars("Stars.skydata", {{0, {"Sirius"}, {hr(2491)}, -1.46f}, {0, {"Vega"}, {hr(7001)}, 0.03f}});
  writeStars("TychoStars.skydata", {{3, {}, {hd(1)}, 11.0f},
                                    {3, {"Faint One"}, {otherTycho}, 10.9f},
                                    {3, {}, {tycho}, 10.5f}});
  CSkyDatabase database(directory().c_str());
  ASSERT_NE(database.loadStars("Stars.skydata"), nullptr);
  ASSERT_NE(database.loadTychoStars("TychoStars.skydata"), nullptr);

  testing::internal::CaptureStdout();
  SkyObjectID found, named;
  const bool foundByNumber = database.objectIDFromSettings(&found, byNumber);
  const bool foundByName = database.objectIDFromSettings(&named, byName);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "nothing failed to validate";
  EXPECT_TRUE(foundByNumber);
  EXPECT_EQ(found.file, kTychoStarsFile);
  EXPECT_EQ(found.region, 3u);
  EXPECT_EQ(found.index, 2);
  std::int64_t numbers[4];
  ScopedSkyObject star(database.getObject(&found));
  ASSERT_TRUE(star);
  ASSERT_EQ(getObjectCatalogNumbers(star.get(), numbers, 4), 1);
  EXPECT_EQ(numbers[0], tycho);

  EXPECT_TRUE(foundByName);
  EXPECT_EQ(named.file, kTychoStarsFile);
  EXPECT_EQ(named.region, 3u);
  EXPECT_EQ(named.index, 1);

  // A star the stars file still has is not looked for elsewhere.
  CSettings* vega = new CSettings("ObjectID", "2,0,0");
  CSettings::addString(vega, "CommonName", "Vega");
  SkyObjectID stays;
  EXPECT_TRUE(database.objectIDFromSettings(&stays, vega));
  EXPECT_EQ(stays.file, kStarsFile);
  EXPECT_EQ(stays.index, 1);
  CSettings::deleteList(vega);
  CSettings::deleteList(byName);
  CSettings::deleteList(byNumber);
}

TEST_F(SkyDatabaseTest, FewTextsDoNotMatchUnrelatedObjects) {
  writeStars("Stars.skydata", starsVersion1());
  CSkyDatabase database(directory().c_str());
  ASSERT_NE(database.loadStars("Stars.skydata"), nullptr);
  SkyObjectID sirius;
  CSkyDatabase::setSkyObjectID(&sirius, kStarsFile, 0, 0, 0, "", 0);
  const char* vegaName[] = {"Vega"};
  char vegaNumber[256];
  formatCatalogNumber(hr(7001), vegaNumber, sizeof vegaNumber, 1);
  const char* vegaNumbers[] = {vegaNumber};
  // One given text that Sirius does not carry: no match.
  EXPECT_FALSE(database.objectMatchesID(&sirius, nullptr, 0, vegaNumbers, 1, 0));
  EXPECT_FALSE(database.objectMatchesID(&sirius, vegaName, 1, nullptr, 0, 0));
  // Without number texts, having catalogue numbers of its own is no
  // evidence for a star named otherwise.
  EXPECT_FALSE(database.objectMatchesID(&sirius, vegaName, 1, nullptr, 0, 1));
  const char* siriusName[] = {"Sirius"};
  EXPECT_TRUE(database.objectMatchesID(&sirius, siriusName, 1, vegaNumbers, 1, 0));
  EXPECT_FALSE(database.objectMatchesID(&sirius, siriusName, 1, nullptr, 0, 6));
  // Nothing given: nothing contradicts the place.
  EXPECT_TRUE(database.objectMatchesID(&sirius, nullptr, 0, nullptr, 0, 0));

  // A stored reference whose object is gone prints and stays.
  SkyObjectID gone;
  CSkyDatabase::setSkyObjectID(&gone, 0, 0, 0, 0, "Nowhere", 0);
  testing::internal::CaptureStdout();
  EXPECT_FALSE(database.refreshObjectID(&gone));
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(printed, "Failed to validate: 1,0,0,,Nowhere\n");  // file 0 counts as 1
  EXPECT_STREQ(gone.name, "Nowhere");
}

TEST_F(SkyDatabaseTest, MissingObjectStillStoresWhatTheReferenceKnows) {
  CSkyDatabase database(directory().c_str());
  SkyObjectID reference;
  CSkyDatabase::setSkyObjectID(&reference, kStarsFile, 4, 2, hr(7001), "Vega", 1);
  CSettings* list = database.objectIDToSettings(&reference);
  EXPECT_STREQ(CSettings::getString(list, "ObjectID", 0, ""), "2,4,2");
  EXPECT_STREQ(CSettings::getString(list, "CommonName", 0, ""), "Vega");
  EXPECT_EQ(CSettings::countValues(list, "CatalogNumber"), 1);
  EXPECT_EQ(CSettings::find(list, "Type", 0), nullptr);
  CSettings::deleteList(list);

  CSettings* empty = new CSettings("Other", "x");
  SkyObjectID none;
  testing::internal::CaptureStdout();
  EXPECT_FALSE(database.objectIDFromSettings(&none, empty));
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(none.file, kNoFile);
  EXPECT_EQ(none.region, 0xFFFFFFFFu);
  EXPECT_EQ(none.index, kNoObjectIndex);
  EXPECT_TRUE(CSkyDatabase::isInvalidSkyObjectID(&none));
  CSettings::deleteList(empty);

  // The text form wraps each number into its field, as the stored files
  // expect of "-1"; numbers past 64 bits or missing ones read as nothing.
  SkyObjectID parsed;
  EXPECT_TRUE(parseObjectIDText("-1,-1,-1", &parsed));
  EXPECT_TRUE(CSkyDatabase::isInvalidSkyObjectID(&parsed));
  EXPECT_TRUE(parseObjectIDText("2,4000000000,7", &parsed));
  EXPECT_EQ(parsed.region, 4000000000u);
  char text[32];
  EXPECT_STREQ(formatObjectIDText(parsed, text, sizeof text), "2,4000000000,7");
  EXPECT_FALSE(parseObjectIDText("2,99999999999999999999,7", &parsed));
  EXPECT_FALSE(parseObjectIDText("2,3", &parsed));
  EXPECT_EQ(parsed.index, 7);
}

}  // namespace

namespace {

using catalogue_fixtures::BodySpec;
using catalogue_fixtures::solarSystemWriter;

const BodySpec kISS{35, 25544, {"1998-067A", "ISS"}, 3};
const BodySpec kHubble{35, 20580, {"1990-037B", "HST"}, 3};

TEST_F(SkyDatabaseTest, SolarSystemKeepsItsFixedOrder) {
  ASSERT_TRUE(solarSystemWriter({kISS}).writeFile(dir_.file("SolarSystem.skydata")));
  CSkyDatabase database(directory().c_str());
  EXPECT_EQ(database.getSun(), nullptr);
  ASSERT_NE(database.loadSolarSystem("SolarSystem.skydata"), nullptr);
  ASSERT_EQ(database.getSolarSystemObjectCount(), 13);
  EXPECT_TRUE(isSun(database.getSun()));
  EXPECT_TRUE(isEarth(database.getEarth()));
  EXPECT_TRUE(isMoon(database.getMoon()));
  EXPECT_EQ(database.getParentPlanet(database.getMoon()), database.getEarth());
  EXPECT_EQ(database.findPlanetByBodyNumber(301), database.getMoon());
  EXPECT_EQ(database.findPlanetByBodyNumber(25544), nullptr);  // a satellite, not a planet
  EXPECT_EQ(database.getSolarSystemObject(13), nullptr);
  EXPECT_EQ(database.getPlanetFeature(11), nullptr);
  CPlanetFeature* crater = database.getPlanetFeature(12);
  ASSERT_NE(crater, nullptr);
  EXPECT_EQ(database.getFeatureParent(crater), database.getMoon());
  int indices[4] = {};
  EXPECT_EQ(database.getPlanetFeatureIndices(database.getMoon(), indices, 4), 1);
  EXPECT_EQ(indices[0], 12);
  EXPECT_EQ(database.getPlanetFeatureIndices(database.getMoon(), nullptr, 0), 1);
  EXPECT_EQ(database.getPlanetFeatureIndices(database.getEarth(), indices, 4), 0);

  SkyObjectID moon;
  ASSERT_TRUE(database.getSolarSystemObjectID(database.getMoon(), &moon));
  EXPECT_EQ(moon.index, 10);
  EXPECT_EQ(moon.catnum, 301);
  EXPECT_EQ(moon.type, 31);
  SkyObjectID sun;
  CSkyDatabase::setSunObjectID(&sun);
  EXPECT_EQ(database.getObject(&sun), database.getSun());

  // A file of only ten objects has no Moon; the Earth needs four.
  SkyDataWriter short10;
  for (int i = 0; i < 10; ++i) {
    short10.addRecord(0, catalogue_fixtures::planetRecord(30, i, {"Body"}, 0), INFINITY);
  }
  ASSERT_TRUE(short10.writeFile(dir_.file("Ten.skydata")));
  ASSERT_NE(database.loadSolarSystem("Ten.skydata"), nullptr);
  EXPECT_EQ(database.getMoon(), nullptr);
  EXPECT_NE(database.getEarth(), nullptr);
}

TEST_F(SkyDatabaseTest, RenumberedSatelliteIsFoundAgain) {
  ASSERT_TRUE(solarSystemWriter({kISS}).writeFile(dir_.file("SolarSystem.skydata")));
  CSkyDatabase database(directory().c_str());
  ASSERT_NE(database.loadSolarSystem("SolarSystem.skydata"), nullptr);
  SkyObjectID iss;
  CSkyDatabase::setSkyObjectIDFromObject(&iss, kSolarSystemFile, 0, 11,
                                         database.getSolarSystemObject(11));
  EXPECT_STREQ(iss.name, "ISS");
  CSettings* stored = database.objectIDToSettings(&iss);
  EXPECT_STREQ(CSettings::getString(stored, "Type", 0, ""), "SAT");
  EXPECT_STREQ(CSettings::getString(stored, "CatalogNumber", 0, ""), "25544");

  // The update puts another satellite in front: the old place now holds
  // the Hubble telescope, and the ISS moved on by one.
  const BodySpec minor{33, 25544, {"Minor 25544"}, 0};
  ASSERT_TRUE(solarSystemWriter({kHubble, kISS, minor}).writeFile(dir_.file("Update.skydata")));
  CSkyDataFile* before = database.getSolarSystemFile();
  CSkyObject* oldISS = database.getSolarSystemObject(11);
  ASSERT_NE(database.loadSolarSystem("Update.skydata"), nullptr);
  EXPECT_NE(database.getSolarSystemFile(), before);
  // The replaced file lives on until the next reload.
  EXPECT_EQ(oldISS->getNameString(), "ISS");

  SkyObjectID found;
  EXPECT_TRUE(database.objectIDFromSettings(&found, stored));
  EXPECT_EQ(found.index, 12);
  EXPECT_EQ(database.getObject(&found)->getNameString(), "ISS");

  // Only the name left: found through the name index.
  CSettings* byName = new CSettings("ObjectID", "1,0,11");
  CSettings::addString(byName, "Type", "SAT");
  CSettings::addString(byName, "CommonName", "1998-067A");
  SkyObjectID named;
  EXPECT_TRUE(database.objectIDFromSettings(&named, byName));
  EXPECT_EQ(named.index, 12);
  CSettings::deleteList(byName);
  CSettings::deleteList(stored);

  // The stored number alone finds it through the object numbers of its
  // kind (objectIdsForNumber). Of unknown kind the families go in their
  // order: the asteroid of that number comes before the satellite. A kind
  // without a family reads the bare number, which names nothing here.
  auto byNumber = [&](const char* type) {
    CSettings* list = new CSettings("ObjectID", "1,0,11");
    if (type != nullptr) CSettings::addString(list, "Type", type);
    CSettings::addString(list, "CatalogNumber", "25544");
    SkyObjectID found;
    testing::internal::CaptureStdout();
    database.objectIDFromSettings(&found, list);
    testing::internal::GetCapturedStdout();
    CSettings::deleteList(list);
    return found;
  };
  EXPECT_EQ(byNumber("SAT").index, 12);
  EXPECT_EQ(byNumber(nullptr).index, 13);
  const SkyObjectID spacecraft = byNumber("SPC");
  EXPECT_EQ(spacecraft.index, 11);
  EXPECT_EQ(spacecraft.catnum, 25544);
}

TEST_F(SkyDatabaseTest, FuzzedStoredReferencesResolveOrFailCleanly) {
  writeStars("Stars.skydata", starsVersion1());
  ASSERT_TRUE(solarSystemWriter({kISS}).writeFile(dir_.file("SolarSystem.skydata")));
  CSkyDatabase database(directory().c_str());
  ASSERT_NE(database.loadStars("Stars.skydata"), nullptr);
  ASSERT_NE(database.loadSolarSystem("SolarSystem.skydata"), nullptr);
  const std::string path = dir_.file("reference.txt");
  const std::vector<tessaly::test::Bytes> seeds = {
      "ObjectID=2,0,1\nType=SS\nCommonName=Vega\nCatalogNumber=HR 7001\n",
      "ObjectID=1,0,11\nType=SAT\nCommonName=ISS\nCatalogNumber=25544\n",
      "ObjectID=4294967295,99,65535\nCommonName=\nCatalogNumber=-7\n"};
  tessaly::test::FuzzOptions options;
  options.iterations = 3000;
  testing::internal::CaptureStdout();
  tessaly::test::fuzz(seeds, [&](std::string_view data) {
    tessaly::test::writeFile(path, std::string(data));
    CSettings* list = CSettings::readFile(path.c_str());
    SkyObjectID reference;
    if (database.objectIDFromSettings(&reference, list)) {
      ScopedSkyObject object(database.getObject(&reference));
      ASSERT_TRUE(object);
    }
    CSettings* again = database.objectIDToSettings(&reference);
    CSettings::deleteList(again);
    CSettings::deleteList(list);
  }, options);
  testing::internal::GetCapturedStdout();
}

}  // namespace
