// Textures: storage and its checks, uploads with the unpack alignment and
// the vertical flip, conversions, sub-rectangles, compressed data, the
// default textures and adopted Metal textures.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "gles/context/context.h"
#include "gles/context/gl_enums.h"
#include "gles/context/platform.h"
#include "gles/render/renderer.h"
#include "gles/render/sampler_state.h"
#include "gles/textures/pvrtc.h"
#include "gles/textures/pvrtc_codec.h"
#include "gles/textures/texture.h"
#include "platform/metal/device.h"
#include "platform/metal/gpu_timeline.h"
#include "platform/metal/texture.h"
#include "tests/gles/gl_test_context.h"

namespace {

using P = mtl::PixelFormat;

class TextureTest : public tessaly::test::GLTestContext {
 protected:
  void SetUp() override {
    GLTestContext::SetUp();
    device = mglSharedMTLDevice();
    device->gpu().setSynchronous(true);
  }
  void TearDown() override {
    GLTestContext::TearDown();
    device->gpu().waitUntilIdle();
  }

  // A named texture of `target`, bound to unit 0 of its table.
  MGLTexture* makeTexture(GLenum target = GL_TEXTURE_2D) {
    const GLID name = context->textures()->generateGLID();
    auto* texture = static_cast<MGLTexture*>(context->textures()->getObjectWithGLID(name));
    (target == GL_TEXTURE_2D ? context->textureUnits2D() : context->textureUnitsCube())
        ->bindTexture(texture, 0);
    return texture;
  }

  // Metal rows (of blocks, for compressed formats) of a level, top to
  // bottom, tightly packed.
  static std::vector<std::uint8_t> metalBytes(const MGLTexture& texture, mtl::NSUInteger level = 0,
                                              mtl::NSUInteger slice = 0) {
    const mtl::Texture& t = *texture.mtlTexture();
    const mtl::NSUInteger w = t.levelWidth(level), h = t.levelHeight(level);
    const mtl::NSUInteger row = mtl::bytesPerRow(t.formatInfo(), w);
    std::vector<std::uint8_t> bytes(row * mtl::blockRows(t.formatInfo(), h));
    t.getBytes(bytes.data(), row, 0, mtl::Region::make2D(0, 0, w, h), level, slice);
    return bytes;
  }

