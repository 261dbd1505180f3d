#include "gles/render/query_pool.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "gles/context/context.h"
#include "gles/context/errors.h"
#include "gles/context/gl_enums.h"
#include "gles/context/platform.h"
#include "gles/render/renderer.h"
#include "platform/metal/buffer.h"
#include "platform/metal/command_buffer.h"
#include "platform/metal/device.h"

MGLQueryPool::MGLQueryPool(MGLContext* context)
    : context_(context),
      records_(kMaxQueryCount),
      visibility_(mglSharedMTLDevice()->newBuffer(kQuerySize * kMaxQueryCount,
                                                  mtl::ResourceStorageModeShared)) {}

GLuint* MGLQueryPool::activeName(GLenum target) {
  if (target == GL_ANY_SAMPLES_PASSED_EXT) return &activeQuery_;
  if (target == GL_ANY_SAMPLES_PASSED_CONSERVATIVE_EXT) return &activeConservativeQuery_;
  return nullptr;
}

MGLQueryPool::Record* MGLQueryPool::usedRecord(GLuint name) {
  if (name == 0 || name > queryCount_ || !records_[name - 1].used) return nullptr;
  return &records_[name - 1];
}

GLuint MGLQueryPool::queryCount() {
  std::lock_guard lock(lock_);
  return queryCount_;
}

void MGLQueryPool::gen(GLsizei n, GLuint* names) {
  if (n < 0) {
    mglSetError(GL_INVALID_VALUE, "The number of queries cannot be negative");
    return;
  }
  if (n == 0 || !names) return;
  bool exhausted = false;
  {
    std::lock_guard lock(lock_);
    GLuint slot = 0;
    for (GLsizei i = 0; i < n; ++i) {
      while (slot < kMaxQueryCount && records_[slot].used) ++slot;
      if (slot == kMaxQueryCount) {
        exhausted = true;
        break;
      }
      records_[slot] = Record{0, 0, true};
      names[i] = slot + 1;
      queryCount_ = std::max(queryCount_, slot + 1);
    }
  }
  if (exhausted) {
    mglSetError(GL_OUT_OF_MEMORY, "The maximum number of queries is %d.",
                {static_cast<int>(kMaxQueryCount)});
  }
}

void MGLQueryPool::remove(GLsizei n, const GLuint* names) {
  if (n < 0) {
    mglSetError(GL_INVALID_VALUE, "The number of queries cannot be negative");
    return;
  }
  if (!names) return;
  for (GLsizei i = 0; i < n; ++i) {
    const GLuint name = names[i];
    {
      std::lock_guard lock(lock_);
      Record* record = usedRecord(name);
      if (!record) continue;
      *record = Record{};
    }
    // A deleted query that is active ends, so visibility is not left on at
    // an offset the name's next owner will use.
    for (GLuint* active : {&activeQuery_, &activeConservativeQuery_}) {
      if (*active == name) {
        *active = 0;
        context_->occlusionQueryState()->endQuery();
      }
    }
  }
}

bool MGLQueryPool::isUsed(GLuint name) {
  std::lock_guard lock(lock_);
  return usedRecord(name) != nullptr;
}

bool MGLQueryPool::isQuery(GLuint name) {
  std::lock_guard lock(lock_);
  const Record* record = usedRecord(name);
  return record && record->target != 0;
}

void MGLQueryPool::beginQuery(GLuint name, GLenum target) {
  GLenum assigned;
  {
    std::lock_guard lock(lock_);
    const Record* record = usedRecord(name);
    if (!record) {
      assigned = ~GLenum{0};
    } else {
      assigned = record->target;
    }
  }
  if (assigned == ~GLenum{0}) {
    mglSetError(GL_INVALID_OPERATION, "%d is not an a valid query name.", {static_cast<int>(name)});
    return;
  }
  if (activeQuery_ != 0 || activeConservativeQuery_ != 0) {
    mglSetError(GL_INVALID_OPERATION, "A query is already active.");
    return;
  }
  if (assigned != 0 && assigned != target) {
    mglSetError(GL_INVALID_OPERATION, "Query %d is already assigned to query type %@.",
                {static_cast<int>(name), mglGLEnumName(assigned)});
    return;
  }
  GLuint* active = activeName(target);
  if (!active) {
    mglSetError(GL_INVALID_ENUM, "%@ is not a valid query target.", {mglGLEnumName(target)});
    return;
  }
  *active = name;
  {
    std::lock_guard lock(lock_);
    records_[name - 1].target = target;
  }
  context_->occlusionQueryState()->beginQueryAt(kQuerySize * (name - 1));
}

