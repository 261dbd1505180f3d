// A GL buffer object (GL_ARRAY_BUFFER, GL_ELEMENT_ARRAY_BUFFER): one shared
// Metal buffer that draws bind in place, whole-buffer specification,
// sub-range updates staged through a per-frame pool and copied by a blit in
// command order, and the buffer-mapping calls.
//
// Thread rules: used by the thread of the context that holds it; the store
// of its sharegroup locks names, not the object.
#pragma once

#include <cstdint>
#include <memory>

#include "gles/context/gl_object.h"
#include "gles/render/accumulating_buffer.h"

namespace mtl {
class Buffer;
}

class MGLRenderer;

class MGLBuffer : public MGLGLObjectBase {
 public:
  static constexpr std::uint64_t kHeadroom = 256;

  explicit MGLBuffer(GLID glID);
  static MGLGLObjectBase* create(GLID glID) { return new MGLBuffer(glID); }

  // New storage of `size` bytes (copied from `bytes` when given). A refused
  // call changes nothing; respecifying a mapped buffer unmaps it.
  void setData(const void* bytes, GLsizeiptr size, GLenum usage);
  // Staged in the frame's pool and copied in command order, so draws
  // recorded earlier read the old bytes.
  void updateWithData(const void* bytes, GLsizeiptr size, GLintptr offset, MGLRenderer& renderer);

  void* mapWithAccessPolicy(GLenum access);
  // Access bits: 1 read (GL_MAP_READ_BIT_EXT), 2 write (GL_MAP_WRITE_BIT_EXT).
  void* mapRange(GLintptr offset, GLsizeiptr length, GLbitfield access);
  void flushRange(GLintptr offset, GLsizeiptr length);
  bool unmap();
  bool isMapped() const { return mapAccess_ != 0; }
  void* mapPointer() const;
  GLenum mapAccessPolicy() const;

  // GL_BUFFER_SIZE, GL_BUFFER_USAGE, GL_BUFFER_ACCESS_OES, GL_BUFFER_MAPPED_OES;
  // -1 with GL_INVALID_ENUM for another name.
  GLint getParameter(GLenum pname) const;
  void* getPointer(GLenum pname) const;
  void setLabel(std::string label);

  const std::shared_ptr<mtl::Buffer>& mtlBuffer() const { return mtlBuffer_; }
  std::int64_t bufferSize() const { return bufferSize_; }
  GLenum usage() const { return usage_; }
  std::int64_t mapOffset() const { return mapOffset_; }
  std::int64_t mapLength() const { return mapLength_; }
  GLbitfield mapAccess() const { return mapAccess_; }

 private:
  bool hasNoContent() const;

  std::shared_ptr<mtl::Buffer> mtlBuffer_;
  MGLRef<MGLUpdateBuffer> updateBuffer_;
  std::int64_t bufferSize_ = 0;
  GLenum usage_ = 0;
  GLbitfield mapAccess_ = 0;
  std::int64_t mapOffset_ = 0;
  std::int64_t mapLength_ = 0;
};
