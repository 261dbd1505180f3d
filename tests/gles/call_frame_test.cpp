// The call frame: trace levels from the environment (checked in a child
// process, since the level is read once before main), first error wins,
// logging on and off, enum names and the shared argument helpers.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

#include "gles/context/call_frame.h"
#include "gles/context/context.h"
#include "gles/context/current_context.h"
#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"
#include "gles/context/log.h"
#include "gles/context/utilities.h"

namespace {

// Runs the frames of the child test below in a new process with the given
// trace setting and returns what it wrote on standard error.
std::string traceOutput(const char* level) {
  std::string command = level ? std::string("MGL_CONFIG_TRACE_GL_CALLS='") + level + "' "
                              : std::string("env -u MGL_CONFIG_TRACE_GL_CALLS ");
  command += "/proc/" + std::to_string(getpid()) +
             "/exe --gtest_filter=TraceChild.DISABLED_RunFrames "
             "--gtest_also_run_disabled_tests 2>&1 >/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
  pclose(pipe);
  return out;
}

TEST(TraceChild, DISABLED_RunFrames) {
  { MGL_CALL_FRAME("glActiveTexture"); }
  { MGLCallFrame frame("mglGetError", nullptr); }
}

TEST(CallFrame, TraceLevelsComeFromTheEnvironment) {
  EXPECT_EQ(traceOutput(nullptr), "");
  EXPECT_EQ(traceOutput("0"), "");
  EXPECT_EQ(traceOutput("4"), "");
  EXPECT_EQ(traceOutput("-1"), "");
  EXPECT_EQ(traceOutput("abc"), "");
  EXPECT_EQ(traceOutput("1"), "[mgl-trace] mglActiveTexture()\n[mgl-trace] mglGetError()\n");
  EXPECT_EQ(traceOutput("0x2"),
            "[mgl-trace] mglActiveTexture() {\n[mgl-trace] } mglActiveTexture()\n"
            "[mgl-trace] mglGetError() {\n[mgl-trace] } mglGetError()\n");
  // Level 3: the closing lines carry the elapsed time with four decimals.
  std::string timed = traceOutput("3");
  for (const char* name : {"mglActiveTexture", "mglGetError"}) {
    const std::string opening = std::string("[mgl-trace] ") + name + "() {\n";
    ASSERT_EQ(timed.compare(0, opening.size(), opening), 0) << timed;
    timed.erase(0, opening.size());
    const std::string closing = std::string("[mgl-trace] } ") + name + "() (";
    ASSERT_EQ(timed.compare(0, closing.size(), closing), 0) << timed;
    timed.erase(0, closing.size());
    const std::size_t end = timed.find(" ms)\n");
    ASSERT_NE(end, std::string::npos);
    const std::string number = timed.substr(0, end);
    const std::size_t point = number.find('.');
    ASSERT_NE(point, std::string::npos);
    EXPECT_EQ(number.size() - point - 1, 4u) << number;
    EXPECT_EQ(number.find_first_not_of("0123456789."), std::string::npos) << number;
    timed.erase(0, end + 5);
  }
  EXPECT_EQ(timed, "");
  // Out of the 32-bit range clamps (and so traces nothing).
  EXPECT_EQ(traceOutput("99999999999"), "");
}

TEST(CallFrame, EnvironmentIntegersReadLikeStrtoll) {
  bool set = true;
  unsetenv("TESSALY_TEST_INTEGER");
  EXPECT_EQ(mglGetEnvironmentInteger("TESSALY_TEST_INTEGER", &set), 0);
  EXPECT_FALSE(set);
  setenv("TESSALY_TEST_INTEGER", "010", 1);
  EXPECT_EQ(mglGetEnvironmentInteger("TESSALY_TEST_INTEGER", &set), 8);
  EXPECT_TRUE(set);
  unsetenv("TESSALY_TEST_INTEGER");
}

class ErrorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    context = mglMake<MGLContext>();
    mglSetCurrentContext(context.get());
    mglLoggingEnabled = true;
  }
  void TearDown() override {
    mglSetCurrentContext(nullptr);
    mglLoggingEnabled = true;
  }
  MGLRef<MGLContext> context;
};

