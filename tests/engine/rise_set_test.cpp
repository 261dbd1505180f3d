// Rise, transit and set of fixed stars against a brute-force altitude scan
// built on ERFA's sidereal time.
#include "engine/rise_set.h"

#include <erfa.h>
#include <gtest/gtest.h>

#include <cmath>

#include "engine/angles.h"
#include "engine/calendar.h"

namespace {

struct Star {
  double ra, dec;
};

void fixedStar(double* ra, double* dec, void* context, double) {
  auto* star = static_cast<Star*>(context);
  *ra = star->ra;
  *dec = star->dec;
}

// Munich, and the standard altitude of a star's rise with refraction.
constexpr double kLon = 11.58 * M_PI / 180, kLat = 48.14 * M_PI / 180;
constexpr double kZone = 1.0 / 24;
const double kH0 = -34.0 / 60 * M_PI / 180;

// Altitude minus h0, and hour angle, from ERFA's GMST.
double altitudeExcess(const Star& s, double jd) {
  double h = eraGmst82(jd, 0) + kLon - s.ra;
  double sinAlt = std::sin(kLat) * std::sin(s.dec) +
                  std::cos(kLat) * std::cos(s.dec) * std::cos(h);
  return std::asin(sinAlt) - kH0;
}

double hourAngle(const Star& s, double jd) {
  return std::remainder(eraGmst82(jd, 0) + kLon - s.ra, 2 * M_PI);
}

// The first root of f in the local day by a one-minute scan and bisection;
// `rising` picks the sign change.
template <typename F>
double scan(F f, double d0, bool rising) {
  const double step = 1.0 / 1440;
  for (double a = d0; a < d0 + 1; a += step) {
    double b = a + step, fa = f(a), fb = f(b);
    if (rising ? (fa < 0 && fb >= 0) : (fa > 0 && fb <= 0)) {
      for (int i = 0; i < 60; ++i) {
        double m = (a + b) / 2;
        ((f(m) < 0) == rising ? a : b) = m;
      }
      return (a + b) / 2;
    }
  }
  return NAN;
}

TEST(RiseTransitSet, VegaOverAYearAgainstScan) {
  Star vega{(18 + 36 / 60.0 + 56.3 / 3600) * 15 * M_PI / 180,
            (38 + 47 / 60.0 + 1 / 3600.0) * M_PI / 180};
  const double seconds = 1.0 / 86400;
  int checked = 0;
  for (double day = 2460311.0; day < 2460676.0; day += 7) {
    double d0 = std::floor(day - 0.5 + kZone) + 0.5 - kZone;
    auto alt = [&](double t) { return altitudeExcess(vega, t); };
    auto ha = [&](double t) { return hourAngle(vega, t); };
    double rise = scan(alt, d0, true);
    double set = scan(alt, d0, false);
    double transit = scan(ha, d0, true);
    double ours[3];
    for (int kind : {kRise, kTransit, kSet})
      ours[kind + 1] = riseTransitSet(fixedStar, &vega, kind, 10, day, kZone,
                                      kLon, kLat, kH0, 1e-7);
    double expected[3] = {rise, transit, set};
    for (int k = 0; k < 3; ++k) {
      if (std::isnan(expected[k])) {
        // The event falls just outside this local day.
        EXPECT_FALSE(std::isfinite(ours[k])) << k << " " << day;
        continue;
      }
      EXPECT_NEAR(ours[k], expected[k], 2 * seconds) << k << " " << day;
      ++checked;
    }
  }
  EXPECT_GT(checked, 150);
}

TEST(RiseTransitSet, CircumpolarAndNeverRising) {
  Star polaris{0.66 * M_PI / 12, 89.26 * M_PI / 180};
  double jd = 2460400.3;
  EXPECT_EQ(riseTransitSet(fixedStar, &polaris, kRise, 10, jd, kZone, kLon,
                           kLat, kH0, 1e-7),
            -INFINITY);
  EXPECT_EQ(riseTransitSet(fixedStar, &polaris, kSet, 10, jd, kZone, kLon,
                           kLat, kH0, 1e-7),
            INFINITY);
  double transit = riseTransitSet(fixedStar, &polaris, kTransit, 10, jd, kZone,
                                  kLon, kLat, kH0, 1e-7);
  ASSERT_TRUE(std::isfinite(transit));
  EXPECT_NEAR(hourAngle(polaris, transit), 0, 1e-5);

  Star southern{1.0, -80 * M_PI / 180};
  for (int kind : {kRise, kTransit, kSet}) {
    double t = riseTransitSet(fixedStar, &southern, kind, 10, jd, kZone, kLon,
                              kLat, kH0, 1e-7);
    EXPECT_EQ(t, kind == kRise ? -INFINITY : INFINITY) << kind;
  }
  EXPECT_EQ(riseSetHourAngle(kH0, kLat, polaris.dec), kPi);
  EXPECT_EQ(riseSetHourAngle(kH0, kLat, southern.dec), 0.0);
}

void noPlace(double* ra, double* dec, void*, double) {
  *ra = NAN;
  *dec = NAN;
}

TEST(RiseTransitSet, BodyWithoutPositionGivesMarkers) {
  EXPECT_EQ(riseTransitSet(noPlace, nullptr, kRise, 10, 2460400.3, 0, 0, 0.8,
                           kH0, 1e-7),
            -INFINITY);
  EXPECT_EQ(riseTransitSet(noPlace, nullptr, kSet, 10, 2460400.3, 0, 0, 0.8,
                           kH0, 1e-7),
            INFINITY);
}

}  // namespace
