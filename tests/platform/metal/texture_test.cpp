// Texture storage, CPU uploads and read-backs, blits, mipmaps and resolves.
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <vector>

#include "platform/metal/blit_encoder.h"
#include "platform/metal/command_buffer.h"
#include "platform/metal/device.h"
#include "platform/metal/gpu_timeline.h"
#include "platform/metal/render_encoder.h"
#include "platform/metal/validation.h"

namespace mtl {
namespace {

class TextureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    device = Device::create();
    device->gpu().setSynchronous(true);
    queue = device->newCommandQueue();
  }

  std::shared_ptr<Texture> texture2D(PixelFormat format, NSUInteger w, NSUInteger h,
                                     bool mipmapped = false,
                                     NSUInteger usage = TextureUsageShaderRead) {
    auto d = TextureDescriptor::texture2DDescriptor(format, w, h, mipmapped);
    d.usage = usage;
    return device->newTexture(d);
  }

  std::vector<std::uint8_t> read(const Texture& t, NSUInteger level = 0, NSUInteger slice = 0) {
    const NSUInteger w = t.levelWidth(level), h = t.levelHeight(level);
    const NSUInteger row = bytesPerRow(t.formatInfo(), w);
    std::vector<std::uint8_t> bytes(row * blockRows(t.formatInfo(), h));
    t.getBytes(bytes.data(), row, 0, Region::make2D(0, 0, w, h), level, slice);
    return bytes;
  }

  std::shared_ptr<Device> device;
  std::shared_ptr<CommandQueue> queue;
};

std::vector<std::uint8_t> pattern(std::size_t size, unsigned seed) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + seed * 7 + 1);
  return bytes;
}

TEST_F(TextureTest, EveryFormatRoundTripsThroughUploadAndReadBack) {
  std::size_t count;
  const PixelFormatInfo* formats = allPixelFormats(count);
  for (std::size_t i = 0; i < count; ++i) {
    const PixelFormatInfo& info = formats[i];
    SCOPED_TRACE(static_cast<int>(info.format));
    // Compressed formats are opaque blocks: whole blocks round-trip too.
    const NSUInteger w = 16, h = 8;
    auto t = texture2D(info.format, w, h);
    const NSUInteger row = bytesPerRow(info, w) + 12;  // a padded client stride
    const auto upload = pattern(row * blockRows(info, h), static_cast<unsigned>(i));
    t->replaceRegion(Region::make2D(0, 0, w, h), 0, upload.data(), row);
    std::vector<std::uint8_t> back(upload.size(), 0);
    t->getBytes(back.data(), row, Region::make2D(0, 0, w, h), 0);
    for (NSUInteger y = 0; y < blockRows(info, h); ++y) {
      ASSERT_EQ(0, std::memcmp(&back[y * row], &upload[y * row], bytesPerRow(info, w))) << y;
    }
    // A block-aligned sub-region lands where it was put.
    const NSUInteger bw = info.blockWidth, bh = info.blockHeight;
    const Region sub = Region::make2D(bw * (bw < 8 ? 2 : 1), bh, bw, bh);
    const auto patch = pattern(info.bytesPerBlock, 99);
    t->replaceRegion(sub, 0, patch.data(), info.bytesPerBlock);
    std::vector<std::uint8_t> got(info.bytesPerBlock);
    t->getBytes(got.data(), info.bytesPerBlock, sub, 0);
    EXPECT_EQ(got, patch);
  }
}

TEST_F(TextureTest, StorageStartsZeroed) {
  auto t = texture2D(PixelFormat::RGBA32Float, 5, 3, true);
  for (NSUInteger level = 0; level < t->mipmapLevelCount(); ++level) {
    for (std::uint8_t b : read(*t, level)) ASSERT_EQ(b, 0);
  }
  EXPECT_EQ(t->mipmapLevelCount(), 3u);  // 5x3, 2x1, 1x1
  auto buffer = device->newBuffer(64, ResourceStorageModeShared);
  const auto* bytes = static_cast<const std::uint8_t*>(buffer->contents());
  EXPECT_TRUE(std::all_of(bytes, bytes + 64, [](std::uint8_t b) { return b == 0; }));
}

