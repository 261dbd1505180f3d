// Rotation models, body-fixed frames and sub-observer points: each model's
// stored rate against the slope of its own W, poles and prime meridians
// against the published elements and the Earth's against ERFA, frames
// against their defining geometry (pole to +z, prime meridian |W| from the
// node), sub-points of known body-fixed places.
#include "engine/rotation_models.h"

#include <erfa.h>
#include <gtest/gtest.h>

#include <cmath>

#include "engine/angles.h"
#include "engine/matrices.h"
#include "engine/vectors.h"

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;

using Model = void (*)(double*, double*, double*, double*, double);

void jupiterSystem2(double* ra, double* dec, double* w, double* rate, double jd) {
  jupiterRotation(ra, dec, w, rate, jd, 2);
}
void saturnSystem1(double* ra, double* dec, double* w, double* rate, double jd) {
  saturnRotation(ra, dec, w, rate, jd, 1);
}
void jupiterSystem3(double* ra, double* dec, double* w, double* rate, double jd) {
  jupiterRotation(ra, dec, w, rate, jd, 3);
}
void jupiterSystem1(double* ra, double* dec, double* w, double* rate, double jd) {
  jupiterRotation(ra, dec, w, rate, jd, 1);
}
void saturnSystem3(double* ra, double* dec, double* w, double* rate, double jd) {
  saturnRotation(ra, dec, w, rate, jd, 3);
}

double sinD(double degrees) { return std::sin(degrees * kDeg); }
double cosD(double degrees) { return std::cos(degrees * kDeg); }

// Published pole and prime meridian in degrees, W counted as published
// (positive rate for direct rotators), for d days and t centuries from J2000.
struct Elements {
  double ra, dec, w;
};
using Published = Elements (*)(double d, double t);

// The Moon after the 2009 report, without its terms E6-E13 (each below
// 0.01 degree, 0.034 in W together).
Elements publishedMoon(double d, double t) {
  const double e1 = 125.045 - 0.0529921 * d, e2 = 250.089 - 0.1059842 * d;
  const double e3 = 260.008 + 13.0120009 * d, e4 = 176.625 + 13.3407154 * d;
  const double e5 = 357.529 + 0.9856003 * d;
  return {269.9949 + 0.0031 * t - 3.8787 * sinD(e1) - 0.1204 * sinD(e2) + 0.0700 * sinD(e3) -
              0.0172 * sinD(e4),
          66.5392 + 0.0130 * t + 1.5419 * cosD(e1) + 0.0239 * cosD(e2) - 0.0278 * cosD(e3) +
              0.0068 * cosD(e4),
          38.3213 + 13.17635815 * d - 1.4e-12 * d * d + 3.5610 * sinD(e1) + 0.1208 * sinD(e2) -
              0.0642 * sinD(e3) + 0.0158 * sinD(e4) + 0.0252 * sinD(e5)};
}

// Jupiter's pole without its periodic terms (0.003 degree together), and
// Saturn's, with the W of the system asked for.
Elements jupiterPole(double t, double w) {
  return {268.056595 - 0.006499 * t, 64.495303 + 0.002413 * t, w};
}
Elements saturnPole(double t, double w) { return {40.589 - 0.036 * t, 83.537 - 0.004 * t, w}; }

// Angular distance of two directions given in degrees, in degrees.
double separationDegrees(double ra1, double dec1, double ra2, double dec2) {
  double a[3], b[3];
  sphericalToVector(a, ra1 * kDeg, dec1 * kDeg, 1.0);
  sphericalToVector(b, ra2 * kDeg, dec2 * kDeg, 1.0);
  return eraSepp(a, b) / kDeg;
}

TEST(RotationModels, StoredRatesAreTheSlopesOfW) {
  struct Case {
    Model model;
    bool eastward;
    double tolerance;  // relative; periodic terms move the Moon's slope
  };
  const Case cases[] = {{sunRotation, true, 1e-9},       {mercuryRotation, false, 1e-9},
                        {venusRotation, true, 1e-9},     {earthRotation, true, 1e-9},
                        {marsRotation, false, 1e-9},     {jupiterSystem2, false, 1e-9},
                        {jupiterSystem3, false, 1e-9},   {saturnSystem1, false, 1e-9},
                        {uranusRotation, false, 1e-9},   {neptuneRotation, false, 1e-6},
                        {plutoRotation, false, 1e-9},    {moonRotation, true, 2e-3}};
  for (const Case& c : cases) {
    // Dates and steps exact in binary, so that the slope is not rounding.
    for (double jd : {2451545.0, 2460000.25}) {
      const double h = 0.0625;
      double w0, w1, rate;
      c.model(nullptr, nullptr, &w0, &rate, jd - h);
      c.model(nullptr, nullptr, &w1, nullptr, jd + h);
      EXPECT_GE(std::fabs(w0), 0.0);
      EXPECT_LT(std::fabs(w0), kTwoPi);
      EXPECT_EQ(w0 <= 0.0, c.eastward);
      const double slope = std::remainder(w1 - w0, 2 * 3.14159265358979323846) / (2 * h);
      EXPECT_NEAR(c.eastward ? -slope : slope, rate, c.tolerance * std::fabs(rate))
          << &c - cases;
    }
  }
}

