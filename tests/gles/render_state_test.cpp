// The state objects: encoder states with their flips against the surface,
// depth-stencil and sampler states with their caches, and the render
// pipeline state with its cache, as the command log and the Metal objects
// show them.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "gles/context/current_context.h"
#include "platform/metal/states.h"
#include "tests/gles/render_fixture.h"

namespace {

using tessaly::test::FakeProgram;
using tessaly::test::RenderTest;

constexpr float kTriangle[] = {0, 0, 1, 0, 0, 1};

class EncoderStateTest : public RenderTest {};

TEST_F(EncoderStateTest, ViewportsAreCutToTheSurfaceAndFlippedAgainstItsHeight) {
  MGLViewportState& v = *context->viewportState();
  // Unset: the surface.
  v.setSurfaceRect({0, 0, 300, 200});
  EXPECT_EQ(v.effectiveViewport(), (MGLRect{0, 0, 300, 200}));
  // The whole surface: Metal origin y 0.
  v.setViewport({0, 0, 300, 200});
  mtl::Viewport m = v.mtlViewport();
  EXPECT_EQ(m.originY, 0);
  EXPECT_EQ(m.height, 200);
  // GL's bottom-left (10, 20) of a 50 x 30 box is Metal's top-left y 150.
  v.setViewport({10, 20, 50, 30});
  m = v.mtlViewport();
  EXPECT_EQ(m.originX, 10);
  EXPECT_EQ(m.originY, 150);
  EXPECT_EQ(m.width, 50);
  EXPECT_EQ(m.height, 30);
  // Wider than the surface: cut to it.
  v.setViewport({-20, 0, 1000, 100});
  EXPECT_EQ(v.effectiveViewport(), (MGLRect{0, 0, 300, 100}));
  // Apart from it: nothing.
  v.setViewport({400, 0, 10, 10});
  EXPECT_EQ(v.effectiveViewport(), MGLRect{});
  // Sizes that overflow 32 bits stay sane.
  v.setViewport({0x7FFFFFF0, 0x7FFFFFF0, 0x7FFFFFFF, 0x7FFFFFFF});
  EXPECT_EQ(v.effectiveViewport(), MGLRect{});
  // Negative sizes are refused; the viewport stays.
  v.setViewport({1, 2, 3, 4});
  v.setViewport({0, 0, -1, 4});
  EXPECT_EQ(errorText(), "GL_INVALID_VALUE. Width and height cannot be negative");
  EXPECT_EQ(v.viewport(), (MGLRect{1, 2, 3, 4}));
  // The depth range reaches Metal unchanged, clamped to [0, 1].
  v.setDepthRange(0.2f, 0.8f);
  EXPECT_EQ(v.mtlViewport().znear, 0.2f);
  EXPECT_EQ(v.mtlViewport().zfar, 0.8f);
  v.setDepthRange(-1.0f, 2.0f);
  EXPECT_EQ(v.depthNear(), 0.0f);
  EXPECT_EQ(v.depthFar(), 1.0f);
}

TEST_F(EncoderStateTest, ScissorBoxesFlipAndABoxOffTheSurfaceDrawsNothing) {
  MGLScissorState& s = *context->scissorState();
  // An unset box follows the surface.
  s.setSurfaceRect({0, 0, 100, 50});
  EXPECT_EQ(s.scissorRect(), (MGLRect{0, 0, 100, 50}));
  // Off: the whole render target, whatever the box.
  s.setScissorRect({10, 10, 5, 5});
  mtl::ScissorRect r = s.mtlScissorRect(100, 50);
  EXPECT_EQ(r.width, 100u);
  EXPECT_EQ(r.height, 50u);
  s.setShouldCropToScissorRect(true);
  r = s.mtlScissorRect(100, 50);
  EXPECT_EQ(r.x, 10u);
  EXPECT_EQ(r.y, 35u);  // 50 - 5 - 10
  EXPECT_EQ(r.width, 5u);
  EXPECT_EQ(r.height, 5u);
  // Partly off the surface: cut.
  s.setScissorRect({90, 40, 50, 50});
  r = s.mtlScissorRect(100, 50);
  EXPECT_EQ(r.x, 90u);
  EXPECT_EQ(r.y, 0u);
  EXPECT_EQ(r.width, 10u);
  EXPECT_EQ(r.height, 10u);
  // Wholly off: an empty box, not a stray pixel.
  s.setScissorRect({200, 200, 10, 10});
  r = s.mtlScissorRect(100, 50);
  EXPECT_EQ(r.width * r.height, 0u);
  // A surface larger than the render target never puts the box outside it.
  s.setSurfaceRect({0, 0, 400, 400});
  s.setScissorRect({300, 0, 100, 400});
  r = s.mtlScissorRect(100, 50);
  EXPECT_LE(r.x + r.width, 100u);
  EXPECT_LE(r.y + r.height, 50u);
  s.setScissorRect({0, 0, 10, -1});
  EXPECT_EQ(errorCode(), GL_INVALID_VALUE);
}

TEST_F(EncoderStateTest, RefusedCullingAndWindingModesKeepThePreviousOnes) {
  MGLFaceCullingState& cull = *context->faceCullingState();
  cull.setFaceCullingMode(GL_FRONT);
  cull.setFaceCullingMode(GL_FRONT_AND_BACK);
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. GL_FRONT_AND_BACK is not a valid face culling mode under Metal. "
            "Metal does not support culling both front and back faces.");
  cull.setFaceCullingMode(GL_CW);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. GL_CW is not a valid face culling mode");
  EXPECT_EQ(cull.faceCullingMode(), GL_FRONT);
  EXPECT_EQ(cull.mtlCullMode(), mtl::CullMode::None);  // culling is off
  cull.setShouldCullFaces(true);
  EXPECT_EQ(cull.mtlCullMode(), mtl::CullMode::Front);
  MGLFrontFaceWindingState& winding = *context->frontFaceWindingState();
  EXPECT_EQ(winding.mtlWinding(), mtl::Winding::CounterClockwise);
  winding.setFrontFaceWinding(GL_CW);
  winding.setFrontFaceWinding(GL_BACK);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. GL_BACK is not a valid winding mode");
  EXPECT_EQ(winding.mtlWinding(), mtl::Winding::Clockwise);
}