  std::shared_ptr<mtl::Device> device;
};

TEST_F(TextureTest, NullPixelsAllocateARenderableLevelWithItsChain) {
  MGLTexture* texture = makeTexture();
  texture->setContent(nullptr, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{20, 12}, GL_TEXTURE_2D, 0,
                      *context);
  ASSERT_EQ(errorCode(), 0u);
  ASSERT_TRUE(texture->mtlTexture());
  EXPECT_EQ(texture->mtlUsage(), 7u);
  EXPECT_EQ(texture->mtlTexture()->usage(), 7u);
  EXPECT_EQ(texture->mtlTexture()->mipmapLevelCount(), 5u);  // 20 x 12 down to 1 x 1
  EXPECT_EQ(texture->size(), (MGLSize{20, 12}));
  EXPECT_EQ(texture->pixelFormat(), GL_RGBA);
  EXPECT_EQ(texture->pixelType(), GL_UNSIGNED_BYTE);
  // With the sample-only optimisation a texture given pixels is read-only.
  context->setShouldOptimizeSampleOnlyTextures(true);
  const std::uint8_t pixel[4] = {1, 2, 3, 4};
  MGLTexture* readOnly = makeTexture();
  readOnly->setContent(pixel, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{1, 1}, GL_TEXTURE_2D, 0,
                       *context);
  EXPECT_EQ(readOnly->mtlTexture()->usage(), mtl::TextureUsageShaderRead);
}

TEST_F(TextureTest, FirstLevelGivenDecidesTheBaseSize) {
  MGLTexture* texture = makeTexture();
  texture->setContent(nullptr, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{64, 64}, GL_TEXTURE_2D, 1,
                      *context);
  ASSERT_EQ(errorCode(), 0u);
  EXPECT_EQ(texture->size(), (MGLSize{128, 128}));
  EXPECT_EQ(texture->mtlTexture()->mipmapLevelCount(), 8u);
}

TEST_F(TextureTest, OtherLevelsMustMatchTheBaseSizeAndFormat) {
  MGLTexture* texture = makeTexture();
  texture->setContent(nullptr, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{256, 256}, GL_TEXTURE_2D, 0,
                      *context);
  texture->setContent(nullptr, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{32, 32}, GL_TEXTURE_2D, 2,
                      *context);
  EXPECT_EQ(errorText(),
            "GL_INVALID_VALUE. Texture 1 has base size (256, 256). The size of level 2 cannot be "
            "set to (32, 32).");
  texture->setContent(nullptr, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{64, 64}, GL_TEXTURE_2D, 2,
                      *context);
  EXPECT_EQ(errorCode(), 0u);
  texture->setContent(nullptr, GL_RGBA, GL_FLOAT, MGLSize{64, 64}, GL_TEXTURE_2D, 2, *context);
  EXPECT_EQ(errorText(),
            "GL_INVALID_VALUE. Pixel format GL_RGBA and type GL_FLOAT of level 2 do not match the "
            "values already set for texture 1.");
  texture->setContent(nullptr, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{1, 1}, GL_TEXTURE_2D, 9,
                      *context);
  EXPECT_EQ(errorText(),
            "GL_INVALID_VALUE. Texture 1 has 9 mipmap levels. Mipmap level 9 is out of range.");
}

TEST_F(TextureTest, LevelZeroOfTheSameSizeAndFormatKeepsTheOtherLevels) {
  MGLTexture* texture = makeTexture();
  std::vector<std::uint8_t> level1(4 * 4 * 4, 0x77);
  texture->setContent(nullptr, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{8, 8}, GL_TEXTURE_2D, 0,
                      *context);
  texture->setContent(level1.data(), GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{4, 4}, GL_TEXTURE_2D, 1,
                      *context);
  const mtl::Texture* storage = texture->mtlTexture().get();
  std::vector<std::uint8_t> level0(8 * 8 * 4, 0x11);
  texture->setContent(level0.data(), GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{8, 8}, GL_TEXTURE_2D, 0,
                      *context);
  EXPECT_EQ(texture->mtlTexture().get(), storage);
  EXPECT_EQ(metalBytes(*texture, 1), level1);
  // Another size replaces the texture and its levels.
  texture->setContent(level0.data(), GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{4, 16}, GL_TEXTURE_2D, 0,
                      *context);
  EXPECT_NE(texture->mtlTexture().get(), storage);
  EXPECT_EQ(texture->mtlTexture()->mipmapLevelCount(), 5u);
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(TextureTest, LuminanceIsConvertedOnlyWhileMismatchedTexturesAreSwizzled) {
  const std::uint8_t grey[4] = {0x10, 0x20, 0x30, 0x40};  // 2 x 2, rows padded to 4
  MGLTexture* swizzled = makeTexture();
  context->setPixelStoreParameter(GL_UNPACK_ALIGNMENT, 2);
  swizzled->setContent(grey, GL_LUMINANCE, GL_UNSIGNED_BYTE, MGLSize{1, 2}, GL_TEXTURE_2D, 0,
                       *context);
  EXPECT_EQ(swizzled->mtlTexture()->pixelFormat(), P::RGBA8Unorm);
  EXPECT_TRUE(swizzled->isSwizzled());
  // GL's first row is Metal's last.
  EXPECT_EQ(metalBytes(*swizzled),
            (std::vector<std::uint8_t>{0x30, 0x30, 0x30, 0xFF, 0x10, 0x10, 0x10, 0xFF}));

  context->setShouldSwizzleMismatchedTextures(false);
  MGLTexture* direct = makeTexture();
  direct->setContent(grey, GL_LUMINANCE, GL_UNSIGNED_BYTE, MGLSize{1, 2}, GL_TEXTURE_2D, 0,
                     *context);
  EXPECT_EQ(direct->mtlTexture()->pixelFormat(), P::R8Unorm);
  EXPECT_FALSE(direct->isSwizzled());
  EXPECT_EQ(metalBytes(*direct), (std::vector<std::uint8_t>{0x30, 0x10}));
  // RGB has no direct format: converted either way.
  MGLTexture* rgb = makeTexture();
  rgb->setContent(grey, GL_RGB, GL_UNSIGNED_BYTE, MGLSize{1, 1}, GL_TEXTURE_2D, 0, *context);
  EXPECT_EQ(rgb->mtlTexture()->pixelFormat(), P::RGBA8Unorm);
  EXPECT_EQ(metalBytes(*rgb), (std::vector<std::uint8_t>{0x10, 0x20, 0x30, 0xFF}));
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(TextureTest, RowsFollowTheUnpackAlignmentAndOnlyTheirPixelsAreRead) {
  // 3 x 2 RGB: rows of 9 bytes padded to 12; the last row's padding is not
  // there at all (an exact-size buffer, so the sanitizers see an over-read).
  std::vector<std::uint8_t> pixels(12 + 9);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i + 1);
  MGLTexture* texture = makeTexture();
  texture->setContent(pixels.data(), GL_RGB, GL_UNSIGNED_BYTE, MGLSize{3, 2}, GL_TEXTURE_2D, 0,
                      *context);
  ASSERT_EQ(errorCode(), 0u);
  EXPECT_EQ(metalBytes(*texture),
            (std::vector<std::uint8_t>{13, 14, 15, 255, 16, 17, 18, 255, 19, 20, 21, 255,
                                       1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255}));
  EXPECT_EQ(texture->getBytesPerRowForWidth(3, 4), 12);
  EXPECT_EQ(texture->getBytesPerRowForWidth(3, 3), 9);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Byte alignment 3 is not a power-of-two value.");
  EXPECT_EQ(MGLTexture::bytesPerRow(GL_COMPRESSED_RGBA8_ETC2_EAC, 0, 9, 4), 48);
  EXPECT_EQ(MGLTexture::bytesPerRow(GL_COMPRESSED_RGB_PVRTC_4BPPV1_IMG, 0, 64, 8), 0);
}

TEST_F(TextureTest, ALevelZeroCallOfAnotherFormatReadsItsOwnRows) {
  // RGBA then RGB of the same size: both are RGBA8Unorm, kept, and the RGB
  // data is read with 3-byte pixels from a buffer just large enough.
  MGLTexture* texture = makeTexture();
  const std::vector<std::uint8_t> rgba(2 * 2 * 4, 0x55);
  texture->setContent(rgba.data(), GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{2, 2}, GL_TEXTURE_2D, 0,
                      *context);
  const mtl::Texture* storage = texture->mtlTexture().get();
  context->setPixelStoreParameter(GL_UNPACK_ALIGNMENT, 1);
  const std::vector<std::uint8_t> rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  texture->setContent(rgb.data(), GL_RGB, GL_UNSIGNED_BYTE, MGLSize{2, 2}, GL_TEXTURE_2D, 0,
                      *context);
  EXPECT_EQ(texture->mtlTexture().get(), storage);
  EXPECT_EQ(texture->pixelFormat(), GL_RGB);
  EXPECT_EQ(metalBytes(*texture), (std::vector<std::uint8_t>{7, 8, 9, 255, 10, 11, 12, 255,
                                                             1, 2, 3, 255, 4, 5, 6, 255}));
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(TextureTest, SizesAndLevelsBeyondTheLimitsAreRefusedWithoutOverflow) {
  const GLint max = context->platform()->maxTextureSize();
  MGLTexture* texture = makeTexture();
  texture->setContent(nullptr, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{0, 4}, GL_TEXTURE_2D, 0,
                      *context);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Texture 1 width 0 must be greater than zero.");
  texture->setContent(nullptr, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{4, max + 1}, GL_TEXTURE_2D, 0,
                      *context);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Texture 1 height 16385 is too big. Textures may have "
                         "a maximum height of 16384.");
  texture->setContent(nullptr, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{4, 4}, GL_TEXTURE_2D, -1,
                      *context);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Texture level cannot be negative.");
  // 64 << 20 would ask for a base of 2^26 texels a side; 64 << 9 is one
  // power beyond the maximum; levels of 32 and more would shift too far.
  for (GLint level : {20, 9, 40}) {
    texture->setContent(nullptr, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{64, 64}, GL_TEXTURE_2D,
                        level, *context);
    EXPECT_EQ(errorCode(), GL_INVALID_VALUE) << level;
    EXPECT_FALSE(texture->mtlTexture());
  }
  texture->setContent(nullptr, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{1, 1}, GL_TEXTURE_2D, 4,
                      *context);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(texture->size(), (MGLSize{16, 16}));

  // A sub-area whose end would overflow 32 bits.
  const std::uint8_t pixel[4] = {};
  texture->setContent(pixel, GL_RGBA, GL_UNSIGNED_BYTE, MGLRect{INT_MAX - 1, 0, 8, 1},
                      GL_TEXTURE_2D, 0, *context);
  EXPECT_EQ(errorCode(), GL_INVALID_VALUE);
  texture->setContent(pixel, GL_RGBA, GL_UNSIGNED_BYTE, MGLRect{8, 0, INT_MAX, 1},
                      GL_TEXTURE_2D, 0, *context);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Texture 1 sub-area width 2147483655 cannot extend "
                         "beyond width 16 of texture mipmap level 0.");
}

TEST_F(TextureTest, FacesMustSuitTheTarget) {
  MGLTexture* flat = makeTexture();
  const std::uint8_t pixel[4] = {};
  flat->setContent(pixel, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{1, 1},
                   GL_TEXTURE_CUBE_MAP_POSITIVE_Z, 0, *context);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. GL_TEXTURE_CUBE_MAP_POSITIVE_Z is not a valid "
                         "target for a 2D texture.");
  EXPECT_FALSE(flat->mtlTexture());
  MGLTexture* cube = makeTexture(GL_TEXTURE_CUBE_MAP);
  cube->setContent(nullptr, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{64, 32},
                   GL_TEXTURE_CUBE_MAP_NEGATIVE_X, 0, *context);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Cube mapped texture 2 width 64 and height 32 are not "
                         "equal. Cube-mapped textures must be square.");
  EXPECT_FALSE(cube->mtlTexture());
  cube->setContent(pixel, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{1, 1}, GL_TEXTURE_2D, 0, *context);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. GL_TEXTURE_2D is not a valid target for a "
                         "cube-map texture.");
  cube->setContent(pixel, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{1, 1}, GL_RGBA, 0, *context);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. GL_RGBA is not a valid texture target.");
  MGLTexture* unbound = static_cast<MGLTexture*>(context->textures()->getObjectWithGLID(40));
  unbound->setContent(pixel, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{1, 1}, GL_TEXTURE_2D, 0,
                      *context);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Texture 40 has invalid target GL_ZERO.");

  // The Y faces land in each other's slices.
  const std::uint8_t red[4] = {255, 0, 0, 255};
  cube->setContent(red, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{1, 1},
                   GL_TEXTURE_CUBE_MAP_POSITIVE_Y, 0, *context);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(metalBytes(*cube, 0, 3), (std::vector<std::uint8_t>{255, 0, 0, 255}));
  EXPECT_EQ(metalBytes(*cube, 0, 2), (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

TEST_F(TextureTest, FourTwoTwoFormatsNeedEvenWidthsAndFlatTextures) {
  MGLTexture* texture = makeTexture();
  texture->setContent(nullptr, GL_RGB_422_APPLE, GL_UNSIGNED_BYTE, MGLSize{5, 2}, GL_TEXTURE_2D,
                      0, *context);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Texture 1 cannot support pixel format "
                         "GL_RGB_422_APPLE because the width 5 is not a multiple of two pixels.");
  MGLTexture* cube = makeTexture(GL_TEXTURE_CUBE_MAP);
  cube->setContent(nullptr, GL_RGB_422_APPLE, GL_UNSIGNED_BYTE, MGLSize{4, 4},
                   GL_TEXTURE_CUBE_MAP_POSITIVE_X, 0, *context);
  EXPECT_EQ(errorCode(), GL_INVALID_OPERATION);
  // An even width is stored as it is (and the texture cannot be a render
  // target, which Metal refuses for these formats).
  const std::vector<std::uint8_t> video = {1, 2, 3, 4, 5, 6, 7, 8};
  texture->setContent(video.data(), GL_RGB_422_APPLE, GL_UNSIGNED_SHORT_8_8_REV_APPLE,
                      MGLSize{2, 2}, GL_TEXTURE_2D, 0, *context);
  ASSERT_EQ(errorCode(), 0u);
  EXPECT_EQ(texture->mtlTexture()->pixelFormat(), P::BGRG422);
  EXPECT_EQ(metalBytes(*texture), (std::vector<std::uint8_t>{5, 6, 7, 8, 1, 2, 3, 4}));
}

TEST_F(TextureTest, SubRectanglesLandAtTheMirroredPlace) {
  MGLTexture* texture = makeTexture();
  texture->setContent(nullptr, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{8, 16}, GL_TEXTURE_2D, 0,
                      *context);
  std::vector<std::uint8_t> rows(8 * 4 * 4);
  for (int y = 0; y < 4; ++y) std::memset(rows.data() + y * 32, 10 + y, 32);
  texture->setContent(rows.data(), GL_RGBA, GL_UNSIGNED_BYTE, MGLRect{0, 0, 8, 4},
                      GL_TEXTURE_2D, 0, *context);
  ASSERT_EQ(errorCode(), 0u);
  context->renderer()->finishCommands();
  const std::vector<std::uint8_t> bytes = metalBytes(*texture);
  for (int metalRow = 0; metalRow < 16; ++metalRow) {
    // GL rows 0..3 are Metal rows 15..12.
    const int expected = metalRow >= 12 ? 10 + (15 - metalRow) : 0;
    EXPECT_EQ(bytes[metalRow * 32], expected) << metalRow;
    EXPECT_EQ(bytes[metalRow * 32 + 31], expected) << metalRow;
  }
  // A level's own height mirrors within that level.
  const std::uint8_t pixel[4] = {9, 9, 9, 9};
  texture->setContent(pixel, GL_RGBA, GL_UNSIGNED_BYTE, MGLRect{3, 1, 1, 1}, GL_TEXTURE_2D, 1,
                      *context);
  context->renderer()->finishCommands();
  const std::vector<std::uint8_t> level1 = metalBytes(*texture, 1);  // 4 x 8
  EXPECT_EQ(level1[(6 * 4 + 3) * 4], 9);
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(TextureTest, SubRectangleChecks) {
  MGLTexture* texture = makeTexture();
  const std::uint8_t pixel[16] = {};
  texture->setContent(pixel, GL_RGBA, GL_UNSIGNED_BYTE, MGLRect{0, 0, 1, 1}, GL_TEXTURE_2D, 0,
                      *context);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Texture 1 has no contents.");
  texture->setContent(nullptr, GL_RGB, GL_UNSIGNED_BYTE, MGLSize{4, 4}, GL_TEXTURE_2D, 0,
                      *context);
  texture->setContent(pixel, GL_RGBA, GL_UNSIGNED_BYTE, MGLRect{0, 0, 1, 1}, GL_TEXTURE_2D, 0,
                      *context);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Texture sub-area pixel format GL_RGBA does not match "
                         "texture 1 pixel format GL_RGB.");
  texture->setContent(pixel, GL_RGB, GL_FLOAT, MGLRect{0, 0, 1, 1}, GL_TEXTURE_2D, 0, *context);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Texture sub-area pixel type GL_FLOAT does not match "
                         "texture 1 pixel type GL_UNSIGNED_BYTE.");
  texture->setContent(pixel, GL_RGB, GL_UNSIGNED_BYTE, MGLRect{-1, 0, 1, 1}, GL_TEXTURE_2D, 0,
                      *context);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Texture 1 sub-area origin cannot be negative.");
  texture->setContent(pixel, GL_RGB, GL_UNSIGNED_BYTE, MGLRect{0, 0, 1, -1}, GL_TEXTURE_2D, 0,
                      *context);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Texture 1 sub-area height cannot be negative.");
  texture->setContent(pixel, GL_RGB, GL_UNSIGNED_BYTE, MGLRect{0, 3, 1, 2}, GL_TEXTURE_2D, 0,
                      *context);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Texture 1 sub-area height 5 cannot extend beyond "
                         "height 4 of texture mipmap level 0.");
  texture->setContent(pixel, GL_RGB, GL_UNSIGNED_BYTE, MGLRect{0, 0, 1, 1}, GL_TEXTURE_2D, 3,
                      *context);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Mipmap level 3 is out of range. Texture 1 has 3 "
                         "mipmap levels.");
  // An empty rectangle passes and changes nothing; null pixels do nothing.
  texture->setContent(pixel, GL_RGB, GL_UNSIGNED_BYTE, MGLRect{4, 4, 0, 0}, GL_TEXTURE_2D, 0,
                      *context);
  texture->setContent(nullptr, GL_RGBA, GL_FLOAT, MGLRect{9, 9, 9, 9}, GL_TEXTURE_2D, 0,
                      *context);
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(TextureTest, UploadsWaitBehindWorkTheGPUHasNotRun) {
  // A texture with content, then a command buffer the GPU has been given
  // but not run (as draws that may sample the texture would be): a new
  // full-level image is copied in by a blit after that work, not written
  // at once.
  MGLTexture* texture = makeTexture();
  const std::vector<std::uint8_t> before(4 * 4 * 4, 0x11), after(4 * 4 * 4, 0x22);
  texture->setContent(before.data(), GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{4, 4}, GL_TEXTURE_2D, 0,
                      *context);
  ASSERT_NE(context->renderer()->commandBuffer(), nullptr);  // enqueued, not run
  texture->setContent(after.data(), GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{4, 4}, GL_TEXTURE_2D, 0,
                      *context);
  EXPECT_EQ(metalBytes(*texture), before);
  context->renderer()->finishCommands();
  EXPECT_EQ(metalBytes(*texture), after);
  // With the GPU idle the upload is written at once.
  texture->setContent(before.data(), GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{4, 4}, GL_TEXTURE_2D, 0,
                      *context);
  EXPECT_EQ(metalBytes(*texture), before);
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(TextureTest, DepthTexturesTakeTheirDataThroughABlit) {
  // Depth textures have private storage, which the CPU cannot write.
  MGLTexture* texture = makeTexture();
  const std::uint16_t depth[4] = {0, 0x4000, 0x8000, 0xFFFF};
  texture->setContent(depth, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT, MGLSize{2, 2},
                      GL_TEXTURE_2D, 0, *context);
  ASSERT_EQ(errorCode(), 0u);
  EXPECT_EQ(texture->mtlTexture()->storageMode(), mtl::StorageMode::Private);
  context->renderer()->finishCommands();
  const mtl::Texture& t = *texture->mtlTexture();
  std::uint16_t stored[4];
  std::memcpy(stored, t.levelData(0, 0), 8);
  EXPECT_EQ(stored[0], 0x8000);  // GL row 1 is Metal row 0
  EXPECT_EQ(stored[3], 0x4000);
}

TEST_F(TextureTest, DefaultTexturesAreOpaqueBlackAndUnchangeable) {
  MGLTexture* flat = context->textureUnits2D()->defaultTexture();
  MGLTexture* cube = context->textureUnitsCube()->defaultTexture();
  ASSERT_TRUE(flat->mtlTexture());
  ASSERT_TRUE(cube->mtlTexture());
  EXPECT_EQ(flat->mtlTexture()->mipmapLevelCount(), 1u);
  EXPECT_EQ(metalBytes(*flat), (std::vector<std::uint8_t>{0, 0, 0, 255}));
  for (mtl::NSUInteger slice = 0; slice < 6; ++slice) {
    EXPECT_EQ(metalBytes(*cube, 0, slice), (std::vector<std::uint8_t>{0, 0, 0, 255}));
  }
  const std::uint8_t white[4] = {255, 255, 255, 255};
  flat->setContent(white, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{1, 1}, GL_TEXTURE_2D, 0, *context);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. The default texture cannot be changed.");
  flat->setParameter(GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. The default texture cannot be changed.");
  EXPECT_EQ(flat->getParameter(GL_TEXTURE_MIN_FILTER), GL_NEAREST_MIPMAP_LINEAR);
  EXPECT_EQ(metalBytes(*flat), (std::vector<std::uint8_t>{0, 0, 0, 255}));
  MGLRef<MGLTexture> odd = MGLTexture::initAsDefultForTarget(GL_RGBA);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. GL_RGBA is not a valid texture target.");
  EXPECT_FALSE(odd->mtlTexture());
}

TEST_F(TextureTest, ParametersReachTheSamplerState) {
  MGLTexture* texture = makeTexture();
  texture->setParameter(GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  EXPECT_EQ(texture->getParameter(GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
  EXPECT_EQ(texture->samplerState()->horzWrap(), GL_CLAMP_TO_EDGE);
  EXPECT_TRUE(texture->mtlSamplerState());
  EXPECT_NE(texture->updateBuffer(), nullptr);
  EXPECT_EQ(texture->updateBuffer(), texture->updateBuffer());
}

TEST_F(TextureTest, LabelsReachTheMetalTexture) {
  MGLTexture* texture = makeTexture();
  texture->setLabel("stars");
  texture->setContent(nullptr, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{2, 2}, GL_TEXTURE_2D, 0,
                      *context);
  EXPECT_EQ(texture->mtlTexture()->label(), "stars");
  static_cast<MGLGLObjectBase*>(texture)->setLabel("planets");
  EXPECT_EQ(texture->mtlTexture()->label(), "planets");
}

// --- Compressed data ---------------------------------------------------------

TEST_F(TextureTest, CompressedDataMustHaveTheImagesLength) {
  MGLTexture* texture = makeTexture();
  std::vector<std::uint8_t> blocks(64, 0x3C);
  texture->setCompressedContent(blocks.data(), 63, GL_COMPRESSED_RGB8_ETC2, MGLSize{16, 8},
                                GL_TEXTURE_2D, 0, *context);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Compressed data of 63 bytes for texture 1 does not "
                         "match the 64 bytes of an image of size (16, 8) in format "
                         "GL_COMPRESSED_RGB8_ETC2.");
  EXPECT_FALSE(texture->mtlTexture());
  texture->setCompressedContent(blocks.data(), 64, GL_COMPRESSED_RGB8_ETC2, MGLSize{16, 8},
                                GL_TEXTURE_2D, 0, *context);
  ASSERT_EQ(errorCode(), 0u);
  EXPECT_EQ(texture->mtlTexture()->pixelFormat(), P::ETC2_RGB8);
  EXPECT_EQ(texture->pixelType(), 0u);
  EXPECT_EQ(metalBytes(*texture), blocks);  // stored as given, not flipped
}

TEST_F(TextureTest, CompressedSubRectanglesCoverWholeBlocksWithTheirOwnRows) {
  MGLTexture* texture = makeTexture();
  texture->setCompressedContent(nullptr, 0, GL_COMPRESSED_RGBA8_ETC2_EAC, MGLSize{16, 16},
                                GL_TEXTURE_2D, 0, *context);
  ASSERT_EQ(errorCode(), 0u);
  // Two blocks side by side at block (1, 2): 32 bytes in one row of the
  // sub-area's own width, not the level's.
  std::vector<std::uint8_t> blocks(32);
  for (int i = 0; i < 32; ++i) blocks[i] = static_cast<std::uint8_t>(100 + i);
  texture->setCompressedContent(blocks.data(), 32, GL_COMPRESSED_RGBA8_ETC2_EAC,
                                MGLRect{4, 8, 8, 4}, GL_TEXTURE_2D, 0, *context);
  ASSERT_EQ(errorCode(), 0u);
  context->renderer()->finishCommands();
  const std::vector<std::uint8_t> bytes = metalBytes(*texture);  // 4 blocks of 16 per row
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 2 * 64 + 16, bytes.begin() + 2 * 64 + 48),
            blocks);
  EXPECT_EQ(bytes[2 * 64 + 15], 0);
  texture->setCompressedContent(blocks.data(), 32, GL_COMPRESSED_RGBA8_ETC2_EAC,
                                MGLRect{2, 8, 8, 4}, GL_TEXTURE_2D, 0, *context);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Texture 1 compressed sub-area (2, 8, 8, 4) does "
                         "not cover whole 4 x 4 blocks.");
  texture->setCompressedContent(blocks.data(), 16, GL_COMPRESSED_RGBA8_ETC2_EAC,
                                MGLRect{4, 8, 8, 4}, GL_TEXTURE_2D, 0, *context);
  EXPECT_EQ(errorCode(), GL_INVALID_VALUE);
}

TEST_F(TextureTest, PVRTCIsFlippedWhenAskedAndOnlyReplacedWhole) {
  // A 16 x 16 image whose top half is white and bottom half black, encoded
  // as GL lays it out (first row at the bottom).
  Javelin::RgbaBitmap image(16, 16);
  for (int y = 0; y < 16; ++y) std::memset(image.GetData() + y * 64, y < 8 ? 0 : 255, 64);
  const GLenum format = GL_COMPRESSED_RGBA_PVRTC_4BPPV1_IMG;
  std::vector<std::uint8_t> data(static_cast<std::size_t>(mglPVRTCDataSize(16, 16, format)));
  Javelin::PvrTcEncoder::EncodeRgba4Bpp(data.data(), image);
  MGLTexture* texture = makeTexture();
  texture->setCompressedContent(data.data(), static_cast<GLsizei>(data.size()), format,
                                MGLSize{16, 16}, GL_TEXTURE_2D, 0, *context);
  ASSERT_EQ(errorCode(), 0u);
  std::vector<std::uint8_t> decoded(16 * 16 * 4);
  Javelin::PvrTcDecoder::DecodeRgba4Bpp(decoded.data(), {16, 16}, metalBytes(*texture).data());
  EXPECT_GT(decoded[(2 * 16 + 8) * 4], 200);   // Metal's top: GL's last rows, white
  EXPECT_LT(decoded[(13 * 16 + 8) * 4], 50);

  texture->setCompressedContent(data.data(), static_cast<GLsizei>(data.size()), format,
                                MGLRect{4, 0, 12, 16}, GL_TEXTURE_2D, 0, *context);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Update origin (4, 0) of PVRTC texture 1 is not "
                         "(0, 0). Partial updates of PVRTC textures is not supported.");
  texture->setCompressedContent(data.data(), static_cast<GLsizei>(data.size()), format,
                                MGLRect{0, 0, 8, 8}, GL_TEXTURE_2D, 0, *context);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Update size (8, 8) is not the same as size "
                         "(16, 16) of level 0 of PVRTC texture 1. Partial updates of PVRTC "
                         "textures is not supported.");
  // Without the flip the blocks are stored as given.
  context->setShouldVerticallyFlipPVRTC(false);
  texture->setCompressedContent(data.data(), static_cast<GLsizei>(data.size()), format,
                                MGLRect{0, 0, 16, 16}, GL_TEXTURE_2D, 0, *context);
  context->renderer()->finishCommands();
  EXPECT_EQ(metalBytes(*texture), data);
}

