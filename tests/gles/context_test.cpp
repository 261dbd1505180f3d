// A new context's defaults, the capability table, hints, pixel store and
// shader language settings.
#include <gtest/gtest.h>

#include <vector>

#include "gles/context/context.h"
#include "gles/context/current_context.h"
#include "gles/context/gl_enums.h"
#include "gles/context/log.h"
#include "gles/render/vertex_array_object.h"
#include "gles/shaders/shader_library.h"
#include "gles/shaders/shader_program.h"

namespace {

class ContextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    context = mglMake<MGLContext>();
    mglSetCurrentContext(context.get());
    mglLoggingEnabled = false;
  }
  void TearDown() override {
    mglSetCurrentContext(nullptr);
    mglLoggingEnabled = true;
  }
  std::string error() {
    context->currentError();
    return context->currentErrorText();
  }
  MGLRef<MGLContext> context;
};

TEST_F(ContextTest, Defaults) {
  const MGLColor clear = context->clearColor();
  EXPECT_EQ(clear.red, 0);
  EXPECT_EQ(clear.green, 0);
  EXPECT_EQ(clear.blue, 0);
  EXPECT_EQ(clear.alpha, 1);
  EXPECT_EQ(context->clearDepth(), 1.0);
  EXPECT_EQ(context->clearStencil(), 0u);
  EXPECT_EQ(context->lineWidth(), 1.0f);
  EXPECT_EQ(context->texturePackAlignment(), 4);
  EXPECT_EQ(context->textureUnpackAlignment(), 4);
  EXPECT_EQ(context->mipmapHint(), GL_DONT_CARE);
  EXPECT_EQ(context->shaderDerivativeHint(), GL_DONT_CARE);
  EXPECT_EQ(context->shaderSourceLanguage(), GL_SHADER_SOURCE_LANG_AUTO);
  EXPECT_EQ(context->caMetalLayerMTLPixelFormat(), mtl::PixelFormat::BGRA8Unorm);
  EXPECT_EQ(context->activeTextureUnitIndex(), 0u);
  EXPECT_EQ(context->currentVertexArrayBuffer(), nullptr);
  EXPECT_EQ(context->renderbufferBinding(), nullptr);
  EXPECT_EQ(context->drawFramebufferBinding(), nullptr);
  EXPECT_EQ(context->readFramebufferBinding(), nullptr);
  EXPECT_EQ(context->renderPipelineState()->shaderProgram()->glID(), 0u);
  EXPECT_EQ(context->renderPipelineState()->vertexArrayObject()->glID(), 0u);
  EXPECT_EQ(context->currentShaderLibrary()->glID(), 0u);
  EXPECT_EQ(context->currentError(), 0u);
  EXPECT_FALSE(context->hasErrorText());
  EXPECT_EQ(context->renderer()->frameIndex(), 0u);
  EXPECT_EQ(context->renderer()->consumableResourcePoolSize(), 3u);
  // Capabilities as a query reports them.
  const std::pair<GLenum, bool> capabilities[] = {
      {GL_CULL_FACE, false}, {GL_DEPTH_TEST, false}, {GL_STENCIL_TEST, false},
      {GL_DITHER, true}, {GL_BLEND, false}, {GL_SCISSOR_TEST, false},
      {GL_POLYGON_OFFSET_FILL, false}, {GL_SAMPLE_ALPHA_TO_COVERAGE, false},
      {GL_DEBUG_MODE_MGL, false}, {GL_ERROR_ASSERTION_MGL, false},
      {GL_ENSURE_VERTEX_BUFFER_SIZE_ON_DRAW_MGL, true},
      {GL_LOG_SHADER_CONVERSION_SOURCE_CODE_MGL, false}, {GL_DEFERRED_DRAWABLE_MGL, true},
      {GL_METAL_SHADER_COMPILER_FAST_MATH_MGL, true}, {GL_FLIP_TEXTURES_PVRTC_MGL, true},
      {GL_SWIZZLE_MISMATCHED_TEXTURES_MGL, true},
      {GL_SAMPLE_ONLY_TEXTURE_OPTIMIZATION_OFF_MGL, true},
      {GL_SAMPLE_ONLY_TEXTURE_OPTIMIZATION_MGL, false}};
  for (const auto& [capability, enabled] : capabilities) {
    EXPECT_EQ(context->isCapabilityEnabled(capability), enabled) << capability;
  }
  EXPECT_EQ(context->currentError(), 0u);
}

