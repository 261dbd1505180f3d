// The entry points as a conformance table: every check of the entry points
// and every error of the context's own operations they reach, with code and
// exact text; the first error wins; a refused call changes nothing. Then
// the answers that differ from OpenGL ES 2.0 on purpose, calls with no
// current context, the trace names, and exceptions that must not leave a
// call.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

#include "gles/context/context.h"
#include "gles/context/current_context.h"
#include "gles/context/errors.h"
#include "gles/context/gl.h"
#include "gles/context/log.h"
#include "gles/textures/framebuffer.h"
#include "gles/textures/renderbuffer.h"
#include "gles/textures/texture.h"
#include "tests/gles/gl_query_table.h"
#include "tests/gles/gl_test_context.h"

namespace tessaly::test {
namespace {

// --- Helpers through the entry points ------------------------------------------

GLuint genRenderbuffer(GLenum format, GLsizei width, GLsizei height) {
  GLuint name = 0;
  glGenRenderbuffers(1, &name);
  glBindRenderbuffer(GL_RENDERBUFFER, name);
  glRenderbufferStorage(GL_RENDERBUFFER, format, width, height);
  return name;
}

// A complete framebuffer with an RGBA8 colour renderbuffer, bound to both
// sides.
GLuint completeFramebuffer(GLsizei width = 8, GLsizei height = 8) {
  GLuint framebuffer = 0;
  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  const GLuint color = genRenderbuffer(GL_RGBA8_OES, width, height);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color);
  return framebuffer;
}

// --- The conformance table -------------------------------------------------------

struct Refusal {
  const char* what;
  std::function<void()> setUp;  // may be empty
  std::function<void()> call;
  GLenum code;
  std::string text;
};

GLuint names[2] = {77, 77};

std::vector<Refusal> refusals() {
  const std::string fbTarget =
      " is not a valid framebuffer target. Target must be GL_FRAMEBUFFER, "
      "GL_DRAW_FRAMEBUFFER_APPLE, or GL_READ_FRAMEBUFFER_APPLE.";
  const std::string noDraw = "No framebuffer is currently bound to GL_DRAW_FRAMEBUFFER_APPLE.";
  const std::string noRead = "No framebuffer is currently bound to GL_READ_FRAMEBUFFER_APPLE.";
  const std::string rbTarget = "Target must be GL_RENDERBUFFER";
  const auto bindRenderbuffer = [] { genRenderbuffer(GL_RGBA8_OES, 4, 4); };
  const auto framebuffer = [] { completeFramebuffer(); };
  return {
      // The entry points' own checks.
      {"glBindRenderbuffer target", {}, [] { glBindRenderbuffer(GL_FRAMEBUFFER, 1); },
       GL_INVALID_ENUM,
       "GL_INVALID_ENUM. glBindRenderbuffer(): Target must be GL_RENDERBUFFER. GL_FRAMEBUFFER is "
       "not a valid renderbuffer target."},
      {"glClear mask", {}, [] { glClear(0x0001); }, GL_INVALID_VALUE,
       "GL_INVALID_VALUE. glClear(): Mask may only include GL_COLOR_BUFFER_BIT, "
       "GL_DEPTH_BUFFER_BIT, or GL_STENCIL_BUFFER_BIT"},
      {"glClear mask with a valid bit", framebuffer,
       [] { glClear(GL_COLOR_BUFFER_BIT | 0x8000); }, GL_INVALID_VALUE,
       "GL_INVALID_VALUE. glClear(): Mask may only include GL_COLOR_BUFFER_BIT, "
       "GL_DEPTH_BUFFER_BIT, or GL_STENCIL_BUFFER_BIT"},
      {"glDeleteFramebuffers count", {}, [] { glDeleteFramebuffers(-1, names); }, GL_INVALID_VALUE,
       "GL_INVALID_VALUE. glDeleteFramebuffers(): The number of framebuffers cannot be negative"},
      {"glDeleteRenderbuffers count", {}, [] { glDeleteRenderbuffers(-1, names); },
       GL_INVALID_VALUE,
       "GL_INVALID_VALUE. glDeleteRenderbuffers(): The number of renderbuffers cannot be negative"},
      {"glDeleteTextures count", {}, [] { glDeleteTextures(-1, names); }, GL_INVALID_VALUE,
       "GL_INVALID_VALUE. glDeleteTextures(): The number of textures cannot be negative"},
      {"glGenFramebuffers count", {}, [] { glGenFramebuffers(-1, names); }, GL_INVALID_VALUE,
       "GL_INVALID_VALUE. glGenFramebuffers(): The number of framebuffers cannot be negative"},
      {"glGenRenderbuffers count", {}, [] { glGenRenderbuffers(-1, names); }, GL_INVALID_VALUE,
       "GL_INVALID_VALUE. glGenRenderbuffers(): The number of renderbuffers cannot be negative"},
      {"glGenTextures count", {}, [] { glGenTextures(-1, names); }, GL_INVALID_VALUE,
       "GL_INVALID_VALUE. glGenTextures(): The number of textures cannot be negative"},
      {"glFramebufferRenderbuffer renderbuffer target", framebuffer,
       [] { glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, 1); },
       GL_INVALID_ENUM,
       "GL_INVALID_ENUM. glFramebufferRenderbuffer(): Renderbuffer target must be "
       "GL_RENDERBUFFER"},
      {"glFramebufferRenderbuffer missing renderbuffer", framebuffer,
       [] {
         glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, 1u << 20);
       },
       GL_INVALID_OPERATION,
       "GL_INVALID_OPERATION. glFramebufferRenderbuffer(): Renderbuffer 1048576 does not exist"},
      {"glGetRenderbufferParameteriv target", bindRenderbuffer,
       [] {
         GLint value = 0;
         glGetRenderbufferParameteriv(GL_TEXTURE_2D, GL_RENDERBUFFER_WIDTH, &value);
       },
       GL_INVALID_ENUM,
       "GL_INVALID_ENUM. glGetRenderbufferParameteriv(): Target must be GL_RENDERBUFFER. "
       "GL_TEXTURE_2D is not a valid renderbuffer target."},
      {"glRenderbufferStorage target", bindRenderbuffer,
       [] { glRenderbufferStorage(GL_FRAMEBUFFER, GL_RGB565, 2, 2); }, GL_INVALID_ENUM,
       "GL_INVALID_ENUM. glRenderbufferStorage(): " + rbTarget},
      {"glTexImage2D border", [] { glBindTexture(GL_TEXTURE_2D, 1); },
       [] { glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, nullptr); },
       GL_INVALID_VALUE, "GL_INVALID_VALUE. glTexImage2D(): Texture border must be zero."},
      {"glRenderbufferStorageMultisampleAPPLE target", bindRenderbuffer,
       [] { glRenderbufferStorageMultisampleAPPLE(GL_TEXTURE_2D, 4, GL_RGBA8_OES, 2, 2); },
       GL_INVALID_ENUM, "GL_INVALID_ENUM. glRenderbufferStorageMultisampleAPPLE(): " + rbTarget},

      // The context's capabilities and settings (reached through the entry points).
      {"glEnable unknown capability", {}, [] { glEnable(GL_SAMPLE_COVERAGE); }, GL_INVALID_ENUM,
       "GL_INVALID_ENUM. glEnable(): GL_SAMPLE_COVERAGE is not a supported OpenGL capability."},
      {"glEnable GL_TEXTURE_2D", {}, [] { glEnable(GL_TEXTURE_2D); }, GL_INVALID_ENUM,
       "GL_INVALID_ENUM. glEnable(): GL_TEXTURE_2D is not a supported OpenGL capability."},
      {"glDisable GL_TEXTURE_2D", {}, [] { glDisable(GL_TEXTURE_2D); }, GL_INVALID_ENUM,
       "GL_INVALID_ENUM. glDisable(): GL_TEXTURE_2D is not a supported OpenGL capability."},
      {"glPixelStorei unpack alignment", {}, [] { glPixelStorei(GL_UNPACK_ALIGNMENT, 3); },
       GL_INVALID_VALUE,
       "GL_INVALID_VALUE. glPixelStorei(): 3 is not a valid unpacking byte alignment. Value must "
       "be one of 1, 2, 4 or 8."},
      {"glPixelStorei pack alignment", {}, [] { glPixelStorei(GL_PACK_ALIGNMENT, 0); },
       GL_INVALID_VALUE,
       "GL_INVALID_VALUE. glPixelStorei(): 0 is not a valid packing byte alignment. Value must be "
       "one of 1, 2, 4 or 8."},
      {"glPixelStorei name", {}, [] { glPixelStorei(GL_TEXTURE_2D, 4); }, GL_INVALID_ENUM,
       "GL_INVALID_ENUM. glPixelStorei(): GL_TEXTURE_2D is not a valid pixel store parameter "
       "name. Parameter name must be one of GL_PACK_ALIGNMENT or GL_UNPACK_ALIGNMENT."},

      // Bindings and framebuffer work.
      {"glActiveTexture unit", {}, [] { glActiveTexture(GL_TEXTURE0 + 16); }, GL_INVALID_ENUM,
       "GL_INVALID_ENUM. glActiveTexture(): GL_TEXTURE16 is not a valid a texture unit value. "
       "DivezoVO supports a maximum of 16 texture units."},
      {"glBindTexture target", {}, [] { glBindTexture(GL_RENDERBUFFER, 1); }, GL_INVALID_ENUM,
       "GL_INVALID_ENUM. glBindTexture(): GL_RENDERBUFFER is not a valid texture target. Texture "
       "target must be one of GL_TEXTURE_2D or GL_TEXTURE_CUBE_MAP."},
      {"glBindTexture of a 2D texture to a cube map", [] { glBindTexture(GL_TEXTURE_2D, 1); },
       [] { glBindTexture(GL_TEXTURE_CUBE_MAP, 1); }, GL_INVALID_OPERATION,
       "GL_INVALID_OPERATION. glBindTexture(): Texture 1 was created for target GL_TEXTURE_2D and "
       "cannot be bound to target GL_TEXTURE_CUBE_MAP."},
      {"glBindFramebuffer target", {}, [] { glBindFramebuffer(GL_RENDERBUFFER, 1); },
       GL_INVALID_ENUM, "GL_INVALID_ENUM. glBindFramebuffer(): GL_RENDERBUFFER" + fbTarget},
      {"glCheckFramebufferStatus target", {}, [] { glCheckFramebufferStatus(GL_TEXTURE_2D); },
       GL_INVALID_ENUM, "GL_INVALID_ENUM. glCheckFramebufferStatus(): GL_TEXTURE_2D" + fbTarget},
      {"glFramebufferRenderbuffer framebuffer target", bindRenderbuffer,
       [] { glFramebufferRenderbuffer(GL_RENDERBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, 1); },
       GL_INVALID_ENUM, "GL_INVALID_ENUM. glFramebufferRenderbuffer(): GL_RENDERBUFFER" + fbTarget},
      {"glFramebufferRenderbuffer without a framebuffer", bindRenderbuffer,
       [] { glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, 1); },
       GL_INVALID_FRAMEBUFFER_OPERATION,
       "GL_INVALID_FRAMEBUFFER_OPERATION. glFramebufferRenderbuffer(): " + noDraw},
      {"glFramebufferRenderbuffer without a read framebuffer", bindRenderbuffer,
       [] {
         glFramebufferRenderbuffer(GL_READ_FRAMEBUFFER_APPLE, GL_COLOR_ATTACHMENT0,
                                   GL_RENDERBUFFER, 1);
       },
       GL_INVALID_FRAMEBUFFER_OPERATION,
       "GL_INVALID_FRAMEBUFFER_OPERATION. glFramebufferRenderbuffer(): " + noRead},
      {"glGetRenderbufferParameteriv without a renderbuffer", {},
       [] {
         GLint value = 0;
         glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &value);
       },
       GL_INVALID_OPERATION,
       "GL_INVALID_OPERATION. glGetRenderbufferParameteriv(): No renderbuffer is currently bound"},
      {"glRenderbufferStorage without a renderbuffer", {},
       [] { glRenderbufferStorage(GL_RENDERBUFFER, GL_RGB565, 2, 2); }, GL_INVALID_OPERATION,
       "GL_INVALID_OPERATION. glRenderbufferStorage(): No renderbuffer is currently bound"},
      {"glRenderbufferStorageMultisampleAPPLE without a renderbuffer", {},
       [] { glRenderbufferStorageMultisampleAPPLE(GL_RENDERBUFFER, 4, GL_RGBA8_OES, 2, 2); },
       GL_INVALID_OPERATION,
       "GL_INVALID_OPERATION. glRenderbufferStorageMultisampleAPPLE(): No renderbuffer is "
       "currently bound"},
      {"glReadPixels without a read framebuffer", {},
       [] {
         GLubyte pixel[4] = {};
         glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
       },
       GL_INVALID_FRAMEBUFFER_OPERATION, "GL_INVALID_FRAMEBUFFER_OPERATION. glReadPixels(): " + noRead},
      {"glResolveMultisampleFramebufferAPPLE without a read framebuffer", {},
       [] { glResolveMultisampleFramebufferAPPLE(); }, GL_INVALID_FRAMEBUFFER_OPERATION,
       "GL_INVALID_FRAMEBUFFER_OPERATION. glResolveMultisampleFramebufferAPPLE(): " + noRead},
      {"glResolveMultisampleFramebufferAPPLE without a draw framebuffer",
       [] {
         const GLuint framebuffer = completeFramebuffer();
         glBindFramebuffer(GL_DRAW_FRAMEBUFFER_APPLE, 0);
         static_cast<void>(framebuffer);
       },
       [] { glResolveMultisampleFramebufferAPPLE(); }, GL_INVALID_FRAMEBUFFER_OPERATION,
       "GL_INVALID_FRAMEBUFFER_OPERATION. glResolveMultisampleFramebufferAPPLE(): " + noDraw},
      // Shaders and programs.
      {"glCreateShader type", {}, [] { glCreateShader(GL_FLOAT); }, GL_INVALID_ENUM,
       "GL_INVALID_ENUM. glCreateShader(): GL_FLOAT is not a valid shader type"},
      {"glShaderSource count", [] { glCreateShader(GL_VERTEX_SHADER); },
       [] { glShaderSource(1, -1, nullptr, nullptr); }, GL_INVALID_VALUE,
       "GL_INVALID_VALUE. glShaderSource(): Source count cannot be negative"},
      {"glGetShaderInfoLog buffer size", [] { glCreateShader(GL_VERTEX_SHADER); },
       [] { glGetShaderInfoLog(1, -1, nullptr, nullptr); }, GL_INVALID_VALUE,
       "GL_INVALID_VALUE. glGetShaderInfoLog(): Buffer size cannot be negative"},
      {"glGetProgramInfoLog buffer size", [] { glCreateProgram(); },
       [] { glGetProgramInfoLog(1, -1, nullptr, nullptr); }, GL_INVALID_VALUE,
       "GL_INVALID_VALUE. glGetProgramInfoLog(): Buffer size cannot be negative"},
      {"glUniformMatrix4fv transpose", {},
       [] {
         const GLfloat matrix[16] = {};
         glUniformMatrix4fv(0, 1, GL_TRUE, matrix);
       },
       GL_INVALID_VALUE,
       "GL_INVALID_VALUE. glUniformMatrix4fv(): The transpose parameter must be set to GL_FALSE"},
      {"glCompileShader of no shader", {}, [] { glCompileShader(5); }, GL_INVALID_VALUE,
       "GL_INVALID_VALUE. glCompileShader(): Shader 5 does not exist"},
      {"glGetShaderiv of no shader", {},
       [] {
         GLint value = 0;
         glGetShaderiv(5, GL_COMPILE_STATUS, &value);
       },
       GL_INVALID_VALUE, "GL_INVALID_VALUE. glGetShaderiv(): Shader 5 does not exist"},
      {"glAttachShader to no program", {}, [] { glAttachShader(6, 1); }, GL_INVALID_VALUE,
       "GL_INVALID_VALUE. glAttachShader(): Shader program 6 does not exist"},
      {"glGetProgramiv of no program", {},
       [] {
         GLint value = 0;
         glGetProgramiv(6, GL_LINK_STATUS, &value);
       },
       GL_INVALID_VALUE, "GL_INVALID_VALUE. glGetProgramiv(): Shader program 6 does not exist"},
      {"glGetAttribLocation of no program", {}, [] { glGetAttribLocation(6, "a"); },
       GL_INVALID_VALUE, "GL_INVALID_VALUE. glGetAttribLocation(): Shader program 6 does not exist"},
      {"glGetUniformLocation of no program", {}, [] { glGetUniformLocation(6, "u"); },
       GL_INVALID_VALUE, "GL_INVALID_VALUE. glGetUniformLocation(): Shader program 6 does not exist"},
      {"glUseProgram of no program", {}, [] { glUseProgram(6); }, GL_INVALID_VALUE,
       "GL_INVALID_VALUE. glUseProgram(): Shader program 6 does not exist"},
      {"glUniform1i without a program", {}, [] { glUniform1i(0, 1); }, GL_INVALID_OPERATION,
       "GL_INVALID_OPERATION. glUniform1i(): No shader program is currently bound"},
      {"glUniform3f without a program", {}, [] { glUniform3f(0, 1, 2, 3); }, GL_INVALID_OPERATION,
       "GL_INVALID_OPERATION. glUniform3f(): No shader program is currently bound"},
      {"glGetIntegerv unknown parameter", {},
       [] {
         GLint value = 0;
         glGetIntegerv(GL_SAMPLE_BUFFERS, &value);
       },
       GL_INVALID_ENUM,
       "GL_INVALID_ENUM. glGetIntegerv(): GL_SAMPLE_BUFFERS is not a supported OpenGL parameter."},
  };
}

