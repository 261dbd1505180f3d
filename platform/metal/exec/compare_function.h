// Metal's comparison functions on values, for the depth and stencil tests and
// for texture compares alike.
#pragma once

#include "platform/metal/types.h"

namespace mtl::exec {

// The comparison of a and b: a bool for scalars, all ones or zero in each
// lane for vectors.
template <typename T>
auto comparesAs(CompareFunction f, T a, T b) -> decltype(a < b) {
  using Result = decltype(a < b);
  switch (f) {
    case CompareFunction::Never: return Result{};
    case CompareFunction::Less: return a < b;
    case CompareFunction::Equal: return a == b;
    case CompareFunction::LessEqual: return a <= b;
    case CompareFunction::Greater: return a > b;
    case CompareFunction::NotEqual: return a != b;
    case CompareFunction::GreaterEqual: return a >= b;
    default: return Result{} == Result{};  // true in every lane
  }
}

inline bool compares(CompareFunction f, double a, double b) { return comparesAs(f, a, b); }

}  // namespace mtl::exec
