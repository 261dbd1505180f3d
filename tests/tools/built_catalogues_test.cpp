// Spot checks of the catalogues the run command built from the public data
// (skipped where they have not been built, but required under CI, where
// the test command builds them): what a user looks for first
// must be found, and every file must open the way the program opens it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/angles.h"
#include "engine/body_table.h"
#include "mechanics/sky_mechanics.h"
#include "skydata/catalog_numbers.h"
#include "skydata/constellation.h"
#include "skydata/constellation_tables.h"
#include "skydata/object_factory.h"
#include "skydata/planet.h"
#include "skydata/satellite.h"
#include "skydata/sky_data_file.h"
#include "skydata/sky_database.h"
#include "skydata/star.h"
#include "tests/support/requirements.h"
#include "tests/tools/built_bundle.h"

namespace {

std::string skyDataFolder() { return tessaly::test::builtBundlePath() + "/SkyData"; }

bool built(const char* name) {
  return std::filesystem::exists(skyDataFolder() + "/" + name);
}

TEST(BuiltCatalogues, VegaIsHR7001AndAlphaLyrae) {
  if (!built("Stars.skydata")) TESSALY_SKIP_OR_FAIL("no built catalogues in " << skyDataFolder());
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
  if (!built("Stars.skydata")) TESSALY_SKIP_OR_FAIL("no built catalogues in " << skyDataFolder());
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
  if (!built("DeepSky.skydata")) TESSALY_SKIP_OR_FAIL("no built catalogues in " << skyDataFolder());
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
  if (!built("Constellations.skydata")) TESSALY_SKIP_OR_FAIL("no built catalogues in " << skyDataFolder());
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

// The SHOWER rows of the published working list, read apart from the
// builder: code, number, solar longitude, radiant, velocity, r, rate, flags
// and name.
struct ListedShower {
  std::string code, flags, name;
  int number = 0;
  double solarLongitude = 0, ra = 0, dec = 0, velocity = 0, r = 0, rate = 0;
};

std::vector<ListedShower> listedShowers() {
  const char* root = std::getenv("TESSALY_SOURCE_DIR");
  std::ifstream in(std::string(root ? root : ".") + "/data/published/meteor_showers.txt");
  std::vector<ListedShower> showers;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream f(line.substr(0, line.find('#')));
    std::string keyword, number, start, end, maximum, longitude, ra, dec, dra, ddec, source,
        velocity, r, rate;
    ListedShower s;
    if (!(f >> keyword) || keyword != "SHOWER") continue;
    f >> s.code >> number >> start >> end >> maximum >> longitude >> ra >> dec >> dra >> ddec >>
        source >> velocity >> r >> rate >> s.flags >> s.name;
    if (s.flags == "A") {
      showers.push_back(s);  // the Antihelion Source: an area, not a shower
      continue;
    }
    s.number = std::stoi(number);
    s.solarLongitude = std::stod(longitude);
    s.ra = std::stod(ra);
    s.dec = std::stod(dec);
    s.velocity = std::stod(velocity);
    s.r = std::stod(r);
    s.rate = rate == "var" ? -1.0 : std::stod(rate);
    for (char& c : s.name)
      if (c == '_') c = ' ';
    showers.push_back(s);
  }
  return showers;
}

TEST(BuiltCatalogues, EveryListedMeteorShowerIsFoundWithItsRadiantPeakAndRates) {
  if (!built("Constellations.skydata")) TESSALY_SKIP_OR_FAIL("no built catalogues in " << skyDataFolder());
  const std::vector<ListedShower> listed = listedShowers();
  ASSERT_EQ(listed.size(), 38u) << "data/published/meteor_showers.txt not read";
  CSkyDatabase database(skyDataFolder().c_str());
  ASSERT_NE(database.loadConstellations("Constellations.skydata"), nullptr);
  int checked = 0;
  for (const ListedShower& s : listed) {
    std::vector<SkyObjectID> byName, byCode;
    if (s.flags == "A") {
      EXPECT_EQ(database.findObjectsByName("Antihelion Source", kConstellationsFile, byName, 4), 0);
      continue;
    }
    // The name lookup matches the beginnings of names, without regard to
    // case ("OCT" finds both October showers, "PER" Perseus as well): pick
    // the shower whose own name or code it is.
    auto exactShower = [&database](std::vector<SkyObjectID>& ids, const std::string& text,
                                   bool byCodeText) {
      const CMeteorShower* match = nullptr;
      int count = 0;
      for (const SkyObjectID& id : ids) {
        const CMeteorShower* m = asMeteorShower(database.getObject(&id));
        if (m && (byCodeText ? text == m->getAbbreviation() : text == m->getNameString())) {
          match = m;
          ++count;
        }
      }
      return count == 1 ? match : nullptr;
    };
    database.findObjectsByName(s.name.c_str(), kConstellationsFile, byName, 16);
    database.findObjectsByName(s.code.c_str(), kConstellationsFile, byCode, 16);
    const CMeteorShower* shower = exactShower(byName, s.name, false);
    ASSERT_NE(shower, nullptr) << s.name;
    EXPECT_EQ(exactShower(byCode, s.code, true), shower) << s.code;
    EXPECT_EQ(shower->getNameString(), s.name);
    EXPECT_STREQ(shower->getAbbreviation(), s.code.c_str());
    EXPECT_EQ(shower->getIAUNumber(), s.number);
    EXPECT_EQ(shower->getPeakSolarLongitude(), static_cast<float>(s.solarLongitude * kRadiansPerDegree))
        << s.name;
    EXPECT_EQ(shower->getVelocity(), static_cast<float>(s.velocity));
    EXPECT_EQ(shower->getPeakRate(), static_cast<float>(s.rate));
    EXPECT_EQ(shower->getMagnitude(), static_cast<float>(s.r));
    double radiant[3];
    shower->getPosition(radiant);
    EXPECT_NEAR(std::atan2(radiant[1], radiant[0]) * kDegreesPerRadian, s.ra > 180 ? s.ra - 360 : s.ra,
                1e-5) << s.name;
    EXPECT_NEAR(std::asin(radiant[2]) * kDegreesPerRadian, s.dec, 1e-5) << s.name;
    ++checked;
  }
  EXPECT_EQ(checked, 37);

  // The two best-known showers, by the values the list prints.
  std::vector<SkyObjectID> found;
  ASSERT_EQ(database.findObjectsByName("Perseids", kConstellationsFile, found, 4), 1);
  const CMeteorShower* perseids = asMeteorShower(database.getObject(&found[0]));
  ASSERT_NE(perseids, nullptr);
  EXPECT_EQ(perseids->getIAUNumber(), 7);
  EXPECT_EQ(perseids->getPeakSolarLongitude(), static_cast<float>(140.0 * kRadiansPerDegree));
  EXPECT_EQ(perseids->getPeakRate(), 100.0);
  EXPECT_EQ(perseids->getVelocity(), 59.0);
  double radiant[3];
  perseids->getPosition(radiant);
  EXPECT_EQ(radiant[0], static_cast<float>(std::cos(58 * kRadiansPerDegree) * std::cos(48 * kRadiansPerDegree)));
  EXPECT_EQ(radiant[2], static_cast<float>(std::sin(58 * kRadiansPerDegree)));
  found.clear();
  ASSERT_EQ(database.findObjectsByName("Geminids", kConstellationsFile, found, 4), 1);
  const CMeteorShower* geminids = asMeteorShower(database.getObject(&found[0]));
  ASSERT_NE(geminids, nullptr);
  EXPECT_EQ(geminids->getIAUNumber(), 4);
  EXPECT_EQ(geminids->getPeakSolarLongitude(), static_cast<float>(262.2 * kRadiansPerDegree));
  EXPECT_EQ(geminids->getPeakRate(), 150.0);
  EXPECT_EQ(geminids->getVelocity(), 35.0);
  geminids->getPosition(radiant);
  EXPECT_EQ(radiant[1], static_cast<float>(std::cos(33 * kRadiansPerDegree) * std::sin(112 * kRadiansPerDegree)));
  EXPECT_EQ(radiant[2], static_cast<float>(std::sin(33 * kRadiansPerDegree)));
}

TEST(BuiltCatalogues, TheSpaceStationResolvesByNameNumberAndDesignator) {
  if (!built("SolarSystem.skydata")) TESSALY_SKIP_OR_FAIL("no built catalogues in " << skyDataFolder());
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
  EXPECT_TRUE(iss->hasCategory(2));  // the space stations' list
  // Its standard magnitude: the published -2.5 at full phase, -1.75 on the
  // half-phase scale of the chart's magnitude law.
  EXPECT_DOUBLE_EQ(iss->getAbsoluteMagnitude(), -1.75);
  // gpredict's set: epoch 2018 day 20.89808844, 2018 January 1.0 being JD 2458119.5.
  EXPECT_NEAR(iss->getElementEpoch(), 2458139.39808844, 1e-6);
  // Every satellite passes the category filter somewhere; those of the
  // standard-magnitude list have a magnitude (309 of gpredict's 979).
  int withMagnitude = 0;
  for (int i = 0; i < database.getSolarSystemObjectCount(); ++i) {
    CSatellite* satellite = asSatellite(database.getSolarSystemObject(i));
    if (satellite) {
      EXPECT_NE(satellite->getCategory(0), 0) << satellite->getNameString();
      withMagnitude += std::isfinite(satellite->getAbsoluteMagnitude());
    }
  }
  EXPECT_GE(withMagnitude, 300);
}

// Planetary moons are drawn by their magnitudes. Near Jupiter's opposition
// of 2023 November 3 the Galilean moons shine as the published mean
// opposition magnitudes say (JPL's planetary satellite physical
// parameters: 5.0, 5.3, 4.6 and 5.7), and every moon of the catalogue (each
// has a published magnitude) has a finite one. Before: +infinity for every moon (no slope
// parameter, so the H, G law gave none), and the chart drew none.
TEST(BuiltCatalogues, MoonsShineAsPublished) {
  if (!built("SolarSystem.skydata")) TESSALY_SKIP_OR_FAIL("no built catalogues in " << skyDataFolder());
  CSkyDatabase database(skyDataFolder().c_str());
  ASSERT_NE(database.loadSolarSystem("SolarSystem.skydata"), nullptr);
  CSkyMechanics chart(&database);
  const double opposition = 2460251.5;
  const struct {
    int body;
    double magnitude;
  } galilean[] = {{501, 5.0}, {502, 5.3}, {503, 4.6}, {504, 5.7}};
  int moons = 0, galileanSeen = 0;
  for (int i = 0; i < database.getSolarSystemObjectCount(); ++i) {
    CPlanet* moon = asPlanet(database.getSolarSystemObject(i));
    if (moon == nullptr || moon->getType() != 31 || moon->getBodyNumber() == 301) continue;
    ++moons;
    // A moon in its planet's shadow has none: one of four times a few
    // hours apart finds each in sunlight.
    bool finite = false;
    for (int k = 3; k >= 0; --k) {
      chart.setJulianDate(opposition + 0.23 * k);
      chart.updateObjectPosition(moon);
      finite = finite || std::isfinite(moon->getMagnitude());
    }
    EXPECT_TRUE(finite) << moon->getNameString();
    const double magnitude = moon->getMagnitude();
    for (const auto& g : galilean) {
      if (moon->getBodyNumber() != static_cast<std::uint32_t>(g.body)) continue;
      ++galileanSeen;
      EXPECT_NEAR(magnitude, g.magnitude, 0.3) << moon->getNameString();
    }
  }
  EXPECT_EQ(moons, kBodyTableRows - 11);  // all but the Sun, the planets and the Moon
  EXPECT_EQ(galileanSeen, 4);
}

}  // namespace