class EntryPointTest : public GLTestContext {
 protected:
  void fresh() {
    mglSetCurrentContext(nullptr);
    context = mglMake<MGLContext>();
    mglSetCurrentContext(context.get());
  }
};

TEST_F(EntryPointTest, EveryRefusalHasItsCodeAndTextAndChangesNothing) {
  int checked = 0;
  for (const Refusal& row : refusals()) {
    SCOPED_TRACE(row.what);
    fresh();
    if (row.setUp) row.setUp();
    ASSERT_EQ(glGetError(), 0u);
    const GLSnapshot before = snapshotGLState();
    row.call();
    EXPECT_EQ(snapshotGLState(), before);
    // A second failure is dropped: the first stays, code and text.
    glClear(0x0001);
    EXPECT_EQ(glGetError(), row.code);
    EXPECT_EQ(glGetError(), 0u);
    const char* text = context->getStringParameter(GL_ERROR_TEXT_MGL);
    EXPECT_EQ(text ? std::string(text) : std::string("(none)"), row.text);
    ++checked;
  }
  EXPECT_EQ(checked, 50);
}

TEST_F(EntryPointTest, RefusedCountsTouchNoArrayAndNoName) {
  GLuint names[2] = {77, 77};
  glGenTextures(-1, names);
  glGenFramebuffers(-1, names);
  glGenRenderbuffers(-1, names);
  EXPECT_EQ(names[0], 77u);
  // No name was taken: the first one made now is 1.
  glGenTextures(2, names);
  EXPECT_EQ(names[0], 1u);
  EXPECT_EQ(names[1], 2u);
  GLuint framebuffer = 0;
  glGenFramebuffers(1, &framebuffer);
  EXPECT_EQ(framebuffer, 1u);
  // A refused deletion deletes nothing.
  glBindTexture(GL_TEXTURE_2D, names[0]);
  glDeleteTextures(-1, names);
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(bound, 1);
}