TEST_F(ErrorTest, FirstErrorWins) {
  testing::internal::CaptureStdout();
  {
    MGL_CALL_FRAME("glClear");
    mglSetError(GL_INVALID_VALUE,
                "Mask may only include GL_COLOR_BUFFER_BIT, GL_DEPTH_BUFFER_BIT, or "
                "GL_STENCIL_BUFFER_BIT");
  }
  {
    MGL_CALL_FRAME("glCreateShader");
    mglSetError(GL_INVALID_ENUM, "%@ is not a valid shader type", {mglGLEnumName(GL_FLOAT)});
  }
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(printed,
            "[mgl-error] GL_INVALID_VALUE. glClear(): Mask may only include "
            "GL_COLOR_BUFFER_BIT, GL_DEPTH_BUFFER_BIT, or GL_STENCIL_BUFFER_BIT\n");
  EXPECT_EQ(context->currentError(), GL_INVALID_VALUE);
  EXPECT_EQ(context->currentError(), 0u);
  // The text stays until it is read, then it is gone.
  EXPECT_EQ(context->currentErrorText(),
            "GL_INVALID_VALUE. glClear(): Mask may only include GL_COLOR_BUFFER_BIT, "
            "GL_DEPTH_BUFFER_BIT, or GL_STENCIL_BUFFER_BIT");
  EXPECT_FALSE(context->hasErrorText());
  // With the error read, the next one is recorded.
  { MGL_CALL_FRAME("glCreateShader");
    mglSetError(GL_INVALID_ENUM, "%@ is not a valid shader type", {mglGLEnumName(GL_FLOAT)}); }
  EXPECT_EQ(context->currentErrorText(),
            "GL_INVALID_ENUM. glCreateShader(): GL_FLOAT is not a valid shader type");
}

TEST_F(ErrorTest, LoggingOffRecordsSilently) {
  context->enableCapability(false, GL_LOGGING_MGL);
  EXPECT_FALSE(mglLoggingEnabled);
  testing::internal::CaptureStdout();
  { MGL_CALL_FRAME("glClear");
    mglSetError(GL_INVALID_VALUE, "quiet"); }
  mglLog("mgl-info", "nothing %i", {1});
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(context->currentError(), GL_INVALID_VALUE);
  context->enableCapability(true, GL_LOGGING_MGL);
  testing::internal::CaptureStdout();
  mglLog("mgl-info", "Establishing DivezoVO %@ EAGLContext.", {"0.29.1"});
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "[mgl-info] Establishing DivezoVO 0.29.1 EAGLContext.\n");
}

TEST_F(ErrorTest, NoCurrentContextRecordsNothing) {
  mglSetCurrentContext(nullptr);
  testing::internal::CaptureStdout();
  MGL_CALL_FRAME("glClear");
  EXPECT_EQ(mglCallFrame_.context(), nullptr);
  mglSetError(GL_INVALID_VALUE, "lost");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(context->currentError(), 0u);
}

