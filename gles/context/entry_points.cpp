// The OpenGL ES 2.0 entry points and the APPLE multisample functions. Each
// runs the call frame (trace, current context, its own name for error
// texts), makes its own argument checks in order, hands the work to the
// current context and its objects, and lets no exception out.
//
// All of them live in this one file: a program that calls any of them
// links all of them, so a system GL library loaded beside ours (GLU's)
// never answers a call the program meant for this layer.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "gles/context/call_frame.h"
#include "gles/context/context.h"
#include "gles/context/current_context.h"
#include "gles/context/errors.h"
#include "gles/context/gl.h"
#include "gles/context/log.h"
#include "gles/context/platform.h"
#include "gles/context/utilities.h"
#include "gles/render/render_pipeline_state.h"
#include "gles/render/renderer.h"
#include "gles/render/vertex_array_object.h"
#include "gles/shaders/shader.h"
#include "gles/shaders/shader_program.h"
#include "gles/shaders/shader_variable.h"
#include "gles/textures/framebuffer.h"
#include "gles/textures/renderbuffer.h"
#include "gles/textures/texture.h"

namespace {

void recordNegativeCount(const char* objects) {
  mglSetError(GL_INVALID_VALUE, "The number of %s cannot be negative", {objects});
}

// glGetIntegerv of a value: the four colour-like float queries scale
// [-1, 1] to the integer range; every other value is taken as an integer
// (floats truncated toward zero and kept within range).
GLint integerOf(GLenum pname, const MGLParameterValue& number) {
  switch (pname) {
    case GL_DEPTH_RANGE: case GL_DEPTH_CLEAR_VALUE: case GL_COLOR_CLEAR_VALUE:
    case GL_BLEND_COLOR: {
      const auto f = static_cast<float>(number.value);
      if (!(f >= -1.0f)) return -2147483647;
      return static_cast<GLint>(std::trunc(std::min(static_cast<double>(f), 1.0) * 2147483647.0));
    }
    default:
      break;
  }
  if (number.kind == MGLParameterValue::Kind::Float || number.kind == MGLParameterValue::Kind::Double) {
    if (std::isnan(number.value)) return 0;
    return static_cast<GLint>(std::trunc(std::clamp(
        number.value, double{std::numeric_limits<GLint>::min()},
        double{std::numeric_limits<GLint>::max()})));
  }
  // Integers keep their low 32 bits (an unsigned mask of all ones is -1).
  return static_cast<GLint>(
      static_cast<std::uint32_t>(static_cast<std::int64_t>(number.value)));
}

MGLVertexArrayObject* vertexArrayOf(MGLContext* context) {
  return context->renderPipelineState()->vertexArrayObject();
}

// glGetShaderInfoLog and glGetProgramInfoLog: a missing object (or context)
// gives an empty string and length 0.
void copyInfoLog(const std::string* log, GLsizei bufSize, GLsizei* length, GLchar* infoLog) {
  const GLint copied = mglCopyInfoLog(log, infoLog, bufSize);
  if (length) *length = copied;
}

void recordNegativeBufferSize() {
  mglSetError(GL_INVALID_VALUE, "Buffer size cannot be negative");
}

// The uniform of the program in use at `location`, or null (with the
// program's or the context's error).
MGLShaderUniform* uniformAt(MGLContext* context, GLint location) {
  MGLShaderProgram* program = context ? context->currentShaderProgram() : nullptr;
  return program ? program->getUniformAtLocation(location) : nullptr;
}

// An object's parameter into params; a refused name (a negative answer)
// or a missing object leaves params as they were.
template <typename Object>
void writeParameter(Object* object, GLenum pname, GLint* params) {
  if (!object) return;
  const GLint value = object->getParameter(pname);
  if (params && value >= 0) params[0] = value;
}

}  // namespace