void MGLQueryPool::endQueryForTarget(GLenum target) {
  GLuint* active = activeName(target);
  if (!active) {
    mglSetError(GL_INVALID_ENUM, "%@ is not a valid query target.", {mglGLEnumName(target)});
    return;
  }
  if (*active == 0) {
    mglSetError(GL_INVALID_OPERATION, "A query is not currently active for target %@.",
                {mglGLEnumName(target)});
    return;
  }
  const GLuint name = std::exchange(*active, 0);
  MGLRenderer* renderer = context_->renderer();
  // The buffer that will carry the handler, begun first: after a flush the
  // renderer's next buffer has the next ID, and a result waiting on the
  // old one would never arrive.
  mtl::CommandBuffer* buffer = renderer->commandBuffer();
  const std::uint64_t id = renderer->commandBufferID();
  {
    std::lock_guard lock(lock_);
    records_[name - 1].commandBufferID = id;
  }
  if (id != registeredCommandBufferID_) {
    registeredCommandBufferID_ = id;
    buffer->addCompletedHandler([pool = MGLRef<MGLQueryPool>(this), id](mtl::CommandBuffer&) {
      pool->didEndMTLCommandBufferID(id);
    });
  }
  context_->occlusionQueryState()->endQuery();
}

GLuint MGLQueryPool::getQuery(GLenum pname, GLenum target) {
  if (pname != GL_CURRENT_QUERY_EXT) {
    mglSetError(GL_INVALID_ENUM, "%@ is not a valid query pname.", {mglGLEnumName(pname)});
    return 0;
  }
  const GLuint* active = activeName(target);
  if (!active) {
    mglSetError(GL_INVALID_ENUM, "%@ is not a valid query target.", {mglGLEnumName(target)});
    return 0;
  }
  return *active;
}

GLuint MGLQueryPool::getParameter(GLenum pname, GLuint name) {
  if (!isQuery(name)) {
    mglSetError(GL_INVALID_OPERATION, "%d is not a valid query name.", {static_cast<int>(name)});
    return 0;
  }
  if (name == activeQuery_ || name == activeConservativeQuery_) {
    mglSetError(GL_INVALID_OPERATION, "Query %d is active.", {static_cast<int>(name)});
    return 0;
  }
  if (pname != GL_QUERY_RESULT_AVAILABLE_EXT && pname != GL_QUERY_RESULT_EXT) {
    mglSetError(GL_INVALID_ENUM, "%@ is not a valid query parameter name.", {mglGLEnumName(pname)});
    return 0;
  }
  std::uint64_t pending;
  {
    std::lock_guard lock(lock_);
    pending = records_[name - 1].commandBufferID;
  }
  // Commits the buffer that carries the result, so that it can arrive.
  context_->renderer()->flushCommandsFor(pending);
  std::unique_lock lock(lock_);
  if (pname == GL_QUERY_RESULT_AVAILABLE_EXT) return records_[name - 1].commandBufferID == 0;
  while (records_[name - 1].commandBufferID != 0) lock_.wait();
  std::uint32_t result;
  std::memcpy(&result, static_cast<const std::uint8_t*>(visibility_->contents()) +
                           kQuerySize * (name - 1),
              sizeof result);
  return result;
}

void MGLQueryPool::didEndMTLCommandBufferID(std::uint64_t id) {
  {
    std::lock_guard lock(lock_);
    for (GLuint i = 0; i < queryCount_; ++i) {
      Record& record = records_[i];
      if (record.commandBufferID != 0 && record.commandBufferID <= id) record.commandBufferID = 0;
    }
  }
  lock_.broadcast();
}
