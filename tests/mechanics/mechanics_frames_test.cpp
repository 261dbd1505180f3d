// CSkyMechanics: construction, the observer on the Earth against ERFA's
// geocentric site under every epoch option, the Earth-fixed frames, the
// home object and its edge cases, and the small geometric helpers.
#include <erfa.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string>

#include "engine/angles.h"
#include "engine/body_geometry.h"
#include "engine/ellipsoid.h"
#include "engine/matrices.h"
#include "mechanics/sky_mechanics.h"
#include "engine/vectors.h"
#include "skydata/planet.h"
#include "skydata/satellite.h"
#include "skydata/sky_database.h"
#include "tests/mechanics/mechanics_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

using mechanics_test::SolarSystemWorld;

constexpr double kMetresPerAU = 149597870000.0;
constexpr double kArcsec = M_PI / 180 / 3600;
constexpr double kWgs72Flattening = kEarthFlattening;

struct Site {
  double lon, lat, height;  // degrees, degrees, metres
};
const Site kSites[] = {{-122.4, 37.8, 20}, {151.2, -33.9, 50}, {18.9, 69.6, 3000},
                       {0, 0, 0}, {-70.4, -24.6, 2635}};

// Epoch options the chart offers: current epoch with nutation, a fixed
// epoch with nutation, and nutation off.
struct EpochOption {
  int current, nutation;
  double fixed;
};
const EpochOption kEpochOptions[] = {{1, 1, 2451545.0}, {0, 1, 2433282.423}, {1, 0, 2451545.0}};

class MechanicsFrames : public ::testing::Test {
 protected:
  MechanicsFrames() : chart(&world.database()) {}
  void place(const Site& s, double jd) {
    chart.setLocation(s.lon * M_PI / 180, s.lat * M_PI / 180, s.height);
    chart.setJulianDate(jd);
  }
  // The site relative to the Earth's centre, AU.
  void site(double out[3]) {
    double earth[3];
    chart.planetState(3, earth, nullptr, chart.dynamicalJulianDate);
    vectorSubtract(chart.observerPosition, earth, out);
  }
  SolarSystemWorld world{mechanics_test::standardExtraBodies()};
  CSkyMechanics chart;
};

TEST_F(MechanicsFrames, NewChartStartsAtJ2000OnTheEarthWithEverySwitchOn) {
  ASSERT_TRUE(world.loaded());
  EXPECT_EQ(chart.julianDate, 2451545.0);
  EXPECT_TRUE(CSkyDatabase::isInvalidSkyObjectID(&chart.homeObjectID));
  EXPECT_EQ(chart.homeObject, nullptr);
  EXPECT_EQ(chart.aberration, 1);
  EXPECT_EQ(chart.lightTime, 1);
  EXPECT_EQ(chart.refraction, 1);
  EXPECT_EQ(chart.properMotion, 1);
  EXPECT_EQ(chart.homePlanetLatitude, 1.5707963267945);
  EXPECT_EQ(chart.homePlanetDistance, 100.0);
  EXPECT_EQ(chart.farThreshold, 1000.0);
  EXPECT_TRUE(std::isinf(chart.lastParentLongitude));
  EXPECT_EQ(chart.observerFar, 0);
  // The observer stands on the Earth about 1 AU from the Sun.
  EXPECT_NEAR(vectorLength(chart.observerPosition), 0.983, 0.001);
}

