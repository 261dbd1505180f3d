// Angle reduction, DMS splitting, separations and position angles, checked
// against ERFA where it has the same quantity.
#include "engine/angles.h"

#include <erfa.h>
#include <erfam.h>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>

#include "engine/vectors.h"

namespace {

TEST(Atan2, QuadrantsAndAxes) {
  EXPECT_EQ(positiveAtan2(0, 0), 0.0);
  EXPECT_EQ(positiveAtan2(1, 0), 1.5707963267945);
  EXPECT_EQ(positiveAtan2(-1, 0), 4.7123889803835);
  double a = positiveAtan2(-1, -1);
  EXPECT_GT(a, kPi);
  EXPECT_LT(a, kTwoPi);
  // Away from the axes it is ERFA's normalised atan2 up to the truncated 2pi.
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> u(-5, 5);
  for (int i = 0; i < 1000; ++i) {
    double y = u(rng), x = u(rng);
    EXPECT_NEAR(positiveAtan2(y, x), eraAnp(std::atan2(y, x)), 1e-11);
  }
}

TEST(Normalize, RangesAndTruncatedConstants) {
  EXPECT_EQ(normalizeRadiansSigned(3.141592653589), 3.141592653589);
  EXPECT_EQ(normalizeRadiansSigned(4.0), 4.0 - 6.283185307178);
  EXPECT_DOUBLE_EQ(normalizeHours(-1.5), 22.5);
  EXPECT_DOUBLE_EQ(normalizeDegrees(725.0), 5.0);
  // A tiny negative angle must not round up onto the end of the range.
  EXPECT_LT(normalizeRadians(-1e-20), kTwoPi);
  EXPECT_LT(normalizeDegrees(-1e-20), 360.0);
  EXPECT_GE(normalizeRadians(-1e-20), 0.0);
  for (double x = -100.0; x < 100.0; x += 0.37) {
    double r = normalizeRadians(x);
    EXPECT_GE(r, 0.0);
    EXPECT_LT(r, kTwoPi);
    double s = normalizeRadiansSigned(x);
    EXPECT_GT(s, -kPi);
    EXPECT_LE(s, kPi);
  }
}

TEST(Dms, SplitsAndJoins) {
  char sign;
  int d, m;
  double s;
  decimalToDMS(-0.5, &sign, &d, &m, &s);
  EXPECT_EQ(sign, '-');
  EXPECT_EQ(d, 0);
  EXPECT_EQ(m, 30);
  EXPECT_EQ(s, 0.0);
  EXPECT_EQ(dmsToDecimal(-12, 30, 0, '+'), 12.5);
  EXPECT_EQ(dmsToDecimal(12, 30, 0, '-'), -12.5);

  // Round trip and agreement with ERFA's sexagesimal conversion.
  for (double v = -359.9; v < 360; v += 7.123456789) {
    decimalToDMS(v, &sign, &d, &m, &s);
    EXPECT_GE(m, 0);
    EXPECT_LT(m, 60);
    EXPECT_GE(s, 0.0);
    EXPECT_LT(s, 60.0 + 1e-9);
    EXPECT_NEAR(dmsToDecimal(d, m, s, sign), v, 1e-12);
    double rad;
    ASSERT_EQ(eraAf2a(sign, d, m, s, &rad), 0);
    EXPECT_NEAR(rad * ERFA_DR2D, v, 1e-12);
  }
  double minutes;
  decimalToDM(-10.25, &sign, &d, &minutes);
  EXPECT_EQ(sign, '-');
  EXPECT_EQ(d, 10);
  EXPECT_DOUBLE_EQ(minutes, 15.0);
}

TEST(Dms, LargeValuesDoNotWrap) {
  // Through 16-bit integers these came back as 70000 - 65536 degrees.
  EXPECT_EQ(dmsToDecimal(70000, 0, 0, '+'), 70000.0);
  EXPECT_EQ(dmsToDecimal(INT_MIN, 0, 0, '+'), 2147483648.0);
  char sign;
  int d, m;
  double s;
  decimalToDMS(-70000.75, &sign, &d, &m, &s);
  EXPECT_EQ(sign, '-');
  EXPECT_EQ(d, 70000);
  EXPECT_EQ(m, 45);
  decimalToDMS(1e300, &sign, &d, &m, &s);
  EXPECT_EQ(d, INT_MAX);
  EXPECT_EQ(m, 0);
  EXPECT_EQ(s, 0.0);
  decimalToDMS(NAN, &sign, &d, &m, &s);
  EXPECT_EQ(d, 0);
  decimalToDMS(12.5, nullptr, nullptr, nullptr, nullptr);  // outputs optional
}

TEST(Separation, AgreesWithErfa) {
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> lon(0, kTwoPi), lat(-1.5, 1.5);
  for (int i = 0; i < 2000; ++i) {
    double l1 = lon(rng), b1 = lat(rng), l2 = lon(rng), b2 = lat(rng);
    double expected = eraSeps(l1, b1, l2, b2);
    EXPECT_NEAR(angularSeparation(l1, b1, l2, b2), expected, 1e-12);
    double a[3], b[3];
    sphericalToVector(a, l1, b1, 1);
    sphericalToVector(b, l2, b2, 1);
    EXPECT_NEAR(vectorSeparation(a, b), expected, 1e-12);
    // ERFA's position angle runs in (-pi, pi]; ours in [0, 2pi).
    EXPECT_NEAR(positionAngle(a, b), eraAnp(eraPas(l1, b1, l2, b2)), 1e-9)
        << l1 << " " << b1 << " " << l2 << " " << b2;
  }
  // Tiny separations keep their precision; antipodes give pi.
  double lat2 = 0.5 + 1e-12;
  EXPECT_NEAR(angularSeparation(1.0, 0.5, 1.0, lat2), lat2 - 0.5, 1e-24);
  EXPECT_NEAR(angularSeparation(0, 0, kPi, 0), kPi, 1e-12);
  double p[3] = {1, 0, 0}, q[3] = {-1, 0, 0};
  EXPECT_NEAR(vectorSeparation(p, q), M_PI, 1e-15);
}

TEST(PositionAngle, CardinalDirectionsAndPoles) {
  double a[3], north[3], east[3];
  sphericalToVector(a, 0.3, 0, 1);
  sphericalToVector(north, 0.3, 0.01, 1);
  sphericalToVector(east, 0.31, 0, 1);
  EXPECT_NEAR(positionAngle(a, north), 0.0, 1e-12);
  EXPECT_NEAR(positionAngle(a, east), kHalfPi, 1e-12);
  double pole[3] = {0, 0, 1};
  EXPECT_EQ(positionAngle(pole, east), 0.0);
  EXPECT_EQ(positionAngle(a, a), 0.0);
}

}  // namespace
