// Sidereal time against ERFA's IAU 1982 routine, and Delta-T against the
// published polynomial expressions and tabulated values.
#include "engine/sidereal_time.h"

#include <erfa.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engine/angles.h"
#include "engine/calendar.h"
#include "engine/delta_t.h"

namespace {

TEST(SiderealTime, AgreesWithErfaGmst82) {
  // Over four centuries the 0h-based expression matches the instant-based
  // one to well below 1e-9 rad; further out their square terms part.
  std::mt19937_64 rng(9);
  std::uniform_real_distribution<double> jd(julianEpochToJD(1800),
                                            julianEpochToJD(2200));
  for (int i = 0; i < 20000; ++i) {
    double t = jd(rng);
    double expected = eraGmst82(t, 0);
    double diff = std::remainder(meanSiderealTime(t) - expected, 2 * M_PI);
    ASSERT_LT(std::fabs(diff), 1e-9) << std::setprecision(15) << t;
  }
  double lst = localSiderealTime(2451545.25, -1.0);
  EXPECT_NEAR(std::remainder(lst - eraGmst82(2451545.25, 0) + 1.0, 2 * M_PI), 0,
              1e-9);
  EXPECT_GE(lst, 0.0);
  EXPECT_LT(lst, kTwoPi);
}

TEST(SiderealTime, MeeusWorkedExample) {
  // Astronomical Algorithms, example 12.a: 1987 April 10, 0h UT,
  // 13h10m46.3668s.
  double expected = (13 + 10 / 60.0 + 46.3668 / 3600) * kRadiansPerHour;
  EXPECT_NEAR(meanSiderealTime(2446895.5), expected, 1e-8);
}

double deltaTAtYear(double y) {
  // The function evaluates at half a month before the date given.
  return deltaT(julianEpochToJD(y + 1.0 / 24));
}

TEST(DeltaT, EraBoundaries) {
  EXPECT_NEAR(deltaTAtYear(2000), 63.86, 1e-9);
  // Each era starts on its published constant term where t is 0 there.
  EXPECT_NEAR(deltaTAtYear(1600), 120, 1e-9);
  EXPECT_NEAR(deltaTAtYear(1700), 8.83, 1e-9);
  EXPECT_NEAR(deltaTAtYear(1800), 13.72, 1e-9);
  EXPECT_NEAR(deltaTAtYear(1860), 7.62, 1e-9);
  EXPECT_NEAR(deltaTAtYear(1900), -2.79, 1e-9);
  EXPECT_NEAR(deltaTAtYear(1920), 21.2, 1e-9);
  EXPECT_NEAR(deltaTAtYear(2005), 63.83 + 5 * 0.1102 + 25 * 0.009464, 1e-9);
  // Long-term parabola before -500 and after 2150; the 2050-2150 bridge
  // starts at the last polynomial's value and ends on the parabola.
  double u = (-600.0 - 1820) / 100;
  EXPECT_NEAR(deltaTAtYear(-600), -20 + 32 * u * u, 1e-9);
  u = (2150.0 - 1820) / 100;
  EXPECT_NEAR(deltaTAtYear(2150), -20 + 32 * u * u, 1e-9);
  EXPECT_NEAR(deltaTAtYear(2150 - 1e-9), -20 + 32 * u * u, 1e-6);
  // Where the published polynomials meet, the value is continuous.
  for (double y : {-500.0, 500.0, 1600.0, 1700.0, 1800.0, 1860.0, 1900.0,
                   1920.0, 2005.0, 2050.0, 2150.0})
    EXPECT_NEAR(deltaTAtYear(y - 1e-7), deltaTAtYear(y), 1.0) << y;
}

TEST(DeltaT, PublishedValues) {
  // Tabulated Delta-T (seconds) of the Five Millennium Canon, whose
  // polynomials reproduce them within their rounding.
  struct {
    double year, value, tolerance;
  } table[] = {{-500, 17190, 15}, {0, 10580, 5},  {500, 5710, 5},
               {1000, 1570, 5},  {1500, 200, 2}, {1700, 9, 1},
               {1800, 14, 1},    {1900, -3, 1},  {1950, 29.1, 0.2},
               {1970, 40.2, 0.2}, {1990, 56.9, 0.2}, {2000, 63.8, 0.2},
               {2005, 64.7, 0.2}};
  for (const auto& row : table)
    EXPECT_NEAR(deltaTAtYear(row.year), row.value, row.tolerance) << row.year;
  EXPECT_TRUE(std::isnan(deltaT(NAN)));
}

}  // namespace
