// Rotation matrices and products; ERFA's frame rotations are the oracle
// (they turn the frame, so their x and z rotations take the opposite angle).
#include "engine/matrices.h"

#include <erfa.h>
#include <gtest/gtest.h>

#include "engine/angles.h"

namespace {

void expectMatrixNear(const double* ours, double erfa[3][3], double tol) {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      EXPECT_NEAR(ours[3 * r + c], erfa[r][c], tol) << r << "," << c;
}

TEST(Rotation, ElementaryAxes) {
  double m[9], v[3] = {1, 0, 0};
  rotationMatrix(m, 1, 1, kHalfPi);
  matrixTimesVector(m, v);
  EXPECT_NEAR(v[0], 0, 1e-12);
  EXPECT_NEAR(v[2], 1, 1e-12);
  double w[3] = {1, 0, 0};
  rotationMatrix(m, 1, 2, kHalfPi);
  matrixTimesVector(m, w);
  EXPECT_NEAR(w[1], 1, 1e-12);
  // An integer angle is still taken as an angle, not as garbage.
  rotationMatrix(m, 1, 0, 0);
  double id[3][3];
  eraIr(id);
  expectMatrixNear(m, id, 0);
  rotationMatrix(m, 0);
  expectMatrixNear(m, id, 0);
}

TEST(Rotation, ChainsMatchErfa) {
  // Precession-like chain: z(-zeta), y(theta), z(-z) in our conventions.
  double zeta = 0.0123, theta = -0.0456, zz = 0.0789;
  double m[9];
  rotationMatrix(m, 3, 2, -zeta, 1, theta, 2, -zz);
  double r[3][3];
  eraIr(r);
  eraRz(zeta, r);
  eraRy(theta, r);
  eraRz(zz, r);
  expectMatrixNear(m, r, 1e-15);

  double x[9];
  rotationMatrix(x, 2, 0, 0.4, 1, 1.1);
  eraIr(r);
  eraRx(-0.4, r);
  eraRy(1.1, r);
  expectMatrixNear(x, r, 1e-15);

  // Products and transposes, with the product written over an input.
  double a[9], b[9], t[9];
  rotationMatrix(a, 2, 0, 0.3, 2, 0.7);
  rotationMatrix(b, 2, 1, -0.2, 0, 1.3);
  double ra[3][3], rb[3][3], rab[3][3];
  for (int i = 0; i < 9; ++i) {
    ra[i / 3][i % 3] = a[i];
    rb[i / 3][i % 3] = b[i];
  }
  eraRxr(ra, rb, rab);
  double ab[9];
  matrixCopy(ab, b);
  matrixMultiply(a, ab);
  expectMatrixNear(ab, rab, 1e-15);
  matrixTranspose(a, t);
  matrixMultiply(t, ab);  // a^T a b = b
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(ab[i], b[i], 1e-15);
  matrixCopy(ab, b);
  transposeMultiply(t, ab);  // (a^T)^T b = a b
  expectMatrixNear(ab, rab, 1e-15);
  matrixTranspose(a, a);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(a[i], t[i]);

  double v[3] = {0.2, -0.4, 0.9}, u[3] = {0.2, -0.4, 0.9};
  matrixTimesVector(b, v);
  transposeTimesVector(b, v);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(v[i], u[i], 1e-15);
}

TEST(MatrixToGL, ColumnMajorWithoutTranslation) {
  double m[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9}, out[16];
  EXPECT_EQ(matrixToGL(m, out), out);
  double expected[16] = {1, 4, 7, 0, 2, 5, 8, 0, 3, 6, 9, 0, 0, 0, 0, 1};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(out[i], expected[i]);
  double* shared = matrixToGL(m, nullptr);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(shared[i], expected[i]);
}

}  // namespace
