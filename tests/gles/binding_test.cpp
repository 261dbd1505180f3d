// The context's bindings: targets and lookups with their errors, what
// deleting a bound object does, objects deleted by one context while
// another context of the sharegroup (on another thread) still uses them,
// copies from the read framebuffer into textures, and the multisample
// resolve.
#include <gtest/gtest.h>

#include <barrier>
#include <cstring>
#include <thread>
#include <vector>

#include "gles/context/context.h"
#include "gles/context/current_context.h"
#include "gles/context/gl.h"
#include "gles/context/log.h"
#include "gles/render/buffer.h"
#include "gles/render/vertex_array_object.h"
#include "gles/shaders/shader_library.h"
#include "gles/shaders/shader_program.h"
#include "gles/textures/framebuffer.h"
#include "gles/textures/renderbuffer.h"
#include "gles/textures/state_conversion.h"
#include "gles/textures/texture.h"
#include "platform/metal/texture.h"
#include "tests/gles/render_fixture.h"

namespace tessaly::test {
namespace {

class BindingTest : public RenderTest {
 protected:
  MGLTexture* boundTexture(GLenum target = GL_TEXTURE_2D) {
    return context->getTextureBoundToTarget(target);
  }
};

// --- Targets and lookups -----------------------------------------------------------

TEST_F(BindingTest, TextureUnitsAndTargets) {
  context->setActiveTextureUnit(GL_TEXTURE15);
  EXPECT_EQ(context->activeTextureUnitIndex(), 15u);
  EXPECT_EQ(context->activeTextureUnit(), GLenum{GL_TEXTURE15});
  context->setActiveTextureUnit(GL_TEXTURE0 + 16);
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. GL_TEXTURE16 is not a valid a texture unit value. DivezoVO supports "
            "a maximum of 16 texture units.");
  EXPECT_EQ(context->activeTextureUnitIndex(), 15u);
  // The six faces name the cube-map units.
  for (GLenum face = GL_TEXTURE_CUBE_MAP_POSITIVE_X; face <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z; ++face) {
    EXPECT_EQ(context->getTextureUnitsForTarget(face), context->textureUnitsCube());
  }
  EXPECT_EQ(context->getTextureUnitsForTarget(GL_TEXTURE_2D), context->textureUnits2D());
  EXPECT_EQ(context->getTextureUnitsForTarget(GL_TEXTURE), nullptr);
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. GL_TEXTURE is not a valid texture target. Texture target must be one "
            "of GL_TEXTURE_2D or GL_TEXTURE_CUBE_MAP.");
  // A refused target makes no object for the name.
  context->bindTextureWithGLID(9, GL_TEXTURE);
  EXPECT_EQ(errorCode(), GLenum{GL_INVALID_ENUM});
  EXPECT_EQ(context->textures()->getObjectOrNilWithGLID(9), nullptr);
  // Each unit keeps its own texture; 0 binds the default texture back.
  context->bindTextureWithGLID(4, GL_TEXTURE_2D);
  context->setActiveTextureUnit(GL_TEXTURE2);
  EXPECT_EQ(boundTexture()->glID(), 0u);
  EXPECT_EQ(context->getTextureBoundToTarget(GL_TEXTURE_2D, 15)->glID(), 4u);
  context->setActiveTextureUnit(GL_TEXTURE15);
  context->bindTextureWithGLID(0, GL_TEXTURE_2D);
  EXPECT_EQ(boundTexture(), context->textureUnits2D()->defaultTexture());
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(BindingTest, BuffersAndTheirTargets) {
  MGLBuffer* vertices = makeBuffer(GL_ARRAY_BUFFER, nullptr, 16);
  MGLBuffer* indices = makeBuffer(GL_ELEMENT_ARRAY_BUFFER, nullptr, 16);
  EXPECT_EQ(context->getBufferBoundToTarget(GL_ARRAY_BUFFER), vertices);
  EXPECT_EQ(context->getBufferBoundToTarget(GL_ELEMENT_ARRAY_BUFFER), indices);
  EXPECT_EQ(context->currentVertexElementArrayBuffer(), indices);
  context->bindBufferWithGLID(vertices->glID(), GL_TEXTURE_2D);
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. Target must be GL_ARRAY_BUFFER or GL_ELEMENT_ARRAY_BUFFER. "
            "GL_TEXTURE_2D is not a valid buffer target.");
  EXPECT_EQ(context->getBufferBoundToTarget(GL_TEXTURE_2D), nullptr);
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. Buffer target must be GL_ARRAY_BUFFER or GL_ELEMENT_ARRAY_BUFFER. "
            "GL_TEXTURE_2D is not a valid buffer target.");
  context->bindBufferWithGLID(0, GL_ARRAY_BUFFER);
  EXPECT_EQ(context->getBufferBoundToTarget(GL_ARRAY_BUFFER), nullptr);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. No buffer is currently bound to target GL_ARRAY_BUFFER");
  // The element buffer belongs to the vertex array object.
  context->bindVertexArrayObjectWithGLID(3);
  EXPECT_EQ(context->currentVertexElementArrayBuffer(), nullptr);
  context->bindVertexArrayObjectWithGLID(0);
  EXPECT_EQ(context->currentVertexElementArrayBuffer(), indices);
}

