// Spot checks of the catalogues the run command built from the public data
// (skipped where they have not been built): what a user looks for first
// must be found, and every file must open the way the program opens it.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/angles.h"
#include "skydata/catalog_numbers.h"
#include "skydata/constellation.h"
#include "skydata/constellation_tables.h"
#include "skydata/planet.h"
#include "skydata/satellite.h"
#include "skydata/object_factory.h"
#include "skydata/sky_data_file.h"
#include "skydata/sky_database.h"
#include "skydata/star.h"
#include "tests/tools/built_bundle.h"

namespace {

std::string skyDataFolder() { return tessaly::test::builtBundlePath() + "/SkyData"; }

bool built(const char* name) {
  return std::filesystem::exists(skyDataFolder() + "/" + name);
}

TEST(BuiltCatalogues, VegaIsHR7001AndAlphaLyrae) {
  if (!built("Stars.skydata")) GTEST_SKIP() << "no built catalogues in " << skyDataFolder();
  CSkyDatabase database(skyDataFolder().c_str());
  ASSERT_NE(database.loadStars("Stars.skydata"), nullptr);
  CStar* vega = database.getStarByHRNumber(7001);
  ASSERT_NE(vega, nullptr);
  const char* names[4];
  ASSERT_GE(vega->getNames(names, 4), 1);
  EXPECT_STREQ(names[0], "Vega");
  char text[64];
  EXPECT_STREQ(formatCatalogNumber(vega->findCatalogNumber(1), text, sizeof text, 0), "Alpha Lyrae");
  EXPECT_STREQ(formatCatalogNumber(vega->findCatalogNumber(4), text, sizeof text, 0), "HR 7001");
  EXPECT_NEAR(vega->getVisualMagnitude(), 0.03, 0.005);
  EXPECT_NEAR(vega->getStarDistance(), 7.76, 0.05);  // parallax 128.9 mas

  std::vector<SkyObjectID> found;
  ASSERT_EQ(database.findObjectsByName("Vega", kStarsFile, found, 4), 1);
  std::vector<SkyObjectID> byBayer;
  ASSERT_EQ(database.findObjectsByCatalogNumber(makeCatalogNumber(1, 52 * 100000LL + 100),
                                                kStarsFile, byBayer, 4), 1);
  EXPECT_EQ(found[0].region, byBayer[0].region);
  EXPECT_EQ(found[0].index, byBayer[0].index);
}

TEST(BuiltCatalogues, EveryStarFileOpensAsTheProgramOpensIt) {
  if (!built("Stars.skydata")) GTEST_SKIP() << "no built catalogues in " << skyDataFolder();
  CSkyDatabase database(skyDataFolder().c_str());
  EXPECT_NE(database.loadStars("Stars.skydata"), nullptr);
  EXPECT_NE(database.loadTychoStars("TychoStars.skydata"), nullptr);
  EXPECT_NE(database.loadGuideStars("GuideStars.skydata"), nullptr);
  // The bright stars are in the star file's root, loaded at once.
  CSkyDataFile* stars = database.getStarsFile();
  ASSERT_NE(stars, nullptr);
  CStar* sirius = database.getStarByHRNumber(2491);
  ASSERT_NE(sirius, nullptr);
  EXPECT_NEAR(sirius->getVisualMagnitude(), -1.44, 0.01);
}

TEST(BuiltCatalogues, M31AndNGC224AreOneObject) {
  if (!built("DeepSky.skydata")) GTEST_SKIP() << "no built catalogues in " << skyDataFolder();
  CSkyDatabase database(skyDataFolder().c_str());
  ASSERT_NE(database.loadDeepSky("DeepSky.skydata"), nullptr);
  std::vector<SkyObjectID> messier, ngc, named;
  ASSERT_EQ(database.findObjectsByCatalogNumber(makeCatalogNumber(101, 31), kDeepSkyFile, messier, 4), 1);
  ASSERT_EQ(database.findObjectsByCatalogNumber(makeCatalogNumber(102, 2240), kDeepSkyFile, ngc, 4), 1);
  EXPECT_EQ(messier[0].region, ngc[0].region);
  EXPECT_EQ(messier[0].index, ngc[0].index);
  ASSERT_GE(database.findObjectsByName("Andromeda Galaxy", kDeepSkyFile, named, 4), 1);
  EXPECT_EQ(named[0].index, ngc[0].index);
  CSkyObject* m31 = database.getObject(&ngc[0]);
  ASSERT_NE(m31, nullptr);
  EXPECT_EQ(m31->getType(), 17);  // a spiral galaxy
  double position[3];
  ASSERT_NE(asStar(m31), nullptr);
  asStar(m31)->getCatalogVector(position);
  EXPECT_NEAR(std::atan2(position[1], position[0]) * 180.0 / 3.14159265358979, 10.6848, 1e-3);
}

TEST(BuiltCatalogues, TheConstellationAtTheNorthPoleIsUrsaMinor) {
  if (!built("Constellations.skydata")) GTEST_SKIP() << "no built catalogues in " << skyDataFolder();
  CSkyDatabase database(skyDataFolder().c_str());
  ASSERT_NE(database.loadConstellations("Constellations.skydata"), nullptr);
  const double pole[3] = {0.0, 0.0, 1.0};
  CConstellation* found = database.findConstellationByNumber(constellationAtPosition(pole));
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->getNameString(), "Ursa Minor");
  // The fixed order: constellation n at index n - 1, Serpens Cauda, the asterisms.
  SkyObjectID reference;
  CSkyDatabase::setSkyObjectID(&reference, kConstellationsFile, 0, 88, 0, nullptr, 0);
  CSkyObject* cauda = database.getObject(&reference);
  ASSERT_NE(cauda, nullptr);
  EXPECT_EQ(cauda->getNameString(), "Serpens Cauda");
  CSkyDatabase::setSkyObjectID(&reference, kConstellationsFile, 0, 89 + 20, 0, nullptr, 0);
  CSkyObject* triangle = database.getObject(&reference);
  ASSERT_NE(triangle, nullptr);
  EXPECT_EQ(triangle->getType(), 41);
  EXPECT_EQ(triangle->getNameString(), "Summer Triangle");
  // Every outline lies within the angular size the chart tests against.
  for (int n = 1; n <= 88; ++n) {
    CConstellation* c = database.findConstellationByNumber(n);
    ASSERT_NE(c, nullptr) << n;
    double centre[3], point[3];
    c->getPosition(centre);
    for (int i = 0; i < c->getPointCount(); ++i) {
      c->getPoint(i, point);
      EXPECT_LE(vectorSeparation(centre, point), c->getAngularSize() / 2 + 1e-6) << n;
    }
  }
}