// The geocentric site and its velocity against ERFA's observer for the same
// UT (UT1 = UTC, no polar motion): they differ by the four-term nutation
// (0.5") and the ellipsoids (a few metres), whatever the epoch options.
TEST_F(MechanicsFrames, SiteAgreesWithErfaUnderEveryEpochOption) {
  int cases = 0;
  double worstPosition = 0, worstVelocity = 0;
  for (double jd = 2444240.5; jd < 2459000; jd += 1234.567) {
    for (const Site& s : kSites) {
      eraASTROM astrom;
      double eo;
      ASSERT_EQ(eraApco13(jd, 0, 0, s.lon * M_PI / 180, s.lat * M_PI / 180, s.height, 0, 0,
                          0, 0, 0, 0, &astrom, &eo), 0);
      double tai1, tai2, tt1, tt2, pvh[2][3], pvb[2][3];
      eraUtctai(jd, 0, &tai1, &tai2);
      eraTaitt(tai1, tai2, &tt1, &tt2);
      eraEpv00(tt1, tt2, pvh, pvb);
      double theirs[3], theirVelocity[3];
      eraPmp(astrom.eb, pvb[0], theirs);
      for (int k = 0; k < 3; ++k)
        theirVelocity[k] = astrom.v[k] / kLightTimeDaysPerAU - pvb[1][k];
      for (const EpochOption& option : kEpochOptions) {
        chart.setEpoch(option.current, option.nutation, option.fixed);
        place(s, jd);
        double ours[3], earthVelocity[3], scratch[3], ourVelocity[3];
        site(ours);
        chart.planetState(3, scratch, earthVelocity, chart.dynamicalJulianDate);
        for (int k = 0; k < 3; ++k)
          ourVelocity[k] = chart.observerVelocity[k] / kLightTimeDaysPerAU - earthVelocity[k];
        worstPosition = std::max(worstPosition, vectorDistance(ours, theirs) * kMetresPerAU);
        worstVelocity = std::max(worstVelocity,
                                 vectorDistance(ourVelocity, theirVelocity) * kMetresPerAU / 86400);
        ++cases;
      }
    }
  }
  EXPECT_GT(cases, 100);
  EXPECT_LT(worstPosition, 20.0);
  EXPECT_LT(worstVelocity, 0.01);
  std::printf("site: worst %.2f m, velocity %.4f m/s over %d cases\n", worstPosition,
              worstVelocity, cases);
}

// The horizon's zenith is the site's ellipsoid normal, turned into the
// working frame by the Earth's orientation, under every epoch option that
// keeps the true equator (with nutation off the horizon is the mean one).
TEST_F(MechanicsFrames, ZenithIsTheSiteNormalWhateverTheEpoch) {
  for (double jd : {2451545.0, 2458849.5 + 0.3, 2460000.75}) {
    for (const EpochOption& option : kEpochOptions) {
      chart.setEpoch(option.current, option.nutation, option.fixed);
      place(kSites[2], jd);
      double zenith[3] = {0, 0, 1}, normal[3], earth[9];
      chart.horizonToFundamental(zenith, zenith);
      ASSERT_TRUE(chart.computeBodyOrientation(world.body(30, 3), earth, false));
      sphericalToVector(normal, chart.longitude, chart.latitude, 1);
      transposeTimesVector(earth, normal);
      const double limit = option.nutation ? 1e-9 : 20 * kArcsec;
      EXPECT_LT(vectorSeparation(zenith, normal), limit) << jd << " " << option.current;
    }
  }
}

// The Earth's orientation takes the site back into Earth-fixed axes, where
// it lies at its geodetic place; the Earth turns with apparent sidereal time
// of UT (a dynamical time would turn it 0.29 degrees too far).
TEST_F(MechanicsFrames, EarthOrientationCarriesTheSiteToItsGeodeticPlace) {
  for (double jd : {2451545.0, 2455000.25, 2460310.9}) {
    place(kSites[0], jd);
    double here[3], fixed[3], earth[9];
    site(here);
    ASSERT_TRUE(chart.computeBodyOrientation(world.body(30, 3), earth, false));
    matrixTimesVector(earth, here);
    geodeticToRectangular(&fixed[0], &fixed[1], &fixed[2], chart.longitude, chart.latitude,
                          chart.altitude / kMetresPerAU, kEarthEquatorialRadiusAU,
                          kWgs72Flattening);
    EXPECT_LT(vectorDistance(here, fixed) * kMetresPerAU, 0.01) << jd;
    // Against ERFA's celestial-to-terrestrial matrix: the four-term
    // nutation again.
    double tai1, tai2, tt1, tt2, rc2t[3][3], theirs[3];
    site(here);
    eraUtctai(jd, 0, &tai1, &tai2);
    eraTaitt(tai1, tai2, &tt1, &tt2);
    eraC2t06a(tt1, tt2, jd, 0, 0, 0, rc2t);
    eraRxp(rc2t, here, theirs);
    EXPECT_LT(vectorDistance(theirs, fixed) * kMetresPerAU, 20.0) << jd;
  }
}