extern "C" {

void glActiveTexture(GLenum texture) {
  MGL_CALL_FRAME("glActiveTexture");
  MGLContext* ctx = mglCallFrame_.context();
  if (!ctx) return;
  mglGuardEntryPoint([&] { ctx->setActiveTextureUnit(texture); });
}

void glAttachShader(GLuint program, GLuint shader) {
  MGL_CALL_FRAME("glAttachShader");
  MGLContext* ctx = mglCallFrame_.context();
  if (!ctx) return;
  mglGuardEntryPoint([&] {
    if (MGLShaderProgram* object = ctx->getShaderProgram(program)) {
      object->attachShaderWithGLID(shader);
    }
  });
}

void glBindFramebuffer(GLenum target, GLuint framebuffer) {
  MGL_CALL_FRAME("glBindFramebuffer");
  MGLContext* ctx = mglCallFrame_.context();
  if (!ctx) return;
  mglGuardEntryPoint([&] { ctx->bindFramebufferWithGLID(framebuffer, target); });
}

void glBindRenderbuffer(GLenum target, GLuint renderbuffer) {
  MGL_CALL_FRAME("glBindRenderbuffer");
  MGLContext* ctx = mglCallFrame_.context();
  mglGuardEntryPoint([&] {
    if (target != GL_RENDERBUFFER) {
      mglSetError(GL_INVALID_ENUM,
                  "Target must be GL_RENDERBUFFER. %@ is not a valid renderbuffer target.",
                  {mglGLEnumName(target)});
      return;
    }
    if (ctx) ctx->bindRenderbufferWithGLID(renderbuffer);
  });
}

void glBindTexture(GLenum target, GLuint texture) {
  MGL_CALL_FRAME("glBindTexture");
  MGLContext* ctx = mglCallFrame_.context();
  if (!ctx) return;
  mglGuardEntryPoint([&] { ctx->bindTextureWithGLID(texture, target); });
}

void glBlendEquation(GLenum mode) {
  MGL_CALL_FRAME("glBlendEquation");
  MGLContext* ctx = mglCallFrame_.context();
  if (!ctx) return;
  mglGuardEntryPoint([&] { ctx->renderPipelineState()->setBlendEquation(mode, mode); });
}

void glBlendFunc(GLenum sfactor, GLenum dfactor) {
  MGL_CALL_FRAME("glBlendFunc");
  MGLContext* ctx = mglCallFrame_.context();
  if (!ctx) return;
  mglGuardEntryPoint(
      [&] { ctx->renderPipelineState()->setBlendFunc(sfactor, sfactor, dfactor, dfactor); });
}

GLenum glCheckFramebufferStatus(GLenum target) {
  MGL_CALL_FRAME("glCheckFramebufferStatus");
  MGLContext* ctx = mglCallFrame_.context();
  GLenum status = GL_FRAMEBUFFER_UNDEFINED;
  if (!ctx) return status;
  mglGuardEntryPoint([&] {
    // An unbound target is a status to report, not an error to record.
    MGLFramebuffer* framebuffer = nullptr;
    switch (target) {
      case GL_FRAMEBUFFER: case GL_DRAW_FRAMEBUFFER_APPLE:
        framebuffer = ctx->drawFramebufferBinding();
        break;
      case GL_READ_FRAMEBUFFER_APPLE:
        framebuffer = ctx->readFramebufferBinding();
        break;
      default:
        ctx->currentFramebufferAtTarget(target);  // records the target error
        break;
    }
    if (framebuffer) status = framebuffer->status();
  });
  return status;
}

void glClear(GLbitfield mask) {
  MGL_CALL_FRAME("glClear");
  MGLContext* ctx = mglCallFrame_.context();
  mglGuardEntryPoint([&] {
    constexpr GLbitfield kBuffers = GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_DEPTH_BUFFER_BIT;
    if (mask & ~kBuffers) {
      mglSetError(GL_INVALID_VALUE,
                  "Mask may only include GL_COLOR_BUFFER_BIT, GL_DEPTH_BUFFER_BIT, or "
                  "GL_STENCIL_BUFFER_BIT");
      return;
    }
    if (ctx) ctx->clearAttachments(mask);
  });
}

void glClearDepthf(GLfloat depth) {
  MGL_CALL_FRAME("glClearDepthf");
  MGLContext* ctx = mglCallFrame_.context();
  if (!ctx) return;
  // Below 0 and NaN give 0, above 1 gives 1.
  const double clamped = !(depth >= 0.0f) ? 0.0 : depth > 1.0f ? 1.0 : double{depth};
  ctx->setClearDepth(clamped);
}

void glCompileShader(GLuint shader) {
  MGL_CALL_FRAME("glCompileShader");
  MGLContext* ctx = mglCallFrame_.context();
  if (!ctx) return;
  mglGuardEntryPoint([&] {
    if (MGLShader* object = ctx->getShader(shader)) object->compileWithContext(*ctx);
  });
}

GLuint glCreateProgram(void) {
  MGL_CALL_FRAME("glCreateProgram");
  MGLContext* ctx = mglCallFrame_.context();
  GLuint name = 0;
  if (!ctx) return name;
  mglGuardEntryPoint([&] {
    const GLuint made = ctx->shaderPrograms()->generateGLID();
    if (made != 0 && ctx->shaderPrograms()->getObjectWithGLID(made)) name = made;
  });
  return name;
}

GLuint glCreateShader(GLenum type) {
  MGL_CALL_FRAME("glCreateShader");
  MGLContext* ctx = mglCallFrame_.context();
  GLuint name = 0;
  mglGuardEntryPoint([&] {
    if (type != GL_FRAGMENT_SHADER && type != GL_VERTEX_SHADER) {
      mglSetError(GL_INVALID_ENUM, "%@ is not a valid shader type", {mglGLEnumName(type)});
      return;
    }
    if (!ctx) return;
    const GLuint made = ctx->shaders()->generateGLID();
    if (auto* shader = made ? static_cast<MGLShader*>(ctx->shaders()->getObjectWithGLID(made))
                            : nullptr) {
      shader->setShaderType(type);
      name = made;
    }
  });
  return name;
}

void glDeleteFramebuffers(GLsizei n, const GLuint* framebuffers) {
  MGL_CALL_FRAME("glDeleteFramebuffers");
  MGLContext* ctx = mglCallFrame_.context();
  mglGuardEntryPoint([&] {
    if (n < 0) return recordNegativeCount("framebuffers");
    if (!ctx || !framebuffers) return;
    for (GLsizei i = 0; i < n; ++i) ctx->deleteFramebufferWithGLID(framebuffers[i]);
  });
}

// Name 0 is no program and no shader: the call does nothing at all, not
// even name itself.
void glDeleteProgram(GLuint program) {
  MGLTraceSpan trace("mglDeleteProgram");
  if (program == 0) return;
  MGLContext* ctx = mglNameCurrentContext("glDeleteProgram");
  if (!ctx) return;
  mglGuardEntryPoint([&] { ctx->deleteShaderProgramWithGLID(program); });
}

void glDeleteShader(GLuint shader) {
  MGLTraceSpan trace("mglDeleteShader");
  if (shader == 0) return;
  MGLContext* ctx = mglNameCurrentContext("glDeleteShader");
  if (!ctx) return;
  mglGuardEntryPoint([&] { ctx->deleteShaderWithGLID(shader); });
}

void glDeleteRenderbuffers(GLsizei n, const GLuint* renderbuffers) {
  MGL_CALL_FRAME("glDeleteRenderbuffers");
  MGLContext* ctx = mglCallFrame_.context();
  mglGuardEntryPoint([&] {
    if (n < 0) return recordNegativeCount("renderbuffers");
    if (!ctx || !renderbuffers) return;
    for (GLsizei i = 0; i < n; ++i) ctx->deleteRenderbufferWithGLID(renderbuffers[i]);
  });
}

void glDeleteTextures(GLsizei n, const GLuint* textures) {
  MGL_CALL_FRAME("glDeleteTextures");
  MGLContext* ctx = mglCallFrame_.context();
  mglGuardEntryPoint([&] {
    if (n < 0) return recordNegativeCount("textures");
    if (!ctx || !textures) return;
    for (GLsizei i = 0; i < n; ++i) ctx->deleteTextureWithGLID(textures[i]);
  });
}

// GL_LOGGING_MGL is the library's switch, not a context's: it needs no
// context and keeps the previous call's name.
void glDisable(GLenum cap) {
  MGLTraceSpan trace("mglDisable");
  if (cap == GL_LOGGING_MGL) {
    mglLoggingEnabled.store(false, std::memory_order_relaxed);
    return;
  }
  MGLContext* ctx = mglNameCurrentContext("glDisable");
  if (!ctx) return;
  mglGuardEntryPoint([&] { ctx->enableCapability(false, cap); });
}

void glEnable(GLenum cap) {
  MGLTraceSpan trace("mglEnable");
  if (cap == GL_LOGGING_MGL) {
    mglLoggingEnabled.store(true, std::memory_order_relaxed);
    return;
  }
  MGLContext* ctx = mglNameCurrentContext("glEnable");
  if (!ctx) return;
  mglGuardEntryPoint([&] { ctx->enableCapability(true, cap); });
}

void glDisableVertexAttribArray(GLuint index) {
  MGL_CALL_FRAME("glDisableVertexAttribArray");
  MGLContext* ctx = mglCallFrame_.context();
  if (!ctx) return;
  mglGuardEntryPoint([&] { vertexArrayOf(ctx)->setShouldUsePerVertexContent(false, index); });
}

void glEnableVertexAttribArray(GLuint index) {
  MGL_CALL_FRAME("glEnableVertexAttribArray");
  MGLContext* ctx = mglCallFrame_.context();
  if (!ctx) return;
  mglGuardEntryPoint([&] { vertexArrayOf(ctx)->setShouldUsePerVertexContent(true, index); });
}

void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
  MGL_CALL_FRAME("glDrawArrays");
  MGLContext* ctx = mglCallFrame_.context();
  if (!ctx) return;
  mglGuardEntryPoint([&] { ctx->renderer()->drawPrimitives(mode, first, count, 1); });
}

void glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) {
  MGL_CALL_FRAME("glDrawElements");
  MGLContext* ctx = mglCallFrame_.context();
  if (!ctx) return;
  mglGuardEntryPoint([&] { ctx->renderer()->drawPrimitives(mode, count, type, indices, 1); });
}

void glFramebufferRenderbuffer(GLenum target, GLenum attachment, GLenum renderbuffertarget,
                               GLuint renderbuffer) {
  MGL_CALL_FRAME("glFramebufferRenderbuffer");
  MGLContext* ctx = mglCallFrame_.context();
  mglGuardEntryPoint([&] {
    if (renderbuffer != 0 && renderbuffertarget != GL_RENDERBUFFER) {
      mglSetError(GL_INVALID_ENUM, "Renderbuffer target must be GL_RENDERBUFFER");
      return;
    }
    if (!ctx) return;
    auto* object = renderbuffer != 0 ? static_cast<MGLRenderbuffer*>(
                                           ctx->renderbuffers()->getObjectWithGLID(renderbuffer))
                                     : nullptr;
    if (renderbuffer != 0 && !object) {
      mglSetError(GL_INVALID_OPERATION, "Renderbuffer %u does not exist", {renderbuffer});
      return;
    }
    if (MGLFramebuffer* framebuffer = ctx->currentFramebufferAtTarget(target)) {
      framebuffer->attach(object, attachment, *ctx);
    }
  });
}

