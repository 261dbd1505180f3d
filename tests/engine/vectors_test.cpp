// Spherical and rectangular coordinates with rates, against ERFA.
#include "engine/vectors.h"

#include <erfa.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engine/angles.h"

namespace {

TEST(Spherical, RoundTripAgainstErfa) {
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> lon(0, 6.28), lat(-1.5, 1.5),
      r(0.1, 50), rate(-0.1, 0.1);
  for (int i = 0; i < 2000; ++i) {
    double l = lon(rng), b = lat(rng), d = r(rng);
    double dl = rate(rng), db = rate(rng), dd = rate(rng);
    double pv[2][3];
    eraS2pv(l, b, d, dl, db, dd, pv);
    double x, y, z, vx, vy, vz;
    sphericalToRectangularWithRates(&x, &y, &z, &vx, &vy, &vz, l, b, d, dl, db,
                                    dd);
    double ours[6] = {x, y, z, vx, vy, vz};
    for (int k = 0; k < 6; ++k)
      EXPECT_NEAR(ours[k], pv[k / 3][k % 3], 1e-12 * d) << k;

    double back[6];
    vectorsToSphericalWithRates(pv[0], pv[1], &back[0], &back[1], &back[2],
                                &back[3], &back[4], &back[5]);
    double expected[6] = {l, b, d, dl, db, dd};
    for (int k = 0; k < 6; ++k) EXPECT_NEAR(back[k], expected[k], 1e-10) << k;

    double v[3];
    sphericalToVector(v, l, b, d);
    double l2, b2, d2;
    vectorToSpherical(v, &l2, &b2, &d2);
    // Longitudes past pi carry the truncated 2pi (1.6e-12 short).
    EXPECT_NEAR(l2, l, 2e-12);
    EXPECT_NEAR(b2, b, 1e-12);
    EXPECT_NEAR(d2, d, 1e-12 * d);
  }
}

TEST(Spherical, OriginAndAxis) {
  double l = 9, b = 9, r = 9;
  rectangularToSpherical(&l, &b, &r, 0, 0, 0);
  EXPECT_EQ(l, 0.0);
  EXPECT_EQ(b, 0.0);
  EXPECT_EQ(r, 0.0);
  rectangularToSpherical(&l, &b, &r, 0, 0, 5);
  EXPECT_EQ(l, 0.0);
  EXPECT_NEAR(b, M_PI / 2, 1e-15);
  EXPECT_EQ(r, 5.0);
  rectangularToSpherical(nullptr, &b, nullptr, 1, 0, 1);  // null outputs skip
  EXPECT_NEAR(b, M_PI / 4, 1e-15);

  double out[6] = {1, 1, 1, 1, 1, 1};
  rectangularToSphericalWithRates(&out[0], &out[1], &out[2], &out[3], &out[4],
                                  &out[5], 0, 0, 3, 1, 1, 1);
  for (double o : out) EXPECT_EQ(o, 0.0);
}

TEST(Vectors, Arithmetic) {
  double a[3] = {1, 2, 3}, b[3] = {-2, 0.5, 4}, out[3];
  EXPECT_EQ(vectorDot(a, b), -2 + 1 + 12);
  double pxp[3];
  eraPxp(a, b, pxp);
  vectorCross(a, b, out);
  for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(out[i], pxp[i]);
  // Output aliasing an input.
  double c[3] = {1, 2, 3};
  vectorCross(c, b, c);
  for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(c[i], pxp[i]);
  vectorScaleAdd(a, b, out, 2);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[2], 10);
  EXPECT_DOUBLE_EQ(vectorDistance(a, b), std::sqrt(9 + 2.25 + 1));

  double zero[3] = {0, 0, 0};
  EXPECT_EQ(vectorNormalize(zero), 0.0);
  EXPECT_EQ(zero[0], 0.0);
  double v[3] = {3, 0, 4};
  EXPECT_EQ(vectorNormalize(v), 5.0);
  EXPECT_DOUBLE_EQ(vectorLength(v), 1.0);
}

}  // namespace
