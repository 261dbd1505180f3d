// The context's bindings by name, the lookups of bound objects, what
// deleting a bound object does to the bindings, and the work on the bound
// framebuffers: clears, read-back, copies into textures, mipmaps and the
// multisample resolve.
#include <algorithm>
#include <new>

#include "gles/context/context.h"
#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"
#include "gles/render/buffer.h"
#include "gles/render/encoder_states.h"
#include "gles/render/renderer.h"
#include "gles/render/vertex_array_object.h"
#include "gles/shaders/shader.h"
#include "gles/shaders/shader_library.h"
#include "gles/shaders/shader_program.h"
#include "gles/textures/framebuffer.h"
#include "gles/textures/metal_guard.h"
#include "gles/textures/pixel_format.h"
#include "gles/textures/renderbuffer.h"
#include "gles/textures/state_conversion.h"
#include "gles/textures/texture.h"
#include "platform/metal/blit_encoder.h"
#include "platform/metal/command_buffer.h"
#include "platform/metal/render_encoder.h"
#include "platform/metal/texture.h"

namespace {

constexpr GLuint kTextureUnitCount = MGLTextureUnits::kUnitCount;

template <typename T>
GLID nameOf(const MGLRef<T>& object) {
  return object ? object->glID() : 0;
}

// Metal work of the framebuffer operations: a refusal or a failed
// allocation becomes a GL error rather than leaving the call.
template <typename Body>
void guarded(GLID glID, Body&& body) {
  mglGuardMetalWork("Framebuffer %i operation ran out of memory.", glID,
                    std::forward<Body>(body));
}

}  // namespace

// --- Buffers -------------------------------------------------------------------

void MGLContext::bindBufferWithGLID(GLID glID, GLenum target) {
  if (target != GL_ARRAY_BUFFER && target != GL_ELEMENT_ARRAY_BUFFER) {
    mglSetError(GL_INVALID_ENUM,
                "Target must be GL_ARRAY_BUFFER or GL_ELEMENT_ARRAY_BUFFER. %@ is not a valid "
                "buffer target.",
                {mglGLEnumName(target)});
    return;
  }
  MGLVertexArrayObject* vertexArray = currentVertexArrayObject();
  const MGLBuffer* bound =
      target == GL_ARRAY_BUFFER ? arrayBuffer_.get() : vertexArray->vertexElementArrayBuffer();
  if ((bound ? bound->glID() : 0) == glID) return;
  auto* buffer = glID ? static_cast<MGLBuffer*>(buffers_->getObjectWithGLID(glID)) : nullptr;
  if (target == GL_ARRAY_BUFFER) {
    arrayBuffer_ = buffer;
  } else {
    vertexArray->setVertexElementArrayBuffer(buffer);
  }
}

MGLBuffer* MGLContext::getBufferBoundToTarget(GLenum target) {
  MGLBuffer* buffer = nullptr;
  if (target == GL_ARRAY_BUFFER) {
    buffer = arrayBuffer_.get();
  } else if (target == GL_ELEMENT_ARRAY_BUFFER) {
    buffer = currentVertexElementArrayBuffer();
  } else {
    mglSetError(GL_INVALID_ENUM,
                "Buffer target must be GL_ARRAY_BUFFER or GL_ELEMENT_ARRAY_BUFFER. %@ is not a "
                "valid buffer target.",
                {mglGLEnumName(target)});
    return nullptr;
  }
  if (!buffer) {
    mglSetError(GL_INVALID_OPERATION, "No buffer is currently bound to target %@",
                {mglGLEnumName(target)});
  }
  return buffer;
}

MGLBuffer* MGLContext::currentVertexElementArrayBuffer() const {
  return currentVertexArrayObject()->vertexElementArrayBuffer();
}