TEST_F(TextureTest, CpuAccessRefusals) {
  std::vector<std::uint8_t> bytes(1024);
  auto d = TextureDescriptor::texture2DDescriptor(PixelFormat::RGBA8Unorm, 4, 4, false);
  d.storageMode = StorageMode::Private;
  auto hidden = device->newTexture(d);
  EXPECT_THROW(hidden->replaceRegion(Region::make2D(0, 0, 4, 4), 0, bytes.data(), 16),
               ValidationError);
  EXPECT_THROW(hidden->getBytes(bytes.data(), 16, Region::make2D(0, 0, 4, 4), 0),
               ValidationError);
  EXPECT_EQ(device->newBuffer(16, ResourceStorageModePrivate)->contents(), nullptr);

  auto t = texture2D(PixelFormat::RGBA8Unorm, 4, 4, true);
  EXPECT_THROW(t->replaceRegion(Region::make2D(1, 0, 4, 4), 0, bytes.data(), 16),
               ValidationError);
  EXPECT_THROW(t->replaceRegion(Region::make2D(0, 0, 3, 3), 1, bytes.data(), 16),
               ValidationError);  // level 1 is 2x2
  EXPECT_THROW(t->replaceRegion(Region::make2D(0, 0, 1, 1), 3, bytes.data(), 4),
               ValidationError);  // no level 3
  EXPECT_THROW(t->replaceRegion(Region::make2D(0, 0, 4, 4), 0, bytes.data(), 8),
               ValidationError);  // short rows
  auto pvrtc = texture2D(PixelFormat::PVRTC_RGBA_4BPP, 8, 8);
  EXPECT_THROW(pvrtc->replaceRegion(Region::make2D(2, 0, 4, 4), 0, bytes.data(), 0),
               ValidationError);  // not on a block edge
  EXPECT_NO_THROW(pvrtc->replaceRegion(Region::make2D(0, 0, 8, 8), 0, bytes.data(), 0));
}

TEST_F(TextureTest, CubeFacesAreSeparateSlices) {
  auto cube = device->newTexture(
      TextureDescriptor::textureCubeDescriptor(PixelFormat::RGBA8Unorm, 2, false));
  for (NSUInteger face = 0; face < 6; ++face) {
    const auto bytes = pattern(16, static_cast<unsigned>(face));
    cube->replaceRegion(Region::make2D(0, 0, 2, 2), 0, face, bytes.data(), 8, 0);
  }
  for (NSUInteger face = 0; face < 6; ++face) {
    EXPECT_EQ(read(*cube, 0, face), pattern(16, static_cast<unsigned>(face)));
  }
  EXPECT_THROW(cube->replaceRegion(Region::make2D(0, 0, 2, 2), 0, 6, pattern(16, 0).data(), 8, 0),
               ValidationError);
}

TEST_F(TextureTest, BlitsCopySubRegions) {
  auto source = texture2D(PixelFormat::RGBA8Unorm, 4, 4);
  auto target = texture2D(PixelFormat::RGBA8Unorm, 4, 4);
  const auto pixels = pattern(64, 3);
  source->replaceRegion(Region::make2D(0, 0, 4, 4), 0, pixels.data(), 16);
  auto staging = device->newBuffer(64, ResourceStorageModeShared);
  auto linear = device->newBuffer(64, ResourceStorageModeShared);
  auto copy = device->newBuffer(64, ResourceStorageModeShared);
  std::memcpy(staging->contents(), pixels.data(), 64);

  auto cb = queue->commandBuffer();
  auto blit = cb->blitCommandEncoder();
  // The 2x2 block at (1,1) of the source goes to the top-left corner.
  blit->copyFromTexture(source, 0, 0, {1, 1, 0}, {2, 2, 1}, target, 0, 0, {0, 0, 0});
  // Row 3 of the staging buffer into row 3 of the target.
  blit->copyFromBuffer(staging, 48, 16, 0, {4, 1, 1}, target, 0, 0, {0, 3, 0});
  // Column 2 of the source into a linear buffer, one texel per row.
  blit->copyFromTexture(source, 0, 0, {2, 0, 0}, {1, 4, 1}, linear, 0, 4, 0);
  blit->copyFromBuffer(staging, 8, copy, 0, 16);
  EXPECT_THROW(blit->copyFromBuffer(staging, 60, copy, 0, 8), ValidationError);
  EXPECT_THROW(blit->copyFromTexture(source, 0, 0, {3, 3, 0}, {2, 2, 1}, target, 0, 0, {0, 0, 0}),
               ValidationError);
  blit->endEncoding();
  cb->commit();
  cb->waitUntilCompleted();

  const auto got = read(*target);
  auto texel = [](const std::vector<std::uint8_t>& img, int x, int y) {
    return std::vector<std::uint8_t>(img.begin() + (y * 4 + x) * 4, img.begin() + (y * 4 + x) * 4 + 4);
  };
  EXPECT_EQ(texel(got, 0, 0), texel(pixels, 1, 1));
  EXPECT_EQ(texel(got, 1, 1), texel(pixels, 2, 2));
  EXPECT_EQ(texel(got, 2, 0), std::vector<std::uint8_t>(4, 0));
  for (int x = 0; x < 4; ++x) EXPECT_EQ(texel(got, x, 3), texel(pixels, x, 3));
  const auto* column = static_cast<const std::uint8_t*>(linear->contents());
  for (int y = 0; y < 4; ++y) {
    EXPECT_EQ(std::vector<std::uint8_t>(column + y * 4, column + y * 4 + 4), texel(pixels, 2, y));
  }
  EXPECT_EQ(0, std::memcmp(copy->contents(), pixels.data() + 8, 16));
}