TEST_F(EntryPointTest, RefusedStorageLeavesTheObjectsAsTheyWere) {
  glBindTexture(GL_TEXTURE_2D, 3);
  const std::uint8_t texel[4] = {1, 2, 3, 4};
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, texel);
  EXPECT_EQ(glGetError(), GLenum{GL_INVALID_VALUE});
  MGLTexture* texture = context->getTextureBoundToTarget(GL_TEXTURE_2D);
  EXPECT_EQ(texture->mtlTexture(), nullptr);
  const GLuint renderbuffer = genRenderbuffer(GL_RGB565, 3, 5);
  glRenderbufferStorageMultisampleAPPLE(GL_TEXTURE_2D, 4, GL_RGBA8_OES, 7, 7);
  EXPECT_EQ(glGetError(), GLenum{GL_INVALID_ENUM});
  GLint width = 0, height = 0, format = 0;
  glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &width);
  glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_HEIGHT, &height);
  glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_INTERNAL_FORMAT, &format);
  EXPECT_EQ(width, 3);
  EXPECT_EQ(height, 5);
  EXPECT_EQ(format, GL_RGB565);
  EXPECT_NE(renderbuffer, 0u);
  EXPECT_EQ(glGetError(), 0u);
}

// OpenGL ES 2.0 answers these differently; the layer keeps its own answer
// for the reason given with each.
TEST_F(EntryPointTest, AnswersThatDifferFromOpenGLES2OnPurpose) {
  // glLineWidth(0) is accepted (ES: GL_INVALID_VALUE): the width is stored
  // for queries only, no drawing reads it (wide lines are not drawn).
  glLineWidth(0.0f);
  EXPECT_EQ(glGetError(), 0u);
  EXPECT_EQ(context->lineWidth(), 0.0f);
  // glTexImage2D ignores internalformat (ES: must equal format): the Metal
  // storage follows the format and type of the data.
  glBindTexture(GL_TEXTURE_2D, 1);
  const std::uint8_t texel[4] = {10, 20, 30, 40};
  glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
  EXPECT_EQ(glGetError(), 0u);
  EXPECT_EQ(context->getTextureBoundToTarget(GL_TEXTURE_2D)->pixelFormat(), GLenum{GL_RGBA});
  // glCheckFramebufferStatus of an unknown target answers
  // GL_FRAMEBUFFER_UNDEFINED with its error (ES: 0): every unanswerable
  // target reads the same.
  EXPECT_EQ(glCheckFramebufferStatus(GL_TEXTURE_2D), GLenum{GL_FRAMEBUFFER_UNDEFINED});
  EXPECT_EQ(glGetError(), GLenum{GL_INVALID_ENUM});
  // Names are made on first use, as the stores make them: attaching a
  // renderbuffer name never generated attaches a new, empty renderbuffer
  // (ES: GL_INVALID_OPERATION).
  completeFramebuffer();
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, 500);
  EXPECT_EQ(glGetError(), 0u);
  EXPECT_EQ(context->drawFramebufferBinding()->colorAttachment()->glID(), 500u);
  // Float state read as integers is truncated (ES: rounded to nearest).
  glLineWidth(1.75f);
  GLint width = 0;
  glGetIntegerv(GL_LINE_WIDTH, &width);
  EXPECT_EQ(width, 1);
  // GL_SAMPLE_COVERAGE is no capability here (ES: one): the layer has no
  // coverage mask.
  glEnable(GL_SAMPLE_COVERAGE);
  EXPECT_EQ(glGetError(), GLenum{GL_INVALID_ENUM});
  // A cube face is accepted as a texture binding target (ES: only the
  // cube map): it names the cube-map units.
  glBindTexture(GL_TEXTURE_CUBE_MAP_POSITIVE_X, 2);
  EXPECT_EQ(glGetError(), 0u);
  GLint cube = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_CUBE_MAP, &cube);
  EXPECT_EQ(cube, 2);
}

