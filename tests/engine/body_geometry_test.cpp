// Apparent sizes, angles, ring tilt, the ray-spheroid intersection and the
// magnitude laws: limits that would otherwise give NaN, geometry with known
// answers, and published magnitudes.
#include "engine/body_geometry.h"

#include <erfa.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/angles.h"
#include "engine/magnitudes.h"
#include "engine/vectors.h"

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(BodyGeometry, SizesAndAngles) {
  EXPECT_EQ(angularRadius(1, 0.5), kPi);
  EXPECT_EQ(angularDiameter(3, 1), kTwoPi);
  EXPECT_EQ(angularDiameter(0, 0), 0.0);
  EXPECT_EQ(angularRadius(0, 0), 0.0);
  // The Sun from the Earth: about 32 arcminutes.
  EXPECT_NEAR(angularDiameter(1391400, 149597870.7) / kDeg * 60, 31.98, 0.01);
  const double a[3] = {1, 1e-9, 0}, b[3] = {3, 3e-9, 0}, c[3] = {-2, 0, 0}, zero[3] = {0, 0, 0};
  EXPECT_EQ(vectorAngle(a, b), 0.0);
  EXPECT_NEAR(vectorAngle(a, c), kPi, 1e-8);
  EXPECT_EQ(vectorAngle(a, zero), 0.0);
  EXPECT_DOUBLE_EQ(illuminatedFraction(0), 1.0);
  EXPECT_NEAR(illuminatedFraction(kHalfPi), 0.5, 1e-12);
}

TEST(BodyGeometry, SaturnRingTilt) {
  // Looking along Saturn's pole from the north the rings open fully.
  const double fromNorth[3] = {0.0856116575103 * 8, 0.0735337181506 * 8, 0.99361131052 * 8};
  EXPECT_NEAR(saturnRingTilt(fromNorth, 8.0), -kHalfPi, 1e-6);
  EXPECT_FALSE(std::isnan(saturnRingTilt(fromNorth, 7.9999999)));
  // Saturn at RA 40.66, Dec 83.52 - 90 lies in its ring plane's edge view.
  double edge[3];
  sphericalToVector(edge, 40.66 * kDeg + kPi, 0.0, 9.5);
  EXPECT_LT(std::fabs(saturnRingTilt(edge, 9.5)), 0.2);
}

// The Earth crossed Saturn's ring plane on 1995 May 22, 1995 August 10,
// 1996 February 11, 2009 September 4 and 2025 March 23, from the north
// side first. Saturn and the Earth from ERFA's planetary and Earth series.
TEST(BodyGeometry, SaturnRingTiltChangesSignOnThePublishedCrossings) {
  auto tiltSeenFromEarth = [](double jd) {
    double saturn[2][3], earth[2][3], barycentric[2][3], fromEarth[3];
    eraPlan94(jd, 0.0, 6, saturn);
    eraEpv00(jd, 0.0, earth, barycentric);
    eraPmp(saturn[0], earth[0], fromEarth);
    return saturnRingTilt(fromEarth, eraPm(fromEarth));
  };
  double north = 1.0;  // sign of the tilt before the next crossing
  for (double jd : {2449859.5, 2449939.5, 2450124.5, 2455078.5, 2460757.5}) {
    EXPECT_GT(north * tiltSeenFromEarth(jd - 3), 0.0) << jd;
    EXPECT_LT(north * tiltSeenFromEarth(jd + 3), 0.0) << jd;
    north = -north;
  }
}

TEST(IntersectRaySpheroid, HitsMissesAndGrazes) {
  const double centre[3] = {0, 0, 0};
  double t, point[3];
  const double origin[3] = {-10, 0, 0}, along[3] = {2, 0, 0};
  ASSERT_EQ(intersectRaySpheroid(origin, along, centre, &t, point, 1.0, 0.0), 1);
  EXPECT_NEAR(t, 4.5, 1e-12);  // in units of the direction's length
  EXPECT_NEAR(point[0], -1, 1e-12);
  // A flattened body is shorter along its axis.
  const double above[3] = {0, 0, 10}, down[3] = {0, 0, -1};
  ASSERT_EQ(intersectRaySpheroid(above, down, centre, &t, point, 1.0, 0.1), 1);
  EXPECT_NEAR(point[2], 0.9, 1e-12);
  // Behind the origin, beside it, or no direction at all.
  const double away[3] = {-1, 0, 0}, zero[3] = {0, 0, 0};
  EXPECT_EQ(intersectRaySpheroid(origin, away, centre, &t, point, 1.0, 0.0), 0);
  const double beside[3] = {-10, 1.5, 0};
  EXPECT_EQ(intersectRaySpheroid(beside, along, centre, &t, point, 1.0, 0.0), 0);
  EXPECT_EQ(intersectRaySpheroid(origin, zero, centre, &t, point, 1.0, 0.0), 0);
  // Grazing the limb returns the tangent point.
  const double limb[3] = {-10, 1, 0};
  ASSERT_EQ(intersectRaySpheroid(limb, along, centre, nullptr, point, 1.0, 0.0), 1);
  EXPECT_NEAR(point[0], 0, 1e-12);
  EXPECT_NEAR(point[1], 1, 1e-12);
}

