// Framebuffers and renderbuffers: the completeness table, storage of their
// own or from a Metal layer, deferred clears as load actions, pixel reads
// (clipped, mirrored, of the attached level and slice) and presentation.
#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "gles/context/gl_enums.h"
#include "gles/render/renderer.h"
#include "gles/textures/framebuffer.h"
#include "gles/textures/renderbuffer.h"
#include "gles/textures/texture.h"
#include "platform/metal/texture.h"
#include "platform/quartzcore/metal_layer.h"
#include "tests/gles/render_fixture.h"

namespace {

using P = mtl::PixelFormat;

class FramebufferTest : public tessaly::test::RenderTest {
 protected:
  MGLFramebuffer* bindNewFramebuffer() {
    context->bindDrawFramebuffer(context->framebuffers()->generateGLID());
    return context->currentDrawFramebuffer();
  }
  MGLRenderbuffer* newRenderbuffer(GLenum format = 0, GLint width = 0, GLint height = 0,
                                   GLint samples = 0) {
    const GLID name = context->renderbuffers()->generateGLID();
    auto* r = static_cast<MGLRenderbuffer*>(context->renderbuffers()->getObjectWithGLID(name));
    if (format) r->generateStorageWithPixelFormat(format, width, height, samples, *context);
    return r;
  }
  MGLTexture* newTexture(GLenum target = GL_TEXTURE_2D) {
    const GLID name = context->textures()->generateGLID();
    auto* texture = static_cast<MGLTexture*>(context->textures()->getObjectWithGLID(name));
    (target == GL_TEXTURE_2D ? context->textureUnits2D() : context->textureUnitsCube())
        ->bindTexture(texture, 0);
    return texture;
  }
  MGLRenderer& renderer() { return *context->renderer(); }
  GLenum status(const MGLFramebuffer* framebuffer) { return framebuffer->checkStatus(); }

  // Reads the whole framebuffer as RGBA bytes after the GPU has run.
  std::vector<std::uint8_t> readAll(MGLFramebuffer* framebuffer, GLenum format = GL_RGBA) {
    renderer().finishCommands();
    const MGLSize size = framebuffer->size();
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size.width) * size.height * 4);
    framebuffer->readPixelsFromRect({0, 0, size.width, size.height}, pixels.data(), format,
                                    GL_UNSIGNED_BYTE, 4);
    return pixels;
  }
};

// --- Completeness ------------------------------------------------------------

