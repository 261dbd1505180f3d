// GUST86 against the test values that accompany the published data
// (data/published/README.md: places evaluated from the theory's numbers and
// confirmed against an independent compiled translation of the theory to
// better than a metre), the orbit sizes known from the theory's paper, and
// the dispatch by body identifier against the theory's own places.
#include "engine/uranian_moons.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/body_dispatch.h"
#include "engine/kepler_orbits.h"
#include "engine/matrices.h"

namespace {

constexpr double kKmPerAU = 149597870.0;

struct TestPlace {
  double jd;
  UranianMoon moon;
  double x, y, z;  // km, UME50
};

// data/published/README.md, section GUST86, "Test values".
const TestPlace kTestPlaces[] = {
    {2451545.0, UranianMoon::kMiranda, -109749.115, 68879.310, -7240.801},
    {2451545.0, UranianMoon::kAriel, 175249.475, 76429.497, 128.125},
    {2451545.0, UranianMoon::kUmbriel, 86138.915, 251648.258, 594.310},
    {2451545.0, UranianMoon::kTitania, -92047.725, 426159.527, 38.178},
    {2451545.0, UranianMoon::kOberon, -579141.629, 71974.496, -1135.618},
    {2444239.5, UranianMoon::kMiranda, 126661.863, -27994.310, 3488.161},
    {2444239.5, UranianMoon::kOberon, 355165.063, -462127.604, 761.379},
};

TEST(UranianMoons, PlacesMatchThePublishedTestValues) {
  for (const TestPlace& t : kTestPlaces) {
    double v[3];
    gust86Position(t.moon, t.jd, v);
    // The values are printed to the metre.
    EXPECT_NEAR(v[0], t.x, 0.001) << static_cast<int>(t.moon) << " " << t.jd;
    EXPECT_NEAR(v[1], t.y, 0.001) << static_cast<int>(t.moon) << " " << t.jd;
    EXPECT_NEAR(v[2], t.z, 0.001) << static_cast<int>(t.moon) << " " << t.jd;
  }
}

// Semi-major axes, eccentricities and inclinations to the Uranian equator at
// J2000.0, as data/published/README.md lists them (GUST86, check 6).
TEST(UranianMoons, ElementsHaveTheKnownSizesAndShapes) {
  struct Known {
    UranianMoon moon;
    double a, e, iDegrees;
  };
  const Known known[] = {{UranianMoon::kMiranda, 129870, 0.0015, 4.34},
                         {UranianMoon::kAriel, 190946, 0.0014, 0.04},
                         {UranianMoon::kUmbriel, 266013, 0.0042, 0.13},
                         {UranianMoon::kTitania, 436299, 0.0025, 0.04},
                         {UranianMoon::kOberon, 583546, 0.0006, 0.12}};
  for (const Known& k : known) {
    const Gust86Elements el = gust86Elements(k.moon, 2451545.0);
    EXPECT_NEAR(el.a, k.a, 1.0) << static_cast<int>(k.moon);
    EXPECT_NEAR(std::hypot(el.k, el.h), k.e, 0.00005) << static_cast<int>(k.moon);
    const double i = 2.0 * std::asin(std::hypot(el.q, el.p)) * 180.0 / M_PI;
    EXPECT_NEAR(i, k.iDegrees, 0.005) << static_cast<int>(k.moon);
  }
}

// The theory's distribution turns UME50 into the J2000 equator through the
// pole angles, the 0.525" equinox correction and IAU 1976 precession; the
// product, evaluated separately, is data/published/gust86.txt's
// ROT_UME50_TO_J2000.
TEST(UranianMoons, FrameMatchesTheDistributionsRotationToJ2000) {
  const double expected[9] = {
      9.7532055725286892e-01, 6.1944378181127989e-02, 2.1192617726865798e-01,
      -2.2074285475532118e-01, 2.5299052175683284e-01, 9.4194924915075795e-01,
      4.7331463556952542e-03, -9.6548365595330454e-01, 2.6042063553531375e-01};
  double m[9];
  gust86FrameToJ2000(m);
  for (int k = 0; k < 9; ++k) EXPECT_NEAR(m[k], expected[k], 1e-11) << k;
}

// Through moonOrbitByBodyId and moonFrameByBodyId a moon lands where the
// theory puts it: the elements are the theory's (a, lambda, k, h, q, p) in
// the engine's form, and 701-705 name Ariel, Umbriel, Titania, Oberon and
// Miranda.
TEST(UranianMoons, DispatchByBodyIdentifierGivesTheTheorysPlaces) {
  const UranianMoon byId[] = {UranianMoon::kAriel, UranianMoon::kUmbriel,
                              UranianMoon::kTitania, UranianMoon::kOberon,
                              UranianMoon::kMiranda};
  double frame[9];
  gust86FrameToJ2000(frame);
  int checked = 0;
  for (double jd = 2444239.5; jd < 2466154.5; jd += 373.17) {  // 1980-2040
    for (int id = 701; id <= 705; ++id) {
      double a, e, i, omega, node, m, n;
      ASSERT_EQ(moonOrbitByBodyId(id, &a, &e, &i, &omega, &node, &m, &n, jd), 1);
      double dispatchFrame[9];
      ASSERT_EQ(moonFrameByBodyId(id, dispatchFrame, jd), 1);
      double ours[3], theory[3];
      orbitPositionVector(ours, a * (1.0 - e), e, i, omega, node, m);
      matrixTimesVector(dispatchFrame, ours);
      gust86Position(byId[id - 701], jd, theory);
      matrixTimesVector(frame, theory);
      // Angles reduced with the engine's truncated 2 pi drift by 1.6e-12
      // radians a turn: Miranda, 15,000 turns from the epoch in 2040, moves
      // by 3 mm.
      for (int k = 0; k < 3; ++k) EXPECT_NEAR(ours[k] * kKmPerAU, theory[k], 0.01) << id;
      EXPECT_NEAR(n, gust86Elements(byId[id - 701], jd).n, 1e-15);
      ++checked;
    }
  }
  EXPECT_EQ(checked, 5 * 59);
}

}  // namespace