TEST_F(EntryPointTest, EnablingTexture2DIsRefusedAndChangesNoAnswer) {
  const GLuint framebuffer = completeFramebuffer(4, 4);
  ASSERT_NE(framebuffer, 0u);
  const GLSnapshot before = snapshotGLState();
  glEnable(GL_TEXTURE_2D);
  EXPECT_EQ(glGetError(), GLenum{GL_INVALID_ENUM});
  EXPECT_STREQ(context->getStringParameter(GL_ERROR_TEXT_MGL),
               "GL_INVALID_ENUM. glEnable(): GL_TEXTURE_2D is not a supported OpenGL capability.");
  EXPECT_EQ(snapshotGLState(), before);
  // Later work is unaffected: a clear still reaches the attachment.
  context->setClearColor({1, 0, 0, 1});
  glClear(GL_COLOR_BUFFER_BIT);
  std::uint8_t pixel[4] = {};
  glReadPixels(1, 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  EXPECT_EQ(glGetError(), 0u);
  EXPECT_EQ(pixel[0], 255);
  EXPECT_EQ(pixel[1], 0);
  EXPECT_EQ(pixel[3], 255);
}

TEST_F(EntryPointTest, LoggingSwitchNeedsNoContextAndNamesNothing) {
  context->setCurrentFunctionName("glClear");
  glEnable(GL_LOGGING_MGL);
  EXPECT_TRUE(mglLoggingEnabled.load());
  glDisable(GL_LOGGING_MGL);
  EXPECT_FALSE(mglLoggingEnabled.load());
  EXPECT_STREQ(context->currentFunctionName(), "glClear");
  mglSetCurrentContext(nullptr);
  glEnable(GL_LOGGING_MGL);
  EXPECT_TRUE(mglLoggingEnabled.load());
  glDisable(GL_LOGGING_MGL);
  EXPECT_FALSE(mglLoggingEnabled.load());
  mglSetCurrentContext(context.get());
  // glGetError does not name itself either.
  glGetError();
  EXPECT_STREQ(context->currentFunctionName(), "glClear");
}

TEST_F(EntryPointTest, ErrorsArePrintedOnceWhileLoggingIsOn) {
  glEnable(GL_LOGGING_MGL);
  testing::internal::CaptureStdout();
  glClear(0x1);
  glGenTextures(-1, nullptr);  // dropped: an error is pending
  const std::string printed = testing::internal::GetCapturedStdout();
  glDisable(GL_LOGGING_MGL);
  EXPECT_EQ(printed,
            "[mgl-error] GL_INVALID_VALUE. glClear(): Mask may only include GL_COLOR_BUFFER_BIT, "
            "GL_DEPTH_BUFFER_BIT, or GL_STENCIL_BUFFER_BIT\n");
  EXPECT_EQ(glGetError(), GLenum{GL_INVALID_VALUE});
  EXPECT_EQ(glGetError(), 0u);
}

TEST_F(EntryPointTest, WithoutACurrentContextCallsDoNothingAndAnswerTheirDefaults) {
  mglSetCurrentContext(nullptr);
  GLuint names[2] = {77, 77};
  glGenTextures(2, names);
  glGenFramebuffers(2, names);
  glGenRenderbuffers(2, names);
  EXPECT_EQ(names[0], 77u);
  EXPECT_EQ(glCreateProgram(), 0u);
  EXPECT_EQ(glGetError(), 0u);
  EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum{GL_FRAMEBUFFER_UNDEFINED});
  GLint value = 77;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &value);
  EXPECT_EQ(value, 77);
  glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &value);
  EXPECT_EQ(value, 77);
  // Every other call returns quietly.
  glActiveTexture(GL_TEXTURE1);
  glBindFramebuffer(GL_FRAMEBUFFER, 1);
  glBindRenderbuffer(GL_RENDERBUFFER, 1);
  glBindTexture(GL_TEXTURE_2D, 1);
  glBlendEquation(GL_MAX);
  glBlendFunc(GL_ONE, GL_ONE);
  glClear(GL_COLOR_BUFFER_BIT);
  glClear(0x1);
  glClearDepthf(0.5f);
  glDeleteFramebuffers(1, names);
  glDeleteRenderbuffers(1, names);
  glDeleteTextures(1, names);
  glDisable(GL_BLEND);
  glEnable(GL_BLEND);
  glDisableVertexAttribArray(0);
  glEnableVertexAttribArray(0);
  glDrawArrays(GL_TRIANGLES, 0, 3);
  glDrawElements(GL_TRIANGLES, 3, GL_UNSIGNED_SHORT, names);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, 1);
  glLineWidth(2.0f);
  glLinkProgram(1);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  std::uint8_t pixel[4] = {9, 9, 9, 9};
  glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  EXPECT_EQ(pixel[0], 9);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGB565, 1, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glVertexAttrib1f(0, 1.0f);
  glVertexAttrib4f(0, 1.0f, 2.0f, 3.0f, 4.0f);
  glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, pixel);
  glViewport(0, 0, 1, 1);
  glRenderbufferStorageMultisampleAPPLE(GL_RENDERBUFFER, 4, GL_RGBA8_OES, 1, 1);
  glResolveMultisampleFramebufferAPPLE();
  mglSetCurrentContext(context.get());
  // None of it reached the context.
  EXPECT_EQ(glGetError(), 0u);
  EXPECT_EQ(snapshotGLState(), [] {
    MGLRef<MGLContext> other = mglMake<MGLContext>();
    MGLRef<MGLContext> saved = mglCurrentContext();
    mglSetCurrentContext(other.get());
    GLSnapshot snapshot = snapshotGLState();
    mglSetCurrentContext(saved.get());
    return snapshot;
  }());
}

