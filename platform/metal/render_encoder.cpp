#include "platform/metal/render_encoder.h"

#include <cstring>
#include <string>

#include "platform/metal/buffer.h"
#include "platform/metal/command_buffer.h"
#include "platform/metal/device.h"
#include "platform/metal/enum_names.h"
#include "platform/metal/exec/fast_paths.h"
#include "platform/metal/exec/pass_executor.h"
#include "platform/metal/exec/pass_record.h"
#include "platform/metal/exec/pipeline_plan.h"
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
  record_ = device().passRecords().acquire();
  record_->pass = pass_;
  record_->width = width_;
  record_->height = height_;
  record_->sampleCount = sampleCount_;
  recordLoadActions();
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

void RenderCommandEncoder::recordLoadActions() {
  std::vector<LevelClear>& clears = record_->clears;
  forEachAttachment(pass_, [&](int index, const RenderPassAttachmentDescriptor& a) {
    if (a.loadAction != LoadAction::Clear) return;
    LevelClear c;
    c.texture = a.texture;
    c.slice = a.slice;
    c.level = a.level;
    if (index >= 0) {
      c.color = pass_.colorAttachments[index].clearColor;
      log("clear ", AttachmentName{index}, " ", Numbers{c.color.red, c.color.green, c.color.blue, c.color.alpha});
    } else if (index == -1) {
      c.aspect = LevelClear::Aspect::depth;
      c.depth = pass_.depthAttachment.clearDepth;
      log("clear depth ", Numbers{c.depth});
    } else {
      c.aspect = LevelClear::Aspect::stencil;
      c.stencil = pass_.stencilAttachment.clearStencil;
      log("clear stencil ", c.stencil);
    }
    clears.push_back(std::move(c));
  });
}

void RenderCommandEncoder::finishEncoding() {
  // The draws run between the load actions and the store actions; the
  // executor clears each tile as it comes to it.
  exec::Executor* executor = &device().executor();
  if (!record_->draws.empty() || !record_->visibilityOffsets.empty()) {
    buffer().addWork([executor, record = std::move(record_)] { executor->execute(*record); });
  } else if (!record_->clears.empty()) {
    // Load actions alone: the levels are filled when next wanted (or, the
    // general way, at once).
    buffer().addWork([executor, clears = std::move(record_->clears)] {
      const auto parallel = [executor](std::size_t count, const auto& job) { executor->runRanges(count, job); };
      if (exec::fastPathsEnabled()) {
        deferClears(clears, parallel);
      } else {
        clearLevels(clears, parallel);
      }
    });
  }
  record_.reset();
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
  changed();
}

void RenderCommandEncoder::setDepthStencilState(std::shared_ptr<DepthStencilState> state) {
  requireOpen("setDepthStencilState");
  if (state) {
    log("setDepthStencilState ", state->label());
  } else {
    log("setDepthStencilState none");
  }
  state_.depthStencil = std::move(state);
  changed();
}

void RenderCommandEncoder::bindBuffer(StageBindings& stage, const char* stageName,
                                      std::shared_ptr<Buffer> buffer, NSUInteger offset,
                                      NSUInteger index) {
  requireOpen("setBuffer");
  require(index < kMaxBufferBindings, "Buffer index is out of range");
  require(!buffer || offset < buffer->length(), "Buffer offset lies outside the buffer");
  log("set", stageName, "Buffer index=", index, " offset=", offset, buffer ? "" : " none");
  stage.buffers[index] = {std::move(buffer), offset, {}};
  changed();
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
  changed();
}

void RenderCommandEncoder::setBufferOffset(StageBindings& stage, const char* stageName,
                                           NSUInteger offset, NSUInteger index) {
  requireOpen("setBufferOffset");
  require(index < kMaxBufferBindings && stage.buffers[index].buffer,
          "setBufferOffset needs a bound buffer");
  require(offset < stage.buffers[index].buffer->length(), "Buffer offset lies outside the buffer");
  log("set", stageName, "BufferOffset index=", index, " offset=", offset);
  stage.buffers[index].offset = offset;
  changed();
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
  changed();
}

void RenderCommandEncoder::setFragmentTexture(std::shared_ptr<Texture> texture,
                                              NSUInteger index) {
  requireOpen("setFragmentTexture");
  require(index < kMaxTextureBindings, "Texture index is out of range");
  log("setFragmentTexture index=", index);
  state_.fragment.textures[index] = std::move(texture);
  changed();
}

void RenderCommandEncoder::setVertexSamplerState(std::shared_ptr<SamplerState> sampler,
                                                 NSUInteger index) {
  requireOpen("setVertexSamplerState");
  require(index < kMaxSamplerBindings, "Sampler index is out of range");
  log("setVertexSamplerState index=", index);
  state_.vertex.samplers[index] = std::move(sampler);
  changed();
}

void RenderCommandEncoder::setFragmentSamplerState(std::shared_ptr<SamplerState> sampler,
                                                   NSUInteger index) {
  requireOpen("setFragmentSamplerState");
  require(index < kMaxSamplerBindings, "Sampler index is out of range");
  log("setFragmentSamplerState index=", index);
  state_.fragment.samplers[index] = std::move(sampler);
  changed();
}

