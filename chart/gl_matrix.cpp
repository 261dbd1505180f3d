// 4 x 4 matrices of the chart's shader program.
#include "chart/gl_matrix.h"

#include <cmath>

namespace {

// Degrees to radians as the matrix builders have always converted them;
// computed in single precision where they say so.
constexpr double kMatrixRadiansPerDegree = 0.017453292519944444;

}  // namespace

const float* GLMatrix::getf() {
  for (int i = 0; i < 16; ++i) f[i] = static_cast<float>(m[i]);
  return f;
}

GLMatrix matrixIdentity() { return GLMatrix{}; }

GLMatrix matrixOrtho(double left, double right, double bottom, double top, double near,
                     double far) {
  GLMatrix r;
  for (double& e : r.m) e = 0;
  r.m[0] = 2 / (right - left);
  r.m[5] = 2 / (top - bottom);
  r.m[10] = -2 / (far - near);
  r.m[12] = -(right + left) / (right - left);
  r.m[13] = -(top + bottom) / (top - bottom);
  r.m[14] = -(far + near) / (far - near);
  r.m[15] = 1;
  return r;
}

GLMatrix matrixPerspective(double fieldDegrees, double aspect, double near, double far) {
  float t = std::tan(static_cast<float>(fieldDegrees * 0.5 * kMatrixRadiansPerDegree)) *
            static_cast<float>(near);
  float rr = t * static_cast<float>(aspect);
  GLMatrix r;
  for (double& e : r.m) e = 0;
  r.m[0] = near / rr;
  r.m[5] = near / t;
  r.m[10] = -(far + near) / (far - near);
  r.m[11] = -1;
  r.m[14] = -2 * far * near / (far - near);
  return r;
}

void matrixTranslate(GLMatrix& matrix, double x, double y, double z) {
  double* m = matrix.m;
  const double shift[3] = {x, y, z};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c) m[4 * c + r] += shift[r] * m[4 * c + 3];
}

void matrixScale(GLMatrix& matrix, double x, double y, double z) {
  double* m = matrix.m;
  const double scale[3] = {x, y, z};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c) m[4 * c + r] *= scale[r];
}

void matrixRotate(GLMatrix& matrix, double degrees, double x, double y, double z) {
  double length = std::sqrt(x * x + y * y + z * z);
  if (!(length > 0)) return;
  x /= length;
  y /= length;
  z /= length;
  float angle = static_cast<float>(degrees * kMatrixRadiansPerDegree);
  double c = std::cos(angle), s = std::sin(angle);
  double k = 1 - c;
  // R = c I + (1 - c) a a^T + s [a]x, rows of the 3 x 3 part.
  const double rot[3][3] = {{c + k * x * x, k * x * y - s * z, k * x * z + s * y},
                            {k * y * x + s * z, c + k * y * y, k * y * z - s * x},
                            {k * z * x - s * y, k * z * y + s * x, c + k * z * z}};
  double* m = matrix.m;
  for (int col = 0; col < 4; ++col) {
    double v[3] = {m[4 * col], m[4 * col + 1], m[4 * col + 2]};
    for (int r = 0; r < 3; ++r)
      m[4 * col + r] = rot[r][0] * v[0] + rot[r][1] * v[1] + rot[r][2] * v[2];
  }
}

void matrixTranspose3(GLMatrix& matrix) {
  double* m = matrix.m;
  for (int r = 0; r < 4; ++r)
    for (int c = r + 1; c < 4; ++c) {
      double t = m[4 * c + r];
      m[4 * c + r] = m[4 * r + c];
      m[4 * r + c] = t;
    }
}

GLMatrix matrixMultiply4(const GLMatrix& a, const GLMatrix& b) {
  GLMatrix r;
  for (int c = 0; c < 4; ++c)
    for (int row = 0; row < 4; ++row) {
      double sum = 0;
      for (int k = 0; k < 4; ++k) sum += a.m[4 * k + row] * b.m[4 * c + k];
      r.m[4 * c + row] = sum;
    }
  return r;
}
