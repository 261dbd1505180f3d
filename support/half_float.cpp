#include "support/half_float.h"

#include <bit>
#include <cmath>

namespace support {
namespace {

constexpr std::uint32_t kHalfInfinity = 0x7C00u;
constexpr std::uint32_t kHalfNaN = 0x7C01u;
constexpr std::uint32_t kFloatNaN = 0x7F800001u;

// `value` shifted right by `shift` bits, rounded to nearest, ties to even.
std::uint32_t shiftRoundingToEven(std::uint32_t value, unsigned shift) {
  const std::uint32_t kept = value >> shift;
  const std::uint32_t rest = value & ((1u << shift) - 1);
  const std::uint32_t halfway = 1u << (shift - 1);
  return kept + ((rest > halfway || (rest == halfway && (kept & 1u))) ? 1u : 0u);
}

}  // namespace

std::uint16_t floatToHalf(float value) {
  const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
  const std::uint32_t sign = (bits >> 16) & 0x8000u;
  const int exponent = static_cast<int>((bits >> 23) & 0xFFu);
  const std::uint32_t mantissa = bits & 0x7FFFFFu;
  if (exponent == 0xFF) return static_cast<std::uint16_t>(sign | (mantissa ? kHalfNaN : kHalfInfinity));
  if (exponent == 0) return static_cast<std::uint16_t>(sign);  // zero or binary32 subnormal
  const int e = exponent - 127 + 15;                             // the half's biased exponent
  if (e >= 0x1F) return static_cast<std::uint16_t>(sign | kHalfInfinity);
  if (e <= 0) {
    // A half subnormal: the value over 2^-24, implicit bit included. Below
    // 2^-25 (e < -10) it rounds to zero; rounding up to 0x400 gives the
    // smallest normal, as it should.
    if (e < -10) return static_cast<std::uint16_t>(sign);
    return static_cast<std::uint16_t>(
        sign | shiftRoundingToEven(mantissa | 0x800000u, static_cast<unsigned>(14 - e)));
  }
  // A carry out of the mantissa steps the exponent, up to infinity.
  const std::uint32_t half = (static_cast<std::uint32_t>(e) << 10) + shiftRoundingToEven(mantissa, 13);
  return static_cast<std::uint16_t>(sign | half);
}

float halfToFloat(std::uint16_t half) {
  const std::uint32_t sign = static_cast<std::uint32_t>(half & 0x8000u) << 16;
  const std::uint32_t exponent = (half >> 10) & 0x1Fu;
  const std::uint32_t mantissa = half & 0x3FFu;
  if (exponent == 0) {
    const float magnitude = std::ldexp(static_cast<float>(mantissa), -24);
    return sign ? -magnitude : magnitude;
  }
  if (exponent == 0x1F) return std::bit_cast<float>(sign | (mantissa ? kFloatNaN : 0x7F800000u));
  return std::bit_cast<float>(sign | (exponent + 112) << 23 | mantissa << 13);
}

}  // namespace support
