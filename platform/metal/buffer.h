// A linear GPU allocation. Its storage is zero-filled at creation and never
// moves, so a pointer from contents() stays valid for the buffer's life.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/metal/types.h"

namespace mtl {

class Buffer {
 public:
  Buffer(NSUInteger length, NSUInteger options);

  // CPU view of the storage; null for private storage, as in Metal.
  void* contents();
  NSUInteger length() const { return storage_.size(); }
  StorageMode storageMode() const { return storageMode_; }
  NSUInteger resourceOptions() const { return options_; }

  const std::string& label() const { return label_; }
  void setLabel(std::string label) { label_ = std::move(label); }

  // The GPU's view, whatever the storage mode (encoders and copies).
  std::uint8_t* gpuData() { return storage_.data(); }

 private:
  std::vector<std::uint8_t> storage_;
  NSUInteger options_;
  StorageMode storageMode_;
  std::string label_;
};

}  // namespace mtl
