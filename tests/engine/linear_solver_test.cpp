// Normal equations and Gauss-Jordan elimination: solutions are checked by
// substitution, inverses by multiplication.
#include "engine/linear_solver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

TEST(Solver, OneByOneAndSingular) {
  double** a = allocMatrix<double>(1, 1);
  double** b = allocMatrix<double>(1, 1);
  ASSERT_TRUE(a && b);
  a[0][0] = 2;
  b[0][0] = 4;
  EXPECT_EQ(gaussJordanSolve(a, 1, b, 1), 1);
  EXPECT_EQ(b[0][0], 2.0);
  EXPECT_EQ(a[0][0], 0.5);
  freeMatrix(a);
  freeMatrix(b);

  double** s = allocMatrix<double>(2, 2);
  double** t = allocMatrix<double>(2, 1);
  s[0][0] = 1;
  s[0][1] = 2;
  s[1][0] = 2;
  s[1][1] = 4;
  EXPECT_EQ(gaussJordanSolve(s, 2, t, 1), 0);
  s[0][0] = s[0][1] = s[1][0] = s[1][1] = NAN;
  EXPECT_EQ(gaussJordanSolve(s, 2, t, 1), 0);
  freeMatrix(s);
  freeMatrix(t);

  EXPECT_EQ(allocMatrix<double>(0, 3), nullptr);
  EXPECT_EQ(allocMatrix<double>(3, 0), nullptr);
  freeMatrix<double>(nullptr);
}

TEST(Solver, LeastSquaresFitRecoversPlane) {
  // z = 1.5 + 0.25 u - 2 v, fitted from exact samples through normal
  // equations, the way a plate solution fits its constants.
  const int n = 3, m = 1;
  double** a = allocMatrix<double>(n, n);
  double** b = allocMatrix<double>(n, m);
  std::mt19937_64 rng(5);
  std::uniform_real_distribution<double> u(-1, 1);
  for (int i = 0; i < 50; ++i) {
    double x[3] = {1, u(rng), u(rng)};
    double y[1] = {1.5 + 0.25 * x[1] - 2 * x[2]};
    addNormalEquations(n, m, x, y, a, b);
  }
  EXPECT_EQ(gaussJordanSolve(a, n, b, m), 1);
  EXPECT_NEAR(b[0][0], 1.5, 1e-12);
  EXPECT_NEAR(b[1][0], 0.25, 1e-12);
  EXPECT_NEAR(b[2][0], -2, 1e-12);
  freeMatrix(a);
  freeMatrix(b);
}

TEST(Solver, InverseOfPermutedMatrix) {
  // Zeros on the diagonal force row exchanges and the final unscrambling.
  const int n = 4;
  double src[4][4] = {{0, 2, 1, 0}, {3, 0, 0, 1}, {0, 1, 0, 4}, {1, 0, 5, 0}};
  double** a = allocMatrix<double>(n, n);
  double** b = allocMatrix<double>(n, 2);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) a[i][j] = src[i][j];
    b[i][0] = i + 1;
    b[i][1] = -i;
  }
  ASSERT_EQ(gaussJordanSolve(a, n, b, 2), 1);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      double sum = 0;
      for (int k = 0; k < n; ++k) sum += src[i][k] * a[k][j];
      EXPECT_NEAR(sum, i == j ? 1 : 0, 1e-14);
    }
    for (int c = 0; c < 2; ++c) {
      double sum = 0;
      for (int k = 0; k < n; ++k) sum += src[i][k] * b[k][c];
      EXPECT_NEAR(sum, c == 0 ? i + 1 : -i, 1e-13);
    }
  }
  freeMatrix(a);
  freeMatrix(b);
}

}  // namespace
