// Whether this test binary runs under AddressSanitizer or ThreadSanitizer.
//
// Those builds run many times slower than the optimised one, so long sweeps
// take a fixed, deterministic sample there and the full range only in the
// optimised build; the sample must still hold the cases the sweep guards.
#pragma once

namespace tessaly::test {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kSanitizerBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr bool kSanitizerBuild = true;
#else
inline constexpr bool kSanitizerBuild = false;
#endif
#else
inline constexpr bool kSanitizerBuild = false;
#endif

// `sample` under a sanitizer, `full` otherwise.
constexpr int sanitizerSample(int full, int sample) {
  return kSanitizerBuild ? sample : full;
}

}  // namespace tessaly::test
