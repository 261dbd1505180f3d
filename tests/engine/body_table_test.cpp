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

TEST_F(BodyTable, TellingRows) {
  const BodyTableRow* sun = bodyTableRow(0);
  ASSERT_NE(sun, nullptr);
  EXPECT_FLOAT_EQ(sun->radius, 695500.0f);
  EXPECT_FLOAT_EQ(sun->absoluteMagnitude, -26.74f);
  EXPECT_DOUBLE_EQ(sun->rotationRate, 14.1843971631206);
  EXPECT_FLOAT_EQ(sun->poleDec, 66.561f);

  const BodyTableRow* mercury = bodyTableRow(1);
  EXPECT_DOUBLE_EQ(mercury->semiMajorAxis, 0.38709927);
  EXPECT_NEAR(mercury->argumentOfPeriapsis, 29.12703, 1e-4);
  EXPECT_NEAR(mercury->meanAnomaly, 174.7925, 1e-4);
  EXPECT_NEAR(mercury->meanMotion, 4.09233439109815, 1e-12);
  EXPECT_NEAR(mercury->periapsisRate, 0.00285817706, 1e-10);
  EXPECT_NEAR(mercury->nodeRate, -0.001253408147, 1e-10);

  const BodyTableRow* moon = bodyTableRow(301);
  EXPECT_EQ(moon->parent, 3);
  EXPECT_DOUBLE_EQ(moon->semiMajorAxis, 384400.0);
  EXPECT_DOUBLE_EQ(moon->meanMotion, 13.06499544);
  EXPECT_FLOAT_EQ(moon->periapsisRate, 60.03f);
  EXPECT_FLOAT_EQ(moon->nodeRate, -19.3548f);

  const BodyTableRow* phobos = bodyTableRow(401);
  EXPECT_DOUBLE_EQ(phobos->epoch, 2433283.0);
  EXPECT_DOUBLE_EQ(phobos->meanMotion, 1128.409545);
  EXPECT_FLOAT_EQ(phobos->poleRA, 317.671f);
  EXPECT_FLOAT_EQ(phobos->poleDec, 52.893f);

  const BodyTableRow* styx = bodyTableRow(905);
  EXPECT_DOUBLE_EQ(styx->semiMajorAxis, 42393.0);
  EXPECT_FLOAT_EQ(styx->poleRA, 133.0514f);
  EXPECT_FLOAT_EQ(styx->poleDec, -6.17674f);
}

// Kepler's third law with the published masses of the planets (GM, km^3/s^2)
// checks every moon's semi-major axis against its mean motion.
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
    EXPECT_NEAR(a / row.semiMajorAxis, 1.0, 0.03) << row.names[0];
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
