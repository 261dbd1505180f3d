#include "fuzz.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace tessaly::test {
namespace {

std::uint64_t next(std::uint64_t& state) {
  // splitmix64: small, fast and good enough to drive mutations.
  std::uint64_t z = (state += 0x9e3779b97f4a7c15ull);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  return z ^ (z >> 31);
}

std::size_t below(std::uint64_t& state, std::size_t n) {
  return n == 0 ? 0 : static_cast<std::size_t>(next(state) % n);
}

// Values that tend to sit on boundaries of length and count checks.
constexpr std::array<std::uint32_t, 12> kInteresting = {
    0u, 1u, 0x7fu, 0x80u, 0xffu, 0x100u, 0x7fffu, 0x8000u, 0xffffu,
    0x7fffffffu, 0x80000000u, 0xffffffffu};

}  // namespace

Bytes mutate(const Bytes& input, const std::vector<Bytes>& corpus,
             std::uint64_t& state, std::size_t maxSize) {
  Bytes out = input;
  const int rounds = 1 + static_cast<int>(below(state, 4));
  for (int r = 0; r < rounds; ++r) {
    switch (below(state, 8)) {
      case 0:  // flip one bit
        if (!out.empty()) out[below(state, out.size())] ^= char(1 << below(state, 8));
        break;
      case 1:  // replace one byte
        if (!out.empty()) out[below(state, out.size())] = char(next(state));
        break;
      case 2:  // insert random bytes
        out.insert(below(state, out.size() + 1),
                   Bytes(1 + below(state, 8), char(next(state))));
        break;
      case 3:  // delete a range
        if (!out.empty()) {
          std::size_t at = below(state, out.size());
          out.erase(at, 1 + below(state, out.size() - at));
        }
        break;
      case 4:  // truncate
        out.resize(below(state, out.size() + 1));
        break;
      case 5: {  // write an interesting little-endian value
        if (out.size() < 4) break;
        std::uint32_t v = kInteresting[below(state, kInteresting.size())];
        std::size_t at = below(state, out.size() - 3);
        for (int i = 0; i < 4; ++i) out[at + i] = char(v >> (8 * i));
        break;
      }
      case 6: {  // splice with another corpus entry
        if (corpus.empty()) break;
        const Bytes& other = corpus[below(state, corpus.size())];
        std::size_t cut = below(state, out.size() + 1);
        std::size_t from = below(state, other.size() + 1);
        out = out.substr(0, cut) + other.substr(from);
        break;
      }
      default:  // duplicate a range, growing repeated structures
        if (!out.empty()) {
          std::size_t at = below(state, out.size());
          std::size_t len = 1 + below(state, std::min<std::size_t>(64, out.size() - at));
          out.insert(at, out.substr(at, len));
        }
        break;
    }
  }
  if (out.size() > maxSize) out.resize(maxSize);
  return out;
}

void fuzz(const std::vector<Bytes>& seeds,
          const std::function<void(std::string_view)>& target,
          const FuzzOptions& options) {
  std::uint64_t state = options.seed;
  std::vector<Bytes> corpus = seeds;
  if (corpus.empty()) corpus.emplace_back();
  for (const Bytes& s : corpus) target(s);
  for (int i = 0; i < options.iterations; ++i) {
    const Bytes& base = corpus[below(state, corpus.size())];
    Bytes input = mutate(base, corpus, state, options.maxSize);
    target(input);
    // Keep a few mutants so later rounds mutate further from the seeds.
    if (corpus.size() < 256 && below(state, 16) == 0) corpus.push_back(std::move(input));
  }
}

int fuzzIterations(int sample) {
  const char* value = std::getenv("TESSALY_FUZZ_ITERATIONS");
  const int requested = value != nullptr ? std::atoi(value) : 0;
  return requested > 0 ? requested : sample;
}

}  // namespace tessaly::test
