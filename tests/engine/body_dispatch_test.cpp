// Orbit and frame dispatch by body identifier.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/body_dispatch.h"
#include "engine/lunar_theory.h"
#include "engine/matrices.h"

namespace {

constexpr double kDeg = M_PI / 180.0;

TEST(BodyDispatch, MoonUsesItsTheoryWithArgumentOfPerigee) {
  const double jd = 2460100.25;
  double a, e, i, omega, node, m, n;
  ASSERT_EQ(moonOrbitByBodyId(301, &a, &e, &i, &omega, &node, &m, &n, jd), 1);
  double ta, te, ti, perigee, tnode, tm, tn;
  lunarMeanOrbit(&ta, &te, &ti, &perigee, &tnode, &tm, &tn, jd);
  EXPECT_DOUBLE_EQ(a, ta);
  EXPECT_DOUBLE_EQ(omega, perigee - tnode);
  EXPECT_DOUBLE_EQ(node, tnode);
  EXPECT_DOUBLE_EQ(m, tm);
}

TEST(BodyDispatch, TableMoonsAdvanceFromTheirEpoch) {
  double a, e, i, omega, node, m0, m1, n;
  ASSERT_EQ(moonOrbitByBodyId(902, &a, &e, &i, &omega, &node, &m0, &n, 2451545.0), 1);
  EXPECT_NEAR(a * 149597870.0, 48694.0, 1e-6);
  ASSERT_EQ(moonOrbitByBodyId(902, &a, &e, &i, &omega, &node, &m1, &n, 2451545.5), 1);
  EXPECT_NEAR(std::remainder(m1 - m0 - 0.5 * n, 2 * M_PI), 0.0, 1e-9);
  EXPECT_NEAR(n, 2 * M_PI / 24.85463, 1e-6);
  EXPECT_EQ(moonOrbitByBodyId(906, &a, &e, &i, &omega, &node, &m0, &n, 2451545.0), 0);
  EXPECT_EQ(moonOrbitByBodyId(568, &a, &e, &i, &omega, &node, &m0, &n, 2451545.0), 0);
}

// The frame built from a row's pole carries the orbit's z axis to the pole
// and its x axis to the plane's ascending node on the J2000 equator.
TEST(BodyDispatch, FrameFromThePoleOfTheReferencePlane) {
  double m[9];
  EXPECT_EQ(moonFrameByBodyId(5, m, 2451545.0), 0);
  EXPECT_EQ(moonFrameByBodyId(0, m, 2451545.0), 0);
  EXPECT_EQ(moonFrameByBodyId(906, m, 2451545.0), 0);
  ASSERT_EQ(moonFrameByBodyId(902, m, 2451545.0), 1);
  const double ra = 133.0514 * kDeg, dec = -6.17674 * kDeg;
  double z[3] = {0, 0, 1}, x[3] = {1, 0, 0};
  matrixTimesVector(m, z);
  matrixTimesVector(m, x);
  EXPECT_NEAR(z[0], std::cos(dec) * std::cos(ra), 1e-6);
  EXPECT_NEAR(z[1], std::cos(dec) * std::sin(ra), 1e-6);
  EXPECT_NEAR(z[2], std::sin(dec), 1e-6);
  EXPECT_NEAR(x[0], std::cos(ra + M_PI / 2), 1e-6);
  EXPECT_NEAR(x[1], std::sin(ra + M_PI / 2), 1e-6);
  EXPECT_NEAR(x[2], 0.0, 1e-9);
}

TEST(BodyDispatch, PlanetElementsOnlyForPlanetNumbers) {
  double a = -1, e = -1, i = -1, omega = -1, node = -1, m = -1, n = -1;
  EXPECT_EQ(planetElementsByNumber(0, &a, &e, &i, &omega, &node, &m, &n, 2451545.0), 0);
  EXPECT_EQ(planetElementsByNumber(10, &a, &e, &i, &omega, &node, &m, &n, 2451545.0), 0);
  EXPECT_EQ(a, -1);
  EXPECT_EQ(n, -1);
  ASSERT_EQ(planetElementsByNumber(5, &a, &e, &i, &omega, &node, &m, &n, 2451545.0), 1);
  EXPECT_NEAR(a, 5.2, 0.01);
}

}  // namespace
