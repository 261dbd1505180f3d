// Edge cases of the satellite propagators that the verification sets do not
// reach: the angle helpers, the model selection threshold, repeatability of
// the deep-space model and the secular-only elements.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/sgp4.h"
#include "skydata/two_line_elements.h"

extern "C" {
#include <erfa.h>
}

namespace {

SatelliteElementSet elementsFrom(const char* l1, const char* l2) {
  SatelliteElementSet el{};
  std::string problem;
  EXPECT_TRUE(parseTwoLineElements(l1, l2, el, problem)) << problem;
  return el;
}

// A 12-hour resonant Molniya orbit and a 24-hour resonant geostationary
// one, both deep space with the resonance integrator running.
const SatelliteElementSet kMolniya = elementsFrom(
    "1 08195U 75081A   06176.33215444  .00000099  00000-0  11873-3 0   813",
    "2 08195  64.1586 279.0717 6877146 264.7651  20.2257  2.00491383225656");
const SatelliteElementSet kGeostationary = elementsFrom(
    "1 24208U 96044A   06177.04061740 -.00000094  00000-0  10000-3 0  1600",
    "2 24208   3.8536  80.0121 0026640 311.0977  48.3000  1.00778054 36119");
const SatelliteElementSet kLowOrbit = elementsFrom(
    "1 88888U          80275.98708465  .00073094  13844-3  00000-0 0    86",
    "2 88888  72.8435 115.9689 0086731  52.6988 110.5714 16.05824518  1058");

TEST(Actan, QuadrantsAndAxes) {
  EXPECT_DOUBLE_EQ(actan(1.0, 0.0), 1.57079633);
  EXPECT_DOUBLE_EQ(actan(-1.0, 0.0), 4.71238898);
  EXPECT_DOUBLE_EQ(actan(0.0, 0.0), 4.71238898);
  const double justBelowTurn = actan(-0.5, 1.0);
  EXPECT_NEAR(justBelowTurn, 6.2831853 - 0.4636476090008061, 1e-15);
  EXPECT_LT(justBelowTurn, 6.2831853);
  EXPECT_DOUBLE_EQ(actan(0.0, 1.0), 0.0);
  EXPECT_NEAR(actan(1.0, -1.0), 3.14159265 - M_PI / 4, 1e-15);
  EXPECT_NEAR(actan(-1.0, -1.0), 3.14159265 + M_PI / 4, 1e-15);
}

TEST(ThetaG, EpochFormsAndReference) {
  DeepSpaceState d{};
  EXPECT_NEAR(thetaG(d, 2433281.5), 1.72944494, 1e-12);
  EXPECT_DOUBLE_EQ(d.ds50, 0.0);
  // YYDDD epochs: day 1 of 2000 and of 1957.
  thetaG(d, 1.0);
  EXPECT_DOUBLE_EQ(d.ds50, 2451544.5 - 2433281.5);
  thetaG(d, 57001.0);
  EXPECT_DOUBLE_EQ(d.ds50, 2435839.5 - 2433281.5);
  thetaG(d, 80230.5);
  EXPECT_NEAR(d.ds50, twoLineEpochToJulianDate(80, 230.5) - 2433281.5, 1e-9);
}

// The linear formula stays within a minute of arc of the IAU 1982 Greenwich
// mean sidereal time over the decades element sets span; most of the gap is
// the truncated turn (6.2831853) the angle is reduced by, 7e-9 rad a turn.
TEST(ThetaG, FollowsGreenwichMeanSiderealTime) {
  for (double jd = 2440000.5; jd < 2470000.0; jd += 1234.567) {
    DeepSpaceState d{};
    const double theta = thetaG(d, jd);
    EXPECT_GE(theta, 0.0);
    EXPECT_LT(theta, 6.2831853);
    const double gmst = eraGmst82(jd, 0.0);
    double diff = std::remainder(theta - gmst, 2 * M_PI);
    EXPECT_LT(std::fabs(diff), 3e-4) << jd;
  }
}

TEST(ModelSelection, PeriodOf225MinutesIsDeepSpace) {
  SatelliteElementSet el = kLowOrbit;
  el.eccentricity = 0.0;
  // At this inclination the J2 correction vanishes, so the recovered mean
  // motion is the published one and the period is exactly 6.2831853/n.
  el.inclination = std::acos(std::sqrt(1.0 / 3.0));
  el.meanMotion = 6.2831853 / 225.0;
  ASSERT_EQ(6.2831853 / el.meanMotion / 1440.0, 0.15625);
  EXPECT_TRUE(isDeepSpaceOrbit(el));
  el.meanMotion = std::nextafter(el.meanMotion, 1.0);
  EXPECT_FALSE(isDeepSpaceOrbit(el));
  EXPECT_FALSE(isDeepSpaceOrbit(kLowOrbit));
  EXPECT_TRUE(isDeepSpaceOrbit(kMolniya));
}

// Element set with the given perigee height (km) at eccentricity 0.01.
SatelliteElementSet withPerigee(double km) {
  SatelliteElementSet el = kLowOrbit;
  el.eccentricity = 0.01;
  el.bstar = 1e-4;
  const double a = (1.0 + km / 6378.135) / (1.0 - el.eccentricity);
  el.meanMotion = 0.0743669161 / std::pow(a, 1.5);
  return el;
}

TEST(NearEarth, LowPerigeesUseTheSimpleModelAndStayFinite) {
  for (double perigee : {90.0, 130.0, 200.0}) {
    Sgp4State s{};
    double r[3], v[3];
    sgp4(withPerigee(perigee), r, v, s, 60.0);
    EXPECT_EQ(s.simpleModel, 1) << perigee;
    EXPECT_TRUE(std::isfinite(r[0] + r[1] + r[2] + v[0] + v[1] + v[2])) << perigee;
  }
  Sgp4State s{};
  double r[3], v[3];
  sgp4(withPerigee(260.0), r, v, s, 60.0);
  EXPECT_EQ(s.simpleModel, 0);
}

// A reset (zero initialised flag) must take the new elements.
TEST(NearEarth, ResetFlagReinitialises) {
  Sgp4State s{};
  double r1[3], v1[3], r2[3], v2[3];
  sgp4(kLowOrbit, r1, v1, s, 100.0);
  SatelliteElementSet other = withPerigee(400.0);
  s.initialised = 0;
  sgp4(other, r2, v2, s, 100.0);
  Sgp4State fresh{};
  double r3[3], v3[3];
  sgp4(other, r3, v3, fresh, 100.0);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(r2[k], r3[k]);
}

TEST(DeepSpace, ResultDoesNotDependOnEarlierCalls) {
  for (const SatelliteElementSet& el : {kMolniya, kGeostationary}) {
    Sdp4State s{};
    double first[3], v[3], between[3], again[3], againV[3];
    sdp4(el, first, v, s, 1000.0);
    sdp4(el, between, v, s, 10.0);
    sdp4(el, again, againV, s, 1000.0);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(first[k], again[k]);
    sdp4(el, between, v, s, -5000.0);
    sdp4(el, again, againV, s, 1000.0);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(first[k], again[k]);
  }
}

// A satellite's one state block, reset through its flag, serves whichever
// model a new element set selects.
TEST(DeepSpace, SharedStateBlockResetsThroughEitherModel) {
  SatellitePropagatorState block{};
  double r1[3], v1[3], r2[3], v2[3];
  sgp4(kLowOrbit, r1, v1, block.nearEarth, 100.0);
  block.nearEarth.initialised = 0;
  sdp4(kMolniya, r1, v1, block.deepSpace, 100.0);
  Sdp4State fresh{};
  sdp4(kMolniya, r2, v2, fresh, 100.0);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(r1[k], r2[k]);
}

TEST(DeepSpace, InfiniteTimeGivesNonFiniteResultAtOnce) {
  Sdp4State s{};
  double r[3], v[3];
  sdp4(kMolniya, r, v, s, INFINITY);
  EXPECT_FALSE(std::isfinite(r[0]));
}

// Orbital plane and argument of latitude of a position and velocity.
void planeAngles(const double r[3], const double v[3], double& node,
                 double& incl, double& u) {
  const double h[3] = {r[1] * v[2] - r[2] * v[1], r[2] * v[0] - r[0] * v[2],
                       r[0] * v[1] - r[1] * v[0]};
  node = std::atan2(h[0], -h[1]);
  incl = std::atan2(std::hypot(h[0], h[1]), h[2]);
  const double n[3] = {std::cos(node), std::sin(node), 0.0};
  const double rn = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
  const double cosu = (r[0] * n[0] + r[1] * n[1]) / rn;
  u = std::atan2(r[2] / (rn * std::sin(incl)), cosu);
}

// Without drag the secular elements follow the full model's plane, size and
// argument of latitude to within the short-period terms, ten days out.
TEST(SecularElements, TrackTheFullModelWithoutDrag) {
  SatelliteElementSet el = kLowOrbit;
  el.bstar = 0.0;
  const double tsince = 14400.0;
  Sgp4State s{};
  double r[3], v[3];
  sgp4(el, r, v, s, tsince);
  double a, e, i, omega, node, m, n;
  sgp4SecularElements(el, &a, &e, &i, &omega, &node, &m, &n, tsince);
  double oscNode, oscIncl, oscU;
  planeAngles(r, v, oscNode, oscIncl, oscU);
  EXPECT_NEAR(std::remainder(node - oscNode, 2 * M_PI), 0.0, 3e-3);
  EXPECT_NEAR(i, oscIncl, 3e-3);
  // Argument of latitude from the mean elements (small eccentricity).
  const double meanU = omega + m + 2 * e * std::sin(m);
  EXPECT_NEAR(std::remainder(meanU - oscU, 2 * M_PI), 0.0, 5e-3);
  const double rn = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
  const double v2 = (v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  const double oscA = 1.0 / (2.0 / rn - v2 / (0.0743669161 * 0.0743669161));
  EXPECT_NEAR(a, oscA, 3e-3);
  for (double angle : {omega, node, m}) {
    EXPECT_GE(angle, 0.0);
    EXPECT_LT(angle, 6.2831853);
  }
  EXPECT_EQ(n, el.meanMotion);
  EXPECT_EQ(e, el.eccentricity);
}

}  // namespace