TEST_F(BindingTest, DeletingABufferClearsBothBindingsAndTheAttributesThatReadIt) {
  MGLBuffer* buffer = makeBuffer(GL_ARRAY_BUFFER, nullptr, 64);
  const GLID name = buffer->glID();
  context->bindBufferWithGLID(name, GL_ELEMENT_ARRAY_BUFFER);
  MGLVertexArrayObject* vertexArray = context->currentVertexArrayObject();
  vertexArray->bindVertices(reinterpret_cast<const void*>(8), 2, GL_FLOAT, 0, false, 1);
  vertexArray->bindVertices(reinterpret_cast<const void*>(0), 4, GL_FLOAT, 0, false, 2);
  context->bindBufferWithGLID(0, GL_ARRAY_BUFFER);
  static const float client[4] = {};
  vertexArray->bindVertices(client, 2, GL_FLOAT, 0, false, 3);
  ASSERT_EQ(vertexArray->getParameter(GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, 1), GLint(name));
  context->bindBufferWithGLID(name, GL_ARRAY_BUFFER);

  context->deleteBufferWithGLID(name);
  EXPECT_EQ(context->currentVertexArrayBuffer(), nullptr);
  EXPECT_EQ(context->currentVertexElementArrayBuffer(), nullptr);
  // The attributes that read it read no buffer and no pointer now; a
  // client array stays.
  for (GLuint index : {1u, 2u}) {
    EXPECT_EQ(vertexArray->getParameter(GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, index), 0);
    EXPECT_EQ(vertexArray->getVerticesForVertexAttributeAt(index), nullptr);
  }
  EXPECT_EQ(vertexArray->getVerticesForVertexAttributeAt(3), client);
  // A new buffer given the freed name does not feed them.
  MGLBuffer* newer = makeBuffer(GL_ARRAY_BUFFER, nullptr, 64);
  EXPECT_EQ(newer->glID(), name);
  EXPECT_EQ(vertexArray->getParameter(GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, 1), 0);
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(BindingTest, VertexArrayObjectsAndShaderLibraries) {
  context->bindVertexArrayObjectWithGLID(5);
  EXPECT_EQ(context->currentVertexArrayObject()->glID(), 5u);
  context->deleteVertexArrayObjectWithGLID(5);
  EXPECT_EQ(context->currentVertexArrayObject()->glID(), 0u);
  MGLVertexArrayObject* first = context->currentVertexArrayObject();
  context->deleteVertexArrayObjectWithGLID(0);
  EXPECT_EQ(context->currentVertexArrayObject(), first);

  context->bindShaderLibraryWithGLID(2);
  EXPECT_EQ(context->currentShaderLibrary()->glID(), 2u);
  context->deleteShaderLibraryWithGLID(2);
  EXPECT_EQ(context->currentShaderLibrary()->glID(), 0u);
  EXPECT_EQ(context->shaderLibraries()->getObjectOrNilWithGLID(2), nullptr);
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(BindingTest, ObjectsByTypeForLabels) {
  context->bindTextureWithGLID(1, GL_TEXTURE_2D);
  makeFramebuffer(4, 4);
  context->bindVertexArrayObjectWithGLID(6);
  EXPECT_EQ(context->getObjectOfType(GL_TEXTURE, 1), boundTexture());
  EXPECT_EQ(context->getObjectOfType(GL_FRAMEBUFFER, 1), context->drawFramebufferBinding());
  EXPECT_EQ(context->getObjectOfType(GL_RENDERBUFFER, colorRenderbuffer),
            context->renderbufferBinding());
  EXPECT_EQ(context->getObjectOfType(GL_VERTEX_ARRAY_OBJECT_EXT, 6), context->currentVertexArrayObject());
  EXPECT_EQ(context->getObjectOfType(GL_PROGRAM_OBJECT_EXT, 0)->glID(), 0u);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(context->getObjectOfType(GL_BUFFER_OBJECT_EXT, 3), nullptr);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Object 3 of type GL_BUFFER_OBJECT_EXT does not exist.");
  EXPECT_EQ(context->getObjectOfType(GL_SHADER_OBJECT_EXT, 3), nullptr);
  EXPECT_EQ(errorText(), "GL_INVALID_OPERATION. Object 3 of type GL_SHADER_OBJECT_EXT does not exist.");
  // Looked up, never made.
  EXPECT_EQ(context->textures()->getObjectOrNilWithGLID(7), nullptr);
  EXPECT_EQ(context->getObjectOfType(GL_TEXTURE, 7), nullptr);
  EXPECT_EQ(errorCode(), GLenum{GL_INVALID_OPERATION});
  EXPECT_EQ(context->textures()->getObjectOrNilWithGLID(7), nullptr);
  EXPECT_EQ(context->getObjectOfType(GL_BLEND, 1), nullptr);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. GL_BLEND is not a supported OpenGL object type");
}

// --- Framebuffers ------------------------------------------------------------------

TEST_F(BindingTest, DrawAndReadSidesBindSeparately) {
  context->bindFramebufferWithGLID(3, GL_FRAMEBUFFER);
  EXPECT_EQ(context->drawFramebufferBinding()->glID(), 3u);
  EXPECT_EQ(context->readFramebufferBinding()->glID(), 3u);
  context->bindFramebufferWithGLID(4, GL_READ_FRAMEBUFFER_APPLE);
  EXPECT_EQ(context->drawFramebufferBinding()->glID(), 3u);
  EXPECT_EQ(context->readFramebufferBinding()->glID(), 4u);
  context->bindFramebufferWithGLID(5, GL_DRAW_FRAMEBUFFER_APPLE);
  EXPECT_EQ(context->drawFramebufferBinding()->glID(), 5u);
  EXPECT_EQ(context->readFramebufferBinding()->glID(), 4u);
  EXPECT_EQ(context->currentFramebufferAtTarget(GL_READ_FRAMEBUFFER_APPLE)->glID(), 4u);
  EXPECT_EQ(context->currentFramebufferAtTarget(GL_FRAMEBUFFER)->glID(), 5u);
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(BindingTest, AMissingFramebufferIsAnInvalidOperationNotAStatus) {
  EXPECT_EQ(context->currentDrawFramebuffer(), nullptr);
  EXPECT_EQ(errorCode(), GLenum{GL_INVALID_FRAMEBUFFER_OPERATION});
  EXPECT_EQ(context->currentReadFramebuffer(), nullptr);
  EXPECT_EQ(errorText(),
            "GL_INVALID_FRAMEBUFFER_OPERATION. No framebuffer is currently bound to "
            "GL_READ_FRAMEBUFFER_APPLE.");
  // The status query reports it instead, and records nothing.
  EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum{GL_FRAMEBUFFER_UNDEFINED});
  EXPECT_EQ(glCheckFramebufferStatus(GL_READ_FRAMEBUFFER_APPLE), GLenum{GL_FRAMEBUFFER_UNDEFINED});
  EXPECT_EQ(glGetError(), 0u);
  // A clear without a framebuffer does nothing, silently.
  context->clearAttachments(GL_COLOR_BUFFER_BIT);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(count("renderCommandEncoder"), 0u);
}

TEST_F(BindingTest, RebindingTheDrawFramebufferKeepsThePassAndAnotherEndsIt) {
  MGLFramebuffer* framebuffer = makeFramebuffer(16, 8);
  ASSERT_NE(renderer().renderCommandEncoder(), nullptr);
  const std::uint64_t encoder = renderer().renderCommandEncoderID();
  context->bindFramebufferWithGLID(framebuffer->glID(), GL_FRAMEBUFFER);
  EXPECT_NE(renderer().currentRenderCommandEncoder(), nullptr);
  EXPECT_EQ(renderer().renderCommandEncoderID(), encoder);
  EXPECT_EQ(context->viewportState()->surfaceRect(), (MGLRect{0, 0, 16, 8}));
  // Another one ends the pass and takes its own size (0 x 0 for none).
  context->bindFramebufferWithGLID(0, GL_FRAMEBUFFER);
  EXPECT_EQ(renderer().currentRenderCommandEncoder(), nullptr);
  EXPECT_EQ(context->viewportState()->surfaceRect(), (MGLRect{0, 0, 0, 0}));
  EXPECT_EQ(context->scissorState()->surfaceRect(), (MGLRect{0, 0, 0, 0}));
  // The read side alone ends nothing.
  context->bindFramebufferWithGLID(framebuffer->glID(), GL_DRAW_FRAMEBUFFER_APPLE);
  ASSERT_NE(renderer().renderCommandEncoder(), nullptr);
  context->bindFramebufferWithGLID(0, GL_READ_FRAMEBUFFER_APPLE);
  EXPECT_NE(renderer().currentRenderCommandEncoder(), nullptr);
}

TEST_F(BindingTest, DeletingBoundRenderbuffersAndFramebuffersUnbindsThem) {
  MGLFramebuffer* framebuffer = makeFramebuffer(4, 4, true);
  const GLID name = framebuffer->glID();
  context->bindFramebufferWithGLID(name, GL_READ_FRAMEBUFFER_APPLE);
  ASSERT_EQ(context->renderbufferBinding()->glID(), colorRenderbuffer);
  // A bound renderbuffer is unbound and detached from both framebuffers.
  context->deleteRenderbufferWithGLID(colorRenderbuffer);
  EXPECT_EQ(context->renderbufferBinding(), nullptr);
  EXPECT_EQ(framebuffer->colorAttachment(), nullptr);
  EXPECT_NE(framebuffer->depthAttachment(), nullptr);
  EXPECT_EQ(context->renderbuffers()->getObjectOrNilWithGLID(colorRenderbuffer), nullptr);
  context->deleteFramebufferWithGLID(name);
  EXPECT_EQ(context->drawFramebufferBinding(), nullptr);
  EXPECT_EQ(context->readFramebufferBinding(), nullptr);
  EXPECT_EQ(context->framebuffers()->generateGLID(), name);
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(BindingTest, DeletingATextureRevertsEveryUnitAndDetachesIt) {
  makeFramebuffer(4, 4);
  context->bindTextureWithGLID(2, GL_TEXTURE_2D);
  MGLTexture* texture = boundTexture();
  const std::uint8_t texels[16 * 4] = {};
  texture->setContent(texels, GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{4, 4}, GL_TEXTURE_2D, 0, *context);
  context->setActiveTextureUnit(GL_TEXTURE7);
  context->bindTextureWithGLID(2, GL_TEXTURE_2D);
  MGLRef<MGLTextureFramebufferAttachment> attachment =
      mglMake<MGLTextureFramebufferAttachment>(texture, GL_TEXTURE_2D, 0);
  context->drawFramebufferBinding()->attach(attachment.get(), GL_COLOR_ATTACHMENT0, *context);
  context->deleteTextureWithGLID(2);
  EXPECT_EQ(context->getTextureBoundToTarget(GL_TEXTURE_2D, 0)->glID(), 0u);
  EXPECT_EQ(context->getTextureBoundToTarget(GL_TEXTURE_2D, 7)->glID(), 0u);
  EXPECT_EQ(context->drawFramebufferBinding()->colorAttachment(), nullptr);
  EXPECT_EQ(context->textures()->getObjectOrNilWithGLID(2), nullptr);
  EXPECT_EQ(errorCode(), 0u);
}

// --- Sharegroups across threads -------------------------------------------------------

// Context B (its own thread) binds objects that context A (another thread)
// deletes: the names are free at once, and B keeps using its objects until
// it lets them go. Run under the sanitizers, a binding that does not hold
// its object shows as a use after free, a missing lock as a race.
TEST(BindingSharegroupTest, ObjectsDeletedByOneContextLiveOnWhereAnotherBindsThem) {
  mglLoggingEnabled = false;
  MGLRef<MGLSharegroup> sharegroup = mglMake<MGLSharegroup>();
  std::barrier step(2);
  GLuint texture = 0, renderbuffer = 0, framebuffer = 0;
  std::vector<GLuint> reused;

  std::thread a([&] {
    MGLRef<MGLContext> context = mglMake<MGLContext>(sharegroup.get());
    mglSetCurrentContext(context.get());
    glGenTextures(1, &texture);
    glGenRenderbuffers(1, &renderbuffer);
    glGenFramebuffers(1, &framebuffer);
    step.arrive_and_wait();  // 1: names made
    step.arrive_and_wait();  // 2: B bound them
    glDeleteTextures(1, &texture);
    glDeleteRenderbuffers(1, &renderbuffer);
    glDeleteFramebuffers(1, &framebuffer);
    // The names are free at once.
    GLuint name = 0;
    glGenTextures(1, &name);
    reused.push_back(name);
    glGenRenderbuffers(1, &name);
    reused.push_back(name);
    glGenFramebuffers(1, &name);
    reused.push_back(name);
    EXPECT_EQ(glGetError(), 0u);
    step.arrive_and_wait();  // 3: deleted
    step.arrive_and_wait();  // 4: B let go
    mglSetCurrentContext(nullptr);
  });

  std::thread b([&] {
    MGLRef<MGLContext> context = mglMake<MGLContext>(sharegroup.get());
    mglSetCurrentContext(context.get());
    step.arrive_and_wait();  // 1
    glBindTexture(GL_TEXTURE_2D, texture);
    const std::uint8_t texel[4] = {1, 2, 3, 4};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8_OES, 2, 2);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffer);
    ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum{GL_FRAMEBUFFER_COMPLETE});
    step.arrive_and_wait();  // 2
    step.arrive_and_wait();  // 3: A deleted them
    // Still bound and usable here.
    MGLTexture* bound = context->getTextureBoundToTarget(GL_TEXTURE_2D);
    EXPECT_EQ(bound->glID(), texture);
    EXPECT_NE(bound->mtlTexture(), nullptr);
    context->setClearColor({0, 1, 0, 1});
    glClear(GL_COLOR_BUFFER_BIT);
    std::uint8_t pixel[4] = {};
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[1], 255);
    GLint width = 0;
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &width);
    EXPECT_EQ(width, 2);
    EXPECT_EQ(glGetError(), 0u);
    // Letting go destroys them here, on this thread.
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    step.arrive_and_wait();  // 4
    mglSetCurrentContext(nullptr);
  });
  a.join();
  b.join();
  EXPECT_EQ(reused, (std::vector<GLuint>{texture, renderbuffer, framebuffer}));
  mglLoggingEnabled = true;
}