TEST_F(MechanicsFrames, GeographicCoordinatesInvertTheSite) {
  for (const Site& s : kSites) {
    place(s, 2458000.3);
    double here[3], lon, lat, height;
    site(here);
    chart.vectorToGeographic(here, &lon, &lat, &height);
    EXPECT_NEAR(lon, normalizeRadiansSigned(s.lon * M_PI / 180), 1e-11);
    EXPECT_NEAR(lat, s.lat * M_PI / 180, 1e-11);
    EXPECT_NEAR(height * kMetresPerAU, s.height, 0.001);
  }
}

// With a planet as home and the horizon system, the observer stands on the
// planet at the site's longitude and latitude, the altitude above its
// radius; the horizon's zenith points away from the planet's centre.
TEST_F(MechanicsFrames, ObserverOnAPlanetStandsOnItsSurface) {
  chart.setLocation(1.0, 0.5, 5000);
  chart.setJulianDate(2459000.5);
  CPlanet* mars = world.body(30, 4);
  chart.setHomeObject(world.reference(mars));
  ASSERT_EQ(chart.homeObject, mars);
  chart.setLocation(1.0, 0.5, 5000);
  double fromCentre[3], orientation[9];
  vectorSubtract(chart.observerPosition, mars->getHeliocentricPosition(nullptr), fromCentre);
  const double radius = mars->getDiameter() / 2 + 5.0;
  EXPECT_NEAR(vectorLength(fromCentre) * kAstronomicalUnitKm, radius, 1e-6);
  ASSERT_TRUE(chart.computeBodyOrientation(mars, orientation, false));
  double local[3], lon, lat;
  vectorCopy(local, fromCentre);
  matrixTimesVector(orientation, local);
  vectorToSpherical(local, &lon, &lat, nullptr);
  EXPECT_NEAR(lon, 1.0, 1e-11);
  EXPECT_NEAR(lat, 0.5, 1e-11);
  double zenith[3] = {0, 0, 1};
  chart.horizonToFundamental(zenith, zenith);
  vectorNormalize(fromCentre);
  EXPECT_LT(vectorSeparation(zenith, fromCentre), 1e-11);
}

// Changing the display system converts the home-planet place, so the
// observer stays where it was; following the parent then goes on from the
// converted place as if the chart had been in the new system all along
// (the parent's remembered direction is converted too: left in the old
// system, the next step would read the change of system as motion).
TEST_F(MechanicsFrames, ChangingTheCoordinateSystemKeepsTheObserverInPlace) {
  CPlanet* moon = world.body(31, 301);
  CSkyMechanics changed(&world.database());
  changed.setDisplayCoordSystem(kCoordEcliptic);
  changed.setJulianDate(2459000.5);
  changed.setHomeObject(world.reference(moon));
  changed.setHomePlanetPosition(0.3, 0.2, 0.001);
  double before[3];
  vectorCopy(before, changed.observerPosition);
  changed.setDisplayCoordSystem(kCoordEquatorial);
  changed.setLocation(changed.longitude, changed.latitude, changed.altitude);
  EXPECT_LT(vectorDistance(before, changed.observerPosition) * kMetresPerAU, 1e-3);
  EXPECT_GT(std::fabs(changed.homePlanetLongitude - 0.3), 0.01);

  CSkyMechanics always(&world.database());
  always.setDisplayCoordSystem(kCoordEquatorial);
  always.setJulianDate(2459000.5);
  always.setHomeObject(world.reference(moon));
  always.setHomePlanetPosition(changed.homePlanetLongitude, changed.homePlanetLatitude,
                               changed.homePlanetDistance);
  EXPECT_LT(vectorDistance(always.observerPosition, changed.observerPosition) * kMetresPerAU,
            1e-3);
  changed.setJulianDate(2459001.5);
  always.setJulianDate(2459001.5);
  EXPECT_NEAR(changed.homePlanetLongitude, always.homePlanetLongitude, 1e-12);
  EXPECT_LT(vectorDistance(always.observerPosition, changed.observerPosition) * kMetresPerAU,
            1e-3);
}