void MGLContext::deleteBufferWithGLID(GLID glID) {
  if (glID == 0) return;
  if (nameOf(arrayBuffer_) == glID) arrayBuffer_ = nullptr;
  MGLVertexArrayObject* vertexArray = currentVertexArrayObject();
  if (const MGLBuffer* elements = vertexArray->vertexElementArrayBuffer();
      elements && elements->glID() == glID) {
    vertexArray->setVertexElementArrayBuffer(nullptr);
  }
  vertexArray->detachBufferWithGLID(glID);
  buffers_->removeObjectWithGLID(glID);
}

// --- Textures --------------------------------------------------------------------

GLenum MGLContext::activeTextureUnit() const { return GL_TEXTURE0 + activeTextureUnit_; }

void MGLContext::setActiveTextureUnit(GLenum unit) {
  if (unit < GL_TEXTURE0 || unit >= GL_TEXTURE0 + kTextureUnitCount) {
    mglSetError(GL_INVALID_ENUM,
                "%@ is not a valid a texture unit value. DivezoVO supports a maximum of %i "
                "texture units.",
                {mglGLEnumName(unit), kTextureUnitCount});
    return;
  }
  activeTextureUnit_ = unit - GL_TEXTURE0;
}

MGLTextureUnits* MGLContext::getTextureUnitsForTarget(GLenum target) {
  if (target == GL_TEXTURE_2D) return textureUnits2D_.get();
  if (target == GL_TEXTURE_CUBE_MAP ||
      (target >= GL_TEXTURE_CUBE_MAP_POSITIVE_X && target <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z)) {
    return textureUnitsCube_.get();
  }
  mglSetError(GL_INVALID_ENUM,
              "%@ is not a valid texture target. Texture target must be one of GL_TEXTURE_2D or "
              "GL_TEXTURE_CUBE_MAP.",
              {mglGLEnumName(target)});
  return nullptr;
}

void MGLContext::bindTextureWithGLID(GLID glID, GLenum target) {
  // The target first: a refused call makes no object.
  MGLTextureUnits* units = getTextureUnitsForTarget(target);
  if (!units) return;
  auto* texture = glID ? static_cast<MGLTexture*>(textures_->getObjectWithGLID(glID)) : nullptr;
  units->bindTexture(texture, activeTextureUnit_);
  // The program's samplers read the units afresh at the next draw.
  if (MGLShaderProgram* program = pipelineState_->shaderProgram()) {
    program->setWasTextureChanged(true);
  }
}

MGLTexture* MGLContext::getTextureBoundToTarget(GLenum target) {
  return getTextureBoundToTarget(target, activeTextureUnit_);
}

MGLTexture* MGLContext::getTextureBoundToTarget(GLenum target, GLuint unit) {
  MGLTextureUnits* units = getTextureUnitsForTarget(target);
  return units ? units->getTextureBoundToTextureUnit(unit) : nullptr;
}

void MGLContext::deleteTextureWithGLID(GLID glID) {
  if (glID == 0) return;
  if (drawFramebuffer_) drawFramebuffer_->detachTextureWithGLID(glID, *this);
  if (readFramebuffer_) readFramebuffer_->detachTextureWithGLID(glID, *this);
  textureUnits2D_->removeTextureWithGLID(glID);
  textureUnitsCube_->removeTextureWithGLID(glID);
  textures_->removeObjectWithGLID(glID);
}

// --- Vertex array objects -------------------------------------------------------

MGLVertexArrayObject* MGLContext::currentVertexArrayObject() const {
  return pipelineState_->vertexArrayObject();
}

void MGLContext::bindVertexArrayObjectWithGLID(GLID glID) {
  if (currentVertexArrayObject()->glID() == glID) return;
  auto* vertexArray = static_cast<MGLVertexArrayObject*>(vertexArrayObjects_->getObjectWithGLID(glID));
  if (vertexArray) pipelineState_->setVertexArrayObject(vertexArray);
}

void MGLContext::deleteVertexArrayObjectWithGLID(GLID glID) {
  if (glID == 0) return;
  if (currentVertexArrayObject()->glID() == glID) bindVertexArrayObjectWithGLID(0);
  vertexArrayObjects_->removeObjectWithGLID(glID);
}