// A deleted program or shader lives on while something holds it; when it
// finally goes with no context of its sharegroup current (or another
// sharegroup's), its own store must still forget it.
TEST(BindingSharegroupTest, DeferredObjectsForgetThemselvesWithoutACurrentContext) {
  mglLoggingEnabled = false;
  for (bool otherContextCurrent : {false, true}) {
    MGLRef<MGLContext> context = mglMake<MGLContext>();
    MGLRef<MGLContext> other = mglMake<MGLContext>();
    mglSetCurrentContext(context.get());
    MGLContextGLObjectStore* programs = context->shaderPrograms();
    const GLID name = programs->generateGLID();
    MGLRef<MGLGLObjectBase> held = programs->getObjectWithGLID(name);
    programs->removeObjectWithGLID(name);  // deferred: still found, name kept
    EXPECT_EQ(programs->getObjectOrNilWithGLID(name), held.get());
    mglSetCurrentContext(otherContextCurrent ? other.get() : nullptr);
    held = nullptr;
    mglSetCurrentContext(context.get());
    EXPECT_EQ(programs->getObjectOrNilWithGLID(name), nullptr);
    EXPECT_EQ(programs->generateGLID(), name);
    mglSetCurrentContext(nullptr);
  }
  mglLoggingEnabled = true;
}

