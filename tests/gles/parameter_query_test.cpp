// The state queries through glGetIntegerv: every parameter on a new
// context, then what each state change through the entry points changes
// (and that it changes nothing else); the float parameters' scaling; the
// strings, the extension list and the shader precisions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "gles/context/context.h"
#include "gles/context/current_context.h"
#include "gles/context/errors.h"
#include "gles/context/gl.h"
#include "gles/context/log.h"
#include "gles/textures/pixel_format.h"
#include "tests/gles/gl_query_table.h"
#include "tests/gles/gl_test_context.h"

namespace tessaly::test {
namespace {

// First in this file, so that it is the first use in the process: the
// version and extension strings are built by whichever thread asks first.
TEST(ParameterQueryStrings, BuiltOnceWhenManyThreadsAskFirst) {
  constexpr int kThreads = 6;
  std::vector<const char*> versions(kThreads), extensions(kThreads);
  std::vector<const std::vector<std::string>*> sets(kThreads);
  {
    std::vector<std::jthread> threads;
    for (int i = 0; i < kThreads; ++i) {
      threads.emplace_back([&, i] {
        MGLRef<MGLContext> context = mglMake<MGLContext>();
        mglSetCurrentContext(context.get());
        extensions[i] = context->getStringParameter(GL_EXTENSIONS);
        versions[i] = context->getStringParameter(GL_VERSION);
        sets[i] = &MGLContext::extensionNames();
        mglSetCurrentContext(nullptr);
      });
    }
  }
  for (int i = 1; i < kThreads; ++i) {
    EXPECT_EQ(versions[i], versions[0]);
    EXPECT_EQ(extensions[i], extensions[0]);
    EXPECT_EQ(sets[i], sets[0]);
  }
}

class ParameterQueryTest : public GLTestContext {
 protected:
  std::vector<GLint> get(GLenum pname, int count) {
    std::vector<GLint> values(count, 0x5EED5EED);
    glGetIntegerv(pname, values.data());
    return values;
  }
};

// The values of a new context, as glGetIntegerv writes them.
GLSnapshot newContextValues(const MGLPlatform& platform) {
  const GLint max = platform.maxTextureSize();
  const GLint all = static_cast<GLint>(0xFFFFFFFFu);
  GLSnapshot expected = {
      {GL_DEBUG_MODE_MGL, {0}}, {GL_ERROR_ASSERTION_MGL, {0}},
      {GL_ENSURE_VERTEX_BUFFER_SIZE_ON_DRAW_MGL, {1}}, {GL_LOG_SHADER_CONVERSION_SOURCE_CODE_MGL, {0}},
      {GL_DEFERRED_DRAWABLE_MGL, {1}}, {GL_METAL_SHADER_COMPILER_FAST_MATH_MGL, {1}},
      {GL_FLIP_TEXTURES_PVRTC_MGL, {1}}, {GL_SWIZZLE_MISMATCHED_TEXTURES_MGL, {1}},
      {GL_SAMPLE_ONLY_TEXTURE_OPTIMIZATION_OFF_MGL, {1}}, {GL_SAMPLE_ONLY_TEXTURE_OPTIMIZATION_MGL, {0}},
      {GL_LOGGING_MGL, {0}},  // the fixture switches logging off
      {GL_SHADER_SOURCE_LANG, {GL_SHADER_SOURCE_LANG_AUTO}},
      {GL_CONSUMABLE_RESOURCE_POOL_SIZE_MGL, {3}}, {GL_CONSUMABLE_RESOURCE_POOL_INDEX_MGL, {0}},
      {GL_SHADER_LIBRARY_BINDING_MGL, {0}},
      {GL_CULL_FACE, {0}}, {GL_DEPTH_TEST, {0}}, {GL_DEPTH_WRITEMASK, {1}}, {GL_STENCIL_TEST, {0}},
      {GL_DITHER, {1}}, {GL_BLEND, {0}}, {GL_SCISSOR_TEST, {0}}, {GL_POLYGON_OFFSET_FILL, {0}},
      {GL_SAMPLE_ALPHA_TO_COVERAGE, {0}}, {GL_COLOR_WRITEMASK, {1, 1, 1, 1}},
      {GL_SHADER_COMPILER, {1}},
      {GL_LINE_WIDTH, {1}}, {GL_CULL_FACE_MODE, {GL_BACK}}, {GL_FRONT_FACE, {GL_CCW}},
      {GL_DEPTH_RANGE, {0, 2147483647}}, {GL_DEPTH_CLEAR_VALUE, {2147483647}},
      {GL_DEPTH_FUNC, {GL_LESS}}, {GL_STENCIL_CLEAR_VALUE, {0}}, {GL_STENCIL_FUNC, {GL_ALWAYS}},
      {GL_STENCIL_VALUE_MASK, {all}}, {GL_STENCIL_FAIL, {GL_KEEP}},
      {GL_STENCIL_PASS_DEPTH_FAIL, {GL_KEEP}}, {GL_STENCIL_PASS_DEPTH_PASS, {GL_KEEP}},
      {GL_STENCIL_REF, {0}}, {GL_STENCIL_WRITEMASK, {all}}, {GL_STENCIL_BACK_FUNC, {GL_ALWAYS}},
      {GL_STENCIL_BACK_FAIL, {GL_KEEP}}, {GL_STENCIL_BACK_PASS_DEPTH_FAIL, {GL_KEEP}},
      {GL_STENCIL_BACK_PASS_DEPTH_PASS, {GL_KEEP}}, {GL_STENCIL_BACK_REF, {0}},
      {GL_STENCIL_BACK_VALUE_MASK, {all}}, {GL_STENCIL_BACK_WRITEMASK, {all}},
      {GL_VIEWPORT, {0, 0, 0, 0}}, {GL_SCISSOR_BOX, {0, 0, 1, 1}},
      {GL_COLOR_CLEAR_VALUE, {0, 0, 0, 2147483647}}, {GL_UNPACK_ALIGNMENT, {4}},
      {GL_PACK_ALIGNMENT, {4}}, {GL_POLYGON_OFFSET_UNITS, {0}}, {GL_POLYGON_OFFSET_FACTOR, {0}},
      {GL_BLEND_COLOR, {0, 0, 0, 0}}, {GL_BLEND_EQUATION, {GL_FUNC_ADD}},
      {GL_BLEND_EQUATION_ALPHA, {GL_FUNC_ADD}}, {GL_BLEND_DST_RGB, {GL_ZERO}},
      {GL_BLEND_SRC_RGB, {GL_ONE}}, {GL_BLEND_DST_ALPHA, {GL_ZERO}}, {GL_BLEND_SRC_ALPHA, {GL_ONE}},
      {GL_GENERATE_MIPMAP_HINT, {GL_DONT_CARE}}, {GL_FRAGMENT_SHADER_DERIVATIVE_HINT_OES, {GL_DONT_CARE}},
      {GL_ACTIVE_TEXTURE, {GL_TEXTURE0}},
      {GL_TEXTURE_BINDING_2D, {0}}, {GL_TEXTURE_BINDING_CUBE_MAP, {0}},
      {GL_VERTEX_ARRAY_BINDING_OES, {0}}, {GL_ARRAY_BUFFER_BINDING, {0}},
      {GL_ELEMENT_ARRAY_BUFFER_BINDING, {0}}, {GL_FRAMEBUFFER_BINDING, {0}},
      {GL_RENDERBUFFER_BINDING, {0}}, {GL_READ_FRAMEBUFFER_BINDING_APPLE, {0}},
      {GL_CURRENT_PROGRAM, {0}},
      {GL_SUBPIXEL_BITS, {4}}, {GL_MAX_TEXTURE_SIZE, {max}}, {GL_MAX_VIEWPORT_DIMS, {max, max}},
      {GL_MAX_RENDERBUFFER_SIZE, {max}}, {GL_MAX_CUBE_MAP_TEXTURE_SIZE, {max}},
      {GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, {16}}, {GL_MAX_SAMPLES_APPLE, {platform.maxSampleCount()}},
      {GL_ALIASED_POINT_SIZE_RANGE, {1, 512}}, {GL_ALIASED_LINE_WIDTH_RANGE, {1, 1}},
      {GL_MAX_VERTEX_ATTRIBS, {16}}, {GL_MAX_TEXTURE_IMAGE_UNITS, {16}},
      {GL_MAX_VERTEX_TEXTURE_IMAGE_UNITS, {16}}, {GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS, {32}},
      {GL_MAX_VERTEX_UNIFORM_VECTORS, {512}}, {GL_MAX_VARYING_VECTORS, {16}},
      {GL_MAX_FRAGMENT_UNIFORM_VECTORS, {512}}, {GL_SHADER_BINARY_FORMATS, {0}},
      {GL_NUM_SHADER_BINARY_FORMATS, {1}}, {GL_NUM_COMPRESSED_TEXTURE_FORMATS, {18}},
      {GL_COMPRESSED_TEXTURE_FORMATS,
       {0x8C01, 0x8C00, 0x8C03, 0x8C02, 0x8A54, 0x8A55, 0x8A56, 0x8A57, 0x9270, 0x9271, 0x9272,
        0x9273, 0x9274, 0x9275, 0x9276, 0x9277, 0x9278, 0x9279}},
      {GL_IMPLEMENTATION_COLOR_READ_TYPE, {GL_UNSIGNED_BYTE}},
      {GL_IMPLEMENTATION_COLOR_READ_FORMAT, {GL_BGRA}},
      // Nothing attached has no bits, and asking is not an error.
      {GL_RED_BITS, {0}}, {GL_GREEN_BITS, {0}}, {GL_BLUE_BITS, {0}}, {GL_ALPHA_BITS, {0}},
      {GL_DEPTH_BITS, {0}}, {GL_STENCIL_BITS, {0}},
  };
  // Each query writes exactly its count: the sentinel after it stays.
  for (auto& [pname, values] : expected) values.push_back(0x5EED5EED);
  return expected;
}

TEST_F(ParameterQueryTest, ANewContextAnswersEveryParameter) {
  const GLSnapshot expected = newContextValues(*context->platform());
  ASSERT_EQ(expected.size(), allGLQueries().size());
  const GLSnapshot actual = snapshotGLState();
  for (const auto& [pname, values] : expected) {
    EXPECT_EQ(actual.at(pname), values) << mglGLEnumName(pname);
  }
  EXPECT_EQ(glGetError(), 0u);
}

struct StateChange {
  const char* what;
  void (*change)();
  GLSnapshot changes;  // the parameters it changes, with their new values
};

void renderbufferStorage(GLenum format) {
  GLuint name = 0;
  glGenRenderbuffers(1, &name);
  glBindRenderbuffer(GL_RENDERBUFFER, name);
  glRenderbufferStorage(GL_RENDERBUFFER, format, 8, 8);
}

void framebufferWithAttachments() {
  GLuint framebuffer = 0, renderbuffers[3] = {};
  glGenFramebuffers(1, &framebuffer);
  glGenRenderbuffers(3, renderbuffers);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  const GLenum formats[] = {GL_RGBA8_OES, GL_DEPTH_COMPONENT16, GL_STENCIL_INDEX8};
  const GLenum points[] = {GL_COLOR_ATTACHMENT0, GL_DEPTH_ATTACHMENT, GL_STENCIL_ATTACHMENT};
  for (int i = 0; i < 3; ++i) {
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[i]);
    glRenderbufferStorage(GL_RENDERBUFFER, formats[i], 8, 8);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, points[i], GL_RENDERBUFFER, renderbuffers[i]);
  }
}

