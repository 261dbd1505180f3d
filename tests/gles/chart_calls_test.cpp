// The sky chart's own calls, with the arguments it passes: the chart view's
// surface (a layer-backed 8888 colour renderbuffer, not retained, with a
// 16-bit depth buffer, logging off), the chart's shader program from the
// source tree under the chart's names, one frame of what the chart draws
// (halves of a side-by-side view, the glare ring's GL_MAX, RGBA and BGRA
// uploads, lines, GLU's tessellator output, a lit model with client-side
// GL_UNSIGNED_INT indices and constant material attributes), a snapshot
// read back with pack alignment 4, and the frame presented. GLU is linked
// in as the chart links it, so its system GL library is loaded: every call
// must still reach the layer. The expected pixels follow from OpenGL ES
// 2.0's rules (GL_MAX ignores the blend factors; constant attributes feed
// disabled arrays), not from this layer's code.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <dlfcn.h>

#include "gles/context/eagl.h"
#include "gles/context/gl.h"
#include "gles/context/log.h"
#include "gles/context/platform.h"
#include "platform/metal/gpu_timeline.h"
#include "platform/quartzcore/metal_layer.h"
#include "tests/gles/glu_primitives.h"

// GLU's error text, declared here: <GL/glu.h> brings the desktop GL's
// declarations, which clash with the layer's header.
extern "C" const GLubyte* gluErrorString(GLenum errorCode);

namespace tessaly::test {
namespace {

constexpr int kWidth = 16;
constexpr int kHeight = 8;

std::string readSource(const char* name) {
  const char* root = std::getenv("TESSALY_SOURCE_DIR");
  const std::string path = std::string(root != nullptr ? root : ".") + "/resources/Shaders/" + name;
  std::ifstream file(path);
  if (!file) ADD_FAILURE() << "cannot read " << path;
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// The chart's shader creation: one source string, status 0 is a failure,
// the log read by its length.
struct Compiled {
  GLuint shader = 0;
  GLint status = 0;
  std::string log;
};

Compiled compile(GLenum type, const std::string& source) {
  Compiled made;
  made.shader = glCreateShader(type);
  const GLchar* text = source.c_str();
  glShaderSource(made.shader, 1, &text, nullptr);
  glCompileShader(made.shader);
  glGetShaderiv(made.shader, GL_COMPILE_STATUS, &made.status);
  GLint length = 0;
  glGetShaderiv(made.shader, GL_INFO_LOG_LENGTH, &length);
  if (length > 1) {
    std::vector<GLchar> log(static_cast<std::size_t>(length));
    GLsizei written = 0;
    glGetShaderInfoLog(made.shader, length, &written, log.data());
    made.log.assign(log.data(), static_cast<std::size_t>(written));
  }
  return made;
}

std::string programLog(GLuint program) {
  GLint length = 0;
  glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
  if (length <= 1) return {};
  std::vector<GLchar> log(static_cast<std::size_t>(length));
  GLsizei written = 0;
  glGetProgramInfoLog(program, length, &written, log.data());
  return std::string(log.data(), static_cast<std::size_t>(written));
}

struct Locations {
  GLint position, color, normal, texCoord, ambient, diffuse, specular, shininess;
  GLint mvMatrix, mvpMatrix, useMaterial, useTexture, lightDir, sampler;
};

// Reads and clears the pending error, and checks GLU has text for it, as
// the chart's error check prints it.
GLenum error() {
  const GLenum code = glGetError();
  if (code != GL_NO_ERROR) {
    EXPECT_NE(gluErrorString(code), nullptr) << "code " << code;
  }
  return code;
}

class ChartCallsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mglSharedMTLDevice()->gpu().setSynchronous(true);
    // The chart view's set-up.
    context = MGLEAGLContext::initWithAPI(kEAGLRenderingAPIOpenGLES2);
    ASSERT_NE(context, nullptr);
    ASSERT_TRUE(MGLEAGLContext::setCurrentContext(context.get()));
    layer = MGLCAEAGLLayer::layer();
    layer->setBounds({0, 0, {kWidth, kHeight}});
    layer->setContentsScale(1);
    mglSetDrawableProperties(*layer,
                             {{kEAGLDrawablePropertyRetainedBacking, false},
                              {kEAGLDrawablePropertyColorFormat, std::string(kEAGLColorFormatRGBA8)}});
    layer->setFrameSink([this](const ca::Frame& frame) {
      std::lock_guard lock(mutex);
      frames.push_back(frame);
    });
    glDisable(GL_LOGGING_MGL);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glGenRenderbuffers(1, &colorbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, colorbuffer);
    ASSERT_TRUE(context->renderbufferStorage(GL_RENDERBUFFER, layer));
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorbuffer);
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &width);
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_HEIGHT, &height);
    glGenRenderbuffers(1, &depthbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, depthbuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, colorbuffer);
    status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
  }

  void TearDown() override {
    glDeleteRenderbuffers(1, &depthbuffer);
    glDeleteRenderbuffers(1, &colorbuffer);
    glDeleteFramebuffers(1, &framebuffer);
    EXPECT_EQ(error(), GLenum{GL_NO_ERROR});
    MGLEAGLContext::setCurrentContext(nullptr);
    mglLoggingEnabled = true;
  }

  // The chart's one program, linked with its names, or 0.
  GLuint buildProgram(Locations& at) {
    const Compiled vertex = compile(GL_VERTEX_SHADER, readSource("VertexShader.glsl"));
    const Compiled fragment = compile(GL_FRAGMENT_SHADER, readSource("FragmentShader.glsl"));
    EXPECT_EQ(vertex.status, 1) << vertex.log;
    EXPECT_EQ(fragment.status, 1) << fragment.log;
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex.shader);
    glAttachShader(program, fragment.shader);
    glLinkProgram(program);
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    EXPECT_EQ(linked, 1) << programLog(program);
    glDeleteShader(vertex.shader);
    glDeleteShader(fragment.shader);
    if (linked != 1) return 0;
    at = {glGetAttribLocation(program, "a_Position"),
          glGetAttribLocation(program, "a_Color"),
          glGetAttribLocation(program, "a_Normal"),
          glGetAttribLocation(program, "a_TexCoord"),
          glGetAttribLocation(program, "a_materialAmbient"),
          glGetAttribLocation(program, "a_materialDiffuse"),
          glGetAttribLocation(program, "a_materialSpecular"),
          glGetAttribLocation(program, "a_materialShininess"),
          glGetUniformLocation(program, "u_MVMatrix"),
          glGetUniformLocation(program, "u_MVPMatrix"),
          glGetUniformLocation(program, "u_UseMaterial"),
          glGetUniformLocation(program, "u_UseTexture"),
          glGetUniformLocation(program, "u_LightDir"),
          glGetUniformLocation(program, "texture")};
    return program;
  }

  std::vector<ca::Frame> presented() {
    context->mglContext()->renderer()->finishCommands();
    mglSharedMTLDevice()->gpu().waitUntilIdle();
    std::lock_guard lock(mutex);
    return frames;
  }

  MGLRef<MGLEAGLContext> context;
  std::shared_ptr<ca::MetalLayer> layer;
  GLuint framebuffer = 0, colorbuffer = 0, depthbuffer = 0;
  GLint width = 0, height = 0;
  GLenum status = 0;
  std::mutex mutex;
  std::vector<ca::Frame> frames;
};