// --- Copies into textures ----------------------------------------------------------------

// GL pixel (x, y) of the source pattern.
std::array<std::uint8_t, 4> sourceTexel(int x, int y, int level) {
  return {static_cast<std::uint8_t>(x * 40 + 1), static_cast<std::uint8_t>(y * 60 + 2),
          static_cast<std::uint8_t>(level * 100 + 3), 255};
}

// Client rows bottom to top, as glTexImage2D takes them.
std::vector<std::uint8_t> pattern(int width, int height, int level) {
  std::vector<std::uint8_t> bytes;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (std::uint8_t c : sourceTexel(x, y, level)) bytes.push_back(c);
    }
  }
  return bytes;
}

// GL pixel (x, y) of a texture level: Metal keeps row y at height - 1 - y.
std::array<std::uint8_t, 4> texelOf(const mtl::Texture& texture, int x, int y,
                                    mtl::NSUInteger level, mtl::NSUInteger slice) {
  const auto height = static_cast<int>(texture.levelHeight(level));
  std::array<std::uint8_t, 4> texel{};
  texture.getBytes(texel.data(), 4, 0,
                   mtl::Region::make2D(static_cast<mtl::NSUInteger>(x),
                                       static_cast<mtl::NSUInteger>(height - 1 - y), 1, 1),
                   level, slice);
  return texel;
}