TEST_F(TextureTest, MipmapsAreBoxFiltered) {
  auto t = texture2D(PixelFormat::RGBA8Unorm, 4, 4, true);
  std::vector<std::uint8_t> pixels(64);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      std::uint8_t* p = &pixels[(y * 4 + x) * 4];
      p[0] = static_cast<std::uint8_t>(x * 40);   // 0 40 80 120
      p[1] = static_cast<std::uint8_t>(y * 20);   // 0 20 40 60
      p[2] = (x + y) % 2 ? 255 : 0;                // checkerboard
      p[3] = 255;
    }
  }
  t->replaceRegion(Region::make2D(0, 0, 4, 4), 0, pixels.data(), 16);
  auto cube = device->newTexture(
      TextureDescriptor::textureCubeDescriptor(PixelFormat::R16Float, 2, true));
  const std::uint16_t faces[4] = {0x3C00, 0x4000, 0x4200, 0x4400};  // 1 2 3 4
  cube->replaceRegion(Region::make2D(0, 0, 2, 2), 0, 4, faces, 4, 0);

  auto cb = queue->commandBuffer();
  auto blit = cb->blitCommandEncoder();
  blit->generateMipmapsForTexture(t);
  blit->generateMipmapsForTexture(cube);
  EXPECT_THROW(blit->generateMipmapsForTexture(texture2D(PixelFormat::RGBA8Uint, 4, 4, true)),
               ValidationError);
  blit->endEncoding();
  cb->commit();

  const auto level1 = read(*t, 1);
  // Means of the 2x2 blocks: red (0+40)/2 = 20 and (80+120)/2 = 100, green 10 and 50.
  EXPECT_EQ(std::vector<int>(level1.begin(), level1.begin() + 4), (std::vector<int>{20, 10, 128, 255}));
  EXPECT_EQ(std::vector<int>(level1.begin() + 12, level1.end()), (std::vector<int>{100, 50, 128, 255}));
  const auto level2 = read(*t, 2);
  EXPECT_EQ(std::vector<int>(level2.begin(), level2.end()), (std::vector<int>{60, 30, 128, 255}));
  const auto face = read(*cube, 1, 4);
  std::uint16_t mean;
  std::memcpy(&mean, face.data(), 2);
  EXPECT_EQ(mean, 0x4100);  // 2.5
  EXPECT_EQ(read(*cube, 1, 0), std::vector<std::uint8_t>(2, 0));
}

TEST_F(TextureTest, MultisampleResolveAveragesSamples) {
  auto d = TextureDescriptor::texture2DDescriptor(PixelFormat::RGBA8Unorm, 2, 1, false);
  d.textureType = TextureType::Type2DMultisample;
  d.sampleCount = 4;
  d.storageMode = StorageMode::Private;
  d.usage = TextureUsageRenderTarget;
  auto msaa = device->newTexture(d);
  // Seed the samples as a rasteriser would: texel 0 half covered by white.
  std::uint8_t* samples = msaa->levelData(0, 0);
  for (int s = 0; s < 2; ++s) std::memset(samples + s * 4, 255, 4);
  for (int s = 4; s < 8; ++s) {
    const std::uint8_t value[4] = {0, 100, 200, 255};
    std::memcpy(samples + s * 4, value, 4);
  }
  auto resolved = texture2D(PixelFormat::RGBA8Unorm, 2, 1, false,
                            TextureUsageRenderTarget | TextureUsageShaderRead);

  RenderPassDescriptor pass;
  pass.colorAttachments[0].texture = msaa;
  pass.colorAttachments[0].loadAction = LoadAction::Load;
  pass.colorAttachments[0].storeAction = StoreAction::MultisampleResolve;
  pass.colorAttachments[0].resolveTexture = resolved;
  auto cb = queue->commandBuffer();
  cb->renderCommandEncoder(pass)->endEncoding();
  cb->commit();
  EXPECT_EQ(read(*resolved), (std::vector<std::uint8_t>{128, 128, 128, 128, 0, 100, 200, 255}));
  EXPECT_EQ(msaa->sampleCount(), 4u);

  // A multisample texture cannot be read back by the CPU, and resolving
  // needs a resolve texture.
  std::vector<std::uint8_t> bytes(64);
  EXPECT_THROW(msaa->getBytes(bytes.data(), 8, Region::make2D(0, 0, 2, 1), 0), ValidationError);
  pass.colorAttachments[0].resolveTexture = nullptr;
  auto cb2 = queue->commandBuffer();
  EXPECT_THROW(cb2->renderCommandEncoder(pass), ValidationError);
}

