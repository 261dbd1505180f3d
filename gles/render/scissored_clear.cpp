#include "gles/render/scissored_clear.h"

#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"
#include "gles/context/platform.h"
#include "platform/metal/device.h"
#include "platform/metal/library.h"
#include "platform/metal/render_encoder.h"
#include "platform/metal/states.h"

namespace {

// The rectangle over the whole target (clipped to the box by the scissor
// test) at the clear depth, in the clear colour.
constexpr const char* kClearSource = R"(#include <metal_stdlib>
using namespace metal;
struct ClearIn { float2 corner [[attribute(0)]]; };
struct ClearOut { float4 position [[position]]; };
struct ClearColor { float4 color [[color(0)]]; };
vertex ClearOut clearVertex(ClearIn in [[stage_in]], constant float& depth [[buffer(0)]]) {
  ClearOut out = {};
  out.position = float4(in.corner, depth, 1.0);
  return out;
}
fragment ClearColor clearFragment(constant float4& color [[buffer(0)]]) {
  ClearColor out = {};
  out.color = color;
  return out;
}
)";

// Corners of a triangle strip over clip space, in buffer 1 (buffer 0 holds
// the clear values).
constexpr float kCorners[8] = {-1, -1, 1, -1, -1, 1, 1, 1};
constexpr mtl::NSUInteger kCornerBuffer = 1;

}  // namespace

const std::shared_ptr<mtl::RenderPipelineState>& MGLScissoredClear::pipeline(
    const MGLClearTarget& target, bool writeColor) {
  std::shared_ptr<mtl::RenderPipelineState>& made =
      pipelines_[{target.color, target.depth, target.stencil, target.sampleCount, writeColor}];
  if (made) return made;
  std::optional<mtl::Error> error;
  if (!library_) library_ = mglSharedMTLDevice()->newLibraryWithSource(kClearSource, {}, &error);
  if (library_) {
    mtl::RenderPipelineDescriptor d;
    d.label = "scissored clear";
    d.vertexFunction = library_->newFunctionWithName("clearVertex");
    d.fragmentFunction = library_->newFunctionWithName("clearFragment");
    mtl::VertexDescriptor corners;
    corners.attributes[0] = {mtl::VertexFormat::Float2, 0, kCornerBuffer};
    corners.layouts[kCornerBuffer].stride = 2 * sizeof(float);
    d.vertexDescriptor = corners;
    d.colorAttachments[0].pixelFormat = target.color;
    d.colorAttachments[0].writeMask = writeColor ? mtl::ColorWriteMaskAll : mtl::ColorWriteMaskNone;
    d.depthAttachmentPixelFormat = target.depth;
    d.stencilAttachmentPixelFormat = target.stencil;
    d.sampleCount = target.sampleCount;
    made = mglSharedMTLDevice()->newRenderPipelineState(d, mtl::PipelineOptionNone, nullptr, &error);
  }
  if (!made) {
    mglSetError(GL_OUT_OF_MEMORY, "The scissored clear could not be prepared: %@",
                {error ? error->localizedDescription : std::string("(no error)")});
  }
  return made;
}

const std::shared_ptr<mtl::DepthStencilState>& MGLScissoredClear::depthStencil(bool depth,
                                                                              bool stencil) {
  std::shared_ptr<mtl::DepthStencilState>& made = depthStencils_[{depth, stencil}];
  if (made) return made;
  mtl::DepthStencilDescriptor d;
  d.label = "scissored clear";
  d.depthCompareFunction = mtl::CompareFunction::Always;
  d.depthWriteEnabled = depth;
  if (stencil) {
    d.frontFaceStencil.depthStencilPassOperation = mtl::StencilOperation::Replace;
    d.backFaceStencil = d.frontFaceStencil;
  }
  made = mglSharedMTLDevice()->newDepthStencilState(d);
  return made;
}

bool MGLScissoredClear::draw(mtl::RenderCommandEncoder& encoder, const MGLClearTarget& target,
                             const MGLClearValues& values, const mtl::ScissorRect& box) {
  const bool color = (values.mask & GL_COLOR_BUFFER_BIT) && target.color != mtl::PixelFormat::Invalid;
  const bool depth = (values.mask & GL_DEPTH_BUFFER_BIT) && target.depth != mtl::PixelFormat::Invalid;
  const bool stencil =
      (values.mask & GL_STENCIL_BUFFER_BIT) && target.stencil != mtl::PixelFormat::Invalid;
  if (!color && !depth && !stencil) return true;
  const std::shared_ptr<mtl::RenderPipelineState>& state = pipeline(target, color);
  if (!state) return false;
  encoder.setRenderPipelineState(state);
  encoder.setDepthStencilState(depthStencil(depth, stencil));
  encoder.setStencilReferenceValue(values.stencil);
  encoder.setCullMode(mtl::CullMode::None);
  encoder.setDepthBias(0, 0, 0);
  encoder.setVisibilityResultMode(mtl::VisibilityResultMode::Disabled, 0);
  encoder.setViewport({0, 0, static_cast<double>(encoder.renderTargetWidth()),
                       static_cast<double>(encoder.renderTargetHeight()), 0, 1});
  encoder.setScissorRect(box);
  encoder.setVertexBytes(&values.depth, sizeof values.depth, 0);
  encoder.setVertexBytes(kCorners, sizeof kCorners, kCornerBuffer);
  encoder.setFragmentBytes(values.color, sizeof values.color, 0);
  encoder.drawPrimitives(mtl::PrimitiveType::TriangleStrip, 0, 4);
  return true;
}