// With GLU's system GL library loaded, each name still resolves to the
// layer's function, for the program and for any library that looks it up.
TEST(ChartCallsLinkTest, EveryNameResolvesToTheLayer) {
#define ENTRY(name) std::pair<const char*, void*> { #name, reinterpret_cast<void*>(&name) }
  const std::pair<const char*, void*> entries[] = {
      ENTRY(glActiveTexture),
      ENTRY(glAttachShader),
      ENTRY(glBindFramebuffer),
      ENTRY(glBindRenderbuffer),
      ENTRY(glBindTexture),
      ENTRY(glBlendEquation),
      ENTRY(glBlendFunc),
      ENTRY(glCheckFramebufferStatus),
      ENTRY(glClear),
      ENTRY(glClearDepthf),
      ENTRY(glCompileShader),
      ENTRY(glCreateProgram),
      ENTRY(glCreateShader),
      ENTRY(glDeleteFramebuffers),
      ENTRY(glDeleteProgram),
      ENTRY(glDeleteRenderbuffers),
      ENTRY(glDeleteShader),
      ENTRY(glDeleteTextures),
      ENTRY(glDisable),
      ENTRY(glDisableVertexAttribArray),
      ENTRY(glDrawArrays),
      ENTRY(glDrawElements),
      ENTRY(glEnable),
      ENTRY(glEnableVertexAttribArray),
      ENTRY(glFramebufferRenderbuffer),
      ENTRY(glGenFramebuffers),
      ENTRY(glGenRenderbuffers),
      ENTRY(glGenTextures),
      ENTRY(glGetAttribLocation),
      ENTRY(glGetError),
      ENTRY(glGetIntegerv),
      ENTRY(glGetProgramiv),
      ENTRY(glGetProgramInfoLog),
      ENTRY(glGetRenderbufferParameteriv),
      ENTRY(glGetShaderiv),
      ENTRY(glGetShaderInfoLog),
      ENTRY(glGetUniformLocation),
      ENTRY(glLineWidth),
      ENTRY(glLinkProgram),
      ENTRY(glPixelStorei),
      ENTRY(glReadPixels),
      ENTRY(glRenderbufferStorage),
      ENTRY(glShaderSource),
      ENTRY(glTexImage2D),
      ENTRY(glTexParameteri),
      ENTRY(glUniform1i),
      ENTRY(glUniform3f),
      ENTRY(glUniformMatrix4fv),
      ENTRY(glUseProgram),
      ENTRY(glVertexAttrib1f),
      ENTRY(glVertexAttrib4f),
      ENTRY(glVertexAttribPointer),
      ENTRY(glViewport),
      ENTRY(glRenderbufferStorageMultisampleAPPLE),
      ENTRY(glResolveMultisampleFramebufferAPPLE)};
#undef ENTRY
  EXPECT_EQ(std::size(entries), 55u);
  EXPECT_NE(gluErrorString(GL_INVALID_ENUM), nullptr);  // GLU is loaded and answers
  // The system library defines the 53 ES 2.0 names, so the program's own
  // are exported over them; the two APPLE names exist only here.
  for (const auto& [name, address] : entries) {
    void* found = dlsym(RTLD_DEFAULT, name);
    if (std::string(name).ends_with("APPLE") && found == nullptr) continue;
    EXPECT_EQ(found, address) << name;
  }
}

