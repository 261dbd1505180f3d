#include "platform/metal/half_float.h"

#include <algorithm>
#include <cmath>

namespace mtl {

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
