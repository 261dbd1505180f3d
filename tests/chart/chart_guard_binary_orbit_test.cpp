// A visual binary of eccentricity 0.9: round periastron the companion
// sweeps most of its orbit's turn in a small part of its period, so only
// a drawing and a placing that follow Kepler's equation keep to the
// ellipse there. The oracle is the textbook's: Kepler's equation solved
// here by bisection, the Thiele-Innes constants, ERFA's tangent plane.
#include <erfa.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/angles.h"
#include "skydata/object_factory.h"
#include "skydata/sky_database.h"
#include "tests/chart/chart_canvas.h"
#include "tests/chart/sky_fixture.h"

namespace {

using chart_test::ChartSky;
using chart_test::StarDefinition;

constexpr double kDegree = 0.017453292519943295;
constexpr double kArcsecond = kDegree / 3600;

using Orbit = chart_test::BinaryOrbit;

// E - e sin E = M by bisection: the left side grows with E, so the root
// lies between M - e and M + e.
double eccentricAnomaly(double m, double e) {
  double lo = m - e, hi = m + e;
  for (int k = 0; k < 200; ++k) {
    const double mid = (lo + hi) / 2;
    (mid - e * std::sin(mid) < m ? lo : hi) = mid;
  }
  return (lo + hi) / 2;
}

// The companion's offset (radians, north and east) at eccentric anomaly E.
void offsetAt(const Orbit& o, double ecc, double* north, double* east) {
  const double x = std::cos(ecc) - o.e, y = std::sqrt(1 - o.e * o.e) * std::sin(ecc);
  const double co = std::cos(o.omega), so = std::sin(o.omega);
  const double cn = std::cos(o.node), sn = std::sin(o.node), ci = std::cos(o.inclination);
  const double A = o.a * (co * cn - so * sn * ci), B = o.a * (co * sn + so * cn * ci);
  const double F = o.a * (-so * cn - co * sn * ci), G = o.a * (-so * sn + co * cn * ci);
  *north = A * x + F * y;
  *east = B * x + G * y;
}

// The year (2000 + Julian years of TT) at mean anomaly M.
double yearAt(const Orbit& o, double m) { return o.t0 + m / (2 * kPi) * o.period; }

class ChartGuardBinaryOrbit : public testing::Test {
 protected:
  static constexpr double kPrimaryRa = 120, kPrimaryDec = 30;

  ChartGuardBinaryOrbit() {
    StarDefinition primary, secondary;
    primary.ra = secondary.ra = kPrimaryRa;
    primary.dec = secondary.dec = kPrimaryDec;
    primary.magnitude = 3, primary.name = "Primary";
    secondary.magnitude = 4, secondary.name = "Secondary";
    EXPECT_TRUE(sky_.loadBinaryStar(primary, secondary, orbit_));
    // The elements as the catalogue stores them (floats).
    orbit_.t0 = static_cast<float>(orbit_.t0);
    orbit_.a = static_cast<float>(orbit_.a);
    orbit_.e = static_cast<float>(orbit_.e);
    orbit_.inclination = static_cast<float>(orbit_.inclination);
    orbit_.omega = static_cast<float>(orbit_.omega);
    orbit_.node = static_cast<float>(orbit_.node);
    eraS2c(kPrimaryRa * kDegree, kPrimaryDec * kDegree, primaryDirection_);
  }

  // The direction of an offset from the primary.
  void directionOf(double north, double east, double v[3]) const {
    eraTpstv(east, north, const_cast<double*>(primaryDirection_), v);
  }

