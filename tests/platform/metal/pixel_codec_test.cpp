// Texel encodings checked against the published definitions of the
// formats: IEEE 754 binary16, the packed small floats of RG11B10 and the
// shared-exponent rule of EXT_texture_shared_exponent, sRGB's transfer
// function (IEC 61966-2-1).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "platform/metal/half_float.h"
#include "platform/metal/pixel_codec.h"

namespace mtl {
namespace {

TEST(HalfFloat, MatchesBinary16Table) {
  EXPECT_EQ(floatToHalf(1.0f), 0x3C00);
  EXPECT_EQ(floatToHalf(0.5f), 0x3800);
  EXPECT_EQ(floatToHalf(-2.0f), 0xC000);
  EXPECT_EQ(floatToHalf(65504.0f), 0x7BFF);         // largest normal
  EXPECT_EQ(floatToHalf(65520.0f), 0x7C00);         // rounds up to infinity
  EXPECT_EQ(floatToHalf(std::ldexp(1.0f, -24)), 0x0001);  // smallest subnormal
  EXPECT_EQ(floatToHalf(std::ldexp(1.0f, -14)), 0x0400);  // smallest normal
  EXPECT_EQ(floatToHalf(1.0f / 3.0f), 0x3555);
  EXPECT_EQ(floatToHalf(1.0f + std::ldexp(1.0f, -11)), 0x3C00);  // tie to even
  EXPECT_EQ(floatToHalf(1.0f + 3 * std::ldexp(1.0f, -11)), 0x3C02);
  EXPECT_TRUE(std::isnan(halfToFloat(floatToHalf(NAN))));
  for (unsigned h = 0; h < 0x7C00; ++h) {
    ASSERT_EQ(floatToHalf(halfToFloat(static_cast<std::uint16_t>(h))), h) << h;
  }
}

TEST(PackedFloats, SmallFloatsAndSharedExponent) {
  EXPECT_EQ(floatToSmallUnsignedFloat(1.0f, 6), 0x3C0u);  // exponent 15, mantissa 0
  EXPECT_EQ(floatToSmallUnsignedFloat(1.0f, 5), 0x1E0u);
  EXPECT_EQ(floatToSmallUnsignedFloat(-1.0f, 6), 0u);
  EXPECT_FLOAT_EQ(smallUnsignedFloatToFloat(0x3C0u + 32, 6), 1.5f);
  // 1.0 in every channel: exponent 16, mantissas 256 (EXT_texture_shared_exponent).
  EXPECT_EQ(encodeRGB9E5(1, 1, 1), 256u | 256u << 9 | 256u << 18 | 16u << 27);
  float rgb[3];
  decodeRGB9E5(encodeRGB9E5(0.25f, 2.0f, 0.0f), rgb);
  EXPECT_FLOAT_EQ(rgb[0], 0.25f);
  EXPECT_FLOAT_EQ(rgb[1], 2.0f);
  EXPECT_FLOAT_EQ(rgb[2], 0.0f);
}

TEST(PixelCodec, EncodesClearValuesAsTheFormatsDefine) {
  std::uint8_t out[16] = {};
  auto encode = [&](PixelFormat f, Texel t) {
    std::memset(out, 0, sizeof out);
    encodeTexel(*pixelFormatInfo(f), t, out);
  };
  encode(PixelFormat::RGBA8Unorm, {1, 0.5, 0, 0.25});
  EXPECT_EQ(std::vector<int>(out, out + 4), (std::vector<int>{255, 128, 0, 64}));
  encode(PixelFormat::BGRA8Unorm, {1, 0.5, 0, 0.25});
  EXPECT_EQ(std::vector<int>(out, out + 4), (std::vector<int>{0, 128, 255, 64}));
  encode(PixelFormat::RGBA8Unorm_sRGB, {0.5, 0, 1, 0.5});
  EXPECT_EQ(out[0], 188);  // 1.055 * 0.5^(1/2.4) - 0.055 = 0.7354
  EXPECT_EQ(out[3], 128);  // alpha stays linear
  encode(PixelFormat::R8Snorm, {-1, 0, 0, 0});
  EXPECT_EQ(static_cast<std::int8_t>(out[0]), -127);
  encode(PixelFormat::B5G6R5Unorm, {1, 0, 0, 1});
  EXPECT_EQ(out[0] | out[1] << 8, 0xF800);
  encode(PixelFormat::ABGR4Unorm, {0, 0, 0, 1});
  EXPECT_EQ(out[0] | out[1] << 8, 0x000F);
  encode(PixelFormat::A1BGR5Unorm, {1, 0, 0, 0});
  EXPECT_EQ(out[0] | out[1] << 8, 0xF800);
  encode(PixelFormat::RGB10A2Unorm, {1, 0, 0, 1});
  std::uint32_t word;
  std::memcpy(&word, out, 4);
  EXPECT_EQ(word, 0x3FFu | 3u << 30);
  encode(PixelFormat::RGBA16Float, {0.5, 1, -2, 0});
  std::uint16_t halves[4];
  std::memcpy(halves, out, 8);
  EXPECT_EQ(halves[0], 0x3800);
  EXPECT_EQ(halves[2], 0xC000);
  encode(PixelFormat::RGBA8Uint, {300, 7, -5, 1});
  EXPECT_EQ(std::vector<int>(out, out + 4), (std::vector<int>{255, 7, 0, 1}));
  encode(PixelFormat::A8Unorm, {0, 0, 0, 1});
  EXPECT_EQ(out[0], 255);
}

TEST(PixelCodec, DecodeInvertsEncodeForEveryPlainFormat) {
  std::size_t count;
  const PixelFormatInfo* formats = allPixelFormats(count);
  for (std::size_t i = 0; i < count; ++i) {
    const PixelFormatInfo& info = formats[i];
    if (info.kind == ComponentKind::Compressed || info.kind == ComponentKind::DepthStencil)
      continue;
    const bool integer = info.kind == ComponentKind::Uint || info.kind == ComponentKind::Sint ||
                         info.format == PixelFormat::RGB10A2Uint;
    const Texel in = integer ? Texel{1, 2, 3, 1} : Texel{0.25, 0.5, 0.75, 1};
    std::uint8_t bytes[16] = {};
    encodeTexel(info, in, bytes);
    const Texel out = decodeTexel(info, bytes);
    const double tolerance = info.kind == ComponentKind::Packed ? 0.07 : 0.01;
    for (int c = 0; c < 4; ++c) {
      const bool stored = info.format == PixelFormat::A8Unorm ? c == 3
                                                              : c < static_cast<int>(info.channels);
      if (stored) {
        EXPECT_NEAR(out[c], in[c], tolerance) << static_cast<int>(info.format) << " " << c;
      }
    }
  }
}

TEST(PixelCodec, DepthAndStencilPlanes) {
  std::uint8_t out[8] = {};
  const PixelFormatInfo& combined = *pixelFormatInfo(PixelFormat::Depth32Float_Stencil8);
  encodeDepth(combined, 0.25, out);
  encodeStencil(combined, 0x5A, out);
  EXPECT_DOUBLE_EQ(decodeDepth(combined, out), 0.25);
  EXPECT_EQ(decodeStencil(combined, out), 0x5Au);
  const PixelFormatInfo& depth16 = *pixelFormatInfo(PixelFormat::Depth16Unorm);
  encodeDepth(depth16, 0.5, out);
  EXPECT_EQ(out[0] | out[1] << 8, 32768);
}

}  // namespace
}  // namespace mtl