std::vector<StateChange> stateChanges() {
  const GLint depthBits = mglSupportsDepth16Unorm() ? 16 : 32;
  return {
      {"blend factors", [] { glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); },
       {{GL_BLEND_SRC_RGB, {GL_SRC_ALPHA}}, {GL_BLEND_SRC_ALPHA, {GL_SRC_ALPHA}},
        {GL_BLEND_DST_RGB, {GL_ONE_MINUS_SRC_ALPHA}}, {GL_BLEND_DST_ALPHA, {GL_ONE_MINUS_SRC_ALPHA}}}},
      {"max blending", [] { glBlendEquation(GL_MAX); },
       {{GL_BLEND_EQUATION, {GL_MAX}}, {GL_BLEND_EQUATION_ALPHA, {GL_MAX}}}},
      {"blending on", [] { glEnable(GL_BLEND); }, {{GL_BLEND, {1}}}},
      {"depth test on", [] { glEnable(GL_DEPTH_TEST); }, {{GL_DEPTH_TEST, {1}}}},
      {"culling on", [] { glEnable(GL_CULL_FACE); }, {{GL_CULL_FACE, {1}}}},
      {"stencil test on", [] { glEnable(GL_STENCIL_TEST); }, {{GL_STENCIL_TEST, {1}}}},
      {"scissor test on", [] { glEnable(GL_SCISSOR_TEST); }, {{GL_SCISSOR_TEST, {1}}}},
      {"polygon offset on", [] { glEnable(GL_POLYGON_OFFSET_FILL); }, {{GL_POLYGON_OFFSET_FILL, {1}}}},
      {"alpha to coverage on", [] { glEnable(GL_SAMPLE_ALPHA_TO_COVERAGE); },
       {{GL_SAMPLE_ALPHA_TO_COVERAGE, {1}}}},
      {"dither off", [] { glDisable(GL_DITHER); }, {{GL_DITHER, {0}}}},
      {"debug mode", [] { glEnable(GL_DEBUG_MODE_MGL); },
       {{GL_DEBUG_MODE_MGL, {1}}, {GL_ERROR_ASSERTION_MGL, {1}},
        {GL_LOG_SHADER_CONVERSION_SOURCE_CODE_MGL, {1}}}},
      {"vertex buffer checks off", [] { glDisable(GL_ENSURE_VERTEX_BUFFER_SIZE_ON_DRAW_MGL); },
       {{GL_ENSURE_VERTEX_BUFFER_SIZE_ON_DRAW_MGL, {0}}}},
      {"drawables not deferred", [] { glDisable(GL_DEFERRED_DRAWABLE_MGL); },
       {{GL_DEFERRED_DRAWABLE_MGL, {0}}}},
      {"no fast math", [] { glDisable(GL_METAL_SHADER_COMPILER_FAST_MATH_MGL); },
       {{GL_METAL_SHADER_COMPILER_FAST_MATH_MGL, {0}}}},
      {"no PVRTC flip", [] { glDisable(GL_FLIP_TEXTURES_PVRTC_MGL); },
       {{GL_FLIP_TEXTURES_PVRTC_MGL, {0}}}},
      {"no swizzle", [] { glDisable(GL_SWIZZLE_MISMATCHED_TEXTURES_MGL); },
       {{GL_SWIZZLE_MISMATCHED_TEXTURES_MGL, {0}}}},
      {"sample-only optimisation", [] { glEnable(GL_SAMPLE_ONLY_TEXTURE_OPTIMIZATION_MGL); },
       {{GL_SAMPLE_ONLY_TEXTURE_OPTIMIZATION_MGL, {1}},
        {GL_SAMPLE_ONLY_TEXTURE_OPTIMIZATION_OFF_MGL, {0}}}},
      {"logging on", [] { glEnable(GL_LOGGING_MGL); }, {{GL_LOGGING_MGL, {1}}}},
      {"line width 2.5 (read back truncated)", [] { glLineWidth(2.5f); }, {{GL_LINE_WIDTH, {2}}}},
      {"pack alignment 8", [] { glPixelStorei(GL_PACK_ALIGNMENT, 8); }, {{GL_PACK_ALIGNMENT, {8}}}},
      {"unpack alignment 1", [] { glPixelStorei(GL_UNPACK_ALIGNMENT, 1); },
       {{GL_UNPACK_ALIGNMENT, {1}}}},
      {"viewport", [] { glViewport(10, 20, 30, 40); }, {{GL_VIEWPORT, {10, 20, 30, 40}}}},
      {"clear depth 0.25", [] { glClearDepthf(0.25f); }, {{GL_DEPTH_CLEAR_VALUE, {536870911}}}},
      {"clear depth 2 clamps", [] { glClearDepthf(2.0f); }, {}},
      {"active texture", [] { glActiveTexture(GL_TEXTURE5); }, {{GL_ACTIVE_TEXTURE, {GL_TEXTURE5}}}},
      {"2D texture", [] { glBindTexture(GL_TEXTURE_2D, 7); }, {{GL_TEXTURE_BINDING_2D, {7}}}},
      {"cube texture", [] { glBindTexture(GL_TEXTURE_CUBE_MAP, 8); },
       {{GL_TEXTURE_BINDING_CUBE_MAP, {8}}}},
      {"texture on unit 3 only", [] {
         glActiveTexture(GL_TEXTURE3);
         glBindTexture(GL_TEXTURE_2D, 9);
         glActiveTexture(GL_TEXTURE0);
       }, {}},
      {"renderbuffer", [] { glBindRenderbuffer(GL_RENDERBUFFER, 3); }, {{GL_RENDERBUFFER_BINDING, {3}}}},
      // The scissor box, never set, follows the draw framebuffer's size.
      {"framebuffer", [] { glBindFramebuffer(GL_FRAMEBUFFER, 4); },
       {{GL_FRAMEBUFFER_BINDING, {4}}, {GL_READ_FRAMEBUFFER_BINDING_APPLE, {4}},
        {GL_SCISSOR_BOX, {0, 0, 0, 0}}}},
      {"read framebuffer", [] { glBindFramebuffer(GL_READ_FRAMEBUFFER_APPLE, 5); },
       {{GL_READ_FRAMEBUFFER_BINDING_APPLE, {5}}}},
      {"draw framebuffer", [] { glBindFramebuffer(GL_DRAW_FRAMEBUFFER_APPLE, 6); },
       {{GL_FRAMEBUFFER_BINDING, {6}}, {GL_SCISSOR_BOX, {0, 0, 0, 0}}}},
      // Storage updates the surface too (of no framebuffer: empty).
      {"renderbuffer storage", [] { renderbufferStorage(GL_RGB565); },
       {{GL_RENDERBUFFER_BINDING, {1}}, {GL_SCISSOR_BOX, {0, 0, 0, 0}}}},
      {"attachments", framebufferWithAttachments,
       {{GL_FRAMEBUFFER_BINDING, {1}}, {GL_READ_FRAMEBUFFER_BINDING_APPLE, {1}},
        {GL_RENDERBUFFER_BINDING, {3}}, {GL_SCISSOR_BOX, {0, 0, 8, 8}},
        {GL_RED_BITS, {8}}, {GL_GREEN_BITS, {8}},
        {GL_BLUE_BITS, {8}}, {GL_ALPHA_BITS, {8}}, {GL_DEPTH_BITS, {depthBits}},
        {GL_STENCIL_BITS, {8}}}},
  };
}

