// Metal's comparison functions on values, for the depth and stencil tests and
// for texture compares alike.
#pragma once

#include "platform/metal/types.h"

namespace mtl::exec {

inline bool compares(CompareFunction f, double a, double b) {
  switch (f) {
    case CompareFunction::Never: return false;
    case CompareFunction::Less: return a < b;
    case CompareFunction::Equal: return a == b;
    case CompareFunction::LessEqual: return a <= b;
    case CompareFunction::Greater: return a > b;
    case CompareFunction::NotEqual: return a != b;
    case CompareFunction::GreaterEqual: return a >= b;
    default: return true;
  }
}

}  // namespace mtl::exec
