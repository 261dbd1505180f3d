#include "platform/metal/command_log.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace mtl {

CommandLog::CommandLog() {
  const char* setting = std::getenv("TESSALY_COMMAND_LOG");
  if (setting == nullptr) return;
  const char* end = setting + std::strlen(setting);
  std::size_t capacity = 0;
  // Digits only: strtoull would take "-3" as a huge count.
  const auto [stop, error] = std::from_chars(setting, end, capacity);
  if (error == std::errc() && stop == end && capacity > 0) enable(capacity);
}

void CommandLog::enable(std::size_t capacity) {
  std::lock_guard lock(mutex_);
  capacity = std::max<std::size_t>(capacity, 1);
  if (capacity != capacity_) {
    std::vector<CommandLogEntry> kept = orderedLocked();
    if (kept.size() > capacity) kept.erase(kept.begin(), kept.end() - capacity);
    ring_ = std::move(kept);
    next_ = ring_.size() % capacity;
    capacity_ = capacity;
  }
  enabled_.store(true, std::memory_order_relaxed);
}

void CommandLog::disable() {
  std::lock_guard lock(mutex_);
  enabled_.store(false, std::memory_order_relaxed);
  ring_ = {};
  next_ = 0;
}

std::size_t CommandLog::capacity() const {
  std::lock_guard lock(mutex_);
  return capacity_;
}

void CommandLog::append(std::uint64_t commandBuffer, std::string text) {
  if (!enabled()) return;
  std::lock_guard lock(mutex_);
  if (!enabled()) return;  // switched off while the caller formatted
  if (ring_.size() < capacity_) {
    ring_.push_back({commandBuffer, std::move(text)});
    next_ = ring_.size() % capacity_;
  } else {
    ring_[next_] = {commandBuffer, std::move(text)};
    next_ = (next_ + 1) % capacity_;
  }
}

std::vector<CommandLogEntry> CommandLog::orderedLocked() const {
  std::vector<CommandLogEntry> ordered;
  ordered.reserve(ring_.size());
  // Until the ring is full next_ is its end, and the entries are in order.
  const std::size_t oldest = ring_.size() < capacity_ ? 0 : next_;
  for (std::size_t i = 0; i < ring_.size(); ++i) {
    ordered.push_back(ring_[(oldest + i) % ring_.size()]);
  }
  return ordered;
}

std::vector<CommandLogEntry> CommandLog::entries() const {
  std::lock_guard lock(mutex_);
  return orderedLocked();
}

std::vector<std::string> CommandLog::texts() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> texts;
  texts.reserve(ring_.size());
  for (CommandLogEntry& e : orderedLocked()) texts.push_back(std::move(e.text));
  return texts;
}

std::size_t CommandLog::size() const {
  std::lock_guard lock(mutex_);
  return ring_.size();
}

void CommandLog::clear() {
  std::lock_guard lock(mutex_);
  ring_.clear();
  next_ = 0;
}

}  // namespace mtl
