// Load-action clears as block fills: every sample of every cleared level
// holds the pixel codec's encoding of the value, whatever the texel size,
// sample count or split into ranges; a combined depth and stencil format
// keeps the part that is not cleared.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/metal/device.h"
#include "platform/metal/pixel_codec.h"
#include "platform/metal/texture_operations.h"

namespace mtl {
namespace {

std::shared_ptr<Texture> target(Device& device, PixelFormat format, NSUInteger w, NSUInteger h,
                                NSUInteger samples = 1) {
  auto d = TextureDescriptor::texture2DDescriptor(format, w, h, false);
  d.usage = TextureUsageRenderTarget;
  if (samples > 1) {
    d.textureType = TextureType::Type2DMultisample;
    d.sampleCount = samples;
  }
  return device.newTexture(d);
}

// Fills the level with a byte pattern that no clear writes.
void scribble(Texture& t) {
  std::uint8_t* data = t.levelData(0, 0);
  const std::size_t size = t.levelBytesPerRow(0) * t.levelHeight(0);
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(i * 13 + 5);
}

// Every texel of the level equals `texel` in the bytes where `mask` is
// set, and the scribble elsewhere.
void expectTexels(const Texture& t, const std::uint8_t* texel, const std::uint8_t* mask) {
  const std::size_t size = t.formatInfo().bytesPerBlock;
  const std::uint8_t* data = t.levelData(0, 0);
  const std::size_t total = t.levelBytesPerRow(0) * t.levelHeight(0);
  std::size_t wrong = 0;
  for (std::size_t i = 0; i < total; ++i) {
    const std::uint8_t expected = mask[i % size] ? texel[i % size] : static_cast<std::uint8_t>(i * 13 + 5);
    wrong += data[i] != expected;
  }
  EXPECT_EQ(wrong, 0u) << "of " << total << " bytes";
}

// Splits into uneven ranges and runs them last first, as a pool may.
ParallelRanges unevenRanges(std::size_t& calls) {
  return [&calls](std::size_t count, const std::function<void(std::size_t, std::size_t)>& job) {
    ++calls;
    std::vector<std::size_t> cuts{0, std::min<std::size_t>(1, count), count / 3, count / 3 + 7, count};
    std::sort(cuts.begin(), cuts.end());
    for (std::size_t k = cuts.size() - 1; k-- > 0;) {
      if (cuts[k] < cuts[k + 1]) job(cuts[k], std::min(cuts[k + 1], count));
    }
  };
}

TEST(Clears, EveryLevelOfOneLoopHoldsTheCodecsTexel) {
  auto device = Device::create();
  // Uniform and mixed bytes, 1 to 16 bytes a texel, several samples; the
  // first two are large enough to be split.
  auto rgba8 = target(*device, PixelFormat::RGBA8Unorm, 1024, 300);
  auto depth16 = target(*device, PixelFormat::Depth16Unorm, 1024, 300);
  auto half4 = target(*device, PixelFormat::RGBA16Float, 37, 11, 4);
  auto float4 = target(*device, PixelFormat::RGBA32Float, 5, 3);
  auto r8 = target(*device, PixelFormat::R8Unorm, 3, 7);
  auto depth32 = target(*device, PixelFormat::Depth32Float, 9, 4, 2);
  auto stencil8 = target(*device, PixelFormat::Stencil8, 13, 2);
  std::vector<std::shared_ptr<Texture>> all{rgba8, depth16, half4, float4, r8, depth32, stencil8};
  for (auto& t : all) scribble(*t);

  std::vector<LevelClear> clears;
  auto color = [&](const std::shared_ptr<Texture>& t, ClearColor c) {
    LevelClear l;
    l.texture = t;
    l.color = c;
    clears.push_back(l);
  };
  color(rgba8, {0.2, 0.4, 0.6, 0.8});
  color(half4, {0.25, -1.5, 3, 1});
  color(float4, {1e-3, 2, -7, 0.5});
  color(r8, {1, 0, 0, 1});
  LevelClear d;
  d.aspect = LevelClear::Aspect::depth;
  d.texture = depth16;
  d.depth = 1;
  clears.push_back(d);
  d.texture = depth32;
  d.depth = 0.3;
  clears.push_back(d);
  LevelClear s;
  s.aspect = LevelClear::Aspect::stencil;
  s.texture = stencil8;
  s.stencil = 0x5A;
  clears.push_back(s);

  std::size_t calls = 0;
  clearLevels(clears, unevenRanges(calls));
  EXPECT_EQ(calls, 1u) << "one loop for every level";

  const std::uint8_t all16[16] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  for (const LevelClear& c : clears) {
    const PixelFormatInfo& info = c.texture->formatInfo();
    SCOPED_TRACE(static_cast<int>(info.format));
    std::uint8_t texel[16] = {};
    if (c.aspect == LevelClear::Aspect::color) {
      encodeTexel(info, Texel{c.color.red, c.color.green, c.color.blue, c.color.alpha}, texel);
    } else if (c.aspect == LevelClear::Aspect::depth) {
      encodeDepth(info, c.depth, texel);
    } else {
      encodeStencil(info, c.stencil, texel);
    }
    expectTexels(*c.texture, texel, all16);
  }
}

TEST(Clears, CombinedDepthAndStencilKeepTheOtherPart) {
  auto device = Device::create();
  auto t = target(*device, PixelFormat::Depth32Float_Stencil8, 700, 200, 2);  // large enough to split
  scribble(*t);
  LevelClear depth;
  depth.aspect = LevelClear::Aspect::depth;
  depth.texture = t;
  depth.depth = 0.75;
  std::size_t calls = 0;
  clearLevels({depth}, unevenRanges(calls));
  EXPECT_EQ(calls, 1u);
  std::uint8_t texel[8] = {}, depthBytes[8] = {};
  encodeDepth(t->formatInfo(), 0.75, texel);
  // The bytes the depth occupies: those the encoding changes from two
  // different starting texels.
  std::uint8_t a[8], b[8];
  std::memset(a, 0x00, 8);
  std::memset(b, 0xFF, 8);
  encodeDepth(t->formatInfo(), 0.75, a);
  encodeDepth(t->formatInfo(), 0.75, b);
  for (int k = 0; k < 8; ++k) depthBytes[k] = a[k] == b[k];
  expectTexels(*t, texel, depthBytes);

  scribble(*t);
  LevelClear stencil;
  stencil.aspect = LevelClear::Aspect::stencil;
  stencil.texture = t;
  stencil.stencil = 0xC3;
  clearLevels({stencil});
  std::uint8_t s[8] = {}, stencilBytes[8] = {};
  std::memset(a, 0x00, 8);
  std::memset(b, 0xFF, 8);
  encodeStencil(t->formatInfo(), 0xC3, a);
  encodeStencil(t->formatInfo(), 0xC3, b);
  encodeStencil(t->formatInfo(), 0xC3, s);
  for (int k = 0; k < 8; ++k) stencilBytes[k] = a[k] == b[k];
  expectTexels(*t, s, stencilBytes);
  EXPECT_EQ(decodeStencil(t->formatInfo(), t->levelData(0, 0) + 8 * 11), 0xC3u);
}

}  // namespace
}  // namespace mtl