// --- Renderbuffers ---------------------------------------------------------------

MGLRenderbuffer* MGLContext::currentRenderbuffer() {
  if (!renderbuffer_) mglSetError(GL_INVALID_OPERATION, "No renderbuffer is currently bound");
  return renderbuffer_.get();
}

void MGLContext::bindRenderbufferWithGLID(GLID glID) {
  if (nameOf(renderbuffer_) == glID) return;
  renderbuffer_ =
      glID ? static_cast<MGLRenderbuffer*>(renderbuffers_->getObjectWithGLID(glID)) : nullptr;
}

void MGLContext::deleteRenderbufferWithGLID(GLID glID) {
  if (glID == 0) return;
  if (nameOf(renderbuffer_) == glID) bindRenderbufferWithGLID(0);
  if (drawFramebuffer_) drawFramebuffer_->detachRenderbufferWithGLID(glID, *this);
  if (readFramebuffer_) readFramebuffer_->detachRenderbufferWithGLID(glID, *this);
  renderbuffers_->removeObjectWithGLID(glID);
}

// --- Framebuffers ----------------------------------------------------------------

void MGLContext::bindFramebufferWithGLID(GLID glID, GLenum target) {
  switch (target) {
    case GL_FRAMEBUFFER:
      bindDrawFramebuffer(glID);
      bindReadFramebuffer(glID);
      break;
    case GL_DRAW_FRAMEBUFFER_APPLE:
      bindDrawFramebuffer(glID);
      break;
    case GL_READ_FRAMEBUFFER_APPLE:
      bindReadFramebuffer(glID);
      break;
    default:
      mglSetError(GL_INVALID_ENUM,
                  "%@ is not a valid framebuffer target. Target must be GL_FRAMEBUFFER, "
                  "GL_DRAW_FRAMEBUFFER_APPLE, or GL_READ_FRAMEBUFFER_APPLE.",
                  {mglGLEnumName(target)});
      break;
  }
}

void MGLContext::bindDrawFramebuffer(GLID glID) {
  if (nameOf(drawFramebuffer_) == glID) return;
  renderer_->endEncoding();
  drawFramebuffer_ =
      glID ? static_cast<MGLFramebuffer*>(framebuffers_->getObjectWithGLID(glID)) : nullptr;
  updateSurfaceRect();
}

void MGLContext::bindReadFramebuffer(GLID glID) {
  if (nameOf(readFramebuffer_) == glID) return;
  readFramebuffer_ =
      glID ? static_cast<MGLFramebuffer*>(framebuffers_->getObjectWithGLID(glID)) : nullptr;
}

MGLFramebuffer* MGLContext::currentFramebufferAtTarget(GLenum target) {
  switch (target) {
    case GL_READ_FRAMEBUFFER_APPLE:
      return currentReadFramebuffer();
    case GL_DRAW_FRAMEBUFFER_APPLE:
    case GL_FRAMEBUFFER:
      return currentDrawFramebuffer();
    default:
      mglSetError(GL_INVALID_ENUM,
                  "%@ is not a valid framebuffer target. Target must be GL_FRAMEBUFFER, "
                  "GL_DRAW_FRAMEBUFFER_APPLE, or GL_READ_FRAMEBUFFER_APPLE.",
                  {mglGLEnumName(target)});
      return nullptr;
  }
}

// A missing framebuffer is reported as an invalid framebuffer operation:
// GL_FRAMEBUFFER_UNDEFINED is a status, not an error glGetError may answer.
MGLFramebuffer* MGLContext::currentDrawFramebuffer() {
  if (!drawFramebuffer_) {
    mglSetError(GL_INVALID_FRAMEBUFFER_OPERATION,
                "No framebuffer is currently bound to GL_DRAW_FRAMEBUFFER_APPLE.");
  }
  return drawFramebuffer_.get();
}

