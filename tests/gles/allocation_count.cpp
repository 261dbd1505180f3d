#include "tests/gles/allocation_count.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<int> counting{0};
std::atomic<std::size_t> count{0};

}  // namespace

void* operator new(std::size_t size) {
  if (counting.load(std::memory_order_relaxed) > 0) count.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
// The nothrow forms come from the same heap, so that whatever frees their
// blocks (the replaced delete) matches what made them.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (counting.load(std::memory_order_relaxed) > 0) count.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace tessaly::test {

AllocationCount::AllocationCount() : start_(count.load()) { counting.fetch_add(1); }
AllocationCount::~AllocationCount() { counting.fetch_sub(1); }
std::size_t AllocationCount::allocations() const { return count.load() - start_; }

}  // namespace tessaly::test
