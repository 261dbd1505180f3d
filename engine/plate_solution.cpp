#include "engine/plate_solution.h"

#include <cmath>

#include "engine/angles.h"
#include "engine/linear_solver.h"

namespace {

void polynomialTerms(double t[kPlateTerms], double p, double q) {
  t[0] = 1;
  t[1] = p;
  t[2] = q;
  t[3] = p * p;
  t[4] = q * q;
  t[5] = p * q;
  t[6] = p * p * p;
  t[7] = q * q * q;
  t[8] = p * p * q;
  t[9] = p * q * q;
}

void clearMatrix(double** m, int cols) {
  if (!m) return;
  for (double** row = m; *row; ++row)
    for (int c = 0; c < cols; ++c) (*row)[c] = 0;
}

}  // namespace

int allocPlateSolution(double*** a1, double*** b1, double*** a2, double*** b2) {
  double*** outputs[4] = {a1, b1, a2, b2};
  for (int i = 0; i < 4; ++i) {
    if (!outputs[i]) continue;
    *outputs[i] = allocMatrix<double>(kPlateTerms, i % 2 ? 2 : kPlateTerms);
    if (!*outputs[i]) {
      for (int k = 0; k < i; ++k) {
        if (!outputs[k]) continue;
        freeMatrix(*outputs[k]);
        *outputs[k] = nullptr;
      }
      return 0;
    }
  }
  return 1;
}

void freePlateSolution(double** a1, double** b1, double** a2, double** b2) {
  freeMatrix(a1);
  freeMatrix(b1);
  freeMatrix(a2);
  freeMatrix(b2);
}

int clearPlateSolution(double** a1, double** b1, double** a2, double** b2) {
  clearMatrix(a1, kPlateTerms);
  clearMatrix(b1, 2);
  clearMatrix(a2, kPlateTerms);
  clearMatrix(b2, 2);
  return 1;
}

int plateTermCount(int order) {
  switch (order) {
    case 1: return 3;
    case 2: return 6;
    case 3: return 10;
    default: return 0;
  }
}

void raDecToStandardCoords(double* xi, double* eta, double ra, double dec,
                           double ra0, double dec0) {
  double cd = std::cos(dec), sd = std::sin(dec);
  double cd0 = std::cos(dec0), sd0 = std::sin(dec0);
  double cdra = std::cos(ra - ra0);
  double d = sd * sd0 + cd * cd0 * cdra;
  *xi = cd * std::sin(ra - ra0) / d;
  *eta = (sd * cd0 - cd * sd0 * cdra) / d;
}

void standardCoordsToRaDec(double* ra, double* dec, double xi, double eta,
                           double ra0, double dec0) {
  double q = std::cos(dec0) - eta * std::sin(dec0);
  *ra = normalizeRadians(std::atan2(xi, q) + ra0);
  *dec = std::atan((eta * std::cos(dec0) + std::sin(dec0)) / std::sqrt(xi * xi + q * q));
}

void addPlateStar(double** a1, double** b1, double** a2, double** b2, int order,
                  double ra0, double dec0, double ra, double dec, double x,
                  double y) {
  int n = plateTermCount(order);
  double xi, eta, t[kPlateTerms];
  raDecToStandardCoords(&xi, &eta, ra, dec, ra0, dec0);
  double pixel[2] = {x, y}, standard[2] = {xi, eta};
  polynomialTerms(t, xi, eta);
  addNormalEquations(n, 2, t, pixel, a1, b1);
  polynomialTerms(t, x, y);
  addNormalEquations(n, 2, t, standard, a2, b2);
}

int solvePlateSolution(double** a1, double** b1, double** a2, double** b2,
                       int order) {
  int n = plateTermCount(order);
  int first = gaussJordanSolve(a1, n, b1, 2);
  int second = gaussJordanSolve(a2, n, b2, 2);
  return first && second;
}

void evaluatePlatePolynomial(double** b, double* u, double* v, double p, double q) {
  double t[kPlateTerms];
  polynomialTerms(t, p, q);
  double su = 0, sv = 0;
  for (int k = 0; k < kPlateTerms; ++k) {
    su += b[k][0] * t[k];
    sv += b[k][1] * t[k];
  }
  *u = su;
  *v = sv;
}

void plateXYToRaDec(double** b2, double* ra, double* dec, double x, double y,
                    double ra0, double dec0) {
  double xi, eta;
  evaluatePlatePolynomial(b2, &xi, &eta, x, y);
  standardCoordsToRaDec(ra, dec, xi, eta, ra0, dec0);
}

void plateScaleAndRotation(double** b1, double** b2, double* centreX,
                           double* centreY, double* rotation, double* scale) {
  if (b1) {
    const double* a = b1[1];
    const double* b = b1[2];
    double det = a[0] * b[1] - b[0] * a[1];
    if (det > 0) {
      *scale = 1 / std::sqrt(det);
      *rotation = positiveAtan2(a[1] - b[0], a[0] + b[1]);
      *centreX = b1[0][0];
      *centreY = b1[0][1];
    } else {
      *scale = det;
    }
  }
  if (b2) {
    const double* a = b2[1];
    const double* b = b2[2];
    const double* c = b2[0];
    double det = a[0] * b[1] - b[0] * a[1];
    if (det > 0) {
      double s = std::sqrt(det);
      double r = positiveAtan2(b[0] - a[1], a[0] + b[1]);
      *scale = s;
      *rotation = r;
      *centreX = (-std::cos(r) * c[0] + std::sin(r) * c[1]) / s;
      *centreY = (-std::sin(r) * c[0] - std::cos(r) * c[1]) / s;
    } else {
      *scale = det;
    }
  }
}