// A deferred fill: what reads the level sees the texel everywhere, a
// read-back gives it without filling the level (the fill is still there
// to take), a later fill replaces it, an upload lands on the filled level,
// and a taken fill leaves the level as it was.
TEST_F(TextureTest, DeferredFillsAreSeenByEveryReaderAndDoneOnlyWhenWanted) {
  auto t = texture2D(PixelFormat::RGBA16Float, 5, 3, false, TextureUsageRenderTarget | TextureUsageShaderRead);
  const std::vector<std::uint8_t> scribble = pattern(5 * 3 * 8, 1);
  t->replaceRegion(Region::make2D(0, 0, 5, 3), 0, scribble.data(), 5 * 8);
  std::uint8_t first[16] = {1, 2, 3, 4, 5, 6, 7, 8}, second[16] = {9, 8, 7, 6, 5, 4, 3, 2};
  const auto repeated = [](const std::uint8_t* texel, std::size_t texels) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t k = 0; k < texels; ++k) bytes.insert(bytes.end(), texel, texel + 8);
    return bytes;
  };

  t->deferFill(0, 0, first);
  EXPECT_EQ(read(*t), repeated(first, 15));
  std::uint8_t taken[16] = {};
  ASSERT_TRUE(t->takeFill(0, 0, taken));  // still waiting after the read-back
  EXPECT_EQ(std::memcmp(taken, first, 8), 0);
  EXPECT_EQ(read(*t), scribble);  // taken, not done
  EXPECT_FALSE(t->takeFill(0, 0, taken));

  t->deferFill(0, 0, first);
  t->deferFill(0, 0, second);
  const std::uint8_t* level = static_cast<const Texture&>(*t).levelData(0, 0);
  EXPECT_EQ(std::vector<std::uint8_t>(level, level + 15 * 8), repeated(second, 15));
  EXPECT_FALSE(t->takeFill(0, 0, taken));  // done when the storage was handed out

  t->deferFill(0, 0, first);
  const std::vector<std::uint8_t> patch = pattern(2 * 8, 5);
  t->replaceRegion(Region::make2D(3, 2, 2, 1), 0, patch.data(), 2 * 8);
  std::vector<std::uint8_t> expected = repeated(first, 15);
  std::copy(patch.begin(), patch.end(), expected.begin() + (2 * 5 + 3) * 8);
  EXPECT_EQ(read(*t), expected);

  auto combined = texture2D(PixelFormat::Depth32Float_Stencil8, 2, 2, false, TextureUsageRenderTarget);
  EXPECT_THROW(combined->deferFill(0, 0, first), ValidationError);
}

// Rows upside down: a sub-region read into rows with padding, its last
// row first, equals the plain read-back's rows in reverse, from stored
// texels and from a fill still waiting; nothing outside the rows written;
// compressed formats refused.
TEST_F(TextureTest, UpsideDownReadsGiveTheRowsInReverse) {
  auto t = texture2D(PixelFormat::RGBA8Unorm, 7, 5, false, TextureUsageRenderTarget | TextureUsageShaderRead);
  const std::vector<std::uint8_t> contents = pattern(7 * 5 * 4, 3);
  t->replaceRegion(Region::make2D(0, 0, 7, 5), 0, contents.data(), 7 * 4);
  const Region region = Region::make2D(1, 1, 4, 3);
  constexpr NSUInteger kStride = 4 * 4 + 6;
  const auto check = [&] {
    std::vector<std::uint8_t> plain(3 * kStride, 0xEE), flipped(3 * kStride, 0xEE);
    t->getBytes(plain.data(), kStride, 0, region, 0, 0);
    t->getBytesUpsideDown(flipped.data(), kStride, region, 0, 0);
    for (NSUInteger row = 0; row < 3; ++row) {
      EXPECT_TRUE(std::equal(plain.begin() + row * kStride, plain.begin() + (row + 1) * kStride,
                             flipped.begin() + (2 - row) * kStride))
          << "row " << row;
    }
  };
  check();
  const std::uint8_t texel[16] = {10, 20, 30, 40};
  t->deferFill(0, 0, texel);
  check();

  auto pvrtc = texture2D(PixelFormat::PVRTC_RGBA_4BPP, 8, 8, false, TextureUsageShaderRead);
  std::vector<std::uint8_t> bytes(64);
  EXPECT_THROW(pvrtc->getBytesUpsideDown(bytes.data(), 0, Region::make2D(0, 0, 8, 8), 0, 0), ValidationError);
}

}  // namespace
}  // namespace mtl