TEST_F(EncoderStateTest, ChangedStatesReachTheEncoderOnlyOnce) {
  readyToDraw(kTriangle, 40, 20);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  device->commandLog().clear();
  context->blendColorState()->setBlendColor(0.5f, 0.25f, 0, 1);
  context->blendColorState()->setBlendColor(0.5f, 0.25f, 0, 1);
  context->frontFaceWindingState()->setFrontFaceWinding(GL_CW);
  context->viewportState()->setViewport({0, 5, 20, 10});
  context->scissorState()->setShouldCropToScissorRect(true);
  context->scissorState()->setScissorRect({1, 2, 3, 4});
  context->depthBiasState()->setShouldOffsetPolygons(true);
  context->depthBiasState()->setPolygonOffset(2.0f, 3.0f);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(count("setBlendColor 0.5 0.25 0 1"), 1u);
  EXPECT_EQ(count("setFrontFacingWinding 0"), 1u);
  EXPECT_EQ(count("setViewport 0 5 20 10 0 1"), 1u);
  EXPECT_EQ(count("setScissorRect 1 14 3 4"), 1u);
  EXPECT_EQ(count("setDepthBias 3 2 0"), 1u);  // units, then slope factor
  EXPECT_EQ(count("set") - count("setVertexBuffer"), 5u);
}

class DepthStencilStateTest : public RenderTest {};

TEST_F(DepthStencilStateTest, DepthTestsNeedADepthAttachment) {
  readyToDraw(kTriangle);
  MGLMutableDepthStencilState& ds = *context->depthStencilState();
  ds.setShouldTestDepth(true);
  ds.setDepthFunction(GL_LEQUAL);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(count("setDepthStencilState depth 7 write 0 stencil 0"), 1u);
  EXPECT_EQ(ds.stateData().depthCompareFunction, 7);
  // A framebuffer with depth: the next pass tests and writes.
  makeFramebuffer(64, 32, true);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(count("setDepthStencilState depth 3 write 1 stencil 0"), 1u);
  ASSERT_NE(ds.mtlDepthStencilState(), nullptr);
  EXPECT_EQ(ds.mtlDepthStencilState()->descriptor().depthCompareFunction,
            mtl::CompareFunction::LessEqual);
  // Writes off; an unchanged value does nothing.
  ds.setShouldWriteDepth(false);
  ds.setShouldWriteDepth(false);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(count("setDepthStencilState depth 3 write 0 stencil 0"), 1u);
  // A refused function changes nothing.
  ds.setDepthFunction(GL_ONE);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. GL_ONE is not a valid OpenGL compare function");
  EXPECT_EQ(ds.depthFunction(), GL_LEQUAL);
  EXPECT_EQ(context->depthStencilStateCache()->madeCount(), 3u);
}