// Poles and prime meridians against the IAU working group's 2009 report
// (Archinal et al., Celest. Mech. Dyn. Astr. 109, 101, 2011, typed from the
// report), the W of Jupiter's systems I and II and Saturn's system I
// against the Astronomical Almanac's. Where the engine keeps an earlier
// report's constants the allowance is the difference of the two models
// over 1975-2025, each well below a degree.
TEST(RotationModels, PolesAndPrimeMeridiansMatchThePublishedElements) {
  struct Case {
    const char* body;
    Model model;
    bool eastward;
    Published published;
    double poleDegrees, wDegrees, wDegreesPerDay;  // allowance: W0 + drift |d|
  };
  const Case cases[] = {
      // The engine's W0 is 84.10.
      {"Sun", sunRotation, true,
       [](double d, double) { return Elements{286.13, 63.87, 84.176 + 14.1844 * d}; }, 1e-9,
       0.08, 0},
      // The engine's pole is 281.01, 61.45 and W0 329.71; the librations (0.011)
      // are left out.
      {"Mercury", mercuryRotation, false,
       [](double d, double t) {
         return Elements{281.0097 - 0.0328 * t, 61.4143 - 0.0049 * t, 329.5469 + 6.1385025 * d};
       },
       0.04, 0.175, 0},
      // The engine's pole is 272.78, 67.21 and its period 243.010 days, not 243.0185.
      {"Venus", venusRotation, true,
       [](double d, double) { return Elements{272.76, 67.16, 160.20 - 1.4813688 * d}; }, 0.06,
       0.3, 5.2e-5},
      // The engine turns at the rate of the Earth rotation angle (360.9856123).
      {"Earth", earthRotation, true,
       [](double d, double t) {
         return Elements{0.00 - 0.641 * t, 90.00 - 0.557 * t, 190.147 + 360.9856235 * d};
       },
       1e-9, 0.065, 1.2e-5},
      // The engine's W0 is 176.868, its pole within 0.001 degree.
      {"Mars", marsRotation, false,
       [](double d, double t) {
         return Elements{317.68143 - 0.1061 * t, 52.88650 - 0.0609 * t,
                         176.630 + 350.89198226 * d};
       },
       0.002, 0.24, 1e-6},
      {"Jupiter III", jupiterSystem3, false,
       [](double d, double t) { return jupiterPole(t, 284.95 + 870.536 * d); }, 0.01, 1e-6, 0},
      {"Jupiter I", jupiterSystem1, false,
       [](double d, double t) { return jupiterPole(t, 67.1 + 877.900 * d); }, 0.01, 1e-6, 0},
      {"Jupiter II", jupiterSystem2, false,
       [](double d, double t) { return jupiterPole(t, 43.3 + 870.270 * d); }, 0.01, 1e-6, 0},
      // The engine's pole is 40.66, 83.52.
      {"Saturn III", saturnSystem3, false,
       [](double d, double t) { return saturnPole(t, 38.90 + 810.7939024 * d); }, 0.02, 1e-6, 0},
      {"Saturn I", saturnSystem1, false,
       [](double d, double t) { return saturnPole(t, 227.2037 + 844.3 * d); }, 0.02, 1e-6, 0},
      // The engine's pole is 257.43, -15.10.
      {"Uranus", uranusRotation, false,
       [](double d, double) { return Elements{257.311, -15.175, 203.81 - 501.1600928 * d}; },
       0.14, 1e-6, 0},
      {"Neptune", neptuneRotation, false,
       [](double d, double t) {
         const double n = 357.85 + 52.316 * t;
         return Elements{299.36 + 0.70 * sinD(n), 43.46 - 0.51 * cosD(n),
                         253.18 + 536.3128492 * d - 0.48 * sinD(n)};
       },
       1e-9, 1e-6, 0},
      {"Pluto", plutoRotation, false,
       [](double d, double) { return Elements{132.993, -6.163, 302.695 + 56.3625225 * d}; },
       1e-9, 1e-6, 0},
      // The engine's lunar series is the earlier one, with five arguments.
      {"Moon", moonRotation, true, publishedMoon, 0.075, 0.16, 0},
  };
  int checked = 0;
  for (const Case& c : cases) {
    for (double jd : {2442413.5, 2447892.5, 2451545.0, 2460676.5}) {  // 1975, 1990, 2000, 2025
      const double d = jd - 2451545.0;
      const Elements theirs = c.published(d, d / 36525.0);
      double ra, dec, w, rate;
      c.model(&ra, &dec, &w, &rate, jd);
      EXPECT_LT(separationDegrees(ra / kDeg, dec / kDeg, theirs.ra, theirs.dec), c.poleDegrees)
          << c.body << " at " << jd;
      const double ours = (c.eastward ? -w : w) / kDeg;
      EXPECT_LT(std::fabs(std::remainder(ours - theirs.w, 360.0)),
                c.wDegrees + c.wDegreesPerDay * std::fabs(d))
          << c.body << " at " << jd;
      ++checked;
    }
  }
  EXPECT_EQ(checked, 56);
}

