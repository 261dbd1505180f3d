// The compiler's half-float helpers: the published examples of the packing
// built-ins and ties-to-even rounding. The conversions themselves are checked
// against _Float16 in tests/support/half_float_test.cpp.
#include "shadercompiler/ir/support/half_float.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace {

TEST(HalfFloatTest, NamedValues) {
  EXPECT_EQ(float_to_half(1.0f), 0x3C00);
  EXPECT_EQ(float_to_half(-2.0f), 0xC000);
  EXPECT_EQ(float_to_half(65504.0f), 0x7BFF);
  EXPECT_EQ(float_to_half(65520.0f), 0x7C00);
  EXPECT_EQ(float_to_half(std::ldexp(1.0f, -25)), 0x0000);
  EXPECT_EQ(float_to_half(-std::ldexp(1.0f, -25)), 0x8000);
  EXPECT_EQ(float_to_half(std::nextafter(std::ldexp(1.0f, -25), 1.0f)), 0x0001);
  EXPECT_EQ(float_to_half(NAN), 0x7C01);
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