class CopyTest : public BindingTest {
 protected:
  // A read framebuffer whose colour is level `level` of a 6 x 4 RGBA
  // texture holding the pattern.
  void readFromTexture(int level) {
    const GLID framebuffer = context->framebuffers()->generateGLID();
    context->bindFramebufferWithGLID(framebuffer, GL_READ_FRAMEBUFFER_APPLE);
    const GLID name = context->textures()->generateGLID();
    source = static_cast<MGLTexture*>(context->textures()->getObjectWithGLID(name));
    source->setTarget(GL_TEXTURE_2D);
    for (int l = 0; l <= level; ++l) {
      const int w = std::max(6 >> l, 1), h = std::max(4 >> l, 1);
      source->setContent(pattern(w, h, l).data(), GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{w, h},
                         GL_TEXTURE_2D, l, *context);
    }
    attachment = mglMake<MGLTextureFramebufferAttachment>(source, GL_TEXTURE_2D, level);
    context->readFramebufferBinding()->attach(attachment.get(), GL_COLOR_ATTACHMENT0, *context);
  }
  MGLTexture* destination(GLenum target, MGLSize size) {
    context->bindTextureWithGLID(40, target == GL_TEXTURE_2D ? GL_TEXTURE_2D : GL_TEXTURE_CUBE_MAP);
    MGLTexture* texture = boundTexture(target);
    const std::vector<std::uint8_t> zeros(static_cast<std::size_t>(size.width * size.height * 4), 0);
    texture->setContent(zeros.data(), GL_RGBA, GL_UNSIGNED_BYTE, size, target, 0, *context);
    return texture;
  }
  MGLTexture* source = nullptr;
  MGLRef<MGLTextureFramebufferAttachment> attachment;
};

