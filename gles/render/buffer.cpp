#include "gles/render/buffer.h"

#include <cstring>
#include <limits>
#include <new>

#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"
#include "gles/context/platform.h"
#include "platform/metal/buffer.h"
#include "platform/metal/device.h"
#include "platform/metal/validation.h"

namespace {

constexpr GLbitfield kMapRead = 1, kMapWrite = 2;

bool isUsage(GLenum usage) {
  return usage == GL_STREAM_DRAW || usage == GL_STATIC_DRAW || usage == GL_DYNAMIC_DRAW;
}

}  // namespace

MGLBuffer::MGLBuffer(GLID glID) : MGLGLObjectBase(glID, MGLObjectKind::Buffer, "MGLBuffer") {}

void MGLBuffer::setData(const void* bytes, GLsizeiptr size, GLenum usage) {
  if (size < 0) {
    mglSetError(GL_INVALID_VALUE, "Buffer size may not be negative.");
    return;
  }
  if (!isUsage(usage)) {
    mglSetError(GL_INVALID_ENUM, "%@ is not a valid buffer usage value.", {mglGLEnumName(usage)});
    return;
  }
  const auto length = static_cast<std::uint64_t>(size);
  std::shared_ptr<mtl::Buffer> storage;
  if (length <= std::numeric_limits<std::uint64_t>::max() - kHeadroom) {
    try {
      storage = mglSharedMTLDevice()->newBuffer(length + kHeadroom, mtl::ResourceStorageModeShared);
    } catch (const mtl::ValidationError&) {
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
  }
  if (!storage) {
    mglSetError(GL_OUT_OF_MEMORY, "Could not allocate %lld bytes for buffer %u.",
                {static_cast<long long>(size), glID()});
    return;
  }
  if (bytes && length > 0) std::memcpy(storage->contents(), bytes, length);
  storage->setLabel(label());
  // Commands already encoded keep the old storage alive; a map pointer
  // into it would now point at storage nobody reads.
  mapAccess_ = 0;
  mapOffset_ = mapLength_ = 0;
  usage_ = usage;
  mtlBuffer_ = std::move(storage);
  bufferSize_ = size;
}

void MGLBuffer::updateWithData(const void* bytes, GLsizeiptr size, GLintptr offset,
                               MGLRenderer& renderer) {
  if (size < 0) {
    mglSetError(GL_INVALID_VALUE, "Buffer size, %li, may not be negative.", {static_cast<long>(size)});
    return;
  }
  if (offset < 0) {
    mglSetError(GL_INVALID_VALUE, "Buffer offset, %li, may not be negative.",
                {static_cast<long>(offset)});
    return;
  }
  if (!mtlBuffer_) {
    mglSetError(GL_INVALID_OPERATION, "Buffer %i has no contents.", {glID()});
    return;
  }
  if (offset > bufferSize_ || size > bufferSize_ - offset) {
    mglSetError(GL_INVALID_VALUE, "Buffer udpate attempted beyond buffer length %li.",
                {static_cast<long>(bufferSize_)});
    return;
  }
  if (!updateBuffer_) updateBuffer_ = mglMake<MGLUpdateBuffer>();
  updateBuffer_->copy(static_cast<std::uint64_t>(size), bytes, mtlBuffer_,
                      static_cast<std::uint64_t>(offset), renderer);
}

void* MGLBuffer::mapWithAccessPolicy(GLenum access) {
  switch (access) {
    case GL_READ_ONLY_ARB: return mapRange(0, bufferSize_, kMapRead);
    case GL_WRITE_ONLY_OES: return mapRange(0, bufferSize_, kMapWrite);
    case GL_READ_WRITE_ARB: return mapRange(0, bufferSize_, kMapRead | kMapWrite);
    default:
      mglSetError(GL_INVALID_ENUM, "%@ is not a valid buffer mapping access policy value.",
                  {mglGLEnumName(access)});
      return nullptr;
  }
}

bool MGLBuffer::hasNoContent() const {
  if (mtlBuffer_) return false;
  mglSetError(GL_INVALID_OPERATION, "Buffer %u has no content.", {glID()});
  return true;
}

void* MGLBuffer::mapRange(GLintptr offset, GLsizeiptr length, GLbitfield access) {
  if (hasNoContent()) return nullptr;
  if (isMapped()) {
    mglSetError(GL_INVALID_OPERATION, "Buffer %u is already mapped.", {glID()});
    return nullptr;
  }
  if (offset < 0 || length < 0) {
    mglSetError(GL_INVALID_VALUE, "Buffer %u cannot be mapped to negative offset or length.",
                {glID()});
    return nullptr;
  }
  if (offset > bufferSize_ || length > bufferSize_ - offset) {
    mglSetError(GL_INVALID_VALUE, "Buffer %u cannot be mapped beyond the buffer size.", {glID()});
    return nullptr;
  }
  if (length == 0) {
    mglSetError(GL_INVALID_OPERATION, "Buffer %u cannot be mapped to zero length.", {glID()});
    return nullptr;
  }
  if ((access & (kMapRead | kMapWrite)) == 0) {
    mglSetError(GL_INVALID_OPERATION,
                "Buffer %u cannot be mapped without GL_MAP_READ_BIT_EXT or GL_MAP_WRITE_BIT_EXT "
                "access.",
                {glID()});
    return nullptr;
  }
  mapOffset_ = offset;
  mapLength_ = length;
  mapAccess_ = access & (kMapRead | kMapWrite);
  return static_cast<std::uint8_t*>(mtlBuffer_->contents()) + offset;
}

void MGLBuffer::flushRange(GLintptr offset, GLsizeiptr length) {
  if (hasNoContent()) return;
  if (offset < 0 || length < 0) {
    mglSetError(GL_INVALID_VALUE, "Buffer %u cannot be flushed with negative offset or length.",
                {glID()});
  } else if (offset > bufferSize_ || length > bufferSize_ - offset) {
    mglSetError(GL_INVALID_VALUE, "Buffer %u cannot be flushed beyond the buffer size.", {glID()});
  } else if (length == 0) {
    mglSetError(GL_INVALID_OPERATION, "Buffer %u cannot be mapped to zero length.", {glID()});
  }
}

bool MGLBuffer::unmap() {
  if (!isMapped()) {
    mglSetError(GL_INVALID_OPERATION, "Buffer %u is not mapped.", {glID()});
    return false;
  }
  mapOffset_ = mapLength_ = 0;
  mapAccess_ = 0;
  return true;
}

void* MGLBuffer::mapPointer() const {
  if (!isMapped() || !mtlBuffer_) return nullptr;
  return static_cast<std::uint8_t*>(mtlBuffer_->contents()) + mapOffset_;
}

GLenum MGLBuffer::mapAccessPolicy() const {
  switch (mapAccess_) {
    case kMapRead | kMapWrite: return GL_READ_WRITE_ARB;
    case kMapRead: return GL_READ_ONLY_ARB;
    case kMapWrite: return GL_WRITE_ONLY_OES;
    default: return 0;
  }
}

GLint MGLBuffer::getParameter(GLenum pname) const {
  switch (pname) {
    case GL_BUFFER_SIZE:
      // A size beyond 32 bits saturates rather than wrapping negative.
      return bufferSize_ > std::numeric_limits<GLint>::max() ? std::numeric_limits<GLint>::max()
                                                              : static_cast<GLint>(bufferSize_);
    case GL_BUFFER_USAGE: return static_cast<GLint>(usage_);
    case GL_BUFFER_ACCESS_OES: return static_cast<GLint>(mapAccessPolicy());
    case GL_BUFFER_MAPPED_OES: return isMapped() ? 1 : 0;
    default:
      mglSetError(GL_INVALID_ENUM, "%@ is not a valid buffer parameter name.",
                  {mglGLEnumName(pname)});
      return -1;
  }
}

void* MGLBuffer::getPointer(GLenum pname) const {
  if (pname == GL_BUFFER_MAP_POINTER_OES) return mapPointer();
  mglSetError(GL_INVALID_ENUM, "%@ is not a valid buffer pointer parameter name.",
              {mglGLEnumName(pname)});
  return nullptr;
}

void MGLBuffer::setLabel(std::string label) {
  if (mtlBuffer_) mtlBuffer_->setLabel(label);
  MGLGLObjectBase::setLabel(std::move(label));
}