// --- Shaders and programs through the entry points -------------------------------

const char* const kVertexSource =
    "attribute vec4 a_position;\n"
    "uniform mat4 u_MVPMatrix;\n"
    "void main() { gl_Position = u_MVPMatrix * a_position; }\n";
const char* const kFragmentSource =
    "precision mediump float;\n"
    "uniform vec3 u_LightDir;\n"
    "uniform int u_UseTexture;\n"
    "void main() { gl_FragColor = vec4(u_LightDir, float(u_UseTexture)); }\n";

GLuint compile(GLenum type, const char* source) {
  const GLuint shader = glCreateShader(type);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  return shader;
}

GLuint linkProgram() {
  const GLuint program = glCreateProgram();
  glAttachShader(program, compile(GL_VERTEX_SHADER, kVertexSource));
  glAttachShader(program, compile(GL_FRAGMENT_SHADER, kFragmentSource));
  glLinkProgram(program);
  return program;
}

TEST_F(EntryPointTest, ProgramsCompileLinkAndTakeUniforms) {
  const GLuint program = linkProgram();
  GLint status = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &status);
  ASSERT_EQ(status, 1) << context->getShaderProgram(program)->infoLog();
  EXPECT_EQ(glGetError(), 0u);
  EXPECT_EQ(glGetAttribLocation(program, "a_position"), 0);
  EXPECT_EQ(glGetAttribLocation(program, "a_missing"), -1);
  EXPECT_EQ(glGetAttribLocation(program, nullptr), -1);
  const GLint matrix = glGetUniformLocation(program, "u_MVPMatrix");
  const GLint light = glGetUniformLocation(program, "u_LightDir");
  const GLint useTexture = glGetUniformLocation(program, "u_UseTexture");
  EXPECT_GE(matrix, 0);
  EXPECT_GE(light, 0);
  EXPECT_EQ(glGetUniformLocation(program, "u_missing"), -1);
  glUseProgram(program);
  GLint current = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  EXPECT_EQ(current, GLint(program));
  const GLfloat identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  glUniformMatrix4fv(matrix, 1, GL_FALSE, identity);
  glUniform3f(light, 0.25f, 0.5f, 0.75f);
  glUniform1i(useTexture, 1);
  EXPECT_EQ(glGetError(), 0u);
  MGLShaderProgram* object = context->getShaderProgram(program);
  GLfloat stored[3] = {};
  object->getUniformAtLocation(light)->getFloatValue(stored, light);
  EXPECT_EQ(stored[0], 0.25f);
  EXPECT_EQ(stored[2], 0.75f);
  GLint flag = 0;
  object->getUniformAtLocation(useTexture)->getIntValue(&flag, useTexture);
  EXPECT_EQ(flag, 1);
  // A refused transpose stores nothing.
  const GLfloat twice[16] = {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2};
  glUniformMatrix4fv(matrix, 1, GL_TRUE, twice);
  EXPECT_EQ(glGetError(), GLenum{GL_INVALID_VALUE});
  GLfloat held[16] = {};
  object->getUniformAtLocation(matrix)->getFloatValue(held, matrix);
  EXPECT_EQ(held[0], 1.0f);
}