void RenderCommandEncoder::setBlendColor(float red, float green, float blue, float alpha) {
  requireOpen("setBlendColor");
  log("setBlendColor ", Numbers{red, green, blue, alpha});
  state_.blendColor = {red, green, blue, alpha};
  changed();
}

void RenderCommandEncoder::setCullMode(CullMode mode) {
  requireOpen("setCullMode");
  log("setCullMode ", static_cast<NSUInteger>(mode));
  state_.cullMode = mode;
  changed();
}

void RenderCommandEncoder::setFrontFacingWinding(Winding winding) {
  requireOpen("setFrontFacingWinding");
  log("setFrontFacingWinding ", static_cast<NSUInteger>(winding));
  state_.winding = winding;
  changed();
}

void RenderCommandEncoder::setViewport(const Viewport& v) {
  requireOpen("setViewport");
  log("setViewport ", Numbers{v.originX, v.originY, v.width, v.height, v.znear, v.zfar});
  state_.viewport = v;
  changed();
}

void RenderCommandEncoder::setScissorRect(const ScissorRect& r) {
  requireOpen("setScissorRect");
  require(r.x <= width_ && r.width <= width_ - r.x && r.y <= height_ && r.height <= height_ - r.y,
          "Scissor rectangle lies outside the render target");
  log("setScissorRect ", Numbers{static_cast<double>(r.x), static_cast<double>(r.y),
                                 static_cast<double>(r.width), static_cast<double>(r.height)});
  state_.scissor = r;
  changed();
}

void RenderCommandEncoder::setDepthBias(float depthBias, float slopeScale, float clamp) {
  requireOpen("setDepthBias");
  log("setDepthBias ", Numbers{depthBias, slopeScale, clamp});
  state_.depthBias = depthBias;
  state_.depthSlopeScale = slopeScale;
  state_.depthBiasClamp = clamp;
  changed();
}

void RenderCommandEncoder::setStencilReferenceValue(std::uint32_t value) {
  setStencilReferenceValues(value, value);
}

