// Occlusion queries (any samples passed, and its conservative variant) over
// Metal visibility results: one 8-byte result per query name in a buffer
// attached to every render pass, switched on and off at a query's offset
// by the context's occlusion query state.
//
// Thread rules: the GL calls come from the context's thread. Completion
// handlers run on the GPU thread and mark results available; the records
// (names, targets, pending command buffers) are read and written only
// under `lock_`, and a wait for a result releases it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "gles/context/gl_types.h"
#include "gles/context/object.h"
#include "platform/foundation/threads.h"

namespace mtl {
class Buffer;
}

class MGLContext;

class MGLQueryPool : public MGLObject {
 public:
  static constexpr GLuint kMaxQueryCount = 8192;
  static constexpr std::uint64_t kQuerySize = 8;  // bytes per result

  explicit MGLQueryPool(MGLContext* context);
  const char* className() const override { return "MGLQueryPool"; }

  // The lowest free names; GL_OUT_OF_MEMORY when they run out (the names
  // found so far stay written).
  void gen(GLsizei n, GLuint* names);
  // Ends a deleted query that is active; names never generated are ignored.
  void remove(GLsizei n, const GLuint* names);
  bool isUsed(GLuint name);
  bool isQuery(GLuint name);
  void beginQuery(GLuint name, GLenum target);
  void endQueryForTarget(GLenum target);
  // GL_CURRENT_QUERY: the active name of `target`.
  GLuint getQuery(GLenum pname, GLenum target);
  // GL_QUERY_RESULT waits for the GPU; GL_QUERY_RESULT_AVAILABLE does not.
  GLuint getParameter(GLenum pname, GLuint name);
  // Completion handler body: every query ended in command buffer `id` or
  // earlier has its result.
  void didEndMTLCommandBufferID(std::uint64_t id);

  const std::shared_ptr<mtl::Buffer>& visibilityMTLBuffer() const { return visibility_; }
  GLuint queryCount();

 private:
  struct Record {
    std::uint64_t commandBufferID = 0;  // carries the query's last end; 0 = available
    GLenum target = 0;                  // 0 = never begun
    bool used = false;                  // the name is allocated
  };
  // Under lock_: the record of `name`, or null when it is not used.
  Record* usedRecord(GLuint name);
  GLuint* activeName(GLenum target);

  MGLContext* context_;  // the owner, not retained
  ns::Condition lock_;   // guards records_ and queryCount_
  std::vector<Record> records_;
  GLuint queryCount_ = 0;
  // Touched by the GL thread only.
  std::uint64_t registeredCommandBufferID_ = 0;
  GLuint activeQuery_ = 0;
  GLuint activeConservativeQuery_ = 0;
  std::shared_ptr<mtl::Buffer> visibility_;
};
