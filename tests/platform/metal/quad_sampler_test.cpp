// The quad sampler's direct path (four lanes of a 2-D 8-bit texture,
// filtered linearly and clamped to its edges) against the one-lookup
// reference on the same coordinates, with and without decoded texels:
// ordinary coordinates, those at and beyond the edges, beyond the range
// where float keeps texel positions exact, and not finite at all (at the
// left and top edges, u - 1/2 is not exact in float). Results must match
// to the bit.
#include <gtest/gtest.h>

#include <bit>
#include <limits>
#include <random>

#include "platform/metal/exec/sampler.h"
#include "platform/metal/exec/texel_cache.h"
#include "raster_harness.h"

namespace mtl::test {
namespace {

float awkwardCoordinate(std::mt19937& rng) {
  static const float kValues[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                                  -std::numeric_limits<float>::infinity(), -0.0f, 0.0f, 1.0f, -1.0f, 1e9f, -1e9f,
                                  4194304.5f / 13, 1e30f, 0.5f / 13, 12.5f / 13};
  std::uniform_real_distribution<float> unit(-0.25f, 1.25f);
  switch (rng() % 4) {
    case 0: return kValues[rng() % std::size(kValues)];
    // Halfway between texel centres of a 16-texel side, exactly, also
    // beyond both edges: where the lower texel changes.
    case 1: return (static_cast<float>(rng() % 40) - 12.5f) / 16;
    default: return unit(rng);
  }
}

TEST(QuadSampler, DirectQuadsSampleWhatSingleLookupsDo) {
  RasterHarness gpu;
  exec::TexelCache cache;
  std::mt19937 rng(23);
  SamplerDescriptor sd;
  sd.minFilter = sd.magFilter = SamplerMinMagFilter::Linear;
  const std::array<const SamplerDescriptor*, kMaxSamplerBindings> samplers = {&sd};
  msl::Instruction sample;
  sample.op = msl::Opcode::Sample;
  sample.stride = static_cast<std::uint32_t>(msl::TextureShape::Texture2D);
  struct Case {
    PixelFormat format;
    NSUInteger width, height;
  };
  for (const Case& k : {Case{PixelFormat::RGBA8Unorm, 13, 7}, Case{PixelFormat::BGRA8Unorm, 13, 7},
                        Case{PixelFormat::RGBA8Unorm, 16, 16}}) {
    const PixelFormat format = k.format;
    auto texture = gpu.device->newTexture(TextureDescriptor::texture2DDescriptor(format, k.width, k.height, false));
    std::vector<std::uint8_t> bytes(k.width * k.height * 4);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
    texture->replaceRegion(Region::make2D(0, 0, k.width, k.height), 0, bytes.data(), k.width * 4);
    for (bool decoded : {true, false}) {
      std::array<exec::BoundTexture, kMaxTextureBindings> textures{};
      textures[0].texture = texture.get();
      if (decoded) textures[0].decoded = cache.decoded(*texture);
      const exec::QuadSampler quad = exec::prepareQuadSampler(sample, textures, samplers);
      ASSERT_TRUE(quad.direct);
      exec::StageTextures stage;
      std::size_t differing = 0;
      for (int round = 0; round < 2000; ++round) {
        exec::Float4 u, v, out[4];
        for (unsigned l = 0; l < 4; ++l) {
          u[l] = awkwardCoordinate(rng);
          v[l] = awkwardCoordinate(rng);
        }
        stage.sampleQuad(quad, u, v, 0xF, out);
        for (unsigned l = 0; l < 4; ++l) {
          exec::SampleRequest r;
          r.coordinate[0] = u[l];
          r.coordinate[1] = v[l];
          const std::array<float, 4> expected = exec::sampleTexture(*texture, sd, r);
          for (unsigned c = 0; c < 4; ++c) {
            differing += std::bit_cast<std::uint32_t>(out[c][l]) != std::bit_cast<std::uint32_t>(expected[c]);
          }
        }
      }
      EXPECT_EQ(differing, 0u) << static_cast<int>(format) << ", " << k.width << " wide"
                               << (decoded ? ", decoded" : ", from bytes");
    }
  }
}

}  // namespace
}  // namespace mtl::test