TEST_F(ParameterQueryTest, EachStateChangeShowsInItsParametersOnly) {
  const std::vector<StateChange> rows = stateChanges();
  std::size_t checked = 0;
  for (const StateChange& row : rows) {
    SCOPED_TRACE(row.what);
    context = mglMake<MGLContext>();
    mglSetCurrentContext(context.get());
    mglLoggingEnabled = false;
    GLSnapshot expected = snapshotGLState();
    for (const auto& [pname, values] : row.changes) {
      std::vector<GLint> withSentinel = values;
      withSentinel.push_back(0x5EED5EED);
      expected[pname] = withSentinel;
    }
    row.change();
    EXPECT_EQ(glGetError(), 0u);
    const GLSnapshot actual = snapshotGLState();
    for (const auto& [pname, values] : expected) {
      EXPECT_EQ(actual.at(pname), values) << mglGLEnumName(pname);
    }
    mglLoggingEnabled = false;
    ++checked;
  }
  EXPECT_EQ(checked, rows.size());
}

TEST_F(ParameterQueryTest, FloatParametersScaleToTheIntegerRange) {
  context->setClearColor({0.0f, 0.5f, 1.0f, 1.0f});
  EXPECT_EQ(get(GL_COLOR_CLEAR_VALUE, 4),
            (std::vector<GLint>{0, 1073741823, 2147483647, 2147483647}));
  // Above 1 clamps; -1 is the lowest value; below it (and NaN) gives
  // -2147483647.
  context->setClearColor({2.0f, -1.0f, -1.5f, std::nanf("")});
  EXPECT_EQ(get(GL_COLOR_CLEAR_VALUE, 4),
            (std::vector<GLint>{2147483647, -2147483647, -2147483647, -2147483647}));
  context->blendColorState()->setBlendColor(0.25f, 0.75f, -0.5f, 0.1f);
  // Each is min(f, 1) x 2147483647 in double precision, truncated.
  const auto scaled = [](float f) { return static_cast<GLint>(std::trunc(double{f} * 2147483647.0)); };
  EXPECT_EQ(get(GL_BLEND_COLOR, 4),
            (std::vector<GLint>{scaled(0.25f), scaled(0.75f), scaled(-0.5f), scaled(0.1f)}));
  context->viewportState()->setDepthRange(0.5f, 0.75f);
  EXPECT_EQ(get(GL_DEPTH_RANGE, 2), (std::vector<GLint>{1073741823, 1610612735}));
  // The depth clear value is a double, taken as a float first.
  context->setClearDepth(0.1);
  EXPECT_EQ(get(GL_DEPTH_CLEAR_VALUE, 1), (std::vector<GLint>{scaled(0.1f)}));
  // Other floats are taken as integers, truncated toward zero.
  context->depthBiasState()->setPolygonOffset(-2.75f, 3.99f);
  EXPECT_EQ(get(GL_POLYGON_OFFSET_FACTOR, 1), (std::vector<GLint>{-2}));
  EXPECT_EQ(get(GL_POLYGON_OFFSET_UNITS, 1), (std::vector<GLint>{3}));
  context->setLineWidth(1e20f);
  EXPECT_EQ(get(GL_LINE_WIDTH, 1), (std::vector<GLint>{2147483647}));
  EXPECT_EQ(glGetError(), 0u);
}

