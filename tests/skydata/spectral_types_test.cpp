#include "skydata/spectral_types.h"

#include <gtest/gtest.h>

namespace {

TEST(SpectralTypes, ClassAndLuminosityCodesOfTypeTexts) {
  EXPECT_EQ(spectralClassCode("G2V"), 52);
  EXPECT_EQ(spectralClassCode("K0III"), 60);
  EXPECT_EQ(spectralClassCode("M"), 70);
  EXPECT_EQ(spectralClassCode("W"), 0);
  EXPECT_EQ(spectralClassCode("C5,4"), 115);
  EXPECT_EQ(spectralClassCode("kA2hF0mF2"), 32);  // the first class letter counts
  EXPECT_EQ(spectralClassCode("xyz"), 0);
  EXPECT_EQ(spectralClassCode(nullptr), 0);
  EXPECT_EQ(luminosityClassCode("G2V"), 8);
  EXPECT_EQ(luminosityClassCode("K0III"), 6);
  EXPECT_EQ(luminosityClassCode("K0II"), 5);
  EXPECT_EQ(luminosityClassCode("B1Iab"), 3);
  EXPECT_EQ(luminosityClassCode("B1Ia"), 2);
  EXPECT_EQ(luminosityClassCode("M2Ib"), 4);
  EXPECT_EQ(luminosityClassCode("F5IV"), 7);
  EXPECT_EQ(luminosityClassCode("dM4"), 8);
  EXPECT_EQ(luminosityClassCode("gK0"), 6);
  EXPECT_EQ(luminosityClassCode("A0"), 0);
  EXPECT_EQ(luminosityClassCode("I"), 2);
  int c = -1, l = -1;
  EXPECT_TRUE(parseSpectralType("G2V", &c, &l));
  EXPECT_EQ(c, 52);
  EXPECT_EQ(l, 8);
  EXPECT_FALSE(parseSpectralType("WN7", &c, &l));  // Wolf-Rayet without a class digit
  EXPECT_FALSE(parseSpectralType("A0", nullptr, nullptr));
}

TEST(SpectralTypes, PropertiesInterpolateWithinALuminosityGroup) {
  double m, bv, t, bc, mass;
  ASSERT_TRUE(spectralClassProperties(52, 8, &m, &bv, &t, &bc, &mass));
  EXPECT_DOUBLE_EQ(t, 5790);
  EXPECT_FLOAT_EQ(m, 4.7f);
  EXPECT_FLOAT_EQ(mass, 1.0f);
  ASSERT_TRUE(spectralClassProperties(51, 8, nullptr, nullptr, &t, nullptr, nullptr));
  EXPECT_DOUBLE_EQ(t, 5865);  // halfway between G0 and G2
  ASSERT_TRUE(spectralClassProperties(51, 8, &m, &bv, nullptr, &bc, &mass));
  EXPECT_NEAR(m, (4.4 + 4.7) / 2, 1e-6);
  EXPECT_NEAR(bv, (0.58 + 0.63) / 2, 1e-6);
  ASSERT_TRUE(spectralClassProperties(52, 7, nullptr, nullptr, &t, nullptr, nullptr));
  EXPECT_DOUBLE_EQ(t, 5790);  // IV is looked up as V
  ASSERT_TRUE(spectralClassProperties(52, 2, nullptr, nullptr, &t, nullptr, nullptr));
  EXPECT_DOUBLE_EQ(t, 5190);  // Ia is looked up as Iab
  ASSERT_TRUE(spectralClassProperties(51, 5, nullptr, nullptr, &t, nullptr, nullptr));
  EXPECT_DOUBLE_EQ(t, 5850);  // II falls on the giant rows without interpolation
  ASSERT_TRUE(spectralClassProperties(75, 8, nullptr, nullptr, &t, nullptr, nullptr));
  EXPECT_DOUBLE_EQ(t, 3170);  // the last row of the table
  EXPECT_FALSE(spectralClassProperties(76, 8, nullptr, nullptr, &t, nullptr, nullptr));
  EXPECT_FALSE(spectralClassProperties(12, 8, nullptr, nullptr, &t, nullptr, nullptr));
  EXPECT_FALSE(spectralClassProperties(76, 6, nullptr, nullptr, &t, nullptr, nullptr));
  int row;
  double f;
  ASSERT_TRUE(findSpectralClassRow(15, 3, &row, &f));
  EXPECT_EQ(row, 0);
  EXPECT_EQ(f, 0.0);
  EXPECT_FALSE(findSpectralClassRow(10, 3, &row, &f));
}

TEST(SpectralTypes, TableIsGroupedAndSorted) {
  ASSERT_EQ(kSpectralClassTableSize, 59);
  for (int i = 1; i < kSpectralClassTableSize; ++i) {
    const auto& a = kSpectralClassTable[i - 1];
    const auto& b = kSpectralClassTable[i];
    ASSERT_TRUE(a.luminosityCode < b.luminosityCode ||
                (a.luminosityCode == b.luminosityCode && a.classCode < b.classCode))
        << i;
  }
}

}  // namespace