TEST_F(DepthStencilStateTest, StencilNeedsAStencilAttachmentAndKeysItsFaces) {
  readyToDraw(kTriangle);
  MGLMutableDepthStencilState& ds = *context->depthStencilState();
  ds.setShouldTestStencil(true);
  ds.setStencilFunction(GL_FRONT_AND_BACK, GL_EQUAL, 5, 0xFF);
  ds.setStencilOperations(GL_BACK, GL_KEEP, GL_INCR, GL_REPLACE);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(ds.stateData().stencilEnabled, 0);
  EXPECT_EQ(count("setStencilReferenceValues 0 0"), 1u);
  makeFramebuffer(64, 32, false, true);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(ds.stateData().stencilEnabled, 1);
  EXPECT_EQ(count("setStencilReferenceValues 5 5"), 1u);
  const mtl::DepthStencilDescriptor& d = ds.mtlDepthStencilState()->descriptor();
  EXPECT_EQ(d.frontFaceStencil.stencilCompareFunction, mtl::CompareFunction::Equal);
  EXPECT_EQ(d.frontFaceStencil.depthStencilPassOperation, mtl::StencilOperation::Keep);
  EXPECT_EQ(d.backFaceStencil.depthStencilPassOperation, mtl::StencilOperation::Replace);
  EXPECT_EQ(d.backFaceStencil.depthFailureOperation, mtl::StencilOperation::IncrementClamp);
  EXPECT_EQ(d.backFaceStencil.readMask, 0xFFu);
  // Two states that differ only in a face record are different states.
  const auto first = ds.mtlDepthStencilState();
  ds.setStencilWriteMask(GL_FRONT, 0x0F);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_NE(ds.mtlDepthStencilState(), first);
  ds.setStencilWriteMask(GL_FRONT, 0xFFFFFFFFu);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(ds.mtlDepthStencilState(), first);  // found again in the cache
  ds.setStencilOperations(GL_CW, GL_KEEP, GL_KEEP, GL_KEEP);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. GL_CW is not a valid stencil face.");
  ds.setStencilOperations(GL_FRONT, GL_KEEP, GL_NEVER, GL_KEEP);
  EXPECT_EQ(errorCode(), GL_INVALID_ENUM);
  EXPECT_EQ(ds.frontFaceStencilState().depthFailOperation(), GL_KEEP);
}

TEST_F(DepthStencilStateTest, ANewEncoderGetsTheStateAgain) {
  readyToDraw(kTriangle);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(count("setDepthStencilState"), 1u);
  renderer().endEncoding();
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(count("setDepthStencilState"), 2u);
  EXPECT_EQ(context->depthStencilStateCache()->count(), 1u);
}

class SamplerStateTest : public RenderTest {
 protected:
  MGLRef<MGLMutableSamplerState> sampler = mglMake<MGLMutableSamplerState>(16);
};

