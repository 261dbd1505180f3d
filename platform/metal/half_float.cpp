#include "platform/metal/half_float.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace mtl {

std::uint16_t floatToHalf(float value) {
  const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
  const std::uint16_t sign = static_cast<std::uint16_t>((bits >> 16) & 0x8000u);
  const std::uint32_t exponent = (bits >> 23) & 0xFFu;
  std::uint32_t mantissa = bits & 0x7FFFFFu;
  if (exponent == 0xFF) {  // infinity or NaN
    return static_cast<std::uint16_t>(sign | 0x7C00u | (mantissa ? 0x200u : 0u));
  }
  const int e = static_cast<int>(exponent) - 127 + 15;
  if (e >= 0x1F) return static_cast<std::uint16_t>(sign | 0x7C00u);
  if (e <= 0) {
    if (e < -10) return sign;  // rounds to zero
    mantissa |= 0x800000u;
    const unsigned shift = static_cast<unsigned>(14 - e);
    std::uint32_t half = mantissa >> shift;
    const std::uint32_t rest = mantissa & ((1u << shift) - 1);
    const std::uint32_t halfway = 1u << (shift - 1);
    if (rest > halfway || (rest == halfway && (half & 1u))) ++half;
    return static_cast<std::uint16_t>(sign | half);
  }
  std::uint32_t half = (static_cast<std::uint32_t>(e) << 10) | (mantissa >> 13);
  const std::uint32_t rest = mantissa & 0x1FFFu;
  if (rest > 0x1000u || (rest == 0x1000u && (half & 1u))) ++half;  // may carry into inf
  return static_cast<std::uint16_t>(sign | half);
}

float halfToFloat(std::uint16_t half) {
  const float sign = (half & 0x8000u) ? -1.0f : 1.0f;
  const int exponent = (half >> 10) & 0x1F;
  const int mantissa = half & 0x3FF;
  if (exponent == 0) return sign * std::ldexp(static_cast<float>(mantissa), -24);
  if (exponent == 0x1F) return mantissa ? NAN : sign * INFINITY;
  return sign * std::ldexp(static_cast<float>(mantissa + 1024), exponent - 25);
}

std::uint32_t floatToSmallUnsignedFloat(float value, unsigned mantissaBits) {
  if (std::isnan(value)) return (0x1Fu << mantissaBits) | 1u;
  if (!(value > 0.0f)) return 0;
  // Re-use the half conversion: same exponent width and bias, then drop the
  // extra mantissa bits with rounding to nearest even.
  const std::uint32_t half = floatToHalf(value) & 0x7FFFu;
  if ((half >> 10) == 0x1F) return 0x1Fu << mantissaBits;
  const unsigned drop = 10 - mantissaBits;
  std::uint32_t result = half >> drop;
  const std::uint32_t rest = half & ((1u << drop) - 1);
  const std::uint32_t halfway = 1u << (drop - 1);
  if (rest > halfway || (rest == halfway && (result & 1u))) ++result;
  return result;
}

float smallUnsignedFloatToFloat(std::uint32_t bits, unsigned mantissaBits) {
  const unsigned drop = 10 - mantissaBits;
  return halfToFloat(static_cast<std::uint16_t>((bits << drop) & 0x7FFFu));
}

std::uint32_t encodeRGB9E5(float r, float g, float b) {
  constexpr int kMantissaBits = 9, kBias = 15, kMaxExponent = 31;
  const float sharedMax = static_cast<float>((1 << kMantissaBits) - 1) /
                          static_cast<float>(1 << kMantissaBits) *
                          static_cast<float>(1 << (kMaxExponent - kBias));
  auto clampChannel = [&](float v) {
    return std::isnan(v) ? 0.0f : std::clamp(v, 0.0f, sharedMax);
  };
  const float rc = clampChannel(r), gc = clampChannel(g), bc = clampChannel(b);
  const float maxc = std::max({rc, gc, bc});
  int expShared = std::max(-kBias - 1, static_cast<int>(std::floor(std::log2(
                                           std::max(maxc, 1e-30f))))) + 1 + kBias;
  double denom = std::ldexp(1.0, expShared - kBias - kMantissaBits);
  const int maxm = static_cast<int>(std::floor(maxc / denom + 0.5));
  if (maxm == (1 << kMantissaBits)) {
    denom *= 2;
    ++expShared;
  }
  auto mantissa = [&](float v) {
    return static_cast<std::uint32_t>(std::floor(v / denom + 0.5));
  };
  return mantissa(rc) | (mantissa(gc) << 9) | (mantissa(bc) << 18) |
         (static_cast<std::uint32_t>(expShared) << 27);
}

void decodeRGB9E5(std::uint32_t packed, float rgb[3]) {
  const int exponent = static_cast<int>(packed >> 27) - 15 - 9;
  for (int i = 0; i < 3; ++i) {
    rgb[i] = std::ldexp(static_cast<float>((packed >> (9 * i)) & 0x1FFu), exponent);
  }
}

}  // namespace mtl
