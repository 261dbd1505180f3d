// Precession, nutation, frames, aberration, refraction and the ellipsoid,
// checked against ERFA as an independent implementation.
#include <erfa.h>
#include <erfam.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>

#include "engine/aberration.h"
#include "engine/angles.h"
#include "engine/ellipsoid.h"
#include "engine/frame_matrices.h"
#include "engine/matrices.h"
#include "engine/precession.h"
#include "engine/refraction.h"
#include "engine/vectors.h"

namespace {

constexpr double kJ2000 = 2451545.0;
constexpr double kArcsecond = 1 / 206264.80624714843;
const double kDates[] = {2451545.0, 2415020.5, 2488069.5, 2305447.5, 2597641.5, 2453000.25};

// Largest angle (radians) by which two rotation matrices differ.
double matrixAngle(const double m[9], const double e[3][3]) {
  double worst = 0;
  for (int c = 0; c < 3; ++c) {
    double a[3] = {m[c], m[3 + c], m[6 + c]}, b[3] = {e[0][c], e[1][c], e[2][c]};
    worst = std::fmax(worst, vectorSeparation(a, b));
  }
  return worst;
}

TEST(Precession, IauAnglesAndMatrixMatchErfa) {
  for (double jd : kDates) {
    double zeta, z, theta, ez, ezz, eth;
    precessionAngles(&zeta, &z, &theta, nullptr, nullptr, nullptr, kJ2000 - 3000, jd);
    eraPrec76(kJ2000 - 3000, 0, jd, 0, &ez, &ezz, &eth);
    EXPECT_NEAR(zeta, ez, 1e-12);
    EXPECT_NEAR(z, ezz, 1e-12);
    EXPECT_NEAR(theta, eth, 1e-12);

    double m[9], e[3][3];
    precessionMatrix(m, 0, kJ2000, jd);
    eraPmat76(jd, 0, e);
    EXPECT_LT(matrixAngle(m, e), 1e-12) << jd;
    EXPECT_NEAR(meanObliquity(jd), eraObl80(jd, 0), 1e-12);
  }
}

// The ecliptic quantities over centuries, against the IAU 1976 ecliptics
// that ERFA builds independently: the ecliptic of a date is its mean
// equator (eraPrec76's zeta, z, theta) turned by its obliquity (eraObl80).
// The rotation from the ecliptic and equinox of jd0 to those of jd1 is
// R3(-(Pi + p)) R1(pi) R3(Pi) (Lieske et al. 1977), so its third row gives
// the inclination pi and the node Pi, and its third column Pi + p.
TEST(Precession, EclipticQuantitiesOverCenturiesMatchErfa) {
  int checked = 0;
  for (double jd0 : {kJ2000 - 2 * 36525.0, kJ2000, kJ2000 + 1.5 * 36525.0}) {  // 1800-2150
    for (double centuries : {-3.0, -2.0, -1.0, -0.25, 0.5, 1.0, 3.0}) {
      const double jd1 = jd0 + centuries * 36525.0;
      double zeta, z, theta, m[3][3];
      eraPrec76(jd0, 0, jd1, 0, &zeta, &z, &theta);
      eraIr(m);
      eraRx(-eraObl80(jd0, 0), m);  // ecliptic of jd0 to its equator
      eraRz(-zeta, m);
      eraRy(theta, m);
      eraRz(-z, m);                 // to the equator of jd1
      eraRx(eraObl80(jd1, 0), m);   // to the ecliptic of jd1
      const double erfaPi = std::acos(m[2][2]);
      const double erfaNode = std::atan2(m[2][0], -m[2][1]);
      const double erfaP = std::atan2(-m[0][2], m[1][2]) - erfaNode;

      double pi, bigPi, p;
      precessionAngles(nullptr, nullptr, nullptr, &pi, &bigPi, &p, jd0, jd1);
      // Backwards in time the node is the descending one: pi < 0.
      const double node = pi < 0 ? bigPi + ERFA_DPI : bigPi;
      // The two agree to what the truncated series carry over three
      // centuries: measured 0.002" in pi and p. The node is only as well
      // defined as the inclination is large, so it is held by the pole's
      // displacement pi x dPi (measured 0.005").
      EXPECT_NEAR(std::fabs(pi), erfaPi, 0.01 * kArcsecond) << jd0 << " " << centuries;
      EXPECT_NEAR(erfaPi * std::remainder(node - erfaNode, 2 * ERFA_DPI), 0.0, 0.01 * kArcsecond)
          << jd0 << " " << centuries;
      EXPECT_NEAR(std::remainder(p - erfaP, 2 * ERFA_DPI), 0.0, 0.01 * kArcsecond)
          << jd0 << " " << centuries;
      ++checked;
    }
  }
  EXPECT_EQ(checked, 21);
}

TEST(Precession, EclipticQuantitiesAtZeroInterval) {
  double zeta, z, theta, pi, bigPi, p;
  double jd = 2488069.5, T = (jd - kJ2000) / 36525;
  precessionAngles(&zeta, &z, &theta, &pi, &bigPi, &p, jd, jd);
  EXPECT_EQ(zeta + z + theta + pi + p, 0);
  EXPECT_DOUBLE_EQ(bigPi, 3.052168684781161 + (3289.4789 * T + 0.60622 * T * T) * kArcsecond);
}

TEST(Precession, NutationAndTrueEquatorMatchErfa) {
  // Four terms of the series leave the smaller ones out: 0.5" in longitude.
  for (double jd = 2415020.5; jd < 2488070; jd += 97.3) {
    double dpsi, deps, edpsi, edeps;
    nutationAngles(&dpsi, &deps, jd);
    eraNut80(jd, 0, &edpsi, &edeps);
    ASSERT_NEAR(dpsi, edpsi, 0.5 * kArcsecond) << jd;
    ASSERT_NEAR(deps, edeps, 0.25 * kArcsecond) << jd;
  }
  for (double jd : kDates) {
    double m[9], e[3][3];
    precessionMatrix(m, 1, kJ2000, jd);
    eraPnm80(jd, 0, e);
    EXPECT_LT(matrixAngle(m, e), 0.6 * kArcsecond) << jd;
  }
}

TEST(LongTermPrecession, TableAnchoredAtJ2000) {
  double chi, omega, psi, eps;
  longTermPrecessionAngles(&chi, &omega, &psi, &eps, kJ2000);
  EXPECT_NEAR(chi, 0, 1e-15);
  EXPECT_NEAR(psi, 0, 1e-15);
  EXPECT_NEAR(omega, 23.439291111 * 0.01745329251993889, 1e-11);
  EXPECT_NEAR(eps, 23.439291111 * 0.01745329251993889, 1e-11);
  double m[9];
  longTermPrecessionMatrix(m, 0, kJ2000, kJ2000);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(m[i], i % 4 == 0 ? 1 : 0);
}

TEST(LongTermPrecession, MatrixMatchesErfaWithinTwoMillennia) {
  for (double years = -2000; years <= 2000; years += 37.5) {
    double jd = kJ2000 + years * 365.25, m[9], e[3][3];
    longTermPrecessionMatrix(m, 0, kJ2000, jd);
    eraLtp(2000 + years, e);
    ASSERT_LT(matrixAngle(m, e), 1e-3 * kArcsecond) << years;
  }
  // Between two dates it goes through J2000: P(jd1) P(jd0)^T.
  double jd0 = kJ2000 - 800 * 365.25, jd1 = kJ2000 + 1500 * 365.25;
  double m[9], e0[3][3], e0t[3][3], e1[3][3], e[3][3];
  longTermPrecessionMatrix(m, 0, jd0, jd1);
  eraLtp(1200, e0);
  eraLtp(3500, e1);
  eraTr(e0, e0t);
  eraRxr(e1, e0t, e);
  EXPECT_LT(matrixAngle(m, e), 1e-3 * kArcsecond);
}

TEST(LongTermPrecession, AgreesWithModelOverItsSpanAndStaysFinitePastIt) {
  for (double years = -200000; years <= 200000; years += 4321) {
    double m[9], e[3][3];
    longTermPrecessionMatrix(m, 0, kJ2000, kJ2000 + years * 365.25);
    eraLtp(2000 + years, e);
    ASSERT_LT(matrixAngle(m, e), 0.05 * kArcsecond) << years;
  }
  double previous = -1e9;
  for (double years = -520000; years <= 520000; years += 1000) {
    double chi, omega, psi, eps;
    longTermPrecessionAngles(&chi, &omega, &psi, &eps, kJ2000 + years * 365.25);
    ASSERT_TRUE(std::isfinite(chi + omega + psi + eps)) << years;
    ASSERT_GT(psi, previous) << years;  // the equinox keeps moving westwards
    previous = psi;
    ASSERT_GT(eps, 0.3);
    ASSERT_LT(eps, 0.5);
  }
}

TEST(LongTermPrecession, NutationAtJ2000IsTheNutationMatrix) {
  double m[9], n[3][3], dpsi, deps;
  longTermPrecessionMatrix(m, 1, kJ2000, kJ2000);
  nutationAngles(&dpsi, &deps, kJ2000);
  eraNumat(84381.448 * kArcsecond, dpsi, deps, n);
  EXPECT_LT(matrixAngle(m, n), 1e-12);
}

// A chart's change of date asks for the same matrices and angles several
// times, and the functions keep the last answer: any order of calls gives
// each answer bit for bit as a first call on a fresh thread does.
TEST(LongTermPrecession, RepeatedCallsGiveTheFirstAnswers) {
  struct Call {
    int kind;  // 0 precession matrix, 1 nutation angles, 2 galactic matrix
    int flag;
    double jd0, jd1;
  };
  const Call calls[] = {{0, 1, kJ2000, 2459580.5}, {0, 0, kJ2000, 2459580.5},
                        {0, 1, 2459580.5, kJ2000}, {0, 1, 2451000.5, 2459580.5},
                        {0, 1, kJ2000, 2459580.6}, {1, 0, 0, 2459580.5},
                        {1, 0, 0, 2459580.6},      {2, 1, 0, kJ2000},
                        {2, 0, 0, kJ2000},         {2, 1, 0, 2459580.5}};
  auto evaluate = [](const Call& c, double out[9]) {
    std::fill(out, out + 9, 0.0);
    if (c.kind == 0) longTermPrecessionMatrix(out, c.flag, c.jd0, c.jd1);
    if (c.kind == 1) nutationAngles(&out[0], &out[1], c.jd1);
    if (c.kind == 2) galacticMatrix(out, c.flag, c.jd1);
  };
  constexpr int kCalls = sizeof calls / sizeof calls[0];
  double first[kCalls][9];
  for (int i = 0; i < kCalls; ++i) std::thread([&] { evaluate(calls[i], first[i]); }).join();
  // Every call after every other one (and after itself).
  for (int before = 0; before < kCalls; ++before)
    for (int i = 0; i < kCalls; ++i) {
      double scratch[9], again[9];
      evaluate(calls[before], scratch);
      evaluate(calls[i], again);
      for (int j = 0; j < 9; ++j) ASSERT_EQ(again[j], first[i][j]) << i << " after " << before;
    }
}

TEST(Frames, GalacticAndEclipticAgreeWithErfa) {
  double m[9], back[9];
  galacticMatrix(m, 1, kJ2000);
  galacticMatrix(back, 0, kJ2000);
  for (double ra = 0.1; ra < 6.2; ra += 0.7) {
    for (double dec = -1.4; dec < 1.5; dec += 0.35) {
      double v[3], l, b, el, eb;
      sphericalToVector(v, ra, dec, 1);
      matrixTimesVector(m, v);
      vectorToSpherical(v, &l, &b, nullptr);
      eraIcrs2g(ra, dec, &el, &eb);
      double a[3], e[3];
      sphericalToVector(a, l, b, 1);
      sphericalToVector(e, el, eb, 1);
      ASSERT_LT(vectorSeparation(a, e), 2 * kArcsecond) << ra << " " << dec;
      matrixTimesVector(back, v);
      double start[3];
      sphericalToVector(start, ra, dec, 1);
      ASSERT_LT(vectorSeparation(v, start), 1e-12);
    }
  }
  double ecl[9], e[3][3];
  eclipticMatrix(ecl, 1, meanObliquity(kJ2000));
  eraEcm06(kJ2000, 0, e);  // IAU 2006: 0.042" less obliquity, 0.02" bias
  EXPECT_LT(matrixAngle(ecl, e), 0.1 * kArcsecond);
}

TEST(Frames, HorizonGivesAzimuthFromNorthThroughEast) {
  double lat = 0.8, lst = 1.3, m[9], back[9];
  horizonMatrix(m, 1, lst, lat);
  horizonMatrix(back, 0, lst, lat);
  for (double ha = -3; ha < 3.1; ha += 0.5) {
    for (double dec = -1.2; dec < 1.5; dec += 0.4) {
      double v[3], az, alt, eaz, ealt;
      sphericalToVector(v, lst - ha, dec, 1);
      matrixTimesVector(m, v);
      vectorToSpherical(v, &az, &alt, nullptr);
      eraHd2ae(ha, dec, lat, &eaz, &ealt);
      ASSERT_NEAR(alt, ealt, 1e-12);
      if (std::fabs(alt) < 1.5) {  // azimuth is undefined at the zenith
        ASSERT_NEAR(std::remainder(az - eaz, 2 * M_PI), 0, 1e-9);
      }
      matrixTimesVector(back, v);
      ASSERT_NEAR(v[2], std::sin(dec), 1e-12);
    }
  }
}

TEST(Aberration, EarthVelocityMatchesErfa) {
  // The nine terms leave out those of Venus, Mars and the smaller lunar
  // ones: 2.2e-6 AU/day at worst over 1800-2200 (0.004" of aberration).
  for (double jd = 2378496.5; jd < 2524594; jd += 21.7) {
    double pvh[2][3], pvb[2][3], v[3];
    eraEpv00(jd, 0, pvh, pvb);
    earthVelocitySeries(&v[0], &v[1], &v[2], jd);
    for (int i = 0; i < 3; ++i) ASSERT_NEAR(v[i], pvb[1][i], 2.2e-6) << jd;
  }
}

TEST(Aberration, RelativisticDirectionMatchesErfa) {
  double v[3] = {-7e-5, 6e-5, 3e-5}, bm1 = std::sqrt(1 - eraPdp(v, v));
  for (double ra = 0.2; ra < 6.2; ra += 0.9) {
    for (double dec = -1.3; dec < 1.4; dec += 0.5) {
      double p[3], e[3];
      sphericalToVector(p, ra, dec, 1);
      eraAb(p, v, 1e100, bm1, e);  // a far Sun: no light deflection
      relativisticAberration(p, v, p);
      for (int i = 0; i < 3; ++i) ASSERT_NEAR(p[i], e[i], 1e-12);
    }
  }
  double p[3] = {0, 3, 4}, zero[3] = {0, 0, 0}, out[3];
  relativisticAberration(p, zero, out);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(out[i], p[i]);
}

TEST(Ellipsoid, ConversionsMatchErfa) {
  const double a = 6378137.0, f = 1 / 298.257223563;
  for (double lat = -1.5707963; lat < 1.5708; lat += 0.13) {
    for (double h : {-5000.0, 0.0, 420.0, 36e6}) {
      double x, y, z, e[3];
      geodeticToRectangular(&x, &y, &z, 2.5, lat, h, a, f);
      eraGd2gce(a, f, 2.5, lat, h, e);
      EXPECT_NEAR(x, e[0], 1e-12 * a);
      EXPECT_NEAR(y, e[1], 1e-12 * a);
      EXPECT_NEAR(z, e[2], 1e-12 * a);
      double lon, glat, gh, elon, elat, eh;
      rectangularToGeodetic(&lon, &glat, &gh, x, y, z, a, f);
      eraGc2gde(a, f, e, &elon, &elat, &eh);
      EXPECT_NEAR(std::remainder(lon - 2.5, 2 * M_PI), 0, 1e-12);
      EXPECT_NEAR(glat, lat, 1e-12) << lat << " " << h;
      EXPECT_NEAR(gh, h, 1e-12 * a);
      // ERFA's closed form is made for points near the surface.
      if (h < 1e6) {
        EXPECT_NEAR(lon, elon, 1e-12);
        EXPECT_NEAR(glat, elat, 1e-12);
        EXPECT_NEAR(gh, eh, 1e-12 * a);
      }
    }
  }
}

TEST(Ellipsoid, AxisCentreAndEquatorAreDefined) {
  const double a = kEarthEquatorialRadiusAU, f = kEarthFlattening;
  double lon, lat, h;
  rectangularToGeodetic(&lon, &lat, &h, 0, 0, -2 * a, a, f);
  EXPECT_EQ(lat, -kHalfPi);
  EXPECT_DOUBLE_EQ(h, 2 * a - a * (1 - f));
  rectangularToGeodetic(&lon, &lat, &h, 0, 0, 0, a, f);
  EXPECT_EQ(lat, 0);
  EXPECT_EQ(h, -a);
  rectangularToGeodetic(&lon, &lat, &h, a, 0, 0, a, f);
  EXPECT_EQ(lat, 0);
  EXPECT_NEAR(h, 0, 1e-20);
  double x, y, z;
  geodeticToRectangular(&x, &y, &z, 0.3, kHalfPi, 0, a, f);
  EXPECT_NEAR(std::hypot(x, y), 0, 1e-16);
  EXPECT_DOUBLE_EQ(z, a * (1 - f));
  // A coordinate that is not a number gives no position, not the pole.
  for (double bad : {double(NAN), -double(NAN)}) {
    rectangularToGeodetic(&lon, &lat, &h, bad, 1, 1, a, f);
    EXPECT_TRUE(std::isnan(lat) && std::isnan(h));
    rectangularToGeodetic(&lon, &lat, &h, 1, bad, 1, a, f);
    EXPECT_TRUE(std::isnan(lat) && std::isnan(h));
    rectangularToGeodetic(&lon, &lat, &h, 1, 1, bad, a, f);
    EXPECT_TRUE(std::isnan(lat) && std::isnan(h));
  }
  // Points near the centre, where the iteration need not converge, still
  // give a finite latitude in range and a height below the surface, no
  // deeper than the largest radius of curvature (the pole's, a / (1 - f)).
  for (double tiny : {1e-30, 1e-15, 1e-9}) {
    rectangularToGeodetic(&lon, &lat, &h, tiny, 0, tiny, a, f);
    EXPECT_TRUE(std::isfinite(lon) && std::isfinite(lat) && std::isfinite(h)) << tiny;
    EXPECT_LE(std::fabs(lat), ERFA_DPI / 2) << tiny;
    EXPECT_LT(h, 0) << tiny;
    EXPECT_GE(h, -a / (1 - f) * (1 + 1e-15)) << tiny;
  }
}

TEST(Ellipsoid, RotationVelocityIsTheRateOfThePosition) {
  const double a = kEarthEquatorialRadiusAU, f = kEarthFlattening;
  const double w = kEarthRotationRate, dt = 1e-6;
  double v[3], p0[3], p1[3];
  observerRotationVelocity(&v[0], &v[1], &v[2], 1.1, 0.7, 1e-8, a, f, w);
  geodeticToRectangular(&p0[0], &p0[1], &p0[2], 1.1 - w * dt, 0.7, 1e-8, a, f);
  geodeticToRectangular(&p1[0], &p1[1], &p1[2], 1.1 + w * dt, 0.7, 1e-8, a, f);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(v[i], (p1[i] - p0[i]) / (2 * dt), 1e-14);
}

TEST(Refraction, HorizonValueFloorsAndTheTwoFormulasAgree) {
  const double deg = 0.01745329251993889, arcmin = deg / 60;
  EXPECT_NEAR(atmosphericRefraction(1, 0, 1010, 10) / arcmin, 29.0, 0.5);
  EXPECT_EQ(atmosphericRefraction(1, -5 * deg, 1010, 10),
            atmosphericRefraction(1, -1.9 * deg, 1010, 10));
  EXPECT_EQ(atmosphericRefraction(2, -5 * deg, 1010, 10),
            atmosphericRefraction(2, -1.7 * deg, 1010, 10));
  // Saemundsson's formula was made to invert Bennett's: refracting a true
  // altitude and taking Bennett's value at the result gives it back.
  for (double h = 0; h < 89; h += 3) {
    double r = atmosphericRefraction(1, h * deg, 1010, 10);
    EXPECT_NEAR(atmosphericRefraction(2, h * deg + r, 1010, 10), r, 0.1 * arcmin) << h;
  }
  EXPECT_NEAR(atmosphericRefraction(2, 45 * deg, 505, 10),
              atmosphericRefraction(2, 45 * deg, 1010, 10) / 2, 1e-15);
}

}  // namespace
