// 4 x 4 matrices for the chart's shader program: sixteen doubles in
// column-major order (row r, column c at index 4c + r; the translation in
// elements 12, 13, 14), with a single-precision copy made for upload.
//
// The operations change a matrix in place by multiplying it from the left
// (M becomes T x M), as the fixed-function GL did; the two builders return
// a new matrix with the published glOrtho and gluPerspective forms.
#pragma once

struct GLMatrix {
  double m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  float f[16] = {};

  // The single-precision copy, filled now.
  const float* getf();
};

GLMatrix matrixIdentity();
// Parallel projection of the box [left, right] x [bottom, top] x
// [-near, -far] onto the clip cube.
GLMatrix matrixOrtho(double left, double right, double bottom, double top, double near,
                     double far);
// Perspective projection: vertical field in degrees, width over height.
GLMatrix matrixPerspective(double fieldDegrees, double aspect, double near, double far);
void matrixTranslate(GLMatrix& matrix, double x, double y, double z);
void matrixScale(GLMatrix& matrix, double x, double y, double z);
// Rotation by `degrees` about the axis (x, y, z), taken as a unit vector.
void matrixRotate(GLMatrix& matrix, double degrees, double x, double y, double z);
// Transposes all sixteen elements.
void matrixTranspose3(GLMatrix& matrix);
// a x b.
GLMatrix matrixMultiply4(const GLMatrix& a, const GLMatrix& b);
