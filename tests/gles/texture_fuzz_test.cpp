// Random uploads, sub-uploads and read-backs: formats and types (valid or
// not), sizes, levels, faces, alignments and rectangles, on client buffers
// of exactly the size GL lets the caller give, so that the sanitizers see
// any access beyond them. Every call must end in a GL error or success.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <vector>

#include "gles/context/gl_enums.h"
#include "gles/render/renderer.h"
#include "gles/textures/framebuffer.h"
#include "gles/textures/pixel_format.h"
#include "gles/textures/pvrtc.h"
#include "gles/textures/texture.h"
#include "tests/gles/render_fixture.h"

namespace {

struct Pair {
  GLenum format, type;
};

const Pair kPairs[] = {
    {GL_RGBA, GL_UNSIGNED_BYTE},      {GL_RGB, GL_UNSIGNED_BYTE},
    {GL_LUMINANCE, GL_UNSIGNED_BYTE}, {GL_LUMINANCE_ALPHA, GL_FLOAT},
    {GL_ALPHA, GL_UNSIGNED_SHORT},    {GL_ALPHA, GL_UNSIGNED_BYTE},
    {GL_RGB, GL_HALF_FLOAT_OES},      {GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4},
    {GL_RGB, GL_UNSIGNED_SHORT_5_6_5}, {GL_BGRA, GL_UNSIGNED_BYTE},
    {GL_RG_EXT, GL_UNSIGNED_INT},     {GL_DEPTH_COMPONENT, GL_UNSIGNED_INT},
    {GL_DEPTH_STENCIL_OES, GL_UNSIGNED_INT_24_8_OES},
    {GL_RGB_422_APPLE, GL_UNSIGNED_SHORT_8_8_APPLE},
    {GL_SRGB_EXT, GL_UNSIGNED_BYTE},  {GL_RGB, GL_UNSIGNED_INT_5_9_9_9_REV_APPLE},
    {GL_RGBA, GL_BYTE},               {GL_BGRA, GL_FLOAT},  // refused pairs
    {GL_COMPRESSED_RGB8_ETC2, 0},     {GL_COMPRESSED_RGBA_PVRTC_4BPPV1_IMG, 0},
};

bool isGLError(GLenum code) {
  return code == 0 || code == GL_INVALID_ENUM || code == GL_INVALID_VALUE ||
         code == GL_INVALID_OPERATION || code == GL_INVALID_FRAMEBUFFER_OPERATION;
}

class TextureFuzzTest : public tessaly::test::RenderTest {
 protected:
  std::mt19937 random{0x7E57};
  int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
  // Mostly small, sometimes zero, negative or past the limits.
  GLint dimension() {
    const int roll = pick(0, 19);
    if (roll == 0) return -pick(1, 3);
    if (roll == 1) return 0;
    if (roll == 2) return 16385;
    return pick(1, 24);
  }
  std::vector<std::uint8_t> bytes(std::size_t size) {
    std::vector<std::uint8_t> data(size);
    std::uint64_t state = random() | 1;
    for (auto& b : data) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      b = static_cast<std::uint8_t>(state);
    }
    return data;
  }
  // What GL lets a caller give for `width` x `height` pixels; one byte for
  // an image the call must refuse before reading anything.
  static std::size_t clientSize(std::int64_t width, std::int64_t height, std::int64_t pixelBytes,
                                std::int64_t alignment) {
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return 1;
    const std::int64_t row = (pixelBytes * width + alignment - 1) / alignment * alignment;
    return static_cast<std::size_t>((height - 1) * row + pixelBytes * width);
  }
};