TEST_F(EntryPointTest, ADeletedProgramInUseStaysUsableUntilLetGo) {
  const GLuint program = linkProgram();
  glUseProgram(program);
  glDeleteProgram(program);
  EXPECT_EQ(glGetError(), 0u);
  // Still in use, still found, its name still taken.
  GLint current = 0, deleted = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  EXPECT_EQ(current, GLint(program));
  glGetProgramiv(program, GL_DELETE_STATUS, &deleted);
  EXPECT_EQ(deleted, 1);
  EXPECT_GE(glGetUniformLocation(program, "u_LightDir"), 0);
  // Deleting it again forgets nothing.
  glDeleteProgram(program);
  EXPECT_EQ(glGetUniformLocation(program, "u_LightDir") >= 0, true);
  const GLuint next = glCreateProgram();
  EXPECT_NE(next, program);
  EXPECT_EQ(glGetError(), 0u);
  // Another program current lets it go: its name is free, the object gone.
  glUseProgram(0);
  GLint status = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &status);
  EXPECT_EQ(glGetError(), GLenum{GL_INVALID_VALUE});
  EXPECT_EQ(glCreateProgram(), program);
}

TEST_F(EntryPointTest, ZeroNamesAndMissingObjects) {
  // Deleting 0 does nothing, not even name the call.
  context->setCurrentFunctionName("glClear");
  glDeleteProgram(0);
  glDeleteShader(0);
  EXPECT_STREQ(context->currentFunctionName(), "glClear");
  EXPECT_EQ(glGetError(), 0u);
  // Logs of what does not exist: an empty string and length 0.
  GLchar log[8] = {'x', 'x'};
  GLsizei length = 5;
  glGetShaderInfoLog(9, sizeof log, &length, log);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(log[0], '\0');
  EXPECT_EQ(glGetError(), GLenum{GL_INVALID_VALUE});
  log[0] = 'x';
  mglSetCurrentContext(nullptr);
  glGetProgramInfoLog(9, sizeof log, &length, log);
  EXPECT_EQ(log[0], '\0');
  mglSetCurrentContext(context.get());
  // Unknown parameter names leave the output alone.
  const GLuint shader = glCreateShader(GL_VERTEX_SHADER);
  GLint value = 77;
  glGetShaderiv(shader, GL_TEXTURE_2D, &value);
  EXPECT_EQ(value, 77);
  EXPECT_EQ(glGetError(), GLenum{GL_INVALID_ENUM});
  glGetShaderiv(shader, GL_SHADER_TYPE, &value);
  EXPECT_EQ(value, GLint(GL_VERTEX_SHADER));
  // An unlinked program cannot be used; the one in use stays.
  const GLuint unlinked = glCreateProgram();
  glUseProgram(unlinked);
  EXPECT_EQ(glGetError(), GLenum{GL_INVALID_OPERATION});
  GLint current = 77;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  EXPECT_EQ(current, 0);
}