TEST_F(FramebufferTest, StatusTable) {
  MGLFramebuffer* framebuffer = bindNewFramebuffer();
  EXPECT_EQ(status(framebuffer), GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT);
  EXPECT_EQ(framebuffer->size(), (MGLSize{0, 0}));
  EXPECT_EQ(framebuffer->sampleCount(), 1u);
  EXPECT_FALSE(framebuffer->isComplete());
  EXPECT_EQ(errorText(), "GL_INVALID_FRAMEBUFFER_OPERATION. The bound framebuffer (1) is not "
                         "complete: GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT");

  // Only a stencil buffer: complete, of its size.
  MGLRenderbuffer* stencil = newRenderbuffer(GL_STENCIL_INDEX8, 16, 8);
  framebuffer->attach(stencil, GL_STENCIL_ATTACHMENT, *context);
  EXPECT_EQ(status(framebuffer), GL_FRAMEBUFFER_COMPLETE);
  EXPECT_EQ(framebuffer->size(), (MGLSize{16, 8}));
  EXPECT_EQ(stencil->getParameter(GL_RENDERBUFFER_STENCIL_SIZE), 8);

  // Colour 320 x 480 with depth 320 x 240.
  MGLFramebuffer* mismatched = bindNewFramebuffer();
  mismatched->attach(newRenderbuffer(GL_RGBA8_OES, 320, 480), GL_COLOR_ATTACHMENT0, *context);
  MGLRenderbuffer* depth = newRenderbuffer(GL_DEPTH_COMPONENT16, 320, 240);
  mismatched->attach(depth, GL_DEPTH_ATTACHMENT, *context);
  EXPECT_EQ(status(mismatched), GL_FRAMEBUFFER_INCOMPLETE_DIMENSIONS);
  EXPECT_EQ(mismatched->size(), (MGLSize{320, 240}));
  // New storage of the right size makes it complete at once.
  depth->generateStorageWithPixelFormat(GL_DEPTH_COMPONENT16, 320, 480, 0, *context);
  EXPECT_EQ(status(mismatched), GL_FRAMEBUFFER_COMPLETE);
  depth->generateStorageWithPixelFormat(GL_DEPTH_COMPONENT16, 64, 480, 0, *context);
  EXPECT_EQ(status(mismatched), GL_FRAMEBUFFER_INCOMPLETE_DIMENSIONS);

  // An empty renderbuffer: a valid colour attachment (its texture comes on
  // demand), never in conflict; at the depth point it has no depth format.
  MGLFramebuffer* empty = bindNewFramebuffer();
  empty->attach(newRenderbuffer(), GL_COLOR_ATTACHMENT0, *context);
  EXPECT_EQ(status(empty), GL_FRAMEBUFFER_COMPLETE);
  empty->attach(newRenderbuffer(GL_DEPTH_COMPONENT16, 8, 8), GL_DEPTH_ATTACHMENT, *context);
  EXPECT_EQ(status(empty), GL_FRAMEBUFFER_COMPLETE);
  empty->attach(newRenderbuffer(), GL_DEPTH_ATTACHMENT, *context);
  EXPECT_EQ(status(empty), GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT);

  // Stencil at the colour point.
  MGLFramebuffer* wrong = bindNewFramebuffer();
  wrong->attach(newRenderbuffer(GL_STENCIL_INDEX8, 8, 8), GL_COLOR_ATTACHMENT0, *context);
  EXPECT_EQ(status(wrong), GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT);

  // Four samples of colour with one of depth.
  MGLFramebuffer* samples = bindNewFramebuffer();
  samples->attach(newRenderbuffer(GL_RGBA8_OES, 8, 8, 4), GL_COLOR_ATTACHMENT0, *context);
  samples->attach(newRenderbuffer(GL_DEPTH_COMPONENT16, 8, 8), GL_DEPTH_ATTACHMENT, *context);
  EXPECT_EQ(status(samples), GL_FRAMEBUFFER_INCOMPLETE_MULTISAMPLE_APPLE);
  EXPECT_EQ(samples->sampleCount(), 4u);

  // Depth and stencil in one buffer serves both points.
  MGLFramebuffer* packed = bindNewFramebuffer();
  MGLRenderbuffer* both = newRenderbuffer(GL_DEPTH24_STENCIL8_OES, 8, 8);
  packed->attach(both, GL_DEPTH_ATTACHMENT, *context);
  packed->attach(both, GL_STENCIL_ATTACHMENT, *context);
  EXPECT_EQ(status(packed), GL_FRAMEBUFFER_COMPLETE);
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(FramebufferTest, AttachmentPointsAndDetaching) {
  MGLFramebuffer* framebuffer = bindNewFramebuffer();
  MGLRenderbuffer* color = newRenderbuffer(GL_RGBA8_OES, 4, 4);
  framebuffer->attach(color, GL_DEPTH_STENCIL_OES, *context);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. GL_DEPTH_STENCIL_OES is not a valid framebuffer "
                         "attachment.");
  EXPECT_EQ(framebuffer->getAttachment(GL_BACK), nullptr);
  EXPECT_EQ(errorCode(), GL_INVALID_ENUM);
  framebuffer->attach(color, GL_COLOR_ATTACHMENT0, *context);
  MGLTexture* texture = newTexture();
  texture->setContent(nullptr, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{4, 4}, GL_TEXTURE_2D, 0,
                      *context);
  MGLRef<MGLTextureFramebufferAttachment> attachment =
      mglMake<MGLTextureFramebufferAttachment>(texture, GL_TEXTURE_2D, 0);
  framebuffer->attach(attachment.get(), GL_DEPTH_ATTACHMENT, *context);
  EXPECT_EQ(framebuffer->getAttachment(GL_COLOR_ATTACHMENT0), color);
  framebuffer->detachTextureWithGLID(color->glID(), *context);  // a texture of that name: none
  EXPECT_TRUE(framebuffer->hasColorAttachment());
  framebuffer->detachTextureWithGLID(texture->glID(), *context);
  EXPECT_FALSE(framebuffer->hasDepthAttachment());
  framebuffer->detachRenderbufferWithGLID(color->glID(), *context);
  EXPECT_FALSE(framebuffer->hasColorAttachment());
  EXPECT_EQ(errorCode(), 0u);
}