MGLFramebuffer* MGLContext::currentReadFramebuffer() {
  if (!readFramebuffer_) {
    mglSetError(GL_INVALID_FRAMEBUFFER_OPERATION,
                "No framebuffer is currently bound to GL_READ_FRAMEBUFFER_APPLE.");
  }
  return readFramebuffer_.get();
}

mtl::PixelFormat MGLContext::currentDrawBufferColorMTLPixelFormat() const {
  const MGLFramebufferAttachment* color =
      drawFramebuffer_ ? drawFramebuffer_->colorAttachment() : nullptr;
  return color ? color->mtlPixelFormat() : mtl::PixelFormat::Invalid;
}

void MGLContext::deleteFramebufferWithGLID(GLID glID) {
  if (glID == 0) return;
  if (nameOf(drawFramebuffer_) == glID) bindFramebufferWithGLID(0, GL_DRAW_FRAMEBUFFER_APPLE);
  if (nameOf(readFramebuffer_) == glID) bindFramebufferWithGLID(0, GL_READ_FRAMEBUFFER_APPLE);
  framebuffers_->removeObjectWithGLID(glID);
}

// --- Shaders and programs --------------------------------------------------------

MGLShader* MGLContext::getShader(GLID glID) {
  auto* shader = static_cast<MGLShader*>(shaders_->getObjectOrNilWithGLID(glID));
  if (!shader) mglSetError(GL_INVALID_VALUE, "Shader %u does not exist", {glID});
  return shader;
}

MGLShaderProgram* MGLContext::getShaderProgram(GLID glID) {
  auto* program = static_cast<MGLShaderProgram*>(shaderPrograms_->getObjectOrNilWithGLID(glID));
  if (!program) mglSetError(GL_INVALID_VALUE, "Shader program %u does not exist", {glID});
  return program;
}

void MGLContext::deleteShaderWithGLID(GLID glID) {
  if (auto* shader = static_cast<MGLShader*>(shaders_->getObjectOrNilWithGLID(glID))) {
    shader->setIsDeleted(true);
  }
  shaders_->removeObjectWithGLID(glID);
}

void MGLContext::deleteShaderProgramWithGLID(GLID glID) {
  if (auto* program =
          static_cast<MGLShaderProgram*>(shaderPrograms_->getObjectOrNilWithGLID(glID))) {
    program->setIsDeleted(true);
  }
  // A bound program stays bound: the pipeline state holds it.
  shaderPrograms_->removeObjectWithGLID(glID);
}

MGLShaderProgram* MGLContext::currentShaderProgram() {
  MGLShaderProgram* program = pipelineState_->shaderProgram();
  if (!program || program->glID() == 0) {
    mglSetError(GL_INVALID_OPERATION, "No shader program is currently bound");
    return nullptr;
  }
  return program;
}

void MGLContext::bindShaderProgramWithGLID(GLID glID) {
  if (pipelineState_->shaderProgramGLID() == glID) return;
  // A missing program records GL_INVALID_VALUE, which the pipeline
  // state's refusal of "no program" then cannot replace.
  pipelineState_->setShaderProgram(getShaderProgram(glID));
}

// --- Shader libraries and labels ------------------------------------------------

void MGLContext::bindShaderLibraryWithGLID(GLID glID) {
  if (nameOf(currentShaderLibrary_) == glID) return;
  currentShaderLibrary_ =
      static_cast<MGLShaderLibrary*>(shaderLibraries_->getObjectWithGLID(glID));
}

void MGLContext::deleteShaderLibraryWithGLID(GLID glID) {
  if (glID == 0) return;
  if (nameOf(currentShaderLibrary_) == glID) bindShaderLibraryWithGLID(0);
  shaderLibraries_->removeObjectWithGLID(glID);
}