// Neptune's pole circles its mean place (the precession of the planet's
// pole about that of the invariable plane of its system), so its distance
// from that place stays the same all round: 0.70 degrees of right ascension
// at declination 43.46 are the 0.51 degrees of the declination term.
TEST(RotationModels, NeptunesPoleCirclesItsMeanPlace) {
  for (double jd = 2451545.0; jd < 2451545.0 + 700 * 365.25; jd += 3652.5) {
    double ra, dec;
    neptuneRotation(&ra, &dec, nullptr, nullptr, jd);
    EXPECT_NEAR(separationDegrees(ra / kDeg, dec / kDeg, 299.36, 43.46), 0.51, 0.005) << jd;
  }
}

// The Earth's prime meridian and pole from the model at a dynamical time
// against ERFA's celestial-to-terrestrial matrix (IAU 2006/2000A, polar
// motion left out) at that time and at UT1 = TT - Delta T (63.83 s at the
// start of 2000, 69.14 s at the start of 2025, from the IERS values of
// UT1 - UTC). The model's pole is the mean one, so nutation (0.006 degree)
// stays in the difference; its W keeps the rotation angle's rate while its
// node follows the pole's 0.641 degree a century, so the prime meridian
// drifts 0.0044 degree a year from J2000 (0.016 there, 0.122 in 2025).
TEST(RotationModels, EarthFrameFollowsTheEarthsRotation) {
  const struct {
    double jd, deltaTSeconds, meridianDegrees;
  } dates[] = {{2451545.0, 63.83, 0.02}, {2460676.5, 69.14, 0.13}};
  for (const auto& date : dates) {
    double ra, dec, w;
    earthRotation(&ra, &dec, &w, nullptr, date.jd);
    double toBody[9];
    bodyFixedMatrix(toBody, 1, ra, dec, w);
    double toTerrestrial[3][3];
    eraC2t06a(date.jd, 0.0, date.jd, -date.deltaTSeconds / 86400.0, 0.0, 0.0, toTerrestrial);
    // The rows are the body's axes in the J2000 frame.
    EXPECT_LT(eraSepp(toBody + 6, toTerrestrial[2]) / kDeg, 0.01) << date.jd;
    EXPECT_LT(eraSepp(toBody, toTerrestrial[0]) / kDeg, date.meridianDegrees) << date.jd;
  }
}