TEST_F(ContextTest, EveryCapabilitySwitchesItsOwnState) {
  const GLenum switches[] = {
      GL_CULL_FACE, GL_DEPTH_TEST, GL_STENCIL_TEST, GL_DITHER, GL_BLEND, GL_SCISSOR_TEST,
      GL_POLYGON_OFFSET_FILL, GL_SAMPLE_ALPHA_TO_COVERAGE, GL_ERROR_ASSERTION_MGL,
      GL_ENSURE_VERTEX_BUFFER_SIZE_ON_DRAW_MGL, GL_LOG_SHADER_CONVERSION_SOURCE_CODE_MGL,
      GL_DEFERRED_DRAWABLE_MGL, GL_METAL_SHADER_COMPILER_FAST_MATH_MGL,
      GL_FLIP_TEXTURES_PVRTC_MGL, GL_SWIZZLE_MISMATCHED_TEXTURES_MGL};
  for (GLenum capability : switches) {
    for (bool flag : {true, false, true}) {
      std::vector<bool> before;
      for (GLenum other : switches) before.push_back(context->isCapabilityEnabled(other));
      context->enableCapability(flag, capability);
      // This capability took the flag; every other one kept its value.
      for (std::size_t i = 0; i < std::size(switches); ++i) {
        const bool expected = switches[i] == capability ? flag : static_cast<bool>(before[i]);
        EXPECT_EQ(context->isCapabilityEnabled(switches[i]), expected) << switches[i];
      }
    }
  }
  EXPECT_TRUE(context->faceCullingState()->shouldCullFaces());
  EXPECT_TRUE(context->depthStencilState()->shouldTestStencil());
  EXPECT_TRUE(context->renderer()->shouldDeferDrawable());
  context->enableCapability(false, GL_BLEND);
  EXPECT_FALSE(context->renderPipelineState()->shouldBlend());
  EXPECT_EQ(context->currentError(), 0u);
}

TEST_F(ContextTest, SampleOnlyOptimisationHasTwoSwitches) {
  context->enableCapability(true, GL_SAMPLE_ONLY_TEXTURE_OPTIMIZATION_OFF_MGL);
  EXPECT_FALSE(context->isCapabilityEnabled(GL_SAMPLE_ONLY_TEXTURE_OPTIMIZATION_MGL));
  EXPECT_TRUE(context->isCapabilityEnabled(GL_SAMPLE_ONLY_TEXTURE_OPTIMIZATION_OFF_MGL));
  context->enableCapability(true, GL_SAMPLE_ONLY_TEXTURE_OPTIMIZATION_MGL);
  EXPECT_TRUE(context->shouldOptimizeSampleOnlyTextures());
  EXPECT_FALSE(context->isCapabilityEnabled(GL_SAMPLE_ONLY_TEXTURE_OPTIMIZATION_OFF_MGL));
}

TEST_F(ContextTest, DebugModeSetsTwoSwitches) {
  context->enableCapability(true, GL_DEBUG_MODE_MGL);
  EXPECT_TRUE(context->debugMode());
  EXPECT_TRUE(context->shouldAssertOnError());
  EXPECT_TRUE(context->shouldLogShaderSourceCodeConversion());
  context->enableCapability(false, GL_ERROR_ASSERTION_MGL);
  context->enableCapability(false, GL_LOG_SHADER_CONVERSION_SOURCE_CODE_MGL);
  EXPECT_TRUE(context->debugMode());
}

