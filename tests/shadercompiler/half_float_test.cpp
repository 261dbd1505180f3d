// Half-float conversions against the compiler's own _Float16 arithmetic.
#include "shadercompiler/ir/support/half_float.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

uint32_t bits(float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  return u;
}

float from_bits(uint32_t u) {
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}

float reference_half_to_float(uint16_t h) {
  _Float16 half;
  std::memcpy(&half, &h, 2);
  return static_cast<float>(half);
}

uint16_t reference_float_to_half(float f) {
  _Float16 half = static_cast<_Float16>(f);
  uint16_t h;
  std::memcpy(&h, &half, 2);
  return h;
}

TEST(HalfFloatTest, EveryHalfPatternConvertsExactly) {
  for (uint32_t h = 0; h < 65536; h++) {
    const float ours = _shc_half_to_float(static_cast<uint16_t>(h));
    const float theirs = reference_half_to_float(static_cast<uint16_t>(h));
    if (std::isnan(theirs)) {
      // Our NaN is the fixed pattern 0x7F800001 with the sign.
      EXPECT_EQ(bits(ours), (h & 0x8000 ? 0xFF800001u : 0x7F800001u)) << h;
      EXPECT_EQ(_shc_float_to_half(ours), (h & 0x8000) | 0x7C01) << h;
      continue;
    }
    ASSERT_EQ(bits(ours), bits(theirs)) << std::hex << h;
    ASSERT_EQ(_shc_float_to_half(ours), h) << std::hex << h;
  }
}

// Every float whose top bits select a half range, including all rounding
// boundaries between neighbouring halves (the low 13 mantissa bits vary
// through the tie points).
TEST(HalfFloatTest, FloatsRoundToNearestEvenHalf) {
  const uint32_t low_patterns[] = {0x0000, 0x0001, 0x0FFF, 0x1000, 0x1001, 0x1FFF};
  for (uint32_t high = 0; high < (1u << 19); high++) {
    for (uint32_t low : low_patterns) {
      const float f = from_bits(high << 13 | low);
      if (std::isnan(f)) continue;
      const uint16_t theirs = reference_float_to_half(f);
      const uint16_t ours = _shc_float_to_half(f);
      const bool float_subnormal = (bits(f) & 0x7F800000u) == 0 && (bits(f) & 0x7FFFFFu) != 0;
      if (float_subnormal) {
        // Far below the smallest half: both give a signed zero.
        ASSERT_EQ(ours & 0x7FFF, 0) << f;
        continue;
      }
      ASSERT_EQ(ours, theirs) << std::hexfloat << f;
    }
  }
}

TEST(HalfFloatTest, NamedValues) {
  EXPECT_EQ(_shc_float_to_half(1.0f), 0x3C00);
  EXPECT_EQ(_shc_float_to_half(-2.0f), 0xC000);
  EXPECT_EQ(_shc_float_to_half(65504.0f), 0x7BFF);
  EXPECT_EQ(_shc_float_to_half(65520.0f), 0x7C00);
  EXPECT_EQ(_shc_float_to_half(std::ldexp(1.0f, -25)), 0x0000);
  EXPECT_EQ(_shc_float_to_half(-std::ldexp(1.0f, -25)), 0x8000);
  EXPECT_EQ(_shc_float_to_half(std::nextafter(std::ldexp(1.0f, -25), 1.0f)), 0x0001);
  EXPECT_EQ(_shc_float_to_half(NAN), 0x7C01);
}

TEST(RoundToEvenTest, ExactForEveryFloat) {
  EXPECT_EQ(round_to_even(2.5f), 2);
  EXPECT_EQ(round_to_even(3.5f), 4);
  EXPECT_EQ(round_to_even(-2.5f), -2);
  EXPECT_EQ(round_to_even(-3.5f), -4);
  EXPECT_EQ(round_to_even(0.49999997f), 0);
  EXPECT_EQ(round_to_even(-0.49999997f), 0);
  EXPECT_EQ(round_to_even(0.5f), 0);
  EXPECT_EQ(round_to_even(1.5f), 2);
  for (int32_t odd = 8388609; odd < 16777216; odd += 2 * 4099)
    EXPECT_EQ(round_to_even(static_cast<float>(odd)), odd);
  EXPECT_EQ(round_to_even(8388607.5f), 8388608);
  EXPECT_EQ(round_to_even(1e20f), INT32_MAX);
  EXPECT_EQ(round_to_even(-1e20f), INT32_MIN);
  EXPECT_EQ(round_to_even(NAN), 0);
  // The float rounding agrees with the C library's ties-to-even rounding.
  for (float f = -40.0f; f <= 40.0f; f += 0.125f)
    EXPECT_EQ(round_even_float(f), std::nearbyint(f)) << f;
  EXPECT_EQ(round_even_float(1e30f), 1e30f);
}

}  // namespace