// --- Renderbuffer storage ----------------------------------------------------

TEST_F(FramebufferTest, RenderbufferStorageChecksAndSampleCounts) {
  MGLRenderbuffer* r = newRenderbuffer();
  r->generateStorageWithPixelFormat(GL_RGBA8_OES, 0, 4, 0, *context);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Renderbuffer 1 width (0) must be greater than zero.");
  r->generateStorageWithPixelFormat(GL_RGBA8_OES, 4, 16385, 0, *context);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Renderbuffer 1 height 16385 is too big. "
                         "Renderbuffers may have a maximum height of 16384.");
  r->generateStorageWithPixelFormat(GL_RGBA8_OES, 4, 4, -1, *context);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Renderbuffer 1 samples (-1) must not be negative.");
  r->generateStorageWithPixelFormat(GL_RGBA8_OES, 4, 4, 5, *context);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Renderbuffer 1 samples 5 is too big. Renderbuffers "
                         "may have a maximum of 4 samples.");
  EXPECT_FALSE(r->mtlTexture() == nullptr);  // the empty renderbuffer's placeholder
  MGLRenderbuffer* s = newRenderbuffer(GL_RGB8_OES, 4, 4);
  EXPECT_EQ(s->glSampleCount(), 0);
  EXPECT_EQ(s->mtlSampleCount(), 1u);
  EXPECT_EQ(s->getParameter(GL_RENDERBUFFER_INTERNAL_FORMAT), GL_RGBA8_OES);
  EXPECT_EQ(s->getParameter(GL_RENDERBUFFER_RED_SIZE), 8);
  // Three samples on a device of 1, 2 and 4 take 4; a multisample colour
  // buffer takes the layer's format.
  s->generateStorageWithPixelFormat(GL_RGBA8_OES, 4, 4, 3, *context);
  EXPECT_EQ(s->getParameter(GL_RENDERBUFFER_SAMPLES_APPLE), 4);
  EXPECT_EQ(s->mtlTexture()->textureType(), mtl::TextureType::Type2DMultisample);
  EXPECT_EQ(s->mtlPixelFormat(), context->caMetalLayerMTLPixelFormat());
  EXPECT_EQ(s->getParameter(GL_RENDERBUFFER_WIDTH), 4);
  EXPECT_EQ(s->getParameter(GL_RENDERBUFFER_WIDTH + 0x100), -1);
  EXPECT_EQ(errorCode(), GL_INVALID_ENUM);
  MGLRenderbuffer* r8 = newRenderbuffer(GL_R8_EXT, 2, 2);
  EXPECT_EQ(r8->getParameter(GL_RENDERBUFFER_RED_SIZE), 0);
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(FramebufferTest, AnUnknownInternalFormatLeavesTheRenderbufferAsItWas) {
  MGLRenderbuffer* r = newRenderbuffer(GL_RGB565, 6, 2, 2);
  const std::shared_ptr<mtl::Texture> before = r->mtlTexture();
  for (GLenum format : {0u, GL_RGBA, GL_RGB9_E5_APPLE}) {
    r->generateStorageWithPixelFormat(format, 8, 8, 0, *context);
    EXPECT_EQ(errorCode(), GL_INVALID_ENUM) << format;
    EXPECT_EQ(r->mtlTexture(), before);
    EXPECT_EQ(r->glSampleCount(), 2);
  }
  r->generateStorageWithPixelFormat(0, 8, 8, 0, *context);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. Could not find a renderable MTLPixelFormat matching "
                         "OpenGL renderbuffer pixel format GL_ZERO");
}

// --- Clears --------------------------------------------------------------------

