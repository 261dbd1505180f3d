// The memory floor of a clear-only frame: what writing both attachments
// and copying the colour out costs at the memory's pace, with memset and
// memcpy on one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace frame_bench {

class MemoryFloor {
 public:
  MemoryFloor(std::size_t colorBytes, std::size_t depthBytes) : color_(colorBytes, 1), depth_(depthBytes, 1) {}
  // `pixels` has room for the colour.
  void run(std::uint8_t* pixels) {
    std::memset(color_.data(), 0x40, color_.size());
    std::memset(depth_.data(), 0xFF, depth_.size());
    std::memcpy(pixels, color_.data(), color_.size());
  }

 private:
  std::vector<std::uint8_t> color_, depth_;
};

}  // namespace frame_bench
