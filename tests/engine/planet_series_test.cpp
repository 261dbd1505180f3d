// The abridged VSOP87D planets against Meeus's worked examples, against the
// (nearly) full VSOP87D series over 1800-2200, and against ERFA's planets
// (Simon et al. 1994) and Earth (eraEpv00).
#include "engine/planet_series.h"

#include <erfa.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/angles.h"
#include "engine/vsop87d_tables.h"
#include "tests/engine/vsop87d_reference.h"

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;
constexpr double kArcsec = kDeg / 3600.0;

using PlanetFunction = void (*)(double*, double*, double*, double);
const PlanetFunction kPlanets[8] = {
    planetSeriesAbridgedMercury, planetSeriesAbridgedVenus, planetSeriesAbridgedEarth,
    planetSeriesAbridgedMars,    planetSeriesAbridgedJupiter, planetSeriesAbridgedSaturn,
    planetSeriesAbridgedUranus,  planetSeriesAbridgedNeptune};

using tessaly::test::evaluateVsop87Series;
constexpr auto evaluate = evaluateVsop87Series;

TEST(PlanetSeries, MeeusWorkedExamples) {
  double l, b, r;
  // Example 32.a: Venus, 1992 December 20.0 TD.
  planetSeriesAbridgedVenus(&l, &b, &r, 2448976.5);
  EXPECT_NEAR(l / kDeg, 26.11428, 5e-6);
  EXPECT_NEAR(b / kDeg, -2.62070, 5e-6);
  EXPECT_NEAR(r, 0.724603, 5e-7);
  // Example 25.b: the Earth, 1992 October 13.0 TD.
  planetSeriesAbridgedEarth(&l, &b, &r, 2448908.5);
  EXPECT_NEAR(l / kDeg, 19.907372, 5e-7);
  EXPECT_NEAR(b / kDeg, -0.000179, 5e-7);
  EXPECT_NEAR(r, 0.99760775, 5e-9);
}

TEST(PlanetSeries, AtJ2000AndBeyondTheClamp) {
  double l, b, r;
  planetSeriesAbridgedMercury(&l, &b, &r, 2451545.0);
  EXPECT_NEAR(l, normalizeRadians(evaluate(kVsop87dAbridged[0].longitude, 0.0)), 1e-15);
  // 12 millennia out, the powers stop at tau 10 and the longitude moves on
  // by the rate L1(10) for the 2 millennia beyond.
  const double jd = 2451545.0 + 12 * 365250.0;
  for (int p = 0; p < 8; ++p) {
    kPlanets[p](&l, &b, &r, jd);
    const PlanetSeriesTables& t = kVsop87dAbridged[p];
    double expectL = 0, expectB = 0, expectR = 0;
    for (int k = 0; k < 6; ++k) {
      TermSeries one[6] = {};
      one[0] = t.longitude[k];
      const double powK = std::pow(10.0, k);
      expectL += evaluate(one, 12.0) * powK;
      one[0] = t.latitude[k];
      expectB += evaluate(one, 12.0) * powK;
      one[0] = t.radius[k];
      expectR += evaluate(one, 12.0) * powK;
    }
    TermSeries rate[6] = {t.longitude[1]};
    expectL += evaluate(rate, 10.0) * 2.0;
    EXPECT_NEAR(l, normalizeRadians(expectL), 1e-9) << p;
    EXPECT_NEAR(b, expectB, 1e-9) << p;
    EXPECT_NEAR(r, expectR, 1e-9) << p;
  }
  // Longitudes stay in [0, 2pi) everywhere.
  for (double jd2 = 2451545.0 - 5e6; jd2 < 2451545.0 + 5e6; jd2 += 12345.6) {
    for (PlanetFunction f : kPlanets) {
      f(&l, &b, &r, jd2);
      ASSERT_GE(l, 0.0);
      ASSERT_LT(l, kTwoPi);
    }
  }
}