TEST_F(ParameterQueryTest, StateWithoutAnEntryPointIsReportedToo) {
  // Set through the context (the chart never calls these setters).
  context->depthStencilState()->setStencilFunction(GL_FRONT, GL_LEQUAL, 3, 0x0F);
  context->depthStencilState()->setStencilFunction(GL_BACK, GL_GREATER, 5, 0xF0);
  context->depthStencilState()->setStencilOperations(GL_BACK, GL_INCR, GL_DECR, GL_INVERT);
  context->depthStencilState()->setStencilWriteMask(GL_FRONT_AND_BACK, 0x55);
  context->depthStencilState()->setDepthFunction(GL_GEQUAL);
  context->depthStencilState()->setShouldWriteDepth(false);
  context->faceCullingState()->setFaceCullingMode(GL_FRONT);
  context->frontFaceWindingState()->setFrontFaceWinding(GL_CW);
  context->scissorState()->setScissorRect({1, 2, 3, 4});
  context->setHint(GL_NICEST, GL_GENERATE_MIPMAP_HINT);
  context->setHint(GL_FASTEST, GL_FRAGMENT_SHADER_DERIVATIVE_HINT_OES);
  context->setClearStencil(9);
  context->setShaderSourceLanguage(GL_SHADER_SOURCE_LANG_METAL);
  const std::pair<GLenum, std::vector<GLint>> expected[] = {
      {GL_STENCIL_FUNC, {GL_LEQUAL}}, {GL_STENCIL_REF, {3}}, {GL_STENCIL_VALUE_MASK, {0x0F}},
      {GL_STENCIL_BACK_FUNC, {GL_GREATER}}, {GL_STENCIL_BACK_REF, {5}},
      {GL_STENCIL_BACK_VALUE_MASK, {0xF0}}, {GL_STENCIL_BACK_FAIL, {GL_INCR}},
      {GL_STENCIL_BACK_PASS_DEPTH_FAIL, {GL_DECR}}, {GL_STENCIL_BACK_PASS_DEPTH_PASS, {GL_INVERT}},
      {GL_STENCIL_FAIL, {GL_KEEP}}, {GL_STENCIL_WRITEMASK, {0x55}},
      {GL_STENCIL_BACK_WRITEMASK, {0x55}}, {GL_DEPTH_FUNC, {GL_GEQUAL}},
      {GL_DEPTH_WRITEMASK, {0}}, {GL_CULL_FACE_MODE, {GL_FRONT}}, {GL_FRONT_FACE, {GL_CW}},
      {GL_SCISSOR_BOX, {1, 2, 3, 4}}, {GL_GENERATE_MIPMAP_HINT, {GL_NICEST}},
      {GL_FRAGMENT_SHADER_DERIVATIVE_HINT_OES, {GL_FASTEST}}, {GL_STENCIL_CLEAR_VALUE, {9}},
      {GL_SHADER_SOURCE_LANG, {GL_SHADER_SOURCE_LANG_METAL}},
  };
  for (const auto& [pname, values] : expected) {
    EXPECT_EQ(get(pname, static_cast<int>(values.size())), values) << mglGLEnumName(pname);
  }
  EXPECT_EQ(glGetError(), 0u);
}

