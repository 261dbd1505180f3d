// Small helpers the mechanics sources share for states that may be "not
// available" (+infinity in every component).
#pragma once

#include <cmath>
#include <limits>

#include "engine/matrices.h"

namespace mechanics {

inline constexpr double kNotAvailable = std::numeric_limits<double>::infinity();

// Every component of `v` (when given) set to +infinity.
inline void setNotAvailable(double v[3]) {
  if (v != nullptr) v[0] = v[1] = v[2] = kNotAvailable;
}

inline bool isFiniteVector(const double v[3]) {
  return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

// out = a b; out may be a or b.
inline void matrixProduct(const double a[9], const double b[9], double out[9]) {
  double t[9];
  matrixCopy(t, b);
  matrixMultiply(a, t);
  matrixCopy(out, t);
}

}  // namespace mechanics
