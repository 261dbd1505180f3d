// A render pass: validates the attachments, carries out load actions when
// the pass begins and store and resolve actions when it ends, and records
// and validates state changes and draws.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/metal/command_encoder.h"
#include "platform/metal/render_pass.h"
#include "platform/metal/states.h"

namespace mtl {

class Buffer;
class SamplerState;
class Texture;
namespace exec {
struct PassRecord;
}

// A buffer argument: a buffer and offset, or bytes copied at bind time.
struct BufferBinding {
  std::shared_ptr<Buffer> buffer;
  NSUInteger offset = 0;
  std::vector<std::uint8_t> bytes;
  bool bound() const { return buffer != nullptr || !bytes.empty(); }
};

// The arguments of one shader stage.
struct StageBindings {
  std::array<BufferBinding, kMaxBufferBindings> buffers{};
  std::array<std::shared_ptr<Texture>, kMaxTextureBindings> textures{};
  std::array<std::shared_ptr<SamplerState>, kMaxSamplerBindings> samplers{};
};

// Everything a draw depends on, as set so far in the pass.
struct RenderState {
  std::shared_ptr<RenderPipelineState> pipeline;
  std::shared_ptr<DepthStencilState> depthStencil;
  StageBindings vertex;
  StageBindings fragment;
  Viewport viewport;
  ScissorRect scissor;
  CullMode cullMode = CullMode::None;
  Winding winding = Winding::Clockwise;
  std::array<float, 4> blendColor{0, 0, 0, 0};
  float depthBias = 0, depthSlopeScale = 0, depthBiasClamp = 0;
  std::uint32_t stencilFrontReference = 0, stencilBackReference = 0;
  VisibilityResultMode visibilityMode = VisibilityResultMode::Disabled;
  NSUInteger visibilityOffset = 0;
};

class RenderCommandEncoder : public CommandEncoder {
 public:
  void setRenderPipelineState(std::shared_ptr<RenderPipelineState> state);
  void setDepthStencilState(std::shared_ptr<DepthStencilState> state);

  void setVertexBuffer(std::shared_ptr<Buffer> buffer, NSUInteger offset, NSUInteger index);
  void setVertexBufferOffset(NSUInteger offset, NSUInteger index);
  void setVertexBytes(const void* bytes, NSUInteger length, NSUInteger index);
  void setFragmentBuffer(std::shared_ptr<Buffer> buffer, NSUInteger offset, NSUInteger index);
  void setFragmentBufferOffset(NSUInteger offset, NSUInteger index);
  void setFragmentBytes(const void* bytes, NSUInteger length, NSUInteger index);
  void setVertexTexture(std::shared_ptr<Texture> texture, NSUInteger index);
  void setFragmentTexture(std::shared_ptr<Texture> texture, NSUInteger index);
  void setVertexSamplerState(std::shared_ptr<SamplerState> sampler, NSUInteger index);
  void setFragmentSamplerState(std::shared_ptr<SamplerState> sampler, NSUInteger index);

  void setBlendColor(float red, float green, float blue, float alpha);
  void setCullMode(CullMode mode);
  void setFrontFacingWinding(Winding winding);
  void setViewport(const Viewport& viewport);
  void setScissorRect(const ScissorRect& rect);
  void setDepthBias(float depthBias, float slopeScale, float clamp);
  void setStencilReferenceValue(std::uint32_t value);
  void setStencilReferenceValues(std::uint32_t front, std::uint32_t back);
  void setVisibilityResultMode(VisibilityResultMode mode, NSUInteger offset);

  void drawPrimitives(PrimitiveType type, NSUInteger vertexStart, NSUInteger vertexCount,
                      NSUInteger instanceCount = 1);
  void drawIndexedPrimitives(PrimitiveType type, NSUInteger indexCount, IndexType indexType,
                             std::shared_ptr<Buffer> indexBuffer, NSUInteger indexBufferOffset,
                             NSUInteger instanceCount = 1);

  const RenderPassDescriptor& pass() const { return pass_; }
  const RenderState& state() const { return state_; }
  // Size of the attachments, which every attachment shares.
  NSUInteger renderTargetWidth() const { return width_; }
  NSUInteger renderTargetHeight() const { return height_; }

 private:
  friend class CommandBuffer;
  RenderCommandEncoder(std::shared_ptr<CommandBuffer> buffer, const RenderPassDescriptor& pass);

  void validatePass();
  void recordLoadActions();
  void finishEncoding() override;
  void validateDraw(const char* operation) const;
  void validateResources(const char* operation) const;
  // The index of the draw state snapshot for the next draw (made anew
  // after any state change).
  std::uint32_t snapshot();
  void changed() { snapshotValid_ = false; }
  void bindBuffer(StageBindings& stage, const char* stageName, std::shared_ptr<Buffer> buffer,
                  NSUInteger offset, NSUInteger index);
  void bindBytes(StageBindings& stage, const char* stageName, const void* bytes,
                 NSUInteger length, NSUInteger index);
  void setBufferOffset(StageBindings& stage, const char* stageName, NSUInteger offset,
                       NSUInteger index);

  RenderPassDescriptor pass_;
  RenderState state_;
  NSUInteger width_ = 0;
  NSUInteger height_ = 0;
  NSUInteger sampleCount_ = 1;
  std::shared_ptr<exec::PassRecord> record_;
  bool snapshotValid_ = false;
};

}  // namespace mtl