// Following the parent: the first set-up after a home change only records
// the parent's direction; later steps turn the observer with the home
// object's motion about its parent, so the angle home-parent-observer seen
// from the home object stays.
TEST_F(MechanicsFrames, FollowingTheParentKeepsTheParentsBearing) {
  CPlanet* moon = world.body(31, 301);
  CPlanet* earth = world.body(30, 3);
  chart.setDisplayCoordSystem(kCoordEcliptic);
  chart.setJulianDate(2459000.5);
  chart.setHomeObject(world.reference(moon));
  chart.setHomePlanetPosition(0.0, 0.0, 0.0001);
  const double longitude = chart.homePlanetLongitude;
  EXPECT_EQ(longitude, 0.0);
  EXPECT_TRUE(std::isfinite(chart.lastParentLongitude));
  auto bearing = [&]() {
    double toObserver[3], toParent[3];
    vectorSubtract(chart.observerPosition, moon->getHeliocentricPosition(nullptr), toObserver);
    chart.objectPositionAt(earth, toParent, nullptr, chart.dynamicalJulianDate);
    vectorSubtract(toParent, moon->getHeliocentricPosition(nullptr), toParent);
    return vectorAngle(toObserver, toParent);
  };
  const double first = bearing();
  for (int day = 1; day <= 10; ++day) {
    chart.setJulianDate(2459000.5 + day);
    EXPECT_NEAR(bearing(), first, 0.1) << day;  // the Moon's 5-degree tilt aside
  }
  EXPECT_NE(chart.homePlanetLongitude, longitude);
  chart.followHomePlanet = 0;
  const double held = chart.homePlanetLongitude;
  chart.setJulianDate(2459020.5);
  EXPECT_EQ(chart.homePlanetLongitude, held);
}

TEST_F(MechanicsFrames, UnresolvableOrInvalidHomeFallsBackToTheEarth) {
  chart.setJulianDate(2459000.5);
  double onEarth[3];
  vectorCopy(onEarth, chart.observerPosition);
  SkyObjectID missing = world.reference(world.body(30, 5));
  missing.index = 9999;
  chart.setHomeObject(missing);
  EXPECT_EQ(chart.homeObject, nullptr);
  EXPECT_TRUE(CSkyDatabase::isInvalidSkyObjectID(&chart.homeObjectID));
  chart.setLocation(chart.longitude, chart.latitude, chart.altitude);
  EXPECT_EQ(vectorDistance(onEarth, chart.observerPosition), 0.0);
  chart.setHomeObject(SkyObjectID{});
  EXPECT_EQ(chart.homeObject, nullptr);
}

// Flying to an object keeps the observer in place; from 2000 AU the
// observer is far.
TEST_F(MechanicsFrames, HomeChangeKeepsThePlaceAndFarObserverSetsTheFlag) {
  chart.setDisplayCoordSystem(kCoordEcliptic);
  chart.setJulianDate(2459000.5);
  double before[3];
  vectorCopy(before, chart.observerPosition);
  chart.setHomeObjectKeepingPosition(world.reference(world.body(30, 5)));
  EXPECT_LT(vectorDistance(before, chart.observerPosition) * kMetresPerAU, 1e-3);
  EXPECT_NEAR(chart.homePlanetDistance, 4.5, 1.0);  // the Earth to Jupiter, 2020
  // The first set-up after the change only recorded the parent's direction.
  EXPECT_TRUE(std::isfinite(chart.lastParentLongitude));

  chart.setHomeObject(world.reference(world.body(30, 0)));
  chart.setHomePlanetPosition(1.0, 0.2, 2000.0);
  EXPECT_NEAR(vectorLength(chart.observerPosition), 2000.0, 1e-9);
  EXPECT_EQ(chart.observerFar, 1);
  chart.setHomePlanetDistance(999.0);
  EXPECT_EQ(chart.observerFar, 0);
}

