#include "platform/metal/render_encoder.h"

#include <cstring>
#include <string>

#include "platform/metal/buffer.h"
#include "platform/metal/command_buffer.h"
#include "platform/metal/enum_names.h"
#include "platform/metal/texture.h"
#include "platform/metal/texture_operations.h"
#include "platform/metal/validation.h"

namespace mtl {
namespace {

constexpr NSUInteger kMaxInlineBytes = 4096;

// "color0".."color7", "depth" or "stencil", without allocating.
struct AttachmentName {
  int index;
};

void appendPart(std::string& text, AttachmentName name) {
  if (name.index < 0) {
    text += name.index == -1 ? "depth" : "stencil";
  } else {
    text += "color";
    mtl::appendPart(text, name.index);
  }
}

bool resolves(StoreAction action) {
  return action == StoreAction::MultisampleResolve ||
         action == StoreAction::StoreAndMultisampleResolve;
}

// Calls f(name, attachment) for every attachment that has a texture;
// depth is index -1 and stencil -2.
template <typename F>
void forEachAttachment(const RenderPassDescriptor& pass, F&& f) {
  for (std::size_t i = 0; i < pass.colorAttachments.size(); ++i) {
    if (pass.colorAttachments[i].texture) f(static_cast<int>(i), pass.colorAttachments[i]);
  }
  if (pass.depthAttachment.texture) f(-1, pass.depthAttachment);
  if (pass.stencilAttachment.texture) f(-2, pass.stencilAttachment);
}

PixelFormat formatOf(const RenderPassAttachmentDescriptor& a) {
  return a.texture ? a.texture->pixelFormat() : PixelFormat::Invalid;
}

}  // namespace

RenderCommandEncoder::RenderCommandEncoder(std::shared_ptr<CommandBuffer> buffer,
                                           const RenderPassDescriptor& pass)
    : CommandEncoder(buffer), pass_(pass) {
  try {
    validatePass();
  } catch (...) {
    this->buffer().endEncoder(this);
    throw;
  }
  log("renderCommandEncoder ", width_, "x", height_, " samples=", sampleCount_);
  scheduleLoadActions();
}

void RenderCommandEncoder::validatePass() {
  bool first = true;
  forEachAttachment(pass_, [&](int index, const RenderPassAttachmentDescriptor& a) {
    const char* const where = "Render pass attachment ";
    const AttachmentName name{index};
    const Texture& t = *a.texture;
    require(t.usage() & TextureUsageRenderTarget,
            where, name, " texture was not created with render-target usage");
    require(a.level < t.mipmapLevelCount() && a.slice < t.sliceCount(),
            where, name, " level or slice lies outside its texture");
    const PixelFormatInfo& info = t.formatInfo();
    if (index >= 0) {
      require(!info.hasDepth && !info.hasStencil, where, name, " needs a color pixel format");
    } else if (index == -1) {
      require(info.hasDepth, where, name, " needs a pixel format with depth");
    } else {
      require(info.hasStencil, where, name, " needs a pixel format with stencil");
    }
    const NSUInteger w = t.levelWidth(a.level), h = t.levelHeight(a.level);
    if (first) {
      width_ = w;
      height_ = h;
      sampleCount_ = t.sampleCount();
      first = false;
    }
    require(w == width_ && h == height_, where, name, " differs in size from the other attachments");
    require(t.sampleCount() == sampleCount_,
            where, name, " differs in sample count from the other attachments");
    if (resolves(a.storeAction)) {
      require(t.sampleCount() > 1, where, name, " resolves but is not multisampled");
      require(a.resolveTexture != nullptr, where, name, " resolves without a resolve texture");
      const Texture& r = *a.resolveTexture;
      require(r.sampleCount() == 1 && r.pixelFormat() == t.pixelFormat(),
              where, name, " resolve texture must be single-sampled and of the same format");
      require(a.resolveLevel < r.mipmapLevelCount() && a.resolveSlice < r.sliceCount() &&
                  r.levelWidth(a.resolveLevel) == w && r.levelHeight(a.resolveLevel) == h,
              where, name, " resolve texture differs in size");
    }
  });
  require(!first, "A render pass needs at least one attachment");
  state_.viewport = {0, 0, static_cast<double>(width_), static_cast<double>(height_), 0, 1};
  state_.scissor = {0, 0, width_, height_};
}

void RenderCommandEncoder::scheduleLoadActions() {
  forEachAttachment(pass_, [&](int index, const RenderPassAttachmentDescriptor& a) {
    if (a.loadAction != LoadAction::Clear) return;
    std::shared_ptr<Texture> texture = a.texture;
    const NSUInteger slice = a.slice, level = a.level;
    if (index >= 0) {
      const ClearColor c = pass_.colorAttachments[index].clearColor;
      log("clear ", AttachmentName{index}, " ", Numbers{c.red, c.green, c.blue, c.alpha});
      buffer().addWork([=] { clearColor(*texture, slice, level, c); });
    } else if (index == -1) {
      const double depth = pass_.depthAttachment.clearDepth;
      log("clear depth ", Numbers{depth});
      buffer().addWork([=] { clearDepth(*texture, slice, level, depth); });
    } else {
      const std::uint32_t stencil = pass_.stencilAttachment.clearStencil;
      log("clear stencil ", stencil);
      buffer().addWork([=] { clearStencil(*texture, slice, level, stencil); });
    }
  });
}

void RenderCommandEncoder::finishEncoding() {
  forEachAttachment(pass_, [&](int index, const RenderPassAttachmentDescriptor& a) {
    if (!resolves(a.storeAction)) return;
    log("resolve ", AttachmentName{index});
    buffer().addWork([a] {
      resolveSamples(*a.texture, a.slice, a.level, *a.resolveTexture, a.resolveSlice,
                     a.resolveLevel);
    });
  });
}

void RenderCommandEncoder::setRenderPipelineState(std::shared_ptr<RenderPipelineState> state) {
  requireOpen("setRenderPipelineState");
  require(state != nullptr, "setRenderPipelineState needs a state");
  log("setRenderPipelineState ", state->label());
  state_.pipeline = std::move(state);
}

void RenderCommandEncoder::setDepthStencilState(std::shared_ptr<DepthStencilState> state) {
  requireOpen("setDepthStencilState");
  if (state) {
    log("setDepthStencilState ", state->label());
  } else {
    log("setDepthStencilState none");
  }
  state_.depthStencil = std::move(state);
}

void RenderCommandEncoder::bindBuffer(StageBindings& stage, const char* stageName,
                                      std::shared_ptr<Buffer> buffer, NSUInteger offset,
                                      NSUInteger index) {
  requireOpen("setBuffer");
  require(index < kMaxBufferBindings, "Buffer index is out of range");
  require(!buffer || offset < buffer->length(), "Buffer offset lies outside the buffer");
  log("set", stageName, "Buffer index=", index, " offset=", offset, buffer ? "" : " none");
  stage.buffers[index] = {std::move(buffer), offset, {}};
}

void RenderCommandEncoder::bindBytes(StageBindings& stage, const char* stageName,
                                     const void* bytes, NSUInteger length, NSUInteger index) {
  requireOpen("setBytes");
  require(index < kMaxBufferBindings, "Buffer index is out of range");
  require(bytes != nullptr && length > 0 && length <= kMaxInlineBytes,
          "setBytes takes between 1 and 4096 bytes");
  log("set", stageName, "Bytes index=", index, " length=", length);
  const auto* p = static_cast<const std::uint8_t*>(bytes);
  stage.buffers[index] = {nullptr, 0, std::vector<std::uint8_t>(p, p + length)};
}

void RenderCommandEncoder::setBufferOffset(StageBindings& stage, const char* stageName,
                                           NSUInteger offset, NSUInteger index) {
  requireOpen("setBufferOffset");
  require(index < kMaxBufferBindings && stage.buffers[index].buffer,
          "setBufferOffset needs a bound buffer");
  require(offset < stage.buffers[index].buffer->length(), "Buffer offset lies outside the buffer");
  log("set", stageName, "BufferOffset index=", index, " offset=", offset);
  stage.buffers[index].offset = offset;
}

void RenderCommandEncoder::setVertexBuffer(std::shared_ptr<Buffer> buffer, NSUInteger offset,
                                           NSUInteger index) {
  bindBuffer(state_.vertex, "Vertex", std::move(buffer), offset, index);
}
void RenderCommandEncoder::setVertexBufferOffset(NSUInteger offset, NSUInteger index) {
  setBufferOffset(state_.vertex, "Vertex", offset, index);
}
void RenderCommandEncoder::setVertexBytes(const void* bytes, NSUInteger length, NSUInteger index) {
  bindBytes(state_.vertex, "Vertex", bytes, length, index);
}
void RenderCommandEncoder::setFragmentBuffer(std::shared_ptr<Buffer> buffer, NSUInteger offset,
                                             NSUInteger index) {
  bindBuffer(state_.fragment, "Fragment", std::move(buffer), offset, index);
}
void RenderCommandEncoder::setFragmentBufferOffset(NSUInteger offset, NSUInteger index) {
  setBufferOffset(state_.fragment, "Fragment", offset, index);
}
void RenderCommandEncoder::setFragmentBytes(const void* bytes, NSUInteger length,
                                            NSUInteger index) {
  bindBytes(state_.fragment, "Fragment", bytes, length, index);
}

void RenderCommandEncoder::setVertexTexture(std::shared_ptr<Texture> texture, NSUInteger index) {
  requireOpen("setVertexTexture");
  require(index < kMaxTextureBindings, "Texture index is out of range");
  log("setVertexTexture index=", index);
  state_.vertex.textures[index] = std::move(texture);
}

void RenderCommandEncoder::setFragmentTexture(std::shared_ptr<Texture> texture,
                                              NSUInteger index) {
  requireOpen("setFragmentTexture");
  require(index < kMaxTextureBindings, "Texture index is out of range");
  log("setFragmentTexture index=", index);
  state_.fragment.textures[index] = std::move(texture);
}

void RenderCommandEncoder::setVertexSamplerState(std::shared_ptr<SamplerState> sampler,
                                                 NSUInteger index) {
  requireOpen("setVertexSamplerState");
  require(index < kMaxSamplerBindings, "Sampler index is out of range");
  log("setVertexSamplerState index=", index);
  state_.vertex.samplers[index] = std::move(sampler);
}

void RenderCommandEncoder::setFragmentSamplerState(std::shared_ptr<SamplerState> sampler,
                                                   NSUInteger index) {
  requireOpen("setFragmentSamplerState");
  require(index < kMaxSamplerBindings, "Sampler index is out of range");
  log("setFragmentSamplerState index=", index);
  state_.fragment.samplers[index] = std::move(sampler);
}

void RenderCommandEncoder::setBlendColor(float red, float green, float blue, float alpha) {
  requireOpen("setBlendColor");
  log("setBlendColor ", Numbers{red, green, blue, alpha});
  state_.blendColor = {red, green, blue, alpha};
}

void RenderCommandEncoder::setCullMode(CullMode mode) {
  requireOpen("setCullMode");
  log("setCullMode ", static_cast<NSUInteger>(mode));
  state_.cullMode = mode;
}

void RenderCommandEncoder::setFrontFacingWinding(Winding winding) {
  requireOpen("setFrontFacingWinding");
  log("setFrontFacingWinding ", static_cast<NSUInteger>(winding));
  state_.winding = winding;
}

void RenderCommandEncoder::setViewport(const Viewport& v) {
  requireOpen("setViewport");
  log("setViewport ", Numbers{v.originX, v.originY, v.width, v.height, v.znear, v.zfar});
  state_.viewport = v;
}

void RenderCommandEncoder::setScissorRect(const ScissorRect& r) {
  requireOpen("setScissorRect");
  require(r.x <= width_ && r.width <= width_ - r.x && r.y <= height_ && r.height <= height_ - r.y,
          "Scissor rectangle lies outside the render target");
  log("setScissorRect ", Numbers{static_cast<double>(r.x), static_cast<double>(r.y),
                                 static_cast<double>(r.width), static_cast<double>(r.height)});
  state_.scissor = r;
}

void RenderCommandEncoder::setDepthBias(float depthBias, float slopeScale, float clamp) {
  requireOpen("setDepthBias");
  log("setDepthBias ", Numbers{depthBias, slopeScale, clamp});
  state_.depthBias = depthBias;
  state_.depthSlopeScale = slopeScale;
  state_.depthBiasClamp = clamp;
}

void RenderCommandEncoder::setStencilReferenceValue(std::uint32_t value) {
  setStencilReferenceValues(value, value);
}

void RenderCommandEncoder::setStencilReferenceValues(std::uint32_t front, std::uint32_t back) {
  requireOpen("setStencilReferenceValue");
  log("setStencilReferenceValues ", front, " ", back);
  state_.stencilFrontReference = front;
  state_.stencilBackReference = back;
}

void RenderCommandEncoder::setVisibilityResultMode(VisibilityResultMode mode, NSUInteger offset) {
  requireOpen("setVisibilityResultMode");
  if (mode != VisibilityResultMode::Disabled) {
    const auto& results = pass_.visibilityResultBuffer;
    require(results != nullptr, "Visibility results need a visibility result buffer in the pass");
    require(offset % 8 == 0 && offset <= results->length() && results->length() - offset >= 8,
            "Visibility result offset must be a multiple of 8 inside the buffer");
  }
  log("setVisibilityResultMode ", static_cast<NSUInteger>(mode), " offset=", offset);
  state_.visibilityMode = mode;
  state_.visibilityOffset = offset;
}

void RenderCommandEncoder::validateDraw(const char* operation) const {
  requireOpen(operation);
  const char* const what = operation;
  require(state_.pipeline != nullptr, what, " without a render pipeline state");
  const RenderPipelineDescriptor& p = state_.pipeline->descriptor();
  for (std::size_t i = 0; i < kMaxColorAttachments; ++i) {
    require(p.colorAttachments[i].pixelFormat == formatOf(pass_.colorAttachments[i]),
            what, ": the pipeline's color", i, " pixel format differs from the attachment's");
  }
  require(p.depthAttachmentPixelFormat == formatOf(pass_.depthAttachment),
          what, ": the pipeline's depth pixel format differs from the attachment's");
  require(p.stencilAttachmentPixelFormat == formatOf(pass_.stencilAttachment),
          what, ": the pipeline's stencil pixel format differs from the attachment's");
  require(p.sampleCount == sampleCount_,
          what, ": the pipeline's sample count differs from the attachments'");
  if (p.vertexDescriptor) {
    for (const VertexAttributeDescriptor& a : p.vertexDescriptor->attributes) {
      if (a.format == VertexFormat::Invalid) continue;
      require(a.bufferIndex < kMaxBufferBindings && state_.vertex.buffers[a.bufferIndex].bound(),
              what, ": vertex buffer ", a.bufferIndex, " of the vertex descriptor is not bound");
    }
  }
}

void RenderCommandEncoder::drawPrimitives(PrimitiveType type, NSUInteger vertexStart,
                                          NSUInteger vertexCount, NSUInteger instanceCount) {
  validateDraw("drawPrimitives");
  log("drawPrimitives ", name(type), " start=", vertexStart, " count=", vertexCount,
      " instances=", instanceCount);
}

void RenderCommandEncoder::drawIndexedPrimitives(PrimitiveType type, NSUInteger indexCount,
                                                 IndexType indexType,
                                                 std::shared_ptr<Buffer> indexBuffer,
                                                 NSUInteger indexBufferOffset,
                                                 NSUInteger instanceCount) {
  validateDraw("drawIndexedPrimitives");
  require(indexBuffer != nullptr, "drawIndexedPrimitives needs an index buffer");
  const NSUInteger size = indexType == IndexType::UInt16 ? 2 : 4;
  require(indexBufferOffset % size == 0, "Index buffer offset is not aligned to the index size");
  require(indexBufferOffset <= indexBuffer->length() &&
              indexCount <= (indexBuffer->length() - indexBufferOffset) / size,
          "The indices run past the end of the index buffer");
  log("drawIndexedPrimitives ", name(type), " count=", indexCount, " type=", name(indexType),
      " offset=", indexBufferOffset, " instances=", instanceCount);
}

}  // namespace mtl
