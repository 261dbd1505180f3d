// Damaged element sets must be refused or propagated, never crash the
// reader or the propagators they feed. The reader skips the check digits
// here, so that mutations reach the fields and, through them, the models.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <random>
#include <string>

#include "engine/sgp4.h"
#include "skydata/two_line_elements.h"
#include "tests/support/fuzz.h"

namespace {

const char* const kSeeds[][2] = {
    {"1 88888U          80275.98708465  .00073094  13844-3  66816-4 0    87",
     "2 88888  72.8435 115.9689 0086731  52.6988 110.5714 16.05824518  1058"},
    {"1 08195U 75081A   06176.33215444  .00000099  00000-0  11873-3 0   813",
     "2 08195  64.1586 279.0717 6877146 264.7651  20.2257  2.00491383225656"},
    {"1 24208U 96044A   06177.04061740 -.00000094  00000-0  10000-3 0  1600",
     "2 24208   3.8536  80.0121 0026640 311.0977  48.3000  1.00778054 36119"},
};

// Reads the two lines without their check digits and runs the model the
// set selects at its epoch, a day later and a month earlier. True when the
// set was read.
bool propagate(std::string_view line1, std::string_view line2) {
  SatelliteElementSet el{};
  std::string problem;
  if (!parseTwoLineElements(line1, line2, el, problem, nullptr, CheckDigits::Ignore)) return false;
  double r[3], v[3];
  if (isDeepSpaceOrbit(el)) {
    Sdp4State s{};
    for (double t : {0.0, 1440.0, -43000.0}) sdp4(el, r, v, s, t);
  } else {
    Sgp4State s{};
    for (double t : {0.0, 1440.0, -43000.0}) sgp4(el, r, v, s, t);
  }
  return true;
}

TEST(Sgp4Fuzzing, MutatedBytesAreRefusedOrPropagated) {
  std::vector<tessaly::test::Bytes> seeds;
  for (const auto& set : kSeeds) seeds.push_back(std::string(set[0]) + "\n" + set[1]);
  tessaly::test::FuzzOptions options;
  options.iterations = 20000;
  options.maxSize = 400;
  int read = 0, refused = 0;
  tessaly::test::fuzz(seeds, [&](std::string_view input) {
    const auto split = input.find('\n');
    if (split == std::string_view::npos) return;
    (propagate(input.substr(0, split), input.substr(split + 1)) ? read : refused)++;
  }, options);
  EXPECT_GE(read, 3);  // at least the seeds
  EXPECT_GT(refused, 1000);
}

// Byte mutations are nearly all refused by the strict reader; digits
// changed in place keep the layout, so every field takes values across its
// whole range and nearly every set reaches the models: zero and near-one
// eccentricities, mean motions from 0 to 20 revolutions a day, huge drag
// terms, epochs in both centuries.
TEST(Sgp4Fuzzing, ElementSetsWithRandomDigitsReachThePropagators) {
  std::mt19937_64 random(0x5697);
  int read = 0;
  constexpr int kSets = 20000;
  for (int n = 0; n < kSets; ++n) {
    const auto& seed = kSeeds[n % std::size(kSeeds)];
    std::string lines[2] = {seed[0], seed[1]};
    const int changes = 1 + static_cast<int>(random() % 12);
    for (int c = 0; c < changes; ++c) {
      std::string& line = lines[random() % 2];
      // Columns 19-68: past the satellite numbers and designator.
      const std::size_t at = 18 + random() % 50;
      if (std::isdigit(static_cast<unsigned char>(line[at]))) line[at] = char('0' + random() % 10);
    }
    if (propagate(lines[0], lines[1])) ++read;
  }
  EXPECT_GT(read, kSets / 2);
}

}  // namespace