TEST(RotationModels, MinorBodies) {
  double ra = 7, dec = 7, w = 7, rate = 7;
  EXPECT_EQ(rotationElementsAsteroid(3, &ra, &dec, &w, &rate, 2451545.0), 0);
  EXPECT_EQ(ra, 7);
  EXPECT_EQ(rate, 7);
  double pra, pdec, pw, prate;
  EXPECT_EQ(rotationElementsAsteroid(134340, &ra, &dec, &w, &rate, 2455000.5), 1);
  plutoRotation(&pra, &pdec, &pw, &prate, 2455000.5);
  EXPECT_DOUBLE_EQ(ra, pra);
  EXPECT_DOUBLE_EQ(dec, pdec);
  EXPECT_NEAR(w, pw, 1e-9);
  EXPECT_NEAR(rate, prate, 1e-15);
  // Published: Vesta after the 2015 report (Archinal et al., Celest. Mech.
  // Dyn. Astr. 130, 22, 2018), the others after the 2009 report.
  const struct {
    long number;
    double ra, dec, w0, degreesPerDay;
  } published[] = {{1, 291, 59, 170.90, 952.1532},          {2, 33, -3, 38, 1105.8036},
                   {4, 309.031, 42.235, 285.39, 1617.3329428}, {21, 52, 12, 94, 1057.7515},
                   {433, 11.35, 17.22, 326.07, 1639.38864745}, {511, 297, 5, 268.1, 1684.4193549},
                   {951, 9.47, 26.70, 83.67, 1226.9114850},    {25143, 90.53, -66.30, 0, 712.143},
                   {134340, 132.993, -6.163, 302.695, 56.3625225}};
  for (const auto& body : published) {
    for (double jd : {2451545.0, 2460676.5}) {
      ASSERT_EQ(rotationElementsAsteroid(body.number, &ra, &dec, &w, &rate, jd), 1);
      EXPECT_NEAR(ra, body.ra * kDeg, 1e-9) << body.number;
      EXPECT_NEAR(dec, body.dec * kDeg, 1e-9) << body.number;
      const double theirs = body.w0 + body.degreesPerDay * (jd - 2451545.0);
      EXPECT_NEAR(std::remainder(w / kDeg - theirs, 360.0), 0.0, 1e-6) << body.number;
      EXPECT_NEAR(rate, body.degreesPerDay * kDeg, 1e-9) << body.number;
    }
  }
}

TEST(BodyFixedMatrix, PoleAndPrimeMeridian) {
  const double ra = 1.2, dec = 0.4, w = -2.1;
  double toBody[9], toEquator[9];
  bodyFixedMatrix(toBody, 1, ra, dec, w);
  bodyFixedMatrix(toEquator, 0, ra, dec, w);
  double pole[3];
  sphericalToVector(pole, ra, dec, 1.0);
  matrixTimesVector(toBody, pole);
  EXPECT_NEAR(pole[2], 1.0, 1e-12);
  // The inverse really is the inverse.
  double product[9];
  matrixCopy(product, toBody);
  matrixMultiply(toEquator, product);
  for (int k = 0; k < 9; ++k) EXPECT_NEAR(product[k], k % 4 == 0 ? 1.0 : 0.0, 1e-12);
  // The prime meridian lies |W| along the body's equator from the node of
  // that equator on the J2000 equator (at RA + 90 degrees).
  double meridian[3] = {1, 0, 0}, node[3];
  matrixTimesVector(toEquator, meridian);
  sphericalToVector(node, ra + kHalfPi, 0.0, 1.0);
  EXPECT_NEAR(std::acos(vectorDot(meridian, node)), std::fabs(w), 1e-12);
  sphericalToVector(pole, ra, dec, 1.0);
  EXPECT_NEAR(vectorDot(meridian, pole), 0.0, 1e-12);
}

TEST(SubPointOnBody, FindsKnownPlacesInBothConventions) {
  const double ra = 0.3, dec = 1.1, lon = 30 * kDeg, lat = -20 * kDeg;
  for (double w : {-2.0, 2.0}) {
    double toEquator[9], place[3];
    bodyFixedMatrix(toEquator, 0, ra, dec, w);
    sphericalToVector(place, lon, lat, 3.0);
    matrixTimesVector(toEquator, place);
    // An observer straight above that place looks along -place.
    double view[3];
    vectorCopy(view, place);
    vectorScale(view, -1.0);
    double l, b, pa;
    subPointOnBody(view, &l, &b, &pa, ra, dec, w);
    EXPECT_NEAR(l, w > 0 ? kTwoPi - lon : lon, 1e-12) << w;
    EXPECT_NEAR(b, lat, 1e-12);
    subPointOnBody(view, nullptr, nullptr, nullptr, ra, dec, w);
  }
  // The pole's position angle: north along the celestial pole, east towards
  // increasing right ascension.
  const double ahead[3] = {1, 0, 0};
  double pa;
  subPointOnBody(ahead, nullptr, nullptr, &pa, 0.0, kHalfPi, 1.0);
  EXPECT_NEAR(pa, 0.0, 1e-12);
  subPointOnBody(ahead, nullptr, nullptr, &pa, kHalfPi, 0.0, 1.0);
  EXPECT_NEAR(pa, kHalfPi, 1e-12);
}

}  // namespace