// A satellite as home with the horizon system: the horizon is the local one
// below the satellite.
TEST(MechanicsHome, SatelliteHomeTakesTheHorizonBelowIt) {
  mechanics_test::SatelliteRecord iss;
  iss.elements = mechanics_test::elementsFromLines(mechanics_test::kIssLines[0],
                                                   mechanics_test::kIssLines[1]);
  SolarSystemWorld world({}, {iss});
  CSkyMechanics chart(&world.database());
  chart.setJulianDate(2454730.0);
  CSatellite* satellite = world.satellite(25544);
  ASSERT_NE(satellite, nullptr);
  chart.setHomeObject(world.reference(satellite));
  chart.setHomePlanetPosition(0, 0, 0);
  double zenith[3] = {0, 0, 1}, below[3], earth[3], lon, lat;
  chart.horizonToFundamental(zenith, zenith);
  chart.planetState(3, earth, nullptr, chart.dynamicalJulianDate);
  vectorSubtract(satellite->getHeliocentricPosition(nullptr), earth, below);
  chart.vectorToGeographic(below, &lon, &lat, nullptr);
  double normal[3], orientation[9];
  sphericalToVector(normal, lon, lat, 1);
  ASSERT_TRUE(chart.computeBodyOrientation(world.body(30, 3), orientation, false));
  transposeTimesVector(orientation, normal);
  EXPECT_LT(vectorSeparation(zenith, normal), 1e-9);
  EXPECT_LT(vectorDistance(chart.observerPosition, satellite->getHeliocentricPosition(nullptr)),
            1e-15);
}

TEST(MechanicsEphemeris, OpensNothingWithoutADirectoryOrAFile) {
  SolarSystemWorld world;
  CSkyMechanics chart(&world.database());
  EXPECT_FALSE(chart.openEphemerisForDate(2451545.0));
  tessaly::test::TempDir dir;
  std::snprintf(chart.ephemerisDirectory, sizeof chart.ephemerisDirectory, "%s/",
                dir.path().string().c_str());
  EXPECT_FALSE(chart.openEphemerisForDate(2451545.0));
  // A directory filling the whole field, unterminated: bounded, no file.
  std::memset(chart.ephemerisDirectory, 'x', sizeof chart.ephemerisDirectory);
  EXPECT_FALSE(chart.openEphemerisForDate(2451545.0));
  EXPECT_EQ(chart.ephemeris, nullptr);
}

TEST(RaySphere, NearCrossingClosestPointAndMisses) {
  const double centre[3] = {10, 0, 0}, origin[3] = {0, 0, 0};
  const double ahead[3] = {1, 0, 0}, behind[3] = {-1, 0, 0};
  double nearDistance = -1, closest = -1;
  EXPECT_TRUE(raySphereIntersect(centre, origin, ahead, &nearDistance, &closest, 2));
  EXPECT_DOUBLE_EQ(nearDistance, 8);
  EXPECT_DOUBLE_EQ(closest, 10);
  EXPECT_FALSE(raySphereIntersect(centre, origin, behind, &nearDistance, &closest, 2));
  EXPECT_EQ(closest, 0);
  const double skew[3] = {std::cos(0.3), std::sin(0.3), 0};  // passes 2.96 from the centre
  EXPECT_FALSE(raySphereIntersect(centre, origin, skew, &nearDistance, &closest, 2.9));
  EXPECT_NEAR(closest, 10 * std::cos(0.3), 1e-12);
  EXPECT_TRUE(raySphereIntersect(centre, origin, skew, &nearDistance, nullptr, 3.0));
  const double inside[3] = {9.5, 0, 0};
  EXPECT_TRUE(raySphereIntersect(centre, inside, behind, &nearDistance, nullptr, 2));
  EXPECT_EQ(nearDistance, 0);
}

TEST(FlattenedDot, StretchesTheBodyZAxis) {
  const double direction[3] = {0, 0, 1};
  const double point[3] = {1, 0, 1};
  EXPECT_DOUBLE_EQ(flattenedDirectionDot(direction, point, 0), 1.0);
  // z / (1 - 0.5) = 2: the normal (1, 0, 2) / sqrt 5.
  EXPECT_NEAR(flattenedDirectionDot(direction, point, 0.5), 2 / std::sqrt(5.0), 1e-15);
}

}  // namespace
