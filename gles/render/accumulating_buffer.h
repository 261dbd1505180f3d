// Per-frame pools of shared Metal buffers into which client data is appended
// draw after draw: vertex arrays, indices, uniform blocks and staged buffer
// updates. Each draw binds its own segment, so what an earlier draw of the
// frame reads is never overwritten; the pool entry is chosen by the
// renderer's frame index, and the renderer's frame slots keep the GPU off an
// entry before it is written again.
//
// Thread rules: used only by the thread of the owning context. The only
// failure is an allocation the device refuses: it records GL_OUT_OF_MEMORY
// and the writing calls answer null.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gles/context/gl_types.h"
#include "gles/context/object.h"
#include "gles/render/renderable.h"

namespace mtl {
class Buffer;
}

class MGLRenderer;

class MGLAccumulatingBuffer : public MGLObject {
 public:
  // Bytes allocated beyond the usable length of every Metal buffer, so a
  // two-component read of a one-component attribute stays inside.
  static constexpr std::uint64_t kHeadroom = 256;
  static constexpr std::uint64_t kMinimumExpansion = 512;

  explicit MGLAccumulatingBuffer(std::uint64_t byteAlignment = 4,
                                 const char* className = "MGLAccumulatingBuffer");
  const char* className() const override { return className_; }

  // The per-write entry point: `length` bytes from `bytes` (or reserved when
  // null) at `offset` in the current segment. The first write of a frame
  // starts at the beginning of that frame's entry; the first write after a
  // bind starts a new segment.
  std::uint8_t* set(std::uint64_t length, const void* bytes, std::uint64_t offset,
                    MGLRenderer& renderer);
  // Moves the buffer onto the renderer's frame before its segment is bound
  // again without a write: a segment of an earlier frame (or one made
  // before any frame) lies in an entry that a later write of this or a
  // coming frame restarts from its beginning while a draw may still read
  // it. The values move along (for blocks that carry them).
  void useCurrentFrame(MGLRenderer& renderer);
  // Writes into the current segment, growing the buffer when needed.
  std::uint8_t* copy(std::uint64_t length, const void* bytes, std::uint64_t offset);
  // Starts a new segment after the data written so far.
  virtual void push();
  // Switches to the pool entry of a frame, from its beginning.
  virtual void setMtlBufferPoolIndex(std::uint64_t index);
  // Replaces the current entry by one of `length` usable bytes that keeps
  // the current segment at its offset; false after GL_OUT_OF_MEMORY.
  bool resizeMTLBufferTo(std::uint64_t length);
  // A new shared buffer of `length` usable bytes plus the headroom.
  std::shared_ptr<mtl::Buffer> mtlBufferWithLength(std::uint64_t length) const;
  std::uint8_t* getDataAtOffset(std::uint64_t offset) const;

  void markRendered() { rendered_ = true; }
  bool isRendered() const { return rendered_; }

  const std::shared_ptr<mtl::Buffer>& mtlBuffer() const { return buffer_; }
  std::uint64_t mtlBufferOffset() const { return offset_; }
  std::uint64_t mtlBufferLength() const { return length_; }
  std::uint64_t mtlBufferContentLength() const { return contentLength_; }
  std::uint64_t mtlBufferPoolIndex() const { return poolIndex_; }
  std::uint64_t mtlBufferByteAlignment() const { return alignment_; }
  std::uint64_t minimumBufferExpansion() const { return minimumExpansion_; }
  // Pool entries made so far (null where a frame index was never used).
  std::size_t poolEntryCount() const { return pool_.size(); }
  const std::string& label() const { return label_; }
  void setLabel(std::string label) { label_ = std::move(label); }

 protected:
  void setMinimumBufferExpansion(std::uint64_t bytes) { minimumExpansion_ = bytes; }
  // Points the current-entry fields at `buffer` (or clears them).
  void useBuffer(std::shared_ptr<mtl::Buffer> buffer);

  std::vector<std::shared_ptr<mtl::Buffer>> pool_;
  std::shared_ptr<mtl::Buffer> buffer_;
  std::uint8_t* contents_ = nullptr;
  std::uint64_t length_ = 0;
  std::uint64_t offset_ = 0;
  std::uint64_t poolIndex_ = 0;
  std::uint64_t contentLength_ = 0;

