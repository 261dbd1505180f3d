#include "engine/matrices.h"

#include <cmath>

#include "engine/vectors.h"

double* matrixTimesVector(const double m[9], double v[3]) {
  double t[3];
  for (int r = 0; r < 3; ++r)
    t[r] = m[3 * r] * v[0] + m[3 * r + 1] * v[1] + m[3 * r + 2] * v[2];
  return vectorCopy(v, t);
}

double* transposeTimesVector(const double m[9], double v[3]) {
  double t[3];
  for (int c = 0; c < 3; ++c)
    t[c] = m[c] * v[0] + m[3 + c] * v[1] + m[6 + c] * v[2];
  return vectorCopy(v, t);
}

void matrixMultiply(const double a[9], double b[9]) {
  double t[9];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      t[3 * r + c] = a[3 * r] * b[c] + a[3 * r + 1] * b[3 + c] +
                     a[3 * r + 2] * b[6 + c];
  matrixCopy(b, t);
}

void transposeMultiply(const double a[9], double b[9]) {
  double t[9];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      t[3 * r + c] = a[r] * b[c] + a[3 + r] * b[3 + c] + a[6 + r] * b[6 + c];
  matrixCopy(b, t);
}

void matrixCopy(double dst[9], const double src[9]) {
  for (int i = 0; i < 9; ++i) dst[i] = src[i];
}

void matrixTranspose(const double m[9], double out[9]) {
  double t[9];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) t[3 * c + r] = m[3 * r + c];
  matrixCopy(out, t);
}

void identityMatrix(double m[9]) {
  for (int i = 0; i < 9; ++i) m[i] = (i % 4 == 0) ? 1.0 : 0.0;
}

void rotationMatrixSteps(double m[9], int count, const RotationStep* steps) {
  identityMatrix(m);
  for (int i = 0; i < count; ++i) {
    const double c = std::cos(steps[i].angle), s = std::sin(steps[i].angle);
    // The product of the elementary rotation with m, written out: the row
    // of the axis is left alone, and the other two (p < q) take the same
    // products and sums as the full product, less its additions of zero.
    // Each of the three matrices has -s in row p and s in row q.
    int p, q;
    switch (steps[i].axis) {
      case 0: p = 1, q = 2; break;
      case 1: p = 0, q = 2; break;
      case 2: p = 0, q = 1; break;
      default: continue;
    }
    for (int k = 0; k < 3; ++k) {
      const double a = m[3 * p + k], b = m[3 * q + k];
      m[3 * p + k] = c * a + -s * b;
      m[3 * q + k] = s * a + c * b;
    }
  }
}

double* matrixToGL(const double m[9], double* out) {
  static double shared[16];
  double* gl = out ? out : shared;
  for (int i = 0; i < 16; ++i) gl[i] = 0.0;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) gl[4 * c + r] = m[3 * r + c];
  gl[15] = 1.0;
  return gl;
}
