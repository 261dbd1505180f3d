#include "platform/metal/exec/fast_paths.h"

#include <atomic>

namespace mtl::exec {
namespace {

std::atomic<bool> gFastPaths{true};

}  // namespace

void setFastPathsEnabled(bool enabled) { gFastPaths.store(enabled, std::memory_order_relaxed); }
bool fastPathsEnabled() { return gFastPaths.load(std::memory_order_relaxed); }

}  // namespace mtl::exec