TEST(BuiltCatalogues, TheSpaceStationResolvesByNameNumberAndDesignator) {
  if (!built("SolarSystem.skydata")) GTEST_SKIP() << "no built catalogues in " << skyDataFolder();
  CSkyDatabase database(skyDataFolder().c_str());
  ASSERT_NE(database.loadSolarSystem("SolarSystem.skydata"), nullptr);
  ASSERT_NE(database.getSun(), nullptr);
  EXPECT_EQ(database.getEarth()->getNameString(), "Earth");
  EXPECT_EQ(database.getMoon()->getBodyNumber(), 301u);
  std::vector<SkyObjectID> byName, byNumber, byDesignator;
  ASSERT_EQ(database.findObjectsByName("ISS (ZARYA)", kSolarSystemFile, byName, 4), 1);
  ASSERT_EQ(database.findObjectsByCatalogNumber(1540000000000025544LL, kSolarSystemFile, byNumber, 4), 1);
  ASSERT_EQ(database.findObjectsByName("1998-067A", kSolarSystemFile, byDesignator, 4), 1);
  EXPECT_EQ(byName[0].index, byNumber[0].index);
  EXPECT_EQ(byName[0].index, byDesignator[0].index);
  CSatellite* iss = asSatellite(database.getObject(&byNumber[0]));
  ASSERT_NE(iss, nullptr);
  EXPECT_EQ(iss->getNameString(), "ISS (ZARYA)");
  EXPECT_TRUE(iss->hasCategory(3));  // among the brightest
  // gpredict's set: epoch 2018 day 20.89808844, 2018 January 1.0 being JD 2458119.5.
  EXPECT_NEAR(iss->getElementEpoch(), 2458139.39808844, 1e-6);
  // Every satellite passes the category filter somewhere.
  for (int i = 0; i < database.getSolarSystemObjectCount(); ++i) {
    CSatellite* satellite = asSatellite(database.getSolarSystemObject(i));
    if (satellite) {
      EXPECT_NE(satellite->getCategory(0), 0) << satellite->getNameString();
    }
  }
}

}  // namespace
