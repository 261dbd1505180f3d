// The colour and depth units' quad paths (four pixels at once) against
// their general per-pixel code on the same input: colours and depths that
// need care (NaN, signed zero, out of range, at the rounding points of
// 8-bit channels), every blend equation kind and write mask, quads that
// the target's edge cuts, random coverage. Results must match to the bit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "platform/metal/exec/fast_paths.h"
#include "platform/metal/exec/output_merger.h"
#include "platform/metal/exec/simd.h"
#include "platform/metal/pixel_codec.h"
#include "platform/metal/pixel_format.h"

namespace mtl::test {
namespace {

constexpr std::int32_t kWidth = 9, kHeight = 7;  // odd: quads at the edges are cut

// A value for a colour channel or a depth: mostly ordinary, often awkward.
float awkward(std::mt19937& rng) {
  static const float kValues[] = {std::numeric_limits<float>::quiet_NaN(), -0.0f, 0.0f, 1.0f, -1.0f, 2.0f,
                                  std::numeric_limits<float>::infinity(), 0.5f / 255, 1.5f / 255,
                                  127.5f / 255, 254.5f / 255, std::nextafter(0.5f / 255, 0.0f),
                                  std::nextafter(127.5f / 255, 1.0f), 1e-30f};
  std::uniform_real_distribution<float> unit(0, 1);
  if (rng() % 3 == 0) return kValues[rng() % std::size(kValues)];
  return unit(rng);
}

exec::AttachmentView viewOf(std::vector<std::uint8_t>& bytes, PixelFormat format) {
  exec::AttachmentView v;
  v.info = pixelFormatInfo(format);
  v.stride = static_cast<std::uint64_t>(kWidth) * v.info->bytesPerBlock;
  v.width = kWidth;
  v.height = kHeight;
  v.data = bytes.data();
  return v;
}

struct Quad {
  std::int32_t x, y;
  unsigned lanes;
  float values[4][4];  // channel (or, for depth, only [0]) by lane
};

std::vector<Quad> randomQuads(std::mt19937& rng) {
  std::vector<Quad> quads(300);
  for (Quad& q : quads) {
    q.x = 2 * static_cast<std::int32_t>(rng() % ((kWidth + 1) / 2));
    q.y = 2 * static_cast<std::int32_t>(rng() % ((kHeight + 1) / 2));
    q.lanes = 1 + rng() % 15;
    // Lanes outside the target are never covered.
    for (unsigned k = 0; k < 4; ++k) {
      if (q.x + static_cast<std::int32_t>(k & 1) >= kWidth || q.y + static_cast<std::int32_t>(k >> 1) >= kHeight) {
        q.lanes &= ~(1u << k);
      }
    }
    for (auto& channel : q.values) {
      for (float& v : channel) v = awkward(rng);
    }
  }
  return quads;
}

struct BlendCase {
  bool enabled;
  BlendFactor source, destination;
  BlendOperation operation;
  NSUInteger mask;
};

// The quads' 8-bit encoding in float against the pixel codec's, for every
// float within 2^14 steps of each point where the channel rounds (and the
// ends of [0, 1]): where float arithmetic could round to the wrong side.
TEST(QuadUnits, EightBitChannelsRoundAsTheCodecAtEveryRoundingPoint) {
  const PixelFormatInfo& info = *pixelFormatInfo(PixelFormat::RGBA8Unorm);
  std::size_t checked = 0, wrong = 0;
  for (int k = 0; k <= 256; ++k) {
    float v = std::min(1.0f, std::max(0.0f, static_cast<float>((k - 0.5) / 255)));
    for (int step = 0; step < (1 << 14); ++step) v = std::nextafter(v, 0.0f);
    for (int n = 0; n < (1 << 15) && v <= 1.0f; n += 4) {
      exec::Float4 lanes;
      for (unsigned l = 0; l < 4; ++l) {
        lanes[l] = std::min(v, 1.0f);
        v = std::nextafter(v, 2.0f);
      }
      const exec::Int4 fast = exec::unorm8Lanes(lanes);
      for (unsigned l = 0; l < 4; ++l) {
        std::uint8_t texel[4];
        encodeTexel(info, Texel{lanes[l], 0, 0, 0}, texel);
        wrong += static_cast<std::uint8_t>(fast[l]) != texel[0];
        ++checked;
      }
    }
  }
  EXPECT_EQ(wrong, 0u) << "of " << checked;
  EXPECT_GT(checked, 8000000u);
}

TEST(QuadUnits, ColourQuadsWriteWhatPixelsWrite) {
  const BlendCase cases[] = {
      {false, BlendFactor::One, BlendFactor::Zero, BlendOperation::Add, ColorWriteMaskAll},
      {false, BlendFactor::One, BlendFactor::Zero, BlendOperation::Add, ColorWriteMaskRed | ColorWriteMaskAlpha},
      {true, BlendFactor::SourceAlpha, BlendFactor::OneMinusSourceAlpha, BlendOperation::Add, ColorWriteMaskAll},
      {true, BlendFactor::One, BlendFactor::One, BlendOperation::Add, ColorWriteMaskAll},
      {true, BlendFactor::One, BlendFactor::OneMinusSourceAlpha, BlendOperation::Add, ColorWriteMaskBlue},
      {true, BlendFactor::OneMinusDestinationColor, BlendFactor::BlendAlpha, BlendOperation::ReverseSubtract,
       ColorWriteMaskAll},
      {true, BlendFactor::SourceAlphaSaturated, BlendFactor::DestinationAlpha, BlendOperation::Max,
       ColorWriteMaskAll},
      {true, BlendFactor::BlendColor, BlendFactor::SourceColor, BlendOperation::Min, ColorWriteMaskGreen}};
  std::mt19937 rng(4477);
  int written = 0;
  for (PixelFormat format : {PixelFormat::RGBA8Unorm, PixelFormat::BGRA8Unorm}) {
    for (const BlendCase& c : cases) {
      for (bool alphaToOne : {false, true}) {
        RenderPipelineColorAttachmentDescriptor blend;
        blend.pixelFormat = format;
        blend.blendingEnabled = c.enabled;
        blend.sourceRGBBlendFactor = blend.sourceAlphaBlendFactor = c.source;
        blend.destinationRGBBlendFactor = blend.destinationAlphaBlendFactor = c.destination;
        blend.rgbBlendOperation = blend.alphaBlendOperation = c.operation;
        blend.writeMask = c.mask;
        std::vector<std::uint8_t> quadBytes(kWidth * kHeight * 4);
        for (auto& b : quadBytes) b = static_cast<std::uint8_t>(rng());
        std::vector<std::uint8_t> pixelBytes = quadBytes;
        const std::array<float, 4> constant = {0.25f, 0.5f, 0.75f, 0.4f};
        exec::ColorUnit quads, pixels;
        quads.configure(viewOf(quadBytes, format), blend, constant);
        exec::setFastPathsEnabled(false);
        pixels.configure(viewOf(pixelBytes, format), blend, constant);
        for (const Quad& q : randomQuads(rng)) {
          std::uint32_t rows[4][4];
          for (unsigned ch = 0; ch < 4; ++ch) std::memcpy(rows[ch], q.values[ch], sizeof rows[ch]);
          const std::uint32_t* const rowPointers[4] = {rows[0], rows[1], rows[2], rows[3]};
          exec::setFastPathsEnabled(true);
          ASSERT_TRUE(quads.writeQuad(q.x, q.y, q.lanes, rowPointers, alphaToOne));
          exec::setFastPathsEnabled(false);
          for (unsigned k = 0; k < 4; ++k) {
            if (!(q.lanes & (1u << k))) continue;
            exec::SourceColor color;
            for (unsigned ch = 0; ch < 4; ++ch) color.value[ch] = q.values[ch][k];
            if (alphaToOne) color.value[3] = 1.0f;
            pixels.write(q.x + static_cast<std::int32_t>(k & 1), q.y + static_cast<std::int32_t>(k >> 1), 1, color);
            ++written;
          }
        }
        exec::setFastPathsEnabled(true);
        ASSERT_EQ(quadBytes, pixelBytes) << static_cast<int>(format) << " blend " << (&c - cases)
                                         << " alpha to one " << alphaToOne;
      }
    }
  }
  EXPECT_GT(written, 10000);
}

TEST(QuadUnits, DepthQuadsTestAndWriteWhatSamplesDo) {
  const CompareFunction functions[] = {CompareFunction::Never,   CompareFunction::Less,
                                       CompareFunction::Equal,   CompareFunction::LessEqual,
                                       CompareFunction::Greater, CompareFunction::NotEqual,
                                       CompareFunction::GreaterEqual, CompareFunction::Always};
  std::mt19937 rng(5150);
  for (PixelFormat format : {PixelFormat::Depth32Float, PixelFormat::Depth16Unorm}) {
    const std::size_t size = pixelFormatInfo(format)->bytesPerBlock;
    for (CompareFunction f : functions) {
      for (bool write : {false, true}) {
        for (const auto& range : {std::pair{0.0, 1.0}, std::pair{0.25, 0.75}, std::pair{0.1, 0.3}}) {
          DepthStencilDescriptor d;
          d.depthCompareFunction = f;
          d.depthWriteEnabled = write;
          // Stored depths: some equal to what the quads bring.
          std::vector<std::uint8_t> quadBytes(kWidth * kHeight * size);
          for (std::size_t i = 0; i < kWidth * kHeight; ++i) {
            if (size == 4) {
              const float z = static_cast<float>(rng() % 8) / 8;
              std::memcpy(&quadBytes[i * 4], &z, 4);
            } else {
              const std::uint16_t z = static_cast<std::uint16_t>(rng() % 3 == 0 ? 0 : rng() % 4 * 16384);
              std::memcpy(&quadBytes[i * 2], &z, 2);
            }
          }
          std::vector<std::uint8_t> pixelBytes = quadBytes;
          exec::DepthStencilUnit quads, pixels;
          quads.configure(viewOf(quadBytes, format), {}, &d, 0, 0, range.first, range.second);
          pixels.configure(viewOf(pixelBytes, format), {}, &d, 0, 0, range.first, range.second);
          for (Quad q : randomQuads(rng)) {
            for (float& z : q.values[0]) z = rng() % 2 ? static_cast<float>(rng() % 8) / 8 : awkward(rng);
            unsigned lanes = q.lanes;
            exec::setFastPathsEnabled(true);
            ASSERT_TRUE(quads.testQuad(q.x, q.y, lanes, q.values[0]));
            exec::setFastPathsEnabled(false);
            unsigned expected = 0;
            for (unsigned k = 0; k < 4; ++k) {
              if (!(q.lanes & (1u << k))) continue;
              if (pixels.test(q.x + static_cast<std::int32_t>(k & 1), q.y + static_cast<std::int32_t>(k >> 1), 0,
                              q.values[0][k], true)) {
                expected |= 1u << k;
              }
            }
            ASSERT_EQ(lanes, expected) << static_cast<int>(format) << " function " << static_cast<int>(f);
          }
          exec::setFastPathsEnabled(true);
          ASSERT_EQ(quadBytes, pixelBytes) << static_cast<int>(format) << " function " << static_cast<int>(f)
                                           << " write " << write;
        }
      }
    }
  }
}

}  // namespace
}  // namespace mtl::test
