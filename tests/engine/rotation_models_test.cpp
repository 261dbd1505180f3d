// Rotation models, body-fixed frames and sub-observer points: each model's
// stored rate against the slope of its own W, frames against their defining
// geometry (pole to +z, prime meridian |W| from the node), sub-points of
// known body-fixed places.
#include "engine/rotation_models.h"

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
  EXPECT_EQ(rotationElementsAsteroid(4, &ra, &dec, &w, &rate, 2451545.0), 1);
  EXPECT_NEAR(w, 285.39 * kDeg, 1e-11);
  EXPECT_NEAR(rate, 1617.3329428 * kDeg, 1e-9);
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
