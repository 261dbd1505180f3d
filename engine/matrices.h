// 3x3 rotation matrices: nine doubles in row-major order (row r, column c
// at 3r + c). Functions that write into one of their inputs work through a
// temporary, so outputs may alias inputs.
#pragma once

#include <cstddef>

// v = M v and v = M^T v in place; each returns v.
double* matrixTimesVector(const double m[9], double v[3]);
double* transposeTimesVector(const double m[9], double v[3]);

// b = a b and b = a^T b: the product replaces the second argument.
void matrixMultiply(const double a[9], double b[9]);
void transposeMultiply(const double a[9], double b[9]);

void matrixCopy(double dst[9], const double src[9]);
void matrixTranspose(const double m[9], double out[9]);
void identityMatrix(double m[9]);

// One elementary rotation: axis 0 (x), 1 (y) or 2 (z), angle in radians.
struct RotationStep {
  int axis;
  double angle;
};

// m = R_count ... R_1, so the first step is applied first. Axes 0 and 2 turn
// a vector positively about the axis, axis 1 negatively; every caller passes
// its angles for exactly these matrices. Steps with other axes are skipped.
void rotationMatrixSteps(double m[9], int count, const RotationStep* steps);

// rotationMatrix(m, count, axis1, angle1, axis2, angle2, ...). Typed pairs
// rather than C varargs, so that an integer angle such as 0 still arrives as
// a double; count < 1 gives the identity.
template <typename... Pairs>
void rotationMatrix(double m[9], int count, Pairs... pairs) {
  static_assert(sizeof...(Pairs) % 2 == 0, "axis and angle come in pairs");
  constexpr int kProvided = static_cast<int>(sizeof...(Pairs) / 2);
  if constexpr (kProvided == 0) {
    rotationMatrixSteps(m, 0, nullptr);
  } else {
    double flat[] = {static_cast<double>(pairs)...};
    RotationStep steps[kProvided];
    for (int i = 0; i < kProvided; ++i)
      steps[i] = {static_cast<int>(flat[2 * i]), flat[2 * i + 1]};
    rotationMatrixSteps(m, count < kProvided ? count : kProvided, steps);
  }
}

// 4x4 column-major GL matrix of m with no translation. A null `out` writes
// one static buffer, which the next such call overwrites. Returns the buffer
// written.
double* matrixToGL(const double m[9], double* out);