TEST_F(FramebufferTest, ClearsBecomeTheNextPassesLoadActions) {
  makeFramebuffer(8, 4, true);
  context->setClearColor({1, 0, 0, 1});
  context->clearAttachments(GL_COLOR_BUFFER_BIT);
  context->setClearColor({0, 0.5f, 0.25f, 1});
  context->setClearDepth(0.75);
  context->clearAttachments(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  renderer().endEncoding();
  EXPECT_EQ(count("renderCommandEncoder"), 1u);
  EXPECT_EQ(count("clear color0"), 1u);
  EXPECT_EQ(count("clear depth"), 1u);
  EXPECT_EQ(logFrom("clear color0").front(), "clear color0 0 0.5 0.25 1");
  // The next pass loads what is there.
  renderer().renderCommandEncoder();
  renderer().endEncoding();
  EXPECT_EQ(count("renderCommandEncoder"), 2u);
  EXPECT_EQ(count("clear"), 2u);
  // Reading after the clear sees it.
  const std::vector<std::uint8_t> pixels = readAll(context->currentDrawFramebuffer());
  for (std::size_t i = 0; i < pixels.size(); i += 4) {
    ASSERT_EQ(pixels[i], 0);
    ASSERT_EQ(pixels[i + 1], 128);
    ASSERT_EQ(pixels[i + 2], 64);
    ASSERT_EQ(pixels[i + 3], 255);
  }
  const std::vector<std::uint8_t> bgra = readAll(context->currentDrawFramebuffer(), GL_BGRA);
  EXPECT_EQ(std::vector<std::uint8_t>(bgra.begin(), bgra.begin() + 4),
            (std::vector<std::uint8_t>{64, 128, 0, 255}));
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(FramebufferTest, OtherColourFormatsAreConvertedWhenRead) {
  MGLFramebuffer* framebuffer = bindNewFramebuffer();
  framebuffer->attach(newRenderbuffer(GL_BGRA, 2, 2), GL_COLOR_ATTACHMENT0, *context);
  context->setClearColor({1, 0.5f, 0, 1});
  context->clearAttachments(GL_COLOR_BUFFER_BIT);
  const std::vector<std::uint8_t> bgra = readAll(framebuffer);
  EXPECT_EQ(std::vector<std::uint8_t>(bgra.begin(), bgra.begin() + 4),
            (std::vector<std::uint8_t>{255, 128, 0, 255}));
  MGLFramebuffer* rgb565 = bindNewFramebuffer();
  rgb565->attach(newRenderbuffer(GL_RGB565, 2, 2), GL_COLOR_ATTACHMENT0, *context);
  context->clearAttachments(GL_COLOR_BUFFER_BIT);
  // 0.5 is stored as 32 of 63 in the 6-bit green.
  const std::vector<std::uint8_t> pixels = readAll(rgb565);
  EXPECT_EQ(std::vector<std::uint8_t>(pixels.begin(), pixels.begin() + 4),
            (std::vector<std::uint8_t>{255, 129, 0, 255}));
  EXPECT_EQ(errorCode(), 0u);
}

// --- Reading pixels ----------------------------------------------------------

TEST_F(FramebufferTest, ReadsMirrorRowsAndClipToTheAttachment) {
  MGLTexture* texture = newTexture();
  texture->setContent(nullptr, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{8, 100}, GL_TEXTURE_2D, 0,
                      *context);
  std::vector<std::uint8_t> texels(8 * 100 * 4);
  for (int m = 0; m < 100; ++m) {
    for (int x = 0; x < 8; ++x) {
      std::uint8_t* t = texels.data() + (m * 8 + x) * 4;
      t[0] = static_cast<std::uint8_t>(x);
      t[1] = static_cast<std::uint8_t>(m);
      t[2] = 7;
      t[3] = 255;
    }
  }
  texture->mtlTexture()->replaceRegion(mtl::Region::make2D(0, 0, 8, 100), 0, texels.data(), 32);
  MGLFramebuffer* framebuffer = bindNewFramebuffer();
  MGLRef<MGLTextureFramebufferAttachment> attachment =
      mglMake<MGLTextureFramebufferAttachment>(texture, GL_TEXTURE_2D, 0);
  framebuffer->attach(attachment.get(), GL_COLOR_ATTACHMENT0, *context);

  std::uint8_t one[4] = {};
  framebuffer->readPixelsFromRect({0, 0, 1, 1}, one, GL_RGBA, GL_UNSIGNED_BYTE, 4);
  EXPECT_EQ(one[1], 99);  // GL row 0 is Metal row 99

  // A rectangle half outside: 6 x 4 at (5, 97) reads 3 x 3 texels; the rest
  // of a guard-filled buffer (rows padded to 8 bytes) stays as it was.
  constexpr std::uint8_t kGuard = 0xA5;
  std::vector<std::uint8_t> out(4 * 24, kGuard);
  framebuffer->readPixelsFromRect({5, 97, 6, 4}, out.data(), GL_RGBA, GL_UNSIGNED_BYTE, 8);
  EXPECT_EQ(errorCode(), 0u);
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 6; ++column) {
      const std::uint8_t* p = out.data() + row * 24 + column * 4;
      const int x = 5 + column, y = 97 + row;
      if (x < 8 && y < 100) {
        EXPECT_EQ(p[0], x);
        EXPECT_EQ(p[1], 99 - y);
        EXPECT_EQ(p[2], 7);
      } else {
        EXPECT_EQ(p[0], kGuard) << column << "," << row;
        EXPECT_EQ(p[3], kGuard);
      }
    }
  }
  // Hanging over the bottom-left corner: 4 x 3 at (-2, -1) reads 2 x 2.
  std::vector<std::uint8_t> corner(4 * 12, kGuard);
  framebuffer->readPixelsFromRect({-2, -1, 4, 3}, corner.data(), GL_RGBA, GL_UNSIGNED_BYTE, 4);
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 4; ++column) {
      const std::uint8_t* p = corner.data() + (row * 4 + column) * 4;
      const int x = column - 2, y = row - 1;
      EXPECT_EQ(p[0], x >= 0 && y >= 0 ? x : kGuard) << column << "," << row;
      EXPECT_EQ(p[1], x >= 0 && y >= 0 ? 99 - y : kGuard) << column << "," << row;
    }
  }
  // Entirely outside, or empty: nothing is written.
  std::vector<std::uint8_t> untouched(16, kGuard);
  framebuffer->readPixelsFromRect({-10, -10, 2, 2}, untouched.data(), GL_RGBA, GL_UNSIGNED_BYTE, 4);
  framebuffer->readPixelsFromRect({1, 1, 0, 5}, untouched.data(), GL_RGBA, GL_UNSIGNED_BYTE, 4);
  EXPECT_EQ(untouched, std::vector<std::uint8_t>(16, kGuard));
  EXPECT_EQ(errorCode(), 0u);

  framebuffer->readPixelsFromRect({0, 0, -1, 2}, untouched.data(), GL_RGBA, GL_UNSIGNED_BYTE, 4);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Read width -1 and height 2 cannot be negative.");
  framebuffer->readPixelsFromRect({0, 0, 1, 1}, untouched.data(), GL_RGB, GL_UNSIGNED_BYTE, 4);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. Format GL_RGB and type GL_UNSIGNED_BYTE are not a "
                         "supported combination for reading pixels.");
  EXPECT_EQ(untouched, std::vector<std::uint8_t>(16, kGuard));
}

