// binary16 conversions against the compiler's own _Float16 arithmetic (an
// independent implementation), and the two users of the conversions, the
// shader compiler's constant folding and the software GPU's texel codec,
// giving the same bits for every half and every float rounding boundary.
#include "support/half_float.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/metal/half_float.h"
#include "platform/metal/pixel_codec.h"
#include "shadercompiler/ir/support/half_float.h"

namespace {

using support::floatToHalf;
using support::halfToFloat;

std::uint32_t bits(float f) { return std::bit_cast<std::uint32_t>(f); }

float referenceHalfToFloat(std::uint16_t h) { return static_cast<float>(std::bit_cast<_Float16>(h)); }

std::uint16_t referenceFloatToHalf(float f) {
  return std::bit_cast<std::uint16_t>(static_cast<_Float16>(f));
}

// Every float whose top bits select a half range, with the low 13 mantissa
// bits at and around the tie points between neighbouring halves.
template <typename F>
void forEveryRoundingBoundary(F&& f) {
  const std::uint32_t lowPatterns[] = {0x0000, 0x0001, 0x0FFF, 0x1000, 0x1001, 0x1FFF};
  for (std::uint32_t high = 0; high < (1u << 19); ++high) {
    for (std::uint32_t low : lowPatterns) f(std::bit_cast<float>(high << 13 | low));
  }
}

TEST(HalfFloat, EveryHalfPatternConvertsExactly) {
  for (std::uint32_t h = 0; h < 65536; ++h) {
    const float ours = halfToFloat(static_cast<std::uint16_t>(h));
    const float theirs = referenceHalfToFloat(static_cast<std::uint16_t>(h));
    if (std::isnan(theirs)) {
      // Our NaN is the fixed pattern 0x7F800001 with the sign.
      EXPECT_EQ(bits(ours), (h & 0x8000 ? 0xFF800001u : 0x7F800001u)) << h;
      EXPECT_EQ(floatToHalf(ours), (h & 0x8000) | 0x7C01) << h;
      continue;
    }
    ASSERT_EQ(bits(ours), bits(theirs)) << std::hex << h;
    ASSERT_EQ(floatToHalf(ours), h) << std::hex << h;
  }
}

TEST(HalfFloat, FloatsRoundToNearestEvenHalf) {
  int checked = 0;
  forEveryRoundingBoundary([&](float f) {
    if (std::isnan(f)) return;
    const std::uint16_t theirs = referenceFloatToHalf(f);
    const std::uint16_t ours = floatToHalf(f);
    const bool floatSubnormal = (bits(f) & 0x7F800000u) == 0 && (bits(f) & 0x7FFFFFu) != 0;
    if (floatSubnormal) {
      // Far below the smallest half: both give a signed zero.
      ASSERT_EQ(ours & 0x7FFF, 0) << f;
      return;
    }
    ASSERT_EQ(ours, theirs) << std::hexfloat << f;
    ++checked;
  });
  EXPECT_GT(checked, 3000000);
}

TEST(HalfFloat, ShaderFoldingAndGpuStorageGiveTheSameBits) {
  const mtl::PixelFormatInfo& r16 = *mtl::pixelFormatInfo(mtl::PixelFormat::R16Float);
  for (std::uint32_t h = 0; h < 65536; ++h) {
    const auto half = static_cast<std::uint16_t>(h);
    const float folded = half_to_float(half);
    ASSERT_EQ(bits(mtl::halfToFloat(half)), bits(folded)) << std::hex << h;
    std::uint8_t texel[2];
    std::memcpy(texel, &half, 2);
    // The codec widens to double, which keeps every value but a NaN's
    // payload; a NaN must still read as NaN.
    const double sampled = mtl::decodeTexel(r16, texel)[0];
    if (std::isnan(folded)) {
      ASSERT_TRUE(std::isnan(sampled)) << std::hex << h;
    } else {
      ASSERT_EQ(bits(static_cast<float>(sampled)), bits(folded)) << std::hex << h;
    }
  }
  forEveryRoundingBoundary([&](float f) {
    const std::uint16_t folded = float_to_half(f);
    ASSERT_EQ(mtl::floatToHalf(f), folded) << std::hexfloat << f;
    std::uint8_t texel[2] = {};
    mtl::encodeTexel(r16, {f, 0, 0, 1}, texel);
    std::uint16_t stored;
    std::memcpy(&stored, texel, 2);
    ASSERT_EQ(stored, folded) << std::hexfloat << f;
  });
  for (float nan : {std::bit_cast<float>(0x7FC00000u), std::bit_cast<float>(0xFFC00000u),
                    std::bit_cast<float>(0x7F800001u), std::bit_cast<float>(0x7FFFFFFFu)}) {
    EXPECT_EQ(mtl::floatToHalf(nan), float_to_half(nan));
    EXPECT_EQ(float_to_half(nan) & 0x7FFF, 0x7C01);
  }
}

}  // namespace