TEST_F(CopyTest, SubImageCopiesAreClippedAndKeepGLsRowOrder) {
  readFromTexture(0);
  MGLTexture* texture = destination(GL_TEXTURE_2D, {8, 8});
  // Partly left of the source and above its top: only (0..2, 1..3) exists.
  context->copyCurrentFramebufferRectangle({-2, 1, 5, 4}, GL_TEXTURE_2D, 0, 1, 2);
  EXPECT_EQ(errorText(), "");
  renderer().finishCommands();
  int copied = 0;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      // Destination (x, y) came from source (x - 1 - 2, y - 2 + 1).
      const int sx = x - 3, sy = y - 1;
      const bool inside = sx >= 0 && sx < 3 && sy >= 1 && sy < 4 && y >= 2;
      const std::array<std::uint8_t, 4> expected =
          inside ? sourceTexel(sx, sy, 0) : std::array<std::uint8_t, 4>{0, 0, 0, 0};
      EXPECT_EQ(texelOf(*texture->mtlTexture(), x, y, 0, 0), expected) << x << "," << y;
      copied += inside;
    }
  }
  EXPECT_EQ(copied, 9);
}

TEST_F(CopyTest, RowsBelowTheSourcesBottomAreNotCopied) {
  readFromTexture(0);
  MGLTexture* texture = destination(GL_TEXTURE_2D, {8, 8});
  // Two rows below the source: only its rows 0 and 1 exist, landing on 2 and 3.
  context->copyCurrentFramebufferRectangle({1, -2, 2, 4}, GL_TEXTURE_2D, 0, 0, 0);
  EXPECT_EQ(errorText(), "");
  renderer().finishCommands();
  int copied = 0;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool inside = x < 2 && y >= 2 && y < 4;
      const std::array<std::uint8_t, 4> expected =
          inside ? sourceTexel(x + 1, y - 2, 0) : std::array<std::uint8_t, 4>{0, 0, 0, 0};
      EXPECT_EQ(texelOf(*texture->mtlTexture(), x, y, 0, 0), expected) << x << "," << y;
      copied += inside;
    }
  }
  EXPECT_EQ(copied, 4);
}

TEST_F(CopyTest, CopiesReadTheAttachedLevelAndWriteTheTargetsFace) {
  readFromTexture(1);  // level 1 is 3 x 2
  MGLTexture* cube = destination(GL_TEXTURE_CUBE_MAP_NEGATIVE_Y, {4, 4});
  context->copyCurrentFramebufferRectangle({0, 0, 3, 2}, GL_TEXTURE_CUBE_MAP_NEGATIVE_Y, 0, 1, 1);
  EXPECT_EQ(errorCode(), 0u);
  renderer().finishCommands();
  const mtl::NSUInteger slice = mglMTLSliceOfTextureFace(GL_TEXTURE_CUBE_MAP_NEGATIVE_Y);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(texelOf(*cube->mtlTexture(), x + 1, y + 1, 0, slice), sourceTexel(x, y, 1));
    }
  }
  EXPECT_EQ(texelOf(*cube->mtlTexture(), 0, 0, 0, slice), (std::array<std::uint8_t, 4>{}));
}

TEST_F(CopyTest, WholeImageCopiesMakeTheLevel) {
  readFromTexture(0);
  context->bindTextureWithGLID(41, GL_TEXTURE_2D);
  context->copyCurrentFramebufferRectangle({2, 1, 4, 3}, GL_TEXTURE_2D, 0, GL_RGBA);
  EXPECT_EQ(errorCode(), 0u);
  renderer().finishCommands();
  MGLTexture* texture = boundTexture();
  ASSERT_NE(texture->mtlTexture(), nullptr);
  EXPECT_EQ(texture->size(), (MGLSize{4, 3}));
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(texelOf(*texture->mtlTexture(), x, y, 0, 0), sourceTexel(x + 2, y + 1, 0));
    }
  }
}

