#include "gles/render/accumulating_buffer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"
#include "gles/context/platform.h"
#include "gles/context/utilities.h"
#include "gles/render/renderer.h"
#include "platform/metal/blit_encoder.h"
#include "platform/metal/buffer.h"
#include "platform/metal/render_encoder.h"
#include "platform/metal/validation.h"

namespace {

void recordOutOfMemory(std::uint64_t length) {
  mglSetError(GL_OUT_OF_MEMORY, "Could not allocate a Metal buffer of %llu bytes.",
              {static_cast<unsigned long long>(length)});
}

}  // namespace

MGLAccumulatingBuffer::MGLAccumulatingBuffer(std::uint64_t byteAlignment, const char* className)
    : className_(className), alignment_(byteAlignment), label_(className + 1) {}

std::shared_ptr<mtl::Buffer> MGLAccumulatingBuffer::mtlBufferWithLength(std::uint64_t length) const {
  if (length > std::numeric_limits<std::uint64_t>::max() - kHeadroom) {
    recordOutOfMemory(length);
    return nullptr;
  }
  try {
    std::shared_ptr<mtl::Buffer> buffer =
        mglSharedMTLDevice()->newBuffer(length + kHeadroom, mtl::ResourceStorageModeShared);
    buffer->setLabel(label_);
    return buffer;
  } catch (const mtl::ValidationError&) {
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  recordOutOfMemory(length + kHeadroom);
  return nullptr;
}

void MGLAccumulatingBuffer::useBuffer(std::shared_ptr<mtl::Buffer> buffer) {
  buffer_ = std::move(buffer);
  contents_ = buffer_ ? static_cast<std::uint8_t*>(buffer_->contents()) : nullptr;
  length_ = buffer_ ? buffer_->length() - kHeadroom : 0;
}

std::uint8_t* MGLAccumulatingBuffer::set(std::uint64_t length, const void* bytes,
                                         std::uint64_t offset, MGLRenderer& renderer) {
  // Taking the frame's slot first keeps this write off an entry the GPU may
  // still read for the frame that used it a pool's length of presents ago.
  const std::uint32_t frame = renderer.frameIndexForWriting();
  const std::uint64_t serial = renderer.frameCount();
  if (frame != poolIndex_ || serial != poolFrame_ || !buffer_) {
    // A new frame starts at the beginning of its entry, even when the index
    // is the one written last (a pool of one, or a pool written only every
    // few frames), so the entry never grows without bound.
    poolFrame_ = serial;
    setMtlBufferPoolIndex(frame);
  } else if (rendered_) {
    push();
  }
  rendered_ = false;
  return copy(length, bytes, offset);
}

void MGLAccumulatingBuffer::useCurrentFrame(MGLRenderer& renderer) {
  if (buffer_ && poolFrame_ == renderer.frameCount()) return;
  set(0, nullptr, 0, renderer);
}

std::uint8_t* MGLAccumulatingBuffer::copy(std::uint64_t length, const void* bytes,
                                          std::uint64_t offset) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  if (offset > kMax - offset_ || length > kMax - offset_ - offset) {
    recordOutOfMemory(length);
    return nullptr;
  }
  const std::uint64_t end = offset_ + offset + length;
  contentLength_ = std::max(contentLength_, end);
  if (end > length_ || !contents_) {
    const auto grown = static_cast<std::uint64_t>(static_cast<double>(length_) * 1.5);
    const std::uint64_t least =
        offset_ > kMax - minimumExpansion_ ? kMax : offset_ + minimumExpansion_;
    if (!resizeMTLBufferTo(std::max({grown, least, end}))) return nullptr;
  }
  std::uint8_t* p = contents_ + offset_ + offset;
  if (bytes && length > 0) std::memcpy(p, bytes, length);
  return p;
}

void MGLAccumulatingBuffer::push() { offset_ = mglAlignToPowerOfTwo(contentLength_, alignment_); }

void MGLAccumulatingBuffer::setMtlBufferPoolIndex(std::uint64_t index) {
  poolIndex_ = index;
  if (pool_.size() <= index) pool_.resize(index + 1);
  if (!pool_[index]) pool_[index] = mtlBufferWithLength(std::max(length_, minimumExpansion_));
  useBuffer(pool_[index]);
  offset_ = 0;
  contentLength_ = 0;
}

bool MGLAccumulatingBuffer::resizeMTLBufferTo(std::uint64_t length) {
  std::shared_ptr<mtl::Buffer> grown = mtlBufferWithLength(length);
  if (!grown) return false;
  // The current segment keeps its offset; earlier segments stay in the old
  // buffer, which the commands that bound them keep alive.
  if (contents_ && offset_ < length_) {
    std::memcpy(static_cast<std::uint8_t*>(grown->contents()) + offset_, contents_ + offset_,
                std::min(length_, length) - offset_);
  }
  if (pool_.size() <= poolIndex_) pool_.resize(poolIndex_ + 1);
  pool_[poolIndex_] = grown;
  useBuffer(std::move(grown));
  return true;
}