  ChartSky sky_;
  Orbit orbit_{2023.0, 50, 40 * kArcsecond, 0.9, 1.0, 0.7, 1.75};
  double primaryDirection_[3];
};

// Round periastron, where steps of the mean anomaly would leap tens of
// degrees along the ellipse, the drawn line keeps to the ellipse and
// passes through the places Kepler's equation gives at times either side.
TEST_F(ChartGuardBinaryOrbit, TheDrawnOrbitFollowsKeplersEquationThroughPeriastron) {
  double north, east, centre[3], ra, dec;
  offsetAt(orbit_, 0, &north, &east);
  directionOf(north, east, centre);
  eraC2s(centre, &ra, &dec);
  // 43 arcseconds across: the orbit's 4" periastron distance and the arc
  // round it fill the view, 9 pixels to the arcsecond.
  const double fov = 0.012;
  auto chart = sky_.doubleStarChart(400, 300, ra / kDegree, dec / kDegree, fov);
  chart_test::Canvas2D canvas(*chart, 400, 300);
  chart->drawStars();
  canvas.save("binary_orbit_periastron");
  const chart_test::Raster raster = canvas.raster();

  chart_test::TestView view;
  view.projection = 1, view.lon0 = ra, view.lat0 = dec, view.fov = fov * kDegree;
  view.width = 400, view.height = 300;
  auto project = [&](double ecc) {
    double n, e, v[3];
    offsetAt(orbit_, ecc, &n, &e);
    directionOf(n, e, v);
    chart_test::Point2 p{};
    EXPECT_TRUE(view.project(v, &p.x, &p.y));
    return p;
  };
  std::vector<chart_test::Point2> ellipse;
  for (int k = -2000; k <= 2000; ++k) ellipse.push_back(project(k * kPi / 2000));
  const chart_test::CurveFit fit = chart_test::fitInkToCurves(raster, {ellipse});
  EXPECT_GT(fit.inkPixels, 300);
  EXPECT_GT(fit.samples, 100);
  EXPECT_LT(fit.inkToCurve, 1.5);
  EXPECT_LT(fit.curveToInk, 1.5);

  // Within a hundredth of the period of periastron the companion runs
  // through some 140 degrees of eccentric anomaly.
  int checked = 0;
  for (int k = -10; k <= 10; ++k) {
    const double m = k * 0.001 * 2 * kPi;
    const chart_test::Point2 p = project(eccentricAnomaly(m, orbit_.e));
    if (p.x < 2 || p.y < 2 || p.x > 398 || p.y > 298) continue;
    double nearest = 1e9;
    for (int y = static_cast<int>(p.y) - 3; y <= static_cast<int>(p.y) + 3; ++y)
      for (int x = static_cast<int>(p.x) - 3; x <= static_cast<int>(p.x) + 3; ++x)
        if (raster.at(x, y) > 0.25f) nearest = std::min(nearest, std::hypot(x + 0.5 - p.x, y + 0.5 - p.y));
    EXPECT_LT(nearest, 1.5) << "mean anomaly " << m;
    ++checked;
  }
  EXPECT_GE(checked, 15);
}

// The companion's separation and position angle at times round periastron
// are where Kepler's equation puts it, at the 0.9 eccentricity that makes
// a mean anomaly taken for the eccentric one wrong by tens of degrees.
TEST_F(ChartGuardBinaryOrbit, TheCompanionStandsWhereKeplersEquationPutsItRoundPeriastron) {
  SkyObjectID id = sky_.star(0, 1);
  ScopedSkyObject object(sky_.database().getObject(&id));
  const CBinaryStar* binary = asBinaryStar(object.get());
  ASSERT_NE(binary, nullptr);
  auto chart = sky_.chart(400, 300, kPrimaryRa, kPrimaryDec, 1);
  int checked = 0;
  for (int k = -12; k <= 12; ++k) {
    const double m = k * 0.0013 * 2 * kPi;
    const double year = yearAt(orbit_, m);
    chart->setJulianDate(2451545.0 + (year - 2000) * 365.25);
    // The chart's clock is UT; the orbit runs on TT.
    const double ttYear = 2000 + (chart->dynamicalJulianDate - 2451545.0) / 365.25;
    const double mTT = (ttYear - orbit_.t0) / orbit_.period * 2 * kPi;
    double north, east, separation, angle;
    offsetAt(orbit_, eccentricAnomaly(mTT, orbit_.e), &north, &east);
    ASSERT_TRUE(chart->binaryStarCompanionPosition(binary, &separation, &angle));
    EXPECT_NEAR(separation, std::hypot(north, east), 1e-4 * kArcsecond) << m;
    EXPECT_NEAR(normalizeRadiansSigned(angle - std::atan2(east, north)), 0, 1e-4) << m;
    ++checked;
  }
  EXPECT_EQ(checked, 25);
}

}  // namespace