TEST_F(CopyTest, CopiesThatCannotBeMadeAreRefused) {
  // An incomplete read framebuffer: nothing, and nothing recorded.
  context->bindFramebufferWithGLID(context->framebuffers()->generateGLID(), GL_READ_FRAMEBUFFER_APPLE);
  context->bindTextureWithGLID(42, GL_TEXTURE_2D);
  context->copyCurrentFramebufferRectangle({0, 0, 2, 2}, GL_TEXTURE_2D, 0, GL_RGBA);
  EXPECT_EQ(errorCode(), 0u);
  EXPECT_EQ(boundTexture()->mtlTexture(), nullptr);
  // No read framebuffer: the getter's error alone.
  context->bindFramebufferWithGLID(0, GL_READ_FRAMEBUFFER_APPLE);
  context->copyCurrentFramebufferRectangle({0, 0, 2, 2}, GL_TEXTURE_2D, 0, GL_RGBA);
  EXPECT_EQ(errorText(),
            "GL_INVALID_FRAMEBUFFER_OPERATION. No framebuffer is currently bound to "
            "GL_READ_FRAMEBUFFER_APPLE.");
  // A format the source does not have.
  readFromTexture(0);
  MGLTexture* texture = destination(GL_TEXTURE_2D, {4, 4});
  const std::vector<std::uint8_t> bgra(64, 9);
  texture->setContent(bgra.data(), GL_BGRA, GL_UNSIGNED_BYTE, MGLSize{4, 4}, GL_TEXTURE_2D, 0, *context);
  context->copyCurrentFramebufferRectangle({0, 0, 2, 2}, GL_TEXTURE_2D, 0, 0, 0);
  EXPECT_EQ(errorText(),
            "GL_INVALID_OPERATION. The color format of the framebuffer (" +
                std::to_string(context->readFramebufferBinding()->glID()) +
                ") bound to GL_READ_FRAMEBUFFER_APPLE cannot be copied into texture 40.");
  // Outside the destination level: the texture's own check.
  const std::vector<std::uint8_t> rgba(64, 9);
  texture->setContent(rgba.data(), GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{4, 4}, GL_TEXTURE_2D, 0, *context);
  context->copyCurrentFramebufferRectangle({0, 0, 2, 2}, GL_TEXTURE_2D, 0, 3, 3);
  EXPECT_NE(errorCode(), 0u);
}

TEST_F(BindingTest, MipmapsAreGeneratedByABlit) {
  context->bindTextureWithGLID(3, GL_TEXTURE_2D);
  context->generateMipmapsForTextureBoundToTarget(GL_TEXTURE_2D);  // no storage: nothing
  EXPECT_EQ(count("generateMipmaps"), 0u);
  const std::vector<std::uint8_t> texels(8 * 8 * 4, 200);
  boundTexture()->setContent(texels.data(), GL_RGBA, GL_UNSIGNED_BYTE, MGLSize{8, 8}, GL_TEXTURE_2D, 0,
                             *context);
  context->generateMipmapsForTextureBoundToTarget(GL_TEXTURE_2D);
  renderer().finishCommands();
  EXPECT_EQ(count("generateMipmaps"), 1u);
  EXPECT_EQ(texelOf(*boundTexture()->mtlTexture(), 0, 0, 3, 0), (std::array<std::uint8_t, 4>{200, 200, 200, 200}));
  EXPECT_EQ(errorCode(), 0u);
}

// --- The multisample resolve --------------------------------------------------------------

class ResolveTest : public BindingTest {
 protected:
  // Read: a 4-sample colour renderbuffer; draw: a single-sample one.
  void setUpFramebuffers(GLint readWidth, GLint drawWidth, GLenum drawFormat = GL_BGRA) {
    read = framebufferWith(readWidth, 4, GL_RGBA8_OES, 4);
    draw = framebufferWith(drawWidth, 4, drawFormat, 0);
    context->bindFramebufferWithGLID(read, GL_READ_FRAMEBUFFER_APPLE);
    context->bindFramebufferWithGLID(draw, GL_DRAW_FRAMEBUFFER_APPLE);
  }
  GLID framebufferWith(GLint width, GLint height, GLenum format, GLint samples) {
    const GLID framebuffer = context->framebuffers()->generateGLID();
    auto* object = static_cast<MGLFramebuffer*>(context->framebuffers()->getObjectWithGLID(framebuffer));
    const GLID name = context->renderbuffers()->generateGLID();
    auto* renderbuffer = static_cast<MGLRenderbuffer*>(context->renderbuffers()->getObjectWithGLID(name));
    renderbuffer->generateStorageWithPixelFormat(format, width, height, samples, *context);
    object->attach(renderbuffer, GL_COLOR_ATTACHMENT0, *context);
    return framebuffer;
  }
  GLID read = 0, draw = 0;
};