TEST_F(TextureFuzzTest, RandomUploadsAndReadsEndInGLErrorsOnly) {
  int accepted = 0, refused = 0, reads = 0;
  for (int iteration = 0; iteration < 600; ++iteration) {
    const bool cube = pick(0, 4) == 0;
    const GLID name = context->textures()->generateGLID();
    auto* texture = static_cast<MGLTexture*>(context->textures()->getObjectWithGLID(name));
    (cube ? context->textureUnitsCube() : context->textureUnits2D())->bindTexture(texture, 0);
    const GLenum face = cube ? GL_TEXTURE_CUBE_MAP_POSITIVE_X + pick(0, 5) : GL_TEXTURE_2D;
    const Pair pair = kPairs[pick(0, static_cast<int>(std::size(kPairs)) - 1)];
    const GLint alignment = 1 << pick(0, 3);
    context->setPixelStoreParameter(GL_UNPACK_ALIGNMENT, alignment);
    const GLint width = dimension(), height = cube && pick(0, 1) ? width : dimension();
    const GLint level = pick(-1, 3);
    if (pair.type == 0) {
      const std::int64_t size =
          width > 0 && height > 0
              ? (mglIsPVRTCFormat(pair.format) ? mglPVRTCDataSize(width, height, pair.format)
                                               : ((width + 3) / 4) * ((height + 3) / 4) * 8)
              : 0;
      const std::int64_t length = size + (pick(0, 5) == 0 ? pick(-8, 8) : 0);
      const std::vector<std::uint8_t> data =
          bytes(static_cast<std::size_t>(std::max<std::int64_t>(length, 1)));
      texture->setCompressedContent(data.data(), static_cast<GLsizei>(length), pair.format,
                                    MGLSize{width, height}, face, level, *context);
    } else {
      const std::vector<std::uint8_t> pixels =
          bytes(clientSize(width, height, mglBytesPerPixelOfGLFormat(pair.format, pair.type),
                           alignment));
      texture->setContent(pick(0, 6) ? pixels.data() : nullptr, pair.format, pair.type,
                          MGLSize{width, height}, face, level, *context);
    }
    GLenum error = errorCode();
    ASSERT_TRUE(isGLError(error)) << error;
    (error ? refused : accepted) += 1;

    // A sub-area anywhere near the texture.
    const MGLRect rect{pick(-2, 26), pick(-2, 26), dimension(), dimension()};
    if (pair.type == 0) {
      const std::vector<std::uint8_t> data = bytes(64);
      texture->setCompressedContent(data.data(), pick(0, 64), pair.format, rect, face,
                                    pick(-1, 2), *context);
    } else {
      const std::vector<std::uint8_t> pixels =
          bytes(clientSize(rect.width, rect.height,
                           mglBytesPerPixelOfGLFormat(pair.format, pair.type), alignment));
      texture->setContent(pixels.data(), pair.format, pair.type, rect, face, pick(-1, 2),
                          *context);
    }
    error = errorCode();
    ASSERT_TRUE(isGLError(error)) << error;

    // Read it back through a framebuffer, whatever it holds.
    if (!texture->mtlTexture()) continue;
    context->bindDrawFramebuffer(context->framebuffers()->generateGLID());
    MGLFramebuffer* framebuffer = context->currentDrawFramebuffer();
    MGLRef<MGLTextureFramebufferAttachment> attachment =
        mglMake<MGLTextureFramebufferAttachment>(texture, face, pick(0, 2));
    framebuffer->attach(attachment.get(), GL_COLOR_ATTACHMENT0, *context);
    context->renderer()->finishCommands();
    const MGLRect read{pick(-30, 30), pick(-30, 30), pick(-1, 40), pick(-1, 40)};
    const GLint pack = 1 << pick(0, 3);
    const GLenum format = pick(0, 5) ? (pick(0, 1) ? GL_RGBA : GL_BGRA) : GL_RGB;
    const GLenum type = pick(0, 8) ? GL_UNSIGNED_BYTE : GL_FLOAT;
    std::vector<std::uint8_t> out(clientSize(read.width, read.height, 4, pack));
    framebuffer->readPixelsFromRect(read, out.data(), format, type, pack);
    error = errorCode();
    ASSERT_TRUE(isGLError(error)) << error;
    ++reads;
  }
  std::printf("uploads accepted %d, refused %d; reads %d\n", accepted, refused, reads);
  EXPECT_GT(accepted, 100);
  EXPECT_GT(refused, 100);
  EXPECT_GT(reads, 100);
}

}  // namespace