void glGenFramebuffers(GLsizei n, GLuint* framebuffers) {
  MGL_CALL_FRAME("glGenFramebuffers");
  MGLContext* ctx = mglCallFrame_.context();
  mglGuardEntryPoint([&] {
    if (n < 0) return recordNegativeCount("framebuffers");
    if (!ctx || !framebuffers) return;
    for (GLsizei i = 0; i < n; ++i) framebuffers[i] = ctx->framebuffers()->generateGLID();
  });
}

void glGenRenderbuffers(GLsizei n, GLuint* renderbuffers) {
  MGL_CALL_FRAME("glGenRenderbuffers");
  MGLContext* ctx = mglCallFrame_.context();
  mglGuardEntryPoint([&] {
    if (n < 0) return recordNegativeCount("renderbuffers");
    if (!ctx || !renderbuffers) return;
    for (GLsizei i = 0; i < n; ++i) renderbuffers[i] = ctx->renderbuffers()->generateGLID();
  });
}

void glGenTextures(GLsizei n, GLuint* textures) {
  MGL_CALL_FRAME("glGenTextures");
  MGLContext* ctx = mglCallFrame_.context();
  mglGuardEntryPoint([&] {
    if (n < 0) return recordNegativeCount("textures");
    if (!ctx || !textures) return;
    for (GLsizei i = 0; i < n; ++i) textures[i] = ctx->textures()->generateGLID();
  });
}