TEST(Magnitudes, PublishedValuesAndLimits) {
  // Meeus, Astronomical Algorithms, example 41.a: Venus on 1992 December 20,
  // r 0.724604, Delta 0.910947, phase 72.96 degrees: magnitude -4.2.
  EXPECT_NEAR(venusMagnitude(0.724604, 0.910947, 72.96 * kDeg), -4.2, 0.05);
  // The full Moon at mean distance: about -12.7.
  EXPECT_NEAR(moonMagnitude(1.0, 0.00257, 0.0), -12.74, 0.01);
  EXPECT_EQ(hgMagnitude(1, 1, 4.0, 5.0, 0.15), kInf);
  EXPECT_NEAR(satelliteMagnitude(1000, 0, 4), 3.25, 1e-12);
  EXPECT_EQ(satelliteMagnitude(1000, kPi, 4), kInf);
  EXPECT_NEAR(brightnessRatio(1, 6), 100, 1e-12);
  EXPECT_EQ(brightnessRatio(kInf, 6), 0.0);
  EXPECT_EQ(brightnessRatio(1, kInf), kInf);
  EXPECT_NEAR(absoluteMagnitude(apparentMagnitude(4.83, 1.3), 1.3), 4.83, 1e-12);
  EXPECT_NEAR(apparentMagnitude(4.83, 10.0), 4.83, 1e-12);
  EXPECT_EQ(absoluteMagnitude(1, 0), -kInf);
  EXPECT_EQ(absoluteMagnitude(1, NAN), -kInf);
  EXPECT_EQ(absoluteMagnitude(1, kInf), -kInf);
  EXPECT_EQ(apparentMagnitude(1, -2), -kInf);
  EXPECT_EQ(apparentMagnitude(1, NAN), kInf);
  EXPECT_EQ(apparentMagnitude(1, kInf), kInf);
  // The rings brighten Saturn the same seen from north or south.
  EXPECT_DOUBLE_EQ(saturnMagnitude(9.5, 8.5, 0.1, 0.4), saturnMagnitude(9.5, 8.5, 0.1, -0.4));
}

// V(1, i), the magnitude at 1 AU from the Sun and the observer, where the
// phase and ring terms weigh most, against the Astronomical Almanac's
// expressions as Meeus prints them (Astronomical Algorithms, 2nd ed.,
// chapter 41). Saturn's phase term there takes the difference of the
// Saturnicentric longitudes of the Sun and the Earth, which is the phase
// angle when both lie in the ring plane (B = 0). Meeus gives Uranus,
// Neptune and Pluto no phase term, and Pluto -1.00.
TEST(Magnitudes, PlanetLawsWherePhaseAndRingsWeigh) {
  EXPECT_NEAR(mercuryMagnitude(1, 1, 80 * kDeg),
              -0.42 + 0.0380 * 80 - 0.000273 * 6400 + 0.000002 * 512000, 1e-9);
  for (double i : {100.0, 150.0}) {
    EXPECT_NEAR(venusMagnitude(1, 1, i * kDeg),
                -4.40 + 0.0009 * i + 0.000239 * i * i - 0.00000065 * i * i * i, 1e-9)
        << i;
  }
  EXPECT_NEAR(marsMagnitude(1, 1, 40 * kDeg), -1.52 + 0.016 * 40, 1e-9);
  EXPECT_NEAR(jupiterMagnitude(1, 1, 11 * kDeg), -9.40 + 0.005 * 11, 1e-9);
  EXPECT_NEAR(saturnMagnitude(1, 1, 6 * kDeg, 0.0), -8.88 + 0.044 * 6, 1e-9);
  const double b = 26.7 * kDeg;  // the rings at their widest
  EXPECT_NEAR(saturnMagnitude(1, 1, 0.0, b),
              -8.88 - 2.60 * std::sin(b) + 1.25 * std::sin(b) * std::sin(b), 1e-9);
  EXPECT_NEAR(uranusMagnitude(1, 1, 0.0), -7.19, 1e-9);
  EXPECT_NEAR(neptuneMagnitude(1, 1, 0.0), -6.87, 1e-9);
  EXPECT_NEAR(plutoMagnitude(1, 1, 0.0), -1.00, 0.011);
}

}  // namespace
