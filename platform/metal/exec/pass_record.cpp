#include "platform/metal/exec/pass_record.h"

#include "platform/metal/buffer.h"
#include "platform/metal/texture.h"

namespace mtl::exec {

void PassRecord::clear() {
  pass = {};
  width = height = 0;
  sampleCount = 1;
  states.clear();
  draws.clear();
  buffers.clear();
  textures.clear();
  samplers.clear();
  bytes.clear();
  visibilityOffsets.clear();
  clears.clear();
}

std::shared_ptr<PassRecord> PassRecordPool::acquire() {
  std::unique_ptr<PassRecord> record;
  {
    std::lock_guard lock(mutex_);
    if (!free_.empty()) {
      record = std::move(free_.back());
      free_.pop_back();
    }
  }
  if (!record) record = std::make_unique<PassRecord>();
  std::shared_ptr<PassRecordPool> self = shared_from_this();
  return std::shared_ptr<PassRecord>(record.release(),
                                     [self](PassRecord* r) { self->release(r); });
}

void PassRecordPool::release(PassRecord* record) {
  std::unique_ptr<PassRecord> owned(record);
  owned->clear();  // lets go of buffers and textures outside the lock
  std::lock_guard lock(mutex_);
  // A burst of passes in flight leaves at most a few records behind.
  if (free_.size() < 8) free_.push_back(std::move(owned));
}

}  // namespace mtl::exec
