// Decoded texels: the pixel codec's values in red-to-alpha order for both
// byte orders; a change of the contents, through the CPU or by drawing
// into the texture, gives the new values; other formats and textures too
// large for the budget get none; the least recently used go first.
#include <gtest/gtest.h>

#include <random>

#include "platform/metal/exec/texel_cache.h"
#include "platform/metal/pixel_codec.h"
#include "raster_harness.h"

namespace mtl::test {
namespace {

std::shared_ptr<Texture> randomTexture(Device& device, PixelFormat format, NSUInteger w, NSUInteger h,
                                       unsigned seed) {
  auto d = TextureDescriptor::texture2DDescriptor(format, w, h, false);
  d.usage = TextureUsageShaderRead | TextureUsageRenderTarget;
  auto t = device.newTexture(d);
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> bytes(w * h * 4);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
  t->replaceRegion(Region::make2D(0, 0, w, h), 0, bytes.data(), w * 4);
  return t;
}

// Every texel as the codec decodes it.
void expectDecoded(const Texture& t, const exec::DecodedTexels& texels) {
  ASSERT_EQ(texels.size(), t.width() * t.height());
  std::size_t wrong = 0;
  for (NSUInteger y = 0; y < t.height(); ++y) {
    for (NSUInteger x = 0; x < t.width(); ++x) {
      const Texel codec = decodeTexel(t.formatInfo(), t.levelData(0, 0) + y * t.levelBytesPerRow(0) + x * 4);
      const exec::Float4 v = texels[y * t.width() + x];
      for (unsigned c = 0; c < 4; ++c) wrong += v[c] != static_cast<float>(codec[c]);
    }
  }
  EXPECT_EQ(wrong, 0u);
}

TEST(TexelCache, DecodesBothByteOrdersAsTheCodec) {
  RasterHarness gpu;
  exec::TexelCache cache;
  for (PixelFormat f : {PixelFormat::RGBA8Unorm, PixelFormat::BGRA8Unorm}) {
    auto t = randomTexture(*gpu.device, f, 13, 7, 1);  // a width that is no multiple of 4
    const auto decoded = cache.decoded(*t);
    ASSERT_TRUE(decoded);
    expectDecoded(*t, *decoded);
    EXPECT_EQ(cache.decoded(*t), decoded) << "kept while the contents stay";
  }
  auto other = gpu.device->newTexture(TextureDescriptor::texture2DDescriptor(PixelFormat::RGBA16Float, 4, 4, false));
  EXPECT_FALSE(cache.decoded(*other));
  auto cube = gpu.device->newTexture(TextureDescriptor::textureCubeDescriptor(PixelFormat::RGBA8Unorm, 4, false));
  EXPECT_FALSE(cache.decoded(*cube));
}

TEST(TexelCache, ChangedContentsAreDecodedAgain) {
  RasterHarness gpu;
  exec::TexelCache cache;
  auto t = randomTexture(*gpu.device, PixelFormat::RGBA8Unorm, 8, 8, 2);
  const auto before = cache.decoded(*t);
  // Through the CPU.
  const std::uint8_t white[4] = {255, 255, 255, 255};
  t->replaceRegion(Region::make2D(3, 4, 1, 1), 0, white, 4);
  const auto afterUpload = cache.decoded(*t);
  ASSERT_NE(afterUpload, before);
  expectDecoded(*t, *afterUpload);
  // Drawn into: a cleared render pass.
  gpu.pass(RasterHarness::colorPass(t, {0.25, 0.5, 0.75, 1}), [](RenderCommandEncoder&) {});
  const auto afterPass = cache.decoded(*t);
  ASSERT_NE(afterPass, afterUpload);
  expectDecoded(*t, *afterPass);
  EXPECT_EQ((*afterPass)[0][1], static_cast<float>(128 / 255.0));
}

TEST(TexelCache, TheBudgetDropsTheLeastRecentlyUsed) {
  RasterHarness gpu;
  exec::TexelCache cache;
  // A quarter of the budget each: the fifth pushes out the least recently used.
  const NSUInteger side = 1024;
  std::vector<std::shared_ptr<Texture>> textures;
  std::vector<std::shared_ptr<const exec::DecodedTexels>> first;
  for (unsigned k = 0; k < 4; ++k) {
    textures.push_back(randomTexture(*gpu.device, PixelFormat::RGBA8Unorm, side, side, k));
    first.push_back(cache.decoded(*textures.back()));
    ASSERT_TRUE(first.back());
  }
  EXPECT_EQ(cache.decoded(*textures[0]), first[0]);  // now the most recent
  textures.push_back(randomTexture(*gpu.device, PixelFormat::RGBA8Unorm, side, side, 9));
  EXPECT_TRUE(cache.decoded(*textures[4]));
  EXPECT_EQ(cache.decoded(*textures[0]), first[0]);
  EXPECT_NE(cache.decoded(*textures[1]), first[1]) << "the least recently used was dropped";
  // Too large for the budget: none.
  auto huge = gpu.device->newTexture(TextureDescriptor::texture2DDescriptor(PixelFormat::RGBA8Unorm, 2048, 2048, false));
  EXPECT_FALSE(cache.decoded(*huge));
}

}  // namespace
}  // namespace mtl::test