MGLGLObjectBase* MGLContext::getObjectOfType(GLenum type, GLID glID) {
  MGLGLObjectStore* store = nullptr;
  switch (type) {
    case GL_TEXTURE: store = textures_.get(); break;
    case GL_PROGRAM_OBJECT_EXT: store = shaderPrograms_.get(); break;
    case GL_SHADER_OBJECT_EXT: store = shaders_.get(); break;
    case GL_FRAMEBUFFER: store = framebuffers_.get(); break;
    case GL_RENDERBUFFER: store = renderbuffers_.get(); break;
    case GL_BUFFER_OBJECT_EXT: store = buffers_.get(); break;
    case GL_VERTEX_ARRAY_OBJECT_EXT: store = vertexArrayObjects_.get(); break;
    default:
      mglSetError(GL_INVALID_ENUM, "%@ is not a supported OpenGL object type",
                  {mglGLEnumName(type)});
      return nullptr;
  }
  MGLGLObjectBase* object = store->getObjectOrNilWithGLID(glID);
  if (!object) {
    mglSetError(GL_INVALID_OPERATION, "Object %i of type %@ does not exist.",
                {glID, mglGLEnumName(type)});
  }
  return object;
}

// --- Framebuffer work -------------------------------------------------------------

void MGLContext::updateSurfaceRect() {
  const MGLRect surface{0, 0, drawFramebuffer_ ? drawFramebuffer_->width() : 0,
                        drawFramebuffer_ ? drawFramebuffer_->height() : 0};
  viewportState_->setSurfaceRect(surface);
  scissorState_->setSurfaceRect(surface);
}

void MGLContext::clearAttachments(GLbitfield mask) {
  if (mask == 0 || !drawFramebuffer_) return;
  // The scissor test limits a clear as it limits a draw: a box that leaves
  // part of the target out is cleared by a rectangle drawn over it, one
  // that leaves it all out clears nothing.
  if (scissorState_->shouldCropToScissorRect()) {
    const auto width = static_cast<mtl::NSUInteger>(std::max<GLsizei>(drawFramebuffer_->width(), 0));
    const auto height = static_cast<mtl::NSUInteger>(std::max<GLsizei>(drawFramebuffer_->height(), 0));
    const mtl::ScissorRect box = scissorState_->mtlScissorRect(width, height);
    if (box.width == 0 || box.height == 0) return;
    if (box.x != 0 || box.y != 0 || box.width != width || box.height != height) {
      MGLClearValues values;
      values.mask = mask;
      values.color[0] = clearColor_.red;
      values.color[1] = clearColor_.green;
      values.color[2] = clearColor_.blue;
      values.color[3] = clearColor_.alpha;
      values.depth = static_cast<float>(clearDepth_);
      values.stencil = clearStencil_;
      renderer_->clearInBox(values, box);
      return;
    }
  }
  drawFramebuffer_->clearAttachments(mask, clearColor_, clearDepth_, clearStencil_, *renderer_);
}

void MGLContext::readPixelsFromRect(MGLRect rectangle, void* pixels, GLenum format, GLenum type) {
  // The pixels hold what every command submitted so far has drawn.
  guarded(nameOf(readFramebuffer_), [&] { renderer_->finishCommands(); });
  if (MGLFramebuffer* framebuffer = currentReadFramebuffer()) {
    framebuffer->readPixelsFromRect(rectangle, pixels, format, type, packAlignment_);
  }
}

void MGLContext::generateMipmapsForTextureBoundToTarget(GLenum target) {
  MGLTexture* texture = getTextureBoundToTarget(target);
  if (!texture || !texture->mtlTexture()) return;
  guarded(texture->glID(), [&] {
    renderer_->blitCommandEncoder()->generateMipmapsForTexture(texture->mtlTexture());
  });
}

void MGLContext::copyCurrentFramebufferRectangle(MGLRect rectangle, GLenum target, GLint level,
                                                 GLenum internalFormat) {
  copyFramebufferToTexture(rectangle, target, level, &internalFormat, 0, 0);
}