TEST_F(ChartCallsTest, TheChartViewsSurface) {
  EXPECT_EQ(width, kWidth);
  EXPECT_EQ(height, kHeight);
  EXPECT_EQ(status, GLenum{GL_FRAMEBUFFER_COMPLETE});
  EXPECT_FALSE(mglRetainBacking(*layer));
  EXPECT_EQ(layer->pixelFormat(), mtl::PixelFormat::BGRA8Unorm);
  EXPECT_FALSE(mglLoggingEnabled);
  GLint format = 0;
  glBindRenderbuffer(GL_RENDERBUFFER, depthbuffer);
  glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_INTERNAL_FORMAT, &format);
  EXPECT_EQ(format, GL_DEPTH_COMPONENT16);
  EXPECT_EQ(error(), GLenum{GL_NO_ERROR});
}

TEST_F(ChartCallsTest, TheChartsProgramAndItsNames) {
  Locations at{};
  const GLuint program = buildProgram(at);
  ASSERT_NE(program, 0u);
  for (const GLint location : {at.position, at.color, at.normal, at.texCoord, at.ambient,
                               at.diffuse, at.specular, at.shininess, at.mvMatrix, at.mvpMatrix,
                               at.useMaterial, at.useTexture, at.lightDir, at.sampler}) {
    EXPECT_GE(location, 0);
  }
  // Absent names answer -1 and are no error.
  EXPECT_EQ(glGetAttribLocation(program, "a_Missing"), -1);
  EXPECT_EQ(glGetUniformLocation(program, "u_Missing"), -1);
  EXPECT_EQ(error(), GLenum{GL_NO_ERROR});
  glDeleteProgram(program);

  // A source that does not compile: status 0 and a log the chart can print.
  const Compiled broken = compile(GL_FRAGMENT_SHADER, "void main() { gl_FragColor = nothing; }");
  EXPECT_EQ(broken.status, 0);
  EXPECT_FALSE(broken.log.empty());
  glDeleteShader(broken.shader);
  // A program without its fragment shader does not link.
  const Compiled vertex = compile(GL_VERTEX_SHADER, readSource("VertexShader.glsl"));
  const GLuint alone = glCreateProgram();
  glAttachShader(alone, vertex.shader);
  glLinkProgram(alone);
  GLint linked = 1;
  glGetProgramiv(alone, GL_LINK_STATUS, &linked);
  EXPECT_EQ(linked, 0);
  EXPECT_FALSE(programLog(alone).empty());
  glDeleteShader(vertex.shader);
  glDeleteProgram(alone);
  EXPECT_EQ(error(), GLenum{GL_NO_ERROR});
}

