#include "shadercompiler/ir/support/half_float.h"

#include <cmath>

// The fraction x - floor(x) of a float is exact, so the comparison with 0.5
// decides the rounding without any intermediate rounding step.
float round_even_float(float x) {
  if (!std::isfinite(x) || std::fabs(x) >= 8388608.0f) return x;  // 2^23
  float lower = std::floor(x);
  float fraction = x - lower;
  if (fraction > 0.5f) return lower + 1.0f;
  if (fraction < 0.5f) return lower;
  return std::fmod(lower, 2.0f) == 0.0f ? lower : lower + 1.0f;
}

int32_t round_to_even(float x) {
  if (std::isnan(x)) return 0;
  float r = round_even_float(x);
  if (r >= 2147483648.0f) return INT32_MAX;
  if (r < -2147483648.0f) return INT32_MIN;
  return static_cast<int32_t>(r);
}