TEST_F(FramebufferTest, ReadRowsWriteOnlyTheirPixelsNotThePadding) {
  // Width 1 with a pack alignment of 8: the client provides 8-byte rows
  // but the last one only needs its 4 bytes (an exact-size buffer).
  makeFramebuffer(1, 3);
  context->setClearColor({1, 1, 1, 1});
  context->clearAttachments(GL_COLOR_BUFFER_BIT);
  renderer().finishCommands();
  std::vector<std::uint8_t> out(2 * 8 + 4, 0x5A);
  context->currentDrawFramebuffer()->readPixelsFromRect({0, 0, 1, 3}, out.data(), GL_RGBA,
                                                        GL_UNSIGNED_BYTE, 8);
  EXPECT_EQ(out, (std::vector<std::uint8_t>{255, 255, 255, 255, 0x5A, 0x5A, 0x5A, 0x5A,
                                            255, 255, 255, 255, 0x5A, 0x5A, 0x5A, 0x5A,
                                            255, 255, 255, 255}));
}

TEST_F(FramebufferTest, ReadsTheAttachedLevelAndFace) {
  MGLTexture* cube = newTexture(GL_TEXTURE_CUBE_MAP);
  const std::vector<std::uint8_t> black(16 * 16 * 4, 0);
  for (GLenum face = GL_TEXTURE_CUBE_MAP_POSITIVE_X; face <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z;
       ++face) {
    cube->setContent(black.data(), GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{16, 16}, face, 0, *context);
  }
  // Level 1 of +Y (slice 3), 8 x 8: GL row 2 is marked.
  std::vector<std::uint8_t> level(8 * 8 * 4, 10);
  std::memset(level.data() + 2 * 32, 200, 32);
  cube->setContent(level.data(), GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{8, 8},
                   GL_TEXTURE_CUBE_MAP_POSITIVE_Y, 1, *context);
  MGLFramebuffer* framebuffer = bindNewFramebuffer();
  MGLRef<MGLTextureFramebufferAttachment> attachment =
      mglMake<MGLTextureFramebufferAttachment>(cube, GL_TEXTURE_CUBE_MAP_POSITIVE_Y, 1);
  framebuffer->attach(attachment.get(), GL_COLOR_ATTACHMENT0, *context);
  EXPECT_EQ(framebuffer->size(), (MGLSize{8, 8}));
  const std::vector<std::uint8_t> pixels = readAll(framebuffer);
  EXPECT_EQ(pixels, level);
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(FramebufferTest, AnUploadedTextureReadsBackThroughAFramebuffer) {
  MGLTexture* texture = newTexture();
  std::vector<std::uint8_t> image(5 * 3 * 4);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(3 * i + 1);
  texture->setContent(image.data(), GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{5, 3}, GL_TEXTURE_2D, 0,
                      *context);
  // Metal's row 0 holds GL's last row.
  std::vector<std::uint8_t> metalRow0(5 * 4);
  texture->mtlTexture()->getBytes(metalRow0.data(), 20, mtl::Region::make2D(0, 0, 5, 1), 0);
  EXPECT_EQ(metalRow0, std::vector<std::uint8_t>(image.begin() + 40, image.end()));
  MGLFramebuffer* framebuffer = bindNewFramebuffer();
  MGLRef<MGLTextureFramebufferAttachment> attachment =
      mglMake<MGLTextureFramebufferAttachment>(texture, GL_TEXTURE_2D, 0);
  framebuffer->attach(attachment.get(), GL_COLOR_ATTACHMENT0, *context);
  EXPECT_EQ(readAll(framebuffer), image);
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(FramebufferTest, MultisampledColourCannotBeRead) {
  MGLFramebuffer* framebuffer = bindNewFramebuffer();
  framebuffer->attach(newRenderbuffer(GL_RGBA8_OES, 4, 4, 4), GL_COLOR_ATTACHMENT0, *context);
  std::vector<std::uint8_t> out(64, 1);
  framebuffer->readPixelsFromRect({0, 0, 4, 4}, out.data(), GL_RGBA, GL_UNSIGNED_BYTE, 4);
  EXPECT_EQ(errorCode(), GL_INVALID_OPERATION);
  EXPECT_EQ(out, std::vector<std::uint8_t>(64, 1));
}

TEST_F(FramebufferTest, SampleOnlyTexturesAttachWithAWarning) {
  context->setShouldOptimizeSampleOnlyTextures(true);
  MGLTexture* texture = newTexture();
  const std::uint8_t pixel[4] = {};
  texture->setContent(pixel, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{1, 1}, GL_TEXTURE_2D, 0,
                      *context);
  MGLRef<MGLTextureFramebufferAttachment> attachment =
      mglMake<MGLTextureFramebufferAttachment>(texture, GL_TEXTURE_2D, 0);
  EXPECT_EQ(errorCode(), GL_INVALID_OPERATION);
  MGLFramebuffer* framebuffer = bindNewFramebuffer();
  framebuffer->attach(attachment.get(), GL_COLOR_ATTACHMENT0, *context);
  EXPECT_TRUE(framebuffer->hasColorAttachment());
  EXPECT_FALSE(attachment->presentDrawableUsingRenderer(renderer()));
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. The currently bound framebuffer is not backed "
                         "by a CAMetalLayer.");
}

// --- Queries -----------------------------------------------------------------

TEST_F(FramebufferTest, AttachmentParameters) {
  MGLFramebuffer* framebuffer = bindNewFramebuffer();
  MGLRenderbuffer* color = newRenderbuffer(GL_RGBA16F_EXT, 2, 2);
  framebuffer->attach(color, GL_COLOR_ATTACHMENT0, *context);
  EXPECT_EQ(framebuffer->getParameter(GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, GL_COLOR_ATTACHMENT0),
            static_cast<GLint>(GL_RENDERBUFFER));
  EXPECT_EQ(framebuffer->getParameter(GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, GL_COLOR_ATTACHMENT0),
            static_cast<GLint>(color->glID()));
  EXPECT_EQ(framebuffer->getParameter(GL_FRAMEBUFFER_ATTACHMENT_COMPONENT_TYPE_EXT,
                                      GL_COLOR_ATTACHMENT0),
            static_cast<GLint>(GL_FLOAT));
  EXPECT_EQ(framebuffer->getParameter(GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, GL_DEPTH_ATTACHMENT),
            0);
  EXPECT_EQ(framebuffer->getParameter(GL_FRAMEBUFFER_ATTACHMENT_COLOR_ENCODING_EXT,
                                      GL_DEPTH_ATTACHMENT),
            static_cast<GLint>(GL_LINEAR));
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(framebuffer->getParameter(GL_FRAMEBUFFER_ATTACHMENT_TEXTURE_LEVEL,
                                      GL_COLOR_ATTACHMENT0),
            -1);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. Framebuffer 1 attachment GL_COLOR_ATTACHMENT0 does "
                         "not support parameter named GL_FRAMEBUFFER_ATTACHMENT_TEXTURE_LEVEL.");
  EXPECT_EQ(framebuffer->getParameter(GL_RENDERBUFFER_WIDTH, GL_COLOR_ATTACHMENT0), -1);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. GL_RENDERBUFFER_WIDTH is not a valid framebuffer "
                         "attachment parameter name.");

  MGLTexture* texture = newTexture(GL_TEXTURE_CUBE_MAP);
  texture->setContent(nullptr, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{4, 4},
                      GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, 0, *context);
  MGLRef<MGLTextureFramebufferAttachment> attachment =
      mglMake<MGLTextureFramebufferAttachment>(texture, GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, 1);
  framebuffer->attach(attachment.get(), GL_COLOR_ATTACHMENT0, *context);
  EXPECT_EQ(framebuffer->getParameter(GL_FRAMEBUFFER_ATTACHMENT_TEXTURE_CUBE_MAP_FACE,
                                      GL_COLOR_ATTACHMENT0),
            static_cast<GLint>(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z));
  EXPECT_EQ(framebuffer->getParameter(GL_FRAMEBUFFER_ATTACHMENT_TEXTURE_LEVEL,
                                      GL_COLOR_ATTACHMENT0),
            1);
  MGLRef<MGLFramebuffer> system = mglMake<MGLFramebuffer>(0);
  EXPECT_EQ(system->getParameter(GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, GL_COLOR_ATTACHMENT0), -1);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Attachment parameters of system framebuffer 0 "
                         "cannot be queried");

  const GLenum names[] = {GL_COLOR_EXT, GL_TEXTURE_2D, GL_STENCIL_ATTACHMENT};
  framebuffer->discard(3, names);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. GL_TEXTURE_2D is not a valid framebuffer attachment.");
  framebuffer->discard(-1, names);
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Attachment count -1 cannot be negative.");
}