TEST_F(TextureTest, PVRTCThatCannotBeFlippedIsUploadedAsGivenWithAnError) {
  // Not square: the codec cannot hold it.
  const GLenum format = GL_COMPRESSED_RGB_PVRTC_4BPPV1_IMG;
  std::vector<std::uint8_t> data(static_cast<std::size_t>(mglPVRTCDataSize(16, 8, format)));
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
  MGLTexture* texture = makeTexture();
  texture->setCompressedContent(data.data(), static_cast<GLsizei>(data.size()), format,
                                MGLSize{16, 8}, GL_TEXTURE_2D, 0, *context);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Vertically flipping PVRTC compressed texture "
                         "format GL_COMPRESSED_RGB_PVRTC_4BPPV1_IMG is not supported.");
  EXPECT_EQ(metalBytes(*texture), data);
  // Sides that are not powers of two are refused, as the format requires.
  MGLTexture* odd = makeTexture();
  odd->setCompressedContent(data.data(), 72, format, MGLSize{12, 12}, GL_TEXTURE_2D, 0,
                            *context);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. PVRTC texture 2 size (12, 12) must be powers of two.");
  EXPECT_FALSE(odd->mtlTexture());
}

// --- Adoption ----------------------------------------------------------------

TEST_F(TextureTest, AdoptedMetalTexturesKeepTheirLevelsAndNameTheirFormat) {
  MGLTexture* texture = makeTexture();
  const std::uint8_t pixel[4] = {};
  texture->setContent(pixel, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{1, 1}, GL_TEXTURE_2D, 0,
                      *context);
  auto halfFloat = device->newTexture(
      mtl::TextureDescriptor::texture2DDescriptor(P::RG16Float, 32, 8, false));
  texture->useMTLTexture(halfFloat);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Texture 1 has pixel format GL_RGBA and is being "
                         "assigned an existing MTLTexure with pixel format GL_LUMINANCE_ALPHA. "
                         "This may cause unexpected behaviour.");
  EXPECT_EQ(texture->mtlTexture(), halfFloat);
  EXPECT_EQ(texture->pixelFormat(), GL_LUMINANCE_ALPHA);
  EXPECT_EQ(texture->pixelType(), GL_HALF_FLOAT_OES);
  EXPECT_EQ(texture->size(), (MGLSize{32, 8}));
  auto cubeMap =
      device->newTexture(mtl::TextureDescriptor::textureCubeDescriptor(P::RGBA8Unorm, 4, true));
  texture->useMTLTexture(cubeMap);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Texture 1 has target GL_TEXTURE_2D and can only "
                         "use a MTLTexture with textureType MTLTextureType2D.");
  EXPECT_EQ(texture->mtlTexture(), halfFloat);
  // A format GL cannot name stops the adoption.
  auto signedTexture = device->newTexture(
      mtl::TextureDescriptor::texture2DDescriptor(P::RGBA8Snorm, 2, 2, false));
  texture->useMTLTexture(signedTexture);
  EXPECT_EQ(errorCode(), GL_INVALID_ENUM);
  EXPECT_EQ(texture->mtlTexture(), halfFloat);
}

}  // namespace