TEST_F(ParameterQueryTest, UnknownParametersAreRefusedAndWriteNothing) {
  for (GLenum pname : {GL_SAMPLE_BUFFERS, GL_SAMPLES, GLenum{0x6024}, GLenum{0x600C}, GLenum{0x1234}}) {
    EXPECT_EQ(get(pname, 1), (std::vector<GLint>{0x5EED5EED}));
    EXPECT_EQ(errorText(), "GL_INVALID_ENUM. glGetIntegerv(): " + mglGLEnumName(pname) +
                               " is not a supported OpenGL parameter.");
  }
  // A null pointer ends the call: nothing is recorded.
  glGetIntegerv(0x1234, nullptr);
  EXPECT_EQ(glGetError(), 0u);
}

TEST_F(ParameterQueryTest, LibraryQueriesNeedNoContext) {
  mglSetCurrentContext(nullptr);
  EXPECT_EQ(get(GL_OPENGL_USE_METAL_MGL, 1), (std::vector<GLint>{1}));
  EXPECT_EQ(get(GL_OPENGLES_AVAILABILITY_MGL, 1), (std::vector<GLint>{0}));
  EXPECT_EQ(get(GL_METAL_AVAILABILITY_MGL, 1), (std::vector<GLint>{1}));
  // Without a context nothing else is answered.
  EXPECT_EQ(get(GL_MAX_TEXTURE_SIZE, 1), (std::vector<GLint>{0x5EED5EED}));
  glGetIntegerv(GL_OPENGL_USE_METAL_MGL, nullptr);
  mglSetCurrentContext(context.get());
  // With one they are answered before the context and name nothing.
  context->setCurrentFunctionName("glClear");
  EXPECT_EQ(get(GL_OPENGL_USE_METAL_MGL, 1), (std::vector<GLint>{1}));
  EXPECT_STREQ(context->currentFunctionName(), "glClear");
}