TEST_F(SamplerStateTest, GLParametersBecomeMetalFiltersAndModes) {
  const MGLSamplerKey defaults = sampler->stateData();
  EXPECT_EQ(defaults.minFilter, 0);  // nearest
  EXPECT_EQ(defaults.mipFilter, 2);  // linear: GL_NEAREST_MIPMAP_LINEAR
  EXPECT_EQ(defaults.magFilter, 1);
  EXPECT_EQ(defaults.sAddressMode, 2);  // repeat
  EXPECT_EQ(defaults.lodMaxClamp, 1000);
  const auto first = sampler->mtlSamplerState();
  ASSERT_NE(first, nullptr);
  sampler->setParameter(GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  const mtl::SamplerDescriptor& d = sampler->mtlSamplerState()->descriptor();
  EXPECT_EQ(d.minFilter, mtl::SamplerMinMagFilter::Linear);
  EXPECT_EQ(d.mipFilter, mtl::SamplerMipFilter::Linear);
  EXPECT_EQ(context->samplerStateCache()->count(), 2u);
  // The same value again does nothing.
  sampler->setParameter(GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  EXPECT_FALSE(sampler->isDirty());
  sampler->setParameter(GL_TEXTURE_WRAP_T, GL_MIRRORED_REPEAT);
  EXPECT_EQ(sampler->mtlSamplerState()->descriptor().tAddressMode,
            mtl::SamplerAddressMode::MirrorRepeat);
  // Back to the defaults: the first Metal sampler, from the cache.
  sampler->setParameter(GL_TEXTURE_MIN_FILTER, GL_NEAREST_MIPMAP_LINEAR);
  sampler->setParameter(GL_TEXTURE_WRAP_T, GL_REPEAT);
  EXPECT_EQ(sampler->mtlSamplerState(), first);
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(SamplerStateTest, RefusedValuesChangeNothing) {
  sampler->setParameter(GL_TEXTURE_WRAP_S, GL_LINEAR);
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. GL_LINEAR is not a valid value for texture parameter "
            "GL_TEXTURE_WRAP_S.");
  EXPECT_EQ(sampler->getParameter(GL_TEXTURE_WRAP_S), static_cast<GLint>(GL_REPEAT));
  sampler->setParameter(GL_TEXTURE_MAG_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  EXPECT_EQ(errorCode(), GL_INVALID_ENUM);
  sampler->setParameter(GL_TEXTURE_MAX_LEVEL_APPLE, -1);
  EXPECT_EQ(errorText(),
            "GL_INVALID_VALUE. The value of texture parameter GL_TEXTURE_MAX_LEVEL_APPLE cannot "
            "be negative. -1 is not a valid value.");
  sampler->setParameter(GL_TEXTURE_MAX_ANISOTROPY_EXT, 0);
  EXPECT_EQ(errorText(),
            "GL_INVALID_VALUE. The value of texture parameter GL_TEXTURE_MAX_ANISOTROPY_EXT "
            "cannot be less than 1. 0 is not a valid value.");
  sampler->setParameter(GL_TEXTURE_2D, 0);
  EXPECT_EQ(errorText(), "GL_INVALID_ENUM. GL_TEXTURE_2D is not a valid texture parameter name.");
  EXPECT_EQ(sampler->getParameter(GL_TEXTURE_2D), -1);
  EXPECT_EQ(errorCode(), GL_INVALID_ENUM);
  EXPECT_EQ(std::memcmp(&sampler->stateData(), &MGLMutableSamplerState(16).stateData(), 8), 0);
  // Bounded values: the platform's anisotropy, 16 bits of level.
  sampler->setParameter(GL_TEXTURE_MAX_ANISOTROPY_EXT, 64);
  EXPECT_EQ(sampler->getParameter(GL_TEXTURE_MAX_ANISOTROPY_EXT), 16);
  sampler->setParameter(GL_TEXTURE_MAX_LEVEL_APPLE, 1 << 20);
  EXPECT_EQ(sampler->getParameter(GL_TEXTURE_MAX_LEVEL_APPLE), 65535);
  // Compare mode and function are kept for queries only.
  sampler->setParameter(GL_TEXTURE_COMPARE_FUNC_EXT, GL_GEQUAL);
  EXPECT_EQ(sampler->getParameter(GL_TEXTURE_COMPARE_FUNC_EXT), static_cast<GLint>(GL_GEQUAL));
  EXPECT_EQ(errorCode(), 0u);
}

// The key's hash is computed from all of its bytes, so sampler states
// spread over the cache's buckets instead of sharing one.
TEST_F(SamplerStateTest, StatesSpreadOverTheCachesBuckets) {
  const GLint filters[] = {GL_NEAREST, GL_LINEAR, GL_NEAREST_MIPMAP_NEAREST,
                           GL_LINEAR_MIPMAP_NEAREST, GL_NEAREST_MIPMAP_LINEAR,
                           GL_LINEAR_MIPMAP_LINEAR};
  const GLint wraps[] = {GL_REPEAT, GL_MIRRORED_REPEAT, GL_CLAMP_TO_EDGE};
  std::set<std::uint64_t> buckets;
  std::set<const mtl::SamplerState*> states;
  for (GLint filter : filters) {
    for (GLint s : wraps) {
      for (GLint t : wraps) {
        MGLMutableSamplerState state(16);
        state.setParameter(GL_TEXTURE_MIN_FILTER, filter);
        state.setParameter(GL_TEXTURE_WRAP_S, s);
        state.setParameter(GL_TEXTURE_WRAP_T, t);
        states.insert(state.mtlSamplerState().get());
        buckets.insert(state.hash() & 63);
      }
    }
  }
  EXPECT_EQ(states.size(), 54u);
  EXPECT_EQ(context->samplerStateCache()->count(), 54u);
  EXPECT_GE(buckets.size(), 30u);  // 54 keys over 64 buckets
}

class PipelineStateTest : public RenderTest {
 protected:
  MGLMutableRenderPipelineState& pipeline() { return *context->renderPipelineState(); }
  MGLRenderPipelineStateCache& cache() { return *context->renderPipelineStateCache(); }
};

TEST_F(PipelineStateTest, BlendChangesFindEarlierStatesInTheCache) {
  readyToDraw(kTriangle);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(cache().madeCount(), 1u);
  pipeline().setShouldBlend(true);
  pipeline().setBlendFunc(GL_SRC_ALPHA, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  const mtl::RenderPipelineColorAttachmentDescriptor& c =
      pipeline().mtlPipelineState()->descriptor().colorAttachments[0];
  EXPECT_TRUE(c.blendingEnabled);
  EXPECT_EQ(c.sourceRGBBlendFactor, mtl::BlendFactor::SourceAlpha);
  EXPECT_EQ(c.destinationAlphaBlendFactor, mtl::BlendFactor::OneMinusSourceAlpha);
  pipeline().setBlendEquation(GL_MAX_EXT, GL_FUNC_ADD);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(pipeline().mtlPipelineState()->descriptor().colorAttachments[0].rgbBlendOperation,
            mtl::BlendOperation::Max);
  EXPECT_EQ(cache().madeCount(), 3u);
  // Back to the earlier states: found, not made.
  pipeline().setBlendEquation(GL_FUNC_ADD, GL_FUNC_ADD);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  pipeline().setShouldBlend(false);
  pipeline().setBlendFunc(GL_ONE, GL_ONE, GL_ZERO, GL_ZERO);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(cache().madeCount(), 3u);
  EXPECT_EQ(count("setRenderPipelineState"), 5u);
  // A refused factor changes nothing.
  pipeline().setBlendFunc(GL_ONE, GL_ONE, GL_SRC_ALPHA_SATURATE, GL_ZERO);
  EXPECT_EQ(errorText(),
            "GL_INVALID_ENUM. GL_SRC_ALPHA_SATURATE is not a valid OpenGL destination blend "
            "function");
  EXPECT_EQ(pipeline().dstRGBBlendFunc(), GL_ZERO);
  pipeline().setBlendEquation(0x8009, GL_FUNC_ADD);
  EXPECT_EQ(errorCode(), GL_INVALID_ENUM);
  EXPECT_EQ(pipeline().rgbBlendEquation(), GL_FUNC_ADD);
}

TEST_F(PipelineStateTest, PipelinesTakeTheVertexLayoutAndTheAttachments) {
  readyToDraw(kTriangle);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  const mtl::RenderPipelineDescriptor& d = pipeline().mtlPipelineState()->descriptor();
  EXPECT_EQ(d.colorAttachments[0].pixelFormat, mtl::PixelFormat::RGBA8Unorm);
  EXPECT_EQ(d.depthAttachmentPixelFormat, mtl::PixelFormat::Invalid);
  ASSERT_TRUE(d.vertexDescriptor.has_value());
  EXPECT_EQ(d.vertexDescriptor->attributes[0].format, mtl::VertexFormat::Float2);
  EXPECT_EQ(d.vertexDescriptor->attributes[0].bufferIndex, 1u);
  EXPECT_EQ(d.vertexDescriptor->layouts[1].stride, 8u);
  EXPECT_NE(d.fragmentFunction, nullptr);
  // Without a colour attachment nothing reads the fragment function.
  const GLID name = context->framebuffers()->generateGLID();
  context->bindDrawFramebuffer(name);
  const GLID r = context->renderbuffers()->generateGLID();
  auto* depth = static_cast<MGLRenderbuffer*>(context->renderbuffers()->getObjectWithGLID(r));
  depth->generateStorageWithPixelFormat(GL_DEPTH_COMPONENT32_OES, 8, 8, 0, *context);
  context->currentDrawFramebuffer()->attach(depth, GL_DEPTH_ATTACHMENT, *context);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(errorCode(), 0u);
  const mtl::RenderPipelineDescriptor& depthOnly = pipeline().mtlPipelineState()->descriptor();
  EXPECT_EQ(depthOnly.fragmentFunction, nullptr);
  EXPECT_EQ(depthOnly.colorAttachments[0].pixelFormat, mtl::PixelFormat::Invalid);
  EXPECT_EQ(depthOnly.depthAttachmentPixelFormat, mtl::PixelFormat::Depth32Float);
}

// The key and its hash leave the vertex layout to the spec records: two
// states that differ only there must not share a pipeline.
TEST_F(PipelineStateTest, StatesThatDifferOnlyInTheirVertexLayoutAreDifferentPipelines) {
  const float data[64] = {};
  makeFramebuffer(8, 8);
  program = useProgram({{0, 0}, {1, 1}});
  MGLVertexArrayObject& vertices = *pipeline().vertexArrayObject();
  vertices.bindVertices(data, 2, GL_FLOAT, 12, false, 0);
  vertices.bindVertices(data + 32, 2, GL_FLOAT, 8, false, 1);
  vertices.setShouldUsePerVertexContent(true, 0);
  vertices.setShouldUsePerVertexContent(true, 1);
  renderer().drawPrimitives(GL_POINTS, 0, 2, 1);
  auto descriptor = [&] { return *pipeline().mtlPipelineState()->descriptor().vertexDescriptor; };
  EXPECT_EQ(descriptor().attributes[0].format, mtl::VertexFormat::Float2);
  // Only an attribute's format differs.
  vertices.bindVertices(data, 3, GL_FLOAT, 12, false, 0);
  renderer().drawPrimitives(GL_POINTS, 0, 2, 1);
  EXPECT_EQ(descriptor().attributes[0].format, mtl::VertexFormat::Float3);
  // Only the second slot's stride differs.
  vertices.bindVertices(data + 32, 2, GL_FLOAT, 16, false, 1);
  renderer().drawPrimitives(GL_POINTS, 0, 2, 1);
  EXPECT_EQ(descriptor().layouts[2].stride, 16u);
  EXPECT_EQ(cache().madeCount(), 3u);
  EXPECT_EQ(errorCode(), 0u);
}

TEST_F(PipelineStateTest, ProgramsMustBeLinkedAndRelinkingDropsTheirStates) {
  readyToDraw(kTriangle);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  FakeProgram* first = program;
  FakeProgram* second = useProgram({{0, 0}});
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(cache().count(), 2u);
  EXPECT_FALSE(second->rendered);  // told at use that it must bind everything
  // An unlinked program is refused and the current one stays.
  first->linked = false;
  pipeline().setShaderProgram(first);
  EXPECT_EQ(errorText(),
            "GL_INVALID_OPERATION. Cannot use shader program 1 as it has not been successfully "
            "linked.");
  EXPECT_EQ(pipeline().shaderProgram(), second);
  // Relinking the current program drops its states and the next draw
  // makes a new one.
  const auto before = pipeline().mtlPipelineState();
  cache().linkShaderProgram(second->glID());
  EXPECT_EQ(cache().count(), 1u);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_NE(pipeline().mtlPipelineState(), before);
  EXPECT_EQ(cache().count(), 2u);
  cache().linkShaderProgram(first->glID());
  EXPECT_EQ(cache().count(), 1u);
}

struct RecordingLinker : MGLStaticRenderPipelineState, MGLShaderProgramLinking {
  RecordingLinker() : MGLStaticRenderPipelineState(MGLRenderPipelineKey{}, nullptr, 0, nullptr, 0) {}
  void linkShaderProgram(GLID glID) override { linked.push_back(glID); }
  std::vector<GLID> linked;
};

TEST_F(PipelineStateTest, LinkingGoesThroughTheInstalledLinker) {
  MGLRef<RecordingLinker> linker = mglMake<RecordingLinker>();
  cache().setShaderProgramLinker(linker);
  cache().linkShaderProgram(0);  // the default program is never linked
  cache().linkShaderProgram(7);
  EXPECT_EQ(linker->linked, std::vector<GLID>{7});
  EXPECT_EQ(linker->mtlPipelineState(), nullptr);
  EXPECT_EQ(linker->renderPipelineDescriptor().colorAttachments[0].pixelFormat,
            mtl::PixelFormat::Invalid);
}

// A program's cached states go with it: a later program given its name
// must not draw with its pipeline.
TEST_F(PipelineStateTest, ADeletedProgramsStatesAreDropped) {
  readyToDraw(kTriangle);
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  const GLID name = program->glID();
  FakeProgram* other = useProgram({{0, 0}});
  renderer().drawPrimitives(GL_TRIANGLES, 0, 3, 1);
  EXPECT_EQ(cache().count(), 2u);
  // Deleted (the store lets go) while not in use: it goes, and so do its states.
  context->shaderPrograms()->sharegroupObjectStore()->removeObjectWithGLID(name);
  EXPECT_EQ(cache().count(), 1u);
  EXPECT_EQ(pipeline().shaderProgram(), other);
}

}  // namespace