void MGLContext::copyCurrentFramebufferRectangle(MGLRect rectangle, GLenum target, GLint level,
                                                 GLint x, GLint y) {
  copyFramebufferToTexture(rectangle, target, level, nullptr, x, y);
}

void MGLContext::copyFramebufferToTexture(MGLRect r, GLenum target, GLint level,
                                          const GLenum* internalFormat, GLint x, GLint y) {
  MGLFramebuffer* framebuffer = currentReadFramebuffer();
  if (!framebuffer || framebuffer->checkStatus() != GL_FRAMEBUFFER_COMPLETE) return;
  MGLFramebufferAttachment* color = framebuffer->colorAttachment();
  const std::shared_ptr<mtl::Texture> source = color ? color->mtlTexture() : nullptr;
  if (!source) {
    mglSetError(GL_INVALID_FRAMEBUFFER_OPERATION,
                "The color attachment of the framebuffer (%i) bound to GL_READ_FRAMEBUFFER_APPLE "
                "has no content. If you are attempting to copy from a presented renderbuffer, "
                "ensure the drawableProperties of the CAEAGLLayer has "
                "kEAGLDrawablePropertyRetainedBacking enabled",
                {framebuffer->glID()});
    return;
  }
  MGLTexture* texture = getTextureBoundToTarget(target);
  if (!texture) return;
  if (r.width < 0 || r.height < 0) {
    mglSetError(GL_INVALID_VALUE, "Copy width %i and height %i cannot be negative.",
                {r.width, r.height});
    return;
  }
  const MGLSize size{r.width, r.height};
  const bool ready = internalFormat ? texture->ensureContentWithPixelFormat(
                                          *internalFormat, GL_UNSIGNED_BYTE, size, level, target, *this)
                                    : texture->ensureRectangle({x, y, r.width, r.height}, target, level);
  if (!ready) return;
  const std::shared_ptr<mtl::Texture> destination = texture->mtlTexture();
  if (!destination) return;
  if (destination->pixelFormat() != source->pixelFormat() ||
      destination->sampleCount() != source->sampleCount()) {
    mglSetError(GL_INVALID_OPERATION,
                "The color format of the framebuffer (%i) bound to GL_READ_FRAMEBUFFER_APPLE "
                "cannot be copied into texture %i.",
                {framebuffer->glID(), texture->glID()});
    return;
  }
  // The part of the rectangle inside the attached level and slice. Both
  // images are stored upside down: GL row v of a level h rows high is
  // Metal row h - 1 - v, so a block of rows keeps its order.
  const mtl::NSUInteger sourceLevel = color->mtlTextureLevel();
  const auto sourceWidth = static_cast<std::int64_t>(source->levelWidth(sourceLevel));
  const auto sourceHeight = static_cast<std::int64_t>(source->levelHeight(sourceLevel));
  const std::int64_t x0 = std::max<std::int64_t>(r.x, 0);
  const std::int64_t y0 = std::max<std::int64_t>(r.y, 0);
  const std::int64_t x1 = std::min(std::int64_t{r.x} + r.width, sourceWidth);
  const std::int64_t y1 = std::min(std::int64_t{r.y} + r.height, sourceHeight);
  if (x0 >= x1 || y0 >= y1) return;
  const auto destinationLevel = static_cast<mtl::NSUInteger>(level);
  const auto destinationHeight = static_cast<std::int64_t>(destination->levelHeight(destinationLevel));
  const std::int64_t dx = std::int64_t{x} + (x0 - r.x);
  const std::int64_t dy = std::int64_t{y} + (y0 - r.y);
  const auto width = static_cast<mtl::NSUInteger>(x1 - x0);
  const auto height = static_cast<mtl::NSUInteger>(y1 - y0);
  const mtl::Origin from{static_cast<mtl::NSUInteger>(x0),
                         static_cast<mtl::NSUInteger>(sourceHeight - y1), 0};
  const mtl::Origin to{static_cast<mtl::NSUInteger>(dx),
                       static_cast<mtl::NSUInteger>(destinationHeight - dy -
                                                    static_cast<std::int64_t>(height)),
                       0};
  guarded(framebuffer->glID(), [&] {
    renderer_->blitCommandEncoder()->copyFromTexture(
        source, color->mtlTextureSlice(), sourceLevel, from, mtl::Size{width, height, 1},
        destination, mglMTLSliceOfTextureFace(target), destinationLevel, to);
  });
}