GLint glGetAttribLocation(GLuint program, const GLchar* name) {
  MGL_CALL_FRAME("glGetAttribLocation");
  MGLContext* ctx = mglCallFrame_.context();
  GLint location = -1;
  if (!ctx) return location;
  mglGuardEntryPoint([&] {
    MGLShaderProgram* object = ctx->getShaderProgram(program);
    if (object && name) location = object->getLocationOfVertexAttributeNamed(name);
  });
  return location;
}

GLenum glGetError(void) {
  MGLCallFrame frame("mglGetError", nullptr);
  return frame.context() ? frame.context()->currentError() : 0;
}

void glGetIntegerv(GLenum pname, GLint* data) {
  MGLTraceSpan trace("mglGetIntegerv");
  if (!data) return;
  if (const std::optional<GLint> answer = mglGetLibraryParameter(pname)) {
    data[0] = *answer;
    return;
  }
  MGLContext* ctx = mglNameCurrentContext("glGetIntegerv");
  if (!ctx) return;
  mglGuardEntryPoint([&] {
    const MGLParameter values = ctx->getParameter(pname);
    for (std::size_t i = 0; i < values.size(); ++i) data[i] = integerOf(pname, values[i]);
  });
}

void glGetProgramiv(GLuint program, GLenum pname, GLint* params) {
  MGL_CALL_FRAME("glGetProgramiv");
  MGLContext* ctx = mglCallFrame_.context();
  if (!ctx) return;
  mglGuardEntryPoint([&] {
    writeParameter(ctx->getShaderProgram(program), pname, params);
  });
}

void glGetProgramInfoLog(GLuint program, GLsizei bufSize, GLsizei* length, GLchar* infoLog) {
  MGL_CALL_FRAME("glGetProgramInfoLog");
  MGLContext* ctx = mglCallFrame_.context();
  mglGuardEntryPoint([&] {
    if (bufSize < 0) return recordNegativeBufferSize();
    MGLShaderProgram* object = ctx ? ctx->getShaderProgram(program) : nullptr;
    copyInfoLog(object ? &object->infoLog() : nullptr, bufSize, length, infoLog);
  });
}

void glGetRenderbufferParameteriv(GLenum target, GLenum pname, GLint* params) {
  MGL_CALL_FRAME("glGetRenderbufferParameteriv");
  MGLContext* ctx = mglCallFrame_.context();
  mglGuardEntryPoint([&] {
    if (target != GL_RENDERBUFFER) {
      mglSetError(GL_INVALID_ENUM,
                  "Target must be GL_RENDERBUFFER. %@ is not a valid renderbuffer target.",
                  {mglGLEnumName(target)});
      return;
    }
    if (ctx) writeParameter(ctx->currentRenderbuffer(), pname, params);
  });
}

void glGetShaderiv(GLuint shader, GLenum pname, GLint* params) {
  MGL_CALL_FRAME("glGetShaderiv");
  MGLContext* ctx = mglCallFrame_.context();
  if (!ctx) return;
  mglGuardEntryPoint([&] {
    writeParameter(ctx->getShader(shader), pname, params);
  });
}

void glGetShaderInfoLog(GLuint shader, GLsizei bufSize, GLsizei* length, GLchar* infoLog) {
  MGL_CALL_FRAME("glGetShaderInfoLog");
  MGLContext* ctx = mglCallFrame_.context();
  mglGuardEntryPoint([&] {
    if (bufSize < 0) return recordNegativeBufferSize();
    MGLShader* object = ctx ? ctx->getShader(shader) : nullptr;
    copyInfoLog(object ? &object->infoLog() : nullptr, bufSize, length, infoLog);
  });
}

