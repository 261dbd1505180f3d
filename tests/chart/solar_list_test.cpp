// The solar-system draw list: far-to-near order against ERFA's planets,
// orbit records, the type options and their exemptions, the faintness
// test of asteroids, the far observer's single point, moons inside an
// enlarged globe and the sizes the chart gives bodies.
#include <erfa.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "chart/sky_chart.h"
#include "engine/body_geometry.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/satellite.h"
#include "skydata/sky_database.h"
#include "tests/mechanics/mechanics_fixture.h"

namespace {

using mechanics_test::BodyRecord;
using mechanics_test::SatelliteRecord;
using mechanics_test::SolarSystemWorld;

constexpr double kRadiansPerDegree = 0.017453292519943295;
constexpr double kJ2000 = 2451545.0;

// Minor bodies for the faintness test and a moon no theory places.
std::vector<BodyRecord> extraBodies() {
  std::vector<BodyRecord> list = mechanics_test::standardExtraBodies();
  auto asteroid = [](std::uint32_t number, const char* name, double q, double e, double h) {
    BodyRecord b;
    b.type = kTypeAsteroid;
    b.body = number;
    b.names = {name};
    b.q = q;
    b.e = e;
    b.n = 0.01;
    b.magnitude1 = h;
    b.magnitude2 = 0.15;
    b.diameter = 1;
    return b;
  };
  // Reaches out to 1.95 AU: crosses the Earth's distance.
  list.push_back(asteroid(9001, "Grazer", 0.05, 0.95, 25));
  // Never farther than 0.45 AU from the Sun.
  list.push_back(asteroid(9002, "Inner", 0.3, 0.2, 14));
  BodyRecord unplaced;
  unplaced.type = kTypeMoon;
  unplaced.body = 999;
  unplaced.names = {"Unplaced"};
  unplaced.parent = 9;
  unplaced.diameter = 10;
  list.push_back(unplaced);
  return list;
}

std::vector<SatelliteRecord> satellites() {
  SatelliteRecord iss{mechanics_test::elementsFromLines(mechanics_test::kIssLines[0],
                                                        mechanics_test::kIssLines[1]),
                      -1.8, {5, 7}};
  SatelliteRecord molniya{mechanics_test::elementsFromLines(mechanics_test::kMolniyaLines[0],
                                                            mechanics_test::kMolniyaLines[1]),
                          INFINITY, {}};
  SatelliteRecord geo{mechanics_test::elementsFromLines(mechanics_test::kGeostationaryLines[0],
                                                        mechanics_test::kGeostationaryLines[1]),
                      INFINITY, {9}};
  return {iss, molniya, geo};
}

class SolarList : public testing::Test {
 protected:
  SolarList() : world_(extraBodies(), satellites()) {
    EXPECT_TRUE(world_.loaded());
    chart_ = std::make_unique<CSkyChart>(&world_.database(), "");
    chart_->setViewport(0, 0, 400, 300);
    chart_->setDisplayProjection(1);
    chart_->CSkyProjection::setDisplayCenter(0, 0, 0, 0);
    chart_->setDisplayFOV(10 * kRadiansPerDegree);
    chart_->setJulianDate(kJ2000);
    chart_->showAsteroids = chart_->showComets = chart_->showSatellites = true;
  }

  CPlanet* body(int type, std::uint32_t number) { return world_.body(type, number); }
  int indexOf(int type, std::uint32_t number) { return world_.indexOf(body(type, number)); }

  // The records of the object at `index` of the top region, by flag.
  std::vector<const PlanetDistance*> records(int index) const {
    std::vector<const PlanetDistance*> found;
    for (int i = 0; i < chart_->planetDistanceCount; ++i)
      if (chart_->planetDistances[i].region == 0 &&
          chart_->planetDistances[i].index == static_cast<std::uint32_t>(index))
        found.push_back(&chart_->planetDistances[i]);
    return found;
  }
  bool listed(int type, std::uint32_t number) {
    for (const PlanetDistance* r : records(indexOf(type, number)))
      if (r->flag == 0) return true;
    return false;
  }
  void select(int type, std::uint32_t number) {
    SkyObjectID id = world_.reference(body(type, number));
    chart_->selectObject(&id);
  }