TEST_F(ParameterQueryTest, DepthAndStencilBitsOfAFramebufferWithoutThemAreZero) {
  GLuint framebuffer = 0, color = 0;
  glGenFramebuffers(1, &framebuffer);
  glGenRenderbuffers(1, &color);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glBindRenderbuffer(GL_RENDERBUFFER, color);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGB565, 4, 4);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color);
  EXPECT_EQ(get(GL_RED_BITS, 1), (std::vector<GLint>{5}));
  EXPECT_EQ(get(GL_GREEN_BITS, 1), (std::vector<GLint>{6}));
  EXPECT_EQ(get(GL_ALPHA_BITS, 1), (std::vector<GLint>{0}));
  EXPECT_EQ(get(GL_DEPTH_BITS, 1), (std::vector<GLint>{0}));
  EXPECT_EQ(get(GL_STENCIL_BITS, 1), (std::vector<GLint>{0}));
  // A valid query must not leave an error that hides the next real one.
  EXPECT_EQ(glGetError(), 0u);
  glClear(0x1);
  EXPECT_EQ(glGetError(), GLenum{GL_INVALID_VALUE});
}

TEST_F(ParameterQueryTest, StringsAndTheirLifetimes) {
  EXPECT_STREQ(context->getStringParameter(GL_VENDOR), "The Vadarove Workshop Ltd.");
  EXPECT_STREQ(context->getStringParameter(GL_RENDERER), "DivezoVO");
  EXPECT_STREQ(context->getStringParameter(GL_VERSION), "OpenGL ES 2.0 DivezoVO 0.29.1 (build 1)");
  EXPECT_STREQ(context->getStringParameter(GL_SHADING_LANGUAGE_VERSION), "OpenGL ES GLSL ES 1.00");
  EXPECT_EQ(context->getStringParameter(GL_VERSION), context->getStringParameter(GL_VERSION));
  EXPECT_EQ(context->getStringParameter(GL_EXTENSIONS), context->getStringParameter(GL_EXTENSIONS));
  EXPECT_STREQ(context->getStringParameter(GL_DIVEZOVO_VERSION_STRING_MGL), "0.29.1");
  EXPECT_STREQ(context->getStringParameter(GL_DIVEZOVO_VERSION_BUILD_STRING_MGL), "0.29.1 (build 1)");

  // The error text: given once, kept by glGetError, valid until the next
  // string query (exact copies let the sanitizer see a stale pointer).
  EXPECT_EQ(context->getStringParameter(GL_ERROR_TEXT_MGL), nullptr);
  glClear(0x1);
  EXPECT_EQ(glGetError(), GLenum{GL_INVALID_VALUE});
  const char* text = context->getStringParameter(GL_ERROR_TEXT_MGL);
  ASSERT_NE(text, nullptr);
  glClear(0x1);  // records again; the text given out stays as it was
  EXPECT_STREQ(text,
               "GL_INVALID_VALUE. glClear(): Mask may only include GL_COLOR_BUFFER_BIT, "
               "GL_DEPTH_BUFFER_BIT, or GL_STENCIL_BUFFER_BIT");
  EXPECT_NE(context->getStringParameter(GL_ERROR_TEXT_MGL), nullptr);
  EXPECT_EQ(context->getStringParameter(GL_ERROR_TEXT_MGL), nullptr);
  EXPECT_EQ(glGetError(), GLenum{GL_INVALID_VALUE});

  EXPECT_EQ(context->getStringParameter(0x1F04), nullptr);
  // The last call that named itself gives the prefix (glGetError does not).
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. glClear(): UNKNOWN_GLENUM(0x1F04) is not a "
                         "supported OpenGL string parameter.");
}