void RenderCommandEncoder::setStencilReferenceValues(std::uint32_t front, std::uint32_t back) {
  requireOpen("setStencilReferenceValue");
  log("setStencilReferenceValues ", front, " ", back);
  state_.stencilFrontReference = front;
  state_.stencilBackReference = back;
  changed();
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
  if (mode != VisibilityResultMode::Disabled) record_->visibilityOffsets.emplace_back(offset, mode);
  state_.visibilityMode = mode;
  state_.visibilityOffset = offset;
  changed();
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

namespace {

// Formats the executor cannot sample: compressed and 4:2:2.
bool sampleable(const PixelFormatInfo& info) {
  return info.kind != ComponentKind::Compressed && info.format != PixelFormat::GBGR422 &&
         info.format != PixelFormat::BGRG422 && (info.hasDepth || !info.hasStencil);
}

bool isAttachment(const RenderPassDescriptor& pass, const Texture* t) {
  for (const auto& a : pass.colorAttachments) {
    if (a.texture.get() == t || a.resolveTexture.get() == t) return true;
  }
  return pass.depthAttachment.texture.get() == t || pass.stencilAttachment.texture.get() == t ||
         pass.depthAttachment.resolveTexture.get() == t ||
         pass.stencilAttachment.resolveTexture.get() == t;
}

bool supportedAddressMode(SamplerAddressMode m) {
  return m == SamplerAddressMode::ClampToEdge || m == SamplerAddressMode::Repeat ||
         m == SamplerAddressMode::MirrorRepeat;
}

}  // namespace

void RenderCommandEncoder::validateResources(const char* operation) const {
  const exec::PipelinePlan& plan = *state_.pipeline->plan();
  auto check = [&](const exec::StagePlan& uses, const StageBindings& stage, const char* stageName) {
    for (const exec::SlotUse& b : uses.buffers) {
      require(stage.buffers[b.slot].bound(), operation, ": ", stageName, " buffer ", b.slot,
              " is used by the function but not bound");
    }
    for (const exec::SlotUse& u : uses.textures) {
      const Texture* t = stage.textures[u.slot].get();
      require(t != nullptr, operation, ": ", stageName, " texture ", u.slot,
              " is used by the function but not bound");
      require(t->textureType() == u.textureType, operation, ": ", stageName, " texture ", u.slot,
              " is not of the type the function declares");
      require(t->usage() == TextureUsageUnknown || (t->usage() & TextureUsageShaderRead),
              operation, ": ", stageName, " texture ", u.slot, " was not made for shader reads");
      require(!isAttachment(pass_, t), operation, ": ", stageName, " texture ", u.slot,
              " is also an attachment of the render pass");
      require(sampleable(t->formatInfo()), operation, ": ", stageName, " texture ", u.slot,
              " has a pixel format that cannot be sampled");
      require(!u.depth || t->formatInfo().hasDepth, operation, ": ", stageName, " texture ",
              u.slot, " is a depth texture argument without a depth pixel format");
    }
    for (const exec::SlotUse& u : uses.samplers) {
      const SamplerState* sampler = stage.samplers[u.slot].get();
      require(sampler != nullptr, operation, ": ", stageName, " sampler ", u.slot,
              " is used by the function but not bound");
      const SamplerDescriptor& d = sampler->descriptor();
      require(supportedAddressMode(d.sAddressMode) && supportedAddressMode(d.tAddressMode) &&
                  supportedAddressMode(d.rAddressMode),
              operation, ": ", stageName, " sampler ", u.slot,
              " has an address mode other than clamp to edge, repeat and mirrored repeat");
    }
  };
  check(plan.vertexStage(), state_.vertex, "vertex");
  if (plan.fragmentProgram()) check(plan.fragmentStage(), state_.fragment, "fragment");
}

std::uint32_t RenderCommandEncoder::snapshot() {
  exec::PassRecord& r = *record_;
  if (snapshotValid_ && !r.states.empty()) return static_cast<std::uint32_t>(r.states.size() - 1);
  const exec::PipelinePlan& plan = *state_.pipeline->plan();
  exec::DrawState& s = r.states.emplace_back();
  s.pipeline = state_.pipeline;
  s.depthStencil = state_.depthStencil;
  s.viewport = state_.viewport;
  s.scissor = state_.scissor;
  s.cullMode = state_.cullMode;
  s.winding = state_.winding;
  s.blendColor = state_.blendColor;
  s.depthBias = state_.depthBias;
  s.depthSlopeScale = state_.depthSlopeScale;
  s.depthBiasClamp = state_.depthBiasClamp;
  s.stencilFrontReference = state_.stencilFrontReference;
  s.stencilBackReference = state_.stencilBackReference;
  s.visibilityMode = state_.visibilityMode;
  s.visibilityOffset = state_.visibilityOffset;
  auto take = [&](const exec::StagePlan& uses, const StageBindings& stage, exec::StageSnapshot& snap) {
    snap.firstBuffer = static_cast<std::uint32_t>(r.buffers.size());
    for (const exec::SlotUse& u : uses.buffers) {
      const BufferBinding& b = stage.buffers[u.slot];
      exec::BufferSlot& slot = r.buffers.emplace_back();
      slot.slot = u.slot;
      if (b.buffer) {
        slot.buffer = b.buffer;
        slot.offset = b.offset;
      } else {
        slot.offset = r.bytes.size();
        slot.length = b.bytes.size();
        r.bytes.insert(r.bytes.end(), b.bytes.begin(), b.bytes.end());
      }
    }
    snap.bufferCount = static_cast<std::uint32_t>(r.buffers.size()) - snap.firstBuffer;
    snap.firstTexture = static_cast<std::uint32_t>(r.textures.size());
    for (const exec::SlotUse& u : uses.textures) r.textures.push_back({u.slot, stage.textures[u.slot]});
    snap.textureCount = static_cast<std::uint32_t>(r.textures.size()) - snap.firstTexture;
    snap.firstSampler = static_cast<std::uint32_t>(r.samplers.size());
    for (const exec::SlotUse& u : uses.samplers) r.samplers.push_back({u.slot, stage.samplers[u.slot]});
    snap.samplerCount = static_cast<std::uint32_t>(r.samplers.size()) - snap.firstSampler;
  };
  take(plan.vertexStage(), state_.vertex, s.vertex);
  if (plan.fragmentProgram()) take(plan.fragmentStage(), state_.fragment, s.fragment);
  snapshotValid_ = true;
  return static_cast<std::uint32_t>(r.states.size() - 1);
}

void RenderCommandEncoder::drawPrimitives(PrimitiveType type, NSUInteger vertexStart,
                                          NSUInteger vertexCount, NSUInteger instanceCount) {
  validateDraw("drawPrimitives");
  validateResources("drawPrimitives");
  log("drawPrimitives ", name(type), " start=", vertexStart, " count=", vertexCount,
      " instances=", instanceCount);
  if (vertexCount == 0 || instanceCount == 0) return;
  exec::DrawCall& call = record_->draws.emplace_back();
  call.state = snapshot();
  call.type = type;
  call.vertexStart = vertexStart;
  call.vertexCount = vertexCount;
  call.instanceCount = instanceCount;
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
  validateResources("drawIndexedPrimitives");
  log("drawIndexedPrimitives ", name(type), " count=", indexCount, " type=", name(indexType),
      " offset=", indexBufferOffset, " instances=", instanceCount);
  if (indexCount == 0 || instanceCount == 0) return;
  exec::DrawCall& call = record_->draws.emplace_back();
  call.state = snapshot();
  call.type = type;
  call.vertexCount = indexCount;
  call.instanceCount = instanceCount;
  call.indexed = true;
  call.indexType = indexType;
  call.indexBuffer = std::move(indexBuffer);
  call.indexOffset = indexBufferOffset;
}

}  // namespace mtl