TEST(PlanetSeries, AbridgementErrorAgainstTheFullSeries) {
  // Largest differences over 1800-2200 from the full series (the reference
  // keeps every term that can reach 3e-8 there): longitude and latitude in
  // radians, radius in AU: 1-3 arcseconds, and up to 0.0002 AU for the
  // radius of the outer planets. Measured, with 25% margin.
  struct Bound {
    double l, b, r;
  };
  const Bound bounds[8] = {{1.5e-5, 1.3e-5, 7e-6},  {8e-6, 5e-6, 5e-6},     {3.1e-6, 1.4e-6, 2.7e-6},
                           {1.2e-5, 9.6e-6, 1.5e-5}, {1.1e-5, 4.8e-6, 4.6e-5}, {1.2e-5, 1.04e-5, 2.1e-4},
                           {1.1e-5, 5.4e-6, 2e-4},   {7.9e-6, 3.9e-6, 1.9e-4}};
  for (int p = 0; p < 8; ++p) {
    double worst[3] = {0, 0, 0};
    for (int step = 0; step <= 800; ++step) {
      const double jd = 2378496.5 + step * (146097.0 / 800.0);
      const double tau = (jd - 2451545.0) / 365250.0;
      double l, b, r;
      kPlanets[p](&l, &b, &r, jd);
      const PlanetSeriesTables& full = kVsop87dReference[p];
      worst[0] = std::max(worst[0], std::fabs(std::remainder(
                                        l - evaluate(full.longitude, tau), 2 * 3.14159265358979323846)));
      worst[1] = std::max(worst[1], std::fabs(b - evaluate(full.latitude, tau)));
      worst[2] = std::max(worst[2], std::fabs(r - evaluate(full.radius, tau)));
    }
    EXPECT_LT(worst[0], bounds[p].l) << p;
    EXPECT_LT(worst[1], bounds[p].b) << p;
    EXPECT_LT(worst[2], bounds[p].r) << p;
    // The abridgement must not be trivially exact either.
    EXPECT_GT(worst[0], bounds[p].l / 10) << p;
  }
}

TEST(PlanetSeries, AgreeWithErfa) {
  // ERFA's planets (Simon et al. 1994) state maximum errors of 4, 5, 17,
  // 71, 81, 86 and 11 arcseconds in heliocentric longitude (Mercury, Venus,
  // Mars to Neptune); its Earth (eraEpv00) is good to a few km. Over
  // 1800-2050 Mars and Saturn measure up to 25" and 88" from them while the
  // abridged series stay within 2.5" of the full VSOP87D, so the bounds are
  // the larger of the stated and measured figures plus the abridgement.
  const double arcsec[8] = {4, 5, 0.5, 26, 76, 88, 86, 11};
  const double radiusAu[8] = {2e-5, 2e-5, 5e-6, 6e-5, 6.5e-4, 1.8e-3, 4.8e-3, 1.9e-3};
  for (int p = 0; p < 8; ++p) {
    double worstAngle = 0, worstRadius = 0;
    for (double year = 1800; year <= 2050; year += 0.61) {
      const double jd = 2451545.0 + (year - 2000) * 365.25;
      double l, b, r, ours[3], theirs[3], pv[2][3], rm[3][3];
      kPlanets[p](&l, &b, &r, jd);
      eraS2p(l, b, r, ours);
      eraEcm06(jd, 0.0, rm);
      eraTrxp(rm, ours, ours);  // mean ecliptic of date to ICRS
      if (p == 2) {
        double pb[2][3];
        eraEpv00(jd, 0.0, pv, pb);
      } else {
        eraPlan94(jd, 0.0, p + 1, pv);
      }
      eraCp(pv[0], theirs);
      worstAngle = std::max(worstAngle, eraSepp(ours, theirs));
      worstRadius = std::max(worstRadius, std::fabs(eraPm(ours) - eraPm(theirs)));
    }
    EXPECT_LT(worstAngle, (arcsec[p] + 2.0) * kArcsec) << p;
    EXPECT_LT(worstRadius, radiusAu[p]) << p;
  }
}

}  // namespace