TEST_F(ResolveTest, EqualFramebuffersResolveInOneEmptyPass) {
  setUpFramebuffers(8, 8);
  // The renderer holds a pass open on the draw framebuffer: it ends first.
  ASSERT_NE(renderer().renderCommandEncoder(), nullptr);
  device->commandLog().clear();
  glResolveMultisampleFramebufferAPPLE();
  EXPECT_EQ(glGetError(), 0u);
  const std::vector<std::string> entries = log();
  ASSERT_GE(entries.size(), 3u);
  EXPECT_EQ(entries[0], "endEncoding");
  EXPECT_EQ(count("renderCommandEncoder 8x4 samples=4"), 1u);
  EXPECT_EQ(count("resolve"), 1u);
  EXPECT_EQ(count("draw"), 0u);
  EXPECT_EQ(entries.back(), "endEncoding");
}

TEST_F(ResolveTest, MismatchesAreRefusedAndEncodeNothing) {
  setUpFramebuffers(8, 6);
  glResolveMultisampleFramebufferAPPLE();
  EXPECT_EQ(glGetError(), GLenum{GL_INVALID_OPERATION});
  EXPECT_STREQ(context->getStringParameter(GL_ERROR_TEXT_MGL),
               "GL_INVALID_OPERATION. glResolveMultisampleFramebufferAPPLE(): The framebuffers "
               "currently bound to GL_READ_FRAMEBUFFER_APPLE and GL_DRAW_FRAMEBUFFER_APPLE have "
               "different sizes.");
  EXPECT_EQ(count("renderCommandEncoder"), 0u);

  setUpFramebuffers(8, 8, GL_RGBA8_OES);
  glResolveMultisampleFramebufferAPPLE();
  EXPECT_EQ(glGetError(), GLenum{GL_INVALID_OPERATION});
  EXPECT_STREQ(context->getStringParameter(GL_ERROR_TEXT_MGL),
               "GL_INVALID_OPERATION. glResolveMultisampleFramebufferAPPLE(): The color format of "
               "the framebuffer currently bound to GL_DRAW_FRAMEBUFFER_APPLE does not match the "
               "color format of the framebuffer currently bound to GL_READ_FRAMEBUFFER_APPLE.");

  // A source without alpha cannot fill a destination with alpha.
  read = framebufferWith(8, 4, GL_RGB565, 0);
  context->bindFramebufferWithGLID(read, GL_READ_FRAMEBUFFER_APPLE);
  glResolveMultisampleFramebufferAPPLE();
  EXPECT_EQ(glGetError(), GLenum{GL_INVALID_OPERATION});
  EXPECT_STREQ(context->getStringParameter(GL_ERROR_TEXT_MGL),
               "GL_INVALID_OPERATION. glResolveMultisampleFramebufferAPPLE(): The color format of "
               "the framebuffer currently bound to GL_READ_FRAMEBUFFER_APPLE does not include all "
               "of the components of the color format of the framebuffer currently bound to "
               "GL_DRAW_FRAMEBUFFER_APPLE.");

  // Framebuffers without colour: complete through their depth.
  for (bool readSide : {true, false}) {
    const GLID depthOnly = context->framebuffers()->generateGLID();
    auto* object = static_cast<MGLFramebuffer*>(context->framebuffers()->getObjectWithGLID(depthOnly));
    const GLID r = context->renderbuffers()->generateGLID();
    auto* depth = static_cast<MGLRenderbuffer*>(context->renderbuffers()->getObjectWithGLID(r));
    depth->generateStorageWithPixelFormat(GL_DEPTH_COMPONENT16, 8, 4, 0, *context);
    object->attach(depth, GL_DEPTH_ATTACHMENT, *context);
    setUpFramebuffers(8, 8);
    context->bindFramebufferWithGLID(depthOnly, readSide ? GL_READ_FRAMEBUFFER_APPLE
                                                         : GL_DRAW_FRAMEBUFFER_APPLE);
    glResolveMultisampleFramebufferAPPLE();
    EXPECT_EQ(glGetError(), GLenum{GL_INVALID_OPERATION});
    EXPECT_EQ(std::string(context->getStringParameter(GL_ERROR_TEXT_MGL)),
              std::string("GL_INVALID_OPERATION. glResolveMultisampleFramebufferAPPLE(): The "
                          "framebuffer currently bound to ") +
                  (readSide ? "GL_READ_FRAMEBUFFER_APPLE" : "GL_DRAW_FRAMEBUFFER_APPLE") +
                  " has not color attachment.");
  }
  EXPECT_EQ(count("resolve"), 0u);
}

}  // namespace
}  // namespace tessaly::test