 private:
  std::uint64_t poolFrame_ = ~std::uint64_t{0};  // the renderer's frame of the last switch
  const char* className_;
  const std::uint64_t alignment_;
  std::uint64_t minimumExpansion_ = kMinimumExpansion;
  std::string label_;
  bool rendered_ = false;
};

// Staging for sub-range updates of GL buffer objects: the bytes are staged in
// the frame's pool and copied into the target by a blit recorded in the
// command buffer, so draws recorded before the update read the old bytes.
class MGLUpdateBuffer : public MGLAccumulatingBuffer {
 public:
  MGLUpdateBuffer() : MGLAccumulatingBuffer(4, "MGLUpdateBuffer") {}
  // False after an error (recorded).
  bool copy(std::uint64_t length, const void* bytes, const std::shared_ptr<mtl::Buffer>& target,
            std::uint64_t targetOffset, MGLRenderer& renderer);
  using MGLAccumulatingBuffer::copy;
};

// Index data of indexed draws; bytes are widened to 16-bit indices, which
// Metal's index types require.
class MGLDynamicIndicesDrawBuffer : public MGLAccumulatingBuffer {
 public:
  MGLDynamicIndicesDrawBuffer() : MGLAccumulatingBuffer(4, "MGLDynamicIndicesDrawBuffer") {}
  // Writes `count` indices of `type` (GL_UNSIGNED_BYTE, _SHORT or _INT) and
  // answers the Metal buffer and offset they start at; false after an error.
  bool bind(std::uint32_t count, const void* indices, GLenum type, MGLRenderer& renderer,
            std::shared_ptr<mtl::Buffer>* buffer, std::uint64_t* offset);
};

// A pool bound to one Metal buffer argument slot.
class MGLRenderableBuffer : public MGLAccumulatingBuffer, public MGLRenderable {
 public:
  std::uint64_t bufferIndex() const { return bufferIndex_; }
  void renderTo(MGLRenderer&) override {}

 protected:
  MGLRenderableBuffer(std::uint64_t bufferIndex, std::uint64_t byteAlignment,
                      const char* className)
      : MGLAccumulatingBuffer(byteAlignment, className), bufferIndex_(bufferIndex) {}

 private:
  std::uint64_t bufferIndex_;
};

// Vertex content of client arrays and attribute constants.
class MGLDynamicDrawBuffer : public MGLRenderableBuffer {
 public:
  explicit MGLDynamicDrawBuffer(std::uint64_t bufferIndex)
      : MGLRenderableBuffer(bufferIndex, 4, "MGLDynamicDrawBuffer") {}
  // Copies `length` bytes into a new segment and binds it as the render
  // encoder's vertex buffer at the slot; answers the copy (for in-place
  // conversion) or null after an error.
  std::uint8_t* bindVertexContent(const void* bytes, std::uint64_t length,
                                  MGLRenderer& renderer);
};

// A fixed-size block whose latest values are carried into every new segment,
// so a draw that changes one uniform keeps the others.
class MGLConstantRenderableBuffer : public MGLRenderableBuffer {
 public:
  MGLConstantRenderableBuffer(std::uint64_t bufferIndex, std::uint64_t dataLength,
                              std::uint64_t byteAlignment = 4,
                              const char* className = "MGLConstantRenderableBuffer");
  std::uint64_t dataLength() const { return dataLength_; }
  void push() override;
  void setMtlBufferPoolIndex(std::uint64_t index) override;

 private:
  std::uint64_t dataLength_;
};

// A shader's uniform block: 16-byte aligned, its first block made at once.
class MGLShaderBuffer : public MGLConstantRenderableBuffer {
 protected:
  MGLShaderBuffer(std::uint64_t bufferIndex, std::uint64_t dataLength, const char* className);
};

class MGLShaderVertexBuffer : public MGLShaderBuffer {
 public:
  MGLShaderVertexBuffer(std::uint64_t bufferIndex, std::uint64_t dataLength)
      : MGLShaderBuffer(bufferIndex, dataLength, "MGLShaderVertexBuffer") {}
  void renderTo(MGLRenderer& renderer) override;
};

class MGLShaderFragmentBuffer : public MGLShaderBuffer {
 public:
  MGLShaderFragmentBuffer(std::uint64_t bufferIndex, std::uint64_t dataLength)
      : MGLShaderBuffer(bufferIndex, dataLength, "MGLShaderFragmentBuffer") {}
  void renderTo(MGLRenderer& renderer) override;
};
