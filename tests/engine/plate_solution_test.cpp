// Plate solutions of synthetic plates with a known centre, scale, rotation
// and distortion.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/plate_solution.h"

namespace {

constexpr double kArcsecond = 1 / 206264.80624714843;

// A camera: pixel (x, y) -> standard coordinates, with a cubic radial
// distortion k about the optical centre.
struct Plate {
  double cx = 1012.5, cy = 760.25;        // pixels
  double scale = 3.5 * kArcsecond;        // radians per pixel
  double rotation = 0.6;                  // radians
  double k = 0;                           // radians per pixel^3
  void toStandard(double x, double y, double* xi, double* eta) const {
    double X = x - cx, Y = y - cy, r2 = X * X + Y * Y;
    double c = std::cos(rotation), s = std::sin(rotation);
    *xi = scale * (c * X + s * Y) + k * r2 * X;
    *eta = scale * (-s * X + c * Y) + k * r2 * Y;
  }
};

struct Solution {
  double **a1 = nullptr, **b1 = nullptr, **a2 = nullptr, **b2 = nullptr;
  Solution() { EXPECT_EQ(allocPlateSolution(&a1, &b1, &a2, &b2), 1); }
  ~Solution() { freePlateSolution(a1, b1, a2, b2); }
};

const double kRa0 = 5.1, kDec0 = -1.2;

// Adds a grid of stars of the plate; returns the number added.
void addGrid(const Solution& s, const Plate& plate, int order, int step) {
  for (int x = 0; x <= 2048; x += step) {
    for (int y = 0; y <= 1536; y += step) {
      double xi, eta, ra, dec;
      plate.toStandard(x, y, &xi, &eta);
      standardCoordsToRaDec(&ra, &dec, xi, eta, kRa0, kDec0);
      addPlateStar(s.a1, s.b1, s.a2, s.b2, order, kRa0, kDec0, ra, dec, x, y);
    }
  }
}

TEST(PlateSolution, DistortedPlateSolvedBackToAMilliarcsecond) {
  Plate plate;
  plate.k = 2e-8 * kArcsecond;  // 0.5 pixel at the corners
  Solution s;
  clearPlateSolution(s.a1, s.b1, s.a2, s.b2);
  addGrid(s, plate, 3, 128);
  ASSERT_EQ(solvePlateSolution(s.a1, s.b1, s.a2, s.b2, 3), 1);
  for (double x = 13.7; x < 2048; x += 171.3) {
    for (double y = 5.1; y < 1536; y += 143.9) {
      double xi, eta, ra, dec, ra1, dec1;
      plate.toStandard(x, y, &xi, &eta);
      standardCoordsToRaDec(&ra, &dec, xi, eta, kRa0, kDec0);
      plateXYToRaDec(s.b2, &ra1, &dec1, x, y, kRa0, kDec0);
      ASSERT_NEAR(std::remainder(ra1 - ra, 2 * M_PI) * std::cos(dec), 0, 1e-3 * kArcsecond);
      ASSERT_NEAR(dec1, dec, 1e-3 * kArcsecond);
      // The inverse of the distortion is no cubic: a few hundredths of a pixel.
      double px, py;
      evaluatePlatePolynomial(s.b1, &px, &py, xi, eta);
      ASSERT_NEAR(px, x, 0.05);
      ASSERT_NEAR(py, y, 0.05);
    }
  }
}

TEST(PlateSolution, LinearPlateGivesCentreScaleAndRotation) {
  Plate plate;
  Solution s;
  addGrid(s, plate, 1, 512);
  ASSERT_EQ(solvePlateSolution(s.a1, s.b1, s.a2, s.b2, 1), 1);
  double cx = 0, cy = 0, rotation = 0, scale = 0;
  plateScaleAndRotation(nullptr, s.b2, &cx, &cy, &rotation, &scale);
  EXPECT_NEAR(cx, plate.cx, 1e-6);
  EXPECT_NEAR(cy, plate.cy, 1e-6);
  EXPECT_NEAR(rotation, plate.rotation, 1e-9);
  EXPECT_NEAR(scale, plate.scale, 1e-15);
  // The sky-to-pixel system of a gnomonic plate is affine too.
  cx = cy = rotation = scale = 0;
  plateScaleAndRotation(s.b1, nullptr, &cx, &cy, &rotation, &scale);
  EXPECT_NEAR(cx, plate.cx, 1e-6);
  EXPECT_NEAR(cy, plate.cy, 1e-6);
  EXPECT_NEAR(scale, plate.scale, 1e-15);
  EXPECT_NEAR(rotation, plate.rotation, 1e-9);
}

TEST(PlateSolution, ThreeStarsFixAnAffinePlate) {
  Plate plate;
  Solution s;
  double stars[3][2] = {{100, 200}, {1800, 300}, {900, 1400}};
  for (auto& p : stars) {
    double xi, eta, ra, dec;
    plate.toStandard(p[0], p[1], &xi, &eta);
    standardCoordsToRaDec(&ra, &dec, xi, eta, kRa0, kDec0);
    addPlateStar(s.a1, s.b1, s.a2, s.b2, 1, kRa0, kDec0, ra, dec, p[0], p[1]);
  }
  ASSERT_EQ(solvePlateSolution(s.a1, s.b1, s.a2, s.b2, 1), 1);
  for (auto& p : stars) {
    double xi, eta, ra, dec, ra1, dec1;
    plate.toStandard(p[0], p[1], &xi, &eta);
    standardCoordsToRaDec(&ra, &dec, xi, eta, kRa0, kDec0);
    plateXYToRaDec(s.b2, &ra1, &dec1, p[0], p[1], kRa0, kDec0);
    EXPECT_NEAR(ra1, ra, 1e-12);
    EXPECT_NEAR(dec1, dec, 1e-12);
  }
}

TEST(PlateSolution, TooFewStarsAndDegenerateSolutionsFail) {
  Plate plate;
  Solution s;
  double xi, eta, ra, dec;
  plate.toStandard(10, 10, &xi, &eta);
  standardCoordsToRaDec(&ra, &dec, xi, eta, kRa0, kDec0);
  for (int i = 0; i < 5; ++i)  // one star five times: rank 1
    addPlateStar(s.a1, s.b1, s.a2, s.b2, 2, kRa0, kDec0, ra, dec, 10, 10);
  EXPECT_EQ(solvePlateSolution(s.a1, s.b1, s.a2, s.b2, 2), 0);

  clearPlateSolution(s.a1, s.b1, s.a2, s.b2);
  s.b2[1][0] = 1;  // a mirrored linear part: determinant -1
  s.b2[2][1] = -1;
  double cx = 7, cy = 8, rotation = 9, scale = 0;
  plateScaleAndRotation(nullptr, s.b2, &cx, &cy, &rotation, &scale);
  EXPECT_EQ(scale, -1);
  EXPECT_EQ(cx + cy + rotation, 24);
}

TEST(PlateSolution, CentreStarHasZeroStandardCoordinates) {
  double xi, eta, ra, dec;
  raDecToStandardCoords(&xi, &eta, kRa0, kDec0, kRa0, kDec0);
  EXPECT_EQ(xi, 0);
  EXPECT_NEAR(eta, 0, 1e-16);
  standardCoordsToRaDec(&ra, &dec, 0, 0, -1.0, kDec0);
  EXPECT_NEAR(ra, -1.0 + 6.283185307178, 1e-12);
  EXPECT_NEAR(dec, kDec0, 1e-15);
}

}  // namespace
