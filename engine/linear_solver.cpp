#include "engine/linear_solver.h"

#include <cmath>
#include <utility>

void* allocCleared(std::size_t elementSize, std::size_t count) {
  if (elementSize == 0 || count == 0) return nullptr;
  return std::calloc(count, elementSize);
}

void addNormalEquations(int n, int m, const double* x, const double* y,
                        double** a, double** b) {
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) a[i][j] += x[i] * x[j];
    for (int k = 0; k < m; ++k) b[i][k] += x[i] * y[k];
  }
}

namespace {

// Work arrays of one solution, released however the elimination ends.
struct PivotLog {
  explicit PivotLog(int n)
      : row(static_cast<int*>(allocCleared(sizeof(int), n))),
        col(static_cast<int*>(allocCleared(sizeof(int), n))),
        used(static_cast<int*>(allocCleared(sizeof(int), n))) {}
  ~PivotLog() {
    std::free(row);
    std::free(col);
    std::free(used);
  }
  PivotLog(const PivotLog&) = delete;
  PivotLog& operator=(const PivotLog&) = delete;
  bool ok() const { return row && col && used; }

  int* row;
  int* col;
  int* used;
};

}  // namespace

int gaussJordanSolve(double** a, int n, double** b, int m) {
  if (n < 1) return 1;
  PivotLog log(n);
  if (!log.ok()) return 0;

  for (int pass = 0; pass < n; ++pass) {
    // Largest remaining element among unused rows and columns; of equal
    // magnitudes the last one met wins.
    double biggest = 0.0;
    int prow = -1, pcol = -1;
    for (int j = 0; j < n; ++j) {
      if (log.used[j] == 1) continue;
      for (int k = 0; k < n; ++k) {
        if (log.used[k] == 0) {
          if (std::fabs(a[j][k]) >= biggest) {
            biggest = std::fabs(a[j][k]);
            prow = j;
            pcol = k;
          }
        } else if (log.used[k] > 1) {
          return 0;
        }
      }
    }
    if (prow < 0) return 0;  // only NaN left: no usable pivot
    ++log.used[pcol];
    if (prow != pcol) {
      for (int l = 0; l < n; ++l) std::swap(a[prow][l], a[pcol][l]);
      for (int l = 0; l < m; ++l) std::swap(b[prow][l], b[pcol][l]);
    }
    log.row[pass] = prow;
    log.col[pass] = pcol;
    double pivot = a[pcol][pcol];
    if (pivot == 0.0) return 0;
    double inverse = 1.0 / pivot;
    a[pcol][pcol] = 1.0;
    for (int l = 0; l < n; ++l) a[pcol][l] *= inverse;
    for (int l = 0; l < m; ++l) b[pcol][l] *= inverse;
    for (int r = 0; r < n; ++r) {
      if (r == pcol) continue;
      double f = a[r][pcol];
      a[r][pcol] = 0.0;
      for (int l = 0; l < n; ++l) a[r][l] -= a[pcol][l] * f;
      for (int l = 0; l < m; ++l) b[r][l] -= b[pcol][l] * f;
    }
  }
  for (int l = n - 1; l >= 0; --l) {
    if (log.row[l] == log.col[l]) continue;
    for (int k = 0; k < n; ++k) std::swap(a[k][log.row[l]], a[k][log.col[l]]);
  }
  return 1;
}