  SolarSystemWorld world_;
  std::unique_ptr<CSkyChart> chart_;
};

// Geocentric distances of the eight planets at J2000 from ERFA's
// analytical theories (eraPlan94 and eraEpv00), far to near.
TEST_F(SolarList, PlanetsComeFarToNearAsErfaPlacesThem) {
  chart_->showMinorMoons = true;
  chart_->buildSolarSystemDrawList(true);
  double earth[2][3], earthBary[2][3];
  ASSERT_EQ(eraEpv00(kJ2000, 0, earth, earthBary), 0);
  std::vector<std::pair<double, int>> expected;
  constexpr double kLightDaysPerAU = 0.0057755183;
  for (int planet = 1; planet <= 8; ++planet) {
    if (planet == 3) continue;
    // Where the planet was when the light left it.
    double distance = 0;
    for (int pass = 0; pass < 3; ++pass) {
      double pv[2][3];
      ASSERT_EQ(eraPlan94(kJ2000, -distance * kLightDaysPerAU, planet, pv), 0);
      double d[3];
      for (int k = 0; k < 3; ++k) d[k] = pv[0][k] - earth[0][k];
      distance = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    }
    expected.emplace_back(distance, planet);
  }
  std::sort(expected.rbegin(), expected.rend());

  std::vector<int> order;
  for (int i = 0; i < chart_->planetDistanceCount; ++i) {
    const PlanetDistance& r = chart_->planetDistances[i];
    CPlanet* p = world_.database().getSolarSystemObject(static_cast<int>(r.index));
    ASSERT_NE(p, nullptr);
    // The Earth is listed too, from the observer on its surface.
    if (p->getType() != kTypePlanet || p->getBodyNumber() < 1 || p->getBodyNumber() > 8 ||
        p->getBodyNumber() == 3)
      continue;
    order.push_back(static_cast<int>(p->getBodyNumber()));
    auto e = std::find_if(expected.begin(), expected.end(),
                          [&](auto& x) { return x.second == order.back(); });
    ASSERT_NE(e, expected.end());
    // The truncated theories' own errors (Saturn's 1e-4 of its distance
    // beside PyEphem's VSOP87), the observer's place on the surface.
    EXPECT_NEAR(r.distance, e->first, 2e-4 * e->first) << order.back();
  }
  std::vector<int> wanted;
  for (auto& [d, planet] : expected) wanted.push_back(planet);
  EXPECT_EQ(order, wanted);

  // The whole list runs far to near, with what no theory places last.
  int unplaced = indexOf(kTypeMoon, 999);
  bool seenUnplaced = false;
  for (int i = 0; i < chart_->planetDistanceCount; ++i) {
    const PlanetDistance& r = chart_->planetDistances[i];
    if (!std::isfinite(r.distance)) {
      seenUnplaced = true;
      continue;
    }
    EXPECT_FALSE(seenUnplaced) << "a placed body after an unplaced one at " << i;
    if (i > 0 && std::isfinite(chart_->planetDistances[i - 1].distance)) {
      EXPECT_GE(chart_->planetDistances[i - 1].distance, r.distance) << i;
    }
  }
  ASSERT_EQ(records(unplaced).size(), 1u);
  EXPECT_FALSE(std::isfinite(records(unplaced)[0]->distance));
  EXPECT_EQ(&chart_->planetDistances[chart_->planetDistanceCount - 1] >= records(unplaced)[0], true);
}

TEST_F(SolarList, OrbitRecordsStandEitherSideOfTheirBody) {
  chart_->showMoonOrbits = true;
  chart_->showPlanetOrbits = true;
  chart_->buildSolarSystemDrawList(true);
  int bodies = 0, orbits = 0;
  for (int i = 0; i < chart_->planetDistanceCount; ++i)
    (chart_->planetDistances[i].flag == 0 ? bodies : orbits) += 1;
  EXPECT_LE(chart_->planetDistanceCount, chart_->planetDistanceCapacity);

  // The Moon: nearer than the Earth's centre seen from its surface? No:
  // the observer stands on the Earth, so the Moon is farther than the
  // Earth's centre; its near record is |d - a| and its far one d + r.
  CPlanet* moon = body(kTypeMoon, 301);
  CPlanet* earth = body(kTypePlanet, 3);
  auto moonRecords = records(indexOf(kTypeMoon, 301));
  ASSERT_EQ(moonRecords.size(), 3u);
  double d = moon->getDistance(), parent = earth->getDistance();
  double relative[3];
  moon->getPositionRelativeTo(relative, *earth);
  double a = std::sqrt(relative[0] * relative[0] + relative[1] * relative[1] + relative[2] * relative[2]);
  double r = moon->getDiameter() / 299195740.0;
  ASSERT_GT(d, parent);
  for (const PlanetDistance* rec : moonRecords) {
    if (rec->flag == kOrbitNearSide) {
      EXPECT_FLOAT_EQ(rec->distance, static_cast<float>(std::fabs(d - a)));
    } else if (rec->flag == kOrbitFarSide) {
      EXPECT_FLOAT_EQ(rec->distance, static_cast<float>(d + r));
    }
  }
  // Mars about the Sun: farther than the Sun at J2000 (beyond it in the
  // sky), so its far record is d + r and its near record |d - a|.
  auto marsRecords = records(indexOf(kTypePlanet, 4));
  EXPECT_EQ(marsRecords.size(), 3u);
  // The Sun has no orbit; every moon and the other planets have two.
  EXPECT_EQ(records(0).size(), 1u);
  int moonsListed = 0, planetsListed = 0;
  for (int i = 0; i < chart_->planetDistanceCount; ++i) {
    const PlanetDistance& rec = chart_->planetDistances[i];
    CPlanet* p = world_.database().getSolarSystemObject(static_cast<int>(rec.index));
    if (rec.flag != 0) continue;
    if (p->getType() == kTypeMoon && p->getParentIndex() != 0) ++moonsListed;
    if (p->getType() == kTypePlanet && p->getBodyNumber() >= 1) ++planetsListed;
  }
  EXPECT_EQ(orbits, 2 * (moonsListed + planetsListed));
  EXPECT_GT(bodies, 0);
}

TEST_F(SolarList, TypeOptionsHideAndTheHomeObjectIsAlwaysListed) {
  chart_->setJulianDate(2454730.0);  // the satellites' epochs
  chart_->showMinorMoons = true;
  chart_->buildSolarSystemDrawList(true);
  EXPECT_TRUE(listed(kTypePlanet, 5));
  EXPECT_TRUE(listed(kTypeMoon, 902));  // Nix: not a major body
  EXPECT_TRUE(listed(kTypeAsteroid, 1));
  EXPECT_TRUE(listed(kTypeSpacecraft, 0));
  EXPECT_FALSE(listed(kTypeComet, 0)) << "outside its elements' year";
  EXPECT_TRUE(listed(kTypeSatellite, 25544));
  EXPECT_TRUE(listed(kTypeSatellite, 8195));

  chart_->showMinorMoons = false;
  chart_->showAsteroids = false;
  chart_->satelliteCategories[5] = false;
  chart_->satelliteCategories[9] = false;
  chart_->buildSolarSystemDrawList(true);
  EXPECT_FALSE(listed(kTypeMoon, 902));
  EXPECT_TRUE(listed(kTypeMoon, 606)) << "Titan is a major body";
  EXPECT_FALSE(listed(kTypeAsteroid, 1));
  EXPECT_TRUE(listed(kTypeSatellite, 25544)) << "category 7 is still shown";
  EXPECT_FALSE(listed(kTypeSatellite, 24208)) << "its only category is hidden";
  EXPECT_TRUE(listed(kTypeSatellite, 8195)) << "in no category: nothing hides it";
  chart_->satelliteCategories[7] = false;
  chart_->buildSolarSystemDrawList(true);
  EXPECT_FALSE(listed(kTypeSatellite, 25544));

  chart_->showSatellites = false;
  chart_->showPlanets = false;
  chart_->buildSolarSystemDrawList(true);
  EXPECT_FALSE(listed(kTypeSatellite, 8195));
  EXPECT_FALSE(listed(kTypeSpacecraft, 0));
  EXPECT_FALSE(listed(kTypePlanet, 0));
  EXPECT_FALSE(listed(kTypeMoon, 301));

  // Home and selected objects pass every option.
  SkyObjectID ceres = world_.reference(body(kTypeAsteroid, 1));
  chart_->setHomeObject(ceres);
  select(kTypePlanet, 6);
  chart_->buildSolarSystemDrawList(true);
  EXPECT_TRUE(listed(kTypeAsteroid, 1));
  EXPECT_TRUE(listed(kTypePlanet, 6));
  EXPECT_EQ(chart_->planetDistanceCount, 2);
  // Highlighted objects pass only while their orbits are shown.
  SkyObjectID mars = world_.reference(body(kTypePlanet, 4));
  chart_->setHighlightedObjects(&mars, 1);
  chart_->buildSolarSystemDrawList(true);
  EXPECT_FALSE(listed(kTypePlanet, 4));
  chart_->showHighlightedObjectOrbits = true;
  chart_->buildSolarSystemDrawList(true);
  EXPECT_EQ(records(indexOf(kTypePlanet, 4)).size(), 3u);
}

// A satellite whose orbit the model refuses at the chart's time (41939,
// decayed: the independent SGP4 refuses it with error 1 from ten days after
// its epoch) has no place, so it is left out, selected or not; at its
// epoch it was still in orbit and is listed.
TEST_F(SolarList, ASatelliteTheModelRefusesIsLeftOut) {
  CSatellite* decayed = world_.satellite(8195);
  ASSERT_NE(decayed, nullptr);
  decayed->setElementSet(mechanics_test::elementsFromLines(
      "1 41939U 98067KZ  18011.28402027  .11925055  12489-4  54124-3 0  9997",
      "2 41939 051.6147 038.9582 0001091 231.1728 128.9202 16.43639489055773"));
  // 2018 January 21, and years later.
  for (double jd : {2458140.0, 2461381.5}) {
    chart_->setJulianDate(jd);
    chart_->buildSolarSystemDrawList(true);
    EXPECT_FALSE(listed(kTypeSatellite, 41939)) << jd;
    EXPECT_TRUE(listed(kTypeSatellite, 25544)) << jd;
    select(kTypeSatellite, 41939);
    chart_->showSelectedObjectOrbit = true;
    chart_->buildSolarSystemDrawList(true);
    EXPECT_TRUE(records(indexOf(kTypeSatellite, 41939)).empty()) << jd;
    chart_->selectObject(nullptr);
    chart_->showSelectedObjectOrbit = false;
    // Nor does the chart turn to it.
    double lon, lat, lon0, lat0;
    chart_->getDisplayCenter(&lon0, &lat0);
    EXPECT_EQ(chart_->getObjectDisplayPosition(decayed, chart_->getDisplayCoordSystem(), &lon, &lat),
              0);
    SkyObjectID id = world_.reference(decayed);
    chart_->centerOnObjectID(&id);
    chart_->getDisplayCenter(&lon, &lat);
    EXPECT_TRUE(lon == lon0 && lat == lat0) << jd;
  }
  chart_->setJulianDate(decayed->getElementEpoch() + 0.1);
  chart_->buildSolarSystemDrawList(true);
  EXPECT_TRUE(listed(kTypeSatellite, 41939));
}

// The least distance product of an orbit from the observer's solar
// distance R: q(q - R) outside it, Q(R - Q) inside it (Q the aphelion);
// an orbit crossing R always passes.
TEST_F(SolarList, FaintAsteroidsAreJudgedFromTheirOrbitsAlone) {
  double R = std::sqrt(chart_->observerPosition[0] * chart_->observerPosition[0] +
                       chart_->observerPosition[1] * chart_->observerPosition[1] +
                       chart_->observerPosition[2] * chart_->observerPosition[2]);
  ASSERT_NEAR(R, 0.9833, 2e-4);  // the Earth near perihelion
  CPlanet* ceres = body(kTypeAsteroid, 1);
  CPlanet* inner = body(kTypeAsteroid, 9002);
  CPlanet* grazer = body(kTypeAsteroid, 9001);
  double ceresLeast = 3.33 + 5 * std::log10(2.5495 * (2.5495 - R));
  double innerLeast = 14 + 5 * std::log10(0.45 * (R - 0.45));
  for (double margin : {-0.01, 0.01}) {
    chart_->planetMagLimitInUse = static_cast<float>(ceresLeast + margin);
    EXPECT_EQ(chart_->isAsteroidTooFaint(ceres), margin < 0) << margin;
    chart_->planetMagLimitInUse = static_cast<float>(innerLeast + margin);
    EXPECT_EQ(chart_->isAsteroidTooFaint(inner), margin < 0) << margin;
  }
  chart_->planetMagLimitInUse = -30;
  EXPECT_FALSE(chart_->isAsteroidTooFaint(grazer));
  // Moons and the list: the limit keeps Ceres out before any place.
  EXPECT_FALSE(chart_->isAsteroidTooFaint(body(kTypeMoon, 301)));
  chart_->planetMagLimitInUse = static_cast<float>(ceresLeast - 0.01);
  chart_->buildSolarSystemDrawList(true);
  EXPECT_FALSE(listed(kTypeAsteroid, 1));
  EXPECT_TRUE(listed(kTypeAsteroid, 9001));
}

TEST_F(SolarList, AFarObserverSeesTheSolarSystemAsOnePoint) {
  SkyObjectID sun;
  CSkyDatabase::setSunObjectID(&sun);
  chart_->setDisplayCoordSystem(1);
  chart_->setHomeObject(sun);
  select(kTypePlanet, 5);
  chart_->setHomePlanetDistance(2000);
  chart_->centerOnObjectID(&sun);
  EXPECT_TRUE(chart_->isSolarSystemInView());
  // 1000 AU at 1e6 AU is 2.3 px on this 10-degree, 400-px chart.
  chart_->setHomePlanetDistance(1e6);
  chart_->centerOnObjectID(&sun);
  EXPECT_FALSE(chart_->isSolarSystemInView());
  chart_->buildSolarSystemDrawList(chart_->isSolarSystemInView());
  ASSERT_EQ(chart_->planetDistanceCount, 2);
  EXPECT_TRUE(listed(kTypePlanet, 0));
  EXPECT_TRUE(listed(kTypePlanet, 5));
}

TEST_F(SolarList, MoonsInsideAnEnlargedGlobeAreLeftOut) {
  chart_->buildSolarSystemDrawList(true);
  EXPECT_TRUE(listed(kTypeMoon, 401));
  // Phobos orbits 2.8 Mars radii out.
  chart_->planetMagnification = 3;
  chart_->buildSolarSystemDrawList(true);
  EXPECT_FALSE(listed(kTypeMoon, 401));
  EXPECT_TRUE(listed(kTypeMoon, 402)) << "Deimos: 6.9 radii";
  // From the Earth's surface its globe keeps its true size for the Moon.
  chart_->planetMagnification = 100;
  chart_->buildSolarSystemDrawList(true);
  EXPECT_TRUE(listed(kTypeMoon, 301));
}

TEST_F(SolarList, SunAndMoonKeepTwelvePointsAndMagnificationsApply) {
  chart_->contentScale = 2;
  chart_->buildSolarSystemDrawList(true);
  CPlanet* sun = body(kTypePlanet, 0);
  CPlanet* moon = body(kTypeMoon, 301);
  CPlanet* mars = body(kTypePlanet, 4);
  auto screen = [&](CPlanet* p) {
    return chart_->radiusForAngle(angularRadius(chart_->getObjectRadius(p), p->getDistance()));
  };
  // At 10 degrees over 400 px the Sun's 0.27 degrees are 10.8 px.
  EXPECT_NEAR(screen(sun), 24.0, 0.01);
  EXPECT_NEAR(screen(moon), 24.0, 0.01);
  chart_->moonMagnification = 4;
  EXPECT_NEAR(chart_->getObjectRadius(moon), 4 * moon->getDiameter() / 299195740.0, 1e-15);
  chart_->planetMagnification = 2;
  EXPECT_NEAR(chart_->getObjectRadius(mars), 2 * mars->getDiameter() / 299195740.0, 1e-15);
  EXPECT_NEAR(screen(sun), 24.0, 0.01) << "the Sun is no planet to magnify";
  // A wide field: the true size is more than 12 points.
  chart_->setDisplayFOV(0.5 * kRadiansPerDegree);
  EXPECT_NEAR(chart_->getObjectRadius(sun), sun->getDiameter() / 299195740.0, 1e-15);

  double d = mars->getDistance(), r = chart_->getObjectRadius(mars);
  EXPECT_NEAR(chart_->limbDistance(mars), std::sqrt(d * d - r * r), 1e-12);
  chart_->planetMagnification = 1e9;
  EXPECT_EQ(chart_->limbDistance(mars), 0.0);
}

}  // namespace
