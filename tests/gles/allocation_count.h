// Counts the calls of operator new made while an AllocationCount lives:
// the test binary that links allocation_count.cpp replaces operator new.
#pragma once

#include <cstddef>

namespace tessaly::test {

class AllocationCount {
 public:
  AllocationCount();
  ~AllocationCount();
  AllocationCount(const AllocationCount&) = delete;
  AllocationCount& operator=(const AllocationCount&) = delete;
  std::size_t allocations() const;

 private:
  std::size_t start_;
};

}  // namespace tessaly::test