// --- Layers and presentation -------------------------------------------------

class LayerTest : public FramebufferTest {
 protected:
  void SetUp() override {
    FramebufferTest::SetUp();
    layer = std::make_shared<ca::MetalLayer>();
    layer->setBounds({0, 0, {4, 2}});
    layer->setContentsScale(2);
    layer->setFrameSink([this](const ca::Frame& frame) {
      std::lock_guard lock(mutex);
      frames.push_back(frame);
    });
  }
  std::vector<ca::Frame> presented() {
    std::lock_guard lock(mutex);
    return frames;
  }
  // A framebuffer whose colour is a renderbuffer backed by the layer.
  MGLRenderbuffer* layerFramebuffer(bool retainBacking = false) {
    MGLRenderbuffer* r = newRenderbuffer();
    context->bindRenderbufferWithGLID(r->glID());
    r->generateStorageFromLayer(layer, *context, retainBacking);
    bindNewFramebuffer()->attach(r, GL_COLOR_ATTACHMENT0, *context);
    return r;
  }
  std::shared_ptr<ca::MetalLayer> layer;
  std::mutex mutex;
  std::vector<ca::Frame> frames;
};

TEST_F(LayerTest, ALayerGivesItsSizeFormatAndDrawables) {
  context->setCaMetalLayerMTLPixelFormat(P::RGBA8Unorm);
  MGLRenderbuffer* r = layerFramebuffer();
  EXPECT_EQ(r->size(), (MGLSize{8, 4}));
  EXPECT_EQ(layer->drawableSize(), (ca::Size{8, 4}));
  EXPECT_EQ(r->mtlPixelFormat(), P::BGRA8Unorm);
  EXPECT_EQ(context->caMetalLayerMTLPixelFormat(), P::BGRA8Unorm);
  EXPECT_EQ(layer->device(), device);
  EXPECT_TRUE(layer->drawsAsynchronously());
  EXPECT_TRUE(r->shouldDeferDrawable());  // the renderer's default
  EXPECT_FALSE(layer->framebufferOnly());
  EXPECT_EQ(context->currentDrawFramebuffer()->checkStatus(), GL_FRAMEBUFFER_COMPLETE);
  EXPECT_EQ(r->getParameter(GL_RENDERBUFFER_INTERNAL_FORMAT), static_cast<GLint>(GL_BGRA));
  // The same layer at the same size changes nothing.
  const std::shared_ptr<mtl::Texture> deferred = r->mtlTexture();
  r->generateStorageFromLayer(layer, *context);
  EXPECT_EQ(r->mtlTexture(), deferred);
}