// One frame as the chart draws it; the pixels are read back and the frame
// presented.
TEST_F(ChartCallsTest, AFrameSnapshotAndPresent) {
  Locations at{};
  const GLuint program = buildProgram(at);
  ASSERT_NE(program, 0u);
  const auto position = static_cast<GLuint>(at.position);
  const auto color = static_cast<GLuint>(at.color);
  const auto texCoord = static_cast<GLuint>(at.texCoord);
  const auto normal = static_cast<GLuint>(at.normal);

  mtl::CommandLog& commands = mglSharedMTLDevice()->commandLog();
  commands.enable(100000);
  commands.clear();
  glUseProgram(program);
  const std::array<GLfloat, 16> identity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  glUniformMatrix4fv(at.mvMatrix, 1, GL_FALSE, identity.data());
  glUniformMatrix4fv(at.mvpMatrix, 1, GL_FALSE, identity.data());
  glUniform1i(at.useTexture, 0);
  glUniform1i(at.useMaterial, 0);
  glUniform1i(at.sampler, 0);
  glUniform3f(at.lightDir, 0, 0, 0);
  GLint maxTextureSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
  EXPECT_GE(maxTextureSize, 2048);

  // The sky background: depth cleared, depth test off, blending normal.
  glViewport(0, 0, width, height);
  glClearDepthf(1.0f);
  glClear(GL_DEPTH_BUFFER_BIT);
  glDisable(GL_DEPTH_TEST);
  glBlendEquation(GL_FUNC_ADD);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDisable(GL_BLEND);

  // The two halves of the side-by-side view: a strip in constant red on the
  // left, triangles with a colour array in green on the right.
  const std::array<GLfloat, 8> strip{-1, -1, 1, -1, -1, 1, 1, 1};
  glViewport(0, 0, width / 2, height);
  glEnableVertexAttribArray(position);
  glVertexAttribPointer(position, 2, GL_FLOAT, GL_FALSE, 0, strip.data());
  glDisableVertexAttribArray(color);
  glVertexAttrib4f(color, 1, 0, 0, 1);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  const std::array<GLfloat, 12> triangles{-1, -1, 1, -1, 1, 1, -1, -1, 1, 1, -1, 1};
  std::array<GLfloat, 24> greens{};
  for (std::size_t i = 0; i < 6; ++i) greens[i * 4 + 1] = greens[i * 4 + 3] = 1;
  glViewport(width / 2, 0, width / 2, height);
  glVertexAttribPointer(position, 2, GL_FLOAT, GL_FALSE, 0, triangles.data());
  glEnableVertexAttribArray(color);
  glVertexAttribPointer(color, 4, GL_FLOAT, GL_FALSE, 0, greens.data());
  glDrawArrays(GL_TRIANGLES, 0, 6);
  glDisableVertexAttribArray(color);

  // The glare ring: GL_MAX over the whole view, the blend factors ignored;
  // the whole view as GLU's tessellator hands it back.
  glViewport(0, 0, width, height);
  glEnable(GL_BLEND);
  glBlendEquation(GL_MAX);
  GLint equation = 0;
  glGetIntegerv(GL_BLEND_EQUATION_RGB, &equation);
  EXPECT_EQ(equation, GL_MAX);
  glVertexAttrib4f(color, 0.2f, 0.4f, 0, 1);
  const char* gluError = nullptr;
  const std::vector<GluPrimitive> pieces =
      gluTessellateNonZero({{{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}}, &gluError);
  ASSERT_EQ(gluError, nullptr) << gluError;
  ASSERT_FALSE(pieces.empty());
  for (const GluPrimitive& piece : pieces) {
    std::vector<GLfloat> corners;
    for (const GluPoint& point : piece.points) {
      corners.push_back(static_cast<GLfloat>(point[0]));
      corners.push_back(static_cast<GLfloat>(point[1]));
    }
    glVertexAttribPointer(position, 2, GL_FLOAT, GL_FALSE, 0, corners.data());
    glDrawArrays(piece.mode, 0, static_cast<GLsizei>(piece.points.size()));
  }
  glBlendEquation(GL_FUNC_ADD);
  glGetIntegerv(GL_BLEND_EQUATION_RGB, &equation);
  EXPECT_EQ(equation, GL_FUNC_ADD);
  glDisable(GL_BLEND);

  // A thin blue line through the centres of row 1.
  glLineWidth(1);
  const GLfloat rowOne = -1.0f + 3.0f / static_cast<GLfloat>(height);
  const std::array<GLfloat, 4> line{-1, rowOne, 1, rowOne};
  glVertexAttribPointer(position, 2, GL_FLOAT, GL_FALSE, 0, line.data());
  glVertexAttrib4f(color, 0, 0, 1, 1);
  glDrawArrays(GL_LINES, 0, 2);

  // Sprites: an RGBA upload on the left of rows 4-5, the camera frame's
  // BGRA bytes on the right; the chart's binding restored afterwards.
  // GL_TEXTURE_2D is no ES 2.0 capability: refused, nothing changed.
  glEnable(GL_TEXTURE_2D);
  EXPECT_EQ(glGetError(), GLenum{GL_INVALID_ENUM});
  GLuint textures[2] = {0, 0};
  const std::array<std::uint8_t, 4> cyanRGBA{0, 255, 255, 255};
  const std::array<std::uint8_t, 4> blueBGRA{255, 0, 0, 255};
  glActiveTexture(GL_TEXTURE0);
  GLint previous = -1;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
  for (int i = 0; i < 2; ++i) {
    glGenTextures(1, &textures[i]);
    glBindTexture(GL_TEXTURE_2D, textures[i]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, i == 0 ? GL_RGBA : GL_BGRA_EXT,
                 GL_UNSIGNED_BYTE, i == 0 ? cyanRGBA.data() : blueBGRA.data());
    EXPECT_EQ(error(), GLenum{GL_NO_ERROR}) << "upload " << i;
  }
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
  const std::array<GLfloat, 8> uv{0, 0, 1, 0, 0, 1, 1, 1};
  glUniform1i(at.useTexture, 1);
  glVertexAttrib4f(color, 1, 1, 1, 1);
  glVertexAttribPointer(position, 2, GL_FLOAT, GL_FALSE, 0, strip.data());
  glEnableVertexAttribArray(texCoord);
  glVertexAttribPointer(texCoord, 2, GL_FLOAT, GL_FALSE, 0, uv.data());
  for (int i = 0; i < 2; ++i) {
    glViewport(i * width / 2, 4, width / 2, 2);
    glBindTexture(GL_TEXTURE_2D, textures[i]);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  }
  glDisableVertexAttribArray(texCoord);
  glUniform1i(at.useTexture, 0);

  // A lit model group on rows 6-7: interleaved positions and normals,
  // client-side 32-bit indices, material constants reset afterwards.
  glViewport(0, 6, width, 2);
  glEnable(GL_DEPTH_TEST);
  glClear(GL_DEPTH_BUFFER_BIT);
  const std::array<GLfloat, 24> model{-1, -1, 0, 0, 0, 1, 1, -1, 0, 0, 0, 1,
                                      1,  1,  0, 0, 0, 1, -1, 1, 0, 0, 0, 1};
  const std::array<GLuint, 6> indices{0, 1, 2, 0, 2, 3};
  constexpr GLsizei stride = 6 * sizeof(GLfloat);
  glVertexAttribPointer(position, 3, GL_FLOAT, GL_FALSE, stride, model.data());
  glEnableVertexAttribArray(normal);
  glVertexAttribPointer(normal, 3, GL_FLOAT, GL_FALSE, stride, model.data() + 3);
  glUniform1i(at.useMaterial, 1);
  glUniform3f(at.lightDir, 0, 0, 1);
  glVertexAttrib4f(static_cast<GLuint>(at.ambient), 0.1f, 0, 0, 1);
  glVertexAttrib4f(static_cast<GLuint>(at.diffuse), 0, 0.5f, 0, 1);
  glVertexAttrib4f(static_cast<GLuint>(at.specular), 0, 0, 0.9f, 1);
  glVertexAttrib1f(static_cast<GLuint>(at.shininess), 0);  // no highlight
  glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_INT, indices.data());
  glVertexAttrib4f(static_cast<GLuint>(at.ambient), 0, 0, 0, 0);
  glVertexAttrib4f(static_cast<GLuint>(at.diffuse), 0, 0, 0, 0);
  glVertexAttrib4f(static_cast<GLuint>(at.specular), 0, 0, 0, 0);
  glVertexAttrib1f(static_cast<GLuint>(at.shininess), 0);
  glUniform3f(at.lightDir, 0, 0, 0);
  glUniform1i(at.useMaterial, 0);
  glDisableVertexAttribArray(normal);
  glDisableVertexAttribArray(position);
  glDisable(GL_DEPTH_TEST);
  EXPECT_EQ(error(), GLenum{GL_NO_ERROR});

  // The snapshot, bottom row first.
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width * height * 4), 7);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  EXPECT_EQ(error(), GLenum{GL_NO_ERROR});
  const auto at_ = [&](int x, int y) {
    const std::size_t i = static_cast<std::size_t>((y * width + x) * 4);
    return std::array<int, 4>{pixels[i], pixels[i + 1], pixels[i + 2], pixels[i + 3]};
  };
  const auto near = [](std::array<int, 4> got, std::array<int, 4> want) {
    for (std::size_t c = 0; c < 4; ++c) {
      if (std::abs(got[c] - want[c]) > 1) return false;
    }
    return true;
  };
  const std::array<int, 4> leftMax{255, 102, 0, 255}, rightMax{51, 255, 0, 255};
  for (int y : {0, 2, 3}) {
    for (int x = 0; x < width; ++x) {
      EXPECT_TRUE(near(at_(x, y), x < width / 2 ? leftMax : rightMax))
          << "(" << x << ", " << y << ")";
    }
  }
  for (int x = 4; x < 12; ++x) {
    EXPECT_TRUE(near(at_(x, 1), {0, 0, 255, 255})) << "line at " << x;
  }
  for (int y : {4, 5}) {
    for (int x = 0; x < width; ++x) {
      EXPECT_TRUE(near(at_(x, y), x < width / 2 ? std::array<int, 4>{0, 255, 255, 255}
                                                : std::array<int, 4>{0, 0, 255, 255}))
          << "sprite (" << x << ", " << y << ")";
    }
  }
  // Ambient plus diffuse at full light, diffuse alpha.
  for (int y : {6, 7}) {
    for (int x = 0; x < width; ++x) {
      EXPECT_TRUE(near(at_(x, y), {26, 128, 0, 255})) << "model (" << x << ", " << y << ")";
    }
  }

  // Presented: the layer's frame holds the same picture, top row first in
  // blue, green, red, alpha.
  EXPECT_TRUE(context->presentRenderbuffer(GL_RENDERBUFFER));
  const std::vector<ca::Frame> shown = presented();
  // What reached the GPU: a draw for each call (two halves, GLU's pieces,
  // whose fans arrive as indexed triangles, the line, two sprites, the
  // model of 32-bit indices) and one presentation.
  const std::vector<std::string> texts = commands.texts();
  commands.disable();
  const auto count = [&](const std::string& start) {
    return std::count_if(texts.begin(), texts.end(),
                         [&](const std::string& text) { return text.rfind(start, 0) == 0; });
  };
  EXPECT_EQ(count("drawIndexedPrimitives Triangle count=6 type=UInt32"), 1);
  EXPECT_EQ(count("drawPrimitives") + count("drawIndexedPrimitives"),
            6 + static_cast<std::ptrdiff_t>(pieces.size()));
  EXPECT_EQ(count("presentDrawable"), 1);
  ASSERT_EQ(shown.size(), 1u);
  const ca::Frame& frame = shown[0];
  ASSERT_EQ(frame.width, static_cast<mtl::NSUInteger>(width));
  ASSERT_EQ(frame.height, static_cast<mtl::NSUInteger>(height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * frame.bytesPerRow +
                            static_cast<std::size_t>(x) * 4;
      const std::array<int, 4> read = at_(x, height - 1 - y);
      EXPECT_EQ((std::array<int, 4>{frame.pixels[i + 2], frame.pixels[i + 1], frame.pixels[i],
                                    frame.pixels[i + 3]}),
                read)
          << "frame (" << x << ", " << y << ")";
    }
  }

  // A negative count deletes nothing.
  glDeleteTextures(-1, textures);
  EXPECT_EQ(glGetError(), GLenum{GL_INVALID_VALUE});
  glBindTexture(GL_TEXTURE_2D, textures[1]);
  EXPECT_EQ(glGetError(), GLenum{GL_NO_ERROR});
  for (GLuint& texture : textures) glDeleteTextures(1, &texture);
  glUseProgram(0);
  glDeleteProgram(program);
  EXPECT_EQ(error(), GLenum{GL_NO_ERROR});
}

}  // namespace
}  // namespace tessaly::test