TEST(EnumNames, TableAndUnknownForm) {
  EXPECT_EQ(mglGLEnumName(0), "GL_ZERO");
  EXPECT_EQ(mglGLEnumName(1), "GL_ONE");
  EXPECT_EQ(mglGLEnumName(2), "GL_LINE_LOOP");
  EXPECT_EQ(mglGLEnumName(6), "GL_TRIANGLE_FAN");
  EXPECT_EQ(mglGLEnumName(0x0501), "GL_INVALID_VALUE");
  EXPECT_EQ(mglGLEnumName(0x84C0 + 31), "GL_TEXTURE31");
  EXPECT_EQ(mglGLEnumName(0x80E1), "GL_BGRA");
  EXPECT_EQ(mglGLEnumName(0x8219), "GL_FRAMEBUFFER_UNDEFINED");
  EXPECT_EQ(mglGLEnumName(0x8CA9), "GL_DRAW_FRAMEBUFFER_APPLE");
  EXPECT_EQ(mglGLEnumName(0x8C02), "GL_COMPRESSED_RGBA_PVRTC_4BPPV1_IMG");
  EXPECT_EQ(mglGLEnumName(0x9279), "GL_COMPRESSED_SRGB8_ALPHA8_ETC2_EAC");
  const std::pair<GLenum, const char*> library[] = {
      {0x6000, "GL_OPENGL_USE_METAL_MGL"}, {0x6001, "GL_DEBUG_MODE_MGL"},
      {0x6002, "GL_ERROR_ASSERTION_MGL"}, {0x6003, "GL_ENSURE_VERTEX_BUFFER_SIZE_ON_DRAW_MGL"},
      {0x6004, "GL_LOG_SHADER_CONVERSION_SOURCE_CODE_MGL"}, {0x6005, "GL_DEFERRED_DRAWABLE_MGL"},
      {0x6006, "GL_METAL_SHADER_COMPILER_FAST_MATH_MGL"}, {0x6007, "GL_FLIP_TEXTURES_PVRTC_MGL"},
      {0x6008, "GL_SWIZZLE_MISMATCHED_TEXTURES_MGL"}, {0x600B, "GL_LOGGING_MGL"},
      {0x6010, "GL_SHADER_SOURCE_LANG"}, {0x6011, "GL_SHADER_SOURCE_LANG_IGNORE"},
      {0x6012, "GL_SHADER_SOURCE_LANG_GLSL"}, {0x6013, "GL_SHADER_SOURCE_LANG_METAL"},
      {0x6014, "GL_SHADER_SOURCE_LANG_AUTO"}, {0x6015, "GL_SHADER_SOURCE_LANG_METAL_FUNC"},
      {0x6020, "GL_OPENGLES_AVAILABILITY_MGL"}, {0x6021, "GL_METAL_AVAILABILITY_MGL"},
      {0x6022, "GL_CONSUMABLE_RESOURCE_POOL_SIZE_MGL"},
      {0x6023, "GL_CONSUMABLE_RESOURCE_POOL_INDEX_MGL"}, {0x6024, "GL_ERROR_TEXT_MGL"},
      {0x6025, "GL_DIVEZOVO_VERSION_STRING_MGL"},
      {0x6026, "GL_DIVEZOVO_VERSION_BUILD_STRING_MGL"},
      {0x6027, "GL_SHADER_LIBRARY_BINDING_MGL"}};
  for (const auto& [value, name] : library) EXPECT_EQ(mglGLEnumName(value), name);
  for (GLenum unnamed : {0x6009u, 0x600Au, 0x600Cu, 0x600Fu, 0x6016u, 0x601Fu}) {
    EXPECT_EQ(mglGLEnumName(unnamed), "UNKNOWN_GLENUM(0x" + [&] {
      char hex[8];
      std::snprintf(hex, sizeof hex, "%04X", unnamed);
      return std::string(hex);
    }() + ")");
  }
  EXPECT_EQ(mglGLEnumName(0x12345), "UNKNOWN_GLENUM(0x12345)");
  EXPECT_EQ(mglGLEnumName(0x7), "UNKNOWN_GLENUM(0x0007)");
}

