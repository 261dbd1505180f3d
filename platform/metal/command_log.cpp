#include "platform/metal/command_log.h"

#include <utility>

namespace mtl {

void CommandLog::append(std::uint64_t commandBuffer, std::string text) {
  std::lock_guard lock(mutex_);
  entries_.push_back({commandBuffer, std::move(text)});
}

std::vector<CommandLogEntry> CommandLog::entries() const {
  std::lock_guard lock(mutex_);
  return entries_;
}

std::vector<std::string> CommandLog::texts() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> texts;
  texts.reserve(entries_.size());
  for (const CommandLogEntry& e : entries_) texts.push_back(e.text);
  return texts;
}

void CommandLog::clear() {
  std::lock_guard lock(mutex_);
  entries_.clear();
}

}  // namespace mtl
