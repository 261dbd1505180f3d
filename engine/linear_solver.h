// A small dense-matrix toolkit for least squares: row-pointer matrices,
// accumulation of normal equations and Gauss-Jordan solution.
//
// A row-pointer matrix is an array of rows + 1 pointers to rows of `cols`
// zeroed elements each, the last pointer null.
#pragma once

#include <cstddef>
#include <cstdlib>

// A zero-filled block of elementSize x count bytes, or null; release with
// std::free.
void* allocCleared(std::size_t elementSize, std::size_t count);

// A rows x cols row-pointer matrix of zeroed elements of type T, or null when
// rows or cols is not positive or an allocation fails (nothing leaks).
template <typename T>
T** allocMatrix(int rows, int cols) {
  if (rows <= 0 || cols <= 0) return nullptr;
  T** m = static_cast<T**>(
      allocCleared(sizeof(T*), static_cast<std::size_t>(rows) + 1));
  if (!m) return nullptr;
  for (int r = 0; r < rows; ++r) {
    m[r] = static_cast<T*>(
        allocCleared(sizeof(T), static_cast<std::size_t>(cols)));
    if (!m[r]) {
      for (int k = 0; k < r; ++k) std::free(m[k]);
      std::free(m);
      return nullptr;
    }
  }
  m[rows] = nullptr;
  return m;
}

// Frees each row up to the null entry, then the pointer array; null is
// ignored.
template <typename T>
void freeMatrix(T** m) {
  if (!m) return;
  for (T** row = m; *row; ++row) std::free(*row);
  std::free(m);
}

// Adds one observation to the normal equations of a linear least-squares
// fit: a[i][j] += x[i] x[j] (n x n) and b[i][k] += x[i] y[k] (n x m).
void addNormalEquations(int n, int m, const double* x, const double* y,
                        double** a, double** b);

// Solves A X = B by Gauss-Jordan elimination with full pivoting: B (n x m)
// receives X and A (n x n) its inverse. Returns 1 on success, 0 for a
// singular matrix or a failed allocation.
int gaussJordanSolve(double** a, int n, double** b, int m);