// --- Exceptions never leave a call ---------------------------------------------------

// An attachment whose answers throw, standing in for a refusal by the
// software GPU or an allocation that fails deep inside a call.
class ThrowingAttachment : public MGLObject, public MGLFramebufferAttachment {
 public:
  explicit ThrowingAttachment(bool outOfMemory) : outOfMemory_(outOfMemory) {}
  MGLObject* attachmentObject() override { return this; }
  bool isAttachingRenderbufferWithGLID(GLID) const override { return false; }
  bool isAttachingTextureWithGLID(GLID) const override { return false; }
  void populateRenderPassAttachmentDescriptor(mtl::RenderPassAttachmentDescriptor&,
                                              MGLRenderer&) override {
    fail();
  }
  bool presentDrawableUsingRenderer(MGLRenderer&) override { return false; }
  GLID glID() const override { return 0; }
  MGLSize size() const override { fail(); }
  mtl::NSUInteger sampleCount() const override { return 1; }
  GLenum framebufferAttachmentType() const override { return GL_RENDERBUFFER; }
  GLenum textureFace() const override { return 0; }
  GLint textureLevel() const override { return 0; }
  std::shared_ptr<mtl::Texture> mtlTexture() override { fail(); }
  mtl::PixelFormat mtlPixelFormat() const override { fail(); }
  std::shared_ptr<mtl::Drawable> mtlDrawable() const override { return nullptr; }

