#include "shadercompiler/ir/support/half_float.h"

#include <cmath>
#include <cstring>

#include "shadercompiler/ir/support/shc_assert.h"

namespace {

uint32_t bits_of(float f) {
  uint32_t u;
  std::memcpy(&u, &f, sizeof(u));
  return u;
}

float float_of(uint32_t u) {
  float f;
  std::memcpy(&f, &u, sizeof(f));
  return f;
}

}  // namespace

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

uint16_t _shc_float_to_half(float f) {
  const uint32_t u = bits_of(f);
  const uint32_t sign = (u >> 16) & 0x8000u;
  const int biased = static_cast<int>((u >> 23) & 0xFF);
  const uint32_t mantissa = u & 0x7FFFFFu;

  if (biased == 0) return static_cast<uint16_t>(sign);  // zero, subnormal
  if (biased == 255)
    return static_cast<uint16_t>(sign | 0x7C00u | (mantissa != 0 ? 1u : 0u));

  const int e = biased - 127;
  int exponent;
  int m;
  if (e < -14) {
    exponent = 0;
    m = round_to_even(std::fabs(f) * 16777216.0f);  // 2^24
  } else if (e > 15) {
    return static_cast<uint16_t>(sign | 0x7C00u);
  } else {
    exponent = e + 15;
    m = round_to_even(static_cast<float>(mantissa) / 8192.0f);
  }
  SHC_ASSERT(0 <= m && m <= 1024);
  if (m == 1024) {
    // The rounding carried into the exponent (into infinity at the top).
    exponent++;
    m = 0;
  }
  if (exponent >= 31) return static_cast<uint16_t>(sign | 0x7C00u);
  return static_cast<uint16_t>(sign | static_cast<uint32_t>(exponent) << 10 |
                               static_cast<uint32_t>(m));
}

float _shc_half_to_float(uint16_t h) {
  const uint32_t sign = static_cast<uint32_t>(h & 0x8000u) << 16;
  const uint32_t exponent = (h >> 10) & 0x1F;
  const uint32_t mantissa = h & 0x3FFu;
  if (exponent == 0) {
    float magnitude = std::ldexp(static_cast<float>(mantissa), -24);
    return sign != 0 ? -magnitude : magnitude;
  }
  if (exponent == 31)
    return float_of(sign | 0x7F800000u | (mantissa != 0 ? 1u : 0u));
  return float_of(sign | (exponent + 112) << 23 | mantissa << 13);
}
