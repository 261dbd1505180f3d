// Whether this test runs under AddressSanitizer or ThreadSanitizer.
//
// Those builds run many times slower than the optimised one, so long sweeps
// take a fixed, deterministic sample there and the full range only in the
// optimised build; the sample must still hold the cases the sweep guards.
// The process is asked, not the compiler: the address sanitizer's build
// compiles the tests' own code exactly as the optimised build does and only
// links the sanitizer's runtime.
#pragma once

#include <cstddef>

// The heap in use as the sanitizer's allocator counts it; defined by the
// address and thread sanitizers' runtimes, null where neither is linked.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace tessaly::test {

inline bool underSanitizer() { return __sanitizer_get_current_allocated_bytes != nullptr; }

// `sample` under a sanitizer, `full` otherwise.
inline int sanitizerSample(int full, int sample) { return underSanitizer() ? sample : full; }

}  // namespace tessaly::test