void MGLContext::resolveMultisampleFramebuffer() {
  MGLFramebuffer* read = currentReadFramebuffer();
  if (!read || read->checkStatus() != GL_FRAMEBUFFER_COMPLETE) return;
  MGLFramebufferAttachment* readColor = read->colorAttachment();
  if (!readColor) {
    mglSetError(GL_INVALID_OPERATION,
                "The framebuffer currently bound to GL_READ_FRAMEBUFFER_APPLE has not color "
                "attachment.");
    return;
  }
  MGLFramebuffer* draw = currentDrawFramebuffer();
  if (!draw || draw->checkStatus() != GL_FRAMEBUFFER_COMPLETE) return;
  MGLFramebufferAttachment* drawColor = draw->colorAttachment();
  if (!drawColor) {
    mglSetError(GL_INVALID_OPERATION,
                "The framebuffer currently bound to GL_DRAW_FRAMEBUFFER_APPLE has not color "
                "attachment.");
    return;
  }
  if (!(readColor->size() == drawColor->size())) {
    mglSetError(GL_INVALID_OPERATION,
                "The framebuffers currently bound to GL_READ_FRAMEBUFFER_APPLE and "
                "GL_DRAW_FRAMEBUFFER_APPLE have different sizes.");
    return;
  }
  const mtl::PixelFormat source = readColor->mtlPixelFormat();
  const mtl::PixelFormat destination = drawColor->mtlPixelFormat();
  using BitsOf = unsigned (*)(mtl::PixelFormat);
  for (BitsOf bits : {&mglRedBitsOfMTLPixelFormat, &mglGreenBitsOfMTLPixelFormat,
                      &mglBlueBitsOfMTLPixelFormat, &mglAlphaBitsOfMTLPixelFormat}) {
    if (bits(destination) != 0 && bits(source) == 0) {
      mglSetError(GL_INVALID_OPERATION,
                  "The color format of the framebuffer currently bound to "
                  "GL_READ_FRAMEBUFFER_APPLE does not include all of the components of the color "
                  "format of the framebuffer currently bound to GL_DRAW_FRAMEBUFFER_APPLE.");
      return;
    }
  }
  if (source != destination) {
    mglSetError(GL_INVALID_OPERATION,
                "The color format of the framebuffer currently bound to GL_DRAW_FRAMEBUFFER_APPLE "
                "does not match the color format of the framebuffer currently bound to "
                "GL_READ_FRAMEBUFFER_APPLE.");
    return;
  }
  guarded(read->glID(), [&] {
    mtl::RenderPassDescriptor pass;
    mtl::RenderPassColorAttachmentDescriptor& d = pass.colorAttachments[0];
    d.loadAction = mtl::LoadAction::Load;
    d.storeAction = platform_->supportsMultisampleStoreAndResolve()
                        ? mtl::StoreAction::StoreAndMultisampleResolve
                        : mtl::StoreAction::MultisampleResolve;
    d.texture = readColor->mtlTexture();
    d.resolveTexture = drawColor->mtlTexture();
    // Metal opens one encoder at a time on a command buffer: the
    // renderer's open pass ends first.
    renderer_->endEncoding();
    std::shared_ptr<mtl::RenderCommandEncoder> encoder =
        renderer_->commandBuffer()->renderCommandEncoder(pass);
    encoder->setLabel("glRenderbufferStorageMultisampleAPPLE");
    encoder->endEncoding();
  });
}