TEST_F(LayerTest, AFrameDrawnIntoTheDeferredImageIsCopiedAndPresented) {
  layerFramebuffer();
  context->setClearColor({1, 0, 0, 1});
  context->clearAttachments(GL_COLOR_BUFFER_BIT);
  EXPECT_TRUE(renderer().presentDrawable());
  EXPECT_EQ(count("copyFromTexture 0,0 8x4"), 1u);
  EXPECT_EQ(count("presentDrawable"), 1u);
  const std::vector<ca::Frame> shown = presented();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].width, 8u);
  EXPECT_EQ(shown[0].pixels[0], 0);  // BGRA: red is byte 2
  EXPECT_EQ(shown[0].pixels[2], 255);
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(LayerTest, WithoutDeferralTheDrawableIsDrawnIntoDirectly) {
  renderer().setShouldDeferDrawable(false);
  MGLRenderbuffer* r = layerFramebuffer();
  EXPECT_FALSE(r->shouldDeferDrawable());
  EXPECT_TRUE(layer->framebufferOnly());
  context->setClearColor({0, 0, 1, 1});
  context->clearAttachments(GL_COLOR_BUFFER_BIT);
  renderer().endEncoding();
  EXPECT_NE(r->mtlDrawable(), nullptr);
  EXPECT_TRUE(renderer().presentDrawable());
  EXPECT_EQ(count("copyFromTexture"), 0u);
  EXPECT_EQ(r->mtlDrawable(), nullptr);
  ASSERT_EQ(presented().size(), 1u);
  EXPECT_EQ(presented()[0].pixels[0], 255);
}

