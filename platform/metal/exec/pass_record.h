// What a render encoder records for the GPU: the pass, and each draw with
// a snapshot of the state it was recorded with. Buffers and textures are
// held, not copied: the GPU reads them when the command buffer runs.
// Inline bytes (setVertexBytes) are copied at the draw.
//
// Records come from a pool and go back to it when the GPU is done with
// them, keeping their capacity, so that an encoder recording the same
// frame again allocates nothing.
//
// Thread rules: the encoding thread fills a record, then the GPU timeline
// reads it; the pool's lock guards only its free list.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/metal/render_pass.h"
#include "platform/metal/states.h"
#include "platform/metal/texture_operations.h"

namespace mtl {
class Buffer;
class Texture;
class SamplerState;
}  // namespace mtl

namespace mtl::exec {

// A buffer argument: a buffer at an offset, or inline bytes in the
// record's byte store.
struct BufferSlot {
  std::uint32_t slot = 0;
  std::shared_ptr<Buffer> buffer;
  std::uint64_t offset = 0;
  std::uint64_t length = 0;  // of inline bytes
};
struct TextureSlot {
  std::uint32_t slot = 0;
  std::shared_ptr<Texture> texture;
};
struct SamplerSlot {
  std::uint32_t slot = 0;
  std::shared_ptr<SamplerState> sampler;
};

// Ranges of a stage's resources in the record's lists.
struct StageSnapshot {
  std::uint32_t firstBuffer = 0, bufferCount = 0;
  std::uint32_t firstTexture = 0, textureCount = 0;
  std::uint32_t firstSampler = 0, samplerCount = 0;
};

// The state a draw was recorded with.
struct DrawState {
  std::shared_ptr<RenderPipelineState> pipeline;
  std::shared_ptr<DepthStencilState> depthStencil;
  Viewport viewport;
  ScissorRect scissor;
  CullMode cullMode = CullMode::None;
  Winding winding = Winding::Clockwise;
  std::array<float, 4> blendColor{0, 0, 0, 0};
  float depthBias = 0, depthSlopeScale = 0, depthBiasClamp = 0;
  std::uint32_t stencilFrontReference = 0, stencilBackReference = 0;
  VisibilityResultMode visibilityMode = VisibilityResultMode::Disabled;
  NSUInteger visibilityOffset = 0;
  StageSnapshot vertex, fragment;
};

struct DrawCall {
  std::uint32_t state = 0;  // index into PassRecord::states
  PrimitiveType type = PrimitiveType::Triangle;
  std::uint64_t vertexStart = 0;
  std::uint64_t vertexCount = 0;  // vertices, or indices of an indexed draw
  std::uint64_t instanceCount = 1;
  bool indexed = false;
  IndexType indexType = IndexType::UInt16;
  std::shared_ptr<Buffer> indexBuffer;
  std::uint64_t indexOffset = 0;
};

struct PassRecord {
  RenderPassDescriptor pass;
  std::uint64_t width = 0, height = 0, sampleCount = 1;
  std::vector<DrawState> states;
  std::vector<DrawCall> draws;
  std::vector<BufferSlot> buffers;
  std::vector<TextureSlot> textures;
  std::vector<SamplerSlot> samplers;
  std::vector<std::uint8_t> bytes;
  // Offsets the pass selected for visibility results, with their modes.
  std::vector<std::pair<NSUInteger, VisibilityResultMode>> visibilityOffsets;
  // The attachments' Clear load actions, done before anything is drawn.
  std::vector<LevelClear> clears;

  // Drops what it holds and keeps its capacity.
  void clear();
};

class PassRecordPool : public std::enable_shared_from_this<PassRecordPool> {
 public:
  // An empty record that returns to the pool when the last holder lets go.
  std::shared_ptr<PassRecord> acquire();

 private:
  void release(PassRecord* record);

  std::mutex mutex_;
  std::vector<std::unique_ptr<PassRecord>> free_;
};

}  // namespace mtl::exec