TEST_F(ParameterQueryTest, ExtensionsAreTheSortedList) {
  // The list as published, in its published order.
  const std::vector<std::string> published = {
      "APPLE_color_buffer_packed_float", "APPLE_rgb_422", "APPLE_texture_format_BGRA8888",
      "APPLE_texture_max_level", "APPLE_texture_packed_float", "EXT_blend_minmax",
      "EXT_color_buffer_half_float", "EXT_debug_label", "EXT_debug_marker",
      "EXT_discard_framebuffer", "EXT_draw_instanced", "EXT_instanced_arrays",
      "EXT_map_buffer_range", "EXT_occlusion_query_boolean", "EXT_pvrtc_sRGB",
      "EXT_read_format_bgra", "EXT_shader_texture_lod", "EXT_shadow_samplers", "EXT_sRGB",
      "EXT_texture_filter_anisotropic", "EXT_texture_rg", "IMG_read_format",
      "IMG_texture_compression_pvrtc", "NV_generate_mipmap_sRGB", "OES_depth24",
      "OES_depth_texture", "OES_element_index_uint", "OES_mapbuffer", "OES_packed_depth_stencil",
      "OES_rgb8_rgba8", "OES_standard_derivatives", "OES_texture_float", "OES_texture_half_float",
      "OES_texture_half_float_linear", "OES_vertex_array_object"};
  std::string joined;
  std::vector<std::string> expected;
  for (const std::string& name : published) {
    expected.push_back("GL_" + name);
    joined += (joined.empty() ? "GL_" : " GL_") + name;
  }
  EXPECT_EQ(MGLContext::extensionNames(), expected);
  EXPECT_EQ(context->getStringParameter(GL_EXTENSIONS), joined);
}

TEST_F(ParameterQueryTest, ShaderPrecisions) {
  const std::pair<GLenum, std::array<GLint, 3>> table[] = {
      {GL_LOW_FLOAT, {15, 15, 10}}, {GL_MEDIUM_FLOAT, {127, 127, 23}},
      {GL_HIGH_FLOAT, {127, 127, 23}}, {GL_LOW_INT, {15, 15, 0}},
      {GL_MEDIUM_INT, {31, 31, 0}}, {GL_HIGH_INT, {31, 31, 0}}};
  for (GLenum shader : {GL_VERTEX_SHADER, GL_FRAGMENT_SHADER, GLenum{0}}) {
    for (const auto& [precision, answer] : table) {
      EXPECT_EQ(context->getShader(shader, precision), answer);
    }
  }
  EXPECT_EQ(glGetError(), 0u);
  EXPECT_EQ(context->getShader(GL_VERTEX_SHADER, GL_FLOAT), (std::array<GLint, 3>{0, 0, 0}));
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. GL_FLOAT is not a supported OpenGL shader precision type.");
}

}  // namespace
}  // namespace tessaly::test