TEST_F(ContextTest, RefusedCapabilities) {
  context->setCurrentFunctionName("glEnable");
  context->enableCapability(true, GL_SAMPLE_COVERAGE);
  EXPECT_EQ(error(), "GL_INVALID_ENUM. glEnable(): GL_SAMPLE_COVERAGE is not a supported OpenGL capability.");
  context->setCurrentFunctionName("glIsEnabled");
  EXPECT_FALSE(context->isCapabilityEnabled(GL_LOGGING_MGL));
  EXPECT_EQ(error(), "GL_INVALID_ENUM. glIsEnabled(): GL_LOGGING_MGL is not a supported OpenGL capability.");
  EXPECT_FALSE(context->isCapabilityEnabled(0x6000));
  EXPECT_EQ(error(), "GL_INVALID_ENUM. glIsEnabled(): GL_OPENGL_USE_METAL_MGL is not a supported OpenGL capability.");
  // Logging is switched by the capability call too.
  context->enableCapability(true, GL_LOGGING_MGL);
  EXPECT_TRUE(mglLoggingEnabled);
  context->enableCapability(false, GL_LOGGING_MGL);
  EXPECT_FALSE(mglLoggingEnabled);
}

TEST_F(ContextTest, HintsPixelStoreAndLanguage) {
  context->setCurrentFunctionName("glHint");
  context->setHint(GL_NICEST, GL_GENERATE_MIPMAP_HINT);
  context->setHint(GL_FASTEST, GL_FRAGMENT_SHADER_DERIVATIVE_HINT_OES);
  EXPECT_EQ(context->mipmapHint(), GL_NICEST);
  EXPECT_EQ(context->shaderDerivativeHint(), GL_FASTEST);
  context->setHint(GL_LINEAR, GL_GENERATE_MIPMAP_HINT);
  EXPECT_EQ(error(), "GL_INVALID_ENUM. glHint(): GL_LINEAR is not a supported hint mode.");
  context->setHint(GL_DONT_CARE, GL_BLEND);
  EXPECT_EQ(error(), "GL_INVALID_ENUM. glHint(): GL_BLEND is not a supported hint target.");
  EXPECT_EQ(context->mipmapHint(), GL_NICEST);

  context->setCurrentFunctionName("glPixelStorei");
  context->setPixelStoreParameter(GL_UNPACK_ALIGNMENT, 3);
  EXPECT_EQ(error(), "GL_INVALID_VALUE. glPixelStorei(): 3 is not a valid unpacking byte "
                     "alignment. Value must be one of 1, 2, 4 or 8.");
  EXPECT_EQ(context->textureUnpackAlignment(), 4);
  context->setPixelStoreParameter(GL_UNPACK_ALIGNMENT, 8);
  EXPECT_EQ(context->textureUnpackAlignment(), 8);
  context->setPixelStoreParameter(GL_PACK_ALIGNMENT, 1);
  EXPECT_EQ(context->texturePackAlignment(), 1);
  context->setPixelStoreParameter(GL_PACK_ALIGNMENT, 16);
  EXPECT_EQ(error(), "GL_INVALID_VALUE. glPixelStorei(): 16 is not a valid packing byte "
                     "alignment. Value must be one of 1, 2, 4 or 8.");
  context->setPixelStoreParameter(GL_TEXTURE_2D, 4);
  EXPECT_EQ(error(), "GL_INVALID_ENUM. glPixelStorei(): GL_TEXTURE_2D is not a valid pixel store "
                     "parameter name. Parameter name must be one of GL_PACK_ALIGNMENT or "
                     "GL_UNPACK_ALIGNMENT.");

  context->setShaderSourceLanguage(GL_SHADER_SOURCE_LANG_METAL);
  EXPECT_EQ(context->shaderSourceLanguage(), GL_SHADER_SOURCE_LANG_METAL);
  context->setCurrentFunctionName("glEnable");
  context->setShaderSourceLanguage(GL_SHADER_SOURCE_LANG);
  EXPECT_EQ(error(), "GL_INVALID_ENUM. glEnable(): GL_SHADER_SOURCE_LANG is not a valid shader "
                     "language selection.");
  EXPECT_EQ(context->shaderSourceLanguage(), GL_SHADER_SOURCE_LANG_METAL);
}

}  // namespace
