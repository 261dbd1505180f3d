// The catalogue builders on small lists: the files open as the program
// opens them, objects sit where the chart looks for them, designations
// become the right catalogue numbers, and damaged lists are refused with
// their line before anything is written.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/angles.h"
#include "fuzz.h"
#include "skydata/catalog_numbers.h"
#include "skydata/deep_sky_object.h"
#include "skydata/object_factory.h"
#include "skydata/planet.h"
#include "skydata/planet_feature.h"
#include "skydata/satellite.h"
#include "skydata/sky_data_file.h"
#include "skydata/sky_data_region.h"
#include "skydata/sky_database.h"
#include "skydata/star_classes.h"
#include "temp_dir.h"
#include "tools/catalogues/deep_sky_catalogue.h"
#include "tools/catalogues/solar_system_catalogue.h"
#include "tools/catalogues/star_catalogues.h"

namespace {

using tessaly::test::TempDir;

// Vega (bright, with a distance), a faint star with a distance, a star
// without one and a faint Hipparcos star; values as the extraction writes them.
const char* kStars =
    "# tessaly-stars 1\n"
    "S\t2\t4\t279.2347500\t38.7836944\t7.758\t201.00\t287.50\t0.03\t0.03\tA0\t"
    "alpha Lyr|3 Lyr|HR 7001|HD 172167|HIP 91262|WDS 18369+3846\tVega\t"
    "-0.02,0.07,0.19000,-,DSCTC\t27.00,71.0\n"
    "S\t2\t1\t10.0\t-20.0\t500.0\t-\t-\t8.50\t-\t-\tHIP 3000\t-\t-\t-\n"
    "S\t6\t1\t200.0\t5.0\t-\t-\t-\t7.90\t8.80\tK0\t-\t-\t-\t-\n"
    "S\t3\t6\t45.0\t70.0\t-\t-\t-\t10.20\t-\t-\tHIP 14000|HD 18000\t-\t9.9,10.5,-,-,-\t-\n"
    "E\t4\n";

struct Built {
  TempDir dir;
  std::string folder() const { return dir.path().string(); }
};

bool buildStars(Built& built, const std::string& list, std::string& error) {
  catalogues::StarCounts counts;
  return catalogues::buildStarCatalogues(list, "stars.list", built.folder(), counts, error);
}

TEST(StarCatalogues, FilesOpenWithTheBrightStarsAtTheRoot) {
  Built built;
  std::string error;
  ASSERT_TRUE(buildStars(built, kStars, error)) << error;
  CSkyDatabase database(built.folder().c_str());
  ASSERT_NE(database.loadStars("Stars.skydata"), nullptr);
  ASSERT_NE(database.loadTychoStars("TychoStars.skydata"), nullptr);
  ASSERT_NE(database.loadGuideStars("GuideStars.skydata"), nullptr);

  CStar* vega = database.getStarByHRNumber(7001);
  ASSERT_NE(vega, nullptr);
  EXPECT_EQ(vega->getType(), 4);  // variable and double
  EXPECT_EQ(vega->findCatalogNumber(1), makeCatalogNumber(1, 52 * 100000LL + 100));  // alpha Lyr
  EXPECT_EQ(vega->findCatalogNumber(2), makeCatalogNumber(2, 52 * 100000LL + 3));    // 3 Lyr
  EXPECT_EQ(vega->findCatalogNumber(11), makeCatalogNumber(11, 91262));
  EXPECT_NEAR(vega->getStarDistance(), 7.758, 1e-3);
  // Proper motion: 201 mas/yr in right ascension is 201 / cos(dec) of d alpha/dt.
  double motion[3], position[3];
  vega->getMotionVector(motion);
  vega->getCatalogVector(position);
  EXPECT_NEAR(std::hypot(motion[0], motion[1], motion[2]),
              std::hypot(201.0, 287.5) * 4.84813681109536e-9, 1e-11);
  CDoubleStar* pair = dynamic_cast<CDoubleStar*>(vega);
  ASSERT_NE(pair, nullptr);
  EXPECT_NEAR(pair->getSeparation(), 27.0 * 4.84813681109536e-6, 1e-9);
  CVariableStar* variable = dynamic_cast<CVariableStar*>(vega);
  ASSERT_NE(variable, nullptr);
  EXPECT_NEAR(variable->getPeriod(), 0.19, 1e-6);
  EXPECT_STREQ(variable->getVariableType(), "DSCTC");

  // Vega is in the root (loaded at launch), the faint star below it.
  CSkyDataFile* stars = database.getStarsFile();
  EXPECT_EQ(stars->getRoot()->getObjectCount(), 1);
  std::vector<SkyObjectID> faint;
  ASSERT_EQ(database.findObjectsByCatalogNumber(makeCatalogNumber(11, 3000), kStarsFile, faint, 2), 1);
  EXPECT_NE(faint[0].region, 0u);
  CSkyDataRegion* region = stars->findRegion(faint[0].region);
  ASSERT_NE(region, nullptr);
  // The space tree's boxes are in parsecs and hold their stars.
  CStar* star = asStar(database.getObject(&faint[0]));
  ASSERT_NE(star, nullptr);
  double place[3];
  star->getCatalogVector(place);
  for (double& c : place) c *= star->getStarDistance();
  EXPECT_TRUE(region->contains(place));
  // Region magnitudes are absolute magnitudes in the space tree.
  EXPECT_NEAR(region->getBrightestMagnitude(), 8.5 - 5.0 * (std::log10(500.0) - 1.0), 1e-3);

  // The sky trees keep an empty root; their stars sit on the cube faces.
  CSkyDataFile* tycho = database.getTychoStarsFile();
  EXPECT_EQ(tycho->getRoot()->getObjectCount(), 0);
  std::vector<SkyObjectID> hd;
  ASSERT_EQ(database.findObjectsByCatalogNumber(makeCatalogNumber(5, 18000), kGuideStarsFile, hd, 2), 1);
  EXPECT_GE(hd[0].region, 1u);
  EXPECT_LE(hd[0].region, 6u);
}

TEST(StarCatalogues, DamagedListsAreRefusedWithTheirLineAndNothingIsWritten) {
  std::string text = kStars;
  struct Case {
    std::string damaged;
    std::string message;
  };
  std::string badType = text;
  badType.replace(badType.find("S\t2\t1\t10.0"), 6, "S\t2\t12\t");
  std::string badDesignation = text;
  badDesignation.replace(badDesignation.find("HIP 3000"), 8, "XYZ 3000");
  std::string cut = text.substr(0, text.find("E\t4"));
  std::string badDistance = text;
  badDistance.replace(badDistance.find("500.0"), 5, "-50.0");
  const Case cases[] = {
      {badType, "stars.list:3: unknown star type"},
      {badDesignation, "stars.list:3: designation not understood: XYZ 3000"},
      {cut, "stars.list:5: no closing count (file truncated?)"},
      {badDistance, "stars.list:3: damaged distance, motion or magnitude"},
  };
  for (const Case& c : cases) {
    Built built;
    std::string error;
    EXPECT_FALSE(buildStars(built, c.damaged, error));
    EXPECT_EQ(error, c.message);
    EXPECT_TRUE(std::filesystem::is_empty(built.dir.path()));
  }
}

const char* kDeepSky =
    "# tessaly-deepsky 1\n"
    "D\t17\t10.684792\t41.269056\t4.36\t177.83\t69.66\t35.0\tSA(s)b\t"
    "M 31|NGC 224|Andromeda Galaxy|PGC 2557\t-\n"
    "D\t13\t83.818667\t-5.389667\t4.00\t90.00\t60.00\t-\t-\tM 42|NGC 1976|Orion Nebula\t"
    "83.46 -5.50,83.51 -5.39,83.85 -5.37,83.46 -5.50;84.0 -5.0,84.1 -5.1\n"
    "D\t14\t85.0\t-2.0\t-\t10.0\t-\t-\t-\tB 33\t-\n"
    "E\t3\n";

TEST(DeepSkyCatalogue, DesignationsNamesSizesAndOutlines) {
  TempDir dir;
  std::string path = dir.file("DeepSky.skydata"), error;
  int count = 0;
  ASSERT_TRUE(catalogues::buildDeepSkyCatalogue(kDeepSky, "deepsky.list", path, count, error)) << error;
  EXPECT_EQ(count, 3);
  CSkyDatabase database(dir.path().string().c_str());
  ASSERT_NE(database.loadDeepSky("DeepSky.skydata"), nullptr);
  std::vector<SkyObjectID> m31;
  ASSERT_EQ(database.findObjectsByCatalogNumber(makeCatalogNumber(101, 31), kDeepSkyFile, m31, 2), 1);
  auto* galaxy = dynamic_cast<CDeepSkyObject*>(asStar(database.getObject(&m31[0])));
  ASSERT_NE(galaxy, nullptr);
  EXPECT_EQ(galaxy->getMajorSize(), 10670);  // 177.83 arcminutes
  EXPECT_EQ(galaxy->getOrientation(), 350);  // tenths of a degree
  EXPECT_STREQ(galaxy->getMorphology(), "SA(s)b");
  const char* names[4];
  ASSERT_EQ(galaxy->getNames(names, 4), 1);  // the designations went to the numbers
  EXPECT_STREQ(names[0], "Andromeda Galaxy");
  EXPECT_EQ(galaxy->findCatalogNumber(123), makeCatalogNumber(123, 2557));

  std::vector<SkyObjectID> m42;
  ASSERT_EQ(database.findObjectsByName("Orion Nebula", kDeepSkyFile, m42, 2), 1);
  auto* nebula = dynamic_cast<CDeepSkyObject*>(asStar(database.getObject(&m42[0])));
  ASSERT_NE(nebula, nullptr);
  ASSERT_EQ(nebula->getContourCount(), 2);
  CDeepSkyContour* outline = nebula->getContour(0);
  double centre[3], point[3];
  outline->getCenter(centre);
  for (int i = 0; i < outline->getPointCount(); ++i) {
    outline->getPoint(i, point);
    EXPECT_LE(vectorSeparation(centre, point), outline->getRadius() + 1e-6);
  }
  // A dark nebula without a magnitude is kept, its size known, its magnitude none.
  std::vector<SkyObjectID> dark;
  ASSERT_EQ(database.findObjectsByCatalogNumber(makeCatalogNumber(114, 330), kDeepSkyFile, dark, 2), 1);
  EXPECT_TRUE(std::isinf(asStar(database.getObject(&dark[0]))->getVisualMagnitude()));
}

const char* kBodies =
    "# tessaly-solarsystem 1\n"
    "A\t1\tCeres\tA801 AA\t2459800.50000\t2.5490639\t0.078635757\t10.586795\t73.531625\t"
    "80.266436\t334.32717\t0.21418055\t3.33\t0.12\t939.4\n"
    "C\t1\t1P\tHalley\t2459815.50000\t0.59863\t0.966503\t162.1946\t112.1408\t59.2191\t"
    "173.9193454\t0.01304593552\t4\t6\n"
    "F\tCeres\tcrater\tOccator\t19.82\t239.33\t92\n"
    "F\tMoon\tcrater\tTycho\t-43.31\t-11.36\t85.29\n"
    "F\tBennu\tcrater\tSomewhere\t0\t0\t1\n"
    "E\t5\n";

const char* kElements =
    "ISS (ZARYA)\n"
    "1 25544U 98067A   08264.51782528 -.00002182  00000-0 -11606-4 0  2927\n"
    "2 25544  51.6416 247.4627 0006703 130.5360 325.0288 15.72125391563537\n";

TEST(SolarSystemCatalogue, FixedOrderAndEveryKindOfBody) {
  TempDir dir;
  std::string path = dir.file("SolarSystem.skydata"), error;
  catalogues::SolarSystemCounts counts;
  catalogues::SolarSystemSources sources{kBodies, "bodies", kElements, "iss.tle", "", ""};
  ASSERT_TRUE(catalogues::buildSolarSystemCatalogue(sources, path, counts, error)) << error;
  EXPECT_EQ(counts.features, 2);  // Bennu is not in the catalogue
  CSkyDatabase database(dir.path().string().c_str());
  ASSERT_NE(database.loadSolarSystem("SolarSystem.skydata"), nullptr);
  EXPECT_EQ(database.getSun()->getBodyNumber(), 0u);
  EXPECT_EQ(database.getEarth()->getBodyNumber(), 3u);
  EXPECT_EQ(database.getMoon()->getBodyNumber(), 301u);
  for (int i = 1; i <= 9; ++i) EXPECT_EQ(database.getSolarSystemObject(i)->getBodyNumber(), static_cast<unsigned>(i));
  // Moons, then the asteroid, the comet, the satellite and the features.
  int n = database.getSolarSystemObjectCount();
  ASSERT_EQ(n, 11 + counts.moons - 1 + 1 + 1 + 1 + 2);
  CPlanet* ceres = database.getSolarSystemObject(n - 5);
  EXPECT_EQ(ceres->getType(), 33);
  EXPECT_EQ(ceres->getNameString(), "(1) Ceres");
  EXPECT_NEAR(ceres->getMeanMotion(), 0.21418055 * 3.14159265358979 / 180.0, 1e-12);
  EXPECT_EQ(database.getSolarSystemObject(n - 4)->getNameString(), "1P/Halley");
  CSatellite* iss = asSatellite(database.getSolarSystemObject(n - 3));
  ASSERT_NE(iss, nullptr);
  EXPECT_EQ(iss->getCategory(0), 90);  // no group given: "User Defined"
  CPlanetFeature* occator = database.getPlanetFeature(n - 2);
  ASSERT_NE(occator, nullptr);
  EXPECT_EQ(database.getFeatureParent(occator), ceres);
  EXPECT_EQ(occator->getFeatureType(), 10);  // "Crater"
  EXPECT_EQ(database.getFeatureParent(database.getPlanetFeature(n - 1)), database.getMoon());
}

// The Earth's cities for "Show Cities": populated places whose size is
// their population, at the places GeoNames publishes.
TEST(SolarSystemCatalogue, TheEarthHoldsTheBuiltInCitiesAsPopulatedPlaces) {
  TempDir dir;
  std::string path = dir.file("SolarSystem.skydata"), error;
  catalogues::SolarSystemCounts counts;
  catalogues::SolarSystemSources sources{kBodies, "bodies", kElements, "iss.tle", "", ""};
  sources.cities = true;
  ASSERT_TRUE(catalogues::buildSolarSystemCatalogue(sources, path, counts, error)) << error;
  CSkyDatabase database(dir.path().string().c_str());
  ASSERT_NE(database.loadSolarSystem("SolarSystem.skydata"), nullptr);
  const int places = database.getPlanetFeatureIndices(database.getEarth(), nullptr, 0);
  EXPECT_EQ(counts.features, 2 + places);
  EXPECT_GT(places, 4000);
  std::vector<int> indices(static_cast<std::size_t>(places));
  ASSERT_EQ(database.getPlanetFeatureIndices(database.getEarth(), indices.data(), places), places);
  struct Published {
    const char* name;
    double lat, lon;  // degrees
  };
  int found = 0;
  for (const Published& city : {Published{"Tokyo", 35.6895, 139.69171}, Published{"Cairo", 30.06263, 31.24967},
                                Published{"Buenos Aires", -34.61315, -58.37723}}) {
    for (int index : indices) {
      CPlanetFeature* feature = database.getPlanetFeature(index);
      ASSERT_NE(feature, nullptr);
      ASSERT_EQ(feature->getFeatureType(), 100);
      if (feature->getNameString() != city.name) continue;
      double lon, lat;
      feature->getLonLat(&lon, &lat);
      EXPECT_NEAR(lat * kDegreesPerRadian, city.lat, 0.01) << city.name;
      EXPECT_NEAR(normalizeRadiansSigned(lon - city.lon / kDegreesPerRadian) * kDegreesPerRadian, 0, 0.01) << city.name;
      EXPECT_GT(feature->getDiameter(), 1e6f) << city.name;  // people, millions of them
      ++found;
    }
  }
  EXPECT_EQ(found, 3);
}

TEST(SolarSystemCatalogue, ABrokenElementLineIsNamed) {
  TempDir dir;
  std::string broken = kElements;
  broken[broken.find("15.72125391")] = '7';
  catalogues::SolarSystemCounts counts;
  catalogues::SolarSystemSources sources{kBodies, "bodies", broken, "iss.tle", "", ""};
  std::string error;
  EXPECT_FALSE(catalogues::buildSolarSystemCatalogue(sources, dir.file("S.skydata"), counts, error));
  EXPECT_EQ(error, "iss.tle:3: check digit of the second line does not match");
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// The body of a list between its header and its closing count; the fuzz
// targets put both back, so that mutations reach the field readers rather
// than stopping at the header or the count.
std::string listBody(const std::string& list) {
  std::size_t start = list.find('\n') + 1;
  return list.substr(start, list.rfind("E\t") - start);
}

std::string wrapList(const char* kind, std::string_view body, char tag) {
  int count = 0;
  bool lineStart = true;
  for (char c : body) {
    if (lineStart && (c == tag || tag == '*')) ++count;
    lineStart = c == '\n';
  }
  std::string text = std::string("# tessaly-") + kind + " 1\n" + std::string(body);
  if (!text.empty() && text.back() != '\n') text += '\n';
  return text + "E\t" + std::to_string(count) + "\n";
}

TEST(CatalogueBuilders, ListReadersSurviveFuzzing) {
  TempDir dir;
  tessaly::test::FuzzOptions options;
  options.iterations = 2000;
  int built = 0;
  tessaly::test::fuzz({listBody(kDeepSky)}, [&](std::string_view body) {
    std::string error;
    int count = 0;
    built += catalogues::buildDeepSkyCatalogue(wrapList("deepsky", body, 'D'), "fuzz",
                                               dir.file("DeepSky.skydata"), count, error);
  }, options);
  tessaly::test::fuzz({listBody(kStars)}, [&](std::string_view body) {
    std::string error;
    catalogues::StarCounts counts;
    built += catalogues::buildStarCatalogues(wrapList("stars", body, 'S'), "fuzz",
                                             dir.path().string(), counts, error);
  }, options);
  tessaly::test::fuzz({listBody(kBodies) + "\n" + kElements}, [&](std::string_view input) {
    std::string text(input);
    std::size_t split = text.find("\n\n");
    std::string bodies = wrapList("solarsystem", text.substr(0, split), '*');
    std::string elements = split == std::string::npos ? "" : text.substr(split + 2);
    catalogues::SolarSystemCounts counts;
    catalogues::SolarSystemSources sources{bodies, "bodies", elements, "elements", "", ""};
    std::string error;
    built += catalogues::buildSolarSystemCatalogue(sources, dir.file("SolarSystem.skydata"),
                                                   counts, error);
  }, options);
  EXPECT_GT(built, 50);  // the runs reached the writers, not only the list checks
}

}  // namespace
