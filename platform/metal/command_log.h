// An inspectable record of what was encoded on a device: every encoder,
// state change, draw, clear, copy, present and commit, in encoding order.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace mtl {

struct CommandLogEntry {
  std::uint64_t commandBuffer = 0;  // the buffer's number on its device
  std::string text;
};

class CommandLog {
 public:
  void append(std::uint64_t commandBuffer, std::string text);
  std::vector<CommandLogEntry> entries() const;
  // Only the texts, for compact comparisons in tests.
  std::vector<std::string> texts() const;
  void clear();

 private:
  mutable std::mutex mutex_;
  std::vector<CommandLogEntry> entries_;
};

}  // namespace mtl