GLint glGetUniformLocation(GLuint program, const GLchar* name) {
  MGL_CALL_FRAME("glGetUniformLocation");
  MGLContext* ctx = mglCallFrame_.context();
  GLint location = -1;
  if (!ctx) return location;
  mglGuardEntryPoint([&] {
    MGLShaderProgram* object = ctx->getShaderProgram(program);
    if (object && name) location = object->getLocationOfUniformNamed(name);
  });
  return location;
}

void glLineWidth(GLfloat width) {
  MGL_CALL_FRAME("glLineWidth");
  MGLContext* ctx = mglCallFrame_.context();
  if (ctx) ctx->setLineWidth(width);
}

void glLinkProgram(GLuint program) {
  MGL_CALL_FRAME("glLinkProgram");
  MGLContext* ctx = mglCallFrame_.context();
  if (!ctx) return;
  mglGuardEntryPoint([&] { ctx->renderPipelineStateCache()->linkShaderProgram(program); });
}

void glPixelStorei(GLenum pname, GLint param) {
  MGL_CALL_FRAME("glPixelStorei");
  MGLContext* ctx = mglCallFrame_.context();
  if (!ctx) return;
  mglGuardEntryPoint([&] { ctx->setPixelStoreParameter(pname, param); });
}

void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
                  void* pixels) {
  MGL_CALL_FRAME("glReadPixels");
  MGLContext* ctx = mglCallFrame_.context();
  if (!ctx) return;
  mglGuardEntryPoint(
      [&] { ctx->readPixelsFromRect({x, y, width, height}, pixels, format, type); });
}

void glRenderbufferStorage(GLenum target, GLenum internalformat, GLsizei width, GLsizei height) {
  MGL_CALL_FRAME("glRenderbufferStorage");
  MGLContext* ctx = mglCallFrame_.context();
  mglGuardEntryPoint([&] {
    if (target != GL_RENDERBUFFER) {
      mglSetError(GL_INVALID_ENUM, "Target must be GL_RENDERBUFFER");
      return;
    }
    if (MGLRenderbuffer* renderbuffer = ctx ? ctx->currentRenderbuffer() : nullptr) {
      renderbuffer->generateStorageWithPixelFormat(internalformat, width, height, 0, *ctx);
    }
  });
}

void glShaderSource(GLuint shader, GLsizei count, const GLchar* const* string,
                    const GLint* length) {
  MGL_CALL_FRAME("glShaderSource");
  MGLContext* ctx = mglCallFrame_.context();
  mglGuardEntryPoint([&] {
    if (count < 0) {
      mglSetError(GL_INVALID_VALUE, "Source count cannot be negative");
      return;
    }
    if (MGLShader* object = ctx ? ctx->getShader(shader) : nullptr) {
      object->set(count, string, length, *ctx);
    }
  });
}

void glTexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width,
                  GLsizei height, GLint border, GLenum format, GLenum type, const void* pixels) {
  MGL_CALL_FRAME("glTexImage2D");
  MGLContext* ctx = mglCallFrame_.context();
  static_cast<void>(internalformat);  // the format and type decide the storage
  mglGuardEntryPoint([&] {
    if (border != 0) {
      mglSetError(GL_INVALID_VALUE, "Texture border must be zero.");
      return;
    }
    if (MGLTexture* texture = ctx ? ctx->getTextureBoundToTarget(target) : nullptr) {
      texture->setContent(pixels, format, type, MGLSize{width, height}, target, level, *ctx);
    }
  });
}

void glTexParameteri(GLenum target, GLenum pname, GLint param) {
  MGL_CALL_FRAME("glTexParameteri");
  MGLContext* ctx = mglCallFrame_.context();
  if (!ctx) return;
  mglGuardEntryPoint([&] {
    if (MGLTexture* texture = ctx->getTextureBoundToTarget(target)) {
      texture->setParameter(pname, param);
    }
  });
}

void glUniform1i(GLint location, GLint x) {
  MGL_CALL_FRAME("glUniform1i");
  MGLContext* ctx = mglCallFrame_.context();
  if (!ctx) return;
  mglGuardEntryPoint([&] {
    if (MGLShaderUniform* uniform = uniformAt(ctx, location)) {
      uniform->setIntsAt(location, 1, &x, *ctx->renderer());
    }
  });
}