std::uint8_t* MGLAccumulatingBuffer::getDataAtOffset(std::uint64_t offset) const {
  return contents_ ? contents_ + offset_ + offset : nullptr;
}

bool MGLUpdateBuffer::copy(std::uint64_t length, const void* bytes,
                           const std::shared_ptr<mtl::Buffer>& target, std::uint64_t targetOffset,
                           MGLRenderer& renderer) {
  if (length == 0) return true;
  if (!set(length, bytes, 0, renderer)) return false;
  mtl::BlitCommandEncoder* blit = renderer.blitCommandEncoder();
  if (!blit) return false;
  blit->copyFromBuffer(buffer_, offset_, target, targetOffset, length);
  markRendered();
  return true;
}

bool MGLDynamicIndicesDrawBuffer::bind(std::uint32_t count, const void* indices, GLenum type,
                                       MGLRenderer& renderer,
                                       std::shared_ptr<mtl::Buffer>* buffer,
                                       std::uint64_t* offset) {
  const std::uint64_t n = count;
  switch (type) {
    case GL_UNSIGNED_INT:
      if (!set(4 * n, indices, 0, renderer)) return false;
      break;
    case GL_UNSIGNED_SHORT:
      if (!set(2 * n, indices, 0, renderer)) return false;
      break;
    case GL_UNSIGNED_BYTE: {
      std::uint8_t* p = set(2 * n, nullptr, 0, renderer);
      if (!p) return false;
      const auto* bytes = static_cast<const std::uint8_t*>(indices);
      for (std::uint64_t i = 0; i < n; ++i) {
        const std::uint16_t widened = bytes[i];
        std::memcpy(p + 2 * i, &widened, 2);
      }
      break;
    }
    default:
      mglSetError(GL_INVALID_ENUM, "%@ is not a valid vertex index type.", {mglGLEnumName(type)});
      return false;
  }
  *buffer = buffer_;
  *offset = offset_;
  markRendered();
  return true;
}

std::uint8_t* MGLDynamicDrawBuffer::bindVertexContent(const void* bytes, std::uint64_t length,
                                                      MGLRenderer& renderer) {
  std::uint8_t* p = set(length, bytes, 0, renderer);
  if (!p) return nullptr;
  mtl::RenderCommandEncoder* encoder = renderer.renderCommandEncoder();
  if (!encoder) return nullptr;
  encoder->setVertexBuffer(buffer_, offset_, bufferIndex());
  markRendered();
  return p;
}

MGLConstantRenderableBuffer::MGLConstantRenderableBuffer(std::uint64_t bufferIndex,
                                                         std::uint64_t dataLength,
                                                         std::uint64_t byteAlignment,
                                                         const char* className)
    : MGLRenderableBuffer(bufferIndex, byteAlignment, className),
      dataLength_(mglAlignToPowerOfTwo(dataLength, byteAlignment)) {
  setMinimumBufferExpansion(4 * dataLength_);
}

void MGLConstantRenderableBuffer::push() {
  const std::uint64_t start = offset_;
  const std::uint64_t next = start + dataLength_;
  if (!contents_) {
    offset_ = next;
    return;
  }
  // The new block must fit before the latest values are carried into it.
  if (next + dataLength_ > length_) {
    const auto grown = static_cast<std::uint64_t>(static_cast<double>(length_) * 1.5);
    if (!resizeMTLBufferTo(std::max({grown, next + minimumBufferExpansion(), next + dataLength_})))
      return;
  }
  std::memcpy(contents_ + next, contents_ + start, dataLength_);
  offset_ = next;
}

void MGLConstantRenderableBuffer::setMtlBufferPoolIndex(std::uint64_t index) {
  const std::shared_ptr<mtl::Buffer> previous = buffer_;  // kept alive for the copy
  const std::uint8_t* latest =
      contents_ && offset_ + dataLength_ <= length_ ? contents_ + offset_ : nullptr;
  MGLRenderableBuffer::setMtlBufferPoolIndex(index);
  if (latest && contents_ && dataLength_ <= length_) {
    // The same entry again (a pool of one) overlaps the source.
    std::memmove(contents_, latest, dataLength_);
  }
}

MGLShaderBuffer::MGLShaderBuffer(std::uint64_t bufferIndex, std::uint64_t dataLength,
                                 const char* className)
    : MGLConstantRenderableBuffer(bufferIndex, dataLength, 16, className) {
  copy(this->dataLength(), nullptr, 0);
}

void MGLShaderVertexBuffer::renderTo(MGLRenderer& renderer) {
  useCurrentFrame(renderer);
  if (!buffer_) return;
  if (mtl::RenderCommandEncoder* encoder = renderer.renderCommandEncoder()) {
    encoder->setVertexBuffer(buffer_, offset_, bufferIndex());
    markRendered();
  }
}

void MGLShaderFragmentBuffer::renderTo(MGLRenderer& renderer) {
  useCurrentFrame(renderer);
  if (!buffer_) return;
  if (mtl::RenderCommandEncoder* encoder = renderer.renderCommandEncoder()) {
    encoder->setFragmentBuffer(buffer_, offset_, bufferIndex());
    markRendered();
  }
}