TEST_F(ErrorTest, ArgumentHelpers) {
  EXPECT_EQ(mglAlignToPowerOfTwo(10, 8), 16u);
  EXPECT_EQ(mglAlignToPowerOfTwo(16, 8), 16u);
  EXPECT_EQ(mglAlignToPowerOfTwo(10, 0), 10u);
  EXPECT_EQ(context->currentError(), 0u);
  EXPECT_EQ(mglAlignToPowerOfTwo(10, 6), 10u);
  EXPECT_EQ(context->currentError(), GL_INVALID_VALUE);
  EXPECT_EQ(context->currentErrorText(), "GL_INVALID_VALUE. Byte alignment 6 is not a power-of-two value.");

  char rows[] = "aaabbbccc";
  mglFlipRowsVertically(rows, 3, 3);
  EXPECT_STREQ(rows, "cccbbbaaa");
  mglFlipRowsVertically(nullptr, 3, 3);

  const std::string log = "abcdef";
  char buffer[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(mglCopyInfoLog(&log, buffer, 4), 3);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(mglCopyInfoLog(&log, buffer, 0), 0);
  EXPECT_EQ(mglCopyInfoLog(nullptr, buffer, 4), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(mglCopyInfoLog(&log, buffer, -1), 0);
  EXPECT_EQ(context->currentError(), GL_INVALID_VALUE);

  // OpenGL ES 2.0 glShaderSource: a negative length (programs pass -1) or
  // no length array means NUL-terminated; a length of 0 is an empty string,
  // never a reason to read an unterminated buffer to its end.
  EXPECT_EQ(mglJoinSourceStrings(0, nullptr, nullptr), "");
  const char* sources[] = {"ab", "cdef"};
  const GLint lengths[] = {-1, 2};
  EXPECT_EQ(mglJoinSourceStrings(2, sources, lengths), "ab\n\ncd\n\n");
  EXPECT_EQ(mglJoinSourceStrings(2, sources, nullptr), "ab\n\ncdef\n\n");
  const GLint minusSeven[] = {-7, -1};
  EXPECT_EQ(mglJoinSourceStrings(2, sources, minusSeven), "ab\n\ncdef\n\n");
  EXPECT_EQ(context->currentError(), GL_NO_ERROR);
  const char unterminated[4] = {'x', 'y', 'z', 'w'};
  const char* both[] = {unterminated, "cdef"};
  const GLint zeroAndThree[] = {0, 3};
  EXPECT_EQ(mglJoinSourceStrings(2, both, zeroAndThree), "\n\ncde\n\n");
  const GLint exact[] = {4, 0};
  EXPECT_EQ(mglJoinSourceStrings(2, both, exact), "xyzw\n\n\n\n");
  EXPECT_EQ(context->currentError(), GL_NO_ERROR);

  const std::uint16_t shorts[] = {3, 9, 2};
  EXPECT_EQ(mglMaxVertexIndex(shorts, 3, GL_UNSIGNED_SHORT), 9u);
  const std::uint32_t ints[] = {70000, 1};
  EXPECT_EQ(mglMaxVertexIndex(ints, 2, GL_UNSIGNED_INT), 70000u);
  EXPECT_EQ(mglMaxVertexIndex(shorts, 0, GL_UNSIGNED_SHORT), 0u);
  context->currentErrorText();
  { MGL_CALL_FRAME("glDrawElements");
    EXPECT_EQ(mglMaxVertexIndex(shorts, 3, GL_UNSIGNED_BYTE), 0u); }
  EXPECT_EQ(context->currentErrorText(),
            "GL_INVALID_ENUM. glDrawElements(): GL_UNSIGNED_BYTE is not a valid vertex index type");

  char* copy = mglNewCString("text");
  EXPECT_STREQ(copy, "text");
  std::free(copy);
}

TEST(Format, ObjectInsertionAndConversions) {
  EXPECT_EQ(mglFormat("%@ is %i, %u, %lu, %.4f, %04X, %s%%", {"x", -3, 4u, 5ul, 0.5, 0xABu, "s"}),
            "x is -3, 4, 5, 0.5000, 00AB, s%");
  auto array = mglMake<MGLArray>();
  EXPECT_EQ(mglFormat("[%@]", {static_cast<const MGLObject*>(array.get())}), "[MGLArray with 0 elements]");
  EXPECT_EQ(mglFormat("%i %i", {1}), "1 ");
}

}  // namespace
