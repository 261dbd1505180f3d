// The body table's rows, identifier index and text lookups, and the
// surface-feature types.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>

#include "engine/body_table.h"

namespace {

class BodyTable : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { buildBodyIndex(); }
};

TEST_F(BodyTable, RowsAreInIdentifierOrderWithConsistentParents) {
  std::set<int> seen;
  for (int r = 0; r < kBodyTableRows; ++r) {
    const BodyTableRow& row = kBodyTable[r];
    if (r > 0) {
      EXPECT_LT(kBodyTable[r - 1].identifier, row.identifier);
    }
    EXPECT_EQ(bodyRowIndex(row.identifier), r);
    const int id = row.identifier;
    if (id < 10) {
      EXPECT_EQ(row.parent, 0) << id;
      EXPECT_STREQ(row.numeral, "") << id;
    } else {
      EXPECT_EQ(row.parent, id / 100) << id;
      EXPECT_LT(row.eccentricity, 1.0f) << id;
      EXPECT_GT(row.meanMotion, 0.0) << id;
    }
    for (const char* name : row.names) EXPECT_GT(std::strlen(name), 0u) << id;
  }
  EXPECT_EQ(bodyRowIndex(10), -1);
  EXPECT_EQ(bodyRowIndex(568), -1);
  EXPECT_EQ(bodyRowIndex(906), -1);
  EXPECT_EQ(bodyRowIndex(-1), -1);
}

TEST_F(BodyTable, TextFieldsByLanguage) {
  EXPECT_STREQ(bodyTableField(905, 0), "Styx");
  EXPECT_STREQ(bodyTableField(905, 5), "S/2012 P 1");
  EXPECT_STREQ(bodyTableField(905, 6), "V");
  EXPECT_STREQ(bodyTableField(301, 3), "Mond");
  EXPECT_STREQ(bodyTableField(5, 4), "Giove");
  EXPECT_STREQ(bodyTableField(514, 5), "S/1979 J 2");
  EXPECT_EQ(bodyTableField(906, 0), nullptr);
  EXPECT_EQ(bodyTableField(10, 0), nullptr);
  EXPECT_EQ(bodyTableField(568, 0), nullptr);
  EXPECT_EQ(bodyTableField(905, 7), nullptr);
}

// Rows against the published sources the table is built from, through the
// relations the table states (the mean motion is the rate of the mean
// anomaly; rates per Julian year), not against copies of its own numbers.
TEST_F(BodyTable, TellingRowsFollowTheirPublishedSources) {
  const BodyTableRow* sun = bodyTableRow(0);
  ASSERT_NE(sun, nullptr);
  EXPECT_FLOAT_EQ(sun->radius, 695500.0f);          // Allen's Astrophysical Quantities
  EXPECT_FLOAT_EQ(sun->absoluteMagnitude, -26.74f);  // V at 1 AU
  // The sidereal (Carrington) rotation period of 25.38 days.
  EXPECT_NEAR(sun->rotationRate, 360.0 / 25.38, 1e-12);
  // The pole of the J2000 ecliptic: 90 degrees less the obliquity
  // 23.4392911 (IAU 1976), as stored to three decimals.
  EXPECT_FLOAT_EQ(sun->poleRA, 270.0f);
  EXPECT_NEAR(sun->poleDec, 90.0 - 23.4392911, 5e-4);

  // Mercury from Standish's elements at J2000 and their rates per century
  // (a, L, varpi, Omega: 0.38709927, 252.25032350, 77.45779628, 48.33076593;
  // L' 149472.67411175, varpi' 0.16047689, Omega' -0.12534081).
  const BodyTableRow* mercury = bodyTableRow(1);
  EXPECT_DOUBLE_EQ(mercury->semiMajorAxis, 0.38709927);
  EXPECT_NEAR(mercury->argumentOfPeriapsis, 77.45779628 - 48.33076593, 1e-5);
  EXPECT_NEAR(mercury->node, 48.33076593, 1e-5);
  EXPECT_NEAR(mercury->meanAnomaly, 252.25032350 - 77.45779628, 1e-5);
  EXPECT_NEAR(mercury->meanMotion, (149472.67411175 - 0.16047689) / 36525.0, 1e-12);
  EXPECT_NEAR(mercury->periapsisRate, (0.16047689 + 0.12534081) / 100.0, 1e-10);
  EXPECT_NEAR(mercury->nodeRate, -0.12534081 / 100.0, 1e-10);

  // The Moon from JPL's satellite mean elements: a 384400 km, n 13.176358
  // deg/day (mean longitude), apsidal period 5.997 years, nodal 18.600.
  const BodyTableRow* moon = bodyTableRow(301);
  EXPECT_EQ(moon->parent, 3);
  EXPECT_DOUBLE_EQ(moon->semiMajorAxis, 384400.0);
  const double apsidalRate = 360.0 / 5.997, nodalRate = -360.0 / 18.600;
  EXPECT_NEAR(moon->periapsisRate, apsidalRate, 1e-3);
  EXPECT_NEAR(moon->nodeRate, nodalRate, 1e-3);
  EXPECT_NEAR(moon->meanMotion, 13.176358 - (apsidalRate + nodalRate) / 365.25, 1e-5);

  // Phobos: JPL's elements at 1950 January 1.5 TT, n 1128.8447569 deg/day,
  // apsidal and nodal periods 1.131 and 2.262 years, on the Laplace plane
  // whose pole is RA 317.671, Dec 52.893.
  const BodyTableRow* phobos = bodyTableRow(401);
  EXPECT_DOUBLE_EQ(phobos->epoch, 2433282.5 + 0.5);
  EXPECT_NEAR(phobos->meanMotion,
              1128.8447569 - (360.0 / 1.131 - 360.0 / 2.262) / 365.25, 1e-3);
  EXPECT_FLOAT_EQ(phobos->poleRA, 317.671f);
  EXPECT_FLOAT_EQ(phobos->poleDec, 52.893f);

  // Styx's elements are referred to Pluto's equator: the table's pole lies
  // within a tenth of a degree of the IAU pole of Pluto, RA 132.993,
  // Dec -6.163 (Archinal et al. 2018). (Its axis is checked with the other
  // moons' by Kepler's third law below.)
  const BodyTableRow* styx = bodyTableRow(905);
  EXPECT_NEAR(styx->poleRA, 132.993, 0.1);
  EXPECT_NEAR(styx->poleDec, -6.163, 0.02);
}