void glUniform3f(GLint location, GLfloat x, GLfloat y, GLfloat z) {
  MGL_CALL_FRAME("glUniform3f");
  MGLContext* ctx = mglCallFrame_.context();
  if (!ctx) return;
  mglGuardEntryPoint([&] {
    const GLfloat values[3] = {x, y, z};
    if (MGLShaderUniform* uniform = uniformAt(ctx, location)) {
      uniform->setFloat3sAt(location, 1, values, *ctx->renderer());
    }
  });
}

void glUniformMatrix4fv(GLint location, GLsizei count, GLboolean transpose, const GLfloat* value) {
  MGL_CALL_FRAME("glUniformMatrix4fv");
  MGLContext* ctx = mglCallFrame_.context();
  mglGuardEntryPoint([&] {
    if (transpose != GL_FALSE) {
      mglSetError(GL_INVALID_VALUE, "The transpose parameter must be set to GL_FALSE");
      return;
    }
    if (MGLShaderUniform* uniform = uniformAt(ctx, location)) {
      uniform->setFloat4sAt(location, count, value, *ctx->renderer());
    }
  });
}

void glUseProgram(GLuint program) {
  MGL_CALL_FRAME("glUseProgram");
  MGLContext* ctx = mglCallFrame_.context();
  if (!ctx) return;
  mglGuardEntryPoint([&] { ctx->bindShaderProgramWithGLID(program); });
}

void glVertexAttrib1f(GLuint index, GLfloat x) {
  MGL_CALL_FRAME("glVertexAttrib1f");
  MGLContext* ctx = mglCallFrame_.context();
  if (!ctx) return;
  mglGuardEntryPoint([&] { vertexArrayOf(ctx)->setConstant({x, 0, 0, 1}, index); });
}

void glVertexAttrib4f(GLuint index, GLfloat x, GLfloat y, GLfloat z, GLfloat w) {
  MGL_CALL_FRAME("glVertexAttrib4f");
  MGLContext* ctx = mglCallFrame_.context();
  if (!ctx) return;
  mglGuardEntryPoint([&] { vertexArrayOf(ctx)->setConstant({x, y, z, w}, index); });
}

void glVertexAttribPointer(GLuint index, GLint size, GLenum type, GLboolean normalized,
                           GLsizei stride, const void* pointer) {
  MGL_CALL_FRAME("glVertexAttribPointer");
  MGLContext* ctx = mglCallFrame_.context();
  if (!ctx) return;
  mglGuardEntryPoint([&] {
    vertexArrayOf(ctx)->bindVertices(pointer, size, type, stride, normalized != 0, index);
  });
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  MGL_CALL_FRAME("glViewport");
  MGLContext* ctx = mglCallFrame_.context();
  if (!ctx) return;
  mglGuardEntryPoint([&] { ctx->viewportState()->setViewport({x, y, width, height}); });
}

void glRenderbufferStorageMultisampleAPPLE(GLenum target, GLsizei samples, GLenum internalformat,
                                           GLsizei width, GLsizei height) {
  MGL_CALL_FRAME("glRenderbufferStorageMultisampleAPPLE");
  MGLContext* ctx = mglCallFrame_.context();
  mglGuardEntryPoint([&] {
    if (target != GL_RENDERBUFFER) {
      mglSetError(GL_INVALID_ENUM, "Target must be GL_RENDERBUFFER");
      return;
    }
    if (MGLRenderbuffer* renderbuffer = ctx ? ctx->currentRenderbuffer() : nullptr) {
      renderbuffer->generateStorageWithPixelFormat(internalformat, width, height, samples, *ctx);
    }
  });
}

void glResolveMultisampleFramebufferAPPLE(void) {
  MGL_CALL_FRAME("glResolveMultisampleFramebufferAPPLE");
  MGLContext* ctx = mglCallFrame_.context();
  if (!ctx) return;
  mglGuardEntryPoint([&] { ctx->resolveMultisampleFramebuffer(); });
}

}  // extern "C"
