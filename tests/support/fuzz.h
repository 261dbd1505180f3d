// Seeded mutation fuzzing for parsers of files and network data.
//
// A parser under test is fed inputs derived from seed inputs by random byte
// flips, insertions, deletions, truncations, splices and "interesting" values.
// The run is deterministic for a given seed, so a failure reproduces, and the
// sanitizer build turns any over-read or undefined behaviour into a failure.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::test {

using Bytes = std::string;

struct FuzzOptions {
  std::uint64_t seed = 0x7e55a1u;
  int iterations = 20000;
  std::size_t maxSize = 1 << 16;
};

// The iterations of a run: `sample` in the suite, or the number that
// TESSALY_FUZZ_ITERATIONS names, for a long run by hand.
int fuzzIterations(int sample);

// Returns one mutation of `input`, drawing on `corpus` for splices.
Bytes mutate(const Bytes& input, const std::vector<Bytes>& corpus,
             std::uint64_t& state, std::size_t maxSize);

// Calls `target` on every seed and then on `options.iterations` mutations.
// The target must not crash; what it returns is its own business.
void fuzz(const std::vector<Bytes>& seeds,
          const std::function<void(std::string_view)>& target,
          const FuzzOptions& options = {});

}  // namespace tessaly::test
