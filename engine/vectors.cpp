#include "engine/vectors.h"

#include <cmath>

#include "engine/angles.h"

void sphericalToRectangular(double* x, double* y, double* z, double lon,
                            double lat, double r) {
  double rcl = r * std::cos(lat);
  *x = rcl * std::cos(lon);
  *y = rcl * std::sin(lon);
  *z = r * std::sin(lat);
}

void sphericalToVector(double v[3], double lon, double lat, double r) {
  sphericalToRectangular(&v[0], &v[1], &v[2], lon, lat, r);
}

void rectangularToSpherical(double* lon, double* lat, double* r, double x,
                            double y, double z) {
  double len = std::sqrt(x * x + y * y + z * z);
  if (r) *r = len;
  if (lat) *lat = len == 0.0 ? 0.0 : std::asin(z / len);
  if (lon) *lon = positiveAtan2(y, x);
}

void vectorToSpherical(const double v[3], double* lon, double* lat,
                       double* r) {
  rectangularToSpherical(lon, lat, r, v[0], v[1], v[2]);
}

void sphericalToRectangularWithRates(double* x, double* y, double* z,
                                     double* vx, double* vy, double* vz,
                                     double lon, double lat, double r,
                                     double dlon, double dlat, double dr) {
  double cl = std::cos(lat), sl = std::sin(lat);
  double co = std::cos(lon), so = std::sin(lon);
  *x = r * cl * co;
  *y = r * cl * so;
  *z = r * sl;
  *vx = r * (-cl * so * dlon - sl * co * dlat) + cl * co * dr;
  *vy = r * (cl * co * dlon - sl * so * dlat) + cl * so * dr;
  *vz = r * cl * dlat + sl * dr;
}

void rectangularToSphericalWithRates(double* lon, double* lat, double* r,
                                     double* dlon, double* dlat, double* dr,
                                     double x, double y, double z, double vx,
                                     double vy, double vz) {
  double rho2 = x * x + y * y;
  double len = std::sqrt(rho2 + z * z);
  double out[6] = {0, 0, 0, 0, 0, 0};
  if (len != 0.0 && rho2 != 0.0) {
    out[1] = std::asin(z / len);
    out[0] = positiveAtan2(y, x);
    out[2] = len;
    out[5] = (x * vx + y * vy + z * vz) / len;
    out[4] = (len * vz - out[5] * z) / (len * len * std::cos(out[1]));
    out[3] = (x * vy - y * vx) / rho2;
  }
  double* targets[6] = {lon, lat, r, dlon, dlat, dr};
  for (int i = 0; i < 6; ++i)
    if (targets[i]) *targets[i] = out[i];
}

void vectorsToSphericalWithRates(const double position[3],
                                 const double velocity[3], double* lon,
                                 double* lat, double* r, double* dlon,
                                 double* dlat, double* dr) {
  rectangularToSphericalWithRates(lon, lat, r, dlon, dlat, dr, position[0],
                                  position[1], position[2], velocity[0],
                                  velocity[1], velocity[2]);
}

double vectorDot(const double a[3], const double b[3]) {
  return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

double vectorLength(const double a[3]) { return std::sqrt(vectorDot(a, a)); }

double vectorDistance(const double a[3], const double b[3]) {
  double d[3];
  return vectorLength(vectorSubtract(a, b, d));
}

double* vectorSubtract(const double a[3], const double b[3], double out[3]) {
  for (int i = 0; i < 3; ++i) out[i] = a[i] - b[i];
  return out;
}

double* vectorAdd(const double a[3], const double b[3], double out[3]) {
  for (int i = 0; i < 3; ++i) out[i] = a[i] + b[i];
  return out;
}

double* vectorScaleAdd(const double a[3], const double b[3], double out[3],
                       double s) {
  for (int i = 0; i < 3; ++i) out[i] = s * a[i] + b[i];
  return out;
}

double* vectorCross(const double a[3], const double b[3], double out[3]) {
  double t[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                 a[0] * b[1] - a[1] * b[0]};
  return vectorCopy(out, t);
}

double* vectorCopy(double dst[3], const double src[3]) {
  for (int i = 0; i < 3; ++i) dst[i] = src[i];
  return dst;
}

double* vectorScale(double v[3], double s) {
  for (int i = 0; i < 3; ++i) v[i] *= s;
  return v;
}

double vectorNormalize(double v[3]) {
  double len = vectorLength(v);
  if (len > 0.0) vectorScale(v, 1.0 / len);
  return len;
}
