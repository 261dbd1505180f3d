#include "platform/metal/buffer.h"

namespace mtl {

Buffer::Buffer(NSUInteger length, NSUInteger options)
    : storage_(length, 0), options_(options), storageMode_(storageModeOfOptions(options)) {}

void* Buffer::contents() {
  return storageMode_ == StorageMode::Private ? nullptr : storage_.data();
}

}  // namespace mtl