TEST_F(LayerTest, ADrawableOfAnotherSizeTakesTheCommonPart) {
  MGLRenderbuffer* r = layerFramebuffer(true);
  context->setClearColor({0, 1, 0, 1});
  context->clearAttachments(GL_COLOR_BUFFER_BIT);
  renderer().endEncoding();
  EXPECT_EQ(r->mtlTexture()->width(), 8u);
  layer->setDrawableSize({3, 6});  // the view shrank before the present
  EXPECT_TRUE(renderer().presentDrawable());
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(count("copyFromTexture 0,0 3x4"), 1u);
  const std::vector<ca::Frame> shown = presented();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].height, 6u);
  EXPECT_EQ(shown[0].pixels[1], 255);
  // Retained backing keeps the image for the next frame.
  EXPECT_EQ(r->size(), (MGLSize{8, 4}));
}

TEST_F(LayerTest, PresentingWithoutALayerOrADrawableAnswersNo) {
  MGLRenderbuffer* own = newRenderbuffer(GL_RGBA8_OES, 2, 2);
  EXPECT_FALSE(own->presentDrawableUsingRenderer(renderer()));
  layer->setBounds({0, 0, {0, 0}});
  MGLRenderbuffer* r = layerFramebuffer();
  EXPECT_EQ(r->size(), (MGLSize{0, 0}));
  EXPECT_FALSE(r->presentDrawableUsingRenderer(renderer()));
  EXPECT_TRUE(presented().empty());
}

}  // namespace
