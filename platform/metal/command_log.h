// An inspectable record of what was encoded on a device: every encoder,
// state change, draw, clear, copy, present and commit, in encoding order.
//
// The log is off unless a test (or someone debugging) switches it on: a
// running program encodes thousands of commands a frame and must not keep
// or even format them. When on it keeps only the last `capacity()` entries.
// TESSALY_COMMAND_LOG=N in the environment switches every new device's log
// on with room for N entries.
//
// Thread rules: any thread may call any member. One mutex guards the ring;
// enabled() is a lone atomic read so that encoders can skip formatting
// without taking the lock.
#pragma once

#include <atomic>
#include <cstddef>
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
  static constexpr std::size_t kDefaultCapacity = 10000;

  // Off, unless TESSALY_COMMAND_LOG names a positive number of entries.
  CommandLog();

  // Switches the log on, keeping the last `capacity` entries (at least one);
  // entries already kept stay, the oldest dropped if they no longer fit.
  void enable(std::size_t capacity = kDefaultCapacity);
  // Switches the log off and forgets its entries.
  void disable();
  bool enabled() const noexcept { return enabled_.load(std::memory_order_relaxed); }
  std::size_t capacity() const;

  // Does nothing while the log is off.
  void append(std::uint64_t commandBuffer, std::string text);
  // Oldest first.
  std::vector<CommandLogEntry> entries() const;
  // Only the texts, for compact comparisons in tests.
  std::vector<std::string> texts() const;
  std::size_t size() const;
  void clear();

 private:
  std::vector<CommandLogEntry> orderedLocked() const;

  std::atomic<bool> enabled_{false};
  mutable std::mutex mutex_;
  // A ring: once full, next_ is the oldest entry and the next to go.
  std::vector<CommandLogEntry> ring_;
  std::size_t next_ = 0;
  std::size_t capacity_ = kDefaultCapacity;
};

}  // namespace mtl