 private:
  [[noreturn]] void fail() const {
    if (outOfMemory_) throw std::bad_alloc();
    throw std::runtime_error("refused");
  }
  bool outOfMemory_;
};

TEST_F(EntryPointTest, ExceptionsBecomeErrorsInsteadOfLeavingTheCall) {
  for (bool outOfMemory : {false, true}) {
    fresh();
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    auto* object = static_cast<MGLFramebuffer*>(context->framebuffers()->getObjectWithGLID(framebuffer));
    MGLRef<ThrowingAttachment> attachment = mglMake<ThrowingAttachment>(outOfMemory);
    // Attached directly (attaching asks for the size through the surface).
    try {
      object->attach(attachment.get(), GL_COLOR_ATTACHMENT0, *context);
    } catch (...) {
    }
    glGetError();
    glBindFramebuffer(GL_READ_FRAMEBUFFER_APPLE, framebuffer);
    EXPECT_EQ(glGetError(), 0u);
    // Binding for drawing asks the framebuffer its size for the viewport.
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    EXPECT_EQ(glGetError(), outOfMemory ? GLenum{GL_OUT_OF_MEMORY} : GLenum{GL_INVALID_OPERATION});
    EXPECT_STREQ(context->getStringParameter(GL_ERROR_TEXT_MGL),
                 outOfMemory ? "GL_OUT_OF_MEMORY. glBindFramebuffer(): Not enough memory to "
                               "complete the call."
                             : "GL_INVALID_OPERATION. glBindFramebuffer(): An unexpected error "
                               "occurred.");
    // The status asks for the format.
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum{GL_FRAMEBUFFER_UNDEFINED});
    EXPECT_NE(glGetError(), 0u);
    // A read asks for the texture.
    std::uint8_t pixel[4] = {};
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_NE(glGetError(), 0u);
    // Detached, the context is usable again.
    object->attach(nullptr, GL_COLOR_ATTACHMENT0, *context);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    EXPECT_EQ(glGetError(), 0u);
  }
}

// --- Trace names -----------------------------------------------------------------------

TEST(EntryPointTraceChild, DISABLED_Calls) {
  glEnable(GL_LOGGING_MGL);
  glGetError();
  glRenderbufferStorageMultisampleAPPLE(GL_RENDERBUFFER, 1, GL_RGBA8_OES, 1, 1);
  glResolveMultisampleFramebufferAPPLE();
  GLint value = 0;
  glGetIntegerv(GL_OPENGLES_AVAILABILITY_MGL, &value);
}

TEST(EntryPointTrace, EveryCallTracesItsOwnName) {
  const std::string command = "MGL_CONFIG_TRACE_GL_CALLS=2 /proc/" + std::to_string(getpid()) +
                              "/exe --gtest_filter=EntryPointTraceChild.DISABLED_Calls "
                              "--gtest_also_run_disabled_tests 2>&1 >/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string out;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
  pclose(pipe);
  std::string expected;
  for (const char* name : {"mglEnable", "mglGetError", "mglRenderbufferStorageMultisampleAPPLE",
                           "mglResolveMultisampleFramebufferAPPLE", "mglGetIntegerv"}) {
    expected += std::string("[mgl-trace] ") + name + "() {\n[mgl-trace] } " + name + "()\n";
  }
  EXPECT_EQ(out, expected);
}

}  // namespace
}  // namespace tessaly::test