// Kepler's third law with the published masses of the planets (GM, km^3/s^2)
// checks every moon's semi-major axis against its mean motion. The moons
// placed from osculating elements keep their osculating axis with the mean
// motion: the Sun's pull moves an outer irregular moon's by several per
// cent (Carme's is 4 % short of the mean), Charon's moves Styx's by 3 %.
TEST_F(BodyTable, MoonOrbitsObeyKeplersThirdLaw) {
  auto parentGm = [](int id) {
    switch (id / 100) {
      case 3: return 398600.435 + 4902.8;
      case 4: return 42828.37;
      case 5: return 126686534.0;
      case 6: return 37931187.0;
      case 7: return 5793939.0;
      case 8: return 6836529.0;
      default: return 869.6 + 105.9;  // Pluto and Charon together
    }
  };
  for (int r = 0; r < kBodyTableRows; ++r) {
    const BodyTableRow& row = kBodyTable[r];
    if (row.identifier < 100) continue;
    double gm = parentGm(row.identifier);
    if (row.identifier == 901) gm = 869.6 + 105.9;
    const double longitudeRate =
        row.meanMotion + (row.periapsisRate + row.nodeRate) / 365.25;
    const double n = longitudeRate * M_PI / 180.0 / 86400.0;
    const double a = std::cbrt(gm / (n * n));
    EXPECT_NEAR(a / row.semiMajorAxis, 1.0, 0.05) << row.names[0];
  }
}

TEST(SurfaceFeatureTypes, NamesAndDescriptions) {
  EXPECT_STREQ(surfaceFeatureTypeName(100), "City");
  EXPECT_STREQ(surfaceFeatureTypeName(57), "");
  EXPECT_STREQ(surfaceFeatureTypeDescription(57), "");
  EXPECT_STREQ(surfaceFeatureTypeName(56), "Virga");
  EXPECT_STREQ(surfaceFeatureTypeDescription(1),
               "Geographic area distinguished by amount of reflected light");
  EXPECT_STREQ(surfaceFeatureTypeDescription(25),
               "Lunar feature at or near Apollo landing site");
  EXPECT_STREQ(surfaceFeatureTypeDescription(103), "Manned spacecraft landing site");
  int named = 0;
  for (std::uint32_t type = 0; type < 200; ++type)
    if (*surfaceFeatureTypeName(type)) ++named;
  EXPECT_EQ(named, 60);
}

}  // namespace
